// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"
#include "desktop/SessionWatcher.h"
#include "fakes/FakeSessionServices.h"
#include "fakes/PrivateBus.h"
#include "fakes/TestEnvironment.h"
#include "options/Form4.h"
#include "showing/Form2.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

/** The main window and its showings while the session locks and the machine sleeps. */
class TestSessionLock : public QObject
{
    Q_OBJECT

public:
    enum class Source
    {
        Logind,
        ScreenSaver,
        Sleep,
    };
    Q_ENUM(Source)

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<PrivateBus> m_bus;
    std::unique_ptr<FakeSessionServices> m_services;
    std::unique_ptr<Form1> m_form;

    // The main window, with two videos and the screensaver on, once it hears the session's signals, or knows that
    // no logind answers.
    Form1& load()
    {
        m_env->settings->WriteSetting(Setting::Videos, QStringLiteral("/v/a.mkv;/v/b.mkv"));
        m_env->settings->WriteSetting(Setting::StartStopState, QStringLiteral("On"));
        Services services = m_env->services();
        services.buses = m_bus->buses();
        m_form = std::make_unique<Form1>(services);
        m_form->Form_Load();
        [&] {
            if (m_services) {
                QTRY_COMPARE(m_form->sessionWatcher().sessionPath(), FakeSessionServices::sessionPath());
            } else {
                QTRY_VERIFY(!m_form->sessionWatcher().canLock());
            }
            QTRY_COMPARE(m_form->library().playable().size(), 2);
        }();
        PrivateBus::sync(services.buses.system());
        return *m_form;
    }

    // Lets the countdown run out into a showing.
    QPointer<Form2> runShowing()
    {
        while (m_form->Timer4->isActive() && !m_form->playbackWindow()) {
            m_form->Timer4_Timer();
        }
        return m_form->playbackWindow();
    }

    void tell(Source source, bool away)
    {
        switch (source) {
        case Source::Logind:
            away ? m_services->lock() : m_services->unlock();
            break;
        case Source::ScreenSaver:
            m_services->setScreenSaverActive(away);
            break;
        case Source::Sleep:
            m_services->prepareForSleep(away);
            break;
        }
    }

    // Calls travel through the bus: a short wait shows that none came.
    static void settle()
    {
        QTest::qWait(300);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_bus = std::make_unique<PrivateBus>();
        QVERIFY2(m_bus->isRunning(), "needs dbus-daemon");
        m_services = std::make_unique<FakeSessionServices>(*m_bus);
        QVERIFY(m_services->isRegistered());
    }

    void cleanup()
    {
        m_form.reset();
        m_services.reset();
        m_bus.reset();
        m_env.reset();
    }

    void testLockOrSleepEndsTheShowingAndHoldsTheCountdown_data()
    {
        QTest::addColumn<Source>("source");
        QTest::newRow("logind locks") << Source::Logind;
        QTest::newRow("screen saver service locks") << Source::ScreenSaver;
        QTest::newRow("machine sleeps") << Source::Sleep;
    }

    // Whatever the options: no password, and no lock asked for, since nobody ended the showing. Until the session
    // is back the countdown holds and no showing starts; then it counts afresh.
    void testLockOrSleepEndsTheShowingAndHoldsTheCountdown()
    {
        QFETCH(Source, source);
        m_env->settings->WriteSetting(Setting::PasswordMouseMove, QStringLiteral("1"));
        m_env->settings->WriteSetting(Setting::LockSession, QStringLiteral("1"));
        Form1& form = load();
        QPointer<Form2> showing = runShowing();
        QVERIFY(showing);
        QSignalSpy ended(showing.data(), &Form2::showingEnded);

        tell(source, true);
        QTRY_VERIFY(showing.isNull());
        QVERIFY(m_env->players.last().isNull());
        QCOMPARE(m_env->prompter.asked, 0);
        QCOMPARE(ended.size(), 0);
        QVERIFY(!form.Timer4->isActive());
        QCOMPARE(form.Label1->text(), QStringLiteral("Screensaver is not counting down"));
        // A tick that comes all the same starts nothing.
        for (int second = 0; second < 61; ++second) {
            form.Timer4_Timer();
        }
        QVERIFY(!form.playbackWindow());
        settle();
        QVERIFY(m_services->lockCalls.isEmpty());

        tell(source, false);
        QTRY_VERIFY(form.Timer4->isActive());
        QCOMPARE(form.countdown().ElapsedSeconds, 0);
        QVERIFY(runShowing());
    }

