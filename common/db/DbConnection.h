#pragma once

#include "common/db/DbLocator.h"

#include <QSqlDatabase>
#include <QString>

namespace qz::db {

// One open connection to a personnel database, owned by the thread that created it.
//
// Qt allows a connection to be used only on the thread that opened it, so the handle is
// created where it is used: the tray's database writer opens its own inside its worker
// thread, the database window its own on the user-interface thread. The handle has a
// unique connection name, cannot be copied, and removes the connection when it goes away.
// Every QSqlQuery on it must be gone by then.
class DbConnection {
public:
    enum class OpenMode {
        Existing, // the database must exist already (the programs never create one)
        Create,   // SQLite only: a missing file is created (used when building databases)
    };

    DbConnection() = default;
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;
    DbConnection(DbConnection&& other) noexcept;
    DbConnection& operator=(DbConnection&& other) noexcept;
    ~DbConnection();

    // Opens a ready connection. SQLite: write-ahead log, foreign keys on, a busy timeout of
    // 10 s, so that the tray writer and the database window can share one file. PostgreSQL:
    // Qt's PSQL driver with the URL's user, password, host, port, database and options.
    // On failure the handle is not open and *error (when given) says why.
    static DbConnection open(const DbLocator& locator, QString* error = nullptr,
                             OpenMode mode = OpenMode::Existing);

    bool isOpen() const;
    DbEngine engine() const { return m_locator.engine(); }
    const DbLocator& locator() const { return m_locator; }
    QString connectionName() const { return m_name; }

    // The Qt connection, for building queries: QSqlQuery query(conn.database()).
    QSqlDatabase database() const;

    // Closes and removes the connection now; the handle is empty afterwards.
    void close();

private:
    QString m_name;
    DbLocator m_locator;
};

} // namespace qz::db
