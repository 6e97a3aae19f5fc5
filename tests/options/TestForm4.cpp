// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestEnvironment.h"
#include "options/Form4.h"
#include "settings/PasswordHash.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class TestForm4 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    QPointer<Form4> m_form;

    Form4& load()
    {
        m_form = new Form4(*m_env->settings, m_env->dialogs, m_env->report, m_env->path(QStringLiteral("program")));
        return *m_form;
    }

    QString read(Setting setting) const
    {
        return m_env->settings->ReadSetting(settingKey(setting), QStringLiteral("absent"));
    }

    // The password box, shown and holding the focus, as the user finds it after ticking the prompt.
    QLineEdit* passwordBox(Form4& form)
    {
        form.show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&form)); }();
        form.activateWindow();
        form.Check5->click();
        [&] { QTRY_VERIFY(form.Text2->hasFocus()); }();
        return form.Text2;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
    }

    void cleanup()
    {
        delete m_form;
        m_env.reset();
    }

    void testFirstStart()
    {
        Form4& form = load();
        QCOMPARE(form.windowTitle(), QStringLiteral("ScreenSaver Options"));
        QCOMPARE(form.size(), QSize(536, 446));
        QCOMPARE(form.Frame1->title(), QStringLiteral("Display Option "));
        QVERIFY(form.Option1->isChecked());
        QVERIFY(!form.Option2->isChecked());
        QVERIFY(!form.Check1->isChecked());
        QVERIFY(!form.Check4->isChecked());
        QVERIFY(!form.Check5->isChecked());
        QCOMPARE(form.Text1->text(), QStringLiteral("10"));
        QVERIFY(form.Text2->text().isEmpty());
        QVERIFY(!form.Text1->isEnabled());
        QVERIFY(!form.Text2->isEnabled());
        QCOMPARE(form.Text2->echoMode(), QLineEdit::Password);
        QVERIFY(!form.desktopIdleCheck->isChecked());
        QVERIFY(form.respectFullScreenCheck->isChecked());
        QVERIFY(!form.respectFullScreenCheck->isVisibleTo(&form));
        QVERIFY(!form.lockSessionCheck->isChecked());
        QVERIFY(form.desktopIdleCheck->isEnabled());
        QVERIFY(form.lockSessionCheck->isEnabled());
        QVERIFY(!QFile::exists(m_env->settings->fileName()));
    }

    // The desktop options, then the showing options, sit in frames of their own below the others, which keep their
    // place; OK comes last.
    void testDesktopOptionsFrame()
    {
        Form4& form = load();
        QGroupBox* frame = form.desktopOptionsFrame;
        QCOMPARE(frame->title(), QStringLiteral("Desktop Options"));
        QCOMPARE(form.Frame5->geometry(), QRect(8, 186, 520, 51));
        QCOMPARE(frame->geometry(), QRect(8, 240, 520, 95));
        QCOMPARE(form.showingOptionsFrame->geometry(), QRect(8, 338, 520, 71));
        QCOMPARE(form.PushButton1->geometry(), QRect(8, 413, 520, 27));
        QVERIFY(form.rect().contains(form.PushButton1->geometry()));
        for (QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control != form.PushButton1) {
                QVERIFY2(control->geometry().bottom() < form.PushButton1->y(), qPrintable(control->objectName()));
            }
        }
        for (QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control != frame) {
                QVERIFY2(!control->geometry().intersects(frame->geometry()), qPrintable(control->objectName()));
            }
        }
        QStringList names{frame->objectName()};
        for (QCheckBox* box : {form.desktopIdleCheck, form.respectFullScreenCheck, form.lockSessionCheck}) {
            QCOMPARE(box->parentWidget(), frame);
            QVERIFY(frame->contentsRect().contains(box->geometry()));
            names.append(box->objectName());
        }
        // Named for what they are: the main window's Frame6 and Check8 mean other things.
        QCOMPARE(
            names,
            QStringList({"desktopOptionsFrame", "desktopIdleCheck", "respectFullScreenCheck", "lockSessionCheck"}));
    }

    // Each desktop option is stored the moment it changes; the full-screen one shows only with the desktop count.
    void testDesktopOptionsAreStoredAtOnce()
    {
        Form4& form = load();
        form.show();
        form.desktopIdleCheck->click();
        QCOMPARE(read(Setting::DesktopIdle), QStringLiteral("1"));
        QVERIFY(form.respectFullScreenCheck->isVisible());
        form.respectFullScreenCheck->click();
        QCOMPARE(read(Setting::RespectFullScreen), QStringLiteral("0"));
        form.lockSessionCheck->click();
        QCOMPARE(read(Setting::LockSession), QStringLiteral("1"));
        form.desktopIdleCheck->click();
        QCOMPARE(read(Setting::DesktopIdle), QStringLiteral("0"));
        QVERIFY(!form.respectFullScreenCheck->isVisible());
        QCOMPARE(read(Setting::RespectFullScreen), QStringLiteral("0"));
        QCOMPARE(read(Setting::LockSession), QStringLiteral("1"));
    }

    void testStoredDesktopOptionsComeBack_data()
    {
        QTest::addColumn<QString>("desktopIdle");
        QTest::addColumn<QString>("respectFullScreen");
        QTest::addColumn<QString>("lockSession");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("all on") << "1"
                                << "1"
                                << "1" << QStringList();
        QTest::newRow("full screen off") << "1"
                                         << "0"
                                         << "0" << QStringList();
        QTest::newRow("nonsense") << "often"
                                  << "1"
                                  << "yes"
                                  << QStringList(
                                         {QStringLiteral("Lumaveil2021/08/31.Form4.Form_Load@120: Type mismatch"),
                                          QStringLiteral("Lumaveil2021/08/31.Form4.Form_Load@124: Type mismatch")});
    }

    void testStoredDesktopOptionsComeBack()
    {
        QFETCH(QString, desktopIdle);
        QFETCH(QString, respectFullScreen);
        QFETCH(QString, lockSession);
        QFETCH(QStringList, reports);
        m_env->settings->WriteSetting(Setting::DesktopIdle, desktopIdle);
        m_env->settings->WriteSetting(Setting::RespectFullScreen, respectFullScreen);
        m_env->settings->WriteSetting(Setting::LockSession, lockSession);
        Form4& form = load();
        QCOMPARE(m_env->reports(), reports);
        QCOMPARE(form.desktopIdleCheck->isChecked(), desktopIdle == QLatin1String("1"));
        QCOMPARE(form.respectFullScreenCheck->isVisibleTo(&form), desktopIdle == QLatin1String("1"));
        QCOMPARE(form.respectFullScreenCheck->isChecked(), respectFullScreen == QLatin1String("1"));
        QCOMPARE(form.lockSessionCheck->isChecked(), lockSession == QLatin1String("1"));
        // Loading writes back only what it changed.
        QCOMPARE(read(Setting::DesktopIdle), desktopIdle);
    }

    // The showing options: a stored value comes back as the choice it names, one that names none shows the default
    // and stays stored as it is, and a choice made is stored at once. What the window shows is what a showing gets.
    void testShowingOptions_data()
    {
        QTest::addColumn<QString>("screens");
        QTest::addColumn<QString>("fade");
        QTest::addColumn<QString>("shownScreens");
        QTest::addColumn<QString>("shownFade");
        QTest::newRow("not stored") << "absent"
                                    << "absent"
                                    << "Primary screen only"
                                    << "Off: a cut";
        QTest::newRow("each, one second") << "Each"
                                          << "1"
                                          << "Its own video on each screen"
                                          << "1 second";
        QTest::newRow("written otherwise") << " same "
                                           << "0.50"
                                           << "The same video on every screen"
                                           << "Half a second";
        QTest::newRow("nonsense") << "Left"
                                  << "3"
                                  << "Primary screen only"
                                  << "Off: a cut";
    }

    void testShowingOptions()
    {
        QFETCH(QString, screens);
        QFETCH(QString, fade);
        QFETCH(QString, shownScreens);
        QFETCH(QString, shownFade);
        if (screens != QLatin1String("absent")) {
            m_env->settings->WriteSetting(Setting::Screens, screens);
            m_env->settings->WriteSetting(Setting::Fade, fade);
        }
        Form4& form = load();
        QCOMPARE(form.screensBox->currentText(), shownScreens);
        QCOMPARE(form.fadeBox->currentText(), shownFade);
        QCOMPARE(Form4::showingOption(*m_env->settings, Setting::Screens), form.screensBox->currentData().toString());
        QCOMPARE(Form4::showingOption(*m_env->settings, Setting::Fade), form.fadeBox->currentData().toString());
        QCOMPARE(read(Setting::Screens), screens);
        QVERIFY(m_env->reports().isEmpty());

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.fadeBox->setFocus();
        QTest::keyClick(form.fadeBox, Qt::Key_End);
        QCOMPARE(read(Setting::Fade), QStringLiteral("2"));
        form.screensBox->setFocus();
        QTest::keyClick(form.screensBox, Qt::Key_End);
        QCOMPARE(read(Setting::Screens), QStringLiteral("Each"));
    }

    // Where the desktop cannot tell its idle time, or cannot be locked, the option cannot be changed, and its tool
    // tip says why; each on its own.
    void testDesktopOptionThatCannotWork()
    {
        m_env->settings->WriteSetting(Setting::DesktopIdle, QStringLiteral("1"));
        m_env->settings->WriteSetting(Setting::LockSession, QStringLiteral("1"));
        Form4& form = load();
        form.setDesktopIdleAvailable(false, QStringLiteral("the X server has no screen saver extension"));
        QVERIFY(!form.desktopIdleCheck->isEnabled());
        QVERIFY(!form.respectFullScreenCheck->isEnabled());
        QVERIFY(form.lockSessionCheck->isEnabled());
        QVERIFY2(form.desktopIdleCheck->toolTip().contains(QLatin1String("the X server has no screen saver extension")),
                 qPrintable(form.desktopIdleCheck->toolTip()));
        form.setDesktopIdleAvailable(true);
        QVERIFY(form.desktopIdleCheck->isEnabled());
        QVERIFY(form.respectFullScreenCheck->isEnabled());
        QVERIFY(form.desktopIdleCheck->toolTip().isEmpty());

        form.setSessionLockAvailable(false, QStringLiteral("logind does not answer on the system bus"));
        QVERIFY(!form.lockSessionCheck->isEnabled());
        QVERIFY(form.desktopIdleCheck->isEnabled());
        QVERIFY(form.lockSessionCheck->toolTip().contains(QLatin1String("logind does not answer on the system bus")));
        form.setSessionLockAvailable(true);
        QVERIFY(form.lockSessionCheck->isEnabled());
        QVERIFY(form.lockSessionCheck->toolTip().isEmpty());
    }

    void testEveryChangeIsStoredAtOnce()
    {
        Form4& form = load();
        form.show();
        form.Check4->click();
        QVERIFY(form.Text1->isEnabled());
        QCOMPARE(read(Setting::Check4), QStringLiteral("1"));
        form.Text1->setText(QStringLiteral("25"));
        QCOMPARE(read(Setting::SlideshowInterval), QStringLiteral("25"));
        form.Check4->click();
        // Clearing the box disables the seconds but keeps them.
        QVERIFY(!form.Text1->isEnabled());
        QCOMPARE(form.Text1->text(), QStringLiteral("25"));
        QCOMPARE(read(Setting::SlideshowInterval), QStringLiteral("25"));
        QCOMPARE(read(Setting::Check4), QStringLiteral("0"));

        form.Check1->click();
        QCOMPARE(read(Setting::Check1), QStringLiteral("1"));

        form.Option2->click();
        QCOMPARE(read(Setting::Option1), QStringLiteral("False"));
        QCOMPARE(read(Setting::Option2), QStringLiteral("True"));
    }

    // What is typed is stored as a hash, never in the clear, once the typing pauses or the box is left; switching the
    // prompt off keeps it. A set password shows as set, by stars that stand for it and never by its stored form, also
    // one that an older version stored in the clear; any edit starts a new password from what is typed.
    void testPasswordBox_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("leaveTheBox");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("password");
        const auto row = [](const char* name, const char* stored, bool leave, const char* edit, const char* password) {
            QTest::newRow(name) << QString::fromLatin1(stored) << leave << QString::fromLatin1(edit)
                                << QString::fromLatin1(password);
        };
        row("typing pauses", "none", false, "ab;c", "ab;c");
        row("box left", "none", true, "ab;c", "ab;c");
        row("set, left alone", "hash", true, "", "old");
        row("clear, left alone", "clear", true, "", "old");
        row("typed after", "hash", true, "new", "new");
        row("typed over", "hash", true, "select all, new", "new");
        row("one character deleted", "hash", true, "backspace", "");
        row("pasted", "hash", true, "paste new", "new");
    }

    void testPasswordBox()
    {
        QFETCH(QString, stored);
        QFETCH(bool, leaveTheBox);
        QFETCH(QString, edit);
        QFETCH(QString, password);
        const QString oldPassword = QStringLiteral("old");
        if (stored != QLatin1String("none")) {
            m_env->settings->WriteSetting(
                Setting::Password, stored == QLatin1String("clear") ? oldPassword : PasswordHash::hashed(oldPassword));
        }
        Form4& form = load();
        QCOMPARE(form.Text2->displayText().size(), stored == QLatin1String("none") ? 0 : 8);
        QVERIFY(!form.Text2->text().contains(QLatin1String("argon2")));
        QVERIFY(!form.Text2->text().contains(oldPassword));

        QLineEdit* box = passwordBox(form);
        QCOMPARE(read(Setting::PasswordMouseMove), QStringLiteral("1"));
        if (edit == QLatin1String("select all, new")) {
            box->selectAll();
            QTest::keyClicks(box, QStringLiteral("new"));
        } else if (edit == QLatin1String("backspace")) {
            QTest::keyClick(box, Qt::Key_Backspace);
        } else if (edit == QLatin1String("paste new")) {
            QGuiApplication::clipboard()->setText(QStringLiteral("new"));
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        } else {
            box->end(false);
            QTest::keyClicks(box, edit);
        }
        const auto holds = [&] {
            const QString now = read(Setting::Password);
            return password.isEmpty() ? now.isEmpty() : PasswordHash::matches(now, password);
        };
        if (leaveTheBox) {
            QTest::keyClick(box, Qt::Key_Tab);
            QVERIFY(holds());
        }
        QTRY_VERIFY(holds());
        if (!edit.isEmpty()) {
            QCOMPARE(box->text(), password);
        }
        QVERIFY(m_env->settings->saveNow().isEmpty());
        QFile file(m_env->settings->fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        if (!password.isEmpty()) {
            QVERIFY2(saved.contains("\nPassword=\"@String(\\0$argon2id$"), saved.constData());
            QVERIFY(!saved.contains(password.toUtf8()));
        }
        form.Check5->click();
        QCOMPARE(read(Setting::PasswordMouseMove), QStringLiteral("0"));
        QVERIFY(holds());
    }

    // Typing waits for no hash: a hash takes a tenth of a second, and there is one for the whole password.
    void testTypingIsNotSlowedByTheHash()
    {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!PasswordHash::hashed(QStringLiteral("x")).isEmpty());
        const qint64 hashMs = clock.elapsed();
        Form4& form = load();
        QLineEdit* box = passwordBox(form);
        const QString typed = QStringLiteral("correct horse battery staple");
        clock.restart();
        QTest::keyClicks(box, typed);
        const qint64 typingMs = clock.elapsed();
        QVERIFY2(typingMs < 4 * hashMs,
                 qPrintable(QStringLiteral("typing: %1 ms, one hash: %2 ms").arg(typingMs).arg(hashMs)));
        QTRY_VERIFY(PasswordHash::matches(read(Setting::Password), typed));
    }

    void testStoredValuesComeBack()
    {
        m_env->settings->WriteSetting(Setting::SlideshowInterval, QStringLiteral("3.5"));
        m_env->settings->WriteSetting(Setting::Option1, QStringLiteral("0"));
        m_env->settings->WriteSetting(Setting::Option2, QStringLiteral("-1"));
        m_env->settings->WriteSetting(Setting::Check1, QStringLiteral("1"));
        m_env->settings->WriteSetting(Setting::Check4, QStringLiteral("1"));
        m_env->settings->WriteSetting(Setting::PasswordMouseMove, QStringLiteral("2"));
        Form4& form = load();
        QCOMPARE(form.Text1->text(), QStringLiteral("3.5"));
        QVERIFY(!form.Option1->isChecked());
        QVERIFY(form.Option2->isChecked());
        QVERIFY(form.Check1->isChecked());
        QVERIFY(form.Check4->isChecked() && form.Text1->isEnabled());
        // Any number but 0 ticks the prompt box, and its handler then stores "1".
        QVERIFY(form.Check5->isChecked() && form.Text2->isEnabled());
        QCOMPARE(read(Setting::PasswordMouseMove), QStringLiteral("1"));
        QCOMPARE(read(Setting::Option2), QStringLiteral("True"));
        QVERIFY(m_env->reports().isEmpty());
    }

    void testUnconvertibleValueIsReported()
    {
        m_env->settings->WriteSetting(Setting::Check1, QStringLiteral("often"));
        m_env->settings->WriteSetting(Setting::Check4, QStringLiteral("1"));
        Form4& form = load();
        QCOMPARE(m_env->reports(),
                 QStringList({QStringLiteral("Lumaveil2021/08/31.Form4.Form_Load@114: Type mismatch")}));
        QVERIFY(!form.Check1->isChecked());
        QVERIFY(form.Check4->isChecked());
    }

    void testSecondsThatAreNoNumber()
    {
        Form4& form = load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        form.Check4->click();
        form.Text1->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(form.Text1->hasFocus());
        form.Text1->setText(QStringLiteral("ten"));
        QCOMPARE(read(Setting::SlideshowInterval), QStringLiteral("ten"));
        QTest::keyClick(form.Text1, Qt::Key_Tab);
        QCOMPARE(m_env->dialogs.texts(), QStringList({QStringLiteral("Must be a numeric entry.")}));
        QTRY_VERIFY(form.Text1->hasFocus());
        form.Text1->setText(QStringLiteral("12"));
        QTest::keyClick(form.Text1, Qt::Key_Tab);
        QCOMPARE(m_env->dialogs.texts().size(), 1);
    }

    void testExplanationAndOk()
    {
        Form4& form = load();
        form.show();
        form.PushButton7->click();
        QCOMPARE(m_env->dialogs.texts(),
                 QStringList({QStringLiteral(
                     "Show Original will show the video at original aspect ratio with black around the sides.")}));
        form.Option2->setText(QStringLiteral("Native size"));
        form.PushButton7->click();
        QVERIFY(m_env->dialogs.texts().last().startsWith(QStringLiteral("Native size will show")));

        form.PushButton1->click();
        QTRY_VERIFY(m_form.isNull());
    }
};

QTEST_MAIN(TestForm4)
#include "TestForm4.moc"
