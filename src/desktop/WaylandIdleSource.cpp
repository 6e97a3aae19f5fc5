// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/WaylandIdleSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <ext-idle-notify-v1-client-protocol.h>
#include <idle-client-protocol.h>
#include <optional>
#include <wayland-client.h>

struct WaylandIdleSource::Connection
{
    enum class Phase
    {
        // The globals are on their way; a roll call after them tells when all have come.
        Meeting,
        Watching,
        Unusable,
    };

    explicit Connection(wl_display* connected)
        : display(connected)
    {
        clock.start();
    }
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void meet();
    void giveUp(const QString& why)
    {
        phase = Phase::Unusable;
        unusable = why;
    }
    [[nodiscard]] qint64 idleMilliseconds() const
    {
        return idleSince ? clock.elapsed() - *idleSince : 0;
    }

    wl_display* display;
    Phase phase = Phase::Meeting;
    QString unusable;
    wl_registry* registry = nullptr;
    wl_callback* rollCall = nullptr;
    std::optional<quint32> seatName;
    std::optional<quint32> notifierName;
    std::optional<quint32> kdeIdleName;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    // On the clock below: when the seat's last input was, as far as the compositor told.
    std::optional<qint64> idleSince;
    QElapsedTimer clock;
    std::unique_ptr<QSocketNotifier> events;
};

namespace {

using Connection = WaylandIdleSource::Connection;

Connection* connectionOf(void* data)
{
    return static_cast<Connection*>(data);
}

void idled(void* data)
{
    Connection* connection = connectionOf(data);
    connection->idleSince = connection->clock.elapsed() - qint64(WaylandIdleSource::notifyAfterMs);
}

void resumed(void* data)
{
    connectionOf(data)->idleSince.reset();
}

const ext_idle_notification_v1_listener notificationListener{
    [](void* data, ext_idle_notification_v1*) { idled(data); },
    [](void* data, ext_idle_notification_v1*) { resumed(data); },
};

const org_kde_kwin_idle_timeout_listener kdeTimeoutListener{
    [](void* data, org_kde_kwin_idle_timeout*) { idled(data); },
    [](void* data, org_kde_kwin_idle_timeout*) { resumed(data); },
};

void global(void* data, wl_registry*, quint32 name, const char* interface, quint32)
{
    Connection* connection = connectionOf(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !connection->seatName) {
        // The first seat: a desktop session has one.
        connection->seatName = name;
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
        connection->notifierName = name;
    } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
        connection->kdeIdleName = name;
    }
}

void globalRemoved(void* data, wl_registry*, quint32 name)
{
    Connection* connection = connectionOf(data);
    const bool inUse = (connection->seat && name == connection->seatName) ||
                       (connection->notifier && name == connection->notifierName) ||
                       (connection->kdeIdle && name == connection->kdeIdleName);
    if (inUse) {
        connection->giveUp(QCoreApplication::translate("DesktopIdle",
                                                       "the compositor withdrew its seat or its idle "
                                                       "notifications"));
    }
}

const wl_registry_listener registryListener{global, globalRemoved};

const wl_callback_listener rollCallListener{
    [](void* data, wl_callback*, quint32) { connectionOf(data)->meet(); },
};

} // namespace

WaylandIdleSource::Connection::~Connection()
{
    // Before the connection closes its socket.
    events.reset();
    if (notification) {
        ext_idle_notification_v1_destroy(notification);
    }
    if (notifier) {
        ext_idle_notifier_v1_destroy(notifier);
    }
    if (kdeTimeout) {
        org_kde_kwin_idle_timeout_release(kdeTimeout);
    }
    if (kdeIdle) {
        org_kde_kwin_idle_destroy(kdeIdle);
    }
    if (seat) {
        wl_seat_destroy(seat);
    }
    if (rollCall) {
        wl_callback_destroy(rollCall);
    }
    if (registry) {
        wl_registry_destroy(registry);
    }
    wl_display_disconnect(display);
}

void WaylandIdleSource::Connection::meet()
{
    wl_callback_destroy(std::exchange(rollCall, nullptr));
    if (!notifierName && !kdeIdleName) {
        giveUp(QCoreApplication::translate("DesktopIdle",
                                           "the compositor offers neither ext-idle-notify nor KDE's idle protocol"));
        return;
    }
    if (!seatName) {
        giveUp(QCoreApplication::translate("DesktopIdle", "the compositor has no seat"));
        return;
    }
    seat = static_cast<wl_seat*>(wl_registry_bind(registry, *seatName, &wl_seat_interface, 1));
    if (notifierName) {
        notifier = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, *notifierName, &ext_idle_notifier_v1_interface, 1));
        notification = ext_idle_notifier_v1_get_idle_notification(notifier, notifyAfterMs, seat);
        ext_idle_notification_v1_add_listener(notification, &notificationListener, this);
    } else {
        kdeIdle =
            static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, *kdeIdleName, &org_kde_kwin_idle_interface, 1));
        kdeTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, notifyAfterMs);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout, &kdeTimeoutListener, this);
    }
    phase = Phase::Watching;
}

