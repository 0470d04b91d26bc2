#pragma once

// Reads an RTF file back with the unrtf tool (Debian package unrtf) and recovers, for every
// character, the colour, italic and bold state the reader gave it. Its HTML output is used
// because it keeps both the characters outside ASCII and the formatting. The reader folds
// runs of blanks into one, so callers compare texts with blanks folded too.

#include "common/platform/RtfWriter.h"

#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace qz::test {

struct ReadBackChar {
    QChar c;
    QString colour; // "#rrggbb", empty when the reader set none
    bool italic = false;
    bool bold = false;
};
using ReadBackLine = QList<ReadBackChar>;

struct ReadBack {
    QString error; // empty on success
    QList<ReadBackLine> lines;

    // The lines' texts, blanks folded and trimmed.
    QStringList foldedText() const
    {
        QStringList out;
        for (const ReadBackLine& line : lines) {
            QString s;
            for (const ReadBackChar& ch : line)
                s += ch.c;
            out.append(s.simplified());
        }
        return out;
    }
};

inline QString htmlColour(int red, int green, int blue)
{
    return QStringLiteral("#%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'));
}

inline ReadBack readWithUnrtf(const QString& rtfPath)
{
    ReadBack result;
    QProcess p;
    p.start(QStringLiteral("unrtf"), {QStringLiteral("--html"), rtfPath});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        result.error = QStringLiteral("unrtf failed: ") + p.errorString() +
                       QString::fromUtf8(p.readAllStandardError());
        return result;
    }
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    const qsizetype begin = html.indexOf(QLatin1String("<body>"));
    const qsizetype end = html.lastIndexOf(QLatin1String("</body>"));
    if (begin < 0 || end < begin) {
        result.error = QStringLiteral("no body in: ") + html;
        return result;
    }
    const QString body = html.mid(begin + 6, end - begin - 6);

    static const QRegularExpression colourAttr(QStringLiteral("color=\"(#[0-9a-fA-F]{6})\""));
    QStringList colours{QString()};
    int italic = 0;
    int bold = 0;
    result.lines.append(ReadBackLine());
    const auto put = [&](QChar c) {
        result.lines.last().append({c, colours.last(), italic > 0, bold > 0});
    };
    for (qsizetype i = 0; i < body.size();) {
        const QChar c = body[i];
        if (c == QLatin1Char('<')) {
            const qsizetype close = body.indexOf(QLatin1Char('>'), i);
            if (close < 0)
                break;
            const QString tag = body.mid(i + 1, close - i - 1).trimmed().toLower();
            i = close + 1;
            if (tag.startsWith(QLatin1String("font"))) {
                const QRegularExpressionMatch m = colourAttr.match(tag);
                colours.append(m.hasMatch() ? m.captured(1).toLower() : colours.last());
            } else if (tag == QLatin1String("/font")) {
                if (colours.size() > 1)
                    colours.removeLast();
            } else if (tag == QLatin1String("i")) {
                ++italic;
            } else if (tag == QLatin1String("/i")) {
                --italic;
            } else if (tag == QLatin1String("b")) {
                ++bold;
            } else if (tag == QLatin1String("/b")) {
                --bold;
            } else if (tag.startsWith(QLatin1String("br"))) {
                result.lines.append(ReadBackLine());
            }
        } else if (c == QLatin1Char('&')) {
            const qsizetype semi = body.indexOf(QLatin1Char(';'), i);
            const QString name = body.mid(i + 1, semi - i - 1);
            i = semi + 1;
            if (name.startsWith(QLatin1Char('#')))
                put(QChar(char16_t(name.mid(1).toUInt())));
            else if (name == QLatin1String("nbsp"))
                put(QLatin1Char(' '));
            else if (name == QLatin1String("Omega")) // names the tests' texts use
                put(QChar(0x3A9));
            else if (name == QLatin1String("rarr"))
                put(QChar(0x2192));
            else if (name == QLatin1String("uuml"))
                put(QChar(0xFC));
            else if (name == QLatin1String("amp"))
                put(QLatin1Char('&'));
            else if (name == QLatin1String("lt"))
                put(QLatin1Char('<'));
            else if (name == QLatin1String("gt"))
                put(QLatin1Char('>'));
            else if (name == QLatin1String("quot"))
                put(QLatin1Char('"'));
            else
                for (const QChar raw : QLatin1Char('&') + name + QLatin1Char(';'))
                    put(raw); // shows up in the comparison
        } else {
            if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
                put(c);
            ++i;
        }
    }
    return result;
}

// The non-blank characters of each line with their look, "line: c #rrggbb ib", as the
// document asks for them and as the reader gave them; blanks are left out because the
// reader folds them.
inline QString lookText(qsizetype line, QChar c, const QString& colour, bool italic, bool bold)
{
    return QStringLiteral("%1: %2 %3 %4%5")
        .arg(line)
        .arg(c)
        .arg(colour)
        .arg(italic ? "i" : "-")
        .arg(bold ? "b" : "-");
}

inline QStringList documentLooks(const RtfDocument& doc)
{
    QStringList out;
    for (qsizetype l = 0; l < doc.lines.size(); ++l)
        for (const RtfRun& run : doc.lines[l])
            for (const QChar c : run.text)
                if (!c.isSpace())
                    out.append(lookText(
                        l, c, htmlColour(run.colour.red, run.colour.green, run.colour.blue),
                        run.italic, run.bold));
    return out;
}

inline QStringList readLooks(const ReadBack& back)
{
    QStringList out;
    for (qsizetype l = 0; l < back.lines.size(); ++l)
        for (const ReadBackChar& ch : back.lines[l])
            if (!ch.c.isSpace())
                out.append(lookText(l, ch.c, ch.colour, ch.italic, ch.bold));
    return out;
}

} // namespace qz::test
