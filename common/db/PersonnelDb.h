#pragma once

#include "common/db/DbConnection.h"
#include "common/db/DbNames.h"

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// Routines on the personnel database that both deliverables share. All of them bind their
// values as parameters, so any name or event text is stored and found exactly as given,
// and all of them read rows in an explicit order (persons by PersID, events by HistID), so
// lists and positioned cursors agree on every engine. Each returns false on a database
// error and then puts the database's message into *error when given.
//
// Text values: a null QString is written as NULL where the column allows it (DeviceType);
// the three names are never written as NULL (a null name is stored as empty text).

namespace qz::db {

struct PersonName {
    QString fam;
    QString im;
    QString otch;

    // "Fam Im Otch", as the programs show a person.
    QString fullName() const;
};

// One UserName row. Archive rows have no DeviceType and no OldPersID; they read as null
// text and NoId.
struct Person {
    int persId = NoId;
    PersonName name;
    std::optional<int> deviceId; // empty when the column is NULL
    QString deviceType;          // null when the column is NULL
    int oldPersId = NoId;
};

// One History row.
struct HistoryRow {
    int histId = 0;
    int persId = NoId;
    std::optional<int> deviceId;
    QString event;
    QString deviceType; // null when the column is NULL
};

// --- Persons ------------------------------------------------------------------------

// The person who holds the instrument (DeviceID, DeviceType); *persId is NoId when nobody
// does. With several holders (only possible after edits outside the programs) the one with
// the smallest PersID counts.
bool findHolder(const DbConnection& conn, int deviceId, const QString& deviceType, Person* holder,
                QString* error = nullptr);

// Every person, by PersID (main or archive UserName).
bool listPersons(const DbConnection& conn, QList<Person>* persons, QString* error = nullptr);

// The persons who hold no instrument (DeviceID −1; NULL does not count), by PersID.
bool listPersonsWithoutInstrument(const DbConnection& conn, QList<Person>* persons,
                                  QString* error = nullptr);

// The PersIDs of the persons with exactly these three names, ascending.
bool findPersonsByName(const DbConnection& conn, const PersonName& name, QList<int>* persIds,
                       QString* error = nullptr);

// Adds a person to the main database with no instrument; *persId receives the generated
// key. oldPersId is the archive identity of a person returned from an archive, else NoId.
bool insertPerson(const DbConnection& conn, const PersonName& name, int oldPersId, int* persId,
                  QString* error = nullptr);

// Deletes a person from the main database; the person's events go with it.
bool deletePerson(const DbConnection& conn, int persId, QString* error = nullptr);

// --- Events -------------------------------------------------------------------------

// Stores event lines of one instrument under one person, in list order, all in one
// transaction: either every line is stored or none is.
bool insertHistoryLines(const DbConnection& conn, int persId, int deviceId,
                        const QString& deviceType, const QStringList& lines,
                        QString* error = nullptr);

// Stores whole rows under one person, in list order, in one transaction; each row keeps its
// DeviceID, Event and DeviceType, and the database numbers it anew (HistID and PersID of the
// rows are not used). This is how events come back from an archive.
bool insertHistoryRows(const DbConnection& conn, int persId, const QList<HistoryRow>& rows,
                       QString* error = nullptr);

// The events of one person by HistID; a non-null typeFilter keeps only that DeviceType.
bool listHistory(const DbConnection& conn, int persId, const QString& typeFilter,
                 QList<HistoryRow>* rows, QString* error = nullptr);

// Number of rows in History (compare with HistoryCapacity).
bool countHistory(const DbConnection& conn, int* count, QString* error = nullptr);

// --- Registration -------------------------------------------------------------------

struct BindResult {
    QList<int> previousHolders; // persons the instrument was taken from, by PersID
    int newHolder = NoId;       // the person who received it
};

// Issues the instrument (deviceId, deviceType) to the person persId, in one transaction:
// every current holder gets the event line takenBackEvent and loses the instrument
// (DeviceID −1, DeviceType NULL); the person receives it and gets the event line
// issuedEvent. The person is named by key, so another person with the same names is left
// alone. When there is no such person nothing changes and the call fails.
bool bindDevice(const DbConnection& conn, int persId, int deviceId, const QString& deviceType,
                const QString& takenBackEvent, const QString& issuedEvent,
                BindResult* result = nullptr, QString* error = nullptr);

// Cancels a person's registration as the database window does: DeviceID becomes −1,
// DeviceType stays, and an event line with the released instrument number and a NULL
// DeviceType is stored, all in one transaction. *done is false (and nothing changes) when
// the person holds no instrument or does not exist.
bool cancelRegistration(const DbConnection& conn, int persId, const QString& event, bool* done,
                        QString* error = nullptr);

// --- Stored queries -----------------------------------------------------------------

// Runs the stored query of that name with its parameters bound by name (a key "_PersId"
// binds the placeholder ":_PersId"). On success *query is active: iterate it for rows.
bool runStoredQuery(const DbConnection& conn, const QString& name, const QVariantMap& params,
                    QSqlQuery* query, QString* error = nullptr);

// The instrument types to offer in a type filter: stored query AllDevType for persId NoId,
// UserDevType with "_PersId" = persId otherwise.
bool deviceTypes(const DbConnection& conn, int persId, QStringList* types,
                 QString* error = nullptr);

// --- Archive ------------------------------------------------------------------------

// Copies all events of main person persId into the archive History under archivePersId,
// keeping HistID, in one archive transaction. Events whose HistID the archive holds
// already are left as they are there, so an interrupted move can simply be repeated.
// *copied receives the number of rows added. Works between any two engines.
bool copyHistoryToArchive(const DbConnection& main, const DbConnection& archive, int persId,
                          int archivePersId, int* copied = nullptr, QString* error = nullptr);

// Makes sure the archive has a UserName row for archivePersId (DeviceID −1).
bool ensureArchivePerson(const DbConnection& archive, int archivePersId, const PersonName& name,
                         QString* error = nullptr);

} // namespace qz::db
