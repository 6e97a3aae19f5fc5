// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/NumericEntry.h"

#include "system/Convert.h"
#include "widgets/Dialogs.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>

NumericEntry::NumericEntry(QLineEdit* edit, Dialogs& dialogs, Check accepts)
    : QObject(edit)
    , m_edit(edit)
    , m_dialogs(dialogs)
    , m_accepts(accepts ? std::move(accepts) : Check(&Convert::isNumeric))
{
    edit->installEventFilter(this);
}

bool NumericEntry::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit || event->type() != QEvent::FocusOut || m_complaining) {
        return false;
    }
    // Switching to another window, or a menu opening, is no leaving of the box.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        return false;
    }
    if (!m_accepts(m_edit->text())) {
        m_complaining = true;
        m_dialogs.message(m_edit->window(), tr("Must be a numeric entry."));
        m_complaining = false;
        // After the focus has gone where it was going, it comes back.
        QTimer::singleShot(0, m_edit, [edit = m_edit] { edit->setFocus(Qt::OtherFocusReason); });
    }
    return false;
}
