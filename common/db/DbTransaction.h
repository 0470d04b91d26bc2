#pragma once

#include "common/db/DbConnection.h"

namespace qz::db {

// A write transaction that rolls back unless it was committed.
//
// On SQLite it takes the write lock at its start (BEGIN IMMEDIATE): a transaction that
// read first and wanted the lock later could fail at once with "database is locked" while
// another connection writes, without waiting for the busy timeout.
class DbTransaction {
public:
    explicit DbTransaction(const DbConnection& conn) : m_conn(conn) {}
    DbTransaction(const DbTransaction&) = delete;
    DbTransaction& operator=(const DbTransaction&) = delete;
    ~DbTransaction();

    bool begin(QString* error = nullptr);
    bool commit(QString* error = nullptr);
    void rollback();

private:
    const DbConnection& m_conn;
    bool m_active = false;
};

} // namespace qz::db
