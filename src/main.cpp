// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"
#include "platform/HeapTuning.h"

#include <QApplication>

#include <clocale>

int main(int argc, char* argv[])
{
    limitHeapArenas();
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quelmar"));
    QApplication::setApplicationName(QStringLiteral("Lumaveil"));
    QApplication::setApplicationVersion(QStringLiteral(LUMAVEIL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("lumaveil"));
    // Qt sets the locale from the environment; libmpv parses numbers and needs the C convention for them.
    std::setlocale(LC_NUMERIC, "C");

    Startup startup;
    startup.run();
    return QApplication::exec();
}
