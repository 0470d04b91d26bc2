#pragma once

#include <array>
#include <cstdint>

namespace qz {

// One event of the history memory of the 5520 and 5530 families, decoded.
struct HistoryEvent {
    // '0', '1', 'A', 'a', 'C', 'c', 'F', 'f', 'N', 'n', 'S' or 's'; any other byte is kept
    // and produces no line.
    char Kind = 0;
    // Days since 1899-12-30, the time of day as the fraction.
    double When = 0.0;
    // Count value; for 'S' and 's' the value before the change in the high byte and the
    // value after it in the low byte.
    uint16_t Word = 0;
    // Layouts P and PG, 'S'/'s': 0 gamma threshold, 1 neutron threshold. Layout O: record
    // byte 7 (the neutron count). Otherwise 0.
    uint8_t Aux = 0;
    // Never negative (layouts PG and OG).
    double NeutronValue = 0.0;
    // Primary value (layouts P and PG).
    double Value = 0.0;
    // Whether the record came from a pager-format memory; the value text depends on it.
    bool PagerFormat = false;
};

// One event of the K instruments (16-byte records), decoded.
struct HistoryEvent6610 {
    char Kind = 0;
    double When = 0.0;
    uint16_t Word = 0;
    double NeutronValue = 0.0;
    double Value = 0.0;
};

// The instruments' history memory is read up to this many bytes.
constexpr int kHistoryMemoryLimit = 8192;
constexpr int kHistoryRecordSize = 8;
constexpr int kHistoryRecordSize6610 = 16;
constexpr int kHistoryEventCapacity = 1024;
constexpr int kHistoryEventCapacity6610 = 512;

// A full memory of the smallest records fills the arrays exactly, so no read can overrun
// them.
static_assert(kHistoryMemoryLimit / kHistoryRecordSize <= kHistoryEventCapacity);
static_assert(kHistoryMemoryLimit / kHistoryRecordSize6610 <= kHistoryEventCapacity6610);

// The session's event arrays.
using HistoryEvents = std::array<HistoryEvent, kHistoryEventCapacity>;
using HistoryEvents6610 = std::array<HistoryEvent6610, kHistoryEventCapacity6610>;

// A decoded Value at or above this marks a record that does not count (layouts P and PG).
constexpr double ValueLimit = 1e28;

} // namespace qz
