#include "common/db/DbConnection.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>
#include <utility>

namespace qz::db {

namespace {

// Milliseconds a SQLite statement waits for another connection's write lock before it
// gives up with "database is locked". The tray writer's transactions are short; 10 s
// leaves a wide margin for a slow disk.
constexpr int SqliteBusyTimeoutMs = 10000;

QString uniqueConnectionName()
{
    static std::atomic<unsigned long long> counter{0};
    return QStringLiteral("qz_db_%1").arg(++counter);
}

// libpq reads "key=value" pairs; a value is quoted so that spaces and quotes pass.
QString libpqValue(const QString& value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool runPragma(QSqlDatabase& db, const QString& text, QString* error)
{
    QSqlQuery query(db);
    if (!query.exec(text)) {
        setError(error, QStringLiteral("%1: %2").arg(text, query.lastError().text()));
        return false;
    }
    return true;
}

} // namespace

DbConnection::DbConnection(DbConnection&& other) noexcept
    : m_name(std::exchange(other.m_name, QString())), m_locator(std::move(other.m_locator))
{
}

DbConnection& DbConnection::operator=(DbConnection&& other) noexcept
{
    if (this != &other) {
        close();
        m_name = std::exchange(other.m_name, QString());
        m_locator = std::move(other.m_locator);
    }
    return *this;
}

DbConnection::~DbConnection()
{
    close();
}

DbConnection DbConnection::open(const DbLocator& locator, QString* error, OpenMode mode)
{
    DbConnection conn;
    if (!locator.isValid()) {
        setError(error, locator.errorText());
        return conn;
    }
    conn.m_locator = locator;
    const QString name = uniqueConnectionName();
    bool ok = false;
    {
        QSqlDatabase db;
        if (locator.engine() == DbEngine::Sqlite) {
            // SQLite would quietly create a missing file; the programs must not, since an
            // empty file without tables is not a database of this system.
            if (mode == OpenMode::Existing && !QFileInfo(locator.filePath()).isFile()) {
                setError(
                    error,
                    QStringLiteral("database file %1 does not exist").arg(locator.displayText()));
                return conn;
            }
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(locator.filePath());
            db.setConnectOptions(
                QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(SqliteBusyTimeoutMs));
            ok = db.open();
            if (!ok) {
                setError(error, db.lastError().text());
            } else {
                // The log mode is kept in the file; the other two hold per connection.
                ok =
                    runPragma(db, QStringLiteral("PRAGMA journal_mode=WAL"), error) &&
                    runPragma(db, QStringLiteral("PRAGMA foreign_keys=ON"), error) &&
                    runPragma(db, QStringLiteral("PRAGMA busy_timeout=%1").arg(SqliteBusyTimeoutMs),
                              error);
            }
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            if (!db.isValid()) {
                setError(error, QStringLiteral("the PostgreSQL driver of Qt is not installed"));
            } else {
                if (!locator.host().isEmpty())
                    db.setHostName(locator.host());
                if (locator.port() > 0)
                    db.setPort(locator.port());
                db.setUserName(locator.userName());
                db.setPassword(locator.password());
                db.setDatabaseName(locator.databaseName());
                QStringList options;
                for (const auto& item : locator.options())
                    options << item.first + QLatin1Char('=') + libpqValue(item.second);
                db.setConnectOptions(options.join(QLatin1Char(';')));
                ok = db.open();
                if (!ok)
                    setError(error, db.lastError().text());
            }
        }
        if (ok)
            conn.m_name = name;
        else
            db.close();
    }
    if (!ok)
        QSqlDatabase::removeDatabase(name);
    return conn;
}

bool DbConnection::isOpen() const
{
    return !m_name.isEmpty() && QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase DbConnection::database() const
{
    if (m_name.isEmpty())
        return QSqlDatabase();
    return QSqlDatabase::database(m_name, false);
}

void DbConnection::close()
{
    if (m_name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
}

} // namespace qz::db
