#include "tray/link/ParameterBlocks.h"

#include "tests/link/FakeInstrument.h"
#include "tray/link/DeviceValues.h"

#include <gtest/gtest.h>

#include <QMap>

#include <algorithm>
#include <functional>
#include <set>
#include <type_traits>

using namespace qz;
using namespace qz::test;

namespace {

const double kClockDays = 36161.0 + 794432 / 1440.0; // minutes count 0x0C1F40

// All fields of a record as text, to compare whole records.
using Snapshot = QMap<QString, QString>;

QString t(double v)
{
    return QString::number(v, 'g', 15);
}

Snapshot snapshot(const T5520MParameters& r)
{
    return {
        {"Number", t(r.Number)},       {"Reg91", t(r.Reg91)},       {"RegD2", t(r.RegD2)},
        {"CoeffN", t(r.CoeffN)},       {"HistTime", t(r.HistTime)}, {"DateTime", t(r.DateTime)},
        {"En1s", t(r.En1s)},           {"En2s", t(r.En2s)},         {"En4s", t(r.En4s)},
        {"OnOffSign", t(r.OnOffSign)}, {"Sound", t(r.Sound)},       {"Vibr", t(r.Vibr)},
        {"Izmer", t(r.Izmer)},         {"RegistrG", t(r.RegistrG)}, {"QuickOff", t(r.QuickOff)},
        {"WinSearch", t(r.WinSearch)}, {"Unit", t(r.Unit)},         {"AutoCalibr", t(r.AutoCalibr)},
        {"EnIzmN", t(r.EnIzmN)},       {"CoefVar", t(r.CoefVar)},   {"PorogDER", t(r.PorogDER)},
        {"PagerName", t(r.PagerName)}, {"Advanced", t(r.Advanced)}, {"MEDNetr", t(r.MEDNetr)},
        {"MEDGamma", t(r.MEDGamma)}};
}

Snapshot snapshot(const T5520GNParameters& r)
{
    return {{"Number", t(r.Number)},       {"Reg91", t(r.Reg91)},
            {"RegD2", t(r.RegD2)},         {"CoeffN", t(r.CoeffN)},
            {"CoeffNN", t(r.CoeffNN)},     {"HistTime", t(r.HistTime)},
            {"DateTime", t(r.DateTime)},   {"En1s", t(r.En1s)},
            {"En2s", t(r.En2s)},           {"En4s", t(r.En4s)},
            {"OnOffSign", t(r.OnOffSign)}, {"Sound", t(r.Sound)},
            {"Vibr", t(r.Vibr)},           {"Izmer", t(r.Izmer)},
            {"RegistrG", t(r.RegistrG)},   {"QuickOff", t(r.QuickOff)},
            {"WinSearch", t(r.WinSearch)}, {"RegistrN", t(r.RegistrN)},
            {"Unit", t(r.Unit)},           {"AutoCalibr", t(r.AutoCalibr)},
            {"EnIzmN", t(r.EnIzmN)},       {"CoefVar", t(r.CoefVar)},
            {"TIzmN", t(r.TIzmN)},         {"PorogDER", t(r.PorogDER)},
            {"PagerName", t(r.PagerName)}, {"Advanced", t(r.Advanced)},
            {"MEDNetr", t(r.MEDNetr)},     {"MEDGamma", t(r.MEDGamma)}};
}

Snapshot snapshot(const TKParameters& r)
{
    return {{"Number", t(r.Number)},
            {"HistSeconds", t(r.HistSeconds)},
            {"DeltaHist", t(r.DeltaHist)},
            {"DateTime", t(r.DateTime)},
            {"CoeffN", t(r.CoeffN)},
            {"CoeffNN", t(r.CoeffNN)},
            {"PorogGeiger", t(r.PorogGeiger)},
            {"En1s", t(r.En1s)},
            {"En2s", t(r.En2s)},
            {"En4s", t(r.En4s)},
            {"OnOffSign", t(r.OnOffSign)},
            {"Sound", t(r.Sound)},
            {"Vibr", t(r.Vibr)},
            {"EnPorog", t(r.EnPorog)},
            {"AutoCalibr", t(r.AutoCalibr)},
            {"TIzmN", t(r.TIzmN)},
            {"ModelCode", t(r.ModelCode)}};
}

// An M or GN instrument with distinct, non-zero values everywhere.
FakeInstrument classicInstrument(bool bit5, bool advanced)
{
    FakeInstrument f;
    f.words = {{0x91, 0x0AB4}, {0x90, 123},    {0xD2, 8192},
               {0xD1, 30},     {0xD4, 0x9703}, {0xD3, uint16_t(0x2750 | (bit5 ? 0x20 : 0))},
               {0xC9, 1000}};
    f.longs = {{0xD5, {0x40, 0x1F, 0x0C, 0x00}}};
    f.memory = {{32, 0x0FAA}, {42, 500},     {52, advanced ? 0x2007 : 0x0000},
                {54, 150},    {56, 25},      {80, 0x1234},
                {81, 0x5628}, {102, 0x8816}, {104, 0x0000}};
    return f;
}

// A K instrument; the settings block answer is 59 bytes (shift 1) unless told otherwise.
FakeInstrument kInstrument(int blockBytes = 53)
{
    FakeInstrument f;
    f.settingsBlockFamily = true;
    f.words = {{0x98, 600}, {0xB5, 15}, {0xBC, 0x2805}, {0xB7, 0x1703}};
    f.longs = {{0x11, {0x01, 0xF4, 0x03, 0x00}}, {0xDC, {0x16, 0x88, 0x00, 0x00}}};
    for (int i = 0; i < blockBytes; ++i)
        f.settingsBlock.append(char(0x40 + i));
    return f;
}

struct BlockRun {
    bool ok = false;
    size_t exchanges = 0;
    int steps = 0;
    std::vector<int> unitLines;
    Snapshot record;
};

template <class Record> using Block = bool (*)(DeviceProtocol&, Record&, BlockEnv&);

template <class Record>
BlockRun run(Block<Record> block, FakeInstrument& fake, Record& record, int failAt = -1)
{
    ScriptedLink link;
    fake.attach(link);
    link.failAt = failAt;
    DeviceProtocol protocol(link);
    CountingProgress progress;
    BlockRun r;
    BlockEnv env{&progress, [&r](int line) { r.unitLines.push_back(line); }};
    r.ok = block(protocol, record, env);
    r.exchanges = link.requests.size();
    r.steps = progress.steps;
    r.record = snapshot(record);
    return r;
}

// A read block failing at each exchange in turn: it must stop there, report false, have
// stepped the progress once per register step completed, and hold exactly the fields whose
// exchanges had all succeeded.
template <class Record>
void checkReadStopsAtEachFailure(Block<Record> block, const std::function<FakeInstrument()>& make,
                                 const Record& start, const QMap<QString, int>& fieldExchanges,
                                 const std::vector<int>& stepAfter, size_t totalExchanges,
                                 int unitLineAfter)
{
    FakeInstrument fullFake = make();
    Record full = start;
    const BlockRun complete = run(block, fullFake, full);
    ASSERT_TRUE(complete.ok);
    ASSERT_EQ(complete.exchanges, totalExchanges);
    EXPECT_EQ(complete.steps, int(stepAfter.size()));
    const Snapshot before = snapshot(start);
    for (auto it = fieldExchanges.begin(); it != fieldExchanges.end(); ++it)
        ASSERT_NE(complete.record[it.key()], before[it.key()])
            << "fixture leaves " << it.key().toStdString();

    for (size_t k = 0; k < totalExchanges; ++k) {
        SCOPED_TRACE(testing::Message() << "exchange " << k << " fails");
        FakeInstrument fake = make();
        Record record = start;
        const BlockRun r = run(block, fake, record, int(k));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.exchanges, k + 1);
        int steps = 0;
        for (int s : stepAfter)
            steps += s <= int(k) ? 1 : 0;
        EXPECT_EQ(r.steps, steps);
        EXPECT_EQ(r.unitLines.size(), (unitLineAfter >= 0 && unitLineAfter <= int(k)) ? 1u : 0u);
        Snapshot expected = before;
        for (auto it = fieldExchanges.begin(); it != fieldExchanges.end(); ++it)
            if (it.value() <= int(k))
                expected[it.key()] = complete.record[it.key()];
        EXPECT_EQ(r.record, expected);
    }
}

