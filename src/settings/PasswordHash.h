// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class SettingsStore;

/**
 * The stored form of the screensaver password: the character U+0000, which no keyboard types, followed by a salted
 * Argon2id hash in libsodium's text form ("$argon2id$v=19$m=65536,t=2,p=1$salt$hash"). The first character tells a
 * hash from a password that an older version stored in the clear. The empty text stands for no password.
 *
 * Making or checking a hash takes about a tenth of a second and 64 MiB, on purpose: it is what makes guessing slow.
 */
namespace PasswordHash {

/** The stored form of a password; empty for none. Throws Failure where no hash can be made (out of memory). */
[[nodiscard]] QString hashed(const QString& password);
/** Whether the stored text is a hash; any other text but the empty one is a password in the clear. */
[[nodiscard]] bool isHashed(const QString& stored);
/**
 * Whether the typed text is the stored password, compared in constant time; with none stored, only the empty text is.
 * Throws Failure for a hash that is damaged, which no text matches.
 */
[[nodiscard]] bool matches(const QString& stored, const QString& typed);

/** The stored "Password"; one in the clear is replaced by its hash at once, for the next save to write. */
[[nodiscard]] QString read(SettingsStore& settings);

} // namespace PasswordHash
