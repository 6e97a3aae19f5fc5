// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"

#include "app/Form1.h"
#include "platform/MpvVideoPlayer.h"
#include "platform/ProgramFiles.h"
#include "platform/ProgramIcon.h"

#include <QApplication>
#include <QSessionManager>

Startup::Startup()
    : m_prompter(m_settings, m_dialogs, m_report, ProgramFiles::programFolder())
{}

Startup::~Startup() = default;

void Startup::run()
{
    // The program lives on in the notification area with its main window hidden; only the main window's unload
    // ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(programIcon());

    const auto makePlayer = []() -> std::unique_ptr<VideoPlayer> {
        return std::make_unique<MpvVideoPlayer>(MpvVideoPlayer::Options{});
    };
    m_form1 = std::make_unique<Form1>(
        Services{m_settings, m_dialogs, m_report, m_random, m_prompter, makePlayer, ProgramFiles::programFolder()});
    Form1* form1 = m_form1.get();
    QObject::connect(form1, &Form1::unloaded, qApp, [] { QCoreApplication::exit(0); });
    QObject::connect(&m_signals, &UnixSignals::terminationRequested, form1, &Form1::closeQuietly);
    QObject::connect(
        qApp, &QGuiApplication::commitDataRequest, form1, [form1](QSessionManager&) { form1->saveQuietly(); });

    form1->Form_Load();
    // A start in the notification area leaves the window hidden.
    if (!form1->MinimizedToTray) {
        form1->show();
    }
}
