// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

/**
 * The order in which a folder's names are listed: natural and case-insensitive, as a file manager shows them, and
 * the same in every locale. Runs of digits compare by their value ("ep2" before "ep10"), other characters by their
 * case-folded code points. Names equal by that rule come fewer leading zeros first, then in byte order, so that
 * different names never compare equal.
 */
namespace NameOrder {

/** Below zero when a comes first, above zero when b does, zero for the same bytes. Takes UTF-8 names. */
[[nodiscard]] int compare(std::string_view a, std::string_view b);

[[nodiscard]] inline bool less(std::string_view a, std::string_view b)
{
    return compare(a, b) < 0;
}

} // namespace NameOrder
