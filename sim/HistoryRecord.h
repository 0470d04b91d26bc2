#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace qz::sim {

// How an instrument lays out one event in its history memory.
//   P  (pager name "QZ_Pa...", older gamma):  minutes:24, kind, value d0 d1 / threshold words
//   PG (pager name, new gamma-neutron):        as P plus the neutron value d0 d1 in bytes 6, 7
//   O  (classic and extended models):          minutes:32, word, kind, aux
//   OG (new gamma-neutron without pager name): minutes:24, kind, word, packed neutron value
//   K  (6610K, 5520K): 16 bytes, seconds:32, word, neutron float, value float, 0, kind
enum class HistoryLayout { P, PG, O, OG, K };

int historyRecordSize(HistoryLayout layout);
QString layoutName(HistoryLayout layout);
std::optional<HistoryLayout> layoutFromName(const QString& name);

// One event as fields. The time is either a local date-time or a raw count (minutes, or
// seconds for layout K); a valid `when` wins. Fields a layout has no room for are dropped:
//   P:  'S'/'s' put `word` in bytes 4-5 when aux is 0, in bytes 6-7 when aux is 1; other
//       kinds keep only d0 d1 of `value` (sign, exponent and the top 7 mantissa bits).
//   PG: as P; other kinds also keep d0 d1 of |neutron| in bytes 6-7.
//   O:  `word` as the raw count (the reader applies its correction), `aux` in byte 7.
//   OG: `word`, and |neutron| with 8 mantissa bits, for every kind.
//   K:  `word`, `neutron` and `value` as full device floats.
struct HistoryRecord {
    char kind = 'A';
    QDateTime when;
    qint64 count = 0;
    uint16_t word = 0;
    uint8_t aux = 0;
    double value = 0.0;
    double neutron = 0.0;
};

// The instrument's time count of a local date-time: whole minutes or seconds since
// 1999-01-01 00:00, rounded down (an instrument stamps the minute or second it is in).
qint64 minutesCountOf(const QDateTime& when);
qint64 secondsCountOf(const QDateTime& when);

QByteArray encodeHistoryRecord(const HistoryRecord& record, HistoryLayout layout);

} // namespace qz::sim
