#include "tray/shell/ui/TDM55xx.h"

#include "common/platform/Clock.h"
#include "common/platform/Crc16.h"
#include "common/platform/DialogService.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"
#include "tray/shell/RosterLibrary.h"
#include "tray/shell/ui/TFormDevSetting.h"
#include "tray/shell/ui/TFormProgress.h"
#include "tray/shell/ui/TFormQZ55xx.h"
#include "tray/shell/ui/TFormSetting.h"
#include "tray/shell/ui/TFormZast.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPainter>
#include <QPixmap>
#include <QUrl>

namespace qz {

TDM55xx::TDM55xx(AppContext& context, QObject* parent) : QObject(parent), m_ctx(context)
{
    setObjectName(QStringLiteral("DM55xx"));
    pmnuQZ55xx.setObjectName(QStringLiteral("pmnuQZ55xx"));
    auto add = [this](const char* name) {
        QAction* action = pmnuQZ55xx.addAction(QString());
        action->setObjectName(QLatin1String(name));
        return action;
    };
    pmnuShowDB = add("pmnuShowDB");
    pmnuQZ55xx.addSeparator();
    pmnuDevSetting = add("pmnuDevSetting");
    pmnuSetting = add("pmnuSetting");
    pmnuHelp = add("pmnuHelp");
    pmnuAbout = add("pmnuAbout");
    pmnuQZ55xx.addSeparator();
    pmnuExit = add("pmnuExit");
    // The default item is shown in bold.
    pmnuQZ55xx.setDefaultAction(pmnuShowDB);

    connect(pmnuShowDB, &QAction::triggered, this, &TDM55xx::pmnuShowDBClick);
    connect(pmnuDevSetting, &QAction::triggered, this, &TDM55xx::pmnuDevSettingClick);
    connect(pmnuSetting, &QAction::triggered, this, &TDM55xx::pmnuSettingClick);
    connect(pmnuHelp, &QAction::triggered, this, &TDM55xx::pmnuHelpClick);
    connect(pmnuAbout, &QAction::triggered, this, &TDM55xx::pmnuAboutClick);
    connect(pmnuExit, &QAction::triggered, this, &TDM55xx::pmnuExitClick);
    connect(&pmnuQZ55xx, &QMenu::aboutToShow, this, &TDM55xx::pmnuQZ55xxPopup);

    TimerFindDevIrDA.setObjectName(QStringLiteral("TimerFindDevIrDA"));
    TimerFindDevIrDA.setInterval(kDiscoveryIntervalMs);
    TimerHide.setObjectName(QStringLiteral("TimerHide"));
    TimerHide.setInterval(kHideDelayMs);
    TimerHide.setSingleShot(true);
    connect(&TimerFindDevIrDA, &QTimer::timeout, this, &TDM55xx::TimerFindDevIrDATimer);
    connect(&TimerHide, &QTimer::timeout, this, &TDM55xx::TimerHideTimer);

    openHelp = [](const QString& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); };
    execModal = [](QDialog& dialog) { return dialog.exec(); };
    quit = [] { QCoreApplication::quit(); };

    ctiQZ55xx.setIcon(programIcon());
    ctiQZ55xx.setMenu(&pmnuQZ55xx);
    ctiQZ55xx.setVisible(true);
}

TDM55xx::~TDM55xx()
{
    ctiQZ55xx.setVisible(false);
}

QIcon TDM55xx::programIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x68), 2));
    p.setBrush(QColor(0x3c, 0x5a, 0x8c));
    p.drawRoundedRect(QRectF(8, 2, 16, 28), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9b, 0xd3, 0x6a));
    p.drawRect(QRectF(11, 6, 10, 8));
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    p.drawEllipse(QPointF(16, 22), 4, 4);
    p.end();
    return QIcon(pixmap);
}

void TDM55xx::setDiscoveryActive(bool active)
{
    if (active)
        TimerFindDevIrDA.start(kDiscoveryIntervalMs);
    else
        TimerFindDevIrDA.stop();
}

void TDM55xx::zastShow()
{
    setTrayMouseEnabled(false);
    setDiscoveryActive(false);
}

void TDM55xx::zastClose()
{
    // Deliberately not looking at FindDevice: closing the about window starts the search
    // whenever the link is in use.
    if (m_ctx.ini && m_ctx.ini->usesLink())
        setDiscoveryActive(true);
    setTrayMouseEnabled(true);
}

void TDM55xx::FormQZ55xxShow()
{
    TimerHide.start(kHideDelayMs);
    setDiscoveryActive(false);
    if (resetCurSerial)
        resetCurSerial();
}

void TDM55xx::TimerHideTimer()
{
    if (FormQZ55xx)
        FormQZ55xx->hide();
    TimerHide.stop();
    if (m_ctx.clock)
        m_ctx.clock->wait(1000);
    FormZast.reset();
    if (m_ctx.ini && m_ctx.ini->FindDevice && m_ctx.ini->usesLink())
        setDiscoveryActive(true);
    setTrayMouseEnabled(true);
    if (resetCurSerial)
        resetCurSerial();
}

void TDM55xx::TimerFindDevIrDATimer()
{
    if (onDiscoveryTick)
        onDiscoveryTick();
}

void TDM55xx::pmnuQZ55xxPopup()
{
    if (FormProgress && FormProgress->isVisible())
        FormProgress->ProgressDone();
}

void TDM55xx::pmnuShowDBClick()
{
    if (m_ctx.roster && m_ctx.ini)
        m_ctx.roster->DataBaseShow(m_ctx.ini->Language);
}

void TDM55xx::pmnuDevSettingClick()
{
    const LangTable& lang = *m_ctx.lang;
    const std::optional<QString> answer =
        m_ctx.dialogs->inputBox(lang.line(60), QString(), QString(), InputEcho::Password);
    if (!answer || answer->isEmpty())
        return;
    if (passwordHash(*answer) != m_ctx.ini->SecurityPassword) {
        m_ctx.dialogs->messageBox(lang.line(89), lang.line(7), DialogButtons::Ok);
        return;
    }
    if (showDeviceSettings)
        showDeviceSettings();
    else if (FormDevSetting)
        execModal(*FormDevSetting);
}

void TDM55xx::pmnuSettingClick()
{
    if (FormSetting)
        execModal(*FormSetting);
}

void TDM55xx::pmnuHelpClick()
{
    // Another language keeps the file chosen before.
    if (m_ctx.ini->Language == 0)
        m_helpFile = m_ctx.exeDir + QStringLiteral("Help/Vorlex_rus.html");
    else if (m_ctx.ini->Language == 1)
        m_helpFile = m_ctx.exeDir + QStringLiteral("Help/Vorlex.html");
    if (!m_helpFile.isEmpty() && openHelp)
        openHelp(m_helpFile);
}

void TDM55xx::pmnuAboutClick()
{
    TFormZast about;
    about.makeAboutWindow();
    about.setTexts(*m_ctx.lang);
    about.onShow = [this] { zastShow(); };
    about.onClose = [this] { zastClose(); };
    execModal(about);
}

void TDM55xx::pmnuExitClick()
{
    ctiQZ55xx.setVisible(false);
    if (FormQZ55xx)
        FormQZ55xx->close();
    if (quit)
        quit();
}

} // namespace qz
