// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"
#include "fakes/TestEnvironment.h"
#include "shell/cSysTray.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTest>

/** The main window and its icon in a real notification area on an X display. */
class TestTrayOnScreen : public QObject
{
    Q_OBJECT

private:
    // The window that Qt docks into the notification area for the icon.
    static QWidget* dockedIcon()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0 && widget->isVisible()) {
                return widget;
            }
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QSKIP("needs an X display");
        }
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 5000);
    }

    void testMinimiseToTheIconAndBack()
    {
        TestEnvironment env;
        Form1 form(env.services());
        form.Form_Load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY_WITH_TIMEOUT(dockedIcon() != nullptr, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(form.cSysTray1->findChild<QSystemTrayIcon*>()->geometry().isValid(), 5000);

        form.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(form.isHidden());
        QVERIFY(form.MinimizedToTray);
        QVERIFY(form.cSysTray1->balloonShown());

        QTest::mouseClick(dockedIcon(), Qt::LeftButton);
        QTRY_VERIFY(form.isVisible());
        QVERIFY(!form.MinimizedToTray);
        QVERIFY(!(form.windowState() & Qt::WindowMinimized));
        form.close();
    }
};

QTEST_MAIN(TestTrayOnScreen)
#include "TestTrayOnScreen.moc"
