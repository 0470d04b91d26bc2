#pragma once

#include "tray/history/HistoryEvent.h"
#include "tray/history/HistoryLines.h"
#include "tray/link/Parameters.h"
#include "tray/link/Protocol.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace qz {

struct AppContext;
struct SessionState;
class HistoryWindowApi;
class HistoryJournal;
class Registration;
class SessionDb;

// What a session may do besides reading. The tray program does everything; the
// command-line reader changes nothing unless asked.
struct SessionPolicy {
    bool eraseAndSetClock = true;  // erase a registered instrument's history, set its clock
    bool offerRegistration = true; // offer an instrument issued to nobody for registration
                                   // when "Read unregistered device" is off
    bool showWindow = true;        // show the history window modally at the end
};

// One discovery tick and the automatic session that follows it: find an instrument in
// range, identify it, read its settings into the device card, read its history into the
// history window, erase a registered instrument (after its history is in the journal), set
// its clock and show the window. Runs on the user-interface thread.
class DeviceSession {
public:
    enum class Outcome {
        NoDevice,       // nothing in range: re-armed, the instrument forgotten
        NotIdentified,  // no name identified an instrument
        IdentityFailed, // a pager-type instrument did not tell its identity
        Forgotten,      // the connection failed
        LinkReset,      // a read, the erase or the journal failed: the link was reset
        Registration,   // an instrument issued to nobody was offered for registration
        Shown,          // the history was read and the window shown
    };

    DeviceSession(AppContext& context, SessionState& state, HistoryWindowApi& window, SessionDb& db,
                  HistoryJournal& journal, Registration* registration = nullptr);
    ~DeviceSession();

    SessionPolicy policy;
    HistoryTextFormat format; // numbers and dates of the device card and event lines

    // The discovery timer's handler: one tick, with the whole session when an instrument is
    // found. Every way out starts the discovery timer again.
    void TimerFindDevIrDATimer();

    Outcome lastOutcome() const { return m_outcome; }
    // The history memory of the last successful history read.
    const QByteArray& lastRawHistory() const { return m_raw; }
    // Every frame of the session goes through here (support logging).
    DeviceProtocol& protocol() { return m_protocol; }

private:
    void reArm();
    void forget();
    void resetLink();
    bool identifyPager(const QString& announcedName);
    bool classicProbe();
    void automaticSession();
    bool readPaths();
    void historyStep();
    bool readHistory();
    bool journalBeforeErase();

    void card(const QString& label, const QString& value);
    void cardCommon(int number, double dateTime, const QString& histTime);
    QString label(int line) const;
    QString label(int line, int second) const;
    QString yesNo(bool value) const;
    QString fixed(double value, int decimals) const;

    AppContext& m_ctx;
    SessionState& m_state;
    HistoryWindowApi& m_window;
    SessionDb& m_db;
    HistoryJournal& m_journal;
    Registration* m_registration;
    DeviceProtocol m_protocol;
    Outcome m_outcome = Outcome::NoDevice;

    T5520MParameters m_m;
    T5520GNParameters m_gn;
    TKParameters m_k;
    std::unique_ptr<HistoryEvents> m_events;
    std::unique_ptr<HistoryEvents6610> m_events6610;
    QByteArray m_raw;
};

} // namespace qz