QMap<QString, int> fields(std::initializer_list<std::pair<int, QStringList>> groups)
{
    QMap<QString, int> m;
    for (const auto& [exchanges, names] : groups)
        for (const QString& n : names)
            m[n] = exchanges;
    return m;
}

const QStringList kD4Fields = {"Sound", "Vibr", "En1s", "En2s", "En4s", "AutoCalibr"};

} // namespace

TEST(ReadBlocks, MBasicStopsAtTheFirstFailure)
{
    checkReadStopsAtEachFailure<T5520MParameters>(
        ReadMBlock, [] { return classicInstrument(true, true); }, T5520MParameters{},
        fields({{0, {"Unit"}},
                {1, {"Reg91"}},
                {2, {"CoeffN"}},
                {3, {"RegD2"}},
                {4, {"HistTime"}},
                {5, {"DateTime"}},
                {7, kD4Fields + QStringList{"Izmer", "OnOffSign", "EnIzmN", "CoefVar"}}}),
        {1, 2, 3, 4, 5, 6, 7}, 7, -1);
}

TEST(ReadBlocks, MExtendedStopsAtTheFirstFailure)
{
    checkReadStopsAtEachFailure<T5520MParameters>(
        ReadMExtBlock, [] { return classicInstrument(true, true); }, T5520MParameters{},
        fields({{1, {"Reg91"}},
                {2, {"CoeffN"}},
                {3, {"HistTime"}},
                {4, {"DateTime"}},
                {5, kD4Fields},
                {7, {"Advanced"}},
                {11, {"PorogDER", "Unit", "Izmer", "RegistrG", "OnOffSign", "EnIzmN", "QuickOff"}},
                {13, {"MEDGamma"}}}),
        {1, 2, 3, 4, 5, 8, 11}, 13, 11);
}

