#pragma once

#include "tray/history/HistoryEvent.h"

#include <QByteArray>

#include <cstdint>
#include <span>

namespace qz {

// How the 8-byte records of a history memory are laid out. The session knows it from two
// flags: PagerFormat (the announced name contains "QZ_Pa") and GNNewGen.
//   P  : minutes:24, kind, value d0 d1 (or threshold words for 'S'/'s')
//   PG : as P, plus the neutron value d0 d1 in bytes 6-7
//   O  : minutes:32 signed, word, kind, aux
//   OG : minutes:24, kind, word, packed neutron value
enum class HistoryLayout { P, PG, O, OG };

HistoryLayout historyLayout(bool pagerFormat, bool gnNewGen);

// What decoding the 8-byte records depends on.
struct HistoryDecodeParams {
    bool PagerFormat = false;
    bool GNNewGen = false;
    // Count correction: Word + round(CurCoef * Word * Word), modulo 65536, on layouts O and
    // OG for kinds other than 'S' and 's'. 0 changes nothing; a coefficient that is not
    // finite is taken as 0.
    double CurCoef = 0.0;
};

// The corrected count.
uint16_t correctCount(uint16_t word, double curCoef);

// One 8-byte record. The result's PagerFormat is params.PagerFormat.
HistoryEvent decodeHistoryRecord(std::span<const uint8_t, kHistoryRecordSize> record,
                                 const HistoryDecodeParams& params);

// Whether a decoded record counts: layouts P and PG drop a record of a kind other than 'S'
// and 's' whose Value is at or above ValueLimit.
bool historyRecordCounts(const HistoryEvent& event, const HistoryDecodeParams& params);

// Decodes a collected history memory into events, in memory order. The array is zeroed
// first, so every element from the returned count on is zero (including the element of a
// dropped last record). A remainder of less than a record is ignored, and so is anything
// beyond the array's room.
int decodeHistoryMemory(std::span<const uint8_t> memory, const HistoryDecodeParams& params,
                        HistoryEvents& events);

// One 16-byte record of the K instruments.
HistoryEvent6610 decodeHistoryRecord6610(std::span<const uint8_t, kHistoryRecordSize6610> record);

// Decodes a K memory; every whole record counts.
int decodeHistoryMemory6610(std::span<const uint8_t> memory, HistoryEvents6610& events);

inline std::span<const uint8_t> bytesOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

} // namespace qz
