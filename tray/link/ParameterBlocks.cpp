#include "tray/link/ParameterBlocks.h"

#include <type_traits>

namespace qz {

namespace {

// Bits of flag word 0xD4.
constexpr int kSound = 0;
constexpr int kVibr = 1;
constexpr int kEn1s = 8;
constexpr int kEn2s = 9;
constexpr int kEn4s = 10;
constexpr int kAutoCalibrBasic = 12;
constexpr int kAutoCalibrExt = 15;
// Bits of flag word 0xD3.
constexpr int kCoefVarOrRegistrN = 4;
constexpr int kUnitSelector = 5;
constexpr int kIzmer = 6;
constexpr int kRegistrG = 8;
constexpr int kOnOffSign = 9;
constexpr int kEnIzmN = 10;
constexpr int kQuickOff = 13;
// Bits of the K family's flag word 0xB7.
constexpr int kAutoCalibrK = 12;

// Settings block bytes of the K family; the ones from 21 on move with BlockShift.
constexpr int kBlockOnOffSign = 14;
constexpr int kBlockOnOffSignFollower = 15;
constexpr int kBlockEnPorog = 21;
constexpr int kBlockEnPorogFollowers[] = {22, 25, 28};

// The threshold count converts with this factor for the unit selected by D3 bit 5.
constexpr double kFactorBit5Clear = 2.56;
constexpr double kFactorBit5Set = 256.0;

bool bit(uint16_t word, int n)
{
    return (word >> n) & 1u;
}

void setBit(uint16_t& word, int n, bool on)
{
    if (on)
        word = static_cast<uint16_t>(word | (1u << n));
    else
        word = static_cast<uint16_t>(word & ~(1u << n));
}

void step(BlockEnv& env)
{
    if (env.progress)
        env.progress->ProgressStep();
}

void reportUnit(BlockEnv& env, bool bit5)
{
    if (env.setUnitLine)
        env.setUnitLine(bit5 ? kUnitLineBit5Set : kUnitLineBit5Clear);
}

enum class Layout { Basic, Extended };

template <class Record> void takeD4(Record& r, uint16_t w, Layout layout)
{
    r.Sound = bit(w, kSound);
    r.Vibr = bit(w, kVibr);
    r.En1s = bit(w, kEn1s);
    r.En2s = bit(w, kEn2s);
    r.En4s = bit(w, kEn4s);
    r.AutoCalibr = bit(w, layout == Layout::Basic ? kAutoCalibrBasic : kAutoCalibrExt);
}

template <class Record> uint16_t putD4(const Record& r, uint16_t w, Layout layout)
{
    setBit(w, kSound, r.Sound);
    setBit(w, kVibr, r.Vibr);
    setBit(w, kEn1s, r.En1s);
    setBit(w, kEn2s, r.En2s);
    setBit(w, kEn4s, r.En4s);
    setBit(w, layout == Layout::Basic ? kAutoCalibrBasic : kAutoCalibrExt, r.AutoCalibr);
    return w;
}

template <class Record> void takeD3(Record& r, uint16_t w, Layout layout)
{
    r.Izmer = bit(w, kIzmer);
    r.OnOffSign = bit(w, kOnOffSign);
    r.EnIzmN = bit(w, kEnIzmN);
    if (layout == Layout::Basic) {
        r.CoefVar = bit(w, kCoefVarOrRegistrN);
    } else {
        r.RegistrG = bit(w, kRegistrG);
        r.QuickOff = bit(w, kQuickOff);
        if constexpr (std::is_same_v<Record, T5520GNParameters>)
            r.RegistrN = bit(w, kCoefVarOrRegistrN);
    }
}

// Bit 5 (the unit selector) is never touched; in the extended layout neither is Izmer,
// which the instrument owns there.
template <class Record> uint16_t putD3(const Record& r, uint16_t w, Layout layout)
{
    setBit(w, kOnOffSign, r.OnOffSign);
    setBit(w, kEnIzmN, r.EnIzmN);
    if (layout == Layout::Basic) {
        setBit(w, kCoefVarOrRegistrN, r.CoefVar);
        setBit(w, kIzmer, r.Izmer);
    } else {
        setBit(w, kRegistrG, r.RegistrG);
        setBit(w, kQuickOff, r.QuickOff);
        if constexpr (std::is_same_v<Record, T5520GNParameters>)
            setBit(w, kCoefVarOrRegistrN, r.RegistrN);
    }
    return w;
}

template <class Record>
bool writeFlagWords(DeviceProtocol& p, const Record& r, Layout layout, uint16_t* d3Written)
{
    uint16_t d4, d3;
    if (!p.ReadFlagsD4(d4) || !p.WriteFlagsD4(putD4(r, d4, layout)))
        return false;
    if (!p.ReadFlagsD3(d3))
        return false;
    d3 = putD3(r, d3, layout);
    if (!p.WriteFlagsD3(d3))
        return false;
    if (d3Written)
        *d3Written = d3;
    return true;
}

// The dose-rate threshold of the extended layouts, read after flag word 0xD3. Pager-named
// instruments keep it as a device float; the others as a count to be scaled by the divisor
// in register 0xC9.
template <class Record> bool readThreshold(DeviceProtocol& p, Record& r, uint16_t d3, BlockEnv& env)
{
    const bool bit5 = bit(d3, kUnitSelector);
    if (r.PagerName) {
        if (!p.ReadCellFloat102(r.PorogDER))
            return false;
    } else {
        uint16_t divisor, count;
        if (!p.ReadRegC9(divisor) || !p.ReadCell42(count))
            return false;
        // An instrument answering a zero divisor has no threshold we could compute; it is
        // shown as 0 rather than an infinite or undefined value, and the rest of the
        // instrument (clock, history) stays readable.
        const double factor = bit5 ? kFactorBit5Set : kFactorBit5Clear;
        r.PorogDER = divisor == 0 ? 0.0 : count * factor / divisor;
    }
    r.Unit = bit5 ? 1 : 0;
    reportUnit(env, bit5);
    step(env);
    return true;
}

template <class Record> bool readExtended(DeviceProtocol& p, Record& r, BlockEnv& env)
{
    if (!p.ReadReg91(r.Reg91))
        return false;
    step(env);
    if (!p.ReadCoeffN(r.CoeffN))
        return false;
    step(env);
    if (!p.ReadHistTime(r.HistTime))
        return false;
    step(env);
    if (!p.ReadDeviceClock(r.DateTime))
        return false;
    step(env);
    if constexpr (std::is_same_v<Record, T5520GNParameters>) {
        if (!p.ReadCell32(r.CoeffNN))
            return false;
        step(env);
    }
    uint16_t d4, d3;
    if (!p.ReadFlagsD4(d4))
        return false;
    takeD4(r, d4, Layout::Extended);
    step(env);
    if (!p.AdvancedMarker(r.Advanced))
        return false;
    if (!p.ReadFlagsD3(d3))
        return false;
    step(env);
    if (!readThreshold(p, r, d3, env))
        return false;
    takeD3(r, d3, Layout::Extended);
    if (r.Advanced) {
        if constexpr (std::is_same_v<Record, T5520GNParameters>) {
            // GN instruments without these cells still read; the fields then keep their value.
            p.ReadCell56(r.MEDNetr);
            p.ReadCell54(r.MEDGamma);
        } else {
            if (!p.ReadCell54(r.MEDGamma))
                return false;
        }
    }
    return true;
}

template <class Record> bool writeExtended(DeviceProtocol& p, Record& r, BlockEnv& env)
{
    if (!p.WriteReg91(r.Reg91) || !p.WriteCoeffN(r.CoeffN) || !p.WriteHistTime(r.HistTime))
        return false;
    if constexpr (std::is_same_v<Record, T5520GNParameters>) {
        if (!p.WriteCell32(r.CoeffNN))
            return false;
    }
    uint16_t d3 = 0;
    if (!writeFlagWords(p, r, Layout::Extended, &d3))
        return false;
    uint16_t divisor;
    if (!p.ReadRegC9(divisor))
        return false;
    // Every threshold value below is scaled by this divisor. With 0 the instrument would get
    // a count computed from nothing (0, or "off" for pager-named ones), so the write stops
    // here and reports failure instead of pretending the threshold was set.
    if (divisor == 0)
        return false;
    const bool bit5 = bit(d3, kUnitSelector);
    if (r.Advanced) {
        // Instruments without these cells still take the rest of the settings.
        p.WriteCell56(r.MEDNetr);
        p.WriteCell54(bit5 ? r.MEDGamma : r.MEDGamma * 100.0);
    }
    r.Unit = bit5 ? 1 : 0;
    reportUnit(env, bit5);
    if (r.PagerName) {
        const double x = r.PorogDER * (bit5 ? 1e9 : 1e11) / divisor;
        const uint16_t count = x > 9000.0 ? 0xFFFF : toWordSaturated(x);
        return p.WriteCell42(count) && p.WriteCellFloat102(r.PorogDER);
    }
    const double factor = bit5 ? kFactorBit5Set : kFactorBit5Clear;
    return p.WriteCell42(toWordSaturated(divisor * r.PorogDER / factor));
}

} // namespace

bool ReadMBlock(DeviceProtocol& p, T5520MParameters& r, BlockEnv& env)
{
    // The basic layout has no unit selector the program could trust.
    r.Unit = 2;
    if (!p.ReadReg91(r.Reg91))
        return false;
    step(env);
    if (!p.ReadCoeffN(r.CoeffN))
        return false;
    step(env);
    if (!p.ReadRegD2(r.RegD2))
        return false;
    step(env);
    if (!p.ReadHistTime(r.HistTime))
        return false;
    step(env);
    if (!p.ReadDeviceClock(r.DateTime))
        return false;
    step(env);
    uint16_t d4, d3;
    if (!p.ReadFlagsD4(d4))
        return false;
    step(env);
    if (!p.ReadFlagsD3(d3))
        return false;
    step(env);
    takeD4(r, d4, Layout::Basic);
    takeD3(r, d3, Layout::Basic);
    return true;
}

bool WriteMBlock(DeviceProtocol& p, T5520MParameters& r, BlockEnv&)
{
    return p.WriteReg91(r.Reg91) && p.WriteCoeffN(r.CoeffN) && p.WriteHistTime(r.HistTime) &&
           writeFlagWords(p, r, Layout::Basic, nullptr);
}

bool ReadMExtBlock(DeviceProtocol& p, T5520MParameters& r, BlockEnv& env)
{
    return readExtended(p, r, env);
}

bool WriteMExtBlock(DeviceProtocol& p, T5520MParameters& r, BlockEnv& env)
{
    // MEDNetr goes to word 56 here as well, although this family never reads it back: the
    // instruments of the family have always been written that way.
    return writeExtended(p, r, env);
}

bool ReadGNBlock(DeviceProtocol& p, T5520GNParameters& r, BlockEnv& env)
{
    if (!p.ReadReg91(r.Reg91))
        return false;
    step(env);
    if (!p.ReadCoeffN(r.CoeffN))
        return false;
    step(env);
    if (!p.ReadRegD2(r.RegD2))
        return false;
    step(env);
    if (!p.ReadHistTime(r.HistTime))
        return false;
    step(env);
    if (!p.ReadDeviceClock(r.DateTime))
        return false;
    step(env);
    if (!p.ReadCell80(r.TIzmN))
        return false;
    step(env);
    if (!p.ReadCell81(r.CoeffNN))
        return false;
    step(env);
    uint16_t d4, d3;
    if (!p.ReadFlagsD4(d4))
        return false;
    step(env);
    if (!p.ReadFlagsD3(d3))
        return false;
    step(env);
    takeD4(r, d4, Layout::Basic);
    takeD3(r, d3, Layout::Basic);
    if (!p.AdvancedMarker(r.Advanced))
        return false;
    if (r.Advanced) {
        p.ReadCell56(r.MEDNetr);
        p.ReadCell54(r.MEDGamma);
    }
    return true;
}

bool WriteGNBlock(DeviceProtocol& p, T5520GNParameters& r, BlockEnv&)
{
    return p.WriteReg91(r.Reg91) && p.WriteCoeffN(r.CoeffN) && p.WriteHistTime(r.HistTime) &&
           p.WriteCell81(r.CoeffNN) && p.WriteCell80(r.TIzmN) &&
           writeFlagWords(p, r, Layout::Basic, nullptr);
}

bool ReadGNExtBlock(DeviceProtocol& p, T5520GNParameters& r, BlockEnv& env)
{
    return readExtended(p, r, env);
}

bool WriteGNExtBlock(DeviceProtocol& p, T5520GNParameters& r, BlockEnv& env)
{
    return writeExtended(p, r, env);
}

bool ReadKBlock(DeviceProtocol& p, TKParameters& r, BlockEnv& env)
{
    if (!p.ReadHistSeconds(r.HistSeconds))
        return false;
    step(env);
    if (!p.ReadClockSeconds(r.DateTime))
        return false;
    step(env);
    if (!p.ReadCoeffNK(r.CoeffN))
        return false;
    step(env);
    if (!p.ReadCoeffNNK(r.CoeffNN))
        return false;
    step(env);
    if (!p.ReadTIzmNK(r.TIzmN))
        return false;
    step(env);
    if (!p.ReadPorogGeiger(r.PorogGeiger))
        return false;
    step(env);
    uint16_t b7;
    if (!p.ReadFlagsB7(b7))
        return false;
    r.Sound = bit(b7, kSound);
    r.Vibr = bit(b7, kVibr);
    r.En1s = bit(b7, kEn1s);
    r.En2s = bit(b7, kEn2s);
    r.En4s = bit(b7, kEn4s);
    r.AutoCalibr = bit(b7, kAutoCalibrK);
    step(env);
    QByteArray block;
    if (!p.ReadSettingsBlock(block))
        return false;
    // ReadSettingsBlock accepts no fewer than 46 block bytes, so both flags are present.
    const int s = p.BlockShift();
    r.OnOffSign = block.at(kBlockOnOffSign) != 0;
    r.EnPorog = block.at(kBlockEnPorog + s) != 0;
    step(env);
    r.DeltaHist = 1;
    return true;
}

bool WriteKBlock(DeviceProtocol& p, TKParameters& r, BlockEnv&)
{
    if (!p.WriteHistSeconds(r.HistSeconds) || !p.WriteReg99(r.HistSeconds) ||
        !p.WriteClockSeconds(r.DateTime) || !p.WriteCoeffNK(r.CoeffN) ||
        !p.WriteRegBC(r.TIzmN, r.CoeffNN))
        return false;
    uint16_t b7;
    if (!p.ReadFlagsB7(b7))
        return false;
    setBit(b7, kSound, r.Sound);
    setBit(b7, kVibr, r.Vibr);
    setBit(b7, kEn1s, r.En1s);
    setBit(b7, kEn2s, r.En2s);
    setBit(b7, kEn4s, r.En4s);
    setBit(b7, kAutoCalibrK, r.AutoCalibr);
    if (!p.WriteFlagsB7(b7) || !p.WriteReg99(r.DeltaHist) || !p.WritePorogGeiger(r.PorogGeiger))
        return false;
    QByteArray block;
    if (!p.ReadSettingsBlock(block))
        return false;
    const int s = p.BlockShift();
    const char on = r.OnOffSign ? char(0xFF) : char(0x00);
    const char porog = r.EnPorog ? char(0xFF) : char(0x00);
    block[kBlockOnOffSign] = on;
    // The qz5520k keeps byte 15 clear whatever the switch says.
    block[kBlockOnOffSignFollower] = (r.ModelCode == 1) ? char(0x00) : on;
    block[kBlockEnPorog + s] = porog;
    for (const int i : kBlockEnPorogFollowers)
        block[i + s] = porog;
    return p.WriteSettingsBlock(block);
}

} // namespace qz
