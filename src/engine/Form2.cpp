// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Form2.h"

#include "engine/PasswordPrompter.h"
#include "engine/PlaybackOptions.h"
#include "platform/Controls.h"
#include "platform/Convert.h"
#include "platform/GuardedRoutine.h"
#include "platform/RoutinePaths.h"
#include "platform/Twips.h"
#include "platform/VideoPlayer.h"
#include "settings/SettingsStore.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include <cmath>

namespace {

// The player's size as designed; "Show Original" keeps it, centred on the black screen.
constexpr int playerWidthTwips = 8160;
constexpr int playerHeightTwips = 5685;

} // namespace

Form2::Form2(std::unique_ptr<VideoPlayer> player,
             PlaybackOptions& options,
             SettingsStore& settings,
             PasswordPrompter& prompter,
             ErrorReporter& reporter,
             QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_player(std::move(player))
    , m_options(options)
    , m_settings(settings)
    , m_prompter(prompter)
    , m_reporter(reporter)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Slideshow"));
    setAttribute(Qt::WA_DeleteOnClose);
    Controls::setBackground(this, Qt::black);
    setCursor(Qt::BlankCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    m_video = m_player->videoWidget();
    if (m_video) {
        m_video->setParent(this);
        m_video->setGeometry(Twips::toPixels(0, 0, playerWidthTwips, playerHeightTwips));
        m_video->setCursor(Qt::BlankCursor);
    }
    // Input on the picture ends the showing just as input on the window does.
    connect(m_player.get(), &VideoPlayer::keyPressed, this, &Form2::stopHandling);
    connect(m_player.get(), &VideoPlayer::keyReleased, this, &Form2::stopHandling);
    connect(m_player.get(), &VideoPlayer::mousePressed, this, &Form2::stopHandling);
    connect(m_player.get(), &VideoPlayer::mouseReleased, this, &Form2::stopHandling);
    connect(m_player.get(), &VideoPlayer::clicked, this, &Form2::stopHandling);
    connect(m_player.get(), &VideoPlayer::mouseMoved, this, [this](QPointF position) {
        movementTest(static_cast<float>(position.x()), static_cast<float>(position.y()));
    });
    Form_Load();
}

Form2::~Form2()
{
    // The picture belongs to the player, which goes with this window.
    if (m_video) {
        m_video->setParent(nullptr);
    }
    m_player.reset();
}

void Form2::Form_Load()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form2_Form_Load);
    routine.step(100, [&] { parkPointer(); });
}

void Form2::prepareForVideo(bool fullScreen)
{
    if (!isVisible()) {
        // Without a window manager, full screen is only what the window's own geometry makes it.
        setGeometry(screen()->geometry());
        showFullScreen();
    }
    // Before every video, so that the first pointer report after a change of video never counts as a movement.
    const QSize screenSize = screen()->size();
    Xmouse = screenSize.width() * Twips::perPixel;
    YMouse = screenSize.height() * Twips::perPixel;
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
    layOutPlayer(fullScreen);
}

void Form2::layOutPlayer(bool fullScreen)
{
    m_fullScreenPlayer = fullScreen;
    if (!m_video) {
        return;
    }
    if (fullScreen) {
        m_video->setGeometry(rect());
        return;
    }
    const QSize size(Twips::toPixels(playerWidthTwips), Twips::toPixels(playerHeightTwips));
    m_video->setGeometry(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
}

void Form2::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutPlayer(m_fullScreenPlayer && m_options.showFullScreen());
    parkPointer();
}

// The pointer rests in the bottom-right corner, out of the picture; the window's size in twips marks that no
// position has been seen since.
void Form2::parkPointer()
{
    const QRect screenArea = screen()->geometry();
    QCursor::setPos(screen(), screenArea.bottomRight());
    Xmouse = screenArea.width() * Twips::perPixel;
    YMouse = screenArea.height() * Twips::perPixel;
}

void Form2::movementTest(double x, double y)
{
    const QSize screenSize = screen()->size();
    const double width = static_cast<float>(screenSize.width() * Twips::perPixel);
    const double height = static_cast<float>(screenSize.height() * Twips::perPixel);
    const float lastX = static_cast<float>(Xmouse);
    const float lastY = static_cast<float>(YMouse);
    if (lastX != x && lastY != y && lastX != width && lastY != height) {
        stopHandling(1);
    }
    Xmouse = static_cast<qint32>(std::nearbyint(x));
    YMouse = static_cast<qint32>(std::nearbyint(y));
}

void Form2::stopHandling(int value)
{
    if (value == 0 || m_ended || m_asking) {
        return;
    }
    // Only exactly 1 asks for the password; any other number, or text that is none, lets input end the showing.
    double prompt = 0;
    try {
        prompt = Convert::toDouble(m_settings.ReadSetting(Setting::PasswordMouseMove));
    } catch (const std::exception&) {
        prompt = 0;
    }
    if (prompt == 1) {
        m_asking = true;
        emit promptShown(true);
        const bool accepted = m_prompter.askPassword(this);
        emit promptShown(false);
        m_asking = false;
        if (!accepted) {
            return;
        }
    }
    endShowing();
}

void Form2::endShowing()
{
    m_ended = true;
    m_player->close();
    close();
    emit showingEnded();
}

void Form2::keyPressEvent(QKeyEvent* event)
{
    stopHandling(event->key() == 0 ? 1 : event->key());
}

void Form2::keyReleaseEvent(QKeyEvent* event)
{
    stopHandling(event->key() == 0 ? 1 : event->key());
}

void Form2::mousePressEvent(QMouseEvent* event)
{
    Form_MouseDown(Controls::buttonNumber(event->button()));
}

void Form2::Form_MouseDown(int button)
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form2_Form_MouseDown);
    routine.step(100, [&] { stopHandling(button); });
}

void Form2::mouseReleaseEvent(QMouseEvent* event)
{
    stopHandling(Controls::buttonNumber(event->button()));
    if (rect().contains(event->position().toPoint())) {
        stopHandling(1);
    }
}

void Form2::mouseMoveEvent(QMouseEvent* event)
{
    movementTest(Twips::fromPixels(event->position().x()), Twips::fromPixels(event->position().y()));
}
