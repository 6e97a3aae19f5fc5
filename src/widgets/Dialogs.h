// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

/**
 * The message boxes, the input box, the file and folder pickers and the file manager that the windows show. Tests
 * replace it, so that no test ever waits for a person. An empty caption shows the application's short title.
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

    /** A modal box with an OK button. */
    virtual void message(QWidget* parent, const QString& text, Icon icon = Icon::None, const QString& caption = {}) = 0;
    /** A modal question with Yes and No buttons; true for Yes. */
    virtual bool question(QWidget* parent, const QString& text, const QString& caption = {}) = 0;
    /** A line of text asked for; empty when the person cancels. */
    virtual QString inputText(QWidget* parent, const QString& prompt, const QString& proposal) = 0;
    /** Existing files chosen in a file dialog, as full paths; none when the person cancels. */
    virtual QStringList openFiles(QWidget* parent, const QString& title, const QString& filter) = 0;
    /** An existing folder chosen in a folder picker that opens at startFolder; empty when the person cancels. */
    virtual QString pickFolder(QWidget* parent, const QString& title, const QString& startFolder) = 0;
    /** Opens the folder in the desktop's file manager, without waiting for it. */
    virtual void showFolder(const QString& path) = 0;
};
