#include "tray/shell/ui/TrayProgram.h"

#include "common/platform/Clock.h"
#include "common/platform/DialogService.h"
#include "tray/shell/LinkSetting.h"
#include "tray/shell/RosterLibrary.h"
#include "tray/shell/ui/TDM55xx.h"
#include "tray/shell/ui/TFormDevSetting.h"
#include "tray/shell/ui/TFormProgress.h"
#include "tray/shell/ui/TFormQZ55xx.h"
#include "tray/shell/ui/TFormSetting.h"
#include "tray/shell/ui/TFormZast.h"

#include <QGuiApplication>
#include <QtGlobal>

namespace qz {

TrayProgram::TrayProgram(TrayProgramSetup setup, QObject* parent)
    : QObject(parent), m_setup(std::move(setup))
{
    Q_ASSERT(m_setup.dialogs && m_setup.clock);
    if (!m_setup.makeLink)
        m_setup.makeLink = [](const TIniRec& ini, const QString& exeDir) {
            return createLink(ini.Link, exeDir);
        };
    m_roster = std::make_unique<RosterLibrary>(m_setup.exeDir);

    m_ctx.ini = &m_ini;
    m_ctx.lang = &m_lang;
    m_ctx.devList = &m_devList;
    m_ctx.dialogs = m_setup.dialogs;
    m_ctx.clock = m_setup.clock;
    m_ctx.roster = m_roster.get();
    m_ctx.exeDir = m_setup.exeDir;

    // The windows, in the order the program has always created them.
    m_mainForm = std::make_unique<TFormQZ55xx>();
    m_dm = std::make_unique<TDM55xx>(m_ctx);
    m_formSetting = std::make_unique<TFormSetting>(m_ctx);
    m_formDevSetting = std::make_unique<TFormDevSetting>(m_lang);
    m_formProgress = std::make_unique<TFormProgress>(m_lang, *m_setup.clock);
    m_dm->FormZast = std::make_unique<TFormZast>();
    m_dm->FormZast->onShow = [this] { m_dm->zastShow(); };

    m_dm->FormQZ55xx = m_mainForm.get();
    m_dm->FormSetting = m_formSetting.get();
    m_dm->FormDevSetting = m_formDevSetting.get();
    m_dm->FormProgress = m_formProgress.get();
    m_mainForm->onShow = [this] { m_dm->FormQZ55xxShow(); };
    m_mainForm->onCloseQuery = [this] { shutdown(); };
    m_formSetting->onLanguageChanged = [this](int language) { changeLanguage(language); };

    m_ctx.progress = m_formProgress.get();
    m_ctx.setTrayMouseEnabled = [this](bool on) { m_dm->setTrayMouseEnabled(on); };
    m_ctx.setDiscoveryTimerActive = [this](bool on) { m_dm->setDiscoveryActive(on); };
    m_ctx.setProgressTag = [this](int tag) { m_formProgress->setTag(tag); };
}

TrayProgram::~TrayProgram()
{
    // The windows go before the library, which may still own windows of its own that
    // close with it.
    m_dm.reset();
    m_formProgress.reset();
    m_formDevSetting.reset();
    m_formSetting.reset();
    m_mainForm.reset();
    m_roster->unload();
}

void TrayProgram::start()
{
    m_ini = loadIniRec(iniPath(), m_setup.exeDir, m_setup.defaultLanguage);
    m_devList.clear();
    changeLanguage(m_ini.Language);

    m_dm->FormZast->show();
    m_dm->FormZast->repaint();

    // The database is only located here; the first work that needs it opens it.

    m_link = m_setup.makeLink(m_ini, m_setup.exeDir);
    m_ctx.link = m_link.get();
    if (!m_link->InitIrDAEx())
        m_ctx.dialogs->messageBox(m_lang.line(79), m_lang.line(7), DialogButtons::Ok);

    m_mainForm->show();
}

bool TrayProgram::saveSettings()
{
    const bool saved = saveIniRec(iniPath(), m_ini);
    if (!saved)
        qWarning("The settings file %s cannot be written", qPrintable(iniPath()));
    return saved;
}

bool TrayProgram::shutdown()
{
    if (m_shutDown)
        return true;
    m_shutDown = true;
    m_dm->TimerFindDevIrDA.stop();
    // A stop during the start-up must not bring the discovery back afterwards.
    m_dm->TimerHide.stop();
    if (m_link && m_ini.usesLink())
        m_link->CloseIrDAEx();
    const bool saved = saveSettings();
    m_devList.clear();
    m_dm->ctiQZ55xx.setVisible(false);
    return saved;
}

void TrayProgram::changeLanguage(int language)
{
    // A missing file keeps the texts loaded before.
    m_lang.load(langPath(), language);
    Apply();
}

void TrayProgram::Apply()
{
    TDM55xx& dm = *m_dm;
    dm.ctiQZ55xx.setHint(m_lang.line(3));
    dm.pmnuExit->setText(m_lang.line(4));
    dm.pmnuAbout->setText(m_lang.line(122));
    m_mainForm->setWindowTitle(QStringLiteral("55xx"));
    dm.pmnuSetting->setText(m_lang.line(8));
    dm.pmnuDevSetting->setText(m_lang.line(59));
    dm.pmnuShowDB->setText(m_lang.line(74));
    dm.pmnuHelp->setText(m_lang.line(87));
    m_formSetting->applyLanguage();
    QGuiApplication::setApplicationDisplayName(m_lang.line(15) + m_lang.line(16));
    if (dm.FormZast)
        dm.FormZast->setTexts(m_lang);
}

} // namespace qz
