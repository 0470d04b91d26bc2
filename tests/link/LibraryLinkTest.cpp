// The link library of the C ABI through the program's real loading path, and the choice of
// link by the "Link" setting.
#include "tray/link/LibraryLink.h"
#include "tray/link/ParameterBlocks.h"
#include "tray/link/Protocol.h"
#include "tray/shell/LinkSetting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qz;

namespace {

const char* const kScenario = R"({
  "instruments": [
    {"model": "QZ5520GN", "number": 1234,
     "registers": {"0x91": 400, "0x90": 25, "0xD1": 60, "0xD2": 8192, "0xD4": "0x0103",
                   "0xD3": "0x0240"},
     "memory": {"80": "0x0007", "81": "0x0024"}}
  ]
})";

QString writeScenario(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("scenario.json"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(kScenario);
    return path;
}

QString moduleDir(const char* which)
{
    return QStringLiteral(QZ_TEST_ABI_DIR "/") + QLatin1String(which);
}

} // namespace

TEST(LibraryLink, DrivesTheProtocolThroughTheCAbi)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("QZ_IRDA_SCENARIO", writeScenario(dir).toLocal8Bit());

    LibraryLink link(moduleDir("full") + QStringLiteral("/IrDA"));
    ASSERT_TRUE(link.isLoaded()) << link.errorString().toStdString();
    ASSERT_TRUE(link.InitIrDAEx());
    QStringList names{QStringLiteral("left over")};
    ASSERT_TRUE(link.FindDeviceEx(names));
    EXPECT_EQ(names, QStringList{QStringLiteral("QZ5520GN#1234")});
    ASSERT_TRUE(link.ConnectDevIrDAEx(0));

    DeviceProtocol protocol(link);
    T5520GNParameters record;
    BlockEnv env;
    ASSERT_TRUE(ReadGNBlock(protocol, record, env));
    EXPECT_EQ(record.Reg91, 100); // word 400 shifted right by 2
    EXPECT_DOUBLE_EQ(record.CoeffN, 2.5);
    EXPECT_EQ(record.HistTime, 60);
    EXPECT_DOUBLE_EQ(record.RegD2, 2.5); // 8192 * 5 / 16384
    EXPECT_EQ(record.TIzmN, 7);
    EXPECT_DOUBLE_EQ(record.CoeffNN, 2.25); // 0x24 / 16
    EXPECT_TRUE(record.Sound);
    EXPECT_TRUE(record.Vibr);
    EXPECT_TRUE(record.En1s);
    EXPECT_TRUE(record.Izmer);     // D3 bit 6
    EXPECT_TRUE(record.OnOffSign); // D3 bit 9

    // A write travels through the ABI as well and changes the instrument.
    ASSERT_TRUE(protocol.WriteHistTime(30));
    uint16_t minutes = 0;
    ASSERT_TRUE(protocol.ReadHistTime(minutes));
    EXPECT_EQ(minutes, 30);

    // A request the instrument does not answer fails the transfer, nothing more.
    uint8_t buffer[10] = {0x83, 0x00, 0x05, 0xB1, 0x77};
    int32_t answerLength = 8;
    EXPECT_FALSE(link.TransDataIrDAEx(buffer, sizeof buffer, 5, answerLength));
    link.CloseIrDAEx();
    qunsetenv("QZ_IRDA_SCENARIO");
}

TEST(LibraryLink, MissingLibraryOrEntryMakesEveryEntryFail)
{
    for (const QString& path : {QStringLiteral("/nonexistent/folder/IrDA"),
                                moduleDir("broken") + QStringLiteral("/IrDA")}) {
        SCOPED_TRACE(path.toStdString());
        LibraryLink link(path);
        EXPECT_FALSE(link.isLoaded());
        EXPECT_FALSE(link.errorString().isEmpty());
        EXPECT_FALSE(link.InitIrDAEx());
        QStringList names{QStringLiteral("stale")};
        EXPECT_FALSE(link.FindDeviceEx(names));
        EXPECT_TRUE(names.isEmpty());
        EXPECT_FALSE(link.ConnectDevIrDAEx(0));
        uint8_t buffer[10] = {0x83, 0x00, 0x05, 0xB1, 0x91};
        int32_t answerLength = 8;
        EXPECT_FALSE(link.TransDataIrDAEx(buffer, sizeof buffer, 5, answerLength));
        link.CloseIrDAEx();
    }
}

TEST(LinkSetting, ChoosesTheLinkBySetting)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString scenario = writeScenario(dir);
    QFile(dir.filePath(QStringLiteral("bad.json"))).open(QIODevice::WriteOnly);

    struct Case {
        QString setting;
        QString folder;
        bool initOk;
        int devices; // -1: FindDeviceEx fails
    };
    const Case cases[] = {
        {QStringLiteral("simulator:scenario.json"), dir.path(), true, 1},
        {QStringLiteral("simulator:") + scenario, QStringLiteral("/"), true, 1},
        {QStringLiteral("simulator:"), dir.path(), true, -1},
        {QStringLiteral("simulator:missing.json"), dir.path(), false, -1},
        {QStringLiteral("simulator:bad.json"), dir.path(), false, -1},
        {QString(), dir.path(), false, -1}, // no link library in this folder
        {QStringLiteral("serial:COM2"), dir.path(), false, -1},
        {QString(), moduleDir("full"), true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.setting + QStringLiteral(" in ") + c.folder).toStdString());
        QString error;
        auto link = createLink(c.setting, c.folder, &error);
        ASSERT_TRUE(link);
        EXPECT_EQ(link->InitIrDAEx(), c.initOk);
        EXPECT_EQ(error.isEmpty(), c.initOk);
        QStringList names;
        const bool found = link->FindDeviceEx(names);
        EXPECT_EQ(found, c.devices > 0);
        EXPECT_EQ(names.size(), std::max(c.devices, 0));
        link->CloseIrDAEx();
    }
}
