#include "common/platform/ui/TrayIcon.h"
#include "PlatformUiTestApp.h"

#include <QApplication>
#include <QMenu>

#include <gtest/gtest.h>

namespace qz {
namespace {

QApplication& app()
{
    return test::testApp();
}

TEST(TrayIcon, HintIsCutTo63Characters)
{
    app();
    TrayIcon icon;
    for (int length : {0, 62, 63, 64, 200}) {
        const QString hint(length, QLatin1Char('h'));
        icon.setHint(hint);
        EXPECT_EQ(icon.hint(), hint.left(63)) << length;
    }
}

TEST(TrayIcon, OnlyARightClickWithMouseHandlingOnOpensTheMenuAtTheMouse)
{
    app();
    struct Case {
        QSystemTrayIcon::ActivationReason reason;
        bool mouseEnabled;
        bool visible;
        bool opens;
    } cases[] = {
        {QSystemTrayIcon::Context, true, true, true},
        {QSystemTrayIcon::Context, false, true, false},
        {QSystemTrayIcon::Context, true, false, false},
        {QSystemTrayIcon::Trigger, true, true, false},
        {QSystemTrayIcon::DoubleClick, true, true, false},
        {QSystemTrayIcon::MiddleClick, true, true, false},
    };
    for (const Case& c : cases) {
        TrayIcon icon;
        QMenu menu;
        menu.addAction(QStringLiteral("item"));
        int shown = 0;
        QObject::connect(&menu, &QMenu::aboutToShow, [&] { ++shown; });
        icon.setMenu(&menu);
        icon.setVisible(c.visible);
        icon.setMouseEnabled(c.mouseEnabled);
        const QPoint at(120, 80);
        EXPECT_EQ(icon.handleActivation(c.reason, at), c.opens) << int(c.reason);
        EXPECT_EQ(shown, c.opens ? 1 : 0) << int(c.reason);
        EXPECT_EQ(menu.isVisible(), c.opens);
        if (c.opens) {
            EXPECT_EQ(menu.pos(), at);
        }
        menu.hide();
    }
}

TEST(TrayIcon, WithoutMenuNothingOpens)
{
    app();
    TrayIcon icon;
    icon.setVisible(true);
    EXPECT_FALSE(icon.handleActivation(QSystemTrayIcon::Context, QPoint(1, 1)));
    {
        QMenu menu;
        icon.setMenu(&menu);
    }
    // The menu went away before the icon: no dangling use.
    EXPECT_FALSE(icon.handleActivation(QSystemTrayIcon::Context, QPoint(1, 1)));
}

} // namespace
} // namespace qz
