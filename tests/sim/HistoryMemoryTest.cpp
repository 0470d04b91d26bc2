#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace qz::sim;
using namespace qz::sim::test;

namespace {

const QByteArray kFirst = hexBytes("83 00 05 B1 40");
const QByteArray kNext = hexBytes("83 00 03 B1 40");

QByteArray pattern(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out.append(char(i * 7 + 1));
    return out;
}

struct Part {
    uint8_t status;
    int length; // answer byte 2
    QByteArray data;
};

// Reads the history memory the way the program's loop does, keeping each answer's parts.
std::vector<Part> readParts(SimulatedLink& link, int capacity, int expected)
{
    std::vector<Part> parts;
    QByteArray request = kFirst;
    for (int guard = 0; guard < 600; ++guard) {
        const auto answer = exchange(link, request, capacity, expected);
        if (!answer || answer->size() < 6) {
            ADD_FAILURE() << "no usable answer to part " << parts.size();
            break;
        }
        const auto at = [&](int i) { return uint8_t(answer->at(i)); };
        const int dataLength = at(4) * 256 + at(5) - 3;
        EXPECT_EQ(at(1), 0);
        EXPECT_EQ(at(3), 0x72);
        EXPECT_EQ(at(2), answer->size());
        EXPECT_EQ(dataLength, answer->size() - 6);
        parts.push_back({at(0), at(2), answer->mid(6)});
        if (at(0) != 0x90)
            break;
        request = kNext;
    }
    return parts;
}

struct PartsCase {
    int historyBytes;
    int capacity;
    int expected;
    std::vector<int> partData; // data bytes of each part; all but the last come with 0x90
};

const PartsCase kPartsCases[] = {
    {160, 200, 64, {58, 58, 44}},          // 8-byte records, short parts
    {160, 200, 128, {122, 38}},            // 8-byte records, long parts
    {58, 200, 64, {58}},                   // exactly one full part: it is the last
    {59, 200, 64, {58, 1}},                //
    {160, 50, 64, {44, 44, 44, 28}},       // the capacity is below the expected length
    {400, 8192, 128, {122, 122, 122, 34}}, // K records: capacity 8192, 128 expected
    {0, 200, 64, {0}},                     // empty history: one last part with length field 3
};

} // namespace

TEST(HistoryMemory, PartsAreCutToTheExpectedLengthAndCapacity)
{
    for (const auto& c : kPartsCases) {
        SCOPED_TRACE(testing::Message() << c.historyBytes << " bytes, capacity " << c.capacity
                                        << ", expected " << c.expected);
        SimulatedLink link;
        SimInstrument& s = connectTo(link, SimInstrument(Family::GNBasic, "QZ5520GN", 1234));
        s.history = pattern(c.historyBytes);

        const std::vector<Part> parts = readParts(link, c.capacity, c.expected);
        ASSERT_EQ(parts.size(), c.partData.size());
        QByteArray collected;
        for (size_t i = 0; i < parts.size(); ++i) {
            const bool last = i + 1 == parts.size();
            EXPECT_EQ(parts[i].status, last ? 0xA0 : 0x90) << "part " << i;
            EXPECT_EQ(parts[i].data.size(), c.partData[i]) << "part " << i;
            collected += parts[i].data;
        }
        EXPECT_EQ(collected, s.history);

        const auto requests = link.transfers();
        ASSERT_EQ(size_t(requests.size()), parts.size());
        EXPECT_EQ(requests.front().request, kFirst);
        for (qsizetype i = 1; i < requests.size(); ++i)
            EXPECT_EQ(requests[i].request, kNext);
    }
}

TEST(HistoryMemory, EmptyHistoryIsOneLastAnswerWithLengthField3)
{
    SimulatedLink link;
    connectTo(link, SimInstrument(Family::K, "QZ6610K", 9));
    EXPECT_EQ(hexText(exchange(link, kFirst, 8192, 128).value_or(QByteArray())),
              "A0 00 06 72 00 03");
}

TEST(HistoryMemory, ContinuationOnlyWithinARead)
{
    SimulatedLink link;
    SimInstrument& s = connectTo(link, SimInstrument(Family::MBasic, "QZ5520M", 3));
    s.history = pattern(100);
    EXPECT_FALSE(exchange(link, kNext, 200, 64)) << "no read under way";
    ASSERT_EQ(uint8_t(exchange(link, kFirst, 200, 64).value_or("x").at(0)), 0x90);
    ASSERT_EQ(uint8_t(exchange(link, kNext, 200, 64).value_or("x").at(0)), 0xA0);
    EXPECT_FALSE(exchange(link, kNext, 200, 64)) << "the read has ended";
    // A new first request starts again from the beginning.
    EXPECT_EQ(exchange(link, kFirst, 200, 64).value_or(QByteArray()).mid(6), s.history.left(58));
    // Clearing in the middle of a read ends it, and the next read finds nothing.
    ASSERT_TRUE(exchange(link, hexBytes("82 00 05 B1 42"), 20, 3));
    EXPECT_FALSE(exchange(link, kNext, 200, 64));
    EXPECT_EQ(hexText(exchange(link, kFirst, 200, 64).value_or(QByteArray())), "A0 00 06 72 00 03");
}

