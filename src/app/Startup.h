// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ErrorReport.h"
#include "settings/SettingsStore.h"
#include "showing/Form3.h"
#include "showing/RandomGenerator.h"
#include "system/UnixSignals.h"
#include "widgets/QtDialogs.h"

#include <QStringList>

#include <memory>

class Form1;

/** Builds the program's objects, wires them together and shows the main window. */
class Startup
{
public:
    Startup();
    ~Startup();

    void run();

    /**
     * Does the commands of a command line ("test", "on", "off", "show", "quit"), each in turn from the event loop;
     * none shows the main window. While a showing runs, "show" and "test" do nothing.
     */
    void perform(const QStringList& commands);

private:
    SettingsStore m_settings;
    QtDialogs m_dialogs;
    ErrorReport m_report{m_dialogs};
    RandomGenerator m_random;
    DialogPasswordPrompter m_prompter;
    UnixSignals m_signals;
    std::unique_ptr<Form1> m_form1;
};
