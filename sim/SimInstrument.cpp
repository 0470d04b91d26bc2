#include "sim/SimInstrument.h"

#include "sim/SimClock.h"
#include "tray/link/DeviceValues.h"

#include <algorithm>

namespace qz::sim {

namespace {

constexpr uint8_t kOpRead = 0x83;
constexpr uint8_t kOpWrite = 0x82;
constexpr uint8_t kAddressByte = 0xB1;
constexpr uint8_t kTagBytes = 0x72;
constexpr uint8_t kTagLong = 0xF2;
constexpr uint8_t kStatusDone = 0xA0;
constexpr uint8_t kStatusMore = 0x90;

// Registers with a behaviour of their own.
constexpr uint8_t kRegAddress = 0x00;
constexpr uint8_t kRegNumber = 0x01;
constexpr uint8_t kRegKClock = 0x11;
constexpr uint8_t kRegHistory = 0x40;
constexpr uint8_t kRegClearHistory = 0x42;
constexpr uint8_t kRegVersion = 0x80;
constexpr uint8_t kRegVersionSelect = 0x82;
constexpr uint8_t kRegMemoryData = 0x9C;
constexpr uint8_t kRegCommandD0 = 0xD0;
constexpr uint8_t kRegSettingsBlock = 0xD1; // K family; a word register in the others
constexpr uint8_t kRegFlagsD3 = 0xD3;
constexpr uint8_t kRegClock = 0xD5;
constexpr uint8_t kRegName = 0xD7;
constexpr uint8_t kRegModel = 0xD8;

constexpr int kVersionLength = 16;
constexpr int kBlockWriteBytes = 51;
// Byte 2 of an answer is one byte, so no answer frame is longer than this.
constexpr int kMaxFrame = 255;

QByteArray bytes(std::initializer_list<uint8_t> list)
{
    QByteArray out;
    for (uint8_t b : list)
        out.append(char(b));
    return out;
}

QByteArray writeAnswer()
{
    return bytes({kStatusDone, 0x00, 0x03});
}

QByteArray byteStringAnswer(const QByteArray& data, uint8_t status = kStatusDone)
{
    const int count = int(data.size()) + 3;
    QByteArray out = bytes({status, 0x00, uint8_t(6 + data.size()), kTagBytes, uint8_t(count >> 8),
                            uint8_t(count & 0xFF)});
    return out + data;
}

QByteArray wordAnswer(uint16_t word)
{
    return byteStringAnswer(bytes({uint8_t(word & 0xFF), uint8_t(word >> 8)}));
}

QByteArray longAnswer(uint32_t value)
{
    return bytes({kStatusDone, 0x00, 0x08, kTagLong, uint8_t(value), uint8_t(value >> 8),
                  uint8_t(value >> 16), uint8_t(value >> 24)});
}

uint32_t longOfFloat(double value)
{
    const DeviceFloatBytes f = encodeDeviceFloat(value);
    return uint32_t(f[0]) | uint32_t(f[1]) << 8 | uint32_t(f[2]) << 16 | uint32_t(f[3]) << 24;
}

void fillMgDefaults(SimInstrument& s)
{
    s.registers[0x90] = {false, 10};     // count coefficient 1.0
    s.registers[0x91] = {false, 0x0400}; // 256 after the shift
    s.registers[0xD1] = {false, 60};     // history interval, minutes
    s.registers[0xD2] = {false, 3277};   // about 1.0 after the conversion
    s.registers[0xD3] = {false, 0x0200}; // switching off allowed; unit bit 5 clear
    s.registers[0xD4] = {false, 0x0003}; // sound and vibration on
    s.registers[0xC9] = {false, 1000};   // threshold divisor
    s.registers[0xD6] = {false, 0};      // minutes to the next history mark
    s.memory[32] = 0x0A00;               // neutron coefficient 1.0 (extended GN)
    s.memory[42] = 100;                  // threshold count
    s.memory[52] = 0;                    // 0x2007 would mark the dose-equivalent mode
    s.memory[54] = 0;
    s.memory[56] = 0;
    s.memory[80] = 0x000A; // neutron measuring time
    s.memory[81] = 0x0010; // neutron coefficient 1.0 (basic GN)
    s.setMemoryFloat(1e-6);
    s.memory[255] = 0x0000; // classic unit code
    s.versionText = QByteArrayLiteral("ver 1.07");
}

void fillKDefaults(SimInstrument& s)
{
    s.registers[0x98] = {false, 60}; // history interval, seconds
    s.registers[0x99] = {false, 1};
    s.registers[0xB5] = {false, 10};     // count coefficient 1.0
    s.registers[0xBC] = {false, 0x100A}; // neutron coefficient 1.0, measuring time 10
    s.registers[0xB7] = {false, 0x0003}; // sound and vibration on
    s.registers[0xDC] = {true, longOfFloat(0.3)};
    // The newer 53-byte block: switching off allowed (14, 15) and the threshold alarm on
    // (21 + 1 and the bytes that follow it).
    s.settingsBlock = QByteArray(53, '\0');
    for (int i : {14, 15, 22, 23, 26, 29})
        s.settingsBlock[i] = char(0xFF);
}

} // namespace

QString familyName(Family family)
{
    switch (family) {
    case Family::MBasic:
        return QStringLiteral("m-basic");
    case Family::MExtended:
        return QStringLiteral("m-extended");
    case Family::GNBasic:
        return QStringLiteral("gn-basic");
    case Family::GNExtended:
        return QStringLiteral("gn-extended");
    case Family::K:
        return QStringLiteral("k");
    }
    return {};
}

std::optional<Family> familyFromName(const QString& name)
{
    for (auto f :
         {Family::MBasic, Family::MExtended, Family::GNBasic, Family::GNExtended, Family::K}) {
        if (name.compare(familyName(f), Qt::CaseInsensitive) == 0)
            return f;
    }
    return std::nullopt;
}

std::optional<Family> familyOfModel(const QString& model)
{
    const QString m = model.trimmed().toUpper();
    if (m == u"QZ5520M")
        return Family::MBasic;
    if (m == u"5520MO" || m == u"6610MA" || m == u"5530A" || m == u"QZ5520M-O1")
        return Family::MExtended;
    if (m == u"QZ5520GN" || m == u"QZ5530GN" || m == u"QZ6610GN")
        return Family::GNBasic;
    if (m == u"5520GNO" || m == u"6610GNO" || m == u"6610GNA")
        return Family::GNExtended;
    if (m == u"QZ6610K" || m == u"QZ5520K")
        return Family::K;
    return std::nullopt;
}

HistoryLayout defaultLayout(Family family, const QString& announcedName)
{
    if (family == Family::K)
        return HistoryLayout::K;
    const bool pagerRecords = announcedName.contains(u"QZ_Pa");
    const bool newGammaNeutron = family == Family::GNExtended;
    if (pagerRecords)
        return newGammaNeutron ? HistoryLayout::PG : HistoryLayout::P;
    return newGammaNeutron ? HistoryLayout::OG : HistoryLayout::O;
}

QString faultKindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::NoAnswer:
        return QStringLiteral("noAnswer");
    case FaultKind::WrongStatus:
        return QStringLiteral("wrongStatus");
    case FaultKind::ShortAnswer:
        return QStringLiteral("shortAnswer");
    case FaultKind::WrongLength:
        return QStringLiteral("wrongLength");
    }
    return {};
}

