// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Dialogs.h"

class QtDialogs : public Dialogs
{
public:
    void message(QWidget* parent, const QString& text, Icon icon, const QString& caption) override;
};
