// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

/** Asks for the screensaver password before a showing may end. */
class PasswordPrompter
{
public:
    virtual ~PasswordPrompter() = default;

    /** Shows the prompt modally over owner; true when the password typed was the stored one. */
    virtual bool askPassword(QWidget* owner) = 0;
    /**
     * Closes the prompt that stands open, with any message over it, as Cancel does: the password is refused. A
     * prompter that answers without a window has nothing to close.
     */
    virtual void cancel() {}
};
