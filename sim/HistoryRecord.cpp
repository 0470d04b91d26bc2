#include "sim/HistoryRecord.h"

#include "sim/SimClock.h"
#include "tray/link/DeviceValues.h"

#include <cmath>

namespace qz::sim {

int historyRecordSize(HistoryLayout layout)
{
    return layout == HistoryLayout::K ? 16 : 8;
}

QString layoutName(HistoryLayout layout)
{
    switch (layout) {
    case HistoryLayout::P:
        return QStringLiteral("P");
    case HistoryLayout::PG:
        return QStringLiteral("PG");
    case HistoryLayout::O:
        return QStringLiteral("O");
    case HistoryLayout::OG:
        return QStringLiteral("OG");
    case HistoryLayout::K:
        return QStringLiteral("K");
    }
    return {};
}

std::optional<HistoryLayout> layoutFromName(const QString& name)
{
    for (auto layout : {HistoryLayout::P, HistoryLayout::PG, HistoryLayout::O, HistoryLayout::OG,
                        HistoryLayout::K}) {
        if (name.compare(layoutName(layout), Qt::CaseInsensitive) == 0)
            return layout;
    }
    return std::nullopt;
}

qint64 minutesCountOf(const QDateTime& when)
{
    return floorDiv(deviceEpochMs(when), 60000);
}

qint64 secondsCountOf(const QDateTime& when)
{
    return floorDiv(deviceEpochMs(when), 1000);
}

namespace {

void putLe(QByteArray& out, int at, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + i] = char((value >> (8 * i)) & 0xFF);
}

void putFloat(QByteArray& out, int at, double value)
{
    const DeviceFloatBytes f = encodeDeviceFloat(value);
    for (int i = 0; i < 4; ++i)
        out[at + i] = char(f[i]);
}

bool isThresholdKind(char kind)
{
    return kind == 'S' || kind == 's';
}

} // namespace

QByteArray encodeHistoryRecord(const HistoryRecord& r, HistoryLayout layout)
{
    QByteArray out(historyRecordSize(layout), '\0');
    if (layout == HistoryLayout::K) {
        const qint64 seconds = r.when.isValid() ? secondsCountOf(r.when) : r.count;
        putLe(out, 0, uint64_t(seconds), 4);
        putLe(out, 4, r.word, 2);
        putFloat(out, 6, r.neutron);
        putFloat(out, 10, r.value);
        out[15] = r.kind;
        return out;
    }

    const qint64 minutes = r.when.isValid() ? minutesCountOf(r.when) : r.count;
    switch (layout) {
    case HistoryLayout::P:
    case HistoryLayout::PG:
        putLe(out, 0, uint64_t(minutes), 3);
        out[3] = r.kind;
        if (isThresholdKind(r.kind)) {
            putLe(out, r.aux == 1 ? 6 : 4, r.word, 2);
        } else {
            const DeviceFloatBytes v = encodeDeviceFloat(r.value);
            out[4] = char(v[0]);
            out[5] = char(v[1]);
            if (layout == HistoryLayout::PG) {
                const DeviceFloatBytes n = encodeDeviceFloat(std::fabs(r.neutron));
                out[6] = char(n[0]);
                out[7] = char(n[1]);
            }
        }
        break;
    case HistoryLayout::O:
        putLe(out, 0, uint64_t(minutes), 4);
        putLe(out, 4, r.word, 2);
        out[6] = r.kind;
        out[7] = char(r.aux);
        break;
    case HistoryLayout::OG: {
        putLe(out, 0, uint64_t(minutes), 3);
        out[3] = r.kind;
        putLe(out, 4, r.word, 2);
        // Byte 6 carries the top 7 mantissa bits shifted up by one with mantissa bit 7 below
        // them; the sign has no room and the reader takes the value as positive.
        const DeviceFloatBytes n = encodeDeviceFloat(std::fabs(r.neutron));
        out[6] = char(((n[0] & 0x7F) << 1) | (n[2] >> 7));
        out[7] = char(n[1]);
        break;
    }
    case HistoryLayout::K:
        break;
    }
    return out;
}

} // namespace qz::sim
