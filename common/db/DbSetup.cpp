#include "common/db/DbSetup.h"

#include "common/db/DbConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace qz::db {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

DbLocator fileLocator(const QString& programFolder, const QString& relative)
{
    return DbLocator::fromText(relative, programFolder);
}

// Runs one statement on the server's maintenance database.
bool runOnServer(const DbLocator& server, const QString& text, QString* error)
{
    DbConnection conn =
        DbConnection::open(server.withDatabaseName(QLatin1String(ServerMaintenanceName)), error);
    if (!conn.isOpen())
        return false;
    QSqlQuery query(conn.database());
    if (!query.exec(text)) {
        setError(error, query.lastError().text());
        return false;
    }
    return true;
}

void removeSqliteFiles(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QLatin1String("-wal"));
    QFile::remove(path + QLatin1String("-shm"));
    QFile::remove(path + QLatin1String("-journal"));
}

QString temporarySibling(const QString& path)
{
    return path + QLatin1String(".part-") + QUuid::createUuid().toString(QUuid::Id128);
}

bool makeParentFolder(const QString& path, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (QDir().mkpath(folder))
        return true;
    setError(error,
             QStringLiteral("cannot create folder %1").arg(QDir::toNativeSeparators(folder)));
    return false;
}

} // namespace

DbLocator defaultArchiveLocator(const DbLocator& main, const QString& programFolder)
{
    if (main.isServer())
        return main.withDatabaseName(QLatin1String(ServerArchiveName));
    return fileLocator(programFolder, QLatin1String(DefaultArchivePath));
}

DbLocator archiveTemplateLocator(const DbLocator& archive, const QString& programFolder)
{
    if (archive.isServer())
        return archive.withDatabaseName(QLatin1String(ServerTemplateName));
    return fileLocator(programFolder, QLatin1String(ArchiveTemplatePath));
}

QString newArchiveName(const QDateTime& localTime)
{
    return QStringLiteral("QZ55xxArh") + localTime.toString(QStringLiteral("HHmmss_dd_MM_yy"));
}

DbLocator newArchiveLocator(const DbLocator& currentArchive, const QString& programFolder,
                            const QDateTime& localTime)
{
    const QString name = newArchiveName(localTime);
    if (currentArchive.isServer())
        return currentArchive.withDatabaseName(name);
    return fileLocator(programFolder, QLatin1String(ArchiveFolder) + QLatin1Char('/') + name +
                                          QLatin1String(SqliteExtension));
}

