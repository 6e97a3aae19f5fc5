// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DBusIdleSource.h"
#include "desktop/DBusInhibitionHold.h"
#include "desktop/XClient.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

#include <memory>
#include <optional>

/**
 * The desktop's idle time and inhibitions as the real services of GNOME (mutter's idle monitor) and KDE (ksmserver,
 * PowerDevil) tell them, on the test desktop that has them (desktop.sh --with gnome, or --with kde).
 */
class TestDesktopServices : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

    static bool runs(const char* part)
    {
        return qEnvironmentVariable("LUMAVEIL_TEST_PARTS").split(QLatin1Char(' ')).contains(QLatin1String(part));
    }

    static std::optional<qint64> idle(IdleSource& source)
    {
        std::optional<IdleAnswer> answer;
        source.ask([&answer](const IdleAnswer& given) { answer = given; });
        if (!QTest::qWaitFor([&] { return answer.has_value(); }, 5000)) {
            return std::nullopt;
        }
        return answer->milliseconds;
    }

    static std::optional<bool> held(DesktopHold& hold)
    {
        std::optional<HoldAnswer> answer;
        hold.ask([&answer](const HoldAnswer& given) { answer = given; });
        if (!QTest::qWaitFor([&] { return answer.has_value(); }, 5000)) {
            return std::nullopt;
        }
        return answer->held;
    }

    static QDBusMessage screenSaver(const QString& method, const QVariantList& arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                                           QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                           QStringLiteral("org.freedesktop.ScreenSaver"),
                                                           method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        QVERIFY2(runs("gnome") || runs("kde"), "needs GNOME's or KDE's services");
    }

    // The idle time grows while nothing happens and starts again at a key.
    void testIdleTime()
    {
        const auto bus = [] { return QDBusConnection::sessionBus(); };
        const std::unique_ptr<IdleSource> source =
            runs("gnome") ? DBusIdleSource::gnome(bus) : DBusIdleSource::kde(bus);
        m_x.key(QStringLiteral("Shift_L"));
        QTest::qWait(1500);
        const std::optional<qint64> quiet = idle(*source);
        QVERIFY2(quiet && *quiet >= 1000 && *quiet < 10000, qPrintable(QString::number(quiet.value_or(-1))));
        m_x.key(QStringLiteral("Shift_L"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(*source).value_or(-1) >= 0 && *idle(*source) < *quiet, 3000);
    }

    // KDE: an inhibition that a program takes through the screen saver service holds off the idle action, as
    // PowerDevil tells; it counts a few seconds after it is taken.
    void testInhibition()
    {
        if (!runs("kde")) {
            QSKIP("GNOME's session manager does not run on this desktop");
        }
        const std::unique_ptr<DesktopHold> hold = DBusInhibitionHold::kde([] { return QDBusConnection::sessionBus(); });
        QCOMPARE(held(*hold), std::optional<bool>(false));
        const QDBusMessage cookie =
            screenSaver(QStringLiteral("Inhibit"), {QStringLiteral("video player"), QStringLiteral("a film")});
        QCOMPARE(cookie.type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(held(*hold), std::optional<bool>(true), 15000);
        screenSaver(QStringLiteral("UnInhibit"), {cookie.arguments().constFirst()});
        QTRY_COMPARE_WITH_TIMEOUT(held(*hold), std::optional<bool>(false), 15000);
    }
};

QTEST_GUILESS_MAIN(TestDesktopServices)
#include "TestDesktopServices.moc"
