// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/ShowingRequest.h"

#include <array>
#include <utility>

namespace {

const QString startKind = QStringLiteral("start");

// The options that are yes or no, by the names they go by in the message.
std::array<std::pair<const char*, bool ShowingRequest::*>, 6> flags()
{
    return {{
        {"random", &ShowingRequest::random},
        {"in order", &ShowingRequest::inOrder},
        {"sound off", &ShowingRequest::soundOff},
        {"full screen", &ShowingRequest::fullScreen},
        {"random place", &ShowingRequest::randomPlace},
        {"limit length", &ShowingRequest::limitLength},
    }};
}

// The texts, by the same names.
std::array<std::pair<const char*, QString ShowingRequest::*>, 5> texts()
{
    return {{
        {"play length", &ShowingRequest::playLength},
        {"screens", &ShowingRequest::screens},
        {"fade", &ShowingRequest::fade},
        {"password", &ShowingRequest::password},
        {"password mouse move", &ShowingRequest::passwordMouseMove},
    }};
}

} // namespace

ShowingMessage ShowingRequest::toMessage() const
{
    ShowingMessage message{startKind, {{QStringLiteral("paths"), paths}}};
    for (const auto& [name, flag] : flags()) {
        message.values.insert(QLatin1String(name), {this->*flag ? QStringLiteral("1") : QStringLiteral("0")});
    }
    for (const auto& [name, text] : texts()) {
        message.values.insert(QLatin1String(name), {this->*text});
    }
    return message;
}

std::optional<ShowingRequest> ShowingRequest::fromMessage(const ShowingMessage& message)
{
    if (message.kind != startKind || !message.values.contains(QStringLiteral("paths"))) {
        return std::nullopt;
    }
    ShowingRequest request;
    request.paths = message.values.value(QStringLiteral("paths"));
    for (const auto& [name, flag] : flags()) {
        const QStringList value = message.values.value(QLatin1String(name));
        if (value.size() != 1 || (value.front() != QLatin1String("1") && value.front() != QLatin1String("0"))) {
            return std::nullopt;
        }
        request.*flag = value.front() == QLatin1String("1");
    }
    for (const auto& [name, text] : texts()) {
        const QStringList value = message.values.value(QLatin1String(name));
        if (value.size() != 1) {
            return std::nullopt;
        }
        request.*text = value.front();
    }
    return request;
}

// The fades offered; any other text cuts.
double ShowingRequest::fadeSeconds() const
{
    bool number = false;
    const double seconds = fade.toDouble(&number);
    return number && seconds > 0 && seconds <= 2 ? seconds : 0;
}
