// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ErrorReport.h"

#include "widgets/Dialogs.h"

#include <QApplication>

QString errorReportText(const QString& description, const QString& routinePath, int line, const QString& supportAddress)
{
    return QCoreApplication::translate("ErrorReport",
                                       "%1\r\nin %2 at line %3\r\rPlease email screenshot of this message to %4")
        .arg(description, routinePath, QString::number(line), supportAddress);
}

ErrorReport::ErrorReport(Dialogs& dialogs, QString supportAddress)
    : m_dialogs(dialogs)
    , m_supportAddress(std::move(supportAddress))
{}

void ErrorReport::report(const QString& description, const char* routinePath, int line)
{
    m_dialogs.message(QApplication::activeWindow(),
                      errorReportText(description, QString::fromUtf8(routinePath), line, m_supportAddress),
                      Dialogs::Icon::Warning,
                      QCoreApplication::translate("ErrorReport", "Application Error"));
}

QString ErrorReport::defaultSupportAddress()
{
    return QStringLiteral(LUMAVEIL_SUPPORT_ADDRESS);
}
