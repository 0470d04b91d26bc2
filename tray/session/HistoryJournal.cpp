#include "tray/session/HistoryJournal.h"

#include "common/db/PersonnelDb.h"
#include "tray/session/SessionDb.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qz {

namespace {

const QString kSuffix = QStringLiteral(".json");

QByteArray toJson(const JournalEntry& e)
{
    QJsonObject o;
    o[QStringLiteral("serial")] = e.serial;
    o[QStringLiteral("model")] = e.model;
    o[QStringLiteral("persId")] = e.persId;
    o[QStringLiteral("holder")] = e.holder;
    o[QStringLiteral("lines")] = QJsonArray::fromStringList(e.lines);
    o[QStringLiteral("addParamsDB")] = e.addParamsDB;
    o[QStringLiteral("rawHistory")] = QString::fromLatin1(e.rawHistory.toBase64());
    o[QStringLiteral("readAt")] = e.readAt.toString(Qt::ISODateWithMs);
    return QJsonDocument(o).toJson();
}

bool fromJson(const QByteArray& bytes, JournalEntry& e)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    const QJsonValue lines = o.value(QStringLiteral("lines"));
    if (!o.value(QStringLiteral("serial")).isDouble() ||
        !o.value(QStringLiteral("persId")).isDouble() ||
        !o.value(QStringLiteral("model")).isString() || !lines.isArray())
        return false;
    e.serial = o.value(QStringLiteral("serial")).toInt();
    e.model = o.value(QStringLiteral("model")).toString();
    e.persId = o.value(QStringLiteral("persId")).toInt();
    e.holder = o.value(QStringLiteral("holder")).toString();
    e.lines.clear();
    for (const QJsonValue& v : lines.toArray())
        e.lines.append(v.toString());
    e.addParamsDB = o.value(QStringLiteral("addParamsDB")).toBool();
    e.rawHistory =
        QByteArray::fromBase64(o.value(QStringLiteral("rawHistory")).toString().toLatin1());
    e.readAt =
        QDateTime::fromString(o.value(QStringLiteral("readAt")).toString(), Qt::ISODateWithMs);
    return true;
}

// Makes the rename of an entry itself survive a power cut.
void syncFolder(const QString& folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

} // namespace

QString HistoryJournal::folderOf(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("Journal"));
}

bool HistoryJournal::write(JournalEntry& entry, QString* error)
{
    if (!QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(m_folder);
        return false;
    }
    // Oldest first by name: the time of the read, then a unique part.
    const QString id = entry.readAt.toString(QStringLiteral("yyyyMMdd-hhmmsszzz")) +
                       QLatin1Char('-') + QString::number(entry.serial) + QLatin1Char('-') +
                       QUuid::createUuid().toString(QUuid::Id128).left(12) + kSuffix;
    QSaveFile file(QDir(m_folder).filePath(id));
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = toJson(entry);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0) {
        if (error)
            *error = QStringLiteral("cannot flush %1 to the disk").arg(file.fileName());
        file.cancelWriting();
        return false;
    }
#endif
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    syncFolder(m_folder);
    entry.id = id;
    return true;
}

bool HistoryJournal::remove(const QString& id)
{
    if (id.isEmpty())
        return false;
    const bool removed = QFile::remove(QDir(m_folder).filePath(id));
    if (removed)
        syncFolder(m_folder);
    return removed;
}

QList<JournalEntry> HistoryJournal::entries() const
{
    QList<JournalEntry> result;
    const QDir dir(m_folder);
    const QStringList names = dir.entryList({QLatin1Char('*') + kSuffix}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        JournalEntry e;
        if (!fromJson(file.readAll(), e))
            continue;
        e.id = name;
        result.append(e);
    }
    return result;
}

void HistoryJournal::dropSupersededBy(int serial, const QString& model,
                                      const QByteArray& rawHistory)
{
    for (const JournalEntry& e : entries()) {
        if (e.serial == serial && e.model == model && !e.rawHistory.isEmpty() &&
            rawHistory.startsWith(e.rawHistory))
            remove(e.id);
    }
}

int HistoryJournal::storePending(const db::DbConnection& conn, QString* error)
{
    int left = 0;
    bool reported = false;
    auto report = [&](const QString& text) {
        if (error && !reported)
            *error = text;
        reported = true;
        ++left;
    };
    for (const JournalEntry& e : entries()) {
        const QStringList lines = linesToStore(e.lines, false, e.addParamsDB);
        QString why;
        QList<db::HistoryRow> stored;
        if (!db::listHistory(conn, e.persId, e.model, &stored, &why)) {
            report(why);
            continue;
        }
        // Stored once already when the process ended between the commit and the removal.
        QStringList present;
        for (const db::HistoryRow& row : stored) {
            if (row.deviceId == e.serial)
                present.append(row.event);
        }
        bool allPresent = !lines.isEmpty();
        for (const QString& line : lines) {
            if (!present.removeOne(line)) {
                allPresent = false;
                break;
            }
        }
        if (!lines.isEmpty() && !allPresent &&
            !StoreHistoryLines(conn, e.serial, e.model, e.persId, lines, &why)) {
            report(why);
            continue;
        }
        remove(e.id);
    }
    return left;
}

QStringList linesToStore(const QStringList& lines, bool hasSelection, bool addParamsDB)
{
    QStringList taken;
    bool afterSeparator = false;
    for (const QString& line : lines) {
        if (hasSelection || addParamsDB || afterSeparator)
            taken.append(line);
        else if (line.startsWith(QLatin1Char('-')))
            afterSeparator = true;
    }
    return taken;
}

} // namespace qz
