// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <optional>

/** What a hold answers: whether another program holds the showing off, or why it cannot tell. */
struct HoldAnswer
{
    std::optional<bool> held;
    QString failure;
};

/**
 * One way of learning whether another program keeps the desktop from its idle action: an inhibition that a video
 * player or a presentation took, or a window of its own full screen. The answer may come before ask() returns or
 * later, from the event loop; it always comes, once for each question.
 */
class DesktopHold
{
public:
    virtual ~DesktopHold() = default;

    [[nodiscard]] virtual QString name() const = 0;
    virtual void ask(std::function<void(const HoldAnswer&)> done) = 0;
};
