// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * Shows a failed step of a guarded routine to the user. The routine carries on after the report.
 */
class ErrorReporter
{
public:
    virtual ~ErrorReporter() = default;
    virtual void report(const QString& description, const char* routinePath, int line) = 0;
};
