// SPDX-License-Identifier: GPL-3.0-or-later
#include "system/Convert.h"

#include "system/Failure.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>

namespace {

std::optional<double> parseNumber(const QString& text)
{
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok) {
        // Settings files and scripts carry numbers in the C format, whatever the user's locale.
        value = QLocale::c().toDouble(text, &ok);
    }
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

template <typename Integer> Integer toWhole(double value)
{
    if (!std::isfinite(value)) {
        throw Failure(QCoreApplication::translate("Convert", "Overflow"));
    }
    // The default floating-point rounding mode takes halves to the even neighbour.
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<Integer>::min() || rounded > std::numeric_limits<Integer>::max()) {
        throw Failure(QCoreApplication::translate("Convert", "Overflow"));
    }
    return static_cast<Integer>(rounded);
}

} // namespace

namespace Convert {

double toDouble(const QString& text)
{
    const auto value = parseNumber(text);
    if (!value) {
        throw Failure(QCoreApplication::translate("Convert", "Type mismatch"));
    }
    return *value;
}

bool isNumeric(const QString& text)
{
    return parseNumber(text).has_value();
}

qint16 toInteger(double value)
{
    return toWhole<qint16>(value);
}

qint16 toInteger(const QString& text)
{
    return toInteger(toDouble(text));
}

qint32 toLong(double value)
{
    return toWhole<qint32>(value);
}

qint32 toLong(const QString& text)
{
    return toLong(toDouble(text));
}

bool toBoolean(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    return toDouble(text) != 0.0;
}

QString booleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool toCheckBoxValue(const QString& text)
{
    switch (toInteger(text)) {
    case 0:
        return false;
    case 1:
        return true;
    default:
        throw Failure(QCoreApplication::translate("Convert", "Invalid property value"));
    }
}

} // namespace Convert
