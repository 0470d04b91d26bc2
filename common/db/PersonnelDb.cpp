#include "common/db/PersonnelDb.h"

#include "common/db/DbTransaction.h"

#include <QMetaType>
#include <QSqlError>
#include <QSqlRecord>

namespace qz::db {

using namespace names;

namespace {

QLatin1String n(const char* name)
{
    return QLatin1String(name);
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool fail(QString* error, const QSqlQuery& query)
{
    return fail(error, query.lastError().text());
}

QVariant textValue(const QString& text)
{
    return text.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

// Names are never NULL: a missing middle name is empty text, so that name comparisons work.
QVariant nameValue(const QString& text)
{
    return QVariant(text.isNull() ? QString(QLatin1String("")) : text);
}

bool prepare(QSqlQuery& query, const QString& text, QString* error)
{
    if (query.prepare(text))
        return true;
    return fail(error, query);
}

QVariant intValue(const std::optional<int>& value)
{
    return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Int));
}

std::optional<int> optionalInt(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toInt();
}

QString nullableText(const QVariant& value)
{
    return value.isNull() ? QString() : value.toString();
}

Person readPerson(const QSqlQuery& query)
{
    const QSqlRecord record = query.record();
    auto field = [&](const char* name) {
        const int index = record.indexOf(QLatin1String(name));
        return index < 0 ? QVariant() : query.value(index);
    };
    Person person;
    person.persId = field(PersID).toInt();
    person.name.fam = field(Fam).toString();
    person.name.im = field(Im).toString();
    person.name.otch = field(Otch).toString();
    person.deviceId = optionalInt(field(DeviceID));
    person.deviceType = nullableText(field(DeviceType));
    const QVariant old = field(OldPersID);
    person.oldPersId = old.isNull() ? NoId : old.toInt();
    return person;
}

bool readPersons(QSqlQuery& query, QList<Person>* persons, QString* error)
{
    persons->clear();
    if (!query.exec())
        return fail(error, query);
    while (query.next())
        persons->append(readPerson(query));
    return true;
}

bool insertEvent(const DbConnection& conn, int persId, const QVariant& deviceId,
                 const QString& deviceType, const QString& event, QString* error)
{
    QSqlQuery query(conn.database());
    if (!prepare(query,
                 QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5) VALUES (?, ?, ?, ?)")
                     .arg(n(History), n(DeviceID), n(PersID), n(Event), n(DeviceType)),
                 error))
        return false;
    query.addBindValue(deviceId);
    query.addBindValue(persId);
    query.addBindValue(nameValue(event));
    query.addBindValue(textValue(deviceType));
    return query.exec() || fail(error, query);
}

bool personIdsByName(const DbConnection& conn, const PersonName& name, QList<int>* persIds,
                     QString* error)
{
    persIds->clear();
    QSqlQuery query(conn.database());
    query.setForwardOnly(true);
    if (!prepare(query,
                 QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? AND %4 = ? AND %5 = ? ORDER BY %1")
                     .arg(n(PersID), n(UserName), n(Fam), n(Im), n(Otch)),
                 error))
        return false;
    query.addBindValue(nameValue(name.fam));
    query.addBindValue(nameValue(name.im));
    query.addBindValue(nameValue(name.otch));
    if (!query.exec())
        return fail(error, query);
    while (query.next())
        persIds->append(query.value(0).toInt());
    return true;
}

} // namespace

QString PersonName::fullName() const
{
    return fam + QLatin1Char(' ') + im + QLatin1Char(' ') + otch;
}

bool findHolder(const DbConnection& conn, int deviceId, const QString& deviceType, Person* holder,
                QString* error)
{
    *holder = Person();
    QSqlQuery query(conn.database());
    query.setForwardOnly(true);
    if (!prepare(query,
                 QStringLiteral("SELECT * FROM %1 WHERE %2 = ? AND %3 = ? ORDER BY %4")
                     .arg(n(UserName), n(DeviceID), n(DeviceType), n(PersID)),
                 error))
        return false;
    query.addBindValue(deviceId);
    query.addBindValue(nameValue(deviceType));
    if (!query.exec())
        return fail(error, query);
    if (query.next())
        *holder = readPerson(query);
    return true;
}

