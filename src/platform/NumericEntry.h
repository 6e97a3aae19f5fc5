// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class Dialogs;
class QLineEdit;

/**
 * Keeps a text box that must hold a number from being left with anything else: leaving it then shows "Must be a
 * numeric entry." and gives it the focus back. What is typed is not changed.
 */
class NumericEntry : public QObject
{
    Q_OBJECT

public:
    NumericEntry(QLineEdit* edit, Dialogs& dialogs);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_edit;
    Dialogs& m_dialogs;
    bool m_complaining = false;
};
