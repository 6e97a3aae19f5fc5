// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtDialogs.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {

QString captionOrShortTitle(const QString& caption)
{
    return caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption;
}

// Message texts break lines with carriage returns, alone or before a line feed; a label breaks only at line feeds.
QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

void QtDialogs::message(QWidget* parent, const QString& text, Icon icon, const QString& caption)
{
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    captionOrShortTitle(caption),
                    displayText(text),
                    QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
