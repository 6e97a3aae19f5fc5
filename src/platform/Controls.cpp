// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Controls.h"

#include "platform/ProgramFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace Controls {

void ApplyDialogColours(QWidget* window)
{
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    setBackground(window, buttonFace);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) || qobject_cast<QGroupBox*>(child) ||
            qobject_cast<QLabel*>(child)) {
            setBackground(child, buttonFace);
        }
    }
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
