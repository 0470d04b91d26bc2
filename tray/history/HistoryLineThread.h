#pragma once

#include "tray/history/HistoryLines.h"

#include <QThread>

#include <span>

namespace qz {

class LangTable;

// Where the history lines go: the history window appends each one (text, name column width,
// colour). Called on the thread that runs runHistoryLineThread, never on the worker.
class HistoryLineSink {
public:
    virtual ~HistoryLineSink() = default;
    virtual void PostHistoryLine(const QString& text, int width, int colour) = 0;
};

// A worker that turns decoded events into history lines and hands each line, synchronously
// and in order, to the sink on the thread that created it. The events, the language table
// and the sink must stay untouched until the thread has finished.
class HistoryLineThread : public QThread {
public:
    ~HistoryLineThread() override;

protected:
    HistoryLineThread(const LangTable& lang, const HistoryTextFormat& format,
                      HistoryLineSink& sink);

    // Blocks until the creating thread has appended the line.
    void postToSink(const HistoryLine& line);

    const LangTable& m_lang;
    const HistoryTextFormat m_format;

private:
    HistoryLineSink& m_sink;
};

// The lines of a 5520/5530 history.
class TInsHistThread final : public HistoryLineThread {
public:
    TInsHistThread(std::span<const HistoryEvent> events, const HistorySessionValues& session,
                   const LangTable& lang, HistoryLineSink& sink,
                   const HistoryTextFormat& format = {});

protected:
    void run() override;

private:
    std::span<const HistoryEvent> m_events;
    const HistorySessionValues m_session;
};

// The lines of a K instrument's history.
class TInsHistThread6610K final : public HistoryLineThread {
public:
    TInsHistThread6610K(std::span<const HistoryEvent6610> events, const LangTable& lang,
                        HistoryLineSink& sink, const HistoryTextFormat& format = {});

protected:
    void run() override;

private:
    std::span<const HistoryEvent6610> m_events;
};

// Starts the thread and returns when it has ended. Meanwhile the calling thread runs a local
// event loop that carries out the worker's hand-overs (a plain join would deadlock on the
// first line); user input waits until the lines are in. Needs a QCoreApplication.
void runHistoryLineThread(HistoryLineThread& thread);

} // namespace qz
