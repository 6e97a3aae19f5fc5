// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/NameOrder.h"

#include "library/NameRules.h"

#include <QChar>

namespace NameOrder {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A letter with accents sorts with its plain letter ("é" with "e"); the accents only break ties. Alphabets up to
// U+2000 only: further up, decompositions (Hangul syllables, for one) are no letter and its marks.
char32_t baseLetter(char32_t point)
{
    // A decomposition may start with a letter that has accents of its own ("ǖ" is "ü" and a macron).
    while (point < 0x2000 && QChar::decompositionTag(point) == QChar::Canonical) {
        const QString parts = QChar::decomposition(point);
        if (parts.isEmpty() || parts.at(0).unicode() == point) {
            break;
        }
        point = parts.at(0).unicode();
    }
    return point;
}

// The next character of a name, case-folded; bytes that are no UTF-8 sort after every character, by their value.
char32_t nextFolded(std::string_view name, std::size_t& i)
{
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte < 0x80) {
        ++i;
        return byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte;
    }
    if (const auto point = NameRules::decodeUtf8(name, i)) {
        return QChar::toCaseFolded(baseLetter(*point));
    }
    ++i;
    return 0x110000 + byte;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

int compare(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    int zeros = 0; // the first difference in leading zeros, for names otherwise equal
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t aStart = i;
            while (aStart < a.size() && a[aStart] == '0') {
                ++aStart;
            }
            std::size_t bStart = j;
            while (bStart < b.size() && b[bStart] == '0') {
                ++bStart;
            }
            std::size_t aEnd = aStart;
            while (aEnd < a.size() && isDigit(a[aEnd])) {
                ++aEnd;
            }
            std::size_t bEnd = bStart;
            while (bEnd < b.size() && isDigit(b[bEnd])) {
                ++bEnd;
            }
            // Without leading zeros, the longer number is the greater; numbers of one length compare digit by digit.
            if (aEnd - aStart != bEnd - bStart) {
                return aEnd - aStart < bEnd - bStart ? -1 : 1;
            }
            if (const int digits = a.substr(aStart, aEnd - aStart).compare(b.substr(bStart, bEnd - bStart))) {
                return sign(digits);
            }
            if (zeros == 0 && aStart - i != bStart - j) {
                zeros = aStart - i < bStart - j ? -1 : 1;
            }
            i = aEnd;
            j = bEnd;
            continue;
        }
        const char32_t x = nextFolded(a, i);
        const char32_t y = nextFolded(b, j);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (i < a.size() || j < b.size()) {
        return i < a.size() ? 1 : -1;
    }
    return zeros != 0 ? zeros : sign(a.compare(b));
}

} // namespace NameOrder
