// Parameter blocks against the simulated instruments: what a write block puts into an
// instrument, the read block of the same family gets back, and the instrument keeps the
// flag bits the program does not own.

#include "SimTestSupport.h"

#include "common/platform/DateTimeDays.h"
#include "tray/link/ParameterBlocks.h"

#include <gtest/gtest.h>

using namespace qz;
using namespace qz::sim;
using namespace qz::sim::test;

namespace {

// Bits of the flag words that no block owns; they must survive every write.
constexpr uint16_t kForeignD4 = 0x0008;
constexpr uint16_t kForeignD3 = 0x4000;
constexpr uint16_t kForeignB7 = 0x0080;

const QDateTime kNow(QDate(2025, 6, 2), QTime(9, 0));

struct Bench {
    SimulatedLink link;
    SimInstrument* instrument = nullptr;
    DeviceProtocol protocol{link};
    CountingProgress progress;
    std::vector<int> unitLines;
    BlockEnv env{&progress, [this](int line) { unitLines.push_back(line); }};

    explicit Bench(SimInstrument s)
    {
        link.clock().setNow(kNow);
        instrument = &connectTo(link, std::move(s));
    }
};

#define EXPECT_FIELD(f) EXPECT_EQ(read.f, expected.f) << #f
#define EXPECT_REAL(f) EXPECT_DOUBLE_EQ(read.f, expected.f) << #f

SimInstrument mgInstrument(Family family, const char* model, bool unitBit, bool izmerBit,
                           bool advanced, const char* announced = "")
{
    SimInstrument s(family, model, 42, announced);
    s.setWord(0xD4, kForeignD4);
    s.setWord(0xD3, uint16_t(kForeignD3 | (unitBit ? 0x20 : 0) | (izmerBit ? 0x40 : 0)));
    s.setWord(0xD2, 8192); // 2.5 after the conversion
    s.setWord(0xC9, 1000);
    s.setMemoryWord(52, advanced ? 0x2007 : 0);
    s.setMemoryWord(54, 77);
    s.setMemoryWord(56, 33);
    return s;
}

void expectForeignBitsKept(const SimInstrument& s)
{
    EXPECT_EQ(s.word(0xD4) & kForeignD4, kForeignD4);
    EXPECT_EQ(s.word(0xD3) & kForeignD3, kForeignD3);
}

} // namespace

TEST(BlockRoundTrip, MBasic)
{
    T5520MParameters a;
    a.Reg91 = 0x0123;
    a.CoeffN = 1.3;
    a.HistTime = 15;
    a.En1s = a.En4s = a.Sound = a.Izmer = a.EnIzmN = true;
    T5520MParameters b;
    b.Reg91 = 0x3FFF;
    b.CoeffN = 25.5;
    b.HistTime = 60;
    b.En2s = b.Vibr = b.AutoCalibr = b.OnOffSign = b.CoefVar = true;

    for (const T5520MParameters& written : {a, b}) {
        SCOPED_TRACE(written.Reg91);
        Bench bench(mgInstrument(Family::MBasic, "QZ5520M", true, false, false));
        T5520MParameters w = written;
        ASSERT_TRUE(WriteMBlock(bench.protocol, w, bench.env))
            << bench.link.transcriptText().toStdString();
        T5520MParameters read;
        ASSERT_TRUE(ReadMBlock(bench.protocol, read, bench.env));

        T5520MParameters expected = written;
        expected.Unit = 2;
        expected.RegD2 = 2.5;
        expected.DateTime = dateTimeToDays(kNow);
        EXPECT_FIELD(Reg91);
        EXPECT_REAL(CoeffN);
        EXPECT_FIELD(HistTime);
        EXPECT_REAL(RegD2);
        EXPECT_NEAR(read.DateTime, expected.DateTime, 1e-9);
        EXPECT_FIELD(En1s);
        EXPECT_FIELD(En2s);
        EXPECT_FIELD(En4s);
        EXPECT_FIELD(Sound);
        EXPECT_FIELD(Vibr);
        EXPECT_FIELD(AutoCalibr);
        EXPECT_FIELD(OnOffSign);
        EXPECT_FIELD(Izmer);
        EXPECT_FIELD(EnIzmN);
        EXPECT_FIELD(CoefVar);
        EXPECT_FIELD(Unit);
        expectForeignBitsKept(*bench.instrument);
        EXPECT_TRUE(bench.instrument->unitFlag()) << "the unit selector is never written";
    }
}

