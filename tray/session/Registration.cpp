#include "tray/session/Registration.h"

#include "common/db/PersonnelDb.h"
#include "common/platform/Clock.h"
#include "common/platform/DialogService.h"
#include "common/platform/Formats.h"
#include "tray/session/SessionDb.h"
#include "tray/session/SessionState.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"
#include "tray/shell/RosterLibrary.h"

namespace qz {

bool ListFreePersons(SessionDb& db, TArrUserList& list, int& count)
{
    list.clear();
    count = 0;
    const db::DbConnection* conn = db.connection();
    if (!conn)
        return false;
    QList<db::Person> persons;
    if (!db::listPersonsWithoutInstrument(*conn, &persons))
        return false;
    for (const db::Person& p : persons) {
        list.append({p.persId, p.name.fam.left(kFreePersonNameLength),
                     p.name.im.left(kFreePersonNameLength),
                     p.name.otch.left(kFreePersonNameLength)});
    }
    count = int(list.size());
    return true;
}

bool BindDevice(SessionDb& db, const LangTable& lang, const Clock& clock, int persId, int serial,
                const QString& model, QString* error)
{
    const db::DbConnection* conn = db.connection(error);
    if (!conn)
        return false;
    // These event texts have a fixed date pattern, whatever the program's formats are.
    const QDateTime now = clock.nowDateTime();
    const QString stamp = now.toString(QStringLiteral("dd.MM.yy")) + QLatin1Char('/') +
                          now.toString(QStringLiteral("hh:mm"));
    return db::bindDevice(*conn, persId, serial, model, PadRight(lang.line(91), 30) + stamp,
                          PadRight(lang.line(85), 30) + stamp, nullptr, error);
}

Registration::Registration(AppContext& context, SessionState& state, SessionDb& db)
    : m_ctx(context), m_state(state), m_db(db)
{
}

QStringList Registration::items() const
{
    QStringList result;
    for (const FreePerson& p : m_list)
        result.append(p.text());
    return result;
}

void Registration::fillList()
{
    int count = 0;
    ListFreePersons(m_db, m_list, count);
    if (window.setItems)
        window.setItems(items());
}

void Registration::StartRegistration()
{
    const LangTable& lang = *m_ctx.lang;
    const QString owner = LookupOwnerName(m_db, m_state.CurSerial, m_state.CurModel);
    m_state.CurUserName = owner;
    if (owner != kNobody) {
        const QString text =
            lang.line(72) + QLatin1Char(' ') + owner + QStringLiteral(". ") + lang.line(73);
        if (m_ctx.dialogs->messageBox(text, lang.line(53), DialogButtons::OkCancel) !=
            DialogResult::Ok)
            return;
    }
    fillList();
    m_bound = false;
    if (window.showModal && window.showModal() && m_bound && runJob0)
        runJob0();
}

bool Registration::sbOkClick(int index)
{
    if (index < 0 || index >= m_list.size() || m_list.at(index).text().trimmed().isEmpty())
        return false;
    QString error;
    const Clock& clock = m_ctx.clock ? *m_ctx.clock : appClock();
    if (!BindDevice(m_db, *m_ctx.lang, clock, m_list.at(index).PersID, m_state.CurSerial,
                    m_state.CurModel, &error)) {
        // Erasing an instrument that was not issued would lose its history: the window stays
        // open and the job does not run.
        m_ctx.dialogs->messageBox(error, m_ctx.lang->line(7), DialogButtons::Ok);
        return false;
    }
    if (m_ctx.roster && m_ctx.roster->isLoaded())
        m_ctx.roster->RefreshDataBase();
    m_bound = true;
    return true;
}

void Registration::sbNewClick()
{
    RosterLibrary* roster = m_ctx.roster;
    if (!roster || !roster->load())
        return;
    const int language = m_ctx.ini ? m_ctx.ini->Language : 1;
    roster->AddUser(language);
    roster->RefreshDataBase();
    // The next query opens the connection again and sees the new person.
    m_db.close();
    fillList();
}

} // namespace qz