std::optional<FaultKind> faultKindFromName(const QString& name)
{
    for (auto k : {FaultKind::NoAnswer, FaultKind::WrongStatus, FaultKind::ShortAnswer,
                   FaultKind::WrongLength}) {
        if (name.compare(faultKindName(k), Qt::CaseInsensitive) == 0)
            return k;
    }
    return std::nullopt;
}

SimInstrument::SimInstrument(Family family_, const QString& model_, int number_,
                             const QString& announcedName_)
    : family(family_), announcedName(announcedName_), model(model_), number(number_)
{
    if (announcedName.isEmpty())
        announcedName = model + u'#' + QString::number(number);
    layout = defaultLayout(family, announcedName);
    answersIdentity = announcedName.contains(u"qz_pager", Qt::CaseInsensitive);
    if (answersIdentity) {
        nameText = announcedName.toLatin1();
        modelText = model.toLatin1();
        numberText = QByteArray::number(number);
    }
    if (family == Family::K)
        fillKDefaults(*this);
    else
        fillMgDefaults(*this);
}

uint16_t SimInstrument::word(uint8_t reg) const
{
    const auto it = registers.find(reg);
    return it == registers.end() ? 0 : uint16_t(it->second.value);
}

void SimInstrument::setWord(uint8_t reg, uint16_t value)
{
    registers[reg] = {false, value};
}

uint32_t SimInstrument::longValue(uint8_t reg) const
{
    const auto it = registers.find(reg);
    return it == registers.end() ? 0 : it->second.value;
}

