#include "common/platform/RtfWriter.h"

#include "common/platform/TextDecoding.h"

#include <QHash>
#include <QSaveFile>

namespace qz {
namespace {

// The Windows-1251 byte of each character above 0x7F that the code page holds.
const QHash<char16_t, uint8_t>& windows1251Bytes()
{
    static const QHash<char16_t, uint8_t> table = [] {
        QHash<char16_t, uint8_t> t;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const QString c = decodeWindows1251(QByteArray(1, char(b)));
            if (c.size() == 1 && c[0] != QChar::ReplacementCharacter)
                t.insert(c[0].unicode(), uint8_t(b));
        }
        return t;
    }();
    return table;
}

void appendHexByte(QByteArray& out, uint8_t byte)
{
    out += "\\'";
    out += QByteArray::number(byte, 16).rightJustified(2, '0');
}

void appendText(QByteArray& out, const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == '\n') {
            out += "\\line ";
        } else if (u < 0x20 || u == 0x7F) {
            // Other control characters have no place in a line of text.
        } else if (u < 0x80) {
            out += char(u);
        } else {
            // \u takes a signed 16-bit number; the fallback is a hex escape rather than a
            // literal character so that readers which skip "one character" after \u agree
            // on what that character is.
            out += "\\u";
            out += QByteArray::number(int(int16_t(u)));
            appendHexByte(out, windows1251Bytes().value(u, uint8_t('?')));
        }
    }
}

} // namespace

QByteArray writeRtf(const RtfDocument& document)
{
    QList<RtfColour> colours;
    for (const RtfLine& line : document.lines)
        for (const RtfRun& run : line)
            if (!colours.contains(run.colour))
                colours.append(run.colour);

    QByteArray out;
    out += "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n";
    out += "{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset204 ";
    appendText(out, document.fontName);
    out += ";}}\n";
    // Entry 0 stays the reader's automatic colour; the runs use entries 1 and up.
    out += "{\\colortbl ;";
    for (const RtfColour& c : colours)
        out += "\\red" + QByteArray::number(c.red) + "\\green" + QByteArray::number(c.green) +
               "\\blue" + QByteArray::number(c.blue) + ';';
    out += "}\n";
    out += "\\viewkind4\\pard\\plain\\f0\\fs" + QByteArray::number(document.fontSizeHalfPoints);
    out += ' ';

    // Character formatting carries over paragraph marks, so only changes are written.
    int colourIndex = 0;
    bool italic = false;
    bool bold = false;
    for (qsizetype l = 0; l < document.lines.size(); ++l) {
        if (l > 0)
            out += "\\par\n";
        for (const RtfRun& run : document.lines[l]) {
            QByteArray words;
            const int index = int(colours.indexOf(run.colour)) + 1;
            if (index != colourIndex)
                words += "\\cf" + QByteArray::number(index);
            if (run.bold != bold)
                words += run.bold ? "\\b" : "\\b0";
            if (run.italic != italic)
                words += run.italic ? "\\i" : "\\i0";
            if (!words.isEmpty())
                out += words + ' ';
            colourIndex = index;
            bold = run.bold;
            italic = run.italic;
            appendText(out, run.text);
        }
    }
    out += "\n}\n";
    return out;
}

bool saveRtf(const QString& path, const RtfDocument& document, QString* error)
{
    QSaveFile file(path);
    const bool ok =
        file.open(QIODevice::WriteOnly) && file.write(writeRtf(document)) >= 0 && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

} // namespace qz
