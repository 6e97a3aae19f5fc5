// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

/**
 * The message boxes, the input box and the file and folder pickers that the windows show. Tests replace it, so that
 * no test ever waits for a person.
 */
class Dialogs
{
public:
    enum class Icon
    {
        None,
        Warning
    };

    virtual ~Dialogs() = default;

    /** A modal box with an OK button. An empty caption shows the application's short title. */
    virtual void message(QWidget* parent, const QString& text, Icon icon = Icon::None, const QString& caption = {}) = 0;
};
