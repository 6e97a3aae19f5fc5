// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/Dialogs.h"

class QtDialogs : public Dialogs
{
public:
    void message(QWidget* parent, const QString& text, Icon icon, const QString& caption) override;
    bool question(QWidget* parent, const QString& text, const QString& caption) override;
    QString inputText(QWidget* parent, const QString& prompt, const QString& proposal) override;
    QStringList openFiles(QWidget* parent, const QString& title, const QString& filter) override;
    QString pickFolder(QWidget* parent, const QString& title, const QString& startFolder) override;
    void showFolder(const QString& path) override;
};