TEST(HistoryMemory, NoPartFitsAnExpectedLengthOfSixOrLess)
{
    SimulatedLink link;
    SimInstrument& s = connectTo(link, SimInstrument(Family::MBasic, "QZ5520M", 3));
    s.history = pattern(8);
    EXPECT_FALSE(exchange(link, kFirst, 200, 6));
    EXPECT_FALSE(exchange(link, kFirst, 5, 64));
}

namespace {

struct RecordCase {
    const char* name;
    HistoryLayout layout;
    HistoryRecord record;
    const char* bytes;
};

HistoryRecord rec(char kind, qint64 count, uint16_t word = 0, uint8_t aux = 0, double value = 0,
                  double neutron = 0)
{
    HistoryRecord r;
    r.kind = kind;
    r.count = count;
    r.word = word;
    r.aux = aux;
    r.value = value;
    r.neutron = neutron;
    return r;
}

HistoryRecord at(HistoryRecord r, const QDateTime& when)
{
    r.when = when;
    return r;
}

const RecordCase kRecordCases[] = {
    {"O alarm", HistoryLayout::O, rec('A', 0x01020304, 1000, 7), "04 03 02 01 E8 03 41 07"},
    {"O minutes from a date-time", HistoryLayout::O,
     at(rec('N', 0), QDateTime(QDate(1999, 1, 2), QTime(0, 1, 59))), "A1 05 00 00 00 00 4E 00"},
    {"P value keeps d0 d1", HistoryLayout::P, rec('A', 0x010203, 0, 0, 1.5 + 1.0 / 1024),
     "03 02 01 41 40 80 00 00"},
    {"P negative value", HistoryLayout::P, rec('F', 0x010203, 0, 0, -10.0),
     "03 02 01 46 A0 83 00 00"},
    {"P gamma threshold change", HistoryLayout::P, rec('S', 0x010203, 0x0A14, 0),
     "03 02 01 53 14 0A 00 00"},
    {"P neutron threshold change", HistoryLayout::P, rec('S', 0x010203, 0x0A14, 1),
     "03 02 01 53 00 00 14 0A"},
    {"PG value and neutron", HistoryLayout::PG, rec('N', 0x010203, 0, 0, 300.0, -1.5),
     "03 02 01 4E 16 88 40 80"},
    {"PG sound change has no neutron", HistoryLayout::PG, rec('s', 5, 0x0301, 0, 0, 2.0),
     "05 00 00 73 01 03 00 00"},
    {"OG neutron keeps mantissa bit 7", HistoryLayout::OG,
     rec('F', 0x010203, 0x0102, 0, 0, -(1.0 + 1.0 / 128 + 1.0 / 65536)), "03 02 01 46 02 01 03 80"},
    {"K all fields", HistoryLayout::K, rec('G', 86400, 0x0102, 0, 1.5, 3.0),
     "80 51 01 00 02 01 40 81 00 00 40 80 00 00 00 47"},
    {"K seconds from a date-time", HistoryLayout::K,
     at(rec('0', 0), QDateTime(QDate(1999, 1, 1), QTime(0, 0, 3))),
     "03 00 00 00 00 00 00 00 00 00 00 00 00 00 00 30"},
};

} // namespace

TEST(HistoryMemory, RecordsEncodeIntoEachLayout)
{
    for (const auto& c : kRecordCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hexText(encodeHistoryRecord(c.record, c.layout)), hexText(hexBytes(c.bytes)));
    }
}

TEST(HistoryMemory, LayoutFollowsFamilyAndAnnouncedName)
{
    struct {
        Family family;
        const char* model;
        const char* announced;
        HistoryLayout layout;
    } const cases[] = {
        {Family::MBasic, "QZ5520M", "QZ5520M n: 77", HistoryLayout::O},
        {Family::GNBasic, "QZ5520GN", "QZ5520GN#1234", HistoryLayout::O},
        {Family::MExtended, "5520MO", "QZ5520MO#5", HistoryLayout::O},
        {Family::GNExtended, "6610GNO", "QZ6610GNO#8", HistoryLayout::OG},
        {Family::GNExtended, "5520GNO", "QZ_Pager_GN", HistoryLayout::PG},
        {Family::GNExtended, "5520GNO", "QZ_pager_GN", HistoryLayout::OG},
        {Family::MExtended, "QZ5520M-O1", "QZ_Pager_G", HistoryLayout::P},
        {Family::K, "QZ5520K", "QZ5520K#3", HistoryLayout::K},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.announced);
        SimInstrument s(c.family, c.model, 1, c.announced);
        EXPECT_EQ(s.layout, c.layout);
        s.appendHistory(rec('A', 1));
        s.appendHistory(rec('C', 2));
        EXPECT_EQ(s.historyRecordCount(), 2);
        EXPECT_EQ(s.history.size(), 2 * historyRecordSize(c.layout));
    }
}
