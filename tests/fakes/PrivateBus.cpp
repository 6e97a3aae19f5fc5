// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/PrivateBus.h"

#include <QDBusMessage>
#include <QFile>

namespace {

// No service files, so that nothing of the machine's own is started on the bus.
const char* const configuration = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateBus::PrivateBus()
{
    const QString configFile = m_folder.filePath(QStringLiteral("bus.conf"));
    QFile config(configFile);
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(QString::fromLatin1(configuration).arg(m_folder.path()).toUtf8()) < 0) {
        return;
    }
    config.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1"),
                    QStringLiteral("--config-file=") + configFile});
    if (!m_daemon.waitForStarted(5000)) {
        return;
    }
    QByteArray line;
    while (!line.endsWith('\n') && m_daemon.waitForReadyRead(5000)) {
        line += m_daemon.readLine();
    }
    m_address = QString::fromUtf8(line.trimmed());
}

PrivateBus::~PrivateBus()
{
    for (const QString& name : std::as_const(m_connections)) {
        QDBusConnection::disconnectFromBus(name);
    }
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
}

QDBusConnection PrivateBus::connect()
{
    static int made = 0;
    const QString name = QStringLiteral("private-bus-%1").arg(++made);
    m_connections.append(name);
    return QDBusConnection::connectToBus(m_address, name);
}

DesktopBuses PrivateBus::buses()
{
    const QDBusConnection program = connect();
    return DesktopBuses{[program] { return program; }, [program] { return program; }};
}

void PrivateBus::sync(const QDBusConnection& connection)
{
    static_cast<void>(connection.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                                     QStringLiteral("/org/freedesktop/DBus"),
                                                                     QStringLiteral("org.freedesktop.DBus"),
                                                                     QStringLiteral("GetId"))));
}
