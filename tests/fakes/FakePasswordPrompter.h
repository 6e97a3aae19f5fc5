// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/PasswordPrompter.h"

#include <QList>

#include <functional>

/**
 * Answers the password prompt from a list: accepted or not; refused once the list is used up, and when the prompt was
 * cancelled while it stood open.
 */
class FakePasswordPrompter : public PasswordPrompter
{
public:
    bool askPassword(QWidget*) override
    {
        ++asked;
        m_open = true;
        if (whileOpen) {
            whileOpen();
        }
        const bool accepted = m_open && !answers.isEmpty() && answers.takeFirst();
        m_open = false;
        return accepted;
    }
    void cancel() override
    {
        ++cancelled;
        m_open = false;
    }

    QList<bool> answers;
    int asked = 0;
    int cancelled = 0;
    /** Runs while the prompt stands open, as whatever happens then would. */
    std::function<void()> whileOpen;

private:
    bool m_open = false;
};
