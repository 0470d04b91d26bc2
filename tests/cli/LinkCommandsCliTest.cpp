// qz55xx-cli devices, block read and history-dump against simulated instruments.
#include "cli/CliRun.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using qz::test::CliRun;
using qz::test::runCli;

namespace {

const QString kScenario = QStringLiteral(QZ_SOURCE_DIR "/data/demo/scenario.json");

QString sim(const QString& path = kScenario)
{
    return QStringLiteral("simulator:") + path;
}

} // namespace

TEST(LinkCommandsCli, ExitStatusTellsWhatHappened)
{
    struct Case {
        QStringList args;
        int status;
        const char* errPart;
    };
    const Case cases[] = {
        {{QStringLiteral("devices"), QStringLiteral("--link"), sim()}, 0, ""},
        {{QStringLiteral("devices"), QStringLiteral("--link"), QStringLiteral("simulator:")},
         3,
         "no instrument"},
        {{QStringLiteral("devices"), QStringLiteral("--link"),
          sim(QStringLiteral("/no/such.json"))},
         4,
         "cannot be initialised"},
        {{QStringLiteral("devices"), QStringLiteral("--link")}, 2, "--link"},
        {{QStringLiteral("devices"), QStringLiteral("extra")}, 2, "unexpected"},
        {{QStringLiteral("block"), QStringLiteral("read"), QStringLiteral("x")}, 2, "block"},
        {{QStringLiteral("block"), QStringLiteral("read"), QStringLiteral("gn"),
          QStringLiteral("--index"), QStringLiteral("7"), QStringLiteral("--link"), sim()},
         3,
         "no device at index 7"},
        // The K instrument has no register of the GN block: the block fails, not the link.
        {{QStringLiteral("block"), QStringLiteral("read"), QStringLiteral("gn"),
          QStringLiteral("--index"), QStringLiteral("2"), QStringLiteral("--link"), sim()},
         4,
         "could not be read"},
        {{QStringLiteral("history-dump"), QStringLiteral("--answer-length"), QStringLiteral("65"),
          QStringLiteral("f.bin")},
         2,
         "history-dump"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.errPart))) << r.err.toStdString();
    }
}

TEST(LinkCommandsCli, ListsReadsAndDumps)
{
    const CliRun devices = runCli({QStringLiteral("devices"), QStringLiteral("--link"), sim()});
    ASSERT_EQ(devices.status, 0) << devices.err.toStdString();
    EXPECT_TRUE(devices.out.startsWith(QStringLiteral("0\tQZ5520GN#1234\n")));
    EXPECT_EQ(devices.out.count(QLatin1Char('\n')), 3);

    const CliRun block =
        runCli({QStringLiteral("block"), QStringLiteral("read"), QStringLiteral("k"),
                QStringLiteral("--index"), QStringLiteral("2"), QStringLiteral("--link"), sim()});
    ASSERT_EQ(block.status, 0) << block.err.toStdString();
    EXPECT_TRUE(block.out.contains(QStringLiteral("\nDeltaHist=1\n"))); // set by every K read
    EXPECT_TRUE(block.out.startsWith(QStringLiteral("HistSeconds=")));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString dump = dir.filePath(QStringLiteral("h.bin"));
    const CliRun r =
        runCli({QStringLiteral("history-dump"), QStringLiteral("--index"), QStringLiteral("2"),
                QStringLiteral("--k"), QStringLiteral("--link"), sim(), dump});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const qint64 size = QFileInfo(dump).size();
    EXPECT_EQ(r.out, QStringLiteral("%1 bytes\n").arg(size));
    EXPECT_GT(size, 0);
    EXPECT_EQ(size % 16, 0); // whole K records
}
