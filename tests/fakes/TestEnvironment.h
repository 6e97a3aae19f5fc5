// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ErrorReport.h"
#include "app/Services.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakePasswordPrompter.h"
#include "fakes/FakeVideoPlayer.h"
#include "settings/SettingsStore.h"
#include "showing/RandomGenerator.h"

#include <QPointer>
#include <QTemporaryDir>

#include <memory>

/**
 * Everything a window needs, in a fresh temporary folder: a settings store of its own, dialogs and a password
 * prompt that answer at once, an error report that they record, and fake video players.
 */
class TestEnvironment
{
public:
    TestEnvironment();

    [[nodiscard]] Services services();
    [[nodiscard]] QString path(const QString& relative) const;
    /** The player of the current showing, if any. */
    [[nodiscard]] FakeVideoPlayer* player() const;
    /** The error reports shown so far, as "routine path@line: description". */
    [[nodiscard]] QStringList reports() const;

    QTemporaryDir folder;
    std::unique_ptr<SettingsStore> settings;
    FakeDialogs dialogs;
    ErrorReport report{dialogs, QStringLiteral("support@example.org")};
    RandomGenerator random;
    FakePasswordPrompter prompter;
    /** The players made for showings: they start each file they are given. The last one is the current one. */
    QList<QPointer<FakeVideoPlayer>> players;
    QSet<QString> unplayable;
};
