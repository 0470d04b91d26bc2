#include "tray/app/TrayWiring.h"

#include "tray/history/ui/TFormHist.h"
#include "tray/history/ui/TFormRegister.h"
#include "tray/session/DeviceSession.h"
#include "tray/session/HistoryJournal.h"
#include "tray/session/HistoryWriter.h"
#include "tray/session/Registration.h"
#include "tray/session/ui/RegistrationWindow.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/ui/TDM55xx.h"
#include "tray/shell/ui/TrayProgram.h"

namespace qz {

namespace {

// The text the database is named by: the settings' ADOFile, or the default file of the
// program folder while the settings name none.
QString databaseText(TrayProgram& program)
{
    const QString& text = program.ini().ADOFile;
    return text.isEmpty() ? defaultADOFile(program.context().exeDir) : text;
}

} // namespace

TrayWiring::TrayWiring(TrayProgram& program)
    : m_program(program), m_dbText(databaseText(program)),
      m_db(db::DbLocator::fromText(m_dbText, program.context().exeDir))
{
    AppContext& ctx = program.context();
    m_journal = std::make_unique<HistoryJournal>(HistoryJournal::folderOf(ctx.exeDir));
    m_formHist = std::make_unique<TFormHist>(ctx);
    m_formRegister = std::make_unique<TFormRegister>(program.lang());
    m_registration = std::make_unique<Registration>(ctx, m_state, m_db);
    m_store = std::make_unique<HistoryStore>(ctx, m_state, *m_journal);

    TDM55xx& dm = program.dm();
    dm.onDiscoveryTick = [this] {
        syncDatabase();
        if (DeviceSession* session = deviceSession())
            session->TimerFindDevIrDATimer();
    };
    dm.resetCurSerial = [this] { m_state.CurSerial = -1; };

    m_formHist->storeHistory = [this] { m_store->storeWindowHistory(*m_formHist); };
    m_formHist->currentUserName = [this] { return m_state.CurUserName; };
    m_formHist->startRegistration = [this] {
        syncDatabase();
        m_registration->StartRegistration();
    };
    m_formHist->onClosed = [this] { m_registration->releaseList(); };
    // The device job runner (job 0 clears the instrument's history after a registration)
    // is not part of the program yet: the window's service function and the registration
    // leave the instrument as it is.
    m_formHist->runDeviceJob = [](int) {};
    m_registration->runJob0 = [] {};

    wireRegistrationWindow(*m_registration, *m_formRegister);
}

TrayWiring::~TrayWiring()
{
    // The data module outlives this object: its hooks must not reach it afterwards.
    m_program.dm().onDiscoveryTick = nullptr;
    m_program.dm().resetCurSerial = nullptr;
}

void TrayWiring::startUp()
{
    syncDatabase();
    m_store->storeJournal(true);
}

DeviceSession* TrayWiring::deviceSession()
{
    // The session talks through the link the start-up made; it exists only from then on.
    IrdaLink* link = m_program.context().link;
    if (!link)
        return nullptr;
    if (!m_session || m_sessionLink != link) {
        m_session = std::make_unique<DeviceSession>(m_program.context(), m_state, *m_formHist, m_db,
                                                    *m_journal, m_registration.get());
        m_sessionLink = link;
    }
    return m_session.get();
}

void TrayWiring::syncDatabase()
{
    const QString text = databaseText(m_program);
    if (text == m_dbText)
        return;
    m_dbText = text;
    // Assigned in place: the session and the registration keep referring to this object.
    m_db = SessionDb(db::DbLocator::fromText(text, m_program.context().exeDir));
}

} // namespace qz
