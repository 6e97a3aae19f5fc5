// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class QMenu;
class QTimer;

/**
 * The program's icon in the notification area. InTray shows and hides it; TrayTip is its tool tip; ShowBalloon
 * shows a message on it. Clicks on the icon come out as mouse events, the button numbered 1 for left and 2 for
 * right.
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

    /** The menu the icon offers on a right click, where the desktop shows one. */
    void setContextMenu(QMenu* menu);

    /**
     * Shows a balloon with the text and title on the icon for the given seconds (0: as long as the desktop keeps
     * it). With showOnce, only the first such balloon of this icon is shown.
     */
    void ShowBalloon(const QString& tip, const QString& title, qint32 seconds, bool showOnce);

    /** Whether a balloon shown by ShowBalloon may still be on the screen. */
    [[nodiscard]] bool balloonShown() const
    {
        return m_balloonShown;
    }
    [[nodiscard]] qint32 showOnceCount() const
    {
        return m_showOnceCount;
    }

    /** Whether the desktop has a notification area to hold the icon. */
    [[nodiscard]] bool isAvailable() const;
    /** Replaces the desktop's answer to isAvailable(), for a test. */
    void setAvailabilityCheck(std::function<bool()> check);

    /** Turns an activation of the icon into the mouse events; the shown icon's activations come here. */
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

signals:
    void MouseDown(int button, qint32 id);
    void MouseUp(int button, qint32 id);
    void MouseDblClick(int button, qint32 id);

private:
    void balloonGone();

    bool m_inTray = false;
    QString m_tip;
    QIcon m_icon;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QMenu* m_menu = nullptr;
    QTimer* m_balloonTimer = nullptr;
    bool m_balloonShown = false;
    qint32 m_showOnceCount = 0;
    std::function<bool()> m_availabilityCheck;
};
