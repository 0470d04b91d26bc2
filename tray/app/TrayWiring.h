#pragma once

#include "tray/session/SessionDb.h"
#include "tray/session/SessionState.h"

#include <memory>

namespace qz {

class DeviceSession;
class HistoryJournal;
class HistoryStore;
class IrdaLink;
class Registration;
class TFormHist;
class TFormRegister;
class TrayProgram;

// Puts the device sessions into the tray program: the discovery tick runs the automatic
// session, the history window stores its lines under the holder when it closes, and an
// instrument issued to nobody can be issued from the window's toolbar. Construct it after
// the program and before its start(); destroy it before the program.
class TrayWiring {
public:
    explicit TrayWiring(TrayProgram& program);
    ~TrayWiring();

    // Once the start-up has read the settings: stores what the history journal still holds
    // from an earlier run (a crash, a killed process, a refused insert).
    void startUp();

    SessionState& state() { return m_state; }

private:
    // The database the settings name now; the settings window may have changed it.
    void syncDatabase();
    // The session on the program's current link; nullptr before the start-up made one.
    DeviceSession* deviceSession();

    TrayProgram& m_program;
    SessionState m_state;
    QString m_dbText;
    SessionDb m_db;
    std::unique_ptr<HistoryJournal> m_journal;
    std::unique_ptr<TFormHist> m_formHist;
    std::unique_ptr<TFormRegister> m_formRegister;
    std::unique_ptr<Registration> m_registration;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<DeviceSession> m_session;
    IrdaLink* m_sessionLink = nullptr;
};

} // namespace qz