namespace {

struct ExtCase {
    const char* name;
    bool unitBit;
    bool pager;
    bool advanced;
    double porog;
    double medGamma;
    double medGammaRead; // the cell holds MEDGamma x 100 when bit 5 is clear
    uint16_t cell42;     // what the instrument holds afterwards
};

const ExtCase kExtCases[] = {
    {"count threshold, bit 5 clear", false, false, false, 0.256, 0, 0, 100},
    {"count threshold, bit 5 set", true, false, false, 25.6, 0, 0, 100},
    {"advanced, bit 5 clear", false, false, true, 0.512, 1.5, 150, 200},
    {"advanced, bit 5 set", true, false, true, 0.512, 150, 150, 2},
    {"pager float threshold", false, true, false, 0.375 / 1024 / 1024, 0, 0, 36},
    {"pager threshold above 9000 counts", false, true, false, 1.0 / 8192, 0, 0, 0xFFFF},
};

} // namespace

TEST(BlockRoundTrip, MExtended)
{
    for (const auto& c : kExtCases) {
        SCOPED_TRACE(c.name);
        Bench bench(mgInstrument(Family::MExtended, "5520MO", c.unitBit, true, c.advanced,
                                 c.pager ? "QZ_Pager_G" : ""));
        T5520MParameters written;
        written.Reg91 = 0x0200;
        written.CoeffN = 0.7;
        written.HistTime = 30;
        written.Sound = written.En2s = written.AutoCalibr = true;
        written.RegistrG = written.QuickOff = written.EnIzmN = true;
        written.PagerName = c.pager;
        written.Advanced = c.advanced;
        written.PorogDER = c.porog;
        written.MEDGamma = c.medGamma;
        ASSERT_TRUE(WriteMExtBlock(bench.protocol, written, bench.env))
            << bench.link.transcriptText().toStdString();
        EXPECT_EQ(bench.instrument->memoryWord(42), c.cell42);

        T5520MParameters read;
        read.PagerName = c.pager;
        ASSERT_TRUE(ReadMExtBlock(bench.protocol, read, bench.env));
        T5520MParameters expected = written;
        expected.Izmer = true; // the instrument's, not written in this layout
        expected.Unit = c.unitBit ? 1 : 0;
        expected.MEDGamma = c.medGammaRead;
        EXPECT_FIELD(Reg91);
        EXPECT_REAL(CoeffN);
        EXPECT_FIELD(HistTime);
        EXPECT_FIELD(Sound);
        EXPECT_FIELD(Vibr);
        EXPECT_FIELD(En1s);
        EXPECT_FIELD(En2s);
        EXPECT_FIELD(En4s);
        EXPECT_FIELD(AutoCalibr);
        EXPECT_FIELD(RegistrG);
        EXPECT_FIELD(QuickOff);
        EXPECT_FIELD(OnOffSign);
        EXPECT_FIELD(EnIzmN);
        EXPECT_FIELD(Izmer);
        EXPECT_FIELD(Unit);
        EXPECT_FIELD(Advanced);
        EXPECT_REAL(MEDGamma);
        if (c.pager)
            EXPECT_REAL(PorogDER);
        else
            EXPECT_NEAR(read.PorogDER, expected.PorogDER, 1e-12);
        expectForeignBitsKept(*bench.instrument);
        EXPECT_EQ(bench.unitLines.back(), c.unitBit ? kUnitLineBit5Set : kUnitLineBit5Clear);
    }
}

TEST(BlockRoundTrip, GNBasic)
{
    for (const bool advanced : {false, true}) {
        SCOPED_TRACE(advanced);
        Bench bench(mgInstrument(Family::GNBasic, "QZ5520GN", false, false, advanced));
        bench.instrument->setMemoryWord(80, 0xAB00);
        bench.instrument->setMemoryWord(81, 0xCD00);
        T5520GNParameters written;
        written.Reg91 = 0x0040;
        written.CoeffN = 2.2;
        written.HistTime = 10;
        written.CoeffNN = 1.25;
        written.TIzmN = 17;
        written.Vibr = written.En4s = written.AutoCalibr = written.Izmer = written.CoefVar = true;
        written.MEDNetr = 9.9; // not written by the basic block
        ASSERT_TRUE(WriteGNBlock(bench.protocol, written, bench.env))
            << bench.link.transcriptText().toStdString();
        // The high bytes of the two cells belong to the instrument.
        EXPECT_EQ(bench.instrument->memoryWord(80), 0xAB11);
        EXPECT_EQ(bench.instrument->memoryWord(81), 0xCD14);

        T5520GNParameters read;
        ASSERT_TRUE(ReadGNBlock(bench.protocol, read, bench.env));
        T5520GNParameters expected = written;
        expected.RegD2 = 2.5;
        expected.Advanced = advanced;
        expected.MEDNetr = advanced ? 3.3 : 0.0;
        expected.MEDGamma = advanced ? 77.0 : 0.0;
        EXPECT_FIELD(Reg91);
        EXPECT_REAL(CoeffN);
        EXPECT_FIELD(HistTime);
        EXPECT_REAL(RegD2);
        EXPECT_REAL(CoeffNN);
        EXPECT_FIELD(TIzmN);
        EXPECT_FIELD(Sound);
        EXPECT_FIELD(Vibr);
        EXPECT_FIELD(En1s);
        EXPECT_FIELD(En2s);
        EXPECT_FIELD(En4s);
        EXPECT_FIELD(AutoCalibr);
        EXPECT_FIELD(OnOffSign);
        EXPECT_FIELD(Izmer);
        EXPECT_FIELD(EnIzmN);
        EXPECT_FIELD(CoefVar);
        EXPECT_FIELD(Advanced);
        EXPECT_REAL(MEDNetr);
        EXPECT_REAL(MEDGamma);
        EXPECT_EQ(read.Unit, 0) << "a basic read leaves Unit";
        expectForeignBitsKept(*bench.instrument);
    }
}

