#include "cli/LinkOptions.h"

#include "common/platform/IniFile.h"
#include "common/platform/ProgramFolder.h"
#include "tray/shell/LinkSetting.h"

#include <QCoreApplication>
#include <QDir>

namespace qz::cli {

bool takeOption(QStringList& args, const QString& name, QString& value, bool* present)
{
    const qsizetype at = args.indexOf(name);
    if (present)
        *present = at >= 0;
    if (at < 0)
        return true;
    if (at + 1 >= args.size())
        return false;
    value = args.at(at + 1);
    args.remove(at, 2);
    return true;
}

bool takeLinkOptions(QStringList& args, LinkOptions& options, QTextStream& err)
{
    options.programFolder = QCoreApplication::applicationDirPath();
    if (!takeOption(args, QStringLiteral("--program-folder"), options.programFolder)) {
        err << "--program-folder needs a folder\n";
        return false;
    }
    if (!QDir(options.programFolder).exists()) {
        err << "program folder \"" << options.programFolder << "\" does not exist\n";
        return false;
    }
    if (!takeOption(args, QStringLiteral("--link"), options.link, &options.linkGiven)) {
        err << "--link needs a value (\"\", \"simulator:\" or \"simulator:PATH\")\n";
        return false;
    }
    if (!options.linkGiven) {
        IniFile ini;
        ini.load(QDir(options.programFolder).filePath(QStringLiteral("QZ55xx.ini")));
        options.link =
            ini.readString(QStringLiteral("Parameters"), QStringLiteral("Link"), QString());
    }
    return true;
}

std::unique_ptr<IrdaLink> openLink(const LinkOptions& options, QTextStream& err)
{
    QString why;
    auto link = createLink(options.link, options.programFolder, &why);
    if (!link->InitIrDAEx()) {
        err << "the infrared link cannot be initialised"
            << (why.isEmpty() ? QString() : QStringLiteral(": ") + why) << "\n";
        return nullptr;
    }
    return link;
}

} // namespace qz::cli
