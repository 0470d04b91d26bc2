-- Tables and stored queries of the personnel database: the main database and the archive
-- database (the archive template and every archive are built from the archive part).
--
-- This file is the only definition of the schema. The build turns it into the shipped
-- files DB/Vorlex.db and Template/ArchDb0.db, and "qz55xx-cli db init" into databases on a
-- PostgreSQL server. Rules of the format:
--   "-- @main", "-- @archive", "-- @all" start the statements for that kind of database;
--   a statement ends with ";" at the end of a line; other "--" lines are comments;
--   words in braces are replaced per engine (DbSchema.cpp):
--     {GENERATED_KEY}  integer primary key numbered by the database on insert, never reused
--     {TYPE_TEXT}      text compared and sorted byte by byte on every engine
-- Names are unquoted (see DbNames.h). History keeps its column order HistID, PersID,
-- DeviceID, Event, DeviceType in both kinds of database, so rows can be copied by position.

-- @main

-- One row per person. DeviceID −1 = holds no instrument; OldPersID −1 = never returned
-- from an archive, otherwise the person's identity in the archive.
CREATE TABLE UserName (
    PersID {GENERATED_KEY},
    Fam TEXT,
    Im TEXT,
    Otch TEXT,
    DeviceID INT DEFAULT -1,
    DeviceType {TYPE_TEXT},
    OldPersID INT NOT NULL DEFAULT -1
);

CREATE INDEX UserNameDevice ON UserName (DeviceID, DeviceType);

-- One row per event line. Deleting a person deletes the person's events with it; an event
-- line always names an existing person.
CREATE TABLE History (
    HistID {GENERATED_KEY},
    PersID INT NOT NULL REFERENCES UserName (PersID) ON DELETE CASCADE,
    DeviceID INT,
    Event TEXT,
    DeviceType {TYPE_TEXT}
);

CREATE INDEX HistoryPerson ON History (PersID);

-- @archive

-- PersID is the person's archive identity, always given by the inserting statement.
-- DeviceID is always −1 here.
CREATE TABLE UserName (
    PersID INT NOT NULL PRIMARY KEY,
    Fam TEXT,
    Im TEXT,
    Otch TEXT,
    DeviceID INT DEFAULT -1
);

-- HistID keeps the number the event had in the main database; no relation to UserName,
-- since events are copied before their person row is made.
CREATE TABLE History (
    HistID INT NOT NULL PRIMARY KEY,
    PersID INT NOT NULL,
    DeviceID INT,
    Event TEXT,
    DeviceType {TYPE_TEXT}
);

CREATE INDEX HistoryPerson ON History (PersID);

-- @all

-- Stored queries: statements kept in the database, run by name with bound parameters.
CREATE TABLE StoredQuery (
    Name TEXT NOT NULL PRIMARY KEY,
    Body TEXT NOT NULL
);

-- The instrument types to offer in the type filter of the database window: every type
-- that occurs in this database's History, in byte order.
INSERT INTO StoredQuery (Name, Body) VALUES ('AllDevType',
    'SELECT DISTINCT DeviceType FROM History WHERE DeviceType IS NOT NULL AND DeviceType <> '''' ORDER BY DeviceType');

-- @main

-- The same for the events of one person.
INSERT INTO StoredQuery (Name, Body) VALUES ('UserDevType',
    'SELECT DISTINCT DeviceType FROM History WHERE PersID = :_PersId AND DeviceType IS NOT NULL AND DeviceType <> '''' ORDER BY DeviceType');

-- Runs when a new, empty archive has become the current one. Archive identities are kept:
-- main PersIDs are never reused, so a person's identity names that person in every archive
-- file, and a person returned from an older archive is still recognised there. Only values
-- that cannot be an identity (0 and below, other than −1) are put back to −1.
INSERT INTO StoredQuery (Name, Body) VALUES ('UpdateOldPersID',
    'UPDATE UserName SET OldPersID = -1 WHERE OldPersID < 1 AND OldPersID <> -1');
