// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <memory>

class ErrorReporter;
class PasswordPrompter;
class PlaybackOptions;
class SettingsStore;
class VideoPlayer;

/**
 * The playback window: black, borderless and full screen, holding the video player. Any key, any click, or a mouse
 * movement along both axes ends the showing, after the password when the settings ask for it. The window closes
 * itself then, and is deleted with its player.
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

private:
    void Form_Load();
    void Form_MouseDown(int button);
    void parkPointer();
    void layOutPlayer(bool fullScreen);
    void movementTest(double x, double y);
    void stopHandling(int value);
    void endShowing();

    std::unique_ptr<VideoPlayer> m_player;
    PlaybackOptions& m_options;
    SettingsStore& m_settings;
    PasswordPrompter& m_prompter;
    ErrorReporter& m_reporter;
    QWidget* m_video = nullptr;
    bool m_fullScreenPlayer = true;
    bool m_ended = false;
    bool m_asking = false;
};
