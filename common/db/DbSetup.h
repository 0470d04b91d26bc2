#pragma once

#include "common/db/DbLocator.h"
#include "common/db/DbSchema.h"

#include <QDateTime>
#include <QString>

namespace qz::db {

// The databases' places relative to the program folder, and their names on a server.
inline constexpr char DefaultMainPath[] = "DB/Vorlex.db";
inline constexpr char DefaultArchivePath[] = "Archive/ArchDb.db";
inline constexpr char ArchiveTemplatePath[] = "Template/ArchDb0.db";
inline constexpr char ArchiveFolder[] = "Archive";
inline constexpr char SqliteExtension[] = ".db";
inline constexpr char ServerArchiveName[] = "ArchDb";
inline constexpr char ServerTemplateName[] = "ArchDb0";
// The database of a PostgreSQL server that is always there; databases are created and
// dropped from a connection to it.
inline constexpr char ServerMaintenanceName[] = "postgres";

// The default current archive: "Archive/ArchDb.db" in the program folder, or the database
// "ArchDb" on the main database's server when the main database is on a server.
DbLocator defaultArchiveLocator(const DbLocator& main, const QString& programFolder);

// The empty archive that every archive is created from: "Template/ArchDb0.db" in the
// program folder, or the database "ArchDb0" on the archive's server.
DbLocator archiveTemplateLocator(const DbLocator& archive, const QString& programFolder);

// "QZ55xxArh" + the local time as hhmmss_dd_MM_yy: the name of a newly started archive.
QString newArchiveName(const QDateTime& localTime);

// A newly started archive: "Archive/<name>.db" in the program folder, or the database
// <name> on the current archive's server.
DbLocator newArchiveLocator(const DbLocator& currentArchive, const QString& programFolder,
                            const QDateTime& localTime);

// Whether the database exists: the file is there, or the server lists the database (this
// asks the server, so it can fail: false with *error set).
bool databaseExists(const DbLocator& locator, bool* exists, QString* error = nullptr);

// Creates an empty database of the given kind with the schema. The database must not exist
// yet. A SQLite file is written under a temporary name and renamed when complete.
bool createDatabase(const DbLocator& locator, DbKind kind, QString* error = nullptr);

enum class ExistingArchive { Fail, Replace };

// Creates an archive as a copy of the archive template: SQLite copies the template file,
// PostgreSQL runs CREATE DATABASE <archive> TEMPLATE <template> (nobody may be connected to
// the template then). Both must be of the same engine, and on a server on the same server.
// An archive that exists already is an error, or is replaced (ExistingArchive::Replace);
// connections to an archive that is replaced must be closed first.
bool createArchiveFromTemplate(const DbLocator& templateLocator, const DbLocator& archive,
                               ExistingArchive existing, QString* error = nullptr);

// Creates the databases of a new site from a main database locator: the main database,
// and on a server also the archive template (ServerTemplateName) on the same server when it
// is not there yet (a SQLite site has its template file from the installation).
// *created lists what was made, as display texts.
bool initSiteDatabases(const DbLocator& main, QStringList* created, QString* error = nullptr);

// Removes a database: the file with its log files, or the database on the server (its
// open sessions are ended). A database that is not there is no error.
bool dropDatabase(const DbLocator& locator, QString* error = nullptr);

// An identifier for a PostgreSQL statement: the name in double quotes, inner quotes doubled,
// so that a database keeps exactly the name written in its URL.
QString quotedServerName(const QString& name);

} // namespace qz::db
