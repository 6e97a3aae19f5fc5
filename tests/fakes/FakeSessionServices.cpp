// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeSessionServices.h"

#include "fakes/PrivateBus.h"

#include <QDBusError>
#include <QDBusMessage>

namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString autoPath = QStringLiteral("/org/freedesktop/login1/session/auto");
const QString screenSaver = QStringLiteral("org.freedesktop.ScreenSaver");

} // namespace

FakeLogindManager::FakeLogindManager(FakeSessionServices& services)
    : m_services(services)
{}

QDBusObjectPath FakeLogindManager::GetSessionByPID(uint pid)
{
    m_services.askedPids.append(pid);
    if (!m_services.knowsProcesses) {
        sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSessionForPID"), QStringLiteral("no session"));
    }
    return QDBusObjectPath(FakeSessionServices::sessionPath());
}

QDBusObjectPath FakeLogindManager::GetSession(const QString& id)
{
    if (id != FakeSessionServices::sessionId()) {
        sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSuchSession"), QStringLiteral("no such session"));
    }
    return QDBusObjectPath(FakeSessionServices::sessionPath());
}

FakeLogindSession::FakeLogindSession(FakeSessionServices& services)
    : m_services(services)
{}

QString FakeLogindSession::id() const
{
    return FakeSessionServices::sessionId();
}

void FakeLogindSession::Lock()
{
    if (m_services.refuseLock) {
        m_services.lockCalls.append(message().path());
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Access denied"));
        return;
    }
    m_services.lockCalled(message().path());
}

FakeSessionServices::FakeSessionServices(PrivateBus& bus)
    : m_connection(bus.connect())
{
    const auto options = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties;
    m_registered = m_connection.registerObject(managerPath, &m_manager, options) &&
                   m_connection.registerObject(sessionPath(), &m_session, options) &&
                   m_connection.registerObject(autoPath, &m_autoSession, options) &&
                   m_connection.registerService(login1) && m_connection.registerService(screenSaver);
}

FakeSessionServices::~FakeSessionServices()
{
    m_connection.unregisterService(screenSaver);
    m_connection.unregisterService(login1);
    for (const QString& path : {managerPath, sessionPath(), autoPath}) {
        m_connection.unregisterObject(path);
    }
}

void FakeSessionServices::lock()
{
    emitSignal(sessionPath(), sessionInterface, QStringLiteral("Lock"), {});
}

void FakeSessionServices::unlock()
{
    emitSignal(sessionPath(), sessionInterface, QStringLiteral("Unlock"), {});
}

void FakeSessionServices::setLockedHint(bool locked)
{
    emitSignal(sessionPath(),
               QStringLiteral("org.freedesktop.DBus.Properties"),
               QStringLiteral("PropertiesChanged"),
               {sessionInterface, QVariantMap{{QStringLiteral("LockedHint"), locked}}, QStringList()});
}

void FakeSessionServices::prepareForSleep(bool sleeping)
{
    emitSignal(managerPath, managerInterface, QStringLiteral("PrepareForSleep"), {sleeping});
}

void FakeSessionServices::lockOtherSession()
{
    emitSignal(QStringLiteral("/org/freedesktop/login1/session/c8"), sessionInterface, QStringLiteral("Lock"), {});
}

void FakeSessionServices::setScreenSaverActive(bool active)
{
    emitSignal(QStringLiteral("/org/freedesktop/ScreenSaver"), screenSaver, QStringLiteral("ActiveChanged"), {active});
}

void FakeSessionServices::lockCalled(const QString& path)
{
    lockCalls.append(path);
    if (onLockCalled) {
        onLockCalled();
    }
    lock();
}

void FakeSessionServices::emitSignal(const QString& path,
                                     const QString& interface,
                                     const QString& name,
                                     const QVariantList& arguments)
{
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(arguments);
    m_connection.send(signal);
}
