// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>

/**
 * The keys pressed on a window and not yet released. Only the release of such a key is input there: a key that
 * closed a dialog in front of the window is let go over the window, and that is no new input, which could bring the
 * dialog straight back.
 */
class HeldKeys
{
public:
    void press(int key)
    {
        m_keys.insert(key);
    }

    /** Whether the key was pressed here; it is no longer held. */
    [[nodiscard]] bool release(int key)
    {
        return m_keys.remove(key);
    }

private:
    QSet<int> m_keys;
};
