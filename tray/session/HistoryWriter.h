#pragma once

#include "common/db/DbLocator.h"

#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

namespace qz {

struct AppContext;
struct SessionState;
class HistoryWindowApi;
class HistoryJournal;

// What the writer stores: a snapshot of the window and the session taken on the
// user-interface thread before the worker starts. The window is not touched while the
// worker runs, so the snapshot is what the operator closed.
struct WriterInput {
    int serial = -1;
    QString model;
    db::DbLocator locator;
    bool addParamsDB = false;
    QStringList lines;
    int selectionLength = 0;
};

// The database writer. It opens a database connection of its own inside run(): a Qt
// connection may be used only by the thread that created it. Progress steps and the
// Roster refresh are handed to the thread that created the writer, which waits for it with
// runHistoryWriter().
class THistDBThread final : public QThread {
public:
    enum class Result { NotRun, NoHolder, NothingToStore, Stored, Failed };

    THistDBThread(WriterInput input, std::function<void()> progressStep,
                  std::function<void()> refreshDataBase);
    ~THistDBThread() override;

    Result result() const { return m_result; }
    QString errorText() const { return m_error; }
    int persId() const { return m_persId; }
    int storedLines() const { return m_stored; }

protected:
    void run() override;

private:
    // Runs fn on the creating thread and returns when it has run.
    void onCreatorThread(const std::function<void()>& fn);

    WriterInput m_input;
    std::function<void()> m_progressStep;
    std::function<void()> m_refreshDataBase;
    QObject m_creatorContext;
    Result m_result = Result::NotRun;
    QString m_error;
    int m_persId = -1;
    int m_stored = 0;
};

// Starts the writer and returns when it has ended; meanwhile the calling thread serves the
// writer's hand-overs.
void runHistoryWriter(THistDBThread& writer);

// What the history window's close handler calls when the instrument has a holder: stores
// the window's lines as the writer does, clears the window's unsaved mark only when they
// are stored (or nothing was to be stored), removes the session's journal entry once its
// lines are committed and then stores what the journal still holds. A failed store is
// reported to the operator with the database's message; the unsaved mark and the journal
// entry stay, so nothing is lost.
class HistoryStore {
public:
    HistoryStore(AppContext& context, SessionState& state, HistoryJournal& journal);

    // Replaces the Roster refresh (default: _RefreshDataBase when Roster is loaded).
    std::function<void()> refreshDataBase;

    THistDBThread::Result storeWindowHistory(HistoryWindowApi& window);

    // Stores what the journal holds (start-up, and after each successful store). Failures
    // are reported to the operator when `report` is set. Returns the entries left.
    int storeJournal(bool report);

private:
    db::DbLocator locator() const;

    AppContext& m_ctx;
    SessionState& m_state;
    HistoryJournal& m_journal;
};

} // namespace qz
