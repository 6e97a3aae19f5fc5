// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"

#include "app/DesktopSources.h"
#include "app/ShortTitle.h"
#include "desktop/SessionWatcher.h"
#include "library/LibraryListView.h"
#include "options/Form4.h"
#include "settings/ListText.h"
#include "settings/SettingsStore.h"
#include "shell/StartUp.h"
#include "shell/cSysTray.h"
#include "showing/RandomGenerator.h"
#include "showing/ShowingRequest.h"
#include "system/Convert.h"
#include "system/GuardedRoutine.h"
#include "system/ProgramFiles.h"
#include "system/RoutinePaths.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/ProgramIcon.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>
#include <QWindow>

#include <utility>

namespace {

const QString productTitle = QStringLiteral("Lumaveil");
// How long the icon's menu waits for the window to come back from the notification area, at most.
constexpr int trayMenuWaitMs = 1000;
const char* const trayBalloonText = QT_TRANSLATE_NOOP("Form1",
                                                      "has been minimized to the system tray.\n"
                                                      "Click the Lumaveil icon there to bring the window back.");

void setColumnWidths(QTreeView* list, std::initializer_list<int> twips)
{
    int column = 0;
    for (int width : twips) {
        list->setColumnWidth(column++, std::max(1, Twips::toPixels(width)));
    }
}

} // namespace

Form1::Form1(const Services& services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_desktopIdle(desktopSources(services.buses))
    , m_library(services.report)
    , m_commands(m_library,
                 services.settings,
                 services.dialogs,
                 services.report,
                 ProgramFiles::samplesFolder(services.programFolder))
    , m_sessionWatcher(new SessionWatcher(services.buses, this))
    , m_showings(m_services, *m_sessionWatcher, this)
    , m_customPointer(Qt::PointingHandCursor)
{
    setObjectName(QStringLiteral("Form1"));
    createControls();
    connectControls();
    m_services.settings.setSaveFailureHandler([this](const QString& reason) { settingsNotSaved(reason); });
}

Form1::~Form1()
{
    m_services.settings.setSaveFailureHandler({});
    setKeyPreview(false);
    delete m_form4;
}

void Form1::connectControls()
{
    connect(Timer4, &QTimer::timeout, this, &Form1::Timer4_Timer);
    connect(&m_desktopIdle, &DesktopIdle::polled, this, [this](const DesktopActivity& desktop) {
        // The count may have stopped while the desktop answered, or the option gone off, and the second been counted.
        if (Timer4->isActive() && Form4::desktopOption(m_services.settings, Setting::DesktopIdle)) {
            countSecond(desktop);
        }
    });
    connect(&m_desktopIdle, &DesktopIdle::searchChanged, this, &Form1::showDesktopIdleAvailability);
    connect(&m_desktopIdle, &DesktopIdle::polled, &m_showings.idleLock(), &IdleLockHandover::desktopPolled);
    connect(&m_showings.idleLock(), &IdleLockHandover::lockDue, this, &Form1::handOverToLock);
    connect(&m_showings, &ShowingHost::ended, this, &Form1::showingEnded);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);

    SettingsStore& settings = m_services.settings;
    connect(Text3, &QLineEdit::textChanged, this, [&settings](const QString& text) {
        settings.WriteSetting(Setting::Text3, text);
    });
    connect(Check2, &QCheckBox::toggled, this, [&settings](bool checked) {
        settings.WriteSetting(Setting::Check2, checked ? QStringLiteral("1") : QStringLiteral("0"));
    });
    connect(Check8, &QCheckBox::toggled, this, [&settings](bool checked) {
        settings.WriteSetting(Setting::Minimized, checked ? QStringLiteral("On") : QStringLiteral("Off"));
    });
    const auto writeOptions = [this, &settings](bool selected) {
        if (!selected) {
            return;
        }
        settings.WriteSetting(Setting::Option4, Convert::booleanText(Option4->isChecked()));
        settings.WriteSetting(Setting::Option5, Convert::booleanText(Option5->isChecked()));
    };
    connect(Option4, &QRadioButton::toggled, this, writeOptions);
    connect(Option5, &QRadioButton::toggled, this, writeOptions);
    connect(Check3, &QCheckBox::toggled, this, &Form1::Check3_Click);
    connect(cSysTray1, &cSysTray::MouseUp, this, &Form1::cSysTray1_MouseUp);

    m_commands.setWindow(this);
    connect(PushButton1, &QPushButton::clicked, &m_commands, &LibraryCommands::PushButton1_Click);
    connect(PushButton3, &QPushButton::clicked, &m_commands, &LibraryCommands::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, &m_commands, &LibraryCommands::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, &m_commands, &LibraryCommands::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, &m_commands, &LibraryCommands::PushButton6_Click);
    connect(PushButton15, &QPushButton::clicked, &m_commands, &LibraryCommands::PushButton15_Click);
    connect(PushButton21, &QPushButton::clicked, &m_commands, &LibraryCommands::PushButton21_Click);
    connect(ListView1, &LibraryListView::pathsDropped, &m_commands, &LibraryCommands::dropOnFileList);
    connect(ListView5, &LibraryListView::pathsDropped, &m_commands, &LibraryCommands::dropOnFolderList);
    connect(ListView1, &LibraryListView::keyPressed, &m_commands, &LibraryCommands::ListView1_KeyDown);
    connect(ListView5, &LibraryListView::keyPressed, &m_commands, &LibraryCommands::ListView5_KeyDown);
    connect(ListView1, &LibraryListView::doubleClickedEntry, &m_commands, &LibraryCommands::ListView1_DblClick);
    connect(ListView5, &LibraryListView::doubleClickedEntry, &m_commands, &LibraryCommands::ListView5_DblClick);

    connect(&m_library, &VideoLibrary::busyChanged, this, [this](bool busy) {
        setMousePointer(busy ? vbHourglass : vbDefault);
        if (!busy && std::exchange(m_playWhenWalked, false)) {
            PlayVideo();
        }
    });
    connect(m_listSaveTimer, &QTimer::timeout, this, &Form1::saveLists);

    connect(m_sessionWatcher, &SessionWatcher::awayChanged, this, &Form1::sessionAwayChanged);
    connect(m_sessionWatcher, &SessionWatcher::lockComing, this, &Form1::desktopLockComing);
    connect(m_sessionWatcher, &SessionWatcher::canLockChanged, this, &Form1::showDesktopIdleAvailability);
    connect(m_sessionWatcher, &SessionWatcher::lockFailed, this, [this](const QString& reason) {
        m_services.dialogs.message(this,
                                   tr("Lumaveil could not lock the session as the showing ended: %1.\n\nThe "
                                      "desktop is not locked.")
                                       .arg(reason),
                                   Dialogs::Icon::Warning,
                                   shortTitle(productTitle));
    });
}

