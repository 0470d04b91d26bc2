#pragma once

#include <QStringList>

class QPrinter;

namespace qz {

// The lines of the history text to print, first..last inclusive (empty when last < first).
struct HistoryPrintRange {
    int first = 0;
    int last = -1;
    bool operator==(const HistoryPrintRange&) const = default;
};

// All lines, or those of the selection: from the line holding the selection's start to the
// line holding its last character (a selected line end belongs to the line it ends).
HistoryPrintRange historyPrintRange(const QStringList& lines, bool selectionOnly,
                                    int selectionStart, int selectionLength);

// Lines 0.. up to and including the first line that begins with '-' (the separator under
// the device card), or to the last line when there is none. -1 for no lines.
int deviceCardLastLine(const QStringList& lines);

// Prints the range on the printer in "Courier New" 14 pt without colours or wrapping, in
// printer units: each line at x = 100 from y = 100 down, a line height of 1.1 times the
// height of the range's first line, a new page when the next line would come within 100
// units of the page's bottom. Portrait, unless a line of the range is wider than the page
// width less 100. With withDeviceCard the device card goes first. The printer must be set
// up apart from its orientation. False when printing cannot start (no printer, unwritable
// file); nothing is then printed.
bool printHistory(QPrinter& printer, const QStringList& lines, const HistoryPrintRange& range,
                  bool withDeviceCard);

} // namespace qz
