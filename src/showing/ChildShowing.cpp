// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/ChildShowing.h"

#include "showing/ShowingRequest.h"

#include <QSignalBlocker>

#include <cstring>
#include <unistd.h>

ChildShowing::ChildShowing(QString program, QObject* parent)
    : Showing(parent)
    , m_program(std::move(program))
{
    // The showing's messages on stderr go where the program's go.
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    connect(&m_process, &QProcess::finished, this, &ChildShowing::processFinished);
}

ChildShowing::~ChildShowing()
{
    m_process.disconnect(this);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool ChildShowing::prepare()
{
    if (isRunning()) {
        return !m_endAsked;
    }
    return launch();
}

bool ChildShowing::play(const ShowingRequest& request)
{
    ShowingRequest handed = request;
    handed.paths.removeIf([this](const QString& path) { return m_deaths.value(path) >= 2; });
    if ((!isRunning() || m_endAsked) && !launch()) {
        return false;
    }
    return m_channel && m_channel->send(handed.toMessage());
}

bool ChildShowing::launch()
{
    // One that is ending makes way for the new showing at once; its end is no news to those who follow the new one.
    if (isRunning()) {
        const QSignalBlocker quiet(this);
        m_process.kill();
        m_process.waitForFinished(1000);
    }
    int here = -1;
    int there = -1;
    if (!ShowingChannel::makePair(here, there)) {
        return false;
    }
    m_endTold = false;
    m_endAsked = false;
    m_broken.clear();
    m_playing.clear();
    m_process.start(m_program, {QStringLiteral("--showing-fd=%1").arg(there)});
    const bool started = m_process.waitForStarted();
    // The child holds its end now; this process never reads from it.
    ::close(there);
    if (!started) {
        ::close(here);
        return false;
    }
    m_channel = std::make_unique<ShowingChannel>(here);
    connect(m_channel.get(), &ShowingChannel::received, this, &ChildShowing::received);
    connect(m_channel.get(), &ShowingChannel::broken, this, [this](const QString& why) {
        // It no longer speaks as a showing does: it goes.
        m_broken = why;
        m_process.kill();
    });
    return true;
}

void ChildShowing::endWithoutAsking()
{
    if (!isRunning()) {
        return;
    }
    m_endAsked = true;
    if (!m_channel->send({QStringLiteral("end"), {}})) {
        m_process.kill();
    }
}

bool ChildShowing::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

void ChildShowing::received(const ShowingMessage& message)
{
    if (message.kind == QLatin1String("playing")) {
        m_playing = message.value(QStringLiteral("path"));
        emit playing(m_playing);
    } else if (message.kind == QLatin1String("prompt")) {
        emit promptShown(message.value(QStringLiteral("shown")) == QLatin1String("1"));
    } else if (message.kind == QLatin1String("input")) {
        emit inputSeen();
    } else if (message.kind == QLatin1String("ended") && !m_endTold) {
        m_endTold = true;
        emit ended();
    }
}

void ChildShowing::processFinished(int exitCode, QProcess::ExitStatus status)
{
    m_channel.reset();
    if (!m_endTold && !m_endAsked) {
        QString why = m_broken;
        if (why.isEmpty()) {
            why = status == QProcess::CrashExit ? QString::fromLocal8Bit(strsignal(exitCode))
                                                : QStringLiteral("ended with status %1").arg(exitCode);
        }
        if (m_playing.isEmpty()) {
            qWarning("lumaveil: the showing's process ended: %s", qPrintable(why));
        } else {
            qWarning("lumaveil: the showing's process ended (%s) while it played %s",
                     qPrintable(why),
                     qPrintable(m_playing));
            ++m_deaths[m_playing];
        }
        emit diedOf(why, m_playing);
        emit died();
    }
    emit finished();
}
