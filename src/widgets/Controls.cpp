// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/Controls.h"

#include "system/ProgramFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <array>
#include <cmath>

namespace Controls {

namespace {

constexpr std::array colourGroups{QPalette::Active, QPalette::Inactive, QPalette::Disabled};

// Relative luminance and contrast ratio as the web's accessibility guidelines define them: the ratio goes from 1
// for equal colours to 21 for black on white, and ordinary text wants at least 4.5.
double luminance(const QColor& colour)
{
    const auto linear = [](float channel) {
        return channel <= 0.03928f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

double contrast(const QColor& first, const QColor& second)
{
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

constexpr double readableContrast = 4.5;

QColor halfway(const QColor& from, const QColor& to)
{
    return QColor((from.red() + to.red()) / 2, (from.green() + to.green()) / 2, (from.blue() + to.blue()) / 2);
}

bool isLight(const QColor& colour)
{
    return contrast(Qt::black, colour) >= contrast(Qt::white, colour);
}

// Fusion, the style Qt takes where the desktop names none (and under GTK's themes), fills an indicator with the
// base colour and rings it with a shade darker than the face. On a dark face neither shows: an empty box is a dark
// spot on a dark face, and an empty option button looks much like a chosen one. There this style rings them once
// more, in a shade halfway between the face and the captions.
class IndicatorRings : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element,
                       const QStyleOption* option,
                       QPainter* painter,
                       const QWidget* widget) const override
    {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element != PE_IndicatorCheckBox && element != PE_IndicatorRadioButton) {
            return;
        }
        const QColor face = option->palette.color(QPalette::Window);
        const QColor caption = option->palette.color(QPalette::WindowText);
        // The keyboard focus draws a ring of its own.
        const bool focusRing =
            option->state.testFlag(State_HasFocus) && option->state.testFlag(State_KeyboardFocusChange);
        if (luminance(caption) <= luminance(face) || focusRing) {
            return;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(halfway(face, caption));
        const QRect rect = option->rect;
        // On Fusion's own ring.
        if (element == PE_IndicatorCheckBox) {
            painter->translate(0.5, 0.5);
            painter->drawRect(rect.adjusted(0, 0, -1, -1));
        } else {
            const qreal radius = (rect.width() + (rect.width() + 1) % 2) / 2.0 - 1;
            painter->drawEllipse(QPointF(rect.center() + QPoint(1, 1)), radius, radius);
        }
        painter->restore();
    }
};

// Other styles draw their indicators in their own way, and get none.
QStyle* indicatorStyle()
{
    static QPointer<QStyle> style;
    if (!style && QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0) {
        style = new IndicatorRings(QStyleFactory::create(QStringLiteral("fusion")));
        style->setParent(qApp);
    }
    return style;
}

} // namespace

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    const QColor ownText = palette.color(QPalette::Active, QPalette::WindowText);
    if (isLight(colour) && contrast(ownText, colour) < readableContrast &&
        contrast(ownText, palette.color(QPalette::Active, QPalette::Window)) >= readableContrast) {
        // A dark palette colours the lists, text boxes and buttons dark: a light face among them would be a light
        // sheet with dark patches, and its captions would have to turn dark too.
        for (QPalette::ColorGroup group : colourGroups) {
            palette.setColor(group, QPalette::Window, palette.color(group, QPalette::Window));
            palette.setColor(group, QPalette::WindowText, palette.color(group, QPalette::WindowText));
        }
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
        return;
    }
    palette.setColor(QPalette::Window, colour);
    // The text colour is fixed along with the face, so that neither a dark palette nor a later change of palette
    // leaves light captions on a light face.
    if (contrast(ownText, colour) < readableContrast) {
        const QColor text = isLight(colour) ? Qt::black : Qt::white;
        palette.setColor(QPalette::Active, QPalette::WindowText, text);
        palette.setColor(QPalette::Inactive, QPalette::WindowText, text);
        palette.setColor(QPalette::Disabled, QPalette::WindowText, halfway(text, colour));
    } else {
        for (QPalette::ColorGroup group : colourGroups) {
            palette.setColor(group, QPalette::WindowText, palette.color(group, QPalette::WindowText));
        }
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void ApplyDialogColours(QWidget* window)
{
    const QPalette system = QApplication::palette();
    const auto colour = [&system](QWidget* widget) {
        QPalette palette = widget->palette();
        for (QPalette::ColorGroup group : colourGroups) {
            palette.setColor(group, QPalette::Window, system.color(group, QPalette::Button));
            palette.setColor(group, QPalette::WindowText, system.color(group, QPalette::ButtonText));
        }
        widget->setPalette(palette);
    };
    colour(window);
    window->setAutoFillBackground(true);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (qobject_cast<QGroupBox*>(child)) {
            colour(child);
            child->setAutoFillBackground(true);
        } else if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
                   qobject_cast<QLabel*>(child)) {
            // Not filled: in a frame the style may shade the frame's panel, and a filled control would stand on a
            // patch of its own. Clear, it shows the face around it.
            colour(child);
        }
    }
    colourIndicators(window);
}

void colourIndicators(QWidget* window)
{
    QStyle* style = indicatorStyle();
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (!qobject_cast<QRadioButton*>(child) && !qobject_cast<QCheckBox*>(child)) {
            continue;
        }
        // Styles fill an indicator with the base colour and tick it in the text colour, which belong to the text
        // boxes, not to the face: a dark base on a light face looks ticked when it is not. There the inside takes
        // the face's colour and the tick the caption's.
        QPalette palette = child->palette();
        for (QPalette::ColorGroup group : colourGroups) {
            const QColor face = palette.color(group, QPalette::Window);
            const QColor caption = palette.color(group, QPalette::WindowText);
            const QColor base = palette.color(group, QPalette::Base);
            if (contrast(base, face) > contrast(base, caption)) {
                palette.setColor(group, QPalette::Base, face);
                palette.setColor(group, QPalette::Text, caption);
            }
        }
        child->setPalette(palette);
        if (style) {
            child->setStyle(style);
        }
    }
}

