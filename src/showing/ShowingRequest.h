// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/PlaybackOptions.h"
#include "showing/ShowingChannel.h"

#include <QStringList>

#include <optional>

/**
 * What the program hands the process of a showing as it starts it: the videos to play, the playback options as the
 * main window shows them, and the stored password's data, as its settings hold them. The showing's process reads no
 * settings of its own: what the main window shows is what plays, saved or not.
 */
struct ShowingRequest : PlaybackOptions
{
    QStringList paths;
    bool random = false;
    bool inOrder = true;
    bool soundOff = false;
    bool fullScreen = true;
    bool randomPlace = false;
    bool limitLength = false;
    QString playLength;
    /** Where the videos play: "Primary", "Same" or "Each"; and the seconds of the fade between them, "0" for a cut. */
    QString screens = QStringLiteral("Primary");
    QString fade = QStringLiteral("0");
    /** "Password" and "Password Mouse Move" as stored. */
    QString password;
    QString passwordMouseMove;

    [[nodiscard]] ShowingMessage toMessage() const;
    /** The request a "start" message carries; nothing when the message is no such request, or a part is missing. */
    [[nodiscard]] static std::optional<ShowingRequest> fromMessage(const ShowingMessage& message);

    [[nodiscard]] bool playRandomly() const override
    {
        return random;
    }
    [[nodiscard]] bool playInOrder() const override
    {
        return inOrder;
    }
    [[nodiscard]] bool soundDisabled() const override
    {
        return soundOff;
    }
    [[nodiscard]] bool showFullScreen() const override
    {
        return fullScreen;
    }
    [[nodiscard]] bool startAtRandomPlace() const override
    {
        return randomPlace;
    }
    [[nodiscard]] bool limitPlayLength() const override
    {
        return limitLength;
    }
    [[nodiscard]] QString playLengthText() const override
    {
        return playLength;
    }
    [[nodiscard]] double fadeSeconds() const override;
};
