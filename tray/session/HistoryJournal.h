#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace qz {

namespace db {
class DbConnection;
}

// One history read from an instrument and erased in it, kept on local disk until its lines
// are in the database.
struct JournalEntry {
    QString id; // the entry's file name; set by write() and entries()
    int serial = -1;
    QString model;
    int persId = -1;          // the holder when the history was read
    QString holder;           // "Fam Im Otch" of that holder
    QStringList lines;        // the history window's lines (device card, separator, events)
    bool addParamsDB = false; // the device card is stored as well
    QByteArray rawHistory;    // the history memory as read, for support and comparison
    QDateTime readAt;
};

// The history journal: one file per erased history in the folder "Journal" of the program
// folder, beside the database the lines are bound for.
//
// The instruments are erased once read, long before the operator closes the history window
// and the lines are stored; a crash, a killed process, a power cut or a refused insert in
// between would lose the history for good. So the session writes an entry before it erases
// the instrument, and the entry goes only once its lines are committed. What is still in
// the journal is stored at start-up and after each successful store, under the person
// recorded in it.
//
// Entries are written whole or not at all (temporary file, flushed to the disk, renamed).
class HistoryJournal {
public:
    explicit HistoryJournal(QString folder) : m_folder(std::move(folder)) {}
    // The journal folder of a program folder.
    static QString folderOf(const QString& programFolder);

    const QString& folder() const { return m_folder; }

    // Writes the entry; its id is set. False (and *error) when it could not be made durable.
    bool write(JournalEntry& entry, QString* error = nullptr);
    bool remove(const QString& id);
    // Every readable entry, oldest first. Unreadable files are left where they are.
    QList<JournalEntry> entries() const;

    // Drops the entries of this instrument whose history is the start of `rawHistory`: the
    // instrument was not erased after all (its erase answer was lost), and the new reading
    // holds those events again.
    void dropSupersededBy(int serial, const QString& model, const QByteArray& rawHistory);

    // Stores every entry under its person, one transaction each, and removes what was
    // stored. An entry whose lines are all in the person's history already (stored before
    // the entry could be removed) is only removed. Returns how many entries are left;
    // *error tells the first failure.
    int storePending(const db::DbConnection& conn, QString* error = nullptr);

private:
    QString m_folder;
};

// The lines the database writer takes from a window's lines: everything when the window
// has a selection or the device card is to be stored, otherwise the lines after the first
// line that begins with '-' (the card and that line stay out).
QStringList linesToStore(const QStringList& lines, bool hasSelection, bool addParamsDB);

} // namespace qz
