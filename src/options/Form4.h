// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <optional>

class Dialogs;
class ErrorReporter;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class SettingsStore;
enum class Setting;

/**
 * "ScreenSaver Options": random start, display, password, play length, the desktop-wide options, and where the
 * videos show and how one follows another. Every change is
 * stored at once; there is no Apply and no Cancel. Its controls are also what a showing reads, so the window may live
 * hidden.
 *
 * The password box never holds the stored password, which is a hash: a set password shows as a row of stars that
 * stands for it. Typing replaces it; what is typed is stored after a pause in the typing, or as the box is left or
 * the window hides.
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
    QGroupBox* desktopOptionsFrame = nullptr;
    QCheckBox* desktopIdleCheck = nullptr;
    QCheckBox* respectFullScreenCheck = nullptr;
    QCheckBox* lockSessionCheck = nullptr;
    QGroupBox* showingOptionsFrame = nullptr;
    QComboBox* screensBox = nullptr;
    QComboBox* fadeBox = nullptr;

    ~Form4() override;

    /**
     * Whether the whole desktop's inactivity can be counted here. Where it cannot, its box cannot be changed and its
     * tool tip says why.
     */
    void setDesktopIdleAvailable(bool available, const QString& why = {});
    /** Whether the session can be locked here. Where it cannot, its box cannot be changed and its tool tip says why. */
    void setSessionLockAvailable(bool available, const QString& why = {});

    /**
     * A desktop option (DesktopIdle, RespectFullScreen, LockSession) as this window reads it, for the windows that
     * read the setting itself: its check-box number, 1 ticked and 0 clear; anything else leaves the box as designed.
     */
    [[nodiscard]] static bool desktopOption(const SettingsStore& settings, Setting setting);
    /**
     * A showing option (Screens, Fade) as this window reads it: one of the values it offers, and the default where the
     * stored one is none of them.
     */
    [[nodiscard]] static QString showingOption(const SettingsStore& settings, Setting setting);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void createControls();
    void connectControls();
    void Form_Load(const QString& programFolder);
    void PushButton1_Click();
    void PushButton7_Click();
    void passwordTyped(const QString& text);
    // The password typed in the box, now rather than after the pause in the typing that it waits for.
    void storeTypedPassword();
    void storePassword(QWidget* messageOwner);

    SettingsStore& m_settings;
    Dialogs& m_dialogs;
    ErrorReporter& m_reporter;
    QTimer* m_passwordPause = nullptr;
    // Typed in the password box and not stored yet.
    std::optional<QString> m_typedPassword;
};