bool listPersons(const DbConnection& conn, QList<Person>* persons, QString* error)
{
    QSqlQuery query(conn.database());
    query.setForwardOnly(true);
    if (!prepare(query, QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(n(UserName), n(PersID)),
                 error))
        return false;
    return readPersons(query, persons, error);
}

bool listPersonsWithoutInstrument(const DbConnection& conn, QList<Person>* persons, QString* error)
{
    QSqlQuery query(conn.database());
    query.setForwardOnly(true);
    if (!prepare(query,
                 QStringLiteral("SELECT * FROM %1 WHERE %2 = ? ORDER BY %3")
                     .arg(n(UserName), n(DeviceID), n(PersID)),
                 error))
        return false;
    query.addBindValue(NoId);
    return readPersons(query, persons, error);
}

bool findPersonsByName(const DbConnection& conn, const PersonName& name, QList<int>* persIds,
                       QString* error)
{
    return personIdsByName(conn, name, persIds, error);
}

bool insertPerson(const DbConnection& conn, const PersonName& name, int oldPersId, int* persId,
                  QString* error)
{
    QSqlQuery query(conn.database());
    // RETURNING gives the generated key on both engines, within the same statement, so a
    // second connection inserting at the same moment cannot confuse it.
    if (!prepare(
            query,
            QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6) VALUES (?, ?, ?, ?, ?) "
                           "RETURNING %7")
                .arg(n(UserName), n(Fam), n(Im), n(Otch), n(DeviceID), n(OldPersID), n(PersID)),
            error))
        return false;
    query.addBindValue(nameValue(name.fam));
    query.addBindValue(nameValue(name.im));
    query.addBindValue(nameValue(name.otch));
    query.addBindValue(NoId);
    query.addBindValue(oldPersId);
    if (!query.exec())
        return fail(error, query);
    if (!query.next())
        return fail(error, QStringLiteral("the database returned no key for the new person"));
    if (persId)
        *persId = query.value(0).toInt();
    return true;
}

bool deletePerson(const DbConnection& conn, int persId, QString* error)
{
    QSqlQuery query(conn.database());
    if (!prepare(query, QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(n(UserName), n(PersID)),
                 error))
        return false;
    query.addBindValue(persId);
    return query.exec() || fail(error, query);
}

bool insertHistoryLines(const DbConnection& conn, int persId, int deviceId,
                        const QString& deviceType, const QStringList& lines, QString* error)
{
    DbTransaction transaction(conn);
    if (!transaction.begin(error))
        return false;
    QSqlQuery query(conn.database());
    if (!prepare(query,
                 QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5) VALUES (?, ?, ?, ?)")
                     .arg(n(History), n(DeviceID), n(PersID), n(Event), n(DeviceType)),
                 error))
        return false;
    for (const QString& line : lines) {
        query.bindValue(0, deviceId);
        query.bindValue(1, persId);
        query.bindValue(2, nameValue(line));
        query.bindValue(3, textValue(deviceType));
        if (!query.exec())
            return fail(error, query);
    }
    query.finish();
    return transaction.commit(error);
}

bool insertHistoryRows(const DbConnection& conn, int persId, const QList<HistoryRow>& rows,
                       QString* error)
{
    DbTransaction transaction(conn);
    if (!transaction.begin(error))
        return false;
    QSqlQuery query(conn.database());
    if (!prepare(query,
                 QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5) VALUES (?, ?, ?, ?)")
                     .arg(n(History), n(DeviceID), n(PersID), n(Event), n(DeviceType)),
                 error))
        return false;
    for (const HistoryRow& row : rows) {
        query.bindValue(0, intValue(row.deviceId));
        query.bindValue(1, persId);
        query.bindValue(2, nameValue(row.event));
        query.bindValue(3, textValue(row.deviceType));
        if (!query.exec())
            return fail(error, query);
    }
    query.finish();
    return transaction.commit(error);
}

