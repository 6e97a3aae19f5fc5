// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DesktopIdle.h"

#include <vector>

/**
 * Stand-ins for the desktop's sources of idle time and holds. Each counts its questions and answers with what the
 * test put in it: at once, or, when deferred, when the test says so.
 */
template <typename Interface, typename Answer> class FakeDesktopSource : public Interface
{
public:
    explicit FakeDesktopSource(QString name)
        : m_name(std::move(name))
    {}

    [[nodiscard]] QString name() const override
    {
        return m_name;
    }
    void ask(std::function<void(const Answer&)> done) override
    {
        ++asks;
        if (deferred) {
            pending.push_back(std::move(done));
        } else {
            done(answer);
        }
    }
    /** Answers the questions that wait, with the answer as it is now. */
    void answerPending()
    {
        auto waiting = std::exchange(pending, {});
        for (auto& done : waiting) {
            done(answer);
        }
    }

    Answer answer{std::nullopt, QStringLiteral("not here")};
    bool deferred = false;
    int asks = 0;
    std::vector<std::function<void(const Answer&)>> pending;

private:
    QString m_name;
};

using FakeIdleSource = FakeDesktopSource<IdleSource, IdleAnswer>;
using FakeHold = FakeDesktopSource<DesktopHold, HoldAnswer>;

/** A set of stand-ins, and the sources for a DesktopIdle made of them; the set keeps pointers to look at them. */
struct FakeDesktop
{
    FakeIdleSource* first = nullptr;
    FakeIdleSource* second = nullptr;
    FakeHold* inhibition = nullptr;
    FakeHold* fullScreen = nullptr;

    /** The first source does not work; the second tells the idle time given. */
    DesktopIdle::Sources sources(std::optional<qint64> idle = 3600000)
    {
        DesktopIdle::Sources made;
        auto one = std::make_unique<FakeIdleSource>(QStringLiteral("first"));
        auto two = std::make_unique<FakeIdleSource>(QStringLiteral("second"));
        two->answer = IdleAnswer{idle, idle ? QString() : QStringLiteral("not here either")};
        auto hold = std::make_unique<FakeHold>(QStringLiteral("inhibitions"));
        hold->answer = HoldAnswer{false, {}};
        auto screen = std::make_unique<FakeHold>(QStringLiteral("full screen"));
        screen->answer = HoldAnswer{false, {}};
        first = one.get();
        second = two.get();
        inhibition = hold.get();
        fullScreen = screen.get();
        made.idle.push_back(std::move(one));
        made.idle.push_back(std::move(two));
        made.inhibitions.push_back(std::move(hold));
        made.fullScreen = std::move(screen);
        return made;
    }

    [[nodiscard]] int asks() const
    {
        return first->asks + second->asks + inhibition->asks + fullScreen->asks;
    }
};
