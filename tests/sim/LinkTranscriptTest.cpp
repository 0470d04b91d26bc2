#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace qz::sim;
using namespace qz::sim::test;
using Call = TranscriptEntry::Call;

TEST(LinkTranscript, RecordsEveryCallWithItsBytes)
{
    SimulatedLink link;
    SimInstrument gn(Family::GNBasic, "QZ5520GN", 1234);
    gn.setWord(0x90, 0x000C);
    link.addInstrument(std::move(gn));
    link.addInstrument(SimInstrument(Family::MBasic, "QZ5520M", 77, "QZ5520M n: 77"));

    QStringList names;
    link.InitIrDAEx();
    link.FindDeviceEx(names);
    link.ConnectDevIrDAEx(1);
    link.ConnectDevIrDAEx(0);
    uint8_t buffer[20] = {0x83, 0x00, 0x05, 0xB1, 0x90};
    int32_t length = 8;
    link.TransDataIrDAEx(buffer, 20, 5, length);
    uint8_t bad[20] = {0x83, 0x00, 0x05, 0xB1, 0x77};
    length = 8;
    link.TransDataIrDAEx(bad, 20, 5, length);
    link.CloseIrDAEx();

    const auto& t = link.transcript();
    ASSERT_EQ(t.size(), 7) << link.transcriptText().toStdString();
    EXPECT_EQ(t[0].call, Call::Init);
    EXPECT_TRUE(t[0].result);
    EXPECT_EQ(t[1].call, Call::Find);
    EXPECT_EQ(t[1].names, QStringList({"QZ5520GN#1234", "QZ5520M n: 77"}));
    EXPECT_EQ(t[2].call, Call::Connect);
    EXPECT_EQ(t[2].index, 1);
    EXPECT_EQ(t[2].instrument, "QZ5520M n: 77");
    EXPECT_EQ(t[3].instrument, "QZ5520GN#1234");

    EXPECT_EQ(t[4].call, Call::Transfer);
    EXPECT_TRUE(t[4].result);
    EXPECT_EQ(hexText(t[4].request), "83 00 05 B1 90");
    EXPECT_EQ(t[4].capacity, 20);
    EXPECT_EQ(t[4].requestLength, 5);
    EXPECT_EQ(t[4].expectedLength, 8);
    EXPECT_EQ(hexText(t[4].answer), "A0 00 08 72 00 05 0C 00");
    EXPECT_EQ(t[4].instrument, "QZ5520GN#1234");
    EXPECT_EQ(t[4].toString(),
              "trans 83 00 05 B1 90 (cap 20, len 5, exp 8) -> true A0 00 08 72 00 05 0C 00");

    EXPECT_FALSE(t[5].result);
    EXPECT_EQ(hexText(t[5].request), "83 00 05 B1 77");
    EXPECT_TRUE(t[5].answer.isEmpty());
    EXPECT_EQ(t[6].call, Call::Close);
    EXPECT_EQ(link.transfers().size(), 2);

    link.clearTranscript();
    EXPECT_TRUE(link.transcript().isEmpty());
}

TEST(LinkTranscript, LinkRefusesWorkOutsideAConnection)
{
    SimulatedLink link;
    link.addInstrument(SimInstrument(Family::MBasic, "QZ5520M", 77));
    QStringList names;
    EXPECT_FALSE(link.FindDeviceEx(names)) << "not initialised";
    EXPECT_FALSE(exchange(link, hexBytes("83 00 05 B1 90")));
    ASSERT_TRUE(link.InitIrDAEx());
    EXPECT_FALSE(link.ConnectDevIrDAEx(0)) << "no list yet";
    ASSERT_TRUE(link.FindDeviceEx(names));
    EXPECT_FALSE(link.ConnectDevIrDAEx(1));
    EXPECT_FALSE(exchange(link, hexBytes("83 00 05 B1 90"))) << "not connected";
    ASSERT_TRUE(link.ConnectDevIrDAEx(0));
    EXPECT_TRUE(exchange(link, hexBytes("83 00 05 B1 90")));
    // A request longer than the buffer is refused rather than read past its end.
    uint8_t buffer[4] = {0x83, 0x00, 0x05, 0xB1};
    int32_t length = 8;
    EXPECT_FALSE(link.TransDataIrDAEx(buffer, 4, 5, length));
    link.CloseIrDAEx();
    EXPECT_FALSE(exchange(link, hexBytes("83 00 05 B1 90"))) << "closed";

    link.instrument(0).inRange = false;
    ASSERT_TRUE(link.InitIrDAEx());
    EXPECT_FALSE(link.FindDeviceEx(names));
    EXPECT_TRUE(names.isEmpty());
}
