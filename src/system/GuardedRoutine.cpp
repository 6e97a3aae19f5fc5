// SPDX-License-Identifier: GPL-3.0-or-later
#include "system/GuardedRoutine.h"

#include <QString>

void GuardedRoutine::reportFailure(const std::exception& failure)
{
    // The report box runs a nested event loop; nothing of it may escape into the routine's caller.
    try {
        m_reporter.report(QString::fromUtf8(failure.what()), m_path, m_line);
    } catch (...) {
    }
}