WaylandIdleSource::WaylandIdleSource()
{
    m_meeting.setSingleShot(true);
    m_meeting.setInterval(meetWithinMs);
    QObject::connect(&m_meeting, &QTimer::timeout, &m_meeting, [this] {
        fail(QCoreApplication::translate("DesktopIdle", "the compositor did not answer"));
    });
}

WaylandIdleSource::~WaylandIdleSource() = default;

QString WaylandIdleSource::name() const
{
    return QCoreApplication::translate("DesktopIdle", "the Wayland compositor's idle notifications");
}

QString WaylandIdleSource::protocol() const
{
    if (m_connection && m_connection->notification) {
        return QString::fromLatin1(ext_idle_notifier_v1_interface.name);
    }
    if (m_connection && m_connection->kdeTimeout) {
        return QString::fromLatin1(org_kde_kwin_idle_interface.name);
    }
    return {};
}

void WaylandIdleSource::ask(std::function<void(const IdleAnswer&)> done)
{
    if (!m_connection) {
        const QString why = open();
        if (!why.isEmpty()) {
            done(IdleAnswer{std::nullopt, why});
            return;
        }
    }
    m_waiting.push_back(std::move(done));
    // What the compositor told since the last wake-up counts too.
    readEvents();
}

QString WaylandIdleSource::open()
{
    // Without a name libwayland would try "wayland-0", and complain on the terminal where no runtime folder is set.
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_SOCKET")) {
        return QCoreApplication::translate("DesktopIdle", "the session names no Wayland compositor");
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        const int error = errno;
        return QCoreApplication::translate("DesktopIdle", "no Wayland compositor answers at %1: %2")
            .arg(qEnvironmentVariable("WAYLAND_DISPLAY"), qt_error_string(error));
    }
    m_connection = std::make_unique<Connection>(display);
    Connection& connection = *m_connection;
    connection.registry = wl_display_get_registry(display);
    wl_registry_add_listener(connection.registry, &registryListener, &connection);
    connection.rollCall = wl_display_sync(display);
    wl_callback_add_listener(connection.rollCall, &rollCallListener, &connection);
    connection.events = std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
    QObject::connect(
        connection.events.get(), &QSocketNotifier::activated, connection.events.get(), [this] { readEvents(); });
    m_meeting.start();
    return {};
}

void WaylandIdleSource::readEvents()
{
    wl_display* display = m_connection->display;
    bool ok = true;
    while (ok && wl_display_prepare_read(display) != 0) {
        ok = wl_display_dispatch_pending(display) >= 0;
    }
    if (ok) {
        // A full socket buffer is no failure: the rest goes with the next flush.
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            ok = false;
        } else {
            // Reads only what is there: the socket is read without waiting.
            ok = wl_display_read_events(display) >= 0 && wl_display_dispatch_pending(display) >= 0;
        }
    }
    if (!ok) {
        const int error = wl_display_get_error(display);
        fail(QCoreApplication::translate("DesktopIdle", "the connection to the compositor broke: %1")
                 .arg(qt_error_string(error != 0 ? error : EPIPE)));
        return;
    }
    settle();
}

void WaylandIdleSource::settle()
{
    switch (m_connection->phase) {
    case Connection::Phase::Meeting:
        return;
    case Connection::Phase::Unusable:
        fail(m_connection->unusable);
        return;
    case Connection::Phase::Watching:
        m_meeting.stop();
        wl_display_flush(m_connection->display);
        answerWaiting(IdleAnswer{m_connection->idleMilliseconds(), {}});
        return;
    }
}

void WaylandIdleSource::fail(QString why)
{
    m_meeting.stop();
    // The next question connects afresh: the compositor may have come back.
    m_connection.reset();
    answerWaiting(IdleAnswer{std::nullopt, std::move(why)});
}

void WaylandIdleSource::answerWaiting(const IdleAnswer& answer)
{
    if (m_waiting.empty()) {
        return;
    }
    // An answer may bring the next question, or the end of this source.
    const std::vector<std::function<void(const IdleAnswer&)>> waiting = std::exchange(m_waiting, {});
    for (const auto& done : waiting) {
        done(answer);
    }
}
