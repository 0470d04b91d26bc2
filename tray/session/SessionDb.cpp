#include "tray/session/SessionDb.h"

#include "common/db/PersonnelDb.h"
#include "tray/session/SessionState.h"

namespace qz {

const db::DbConnection* SessionDb::connection(QString* error)
{
    if (!m_conn.isOpen()) {
        if (!m_locator.isValid()) {
            if (error)
                *error = m_locator.errorText();
            return nullptr;
        }
        m_conn = db::DbConnection::open(m_locator, error);
        if (!m_conn.isOpen())
            return nullptr;
    }
    return &m_conn;
}

int LookupPersID(const db::DbConnection& conn, int serial, const QString& model, QString* error)
{
    db::Person holder;
    if (!db::findHolder(conn, serial, model, &holder, error))
        return -1;
    return holder.persId >= 0 ? holder.persId : -1;
}

QString LookupOwnerName(SessionDb& db, int serial, const QString& model)
{
    const db::DbConnection* conn = db.connection();
    if (!conn)
        return kNobody;
    db::Person holder;
    if (!db::findHolder(*conn, serial, model, &holder) || holder.persId < 0)
        return kNobody;
    return holder.name.fullName();
}

bool StoreHistoryLines(const db::DbConnection& conn, int serial, const QString& model, int persId,
                       const QStringList& lines, QString* error)
{
    return db::insertHistoryLines(conn, persId, serial, model, lines, error);
}

} // namespace qz
