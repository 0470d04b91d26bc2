#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace qz {

struct AppContext;
struct SessionState;
class SessionDb;
class Clock;
class LangTable;

// Longest name part the registration list shows.
constexpr int kFreePersonNameLength = 30;

// A person who holds no instrument, as the registration window lists him. The names are
// cut for display only: the person is bound by PersID.
struct FreePerson {
    int PersID = -1;
    QString Fam;
    QString Im;
    QString Otch;
    QString text() const { return Fam + QLatin1Char(' ') + Im + QLatin1Char(' ') + Otch; }
};
using TArrUserList = QList<FreePerson>;

// Fills the list with the persons whose DeviceID is -1, by PersID. False (and an empty list)
// when the database cannot be read.
bool ListFreePersons(SessionDb& db, TArrUserList& list, int& count);

// Issues the instrument to the person persId in one transaction: the previous holder gets
// the event of language line 91, the person the event of line 85, both stamped
// "dd.MM.yy/hh:mm" with the clock's time. False and the database's message on failure;
// nothing is changed then.
bool BindDevice(SessionDb& db, const LangTable& lang, const Clock& clock, int persId, int serial,
                const QString& model, QString* error = nullptr);

// The registration window as the registration drives it.
struct RegistrationWindowHooks {
    std::function<void(const QStringList& items)> setItems; // clears the list and fills it
    std::function<bool()> showModal;                        // true when closed with OK
};

// Issuing the current instrument to a person, from the history window's toolbar or from the
// session when it meets an instrument issued to nobody.
class Registration {
public:
    Registration(AppContext& context, SessionState& state, SessionDb& db);

    RegistrationWindowHooks window;
    // Job 0 of the device job runner: finds the instrument again and clears its history. It
    // runs after the window has closed with OK on a successful binding.
    std::function<void()> runJob0;

    void StartRegistration();

    // The window's buttons. sbOkClick returns true when the window is to close with OK;
    // a failed binding is reported and keeps the window open (and the job unrun).
    bool sbOkClick(int index);
    void sbNewClick();

    const TArrUserList& list() const { return m_list; }
    QStringList items() const;
    // The history window releases the list when it closes.
    void releaseList() { m_list.clear(); }

private:
    void fillList();

    AppContext& m_ctx;
    SessionState& m_state;
    SessionDb& m_db;
    TArrUserList m_list;
    bool m_bound = false;
};

} // namespace qz