TEST(ReadBlocks, MExtendedPagerReadsTheThresholdAsDeviceFloat)
{
    T5520MParameters start;
    start.PagerName = true;
    checkReadStopsAtEachFailure<T5520MParameters>(
        ReadMExtBlock, [] { return classicInstrument(true, false); }, start,
        fields(
            {{1, {"Reg91"}},
             {2, {"CoeffN"}},
             {3, {"HistTime"}},
             {4, {"DateTime"}},
             {5, kD4Fields},
             {12, {"PorogDER", "Unit", "Izmer", "RegistrG", "OnOffSign", "EnIzmN", "QuickOff"}}}),
        {1, 2, 3, 4, 5, 8, 12}, 12, 12);
}

TEST(ReadBlocks, GNBasicStopsAtTheFirstFailure)
{
    checkReadStopsAtEachFailure<T5520GNParameters>(
        ReadGNBlock, [] { return classicInstrument(true, false); }, T5520GNParameters{},
        fields({{1, {"Reg91"}},
                {2, {"CoeffN"}},
                {3, {"RegD2"}},
                {4, {"HistTime"}},
                {5, {"DateTime"}},
                {7, {"TIzmN"}},
                {9, {"CoeffNN"}},
                {11, kD4Fields + QStringList{"Izmer", "OnOffSign", "EnIzmN", "CoefVar"}}}),
        {1, 2, 3, 4, 5, 7, 9, 10, 11}, 13, -1);
}

TEST(ReadBlocks, GNExtendedStopsAtTheFirstFailure)
{
    checkReadStopsAtEachFailure<T5520GNParameters>(
        ReadGNExtBlock, [] { return classicInstrument(true, false); }, T5520GNParameters{},
        fields({{1, {"Reg91"}},
                {2, {"CoeffN"}},
                {3, {"HistTime"}},
                {4, {"DateTime"}},
                {6, {"CoeffNN"}},
                {7, kD4Fields},
                {13,
                 {"PorogDER", "Unit", "Izmer", "RegistrG", "OnOffSign", "EnIzmN", "QuickOff",
                  "RegistrN"}}}),
        {1, 2, 3, 4, 6, 7, 10, 13}, 13, 13);
}

TEST(ReadBlocks, KStopsAtTheFirstFailure)
{
    checkReadStopsAtEachFailure<TKParameters>(
        ReadKBlock, [] { return kInstrument(); }, TKParameters{},
        fields({{1, {"HistSeconds"}},
                {2, {"DateTime"}},
                {3, {"CoeffN"}},
                {4, {"CoeffNN"}},
                {5, {"TIzmN"}},
                {6, {"PorogGeiger"}},
                {7, {"Sound", "Vibr", "En1s", "En2s", "En4s", "AutoCalibr"}},
                {8, {"OnOffSign", "EnPorog", "DeltaHist"}}}),
        {1, 2, 3, 4, 5, 6, 7, 8}, 8, -1);
}

