#include "tray/session/DeviceNames.h"

namespace qz {

namespace {

struct ModelToken {
    const char* token;
    const char* model;
};

constexpr ModelToken kGammaNeutron[] = {
    {"qz5520gn", "QZ5520GN"}, {"qz5530gn", "QZ5530GN"}, {"qz6610gn", "QZ6610GN"},
    {"5520gno", "5520GNO"},   {"6610gno", "6610GNO"},   {"6610gna", "6610GNA"},
};

constexpr ModelToken kOthers[] = {
    {"qz5520x", "QZ5520M"}, {"qz5520m", "QZ5520M"}, {"5520mo", "5520MO"},   {"6610ma", "6610MA"},
    {"5530a", "5530A"},     {"qz6610k", "QZ6610K"}, {"qz5520k", "QZ5520K"},
};

} // namespace

DeviceNameMatch matchDeviceNames(const QStringList& names)
{
    DeviceNameMatch match;
    for (int i = 0; i < names.size(); ++i) {
        match = DeviceNameMatch();
        match.index = i;
        const QString n = names.at(i).toLower();
        if (n.contains(QLatin1String("qz_pager"))) {
            match.pagerName = names.at(i);
            return match;
        }
        qsizetype p = -1;
        if (n.contains(QLatin1String("gn"))) {
            for (const ModelToken& row : kGammaNeutron) {
                if (n.contains(QLatin1String(row.token))) {
                    match.model = QLatin1String(row.model);
                    break;
                }
            }
            if (match.model.isEmpty())
                continue;
            p = n.indexOf(QLatin1Char('#'));
            if (p < 0)
                continue;
            p += 1;
        } else {
            for (const ModelToken& row : kOthers) {
                if (n.contains(QLatin1String(row.token)))
                    match.model = QLatin1String(row.model);
            }
            if (match.model.isEmpty())
                continue;
            p = n.indexOf(QLatin1String("n:"));
            if (p >= 0) {
                p += 2;
            } else {
                p = n.indexOf(QLatin1Char('#'));
                if (p < 0)
                    continue;
                p += 1;
            }
        }
        bool ok = false;
        const int serial = n.mid(p).trimmed().toInt(&ok, 10);
        match.serial = ok ? serial : -1;
        return match;
    }
    match = DeviceNameMatch();
    match.index = int(names.size());
    return match;
}

} // namespace qz
