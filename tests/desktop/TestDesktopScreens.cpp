// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"
#include "fakes/Pictures.h"
#include "fakes/TestClips.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace DesktopTest;

/** A showing on a desktop of two monitors side by side, 1280x800 each, the left one the primary. */
class TestDesktopScreens : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    const QRect m_left{0, 0, 1280, 800};
    const QRect m_right{1280, 0, 1280, 800};

    static QMap<QString, QString> settings(bool askPassword)
    {
        QMap<QString, QString> values{{QStringLiteral("Videos"), ProgramRun::exampleVideos()}};
        if (askPassword) {
            values.insert(QStringLiteral("Password Mouse Move"), QStringLiteral("1"));
            values.insert(QStringLiteral("Password"), QStringLiteral("pw"));
        }
        return values;
    }

    // Clips of one colour each, in the order of their names; the colours are ffmpeg's names.
    static QString solidClips(const QTemporaryDir& folder, const QStringList& colours, double seconds)
    {
        QStringList paths;
        for (const QString& colour : colours) {
            const QString path = folder.filePath(QStringLiteral("%1-%2.avi").arg(paths.size()).arg(colour));
            if (!TestClips::makeSolid(path, colour, QSize(320, 200), seconds)) {
                return {};
            }
            paths.append(path);
        }
        return paths.join(u';');
    }

    // The colour in the middle of the area, by its strongest channel: "red", "lime", "blue", or "black" when dark.
    QString colourAt(QRect area) const
    {
        const QRgb pixel = m_x.grab(QRect(area.center(), QSize(1, 1))).pixel(0, 0);
        const int strongest = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)});
        if (strongest < 64) {
            return QStringLiteral("black");
        }
        return strongest == qRed(pixel)
                   ? QStringLiteral("red")
                   : (strongest == qGreen(pixel) ? QStringLiteral("lime") : QStringLiteral("blue"));
    }

    static bool xrandr(const QStringList& arguments)
    {
        return QProcess::execute(QStringLiteral("xrandr"), arguments) == 0;
    }

    // The program's windows that cover the area exactly.
    QList<Window> windowsCovering(const ProgramRun& run, QRect area) const
    {
        QList<Window> covering;
        for (Window window : m_x.windowsOf(run.pid(), QStringLiteral("Slideshow"))) {
            if (m_x.isViewable(window) && m_x.geometry(window) == area) {
                covering.append(window);
            }
        }
        return covering;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        if (qEnvironmentVariableIntValue("LUMAVEIL_TEST_SCREENS") < 2) {
            QSKIP("needs a display with two monitors");
        }
    }

    // The video plays on the primary screen, the other is black, and a click there ends the showing.
    void testEveryScreenIsCovered()
    {
        ProgramRun run(settings(false));
        run.start();
        // Something to hide on the right monitor: a window of another program.
        OtherProgram other(QRect(1500, 200, 600, 400));
        QVERIFY(other.awaitWindow(m_x) != 0);
        QVERIFY(Pictures::litShare(m_x.grab(m_right)) > 0.1);

        QVERIFY(startShowing(m_x, run) != 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_left).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_left)) > 0.3, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_right)), 0.0, 5000);

        m_x.clickAt(m_right.center());
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
        QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_right)) > 0.1, 5000);
        QCOMPARE(run.terminate(), 0);
    }

    // Input on the other screen asks for the password as input on the video does, and the keys go on reaching
    // the showing after it.
    void testInputOnTheOtherScreenIsInputOnTheShowing()
    {
        ProgramRun run(settings(true));
        run.start();
        const Window showing = startShowing(m_x, run);
        QVERIFY(showing != 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);

        m_x.clickAt(m_right.center());
        QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Enter Password")) != 0);
        m_x.key(QStringLiteral("Escape"));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Enter Password")));
        // Back to the video, which has the focus again.
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), showing, 5000);
        m_x.key(QStringLiteral("Shift_L"));
        enterPassword(m_x, run, QStringLiteral("pw"));
        QCOMPARE(run.terminate(), 0);
    }

    // The pointer moved by hand over the picture and over the other monitor's cover.
    void testPointerMovement_data()
    {
        QTest::addColumn<bool>("askPassword");
        QTest::addColumn<QPoint>("start");
        QTest::newRow("picture") << false << QPoint(500, 300);
        QTest::newRow("cover") << false << QPoint(1700, 300);
        QTest::newRow("cover, password") << true << QPoint(1700, 300);
    }

    void testPointerMovement()
    {
        QFETCH(bool, askPassword);
        QFETCH(QPoint, start);
        ProgramRun run(settings(askPassword));
        run.start();
        QVERIFY(startShowing(m_x, run) != 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);
        checkMovementsOver(m_x, run, start, askPassword);
        QCOMPARE(run.terminate(), 0);
    }

    // Where the videos show: each screen its own sequence, or the same picture on both. Input on the other screen
    // ends the showing all the same.
    void testVideosOnBothScreens_data()
    {
        QTest::addColumn<QString>("screens");
        QTest::addColumn<bool>("random");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::newRow("each, in order") << "Each" << false << "red"
                                        << "lime";
        QTest::newRow("each, at random") << "Each" << true << QString() << QString();
        QTest::newRow("same") << "Same" << false << "red"
                              << "red";
    }

    void testVideosOnBothScreens()
    {
        QFETCH(QString, screens);
        QFETCH(bool, random);
        QFETCH(QString, left);
        QFETCH(QString, right);
        QTemporaryDir folder;
        const QString clips = solidClips(folder, {QStringLiteral("red"), QStringLiteral("lime")}, 30);
        QVERIFY(!clips.isEmpty());
        ProgramRun run({{QStringLiteral("Videos"), clips},
                        {QStringLiteral("Option4"), random ? QStringLiteral("True") : QStringLiteral("False")},
                        {QStringLiteral("Option5"), random ? QStringLiteral("False") : QStringLiteral("True")},
                        {QStringLiteral("Screens"), screens}});
        run.start();
        QVERIFY(startShowing(m_x, run) != 0);
        if (left.isEmpty()) {
            // At random, two files for two screens: each plays the one the other does not.
            QTRY_VERIFY_WITH_TIMEOUT(colourAt(m_left) != QLatin1String("black"), 10000);
            QTRY_VERIFY_WITH_TIMEOUT(colourAt(m_right) != QLatin1String("black"), 10000);
            QVERIFY(colourAt(m_left) != colourAt(m_right));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(colourAt(m_left), left, 10000);
            QTRY_COMPARE_WITH_TIMEOUT(colourAt(m_right), right, 10000);
        }

        m_x.clickAt(m_right.center() + QPoint(0, 200));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
        QCOMPARE(run.terminate(), 0);
    }

    // With a fade, the first video comes up from black, and the next one that plays dissolves over it: the file
    // between them that is no video leaves the last picture standing, and no black comes between.
    void testFade()
    {
        QTemporaryDir folder;
        QStringList clips = solidClips(folder, {QStringLiteral("red"), QStringLiteral("blue")}, 4).split(u';');
        QCOMPARE(clips.size(), 2);
        const QString broken = folder.filePath(QStringLiteral("0-broken.avi"));
        QVERIFY(TestClips::makeCorrupt(broken));
        clips.insert(1, broken);
        ProgramRun run({{QStringLiteral("Videos"), clips.join(u';')},
                        {QStringLiteral("Option4"), QStringLiteral("False")},
                        {QStringLiteral("Option5"), QStringLiteral("True")},
                        {QStringLiteral("Fade"), QStringLiteral("1")},
                        {QStringLiteral("Screens"), QStringLiteral("Same")}});
        run.start();
        QVERIFY(startShowing(m_x, run) != 0);

        // The colour in the middle of both screens, every few hundredths of a second, from the black of the showing's
        // windows until the second clip shows.
        const QPoint middle = m_left.center();
        QTRY_VERIFY_WITH_TIMEOUT(colourAt(m_left) == QLatin1String("black") && colourAt(m_right) == colourAt(m_left),
                                 5000);
        QList<QRgb> seen;
        QElapsedTimer clock;
        clock.start();
        bool blended = false;
        bool blackAfterPicture = false;
        while (clock.elapsed() < 15000) {
            const QRgb left = m_x.grab(QRect(middle, QSize(1, 1))).pixel(0, 0);
            const QRgb right = m_x.grab(QRect(m_right.center(), QSize(1, 1))).pixel(0, 0);
            seen.append(left);
            QVERIFY2(qAbs(qRed(left) - qRed(right)) < 48 && qAbs(qBlue(left) - qBlue(right)) < 48,
                     "the two screens show different pictures");
            blended = blended || (qRed(left) > 48 && qBlue(left) > 48);
            const bool anyPicture =
                std::any_of(seen.cbegin(), seen.cend() - 1, [](QRgb colour) { return qRed(colour) > 200; });
            blackAfterPicture = blackAfterPicture || (anyPicture && std::max(qRed(left), qBlue(left)) < 24);
            if (qBlue(left) > 200 && qRed(left) < 24) {
                break;
            }
            QTest::qWait(40);
        }
        const auto dimRed = [](QRgb colour) { return qRed(colour) > 24 && qRed(colour) < 200 && qBlue(colour) < 24; };
        QVERIFY2(std::any_of(seen.cbegin(), seen.cend(), dimRed), "the first video did not fade in from black");
        QVERIFY2(blended, "no picture of both videos at once");
        QVERIFY2(!blackAfterPicture, "black between the videos");
        QVERIFY2(qBlue(seen.last()) > 200, "the second video did not come");
        m_x.key(QStringLiteral("a"));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
        QCOMPARE(run.terminate(), 0);
    }

    // A monitor switched off during a showing loses its cover; one switched on gets one, black or with videos of its
    // own.
    void testScreensComingAndGoing_data()
    {
        QTest::addColumn<QString>("screens");
        QTest::newRow("primary only") << "Primary";
        QTest::newRow("each its own") << "Each";
    }

    void testScreensComingAndGoing()
    {
        QFETCH(QString, screens);
        QMap<QString, QString> values = settings(false);
        values.insert(QStringLiteral("Screens"), screens);
        ProgramRun run(values);
        run.start();
        QVERIFY(startShowing(m_x, run) != 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);

        QVERIFY(xrandr({QStringLiteral("--output"), QStringLiteral("DUMMY1"), QStringLiteral("--off")}));
        QTRY_COMPARE_WITH_TIMEOUT(m_x.windowsOf(run.pid(), QStringLiteral("Slideshow")).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_left).size(), 1, 5000);

        QVERIFY(xrandr({QStringLiteral("--output"),
                        QStringLiteral("DUMMY1"),
                        QStringLiteral("--mode"),
                        QStringLiteral("1280x800"),
                        QStringLiteral("--right-of"),
                        QStringLiteral("DUMMY0")}));
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_left).size(), 1, 5000);
        if (screens == QLatin1String("Each")) {
            QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_right)) > 0.3, 10000);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_right)), 0.0, 5000);
        }

        // The video's own monitor goes: the other one, which now stands at the left, shows the video, uncovered.
        QVERIFY(xrandr({QStringLiteral("--output"), QStringLiteral("DUMMY0"), QStringLiteral("--off")}));
        QTRY_COMPARE_WITH_TIMEOUT(m_x.windowsOf(run.pid(), QStringLiteral("Slideshow")).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_left).size(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_left)) > 0.3, 10000);
        QCOMPARE(run.terminate(), 0);
        QVERIFY(xrandr({QStringLiteral("--output"),
                        QStringLiteral("DUMMY0"),
                        QStringLiteral("--mode"),
                        QStringLiteral("1280x800"),
                        QStringLiteral("--pos"),
                        QStringLiteral("0x0"),
                        QStringLiteral("--primary"),
                        QStringLiteral("--output"),
                        QStringLiteral("DUMMY1"),
                        QStringLiteral("--right-of"),
                        QStringLiteral("DUMMY0")}));
    }
};

QTEST_GUILESS_MAIN(TestDesktopScreens)
#include "TestDesktopScreens.moc"
