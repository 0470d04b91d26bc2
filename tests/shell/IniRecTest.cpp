#include "tray/shell/IniRec.h"

#include "common/platform/Crc16.h"
#include "common/platform/IniFile.h"
#include "common/platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using qz::IniFile;
using qz::TIniRec;

namespace {

const QString kExeDir = QStringLiteral("/opt/qz/");

TIniRec readText(const QString& text, uint8_t defaultLanguage = 1)
{
    IniFile ini;
    ini.setText(text);
    return qz::readIniRec(ini, kExeDir, defaultLanguage);
}

QString fileText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

bool writeText(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

TEST(IniRec, MissingKeysGiveTheDefaults)
{
    for (const uint8_t detected : {uint8_t(0), uint8_t(1)}) {
        SCOPED_TRACE(int(detected));
        const TIniRec r = readText(QString(), detected);
        EXPECT_EQ(r.Language, detected);
        EXPECT_EQ(r.ComPort, QStringLiteral("COM2"));
        EXPECT_EQ(r.IRAdapter, 0);
        EXPECT_TRUE(r.FindDevice);
        EXPECT_EQ(r.ProtocolExchange, 1);
        EXPECT_FALSE(r.EnabledAll);
        EXPECT_TRUE(r.ReadUnregistered);
        EXPECT_FALSE(r.AddParamsDB);
        EXPECT_TRUE(r.PrintDeviceSetting);
        EXPECT_EQ(r.SecurityPassword, qz::passwordHash(QStringLiteral("1")));
        EXPECT_EQ(r.ADOFile, QStringLiteral("/opt/qz/DB/Vorlex.db"));
        EXPECT_TRUE(r.Link.isEmpty());
        EXPECT_TRUE(r.usesLink());
    }
    // A record made in code starts from the same defaults.
    const TIniRec fresh;
    EXPECT_EQ(fresh.SecurityPassword, qz::defaultPasswordHash());
    EXPECT_TRUE(fresh.FindDevice);
}

TEST(IniRec, IntegersAreCutToTheirFields)
{
    struct Case {
        const char* line;
        int language;
        int irAdapter;
        int protocol;
        int password;
        bool usesLink;
    };
    // Each case sets one key; the others stay at their defaults (language default 1).
    const int pw = qz::defaultPasswordHash();
    const Case cases[] = {
        {"Language=256", 0, 0, 1, pw, true},
        {"Language=257", 1, 0, 1, pw, true},
        {"Language=-1", 255, 0, 1, pw, true},
        {"Language=0", 0, 0, 1, pw, true},
        {"IR Adapter=300", 1, 44, 1, pw, true},
        {"Protocol exchange=3", 1, 0, 3, pw, true},
        {"Protocol exchange=4", 1, 0, 4, pw, false},
        {"Protocol exchange=5", 1, 0, 5, pw, false},
        {"Protocol exchange=256", 1, 0, 0, pw, true},
        {"Security password=65535", 1, 0, 1, 65535, true},
        {"Security password=65541", 1, 0, 1, 5, true},
        {"Security password=-1", 1, 0, 1, 65535, true},
        {"Security password=0", 1, 0, 1, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const TIniRec r =
            readText(QStringLiteral("[Parameters]\n") + QString::fromUtf8(c.line) + "\n");
        EXPECT_EQ(r.Language, c.language);
        EXPECT_EQ(r.IRAdapter, c.irAdapter);
        EXPECT_EQ(r.ProtocolExchange, c.protocol);
        EXPECT_EQ(r.SecurityPassword, c.password);
        EXPECT_EQ(r.usesLink(), c.usesLink);
    }
}

TEST(IniRec, ShutdownWritesEveryKeyInOrderWithEnabledAllOff)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("QZ55xx.ini"));
    // Only two keys: EnabledAll on for this run, and "Protocol exchange" outside 0..3.
    ASSERT_TRUE(writeText(path, "[Parameters]\nEnabledAll=1\nProtocol exchange=5\n"));

    TIniRec r = qz::loadIniRec(path, dir.path() + "/", 0);
    EXPECT_TRUE(r.EnabledAll);
    EXPECT_EQ(r.ProtocolExchange, 5);
    EXPECT_FALSE(r.usesLink());
    ASSERT_TRUE(qz::saveIniRec(path, r));

    // Every key in the fixed order; a missing ADOFile comes back as the default path.
    const QString expected = QStringLiteral("[Parameters]\n"
                                            "Language=0\n"
                                            "COM Port=COM2\n"
                                            "IR Adapter=0\n"
                                            "Find device=1\n"
                                            "Protocol exchange=5\n"
                                            "Security password=%1\n"
                                            "EnabledAll=0\n"
                                            "Read unregistered device=1\n"
                                            "Add params DB=0\n"
                                            "Print device setting=1\n"
                                            "Link=\n"
                                            "\n"
                                            "[Data Base]\n"
                                            "ADOFile=%2/DB/Vorlex.db\n")
                                 .arg(qz::defaultPasswordHash())
                                 .arg(dir.path());
    EXPECT_EQ(fileText(path), expected);

    const TIniRec back = qz::loadIniRec(path, QStringLiteral("/elsewhere/"), 1);
    EXPECT_FALSE(back.EnabledAll);
    EXPECT_EQ(back.ProtocolExchange, 5);
    EXPECT_EQ(back.Language, 0);
    EXPECT_EQ(back.ADOFile, dir.path() + "/DB/Vorlex.db");
}

TEST(IniRec, NewFileGetsTheFixedOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // x.y.exe keeps its settings in x.ini beside it.
    const QString exe = dir.filePath(QStringLiteral("x.y.exe"));
    const QString path = qz::exeDirOf(exe) + qz::iniFileNameOf(exe);
    EXPECT_EQ(path, dir.filePath(QStringLiteral("x.ini")));

    TIniRec r;
    r.Language = 0;
    r.ComPort = QStringLiteral("COM7");
    r.IRAdapter = 1;
    r.FindDevice = false;
    r.ProtocolExchange = 2;
    r.SecurityPassword = 65535;
    r.EnabledAll = true;
    r.ReadUnregistered = false;
    r.AddParamsDB = true;
    r.PrintDeviceSetting = false;
    r.ADOFile = QStringLiteral("D:\\Data\\a=b\\Vorlex.mdb");
    r.Link = QStringLiteral("simulator:scenarios\\demo.txt");
    ASSERT_TRUE(qz::saveIniRec(path, r));
    EXPECT_EQ(fileText(path), QStringLiteral("[Parameters]\n"
                                             "Language=0\n"
                                             "COM Port=COM7\n"
                                             "IR Adapter=1\n"
                                             "Find device=0\n"
                                             "Protocol exchange=2\n"
                                             "Security password=65535\n"
                                             "EnabledAll=0\n"
                                             "Read unregistered device=0\n"
                                             "Add params DB=1\n"
                                             "Print device setting=0\n"
                                             "Link=simulator:scenarios\\demo.txt\n"
                                             "\n"
                                             "[Data Base]\n"
                                             "ADOFile=D:\\Data\\a=b\\Vorlex.mdb\n"));

    // Read back, everything but EnabledAll survives.
    const TIniRec back = qz::loadIniRec(path, kExeDir, 1);
    r.EnabledAll = false;
    EXPECT_EQ(back.Language, r.Language);
    EXPECT_EQ(back.ComPort, r.ComPort);
    EXPECT_EQ(back.IRAdapter, r.IRAdapter);
    EXPECT_EQ(back.FindDevice, r.FindDevice);
    EXPECT_EQ(back.ProtocolExchange, r.ProtocolExchange);
    EXPECT_EQ(back.SecurityPassword, r.SecurityPassword);
    EXPECT_EQ(back.EnabledAll, r.EnabledAll);
    EXPECT_EQ(back.ReadUnregistered, r.ReadUnregistered);
    EXPECT_EQ(back.AddParamsDB, r.AddParamsDB);
    EXPECT_EQ(back.PrintDeviceSetting, r.PrintDeviceSetting);
    EXPECT_EQ(back.ADOFile, r.ADOFile);
    EXPECT_EQ(back.Link, r.Link);
}

TEST(IniRec, FileOfAnExistingInstallationKeepsItsOtherKeys)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("QZ55xx.ini"));
    // Windows-1251, CR LF, names in other cases and another order, a foreign key and
    // section, a quoted path.
    const QByteArray original = "[PARAMETERS]\r\n"
                                "COM Port=COM1\r\n"
                                "language=0\r\n"
                                "IR Adapter=0\r\n"
                                "Find device=0\r\n"
                                "Protocol exchange=1\r\n"
                                "EnabledAll=1\r\n"
                                "Read unregistered device=1\r\n"
                                "Add params DB=0\r\n"
                                "Print device setting=1\r\n"
                                "Security password=12345\r\n"
                                "Operator=\xC8\xE2\xE0\xED\xEE\xE2\r\n"
                                "\r\n"
                                "[Data Base]\r\n"
                                "ADOFile=\"C:\\Program Files\\QZ\\DB\\Vorlex.mdb\"\r\n"
                                "\r\n"
                                "[Window]\r\n"
                                "Left=10\r\n";
    ASSERT_TRUE(writeText(path, original));
    TIniRec r = qz::loadIniRec(path, kExeDir, 1);
    EXPECT_EQ(r.Language, 0);
    EXPECT_FALSE(r.FindDevice);
    EXPECT_TRUE(r.EnabledAll);
    EXPECT_EQ(r.SecurityPassword, 12345);
    EXPECT_EQ(r.ADOFile, QStringLiteral("C:\\Program Files\\QZ\\DB\\Vorlex.mdb"));

    r.Language = 1;
    ASSERT_TRUE(qz::saveIniRec(path, r));
    // The program's keys in the fixed order after the other keys of their section.
    EXPECT_EQ(fileText(path), QStringLiteral("[PARAMETERS]\r\n"
                                             "Operator=Иванов\r\n"
                                             "Language=1\r\n"
                                             "COM Port=COM1\r\n"
                                             "IR Adapter=0\r\n"
                                             "Find device=0\r\n"
                                             "Protocol exchange=1\r\n"
                                             "Security password=12345\r\n"
                                             "EnabledAll=0\r\n"
                                             "Read unregistered device=1\r\n"
                                             "Add params DB=0\r\n"
                                             "Print device setting=1\r\n"
                                             "Link=\r\n"
                                             "\r\n"
                                             "[Data Base]\r\n"
                                             "ADOFile=C:\\Program Files\\QZ\\DB\\Vorlex.mdb\r\n"
                                             "\r\n"
                                             "[Window]\r\n"
                                             "Left=10\r\n"));
}

