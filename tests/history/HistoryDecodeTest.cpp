#include "tray/history/HistoryDecode.h"
#include "tray/link/DeviceValues.h"

#include "HistoryTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace qz {
namespace {

using test::hexBytes;

constexpr double kMinute = 1.0 / 1440.0;

HistoryEvent decode8(const char* hex, bool pager, bool gnNewGen, double coef = 0.0)
{
    const QByteArray bytes = hexBytes(hex);
    EXPECT_EQ(bytes.size(), 8);
    return decodeHistoryRecord(bytesOf(bytes).first<8>(), {pager, gnNewGen, coef});
}

struct RecordCase {
    const char* name;
    const char* hex;
    bool pager;
    bool gnNewGen;
    double coef;
    HistoryEvent expected;
};

void PrintTo(const RecordCase& c, std::ostream* os)
{
    *os << c.name;
}

HistoryEvent event(char kind, double when, uint16_t word, uint8_t aux, double neutron, double value,
                   bool pager)
{
    return HistoryEvent{kind, when, word, aux, neutron, value, pager};
}

class RecordLayouts : public testing::TestWithParam<RecordCase> {};

TEST_P(RecordLayouts, DecodeEveryField)
{
    const RecordCase& c = GetParam();
    const HistoryEvent e = decode8(c.hex, c.pager, c.gnNewGen, c.coef);
    EXPECT_EQ(e.Kind, c.expected.Kind);
    EXPECT_DOUBLE_EQ(e.When, c.expected.When);
    EXPECT_EQ(e.Word, c.expected.Word);
    EXPECT_EQ(e.Aux, c.expected.Aux);
    EXPECT_DOUBLE_EQ(e.NeutronValue, c.expected.NeutronValue);
    EXPECT_DOUBLE_EQ(e.Value, c.expected.Value);
    EXPECT_EQ(e.PagerFormat, c.expected.PagerFormat);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordLayouts,
    testing::Values(
        // Layout P: minutes:24, kind, value d0 d1 (bytes 6-7 unused)
        RecordCase{"P_alarm_value", "000000 41 4080 FFFF", true, false, 0.0,
                   event('A', 36161.0, 0, 0, 0.0, 1.5, true)},
        RecordCase{"P_minutes_1441", "A10500 46 A083 0000", true, false, 0.0,
                   event('F', 36162.0 + kMinute, 0, 0, 0.0, -10.0, true)},
        RecordCase{"P_minutes_24bit_max", "FFFFFF 43 0000 0000", true, false, 0.0,
                   event('C', 36161.0 + 16777215 * kMinute, 0, 0, 0.0, 0.0, true)},
        RecordCase{"P_threshold_gamma", "000000 53 1923 0000", true, false, 0.0,
                   event('S', 36161.0, 0x2319, 0, 0.0, 0.0, true)},
        RecordCase{"P_threshold_neutron", "000000 53 0000 3812", true, false, 0.0,
                   event('S', 36161.0, 0x1238, 1, 0.0, 0.0, true)},
        RecordCase{"P_threshold_all_zero", "000000 53 0000 0000", true, false, 0.0,
                   event('S', 36161.0, 0, 1, 0.0, 0.0, true)},
        RecordCase{"P_sound_change", "000000 73 0201 0000", true, false, 0.0,
                   event('s', 36161.0, 0x0102, 0, 0.0, 0.0, true)},
        // Layout PG: as P plus |neutron| from bytes 6-7
        RecordCase{"PG_neutron_magnitude", "000000 4E 4080 C080", true, true, 0.0,
                   event('N', 36161.0, 0, 0, 1.5, 1.5, true)},
        RecordCase{"PG_threshold_has_no_neutron", "000000 53 0000 0A14", true, true, 0.0,
                   event('S', 36161.0, 0x140A, 1, 0.0, 0.0, true)},
        // Layout O: minutes:32 signed, word, kind, aux
        RecordCase{"O_count", "00000000 E803 41 05", false, false, 0.0,
                   event('A', 36161.0, 1000, 5, 0.0, 0.0, false)},
        RecordCase{"O_count_corrected", "00000000 E803 41 00", false, false, 0.00024,
                   event('A', 36161.0, 1240, 0, 0.0, 0.0, false)},
        RecordCase{"O_threshold_never_corrected", "00000000 E803 53 00", false, false, 0.00024,
                   event('S', 36161.0, 1000, 0, 0.0, 0.0, false)},
        RecordCase{"O_sound_never_corrected", "00000000 E803 73 00", false, false, 0.00024,
                   event('s', 36161.0, 1000, 0, 0.0, 0.0, false)},
        RecordCase{"O_negative_minutes", "FFFFFFFF 0000 31 00", false, false, 0.0,
                   event('1', 36161.0 - kMinute, 0, 0, 0.0, 0.0, false)},
        RecordCase{"O_neutron_aux_zero_becomes_1", "00000000 0000 4E 00", false, false, 0.0,
                   event('N', 36161.0, 0, 1, 0.0, 0.0, false)},
        RecordCase{"O_lower_neutron_aux_stays_0", "00000000 0000 6E 00", false, false, 0.0,
                   event('n', 36161.0, 0, 0, 0.0, 0.0, false)},
        RecordCase{"O_neutron_aux_kept", "00000000 0000 4E 07", false, false, 0.0,
                   event('N', 36161.0, 0, 7, 0.0, 0.0, false)},
        // Layout OG: minutes:24, kind, word, neutron packed one bit to the left
        RecordCase{"OG_packed_neutron", "000000 46 E803 0380", false, true, 0.00024,
                   event('F', 36161.0, 1240, 0, 1.0078277587890625, 0.0, false)},
        RecordCase{"OG_sign_bit_cannot_appear", "000000 4E 0000 FF81", false, true, 0.0,
                   event('N', 36161.0, 0, 0, decodeDeviceFloat(0x7F, 0x81, 0x80, 0), 0.0, false)},
        RecordCase{"OG_threshold_word_raw", "000000 53 1923 0000", false, true, 0.00024,
                   event('S', 36161.0, 0x2319, 0, 0.0, 0.0, false)}),
    [](const testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

TEST(HistoryDecode, OgNeutronBytesAreUnpackedIntoD0D1D2)
{
    // byte 6 = 0x03, byte 7 = 0x80 -> d0 d1 d2 d3 = 01 80 80 00
    const HistoryEvent e = decode8("000000 46 0000 0380", false, true);
    EXPECT_EQ(e.NeutronValue, decodeDeviceFloat(0x01, 0x80, 0x80, 0x00));
}

TEST(HistoryDecode, CountCorrection)
{
    const struct {
        uint16_t word;
        double coef;
        uint16_t corrected;
    } cases[] = {
        {1000, 0.00024, 1240}, {1000, 0.0, 1000},
        {0, 0.00024, 0},       {65535, 0.00024, 47720}, // 65535 + 1030761, modulo 65536
        {3, 0.5, 7},                                    // 4.5 rounds to the even 4
        {5, 0.5, 17},                                   // 12.5 rounds to 12
        {1, 0.5, 1},                                    // 0.5 rounds to 0
        {2, -0.5, 0}, // a negative correction wraps like the sum does
        {2, -1.0, 65534},      {1000, std::numeric_limits<double>::infinity(), 1000},
        {1000, 1e300, 1000}, // 1e306 is a multiple of 65536
    };
    for (const auto& c : cases)
        EXPECT_EQ(correctCount(c.word, c.coef), c.corrected) << c.word << " * " << c.coef;
}

QByteArray records(std::initializer_list<const char*> hex)
{
    QByteArray out;
    for (const char* h : hex)
        out += hexBytes(h);
    return out;
}

TEST(HistoryDecode, MemoryRemainderIsIgnored)
{
    auto events = std::make_unique<HistoryEvents>();
    const QByteArray memory =
        records({"00000000 0100 41 00", "00000000 0200 41 00", "00000000 0300 41 00"}) +
        hexBytes("0102030405");
    EXPECT_EQ(decodeHistoryMemory(bytesOf(memory), {false, false, 0.0}, *events), 3);
    EXPECT_EQ((*events)[2].Word, 3);
    EXPECT_EQ((*events)[3].Kind, 0);
}

TEST(HistoryDecode, ValueLimitDropsPagerRecords)
{
    // 2^100 (exponent byte 0xE4) is above the limit; 2^93 just below it, 2^94 just above.
    const struct {
        const char* name;
        QByteArray memory;
        bool gnNewGen;
        QList<char> kinds; // kinds of the counted events, in order
    } cases[] = {
        {"huge alarm dropped, next threshold takes its element",
         records({"000000 41 00E4 0000", "000000 53 1923 0000"}),
         false,
         {'S'}},
        {"just below the limit counts", records({"000000 41 00DD 0000"}), false, {'A'}},
        {"just above the limit is dropped", records({"000000 41 00DE 0000"}), false, {}},
        {"negative huge value counts", records({"000000 41 80E4 0000"}), false, {'A'}},
        {"threshold record is never dropped", records({"000000 53 00E4 0000"}), false, {'S'}},
        {"PG drops too", records({"000000 46 00E4 4080", "000000 31 0000 0000"}), true, {'1'}},
        {"several in a row",
         records({"000000 41 00E4 0000", "000000 61 00E4 0000", "000000 30 4080 0000",
                  "000000 46 00E4 0000"}),
         false,
         {'0'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto events = std::make_unique<HistoryEvents>();
        // Garbage from an earlier read must not survive in the elements after the count.
        events->fill(HistoryEvent{'Z', 1.0, 1, 1, 1.0, 1.0, false});
        const int count = decodeHistoryMemory(bytesOf(c.memory), {true, c.gnNewGen, 0.0}, *events);
        ASSERT_EQ(count, c.kinds.size());
        for (int i = 0; i < count; ++i)
            EXPECT_EQ((*events)[size_t(i)].Kind, c.kinds[i]);
        for (size_t i = size_t(count); i < 8; ++i) {
            const HistoryEvent& e = (*events)[i];
            EXPECT_TRUE(e.Kind == 0 && e.When == 0 && e.Word == 0 && e.Aux == 0 &&
                        e.NeutronValue == 0 && e.Value == 0 && !e.PagerFormat)
                << "element " << i << " not zero";
        }
    }
    // The filter is the pager layouts' only: an O record with the same bytes counts.
    auto events = std::make_unique<HistoryEvents>();
    const QByteArray o = records({"000000E4 0000 41 00"});
    EXPECT_EQ(decodeHistoryMemory(bytesOf(o), {false, false, 0.0}, *events), 1);
}

TEST(HistoryDecode, FullMemoryFillsTheArrayExactly)
{
    auto events = std::make_unique<HistoryEvents>();
    QByteArray memory;
    for (int i = 0; i < kHistoryEventCapacity; ++i)
        memory += records({"00000000 0000 41 00"})
                      .replace(4, 2, QByteArray(1, char(i & 0xFF)) + char(i >> 8));
    ASSERT_EQ(memory.size(), kHistoryMemoryLimit);
    EXPECT_EQ(decodeHistoryMemory(bytesOf(memory), {false, false, 0.0}, *events), 1024);
    EXPECT_EQ(events->back().Word, 1023);
    // Anything beyond the room of the array is not decoded.
    memory += records({"00000000 0000 41 00"});
    EXPECT_EQ(decodeHistoryMemory(bytesOf(memory), {false, false, 0.0}, *events), 1024);
}

HistoryEvent6610 decode16(const char* hex)
{
    const QByteArray bytes = hexBytes(hex);
    EXPECT_EQ(bytes.size(), 16);
    return decodeHistoryRecord6610(bytesOf(bytes).first<16>());
}

TEST(HistoryDecode6610, Fields)
{
    const struct {
        const char* hex;
        char kind;
        double when;
        uint16_t word;
        double neutron;
        double value;
    } cases[] = {
        {"80510100 0C00 40810000 40800000 00 46", 'F', 36162.0, 12, 3.0, 1.5},
        {"00000000 FFFF 00000000 A0830000 FF 47", 'G', 36161.0, 65535, 0.0, -10.0},
        {"FFFFFFFF 0000 00000000 00000000 00 31", '1', 36161.0 - 1.0 / 86400.0, 0, 0.0, 0.0},
        {"3C000000 0000 16880000 00FF0000 00 61", 'a', 36161.0 + 60.0 / 86400.0, 0, 300.0,
         decodeDeviceFloat(0x00, 0xFF, 0, 0)},
    };
    for (const auto& c : cases) {
        const HistoryEvent6610 e = decode16(c.hex);
        EXPECT_EQ(e.Kind, c.kind) << c.hex;
        EXPECT_DOUBLE_EQ(e.When, c.when) << c.hex;
        EXPECT_EQ(e.Word, c.word) << c.hex;
        EXPECT_DOUBLE_EQ(e.NeutronValue, c.neutron) << c.hex;
        EXPECT_DOUBLE_EQ(e.Value, c.value) << c.hex;
    }
}

TEST(HistoryDecode6610, EveryWholeRecordCounts)
{
    auto events = std::make_unique<HistoryEvents6610>();
    QByteArray memory;
    memory += hexBytes("00000000 0100 00FF0000 00FF0000 00 41"); // huge values still count
    memory += hexBytes("00000000 0200 00000000 00000000 00 5A"); // unknown kind kept
    memory += hexBytes("00000000 0300 00000000 00000000 00 53");
    memory += QByteArray(15, '\x01');
    EXPECT_EQ(decodeHistoryMemory6610(bytesOf(memory), *events), 3);
    EXPECT_EQ((*events)[0].Kind, 'A');
    EXPECT_GT((*events)[0].Value, 1e38);
    EXPECT_EQ((*events)[1].Kind, 'Z');
    EXPECT_EQ((*events)[2].Word, 3);
    EXPECT_EQ((*events)[3].Kind, 0);

    memory = QByteArray(kHistoryMemoryLimit + 16, '\0');
    EXPECT_EQ(decodeHistoryMemory6610(bytesOf(memory), *events), kHistoryEventCapacity6610);
}

} // namespace
} // namespace qz
