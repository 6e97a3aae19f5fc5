// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/Form2.h"

#include "desktop/BlankingInhibitor.h"
#include "desktop/InputGrab.h"
#include "desktop/WaylandDesktop.h"
#include "desktop/WaylandIdleInhibitor.h"
#include "desktop/X11Desktop.h"
#include "settings/SettingsStore.h"
#include "showing/PasswordPrompter.h"
#include "showing/PlaybackOptions.h"
#include "showing/video/VideoPlayer.h"
#include "system/Convert.h"
#include "system/GuardedRoutine.h"
#include "system/RoutinePaths.h"
#include "widgets/Controls.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace {

// The player's size as designed; "Show Original" keeps it, centred on the black screen.
constexpr int playerWidthTwips = 8160;
constexpr int playerHeightTwips = 5685;

// How soon a window that did not come back is looked at again.
constexpr int comebackRetryMilliseconds = 100;

// The key code of a key event; keys that Qt cannot name count as a key all the same.
int keyCode(int key)
{
    return key == 0 ? 1 : key;
}

// Hands every event of the program to a function before it is delivered.
class EventWatch : public QObject
{
public:
    explicit EventWatch(std::function<void(QObject*, QEvent*)> seen)
        : m_seen(std::move(seen))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        m_seen(watched, event);
        return false;
    }

private:
    std::function<void(QObject*, QEvent*)> m_seen;
};

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
    setWindowTitle(tr("Slideshow"));
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
    takeInputOf(*m_player);
    connect(qApp, &QGuiApplication::screenAdded, this, &Form2::coverOtherScreens);
    connect(qApp, &QGuiApplication::screenRemoved, this, &Form2::uncoverScreen);
    X11Desktop::keepOffTaskbars(this);
    keepInView();
    Form_Load();
}

Form2::~Form2()
{
    releaseDesktop();
    // The picture belongs to the player, which goes with this window.
    if (m_video) {
        m_video->setParent(nullptr);
    }
    m_player.reset();
}

// Input on the picture ends the showing just as input on the window does.
void Form2::takeInputOf(VideoPlayer& player)
{
    connect(&player, &VideoPlayer::keyPressed, this, [this](int key) { keyInput(key, true); });
    connect(&player, &VideoPlayer::keyReleased, this, [this](int key) { keyInput(key, false); });
    connect(&player, &VideoPlayer::mousePressed, this, &Form2::stopHandling);
    connect(&player, &VideoPlayer::mouseReleased, this, &Form2::stopHandling);
    connect(&player, &VideoPlayer::clicked, this, &Form2::stopHandling);
    // Held in this window's twips, as its own moves are: a movement that passes from the black border onto the
    // picture, or from one screen to another, stays one movement.
    connect(&player, &VideoPlayer::mouseMoved, this, [this, &player](QPointF position) {
        const QWidget* picture = player.videoWidget();
        const QPointF here = picture ? mapFromGlobal(picture->mapToGlobal(position)) : position;
        movementTest(Twips::fromPixels(here.x()), Twips::fromPixels(here.y()));
    });
}

void Form2::setCoverFill(CoverFill fill)
{
    m_coverFill = std::move(fill);
}

void Form2::Form_Load()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form2_Form_Load);
    routine.step(100, [&] { parkPointer(); });
}

void Form2::prepareForVideo(bool fullScreen)
{
    if (m_ended) {
        return;
    }
    if (!isVisible()) {
        // Without a window manager, full screen is only what the window's own geometry makes it.
        setGeometry(screen()->geometry());
        showFullScreen();
        holdDesktop();
    }
    // Before every video, so that the first pointer report after a change of video never counts as a movement.
    const QSize screenSize = screen()->size();
    Xmouse = screenSize.width() * Twips::perPixel;
    YMouse = screenSize.height() * Twips::perPixel;
    // Also when another program took the front meanwhile.
    X11Desktop::bringToFront(this);
    for (const Cover& cover : m_covers) {
        cover.window->raise();
    }
    setFocus(Qt::OtherFocusReason);
    layOutPlayer(fullScreen);
}

// For as long as the showing runs: the keyboard and the pointer are held, the desktop does not blank, and the
// other screens are covered.
void Form2::holdDesktop()
{
    m_blankingInhibitor = std::make_unique<BlankingInhibitor>();
    m_waylandIdleInhibitor = std::make_unique<WaylandIdleInhibitor>(this);
    m_grab = std::make_unique<InputGrab>(this);
    coverOtherScreens();
}

void Form2::releaseDesktop()
{
    m_grab.reset();
    m_blankingInhibitor.reset();
    m_waylandIdleInhibitor.reset();
    m_covers.clear();
}

