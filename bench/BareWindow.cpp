// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline of the start-up benchmark: a Qt program that shows one empty window of the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("BareWindow"));
    window.setFixedSize(536, 548);
    window.show();
    return QApplication::exec();
}