void Form1::Form_Load()
{
    SettingsStore& settings = m_services.settings;
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_Form_Load);
    routine.step(100, [&] { StartupGuard = true; });
    routine.step(102, [&] { ApplySkin(); });
    routine.step(104, [&] {
        m_customPointer = Controls::customPointer(m_services.programFolder);
        const QPixmap dragPicture(m_services.programFolder + QLatin1String("/drag.ico"));
        ListView1->setReorderable(true, dragPicture.isNull() ? QCursor(Qt::ClosedHandCursor) : QCursor(dragPicture));
    });
    routine.step(106, [&] { m_services.random.seedFromClock(); });
    routine.step(108, [&] {
        setWindowTitle(productTitle);
        setWindowIcon(programIcon());
        SetApplicationTitle();
    });
    routine.step(110, [&] {
        cSysTray1->setTrayIcon(programIcon());
        cSysTray1->setTrayTip(productTitle);
        cSysTray1->setInTray(true);
    });
    routine.step(112, [&] { setColumnWidths(ListView1, {7000}); });
    routine.step(114, [&] {
        // A stored wait of no time would start a showing every second from now on.
        const QString minutes = settings.ReadSetting(Setting::Text3);
        const bool noTime = Convert::isNumeric(minutes) && !Countdown::isWait(minutes);
        Text3->setText(noTime ? settingDefault(Setting::Text3) : minutes);
    });
    routine.step(116, [&] { Check2->setChecked(Convert::toCheckBoxValue(settings.ReadSetting(Setting::Check2))); });
    routine.step(118,
                 [&] { m_library.files().setPaths(ListText::splitFileList(settings.ReadSetting(Setting::Videos))); });
    routine.step(120, [&] {
        setColumnWidths(ListView2, {7000});
        setColumnWidths(ListView5, {6800, 1});
    });
    routine.step(122, [&] {
        m_library.folders().setPaths(ListText::splitFolderList(settings.ReadSetting(Setting::Listview5)));
    });
    routine.step(124, [&] { CorrelateListviewsWrapper(); });
    routine.step(
        126, [&] { Controls::setOptionValue(Option4, Convert::toBoolean(settings.ReadSetting(Setting::Option4))); });
    routine.step(
        128, [&] { Controls::setOptionValue(Option5, Convert::toBoolean(settings.ReadSetting(Setting::Option5))); });
    routine.step(130, [&] {
        Controls::setBackground(Label1, Qt::white);
        Label1->setText(Countdown::notCountingText());
    });
    QString state;
    routine.step(132, [&] { state = settings.ReadSetting(Setting::StartStopState); });
    if (routine.test(134, [&] { return state == QLatin1String("Off"); })) {
        routine.step(136, [&] { PushButton2->setText(Countdown::turnOnCaption()); });
    } else if (routine.test(138, [&] { return state == QLatin1String("On"); })) {
        routine.step(140, [&] { m_countdown.ScreensaverOn = true; });
        routine.step(142, [&] { StartTimer(); });
        routine.step(144, [&] { PushButton2->setText(Countdown::turnOffCaption()); });
    }
    routine.step(146,
                 [&] { Check3->setChecked(settings.ReadSetting(Setting::WindowsStartup) == QLatin1String("On")); });
    routine.step(148, [&] { Check8->setChecked(settings.ReadSetting(Setting::Minimized) == QLatin1String("On")); });
    routine.step(150, [&] { StartupGuard = false; });
    if (routine.test(152, [&] { return Check8->isChecked(); })) {
        routine.step(154, [&] { setWindowState(windowState() | Qt::WindowMinimized); });
    }

    // From here on every change of the two lists reaches the store, not only the close. The timer gathers the
    // changes of one command into one write.
    for (PathListModel* list : {&m_library.files(), &m_library.folders()}) {
        const auto start = QOverload<>::of(&QTimer::start);
        connect(list, &QAbstractItemModel::modelReset, m_listSaveTimer, start, Qt::UniqueConnection);
        connect(list, &QAbstractItemModel::rowsInserted, m_listSaveTimer, start, Qt::UniqueConnection);
        connect(list, &QAbstractItemModel::rowsRemoved, m_listSaveTimer, start, Qt::UniqueConnection);
        connect(list, &QAbstractItemModel::dataChanged, m_listSaveTimer, start, Qt::UniqueConnection);
    }
}