TEST(IniRec, EmptyDatabasePathMeansTheDefault)
{
    const TIniRec r = readText(QStringLiteral("[Data Base]\nADOFile=\n"));
    EXPECT_EQ(r.ADOFile, QStringLiteral("/opt/qz/DB/Vorlex.db"));
    const TIniRec kept = readText(QStringLiteral("[data base]\nadofile=DB\\Other.mdb\n"));
    EXPECT_EQ(kept.ADOFile, QStringLiteral("DB\\Other.mdb"));
}

TEST(IniRec, UnreadableFileIsNotReplaced)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A folder where the file should be: it cannot be read, and must not be clobbered.
    const QString path = dir.filePath(QStringLiteral("QZ55xx.ini"));
    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_FALSE(qz::saveIniRec(path, TIniRec{}));
    EXPECT_TRUE(QFileInfo(path).isDir());

    // A path that cannot be stored on one line: that key keeps what the file had, the
    // others are written all the same.
    const QString file = dir.filePath(QStringLiteral("other.ini"));
    ASSERT_TRUE(writeText(file, "[Data Base]\nADOFile=/srv/old.db\n"));
    TIniRec r;
    r.ADOFile = QStringLiteral("/a\nb.db");
    EXPECT_FALSE(qz::saveIniRec(file, r));
    IniFile ini;
    ASSERT_TRUE(ini.load(file));
    EXPECT_EQ(ini.readInt(qz::ini::kParameters, qz::ini::kLanguage, -1), 1);
    EXPECT_EQ(ini.readString(qz::ini::kDataBase, qz::ini::kADOFile, {}),
              QStringLiteral("/srv/old.db"));
}

TEST(IniRec, LanguageOfAFreshInstallation)
{
    struct Case {
        QLocale locale;
        int language;
    };
    const Case cases[] = {
        {QLocale(QLocale::Russian, QLocale::Russia), 0},
        {QLocale(QLocale::Russian, QLocale::Ukraine), 0},
        {QLocale(QLocale::Ukrainian, QLocale::Ukraine), 1},
        {QLocale(QLocale::English, QLocale::UnitedStates), 1},
        {QLocale(QLocale::German, QLocale::Germany), 1},
        {QLocale::c(), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        EXPECT_EQ(qz::languageFromLocale(c.locale), c.language);
    }
}
