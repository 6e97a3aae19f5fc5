// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"
#include "desktop/DBusIdleSource.h"
#include "desktop/DBusInhibitionHold.h"
#include "fakes/TestEnvironment.h"
#include "shell/cSysTray.h"
#include "showing/Form2.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <limits>

// Stand-ins for the desktop's services, as GNOME and KDE offer them on the session bus.

class MutterIdleMonitor : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")

public:
    qulonglong idle = 0;

public slots:
    qulonglong GetIdletime()
    {
        return idle;
    }
};

class KdeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    uint idle = 0;

public slots:
    uint GetSessionIdleTime()
    {
        return idle;
    }
};

class GnomeSessionManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")

public:
    // What is inhibited, in the session manager's flags: 4 suspending, 8 the idle action.
    uint inhibited = 0;
    uint asked = 0;
    int calls = 0;

public slots:
    bool IsInhibited(uint flags)
    {
        ++calls;
        asked = flags;
        return (inhibited & flags) != 0;
    }
};

class KdePolicyAgent : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.Solid.PowerManagement.PolicyAgent")

public:
    // In KDE's flags: 1 interrupting the session, 4 changing the screen.
    uint inhibited = 0;
    uint asked = 0;

public slots:
    bool HasInhibition(uint types)
    {
        asked = types;
        return (inhibited & types) != 0;
    }
};

// Services that answer wrongly, or not at all.

class TextIdleMonitor : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")

public slots:
    QString GetIdletime()
    {
        return QStringLiteral("a while");
    }
};

class NegativeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public slots:
    int GetSessionIdleTime()
    {
        return -5000;
    }
};

class NumberSessionManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")

public slots:
    uint IsInhibited(uint flags)
    {
        return flags;
    }
};

class SilentIdleMonitor : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")

public:
    int asked = 0;

public slots:
    qulonglong GetIdletime()
    {
        ++asked;
        // The answer is put off for good: the service hangs.
        setDelayedReply(true);
        return 0;
    }
};

/**
 * The desktop's services on a session bus of the test's own: which answers count, how a service that is missing,
 * answers wrongly or hangs is taken, and the main window's count following them through the buses it is given.
 */
class TestDesktopIdleBus : public QObject
{
    Q_OBJECT

private:
    QProcess m_daemon;
    QString m_address;
    int m_connections = 0;
    QString m_desktopName;
    QString m_programName;
    std::vector<std::unique_ptr<QObject>> m_services;

    // The side of the bus that the stand-ins serve on.
    QDBusConnection desktop() const
    {
        return QDBusConnection(m_desktopName);
    }
    // The program's side: what it asks through.
    std::function<QDBusConnection()> program() const
    {
        const QString name = m_programName;
        return [name] { return QDBusConnection(name); };
    }

    template <typename Service> Service* serve(const QString& name, const QString& path)
    {
        auto service = std::make_unique<Service>();
        Service* served = service.get();
        m_services.push_back(std::move(service));
        QDBusConnection bus = desktop();
        if (!bus.registerObject(path, served, QDBusConnection::ExportAllSlots) || !bus.registerService(name)) {
            qWarning() << "could not serve" << name << bus.lastError().message();
            return nullptr;
        }
        return served;
    }

