#pragma once

#include "tray/link/IrdaLink.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>

namespace qz {

// One request/answer exchange as it went over the link, for a support engineer's frame log.
// answer is empty when the transfer failed.
struct FrameRecord {
    QByteArray request;
    QByteArray answer;
    int32_t capacity = 0;
    int32_t expectedLength = 0;
    bool transferred = false;
};

using FrameLogger = std::function<void(const FrameRecord&)>;

// Bytes as upper-case hex pairs separated by blanks: "83 00 05 B1 91".
QString formatFrameHex(QByteArrayView bytes);

// A logger writing two lines per exchange, "> " + request and "< " + answer (or
// "< no answer"), for a support engineer's frame log.
FrameLogger makeHexFrameLogger(std::function<void(const QString& line)> writeLine);

// Receive capacities, request lengths and expected answer lengths of the exchanges. The
// capacities of the text reads and of the settings block are the ones the instruments were
// always driven with; the others are one of the link's usual sizes with room beyond the
// longest frame, so that an over-long answer arrives whole and fails on its length.
namespace frame {
constexpr int32_t kRegisterCapacity = 15;   // word and long reads, word/long/command writes
constexpr int32_t kNameTextCapacity = 50;   // registers 0xD7 and 0xD8
constexpr int32_t kNumberTextCapacity = 30; // register 0x01
constexpr int32_t kVersionCapacity = 25;    // the version text read (its select is a long write)
constexpr int32_t kSettingsCapacity = 70;   // settings block read and write

constexpr int32_t kReadRequestLength = 5;
constexpr int32_t kCommandRequestLength = 5;
constexpr int32_t kValueWriteRequestLength = 10;
constexpr int32_t kSettingsWriteRequestLength = 59;

constexpr int32_t kValueAnswerLength = 8;
constexpr int32_t kWriteAnswerLength = 3;
constexpr int32_t kTextAnswerLength = 20;
constexpr int32_t kVersionAnswerLength = 22;
constexpr int32_t kSettingsAnswerLength = 59;
constexpr int32_t kSettingsMinimumAnswer = 52;
// The older settings layout answers 56 bytes; its bytes after 20 sit one place lower.
constexpr int32_t kSettingsShortAnswer = 56;
// Block bytes sent by a settings block write (frame length 59 = 8 header bytes + 51).
constexpr int kSettingsWriteBytes = 51;

constexpr uint8_t kRead = 0x83;
constexpr uint8_t kWrite = 0x82;
constexpr uint8_t kFrameMark = 0xB1;
constexpr uint8_t kComplete = 0xA0;
constexpr uint8_t kPartial = 0x90;
constexpr uint8_t kTagBytes = 0x72;
constexpr uint8_t kTagLong = 0xF2;
} // namespace frame

// Registers of the instruments.
namespace reg {
constexpr uint8_t kNumberText = 0x01;
constexpr uint8_t kMemoryAddress = 0x00;
constexpr uint8_t kClockSeconds = 0x11;
constexpr uint8_t kClearHistory = 0x42;
constexpr uint8_t kVersionText = 0x80;
constexpr uint8_t kVersionSelect = 0x82;
constexpr uint8_t kCoeffN = 0x90;
constexpr uint8_t kReg91 = 0x91;
constexpr uint8_t kHistSeconds = 0x98;
constexpr uint8_t kReg99 = 0x99;
constexpr uint8_t kMemoryData = 0x9C;
constexpr uint8_t kCoeffNK = 0xB5;
constexpr uint8_t kFlagsB7 = 0xB7;
constexpr uint8_t kRegBC = 0xBC;
constexpr uint8_t kRegC9 = 0xC9;
constexpr uint8_t kCommandD0 = 0xD0;
constexpr uint8_t kHistTime = 0xD1; // also the K family's settings block
constexpr uint8_t kRegD2 = 0xD2;
constexpr uint8_t kFlagsD3 = 0xD3;
constexpr uint8_t kFlagsD4 = 0xD4;
constexpr uint8_t kDeviceClock = 0xD5;
constexpr uint8_t kNextHistMark = 0xD6;
constexpr uint8_t kNameText = 0xD7;
constexpr uint8_t kModelText = 0xD8;
constexpr uint8_t kPorogGeiger = 0xDC;
} // namespace reg

// Cells of the instruments' settings memory, reached through the memory window.
namespace cell {
constexpr uint16_t kCoeffNN32 = 32;
constexpr uint16_t kThresholdCount = 42;
constexpr uint16_t kAdvancedMarker = 52;
constexpr uint16_t kMEDGamma = 54;
constexpr uint16_t kMEDNetr = 56;
constexpr uint16_t kTIzmN = 80;
constexpr uint16_t kCoeffNN81 = 81;
constexpr uint16_t kThresholdFloatLow = 102;
constexpr uint16_t kThresholdFloatHigh = 104;
constexpr uint16_t kUnitCode = 255;
constexpr uint16_t kAdvancedMarkerValue = 0x2007;
} // namespace cell

// The instruments' command set on an open link. It never opens or closes the link itself.
// Every primitive returns true only when every check of the answer passed and leaves its
// output untouched otherwise (the text reads empty theirs first, as the identification
// expects). Nothing here retries: the caller decides on its next tick.
//
// One instance serves the whole program, so the settings block layout found by the last
// ReadSettingsBlock (BlockShift) lives here.
class DeviceProtocol {
public:
    explicit DeviceProtocol(IrdaLink& link) : m_link(link) {}

