#include "tray/history/HistoryLineThread.h"

#include <QEventLoop>

namespace qz {

HistoryLineThread::HistoryLineThread(const LangTable& lang, const HistoryTextFormat& format,
                                     HistoryLineSink& sink)
    : m_lang(lang), m_format(format), m_sink(sink)
{
}

HistoryLineThread::~HistoryLineThread()
{
    wait();
}

void HistoryLineThread::postToSink(const HistoryLine& line)
{
    // The thread object lives on the creating thread, so the call runs there; the worker
    // blocks until it has run, which keeps the lines in order.
    QMetaObject::invokeMethod(
        this, [this, &line] { m_sink.PostHistoryLine(line.text, line.width, line.colour); },
        Qt::BlockingQueuedConnection);
}

TInsHistThread::TInsHistThread(std::span<const HistoryEvent> events,
                               const HistorySessionValues& session, const LangTable& lang,
                               HistoryLineSink& sink, const HistoryTextFormat& format)
    : HistoryLineThread(lang, format, sink), m_events(events), m_session(session)
{
}

void TInsHistThread::run()
{
    buildHistoryLines(m_events, m_session, m_lang, m_format,
                      [this](const HistoryLine& line) { postToSink(line); });
}

TInsHistThread6610K::TInsHistThread6610K(std::span<const HistoryEvent6610> events,
                                         const LangTable& lang, HistoryLineSink& sink,
                                         const HistoryTextFormat& format)
    : HistoryLineThread(lang, format, sink), m_events(events)
{
}

void TInsHistThread6610K::run()
{
    buildHistoryLines6610(m_events, m_lang, m_format,
                          [this](const HistoryLine& line) { postToSink(line); });
}

void runHistoryLineThread(HistoryLineThread& thread)
{
    QEventLoop loop;
    // Queued: `finished` is emitted on the worker, and a finish before exec() starts must
    // still end the loop.
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread.wait();
}

} // namespace qz
