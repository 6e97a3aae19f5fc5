// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "system/ErrorReporter.h"

class Dialogs;

/** The text of the report for one failed step. */
[[nodiscard]] QString
errorReportText(const QString& description, const QString& routinePath, int line, const QString& supportAddress);

/** Shows failures in the "Application Error" warning box. */
class ErrorReport : public ErrorReporter
{
public:
    explicit ErrorReport(Dialogs& dialogs, QString supportAddress = defaultSupportAddress());

    void report(const QString& description, const char* routinePath, int line) override;

    static QString defaultSupportAddress();

private:
    Dialogs& m_dialogs;
    QString m_supportAddress;
};
