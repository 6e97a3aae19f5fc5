// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Form3.h"
#include "fakes/TestEnvironment.h"
#include "platform/QtDialogs.h"
#include "settings/PasswordHash.h"

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

    // The password is stored as a hash; one that an older version stored in the clear still counts, and is
    // hashed once it has been read.
    void testRightPasswordIsAccepted_data()
    {
        QTest::addColumn<bool>("storedClear");
        QTest::newRow("hash") << false;
        QTest::newRow("clear, from an older version") << true;
    }

    void testRightPasswordIsAccepted()
    {
        QFETCH(bool, storedClear);
        const QString password = QStringLiteral("Secret 1");
        m_env->settings->WriteSetting(Setting::Password, storedClear ? password : PasswordHash::hashed(password));
        Form3& form = prompt();
        QTest::keyClicks(form.Text2, password);
        form.PushButton1->click();
        QVERIFY(form.PasswordAccepted());
        QVERIFY(!form.isVisible());
        QVERIFY(m_env->dialogs.messages.isEmpty());
        const QString stored = m_env->settings->ReadSetting(Setting::Password);
        QVERIFY(PasswordHash::isHashed(stored));
        QVERIFY(PasswordHash::matches(stored, password));
    }

    void testWrongPasswordIsRefusedOnce_data()
    {
        QTest::addColumn<bool>("storedClear");
        QTest::addColumn<QString>("typed");
        for (const bool clear : {false, true}) {
            const char* form = clear ? "clear, " : "";
            QTest::addRow("%sother", form) << clear << "guess";
            QTest::addRow("%sletter case", form) << clear << "secret 1";
            QTest::addRow("%sblank around", form) << clear << " Secret 1";
            QTest::addRow("%sempty", form) << clear << "";
        }
        // The stored form itself is no password.
        QTest::newRow("the hash") << false << "hash";
    }

    void testWrongPasswordIsRefusedOnce()
    {
        QFETCH(bool, storedClear);
        QFETCH(QString, typed);
        const QString password = QStringLiteral("Secret 1");
        const QString hash = PasswordHash::hashed(password);
        m_env->settings->WriteSetting(Setting::Password, storedClear ? password : hash);
        Form3& form = prompt();
        form.Text2->setText(typed == QLatin1String("hash") ? hash.sliced(1) : typed);
        form.PushButton1->click();
        QVERIFY(!form.PasswordAccepted());
        QVERIFY(!form.isVisible());
        QCOMPARE(m_env->dialogs.texts(), QStringList({QStringLiteral("Invalid Password.")}));
        QCOMPARE(m_env->dialogs.messages.first().caption, QString());
    }

    // A stored hash that is damaged matches nothing: the prompt says so through the error report, and refuses.
    void testDamagedHashIsReported()
    {
        QString damaged = PasswordHash::hashed(QStringLiteral("Secret 1"));
        damaged.truncate(12);
        m_env->settings->WriteSetting(Setting::Password, damaged);
        Form3& form = prompt();
        form.Text2->setText(QStringLiteral("Secret 1"));
        form.PushButton1->click();
        QVERIFY(!form.PasswordAccepted());
        QCOMPARE(m_env->reports(),
                 QStringList({QStringLiteral(
                     "Lumaveil2021/08/31.Form3.PushButton1_Click@102: The stored password is damaged")}));
        QCOMPARE(m_env->dialogs.texts().last(), QStringLiteral("Invalid Password."));
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
