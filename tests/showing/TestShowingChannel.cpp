// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/ShowingChannel.h"
#include "showing/ShowingRequest.h"

#include <QDataStream>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <unistd.h>

Q_DECLARE_METATYPE(ShowingMessage)

namespace {

// A frame as the channel writes one, from what a stream holds.
QByteArray frame(const std::function<void(QDataStream&)>& write)
{
    QByteArray body;
    QDataStream stream(&body, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_4);
    write(stream);
    QByteArray length(4, '\0');
    qToBigEndian(quint32(body.size()), length.data());
    return length + body;
}

} // namespace

/**
 * The connection between the program and its showing's process, with a well-behaved and a misbehaving other end, and
 * the request that starts a showing.
 */
class TestShowingChannel : public QObject
{
    Q_OBJECT

private:
    int m_here = -1;
    int m_there = -1;

    void writeThere(const QByteArray& bytes)
    {
        QCOMPARE(::write(m_there, bytes.constData(), bytes.size()), ssize_t(bytes.size()));
    }

private slots:
    void init()
    {
        QVERIFY(ShowingChannel::makePair(m_here, m_there));
    }

    void cleanup()
    {
        if (m_there >= 0) {
            ::close(m_there);
        }
        m_there = -1;
    }

    // Messages arrive whole and in order both ways, also a long list of paths in any script.
    void testMessagesBothWays()
    {
        ShowingChannel here(m_here);
        ShowingChannel there(std::exchange(m_there, -1));
        QSignalSpy atThere(&there, &ShowingChannel::received);
        QSignalSpy atHere(&here, &ShowingChannel::received);
        QStringList paths;
        for (int i = 0; i < 10000; ++i) {
            paths << QStringLiteral("/home/ann/Vidéos/日本/%1.mkv").arg(i);
        }
        QVERIFY(here.send({QStringLiteral("start"), {{QStringLiteral("paths"), paths}}}));
        QVERIFY(here.send({QStringLiteral("end"), {}}));
        QVERIFY(there.send({QStringLiteral("ended"), {{QStringLiteral("how"), {QStringLiteral("input")}}}}));

        QTRY_COMPARE(atThere.size(), 2);
        const auto first = atThere.at(0).at(0).value<ShowingMessage>();
        QCOMPARE(first.kind, QStringLiteral("start"));
        QCOMPARE(first.values.value(QStringLiteral("paths")), paths);
        QCOMPARE(atThere.at(1).at(0).value<ShowingMessage>().kind, QStringLiteral("end"));
        QTRY_COMPARE(atHere.size(), 1);
        QCOMPARE(atHere.at(0).at(0).value<ShowingMessage>().value(QStringLiteral("how")), QStringLiteral("input"));
    }

