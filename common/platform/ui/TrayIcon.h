#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>

#include <QMenu>

namespace qz {

// The program's icon in the notification area. Besides its picture it has two switches: the
// icon is shown or not, and mouse handling is on or off (while off, clicks are ignored and
// the menu cannot be opened). Releasing the right button over the icon brings the program to
// the front and opens the menu at the mouse; other clicks and double clicks do nothing.
//
// A desktop without a notification area (a bare X server, the offscreen platform) leaves the
// icon unseen; the program runs all the same and the menu stays reachable through menu().
class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kHintLength = 63;

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // The menu is not owned; it must outlive the icon or be reset first.
    void setMenu(QMenu* menu);
    QMenu* menu() const { return m_menu; }

    void setIcon(const QIcon& icon);

    void setVisible(bool visible);
    bool isVisible() const { return m_visible; }

    void setMouseEnabled(bool enabled) { m_mouseEnabled = enabled; }
    bool mouseEnabled() const { return m_mouseEnabled; }

    // Only the first 63 characters of a hint are kept.
    void setHint(const QString& hint);
    QString hint() const { return m_hint; }

    // What the notification area reports; public so that a desktop without one can be
    // driven the same way. True when the menu was opened.
    bool handleActivation(QSystemTrayIcon::ActivationReason reason, const QPoint& mousePos);

    static bool notificationAreaAvailable();

private:
    QSystemTrayIcon m_icon;
    QPointer<QMenu> m_menu;
    QString m_hint;
    bool m_visible = false;
    bool m_mouseEnabled = true;
};

} // namespace qz
