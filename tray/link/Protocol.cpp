#include "tray/link/Protocol.h"

#include "common/platform/Rounding.h"
#include "common/platform/TextDecoding.h"
#include "tray/link/DeviceValues.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qz {

namespace {

// Large enough for every frame the primitives send or receive; the capacity handed to the
// link is the exchange's own, never this size.
using FrameBuffer = std::array<uint8_t, 200>;

uint8_t maskedByte(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double r = roundHalfEven(value);
    // Beyond the range of an integer the low byte means nothing; keep the limit instead.
    if (r >= 9.0e18 || r <= -9.0e18)
        return r > 0 ? 0xFF : 0x00;
    return static_cast<uint8_t>(static_cast<int64_t>(r) & 0xFF);
}

} // namespace

QString formatFrameHex(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

FrameLogger makeHexFrameLogger(std::function<void(const QString& line)> writeLine)
{
    return [writeLine = std::move(writeLine)](const FrameRecord& r) {
        writeLine(QStringLiteral("> ") + formatFrameHex(r.request));
        writeLine(r.transferred ? QStringLiteral("< ") + formatFrameHex(r.answer)
                                : QStringLiteral("< no answer"));
    };
}

uint16_t toWordSaturated(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = roundHalfEven(value);
    if (r <= 0.0)
        return 0;
    if (r >= 65535.0)
        return 0xFFFF;
    return static_cast<uint16_t>(r);
}

uint8_t toByteSaturated(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = roundHalfEven(value);
    if (r <= 0.0)
        return 0;
    if (r >= 255.0)
        return 0xFF;
    return static_cast<uint8_t>(r);
}

bool DeviceProtocol::transfer(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                              int32_t& answerLength)
{
    if (capacity <= 0 || requestLength <= 0 || requestLength > capacity)
        return false;
    FrameRecord record;
    if (m_logger) {
        record.request = QByteArray(reinterpret_cast<const char*>(buffer), requestLength);
        record.capacity = capacity;
        record.expectedLength = answerLength;
    }
    int32_t received = answerLength;
    bool ok = m_link.TransDataIrDAEx(buffer, capacity, requestLength, received);
    // A link that claims more bytes than the buffer holds (or a negative count) has not
    // delivered a usable answer; reading past the capacity would be reading foreign memory.
    if (ok && (received < 0 || received > capacity))
        ok = false;
    if (ok)
        answerLength = received;
    if (m_logger) {
        record.transferred = ok;
        if (ok)
            record.answer = QByteArray(reinterpret_cast<const char*>(buffer), received);
        m_logger(record);
    }
    return ok;
}

bool DeviceProtocol::Exchange(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                              int32_t& answerLength)
{
    return transfer(buffer, capacity, requestLength, answerLength);
}

// --- frame helpers -------------------------------------------------------------------------

bool DeviceProtocol::readValue(uint8_t reg, uint8_t tag, uint8_t (&value)[4])
{
    FrameBuffer buf{};
    const uint8_t request[] = {frame::kRead, 0x00, frame::kReadRequestLength, frame::kFrameMark,
                               reg};
    std::copy(std::begin(request), std::end(request), buf.begin());
    int32_t length = frame::kValueAnswerLength;
    if (!transfer(buf.data(), frame::kRegisterCapacity, frame::kReadRequestLength, length))
        return false;
    if (length != frame::kValueAnswerLength || buf[0] != frame::kComplete || buf[1] != 0x00 ||
        buf[2] != frame::kValueAnswerLength || buf[3] != tag)
        return false;
    std::copy(buf.begin() + 4, buf.begin() + 8, value);
    return true;
}

bool DeviceProtocol::readWord(uint8_t reg, uint16_t& word)
{
    uint8_t v[4];
    if (!readValue(reg, frame::kTagBytes, v))
        return false;
    // v[0] v[1] are the byte count of the value; the word itself is low byte first.
    word = static_cast<uint16_t>(v[2] | (v[3] << 8));
    return true;
}

bool DeviceProtocol::readLong(uint8_t reg, uint8_t (&value)[4])
{
    return readValue(reg, frame::kTagLong, value);
}

bool DeviceProtocol::writeFrame(const uint8_t* request, int32_t requestLength, int32_t capacity)
{
    FrameBuffer buf{};
    std::copy(request, request + requestLength, buf.begin());
    int32_t length = frame::kWriteAnswerLength;
    if (!transfer(buf.data(), capacity, requestLength, length))
        return false;
    return length == frame::kWriteAnswerLength && buf[0] == frame::kComplete && buf[1] == 0x00 &&
           buf[2] == frame::kWriteAnswerLength;
}

bool DeviceProtocol::writeWord(uint8_t reg, uint16_t word)
{
    const uint8_t request[] = {frame::kWrite,
                               0x00,
                               frame::kValueWriteRequestLength,
                               frame::kFrameMark,
                               reg,
                               frame::kTagBytes,
                               0x00,
                               0x05,
                               static_cast<uint8_t>(word & 0xFF),
                               static_cast<uint8_t>(word >> 8)};
    return writeFrame(request, sizeof request, frame::kRegisterCapacity);
}

bool DeviceProtocol::writeLong(uint8_t reg, const uint8_t (&value)[4])
{
    const uint8_t request[] = {frame::kWrite,     0x00,     frame::kValueWriteRequestLength,
                               frame::kFrameMark, reg,      frame::kTagLong,
                               value[0],          value[1], value[2],
                               value[3]};
    return writeFrame(request, sizeof request, frame::kRegisterCapacity);
}

bool DeviceProtocol::command(uint8_t reg)
{
    const uint8_t request[] = {frame::kWrite, 0x00, frame::kCommandRequestLength, frame::kFrameMark,
                               reg};
    return writeFrame(request, sizeof request, frame::kRegisterCapacity);
}

bool DeviceProtocol::readText(uint8_t reg, int32_t capacity, QString& text)
{
    text.clear();
    FrameBuffer buf{};
    const uint8_t request[] = {frame::kRead, 0x00, frame::kReadRequestLength, frame::kFrameMark,
                               reg};
    std::copy(std::begin(request), std::end(request), buf.begin());
    int32_t length = frame::kTextAnswerLength;
    // The instruments' text answers vary in length and framing, so only the transfer counts.
    if (!transfer(buf.data(), capacity, frame::kReadRequestLength, length))
        return false;
    if (length >= 7)
        text = decodeWindows1251(
            QByteArray(reinterpret_cast<const char*>(buf.data()) + 6, length - 6));
    return true;
}

// --- M and GN families ---------------------------------------------------------------------

bool DeviceProtocol::ReadReg91(uint16_t& value)
{
    uint16_t w;
    if (!readWord(reg::kReg91, w))
        return false;
    value = static_cast<uint16_t>(w >> 2);
    return true;
}

bool DeviceProtocol::WriteReg91(uint16_t value)
{
    return writeWord(reg::kReg91, static_cast<uint16_t>(value << 2));
}

bool DeviceProtocol::ReadCoeffN(double& value)
{
    uint16_t w;
    if (!readWord(reg::kCoeffN, w))
        return false;
    value = w / 10.0;
    return true;
}

bool DeviceProtocol::WriteCoeffN(double value)
{
    return writeWord(reg::kCoeffN, toWordSaturated(value * 10.0));
}

bool DeviceProtocol::ReadHistTime(uint16_t& minutes)
{
    return readWord(reg::kHistTime, minutes);
}

bool DeviceProtocol::WriteHistTime(uint16_t minutes)
{
    return writeWord(reg::kHistTime, minutes);
}

bool DeviceProtocol::ReadRegD2(double& value)
{
    uint16_t w;
    if (!readWord(reg::kRegD2, w))
        return false;
    value = w * 5.0 / 16384.0;
    return true;
}

bool DeviceProtocol::ReadDeviceClock(double& dateTime)
{
    uint8_t v[4];
    if (!readLong(reg::kDeviceClock, v))
        return false;
    // The instruments count in 24 bits; the fourth byte carries nothing.
    dateTime = minutesCountToDateTime(uint32_t(v[0]) | uint32_t(v[1]) << 8 | uint32_t(v[2]) << 16);
    return true;
}

bool DeviceProtocol::WriteDeviceClock(double dateTime)
{
    const uint32_t n = dateTimeToMinutesCount(dateTime);
    const uint8_t v[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    return writeLong(reg::kDeviceClock, v);
}

bool DeviceProtocol::WriteNextHistMark(uint16_t minutes)
{
    return writeWord(reg::kNextHistMark, minutes);
}

bool DeviceProtocol::ReadFlagsD4(uint16_t& flags)
{
    return readWord(reg::kFlagsD4, flags);
}

bool DeviceProtocol::WriteFlagsD4(uint16_t flags)
{
    return writeWord(reg::kFlagsD4, flags);
}

bool DeviceProtocol::ReadFlagsD3(uint16_t& flags)
{
    return readWord(reg::kFlagsD3, flags);
}

bool DeviceProtocol::WriteFlagsD3(uint16_t flags)
{
    return writeWord(reg::kFlagsD3, flags);
}

bool DeviceProtocol::ReadUnitFlag(uint8_t& flag)
{
    uint16_t w;
    if (!readWord(reg::kFlagsD3, w))
        return false;
    flag = (w >> 5) & 1;
    return true;
}

bool DeviceProtocol::ReadRegC9(uint16_t& divisor)
{
    return readWord(reg::kRegC9, divisor);
}

bool DeviceProtocol::SetMemoryAddress(uint16_t address)
{
    return writeWord(reg::kMemoryAddress, address);
}

bool DeviceProtocol::ReadMemoryWord(uint16_t& word)
{
    uint8_t v[4];
    if (!readValue(reg::kMemoryData, frame::kTagBytes, v))
        return false;
    // The memory window is stricter than the other registers: the count must say two bytes.
    if (v[0] != 0x00 || v[1] != 0x05)
        return false;
    word = static_cast<uint16_t>(v[2] | (v[3] << 8));
    return true;
}

bool DeviceProtocol::WriteMemoryWord(uint16_t word)
{
    return writeWord(reg::kMemoryData, word);
}

bool DeviceProtocol::ClearHistory()
{
    return command(reg::kClearHistory);
}

bool DeviceProtocol::SendCommandD0()
{
    return command(reg::kCommandD0);
}

bool DeviceProtocol::ReadNameText(QString& text)
{
    return readText(reg::kNameText, frame::kNameTextCapacity, text);
}

bool DeviceProtocol::ReadModelText(QString& text)
{
    return readText(reg::kModelText, frame::kNameTextCapacity, text);
}

bool DeviceProtocol::ReadNumberText(QString& text)
{
    return readText(reg::kNumberText, frame::kNumberTextCapacity, text);
}

// --- memory window cells -------------------------------------------------------------------

bool DeviceProtocol::readCell(uint16_t address, uint16_t& word)
{
    return SetMemoryAddress(address) && ReadMemoryWord(word);
}

bool DeviceProtocol::writeCell(uint16_t address, uint16_t word)
{
    return SetMemoryAddress(address) && WriteMemoryWord(word);
}

bool DeviceProtocol::changeCell(uint16_t address, uint16_t keepMask, uint16_t bits)
{
    uint16_t word;
    if (!readCell(address, word))
        return false;
    // The address register still points at the cell, so only the data register is written.
    return WriteMemoryWord(static_cast<uint16_t>((word & keepMask) | (bits & ~keepMask)));
}

bool DeviceProtocol::ReadCell32(double& value)
{
    uint16_t w;
    if (!readCell(cell::kCoeffNN32, w))
        return false;
    value = (w >> 8) / 10.0;
    return true;
}

bool DeviceProtocol::WriteCell32(double value)
{
    return changeCell(cell::kCoeffNN32, 0x00FF, uint16_t(maskedByte(value * 10.0) << 8));
}

bool DeviceProtocol::ReadCell42(uint16_t& count)
{
    return readCell(cell::kThresholdCount, count);
}

bool DeviceProtocol::WriteCell42(uint16_t count)
{
    return writeCell(cell::kThresholdCount, count);
}

bool DeviceProtocol::AdvancedMarker(bool& advanced)
{
    uint16_t w;
    if (!readCell(cell::kAdvancedMarker, w))
        return false;
    advanced = w == cell::kAdvancedMarkerValue;
    return true;
}

bool DeviceProtocol::ReadCell54(double& value)
{
    uint16_t w;
    if (!readCell(cell::kMEDGamma, w))
        return false;
    value = w;
    return true;
}

bool DeviceProtocol::WriteCell54(double value)
{
    return writeCell(cell::kMEDGamma, toWordSaturated(value));
}

bool DeviceProtocol::ReadCell56(double& value)
{
    uint16_t w;
    if (!readCell(cell::kMEDNetr, w))
        return false;
    value = w / 10.0;
    return true;
}

bool DeviceProtocol::WriteCell56(double value)
{
    return writeCell(cell::kMEDNetr, toWordSaturated(value * 10.0));
}

bool DeviceProtocol::ReadCell80(uint8_t& value)
{
    uint16_t w;
    if (!readCell(cell::kTIzmN, w))
        return false;
    value = static_cast<uint8_t>(w & 0xFF);
    return true;
}

bool DeviceProtocol::WriteCell80(uint8_t value)
{
    return changeCell(cell::kTIzmN, 0xFF00, value);
}

bool DeviceProtocol::ReadCell81(double& value)
{
    uint16_t w;
    if (!readCell(cell::kCoeffNN81, w))
        return false;
    value = (w & 0xFF) / 16.0;
    return true;
}

bool DeviceProtocol::WriteCell81(double value)
{
    return changeCell(cell::kCoeffNN81, 0xFF00, maskedByte(value * 16.0));
}

bool DeviceProtocol::ReadCellFloat102(double& value)
{
    uint16_t low, high;
    if (!readCell(cell::kThresholdFloatLow, low) || !readCell(cell::kThresholdFloatHigh, high))
        return false;
    value = decodeDeviceFloat(uint8_t(low), uint8_t(low >> 8), uint8_t(high), uint8_t(high >> 8));
    return true;
}

bool DeviceProtocol::WriteCellFloat102(double value)
{
    const DeviceFloatBytes b = encodeDeviceFloat(value);
    return writeCell(cell::kThresholdFloatLow, uint16_t(b[0] | b[1] << 8)) &&
           writeCell(cell::kThresholdFloatHigh, uint16_t(b[2] | b[3] << 8));
}

bool DeviceProtocol::ReadUnitCode(uint8_t& code)
{
    uint16_t w;
    if (!readCell(cell::kUnitCode, w))
        return false;
    code = static_cast<uint8_t>(w & 0xFF);
    return true;
}

// --- K family ------------------------------------------------------------------------------

bool DeviceProtocol::ReadHistSeconds(uint16_t& seconds)
{
    return readWord(reg::kHistSeconds, seconds);
}

bool DeviceProtocol::WriteHistSeconds(uint16_t seconds)
{
    return writeWord(reg::kHistSeconds, seconds);
}

bool DeviceProtocol::WriteReg99(uint16_t value)
{
    return writeWord(reg::kReg99, value);
}

bool DeviceProtocol::ReadClockSeconds(double& dateTime)
{
    uint8_t v[4];
    if (!readLong(reg::kClockSeconds, v))
        return false;
    const uint32_t n =
        uint32_t(v[0]) | uint32_t(v[1]) << 8 | uint32_t(v[2]) << 16 | uint32_t(v[3]) << 24;
    dateTime = secondsCountToDateTime(static_cast<int32_t>(n));
    return true;
}

bool DeviceProtocol::WriteClockSeconds(double dateTime)
{
    const auto n = static_cast<uint32_t>(dateTimeToSecondsCount(dateTime));
    const uint8_t v[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    return writeLong(reg::kClockSeconds, v);
}

bool DeviceProtocol::ReadCoeffNK(double& value)
{
    uint16_t w;
    if (!readWord(reg::kCoeffNK, w))
        return false;
    value = w / 10.0;
    return true;
}

bool DeviceProtocol::WriteCoeffNK(double value)
{
    return writeWord(reg::kCoeffNK, toWordSaturated(value * 10.0));
}

bool DeviceProtocol::ReadCoeffNNK(double& value)
{
    uint16_t w;
    if (!readWord(reg::kRegBC, w))
        return false;
    value = (w >> 8) / 16.0;
    return true;
}

bool DeviceProtocol::ReadTIzmNK(uint8_t& value)
{
    uint16_t w;
    if (!readWord(reg::kRegBC, w))
        return false;
    value = static_cast<uint8_t>(w & 0xFF);
    return true;
}

bool DeviceProtocol::WriteRegBC(uint8_t lowByte, double real)
{
    return writeWord(reg::kRegBC, uint16_t(lowByte | toByteSaturated(real * 16.0) << 8));
}

bool DeviceProtocol::ReadFlagsB7(uint16_t& flags)
{
    return readWord(reg::kFlagsB7, flags);
}

bool DeviceProtocol::WriteFlagsB7(uint16_t flags)
{
    return writeWord(reg::kFlagsB7, flags);
}

bool DeviceProtocol::ReadPorogGeiger(double& value)
{
    uint8_t v[4];
    if (!readLong(reg::kPorogGeiger, v))
        return false;
    value = decodeDeviceFloat(v[0], v[1], v[2], v[3]);
    return true;
}

bool DeviceProtocol::WritePorogGeiger(double value)
{
    const DeviceFloatBytes b = encodeDeviceFloat(value);
    const uint8_t v[4] = {b[0], b[1], b[2], b[3]};
    return writeLong(reg::kPorogGeiger, v);
}

bool DeviceProtocol::ReadSettingsBlock(QByteArray& block)
{
    FrameBuffer buf{};
    const uint8_t request[] = {frame::kRead, 0x00, frame::kReadRequestLength, frame::kFrameMark,
                               reg::kHistTime};
    std::copy(std::begin(request), std::end(request), buf.begin());
    int32_t length = frame::kSettingsAnswerLength;
    if (!transfer(buf.data(), frame::kSettingsCapacity, frame::kReadRequestLength, length))
        return false;
    // Two block layouts are in the field, so the answer length is a lower bound and byte 2
    // is not compared.
    if (length < frame::kSettingsMinimumAnswer || buf[0] != frame::kComplete || buf[1] != 0x00 ||
        buf[3] != frame::kTagBytes)
        return false;
    block = QByteArray(reinterpret_cast<const char*>(buf.data()) + 6, length - 6);
    m_blockShift = (length == frame::kSettingsShortAnswer) ? 0 : 1;
    return true;
}

bool DeviceProtocol::WriteSettingsBlock(const QByteArray& block)
{
    uint8_t request[frame::kSettingsWriteRequestLength] = {frame::kWrite,
                                                           0x00,
                                                           frame::kSettingsWriteRequestLength,
                                                           frame::kFrameMark,
                                                           reg::kHistTime,
                                                           frame::kTagBytes,
                                                           0x00,
                                                           frame::kSettingsWriteBytes + 3};
    // The short layout answers 50 block bytes while a write always sends 51: the byte the
    // instrument did not give is sent as 0x00 rather than anything left from another read.
    const int n = std::min<int>(block.size(), frame::kSettingsWriteBytes);
    for (int i = 0; i < n; ++i)
        request[8 + i] = static_cast<uint8_t>(block[i]);
    return writeFrame(request, frame::kSettingsWriteRequestLength, frame::kSettingsCapacity);
}

// --- composite -----------------------------------------------------------------------------

bool DeviceProtocol::ReadVersionText(bool& newFirmware, QString* versionText)
{
    // Selects the version text behind register 0x80.
    const uint8_t select[4] = {0x00, 0xC0, 0x10, 0x00};
    if (!writeLong(reg::kVersionSelect, select))
        return false;

    FrameBuffer buf{};
    const uint8_t request[] = {frame::kRead, 0x00, frame::kReadRequestLength, frame::kFrameMark,
                               reg::kVersionText};
    std::copy(std::begin(request), std::end(request), buf.begin());
    int32_t length = frame::kVersionAnswerLength;
    if (!transfer(buf.data(), frame::kVersionCapacity, frame::kReadRequestLength, length))
        return false;
    // The version answers as a byte string like every block read, data from byte 6.
    if (length != frame::kVersionAnswerLength || buf[0] != frame::kComplete || buf[1] != 0x00 ||
        buf[2] != frame::kVersionAnswerLength || buf[3] != frame::kTagBytes)
        return false;
    QByteArray raw(reinterpret_cast<const char*>(buf.data()) + 6, frame::kVersionAnswerLength - 6);
    const qsizetype zero = raw.indexOf('\0');
    if (zero >= 0)
        raw.truncate(zero);
    const QString text = decodeWindows1251(raw).toLower();
    newFirmware = text.contains(QLatin1String("#v."));
    if (versionText)
        *versionText = text;
    return true;
}

uint16_t DeviceProtocol::NextHistMarkMinutes(uint16_t histMinutes, double now)
{
    const int64_t m = roundHalfEvenToInt((now - kDeviceEpochDays) * 1440.0);
    int64_t d = 1;
    for (const int k : {5, 10, 15, 20, 30, 60}) {
        if (histMinutes % k == 0) {
            // Floor modulo, so a time before the epoch still gives 1..k.
            int64_t r = m % k;
            if (r < 0)
                r += k;
            d = k - r;
        }
    }
    return static_cast<uint16_t>(d);
}

bool DeviceProtocol::SetClockAndHistMark(uint16_t histMinutes, double now)
{
    if (!WriteDeviceClock(now))
        return false;
    return WriteNextHistMark(NextHistMarkMinutes(histMinutes, now));
}

} // namespace qz