// A black window on each screen but this window's own, shown the moment a screen is added during the showing.
void Form2::coverOtherScreens()
{
    if (!isVisible() || m_ended) {
        return;
    }
    std::erase_if(m_covers, [this](const Cover& cover) { return !cover.screen || cover.screen == screen(); });
    for (QScreen* other : QGuiApplication::screens()) {
        if (other == screen() || std::any_of(m_covers.cbegin(), m_covers.cend(), [other](const Cover& cover) {
                return cover.screen == other;
            })) {
            continue;
        }
        // It takes no focus: the keys belong to this window.
        auto cover =
            std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        cover->setObjectName(QStringLiteral("Form2Cover"));
        cover->setWindowTitle(windowTitle());
        Controls::setBackground(cover.get(), Qt::black);
        cover->setCursor(Qt::BlankCursor);
        cover->setMouseTracking(true);
        cover->installEventFilter(this);
        X11Desktop::keepOffTaskbars(cover.get());
        X11Desktop::keepOnEveryDesktop(cover.get());
        cover->setGeometry(other->geometry());
        cover->setWindowState(Qt::WindowFullScreen);
        std::unique_ptr<QWidget> fill = m_coverFill ? m_coverFill(other) : nullptr;
        if (fill) {
            fill->setParent(cover.get());
            fill->setGeometry(playerArea(cover->rect(), m_fullScreenPlayer));
        }
        cover->show();
        m_covers.push_back(Cover{other,
                                 std::unique_ptr<QWidget, HideAndDeleteLater>(cover.release()),
                                 std::unique_ptr<QWidget, HideAndDeleteLater>(fill.release())});
    }
}

void Form2::uncoverScreen(QScreen* gone)
{
    std::erase_if(m_covers, [gone](const Cover& cover) { return cover.screen == gone; });
    // Where this window's own screen went, it moves to another one, whose cover has to go.
    QMetaObject::invokeMethod(this, &Form2::coverOtherScreens, Qt::QueuedConnection);
}

// Input on a cover is input on this window, at the same place of the desktop.
bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    auto* cover = qobject_cast<QWidget*>(watched);
    if (!cover || cover->objectName() != QLatin1String("Form2Cover")) {
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        keyInput(keyCode(key->key()), event->type() == QEvent::KeyPress);
        return true;
    }
    case QEvent::MouseButtonPress:
        Form_MouseDown(Controls::buttonNumber(static_cast<QMouseEvent*>(event)->button()));
        return true;
    case QEvent::MouseButtonRelease:
        stopHandling(Controls::buttonNumber(static_cast<QMouseEvent*>(event)->button()));
        stopHandling(1);
        return true;
    case QEvent::MouseMove: {
        const QPointF here = mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition());
        movementTest(Twips::fromPixels(here.x()), Twips::fromPixels(here.y()));
        return true;
    }
    case QEvent::Close:
        closeEvent(static_cast<QCloseEvent*>(event));
        return true;
    case QEvent::Resize:
        layOutPlayer(m_fullScreenPlayer);
        return false;
    default:
        return false;
    }
}

// The showing's windows are on every desktop, and come back whenever another program has the window manager put
// one away: the password guards the end of a showing, and a window out of view holds neither the keyboard nor the
// pointer. So does the password prompt in front of it, and the prompt's message.
void Form2::keepInView()
{
    X11Desktop::keepOnEveryDesktop(this);
    m_windowWatch = std::make_unique<EventWatch>([this](QObject* watched, QEvent* event) {
        if (event->type() == QEvent::Show && watched->isWidgetType() && !m_ended) {
            auto* dialog = static_cast<QWidget*>(watched);
            if (dialog->isWindow() && dialog->isModal()) {
                X11Desktop::keepOnEveryDesktop(dialog);
            }
        } else if (event->type() == QEvent::Expose && watched->isWindowType() &&
                   !static_cast<QWindow*>(watched)->isExposed()) {
            // Once the window manager's change has arrived in full, and after the showing's own end, if that is
            // what took the window away.
            if (m_putAway.empty()) {
                QMetaObject::invokeMethod(this, &Form2::comeBack, Qt::QueuedConnection);
            }
            m_putAway.emplace_back(static_cast<QWindow*>(watched));
        }
    });
}

