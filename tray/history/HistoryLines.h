#pragma once

#include "common/platform/Formats.h"
#include "tray/history/HistoryEvent.h"

#include <QList>
#include <QString>

#include <functional>
#include <span>

namespace qz {

class LangTable;

// Width of the name column of an event line.
constexpr int EventColumn = 30;

// Colour of a line's name column.
enum HistoryLineColour { LineColourNone = 0, LineColourRed = 1, LineColourGreen = 2 };

// One line of the history window as the event lines produce it.
struct HistoryLine {
    QString text;
    int width = 0;  // characters of the name column, EventColumn or 0
    int colour = 0; // HistoryLineColour
    bool operator==(const HistoryLine&) const = default;
};

// The session values the event lines depend on.
struct HistorySessionValues {
    QString CurUnitsText; // language line 44, 95 or 96
    bool IsGNFamily = false;
    bool GNNewGen = false;
    bool NewFirmware = false;
    bool MEDMode = false;
};

// How numbers and dates are written; the system's settings unless a caller fixes them (the
// tests and golden files do, so that they read the same on every machine).
struct HistoryTextFormat {
    QString decimalPoint = systemDecimalPoint();
    QString dateFormat = systemShortDateFormat();
};

// Receives each line as it is produced, in posting order.
using HistoryLinePost = std::function<void(const HistoryLine&)>;

// The lines of the events of a 5520/5530 history, in posting order: header lines (MEDMode),
// one line per event, two for 'F'/'f' of a gamma-neutron instrument, up to two for 's'.
void buildHistoryLines(std::span<const HistoryEvent> events, const HistorySessionValues& session,
                       const LangTable& lang, const HistoryTextFormat& format,
                       const HistoryLinePost& post);
QList<HistoryLine> historyLines(std::span<const HistoryEvent> events,
                                const HistorySessionValues& session, const LangTable& lang,
                                const HistoryTextFormat& format = {});

// The lines of the events of a K instrument: up to three lines per event (one per channel),
// no header lines, no dependence on the session flags.
void buildHistoryLines6610(std::span<const HistoryEvent6610> events, const LangTable& lang,
                           const HistoryTextFormat& format, const HistoryLinePost& post);
QList<HistoryLine> historyLines6610(std::span<const HistoryEvent6610> events, const LangTable& lang,
                                    const HistoryTextFormat& format = {});

} // namespace qz
