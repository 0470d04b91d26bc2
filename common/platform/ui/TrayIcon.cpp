#include "common/platform/ui/TrayIcon.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>

namespace qz {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent)
{
    // The menu is deliberately not handed to QSystemTrayIcon::setContextMenu: the
    // notification area would then open it by itself, past the mouse switch.
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                handleActivation(reason, QCursor::pos());
            });
}

TrayIcon::~TrayIcon()
{
    m_icon.hide();
}

bool TrayIcon::notificationAreaAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setMenu(QMenu* menu)
{
    m_menu = menu;
}

void TrayIcon::setIcon(const QIcon& icon)
{
    m_icon.setIcon(icon);
}

void TrayIcon::setVisible(bool visible)
{
    m_visible = visible;
    // Without a notification area Qt only warns; the switch is kept all the same.
    if (notificationAreaAvailable() && !m_icon.icon().isNull())
        m_icon.setVisible(visible);
}

void TrayIcon::setHint(const QString& hint)
{
    m_hint = hint.left(kHintLength);
    m_icon.setToolTip(m_hint);
}

bool TrayIcon::handleActivation(QSystemTrayIcon::ActivationReason reason, const QPoint& mousePos)
{
    if (!m_mouseEnabled || !m_visible || reason != QSystemTrayIcon::Context || !m_menu)
        return false;
    // A tray program has no window in front; the menu would not get the keyboard, nor close
    // on a click elsewhere, unless the program is brought forward first.
    m_menu->popup(mousePos);
    m_menu->activateWindow();
    return true;
}

} // namespace qz
