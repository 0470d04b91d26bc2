// The tray writer and the database window use one main database through two connections.
#include "DbTestSupport.h"

#include "common/db/PersonnelDb.h"

#include <atomic>
#include <thread>

namespace qz::db::test {
namespace {

class TwoConnectionsTest : public EngineTest {};

TEST_P(TwoConnectionsTest, WriterAndReaderShareTheMainDatabase)
{
    constexpr int Lines = 1500;
    const DbLocator loc = createFresh(DbKind::Main, QStringLiteral("shared"));
    int persId = NoId;
    {
        DbConnection setup = openOrFail(loc);
        ASSERT_TRUE(insertPerson(setup, {"Writer", "W", ""}, NoId, &persId));
    }

    std::atomic<bool> writerDone{false};
    QString writerError;
    QString readerError;
    int reads = 0;
    bool readsGrew = true;

    // Each thread opens its own connection: Qt connections belong to one thread.
    std::thread writer([&] {
        DbConnection conn = DbConnection::open(loc, &writerError);
        for (int i = 0; conn.isOpen() && i < Lines; ++i) {
            // Line by line, as many short transactions: the hardest case for the reader.
            if (!insertHistoryLines(conn, persId, 55, "QZ5520GN",
                                    {QStringLiteral("event %1").arg(i, 4, 10, QLatin1Char('0'))},
                                    &writerError))
                break;
        }
        writerDone = true;
    });
    std::thread reader([&] {
        DbConnection conn = DbConnection::open(loc, &readerError);
        qsizetype previous = 0;
        while (conn.isOpen()) {
            const bool last = writerDone.load();
            QList<HistoryRow> rows;
            if (!listHistory(conn, persId, QString(), &rows, &readerError))
                break;
            ++reads;
            if (rows.size() < previous)
                readsGrew = false;
            for (qsizetype i = 1; i < rows.size(); ++i)
                if (rows[i].histId <= rows[i - 1].histId)
                    readsGrew = false;
            previous = rows.size();
            if (last)
                break;
        }
    });
    writer.join();
    reader.join();

    EXPECT_TRUE(writerError.isEmpty()) << writerError.toStdString();
    EXPECT_TRUE(readerError.isEmpty()) << readerError.toStdString();
    EXPECT_GT(reads, 1);
    EXPECT_TRUE(readsGrew) << "a reader saw rows vanish or out of order";

    DbConnection check = openOrFail(loc);
    QList<HistoryRow> rows;
    ASSERT_TRUE(listHistory(check, persId, QString(), &rows));
    ASSERT_EQ(rows.size(), Lines);
    for (int i = 0; i < Lines; ++i)
        ASSERT_EQ(rows[i].event, QStringLiteral("event %1").arg(i, 4, 10, QLatin1Char('0')));
}

QZ_DB_ENGINES(TwoConnectionsTest);

} // namespace
} // namespace qz::db::test
