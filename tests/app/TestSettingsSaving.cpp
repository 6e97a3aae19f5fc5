// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Form1.h"
#include "fakes/FailingStorage.h"
#include "fakes/PipeWriter.h"
#include "fakes/TestEnvironment.h"
#include "settings/ListText.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

/** The main window while its settings cannot be saved: the person is told, and nothing is lost without a word. */
class TestSettingsSaving : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FailingStorage> m_storage;
    std::unique_ptr<Form1> m_form;

    QString storeFile() const
    {
        return m_env->path(QStringLiteral("config/Quelmar/Lumaveil.conf"));
    }

    QByteArray fileBytes() const
    {
        QFile file(storeFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The value in the file, as a fresh reader finds it. QSettings keeps the files it read within the process and
    // reads one again only when its size or its time in milliseconds changed: each look is at a copy of its own.
    QString fileValue(const QString& key) const
    {
        static int copies = 0;
        const QString copy = m_env->path(QStringLiteral("copy %1.conf").arg(++copies));
        QFile::copy(storeFile(), copy);
        return QSettings(copy, QSettings::IniFormat).value(key, QStringLiteral("absent")).toString();
    }

    // The store's folder on storage that can be made to fail, with this file in it, and the window loaded from it.
    Form1& loadFrom(const QByteArray& fileText)
    {
        m_storage = std::make_unique<FailingStorage>(m_env->path(QStringLiteral("config/Quelmar")));
        QFile file(storeFile());
        if (!file.open(QIODevice::WriteOnly) || file.write(fileText) != fileText.size()) {
            qFatal("could not write the settings file");
        }
        file.close();
        m_env->settings = std::make_unique<SettingsStore>(storeFile());
        m_form = std::make_unique<Form1>(m_env->services());
        m_form->Form_Load();
        return *m_form;
    }

    QStringList messages() const
    {
        return m_env->dialogs.texts();
    }

    static void type(QLineEdit* edit, const QString& text)
    {
        for (const QChar c : text) {
            QTest::keyClicks(edit, QString(c));
            QTest::qWait(150);
        }
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
    }

    void cleanup()
    {
        m_form.reset();
        if (m_storage) {
            m_storage->repair();
        }
        m_env->settings.reset();
        m_storage.reset();
        m_env.reset();
    }

    // A run of failed saves is told once; the values stay in memory; a save that succeeds ends the run and writes
    // every change made meanwhile; the next failure is a new run.
    void testReadOnlyFile()
    {
        const QByteArray original = "[General]\nText3=5\n";
        Form1& form = loadFrom(original);
        const QString reason = m_storage->makeFileReadOnly(storeFile());
        if (reason.isEmpty()) {
            QSKIP(qPrintable(m_storage->why()));
        }

        // Keystrokes over two seconds: more than one save is tried.
        type(form.Text3, QStringLiteral("12345678901234"));
        QCOMPARE(form.Text3->text(), QStringLiteral("512345678901234"));
        QCOMPARE(messages().size(), 1);
        QVERIFY2(messages()[0].contains(storeFile()), qPrintable(messages()[0]));
        QVERIFY2(messages()[0].contains(reason), qPrintable(messages()[0]));
        QCOMPARE(m_env->settings->ReadSetting(Setting::Text3), QStringLiteral("512345678901234"));
        QCOMPARE(fileBytes(), original);

        m_storage->repair();
        form.Check2->setChecked(true);
        QTRY_COMPARE(fileValue(QStringLiteral("Check2")), QStringLiteral("1"));
        QCOMPARE(fileValue(QStringLiteral("Text3")), QStringLiteral("512345678901234"));

        QVERIFY(!m_storage->makeFileReadOnly(storeFile()).isEmpty());
        form.Check2->setChecked(false);
        QTRY_COMPARE(messages().size(), 2);
        QCOMPARE(fileValue(QStringLiteral("Check2")), QStringLiteral("1"));
    }

    // Still failing at the close: the close says what is lost, and the file is as it was.
    void testReadOnlyFolder()
    {
        const QByteArray original = "[General]\nListview5=\nVideos=/v/a.mkv\n";
        Form1& form = loadFrom(original);
        const QString reason = m_storage->makeFolderReadOnly();
        if (reason.isEmpty()) {
            QSKIP(qPrintable(m_storage->why()));
        }

        form.library().files().append(QStringLiteral("/v/b.mkv"));
        QTRY_COMPARE(messages().size(), 1);
        QVERIFY2(messages()[0].contains(reason), qPrintable(messages()[0]));
        form.Check2->setChecked(true);
        QTest::qWait(1500);
        QCOMPARE(messages().size(), 1);

        form.close();
        QCOMPARE(messages().size(), 2);
        const QString last = messages()[1];
        QVERIFY2(last.contains(storeFile()) && last.contains(reason), qPrintable(last));
        QVERIFY2(last.contains(QStringLiteral("lost")), qPrintable(last));
        QVERIFY2(last.contains(QStringLiteral("the list of video files")), qPrintable(last));
        QVERIFY2(last.contains(QStringLiteral("Disable sound")), qPrintable(last));
        QVERIFY2(!last.contains(QStringLiteral("the list of folders")), qPrintable(last));
        QCOMPARE(fileBytes(), original);
    }

    // A full disk leaves the old file whole, not cut short; with room again, the close saves everything.
    void testFullDisk()
    {
        QStringList files;
        for (int i = 0; i < 200; ++i) {
            files.append(QStringLiteral("/videos/clip %1.mkv").arg(i));
        }
        const QByteArray original = "[General]\nVideos=" + ListText::join(files).toUtf8() + "\n";
        Form1& form = loadFrom(original);
        const QString reason = m_storage->fillUp();
        if (reason.isEmpty()) {
            QSKIP(qPrintable(m_storage->why()));
        }

        // A small change: a write that is only buffered must not hide the failure until an empty file is in place.
        files.append(QStringLiteral("/videos/one more.mkv"));
        form.library().files().setPaths(files);
        QTRY_COMPARE(messages().size(), 1);
        QVERIFY2(messages()[0].contains(storeFile()), qPrintable(messages()[0]));
        QVERIFY2(messages()[0].contains(reason), qPrintable(messages()[0]));
        m_storage->repair();
        QCOMPARE(fileBytes(), original);

        form.close();
        QCOMPARE(messages().size(), 1);
        QCOMPARE(ListText::splitFileList(fileValue(QStringLiteral("Videos"))), files);
    }

    // A settings file that cannot be read holds up nothing: the window starts with the defaults, the person is told
    // once why, and the file, whatever it is, is left as it is, so that no setting in it is lost. The store is the
    // user's own, found as the program finds it.
    void testUnreadableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no read permission") << "no read permission" << QStringLiteral("Permission denied");
        QTest::newRow("folder") << "folder" << QStringLiteral("Is a directory");
        QTest::newRow("named pipe") << "named pipe" << QStringLiteral("Is a named pipe");
        QTest::newRow("link to a named pipe") << "link to a named pipe" << QStringLiteral("Is a named pipe");
        QTest::newRow("link to nothing") << "link to nothing" << QStringLiteral("Is a link to ");
    }

    void testUnreadableFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QByteArray file = QFile::encodeName(storeFile());
        const QByteArray target = QFile::encodeName(m_env->path(QStringLiteral("elsewhere")));
        QDir().mkpath(QFileInfo(storeFile()).absolutePath());
        if (kind == QLatin1String("no read permission")) {
            if (::geteuid() == 0) {
                QSKIP("root reads any file");
            }
            QFile text(storeFile());
            QVERIFY(text.open(QIODevice::WriteOnly) && text.write("[General]\nText3=5\n") > 0 &&
                    text.setPermissions(QFileDevice::WriteOwner));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(storeFile()));
        } else if (kind == QLatin1String("named pipe")) {
            QVERIFY(::mkfifo(file.constData(), 0600) == 0);
        } else if (kind == QLatin1String("link to a named pipe")) {
            QVERIFY(::mkfifo(target.constData(), 0600) == 0 && ::symlink(target.constData(), file.constData()) == 0);
        } else {
            QVERIFY(::symlink(target.constData(), file.constData()) == 0);
        }
        struct stat before = {};
        QVERIFY(::lstat(file.constData(), &before) == 0);

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QRegularExpression::escape(storeFile()) + QStringLiteral(".*") +
                                                QRegularExpression::escape(reason)));
        QElapsedTimer clock;
        clock.start();
        {
            const PipeWriter writer(file);
            m_env->settings = std::make_unique<SettingsStore>();
            m_form = std::make_unique<Form1>(m_env->services());
            m_form->Form_Load();
        }
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QStringLiteral("the start took %1 ms").arg(clock.elapsed())));
        QCOMPARE(m_form->Text3->text(), QStringLiteral("1"));

        QTRY_COMPARE(messages().size(), 1);
        QVERIFY2(messages()[0].contains(storeFile()) && messages()[0].contains(reason), qPrintable(messages()[0]));
        m_form->Check2->setChecked(true);
        QTest::qWait(500);
        QCOMPARE(messages().size(), 1);
        QCOMPARE(m_env->settings->ReadSetting(Setting::Check2), QStringLiteral("1"));
        struct stat after = {};
        QVERIFY(::lstat(file.constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_size, before.st_size);

        m_form->close();
        QCOMPARE(messages().size(), 2);
        // Only the change the person made: the empty lists the close writes are what the start read as well.
        QVERIFY2(messages()[1].endsWith(QStringLiteral("lost when it closes:\nDisable sound")),
                 qPrintable(messages()[1]));
        QVERIFY(!QFile::exists(QString::fromLocal8Bit(target)) || kind == QLatin1String("link to a named pipe"));
    }

    // At the session's end and at a signal nothing waits for a person: the reason goes to stderr only.
    void testSessionEndAndSignalShowNoMessage()
    {
        Form1& form = loadFrom("[General]\nVideos=/v/a.mkv\n");
        const QString reason = m_storage->makeFolderReadOnly();
        if (reason.isEmpty()) {
            QSKIP(qPrintable(m_storage->why()));
        }
        const QRegularExpression onStderr(QRegularExpression::escape(storeFile()) + QStringLiteral(".*") +
                                          QRegularExpression::escape(reason));

        form.library().folders().append(QStringLiteral("/films/"));
        QTest::ignoreMessage(QtWarningMsg, onStderr);
        form.saveQuietly();
        QVERIFY(messages().isEmpty());

        QTest::ignoreMessage(QtWarningMsg, onStderr);
        form.Check2->setChecked(true);
        form.closeQuietly();
        QVERIFY(messages().isEmpty());
        QCOMPARE(m_env->settings->unsavedKeys(), QStringList({QStringLiteral("Check2"), QStringLiteral("Listview5")}));
    }
};

QTEST_MAIN(TestSettingsSaving)
#include "TestSettingsSaving.moc"
