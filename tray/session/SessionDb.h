#pragma once

#include "common/db/DbConnection.h"
#include "common/db/DbLocator.h"

#include <QString>
#include <QStringList>

namespace qz {

// The personnel database as the tray program's user-interface thread uses it: one
// connection, opened when a routine needs it and kept open, closed on request so that the
// next routine sees what Roster changed meanwhile. Never hand it to another thread: a
// worker opens its own connection from locator().
class SessionDb {
public:
    explicit SessionDb(db::DbLocator locator) : m_locator(std::move(locator)) {}

    const db::DbLocator& locator() const { return m_locator; }
    // The open connection, opening it when it is closed; nullptr (and *error) when that fails.
    const db::DbConnection* connection(QString* error = nullptr);
    void close() { m_conn.close(); }

private:
    db::DbLocator m_locator;
    db::DbConnection m_conn;
};

// The PersID of the person holding the instrument, or -1 (also when the database cannot
// be read).
int LookupPersID(const db::DbConnection& conn, int serial, const QString& model,
                 QString* error = nullptr);

// "Fam Im Otch" of the person holding the instrument, "--" when nobody does or the
// database cannot be read.
QString LookupOwnerName(SessionDb& db, int serial, const QString& model);

// Stores the lines under the person, in order, in one transaction: all of them or none.
bool StoreHistoryLines(const db::DbConnection& conn, int serial, const QString& model, int persId,
                       const QStringList& lines, QString* error = nullptr);

} // namespace qz
