#include "common/platform/IniFile.h"

#include "common/platform/TextDecoding.h"

#include <QFile>
#include <QSaveFile>

#include <cstdint>

namespace qz {

namespace {

bool isBlank(QChar c)
{
    // Only spaces and tabs: a no-break space or other Unicode space at the end of a value
    // is part of the value.
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// The name of a section header line, or a null view when the line is no header.
QStringView sectionName(QStringView trimmed)
{
    if (!trimmed.startsWith(QLatin1Char('[')))
        return {};
    QStringView rest = trimmed.mid(1);
    const qsizetype close = rest.indexOf(QLatin1Char(']'));
    if (close >= 0)
        rest = rest.left(close);
    const QStringView name = trimBlanks(rest);
    return name.isNull() ? QStringView(u"") : name;
}

struct KeyLine {
    QStringView key;
    QStringView value;
    bool isKey = false;
};

KeyLine splitKeyLine(QStringView trimmed)
{
    KeyLine kl;
    if (trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('[')))
        return kl;
    const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
    if (eq < 0)
        return kl;
    kl.key = trimBlanks(trimmed.left(eq));
    kl.value = trimBlanks(trimmed.mid(eq + 1));
    kl.isKey = true;
    return kl;
}

QString unquote(QStringView value)
{
    if (value.size() >= 2 && isQuote(value.front()) && value.front() == value.back())
        return value.mid(1, value.size() - 2).toString();
    return value.toString();
}

QString quoteForWriting(const QString& value)
{
    const bool blankEnds = !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
    const bool quotedLook =
        value.size() >= 2 && isQuote(value.front()) && value.front() == value.back();
    if (blankEnds || quotedLook)
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

bool IniFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_lines.clear();
        m_crlf = false;
        return false;
    }
    setText(decodeLegacyText(file.readAll()));
    return true;
}

bool IniFile::save(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = toText().toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString IniFile::toText() const
{
    if (m_lines.isEmpty())
        return {};
    const QString eol = m_crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    return m_lines.join(eol) + eol;
}

void IniFile::setText(const QString& text)
{
    m_crlf = text.contains(QLatin1String("\r\n"));
    m_lines = text.split(QLatin1Char('\n'));
    for (QString& l : m_lines) {
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    }
    // The final line end does not open another line.
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

IniFile::Found IniFile::find(const QString& section, const QString& key) const
{
    Found f;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QStringView t = trimBlanks(m_lines[i]);
        const QStringView name = sectionName(t);
        if (!name.isNull()) {
            if (f.sectionLine >= 0)
                break; // end of the wanted section: later sections of that name are ignored
            if (sameName(name, section))
                f.sectionLine = i;
            continue;
        }
        if (f.sectionLine < 0)
            continue;
        const KeyLine kl = splitKeyLine(t);
        if (kl.isKey && sameName(kl.key, key)) {
            f.keyLine = i;
            break;
        }
    }
    return f;
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    return find(section, key).keyLine >= 0;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const
{
    const Found f = find(section, key);
    if (f.keyLine < 0)
        return defaultValue;
    return unquote(splitKeyLine(trimBlanks(m_lines[f.keyLine])).value);
}

int IniFile::parseInt(const QString& value, bool* ok)
{
    const QStringView s = trimBlanks(value);
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    uint32_t acc = 0;
    bool anyDigit = false;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            break;
        acc = acc * 10u + uint32_t(c - u'0'); // wraps at 32 bits
        anyDigit = true;
    }
    if (ok)
        *ok = anyDigit;
    if (!anyDigit)
        return 0;
    if (negative)
        acc = 0u - acc;
    return static_cast<int32_t>(acc);
}

int IniFile::readInt(const QString& section, const QString& key, int defaultValue) const
{
    bool ok = false;
    const int v = parseInt(readString(section, key, QString()), &ok);
    return ok ? v : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInt(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::canStore(const QString& section, const QString& key, const QString& value)
{
    const QStringView trimmedSection = trimBlanks(section);
    const QStringView trimmedKey = trimBlanks(key);
    return !trimmedSection.isEmpty() && !trimmedKey.isEmpty() && !hasLineBreak(section) &&
           !hasLineBreak(key) && !hasLineBreak(value) && !section.contains(QLatin1Char(']')) &&
           !key.contains(QLatin1Char('=')) && !trimmedKey.startsWith(QLatin1Char(';')) &&
           !trimmedKey.startsWith(QLatin1Char('['));
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    if (!canStore(section, key, value))
        return false;
    const QString trimmedSection = trimBlanks(section).toString();
    const QString trimmedKey = trimBlanks(key).toString();

    const QString written = quoteForWriting(value);
    const Found f = find(trimmedSection, trimmedKey);
    if (f.keyLine >= 0) {
        // Keep the spelling of the name the file already uses.
        const KeyLine kl = splitKeyLine(trimBlanks(m_lines[f.keyLine]));
        m_lines[f.keyLine] = kl.key.toString() + QLatin1Char('=') + written;
        return true;
    }
    const QString line = trimmedKey + QLatin1Char('=') + written;
    if (f.sectionLine >= 0) {
        qsizetype end = f.sectionLine + 1;
        while (end < m_lines.size() && sectionName(trimBlanks(m_lines[end])).isNull())
            ++end;
        // After the section's last line that is not blank, so the blank line that parts it
        // from the next section stays below the new key.
        while (end > f.sectionLine + 1 && trimBlanks(m_lines[end - 1]).isEmpty())
            --end;
        m_lines.insert(end, line);
        return true;
    }
    if (!m_lines.isEmpty() && !trimBlanks(m_lines.last()).isEmpty())
        m_lines.append(QString());
    m_lines.append(QLatin1Char('[') + trimmedSection + QLatin1Char(']'));
    m_lines.append(line);
    return true;
}

bool IniFile::removeKey(const QString& section, const QString& key)
{
    const Found f = find(section, key);
    if (f.keyLine < 0)
        return false;
    qsizetype i = f.keyLine;
    while (i < m_lines.size()) {
        const QStringView t = trimBlanks(m_lines[i]);
        if (!sectionName(t).isNull())
            break;
        const KeyLine kl = splitKeyLine(t);
        if (kl.isKey && sameName(kl.key, key))
            m_lines.removeAt(i);
        else
            ++i;
    }
    return true;
}

bool IniFile::writeInt(const QString& section, const QString& key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace qz
