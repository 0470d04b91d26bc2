#include "tray/history/HistoryDecode.h"

#include "common/platform/DateTimeDays.h"
#include "tray/link/DeviceValues.h"

#include <algorithm>
#include <cmath>

namespace qz {

namespace {

uint16_t word16(const uint8_t* b)
{
    return uint16_t(b[0] | (b[1] << 8));
}

uint32_t unsigned24(const uint8_t* b)
{
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16);
}

int32_t signed32(const uint8_t* b)
{
    return int32_t(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) |
                   (uint32_t(b[3]) << 24));
}

double minutesToDays(double minutes)
{
    return minutes / 1440.0 + kDay1999;
}

bool isThresholdKind(char kind)
{
    return kind == 'S' || kind == 's';
}

} // namespace

HistoryLayout historyLayout(bool pagerFormat, bool gnNewGen)
{
    if (pagerFormat)
        return gnNewGen ? HistoryLayout::PG : HistoryLayout::P;
    return gnNewGen ? HistoryLayout::OG : HistoryLayout::O;
}

uint16_t correctCount(uint16_t word, double curCoef)
{
    const double w = word;
    const double correction = std::nearbyint(curCoef * w * w);
    if (!std::isfinite(correction))
        return word;
    // Every double of this size is a whole number, so the remainder is exact.
    double low = std::fmod(correction, 65536.0);
    if (low < 0)
        low += 65536.0;
    return uint16_t((uint32_t(word) + uint32_t(low)) & 0xFFFF);
}

HistoryEvent decodeHistoryRecord(std::span<const uint8_t, kHistoryRecordSize> record,
                                 const HistoryDecodeParams& params)
{
    const uint8_t* b = record.data();
    HistoryEvent e;
    e.PagerFormat = params.PagerFormat;
    switch (historyLayout(params.PagerFormat, params.GNNewGen)) {
    case HistoryLayout::P:
    case HistoryLayout::PG:
        e.When = minutesToDays(unsigned24(b));
        e.Kind = char(b[3]);
        if (isThresholdKind(e.Kind)) {
            // A neutron threshold change leaves the gamma word empty.
            e.Word = word16(b + 4);
            if (e.Word == 0) {
                e.Aux = 1;
                e.Word = word16(b + 6);
            }
        } else {
            e.Value = decodeDeviceFloat(b[4], b[5], 0, 0);
            if (params.GNNewGen)
                e.NeutronValue = std::fabs(decodeDeviceFloat(b[6], b[7], 0, 0));
        }
        break;
    case HistoryLayout::O:
        e.When = minutesToDays(signed32(b));
        e.Kind = char(b[6]);
        e.Word = word16(b + 4);
        if (!isThresholdKind(e.Kind))
            e.Word = correctCount(e.Word, params.CurCoef);
        e.Aux = b[7];
        if (e.Aux == 0 && e.Kind == 'N')
            e.Aux = 1;
        break;
    case HistoryLayout::OG:
        e.When = minutesToDays(unsigned24(b));
        e.Kind = char(b[3]);
        e.Word = word16(b + 4);
        if (!isThresholdKind(e.Kind))
            e.Word = correctCount(e.Word, params.CurCoef);
        // The instrument stores the neutron value without its sign bit, so byte 6 holds the
        // mantissa's top eight bits; the lowest of them belongs to d2's bit 7, not to d3.
        e.NeutronValue =
            std::fabs(decodeDeviceFloat(uint8_t(b[6] >> 1), b[7], uint8_t((b[6] & 1) << 7), 0));
        break;
    }
    return e;
}

bool historyRecordCounts(const HistoryEvent& event, const HistoryDecodeParams& params)
{
    if (!params.PagerFormat || isThresholdKind(event.Kind))
        return true;
    return !(event.Value >= ValueLimit);
}

int decodeHistoryMemory(std::span<const uint8_t> memory, const HistoryDecodeParams& params,
                        HistoryEvents& events)
{
    events.fill(HistoryEvent{});
    const size_t records =
        std::min(memory.size() / kHistoryRecordSize, size_t(kHistoryEventCapacity));
    int count = 0;
    for (size_t r = 0; r < records; ++r) {
        const HistoryEvent e = decodeHistoryRecord(
            memory.subspan(r * kHistoryRecordSize).first<kHistoryRecordSize>(), params);
        if (historyRecordCounts(e, params))
            events[size_t(count++)] = e;
    }
    return count;
}

HistoryEvent6610 decodeHistoryRecord6610(std::span<const uint8_t, kHistoryRecordSize6610> record)
{
    const uint8_t* b = record.data();
    HistoryEvent6610 e;
    e.When = double(signed32(b)) / 86400.0 + kDay1999;
    e.Word = word16(b + 4);
    e.NeutronValue = decodeDeviceFloat(b[6], b[7], b[8], b[9]);
    e.Value = decodeDeviceFloat(b[10], b[11], b[12], b[13]);
    e.Kind = char(b[15]);
    return e;
}

int decodeHistoryMemory6610(std::span<const uint8_t> memory, HistoryEvents6610& events)
{
    events.fill(HistoryEvent6610{});
    const size_t records =
        std::min(memory.size() / kHistoryRecordSize6610, size_t(kHistoryEventCapacity6610));
    for (size_t r = 0; r < records; ++r)
        events[r] = decodeHistoryRecord6610(
            memory.subspan(r * kHistoryRecordSize6610).first<kHistoryRecordSize6610>());
    return int(records);
}

} // namespace qz
