// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"
#include "engine/Form2.h"
#include "fakes/TestEnvironment.h"
#include "library/LibraryListView.h"
#include "options/Form4.h"
#include "shell/cSysTray.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

    Form1& load()
    {
        m_form = std::make_unique<Form1>(m_env->services());
        m_form->Form_Load();
        return *m_form;
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
        QVERIFY(form.sequencer().StopRequested());
        QCOMPARE(form.countdown().ElapsedSeconds, 0);
    }

    void testCountdownRunsOutIntoAnEmptyList()
    {
        write(Setting::StartStopState, QStringLiteral("On"));
        Form1& form = load();
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
        form.PushButton8->click();
        QCOMPARE(m_env->dialogs.texts(), QStringList({QStringLiteral("No files added.")}));
        QVERIFY(!form.Timer4->isActive());
    }

    void testMinutesThatAreNoNumber()
    {
        write(Setting::Text3, QStringLiteral("abc"));
        write(Setting::StartStopState, QStringLiteral("On"));
        Form1& form = load();

        QCOMPARE(m_env->reports(),
                 QStringList({QStringLiteral("Lumaveil2021/08/31.Form1.StartTimer@102: Type mismatch")}));
        QVERIFY(form.Timer4->isActive());
        QCOMPARE(form.countdown().CountdownSeconds, 0);
        // With the previous length of 0 the showing comes on the first tick.
        tick(1);
        QCOMPARE(form.Label1->text(), QStringLiteral("Screensaver is turned on"));
        QVERIFY(m_env->dialogs.texts().contains(QStringLiteral("No files added.")));
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
        QVERIFY(form.sequencer().StopRequested());
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
        QVERIFY(form.sequencer().StopRequested());
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
        QVERIFY(form.Timer2->isActive());
        m_env->player()->advanceTo(5.2);
        QTRY_VERIFY(m_env->player()->stops > 0);
        form.close();
        QVERIFY(!form.Timer2->isActive());
        QTRY_VERIFY(m_env->players.last().isNull());
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
};

QTEST_MAIN(TestForm1)
#include "TestForm1.moc"
