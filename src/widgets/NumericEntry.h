// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

class Dialogs;
class QLineEdit;

/**
 * Keeps a text box that must hold a number from being left with anything else: leaving it then shows "Must be a
 * numeric entry." and gives it the focus back. What is typed is not changed. The box may ask for more than a number
 * (one above zero, say).
 */
class NumericEntry : public QObject
{
    Q_OBJECT

public:
    using Check = std::function<bool(const QString& text)>;

    NumericEntry(QLineEdit* edit, Dialogs& dialogs, Check accepts = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_edit;
    Dialogs& m_dialogs;
    Check m_accepts;
    bool m_complaining = false;
};