void Form1::ApplySkin()
{
    if (QFileInfo(m_services.programFolder + QLatin1String("/x/o.cjs")).isFile()) {
        Controls::ApplyDialogColours(this);
    }
}

void Form1::SetApplicationTitle()
{
    QGuiApplication::setApplicationDisplayName(shortTitle(productTitle));
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_closing) {
        return;
    }
    m_closing = true;
    Form_QueryUnload();
    Form_Unload();
}

void Form1::Form_QueryUnload()
{
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_Form_QueryUnload);
    routine.step(100, [&] {
        saveLists();
        saveBeforeEnd();
    });
    routine.step(102, [&] { QCoreApplication::processEvents(); });
    routine.step(104, [&] { m_showings.requestStop(); });
    routine.step(106, [&] { cSysTray1->setInTray(false); });
    routine.step(108, [&] { QCoreApplication::processEvents(); });
    routine.step(110, [&] { QCoreApplication::processEvents(); });
}

// The other windows are only hidden here; they are deleted with this one, once the program has left its event
// loops. A dialog that stands open runs a loop of its own, in which its owner has to live on.
void Form1::Form_Unload()
{
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_Form_Unload);
    routine.step(102, [&] {
        endOpenDialogs();
        m_showings.endWithoutAsking();
        if (m_form4) {
            m_form4->hide();
        }
    });
    routine.step(104, [&] { emit unloaded(); });
}

