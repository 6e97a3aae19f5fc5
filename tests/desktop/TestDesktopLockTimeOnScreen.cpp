// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopLockTime.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

/** The running locker found on a test desktop with the real xscreensaver, and its settings read from the user's home.
 */
class TestDesktopLockTimeOnScreen : public QObject
{
    Q_OBJECT

private slots:
    void testXScreenSaverFound()
    {
        QTemporaryDir home;
        QFile settings(home.filePath(QStringLiteral(".xscreensaver")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("timeout:\t0:02:00\nlock:\t\tTrue\nlockTimeout:\t0:00:30\n");
        settings.close();
        qputenv("HOME", home.path().toUtf8());

        QVERIFY(DesktopLockTime::xscreensaverRuns());
        DesktopLockTime lockTime([] { return QDBusConnection::sessionBus(); });
        std::optional<std::optional<qint64>> answer;
        lockTime.ask(this, [&answer](std::optional<qint64> lockAfterMs) { answer = lockAfterMs; });
        QTRY_VERIFY(answer.has_value());
        QCOMPARE(*answer, std::optional<qint64>(150000));
    }
};

QTEST_MAIN(TestDesktopLockTimeOnScreen)
#include "TestDesktopLockTimeOnScreen.moc"
