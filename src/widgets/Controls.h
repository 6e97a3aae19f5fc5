// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/Twips.h"

#include <QCursor>
#include <QFont>
#include <QGroupBox>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QRadioButton;

#include <type_traits>

/** Building the windows' controls from their designed positions. */
namespace Controls {

/** Arial in bold, as the windows are designed; fontconfig maps it to a font of the same metrics. */
[[nodiscard]] inline QFont arialBold(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

/** A control named as designed, at its designed place in twips, with its caption. */
template <typename Control>
Control* place(QWidget* parent, const char* name, int left, int top, int width, int height, const QString& caption = {})
{
    auto* control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(Twips::toPixels(left, top, width, height));
    if constexpr (std::is_base_of_v<QGroupBox, Control>) {
        control->setTitle(caption);
    } else if constexpr (requires { control->setText(caption); }) {
        control->setText(caption);
    }
    return control;
}

/**
 * Fills the widget with a face of its own, and gives its captions a colour that reads on that face: the palette's
 * own text colour where it does, else black or white, whichever stands out more. On a dark palette, whose light
 * captions do not read on a light colour, the widget takes the palette's own face instead of that colour, so that
 * it matches the controls that the palette colours.
 */
void setBackground(QWidget* widget, const QColor& colour);

/**
 * Gives the window, and each of its option buttons, check boxes, frames and labels, the system's button-face
 * colour, with the system's button-text colour for their captions. Text boxes, buttons and other controls keep
 * theirs. The option buttons and check boxes get indicators that show on that face.
 */
void ApplyDialogColours(QWidget* window);

/**
 * Gives the option buttons and check boxes of the window indicators that show, ticked or not, on the face they
 * stand on: empty ones look empty, and show on a dark face too.
 */
void colourIndicators(QWidget* window);

/** Places a window, not shown yet, with its centre on that of another, and within that one's screen. */
void centreOver(QWidget* window, const QWidget* over);

/** The custom pointer: the cursor file "HAND-M.CUR" of the program folder where there is one, else a hand. */
[[nodiscard]] QCursor customPointer(const QString& programFolder);

/** Shows typed characters as "*". */
void showAsStars(QWidget* lineEdit);

/** Selects or clears an option button; clearing the selected one leaves its group without a selection. */
void setOptionValue(QRadioButton* option, bool selected);

/** The mouse button as a number: 1 left, 2 right, 4 middle, 0 any other. */
[[nodiscard]] int buttonNumber(Qt::MouseButton button);

} // namespace Controls
