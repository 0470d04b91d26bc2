// The demo's instruments go through what an automatic session asks of them: identity,
// the parameter block of their family, the whole history memory, erase and clock.

#include "SimTestSupport.h"

#include "common/platform/DateTimeDays.h"
#include "tray/link/DeviceValues.h"
#include "tray/link/ParameterBlocks.h"

#include <gtest/gtest.h>

using namespace qz;
using namespace qz::sim;
using namespace qz::sim::test;

namespace {

// The history loop as the reader runs it: first request, continuations while 0x90 comes.
QByteArray fetchHistory(DeviceProtocol& protocol, int capacity, int expected)
{
    std::vector<uint8_t> buffer(size_t(capacity), 0);
    QByteArray collected;
    const uint8_t first[] = {0x83, 0x00, 0x05, 0xB1, 0x40};
    std::copy(std::begin(first), std::end(first), buffer.begin());
    for (int part = 0; part <= 500; ++part) {
        int32_t length = expected;
        if (!protocol.Exchange(buffer.data(), capacity, 5, length) || length < 6)
            return "failed";
        collected.append(reinterpret_cast<const char*>(buffer.data()) + 6,
                         buffer[4] * 256 + buffer[5] - 3);
        if (buffer[0] == 0xA0)
            return collected;
        if (buffer[0] != 0x90)
            return "failed";
        const uint8_t next[] = {0x83, 0x00, 0x03, 0xB1, 0x40};
        std::copy(std::begin(next), std::end(next), buffer.begin());
    }
    return "failed";
}

} // namespace

TEST(DemoSession, EveryDemoInstrumentCanBeReadErasedAndSet)
{
    QString error;
    auto link = SimulatedLink::fromScenarioFile(
        QStringLiteral(QZ_SOURCE_DIR "/data/demo/scenario.json"), &error);
    ASSERT_TRUE(link) << error.toStdString();
    link->clock().setNow(QDateTime(QDate(2025, 6, 2), QTime(9, 0)));
    DeviceProtocol protocol(*link);
    NullProgress progress;
    BlockEnv env{&progress, {}};

    ASSERT_TRUE(link->InitIrDAEx());
    QStringList names;
    ASSERT_TRUE(link->FindDeviceEx(names));
    ASSERT_EQ(names.size(), link->instrumentCount());
    for (int i = 0; i < names.size(); ++i) {
        SimInstrument& s = link->instrument(i);
        SCOPED_TRACE(names[i].toStdString());
        ASSERT_TRUE(link->ConnectDevIrDAEx(i));
        const bool pager = names[i].contains("qz_pager", Qt::CaseInsensitive);
        int expected = 64;
        int capacity = 200;
        if (pager) {
            QString name, model, number;
            ASSERT_TRUE(protocol.ReadNameText(name));
            ASSERT_TRUE(protocol.ReadModelText(model));
            ASSERT_TRUE(protocol.ReadNumberText(number));
            EXPECT_EQ(name.toUpper(), "QZ_PAGER_GN");
            EXPECT_EQ(model, "5520GNO");
            EXPECT_EQ(number.toInt(), s.number);
            expected = 128;
        }
        switch (s.family) {
        case Family::GNBasic: {
            bool newFirmware = true;
            uint8_t unitCode = 0xFF;
            ASSERT_TRUE(protocol.ReadVersionText(newFirmware));
            ASSERT_TRUE(protocol.ReadUnitCode(unitCode));
            EXPECT_FALSE(newFirmware);
            EXPECT_EQ(unitCode, 0);
            T5520GNParameters r;
            ASSERT_TRUE(ReadGNBlock(protocol, r, env));
            EXPECT_EQ(r.HistTime, 60);
            break;
        }
        case Family::GNExtended: {
            T5520GNParameters r;
            r.PagerName = names[i].contains("QZ_Pa");
            ASSERT_TRUE(ReadGNExtBlock(protocol, r, env));
            EXPECT_GT(r.PorogDER, 0.0);
            break;
        }
        case Family::K: {
            TKParameters r;
            ASSERT_TRUE(ReadKBlock(protocol, r, env));
            EXPECT_DOUBLE_EQ(r.PorogGeiger, decodeDeviceFloat(encodeDeviceFloat(0.3)));
            capacity = 8192;
            expected = 128;
            break;
        }
        default:
            FAIL() << "no demo instrument of this family expected";
        }

        const QByteArray history = fetchHistory(protocol, capacity, expected);
        EXPECT_EQ(history, s.history);
        const int records = int(history.size()) / historyRecordSize(s.layout);
        EXPECT_GE(records, 10);
        EXPECT_LE(records, 40);

        ASSERT_TRUE(protocol.ClearHistory());
        const double now = dateTimeToDays(link->clock().now());
        if (s.family == Family::K) {
            ASSERT_TRUE(protocol.WriteClockSeconds(now));
        } else {
            ASSERT_TRUE(protocol.SetClockAndHistMark(60, now));
            ASSERT_TRUE(protocol.SendCommandD0());
            EXPECT_EQ(s.word(0xD6), 60) << "at a full hour the next mark is an hour away";
        }
        EXPECT_EQ(s.clearHistoryCount, 1);
        EXPECT_TRUE(s.history.isEmpty());
        EXPECT_EQ(link->instrumentClock(i), link->clock().now());
        EXPECT_EQ(fetchHistory(protocol, capacity, expected), QByteArray());
    }
}