TEST(ReadBlocks, ValuesAreConverted)
{
    FakeInstrument fake = classicInstrument(false, true);
    T5520GNParameters gn;
    ASSERT_TRUE(run<T5520GNParameters>(ReadGNBlock, fake, gn).ok);
    EXPECT_EQ(gn.Reg91, 0x0AB4 >> 2);
    EXPECT_DOUBLE_EQ(gn.CoeffN, 12.3);
    EXPECT_EQ(gn.RegD2, 2.5);
    EXPECT_EQ(gn.HistTime, 30);
    EXPECT_EQ(gn.DateTime, kClockDays);
    EXPECT_EQ(gn.TIzmN, 0x34);
    EXPECT_EQ(gn.CoeffNN, 2.5);
    EXPECT_TRUE(gn.Advanced);
    EXPECT_EQ(gn.MEDNetr, 2.5);
    EXPECT_EQ(gn.MEDGamma, 150.0);

    T5520GNParameters ext;
    ASSERT_TRUE(run<T5520GNParameters>(ReadGNExtBlock, fake, ext).ok);
    EXPECT_EQ(ext.CoeffNN, 1.5); // word 32 high byte / 10
    EXPECT_EQ(ext.Unit, 0);
    EXPECT_DOUBLE_EQ(ext.PorogDER, 500 * 2.56 / 1000);

    FakeInstrument k = kInstrument();
    TKParameters kr;
    ASSERT_TRUE(run<TKParameters>(ReadKBlock, k, kr).ok);
    EXPECT_EQ(kr.HistSeconds, 600);
    EXPECT_EQ(kr.DateTime, 36161.0 + 0x03F401 / 86400.0);
    EXPECT_EQ(kr.CoeffN, 1.5);
    EXPECT_EQ(kr.CoeffNN, 2.5);
    EXPECT_EQ(kr.TIzmN, 5);
    EXPECT_EQ(kr.PorogGeiger, 300.0);
    EXPECT_EQ(kr.DeltaHist, 1);
}

TEST(ReadBlocks, ThresholdAndUnitFollowBit5)
{
    struct ThresholdCase {
        bool pager;
        bool bit5;
        uint16_t divisor;
        double porog;
        int unit;
        int line;
    };
    const ThresholdCase cases[] = {
        {false, false, 1000, 500 * 2.56 / 1000, 0, 96},
        {false, true, 1000, 500 * 256.0 / 1000, 1, 95},
        {true, false, 1000, 300.0, 0, 96},
        {true, true, 1000, 300.0, 1, 95},
        // No divisor: the threshold reads as 0 instead of an infinite value.
        {false, true, 0, 0.0, 1, 95},
    };
    for (const ThresholdCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "pager " << c.pager << " bit5 " << c.bit5 << " W " << c.divisor);
        FakeInstrument fake = classicInstrument(c.bit5, false);
        fake.words[0xC9] = c.divisor;
        T5520MParameters m;
        m.PagerName = c.pager;
        m.PorogDER = -1;
        const BlockRun r = run<T5520MParameters>(ReadMExtBlock, fake, m);
        EXPECT_TRUE(r.ok);
        EXPECT_DOUBLE_EQ(m.PorogDER, c.porog);
        EXPECT_EQ(m.Unit, c.unit);
        EXPECT_EQ(r.unitLines, std::vector<int>{c.line});
    }
}

TEST(ReadBlocks, MBasicUnitIsTwoWhateverTheInstrumentSays)
{
    for (bool bit5 : {false, true}) {
        FakeInstrument fake = classicInstrument(bit5, false);
        T5520MParameters m;
        m.Unit = 1;
        const BlockRun r = run<T5520MParameters>(ReadMBlock, fake, m);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(m.Unit, 2);
        EXPECT_TRUE(r.unitLines.empty());
    }
    // The GN basic read leaves the unit as it was.
    FakeInstrument fake = classicInstrument(true, false);
    T5520GNParameters gn;
    gn.Unit = 7;
    ASSERT_TRUE(run<T5520GNParameters>(ReadGNBlock, fake, gn).ok);
    EXPECT_EQ(gn.Unit, 7);
}

TEST(ReadBlocks, GNMedCellFailuresAreIgnored)
{
    // Exchanges 13..16 of the basic read and 13..16 after the threshold of the extended read
    // are the cells 56 and 54; failing one loses only its field.
    struct GNCase {
        Block<T5520GNParameters> block;
        int firstMedExchange;
    };
    const GNCase cases[] = {{ReadGNBlock, 13}, {ReadGNExtBlock, 13}};
    for (const GNCase& c : cases) {
        for (int k = c.firstMedExchange; k < c.firstMedExchange + 4; ++k) {
            SCOPED_TRACE(k);
            FakeInstrument fake = classicInstrument(false, true);
            T5520GNParameters gn;
            gn.MEDNetr = -1;
            gn.MEDGamma = -1;
            const BlockRun r = run<T5520GNParameters>(c.block, fake, gn, k);
            EXPECT_TRUE(r.ok);
            const bool netrLost = k < c.firstMedExchange + 2;
            EXPECT_EQ(gn.MEDNetr, netrLost ? -1.0 : 2.5);
            EXPECT_EQ(gn.MEDGamma, netrLost ? 150.0 : -1.0);
        }
    }
    // The M family's extended read does not forgive it.
    FakeInstrument fake = classicInstrument(false, true);
    T5520MParameters m;
    EXPECT_FALSE(run<T5520MParameters>(ReadMExtBlock, fake, m, 12).ok);
}

