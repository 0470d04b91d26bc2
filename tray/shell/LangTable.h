#pragma once

#include <QString>
#include <array>

namespace qz {

// The tray program's language table: 127 texts numbered 1..127, taken from one block of the
// language file "Lang.txt". The file holds one block of 128 lines per language (0 Russian,
// 1 English); a block's first line is a heading that is skipped.
class LangTable {
public:
    static constexpr int kLines = 127;
    static constexpr int kBlockLines = 128;

    // Language line n (1..127); any other n gives an empty text.
    const QString& line(int n) const;
    void setLine(int n, const QString& text);
    void clear();

    // Loads block `language` of the file. A missing or unreadable file leaves the table as
    // it was and returns false. Lines missing at the end of the file, or a block past its
    // end, give empty texts.
    bool load(const QString& filePath, int language);

private:
    std::array<QString, kLines> m_lines;
};

} // namespace qz
