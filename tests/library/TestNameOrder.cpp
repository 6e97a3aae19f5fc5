// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/NameOrder.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <clocale>
#include <string>
#include <vector>

namespace {

std::vector<std::string> sortedNames(std::vector<std::string> names)
{
    std::sort(
        names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NameOrder::less(a, b); });
    return names;
}

QStringList toList(const std::vector<std::string>& names)
{
    QStringList list;
    for (const std::string& name : names) {
        list.append(QString::fromStdString(name));
    }
    return list;
}

} // namespace

class TestNameOrder : public QObject
{
    Q_OBJECT

private slots:
    // Each row is a list in the order a person expects; it must come back so from any starting order.
    void testOrder_data()
    {
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("numbers by value") << QStringList{"ep1.mkv", "ep2.mkv", "ep9.mkv", "ep10.mkv", "ep11.mkv"};
        QTest::newRow("letter case ignored") << QStringList{"apple.mkv", "Banana.mkv", "cherry.mkv", "DATE.mkv"};
        QTest::newRow("case only breaks ties") << QStringList{"Clip.mkv", "clip.mkv", "clip2.mkv"};
        QTest::newRow("leading zeros") << QStringList{"ep1.mkv", "ep01.mkv", "ep001.mkv", "ep2.mkv", "ep010.mkv"};
        QTest::newRow("numbers beyond 64 bits") << QStringList{
            "x9.mkv", "x18446744073709551615.mkv", "x18446744073709551616.mkv", "x1" + QString(30, u'0')};
        QTest::newRow("several numbers") << QStringList{"s1e2", "s1e10", "s2e1", "s10e1"};
        QTest::newRow("shorter first") << QStringList{"a", "a.mkv", "a1", "ab"};
        QTest::newRow("blank and punctuation before digits and letters")
            << QStringList{"Season 2", "Season-1", "Season1", "Season10", "SeasonA"};
        QTest::newRow("accents sort with their letter")
            << QStringList{"Eclair", "éclair", "Ècole", "ecru", "Ézard", "zebra"};
        QTest::newRow("other scripts after Latin") << QStringList{"zz", "Ωmega", "ωmega2", "Яблоко", "日本"};
    }

    void testOrder()
    {
        QFETCH(QStringList, expected);
        std::vector<std::string> names;
        for (const QString& name : expected) {
            names.push_back(name.toStdString());
        }
        QRandomGenerator random(7);
        for (int round = 0; round < 5; ++round) {
            std::shuffle(names.begin(), names.end(), random);
            QCOMPARE(toList(sortedNames(names)), expected);
        }
    }

    // std::sort needs a strict weak order; a broken one reads out of bounds. Different names never tie.
    void testIsAStrictTotalOrder()
    {
        const std::vector<std::string> pieces{
            "0", "00", "1", "01", "9", "10", "a", "A", "b", "é", "E", " ", ".", "-", "\xff", "\xc3", "ß", "Ω"};
        QRandomGenerator random(11);
        std::vector<std::string> names;
        for (int i = 0; i < 400; ++i) {
            std::string name;
            const int length = random.bounded(1, 5);
            for (int k = 0; k < length; ++k) {
                name += pieces[random.bounded(static_cast<int>(pieces.size()))];
            }
            names.push_back(name);
        }
        for (const std::string& a : names) {
            QCOMPARE(NameOrder::compare(a, a), 0);
            for (const std::string& b : names) {
                const int ab = NameOrder::compare(a, b);
                QCOMPARE(ab, -NameOrder::compare(b, a));
                QCOMPARE(ab == 0, a == b);
            }
        }
        for (int i = 0; i < 20000; ++i) {
            const auto& a = names[random.bounded(static_cast<int>(names.size()))];
            const auto& b = names[random.bounded(static_cast<int>(names.size()))];
            const auto& c = names[random.bounded(static_cast<int>(names.size()))];
            if (NameOrder::less(a, b) && NameOrder::less(b, c)) {
                QVERIFY(NameOrder::less(a, c));
            }
        }
    }

    // The order must not follow the locale the program runs in.
    void testLocaleDoesNotMatter()
    {
        const std::vector<std::string> names{"ep10", "Ep2", "ep1", "éclair", "Zebra"};
        const std::vector<std::string> inUtf8 = sortedNames(names);
        std::setlocale(LC_ALL, "C");
        QCOMPARE(toList(sortedNames(names)), toList(inUtf8));
        QCOMPARE(toList(inUtf8), QStringList({"éclair", "ep1", "Ep2", "ep10", "Zebra"}));
    }
};

QTEST_GUILESS_MAIN(TestNameOrder)
#include "TestNameOrder.moc"
