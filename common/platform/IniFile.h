#pragma once

#include <QString>
#include <QStringList>

namespace qz {

// A settings file in the classic INI form, read and written the way the program's settings
// files have always been handled on the desktop it came from:
//
// - "[Section]" lines open sections; "key=value" lines inside them hold values. Section and
//   key names compare case-insensitively. The first section of a name, and the first key
//   of a name inside it, are the ones read and written.
// - A value is everything after the first '=' of its line, taken exactly as written: no
//   escapes, so "C:\DB\a=b.mdb" stays "C:\DB\a=b.mdb". Blanks (spaces, tabs) around the key
//   and the value are dropped. A value enclosed in one pair of matching quotes (' or ")
//   loses that pair, so a value with blanks at its ends can be kept; when writing, such a
//   value, and one that starts and ends with the same quote, is put in double quotes, so
//   every value written reads back unchanged.
// - Lines before the first section, lines without '=', and comment lines (';' first) are
//   not keys; they are kept as they are when the file is written back.
// - Files are read as UTF-8 when valid, else as Windows-1251 (files of existing
//   installations), and written as UTF-8 without a byte order mark, with the line ends the
//   file had (CR LF or LF; LF for a new file), through a temporary file, so a failed write
//   leaves the old file intact.
//
// Writing a key that exists changes its value in place, keeping its line's position and
// the spelling of its name; a new key goes to the end of its section, a new section to the
// end of the file, so keys written one after another into a new file stay in that order.
// Every other section and key of the file is kept.
class IniFile {
public:
    IniFile() = default;

    // Replaces the contents with the file. A missing or unreadable file leaves the contents
    // empty (every read then gives its default) and returns false.
    bool load(const QString& path);
    // Writes the contents atomically. False when the file cannot be written.
    bool save(const QString& path) const;

    // The contents as text, and from text; for the file routines and for tests.
    QString toText() const;
    void setText(const QString& text);

    bool contains(const QString& section, const QString& key) const;

    // The value of the key, or defaultValue when the section or the key is missing.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;

    // The value read as a decimal integer: an optional sign and the leading digits, the rest
    // ignored ("12abc" gives 12); digits beyond 32 bits wrap around. A missing key, an empty
    // value, or a value with no leading digit gives defaultValue: garbage does not silently
    // turn a setting off.
    int readInt(const QString& section, const QString& key, int defaultValue) const;

    // Reads like readInt, non-zero being true; the default as 0 or 1.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // Sets the value, creating section and key as needed. False, and nothing changed, when
    // the section or key name is empty or could not be read back (a name holding a line
    // break, a key holding '=' or starting with ';' or '[', a section holding ']'), or the
    // value holds a line break.
    bool writeString(const QString& section, const QString& key, const QString& value);
    // Whether writeString would take these.
    static bool canStore(const QString& section, const QString& key, const QString& value);
    bool writeInt(const QString& section, const QString& key, int value);
    // Stored as 0 and 1.
    bool writeBool(const QString& section, const QString& key, bool value);

    // Removes every line of the key in the section; false when there was none.
    bool removeKey(const QString& section, const QString& key);

    // Parses a value as readInt does; ok is false when there is no leading digit.
    static int parseInt(const QString& value, bool* ok);

private:
    struct Found {
        qsizetype sectionLine = -1; // the section's header line
        qsizetype keyLine = -1;     // the key's line, -1 when the key is missing
    };
    Found find(const QString& section, const QString& key) const;

    QStringList m_lines;
    bool m_crlf = false;
};

} // namespace qz
