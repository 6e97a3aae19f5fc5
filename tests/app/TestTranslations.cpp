// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Translations.h"
#include "fakes/TestEnvironment.h"
#include "options/Form4.h"
#include "showing/Form3.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QXmlStreamReader>

/**
 * The program's texts in another language: the loader finds a translation where the program is installed, and the
 * windows and the command line take it; every caption of the windows is in the template for translators.
 */
class TestTranslations : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    std::unique_ptr<TestEnvironment> m_env;

    // A program installed in <root>/bin, with the test translation, named as given, in its share folder.
    QString installTranslation(const QString& name)
    {
        const QString folder = m_root.filePath(QStringLiteral("share/lumaveil/translations"));
        QDir().mkpath(folder);
        QFile::remove(folder + QLatin1Char('/') + name);
        if (!QFile::copy(QStringLiteral(TEST_TRANSLATION), folder + QLatin1Char('/') + name)) {
            qFatal("cannot copy the test translation");
        }
        return m_root.filePath(QStringLiteral("bin"));
    }

    // The source texts of the template; a control character in one is written as <byte value="xd"/>.
    static QSet<QString> templateTexts()
    {
        QFile file(QStringLiteral(TRANSLATION_TEMPLATE));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QSet<QString> texts;
        QXmlStreamReader xml(&file);
        QString source;
        bool inSource = false;
        while (!xml.atEnd()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                if (xml.name() == QLatin1String("source")) {
                    inSource = true;
                    source.clear();
                } else if (inSource && xml.name() == QLatin1String("byte")) {
                    const QString value = xml.attributes().value(QLatin1String("value")).toString();
                    source += QChar(value.mid(1).toUShort(nullptr, 16));
                }
                break;
            case QXmlStreamReader::Characters:
                if (inSource) {
                    source += xml.text();
                }
                break;
            case QXmlStreamReader::EndElement:
                if (xml.name() == QLatin1String("source")) {
                    texts.insert(source);
                    inSource = false;
                }
                break;
            default:
                break;
            }
        }
        return xml.hasError() ? QSet<QString>() : texts;
    }

    // What a window shows in words: captions, titles, hints and list headers.
    static QStringList captionsOf(QWidget& window)
    {
        QStringList captions{window.windowTitle()};
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            captions << widget->toolTip();
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                captions << button->text();
            } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
                captions << box->title();
            } else if (auto* label = qobject_cast<QLabel*>(widget)) {
                captions << label->text();
            } else if (auto* view = qobject_cast<QTreeView*>(widget); view && view->model()) {
                for (int column = 0; column < view->model()->columnCount(); ++column) {
                    captions << view->model()->headerData(column, Qt::Horizontal).toString();
                }
            }
        }
        captions.removeAll(QString());
        return captions;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
    }

    void cleanup()
    {
        m_env.reset();
    }

    // An installed translation for the user's language is found, also for a regional locale of that language; the
    // windows then speak it, while the stored settings keep their values.
    void testInstalledTranslationIsUsed()
    {
        const QString program = installTranslation(QStringLiteral("lumaveil_eo.qm"));
        Translations translations;
        QVERIFY(translations.load(QLocale(QLocale::Esperanto, QLocale::World), Translations::folders(program)));
        QVERIFY(translations.fileName().endsWith(QLatin1String("/share/lumaveil/translations/lumaveil_eo.qm")));
        translations.install(*QCoreApplication::instance());

        Form1 form(m_env->services());
        form.Form_Load();
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Ŝaltu la ekrankurtenon"));
        form.PushButton2->click();
        QCOMPARE(form.PushButton2->text(), QStringLiteral("Malŝaltu la ekrankurtenon"));
        QCOMPARE(m_env->settings->ReadSetting(Setting::StartStopState), QStringLiteral("On"));
        form.PushButton2->click();
        QCOMPARE(m_env->settings->ReadSetting(Setting::StartStopState), QStringLiteral("Off"));
        // A text the translation does not have stays English.
        QCOMPARE(form.PushButton8->text(), QStringLiteral("Test Screensaver Now"));

        Form4 options(*m_env->settings, m_env->dialogs, m_env->report, m_env->path(QStringLiteral("program")));
        QCOMPARE(options.windowTitle(), QStringLiteral("Agordoj de la ekrankurteno"));
    }

    // Without a translation for the language, or with one that cannot be read, the texts are the English ones; a
    // broken file does not hide a good one in a later folder.
    void testMissingOrBrokenTranslation()
    {
        const QString program = installTranslation(QStringLiteral("lumaveil_fr.qm"));
        Translations none;
        QVERIFY(!none.load(QLocale(QLocale::German, QLocale::Germany), Translations::folders(program)));
        QVERIFY(none.fileName().isEmpty());
        QCOMPARE(none.text("Countdown", "Turn On Screensaver"), QStringLiteral("Turn On Screensaver"));
        none.install(*QCoreApplication::instance());
        QCOMPARE(Countdown::turnOnCaption(), QStringLiteral("Turn On Screensaver"));

        const QString broken = m_root.filePath(QStringLiteral("bin/translations"));
        QDir().mkpath(broken);
        QFile file(broken + QLatin1String("/lumaveil_fr.qm"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(64, '\x3c'));
        file.close();
        Translations french;
        QVERIFY(french.load(QLocale(QLocale::French, QLocale::Canada), Translations::folders(program)));
        QVERIFY(french.fileName().contains(QLatin1String("/share/")));
    }

    // The command line is read before the application object exists, from the translation loaded for it.
    void testCommandLineSpeaksTheLanguage()
    {
        const QString program = installTranslation(QStringLiteral("lumaveil_eo.qm"));
        Translations translations;
        QVERIFY(translations.load(QLocale(QLocale::Esperanto), Translations::folders(program)));

        const CommandLine help =
            CommandLine::parse({QStringLiteral("lumaveil"), QStringLiteral("--help")}, &translations);
        QVERIFY2(help.output.contains(QStringLiteral("Ŝaltu la ekrankurtenon.")), qPrintable(help.output));
        QVERIFY(help.output.contains(QLatin1String("Turn the screensaver off.")));
        const CommandLine wrong =
            CommandLine::parse({QStringLiteral("lumaveil"), QStringLiteral("now")}, &translations);
        QCOMPARE(wrong.exitCode, 2);
        QVERIFY2(wrong.errors.startsWith(QStringLiteral("Nekonata argumento «now».")), qPrintable(wrong.errors));
    }

    // Every caption the windows show can be translated: each is a text of the template the build makes.
    void testEveryCaptionIsInTheTemplate()
    {
        const QSet<QString> texts = templateTexts();
        QVERIFY2(texts.size() > 50, TRANSLATION_TEMPLATE);
        const QString program = m_env->path(QStringLiteral("program"));
        Form1 main(m_env->services());
        main.Form_Load();
        Form4 options(*m_env->settings, m_env->dialogs, m_env->report, program);
        Form3 password(*m_env->settings, m_env->dialogs, m_env->report, program);
        QStringList captions = captionsOf(main) + captionsOf(options) + captionsOf(password);
        // Not words: the program's name, the minutes and seconds given, and the help button's mark.
        for (const QString& data :
             {QStringLiteral("Lumaveil"), QStringLiteral("?"), QStringLiteral("1"), QStringLiteral("10")}) {
            captions.removeAll(data);
        }
        QVERIFY(captions.size() > 30);
        for (const QString& caption : std::as_const(captions)) {
            QVERIFY2(texts.contains(caption), qPrintable(caption));
        }
    }
};

QTEST_MAIN(TestTranslations)
#include "TestTranslations.moc"
