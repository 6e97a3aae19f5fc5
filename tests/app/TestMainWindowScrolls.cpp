// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"
#include "fakes/TestEnvironment.h"
#include "shell/cSysTray.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpontaneKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

/**
 * The main window on a screen too small for it: a screen of 1920x1080 pixels at a scale factor of 2 holds 960x540
 * of the window's 536x548, less the window's frame.
 */
class TestMainWindowScrolls : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Form1> m_form;

    Form1& show()
    {
        m_form = std::make_unique<Form1>(m_env->services());
        m_form->cSysTray1->setAvailabilityCheck([] { return false; });
        m_form->Form_Load();
        m_form->show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(m_form.get())); }();
        return *m_form;
    }

    // The mouse wheel turned over a point of the window, towards the user (down) or away (up), as the window system
    // delivers it: to the widget under the pointer, and on to its parents while none takes it.
    void wheel(QPoint windowPoint, int notches)
    {
        for (int i = 0; i < std::abs(notches); ++i) {
            QWidget* target = m_form->childAt(windowPoint);
            if (!target) {
                target = m_form.get();
            }
            QWheelEvent event(target->mapFrom(m_form.get(), QPointF(windowPoint)),
                              m_form->mapToGlobal(QPointF(windowPoint)),
                              QPoint(),
                              QPoint(0, notches > 0 ? -120 : 120),
                              Qt::NoButton,
                              Qt::NoModifier,
                              Qt::NoScrollPhase,
                              false);
            QSpontaneKeyEvent::setSpontaneous(&event);
            QApplication::instance()->notify(target, &event);
        }
    }

    static bool wholeInView(QWidget* control)
    {
        return control->visibleRegion() == QRegion(control->rect());
    }

    QList<Qt::Orientation> visibleScrollBars() const
    {
        QList<Qt::Orientation> result;
        for (QScrollBar* bar : m_form->findChildren<QScrollBar*>()) {
            if (bar->isVisible()) {
                result.append(bar->orientation());
            }
        }
        return result;
    }

    QPoint centreInWindow(QWidget* control) const
    {
        return control->mapTo(m_form.get(), control->rect().center());
    }

    // A point at the left edge of the window, where no control is, however the surface is scrolled.
    QPoint bareEdge() const
    {
        return {3, m_form->height() / 2};
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

    void testWindowFitsItsScreen()
    {
        Form1& form = show();
        const QRect area = form.screen()->availableGeometry();
        QCOMPARE(area.size(), QSize(960, 540));
        QVERIFY2(area.contains(form.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(form.frameGeometry().x())
                                .arg(form.frameGeometry().y())
                                .arg(form.frameGeometry().width())
                                .arg(form.frameGeometry().height())));
        // Only the height is short: a vertical scroll bar, and room beside it for the whole width of the surface.
        QCOMPARE(visibleScrollBars(), QList<Qt::Orientation>{Qt::Vertical});
        QVERIFY(form.width() > 536);
        QVERIFY(form.height() < 540);
        QVERIFY(wholeInView(form.Label1));
        QVERIFY(wholeInView(form.PushButton21));
        QVERIFY(!wholeInView(form.Frame4));
        // The controls keep their designed places on the surface.
        QCOMPARE(form.Check8->geometry(), QRect(294, 20, 155, 19));
        QCOMPARE(form.Frame4->geometry(), QRect(8, 493, 520, 48));
    }

    void testBottomRowScrollsIntoViewAndTakesClicks()
    {
        Form1& form = show();
        wheel(bareEdge(), 10);
        QVERIFY(wholeInView(form.Frame4));
        QVERIFY(wholeInView(form.Check8));
        QVERIFY(!wholeInView(form.Label1));

        const QPoint point = centreInWindow(form.Check8);
        QVERIFY(form.rect().contains(point));
        QWidget* under = form.childAt(point);
        QCOMPARE(under, form.Check8);
        QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(&form, point));
        QVERIFY(form.Check8->isChecked());
        QCOMPARE(m_env->settings->ReadSetting(Setting::Minimized), QStringLiteral("On"));

        wheel(bareEdge(), -10);
        QVERIFY(wholeInView(form.Label1));
    }

    // The countdown counts a click on the window itself, not on a control, wherever the surface is scrolled to.
    void testCountdownTellsTheBareSurfaceWhileScrolled()
    {
        Form1& form = show();
        wheel(bareEdge(), 10);
        form.PushButton2->click();
        for (int i = 0; i < 5; ++i) {
            form.Timer4_Timer();
        }
        // Scrolled, this point of the window shows the start-up frame: a click there is the frame's.
        const QPoint onFrame = form.Frame4->mapTo(&form, QPoint(4, 44));
        QCOMPARE(form.childAt(onFrame), form.Frame4);
        QTest::mouseClick(&form, Qt::LeftButton, {}, onFrame);
        QCOMPARE(form.countdown().ElapsedSeconds, 5);

        QTest::mouseClick(&form, Qt::LeftButton, {}, bareEdge());
        QCOMPARE(form.countdown().ElapsedSeconds, 0);
        QVERIFY(form.Timer4->isActive());

        // Moves over the bare surface reach the window through the scrolled surface; those along both axes count.
        QTest::mouseMove(&form, bareEdge());
        form.Timer4_Timer();
        QTest::mouseMove(&form, bareEdge() + QPoint(0, 5));
        QCOMPARE(form.countdown().ElapsedSeconds, 1);
        QTest::mouseMove(&form, bareEdge() + QPoint(1, 9));
        QCOMPARE(form.countdown().ElapsedSeconds, 0);
    }
};

int main(int argc, char* argv[])
{
    // A screen of 1920x1080 pixels with window frames, at a scale factor of 2. Both are read once, as the
    // application starts.
    const QTemporaryDir folder;
    QFile config(folder.filePath(QStringLiteral("screen.json")));
    if (!config.open(QIODevice::WriteOnly)) {
        return 1;
    }
    config.write(R"({"windowFrameMargins": true,
                     "screens": [{"name": "screen", "x": 0, "y": 0, "width": 1920, "height": 1080,
                                  "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    TestMainWindowScrolls test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestMainWindowScrolls.moc"
