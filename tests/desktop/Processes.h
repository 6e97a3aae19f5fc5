// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>

/** The parent of a process, or 0 when it is gone. */
inline qint64 parentProcess(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    // "pid (name) state ppid ...", where the name may hold spaces and parentheses.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}

/** Whether the process is the given one, or a child of it: a showing plays in a child of the program. */
inline bool isOrIsChildOf(qint64 pid, qint64 program)
{
    return pid == program || parentProcess(pid) == program;
}
