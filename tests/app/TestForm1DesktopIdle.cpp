// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"
#include "fakes/FakeDesktopSources.h"
#include "fakes/TestEnvironment.h"
#include "options/Form4.h"
#include "shell/cSysTray.h"
#include "showing/Form2.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

/**
 * The main window's countdown when it counts the whole desktop's inactivity: what the desktop's stand-ins tell
 * decides each second, and with the option off nothing is asked.
 */
class TestForm1DesktopIdle : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Form1> m_form;
    FakeDesktop m_desktop;
    qint64 m_now = 0;

    void write(Setting setting, const QString& text)
    {
        m_env->settings->WriteSetting(setting, text);
    }

    // A countdown of six seconds with the example list, on and counting, the main window on the screen; the desktop
    // idle for an hour.
    Form1& load(bool desktopIdle = true, std::optional<qint64> idle = 3600000)
    {
        write(Setting::Videos, QStringLiteral("/v/a.mkv;/v/b.mkv"));
        write(Setting::Text3, QStringLiteral("0.1"));
        write(Setting::StartStopState, QStringLiteral("On"));
        write(Setting::DesktopIdle, desktopIdle ? QStringLiteral("1") : QStringLiteral("0"));
        m_form = std::make_unique<Form1>(m_env->services());
        m_form->cSysTray1->setAvailabilityCheck([] { return false; });
        m_form->desktopIdle().setSources(m_desktop.sources(idle));
        m_form->desktopIdle().setClock([this] { return m_now; });
        m_form->Form_Load();
        m_form->show();
        // The timer is driven by hand below.
        m_form->Timer4->setInterval(3600000);
        m_form->Timer4->start();
        return *m_form;
    }

    void tick(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_form->Timer4_Timer();
        }
    }

    QString label() const
    {
        return m_form->Label1->text();
    }

    static QString left(int seconds)
    {
        return QStringLiteral("There will be 0:%1 minutes until screensaver starts")
            .arg(seconds, 2, 10, QLatin1Char('0'));
    }

    bool showing() const
    {
        return m_form->playbackWindow() != nullptr;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_now = 0;
    }

    void cleanup()
    {
        m_form.reset();
        m_env.reset();
    }

    // With the option off (as it is at first) the desktop is never asked, and the count is the main window's alone.
    void testOptionOffAsksNothing()
    {
        Form1& form = load(false, 0);
        QTRY_COMPARE(form.library().playable().size(), 2);
        tick(5);
        QCOMPARE(label(), left(1));
        QCOMPARE(m_desktop.asks(), 0);
        tick(1);
        QVERIFY(showing());
        QCOMPARE(m_desktop.asks(), 0);
    }

    // Nothing is asked while the screensaver is off, on its own one-second timer; it is asked once a second while it
    // counts, and no more once it is off again.
    void testAskedOnlyWhileCounting()
    {
        write(Setting::DesktopIdle, QStringLiteral("1"));
        write(Setting::Text3, QStringLiteral("10"));
        m_form = std::make_unique<Form1>(m_env->services());
        m_form->cSysTray1->setAvailabilityCheck([] { return false; });
        m_form->desktopIdle().setSources(m_desktop.sources());
        m_form->Form_Load();
        m_form->show();
        QTest::qWait(1500);
        QCOMPARE(m_desktop.asks(), 0);

        m_form->PushButton2->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_desktop.second->asks >= 2, 5000);
        QVERIFY(m_desktop.second->asks <= 3);
        m_form->PushButton2->click();
        const int asked = m_desktop.asks();
        QTest::qWait(1500);
        QCOMPARE(m_desktop.asks(), asked);
    }

    // Input anywhere on the desktop brings the count back; with none, the showing starts after the full time and no
    // earlier, however long the desktop was idle before the count began.
    void testInputAnywhereResetsTheCount()
    {
        Form1& form = load();
        QTRY_COMPARE(form.library().playable().size(), 2);
        tick(3);
        QCOMPARE(label(), left(3));
        m_desktop.second->answer.milliseconds = 700;
        tick(1);
        QCOMPARE(label(), left(6));
        m_desktop.second->answer.milliseconds = 2400;
        tick(1);
        QCOMPARE(label(), left(5));
        m_desktop.second->answer.milliseconds = 3600000;
        tick(4);
        QCOMPARE(label(), left(1));
        QVERIFY(!showing());
        tick(1);
        QCOMPARE(label(), QStringLiteral("Screensaver is turned on"));
        QVERIFY(showing());
        QCOMPARE(form.desktopIdle().sourceName(), QStringLiteral("second"));
    }

    // While the main window is out of sight, the idle time is asked only where the count would end without it: the
    // count goes on as if no input came, and input found then sets it back. The inhibitions are asked every second.
    void testHiddenWindowAsksTheIdleTimeOnlyNearTheEnd()
    {
        Form1& form = load();
        QTRY_COMPARE(form.library().playable().size(), 2);
        form.hide();
        // The first tick finds the source.
        tick(5);
        QCOMPARE(m_desktop.second->asks, 1);
        QCOMPARE(m_desktop.inhibition->asks, 5);
        QCOMPARE(label(), QStringLiteral("Screensaver is turned on"));

        m_desktop.second->answer.milliseconds = 2400;
        tick(1);
        QCOMPARE(m_desktop.second->asks, 2);
        QVERIFY(!showing());
        QCOMPARE(label(), left(4));
        tick(2);
        QCOMPARE(m_desktop.second->asks, 2);
        QVERIFY(!showing());

        // Minimised, the window does not show the time left either.
        form.showMinimized();
        tick(1);
        QCOMPARE(m_desktop.second->asks, 2);
        QCOMPARE(label(), QStringLiteral("Screensaver is turned on"));

        // Seen again, the window shows the time left from the next second on.
        form.showNormal();
        m_desktop.second->answer.milliseconds = 4100;
        tick(1);
        QCOMPARE(m_desktop.second->asks, 3);
        QCOMPARE(label(), left(2));
        form.hide();
        m_desktop.second->answer.milliseconds = 3600000;
        tick(1);
        QCOMPARE(m_desktop.second->asks, 3);
        QVERIFY(!showing());
        tick(1);
        QCOMPARE(m_desktop.second->asks, 4);
        QVERIFY(showing());
        QCOMPARE(m_desktop.inhibition->asks, 12);
    }

    // Input to the main window resets the count as before.
    void testMainWindowInputStillResets()
    {
        Form1& form = load();
        tick(4);
        QTest::keyClick(&form, Qt::Key_A);
        QCOMPARE(label(), QStringLiteral("Screensaver is not counting down"));
        QCOMPARE(form.countdown().ElapsedSeconds, 0);
        tick(1);
        QCOMPARE(label(), left(5));
    }

    // While another program holds the idle action off, no showing starts; once it lets go, the full time passes
    // again before one does.
    void testInhibitionHoldsAndTheCountStartsAfresh()
    {
        Form1& form = load();
        QTRY_COMPARE(form.library().playable().size(), 2);
        tick(4);
        m_desktop.inhibition->answer.held = true;
        tick(30);
        QVERIFY(!showing());
        QCOMPARE(label(), left(6));
        m_desktop.inhibition->answer.held = false;
        tick(1);
        QCOMPARE(label(), left(6));
        tick(5);
        QCOMPARE(label(), left(1));
        QVERIFY(!showing());
        tick(1);
        QVERIFY(showing());
    }

    void testFullScreenWindow_data()
    {
        QTest::addColumn<QString>("respectFullScreen");
        QTest::addColumn<bool>("holds");
        QTest::newRow("respected") << "1" << true;
        QTest::newRow("not respected") << "0" << false;
        // Read as the options window reads its box: a check-box number, and where there is none, the box as designed.
        QTest::newRow("not respected, 0.0") << "0.0" << false;
        QTest::newRow("no number") << "yes" << true;
    }

    // Another program's full-screen window holds the showing back, unless the user said it should not; it is looked
    // for only where the count would end.
    void testFullScreenWindow()
    {
        QFETCH(QString, respectFullScreen);
        QFETCH(bool, holds);
        write(Setting::RespectFullScreen, respectFullScreen);
        Form1& form = load();
        QTRY_COMPARE(form.library().playable().size(), 2);
        m_desktop.fullScreen->answer.held = true;
        tick(5);
        QCOMPARE(m_desktop.fullScreen->asks, 0);
        tick(1);
        QCOMPARE(showing(), !holds);
        QCOMPARE(m_desktop.fullScreen->asks, holds ? 1 : 0);
        if (!holds) {
            return;
        }
        tick(10);
        QVERIFY(!showing());
        m_desktop.fullScreen->answer.held = false;
        tick(6);
        QVERIFY(!showing());
        QCOMPARE(label(), left(1));
        tick(1);
        QVERIFY(showing());
    }

    void testOneReadingOfTheOption_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("counts");
        QTest::newRow("1") << "1" << true;
        QTest::newRow("01") << "01" << true;
        QTest::newRow("1.0") << "1.0" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("no check-box value") << "2" << false;
        QTest::newRow("no number") << "yes" << false;
    }

    // The main window counts the whole desktop exactly where the options window shows the option ticked.
    void testOneReadingOfTheOption()
    {
        QFETCH(QString, stored);
        QFETCH(bool, counts);
        Form1& form = load();
        write(Setting::DesktopIdle, stored);
        QTRY_COMPARE(form.library().playable().size(), 2);
        m_desktop.second->answer.milliseconds = 700;
        tick(4);
        QCOMPARE(label(), counts ? left(6) : left(2));
        QCOMPARE(m_desktop.asks() > 0, counts);
        QCOMPARE(form.form4().desktopIdleCheck->isChecked(), counts);
    }

    // An answer that comes after the count stopped or restarted counts nothing.
    void testLateAnswerAfterTheCountStopped()
    {
        Form1& form = load();
        tick(3);
        m_desktop.second->deferred = true;
        tick(1);
        QCOMPARE(label(), left(3));
        QTest::keyClick(&form, Qt::Key_A);
        m_desktop.second->answerPending();
        QCOMPARE(label(), QStringLiteral("Screensaver is not counting down"));
        QCOMPARE(form.countdown().ElapsedSeconds, 0);

        tick(1);
        form.PushButton2->click();
        m_desktop.second->answerPending();
        QCOMPARE(label(), QStringLiteral("Screensaver is not counting down"));
        QVERIFY(!form.Timer4->isActive());

        // The option goes off while the desktop answers: that second is the main window's, and counts once.
        form.PushButton2->click();
        tick(1);
        write(Setting::DesktopIdle, QStringLiteral("0"));
        tick(1);
        QCOMPARE(label(), left(5));
        m_desktop.second->answerPending();
        QCOMPARE(label(), left(5));
    }

    // Where the desktop cannot tell its idle time, the count is the main window's, the desktop is left alone for a
    // while, and the options window says why the option does not work.
    void testDesktopThatCannotTell()
    {
        Form1& form = load(true, std::nullopt);
        QTRY_COMPARE(form.library().playable().size(), 2);
        m_desktop.inhibition->answer.held = true;
        tick(3);
        QCOMPARE(label(), left(3));
        QCOMPARE(form.desktopIdle().search(), DesktopIdle::Search::NoneWorks);
        QCOMPARE(m_desktop.second->asks, 1);
        tick(3);
        QVERIFY(showing());
        QCOMPARE(m_desktop.second->asks, 1);

        form.PushButton7->click();
        Form4& options = form.form4();
        QVERIFY(options.isVisible());
        QVERIFY(options.desktopIdleCheck->isChecked());
        QVERIFY(!options.desktopIdleCheck->isEnabled());
        QVERIFY2(options.desktopIdleCheck->toolTip().contains(QLatin1String("second: not here either")),
                 qPrintable(options.desktopIdleCheck->toolTip()));
    }

    // Where a source works, the options window lets the option be changed; it is asked for that alone when it opens.
    void testOptionsWindowWhereTheDesktopCanTell()
    {
        write(Setting::StartStopState, QStringLiteral("Off"));
        m_form = std::make_unique<Form1>(m_env->services());
        m_form->desktopIdle().setSources(m_desktop.sources());
        m_form->Form_Load();
        m_form->PushButton7->click();
        QVERIFY(m_form->form4().desktopIdleCheck->isEnabled());
        QVERIFY(m_form->form4().desktopIdleCheck->toolTip().isEmpty());
        QCOMPARE(m_desktop.second->asks, 1);
        QCOMPARE(m_desktop.inhibition->asks, 0);
        m_form->form4().desktopIdleCheck->click();
        QCOMPARE(m_env->settings->ReadSetting(Setting::DesktopIdle), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestForm1DesktopIdle)
#include "TestForm1DesktopIdle.moc"
