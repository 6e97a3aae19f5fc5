// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * Conversions of stored and typed text. They accept what a user of this locale would type and throw
 * Failure("Type mismatch") for text that is not a value of the wanted type, Failure("Overflow") for a number that
 * does not fit. Whole numbers are taken to the nearest integer, halves to the even neighbour.
 */
namespace Convert {

/** A number in the user's number format (sign, group and decimal separators, exponent); "1.5" is also read. */
[[nodiscard]] double toDouble(const QString& text);
[[nodiscard]] bool isNumeric(const QString& text);

/** A 16-bit whole number. */
[[nodiscard]] qint16 toInteger(double value);
[[nodiscard]] qint16 toInteger(const QString& text);

/** A 32-bit whole number. */
[[nodiscard]] qint32 toLong(double value);
[[nodiscard]] qint32 toLong(const QString& text);

/** "True" or "False" in any letter case, or a number: 0 is false, any other number true. */
[[nodiscard]] bool toBoolean(const QString& text);
[[nodiscard]] QString booleanText(bool value);

/** The value of a check box from text: 0 unticked, 1 ticked; anything else is an invalid value. */
[[nodiscard]] bool toCheckBoxValue(const QString& text);

} // namespace Convert
