// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/IdleSource.h"

#include <QTimer>

#include <memory>
#include <vector>

/**
 * The desktop's idle time from a Wayland compositor, on a connection of the program's own: through
 * ext-idle-notify-v1 where the compositor offers it (KWin), else through KDE's older idle protocol (sway, KWin).
 * Neither tells an idle time, only that the seat has gone a given time without input and when input comes back; with
 * a notification after notifyAfterMs, the time is known to within that: under it reads as 0, beyond it as the time
 * since the compositor told plus notifyAfterMs. Input before the first question is unknown, so the time counts from
 * then. The connection is kept from the first question on, for the countdown may go minutes without asking while its
 * window is hidden, and a new notification would forget that time; it costs a wake-up when the seat falls idle and
 * one when input comes back. While another program holds off the idle action (an idle inhibitor, a playing video),
 * the compositors tell no idleness, and the time stays under a second.
 */
class WaylandIdleSource : public IdleSource
{
public:
    /** How long the seat goes without input before the compositor tells: the precision of the answers. */
    static constexpr quint32 notifyAfterMs = 1000;
    /** A compositor that has not told its globals by then is given up, and asked again with the next question. */
    static constexpr int meetWithinMs = 2000;

    WaylandIdleSource();
    ~WaylandIdleSource() override;
    WaylandIdleSource(const WaylandIdleSource&) = delete;
    WaylandIdleSource& operator=(const WaylandIdleSource&) = delete;

    [[nodiscard]] QString name() const override;
    void ask(std::function<void(const IdleAnswer&)> done) override;

    /** The compositor's interface in use, "ext_idle_notifier_v1" or "org_kde_kwin_idle"; empty while none is. */
    [[nodiscard]] QString protocol() const;

    struct Connection;

private:
    [[nodiscard]] QString open();
    void readEvents();
    void settle();
    // By value: the reason may live in the connection that it ends.
    void fail(QString why);
    void answerWaiting(const IdleAnswer& answer);

    std::unique_ptr<Connection> m_connection;
    std::vector<std::function<void(const IdleAnswer&)>> m_waiting;
    QTimer m_meeting;
};
