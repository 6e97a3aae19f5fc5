// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/**
 * A Wayland compositor lets no program move the pointer or hold the keyboard; a program may only ask it for the
 * focus. The calls that would do the rest have to be left out there.
 */
namespace WaylandDesktop {

/** Whether the program runs under a Wayland compositor, through Qt's Wayland platform. */
[[nodiscard]] bool isActive();

} // namespace WaylandDesktop