    // "Lock Session": a showing that input ends, after the password, asks logind to lock, once; a refused password
    // asks nothing. logind's Lock signal follows, and the countdown holds until the unlock.
    void testLockSessionLocksWhenInputEndsTheShowing()
    {
        m_env->settings->WriteSetting(Setting::PasswordMouseMove, QStringLiteral("1"));
        m_env->settings->WriteSetting(Setting::LockSession, QStringLiteral("1"));
        m_env->prompter.answers = {false, true};
        Form1& form = load();
        QPointer<Form2> showing = runShowing();
        QVERIFY(showing);
        emit m_env->player()->keyPressed(Qt::Key_A);
        QVERIFY(showing);
        emit m_env->player()->clicked(1);
        QCOMPARE(m_env->prompter.asked, 2);
        QTRY_VERIFY(showing.isNull());
        QTRY_COMPARE(m_services->lockCalls, QStringList({FakeSessionServices::sessionPath()}));
        QTRY_VERIFY(!form.Timer4->isActive());
        settle();
        QCOMPARE(m_services->lockCalls.size(), 1);
        m_services->unlock();
        QTRY_VERIFY(form.Timer4->isActive());
    }

    void testNoLockWithoutLockSession_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::newRow("off") << "0";
        QTest::newRow("not stored") << QString();
    }

    void testNoLockWithoutLockSession()
    {
        QFETCH(QString, setting);
        if (!setting.isNull()) {
            m_env->settings->WriteSetting(Setting::LockSession, setting);
        }
        Form1& form = load();
        QPointer<Form2> showing = runShowing();
        QVERIFY(showing);
        emit m_env->player()->keyPressed(Qt::Key_A);
        QTRY_VERIFY(showing.isNull());
        QVERIFY(form.Timer4->isActive());
        settle();
        QVERIFY(m_services->lockCalls.isEmpty());
    }

    // Without logind the lock option cannot be changed, and says why; a showing that ends all the same, with the
    // option on from before, says once that the session was not locked.
    void testWithoutLogindTheLockFailsAndSaysSo()
    {
        m_services.reset();
        m_env->settings->WriteSetting(Setting::LockSession, QStringLiteral("1"));
        Form1& form = load();
        form.PushButton7->click();
        QCheckBox* lockBox = form.form4().lockSessionCheck;
        QVERIFY(lockBox->isChecked());
        QVERIFY(!lockBox->isEnabled());
        QCOMPARE(lockBox->toolTip(),
                 QStringLiteral("Lumaveil cannot lock this session: logind does not answer on the system bus."));
        form.form4().close();

        const QString message = QStringLiteral("Lumaveil could not lock the session as the showing ended: logind does "
                                               "not answer on the system bus.\n\nThe desktop is not locked.");
        QTest::ignoreMessage(QtWarningMsg, "The session was not locked: logind does not answer on the system bus");
        for (int showing = 0; showing < 2; ++showing) {
            QPointer<Form2> window = runShowing();
            QVERIFY(window);
            emit m_env->player()->keyPressed(Qt::Key_A);
            QTRY_VERIFY(window.isNull());
            QTRY_COMPARE(m_env->dialogs.texts(), QStringList({message}));
            settle();
        }
        QCOMPARE(m_env->dialogs.messages.first().icon, Dialogs::Icon::Warning);
    }

    // Input on the main window shows that no lock screen stands in front of it, though the lock screen never said
    // that it went: the countdown runs again, and the test button plays.
    void testInputOnTheMainWindowEndsTheHold()
    {
        Form1& form = load();
        m_services->lock();
        QTRY_VERIFY(!form.Timer4->isActive());
        QTest::keyClick(&form, Qt::Key_Shift);
        QVERIFY(form.Timer4->isActive());
        m_services->setScreenSaverActive(true);
        QTRY_VERIFY(!form.Timer4->isActive());
        form.PushButton8->click();
        QVERIFY(form.playbackWindow());
    }
};

QTEST_MAIN(TestSessionLock)
#include "TestSessionLock.moc"