namespace {

// Which record field each bit of the flag words stands for, per block.
struct FlagMap {
    const char* block;
    std::map<int, QString> d4; // or 0xB7 for the K family
    std::map<int, QString> d3;
    std::set<QString> readOnly;
};

const std::map<int, QString> kD4Basic = {{0, "Sound"}, {1, "Vibr"},  {8, "En1s"},
                                         {9, "En2s"},  {10, "En4s"}, {12, "AutoCalibr"}};
const std::map<int, QString> kD4Ext = {{0, "Sound"}, {1, "Vibr"},  {8, "En1s"},
                                       {9, "En2s"},  {10, "En4s"}, {15, "AutoCalibr"}};
const std::map<int, QString> kD3Basic = {
    {4, "CoefVar"}, {6, "Izmer"}, {9, "OnOffSign"}, {10, "EnIzmN"}};
const std::map<int, QString> kD3MExt = {
    {6, "Izmer"}, {8, "RegistrG"}, {9, "OnOffSign"}, {10, "EnIzmN"}, {13, "QuickOff"}};
std::map<int, QString> gnExtD3()
{
    auto m = kD3MExt;
    m[4] = "RegistrN";
    return m;
}

template <class Record> QStringList trueFlags(const Record& r)
{
    QStringList names;
    const Snapshot s = snapshot(r);
    for (auto it = s.begin(); it != s.end(); ++it)
        if (it.value() == "1" && it.key() != "Unit" && it.key() != "DeltaHist")
            names << it.key();
    return names;
}

template <class Record> void setFlag(Record& r, const QString& name)
{
    // Through the snapshot's names, so the table above is the only place naming the bits.
    bool* target = nullptr;
    if (name == "Sound")
        target = &r.Sound;
    else if (name == "Vibr")
        target = &r.Vibr;
    else if (name == "En1s")
        target = &r.En1s;
    else if (name == "En2s")
        target = &r.En2s;
    else if (name == "En4s")
        target = &r.En4s;
    else if (name == "AutoCalibr")
        target = &r.AutoCalibr;
    else if (name == "OnOffSign")
        target = &r.OnOffSign;
    if constexpr (!std::is_same_v<Record, TKParameters>) {
        if (name == "CoefVar")
            target = &r.CoefVar;
        else if (name == "Izmer")
            target = &r.Izmer;
        else if (name == "EnIzmN")
            target = &r.EnIzmN;
        else if (name == "RegistrG")
            target = &r.RegistrG;
        else if (name == "QuickOff")
            target = &r.QuickOff;
    }
    if constexpr (std::is_same_v<Record, T5520GNParameters>) {
        if (name == "RegistrN")
            target = &r.RegistrN;
    }
    ASSERT_NE(target, nullptr) << name.toStdString();
    *target = true;
}

template <class Record>
void checkFlagMapping(const FlagMap& map, Block<Record> read, Block<Record> write,
                      const std::function<FakeInstrument()>& make, uint8_t regD4, uint8_t regD3)
{
    SCOPED_TRACE(map.block);
    const std::pair<uint8_t, const std::map<int, QString>*> regs[] = {{regD4, &map.d4},
                                                                      {regD3, &map.d3}};
    // Reading: one bit at a time lights exactly its field.
    for (const auto& [reg, bits] : regs) {
        if (reg == 0)
            continue;
        for (int bit = 0; bit < 16; ++bit) {
            SCOPED_TRACE(testing::Message() << "read register " << int(reg) << " bit " << bit);
            FakeInstrument fake = make();
            fake.words[regD4] = 0;
            if (regD3)
                fake.words[regD3] = 0;
            fake.words[reg] = uint16_t(1u << bit);
            Record r;
            ASSERT_TRUE(run<Record>(read, fake, r).ok);
            QStringList expected;
            if (const auto it = bits->find(bit); it != bits->end())
                expected << it->second;
            EXPECT_EQ(trueFlags(r), expected);
        }
    }
    // Writing: each field sets exactly its bit (read-only ones none), on a zero word.
    std::set<QString> names;
    for (const auto& [reg, bits] : regs)
        for (const auto& [bit, name] : *bits)
            names.insert(name);
    for (const QString& name : names) {
        SCOPED_TRACE("write " + name.toStdString());
        FakeInstrument fake = make();
        fake.words[regD4] = 0;
        if (regD3)
            fake.words[regD3] = 0;
        Record r;
        setFlag(r, name);
        ASSERT_TRUE(run<Record>(write, fake, r).ok);
        for (const auto& [reg, bits] : regs) {
            if (reg == 0)
                continue;
            uint16_t expected = 0;
            for (const auto& [bit, n] : *bits)
                if (n == name && !map.readOnly.count(name))
                    expected = uint16_t(1u << bit);
            EXPECT_EQ(fake.words[reg], expected) << "register " << int(reg);
        }
    }
    // Writing clears or sets only the bits the block owns; the others, the unit selector and
    // read-only flags among them, keep what the instrument had.
    std::map<uint8_t, uint16_t> owned;
    for (const auto& [reg, bits] : regs)
        for (const auto& [bit, name] : *bits)
            if (!map.readOnly.count(name))
                owned[reg] = uint16_t(owned[reg] | (1u << bit));
    for (const bool instrumentAllSet : {false, true}) {
        SCOPED_TRACE(instrumentAllSet ? "all bits set, record all false"
                                      : "no bits set, record all true");
        FakeInstrument fake = make();
        Record r;
        for (const auto& [reg, bits] : regs) {
            if (reg == 0)
                continue;
            fake.words[reg] = instrumentAllSet ? 0xFFFF : 0x0000;
            if (!instrumentAllSet)
                for (const auto& [bit, name] : *bits)
                    if (!map.readOnly.count(name))
                        setFlag(r, name);
        }
        ASSERT_TRUE(run<Record>(write, fake, r).ok);
        for (const auto& [reg, bits] : regs) {
            if (reg != 0) {
                EXPECT_EQ(fake.words[reg], instrumentAllSet ? uint16_t(~owned[reg]) : owned[reg])
                    << "register " << int(reg);
            }
        }
    }
}

} // namespace

