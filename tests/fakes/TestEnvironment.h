// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ErrorReport.h"
#include "app/Services.h"
#include "engine/PlaybackState.h"
#include "engine/RandomGenerator.h"
#include "fakes/FakeDialogs.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>

#include <memory>

/**
 * Everything a window needs, in a fresh temporary folder: a settings store of its own, dialogs that answer at once
 * and an error report that they record.
 */
class TestEnvironment
{
public:
    TestEnvironment();

    [[nodiscard]] Services services();
    [[nodiscard]] QString path(const QString& relative) const;
    /** The error reports shown so far, as "routine path@line: description". */
    [[nodiscard]] QStringList reports() const;

    QTemporaryDir folder;
    std::unique_ptr<SettingsStore> settings;
    FakeDialogs dialogs;
    ErrorReport report{dialogs, QStringLiteral("support@example.org")};
    RandomGenerator random;
    PlaybackState playback;
};
