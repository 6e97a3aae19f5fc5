// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QString>

/**
 * An X display that is none: a socket where an X server's would be, which counts the clients that connect and
 * turns them away at once, so that a program that tries X fails fast instead of waiting. It claims its display
 * number with a lock file as X servers do, so that no server starting meanwhile takes the same one.
 */
class DecoyXDisplay
{
public:
    DecoyXDisplay();
    ~DecoyXDisplay();
    DecoyXDisplay(const DecoyXDisplay&) = delete;
    DecoyXDisplay& operator=(const DecoyXDisplay&) = delete;

    [[nodiscard]] bool isListening() const
    {
        return m_server.isListening();
    }
    /** The value for DISPLAY, such as ":93". */
    [[nodiscard]] QString name() const
    {
        return QStringLiteral(":%1").arg(m_number);
    }
    [[nodiscard]] int connections() const
    {
        return m_connections;
    }

private:
    QLocalServer m_server;
    int m_number = -1;
    QString m_lockFile;
    int m_connections = 0;
};
