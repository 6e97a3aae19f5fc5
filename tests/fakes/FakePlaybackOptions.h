// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/PlaybackOptions.h"

/** Options a test sets directly. */
class FakePlaybackOptions : public PlaybackOptions
{
public:
    bool playRandomly() const override
    {
        return random;
    }
    bool playInOrder() const override
    {
        return !random;
    }
    bool soundDisabled() const override
    {
        return silent;
    }
    bool showFullScreen() const override
    {
        return fullScreen;
    }
    bool startAtRandomPlace() const override
    {
        return randomStart;
    }
    bool limitPlayLength() const override
    {
        return limited;
    }
    QString playLengthText() const override
    {
        return seconds;
    }
    double fadeSeconds() const override
    {
        return fade;
    }

    bool random = false;
    bool silent = false;
    bool fullScreen = true;
    bool randomStart = false;
    bool limited = false;
    QString seconds = QStringLiteral("10");
    double fade = 0;
};
