// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/HeldKeys.h"

#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <memory>
#include <vector>

class BlankingInhibitor;
class WaylandIdleInhibitor;
class ErrorReporter;
class InputGrab;
class PasswordPrompter;

class PlaybackOptions;
class SettingsStore;
class VideoPlayer;

/**
 * The playback window: black, borderless and full screen, holding the video player. Any key, any click, or a mouse
 * movement along both axes ends the showing, after the password when the settings ask for it. The window closes
 * itself then, and is deleted with its player.
 *
 * While it is shown it holds the keyboard and the pointer, keeps the desktop from blanking, and covers every other
 * screen in black; input there is input here. It stays on every desktop, and whatever another program has the
 * window manager do with it (another desktop, minimised, the desktop shown, unmapped), it comes straight back.
 */
class Form2 : public QWidget
{
    Q_OBJECT

public:
    Form2(std::unique_ptr<VideoPlayer> player,
          PlaybackOptions& options,
          SettingsStore& settings,
          PasswordPrompter& prompter,
          ErrorReporter& reporter,
          QWidget* parent = nullptr);
    ~Form2() override;

    VideoPlayer& player()
    {
        return *m_player;
    }

    /** Before each video: shows the window if hidden, parks the pointer, comes to the top, places the player. */
    void prepareForVideo(bool fullScreen);
    /** Ends the showing without asking, as the program ends: the player stops and the window hides. */
    void unload();
    /**
     * Ends the showing at once, without the password: the session locks, or the machine goes to sleep. The keyboard
     * and the pointer are let go first, for the lock screen to take; an open password prompt closes; the window
     * closes and showingEnded does not follow, since nobody ended the showing.
     */
    void endWithoutAsking();
    /** Whether input ends a showing only after the password. */
    [[nodiscard]] static bool asksPassword(SettingsStore& settings);

    /**
     * What the other screens show rather than black: made with each screen's cover, as its child, and deleted before
     * the cover goes. It takes the place that the player takes on this window.
     */
    using CoverFill = std::function<std::unique_ptr<QWidget>(QScreen* screen)>;
    void setCoverFill(CoverFill fill);
    /** Input on this player's picture is input on this window, at the same place of the desktop. */
    void takeInputOf(VideoPlayer& player);

    /**
     * The last pointer position seen, or the screen's size in twips when none has been seen since the pointer was
     * parked. Only a movement from a real position along both axes counts.
     */
    qint32 Xmouse = 0;
    qint32 YMouse = 0;

signals:
    /** The password prompt opened (true) or closed (false). */
    void promptShown(bool shown);
    /** The person ended the showing; the window has closed. */
    void showingEnded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A cover goes out of sight at once, and is deleted once the event that took it has been handled: its player is
    // best let go outside the removal of its screen.
    struct HideAndDeleteLater
    {
        void operator()(QWidget* window) const
        {
            window->hide();
            window->deleteLater();
        }
    };
    struct Cover
    {
        QPointer<QScreen> screen;
        std::unique_ptr<QWidget, HideAndDeleteLater> window;
        // Declared last, so let go first.
        std::unique_ptr<QWidget, HideAndDeleteLater> fill;
    };

    void Form_Load();
    void Form_MouseDown(int button);
    void parkPointer();
    void layOutPlayer(bool fullScreen);
    [[nodiscard]] static QRect playerArea(const QRect& window, bool fullScreen);
    void movementTest(double x, double y);
    void keyInput(int key, bool pressed);
    void stopHandling(int value);
    void endShowing();
    void holdDesktop();
    void releaseDesktop();
    void coverOtherScreens();
    void uncoverScreen(QScreen* screen);
    void keepInView();
    void comeBack();

    std::unique_ptr<VideoPlayer> m_player;
    PlaybackOptions& m_options;
    SettingsStore& m_settings;
    PasswordPrompter& m_prompter;
    ErrorReporter& m_reporter;
    QWidget* m_video = nullptr;
    bool m_fullScreenPlayer = true;
    bool m_ended = false;
    bool m_asking = false;
    // A key that ended the password prompt, or its message, is let go over this window.
    HeldKeys m_keysDown;
    std::unique_ptr<InputGrab> m_grab;
    std::unique_ptr<BlankingInhibitor> m_blankingInhibitor;
    std::unique_ptr<WaylandIdleInhibitor> m_waylandIdleInhibitor;
    std::vector<Cover> m_covers;
    CoverFill m_coverFill;
    // The windows that went out of view since they were last looked after.
    std::vector<QPointer<QWindow>> m_putAway;
    // Declared last, so destroyed first: no event reaches a window half destroyed.
    std::unique_ptr<QObject> m_windowWatch;
};
