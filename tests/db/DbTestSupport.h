#pragma once

#include "common/db/DbConnection.h"
#include "common/db/DbSchema.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace qz::db::test {

// The database suite runs once per engine: SQLite always, PostgreSQL when QZ_TEST_PG_URL
// names a server (scripts/with-postgres.sh starts one). Each test gets fresh databases:
// files in a temporary folder, or uniquely named databases on the server, dropped after.
class EngineTest : public ::testing::TestWithParam<DbEngine> {
protected:
    void SetUp() override;
    void TearDown() override;

    DbEngine engine() const { return GetParam(); }

    // A locator for a database that does not exist yet (registered for removal).
    DbLocator freshLocator(const QString& stem);
    // A new, empty database of the given kind with the schema.
    DbLocator createFresh(DbKind kind, const QString& stem);
    // Opens a connection; fails the test when it cannot.
    DbConnection openOrFail(const DbLocator& locator);

    // Runs a statement, failing the test on an error.
    void exec(const DbConnection& conn, const QString& text);
    // The first column of the first row of a statement.
    QVariant scalar(const DbConnection& conn, const QString& text);

    QTemporaryDir m_dir;
    QList<DbLocator> m_created;
};

std::string engineName(const ::testing::TestParamInfo<DbEngine>& info);

// The server of the PostgreSQL run, or an empty text.
QString serverUrl();

} // namespace qz::db::test

namespace qz::db {
// Shows a locator by its text in test failures.
inline void PrintTo(const DbLocator& locator, std::ostream* os)
{
    *os << locator.toString().toStdString();
}
} // namespace qz::db

#define QZ_DB_ENGINES(Suite)                                                                       \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Engines, Suite,                                                                            \
        ::testing::Values(::qz::db::DbEngine::Sqlite, ::qz::db::DbEngine::Postgres),               \
        ::qz::db::test::engineName)
