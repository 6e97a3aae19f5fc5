// SPDX-License-Identifier: GPL-3.0-or-later
#include "wayland/Sway.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

namespace {

QRect rectOf(const QJsonObject& node)
{
    const QJsonObject rect = node.value(QLatin1String("rect")).toObject();
    return {rect.value(QLatin1String("x")).toInt(),
            rect.value(QLatin1String("y")).toInt(),
            rect.value(QLatin1String("width")).toInt(),
            rect.value(QLatin1String("height")).toInt()};
}

// Views are the leaves of sway's tree that belong to a client; tiled and floating ones hang off different lists.
void collectViews(const QJsonObject& node, QList<Sway::View>& views)
{
    if (node.contains(QLatin1String("pid"))) {
        Sway::View view;
        view.name = node.value(QLatin1String("name")).toString();
        view.appId = node.value(QLatin1String("app_id")).toString();
        view.pid = node.value(QLatin1String("pid")).toInteger();
        view.fullScreen = node.value(QLatin1String("fullscreen_mode")).toInt() != 0;
        view.visible = node.value(QLatin1String("visible")).toBool();
        view.focused = node.value(QLatin1String("focused")).toBool();
        view.inhibitsIdle = node.value(QLatin1String("inhibit_idle")).toBool();
        view.rect = rectOf(node);
        views.append(view);
    }
    for (const char* list : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(list)).toArray()) {
            collectViews(child.toObject(), views);
        }
    }
}

} // namespace

QByteArray Sway::run(const QString& program, const QStringList& arguments, bool* ok)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(10000);
    if (ok) {
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    return process.readAllStandardOutput();
}

QList<Sway::View> Sway::views()
{
    QList<View> views;
    collectViews(
        QJsonDocument::fromJson(run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")}))
            .object(),
        views);
    return views;
}

QList<QRect> Sway::outputAreas()
{
    QList<QRect> areas;
    for (const QJsonValue output :
         QJsonDocument::fromJson(run(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_outputs")}))
             .array()) {
        areas.append(rectOf(output.toObject()));
    }
    std::sort(areas.begin(), areas.end(), [](QRect a, QRect b) { return a.x() < b.x(); });
    return areas;
}

QImage Sway::screenshot()
{
    const QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("screen.png"));
    bool ok = false;
    static_cast<void>(run(QStringLiteral("grim"), {file}, &ok));
    return ok ? QImage(file) : QImage();
}

bool Sway::type(const QStringList& arguments)
{
    bool ok = false;
    static_cast<void>(run(QStringLiteral("wtype"), arguments, &ok));
    return ok;
}
