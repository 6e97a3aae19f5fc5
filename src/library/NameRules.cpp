// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/NameRules.h"

#include <QFile>

namespace NameRules {

namespace {

bool isUnusableCharacter(char32_t point)
{
    return point < 32 || (point >= 127 && point <= 159) || point == U'?';
}

} // namespace

std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char first = byte(i);
    if (first < 0x80) {
        ++i;
        return first;
    }
    int length = 0;
    char32_t point = 0;
    char32_t smallest = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2;
        point = first & 0x1F;
        smallest = 0x80;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        point = first & 0x0F;
        smallest = 0x800;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        point = first & 0x07;
        smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (i + length > text.size()) {
        return std::nullopt;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        point = (point << 6) | (next & 0x3F);
    }
    if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return std::nullopt;
    }
    i += length;
    return point;
}

bool isValidName(std::string_view name)
{
    for (std::size_t i = 0; i < name.size();) {
        if (static_cast<unsigned char>(name[i]) < 0x80) {
            ++i;
        } else if (!decodeUtf8(name, i)) {
            return false;
        }
    }
    return true;
}

bool isUsableFolderName(std::string_view name)
{
    for (std::size_t i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x80) {
            if (isUnusableCharacter(byte)) {
                return false;
            }
            ++i;
            continue;
        }
        const auto point = decodeUtf8(name, i);
        if (!point || isUnusableCharacter(*point)) {
            return false;
        }
    }
    return true;
}

QString toQString(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace NameRules
