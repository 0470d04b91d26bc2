#pragma once

#include "sim/HistoryRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace qz::sim {

// The register layouts the instruments come in. M and GN instruments share their frame set
// (registers, memory window, version text); K instruments have their own registers and a
// settings block.
enum class Family { MBasic, MExtended, GNBasic, GNExtended, K };

QString familyName(Family family);
std::optional<Family> familyFromName(const QString& name);
// The family of a model text the instruments report ("QZ5520GN", "5520GNO", "QZ5520M-O1"...).
std::optional<Family> familyOfModel(const QString& model);
// The history layout an instrument of this family writes, given the name it announces
// (a name containing "QZ_Pa" means the pager record layouts).
HistoryLayout defaultLayout(Family family, const QString& announcedName);

// What goes wrong with an instrument's answers. A fault strikes the exchanges whose request
// names `reg` (every register when -1): it lets the first `skip` of them pass, then strikes
// `times` of them (every one when -1).
//   NoAnswer:    the request never arrives: no state change, the transfer fails;
//   WrongStatus: answer byte 0 becomes `value` (0x80 when -1);
//   ShortAnswer: the answer loses its last `value` bytes (1 when -1);
//   WrongLength: answer byte 2 becomes `value` (the right length + 1 when -1).
// The last three change the answer only: the instrument did what it was asked.
enum class FaultKind { NoAnswer, WrongStatus, ShortAnswer, WrongLength };

struct Fault {
    FaultKind kind = FaultKind::NoAnswer;
    int reg = -1;
    int skip = 0;
    int times = -1;
    int value = -1;
    int seen = 0; // matching exchanges so far
};

QString faultKindName(FaultKind kind);
std::optional<FaultKind> faultKindFromName(const QString& name);

// A register read and written as a whole value: a word (byte-string of two bytes) or a long.
struct Register {
    bool isLong = false;
    uint32_t value = 0;
};

// One simulated instrument: its configuration, its memory and what was done to it. Every
// field is open to tests; the simulated link owns the instruments it holds.
struct SimInstrument {
    // Fills the registers and memory with plausible values of the family and derives the
    // rest: announced name "<model>#<number>" when none is given, the history layout, and
    // for a pager-type name ("qz_pager" in any case) the identity texts name = announced
    // name, model, number.
    SimInstrument(Family family, const QString& model, int number,
                  const QString& announcedName = {});

    Family family;
    HistoryLayout layout;
    QString announcedName;
    QString model;
    int number = 0;

    // Registers 0xD7, 0xD8, 0x01; only pager-type instruments answer them unless set.
    bool answersIdentity = false;
    QByteArray nameText;
    QByteArray modelText;
    QByteArray numberText;
    // Register 0x80 once 0x82 has selected it; up to 16 bytes, zero padded in the answer.
    QByteArray versionText;

    std::map<uint8_t, Register> registers;    // plain word and long registers
    std::map<uint16_t, uint16_t> memory;      // settings memory behind 0x00/0x9C; absent = 0
    QByteArray settingsBlock;                 // K: 53 bytes (59-byte answer) or 50 (56-byte)
    QByteArray history;                       // the history memory as the instrument stores it
    std::map<uint8_t, QByteArray> rawAnswers; // read of the register answers these bytes as is

    std::vector<Fault> faults;
    int leavesRangeAfter = -1; // exchanges after which it is out of range; -1 never
    bool inRange = true;
    qint64 clockOffsetMs = 0; // instrument clock minus the simulation's clock

    // What the instrument has seen.
    int exchanges = 0;
    int clearHistoryCount = 0;
    int commandD0Count = 0;
    uint16_t memoryAddress = 0;
    bool versionSelected = false;
    int historyCursor = -1; // next history byte to send; -1 when no read is under way

    bool isKFamily() const { return family == Family::K; }

    uint16_t word(uint8_t reg) const;
    void setWord(uint8_t reg, uint16_t value);
    uint32_t longValue(uint8_t reg) const;
    void setLong(uint8_t reg, uint32_t value);
    double floatValue(uint8_t reg) const; // a long register holding a device float
    void setFloat(uint8_t reg, double value);
    uint16_t memoryWord(uint16_t address) const;
    void setMemoryWord(uint16_t address, uint16_t value);
    // Memory words 102 and 104, the threshold of pager-type instruments.
    double memoryFloat() const;
    void setMemoryFloat(double value);

    // Dose-rate unit: bit 5 of flag word 0xD3; the classic unit code: low byte of word 255.
    bool unitFlag() const;
    void setUnitFlag(bool set);
    void setUnitCode(uint8_t code);

    void appendHistory(const HistoryRecord& record);
    int historyRecordCount() const { return int(history.size()) / historyRecordSize(layout); }

    QDateTime clockAt(const QDateTime& now) const;
    void setClock(const QDateTime& instrumentTime, const QDateTime& now);

    // Answers one request frame as the instrument would; no value: no answer. expected and
    // capacity only size the history parts; the link cuts every answer to the capacity.
    std::optional<QByteArray> answer(const QByteArray& request, int expected, int capacity,
                                     const QDateTime& now);

private:
    std::optional<QByteArray> readRegister(uint8_t reg, const QDateTime& now);
    std::optional<QByteArray> historyPart(bool first, int expected, int capacity);
    std::optional<QByteArray> command(uint8_t reg);
    std::optional<QByteArray> writeValue(uint8_t reg, const QByteArray& value,
                                         const QDateTime& now);
    std::optional<QByteArray> writeBlock(uint8_t reg, const QByteArray& value);
};

} // namespace qz::sim
