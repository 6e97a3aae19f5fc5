// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls, where its design places them.
#include "app/Form1.h"
#include "library/LibraryListView.h"
#include "shell/cSysTray.h"
#include "widgets/Controls.h"
#include "widgets/NumericEntry.h"
#include "widgets/ScrollingSurface.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

namespace {

const char* const fileListHint =
    QT_TRANSLATE_NOOP("Form1",
                      "Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
                      "window to reveal full names.");

QPushButton*
placeButton(QWidget* parent, const char* name, int left, int top, int width, int height, const QString& caption)
{
    auto* button = Controls::place<QPushButton>(parent, name, left, top, width, height, caption);
    button->setFont(Controls::arialBold(11.25));
    button->setAutoDefault(false);
    return button;
}

template <typename List = QTreeView>
List* placeList(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* list = Controls::place<List>(parent, name, left, top, width, height);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setItemsExpandable(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    // Right of the last column the header shows its window's face, which on the main window is not a header's; it
    // shows the header's own, so that the header runs across the whole list.
    QPalette palette = header->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, palette.color(group, QPalette::Button));
    }
    header->setPalette(palette);
    return list;
}

} // namespace

void Form1::createControls()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(Controls::arialBold(9));
    Controls::setBackground(this, Qt::white);
    setMouseTracking(true);
    // The controls stand on a surface of the designed size, which scrolls where the window does not fit its screen.
    m_surface = new ScrollingSurface(this, QSize(Twips::toPixels(8040), Twips::toPixels(8220)));
    QWidget* surface = m_surface->widget();

    Label1 = Controls::place<QLabel>(surface, "Label1", 120, 120, 7800, 255, tr("Screensaver is turned off"));
    PushButton2 = placeButton(surface, "PushButton2", 120, 480, 3840, 405, Countdown::turnOnCaption());
    PushButton8 = placeButton(surface, "PushButton8", 4080, 480, 3840, 405, tr("Test Screensaver Now"));
    PushButton7 = placeButton(surface, "PushButton7", 120, 990, 3840, 405, tr("Screen Saver Options"));
    PushButton6 = placeButton(surface, "PushButton6", 4080, 990, 3840, 405, tr("Help"));
    ListView1 = placeList<LibraryListView>(surface, "ListView1", 120, 1500, 7800, 1335);
    PushButton1 = placeButton(surface, "PushButton1", 120, 2920, 3840, 405, tr("Add Video File(s)"));
    PushButton4 = placeButton(surface, "PushButton4", 4080, 2920, 3840, 405, tr("Add All File(s) In Folder"));
    PushButton3 = placeButton(surface, "PushButton3", 120, 3430, 3840, 405, tr("Clear List"));
    PushButton5 = placeButton(surface, "PushButton5", 4080, 3430, 3840, 405, tr("Load Sample/Example Files"));
    ListView5 = placeList<LibraryListView>(surface, "ListView5", 120, 3940, 7800, 1335);
    PushButton15 = placeButton(surface, "PushButton15", 120, 5370, 3840, 405, tr("Add Folder(s)"));
    PushButton21 = placeButton(surface, "PushButton21", 4080, 5370, 3840, 405, tr("Add All Subfolders In Folder"));
    Frame7 = Controls::place<QGroupBox>(surface,
                                        "Frame7",
                                        120,
                                        5805,
                                        7800,
                                        795,
                                        tr("Wait this number of minutes of inactivity before starting screensaver"));
    Text3 = Controls::place<QLineEdit>(Frame7, "Text3", 240, 300, 7300, 345, QStringLiteral("1"));
    Frame9 = Controls::place<QGroupBox>(surface, "Frame9", 120, 6645, 3840, 705, tr("Random Option"));
    Option4 = Controls::place<QRadioButton>(Frame9, "Option4", 240, 300, 1695, 255, tr("Play randomly"));
    Option5 = Controls::place<QRadioButton>(Frame9, "Option5", 2040, 300, 1695, 255, tr("Play in order"));
    Frame6 = Controls::place<QGroupBox>(surface, "Frame6", 4080, 6645, 3840, 705, tr("Sound Option"));
    // A little wider than designed, so that the caption shows whole.
    Check2 = Controls::place<QCheckBox>(Frame6, "Check2", 240, 300, 1620, 255, tr("Disable sound"));
    Frame4 = Controls::place<QGroupBox>(surface, "Frame4", 120, 7400, 7800, 720, tr("Startup Option"));
    Check3 =
        Controls::place<QCheckBox>(Frame4, "Check3", 240, 300, 3930, 285, tr("Load this software on Windows startup"));
    Check8 = Controls::place<QCheckBox>(Frame4, "Check8", 4410, 300, 2325, 285, tr("Start in system tray"));
    ListView2 = placeList(surface, "ListView2", 2280, -30, 1200, 525);
    ListView2->hide();
    Option4->setChecked(true);
    Controls::colourIndicators(this);

    ListView1->setModel(&m_library.files());
    ListView5->setModel(&m_library.folders());
    ListView2->setModel(&m_library.playable());
    ListView1->setToolTip(tr(fileListHint));
    ListView2->setToolTip(tr(fileListHint));

    // The tab order follows the design's tab indices; the option controls without one come after the minutes.
    const QList<QWidget*> tabOrder{ListView1,
                                   PushButton8,
                                   PushButton1,
                                   PushButton4,
                                   PushButton2,
                                   PushButton3,
                                   PushButton5,
                                   PushButton6,
                                   PushButton15,
                                   PushButton21,
                                   ListView5,
                                   Text3,
                                   Option4,
                                   Option5,
                                   Check2,
                                   Check3,
                                   Check8,
                                   PushButton7};
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

    Timer4 = new QTimer(this);
    Timer4->setObjectName(QStringLiteral("Timer4"));
    Timer4->setInterval(1000);
    cSysTray1 = new cSysTray(this);
    cSysTray1->setObjectName(QStringLiteral("cSysTray1"));
    createTrayMenu();

    new NumericEntry(Text3, m_services.dialogs, &Countdown::isWait);
    // The pointer follows the mouse over these: a hand over the buttons, the arrow over the option frames.
    for (QWidget* control : std::initializer_list<QWidget*>{PushButton1,
                                                            PushButton2,
                                                            PushButton3,
                                                            PushButton4,
                                                            PushButton5,
                                                            PushButton6,
                                                            PushButton7,
                                                            PushButton8,
                                                            PushButton15,
                                                            PushButton21,
                                                            Check3,
                                                            Check8,
                                                            Frame4,
                                                            Frame6,
                                                            Frame7,
                                                            Frame9}) {
        control->setMouseTracking(true);
        control->installEventFilter(this);
    }

    m_listSaveTimer = new QTimer(this);
    m_listSaveTimer->setSingleShot(true);
    m_listSaveTimer->setInterval(0);

    const QRect screenArea = screen()->availableGeometry();
    move(screenArea.center() - rect().center());
}
