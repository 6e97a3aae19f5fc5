// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/cSysTray.h"

#include <QSystemTrayIcon>

namespace {

// The notification area shows no more of a tip.
constexpr int maximumTipLength = 127;

} // namespace

cSysTray::cSysTray(QObject* parent)
    : QObject(parent)
{}

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