    // A message that comes a byte at a time is received once, whole.
    void testMessageInPieces()
    {
        ShowingChannel here(m_here);
        QSignalSpy received(&here, &ShowingChannel::received);
        const QByteArray bytes = frame([](QDataStream& stream) {
            stream << QStringLiteral("played") << QMap<QString, QStringList>{{"path", {"/tmp/a.mkv"}}};
        });
        for (char byte : bytes) {
            writeThere(QByteArray(1, byte));
            QTest::qWait(1);
        }
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).value<ShowingMessage>().value(QStringLiteral("path")),
                 QStringLiteral("/tmp/a.mkv"));
    }

    // What a process gone wrong may write: the channel breaks, tells why, and delivers nothing of it nor after it.
    void testWhatIsNoMessage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("too long") << QByteArray::fromHex("ffffffff") + QByteArray(100, 'x');
        QTest::newRow("garbage") << QByteArray::fromHex("00000010") +
                                        QByteArray::fromHex("deadbeefdeadbeefdeadbeefdeadbeef");
        QTest::newRow("no kind") << frame(
            [](QDataStream& stream) { stream << QString() << QMap<QString, QStringList>(); });
        QTest::newRow("more than the message") << frame([](QDataStream& stream) {
            stream << QStringLiteral("ended") << QMap<QString, QStringList>() << quint32(7);
        });
        QTest::newRow("another type of value") << frame([](QDataStream& stream) {
            stream << QStringLiteral("ended") << QVariantMap{{"how", 3}};
        });
    }

    void testWhatIsNoMessage()
    {
        QFETCH(QByteArray, bytes);
        ShowingChannel here(m_here);
        QSignalSpy received(&here, &ShowingChannel::received);
        QSignalSpy broken(&here, &ShowingChannel::broken);
        QSignalSpy closed(&here, &ShowingChannel::closed);
        writeThere(bytes + frame([](QDataStream& stream) {
                       stream << QStringLiteral("ended") << QMap<QString, QStringList>();
                   }));
        QTRY_COMPARE(broken.size(), 1);
        QTest::qWait(50);
        QCOMPARE(received.size(), 0);
        QCOMPARE(closed.size(), 0);
        QVERIFY(!here.isOpen());
        QVERIFY(!here.send({QStringLiteral("end"), {}}));
    }

    // The other end goes away: what it sent in full still arrives, a message cut short does not.
    void testOtherEndCloses()
    {
        ShowingChannel here(m_here);
        QSignalSpy received(&here, &ShowingChannel::received);
        QSignalSpy closed(&here, &ShowingChannel::closed);
        const QByteArray whole =
            frame([](QDataStream& stream) { stream << QStringLiteral("ended") << QMap<QString, QStringList>(); });
        writeThere(whole + whole.left(whole.size() - 1));
        ::close(std::exchange(m_there, -1));
        QTRY_COMPARE(closed.size(), 1);
        QCOMPARE(received.size(), 1);
        QVERIFY(!here.isOpen());
    }

    // Every option of the main window reaches the showing's process as it was set, none left at its default.
    void testRequestArrivesWhole()
    {
        ShowingRequest sent;
        sent.paths = QStringList{QStringLiteral("/v/a b.mkv"), QStringLiteral("/v/ç.mp4")};
        sent.random = true;
        sent.inOrder = false;
        sent.soundOff = true;
        sent.fullScreen = false;
        sent.randomPlace = true;
        sent.limitLength = true;
        sent.playLength = QStringLiteral("12");
        sent.password = QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA");
        sent.passwordMouseMove = QStringLiteral("1");
        ShowingChannel here(m_here);
        ShowingChannel there(std::exchange(m_there, -1));
        QSignalSpy received(&there, &ShowingChannel::received);
        QVERIFY(here.send(sent.toMessage()));
        QTRY_COMPARE(received.size(), 1);

        const std::optional<ShowingRequest> got =
            ShowingRequest::fromMessage(received.at(0).at(0).value<ShowingMessage>());
        QVERIFY(got);
        QCOMPARE(got->paths, sent.paths);
        const auto options = [](const PlaybackOptions& o) {
            return QList<bool>{o.playRandomly(),
                               o.playInOrder(),
                               o.soundDisabled(),
                               o.showFullScreen(),
                               o.startAtRandomPlace(),
                               o.limitPlayLength()};
        };
        QCOMPARE(options(*got), options(sent));
        QCOMPARE(got->playLengthText(), sent.playLength);
        QCOMPARE(got->password, sent.password);
        QCOMPARE(got->passwordMouseMove, sent.passwordMouseMove);
    }

    // A start message with a part missing (no value) or mistaken starts no showing.
    void testRequestRefused_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QStringList>("value");
        QTest::newRow("no paths") << "paths" << QStringList();
        QTest::newRow("a flag missing") << "random" << QStringList();
        QTest::newRow("a flag neither yes nor no") << "sound off" << QStringList{"yes"};
        QTest::newRow("a flag twice") << "full screen" << QStringList{"1", "1"};
        QTest::newRow("a text missing") << "password" << QStringList();
        QTest::newRow("another kind") << "kind" << QStringList{"stop"};
    }

    void testRequestRefused()
    {
        QFETCH(QString, part);
        QFETCH(QStringList, value);
        ShowingMessage message = ShowingRequest().toMessage();
        QVERIFY(ShowingRequest::fromMessage(message));
        if (part == QLatin1String("kind")) {
            message.kind = value.front();
        } else if (value.isEmpty()) {
            message.values.remove(part);
        } else {
            message.values.insert(part, value);
        }
        QVERIFY(!ShowingRequest::fromMessage(message));
    }
};

QTEST_GUILESS_MAIN(TestShowingChannel)
#include "TestShowingChannel.moc"