    // Receives every frame sent and every answer received; empty = no logging.
    void setFrameLogger(FrameLogger logger) { m_logger = std::move(logger); }

    // A raw exchange for callers that check the answers themselves (the history read). It
    // goes through the same choke point as every primitive, so the frame log sees it.
    bool Exchange(uint8_t* buffer, int32_t capacity, int32_t requestLength, int32_t& answerLength);

    // 0 when the last settings block answer was 56 bytes long, 1 otherwise.
    int BlockShift() const { return m_blockShift; }

    // M and GN families.
    bool ReadReg91(uint16_t& value);
    bool WriteReg91(uint16_t value);
    bool ReadCoeffN(double& value);
    bool WriteCoeffN(double value);
    bool ReadHistTime(uint16_t& minutes);
    bool WriteHistTime(uint16_t minutes);
    bool ReadRegD2(double& value);
    bool ReadDeviceClock(double& dateTime);
    bool WriteDeviceClock(double dateTime);
    bool WriteNextHistMark(uint16_t minutes);
    bool ReadFlagsD4(uint16_t& flags);
    bool WriteFlagsD4(uint16_t flags);
    bool ReadFlagsD3(uint16_t& flags);
    bool WriteFlagsD3(uint16_t flags);
    bool ReadUnitFlag(uint8_t& flag);
    bool ReadRegC9(uint16_t& divisor);
    bool SetMemoryAddress(uint16_t address);
    bool ReadMemoryWord(uint16_t& word);
    bool WriteMemoryWord(uint16_t word);
    bool ClearHistory();
    bool SendCommandD0();
    bool ReadNameText(QString& text);
    bool ReadModelText(QString& text);
    bool ReadNumberText(QString& text);

    // Cells of the memory window. A cell write that keeps part of the word reads it first
    // and writes the data register again without re-sending the address.
    bool ReadCell32(double& value);   // high byte / 10
    bool WriteCell32(double value);   // high byte = round(value * 10) and 0xFF
    bool ReadCell42(uint16_t& count); // threshold count
    bool WriteCell42(uint16_t count);
    bool AdvancedMarker(bool& advanced);  // word 52 is 0x2007
    bool ReadCell54(double& value);       // word
    bool WriteCell54(double value);       // word = round(value)
    bool ReadCell56(double& value);       // word / 10
    bool WriteCell56(double value);       // word = round(value * 10)
    bool ReadCell80(uint8_t& value);      // low byte
    bool WriteCell80(uint8_t value);      // low byte, high byte kept
    bool ReadCell81(double& value);       // low byte / 16
    bool WriteCell81(double value);       // low byte = round(value * 16) and 0xFF
    bool ReadCellFloat102(double& value); // device float in words 102 and 104
    bool WriteCellFloat102(double value);
    bool ReadUnitCode(uint8_t& code); // low byte of word 255

    // K family.
    bool ReadHistSeconds(uint16_t& seconds);
    bool WriteHistSeconds(uint16_t seconds);
    bool WriteReg99(uint16_t value);
    bool ReadClockSeconds(double& dateTime);
    bool WriteClockSeconds(double dateTime);
    bool ReadCoeffNK(double& value);
    bool WriteCoeffNK(double value);
    bool ReadCoeffNNK(double& value);
    bool ReadTIzmNK(uint8_t& value);
    bool WriteRegBC(uint8_t lowByte, double real);
    bool ReadFlagsB7(uint16_t& flags);
    bool WriteFlagsB7(uint16_t flags);
    bool ReadPorogGeiger(double& value);
    bool WritePorogGeiger(double value);
    // block receives answer bytes 6 to the end: block byte i is answer byte i + 6.
    bool ReadSettingsBlock(QByteArray& block);
    // Sends block bytes 0 to 50; missing bytes go out as 0x00.
    bool WriteSettingsBlock(const QByteArray& block);

    // Composite.
    // newFirmware: the lower-cased version text contains "#v.".
    bool ReadVersionText(bool& newFirmware, QString* versionText = nullptr);
    // Sets the clock to now and then the minutes to the next history mark.
    bool SetClockAndHistMark(uint16_t histMinutes, double now);
    // Minutes to the next history mark, between 1 and 60; exposed for the clock-setting tests.
    static uint16_t NextHistMarkMinutes(uint16_t histMinutes, double now);

private:
    // The one choke point every frame passes through.
    bool transfer(uint8_t* buffer, int32_t capacity, int32_t requestLength, int32_t& answerLength);

    bool readValue(uint8_t reg, uint8_t tag, uint8_t (&value)[4]);
    bool readWord(uint8_t reg, uint16_t& word);
    bool readLong(uint8_t reg, uint8_t (&value)[4]);
    bool writeWord(uint8_t reg, uint16_t word);
    bool writeLong(uint8_t reg, const uint8_t (&value)[4]);
    bool command(uint8_t reg);
    bool writeFrame(const uint8_t* request, int32_t requestLength, int32_t capacity);
    bool readText(uint8_t reg, int32_t capacity, QString& text);
    bool readCell(uint16_t address, uint16_t& word);
    bool writeCell(uint16_t address, uint16_t word);
    bool changeCell(uint16_t address, uint16_t keepMask, uint16_t bits);

    IrdaLink& m_link;
    FrameLogger m_logger;
    int m_blockShift = 0;
};

// Conversions of host values into the instruments' unsigned fields: rounded half to even and
// held within the field's range, so that an out-of-range value writes the nearest limit
// rather than a wrapped-around one (NaN writes 0).
uint16_t toWordSaturated(double value);
uint8_t toByteSaturated(double value);

} // namespace qz
