#include "tray/shell/ui/TFormQZ55xx.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace qz {

TFormQZ55xx::TFormQZ55xx(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FormQZ55xx"));
    setWindowTitle(QStringLiteral("55xx"));
    setFixedSize(156, 11);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormQZ55xx::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Spontaneous shows (the window system restoring it) are not the start-up's show.
    if (!event->spontaneous() && onShow)
        onShow();
}

void TFormQZ55xx::closeEvent(QCloseEvent* event)
{
    if (onCloseQuery)
        onCloseQuery();
    event->accept();
}

} // namespace qz
