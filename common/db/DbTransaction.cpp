#include "common/db/DbTransaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace qz::db {

namespace {

bool execute(const DbConnection& conn, const QString& text, QString* error)
{
    QSqlQuery query(conn.database());
    if (query.exec(text))
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

} // namespace

DbTransaction::~DbTransaction()
{
    rollback();
}

bool DbTransaction::begin(QString* error)
{
    if (!m_conn.isOpen()) {
        if (error)
            *error = QStringLiteral("database connection is not open");
        return false;
    }
    const QString text = m_conn.engine() == DbEngine::Sqlite ? QStringLiteral("BEGIN IMMEDIATE")
                                                             : QStringLiteral("BEGIN");
    m_active = execute(m_conn, text, error);
    return m_active;
}

bool DbTransaction::commit(QString* error)
{
    if (!m_active) {
        if (error)
            *error = QStringLiteral("no transaction to commit");
        return false;
    }
    if (!execute(m_conn, QStringLiteral("COMMIT"), error)) {
        rollback();
        return false;
    }
    m_active = false;
    return true;
}

void DbTransaction::rollback()
{
    if (!m_active)
        return;
    m_active = false;
    execute(m_conn, QStringLiteral("ROLLBACK"), nullptr);
}

} // namespace qz::db
