// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/IdleSource.h"

/**
 * The idle time that the X server keeps for its own screen saver (the MIT-SCREEN-SAVER extension): the time since
 * the last key or pointer input to any program, and since the last time a program reset the screen saver, as video
 * players do while they play. It answers at once. Under Xwayland it does not serve, since Xwayland sees only the
 * input to X programs.
 */
class X11IdleSource : public IdleSource
{
public:
    [[nodiscard]] QString name() const override;
    void ask(std::function<void(const IdleAnswer&)> done) override;

private:
    // Whether the server has what is needed; asked of the server once.
    std::optional<QString> m_unusable;
};