// Their loops end when control returns to them; what follows there finds the program ending.
void Form1::endOpenDialogs()
{
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible() && window->isModal()) {
            window->hide();
        }
    }
}

void Form1::saveLists()
{
    m_listSaveTimer->stop();
    m_services.settings.WriteSetting(Setting::Videos, ListText::join(m_library.files().paths()));
    m_services.settings.WriteSetting(Setting::Listview5, ListText::join(m_library.folders().paths()));
}

void Form1::saveQuietly()
{
    saveLists();
    // The store puts the reason on stderr; a box now would hold up the session's end.
    m_services.settings.saveNow();
}

void Form1::closeQuietly()
{
    m_closingQuietly = true;
    // A close that runs already waits for a message (the settings that will be lost): the message goes, and that
    // close goes on to its end.
    if (m_closing) {
        endOpenDialogs();
        return;
    }
    close();
}

// Once for each run of failed saves: the values stay in memory, and the next change tries again.
void Form1::settingsNotSaved(const QString& reason)
{
    if (m_closing) {
        return;
    }
    m_services.dialogs.message(this,
                               tr("Lumaveil could not save its settings to\n%1\n\n%2.\n\nYour changes are "
                                  "kept while Lumaveil runs; it tries again with the next change and when "
                                  "it closes.")
                                   .arg(m_services.settings.fileName(), reason),
                               Dialogs::Icon::Warning,
                               shortTitle(productTitle));
}

void Form1::saveBeforeEnd()
{
    SettingsStore& settings = m_services.settings;
    const QString reason = settings.saveNow();
    if (reason.isEmpty() || m_closingQuietly) {
        return;
    }
    QStringList lost;
    for (const QString& key : settings.unsavedKeys()) {
        if (const QString title = settingTitle(key); !lost.contains(title)) {
            lost.append(title);
        }
    }
    m_services.dialogs.message(this,
                               tr("Lumaveil could not save its settings to\n%1\n\n%2.\n\nThese changes "
                                  "will be lost when it closes:\n%3")
                                   .arg(settings.fileName(), reason, lost.join(QLatin1Char('\n'))),
                               Dialogs::Icon::Warning,
                               shortTitle(productTitle));
}

void Form1::StartTimer()
{
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_StartTimer);
    routine.step(100, [&] { setKeyPreview(true); });
    routine.step(102, [&] {
        // Minutes that are no length keep the length before; at the first start, that is the default minute.
        if (m_countdown.CountdownSeconds <= 0) {
            m_countdown.CountdownSeconds = Countdown::lengthInSeconds(settingDefault(Setting::Text3));
        }
        m_countdown.CountdownSeconds = Countdown::lengthInSeconds(Text3->text());
    });
    // The interval stays at one second: a stopped QTimer needs no zero interval, and a running one with a zero
    // interval would fire without pause.
    routine.step(104, [&] {
        // While the session is locked or asleep the countdown holds: no showing plays under the lock screen.
        if (!m_sessionWatcher->isAway()) {
            Timer4->start();
        }
    });
}

void Form1::StopTimer()
{
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_StopTimer);
    routine.step(100, [&] { Label1->setText(Countdown::notCountingText()); });
    routine.step(102, [&] {
        Timer4->stop();
        m_desktopIdle.cancel();
    });
    routine.step(104, [&] { setKeyPreview(false); });
    routine.step(106, [&] { m_countdown.reset(); });
    routine.step(108, [&] {
        m_showings.requestStop();
        m_playWhenWalked = false;
    });
    if (routine.test(110, [&] { return m_countdown.ScreensaverOn; })) {
        routine.step(112, [&] { StartTimer(); });
    }
}

