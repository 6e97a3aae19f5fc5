// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

/** What the folder walk makes of the raw bytes of a name: UTF-8 decoding, and which names it takes. */
namespace NameRules {

/** Decodes one UTF-8 sequence at text[i]; returns the code point and advances i, or nullopt for invalid bytes. */
[[nodiscard]] std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& i);

/** The name is UTF-8 throughout. */
[[nodiscard]] bool isValidName(std::string_view name);
/** UTF-8 without control characters (below 32, 127 to 159) and without "?". */
[[nodiscard]] bool isUsableFolderName(std::string_view name);

[[nodiscard]] inline bool isDotOrDotDot(std::string_view name)
{
    return name[0] == '.' && (name.size() == 1 || (name.size() == 2 && name[1] == '.'));
}

/** Hidden files and the "~" files that editors and downloads leave behind. */
[[nodiscard]] inline bool isHiddenOrTemporary(std::string_view name)
{
    return !name.empty() && (name.front() == '.' || name.front() == '~');
}

[[nodiscard]] QString toQString(std::string_view bytes);
/** The bytes the system knows the path by. */
[[nodiscard]] std::string toBytes(const QString& path);

} // namespace NameRules
