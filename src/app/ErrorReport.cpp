// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ErrorReport.h"

#include "platform/Dialogs.h"

#include <QApplication>

QString errorReportText(const QString& description, const QString& routinePath, int line, const QString& supportAddress)
{
    return description + QLatin1String("\r\nin ") + routinePath + QLatin1String(" at line ") + QString::number(line) +
           QLatin1String("\r\rPlease email screenshot of this message to ") + supportAddress;
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
                      QStringLiteral("Application Error"));
}

QString ErrorReport::defaultSupportAddress()
{
    return QStringLiteral(LUMAVEIL_SUPPORT_ADDRESS);
}