void Form1::Timer4_Timer()
{
    // A lock screen that came without a word must be known before the showing starts under it.
    if (m_countdown.mayEndWithNextTick()) {
        m_sessionWatcher->refresh();
    }
    // The showing's process starts a tick ahead, so that its first picture comes sooner: once each time the count
    // comes near its end, however long it stays there.
    if (!m_countdown.mayEndWithin(2)) {
        m_showingPrepared = false;
    } else if (!std::exchange(m_showingPrepared, true)) {
        m_showings.prepare();
    }
    // The desktop answers at once on X11, and otherwise within moments; the second counts when it has. A tick that
    // finds the previous question still open is left out.
    if (desktopIdleCounts()) {
        const bool fullScreenCounts = Form4::desktopOption(m_services.settings, Setting::RespectFullScreen);
        const bool mayEnd = m_countdown.mayEndWithNextTick();
        // Input can only make the count longer, so while nobody sees the time left (the window in the tray or
        // minimised), the idle time is wanted only where the count would end without it.
        m_desktopIdle.poll(mayEnd, fullScreenCounts, mayEnd || (isVisible() && !isMinimized()));
        return;
    }
    countSecond(DesktopActivity{});
}

bool Form1::desktopIdleCounts()
{
    if (!Form4::desktopOption(m_services.settings, Setting::DesktopIdle)) {
        return false;
    }
    m_desktopIdle.lookAgainIfStale();
    return m_desktopIdle.search() != DesktopIdle::Search::NoneWorks;
}

void Form1::countSecond(const DesktopActivity& desktop)
{
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_Timer4_Timer);
    routine.step(100, [&] { m_countdown.tick(desktop); });
    routine.step(102, [&] {
        // Without the idle time, the seconds left are only the fewest there may be.
        Label1->setText(desktop.idleMilliseconds == DesktopActivity::NotAsked
                            ? Countdown::turnedOnText()
                            : Countdown::timeLeftText(m_countdown.secondsLeft()));
    });
    if (routine.test(104, [&] { return !m_countdown.expired(); })) {
        return;
    }
    routine.step(106, [&] { Label1->setText(Countdown::turnedOnText()); });
    routine.step(108, [&] { Timer4->stop(); });
    routine.step(110, [&] { PlayVideo(); });
}

void Form1::PushButton2_Click()
{
    SettingsStore& settings = m_services.settings;
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_PushButton2_Click);
    if (routine.test(100, [&] { return PushButton2->text() != Countdown::turnOnCaption(); })) {
        routine.step(102, [&] { m_countdown.ScreensaverOn = false; });
        routine.step(104, [&] { StopTimer(); });
        routine.step(106, [&] { PushButton2->setText(Countdown::turnOnCaption()); });
        routine.step(108, [&] { settings.WriteSetting(Setting::StartStopState, QStringLiteral("Off")); });
    } else {
        routine.step(110, [&] { m_countdown.ScreensaverOn = true; });
        routine.step(112, [&] { StartTimer(); });
        routine.step(114, [&] { PushButton2->setText(Countdown::turnOffCaption()); });
        routine.step(116, [&] { settings.WriteSetting(Setting::StartStopState, QStringLiteral("On")); });
    }
}

void Form1::PushButton7_Click()
{
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_PushButton7_Click);
    routine.step(100, [&] {
        Form4& options = form4();
        // It opens over this window; once open, it stays where the user puts it.
        if (!options.isVisible()) {
            Controls::centreOver(&options, this);
        }
        showDesktopIdleAvailability();
        m_desktopIdle.findSource();
        options.show();
        options.raise();
        options.activateWindow();
    });
}

Form2* Form1::playbackWindow() const
{
    return m_showings.playbackWindow();
}

bool Form1::hasForm4() const
{
    return m_form4 != nullptr;
}

Form4& Form1::form4() const
{
    if (!m_form4) {
        // Without a parent: the options window stands on its own beside the main window.
        m_form4 = new Form4(m_services.settings, m_services.dialogs, m_services.report, m_services.programFolder);
    }
    return *m_form4;
}

void Form1::showDesktopIdleAvailability()
{
    if (m_form4) {
        m_form4->setDesktopIdleAvailable(m_desktopIdle.search() != DesktopIdle::Search::NoneWorks,
                                         m_desktopIdle.whyNoneWorks());
        m_form4->setSessionLockAvailable(m_sessionWatcher->canLock(), m_sessionWatcher->whyNoLock());
    }
}

