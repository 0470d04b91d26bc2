#include "tray/history/ui/HistoryPrint.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace qz {

HistoryPrintRange historyPrintRange(const QStringList& lines, bool selectionOnly,
                                    int selectionStart, int selectionLength)
{
    const int count = int(lines.size());
    if (!selectionOnly || selectionLength <= 0)
        return {0, count - 1};
    // Adding up bare line lengths until they reach the selection's length loses the lines
    // at the end of a selection that starts late in a long line (and takes a line too many
    // for one that ends on a line end), so the range is taken from the positions instead.
    const auto lineOf = [&lines, count](int position) {
        int lineStart = 0;
        for (int i = 0; i < count; ++i) {
            const int next = lineStart + int(lines[i].size()) + 1; // the line end counts
            if (position < next)
                return i;
            lineStart = next;
        }
        return count - 1;
    };
    const int first = lineOf(std::max(selectionStart, 0));
    const int last = lineOf(std::max(selectionStart, 0) + selectionLength - 1);
    return {first, std::max(first, last)};
}

int deviceCardLastLine(const QStringList& lines)
{
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].startsWith(QLatin1Char('-')))
            return i;
    return int(lines.size()) - 1;
}

namespace {

QFont printFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(14);
    return font;
}

} // namespace

bool printHistory(QPrinter& printer, const QStringList& lines, const HistoryPrintRange& range,
                  bool withDeviceCard)
{
    const int first = std::max(range.first, 0);
    const int last = std::min(range.last, int(lines.size()) - 1);
    if (last < first)
        return false;

    printer.setPageOrientation(QPageLayout::Portrait);
    const QFont font = printFont();
    {
        const QFontMetrics metrics(font, &printer);
        const int limit = printer.width() - 100;
        for (int i = first; i <= last; ++i) {
            if (metrics.horizontalAdvance(lines[i]) > limit) {
                printer.setPageOrientation(QPageLayout::Landscape);
                break;
            }
        }
    }

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(painter.font(), &printer);
    // The printed height of a line is the font's line height, the same for every line.
    const int h = metrics.height();
    const int step = int(h * 1.1);
    const int pageHeight = printer.height();

    int y = 100;
    bool pageFull = false;
    const auto printLine = [&](const QString& text) {
        // A page is started only when a line is left for it, so the last page is never blank.
        if (pageFull) {
            printer.newPage();
            y = 100;
            pageFull = false;
        }
        painter.drawText(100, y + metrics.ascent(), text);
        y += step;
        if (y + 100 >= pageHeight)
            pageFull = true;
    };

    if (withDeviceCard)
        for (int i = 0, end = deviceCardLastLine(lines); i <= end; ++i)
            printLine(lines[i]);
    for (int i = first; i <= last; ++i)
        printLine(lines[i]);
    return painter.end();
}

} // namespace qz
