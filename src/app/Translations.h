// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

class QCoreApplication;

/**
 * The program's texts in the user's language, where a translation for it is installed as
 * "lumaveil_<language>.qm", and Qt's own texts (the buttons of its dialogs) with them. A translation may be loaded
 * before the application object exists, so that the command line speaks the user's language too.
 */
class Translations
{
public:
    /**
     * Where translations are looked for, in this order: beside the program (a build that runs from its folder),
     * the installed program's share folder, then the user's and the system's data folders.
     */
    [[nodiscard]] static QStringList folders(const QString& programFolder);
    /** The folder of the running program's file, known also before the application object exists. */
    [[nodiscard]] static QString programFolder();

    /**
     * Loads the best translation for the locale's languages from the first folder that has one. Returns false,
     * keeping the English texts, where none is there or none can be read.
     */
    bool load(const QLocale& locale, const QStringList& folders);
    /** The file loaded; empty while the texts are the English ones. */
    [[nodiscard]] QString fileName() const
    {
        return m_program.filePath();
    }
    /** The text in the loaded language, or the English text given. */
    [[nodiscard]] QString text(const char* context, const char* sourceText) const;

    /** Puts the loaded translation, and Qt's own for the same language, to work for the whole program. */
    void install(QCoreApplication& application);

private:
    QLocale m_locale;
    QTranslator m_program;
    QTranslator m_qt;
};
