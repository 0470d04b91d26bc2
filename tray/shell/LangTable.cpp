#include "tray/shell/LangTable.h"

#include "common/platform/TextDecoding.h"

#include <QFile>

namespace qz {

const QString& LangTable::line(int n) const
{
    static const QString empty;
    if (n < 1 || n > kLines)
        return empty;
    return m_lines[size_t(n - 1)];
}

void LangTable::setLine(int n, const QString& text)
{
    if (n >= 1 && n <= kLines)
        m_lines[size_t(n - 1)] = text;
}

void LangTable::clear()
{
    for (auto& l : m_lines)
        l.clear();
}

bool LangTable::load(const QString& filePath, int language)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = decodeLegacyText(file.readAll());
    // Lines end with CR LF in files from existing installations, LF in ours.
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& l : lines) {
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the final line end does not start another line
    const qsizetype first = qsizetype(language) * kBlockLines + 1;
    for (int n = 1; n <= kLines; ++n) {
        const qsizetype at = first + n - 1;
        m_lines[size_t(n - 1)] = (language >= 0 && at < lines.size()) ? lines[at] : QString();
    }
    return true;
}

} // namespace qz
