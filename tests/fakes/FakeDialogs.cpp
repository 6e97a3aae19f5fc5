// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeDialogs.h"

void FakeDialogs::message(QWidget*, const QString& text, Icon icon, const QString& caption)
{
    messages.append({text, icon, caption});
}

QStringList FakeDialogs::texts() const
{
    QStringList result;
    for (const Message& message : messages) {
        result.append(message.text);
    }
    return result;
}
