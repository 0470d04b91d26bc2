#pragma once

#include "common/platform/RtfWriter.h"

#include <QColor>
#include <QStringList>
#include <QTextEdit>

namespace qz {

// A read-only rich-text box that holds lines of text. Lines are appended at the end and
// then coloured or set in italic by character ranges. Positions count the characters of
// the whole text with one character for each line end, the way the selection reports them.
// Lines are not wrapped: they are columns of a table and scroll sideways instead.
class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    // The colour of text that no range has coloured; also the box's palette text colour.
    void setTextColour(const QColor& colour);
    QColor textColour() const { return m_textColour; }

    // Empties the box: no lines at all.
    void clearLines();
    // Adds the text as the new last line, in the box's font and text colour.
    void appendLine(const QString& text);
    // Colours, or sets in italic (or upright), the characters [start, start + length) of a
    // line; the range is cut to the line. Nothing happens for a line that does not exist.
    void colourRange(int line, int start, int length, const QColor& colour);
    void italicRange(int line, int start, int length, bool italic);

    int lineCount() const;
    QStringList lines() const;
    // The line that holds a character position (a line end belongs to its line); -1 when
    // the position lies outside the text.
    int lineAt(int position) const;
    // The first character position of a line.
    int lineStart(int line) const;

    int selectionStart() const;
    int selectionLength() const;
    // Selects [start, start + length), cut to the text.
    void select(int start, int length);
    // Puts the caret at the end of the text with nothing selected.
    void moveCaretToEnd();

    // The text with its colours, italics and weights, ready for RtfWriter. The font size
    // follows the box's font.
    RtfDocument toRtfDocument() const;

private:
    QTextCursor lineRange(int line, int start, int length) const;

    QColor m_textColour = Qt::black;
    bool m_hasLines = false; // an empty document still holds one empty block
};

} // namespace qz
