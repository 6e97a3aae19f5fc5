// SPDX-License-Identifier: GPL-3.0-or-later
#include "system/UnixSignals.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalSockets[2] = {-1, -1};
constexpr std::array handledSignals{SIGTERM, SIGINT, SIGHUP};

// Only async-signal-safe calls here: the byte wakes the notifier on the GUI thread.
void forwardSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalSockets[0], &byte, 1);
}

} // namespace

UnixSignals::UnixSignals(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSockets) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignals::readSignal);

    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : handledSignals) {
        ::sigaction(number, &action, nullptr);
    }
}

UnixSignals::~UnixSignals()
{
    if (!m_notifier) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : handledSignals) {
        ::sigaction(number, &action, nullptr);
    }
    delete m_notifier;
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

void UnixSignals::keepFromThisThread()
{
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int number : handledSignals) {
        sigaddset(&blocked, number);
    }
    ::pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
}

void UnixSignals::readSignal()
{
    char buffer[16];
    while (::read(signalSockets[1], buffer, sizeof buffer) > 0) {
    }
    emit terminationRequested();
}