bool listHistory(const DbConnection& conn, int persId, const QString& typeFilter,
                 QList<HistoryRow>* rows, QString* error)
{
    rows->clear();
    QSqlQuery query(conn.database());
    query.setForwardOnly(true);
    QString text = QStringLiteral("SELECT %1, %2, %3, %4, %5 FROM %6 WHERE %2 = ?")
                       .arg(n(HistID), n(PersID), n(DeviceID), n(Event), n(DeviceType), n(History));
    if (!typeFilter.isNull())
        text += QStringLiteral(" AND %1 = ?").arg(n(DeviceType));
    text += QStringLiteral(" ORDER BY %1").arg(n(HistID));
    if (!prepare(query, text, error))
        return false;
    query.addBindValue(persId);
    if (!typeFilter.isNull())
        query.addBindValue(typeFilter);
    if (!query.exec())
        return fail(error, query);
    while (query.next()) {
        HistoryRow row;
        row.histId = query.value(0).toInt();
        row.persId = query.value(1).toInt();
        row.deviceId = optionalInt(query.value(2));
        row.event = query.value(3).toString();
        row.deviceType = nullableText(query.value(4));
        rows->append(row);
    }
    return true;
}

bool countHistory(const DbConnection& conn, int* count, QString* error)
{
    QSqlQuery query(conn.database());
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(n(History))))
        return fail(error, query);
    if (!query.next())
        return fail(error, QStringLiteral("the database returned no count"));
    *count = query.value(0).toInt();
    return true;
}

bool bindDevice(const DbConnection& conn, int persId, int deviceId, const QString& deviceType,
                const QString& takenBackEvent, const QString& issuedEvent, BindResult* result,
                QString* error)
{
    BindResult local;
    BindResult& out = result ? *result : local;
    out = BindResult();

    DbTransaction transaction(conn);
    if (!transaction.begin(error))
        return false;

    // The person is named by key: two persons may bear the same names, and a name is
    // shown cut, so a name cannot tell them apart.
    {
        QSqlQuery query(conn.database());
        query.setForwardOnly(true);
        if (!prepare(query,
                     QStringLiteral("SELECT %1 FROM %2 WHERE %1 = ?").arg(n(PersID), n(UserName)),
                     error))
            return false;
        query.addBindValue(persId);
        if (!query.exec())
            return fail(error, query);
        if (!query.next())
            return fail(error, QStringLiteral("there is no person with the key %1").arg(persId));
    }

    {
        QSqlQuery query(conn.database());
        query.setForwardOnly(true);
        if (!prepare(query,
                     QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? AND %4 = ? ORDER BY %1")
                         .arg(n(PersID), n(UserName), n(DeviceID), n(DeviceType)),
                     error))
            return false;
        query.addBindValue(deviceId);
        query.addBindValue(nameValue(deviceType));
        if (!query.exec())
            return fail(error, query);
        while (query.next())
            out.previousHolders.append(query.value(0).toInt());
    }
    for (int holder : out.previousHolders) {
        if (!insertEvent(conn, holder, deviceId, deviceType, takenBackEvent, error))
            return false;
    }

    QSqlQuery release(conn.database());
    if (!prepare(release,
                 QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ? WHERE %2 = ? AND %3 = ?")
                     .arg(n(UserName), n(DeviceID), n(DeviceType)),
                 error))
        return false;
    release.addBindValue(NoId);
    release.addBindValue(QVariant(QMetaType(QMetaType::QString)));
    release.addBindValue(deviceId);
    release.addBindValue(nameValue(deviceType));
    if (!release.exec())
        return fail(error, release);

    QSqlQuery issue(conn.database());
    if (!prepare(issue,
                 QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ? WHERE %4 = ?")
                     .arg(n(UserName), n(DeviceID), n(DeviceType), n(PersID)),
                 error))
        return false;
    issue.addBindValue(deviceId);
    issue.addBindValue(nameValue(deviceType));
    issue.addBindValue(persId);
    if (!issue.exec())
        return fail(error, issue);
    out.newHolder = persId;

    if (!insertEvent(conn, persId, deviceId, deviceType, issuedEvent, error))
        return false;
    return transaction.commit(error);
}

bool cancelRegistration(const DbConnection& conn, int persId, const QString& event, bool* done,
                        QString* error)
{
    *done = false;
    DbTransaction transaction(conn);
    if (!transaction.begin(error))
        return false;
    QVariant deviceId;
    {
        QSqlQuery query(conn.database());
        query.setForwardOnly(true);
        if (!prepare(query,
                     QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                         .arg(n(DeviceID), n(UserName), n(PersID)),
                     error))
            return false;
        query.addBindValue(persId);
        if (!query.exec())
            return fail(error, query);
        if (!query.next())
            return true;
        deviceId = query.value(0);
    }
    if (deviceId.isNull() || deviceId.toInt() == NoId)
        return true;

    QSqlQuery update(conn.database());
    if (!prepare(update,
                 QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?")
                     .arg(n(UserName), n(DeviceID), n(PersID)),
                 error))
        return false;
    update.addBindValue(NoId);
    update.addBindValue(persId);
    if (!update.exec())
        return fail(error, update);
    if (!insertEvent(conn, persId, deviceId.toInt(), QString(), event, error))
        return false;
    if (!transaction.commit(error))
        return false;
    *done = true;
    return true;
}

