#include "common/platform/ui/RichTextBox.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace qz {
namespace {

RtfColour rtfColour(const QColor& c)
{
    return {uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())};
}

} // namespace

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setUndoRedoEnabled(false);
}

void RichTextBox::setTextColour(const QColor& colour)
{
    m_textColour = colour;
    QPalette p = palette();
    p.setColor(QPalette::Text, colour);
    setPalette(p);
}

void RichTextBox::clearLines()
{
    clear();
    m_hasLines = false;
}

void RichTextBox::appendLine(const QString& text)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setFont(font());
    format.setForeground(m_textColour);
    // The empty document's one block becomes the first line.
    if (m_hasLines)
        cursor.insertBlock(cursor.blockFormat(), format);
    cursor.setBlockCharFormat(format);
    // A line break inside the text would make two lines of one; the box holds lines.
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    cursor.insertText(line, format);
    m_hasLines = true;
}

QTextCursor RichTextBox::lineRange(int line, int start, int length) const
{
    if (line < 0 || line >= lineCount())
        return {};
    const QTextBlock block = document()->findBlockByNumber(line);
    const int lineLength = block.length() - 1;
    const int from = std::clamp(start, 0, lineLength);
    const int to = std::clamp(length > 0 ? start + length : from, from, lineLength);
    if (from == to)
        return {};
    QTextCursor cursor(document());
    cursor.setPosition(block.position() + from);
    cursor.setPosition(block.position() + to, QTextCursor::KeepAnchor);
    return cursor;
}

void RichTextBox::colourRange(int line, int start, int length, const QColor& colour)
{
    QTextCursor cursor = lineRange(line, start, length);
    if (cursor.isNull())
        return;
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.mergeCharFormat(format);
}

void RichTextBox::italicRange(int line, int start, int length, bool italic)
{
    QTextCursor cursor = lineRange(line, start, length);
    if (cursor.isNull())
        return;
    QTextCharFormat format;
    format.setFontItalic(italic);
    cursor.mergeCharFormat(format);
}

int RichTextBox::lineCount() const
{
    return m_hasLines ? document()->blockCount() : 0;
}

QStringList RichTextBox::lines() const
{
    QStringList out;
    if (!m_hasLines)
        return out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        out.append(b.text());
    return out;
}

int RichTextBox::lineAt(int position) const
{
    if (!m_hasLines || position < 0)
        return -1;
    const QTextBlock block = document()->findBlock(position);
    return block.isValid() ? block.blockNumber() : -1;
}

int RichTextBox::lineStart(int line) const
{
    if (line < 0 || line >= lineCount())
        return -1;
    return document()->findBlockByNumber(line).position();
}

int RichTextBox::selectionStart() const
{
    return textCursor().selectionStart();
}

int RichTextBox::selectionLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void RichTextBox::select(int start, int length)
{
    QTextCursor cursor(document());
    const int end = document()->characterCount() - 1;
    const int from = std::clamp(start, 0, end);
    cursor.setPosition(from);
    cursor.setPosition(std::clamp(from + std::max(length, 0), from, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void RichTextBox::moveCaretToEnd()
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
}

RtfDocument RichTextBox::toRtfDocument() const
{
    RtfDocument doc;
    doc.fontName = font().family();
    const QFont f = font();
    // Half points; a font sized in pixels is taken at 96 pixels per inch, as on screen.
    const double points = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / 96.0;
    doc.fontSizeHalfPoints = std::max(2, int(std::lround(points * 2)));
    if (!m_hasLines)
        return doc;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        RtfLine line;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            RtfRun run;
            run.text = fragment.text();
            run.colour = rtfColour(format.hasProperty(QTextFormat::ForegroundBrush)
                                       ? format.foreground().color()
                                       : m_textColour);
            run.italic = format.fontItalic();
            run.bold = format.hasProperty(QTextFormat::FontWeight)
                           ? format.fontWeight() >= QFont::DemiBold
                           : f.bold();
            // Neighbouring fragments of the same look make one run.
            if (!line.isEmpty() && line.last().colour == run.colour &&
                line.last().italic == run.italic && line.last().bold == run.bold)
                line.last().text += run.text;
            else
                line.append(run);
        }
        doc.lines.append(line);
    }
    return doc;
}

} // namespace qz