bool Form1::playRandomly() const
{
    return Option4->isChecked();
}

bool Form1::playInOrder() const
{
    return Option5->isChecked();
}

bool Form1::soundDisabled() const
{
    return Check2->isChecked();
}

bool Form1::showFullScreen() const
{
    return form4().Option1->isChecked();
}

bool Form1::startAtRandomPlace() const
{
    return form4().Check1->isChecked();
}

bool Form1::limitPlayLength() const
{
    return form4().Check4->isChecked();
}

QString Form1::playLengthText() const
{
    return form4().Text1->text();
}

void Form1::PushButton8_Click()
{
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_PushButton8_Click);
    m_sessionWatcher->inputSeen();
    routine.step(100, [&] { PlayVideo(); });
}

void Form1::PlayVideo()
{
    if (m_sessionWatcher->isAway()) {
        return;
    }
    // The list is not known while folders are walked (the first walk after the start, say): the showing waits for
    // the walk, under the busy pointer, and only a list that turns out empty is "No files added.".
    if (m_library.isBusy()) {
        m_playWhenWalked = true;
        return;
    }
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_PlayVideo);
    if (routine.test(100, [&] { return m_library.playable().size() <= 0; })) {
        routine.step(102, [&] { m_services.dialogs.message(this, tr("No files added.")); });
        return;
    }
    routine.step(104, [&] { startShowing(); });
}

// A showing that runs already starts afresh; otherwise a new one comes.
void Form1::startShowing()
{
    // The countdown's inactivity went before a showing that it started; one started by hand follows input.
    const bool counted = m_countdown.ScreensaverOn && m_countdown.expired();
    m_showings.start(showingRequest(),
                     counted ? std::optional(qint64(m_countdown.ElapsedSeconds) * 1000) : std::nullopt);
}

ShowingRequest Form1::showingRequest()
{
    ShowingRequest request;
    request.paths = m_library.playable().paths();
    request.random = playRandomly();
    request.inOrder = playInOrder();
    request.soundOff = soundDisabled();
    request.fullScreen = showFullScreen();
    request.randomPlace = startAtRandomPlace();
    request.limitLength = limitPlayLength();
    request.playLength = playLengthText();
    request.screens = Form4::showingOption(m_services.settings, Setting::Screens);
    request.fade = Form4::showingOption(m_services.settings, Setting::Fade);
    request.password = m_services.settings.ReadSetting(Setting::Password);
    request.passwordMouseMove = m_services.settings.ReadSetting(Setting::PasswordMouseMove);
    return request;
}

void Form1::showingEnded()
{
    StopTimer();
    // The password only ends a showing; the desktop's lock screen is the lock. The showing has let go of the
    // keyboard and the pointer already, so the lock screen can take them.
    if (Form4::desktopOption(m_services.settings, Setting::LockSession)) {
        m_sessionWatcher->lockSession();
    }
}

// The desktop would have locked itself by now, had the showing not held off its idle action: the session's lock takes
// over. The showing ends as a lock ends it, without the password and without showingEnded, whose lock would be a
// second one.
void Form1::handOverToLock()
{
    if (!m_showings.isRunning() || m_sessionWatcher->isAway()) {
        return;
    }
    m_showings.endWithoutAsking();
    StopTimer();
    m_sessionWatcher->lockSession();
}

// A showing under the lock screen, or on a sleeping machine, could not be seen: it ends at once, without the
// password. The countdown holds until the session is back, and then starts afresh.
void Form1::sessionAwayChanged(bool away)
{
    if (away) {
        m_desktopLockAwaited = false;
        m_showings.endWithoutAsking();
    }
    StopTimer();
}

// The desktop's lock screen needs the keyboard and the pointer that a showing holds: the showing makes way at once.
// A locker that gave up while they were held is asked again, now that they are free.
void Form1::desktopLockComing()
{
    if (!m_showings.isRunning()) {
        return;
    }
    m_showings.endWithoutAsking();
    StopTimer();
    m_desktopLockAwaited = true;
    constexpr int lockSettlesMs = 700;
    QTimer::singleShot(lockSettlesMs, this, [this] {
        if (std::exchange(m_desktopLockAwaited, false)) {
            m_sessionWatcher->lockSession();
        }
    });
}

