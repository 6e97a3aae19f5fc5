// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>

QStringList Translations::folders(const QString& programFolder)
{
    QStringList found;
    if (!programFolder.isEmpty()) {
        found << programFolder + QLatin1String("/translations")
              << QDir::cleanPath(programFolder + QLatin1String("/../share/lumaveil/translations"));
    }
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString folder = data + QLatin1String("/lumaveil/translations");
        if (!found.contains(folder)) {
            found << folder;
        }
    }
    return found;
}

QString Translations::programFolder()
{
    // What QCoreApplication::applicationDirPath() reads, without needing the application object.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

bool Translations::load(const QLocale& locale, const QStringList& folders)
{
    m_locale = locale;
    for (const QString& folder : folders) {
        // Tries each of the locale's languages, "de_AT" before "de", and takes the first file that reads as one.
        if (m_program.load(locale, QStringLiteral("lumaveil"), QStringLiteral("_"), folder)) {
            return true;
        }
    }
    return false;
}

QString Translations::text(const char* context, const char* sourceText) const
{
    const QString translated = m_program.translate(context, sourceText);
    return translated.isEmpty() ? QString::fromUtf8(sourceText) : translated;
}

void Translations::install(QCoreApplication& application)
{
    if (m_program.isEmpty()) {
        return;
    }
    application.installTranslator(&m_program);
    // Qt's dialogs speak the same language as the rest, where the system has Qt's translations.
    if (m_qt.load(m_locale,
                  QStringLiteral("qtbase"),
                  QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        application.installTranslator(&m_qt);
    }
}