bool databaseExists(const DbLocator& locator, bool* exists, QString* error)
{
    *exists = false;
    if (!locator.isValid()) {
        setError(error, locator.errorText());
        return false;
    }
    if (!locator.isServer()) {
        *exists = QFileInfo(locator.filePath()).isFile();
        return true;
    }
    DbConnection conn =
        DbConnection::open(locator.withDatabaseName(QLatin1String(ServerMaintenanceName)), error);
    if (!conn.isOpen())
        return false;
    QSqlQuery query(conn.database());
    query.prepare(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"));
    query.addBindValue(locator.databaseName());
    if (!query.exec()) {
        setError(error, query.lastError().text());
        return false;
    }
    *exists = query.next();
    return true;
}

bool createDatabase(const DbLocator& locator, DbKind kind, QString* error)
{
    if (!locator.isValid()) {
        setError(error, locator.errorText());
        return false;
    }
    if (locator.isServer()) {
        // template0 with UTF-8: the database holds any name and event text, whatever the
        // server's default encoding is.
        if (!runOnServer(locator,
                         QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'")
                             .arg(quotedServerName(locator.databaseName())),
                         error))
            return false;
        QString schemaError;
        bool ok = false;
        {
            DbConnection conn = DbConnection::open(locator, &schemaError);
            ok = conn.isOpen() && applySchema(conn, kind, &schemaError);
        }
        if (!ok) {
            // A database without its tables would only fail later; take it away again.
            dropDatabase(locator, nullptr);
            setError(error, schemaError);
        }
        return ok;
    }

    const QString path = locator.filePath();
    if (QFileInfo::exists(path)) {
        setError(error, QStringLiteral("%1 exists already").arg(locator.displayText()));
        return false;
    }
    if (!makeParentFolder(path, error))
        return false;
    const QString part = temporarySibling(path);
    bool ok = false;
    {
        DbConnection conn = DbConnection::open(DbLocator::fromText(part, QString()), error,
                                               DbConnection::OpenMode::Create);
        ok = conn.isOpen() && applySchema(conn, kind, error);
        if (ok) {
            // The shipped file is one self-contained file; connections switch the log mode
            // back on when they open it.
            QSqlQuery query(conn.database());
            ok = query.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
            if (!ok)
                setError(error, query.lastError().text());
        }
    }
    if (ok && !QFile::rename(part, path)) {
        setError(error, QStringLiteral("cannot create %1").arg(locator.displayText()));
        ok = false;
    }
    if (!ok)
        removeSqliteFiles(part);
    return ok;
}

bool createArchiveFromTemplate(const DbLocator& templateLocator, const DbLocator& archive,
                               ExistingArchive existing, QString* error)
{
    if (!templateLocator.isValid() || !archive.isValid()) {
        setError(error,
                 !templateLocator.isValid() ? templateLocator.errorText() : archive.errorText());
        return false;
    }
    if (templateLocator.isServer() != archive.isServer()) {
        setError(error, QStringLiteral("archive and archive template are of different kinds"));
        return false;
    }
    bool exists = false;
    if (!databaseExists(archive, &exists, error))
        return false;
    if (exists && existing == ExistingArchive::Fail) {
        setError(error, QStringLiteral("%1 exists already").arg(archive.displayText()));
        return false;
    }

    if (archive.isServer()) {
        if (exists && !dropDatabase(archive, error))
            return false;
        return runOnServer(archive,
                           QStringLiteral("CREATE DATABASE %1 TEMPLATE %2")
                               .arg(quotedServerName(archive.databaseName()),
                                    quotedServerName(templateLocator.databaseName())),
                           error);
    }

    const QString source = templateLocator.filePath();
    const QString target = archive.filePath();
    if (!QFileInfo(source).isFile()) {
        setError(error, QStringLiteral("archive template %1 does not exist")
                            .arg(templateLocator.displayText()));
        return false;
    }
    if (!makeParentFolder(target, error))
        return false;
    // Copy beside the target first, so that a failed copy never leaves a half archive
    // under the archive's name.
    const QString part = temporarySibling(target);
    if (!QFile::copy(source, part)) {
        QFile::remove(part);
        setError(error, QStringLiteral("cannot copy %1 to %2")
                            .arg(templateLocator.displayText(), archive.displayText()));
        return false;
    }
    QFile(part).setPermissions(QFile(part).permissions() | QFileDevice::WriteOwner);
    if (exists)
        removeSqliteFiles(target);
    if (!QFile::rename(part, target)) {
        QFile::remove(part);
        setError(error, QStringLiteral("cannot create %1").arg(archive.displayText()));
        return false;
    }
    return true;
}

bool initSiteDatabases(const DbLocator& main, QStringList* created, QString* error)
{
    created->clear();
    if (!createDatabase(main, DbKind::Main, error))
        return false;
    created->append(main.displayText());
    if (!main.isServer())
        return true;
    const DbLocator templ = archiveTemplateLocator(main, QString());
    bool exists = false;
    if (!databaseExists(templ, &exists, error))
        return false;
    if (exists)
        return true;
    if (!createDatabase(templ, DbKind::Archive, error))
        return false;
    created->append(templ.displayText());
    return true;
}

bool dropDatabase(const DbLocator& locator, QString* error)
{
    if (!locator.isValid()) {
        setError(error, locator.errorText());
        return false;
    }
    if (!locator.isServer()) {
        removeSqliteFiles(locator.filePath());
        if (QFileInfo::exists(locator.filePath())) {
            setError(error, QStringLiteral("cannot remove %1").arg(locator.displayText()));
            return false;
        }
        return true;
    }
    return runOnServer(locator,
                       QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)")
                           .arg(quotedServerName(locator.databaseName())),
                       error);
}

QString quotedServerName(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

} // namespace qz::db
