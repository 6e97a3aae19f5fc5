// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <optional>

/** What a source of the desktop's idle time answers: the milliseconds, or why it cannot tell. */
struct IdleAnswer
{
    std::optional<qint64> milliseconds;
    QString failure;
};

/**
 * One way of learning how long the desktop has gone without key or pointer input. The answer may come before ask()
 * returns or later, from the event loop; it always comes, once for each question.
 */
class IdleSource
{
public:
    virtual ~IdleSource() = default;

    /** What it asks, for the user: "the X server's screen saver extension". */
    [[nodiscard]] virtual QString name() const = 0;
    virtual void ask(std::function<void(const IdleAnswer&)> done) = 0;
};
