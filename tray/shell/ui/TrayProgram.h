#pragma once

#include "tray/link/IrdaLink.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace qz {

class DialogService;
class Clock;
class RosterLibrary;
class TDM55xx;
class TFormDevSetting;
class TFormProgress;
class TFormQZ55xx;
class TFormSetting;

// What the tray program is started with: where it lives, and the services that tests
// replace.
struct TrayProgramSetup {
    QString exeDir;      // the program folder, ending in '/'
    QString iniFileName; // the settings file in it
    uint8_t defaultLanguage = 1;
    DialogService* dialogs = nullptr; // required
    Clock* clock = nullptr;           // required
    // Makes the link from the settings; by default the one the "Link" setting names.
    std::function<std::unique_ptr<IrdaLink>(const TIniRec&, const QString& exeDir)> makeLink;
};

// The tray program: its windows, its settings and language, the link, and the order in
// which they come to life and go down. Constructing it creates the windows; start() runs the
// rest of the start-up up to showing the main form; shutdown() is what closing the main form
// runs (also on a termination signal and at the end of the desktop session).
class TrayProgram : public QObject {
    Q_OBJECT
public:
    explicit TrayProgram(TrayProgramSetup setup, QObject* parent = nullptr);
    // Unloads the Roster library when loaded.
    ~TrayProgram() override;

    void start();
    // Stops discovery, closes the link when it is in use, writes the settings file. Runs
    // once; later calls do nothing. False when the settings file could not be written.
    bool shutdown();
    bool isShutDown() const { return m_shutDown; }
    // Writes the settings file now, as shutdown() would (the desktop asks a program to save
    // its state before the session ends; the program may still be killed after that).
    bool saveSettings();

    // Loads language block `language` and applies it to the windows and the menu.
    void changeLanguage(int language);
    void Apply();

    AppContext& context() { return m_ctx; }
    TIniRec& ini() { return m_ini; }
    LangTable& lang() { return m_lang; }
    TDM55xx& dm() { return *m_dm; }
    TFormQZ55xx& mainForm() { return *m_mainForm; }
    TFormSetting& formSetting() { return *m_formSetting; }
    TFormProgress& formProgress() { return *m_formProgress; }
    TFormDevSetting& formDevSetting() { return *m_formDevSetting; }
    IrdaLink* link() { return m_link.get(); }
    RosterLibrary& roster() { return *m_roster; }
    QString iniPath() const { return m_setup.exeDir + m_setup.iniFileName; }
    QString langPath() const { return m_setup.exeDir + QStringLiteral("Lang.txt"); }
    // The personnel database's locator, configured at start-up and opened by its first user.
    QString databaseLocator() const { return m_ini.ADOFile; }

private:
    TrayProgramSetup m_setup;
    TIniRec m_ini;
    LangTable m_lang;
    QStringList m_devList;
    std::unique_ptr<IrdaLink> m_link;
    std::unique_ptr<RosterLibrary> m_roster;
    AppContext m_ctx;
    std::unique_ptr<TFormQZ55xx> m_mainForm;
    std::unique_ptr<TDM55xx> m_dm;
    std::unique_ptr<TFormSetting> m_formSetting;
    std::unique_ptr<TFormDevSetting> m_formDevSetting;
    std::unique_ptr<TFormProgress> m_formProgress;
    bool m_shutDown = false;
};

} // namespace qz
