// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/video/VideoPlayer.h"

/** A player with nothing to play and no picture: the window around it stays black. */
class BlankPlayer final : public VideoPlayer
{
public:
    using VideoPlayer::VideoPlayer;

    QWidget* videoWidget() override
    {
        return nullptr;
    }
    void setURL(const QString& path) override
    {
        Q_UNUSED(path);
    }
    [[nodiscard]] QString URL() const override
    {
        return {};
    }
    [[nodiscard]] int playState() const override
    {
        return Ready;
    }
    [[nodiscard]] double duration() const override
    {
        return 0;
    }
    [[nodiscard]] double currentPosition() const override
    {
        return 0;
    }
    void setCurrentPosition(double seconds) override
    {
        Q_UNUSED(seconds);
    }
    void stop() override {}
    void close() override {}
    void setVolume(int volume) override
    {
        Q_UNUSED(volume);
    }
    void setMute(bool mute) override
    {
        Q_UNUSED(mute);
    }
    void setStretchToFit(bool stretch) override
    {
        Q_UNUSED(stretch);
    }
    void setUiMode(const QString& mode) override
    {
        Q_UNUSED(mode);
    }
};
