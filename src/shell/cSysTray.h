// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

/**
 * The program's icon in the notification area. InTray shows and hides it; TrayTip is its tool tip.
 */
class cSysTray : public QObject
{
    Q_OBJECT

public:
    explicit cSysTray(QObject* parent = nullptr);
    ~cSysTray() override;

    [[nodiscard]] bool InTray() const
    {
        return m_inTray;
    }
    void setInTray(bool show);

    [[nodiscard]] QString TrayTip() const
    {
        return m_tip;
    }
    void setTrayTip(const QString& tip);

    [[nodiscard]] QIcon TrayIcon() const
    {
        return m_icon;
    }
    void setTrayIcon(const QIcon& icon);

private:
    bool m_inTray = false;
    QString m_tip;
    QIcon m_icon;
    QSystemTrayIcon* m_trayIcon = nullptr;
};