void centreOver(QWidget* window, const QWidget* over)
{
    QRect place(QPoint(), window->size());
    place.moveCenter(over->geometry().center());
    if (const QScreen* screen = over->screen()) {
        // The window will have a frame like that of the other one; the frame, too, stays within the screen.
        const QRect outer = over->frameGeometry();
        const QRect inner = over->geometry();
        const QMargins frame(inner.left() - outer.left(),
                             inner.top() - outer.top(),
                             outer.right() - inner.right(),
                             outer.bottom() - inner.bottom());
        const QRect area = screen->availableGeometry().marginsRemoved(frame);
        place.moveLeft(std::clamp(place.left(), area.left(), std::max(area.left(), area.right() - place.width() + 1)));
        place.moveTop(std::clamp(place.top(), area.top(), std::max(area.top(), area.bottom() - place.height() + 1)));
    }
    // The client area's place, not the frame's: the window manager frames it there, whatever its frame is like.
    window->setGeometry(place);
}

QCursor customPointer(const QString& programFolder)
{
    const QString file = programFolder + QLatin1String("/HAND-M.CUR");
    if (ProgramFiles::FileExists(file)) {
        const QPixmap picture(file);
        if (!picture.isNull()) {
            return QCursor(picture);
        }
    }
    return QCursor(Qt::PointingHandCursor);
}

void showAsStars(QWidget* lineEdit)
{
    if (auto* edit = qobject_cast<QLineEdit*>(lineEdit)) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    }
}

void setOptionValue(QRadioButton* option, bool selected)
{
    if (selected || !option->isChecked()) {
        option->setChecked(selected);
        return;
    }
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

int buttonNumber(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

} // namespace Controls
