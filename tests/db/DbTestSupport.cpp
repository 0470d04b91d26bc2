#include "DbTestSupport.h"

#include "common/db/DbSetup.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace qz::db::test {

QString serverUrl()
{
    return qEnvironmentVariable("QZ_TEST_PG_URL");
}

std::string engineName(const ::testing::TestParamInfo<DbEngine>& info)
{
    return info.param == DbEngine::Sqlite ? "Sqlite" : "Postgres";
}

void EngineTest::SetUp()
{
    if (engine() == DbEngine::Postgres && serverUrl().isEmpty())
        GTEST_SKIP() << "QZ_TEST_PG_URL is not set (run under scripts/with-postgres.sh)";
    ASSERT_TRUE(m_dir.isValid());
}

void EngineTest::TearDown()
{
    for (const DbLocator& loc : m_created) {
        if (loc.isServer()) {
            QString error;
            EXPECT_TRUE(dropDatabase(loc, &error)) << error.toStdString();
        }
    }
}

DbLocator EngineTest::freshLocator(const QString& stem)
{
    static std::atomic<int> counter{0};
    DbLocator loc;
    if (engine() == DbEngine::Sqlite) {
        loc = DbLocator::fromText(stem + QStringLiteral(".db"), m_dir.path());
    } else {
        // Mixed case on purpose: the server must keep the name exactly as written.
        const QString name = QStringLiteral("QzTest_%1_%2_%3")
                                 .arg(stem)
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(++counter);
        loc = DbLocator::fromText(serverUrl(), QString()).withDatabaseName(name);
    }
    m_created.append(loc);
    return loc;
}

DbLocator EngineTest::createFresh(DbKind kind, const QString& stem)
{
    const DbLocator loc = freshLocator(stem);
    QString error;
    EXPECT_TRUE(createDatabase(loc, kind, &error)) << error.toStdString();
    return loc;
}

DbConnection EngineTest::openOrFail(const DbLocator& locator)
{
    QString error;
    DbConnection conn = DbConnection::open(locator, &error);
    EXPECT_TRUE(conn.isOpen()) << error.toStdString();
    return conn;
}

void EngineTest::exec(const DbConnection& conn, const QString& text)
{
    QSqlQuery query(conn.database());
    EXPECT_TRUE(query.exec(text)) << text.toStdString() << ": "
                                  << query.lastError().text().toStdString();
}

QVariant EngineTest::scalar(const DbConnection& conn, const QString& text)
{
    QSqlQuery query(conn.database());
    if (!query.exec(text) || !query.next()) {
        ADD_FAILURE() << text.toStdString() << ": " << query.lastError().text().toStdString();
        return QVariant();
    }
    return query.value(0);
}

} // namespace qz::db::test
