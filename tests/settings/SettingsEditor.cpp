// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps changing a settings file, as a person reordering a long list does, until it is killed. Each change writes
// the file list, every entry marked with the change's number, together with that number in "Text3"; the number
// goes to stdout once the change is made.
//
// Usage: settings_editor FILE ENTRIES
#include "settings/ListText.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: settings_editor FILE ENTRIES\n");
        return 2;
    }
    SettingsStore store(arguments[1]);
    const int entries = arguments[2].toInt();
    int change = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++change;
        QStringList paths;
        paths.reserve(entries);
        for (int i = 0; i < entries; ++i) {
            paths.append(QStringLiteral("/videos/change %1; entry %2.mkv").arg(change).arg((i + change) % entries));
        }
        store.WriteSetting(Setting::Videos, ListText::join(paths));
        store.WriteSetting(Setting::Text3, QString::number(change));
        std::printf("%d\n", change);
        std::fflush(stdout);
    });
    timer.start();
    return QCoreApplication::exec();
}
