// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>

#include <functional>

class FakeSessionServices;
class PrivateBus;

/** logind's manager, /org/freedesktop/login1. */
class FakeLogindManager : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit FakeLogindManager(FakeSessionServices& services);

public slots:
    QDBusObjectPath GetSessionByPID(uint pid);
    QDBusObjectPath GetSession(const QString& id);

private:
    FakeSessionServices& m_services;
};

/** logind's session object, under its own path and under "auto". */
class FakeLogindSession : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(QString Id READ id)

public:
    explicit FakeLogindSession(FakeSessionServices& services);
    [[nodiscard]] QString id() const;

public slots:
    void Lock();

private:
    FakeSessionServices& m_services;
};

/**
 * logind, with one session "c7", and the desktop's screen saver service, on a private bus. logind finds the session
 * of any process unless knowsProcesses is false; it also answers by the session's id and through "auto". Lock calls
 * are recorded and answered as logind does, with the session's Lock signal.
 */
class FakeSessionServices
{
public:
    explicit FakeSessionServices(PrivateBus& bus);
    ~FakeSessionServices();
    FakeSessionServices(const FakeSessionServices&) = delete;
    FakeSessionServices& operator=(const FakeSessionServices&) = delete;

    [[nodiscard]] bool isRegistered() const
    {
        return m_registered;
    }
    [[nodiscard]] static QString sessionId()
    {
        return QStringLiteral("c7");
    }
    [[nodiscard]] static QString sessionPath()
    {
        return QStringLiteral("/org/freedesktop/login1/session/c7");
    }

    void lock();
    void unlock();
    void setLockedHint(bool locked);
    void prepareForSleep(bool sleeping);
    /** Another user's session locks. */
    void lockOtherSession();
    /** The screen saver service's lock screen comes or goes. */
    void setScreenSaverActive(bool active);

    bool knowsProcesses = true;
    QList<uint> askedPids;
    /** The object path of each Lock call. */
    QStringList lockCalls;
    /** Lock calls are refused, as logind's policy may. */
    bool refuseLock = false;
    /** Runs on a Lock call, before the session's Lock signal. */
    std::function<void()> onLockCalled;

private:
    friend class FakeLogindManager;
    friend class FakeLogindSession;
    void lockCalled(const QString& path);
    void emitSignal(const QString& path, const QString& interface, const QString& name, const QVariantList& arguments);

    QDBusConnection m_connection;
    FakeLogindManager m_manager{*this};
    FakeLogindSession m_session{*this};
    FakeLogindSession m_autoSession{*this};
    bool m_registered = false;
};