void Form2::comeBack()
{
    const std::vector<QPointer<QWindow>> putAway = std::exchange(m_putAway, {});
    if (m_ended || !isVisible()) {
        return;
    }
    std::vector<QWidget*> shown{this};
    for (const Cover& cover : m_covers) {
        shown.push_back(cover.window.get());
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    std::copy_if(windows.cbegin(), windows.cend(), std::back_inserter(shown), [](const QWidget* window) {
        return window->isModal();
    });
    // Only what was taken away: a window on its way to the screen is not there yet either.
    for (QWidget* window : shown) {
        QWindow* handle = window->windowHandle();
        if (window->isVisible() && handle && !handle->isExposed() &&
            std::find(putAway.cbegin(), putAway.cend(), handle) != putAway.cend()) {
            X11Desktop::returnToView(window);
            m_putAway.emplace_back(handle);
        }
    }
    if (m_putAway.empty()) {
        return;
    }
    X11Desktop::bringToFront(this);
    for (const Cover& cover : m_covers) {
        cover.window->raise();
    }
    // The dialog in front of the showing stays there, and has the keys.
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        X11Desktop::bringToFront(dialog);
    }
    // Looked at again until every window is back: a window manager passes over what is asked about a window that
    // another program unmapped, until it has let go of it.
    QTimer::singleShot(comebackRetryMilliseconds, this, &Form2::comeBack);
}

// The covers' pictures take the same place on their screens.
void Form2::layOutPlayer(bool fullScreen)
{
    m_fullScreenPlayer = fullScreen;
    if (m_video) {
        m_video->setGeometry(playerArea(rect(), fullScreen));
    }
    for (const Cover& cover : m_covers) {
        if (cover.fill) {
            cover.fill->setGeometry(playerArea(cover.window->rect(), fullScreen));
        }
    }
}

QRect Form2::playerArea(const QRect& window, bool fullScreen)
{
    if (fullScreen) {
        return window;
    }
    const QSize size(Twips::toPixels(playerWidthTwips), Twips::toPixels(playerHeightTwips));
    return QRect(QPoint((window.width() - size.width()) / 2, (window.height() - size.height()) / 2), size);
}

void Form2::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutPlayer(m_fullScreenPlayer && m_options.showFullScreen());
    parkPointer();
}

// The pointer rests in the bottom-right corner, out of the picture; the window's size in twips marks that no
// position has been seen since. Wayland lets no program move the pointer (Qt would only warn each time); there that
// mark alone keeps the first report from counting as a movement.
void Form2::parkPointer()
{
    const QRect screenArea = screen()->geometry();
    if (!WaylandDesktop::isActive()) {
        QCursor::setPos(screen(), screenArea.bottomRight());
    }
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
    if (asksPassword(m_settings)) {
        m_asking = true;
        emit promptShown(true);
        const bool accepted = m_prompter.askPassword(this);
        emit promptShown(false);
        m_asking = false;
        // Ended while the prompt stood open: its loop had to return before the window could go.
        if (m_ended) {
            close();
            return;
        }
        if (!accepted) {
            return;
        }
    }
    endShowing();
}

bool Form2::asksPassword(SettingsStore& settings)
{
    // Only exactly 1 asks for the password; any other number, or text that is none, lets input end the showing.
    try {
        return Convert::toDouble(settings.ReadSetting(Setting::PasswordMouseMove)) == 1;
    } catch (const std::exception&) {
        return false;
    }
}

void Form2::endShowing()
{
    unload();
    close();
    emit showingEnded();
}

void Form2::unload()
{
    m_ended = true;
    // Nothing of the showing outlives it.
    releaseDesktop();
    m_player->close();
    hide();
}

void Form2::endWithoutAsking()
{
    if (m_ended) {
        return;
    }
    unload();
    if (m_asking) {
        // The prompt's loop runs below this call; the stop handling that opened it closes the window on its return.
        m_prompter.cancel();
        return;
    }
    close();
}

// A release counts only after its press came here: the release of a key that closed the password prompt, or its
// message, is no new input.
void Form2::keyInput(int key, bool pressed)
{
    if (pressed) {
        m_keysDown.press(key);
    } else if (!m_keysDown.release(key)) {
        return;
    }
    stopHandling(key);
}

void Form2::keyPressEvent(QKeyEvent* event)
{
    keyInput(keyCode(event->key()), true);
}

void Form2::keyReleaseEvent(QKeyEvent* event)
{
    keyInput(keyCode(event->key()), false);
}

// The window manager's close (a title-bar menu, a taskbar, a keyboard shortcut) is input like any other: the stop
// handling decides, the password first where asked. Only the showing's own end closes the window.
void Form2::closeEvent(QCloseEvent* event)
{
    if (m_ended) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    // Not from inside the close: the password prompt runs a loop of its own.
    QMetaObject::invokeMethod(
        this, [this] { stopHandling(1); }, Qt::QueuedConnection);
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
