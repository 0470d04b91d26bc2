#include "tray/history/HistoryLineThread.h"

#include "HistoryTestSupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace qz {
namespace {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "test_history";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return instance ? *instance : *QCoreApplication::instance();
}

// Records each line with the thread it was appended on.
class RecordingSink final : public HistoryLineSink {
public:
    QList<HistoryLine> lines;
    QList<QThread*> threads;
    void PostHistoryLine(const QString& text, int width, int colour) override
    {
        lines.append({text, width, colour});
        threads.append(QThread::currentThread());
    }
};

TEST(HistoryLineThread, LinesArriveInOrderOnTheCallingThread)
{
    app();
    const LangTable lang = test::numberedLang();
    const HistoryTextFormat format = test::fixedFormat();
    QList<HistoryEvent> events;
    const char kinds[] = "AaFfNnCcSs01X";
    for (int i = 0; i < 1024; ++i)
        events.append(HistoryEvent{kinds[i % 13], 45000.0 + i / 1440.0, uint16_t(i), uint8_t(i % 2),
                                   0.5, 0.25, (i & 64) != 0});
    const HistorySessionValues session{QStringLiteral("L95"), true, true, false, true};

    RecordingSink sink;
    TInsHistThread thread(events, session, lang, sink, format);
    runHistoryLineThread(thread);

    EXPECT_TRUE(thread.isFinished());
    const QList<HistoryLine> expected = historyLines(events, session, lang, format);
    ASSERT_GT(expected.size(), 1000);
    EXPECT_EQ(sink.lines, expected);
    for (QThread* t : sink.threads)
        ASSERT_EQ(t, QThread::currentThread());
}

TEST(HistoryLineThread, KLinesAndAnEmptyHistory)
{
    app();
    const LangTable lang = test::numberedLang();
    const HistoryTextFormat format = test::fixedFormat();
    const QList<HistoryEvent6610> events{{'F', 45000.0, 12, 3.0, 0.005},
                                         {'S', 45000.5, 0x2319, 4664.0, 0.0},
                                         {'s', 45001.0, 0x0102, 0.0, 0.0}};
    RecordingSink sink;
    TInsHistThread6610K thread(events, lang, sink, format);
    runHistoryLineThread(thread);
    EXPECT_EQ(sink.lines, historyLines6610(events, lang, format));
    EXPECT_EQ(sink.lines.size(), 8);
    for (QThread* t : sink.threads)
        ASSERT_EQ(t, QThread::currentThread());

    // A thread with nothing to do may end before the wait starts; the wait still returns.
    RecordingSink none;
    TInsHistThread empty({}, HistorySessionValues{}, lang, none, format);
    runHistoryLineThread(empty);
    EXPECT_TRUE(none.lines.isEmpty());
}

} // namespace
} // namespace qz
