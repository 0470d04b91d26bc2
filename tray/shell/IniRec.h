#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

namespace qz {

class IniFile;

// The settings file's names.
namespace ini {
inline const QString kParameters = QStringLiteral("Parameters");
inline const QString kDataBase = QStringLiteral("Data Base");
inline const QString kLanguage = QStringLiteral("Language");
inline const QString kComPort = QStringLiteral("COM Port");
inline const QString kIRAdapter = QStringLiteral("IR Adapter");
inline const QString kFindDevice = QStringLiteral("Find device");
inline const QString kProtocolExchange = QStringLiteral("Protocol exchange");
inline const QString kEnabledAll = QStringLiteral("EnabledAll");
inline const QString kReadUnregistered = QStringLiteral("Read unregistered device");
inline const QString kAddParamsDB = QStringLiteral("Add params DB");
inline const QString kPrintDeviceSetting = QStringLiteral("Print device setting");
inline const QString kSecurityPassword = QStringLiteral("Security password");
inline const QString kADOFile = QStringLiteral("ADOFile");
inline const QString kLink = QStringLiteral("Link");
} // namespace ini

// The password that guards the device settings until the operator sets one: "1", a key in
// the same place on the Russian and the English keyboard layout.
QString defaultPassword();
uint16_t defaultPasswordHash();

// The language of a fresh installation: 0 (Russian) on a Russian system, else 1 (English).
uint8_t languageFromLocale(const QLocale& locale);

// The database used while the settings name none: "DB/Vorlex.db" in the program folder.
QString defaultADOFile(const QString& exeDir);

// The program settings, read once at start-up and written back whole at shutdown; the
// program and its windows change them in memory only.
struct TIniRec {
    uint8_t Language = 1;                     // language block of "Lang.txt": 0 Russian, 1 English
    QString ComPort = QStringLiteral("COM2"); // kept for the file's sake, used nowhere
    uint8_t IRAdapter = 0;                    // adapter chosen in the program settings
    bool FindDevice = true;                   // look for instruments on the link every 3 s
    uint8_t ProtocolExchange = 1;             // 0..3; any other value keeps the link unused
    uint16_t SecurityPassword = defaultPasswordHash(); // CRC-16/X-25 of the password
    bool EnabledAll = false;                           // this run only: never saved as true
    bool ReadUnregistered = true;   // read the history of an instrument issued to nobody
    bool AddParamsDB = false;       // store the instrument settings with the history
    bool PrintDeviceSetting = true; // print the instrument settings with the history
    QString ADOFile;                // the personnel database
    QString Link;                   // which link: empty = the link library

    // Whether the program uses the link at all (starts discovery, closes it at the end).
    bool usesLink() const { return ProtocolExchange <= 3; }
};

// Reads the settings; every missing key gives its default. Integers are cut to the width of
// their field (a Language of 257 is 1). defaultLanguage comes from languageFromLocale() in
// the program. An ADOFile key that is missing or empty gives defaultADOFile(exeDir).
TIniRec readIniRec(const IniFile& ini, const QString& exeDir, uint8_t defaultLanguage);

// Writes every key in the order the settings file has always had, "EnabledAll" as 0, then
// "ADOFile" in "Data Base", then the link choice. The keys are moved to the end of their
// sections so that the file shows that order even when it was edited by hand; other keys
// and sections stay. False when a value cannot be stored (a line break in a path): that key
// keeps what the file had, the other keys are written all the same.
bool writeIniRec(IniFile& ini, const TIniRec& rec);

// The settings of the file at iniPath (a missing file gives all defaults).
TIniRec loadIniRec(const QString& iniPath, const QString& exeDir, uint8_t defaultLanguage);

// Reads the file afresh (keeping every other section and key of it), writes the settings
// into it and saves it. False when the file cannot be written, or exists but cannot be
// read (it is then left as it is).
bool saveIniRec(const QString& iniPath, const TIniRec& rec);

} // namespace qz
