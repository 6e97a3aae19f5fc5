// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"
#include "fakes/Pictures.h"
#include "fakes/TestEnvironment.h"
#include "options/Form4.h"
#include "showing/Form3.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOption>
#include <QTest>

#include <algorithm>
#include <cmath>

/** How the windows look: captions shown whole and readable on whatever palette the desktop gives. */
class TestWindowLook : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    QPalette m_desktopPalette;

    // "Form1 skinned" is the main window with the skin file beside the program, which gives it the button face.
    std::unique_ptr<QWidget> make(const QString& name)
    {
        const QString program = m_env->path(QStringLiteral("program"));
        if (name.startsWith(QLatin1String("Form1"))) {
            if (name.endsWith(QLatin1String("skinned"))) {
                QDir().mkpath(program + QLatin1String("/x"));
                QFile skin(program + QLatin1String("/x/o.cjs"));
                skin.open(QIODevice::WriteOnly);
            }
            auto form = std::make_unique<Form1>(m_env->services());
            form->Form_Load();
            return form;
        }
        if (name == QLatin1String("Form3")) {
            return std::make_unique<Form3>(*m_env->settings, m_env->dialogs, m_env->report, program);
        }
        return std::make_unique<Form4>(*m_env->settings, m_env->dialogs, m_env->report, program);
    }

    static void addWindows()
    {
        QTest::addColumn<QString>("window");
        for (const char* name : {"Form1", "Form1 skinned", "Form3", "Form4"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }

    static QPalette paletteOf(const QColor& window,
                              const QColor& windowText,
                              const QColor& button,
                              const QColor& buttonText,
                              const QColor& base,
                              const QColor& text)
    {
        QPalette palette(windowText, button, button.lighter(130), button.darker(150), button.darker(120), text, base);
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::ButtonText, buttonText);
        palette.setColor(QPalette::Disabled, QPalette::WindowText, windowText.darker(160));
        palette.setColor(QPalette::Disabled, QPalette::ButtonText, buttonText.darker(160));
        return palette;
    }

    // The windows under dark palettes, and the light one where asked. Some themes pair dark windows with light
    // buttons; the button face then needs the buttons' text colour.
    void addWindowsOnPalettes(std::initializer_list<const char*> windows, bool light) const
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QPalette>("palette");
        const auto grey = [](int level) { return QColor(level, level, level); };
        const QPalette dark = paletteOf(grey(53), grey(240), grey(60), grey(240), grey(35), Qt::white);
        const QPalette lightButtons = paletteOf(grey(45), grey(230), grey(200), grey(20), grey(30), Qt::white);
        for (const char* name : windows) {
            if (light) {
                QTest::addRow("%s, light", name) << QString::fromLatin1(name) << m_desktopPalette;
            }
            QTest::addRow("%s, dark", name) << QString::fromLatin1(name) << dark;
            QTest::addRow("%s, dark with light buttons", name) << QString::fromLatin1(name) << lightButtons;
        }
    }

    struct Caption
    {
        QWidget* control;
        QRect area; // in window coordinates
    };

    // Where each label, check box, option button and frame draws its caption.
    static QList<Caption> captions(QWidget* window)
    {
        QList<Caption> result;
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(window)) {
                continue;
            }
            QRect area;
            QStyle* style = control->style();
            if (auto* frame = qobject_cast<QGroupBox*>(control)) {
                QStyleOptionGroupBox option;
                option.initFrom(frame);
                option.text = frame->title();
                option.textAlignment = frame->alignment();
                option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
                area = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
            } else if (auto* button = qobject_cast<QAbstractButton*>(control);
                       button && (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button))) {
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                area = style->subElementRect(qobject_cast<QCheckBox*>(button) ? QStyle::SE_CheckBoxContents
                                                                              : QStyle::SE_RadioButtonContents,
                                             &option,
                                             button);
            } else if (qobject_cast<QLabel*>(control)) {
                area = control->contentsRect();
            } else {
                continue;
            }
            area &= control->rect();
            result.append({control, area.translated(control->mapTo(window, QPoint()))});
        }
        return result;
    }

    static QImage render(QWidget& window)
    {
        window.show();
        return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

private slots:
    void initTestCase()
    {
        m_desktopPalette = QApplication::palette();
    }

    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
    }

    void cleanup()
    {
        QApplication::setPalette(m_desktopPalette);
        m_env.reset();
    }

    void testEveryCaptionShowsWhole_data()
    {
        addWindows();
    }

    // A caption wider than its control is cut off at the control's edge.
    void testEveryCaptionShowsWhole()
    {
        QFETCH(QString, window);
        const std::unique_ptr<QWidget> form = make(window);
        QStringList cut;
        for (QWidget* control : form->findChildren<QWidget*>()) {
            int needed = 0;
            if (auto* frame = qobject_cast<QGroupBox*>(control)) {
                needed = frame->minimumSizeHint().width();
            } else if (auto* button = qobject_cast<QPushButton*>(control)) {
                // A push button's size hint is never below 80 pixels, whatever its caption; the caption itself needs
                // only its text and the button's bevel.
                const QStyle* style = button->style();
                needed = button->fontMetrics().horizontalAdvance(button->text()) +
                         style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                         2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
            } else if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLabel*>(control)) {
                needed = control->sizeHint().width();
            } else {
                continue;
            }
            if (needed > control->width()) {
                cut.append(
                    QStringLiteral("%1 needs %2, has %3").arg(control->objectName()).arg(needed).arg(control->width()));
            }
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String("; "))));
    }

    void testCaptionsReadOnADarkDesktop_data()
    {
        addWindowsOnPalettes({"Form1", "Form1 skinned", "Form3", "Form4"}, false);
    }

    // Where a window forces its face, it forces the text colour with it, so that no caption vanishes into the face.
    void testCaptionsReadOnADarkDesktop()
    {
        QFETCH(QString, window);
        QFETCH(QPalette, palette);
        QApplication::setPalette(palette);
        const std::unique_ptr<QWidget> form = make(window);
        const QImage picture = render(*form);
        QStringList faint;
        const QList<Caption> all = captions(form.get());
        QVERIFY(!all.isEmpty());
        for (const Caption& caption : all) {
            const QRgb behind = Pictures::mostCommon(picture, caption.area);
            const double ratio = Pictures::contrast(Pictures::standsOutMost(picture, caption.area, behind), behind);
            if (ratio < 4.5) {
                faint.append(QStringLiteral("%1 (%2:1)").arg(caption.control->objectName()).arg(ratio, 0, 'f', 1));
            }
        }
        QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QLatin1String(", "))));
    }

    void testOptionStatesShow_data()
    {
        addWindowsOnPalettes({"Form1", "Form1 skinned", "Form4"}, true);
    }

    // Each option button and check box shows whether it is chosen: unticked it is seen on its face and looks
    // empty, and its tick stands out.
    void testOptionStatesShow()
    {
        QFETCH(QString, window);
        QFETCH(QPalette, palette);
        QApplication::setPalette(palette);
        const std::unique_ptr<QWidget> form = make(window);
        QStringList faults;
        int seen = 0;
        for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
            if ((!qobject_cast<QCheckBox*>(button) && !qobject_cast<QRadioButton*>(button)) ||
                !button->isVisibleTo(form.get())) {
                continue;
            }
            const QRect area(button->mapTo(form.get(), QPoint()), button->size());

            // Each state in turn, without the handlers that would store it.
            const QSignalBlocker quiet(button);
            const bool checked = button->isChecked();
            const bool exclusive = button->autoExclusive();
            button->setAutoExclusive(false);
            button->setChecked(false);
            const QImage unticked = render(*form);
            button->setChecked(true);
            const QImage ticked = render(*form);
            button->setChecked(checked);
            button->setAutoExclusive(exclusive);

            for (const QString& fault : Pictures::indicatorFaults(unticked, area, ticked, area)) {
                faults.append(button->objectName() + QLatin1String(": ") + fault);
            }
            ++seen;
        }
        QVERIFY(seen > 0);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1String("; "))));
    }

    void testLightDesktopKeepsTheColours_data()
    {
        addWindows();
    }

    // On the usual light palette the windows look as designed: the main window white, the dialogs in the button
    // face, and every caption in the palette's own text colour.
    void testLightDesktopKeepsTheColours()
    {
        QFETCH(QString, window);
        const std::unique_ptr<QWidget> form = make(window);
        const QImage picture = render(*form);
        const QColor face =
            window == QLatin1String("Form1") ? QColor(Qt::white) : m_desktopPalette.color(QPalette::Button);
        const QColor text = m_desktopPalette.color(QPalette::WindowText);
        QCOMPARE(QColor(picture.pixel(2, picture.height() / 2)), face);
        for (const Caption& caption : captions(form.get())) {
            const QRgb behind = Pictures::mostCommon(picture, caption.area);
            const QColor inked(Pictures::standsOutMost(picture, caption.area, behind));
            QVERIFY2(std::abs(inked.red() - text.red()) < 24 && std::abs(inked.green() - text.green()) < 24 &&
                         std::abs(inked.blue() - text.blue()) < 24,
                     qPrintable(caption.control->objectName() + QLatin1String(" ") + inked.name()));
            // Captions directly on the face stand on the face itself; Label1 is white by design.
            if (!qobject_cast<QGroupBox*>(caption.control->parentWidget())) {
                const QColor expected =
                    caption.control->objectName() == QLatin1String("Label1") ? QColor(Qt::white) : face;
                QCOMPARE(QColor(behind), expected);
            }
        }
    }

    // Where the main window fits its screen, it keeps its designed size and shows every control without scrolling.
    void testFittingMainWindowDoesNotScroll()
    {
        const std::unique_ptr<QWidget> form = make(QStringLiteral("Form1"));
        const auto noScrollBars = [&form] {
            const QList<QScrollBar*> bars = form->findChildren<QScrollBar*>();
            return std::none_of(bars.cbegin(), bars.cend(), [](const QScrollBar* bar) { return bar->isVisible(); });
        };
        // Right as it shows, and after the window system has had its say.
        form->show();
        QVERIFY(noScrollBars());
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(noScrollBars());
        QCOMPARE(form->size(), QSize(536, 548));
        auto* check8 = form->findChild<QCheckBox*>(QStringLiteral("Check8"));
        QCOMPARE(check8->mapTo(form.get(), QPoint()), QPoint(302, 513));
        QCOMPARE(check8->visibleRegion(), QRegion(check8->rect()));
    }
};

QTEST_MAIN(TestWindowLook)
#include "TestWindowLook.moc"
