#pragma once

// Names of the personnel database: tables, columns, stored queries and their parameters.
// Every statement of both deliverables is written with these, so a rename happens here.
//
// The names are written unquoted in every statement. PostgreSQL folds unquoted names to
// lower case and SQLite compares them case-insensitively, so the same text works on both;
// field lookups in a QSqlRecord ignore case as well.

namespace qz::db::names {

// Tables of the main database and of every archive database.
inline constexpr char UserName[] = "UserName";
inline constexpr char History[] = "History";
// Named statements kept inside each database file (see StoredQuery columns below).
inline constexpr char StoredQuery[] = "StoredQuery";

// UserName columns. The archive UserName has PersID, Fam, Im, Otch and DeviceID only.
inline constexpr char PersID[] = "PersID";
inline constexpr char Fam[] = "Fam";
inline constexpr char Im[] = "Im";
inline constexpr char Otch[] = "Otch";
inline constexpr char DeviceID[] = "DeviceID";
inline constexpr char DeviceType[] = "DeviceType";
inline constexpr char OldPersID[] = "OldPersID";

// History columns, in their fixed order: HistID, PersID, DeviceID, Event, DeviceType.
inline constexpr char HistID[] = "HistID";
inline constexpr char Event[] = "Event";

// StoredQuery columns: the statement's name and its SQL text.
inline constexpr char QueryName[] = "Name";
inline constexpr char QueryBody[] = "Body";

// Stored queries.
inline constexpr char AllDevType[] = "AllDevType";           // main and archive, no parameters
inline constexpr char UserDevType[] = "UserDevType";         // main, parameter PersIdParam
inline constexpr char UpdateOldPersID[] = "UpdateOldPersID"; // main, no parameters
inline constexpr char PersIdParam[] = "_PersId";

} // namespace qz::db::names

namespace qz::db {

// −1 stands for "none" in UserName.DeviceID and UserName.OldPersID.
inline constexpr int NoId = -1;

// Events one History table is allowed to hold, in the main database and in each archive.
inline constexpr int HistoryCapacity = 50000;

} // namespace qz::db
