#include "tray/session/HistoryWriter.h"

#include "common/db/DbConnection.h"
#include "common/platform/DialogService.h"
#include "common/platform/Progress.h"
#include "tray/history/HistoryWindowApi.h"
#include "tray/session/HistoryJournal.h"
#include "tray/session/SessionDb.h"
#include "tray/session/SessionState.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"
#include "tray/shell/RosterLibrary.h"

#include <QEventLoop>

namespace qz {

THistDBThread::THistDBThread(WriterInput input, std::function<void()> progressStep,
                             std::function<void()> refreshDataBase)
    : m_input(std::move(input)), m_progressStep(std::move(progressStep)),
      m_refreshDataBase(std::move(refreshDataBase))
{
}

THistDBThread::~THistDBThread()
{
    wait();
}

void THistDBThread::onCreatorThread(const std::function<void()>& fn)
{
    if (!fn)
        return;
    QMetaObject::invokeMethod(&m_creatorContext, fn, Qt::BlockingQueuedConnection);
}

void THistDBThread::run()
{
    // This thread's own connection: the user-interface thread's connection must not be used
    // here. It goes when run() ends, on this thread.
    QString error;
    db::DbConnection conn = db::DbConnection::open(m_input.locator, &error);
    if (!conn.isOpen()) {
        // Nobody can be found without the database: the lines stay unsaved.
        m_result = Result::NoHolder;
        m_error = error;
        return;
    }
    m_persId = LookupPersID(conn, m_input.serial, m_input.model, &error);
    if (m_persId < 0) {
        m_result = Result::NoHolder;
        m_error = error;
        return;
    }
    QStringList taken;
    bool afterSeparator = false;
    const bool hasSelection = m_input.selectionLength >= 1;
    for (const QString& line : std::as_const(m_input.lines)) {
        if (hasSelection || m_input.addParamsDB || afterSeparator) {
            taken.append(line);
            onCreatorThread(m_progressStep);
        } else if (line.startsWith(QLatin1Char('-'))) {
            afterSeparator = true;
        }
    }
    if (taken.isEmpty()) {
        m_result = Result::NothingToStore;
        return;
    }
    // One transaction: a refused insert stores none of the lines, never a part of them.
    if (!StoreHistoryLines(conn, m_input.serial, m_input.model, m_persId, taken, &error)) {
        m_result = Result::Failed;
        m_error = error;
        return;
    }
    m_stored = int(taken.size());
    m_result = Result::Stored;
    onCreatorThread(m_refreshDataBase);
}

void runHistoryWriter(THistDBThread& writer)
{
    QEventLoop loop;
    QObject::connect(&writer, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    writer.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    writer.wait();
}

HistoryStore::HistoryStore(AppContext& context, SessionState& state, HistoryJournal& journal)
    : m_ctx(context), m_state(state), m_journal(journal)
{
}

db::DbLocator HistoryStore::locator() const
{
    const QString file = m_ctx.ini && !m_ctx.ini->ADOFile.isEmpty() ? m_ctx.ini->ADOFile
                                                                    : defaultADOFile(m_ctx.exeDir);
    return db::DbLocator::fromText(file, m_ctx.exeDir);
}

THistDBThread::Result HistoryStore::storeWindowHistory(HistoryWindowApi& window)
{
    WriterInput input;
    input.serial = m_state.CurSerial;
    input.model = m_state.CurModel;
    input.locator = locator();
    input.addParamsDB = m_ctx.ini && m_ctx.ini->AddParamsDB;
    input.lines = window.lines();
    input.selectionLength = window.selectionLength();

    Progress* progress = m_ctx.progress;
    std::function<void()> refresh = refreshDataBase;
    if (!refresh && m_ctx.roster) {
        RosterLibrary* roster = m_ctx.roster;
        refresh = [roster] {
            // A refresh that fails does not undo the stored lines.
            if (roster->isLoaded())
                roster->RefreshDataBase();
        };
    }
    THistDBThread writer(
        input,
        [progress] {
            if (progress)
                progress->ProgressStep();
        },
        refresh);
    runHistoryWriter(writer);

    switch (writer.result()) {
    case THistDBThread::Result::Stored:
        // The lines of this reading are committed: its journal entry has done its work.
        if (!m_state.JournalEntry.isEmpty()) {
            m_journal.remove(m_state.JournalEntry);
            m_state.JournalEntry.clear();
        }
        window.setUnsavedHistory(false);
        storeJournal(true);
        break;
    case THistDBThread::Result::NothingToStore:
        window.setUnsavedHistory(false);
        break;
    case THistDBThread::Result::Failed:
        if (m_ctx.dialogs && m_ctx.lang)
            m_ctx.dialogs->messageBox(writer.errorText(), m_ctx.lang->line(7), DialogButtons::Ok);
        break;
    case THistDBThread::Result::NoHolder:
    case THistDBThread::Result::NotRun:
        break;
    }
    return writer.result();
}

int HistoryStore::storeJournal(bool report)
{
    if (m_journal.entries().isEmpty())
        return 0;
    SessionDb db(locator());
    QString error;
    const db::DbConnection* conn = db.connection(&error);
    int left = 0;
    if (!conn)
        left = int(m_journal.entries().size());
    else
        left = m_journal.storePending(*conn, &error);
    if (left > 0 && report && m_ctx.dialogs && m_ctx.lang)
        m_ctx.dialogs->messageBox(error, m_ctx.lang->line(7), DialogButtons::Ok);
    return left;
}

} // namespace qz