TEST(BlockRoundTrip, GNExtended)
{
    for (const auto& c : kExtCases) {
        SCOPED_TRACE(c.name);
        Bench bench(mgInstrument(Family::GNExtended, "5520GNO", c.unitBit, false, c.advanced,
                                 c.pager ? "QZ_Pager_GN" : ""));
        bench.instrument->setMemoryWord(32, 0x00EE);
        T5520GNParameters written;
        written.Reg91 = 0x1000;
        written.CoeffN = 3.1;
        written.HistTime = 5;
        written.CoeffNN = 1.2;
        written.Vibr = written.En1s = written.RegistrN = written.OnOffSign = true;
        written.PagerName = c.pager;
        written.Advanced = c.advanced;
        written.PorogDER = c.porog;
        written.MEDGamma = c.medGamma;
        written.MEDNetr = 4.5;
        ASSERT_TRUE(WriteGNExtBlock(bench.protocol, written, bench.env))
            << bench.link.transcriptText().toStdString();
        EXPECT_EQ(bench.instrument->memoryWord(32), 0x0CEE) << "low byte kept";
        EXPECT_EQ(bench.instrument->memoryWord(42), c.cell42);

        T5520GNParameters read;
        read.PagerName = c.pager;
        ASSERT_TRUE(ReadGNExtBlock(bench.protocol, read, bench.env));
        T5520GNParameters expected = written;
        expected.Unit = c.unitBit ? 1 : 0;
        expected.MEDGamma = c.medGammaRead;
        expected.MEDNetr = c.advanced ? 4.5 : 0.0;
        EXPECT_FIELD(Reg91);
        EXPECT_REAL(CoeffN);
        EXPECT_FIELD(HistTime);
        EXPECT_REAL(CoeffNN);
        EXPECT_FIELD(Sound);
        EXPECT_FIELD(Vibr);
        EXPECT_FIELD(En1s);
        EXPECT_FIELD(En2s);
        EXPECT_FIELD(En4s);
        EXPECT_FIELD(AutoCalibr);
        EXPECT_FIELD(RegistrG);
        EXPECT_FIELD(RegistrN);
        EXPECT_FIELD(QuickOff);
        EXPECT_FIELD(OnOffSign);
        EXPECT_FIELD(EnIzmN);
        EXPECT_FIELD(Izmer);
        EXPECT_FIELD(Unit);
        EXPECT_FIELD(Advanced);
        EXPECT_REAL(MEDGamma);
        EXPECT_REAL(MEDNetr);
        if (c.pager)
            EXPECT_REAL(PorogDER);
        else
            EXPECT_NEAR(read.PorogDER, expected.PorogDER, 1e-12);
        expectForeignBitsKept(*bench.instrument);
    }
}

