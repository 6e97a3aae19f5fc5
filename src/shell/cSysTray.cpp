// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/cSysTray.h"

#include "system/Failure.h"

#include <QCoreApplication>
#include <QTimer>

#include <limits>

namespace {

// What the notification area shows at most of a tip, a balloon's text and a balloon's title.
constexpr int maximumTipLength = 127;
constexpr int maximumBalloonTextLength = 255;
constexpr int maximumBalloonTitleLength = 63;
// Asked for when the caller leaves the time to the desktop; Qt's own default.
constexpr int desktopBalloonMilliseconds = 10000;
// The only icon this control shows.
constexpr qint32 iconId = 0;

} // namespace

cSysTray::cSysTray(QObject* parent)
    : QObject(parent)
    , m_balloonTimer(new QTimer(this))
{
    m_balloonTimer->setSingleShot(true);
    connect(m_balloonTimer, &QTimer::timeout, this, &cSysTray::balloonGone);
}

cSysTray::~cSysTray()
{
    setInTray(false);
}

void cSysTray::setInTray(bool show)
{
    if (show == m_inTray) {
        return;
    }
    m_inTray = show;
    if (show) {
        if (!m_trayIcon) {
            m_trayIcon = new QSystemTrayIcon(m_icon, this);
            m_trayIcon->setToolTip(m_tip.left(maximumTipLength));
            m_trayIcon->setContextMenu(m_menu);
            connect(m_trayIcon, &QSystemTrayIcon::activated, this, &cSysTray::handleActivation);
            connect(m_trayIcon, &QSystemTrayIcon::messageClicked, this, &cSysTray::balloonGone);
        }
        // Shown also where no notification area runs yet: one that starts later takes the icon in.
        m_trayIcon->show();
    } else if (m_trayIcon) {
        m_trayIcon->hide();
    }
}

void cSysTray::setTrayTip(const QString& tip)
{
    m_tip = tip;
    if (m_trayIcon) {
        m_trayIcon->setToolTip(m_tip.left(maximumTipLength));
    }
}

void cSysTray::setTrayIcon(const QIcon& icon)
{
    if (icon.isNull()) {
        return;
    }
    m_icon = icon;
    if (m_trayIcon) {
        m_trayIcon->setIcon(m_icon);
    }
}

void cSysTray::setContextMenu(QMenu* menu)
{
    m_menu = menu;
    if (m_trayIcon) {
        m_trayIcon->setContextMenu(menu);
    }
}

// The desktop times the balloon; the timer here only tells when it is surely gone.
void cSysTray::ShowBalloon(const QString& tip, const QString& title, qint32 seconds, bool showOnce)
{
    if (showOnce && m_showOnceCount >= 1) {
        return;
    }
    qint32 milliseconds = 0;
    if (seconds > 0) {
        if (seconds > std::numeric_limits<qint32>::max() / 1000) {
            throw Failure(QCoreApplication::translate("Convert", "Overflow"));
        }
        milliseconds = seconds * 1000;
    }
    if (m_trayIcon) {
        m_trayIcon->showMessage(title.left(maximumBalloonTitleLength),
                                tip.left(maximumBalloonTextLength),
                                QSystemTrayIcon::NoIcon,
                                milliseconds > 0 ? milliseconds : desktopBalloonMilliseconds);
    }
    m_balloonShown = true;
    if (showOnce) {
        ++m_showOnceCount;
    }
    if (milliseconds > 0) {
        m_balloonTimer->start(milliseconds);
    }
}

void cSysTray::balloonGone()
{
    m_balloonTimer->stop();
    m_balloonShown = false;
}

bool cSysTray::isAvailable() const
{
    return m_availabilityCheck ? m_availabilityCheck() : QSystemTrayIcon::isSystemTrayAvailable();
}

void cSysTray::setAvailabilityCheck(std::function<bool()> check)
{
    m_availabilityCheck = std::move(check);
}

// Qt reports clicks, not presses and releases: each becomes the press and release it was made of. A double click
// follows the click of its first press, as the second press and release do.
void cSysTray::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit MouseDown(1, iconId);
        emit MouseUp(1, iconId);
        break;
    case QSystemTrayIcon::Context:
        emit MouseDown(2, iconId);
        emit MouseUp(2, iconId);
        break;
    case QSystemTrayIcon::DoubleClick:
        emit MouseDblClick(1, iconId);
        emit MouseUp(1, iconId);
        break;
    default:
        // The middle button and anything else raise nothing.
        break;
    }
}
