// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/PasswordPrompter.h"

#include <QDialog>
#include <QPointer>

class Dialogs;
class ErrorReporter;
class QGroupBox;
class QLineEdit;
class QPushButton;
class SettingsStore;

/**
 * The password prompt, "Enter Password": the typed password is compared with the stored one. A wrong one is
 * refused once, with a message; there is no second try in the same prompt.
 */
class Form3 : public QDialog
{
    Q_OBJECT

public:
    Form3(SettingsStore& settings,
          Dialogs& dialogs,
          ErrorReporter& reporter,
          const QString& programFolder,
          QWidget* owner = nullptr);

    /** The typed password was the stored one. */
    [[nodiscard]] bool PasswordAccepted() const
    {
        return m_accepted;
    }

    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton2 = nullptr;

private:
    void Form_Load(const QString& programFolder);
    void PushButton1_Click();
    void PushButton2_Click();

    SettingsStore& m_settings;
    Dialogs& m_dialogs;
    ErrorReporter& m_reporter;
    bool m_accepted = false;
    bool m_closing = false;
};

/** Asks with the password prompt, shown modally over the owner. */
class DialogPasswordPrompter : public PasswordPrompter
{
public:
    DialogPasswordPrompter(SettingsStore& settings, Dialogs& dialogs, ErrorReporter& reporter, QString programFolder);

    bool askPassword(QWidget* owner) override;
    void cancel() override;

private:
    SettingsStore& m_settings;
    Dialogs& m_dialogs;
    ErrorReporter& m_reporter;
    QString m_programFolder;
    QPointer<Form3> m_open;
};
