#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

namespace qz {

// A colour of a rich-text run, 8 bits per channel.
struct RtfColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const RtfColour&) const = default;
};

// A stretch of text of one look.
struct RtfRun {
    QString text;
    RtfColour colour;
    bool italic = false;
    bool bold = false;
    bool operator==(const RtfRun&) const = default;
};

// One line (paragraph) of a document: its runs in order; no runs is an empty line.
using RtfLine = QList<RtfRun>;

struct RtfDocument {
    QList<RtfLine> lines;
    QString fontName = QStringLiteral("Courier New"); // set as fixed pitch, "modern" family
    int fontSizeHalfPoints = 24;                      // 12 pt
};

// The document as RTF: a font table with the one fixed-pitch font, a colour table of the
// colours used (in order of first use), one paragraph per line. The result is 7-bit ASCII:
// \ { } are escaped, other characters outside printable ASCII are written as \uN followed
// by their Windows-1251 byte as \'hh ('?' when the code page lacks them), which word
// processors and simpler readers both take.
QByteArray writeRtf(const RtfDocument& document);

// Writes the document to a file, replacing it only when the whole document was written.
// False with the system's message in `error` when the file cannot be written.
bool saveRtf(const QString& path, const RtfDocument& document, QString* error = nullptr);

} // namespace qz
