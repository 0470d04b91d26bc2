#include "common/platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using qz::IniFile;

namespace {

IniFile fromText(const char* text)
{
    IniFile ini;
    ini.setText(QString::fromUtf8(text));
    return ini;
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct ReadCase {
    const char* what;
    const char* file;
    const char* section;
    const char* key;
    const char* expected; // "<default>" when the default must come back
};

} // namespace

TEST(IniFile, ReadsValuesWithProfileRules)
{
    const ReadCase cases[] = {
        {"names ignore case", "[parameters]\nlanguage=0\n", "PARAMETERS", "Language", "0"},
        {"backslash path kept", "[Data Base]\nADOFile=C:\\QZ\\DB\\Vorlex.mdb\n", "Data Base",
         "ADOFile", "C:\\QZ\\DB\\Vorlex.mdb"},
        {"value holds '='", "[P]\nLink=simulator:a=b.txt\n", "P", "Link", "simulator:a=b.txt"},
        {"blanks around key and value", "[P]\n  COM Port \t=  COM3 \t\n", "P", "COM Port", "COM3"},
        {"blanks inside value kept", "[P]\nk= a  b \n", "P", "k", "a  b"},
        {"blanks around section name", "[  Data Base ]\nk=1\n", "data base", "k", "1"},
        {"double quotes dropped", "[P]\nk=\"  x  \"\n", "P", "k", "  x  "},
        {"single quotes dropped", "[P]\nk='x'\n", "P", "k", "x"},
        {"unmatched quotes kept", "[P]\nk=\"x'\n", "P", "k", "\"x'"},
        {"lone quote kept", "[P]\nk=\"\n", "P", "k", "\""},
        {"empty value is a value", "[P]\nk=\n", "P", "k", ""},
        {"no-break space is no blank", "[P]\nk=x\u00A0\n", "P", "k", "x\u00A0"},
        {"CR LF line ends", "[P]\r\nk=v\r\nj=w\r\n", "P", "j", "w"},
        {"first of two keys", "[P]\nk=1\nK=2\n", "P", "k", "1"},
        {"first of two sections", "[P]\nk=1\n[p]\nk=2\nj=3\n", "P", "k", "1"},
        {"later section of same name ignored", "[P]\nk=1\n[p]\nj=3\n", "P", "j", "<default>"},
        {"key of another section", "[A]\nk=1\n[B]\nj=2\n", "B", "k", "<default>"},
        {"key before any section", "k=1\n[P]\n", "P", "k", "<default>"},
        {"comment line", "[P]\n;k=1\n", "P", ";k", "<default>"},
        {"line without '='", "[P]\nk\n", "P", "k", "<default>"},
        {"missing section", "[P]\nk=1\n", "Q", "k", "<default>"},
        {"empty file", "", "P", "k", "<default>"},
        {"no final line end", "[P]\nk=v", "P", "k", "v"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const IniFile ini = fromText(c.file);
        const QString got = ini.readString(QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                                           QStringLiteral("<default>"));
        EXPECT_EQ(got, QString::fromUtf8(c.expected));
        EXPECT_EQ(ini.contains(QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
                  std::string(c.expected) != "<default>");
    }
}

TEST(IniFile, ReadsIntegersFromLeadingDigits)
{
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"0", 0},     {"257", 257},      {"-5", -5},
        {"+7", 7},    {" 42 ", 42},      {"12abc", 12},
        {"3.9", 3},   {"0x10", 0},       {"\"5\"", 5},
        {"abc", -99}, {"", -99},         {"-", -99},
        {"- 1", -99}, {"4294967297", 1}, {"2147483648", -2147483647 - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        IniFile ini;
        ini.setText(QStringLiteral("[P]\nk=") + QString::fromUtf8(c.value) + QLatin1Char('\n'));
        EXPECT_EQ(ini.readInt(QStringLiteral("P"), QStringLiteral("k"), -99), c.expected);
    }
    const IniFile empty;
    EXPECT_EQ(empty.readInt(QStringLiteral("P"), QStringLiteral("k"), 17), 17);
}

TEST(IniFile, ReadsBooleansAsNonZero)
{
    const IniFile ini = fromText("[P]\na=0\nb=1\nc=2\nd=-1\ne=yes\n");
    const QString p = QStringLiteral("P");
    EXPECT_FALSE(ini.readBool(p, QStringLiteral("a"), true));
    EXPECT_TRUE(ini.readBool(p, QStringLiteral("b"), false));
    EXPECT_TRUE(ini.readBool(p, QStringLiteral("c"), false));
    EXPECT_TRUE(ini.readBool(p, QStringLiteral("d"), false));
    // No digit: the default, in both directions.
    EXPECT_TRUE(ini.readBool(p, QStringLiteral("e"), true));
    EXPECT_FALSE(ini.readBool(p, QStringLiteral("e"), false));
    EXPECT_TRUE(ini.readBool(p, QStringLiteral("missing"), true));
}

TEST(IniFile, WritesNewKeysInTheOrderWritten)
{
    IniFile ini;
    ASSERT_TRUE(ini.writeInt(QStringLiteral("Parameters"), QStringLiteral("Language"), 1));
    ASSERT_TRUE(ini.writeString(QStringLiteral("Parameters"), QStringLiteral("COM Port"),
                                QStringLiteral("COM2")));
    ASSERT_TRUE(ini.writeString(QStringLiteral("Data Base"), QStringLiteral("ADOFile"),
                                QStringLiteral("C:\\a=b\\x.mdb")));
    // A later key of the first section goes to that section, after its keys.
    ASSERT_TRUE(ini.writeBool(QStringLiteral("parameters"), QStringLiteral("Find device"), true));
    EXPECT_EQ(ini.toText(), QStringLiteral("[Parameters]\nLanguage=1\nCOM Port=COM2\nFind "
                                           "device=1\n\n[Data Base]\nADOFile=C:\\a=b\\x.mdb\n"));
}

TEST(IniFile, RewritingKeepsEverythingElseOfTheFile)
{
    // A file of an existing installation: CR LF, comments, foreign keys and sections, keys
    // spelt in other cases, a quoted value.
    const char* original = "; written by hand\r\n"
                           "[parameters]\r\n"
                           "language = 0\r\n"
                           "Colour=blue\r\n"
                           "Name=\"  padded  \"\r\n"
                           "\r\n"
                           "[Other]\r\n"
                           "x=C:\\dir\\file=1.txt\r\n"
                           "\r\n";
    IniFile ini = fromText(original);

    // Writing back the values as read leaves the file unchanged, apart from the blanks
    // around '=' of a rewritten key.
    IniFile same = ini;
    for (const char* key : {"Language", "Colour", "Name"}) {
        const QString k = QString::fromUtf8(key);
        ASSERT_TRUE(same.writeString(QStringLiteral("Parameters"), k,
                                     same.readString(QStringLiteral("Parameters"), k, {})));
    }
    ASSERT_TRUE(
        same.writeString(QStringLiteral("Other"), QStringLiteral("x"),
                         same.readString(QStringLiteral("Other"), QStringLiteral("x"), {})));
    EXPECT_EQ(same.toText(), QString::fromUtf8(original).replace(QStringLiteral("language = 0"),
                                                                 QStringLiteral("language=0")));

    // A changed key stays where it was, with its spelling; a new key joins the end of its
    // section, above the blank line; a new section goes last.
    ASSERT_TRUE(ini.writeInt(QStringLiteral("Parameters"), QStringLiteral("LANGUAGE"), 1));
    ASSERT_TRUE(ini.writeInt(QStringLiteral("Parameters"), QStringLiteral("IR Adapter"), 0));
    ASSERT_TRUE(ini.writeString(QStringLiteral("Data Base"), QStringLiteral("ADOFile"),
                                QStringLiteral("/srv/qz/DB/Vorlex.db")));
    EXPECT_EQ(ini.toText(), QStringLiteral("; written by hand\r\n"
                                           "[parameters]\r\n"
                                           "language=1\r\n"
                                           "Colour=blue\r\n"
                                           "Name=\"  padded  \"\r\n"
                                           "IR Adapter=0\r\n"
                                           "\r\n"
                                           "[Other]\r\n"
                                           "x=C:\\dir\\file=1.txt\r\n"
                                           "\r\n"
                                           "[Data Base]\r\n"
                                           "ADOFile=/srv/qz/DB/Vorlex.db\r\n"));
}

TEST(IniFile, EveryWrittenValueReadsBackUnchanged)
{
    const QString values[] = {
        QString(),
        QStringLiteral("C:\\Program Files\\QZ\\DB\\Vorlex.mdb"),
        QStringLiteral("a=b=c"),
        QStringLiteral("  leading and trailing  "),
        QStringLiteral("\tTab"),
        QStringLiteral("\"quoted\""),
        QStringLiteral("'single'"),
        QStringLiteral("\""),
        QStringLiteral("\"\""),
        QStringLiteral("\"a\" b \"c\""),
        QStringLiteral("; not a comment"),
        QStringLiteral("[not a section]"),
        QStringLiteral("Пароль №1 €"),
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("values.ini"));
    IniFile ini;
    for (int i = 0; i < int(std::size(values)); ++i)
        ASSERT_TRUE(ini.writeString(QStringLiteral("S"), QStringLiteral("k%1").arg(i), values[i]));
    ASSERT_TRUE(ini.save(path));
    IniFile back;
    ASSERT_TRUE(back.load(path));
    for (int i = 0; i < int(std::size(values)); ++i) {
        SCOPED_TRACE(values[i].toStdString());
        EXPECT_EQ(back.readString(QStringLiteral("S"), QStringLiteral("k%1").arg(i), {}),
                  values[i]);
    }
}

TEST(IniFile, RefusesNamesAndValuesThatCannotBeReadBack)
{
    struct Case {
        const char* what;
        QString section;
        QString key;
        QString value;
    };
    const Case cases[] = {
        {"empty section", QString(), QStringLiteral("k"), QStringLiteral("v")},
        {"blank section", QStringLiteral("  "), QStringLiteral("k"), QStringLiteral("v")},
        {"empty key", QStringLiteral("S"), QString(), QStringLiteral("v")},
        {"key with '='", QStringLiteral("S"), QStringLiteral("a=b"), QStringLiteral("v")},
        {"comment key", QStringLiteral("S"), QStringLiteral(";k"), QStringLiteral("v")},
        {"bracket key", QStringLiteral("S"), QStringLiteral("[k"), QStringLiteral("v")},
        {"section with ']'", QStringLiteral("a]b"), QStringLiteral("k"), QStringLiteral("v")},
        {"line break in value", QStringLiteral("S"), QStringLiteral("k"),
         QStringLiteral("v\n[Evil]\nx=1")},
        {"carriage return in value", QStringLiteral("S"), QStringLiteral("k"),
         QStringLiteral("v\rw")},
        {"line break in key", QStringLiteral("S"), QStringLiteral("k\nj"), QStringLiteral("v")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IniFile ini = fromText("[S]\nk=old\n");
        const QString before = ini.toText();
        EXPECT_FALSE(ini.writeString(c.section, c.key, c.value));
        EXPECT_EQ(ini.toText(), before);
    }
}

TEST(IniFile, ReadsWindows1251AndUtf8FilesAndWritesUtf8)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    // "Имя" ("name") in both encodings, and UTF-8 behind a byte order mark.
    const Case cases[] = {
        {"Windows-1251", QByteArray("[P]\r\nName=\xC8\xEC\xFF\r\n")},
        {"UTF-8", QByteArray("[P]\nName=\xD0\x98\xD0\xBC\xD1\x8F\n")},
        {"UTF-8 with BOM", QByteArray("\xEF\xBB\xBF[P]\nName=\xD0\x98\xD0\xBC\xD1\x8F\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("enc.ini"));
        ASSERT_TRUE(writeBytes(path, c.bytes));
        IniFile ini;
        ASSERT_TRUE(ini.load(path));
        EXPECT_EQ(ini.readString(QStringLiteral("P"), QStringLiteral("Name"), {}),
                  QStringLiteral("Имя"));
        ASSERT_TRUE(ini.writeInt(QStringLiteral("P"), QStringLiteral("N"), 1));
        ASSERT_TRUE(ini.save(path));
        const QByteArray written = readBytes(path);
        EXPECT_TRUE(written.contains("Name=\xD0\x98\xD0\xBC\xD1\x8F"));
        EXPECT_FALSE(written.startsWith("\xEF\xBB\xBF"));
    }
}

TEST(IniFile, MissingFileReadsDefaultsAndFailedSaveReportsIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    IniFile ini = fromText("[P]\nk=1\n");
    // Loading a missing file empties what was there before.
    EXPECT_FALSE(ini.load(dir.filePath(QStringLiteral("missing.ini"))));
    EXPECT_EQ(ini.readString(QStringLiteral("P"), QStringLiteral("k"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_TRUE(ini.toText().isEmpty());

    ASSERT_TRUE(ini.writeInt(QStringLiteral("P"), QStringLiteral("k"), 2));
    EXPECT_FALSE(ini.save(dir.filePath(QStringLiteral("no/such/folder/x.ini"))));

    // A save that works replaces the old file as a whole.
    const QString path = dir.filePath(QStringLiteral("x.ini"));
    ASSERT_TRUE(writeBytes(path, QByteArray(4096, 'z')));
    ASSERT_TRUE(ini.save(path));
    EXPECT_EQ(readBytes(path), QByteArray("[P]\nk=2\n"));
}

TEST(IniFile, RemovesEveryLineOfAKeyInItsSection)
{
    IniFile ini = fromText("[P]\nk=1\nj=2\nK = 3\n[Q]\nk=4\n");
    EXPECT_TRUE(ini.removeKey(QStringLiteral("p"), QStringLiteral("K")));
    EXPECT_EQ(ini.toText(), QStringLiteral("[P]\nj=2\n[Q]\nk=4\n"));
    EXPECT_FALSE(ini.removeKey(QStringLiteral("P"), QStringLiteral("k")));
    EXPECT_FALSE(ini.removeKey(QStringLiteral("R"), QStringLiteral("k")));
    EXPECT_EQ(ini.readString(QStringLiteral("Q"), QStringLiteral("k"), {}), QStringLiteral("4"));
}
