// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "system/ErrorReporter.h"

#include <exception>
#include <utility>

/**
 * Runs the numbered steps of one routine. A step that throws is reported with the routine's path and the step's
 * number, and the routine goes on with its next step; the failed step's effect is lost.
 *
 *     GuardedRoutine routine(report, RoutinePath::Form1_StartTimer);
 *     routine.step(100, [&] { ... });
 *     if (routine.test(102, [&] { return ...; })) { ... }   // a failing test runs the body
 *     if (routine.holds(104, [&] { return ...; })) { ... }  // a failing test skips it
 */
class GuardedRoutine
{
public:
    GuardedRoutine(ErrorReporter& reporter, const char* path)
        : m_reporter(reporter)
        , m_path(path)
    {}

    template <typename Step> void step(int line, Step&& body)
    {
        m_line = line;
        try {
            std::forward<Step>(body)();
        } catch (const std::exception& failure) {
            reportFailure(failure);
        }
    }

    /** The test of a conditional: true when it holds, and also when it fails, so that the body runs. */
    template <typename Test> [[nodiscard]] bool test(int line, Test&& condition)
    {
        return evaluate(line, std::forward<Test>(condition), true);
    }

    /**
     * The test of a conditional whose body must not run by mistake, such as the one that lets a password through:
     * false when it fails.
     */
    template <typename Test> [[nodiscard]] bool holds(int line, Test&& condition)
    {
        return evaluate(line, std::forward<Test>(condition), false);
    }

    int lineReached() const
    {
        return m_line;
    }

private:
    template <typename Test> bool evaluate(int line, Test&& condition, bool onFailure)
    {
        m_line = line;
        try {
            return std::forward<Test>(condition)();
        } catch (const std::exception& failure) {
            reportFailure(failure);
            return onFailure;
        }
    }

    void reportFailure(const std::exception& failure);

    ErrorReporter& m_reporter;
    const char* m_path;
    int m_line = 0;
};
