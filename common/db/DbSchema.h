#pragma once

#include "common/db/DbConnection.h"

#include <QStringList>

namespace qz::db {

enum class DbKind { Main, Archive };

// The statements that build an empty database of the given kind on the given engine, in
// order, taken from the one schema source (schema.sql, compiled into this library).
QStringList schemaStatements(DbEngine engine, DbKind kind);

// Runs those statements on an empty database, all in one transaction.
bool applySchema(const DbConnection& conn, DbKind kind, QString* error = nullptr);

} // namespace qz::db