    // The service tells of a change in its inhibitions, as GNOME and KDE do.
    void signalChange(const QString& path, const QString& interface, const QString& name, const QVariantList& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        QVERIFY(desktop().send(signal));
    }
    void gnomeInhibitorsChanged()
    {
        signalChange(QStringLiteral("/org/gnome/SessionManager"),
                     QStringLiteral("org.gnome.SessionManager"),
                     QStringLiteral("InhibitorAdded"),
                     {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/gnome/SessionManager/Inhibitor7")))});
    }
    void kdeInhibitionsChanged()
    {
        signalChange(QStringLiteral("/org/kde/Solid/PowerManagement/PolicyAgent"),
                     QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent"),
                     QStringLiteral("InhibitionsChanged"),
                     {QStringList(), QStringList({QStringLiteral("vlc")})});
    }

    template <typename Source> static auto answerOf(Source& source, int timeout = 5000)
    {
        using Answer = std::conditional_t<std::is_base_of_v<IdleSource, Source>, IdleAnswer, HoldAnswer>;
        std::optional<Answer> answer;
        source.ask([&answer](const Answer& given) { answer = given; });
        static_cast<void>(QTest::qWaitFor([&] { return answer.has_value(); }, timeout));
        return answer;
    }

private slots:
    void initTestCase()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        QVERIFY2(m_daemon.waitForStarted(5000), "needs dbus-daemon");
        QVERIFY(QTest::qWaitFor([&] { return m_daemon.canReadLine(); }, 5000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
    }

    void cleanupTestCase()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }

    void init()
    {
        ++m_connections;
        m_desktopName = QStringLiteral("desktop%1").arg(m_connections);
        m_programName = QStringLiteral("program%1").arg(m_connections);
        QVERIFY(QDBusConnection::connectToBus(m_address, m_desktopName).isConnected());
        QVERIFY(QDBusConnection::connectToBus(m_address, m_programName).isConnected());
    }

    void cleanup()
    {
        QDBusConnection::disconnectFromBus(m_programName);
        QDBusConnection::disconnectFromBus(m_desktopName);
        m_services.clear();
    }

    // GNOME's idle monitor and KDE's screen saver service both answer in milliseconds.
    void testIdleTimeFromGnomeAndKde()
    {
        MutterIdleMonitor* mutter = serve<MutterIdleMonitor>(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                                             QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"));
        KdeScreenSaver* kde = serve<KdeScreenSaver>(QStringLiteral("org.freedesktop.ScreenSaver"),
                                                    QStringLiteral("/org/freedesktop/ScreenSaver"));
        QVERIFY(mutter && kde);
        mutter->idle = 123456;
        kde->idle = 98765;
        const auto gnome = DBusIdleSource::gnome(program());
        const auto plasma = DBusIdleSource::kde(program());
        QCOMPARE(answerOf(*gnome)->milliseconds, std::optional<qint64>(123456));
        QCOMPARE(answerOf(*plasma)->milliseconds, std::optional<qint64>(98765));
        // Beyond the count's range it is simply a very long time.
        mutter->idle = std::numeric_limits<qulonglong>::max();
        QCOMPARE(answerOf(*gnome)->milliseconds, std::optional<qint64>(std::numeric_limits<qint64>::max()));
    }

    // GNOME is asked about its idle action (8), KDE about changes of the screen (4); other inhibitions, such as of
    // suspending, do not hold a showing.
    void testInhibitions()
    {
        GnomeSessionManager* session = serve<GnomeSessionManager>(QStringLiteral("org.gnome.SessionManager"),
                                                                  QStringLiteral("/org/gnome/SessionManager"));
        KdePolicyAgent* agent = serve<KdePolicyAgent>(QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent"),
                                                      QStringLiteral("/org/kde/Solid/PowerManagement/PolicyAgent"));
        QVERIFY(session && agent);
        const auto gnome = DBusInhibitionHold::gnome(program());
        const auto plasma = DBusInhibitionHold::kde(program());

        session->inhibited = 4;
        agent->inhibited = 1;
        QCOMPARE(answerOf(*gnome)->held, std::optional<bool>(false));
        QCOMPARE(answerOf(*plasma)->held, std::optional<bool>(false));
        QCOMPARE(session->asked, 8u);
        QCOMPARE(agent->asked, 4u);
        session->inhibited = 8;
        agent->inhibited = 4;
        gnomeInhibitorsChanged();
        kdeInhibitionsChanged();
        QTRY_COMPARE(answerOf(*gnome)->held, std::optional<bool>(true));
        QTRY_COMPARE(answerOf(*plasma)->held, std::optional<bool>(true));
    }

    // An answer is kept until the service signals a change: a countdown that asks on every tick sends a message only
    // when something changed. An answer given before a change is not kept after it.
    void testInhibitionKeptUntilTheServiceSignalsAChange()
    {
        GnomeSessionManager* session = serve<GnomeSessionManager>(QStringLiteral("org.gnome.SessionManager"),
                                                                  QStringLiteral("/org/gnome/SessionManager"));
        QVERIFY(session);
        const auto gnome = DBusInhibitionHold::gnome(program());
        for (int tick = 0; tick < 5; ++tick) {
            QCOMPARE(answerOf(*gnome)->held, std::optional<bool>(false));
        }
        QCOMPARE(session->calls, 1);

        session->inhibited = 8;
        QCOMPARE(answerOf(*gnome)->held, std::optional<bool>(false));
        gnomeInhibitorsChanged();
        QTRY_COMPARE(answerOf(*gnome)->held, std::optional<bool>(true));
        const int calls = session->calls;
        QCOMPARE(answerOf(*gnome)->held, std::optional<bool>(true));
        QCOMPARE(session->calls, calls);

        // The change comes while the question is on its way: that answer counts once, and is not kept.
        gnomeInhibitorsChanged();
        auto first = std::make_shared<std::optional<HoldAnswer>>();
        const auto askedAway = [&] {
            first->reset();
            gnome->ask([first](const HoldAnswer& answer) { *first = answer; });
            return !first->has_value();
        };
        QTRY_VERIFY(askedAway());
        gnomeInhibitorsChanged();
        QTRY_VERIFY(first->has_value());
        const int before = session->calls;
        QCOMPARE(answerOf(*gnome)->held, std::optional<bool>(true));
        QCOMPARE(session->calls, before + 1);
    }

    // A desktop without the service, or without a bus at all, answers at once that it cannot tell, and always from
    // the event loop.
    void testMissingServiceOrBus()
    {
        const auto gnome = DBusIdleSource::gnome(program());
        QElapsedTimer clock;
        clock.start();
        const std::optional<IdleAnswer> missing = answerOf(*gnome);
        QVERIFY(missing && !missing->milliseconds);
        QVERIFY2(!missing->failure.isEmpty(), "says why");
        QVERIFY(clock.elapsed() < 400);

        const auto noBus = DBusInhibitionHold::gnome([] { return QDBusConnection(QStringLiteral("no such bus")); });
        bool answered = false;
        noBus->ask([&answered](const HoldAnswer& answer) { answered = !answer.held && !answer.failure.isEmpty(); });
        QVERIFY(!answered);
        QTRY_VERIFY(answered);
        const auto nothing = DBusIdleSource::kde({});
        QVERIFY(answerOf(*nothing)->failure.size() > 0);
    }

    // Answers of the wrong kind count as no answer, and bring nothing down.
    void testAnswersOfTheWrongKind()
    {
        QVERIFY(serve<TextIdleMonitor>(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                       QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core")));
        QVERIFY(serve<NegativeScreenSaver>(QStringLiteral("org.freedesktop.ScreenSaver"),
                                           QStringLiteral("/org/freedesktop/ScreenSaver")));
        QVERIFY(serve<NumberSessionManager>(QStringLiteral("org.gnome.SessionManager"),
                                            QStringLiteral("/org/gnome/SessionManager")));
        const auto text = answerOf(*DBusIdleSource::gnome(program()));
        QVERIFY(text && !text->milliseconds);
        QVERIFY2(text->failure.contains(QLatin1String("(s)")), qPrintable(text->failure));
        const auto negative = answerOf(*DBusIdleSource::kde(program()));
        QVERIFY(negative && !negative->milliseconds);
        const auto number = answerOf(*DBusInhibitionHold::gnome(program()));
        QVERIFY(number && !number->held);
    }

    // A service that hangs holds up nothing: the question returns at once, and after a short while it counts as
    // failed. A source that goes meanwhile never hears of it.
    void testServiceThatNeverAnswers()
    {
        SilentIdleMonitor* silent = serve<SilentIdleMonitor>(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                                             QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"));
        QVERIFY(silent);
        auto source = DBusIdleSource::gnome(program());
        std::optional<IdleAnswer> answer;
        QElapsedTimer clock;
        clock.start();
        source->ask([&answer](const IdleAnswer& given) { answer = given; });
        QVERIFY2(clock.elapsed() < 100, "the question waits for nothing");
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 5000);
        QVERIFY(!answer->milliseconds);
        QVERIFY(clock.elapsed() < 2000);

        bool heard = false;
        source->ask([&heard](const IdleAnswer&) { heard = true; });
        QTRY_COMPARE(silent->asked, 2);
        source.reset();
        QTest::qWait(1000);
        QVERIFY(!heard);
    }

    // The main window asks through the buses it is given: GNOME's idle time and inhibitions decide its count.
    void testMainWindowFollowsTheDesktop()
    {
        MutterIdleMonitor* mutter = serve<MutterIdleMonitor>(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                                             QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"));
        GnomeSessionManager* session = serve<GnomeSessionManager>(QStringLiteral("org.gnome.SessionManager"),
                                                                  QStringLiteral("/org/gnome/SessionManager"));
        QVERIFY(mutter && session);
        mutter->idle = 3600000;

        TestEnvironment env;
        env.settings->WriteSetting(Setting::Videos, QStringLiteral("/v/a.mkv"));
        env.settings->WriteSetting(Setting::Text3, QStringLiteral("0.1"));
        env.settings->WriteSetting(Setting::StartStopState, QStringLiteral("On"));
        env.settings->WriteSetting(Setting::DesktopIdle, QStringLiteral("1"));
        Services services = env.services();
        services.buses.session = program();
        services.buses.system = [] { return QDBusConnection(QStringLiteral("no system bus")); };
        Form1 form(services);
        form.cSysTray1->setAvailabilityCheck([] { return false; });
        form.Form_Load();
        form.show();
        QTRY_COMPARE(form.library().playable().size(), 1);
        // Ticks by hand, each once the last has been answered.
        form.Timer4->setInterval(3600000);
        form.Timer4->start();
        const auto tick = [&form] {
            form.Timer4_Timer();
            return QTest::qWaitFor([&form] { return !form.desktopIdle().isPolling(); }, 5000);
        };
        const auto left = [](int seconds) {
            return QStringLiteral("There will be 0:0%1 minutes until screensaver starts").arg(seconds);
        };

        QVERIFY(tick());
        QCOMPARE(form.Label1->text(), left(5));
        QCOMPARE(form.desktopIdle().sourceName(), QStringLiteral("GNOME's idle monitor"));
        QVERIFY(tick());
        QCOMPARE(form.Label1->text(), left(4));
        mutter->idle = 1500;
        QVERIFY(tick());
        QCOMPARE(form.Label1->text(), left(5));
        mutter->idle = 3600000;
        session->inhibited = 8;
        gnomeInhibitorsChanged();
        QTest::qWait(200);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(tick());
            QCOMPARE(form.Label1->text(), left(6));
        }
        session->inhibited = 0;
        gnomeInhibitorsChanged();
        QTest::qWait(200);
        for (int second = 6; second > 0; --second) {
            QVERIFY(tick());
            QCOMPARE(form.Label1->text(), left(second));
        }
        QVERIFY(!form.playbackWindow());
        QVERIFY(tick());
        QCOMPARE(form.Label1->text(), QStringLiteral("Screensaver is turned on"));
        QVERIFY(form.playbackWindow());
    }
};

QTEST_MAIN(TestDesktopIdleBus)
#include "TestDesktopIdleBus.moc"
