// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class Dialogs;
class ErrorReporter;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SettingsStore;

/**
 * "ScreenSaver Options": random start, display, password, play length, and the desktop-wide options. Every change is
 * stored at once; there is no Apply and no Cancel. Its controls are also what a showing reads, so the window may live
 * hidden.
 */
class Form4 : public QWidget
{
    Q_OBJECT

public:
    Form4(SettingsStore& settings,
          Dialogs& dialogs,
          ErrorReporter& reporter,
          const QString& programFolder,
          QWidget* parent = nullptr);

    QGroupBox* Frame2 = nullptr;
    QCheckBox* Check1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QPushButton* PushButton7 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QCheckBox* Check5 = nullptr;
    QLineEdit* Text2 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QCheckBox* Check4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QCheckBox* Check6 = nullptr;
    QCheckBox* Check7 = nullptr;
    QCheckBox* Check8 = nullptr;

    /**
     * Whether the whole desktop's inactivity can be counted here. Where it cannot, its box cannot be changed and its
     * tool tip says why.
     */
    void setDesktopIdleAvailable(bool available, const QString& why = {});

private:
    void createControls();
    void connectControls();
    void Form_Load(const QString& programFolder);
    void PushButton1_Click();
    void PushButton7_Click();

    SettingsStore& m_settings;
    Dialogs& m_dialogs;
    ErrorReporter& m_reporter;
};