TEST(FlagWords, EachBitMapsToItsFieldAndUnownedBitsSurviveAWrite)
{
    const auto classic = [] { return classicInstrument(false, false); };
    checkFlagMapping<T5520MParameters>({"M basic", kD4Basic, kD3Basic, {}}, ReadMBlock, WriteMBlock,
                                       classic, 0xD4, 0xD3);
    checkFlagMapping<T5520MParameters>({"M extended", kD4Ext, kD3MExt, {"Izmer"}}, ReadMExtBlock,
                                       WriteMExtBlock, classic, 0xD4, 0xD3);
    checkFlagMapping<T5520GNParameters>({"GN basic", kD4Basic, kD3Basic, {}}, ReadGNBlock,
                                        WriteGNBlock, classic, 0xD4, 0xD3);
    checkFlagMapping<T5520GNParameters>({"GN extended", kD4Ext, gnExtD3(), {"Izmer"}},
                                        ReadGNExtBlock, WriteGNExtBlock, classic, 0xD4, 0xD3);
    // The K instrument's settings block carries two more flags; cleared here so that only the
    // flag word speaks.
    const auto k = [] {
        FakeInstrument f = kInstrument();
        f.settingsBlock.fill('\0');
        return f;
    };
    checkFlagMapping<TKParameters>({"K", kD4Basic, {}, {}}, ReadKBlock, WriteKBlock, k, 0xB7, 0);
}

namespace {

template <class Record>
void checkWriteStopsAtEachFailure(Block<Record> block, const std::function<FakeInstrument()>& make,
                                  const Record& record, const std::set<int>& forgiven)
{
    FakeInstrument fullFake = make();
    Record full = record;
    const BlockRun complete = run(block, fullFake, full);
    ASSERT_TRUE(complete.ok);
    for (size_t k = 0; k < complete.exchanges; ++k) {
        SCOPED_TRACE(testing::Message() << "exchange " << k << " fails");
        FakeInstrument fake = make();
        Record r = record;
        const BlockRun result = run(block, fake, r, int(k));
        if (forgiven.count(int(k))) {
            EXPECT_TRUE(result.ok);
        } else {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.exchanges, k + 1);
        }
        EXPECT_EQ(result.steps, 0); // only reading blocks step the progress
    }
}

} // namespace

TEST(WriteBlocks, StopAtTheFirstFailure)
{
    const auto classic = [] { return classicInstrument(false, false); };
    T5520MParameters m;
    checkWriteStopsAtEachFailure<T5520MParameters>(WriteMBlock, classic, m, {});
    m.Advanced = true;
    // Exchanges 8..11 are the cells 56 and 54, whose failures are forgiven.
    checkWriteStopsAtEachFailure<T5520MParameters>(WriteMExtBlock, classic, m, {8, 9, 10, 11});
    T5520GNParameters gn;
    checkWriteStopsAtEachFailure<T5520GNParameters>(WriteGNBlock, classic, gn, {});
    gn.PagerName = true;
    checkWriteStopsAtEachFailure<T5520GNParameters>(WriteGNExtBlock, classic, gn, {});
    TKParameters k;
    checkWriteStopsAtEachFailure<TKParameters>(WriteKBlock, [] { return kInstrument(); }, k, {});
}