TEST(BlockRoundTrip, K)
{
    struct {
        const char* name;
        int blockBytes; // 53: 59-byte answers, 50: the older 56-byte answers
        uint8_t modelCode;
        bool onOff;
        bool enPorog;
    } const cases[] = {
        {"newer block, 6610K", 53, 2, true, true},
        {"newer block, 5520K", 53, 1, true, false},
        {"older block", 50, 2, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimInstrument s(Family::K, c.modelCode == 1 ? "QZ5520K" : "QZ6610K", 9);
        s.setWord(0xB7, kForeignB7);
        s.settingsBlock = QByteArray(c.blockBytes, '\x5A');
        Bench bench(std::move(s));

        TKParameters written;
        written.HistSeconds = 90;
        written.DeltaHist = 3;
        written.DateTime = dateTimeToDays(QDateTime(QDate(2025, 7, 1), QTime(12, 34, 56)));
        written.CoeffN = 1.7;
        written.CoeffNN = 0.8125;
        written.PorogGeiger = 0.375;
        written.TIzmN = 12;
        written.Sound = written.En2s = written.AutoCalibr = true;
        written.OnOffSign = c.onOff;
        written.EnPorog = c.enPorog;
        written.ModelCode = c.modelCode;
        ASSERT_TRUE(WriteKBlock(bench.protocol, written, bench.env))
            << bench.link.transcriptText().toStdString();
        const SimInstrument& k = *bench.instrument;
        EXPECT_EQ(k.word(0x99), 3) << "DeltaHist goes last to register 0x99";
        EXPECT_EQ(k.word(0xB7) & kForeignB7, kForeignB7);
        const int shift = c.blockBytes == 53 ? 1 : 0;
        const char on = c.onOff ? char(0xFF) : 0;
        const char porog = c.enPorog ? char(0xFF) : 0;
        EXPECT_EQ(k.settingsBlock[14], on);
        EXPECT_EQ(k.settingsBlock[15], c.modelCode == 1 ? char(0) : on);
        for (int i : {21, 22, 25, 28})
            EXPECT_EQ(k.settingsBlock[i + shift], porog) << "block byte " << i + shift;
        EXPECT_EQ(k.settingsBlock[20 + shift], '\x5A') << "other block bytes as read";

        TKParameters read;
        ASSERT_TRUE(ReadKBlock(bench.protocol, read, bench.env));
        const TKParameters& expected = written;
        EXPECT_FIELD(HistSeconds);
        EXPECT_NEAR(read.DateTime, expected.DateTime, 1e-9);
        EXPECT_REAL(CoeffN);
        EXPECT_REAL(CoeffNN);
        EXPECT_REAL(PorogGeiger);
        EXPECT_FIELD(TIzmN);
        EXPECT_FIELD(Sound);
        EXPECT_FIELD(Vibr);
        EXPECT_FIELD(En1s);
        EXPECT_FIELD(En2s);
        EXPECT_FIELD(En4s);
        EXPECT_FIELD(AutoCalibr);
        EXPECT_FIELD(OnOffSign);
        EXPECT_FIELD(EnPorog);
        EXPECT_EQ(read.DeltaHist, 1);
        EXPECT_EQ(bench.protocol.BlockShift(), shift);
    }
}

TEST(BlockRoundTrip, ReadGNBlockExchangesInOrder)
{
    Bench bench(mgInstrument(Family::GNBasic, "QZ5520GN", false, false, true));
    bench.link.clearTranscript();
    T5520GNParameters read;
    ASSERT_TRUE(ReadGNBlock(bench.protocol, read, bench.env));

    const char* const expected[] = {
        "83 00 05 B1 91",
        "83 00 05 B1 90",
        "83 00 05 B1 D2",
        "83 00 05 B1 D1",
        "83 00 05 B1 D5",
        "82 00 0A B1 00 72 00 05 50 00", // TIzmN: cell 80
        "83 00 05 B1 9C",
        "82 00 0A B1 00 72 00 05 51 00", // CoeffNN: cell 81
        "83 00 05 B1 9C",
        "83 00 05 B1 D4",
        "83 00 05 B1 D3",
        "82 00 0A B1 00 72 00 05 34 00", // advanced marker: cell 52
        "83 00 05 B1 9C",
        "82 00 0A B1 00 72 00 05 38 00", // MEDNetr: cell 56
        "83 00 05 B1 9C",
        "82 00 0A B1 00 72 00 05 36 00", // MEDGamma: cell 54
        "83 00 05 B1 9C",
    };
    const auto transfers = bench.link.transfers();
    ASSERT_EQ(size_t(transfers.size()), std::size(expected))
        << bench.link.transcriptText().toStdString();
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const TranscriptEntry& t = transfers[qsizetype(i)];
        EXPECT_EQ(hexText(t.request), expected[i]);
        EXPECT_EQ(t.requestLength, t.request.size());
        EXPECT_EQ(t.expectedLength, t.request.at(0) == char(0x82) ? 3 : 8);
        EXPECT_TRUE(t.result);
    }
    // One step for each register step; the marker and cells 54 and 56 count none.
    EXPECT_EQ(bench.progress.steps, 9);
}
