#include "tray/shell/IniRec.h"

#include "common/platform/Crc16.h"
#include "common/platform/IniFile.h"

#include <QFileInfo>

namespace qz {

QString defaultPassword()
{
    return QStringLiteral("1");
}

uint16_t defaultPasswordHash()
{
    return passwordHash(defaultPassword());
}

uint8_t languageFromLocale(const QLocale& locale)
{
    return locale.language() == QLocale::Russian ? 0 : 1;
}

QString defaultADOFile(const QString& exeDir)
{
    return exeDir + QStringLiteral("DB/Vorlex.db");
}

TIniRec readIniRec(const IniFile& ini, const QString& exeDir, uint8_t defaultLanguage)
{
    using namespace ini;
    const TIniRec d;
    TIniRec r;
    // Cut to the field's width as the record always did: 256 -> 0, 257 -> 1.
    r.Language = uint8_t(ini.readInt(kParameters, kLanguage, defaultLanguage));
    r.ComPort = ini.readString(kParameters, kComPort, d.ComPort);
    r.IRAdapter = uint8_t(ini.readInt(kParameters, kIRAdapter, d.IRAdapter));
    r.FindDevice = ini.readBool(kParameters, kFindDevice, d.FindDevice);
    r.ProtocolExchange = uint8_t(ini.readInt(kParameters, kProtocolExchange, d.ProtocolExchange));
    r.EnabledAll = ini.readBool(kParameters, kEnabledAll, d.EnabledAll);
    r.ReadUnregistered = ini.readBool(kParameters, kReadUnregistered, d.ReadUnregistered);
    r.AddParamsDB = ini.readBool(kParameters, kAddParamsDB, d.AddParamsDB);
    r.PrintDeviceSetting = ini.readBool(kParameters, kPrintDeviceSetting, d.PrintDeviceSetting);
    r.SecurityPassword = uint16_t(ini.readInt(kParameters, kSecurityPassword, d.SecurityPassword));
    // An empty path names no database at all; take the default as for a missing key.
    r.ADOFile = ini.readString(kDataBase, kADOFile, QString());
    if (r.ADOFile.isEmpty())
        r.ADOFile = defaultADOFile(exeDir);
    r.Link = ini.readString(kParameters, kLink, QString());
    return r;
}

bool writeIniRec(IniFile& ini, const TIniRec& rec)
{
    using namespace ini;
    const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    struct Entry {
        const QString& section;
        const QString& key;
        QString value;
    };
    const Entry entries[] = {
        {kParameters, kLanguage, QString::number(rec.Language)},
        {kParameters, kComPort, rec.ComPort},
        {kParameters, kIRAdapter, QString::number(rec.IRAdapter)},
        {kParameters, kFindDevice, flag(rec.FindDevice)},
        {kParameters, kProtocolExchange, QString::number(rec.ProtocolExchange)},
        {kParameters, kSecurityPassword, QString::number(rec.SecurityPassword)},
        // Unlocking every control of the device settings is meant for one run only.
        {kParameters, kEnabledAll, flag(false)},
        {kParameters, kReadUnregistered, flag(rec.ReadUnregistered)},
        {kParameters, kAddParamsDB, flag(rec.AddParamsDB)},
        {kParameters, kPrintDeviceSetting, flag(rec.PrintDeviceSetting)},
        {kDataBase, kADOFile, rec.ADOFile},
        {kParameters, kLink, rec.Link},
    };
    // The program's keys go to the end of their sections in the fixed order, whatever order
    // a hand-edited file had; every other key stays. A value that cannot be stored leaves
    // the key as the file had it.
    bool ok = true;
    for (const Entry& e : entries) {
        if (IniFile::canStore(e.section, e.key, e.value))
            ini.removeKey(e.section, e.key);
        else
            ok = false;
    }
    for (const Entry& e : entries) {
        if (IniFile::canStore(e.section, e.key, e.value))
            ini.writeString(e.section, e.key, e.value);
    }
    return ok;
}

TIniRec loadIniRec(const QString& iniPath, const QString& exeDir, uint8_t defaultLanguage)
{
    IniFile ini;
    ini.load(iniPath);
    return readIniRec(ini, exeDir, defaultLanguage);
}

bool saveIniRec(const QString& iniPath, const TIniRec& rec)
{
    IniFile ini;
    // A missing file is created; one that exists but cannot be read is left alone rather
    // than replaced by a file that lost every key but ours.
    if (!ini.load(iniPath) && QFileInfo::exists(iniPath))
        return false;
    const bool stored = writeIniRec(ini, rec);
    return ini.save(iniPath) && stored;
}

} // namespace qz