TEST(WriteBlocks, ThresholdCountByUnitAndPagerName)
{
    struct ThresholdCase {
        bool pager;
        bool bit5;
        uint16_t divisor;
        double porog;
        uint16_t count;
    };
    const ThresholdCase cases[] = {
        {true, false, 1000, 1e-7, 10},
        {true, false, 1000, 1e-4, 0xFFFF}, // above 9000: the instrument's "no threshold"
        {true, true, 1000, 5e-6, 5},
        {true, false, 1000, 0.0, 0},
        {false, false, 1000, 2.56, 1000},
        {false, true, 1000, 0.512, 2},
        {false, true, 3, 1e9, 0xFFFF}, // beyond a word: the largest count, not a wrapped one
    };
    for (const ThresholdCase& c : cases) {
        for (const bool gnFamily : {false, true}) {
            SCOPED_TRACE(testing::Message() << (gnFamily ? "GN" : "M") << " pager " << c.pager
                                            << " bit5 " << c.bit5 << " porog " << c.porog);
            FakeInstrument fake = classicInstrument(c.bit5, false);
            fake.words[0xC9] = c.divisor;
            BlockRun r;
            if (gnFamily) {
                T5520GNParameters gn;
                gn.PagerName = c.pager;
                gn.PorogDER = c.porog;
                r = run<T5520GNParameters>(WriteGNExtBlock, fake, gn);
                EXPECT_EQ(gn.Unit, c.bit5 ? 1 : 0);
            } else {
                T5520MParameters m;
                m.PagerName = c.pager;
                m.PorogDER = c.porog;
                r = run<T5520MParameters>(WriteMExtBlock, fake, m);
                EXPECT_EQ(m.Unit, c.bit5 ? 1 : 0);
            }
            ASSERT_TRUE(r.ok);
            EXPECT_EQ(r.unitLines, std::vector<int>{c.bit5 ? 95 : 96});
            EXPECT_EQ(fake.memory[42], c.count);
            if (c.pager) {
                const DeviceFloatBytes b = encodeDeviceFloat(c.porog);
                EXPECT_EQ(fake.memory[102], b[0] | b[1] << 8);
                EXPECT_EQ(fake.memory[104], b[2] | b[3] << 8);
            } else {
                EXPECT_EQ(fake.memory[102], 0x8816); // untouched
            }
        }
    }
}

TEST(WriteBlocks, ZeroDivisorWritesNoThreshold)
{
    for (const bool pager : {false, true}) {
        SCOPED_TRACE(pager);
        FakeInstrument fake = classicInstrument(false, false);
        fake.words[0xC9] = 0;
        const auto memoryBefore = fake.memory;
        T5520MParameters m;
        m.PagerName = pager;
        m.Advanced = true;
        m.PorogDER = 1e-7;
        const BlockRun r = run<T5520MParameters>(WriteMExtBlock, fake, m);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(fake.memory, memoryBefore);
        EXPECT_EQ(fake.written.back(), 0xD3); // the flag words went, then the divisor read
        EXPECT_TRUE(r.unitLines.empty());
    }
}

TEST(WriteBlocks, MedCellsScaleByUnit)
{
    struct MedCase {
        bool advanced;
        bool bit5;
        double gamma;
        double netr;
        uint16_t cell54;
        uint16_t cell56;
    };
    const MedCase cases[] = {
        {true, false, 1.5, 2.5, 150, 25},
        {true, true, 150.0, 0.25, 150, 2}, // 2.5 rounds to the even 2
        {false, false, 1.5, 2.5, 150, 25}, // not advanced: cells keep the instrument's values
    };
    for (const MedCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "advanced " << c.advanced << " bit5 " << c.bit5);
        FakeInstrument fm = classicInstrument(c.bit5, false);
        fm.memory[54] = 150;
        fm.memory[56] = 25;
        T5520MParameters m;
        m.Advanced = c.advanced;
        m.MEDGamma = c.advanced ? c.gamma : 7;
        m.MEDNetr = c.advanced ? c.netr : 7;
        ASSERT_TRUE(run<T5520MParameters>(WriteMExtBlock, fm, m).ok);
        EXPECT_EQ(fm.memory[54], c.cell54);
        EXPECT_EQ(fm.memory[56], c.cell56);

        FakeInstrument fg = classicInstrument(c.bit5, false);
        fg.memory[54] = 150;
        fg.memory[56] = 25;
        T5520GNParameters gn;
        gn.Advanced = c.advanced;
        gn.MEDGamma = m.MEDGamma;
        gn.MEDNetr = m.MEDNetr;
        ASSERT_TRUE(run<T5520GNParameters>(WriteGNExtBlock, fg, gn).ok);
        EXPECT_EQ(fg.memory[54], c.cell54);
        EXPECT_EQ(fg.memory[56], c.cell56);
    }
}

