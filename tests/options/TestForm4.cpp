// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestEnvironment.h"
#include "options/Form4.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
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
        QCOMPARE(form.size(), QSize(536, 376));
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
        QVERIFY(!form.Check6->isChecked());
        QVERIFY(form.Check7->isChecked());
        QVERIFY(!form.Check7->isVisibleTo(&form));
        QVERIFY(!form.Check8->isChecked());
        QVERIFY(form.Check6->isEnabled());
        QVERIFY(!QFile::exists(m_env->settings->fileName()));
    }

    // The desktop options sit in a frame of their own below the others, which keep their place; OK comes last.
    void testDesktopOptionsFrame()
    {
        Form4& form = load();
        QCOMPARE(form.Frame6->title(), QStringLiteral("Desktop Options"));
        QCOMPARE(form.Frame5->geometry(), QRect(8, 186, 520, 51));
        QCOMPARE(form.Frame6->geometry(), QRect(8, 240, 520, 95));
        QCOMPARE(form.PushButton1->geometry(), QRect(8, 343, 520, 27));
        QVERIFY(form.rect().contains(form.PushButton1->geometry()));
        for (QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control != form.PushButton1) {
                QVERIFY2(control->geometry().bottom() < form.PushButton1->y(), qPrintable(control->objectName()));
            }
        }
        for (QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control != form.Frame6) {
                QVERIFY2(!control->geometry().intersects(form.Frame6->geometry()), qPrintable(control->objectName()));
            }
        }
        for (QCheckBox* box : {form.Check6, form.Check7, form.Check8}) {
            QCOMPARE(box->parentWidget(), form.Frame6);
            QVERIFY(form.Frame6->contentsRect().contains(box->geometry()));
        }
    }

    // Each desktop option is stored the moment it changes; the full-screen one shows only with the desktop count.
    void testDesktopOptionsAreStoredAtOnce()
    {
        Form4& form = load();
        form.show();
        form.Check6->click();
        QCOMPARE(read(Setting::DesktopIdle), QStringLiteral("1"));
        QVERIFY(form.Check7->isVisible());
        form.Check7->click();
        QCOMPARE(read(Setting::RespectFullScreen), QStringLiteral("0"));
        form.Check8->click();
        QCOMPARE(read(Setting::LockSession), QStringLiteral("1"));
        form.Check6->click();
        QCOMPARE(read(Setting::DesktopIdle), QStringLiteral("0"));
        QVERIFY(!form.Check7->isVisible());
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
        QCOMPARE(form.Check6->isChecked(), desktopIdle == QLatin1String("1"));
        QCOMPARE(form.Check7->isVisibleTo(&form), desktopIdle == QLatin1String("1"));
        QCOMPARE(form.Check7->isChecked(), respectFullScreen == QLatin1String("1"));
        QCOMPARE(form.Check8->isChecked(), lockSession == QLatin1String("1"));
        // Loading writes back only what it changed.
        QCOMPARE(read(Setting::DesktopIdle), desktopIdle);
    }

    // Where the desktop cannot tell its idle time, the option cannot be changed, and its tool tip says why.
    void testDesktopCountThatCannotWork()
    {
        m_env->settings->WriteSetting(Setting::DesktopIdle, QStringLiteral("1"));
        Form4& form = load();
        form.setDesktopIdleAvailable(false, QStringLiteral("the X server has no screen saver extension"));
        QVERIFY(!form.Check6->isEnabled());
        QVERIFY(!form.Check7->isEnabled());
        QVERIFY(form.Check8->isEnabled());
        QVERIFY2(form.Check6->toolTip().contains(QLatin1String("the X server has no screen saver extension")),
                 qPrintable(form.Check6->toolTip()));
        form.setDesktopIdleAvailable(true);
        QVERIFY(form.Check6->isEnabled());
        QVERIFY(form.Check7->isEnabled());
        QVERIFY(form.Check6->toolTip().isEmpty());
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

    void testPasswordBox()
    {
        Form4& form = load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        form.Check5->click();
        QCOMPARE(read(Setting::PasswordMouseMove), QStringLiteral("1"));
        QVERIFY(form.Text2->isEnabled());
        QTRY_VERIFY(form.Text2->hasFocus());
        QTest::keyClicks(form.Text2, QStringLiteral("ab"));
        QCOMPARE(read(Setting::Password), QStringLiteral("ab"));
        form.Check5->click();
        QCOMPARE(read(Setting::PasswordMouseMove), QStringLiteral("0"));
        QCOMPARE(read(Setting::Password), QStringLiteral("ab"));
    }

    void testStoredValuesComeBack()
    {
        m_env->settings->WriteSetting(Setting::SlideshowInterval, QStringLiteral("3.5"));
        m_env->settings->WriteSetting(Setting::Password, QStringLiteral("pw"));
        m_env->settings->WriteSetting(Setting::Option1, QStringLiteral("0"));
        m_env->settings->WriteSetting(Setting::Option2, QStringLiteral("-1"));
        m_env->settings->WriteSetting(Setting::Check1, QStringLiteral("1"));
        m_env->settings->WriteSetting(Setting::Check4, QStringLiteral("1"));
        m_env->settings->WriteSetting(Setting::PasswordMouseMove, QStringLiteral("2"));
        Form4& form = load();
        QCOMPARE(form.Text1->text(), QStringLiteral("3.5"));
        QCOMPARE(form.Text2->text(), QStringLiteral("pw"));
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
