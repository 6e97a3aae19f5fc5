// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestClips.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

namespace TestClips {

namespace {

bool runFfmpeg(const QStringList& arguments)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{"-hide_banner", "-loglevel", "error", "-y"} + arguments);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

} // namespace

bool make(const QString& path, double seconds, bool withSound)
{
    const QString length = QString::number(seconds);
    QStringList arguments{"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=320x180:rate=25:duration=%1").arg(length)};
    if (withSound) {
        arguments << "-f"
                  << "lavfi"
                  << "-i" << QStringLiteral("sine=frequency=440:duration=%1").arg(length);
    }
    arguments << "-c:v"
              << "mpeg4"
              << "-q:v"
              << "5";
    if (withSound) {
        arguments << "-c:a"
                  << "mp2";
    }
    arguments << path;
    return runFfmpeg(arguments);
}

bool makeSolid(const QString& path, const QString& colour, QSize size, double seconds, int rate)
{
    const QString source = QStringLiteral("color=c=%1:size=%2x%3:rate=%4:duration=%5")
                               .arg(colour)
                               .arg(size.width())
                               .arg(size.height())
                               .arg(rate)
                               .arg(seconds);
    return runFfmpeg({"-f", "lavfi", "-i", source, "-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-q:v", "5", path});
}

bool makeCorrupt(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QRandomGenerator random(7);
    QByteArray bytes(64 * 1024, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random.bounded(256));
    }
    return file.write(bytes) == bytes.size();
}

bool makeEmpty(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace TestClips