TEST(WriteBlocks, RegistersAndCellsWritten)
{
    FakeInstrument fake = classicInstrument(false, true);
    T5520GNParameters gn;
    gn.Reg91 = 0x2AD;
    gn.CoeffN = 4.2;
    gn.HistTime = 15;
    gn.CoeffNN = 3.0625; // 49 sixteenths
    gn.TIzmN = 0x7F;
    gn.Advanced = true;
    gn.MEDGamma = 9;
    ASSERT_TRUE(run<T5520GNParameters>(WriteGNBlock, fake, gn).ok);
    EXPECT_EQ(fake.words[0x91], 0x0AB4);
    EXPECT_EQ(fake.words[0x90], 42);
    EXPECT_EQ(fake.words[0xD1], 15);
    EXPECT_EQ(fake.memory[81], 0x5631); // high byte kept
    EXPECT_EQ(fake.memory[80], 0x127F); // high byte kept
    EXPECT_EQ(fake.memory[54], 150);    // the basic write leaves the MED cells alone
    EXPECT_EQ(fake.memory[56], 25);

    FakeInstrument ext = classicInstrument(false, false);
    gn.CoeffNN = 2.5;
    ASSERT_TRUE(run<T5520GNParameters>(WriteGNExtBlock, ext, gn).ok);
    EXPECT_EQ(ext.memory[32], 0x19AA); // high byte 25, low byte kept
    EXPECT_EQ(ext.memory[81], 0x5628);

    // The clock is not part of a block write; it is set separately.
    EXPECT_EQ(std::count(fake.written.begin(), fake.written.end(), 0xD5), 0);
}

TEST(WriteBlocks, KWriteSequenceAndSettingsBlock)
{
    struct KCase {
        int blockBytes; // 53: 59-byte answer, shift 1; 50: 56-byte answer, shift 0
        uint8_t modelCode;
        bool onOff;
        bool enPorog;
    };
    const KCase cases[] = {
        {53, 1, true, false},
        {53, 2, true, true},
        {50, 2, false, true},
        {50, 1, true, true},
    };
    for (const KCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.blockBytes << " bytes, model " << int(c.modelCode)
                                        << ", on/off " << c.onOff << ", porog " << c.enPorog);
        FakeInstrument fake = kInstrument(c.blockBytes);
        const QByteArray original = fake.settingsBlock;
        TKParameters k;
        k.HistSeconds = 300;
        k.DeltaHist = 1;
        k.DateTime = 36161.0 + 0x03F401 / 86400.0;
        k.CoeffN = 1.5;
        k.CoeffNN = 2.5;
        k.TIzmN = 5;
        k.PorogGeiger = 300.0;
        k.OnOffSign = c.onOff;
        k.EnPorog = c.enPorog;
        k.ModelCode = c.modelCode;
        ASSERT_TRUE(run<TKParameters>(WriteKBlock, fake, k).ok);

        EXPECT_EQ(fake.written,
                  (std::vector<uint8_t>{0x98, 0x99, 0x11, 0xB5, 0xBC, 0xB7, 0x99, 0xDC, 0xD1}));
        EXPECT_EQ(fake.words[0x98], 300);
        EXPECT_EQ(fake.words[0x99], 1); // DeltaHist goes last
        EXPECT_EQ(fake.words[0xB5], 15);
        EXPECT_EQ(fake.words[0xBC], 0x2805);
        EXPECT_EQ(fake.longs[0x11], (std::array<uint8_t, 4>{0x01, 0xF4, 0x03, 0x00}));
        EXPECT_EQ(fake.longs[0xDC], (std::array<uint8_t, 4>{0x16, 0x88, 0x00, 0x00}));

        const int s = c.blockBytes == 50 ? 0 : 1;
        QByteArray expected = original.left(51);
        expected.append(QByteArray(51 - expected.size(), '\0')); // the short layout's 51st byte
        const char on = c.onOff ? char(0xFF) : char(0);
        const char porog = c.enPorog ? char(0xFF) : char(0);
        expected[14] = on;
        expected[15] = c.modelCode == 1 ? char(0) : on;
        for (int i : {21, 22, 25, 28})
            expected[i + s] = porog;
        EXPECT_EQ(fake.settingsBlock.toHex(' '), expected.toHex(' '));
    }
}

TEST(WriteBlocks, NullEnvironmentIsAllowed)
{
    FakeInstrument fake = classicInstrument(true, true);
    ScriptedLink link;
    fake.attach(link);
    DeviceProtocol protocol(link);
    BlockEnv env;
    T5520MParameters m;
    EXPECT_TRUE(ReadMExtBlock(protocol, m, env));
    EXPECT_TRUE(WriteMExtBlock(protocol, m, env));
}
