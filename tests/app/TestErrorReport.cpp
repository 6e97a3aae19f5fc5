// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ErrorReport.h"
#include "fakes/FakeDialogs.h"
#include "system/Convert.h"
#include "system/Failure.h"
#include "system/GuardedRoutine.h"
#include "system/RoutinePaths.h"

#include <QTest>

class TestErrorReport : public QObject
{
    Q_OBJECT

private slots:
    void testReportTextAndBox()
    {
        FakeDialogs dialogs;
        ErrorReport report(dialogs, QStringLiteral("help@example.org"));
        GuardedRoutine routine(report, RoutinePath::Form1_StartTimer);
        routine.step(102, [] { (void)Convert::toDouble(QStringLiteral("soon")); });

        QCOMPARE(dialogs.messages.size(), 1);
        const FakeDialogs::Message& box = dialogs.messages.first();
        QCOMPARE(box.text,
                 QStringLiteral("Type mismatch\r\nin Lumaveil2021/08/31.Form1.StartTimer at line 102\r\r"
                                "Please email screenshot of this message to help@example.org"));
        QCOMPARE(box.caption, QStringLiteral("Application Error"));
        QCOMPARE(box.icon, Dialogs::Icon::Warning);
    }

    void testScannerReportsUnderItsOwnProjectWord()
    {
        QCOMPARE(QString::fromLatin1(RoutinePath::AddFolder_GetSubDirectories2016),
                 QStringLiteral("Kestrum2021/08/31.AddFolder.GetSubDirectories2016"));
        QCOMPARE(QString::fromLatin1(RoutinePath::Main_CorrelateListviewsWrapper),
                 QStringLiteral("Lumaveil2021/08/31.Main.CorrelateListviewsWrapper"));
    }

    void testRoutineContinuesAfterEachFailure()
    {
        FakeDialogs dialogs;
        ErrorReport report(dialogs, QStringLiteral("a@b"));
        GuardedRoutine routine(report, RoutinePath::Form1_Form_Load);
        QStringList done;
        routine.step(100, [&] { done << "100"; });
        routine.step(102, [&] {
            throw Failure(QStringLiteral("first"));
            done << "102";
        });
        routine.step(104, [&] { done << "104"; });
        routine.step(106, [&] { throw Failure(QStringLiteral("second")); });
        routine.step(108, [&] { done << "108"; });

        QCOMPARE(done, QStringList({"100", "104", "108"}));
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(dialogs.messages[0].text.startsWith(QStringLiteral("first\r\n")));
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral(" at line 102\r\r")));
        QVERIFY(dialogs.messages[1].text.contains(QStringLiteral(" at line 106\r\r")));
        QCOMPARE(routine.lineReached(), 108);
    }

    void testFailingConditionRunsTheBody()
    {
        FakeDialogs dialogs;
        ErrorReport report(dialogs, QStringLiteral("a@b"));
        GuardedRoutine routine(report, RoutinePath::Form1_Form_Load);
        bool bodyRan = false;
        if (routine.test(130, [] { return Convert::toBoolean(QStringLiteral("maybe")); })) {
            bodyRan = true;
        }
        QVERIFY(bodyRan);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral(" at line 130\r\r")));

        QVERIFY(!routine.test(132, [] { return false; }));
        QCOMPARE(dialogs.messages.size(), 1);
    }

    // Where the body must not run by mistake, a failing test is reported and counts as false.
    void testFailingGuardSkipsTheBody()
    {
        FakeDialogs dialogs;
        ErrorReport report(dialogs, QStringLiteral("a@b"));
        GuardedRoutine routine(report, RoutinePath::Form3_PushButton1_Click);
        QVERIFY(!routine.holds(102, [] { return Convert::toBoolean(QStringLiteral("maybe")); }));
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("Form3.PushButton1_Click at line 102")));
        QVERIFY(routine.holds(104, [] { return true; }));
        QVERIFY(!routine.holds(106, [] { return false; }));
        QCOMPARE(dialogs.messages.size(), 1);
    }

    void testFailureInsideACalleeNamesTheCallersLine()
    {
        FakeDialogs dialogs;
        ErrorReport report(dialogs, QStringLiteral("a@b"));
        const auto unguardedHelper = [] { return Convert::toInteger(QStringLiteral("99999")); };
        GuardedRoutine outer(report, RoutinePath::Form1_PushButton2_Click);
        outer.step(104, [&] {
            GuardedRoutine inner(report, RoutinePath::Form1_StopTimer);
            inner.step(110, [&] { (void)unguardedHelper(); });
        });
        outer.step(106, [&] { (void)unguardedHelper(); });

        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("Form1.StopTimer at line 110")));
        QVERIFY(dialogs.messages[1].text.startsWith(QStringLiteral("Overflow\r\n")));
        QVERIFY(dialogs.messages[1].text.contains(QStringLiteral("Form1.PushButton2_Click at line 106")));
    }
};

QTEST_GUILESS_MAIN(TestErrorReport)
#include "TestErrorReport.moc"