void Form1::CorrelateListviewsWrapper()
{
    m_library.CorrelateListviewsWrapper();
}

void Form1::Check3_Click()
{
    if (StartupGuard) {
        return;
    }
    SettingsStore& settings = m_services.settings;
    if (Check3->isChecked()) {
        Check8->setVisible(true);
        settings.WriteSetting(Setting::WindowsStartup, QStringLiteral("On"));
        if (const QString problem = AddToStartup(); !problem.isEmpty()) {
            // The box must not claim what did not happen: clearing it takes back the rest as well.
            m_services.dialogs.message(this,
                                       tr("Lumaveil cannot be started at logon.\n\n%1").arg(problem),
                                       Dialogs::Icon::Warning,
                                       shortTitle(productTitle));
            Check3->setChecked(false);
        }
        return;
    }
    Check8->setChecked(false);
    Check8->setVisible(false);
    settings.WriteSetting(Setting::WindowsStartup, QStringLiteral("Off"));
    if (const QString problem = RemoveFromStartup(); !problem.isEmpty()) {
        m_services.dialogs.message(this,
                                   tr("Lumaveil may still be started at logon.\n\n%1").arg(problem),
                                   Dialogs::Icon::Warning,
                                   shortTitle(productTitle));
    }
}

void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_trayMenuOwed) {
        openOwedTrayMenu();
    }
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        Form_Resize();
    }
}

// Every minimise goes to the notification area, where there is one. Without one the window stays minimised
// normally, on the taskbar, so that the user can still find it.
void Form1::Form_Resize()
{
    if (MinimizedToTray || !cSysTray1->InTray() || !cSysTray1->isAvailable()) {
        return;
    }
    const bool shownBefore = isVisible();
    hide();
    // Normal again for the next show, but only here: clearing the minimised state with the window system would map
    // the window again, and leave the window manager's frame on the screen, empty.
    overrideWindowState(windowState() & ~Qt::WindowMinimized);
    // Sent here by the start, before it was ever on the screen, the window would stay minimised in the window
    // system, and its first show from here would race with the window manager, which may minimise it once more. A
    // new native window starts out normal.
    if (!shownBefore) {
        destroy();
    }
    MinimizedToTray = true;
    cSysTray1->ShowBalloon(tr(trayBalloonText), productTitle, 5, true);
}

void Form1::cSysTray1_MouseUp(int button)
{
    const bool wasHidden = !isVisible();
    restoreFromTray();
    // The right button opened the icon's menu as well, and the window that comes takes the focus, which closes it:
    // the menu opens again once the window is there.
    if (button == 2 && wasHidden) {
        m_trayMenuOwed = QCursor::pos();
        QTimer::singleShot(trayMenuWaitMs, this, &Form1::openOwedTrayMenu);
    }
}

void Form1::openOwedTrayMenu()
{
    if (const std::optional<QPoint> at = std::exchange(m_trayMenuOwed, std::nullopt); at && !m_trayMenu->isVisible()) {
        m_trayMenu->popup(*at);
    }
}

void Form1::restoreFromTray()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    // The window system may still hold the window minimised from before it went to the tray.
    if (QWindow* window = windowHandle()) {
        window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
    }
    show();
    raise();
    activateWindow();
    MinimizedToTray = false;
}

// Desktops that deliver no plain clicks on the icon show this menu instead; it carries the main commands.
void Form1::createTrayMenu()
{
    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("TrayMenu"));
    m_trayMenu->addAction(tr("Show Lumaveil"), this, &Form1::restoreFromTray);
    m_trayMenu->addSeparator();
    QAction* onOff = m_trayMenu->addAction(PushButton2->text(), this, &Form1::PushButton2_Click);
    m_trayMenu->addAction(PushButton8->text(), this, &Form1::PushButton8_Click);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(tr("Quit"), this, &QWidget::close);
    // The on/off entry reads as the button does.
    connect(m_trayMenu, &QMenu::aboutToShow, onOff, [this, onOff] { onOff->setText(PushButton2->text()); });
    cSysTray1->setContextMenu(m_trayMenu);
}
