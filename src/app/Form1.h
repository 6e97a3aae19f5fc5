// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Countdown.h"
#include "app/DesktopIdle.h"
#include "app/Services.h"
#include "app/ShowingHost.h"
#include "library/LibraryCommands.h"
#include "library/VideoLibrary.h"
#include "showing/HeldKeys.h"
#include "showing/PlaybackOptions.h"

#include <QCursor>
#include <QPointer>
#include <QWidget>

#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
class LibraryListView;
class QTreeView;
class cSysTray;
class Form2;
struct ShowingRequest;
class Form4;
class ScrollingSurface;
class SessionWatcher;

/**
 * The main window: the video lists with their commands, the screensaver commands, the option controls and the
 * inactivity countdown. Its load restores everything from the settings store; its close saves the lists and ends
 * the program.
 */
class Form1 : public QWidget, public PlaybackOptions
{
    Q_OBJECT

public:
    /** Mouse pointer values; the busy one also tells that a rebuild or scan is running. */
    enum MousePointerValue
    {
        vbDefault = 0,
        vbHourglass = 11,
        vbCustom = 99,
    };

    explicit Form1(const Services& services, QWidget* parent = nullptr);
    ~Form1() override;

    /** The start-up sequence: restores the controls and both lists, then the screensaver's on/off state. */
    void Form_Load();

    void StartTimer();
    void StopTimer();
    void Timer4_Timer();
    void PlayVideo();
    void CorrelateListviewsWrapper();
    /** Writes the file list and the folder list to the store. */
    void saveLists();
    /**
     * For the end of the session: the lists and every other change reach the file at once. No message is shown;
     * a save that fails says why on stderr.
     */
    void saveQuietly();
    /** Closes as close() does, but a save that fails at the close says why on stderr only: for a signal. */
    void closeQuietly();

    [[nodiscard]] int MousePointer() const
    {
        return m_mousePointer;
    }
    void setMousePointer(int value);

    [[nodiscard]] const Countdown& countdown() const
    {
        return m_countdown;
    }
    /** What the countdown learns from the desktop when it counts the whole desktop's inactivity. */
    [[nodiscard]] DesktopIdle& desktopIdle()
    {
        return m_desktopIdle;
    }
    [[nodiscard]] VideoLibrary& library()
    {
        return m_library;
    }
    [[nodiscard]] LibraryCommands& libraryCommands()
    {
        return m_commands;
    }
    [[nodiscard]] bool keyPreview() const
    {
        return m_keyPreview;
    }
    [[nodiscard]] const SessionWatcher& sessionWatcher() const
    {
        return *m_sessionWatcher;
    }
    /** The playback window while a showing runs in this process. */
    [[nodiscard]] Form2* playbackWindow() const;
    /** The showing that runs, wherever it plays; none between showings. */
    [[nodiscard]] Showing* showing() const
    {
        return m_showings.showing();
    }
    /** The options window, created hidden when it does not exist yet. */
    Form4& form4() const;
    [[nodiscard]] bool hasForm4() const;

    // What a showing reads, from this window's options and the options window's.
    bool playRandomly() const override;
    bool playInOrder() const override;
    bool soundDisabled() const override;
    bool showFullScreen() const override;
    bool startAtRandomPlace() const override;
    bool limitPlayLength() const override;
    QString playLengthText() const override;

    /** Shows the window again from the notification area. */
    void restoreFromTray();
    /** The menu of the tray icon. */
    [[nodiscard]] QMenu* trayMenu() const
    {
        return m_trayMenu;
    }

    bool StartupGuard = false;
    /** The window is hidden in the notification area. */
    bool MinimizedToTray = false;

    QLabel* Label1 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton8 = nullptr;
    QPushButton* PushButton7 = nullptr;
    QPushButton* PushButton6 = nullptr;
    LibraryListView* ListView1 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton5 = nullptr;
    LibraryListView* ListView5 = nullptr;
    QPushButton* PushButton15 = nullptr;
    QPushButton* PushButton21 = nullptr;
    QGroupBox* Frame7 = nullptr;
    QLineEdit* Text3 = nullptr;
    QGroupBox* Frame9 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QCheckBox* Check2 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check8 = nullptr;
    QTreeView* ListView2 = nullptr;
    QTimer* Timer4 = nullptr;
    cSysTray* cSysTray1 = nullptr;

signals:
    /** The window has been unloaded; the program ends. */
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void connectControls();

    void ApplySkin();
    void SetApplicationTitle();
    void Form_QueryUnload();
    void Form_Unload();
    void settingsNotSaved(const QString& reason);
    void saveBeforeEnd();
    void Form_MouseDown(int button);

    void Form_Resize();
    void Check3_Click();
    void createTrayMenu();
    void cSysTray1_MouseUp(int button);
    void openOwedTrayMenu();
    void pointerMovedOver(QObject* control);

    void PushButton2_Click();
    void PushButton7_Click();
    void PushButton8_Click();

    /** Counts one second, with what the desktop told about it where it was asked. */
    void countSecond(const DesktopActivity& desktop);
    /** Whether the count follows the whole desktop's inactivity: the option is on, and the desktop can tell. */
    bool desktopIdleCounts();
    void showDesktopIdleAvailability();

    /** Input on the window: any code but 0 resets the countdown. */
    void handleInput(int code);
    /** A key pressed or released on the window. Whether it was input: only the release of a key pressed here is. */
    bool keyInput(int key, bool pressed);
    void endOpenDialogs();
    void startShowing();
    [[nodiscard]] ShowingRequest showingRequest();
    void showingEnded();
    void handOverToLock();
    void sessionAwayChanged(bool away);
    void desktopLockComing();
    void setKeyPreview(bool on);

    Services m_services;
    Countdown m_countdown;
    DesktopIdle m_desktopIdle;
    VideoLibrary m_library;
    LibraryCommands m_commands;
    SessionWatcher* m_sessionWatcher;
    ShowingHost m_showings;
    // The showing's process was started ahead for this approach of the count to its end.
    bool m_showingPrepared = false;
    // The desktop said that it locks, and has not yet.
    bool m_desktopLockAwaited = false;
    // Made on first use, also by a showing that only reads it.
    mutable QPointer<Form4> m_form4;
    QCursor m_customPointer;
    int m_mousePointer = vbDefault;
    bool m_keyPreview = false;
    // A key that closed a message box would otherwise start the countdown again with its release; where the
    // countdown fails, that brings the box straight back.
    HeldKeys m_keysDown;
    bool m_closing = false;
    // The close comes from a signal: no message may hold it up.
    bool m_closingQuietly = false;
    // A showing asked for while folders were walked starts when the walk is done.
    bool m_playWhenWalked = false;
    qint32 LastMouseX = 0;
    qint32 LastMouseY = 0;
    QTimer* m_listSaveTimer = nullptr;
    QMenu* m_trayMenu = nullptr;
    // Where the icon's menu opens once the window is back from the notification area.
    std::optional<QPoint> m_trayMenuOwed;
    ScrollingSurface* m_surface = nullptr;
};
