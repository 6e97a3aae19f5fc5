// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Controls.h"

#include "platform/ProgramFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>

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

} // namespace

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    // The text colour is fixed along with the face, so that neither a dark palette nor a later change of palette
    // leaves light captions on a light face.
    if (contrast(palette.color(QPalette::Active, QPalette::WindowText), colour) < readableContrast) {
        const QColor text = contrast(Qt::black, colour) >= contrast(Qt::white, colour) ? Qt::black : Qt::white;
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
