// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

/**
 * Records every box the program shows and answers at once: from the queued answers while there are some, else as a
 * person who cancels (No, nothing chosen, nothing typed).
 */
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
    bool question(QWidget* parent, const QString& text, const QString& caption) override;
    QString inputText(QWidget* parent, const QString& prompt, const QString& proposal) override;
    QStringList openFiles(QWidget* parent, const QString& title, const QString& filter) override;
    QString pickFolder(QWidget* parent, const QString& title, const QString& startFolder) override;
    void showFolder(const QString& path) override;

    /** The texts of the message boxes and questions shown so far. */
    [[nodiscard]] QStringList texts() const;

    QList<Message> messages;
    QList<Message> questions;
    QList<bool> questionAnswers;

    QStringList inputPrompts;
    QStringList inputProposals;
    QStringList inputAnswers;

    QStringList fileDialogTitles;
    QStringList fileDialogFilters;
    QList<QStringList> fileAnswers;

    QStringList folderTitles;
    QStringList folderStarts;
    QStringList folderAnswers;

    QStringList shownFolders;
};
