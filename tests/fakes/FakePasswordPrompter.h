// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/PasswordPrompter.h"

#include <QList>

/** Answers the password prompt from a list: accepted or not; refused once the list is used up. */
class FakePasswordPrompter : public PasswordPrompter
{
public:
    bool askPassword(QWidget*) override
    {
        ++asked;
        return !answers.isEmpty() && answers.takeFirst();
    }

    QList<bool> answers;
    int asked = 0;
};
