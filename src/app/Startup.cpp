// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"

#include "app/Form1.h"
#include "desktop/X11Desktop.h"
#include "settings/PasswordHash.h"
#include "system/ProgramFiles.h"
#include "widgets/ProgramIcon.h"

#include <QApplication>
#include <QPushButton>
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

    // Showings play in a process of their own: this file started again, with its end of their connection.
    m_form1 = std::make_unique<Form1>(Services{m_settings,
                                               m_dialogs,
                                               m_report,
                                               m_random,
                                               m_prompter,
                                               {},
                                               ProgramFiles::programFolder(),
                                               QCoreApplication::applicationFilePath()});
    Form1* form1 = m_form1.get();
    QObject::connect(form1, &Form1::unloaded, qApp, [] { QCoreApplication::exit(0); });
    QObject::connect(&m_signals, &UnixSignals::terminationRequested, form1, &Form1::closeQuietly);
    QObject::connect(
        qApp, &QGuiApplication::commitDataRequest, form1, [form1](QSessionManager&) { form1->saveQuietly(); });

    // A password that an older version stored in the clear is stored hashed from the next save on.
    static_cast<void>(PasswordHash::read(m_settings));
    form1->Form_Load();
    // A start in the notification area leaves the window hidden.
    if (!form1->MinimizedToTray) {
        form1->show();
    }
}

void Startup::perform(const QStringList& commands)
{
    Form1* form1 = m_form1.get();
    const auto later = [form1](auto action) { QMetaObject::invokeMethod(form1, action, Qt::QueuedConnection); };
    if (commands.isEmpty()) {
        later([form1] {
            if (!form1->playbackWindow()) {
                form1->restoreFromTray();
                // Asked for from outside: a window manager that keeps programs from taking the focus lets it
                // through as it does for a taskbar.
                X11Desktop::bringToFront(form1);
            }
        });
    }
    for (const QString& command : commands) {
        if (command == QLatin1String("show")) {
            perform({});
        } else if (command == QLatin1String("test")) {
            later([form1] {
                if (!form1->playbackWindow()) {
                    form1->PushButton8->click();
                }
            });
        } else if (command == QLatin1String("on") || command == QLatin1String("off")) {
            // The button's caption names what it does next.
            const QString wanted =
                command == QLatin1String("on") ? Countdown::turnOnCaption() : Countdown::turnOffCaption();
            later([form1, wanted] {
                if (form1->PushButton2->text() == wanted) {
                    form1->PushButton2->click();
                }
            });
        } else if (command == QLatin1String("quit")) {
            later([form1] { form1->close(); });
        }
    }
}
