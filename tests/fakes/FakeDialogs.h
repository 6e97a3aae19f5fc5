// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QString>

/** Records every box the program shows and answers at once. */
class FakeDialogs : public Dialogs
{
public:
    struct Message
    {
        QString text;
        Icon icon;
        QString caption;
    };

    void message(QWidget* parent, const QString& text, Icon icon, const QString& caption) override;

    /** The texts of the boxes shown so far. */
    [[nodiscard]] QStringList texts() const;

    QList<Message> messages;
};
