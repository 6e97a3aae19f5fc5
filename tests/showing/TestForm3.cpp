// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestEnvironment.h"
#include "settings/PasswordHash.h"
#include "showing/Form3.h"
#include "widgets/QtDialogs.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestForm3 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Form3> m_form;

    Form3& prompt()
    {
        m_form = std::make_unique<Form3>(
            *m_env->settings, m_env->dialogs, m_env->report, m_env->path(QStringLiteral("program")));
        m_form->show();
        return *m_form;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
    }

    void cleanup()
    {
        m_form.reset();
        m_env.reset();
    }

    void testLayout()
    {
        Form3& form = prompt();
        QCOMPARE(form.windowTitle(), QStringLiteral("Enter Password"));
        QCOMPARE(form.size(), QSize(536, 107));
        QCOMPARE(form.Frame1->title(), QStringLiteral("Password"));
        QCOMPARE(form.Text2->echoMode(), QLineEdit::Password);
        QCOMPARE(form.PushButton1->text(), QStringLiteral("OK"));
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Cancel"));
        QCOMPARE(form.palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
        QVERIFY(form.Text2->text().isEmpty());
    }

    // The password is stored as a hash; one that an older version stored in the clear still counts. Anything else is
    // refused with one message; a damaged hash, which nothing matches, is reported as well.
    void testPasswordIsJudged_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("reports");
        for (const char* form : {"hash", "clear"}) {
            QTest::addRow("%s, right", form) << form << "Secret 1" << true << QStringList();
            QTest::addRow("%s, other", form) << form << "guess" << false << QStringList();
            QTest::addRow("%s, letter case", form) << form << "secret 1" << false << QStringList();
            QTest::addRow("%s, blank around", form) << form << " Secret 1" << false << QStringList();
            QTest::addRow("%s, empty", form) << form << "" << false << QStringList();
        }
        // The stored form itself is no password.
        QTest::newRow("the hash typed") << "hash"
                                        << "the hash" << false << QStringList();
        QTest::newRow("damaged hash") << "damaged"
                                      << "Secret 1" << false
                                      << QStringList({QStringLiteral("Lumaveil2021/08/31.Form3.PushButton1_Click@102: "
                                                                     "The stored password is damaged")});
    }

    void testPasswordIsJudged()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QStringList, reports);
        const QString password = QStringLiteral("Secret 1");
        const QString hash = PasswordHash::hashed(password);
        m_env->settings->WriteSetting(Setting::Password,
                                      stored == QLatin1String("clear")     ? password
                                      : stored == QLatin1String("damaged") ? hash.left(12)
                                                                           : hash);
        Form3& form = prompt();
        QTest::keyClicks(form.Text2, typed == QLatin1String("the hash") ? hash.sliced(1) : typed);
        form.PushButton1->click();
        QCOMPARE(form.PasswordAccepted(), accepted);
        QVERIFY(!form.isVisible());
        QCOMPARE(m_env->reports(), reports);
        // Each report comes as a message of its own, before the one message of a refusal.
        QCOMPARE(m_env->dialogs.texts().size(), reports.size() + (accepted ? 0 : 1));
        if (!accepted) {
            QCOMPARE(m_env->dialogs.texts().last(), QStringLiteral("Invalid Password."));
            QCOMPARE(m_env->dialogs.messages.last().caption, QString());
        }
    }

    void testNoPasswordStoredTakesAnEmptyOne()
    {
        Form3& form = prompt();
        QTest::keyClick(form.Text2, Qt::Key_Return);
        QVERIFY(form.PasswordAccepted());
        // Enter and the button together still judge once.
        form.PushButton1->click();
        QVERIFY(m_env->dialogs.messages.isEmpty());
    }

    void testCancelRefuses()
    {
        m_env->settings->WriteSetting(Setting::Password, QStringLiteral("x"));
        Form3& form = prompt();
        form.Text2->setText(QStringLiteral("x"));
        form.PushButton2->click();
        QVERIFY(!form.PasswordAccepted());
        QVERIFY(!form.isVisible());
        QVERIFY(m_env->dialogs.messages.isEmpty());
    }

    // The session locks while the prompt stands open, perhaps under its "Invalid Password." message: both close,
    // and the password counts as refused.
    void testCancelFromOutside_data()
    {
        QTest::addColumn<bool>("withMessage");
        QTest::newRow("prompt") << false;
        QTest::newRow("prompt with its message") << true;
    }

    void testCancelFromOutside()
    {
        QFETCH(bool, withMessage);
        QtDialogs dialogs;
        DialogPasswordPrompter prompter(
            *m_env->settings, dialogs, m_env->report, m_env->path(QStringLiteral("program")));
        QWidget owner;
        bool typed = false;
        bool cancelled = false;
        bool stuck = false;
        QTimer step;
        connect(&step, &QTimer::timeout, this, [&] {
            QWidget* open = QApplication::activeModalWidget();
            auto* prompt = qobject_cast<Form3*>(open);
            if (cancelled && open) {
                // Still open after the cancel: end it rather than hang.
                stuck = true;
                open->hide();
            } else if (withMessage && prompt && !typed) {
                prompt->Text2->setText(QStringLiteral("wrong"));
                QMetaObject::invokeMethod(prompt->PushButton1, &QPushButton::click, Qt::QueuedConnection);
                typed = true;
            } else if (withMessage ? qobject_cast<QMessageBox*>(open) != nullptr : prompt != nullptr) {
                prompter.cancel();
                cancelled = true;
            }
        });
        step.start(20);
        QVERIFY(!prompter.askPassword(&owner));
        QVERIFY(cancelled);
        QVERIFY(!stuck);
    }
};

QTEST_MAIN(TestForm3)
#include "TestForm3.moc"
