// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeDialogs.h"

void FakeDialogs::message(QWidget*, const QString& text, Icon icon, const QString& caption)
{
    messages.append({text, icon, caption});
}

bool FakeDialogs::question(QWidget*, const QString& text, const QString& caption)
{
    questions.append({text, Icon::None, caption});
    return !questionAnswers.isEmpty() && questionAnswers.takeFirst();
}

QString FakeDialogs::inputText(QWidget*, const QString& prompt, const QString& proposal)
{
    inputPrompts.append(prompt);
    inputProposals.append(proposal);
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}

QStringList FakeDialogs::openFiles(QWidget*, const QString& title, const QString& filter)
{
    fileDialogTitles.append(title);
    fileDialogFilters.append(filter);
    return fileAnswers.isEmpty() ? QStringList() : fileAnswers.takeFirst();
}

QString FakeDialogs::pickFolder(QWidget*, const QString& title, const QString& startFolder)
{
    folderTitles.append(title);
    folderStarts.append(startFolder);
    return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
}

void FakeDialogs::showFolder(const QString& path)
{
    shownFolders.append(path);
}

QStringList FakeDialogs::texts() const
{
    QStringList result;
    for (const Message& message : messages) {
        result.append(message.text);
    }
    return result;
}