void SimInstrument::setLong(uint8_t reg, uint32_t value)
{
    registers[reg] = {true, value};
}

double SimInstrument::floatValue(uint8_t reg) const
{
    const uint32_t v = longValue(reg);
    return decodeDeviceFloat(uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24));
}

void SimInstrument::setFloat(uint8_t reg, double value)
{
    setLong(reg, longOfFloat(value));
}

uint16_t SimInstrument::memoryWord(uint16_t address) const
{
    const auto it = memory.find(address);
    return it == memory.end() ? 0 : it->second;
}

void SimInstrument::setMemoryWord(uint16_t address, uint16_t value)
{
    memory[address] = value;
}

double SimInstrument::memoryFloat() const
{
    const uint16_t a = memoryWord(102);
    const uint16_t b = memoryWord(104);
    return decodeDeviceFloat(uint8_t(a), uint8_t(a >> 8), uint8_t(b), uint8_t(b >> 8));
}

void SimInstrument::setMemoryFloat(double value)
{
    const DeviceFloatBytes f = encodeDeviceFloat(value);
    memory[102] = uint16_t(f[0] | f[1] << 8);
    memory[104] = uint16_t(f[2] | f[3] << 8);
}

bool SimInstrument::unitFlag() const
{
    return (word(kRegFlagsD3) & 0x20) != 0;
}

void SimInstrument::setUnitFlag(bool set)
{
    const uint16_t w = word(kRegFlagsD3);
    setWord(kRegFlagsD3, set ? uint16_t(w | 0x20) : uint16_t(w & ~0x20));
}

void SimInstrument::setUnitCode(uint8_t code)
{
    memory[255] = uint16_t((memoryWord(255) & 0xFF00) | code);
}

void SimInstrument::appendHistory(const HistoryRecord& record)
{
    history += encodeHistoryRecord(record, layout);
}

QDateTime SimInstrument::clockAt(const QDateTime& now) const
{
    return fromDeviceEpochMs(deviceEpochMs(now) + clockOffsetMs);
}

void SimInstrument::setClock(const QDateTime& instrumentTime, const QDateTime& now)
{
    clockOffsetMs = deviceEpochMs(instrumentTime) - deviceEpochMs(now);
}

