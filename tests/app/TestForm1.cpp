// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"
#include "fakes/TestEnvironment.h"
#include "library/LibraryListView.h"
#include "options/Form4.h"
#include "shell/StartUp.h"
#include "shell/cSysTray.h"
#include "showing/Form2.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>

class TestForm1 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Form1> m_form;

    void write(Setting setting, const QString& text)
    {
        m_env->settings->WriteSetting(setting, text);
    }
    QString read(Setting setting) const
    {
        return m_env->settings->ReadSetting(setting);
    }

    // trayAvailable: whether the desktop has a notification area, as the window will be told.
    Form1& load(bool trayAvailable = false)
    {
        m_form = std::make_unique<Form1>(m_env->services());
        m_form->cSysTray1->setAvailabilityCheck([trayAvailable] { return trayAvailable; });
        m_form->Form_Load();
        return *m_form;
    }

    static void moveOver(QWidget* control)
    {
        QMouseEvent move(QEvent::MouseMove,
                         QPointF(2, 2),
                         control->mapToGlobal(QPointF(2, 2)),
                         Qt::NoButton,
                         Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(control, &move);
    }

    QAction* trayAction(const QString& text) const
    {
        emit m_form->trayMenu()->aboutToShow();
        for (QAction* action : m_form->trayMenu()->actions()) {
            if (action->text() == text) {
                return action;
            }
        }
        return nullptr;
    }

    void tick(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_form->Timer4_Timer();
        }
    }

    void moveMouse(QPoint position)
    {
        QMouseEvent move(
            QEvent::MouseMove, position, m_form->mapToGlobal(position), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_form.get(), &move);
    }

    // A point of the window that no control covers.
    static QPoint bareSurface()
    {
        return {3, 300};
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
    }

    void cleanup()
    {
        m_form.reset();
        m_env.reset();
    }

    void testFirstStart()
    {
        Form1& form = load();

        QCOMPARE(form.windowTitle(), QStringLiteral("Lumaveil"));
        QCOMPARE(form.Text3->text(), QStringLiteral("1"));
        QVERIFY(!form.Check2->isChecked());
        QVERIFY(!form.Check3->isChecked());
        QVERIFY(!form.Check8->isChecked());
        QVERIFY(form.Option4->isChecked());
        QVERIFY(!form.Option5->isChecked());
        QCOMPARE(form.Label1->text(), QStringLiteral("Screensaver is not counting down"));
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Turn On Screensaver"));
        QVERIFY(!form.Timer4->isActive());
        QVERIFY(!form.keyPreview());
        QCOMPARE(form.library().files().size(), 0);
        QCOMPARE(form.library().folders().size(), 0);
        QCOMPARE(form.library().playable().size(), 0);
        QVERIFY(!form.StartupGuard);
        QVERIFY(!(form.windowState() & Qt::WindowMinimized));
        QVERIFY(form.cSysTray1->InTray());
        QCOMPARE(form.cSysTray1->TrayTip(), QStringLiteral("Lumaveil"));
        QVERIFY(m_env->dialogs.messages.isEmpty());
        // Restoring the defaults changes no control, so nothing is written.
        QVERIFY(!QFile::exists(m_env->settings->fileName()));
    }

    void testControlsArePlacedAsDesigned()
    {
        Form1& form = load();
        QCOMPARE(form.size(), QSize(536, 548));
        QCOMPARE(form.PushButton2->geometry(), QRect(8, 32, 256, 27));
        QCOMPARE(form.Text3->geometry(), QRect(16, 20, 487, 23));
        QCOMPARE(form.Text3->parentWidget(), form.Frame7);
        QCOMPARE(form.Check8->geometry(), QRect(294, 20, 155, 19));
        QVERIFY(form.ListView2->isHidden());
        QCOMPARE(form.ListView1->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral(" Video File(s)"));
        QCOMPARE(form.ListView5->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Video Folder(s)"));
        QCOMPARE(form.ListView5->model()->columnCount(), 2);
        QCOMPARE(form.ListView1->columnWidth(0), 467);
        QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("PushButton21"))->text(),
                 QStringLiteral("Add All Subfolders In Folder"));
        QCOMPARE(form.findChild<QTimer*>(QStringLiteral("Timer4"))->interval(), 1000);
    }

    void testSavedStateOnStartsTheCountdown()
    {
        write(Setting::StartStopState, QStringLiteral("On"));
        write(Setting::Text3, QStringLiteral("2"));
        Form1& form = load();

        QCOMPARE(form.PushButton2->text(), QStringLiteral("Turn Off Screensaver"));
        QVERIFY(form.Timer4->isActive());
        QVERIFY(form.keyPreview());
        QVERIFY(form.countdown().ScreensaverOn);
        QCOMPARE(form.countdown().CountdownSeconds, 120);
        tick(1);
        QCOMPARE(form.Label1->text(), QStringLiteral("There will be 1:59 minutes until screensaver starts"));
    }

    void testUnknownSavedStateLeavesTheScreensaverOff()
    {
        write(Setting::StartStopState, QStringLiteral("on"));
        Form1& form = load();
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Turn On Screensaver"));
        QVERIFY(!form.Timer4->isActive());
        QVERIFY(!form.countdown().ScreensaverOn);
    }

    void testRestoredOptionsAreWrittenBack()
    {
        write(Setting::Text3, QStringLiteral("5"));
        write(Setting::Check2, QStringLiteral("1"));
        write(Setting::Option4, QStringLiteral("0"));
        write(Setting::Option5, QStringLiteral("-1"));
        write(Setting::Minimized, QStringLiteral("On"));
        write(Setting::WindowsStartup, QStringLiteral("on"));
        Form1& form = load();

        QCOMPARE(form.Text3->text(), QStringLiteral("5"));
        QVERIFY(form.Check2->isChecked());
        QVERIFY(!form.Option4->isChecked());
        QVERIFY(form.Option5->isChecked());
        QVERIFY(form.Check8->isChecked());
        QVERIFY(!form.Check3->isChecked());
        QVERIFY(form.windowState() & Qt::WindowMinimized);
        // Selecting "Play in order" ran its handler, which stores both options as Boolean text.
        QCOMPARE(read(Setting::Option4), QStringLiteral("False"));
        QCOMPARE(read(Setting::Option5), QStringLiteral("True"));
        QCOMPARE(read(Setting::Check2), QStringLiteral("1"));
        QCOMPARE(read(Setting::Minimized), QStringLiteral("On"));
        QCOMPARE(read(Setting::WindowsStartup), QStringLiteral("on"));
    }

    void testBothOptionsClearedStayCleared()
    {
        write(Setting::Option4, QStringLiteral("False"));
        write(Setting::Option5, QStringLiteral("False"));
        Form1& form = load();
        QVERIFY(!form.Option4->isChecked());
        QVERIFY(!form.Option5->isChecked());
        QVERIFY(m_env->reports().isEmpty());
    }

    void testUnconvertibleValuesAreReportedAndSkipped()
    {
        write(Setting::Check2, QStringLiteral("maybe"));
        write(Setting::Option4, QStringLiteral("perhaps"));
        write(Setting::StartStopState, QStringLiteral("On"));
        Form1& form = load();

        QCOMPARE(m_env->reports(),
                 QStringList({QStringLiteral("Lumaveil2021/08/31.Form1.Form_Load@116: Type mismatch"),
                              QStringLiteral("Lumaveil2021/08/31.Form1.Form_Load@126: Type mismatch")}));
        QVERIFY(!form.Check2->isChecked());
        QVERIFY(form.Option4->isChecked());
        // The load went on to its later steps.
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Turn Off Screensaver"));
        QVERIFY(form.Timer4->isActive());
    }

    void testOnOffButton()
    {
        Form1& form = load();
        form.PushButton2->click();
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Turn Off Screensaver"));
        QCOMPARE(read(Setting::StartStopState), QStringLiteral("On"));
        QVERIFY(form.Timer4->isActive());
        tick(3);
        QCOMPARE(form.Label1->text(), QStringLiteral("There will be 0:57 minutes until screensaver starts"));

        form.PushButton2->click();
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Turn On Screensaver"));
        QCOMPARE(read(Setting::StartStopState), QStringLiteral("Off"));
        QVERIFY(!form.Timer4->isActive());
        QVERIFY(!form.keyPreview());
        QCOMPARE(form.Label1->text(), QStringLiteral("Screensaver is not counting down"));
        QCOMPARE(form.countdown().ElapsedSeconds, 0);
    }

    void testCountdownRunsOutIntoAnEmptyList()
    {
        write(Setting::StartStopState, QStringLiteral("On"));
        Form1& form = load();
        // The first walk of the lists is done before anything plays.
        QTRY_VERIFY(!form.library().isBusy());
        tick(59);
        QCOMPARE(form.Label1->text(), QStringLiteral("There will be 0:01 minutes until screensaver starts"));
        QVERIFY(m_env->dialogs.messages.isEmpty());
        tick(1);
        QCOMPARE(form.Label1->text(), QStringLiteral("Screensaver is turned on"));
        QVERIFY(!form.Timer4->isActive());
        QCOMPARE(m_env->dialogs.messages.size(), 1);
        QCOMPARE(m_env->dialogs.messages[0].text, QStringLiteral("No files added."));
        QCOMPARE(m_env->dialogs.messages[0].caption, QString());
        QCOMPARE(m_env->dialogs.messages[0].icon, Dialogs::Icon::None);

        // Input on the window starts the next count.
        QTest::mouseClick(&form, Qt::LeftButton, {}, bareSurface());
        QVERIFY(form.Timer4->isActive());
        QCOMPARE(form.Label1->text(), QStringLiteral("Screensaver is not counting down"));
    }

    void testTestButtonWithAnEmptyList()
    {
        Form1& form = load();
        // The first walk of the lists is done before anything plays.
        QTRY_VERIFY(!form.library().isBusy());
        form.PushButton8->click();
        QCOMPARE(m_env->dialogs.texts(), QStringList({QStringLiteral("No files added.")}));
        QVERIFY(!form.Timer4->isActive());
    }

    // Stored minutes that are no length: the countdown never runs out at once, which would bring a showing after
    // every second.
    void testStoredMinutesThatAreNoLength_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QStringList>("reports");
        const QStringList none;
        QTest::newRow("text") << "abc"
                              << "abc" << 60
                              << QStringList{QStringLiteral("Lumaveil2021/08/31.Form1.StartTimer@102: Type mismatch")};
        QTest::newRow("zero") << "0"
                              << "1" << 60 << none;
        QTest::newRow("below zero") << "-3"
                                    << "1" << 60 << none;
        QTest::newRow("less than a second") << "0.001"
                                            << "1" << 60 << none;
        QTest::newRow("a fraction") << "0.05"
                                    << "0.05" << 3 << none;
    }

    void testStoredMinutesThatAreNoLength()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(int, seconds);
        QFETCH(QStringList, reports);
        write(Setting::Text3, stored);
        write(Setting::StartStopState, QStringLiteral("On"));
        Form1& form = load();
        QTRY_VERIFY(!form.library().isBusy());

        QCOMPARE(form.Text3->text(), shown);
        QCOMPARE(form.countdown().CountdownSeconds, seconds);
        QCOMPARE(m_env->reports(), reports);
        tick(1);
        QVERIFY(form.Timer4->isActive());
        QVERIFY(!m_env->dialogs.texts().contains(QStringLiteral("No files added.")));
    }

    void testPreviousLengthIsKeptWhenTheMinutesBecomeText()
    {
        Form1& form = load();
        form.PushButton2->click();
        QCOMPARE(form.countdown().CountdownSeconds, 60);
        form.PushButton2->click();
        form.Text3->setText(QStringLiteral("soon"));
        form.PushButton2->click();
        QCOMPARE(form.countdown().CountdownSeconds, 60);
        QCOMPARE(m_env->reports().size(), 1);
        // So do minutes of no time.
        form.PushButton2->click();
        form.Text3->setText(QStringLiteral("0"));
        form.PushButton2->click();
        QCOMPARE(form.countdown().CountdownSeconds, 60);
        QCOMPARE(m_env->reports().size(), 2);
    }

    void testClicksOnTheBareSurfaceReset()
    {
        Form1& form = load();
        form.PushButton2->click();
        tick(10);
        QTest::mouseClick(form.Label1, Qt::LeftButton);
        QTest::mouseClick(form.Frame9, Qt::RightButton, {}, QPoint(100, 5));
        QCOMPARE(form.countdown().ElapsedSeconds, 10);

        QTest::mouseClick(&form, Qt::RightButton, {}, bareSurface());
        QCOMPARE(form.countdown().ElapsedSeconds, 0);
        QVERIFY(form.Timer4->isActive());
    }

    void testOnlyADiagonalMoveResets()
    {
        Form1& form = load();
        form.PushButton2->click();
        moveMouse({3, 100});
        tick(5);

        moveMouse({3, 120});
        moveMouse({5, 120});
        QCOMPARE(form.countdown().ElapsedSeconds, 5);

        moveMouse({6, 130});
        QCOMPARE(form.countdown().ElapsedSeconds, 0);
    }

    void testKeysResetAndAreSwallowedWhileCounting()
    {
        Form1& form = load();
        form.show();
        QTest::keyClicks(form.Text3, QStringLiteral("5"));
        QCOMPARE(form.Text3->text(), QStringLiteral("15"));
        QCOMPARE(read(Setting::Text3), QStringLiteral("15"));

        form.Text3->setText(QStringLiteral("1"));
        form.PushButton2->click();
        tick(4);
        QTest::keyClick(form.Text3, Qt::Key_Tab);
        QCOMPARE(form.countdown().ElapsedSeconds, 4);
        QTest::keyClicks(form.Text3, QStringLiteral("99"));
        QCOMPARE(form.Text3->text(), QStringLiteral("1"));
        QCOMPARE(form.countdown().ElapsedSeconds, 0);
        QVERIFY(form.Timer4->isActive());
    }

    void testCloseSavesBothListsAndEnds()
    {
        write(Setting::Videos, QStringLiteral("/v/a.mkv;;/v/b.avi"));
        write(Setting::Listview5, QStringLiteral("  ;/films/"));
        Form1& form = load();
        QSignalSpy unloaded(&form, &Form1::unloaded);

        QTRY_COMPARE(form.library().playable().paths(),
                     QStringList({QStringLiteral("/v/a.mkv"), QStringLiteral("/v/b.avi")}));
        form.close();

        QCOMPARE(read(Setting::Videos), QStringLiteral("/v/a.mkv;/v/b.avi"));
        QCOMPARE(read(Setting::Listview5), QStringLiteral("/films/"));
        QVERIFY(!form.cSysTray1->InTray());
        QCOMPARE(unloaded.size(), 1);
        form.close();
        QCOMPARE(unloaded.size(), 1);
    }

    void testListChangesReachTheStoreAtOnce()
    {
        Form1& form = load();
        form.library().files().append(QStringLiteral("/v/new.mkv"));
        form.library().folders().append(QStringLiteral("/films/"));
        QTRY_COMPARE(read(Setting::Videos), QStringLiteral("/v/new.mkv"));
        QCOMPARE(read(Setting::Listview5), QStringLiteral("/films/"));
    }

    void testBusyPointerWhileFoldersAreWalked()
    {
        Form1& form = load();
        QTRY_COMPARE(form.MousePointer(), int(Form1::vbDefault));
        QSemaphore gate;
        form.library().walkInBackground(
            [&gate](const FolderScanner::StopFlag*) {
                gate.acquire();
                return QStringList();
            },
            [](const QStringList&) {});
        QCOMPARE(form.MousePointer(), int(Form1::vbHourglass));
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        gate.release();
        QTRY_COMPARE(form.MousePointer(), int(Form1::vbDefault));
    }

    // Right after the start, the first walk of the lists may still run: a showing asked for then waits for it,
    // and only a list that turns out empty is "No files added.".
    void testShowingWaitsForTheWalk()
    {
        write(Setting::Videos, QStringLiteral("/v/a.mkv"));
        Form1& form = load();
        QVERIFY(form.library().isBusy());
        form.PushButton8->click();
        QCOMPARE(form.MousePointer(), int(Form1::vbHourglass));
        QVERIFY(m_env->dialogs.texts().isEmpty());
        QTRY_VERIFY(form.playbackWindow());
        QCOMPARE(m_env->player()->URL(), QStringLiteral("/v/a.mkv"));
        QVERIFY(m_env->dialogs.texts().isEmpty());
    }

    void testEmptyWalkResultIsNoFilesAdded()
    {
        QVERIFY(QDir().mkpath(m_env->path(QStringLiteral("empty"))));
        write(Setting::Listview5, m_env->path(QStringLiteral("empty/")));
        Form1& form = load();
        QVERIFY(form.library().isBusy());
        form.PushButton8->click();
        QVERIFY(m_env->dialogs.texts().isEmpty());
        QTRY_COMPARE(m_env->dialogs.texts(), QStringList({QStringLiteral("No files added.")}));
        QVERIFY(!form.playbackWindow());
    }

    void testCountdownRunsOutIntoAShowing()
    {
        write(Setting::Videos, QStringLiteral("/v/a.mkv;/v/b.mkv"));
        write(Setting::StartStopState, QStringLiteral("On"));
        write(Setting::Option5, QStringLiteral("True"));
        write(Setting::Option4, QStringLiteral("False"));
        Form1& form = load();
        QTRY_COMPARE(form.library().playable().size(), 2);
        tick(60);
        QVERIFY(form.playbackWindow());
        QVERIFY(form.playbackWindow()->isVisible());
        QCOMPARE(m_env->players.size(), 1);
        QCOMPARE(m_env->player()->URL(), QStringLiteral("/v/a.mkv"));
        QTRY_COMPARE(m_env->player()->playState(), int(VideoPlayer::Playing));
        // The options window was made to be read, but stays hidden.
        QVERIFY(form.hasForm4());
        QVERIFY(!form.form4().isVisible());

        m_env->player()->finish();
        QTRY_COMPARE(m_env->player()->URL(), QStringLiteral("/v/b.mkv"));

        // A key on the playback window ends the showing: window and player go, and the count starts again.
        QTest::keyClick(form.playbackWindow(), Qt::Key_Escape);
        QTRY_VERIFY(!form.playbackWindow());
        QTRY_VERIFY(m_env->players.last().isNull());
        QVERIFY(!form.showing());
        QVERIFY(form.Timer4->isActive());
        QCOMPARE(form.Label1->text(), QStringLiteral("Screensaver is not counting down"));
    }

    void testTestShowingRestartsWhenTheCountRunsOut()
    {
        write(Setting::Videos, QStringLiteral("/v/a.mkv;/v/b.mkv"));
        write(Setting::Option5, QStringLiteral("True"));
        write(Setting::Option4, QStringLiteral("False"));
        Form1& form = load();
        QTRY_COMPARE(form.library().playable().size(), 2);
        form.PushButton8->click();
        QTRY_COMPARE(m_env->player()->playState(), int(VideoPlayer::Playing));
        m_env->player()->finish();
        QTRY_COMPARE(m_env->player()->URL(), QStringLiteral("/v/b.mkv"));
        // The test changes nothing of the countdown.
        QVERIFY(!form.Timer4->isActive());

        form.PlayVideo();
        QCOMPARE(m_env->players.size(), 1);
        QCOMPARE(m_env->player()->URL(), QStringLiteral("/v/a.mkv"));
        emit m_env->player()->keyPressed(Qt::Key_A);
        QTRY_VERIFY(!form.playbackWindow());
    }

    void testPlayLengthCheckRunsWhileALimitedVideoPlays()
    {
        write(Setting::Videos, QStringLiteral("/v/a.mkv"));
        write(Setting::Check4, QStringLiteral("1"));
        write(Setting::SlideshowInterval, QStringLiteral("5"));
        Form1& form = load();
        QTRY_COMPARE(form.library().playable().size(), 1);
        form.PushButton8->click();
        // From when the video plays.
        QPointer<QTimer> check = form.findChild<QTimer*>(QStringLiteral("Timer2"));
        QVERIFY(check);
        QTRY_VERIFY(check->isActive());
        m_env->player()->advanceTo(5.2);
        QTRY_VERIFY(m_env->player()->stops > 0);
        form.close();
        QVERIFY(!check || !check->isActive());
        // The showing ends with the program.
        QCOMPARE(m_env->player()->closes, 1);
        QVERIFY(!form.playbackWindow() || !form.playbackWindow()->isVisible());
    }

    void testOptionsButtonShowsTheOptionsWindow()
    {
        Form1& form = load();
        QVERIFY(!form.hasForm4());
        form.PushButton7->click();
        QVERIFY(form.hasForm4());
        QVERIFY(form.form4().isVisible());
        form.PushButton7->click();
        QVERIFY(form.form4().isVisible());
    }

    void testSkinFileGivesTheButtonFace()
    {
        QDir().mkpath(m_env->path(QStringLiteral("program/x")));
        QFile skin(m_env->path(QStringLiteral("program/x/o.cjs")));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.close();
        Form1& form = load();

        const QColor buttonFace = QApplication::palette().color(QPalette::Button);
        QCOMPARE(form.palette().color(QPalette::Window), buttonFace);
        QCOMPARE(form.Frame7->palette().color(QPalette::Window), buttonFace);
        QCOMPARE(form.Check2->palette().color(QPalette::Window), buttonFace);
        QCOMPARE(form.Label1->palette().color(QPalette::Window), QColor(Qt::white));
    }

    void testWithoutSkinTheWindowStaysWhite()
    {
        Form1& form = load();
        QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
    }

    void testTabOrderFollowsTheDesign()
    {
        Form1& form = load();
        const QList<QWidget*> expected{form.ListView1,
                                       form.PushButton8,
                                       form.PushButton1,
                                       form.PushButton4,
                                       form.PushButton2,
                                       form.PushButton3,
                                       form.PushButton5,
                                       form.PushButton6,
                                       form.PushButton15,
                                       form.PushButton21,
                                       form.ListView5,
                                       form.Text3,
                                       form.Option4,
                                       form.Option5,
                                       form.Check2,
                                       form.Check3,
                                       form.Check8,
                                       form.PushButton7};
        QList<QWidget*> chain;
        QWidget* widget = form.ListView1;
        do {
            if (expected.contains(widget)) {
                chain.append(widget);
            }
            widget = widget->nextInFocusChain();
        } while (widget != form.ListView1);
        QCOMPARE(chain, expected);
    }

    void testLayoutInPixelsFromTwips()
    {
        Form1& form = load();
        // Fifteen twips to the pixel; frames hold their controls at positions of their own.
        const QList<std::pair<QWidget*, QRect>> placed{
            {form.Label1, {8, 8, 520, 17}},
            {form.PushButton8, {272, 32, 256, 27}},
            {form.PushButton7, {8, 66, 256, 27}},
            {form.ListView1, {8, 100, 520, 89}},
            {form.PushButton5, {272, 229, 256, 27}},
            {form.ListView5, {8, 263, 520, 89}},
            {form.PushButton21, {272, 358, 256, 27}},
            {form.Frame7, {8, 387, 520, 53}},
            {form.Frame9, {8, 443, 256, 47}},
            {form.Option5, {136, 20, 113, 17}},
            {form.Frame6, {272, 443, 256, 47}},
            {form.Check2, {16, 20, 108, 17}},
            {form.Frame4, {8, 493, 520, 48}},
            {form.Check3, {16, 20, 262, 19}},
        };
        for (const auto& [control, rect] : placed) {
            QCOMPARE(control->geometry(), rect);
        }
        QCOMPARE(form.PushButton1->font().family(), QStringLiteral("Arial"));
        QVERIFY(form.PushButton1->font().bold());
        QCOMPARE(form.PushButton1->font().pointSizeF(), 11.25);
        QCOMPARE(form.Check3->font().pointSizeF(), 9.0);
        QCOMPARE(form.Frame4->title(), QStringLiteral("Startup Option"));
        QCOMPARE(form.Check3->text(), QStringLiteral("Load this software on Windows startup"));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    }

    void testOptionControlsWriteTheirKeysAtOnce()
    {
        Form1& form = load();
        form.Text3->clear();
        QTest::keyClicks(form.Text3, QStringLiteral("12"));
        QCOMPARE(read(Setting::Text3), QStringLiteral("12"));
        form.Text3->clear();
        QCOMPARE(read(Setting::Text3), QString());

        form.Check2->click();
        QCOMPARE(read(Setting::Check2), QStringLiteral("1"));
        form.Check2->click();
        QCOMPARE(read(Setting::Check2), QStringLiteral("0"));

        form.Check8->click();
        QCOMPARE(read(Setting::Minimized), QStringLiteral("On"));
        form.Check8->click();
        QCOMPARE(read(Setting::Minimized), QStringLiteral("Off"));

        form.Option5->click();
        QCOMPARE(read(Setting::Option4), QStringLiteral("False"));
        QCOMPARE(read(Setting::Option5), QStringLiteral("True"));
        form.Option4->click();
        QCOMPARE(read(Setting::Option4), QStringLiteral("True"));
        QCOMPARE(read(Setting::Option5), QStringLiteral("False"));
    }

    void testMinutesMustBeANumberWhenLeft()
    {
        Form1& form = load();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.Text3->setFocus();
        form.Text3->clear();
        QTest::keyClicks(form.Text3, QStringLiteral("ab"));
        QCOMPARE(read(Setting::Text3), QStringLiteral("ab"));
        QTest::keyClick(form.Text3, Qt::Key_Tab);
        QCOMPARE(m_env->dialogs.texts(), QStringList({QStringLiteral("Must be a numeric entry.")}));
        QTRY_VERIFY(form.Text3->hasFocus());
        QCOMPARE(read(Setting::Text3), QStringLiteral("ab"));

        // An empty box is no number either, nor is a wait of no time.
        for (const QString& text : {QString(), QStringLiteral("0"), QStringLiteral("-3")}) {
            form.Text3->setText(text);
            QTest::keyClick(form.Text3, Qt::Key_Tab);
            QCOMPARE(m_env->dialogs.texts().last(), QStringLiteral("Must be a numeric entry."));
            QTRY_VERIFY(form.Text3->hasFocus());
        }
        QCOMPARE(m_env->dialogs.texts().size(), 4);
        form.Text3->clear();

        QTest::keyClicks(form.Text3, QStringLiteral("3"));
        QTest::keyClick(form.Text3, Qt::Key_Tab);
        QCOMPARE(m_env->dialogs.texts().size(), 4);
        QVERIFY(!form.Text3->hasFocus());
    }

    void testRunAtLogonIgnoredWhileStarting()
    {
        write(Setting::WindowsStartup, QStringLiteral("On"));
        write(Setting::Minimized, QStringLiteral("Off"));
        Form1& form = load();
        // Restoring the tick is no click: nothing is written and no entry is made.
        QVERIFY(form.Check3->isChecked());
        QVERIFY(!QFile::exists(autostartEntryPath()));

        form.StartupGuard = true;
        form.Check3->click();
        QVERIFY(!form.Check3->isChecked());
        QVERIFY(form.Check8->isVisibleTo(&form));
        QCOMPARE(read(Setting::WindowsStartup), QStringLiteral("On"));
    }

    void testRunAtLogonTickedAndCleared()
    {
        Form1& form = load();
        QVERIFY(form.Check8->isVisibleTo(&form));

        form.Check3->click();
        QCOMPARE(read(Setting::WindowsStartup), QStringLiteral("On"));
        QVERIFY(QFile::exists(autostartEntryPath()));
        QCOMPARE(autostartEntryPath(), m_env->path(QStringLiteral("config/autostart/lumaveil.desktop")));

        form.Check8->click();
        QCOMPARE(read(Setting::Minimized), QStringLiteral("On"));
        form.Check3->click();
        QVERIFY(!form.Check8->isChecked());
        QVERIFY(!form.Check8->isVisibleTo(&form));
        QCOMPARE(read(Setting::Minimized), QStringLiteral("Off"));
        QCOMPARE(read(Setting::WindowsStartup), QStringLiteral("Off"));
        QVERIFY(!QFile::exists(autostartEntryPath()));

        // Ticked again, "Start in system tray" comes back.
        form.Check3->click();
        QVERIFY(form.Check8->isVisibleTo(&form));
        QVERIFY(!form.Check8->isChecked());
        QVERIFY(m_env->dialogs.messages.isEmpty());
    }

    void testRunAtLogonThatCannotBeWrittenIsSaid()
    {
        Form1& form = load();
        QVERIFY(QDir().mkpath(m_env->path(QStringLiteral("config"))));
        QFile blocker(m_env->path(QStringLiteral("config/autostart")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        form.Check3->click();
        QCOMPARE(m_env->dialogs.messages.size(), 1);
        QVERIFY(
            m_env->dialogs.messages.first().text.startsWith(QStringLiteral("Lumaveil cannot be started at logon.")));
        QVERIFY(!form.Check3->isChecked());
        QCOMPARE(read(Setting::WindowsStartup), QStringLiteral("Off"));
    }

    void testMinimiseGoesToTheTrayWithTheBalloonOnce()
    {
        Form1& form = load(true);
        form.show();
        form.setWindowState(Qt::WindowMinimized);
        QVERIFY(form.isHidden());
        QVERIFY(!(form.windowState() & Qt::WindowMinimized));
        QVERIFY(form.MinimizedToTray);
        QVERIFY(form.cSysTray1->balloonShown());
        QCOMPARE(form.cSysTray1->showOnceCount(), 1);

        // A click on the icon brings the window back, in its normal state.
        form.cSysTray1->handleActivation(QSystemTrayIcon::Trigger);
        QVERIFY(form.isVisible());
        QVERIFY(!form.MinimizedToTray);
        QVERIFY(!(form.windowState() & Qt::WindowMinimized));

        // The second minimise hides the window again, without a balloon.
        form.setWindowState(Qt::WindowMinimized);
        QVERIFY(form.isHidden());
        QCOMPARE(form.cSysTray1->showOnceCount(), 1);
        // A right click brings it back too, also when it is visible already.
        form.cSysTray1->handleActivation(QSystemTrayIcon::Context);
        QVERIFY(form.isVisible());
        form.cSysTray1->handleActivation(QSystemTrayIcon::Context);
        QVERIFY(form.isVisible());
        QVERIFY(!form.MinimizedToTray);
    }

    void testStartInTheTray()
    {
        write(Setting::Minimized, QStringLiteral("On"));
        Form1& form = load(true);
        QVERIFY(form.MinimizedToTray);
        QVERIFY(form.isHidden());
        QVERIFY(form.cSysTray1->InTray());
        QVERIFY(form.cSysTray1->balloonShown());
    }

    void testMinimiseWithoutATrayStaysOnTheTaskbar()
    {
        Form1& form = load(false);
        form.show();
        form.setWindowState(Qt::WindowMinimized);
        QVERIFY(form.isVisible());
        QVERIFY(form.windowState() & Qt::WindowMinimized);
        QVERIFY(!form.MinimizedToTray);
        QVERIFY(!form.cSysTray1->balloonShown());
    }

    void testPointerFollowsTheControls()
    {
        Form1& form = load();
        QTRY_COMPARE(form.MousePointer(), int(Form1::vbDefault));
        moveOver(form.PushButton4);
        QCOMPARE(form.MousePointer(), int(Form1::vbCustom));
        QCOMPARE(form.cursor().shape(), Qt::PointingHandCursor);
        moveOver(form.Frame6);
        QCOMPARE(form.MousePointer(), int(Form1::vbDefault));
        moveOver(form.PushButton7);
        moveOver(form.Check8);
        QCOMPARE(form.MousePointer(), int(Form1::vbDefault));
        moveOver(form.PushButton7);
        moveMouse(bareSurface());
        QCOMPARE(form.MousePointer(), int(Form1::vbDefault));

        // The busy pointer stays whatever the mouse passes over.
        form.setMousePointer(Form1::vbHourglass);
        moveOver(form.PushButton4);
        moveOver(form.Frame7);
        moveMouse(bareSurface());
        QCOMPARE(form.MousePointer(), int(Form1::vbHourglass));
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
    }

    void testKeysReachTheControlsWhileNotCounting()
    {
        Form1& form = load();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.PushButton2->setFocus();
        QTest::keyClick(form.PushButton2, Qt::Key_Space);
        QVERIFY(form.countdown().ScreensaverOn);
        // Now counting: the same key is input to the countdown, not a click.
        QTest::keyClick(form.PushButton2, Qt::Key_Space);
        QVERIFY(form.countdown().ScreensaverOn);
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Turn Off Screensaver"));
    }

    void testTrayMenuCarriesTheMainCommands()
    {
        Form1& form = load(true);
        // The first walk of the lists is done before anything plays.
        QTRY_VERIFY(!form.library().isBusy());
        QAction* turnOn = trayAction(QStringLiteral("Turn On Screensaver"));
        QVERIFY(turnOn);
        turnOn->trigger();
        QVERIFY(form.countdown().ScreensaverOn);
        QCOMPARE(read(Setting::StartStopState), QStringLiteral("On"));
        QVERIFY(trayAction(QStringLiteral("Turn Off Screensaver")));

        trayAction(QStringLiteral("Test Screensaver Now"))->trigger();
        QCOMPARE(m_env->dialogs.texts(), QStringList({QStringLiteral("No files added.")}));

        form.setWindowState(Qt::WindowMinimized);
        QVERIFY(form.MinimizedToTray);
        trayAction(QStringLiteral("Show Lumaveil"))->trigger();
        QVERIFY(form.isVisible());
        QVERIFY(!form.MinimizedToTray);

        // Quitting is a close request: the lists are saved and the program ends.
        form.library().files().setPaths({m_env->path(QStringLiteral("a.mp4"))});
        QSignalSpy unloaded(&form, &Form1::unloaded);
        trayAction(QStringLiteral("Quit"))->trigger();
        QCOMPARE(unloaded.size(), 1);
        QCOMPARE(read(Setting::Videos), m_env->path(QStringLiteral("a.mp4")));
        QVERIFY(!form.cSysTray1->InTray());
    }

    // Quit while a dialog runs its own loop over a window of the program: the dialog is ended, and nothing that
    // its loop still uses is deleted under it.
    void testQuitWhileADialogIsOpen()
    {
        write(Setting::Videos, QStringLiteral("/v/a.mkv"));
        Form1& form = load();
        QTRY_COMPARE(form.library().playable().size(), 1);
        form.PlayVideo();
        QPointer<Form2> showing = form.playbackWindow();
        QVERIFY(showing);
        QSignalSpy unloaded(&form, &Form1::unloaded);
        QDialog prompt(showing);
        QTimer::singleShot(0, &form, [this] { trayAction(QStringLiteral("Quit"))->trigger(); });
        prompt.exec();
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(!prompt.isVisible());
        QVERIFY(showing);
        QVERIFY(!showing->isVisible());
        QCOMPARE(m_env->player()->closes, 1);
    }
};

QTEST_MAIN(TestForm1)
#include "TestForm1.moc"