bool runStoredQuery(const DbConnection& conn, const QString& name, const QVariantMap& params,
                    QSqlQuery* query, QString* error)
{
    QString body;
    {
        QSqlQuery lookup(conn.database());
        lookup.setForwardOnly(true);
        if (!prepare(lookup,
                     QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                         .arg(n(QueryBody), n(StoredQuery), n(QueryName)),
                     error))
            return false;
        lookup.addBindValue(name);
        if (!lookup.exec())
            return fail(error, lookup);
        if (!lookup.next())
            return fail(error, QStringLiteral("the database has no stored query \"%1\"").arg(name));
        body = lookup.value(0).toString();
    }
    *query = QSqlQuery(conn.database());
    query->setForwardOnly(true);
    if (!prepare(*query, body, error))
        return false;
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        query->bindValue(QLatin1Char(':') + it.key(), it.value());
    return query->exec() || fail(error, *query);
}

bool deviceTypes(const DbConnection& conn, int persId, QStringList* types, QString* error)
{
    types->clear();
    QSqlQuery query;
    const bool all = persId == NoId;
    QVariantMap params;
    if (!all)
        params.insert(QLatin1String(PersIdParam), persId);
    if (!runStoredQuery(conn, QLatin1String(all ? AllDevType : UserDevType), params, &query, error))
        return false;
    const int column = query.record().indexOf(QLatin1String(DeviceType));
    if (column < 0)
        return fail(error,
                    QStringLiteral("the stored query returns no column %1").arg(n(DeviceType)));
    while (query.next())
        types->append(query.value(column).toString());
    return true;
}

bool copyHistoryToArchive(const DbConnection& main, const DbConnection& archive, int persId,
                          int archivePersId, int* copied, QString* error)
{
    if (copied)
        *copied = 0;
    QList<HistoryRow> rows;
    if (!listHistory(main, persId, QString(), &rows, error))
        return false;

    DbTransaction transaction(archive);
    if (!transaction.begin(error))
        return false;
    QSqlQuery insert(archive.database());
    // Both engines know ON CONFLICT; an event already in the archive stays as it is there.
    if (!prepare(insert,
                 QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6) VALUES (?, ?, ?, ?, ?) "
                                "ON CONFLICT (%2) DO NOTHING")
                     .arg(n(History), n(HistID), n(PersID), n(DeviceID), n(Event), n(DeviceType)),
                 error))
        return false;
    int added = 0;
    for (const HistoryRow& row : rows) {
        insert.bindValue(0, row.histId);
        insert.bindValue(1, archivePersId);
        insert.bindValue(2, intValue(row.deviceId));
        insert.bindValue(3, nameValue(row.event));
        insert.bindValue(4, textValue(row.deviceType));
        if (!insert.exec())
            return fail(error, insert);
        added += insert.numRowsAffected() > 0 ? 1 : 0;
    }
    insert.finish();
    if (!transaction.commit(error))
        return false;
    if (copied)
        *copied = added;
    return true;
}

bool ensureArchivePerson(const DbConnection& archive, int archivePersId, const PersonName& name,
                         QString* error)
{
    QSqlQuery query(archive.database());
    if (!prepare(query,
                 QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6) VALUES (?, ?, ?, ?, ?) "
                                "ON CONFLICT (%2) DO NOTHING")
                     .arg(n(UserName), n(PersID), n(Fam), n(Im), n(Otch), n(DeviceID)),
                 error))
        return false;
    query.addBindValue(archivePersId);
    query.addBindValue(nameValue(name.fam));
    query.addBindValue(nameValue(name.im));
    query.addBindValue(nameValue(name.otch));
    query.addBindValue(NoId);
    return query.exec() || fail(error, query);
}

} // namespace qz::db
