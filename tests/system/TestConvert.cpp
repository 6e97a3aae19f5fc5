// SPDX-License-Identifier: GPL-3.0-or-later
#include "system/Convert.h"
#include "system/Failure.h"

#include <QTest>

#include <functional>

class TestConvert : public QObject
{
    Q_OBJECT

private:
    static QString failureOf(const std::function<void()>& conversion)
    {
        try {
            conversion();
        } catch (const Failure& failure) {
            return QString::fromUtf8(failure.what());
        }
        return {};
    }

private slots:
    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
    }

    void testToInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("failure");
        QTest::newRow("whole") << "1" << 1 << "";
        QTest::newRow("blanks around") << "  12 " << 12 << "";
        QTest::newRow("negative") << "-7" << -7 << "";
        QTest::newRow("half to even below") << "2.5" << 2 << "";
        QTest::newRow("half to even above") << "1.5" << 2 << "";
        QTest::newRow("negative half") << "-0.5" << 0 << "";
        QTest::newRow("exponent") << "1e2" << 100 << "";
        QTest::newRow("largest") << "32767" << 32767 << "";
        QTest::newRow("smallest") << "-32768" << -32768 << "";
        QTest::newRow("too large") << "32768" << 0 << "Overflow";
        QTest::newRow("rounds past the range") << "32767.5" << 0 << "Overflow";
        QTest::newRow("letters") << "abc" << 0 << "Type mismatch";
        QTest::newRow("empty") << "" << 0 << "Type mismatch";
        QTest::newRow("number with trailing letters") << "12abc" << 0 << "Type mismatch";
        QTest::newRow("not finite") << "inf" << 0 << "Type mismatch";
    }

    void testToInteger()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QFETCH(QString, failure);
        qint16 value = 0;
        QCOMPARE(failureOf([&] { value = Convert::toInteger(text); }), failure);
        if (failure.isEmpty()) {
            QCOMPARE(value, expected);
        }
    }

    void testToLongRangeAndRounding()
    {
        QCOMPARE(Convert::toLong(QStringLiteral("2147483647")), 2147483647);
        QCOMPARE(Convert::toLong(90.0 * 60), 5400);
        QCOMPARE(Convert::toLong(0.5), 0);
        QCOMPARE(Convert::toLong(3.5), 4);
        QCOMPARE(failureOf([] { (void)Convert::toLong(QStringLiteral("2147483648")); }), QStringLiteral("Overflow"));
        QCOMPARE(failureOf([] { (void)Convert::toLong(1e300); }), QStringLiteral("Overflow"));
    }

    void testToBoolean_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<QString>("failure");
        QTest::newRow("True") << "True" << true << "";
        QTest::newRow("False") << "False" << false << "";
        QTest::newRow("any letter case") << "tRUE" << true << "";
        QTest::newRow("one") << "1" << true << "";
        QTest::newRow("zero") << "0" << false << "";
        QTest::newRow("minus one") << "-1" << true << "";
        QTest::newRow("fraction") << "0.25" << true << "";
        QTest::newRow("yes") << "yes" << false << "Type mismatch";
        QTest::newRow("empty") << "" << false << "Type mismatch";
    }

    void testToBoolean()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QFETCH(QString, failure);
        bool value = !expected;
        QCOMPARE(failureOf([&] { value = Convert::toBoolean(text); }), failure);
        if (failure.isEmpty()) {
            QCOMPARE(value, expected);
        }
    }

    void testCheckBoxValue()
    {
        QCOMPARE(Convert::toCheckBoxValue(QStringLiteral("1")), true);
        QCOMPARE(Convert::toCheckBoxValue(QStringLiteral("0")), false);
        QCOMPARE(failureOf([] { (void)Convert::toCheckBoxValue(QStringLiteral("5")); }),
                 QStringLiteral("Invalid property value"));
        QCOMPARE(failureOf([] { (void)Convert::toCheckBoxValue(QStringLiteral("x")); }),
                 QStringLiteral("Type mismatch"));
    }

    void testUserNumberFormat()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(Convert::toDouble(QStringLiteral("0,5")), 0.5);
        QCOMPARE(Convert::toDouble(QStringLiteral("1.234,5")), 1234.5);
        // The C format is still understood, as settings files and scripts write it.
        QCOMPARE(Convert::toDouble(QStringLiteral("2.5e1")), 25.0);
        QVERIFY(Convert::isNumeric(QStringLiteral("-3")));
        QVERIFY(!Convert::isNumeric(QStringLiteral("")));
        QVERIFY(!Convert::isNumeric(QStringLiteral("1 2")));
    }
};

QTEST_GUILESS_MAIN(TestConvert)
#include "TestConvert.moc"