std::optional<QByteArray> SimInstrument::answer(const QByteArray& request, int expected,
                                                int capacity, const QDateTime& now)
{
    if (request.size() < 5)
        return std::nullopt;
    const auto at = [&](int i) { return uint8_t(request[i]); };
    if (at(1) != 0x00 || at(3) != kAddressByte)
        return std::nullopt;
    const uint8_t op = at(0);
    const int length = at(2);
    const uint8_t reg = at(4);

    if (op == kOpRead) {
        if (request.size() != 5)
            return std::nullopt;
        const bool historyContinuation = reg == kRegHistory && length == 3;
        if (const auto raw = rawAnswers.find(reg);
            raw != rawAnswers.end() && (length == 5 || historyContinuation))
            return raw->second;
        if (reg == kRegHistory) {
            // The continuation of a history read is the one frame whose length byte (3)
            // is not the length sent.
            if (length == 5)
                return historyPart(true, expected, capacity);
            if (length == 3)
                return historyPart(false, expected, capacity);
            return std::nullopt;
        }
        if (length != 5)
            return std::nullopt;
        return readRegister(reg, now);
    }
    if (op == kOpWrite) {
        if (length != request.size())
            return std::nullopt;
        switch (request.size()) {
        case 5:
            return command(reg);
        case 10:
            return writeValue(reg, request.mid(5), now);
        case 59:
            return writeBlock(reg, request.mid(5));
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> SimInstrument::readRegister(uint8_t reg, const QDateTime& now)
{
    if (answersIdentity && (reg == kRegName || reg == kRegModel || reg == kRegNumber)) {
        const QByteArray& text =
            reg == kRegName ? nameText : (reg == kRegModel ? modelText : numberText);
        return byteStringAnswer(text.left(kMaxFrame - 6));
    }
    const qint64 ms = deviceEpochMs(now) + clockOffsetMs;
    if (isKFamily()) {
        if (reg == kRegKClock)
            return longAnswer(uint32_t(floorDiv(ms, 1000)));
        if (reg == kRegSettingsBlock)
            return byteStringAnswer(settingsBlock.left(kMaxFrame - 6));
    } else {
        if (reg == kRegMemoryData)
            return wordAnswer(memoryWord(memoryAddress));
        if (reg == kRegClock)
            return longAnswer(uint32_t(floorDiv(ms, 60000)));
        if (reg == kRegVersion) {
            // Register 0x80 shows the version text only after 0x82 has selected it.
            if (!versionSelected)
                return std::nullopt;
            QByteArray text = versionText.left(kVersionLength);
            text.append(QByteArray(kVersionLength - text.size(), '\0'));
            return byteStringAnswer(text);
        }
    }
    const auto it = registers.find(reg);
    if (it == registers.end())
        return std::nullopt;
    return it->second.isLong ? longAnswer(it->second.value)
                             : wordAnswer(uint16_t(it->second.value));
}

std::optional<QByteArray> SimInstrument::historyPart(bool first, int expected, int capacity)
{
    if (first)
        historyCursor = 0;
    else if (historyCursor < 0)
        return std::nullopt; // a continuation with no read under way
    const int frame = std::min({expected, capacity, kMaxFrame});
    const int remaining = int(history.size()) - historyCursor;
    const int room = frame - 6;
    if (room < 0 || (remaining > 0 && room == 0)) {
        historyCursor = -1;
        return std::nullopt; // no part fits what the caller takes
    }
    const int n = std::min(room, remaining);
    const bool last = n == remaining;
    const QByteArray part =
        byteStringAnswer(history.mid(historyCursor, n), last ? kStatusDone : kStatusMore);
    historyCursor = last ? -1 : historyCursor + n;
    return part;
}

std::optional<QByteArray> SimInstrument::command(uint8_t reg)
{
    if (reg == kRegClearHistory) {
        history.clear();
        historyCursor = -1;
        ++clearHistoryCount;
        return writeAnswer();
    }
    if (reg == kRegCommandD0) {
        ++commandD0Count;
        return writeAnswer();
    }
    return std::nullopt;
}

std::optional<QByteArray> SimInstrument::writeValue(uint8_t reg, const QByteArray& v,
                                                    const QDateTime& now)
{
    const auto at = [&](int i) { return uint8_t(v[i]); };
    const bool isWord = at(0) == kTagBytes && at(1) == 0x00 && at(2) == 0x05;
    const bool isLong = at(0) == kTagLong;
    const uint16_t wordValue = uint16_t(at(3) | at(4) << 8);
    const uint32_t longValue_ =
        uint32_t(at(1)) | uint32_t(at(2)) << 8 | uint32_t(at(3)) << 16 | uint32_t(at(4)) << 24;

    if (isKFamily()) {
        if (reg == kRegKClock) {
            if (!isLong)
                return std::nullopt;
            clockOffsetMs = qint64(int32_t(longValue_)) * 1000 - deviceEpochMs(now);
            return writeAnswer();
        }
    } else {
        if (reg == kRegAddress || reg == kRegMemoryData) {
            if (!isWord)
                return std::nullopt;
            if (reg == kRegAddress)
                memoryAddress = wordValue;
            else
                memory[memoryAddress] = wordValue;
            return writeAnswer();
        }
        if (reg == kRegClock) {
            if (!isLong)
                return std::nullopt;
            clockOffsetMs = qint64(longValue_) * 60000 - deviceEpochMs(now);
            return writeAnswer();
        }
        if (reg == kRegVersionSelect) {
            if (!isLong)
                return std::nullopt;
            versionSelected = v == bytes({kTagLong, 0x00, 0xC0, 0x10, 0x00});
            return writeAnswer();
        }
    }
    const auto it = registers.find(reg);
    if (it == registers.end())
        return std::nullopt;
    if (it->second.isLong ? !isLong : !isWord)
        return std::nullopt; // the register does not take a value of that type
    it->second.value = it->second.isLong ? longValue_ : wordValue;
    return writeAnswer();
}

std::optional<QByteArray> SimInstrument::writeBlock(uint8_t reg, const QByteArray& v)
{
    if (!isKFamily() || reg != kRegSettingsBlock)
        return std::nullopt;
    if (v.left(3) != bytes({kTagBytes, 0x00, 0x36}))
        return std::nullopt;
    // The older 50-byte block has no 51st byte: the instrument drops it. The newer block
    // keeps its last two bytes, which the write frame does not reach.
    const int n = std::min<int>(kBlockWriteBytes, int(settingsBlock.size()));
    settingsBlock.replace(0, n, v.mid(3, n));
    return writeAnswer();
}

} // namespace qz::sim
