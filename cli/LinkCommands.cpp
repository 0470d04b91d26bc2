// Support commands that talk to instruments over the configured link:
//   devices        the names announced by the devices in range
//   block read     one parameter block of the instrument at an index, field by field
//   history-dump   the raw history memory of the instrument at an index, into a file
// Exit status: 0 done, 2 bad arguments, 3 no instrument in range, 4 link or protocol failure.
#include "cli/Commands.h"
#include "cli/LinkOptions.h"
#include "common/platform/DateTimeDays.h"
#include "common/platform/Progress.h"
#include "tray/history/HistoryRead.h"
#include "tray/link/ParameterBlocks.h"

#include <QFile>

namespace qz::cli {

namespace {

enum { ExitNoInstrument = 3, ExitLinkFailure = 4 };

// Finds the devices and connects to the one at `index`.
int connectAt(IrdaLink& link, int index, QTextStream& err)
{
    QStringList names;
    if (!link.FindDeviceEx(names) || names.isEmpty()) {
        err << "no instrument in range\n";
        return ExitNoInstrument;
    }
    if (index < 0 || index >= names.size()) {
        err << "no device at index " << index << " (" << names.size() << " in range)\n";
        return ExitNoInstrument;
    }
    if (!link.ConnectDevIrDAEx(index)) {
        err << "cannot connect to \"" << names.at(index) << "\"\n";
        return ExitLinkFailure;
    }
    return ExitOk;
}

// Opens the link, connects to the instrument at `index`, runs `work` on it and closes the
// link again, whatever happened.
template <typename Work>
int withInstrumentAt(const LinkOptions& options, int index, QTextStream& err, Work work)
{
    auto link = openLink(options, err);
    if (!link)
        return ExitLinkFailure;
    int status = connectAt(*link, index, err);
    if (status == ExitOk)
        status = work(*link);
    link->CloseIrDAEx();
    return status;
}

bool takeIndex(QStringList& args, int& index, QTextStream& err)
{
    QString text = QStringLiteral("0");
    bool ok = takeOption(args, QStringLiteral("--index"), text);
    index = ok ? text.toInt(&ok) : -1;
    if (!ok || index < 0)
        err << "--index needs a device index 0, 1, ...\n";
    return ok && index >= 0;
}

int runDevices(const QStringList& argsIn, QTextStream& out, QTextStream& err)
{
    QStringList args = argsIn;
    LinkOptions options;
    if (!takeLinkOptions(args, options, err))
        return ExitBadArguments;
    if (!args.isEmpty()) {
        err << "devices: unexpected argument \"" << args.first() << "\"\n";
        return ExitBadArguments;
    }
    auto link = openLink(options, err);
    if (!link)
        return ExitLinkFailure;
    QStringList names;
    const bool found = link->FindDeviceEx(names);
    link->CloseIrDAEx();
    if (!found || names.isEmpty()) {
        err << "no instrument in range\n";
        return ExitNoInstrument;
    }
    for (int i = 0; i < names.size(); ++i)
        out << i << "\t" << names.at(i) << "\n";
    return ExitOk;
}

QString dateTimeText(double days)
{
    return daysToDateTime(days).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

void printField(QTextStream& out, const char* name, const QVariant& value)
{
    out << name << "=" << value.toString() << "\n";
}

// The M and GN records share most fields; the GN record has a few more.
template <typename Record> void printRecord(QTextStream& out, const Record& r)
{
    constexpr bool gn = std::is_same_v<Record, T5520GNParameters>;
    printField(out, "Reg91", r.Reg91);
    printField(out, "RegD2", r.RegD2);
    printField(out, "CoeffN", r.CoeffN);
    if constexpr (gn)
        printField(out, "CoeffNN", r.CoeffNN);
    printField(out, "HistTime", r.HistTime);
    printField(out, "DateTime", dateTimeText(r.DateTime));
    printField(out, "En1s", r.En1s);
    printField(out, "En2s", r.En2s);
    printField(out, "En4s", r.En4s);
    printField(out, "OnOffSign", r.OnOffSign);
    printField(out, "Sound", r.Sound);
    printField(out, "Vibr", r.Vibr);
    printField(out, "Izmer", r.Izmer);
    printField(out, "RegistrG", r.RegistrG);
    printField(out, "QuickOff", r.QuickOff);
    if constexpr (gn)
        printField(out, "RegistrN", r.RegistrN);
    printField(out, "Unit", r.Unit);
    printField(out, "AutoCalibr", r.AutoCalibr);
    printField(out, "EnIzmN", r.EnIzmN);
    printField(out, "CoefVar", r.CoefVar);
    if constexpr (gn)
        printField(out, "TIzmN", r.TIzmN);
    printField(out, "PorogDER", r.PorogDER);
    printField(out, "Advanced", r.Advanced);
    if constexpr (gn)
        printField(out, "MEDNetr", r.MEDNetr);
    printField(out, "MEDGamma", r.MEDGamma);
}

void printRecord(QTextStream& out, const TKParameters& r)
{
    printField(out, "HistSeconds", r.HistSeconds);
    printField(out, "DeltaHist", r.DeltaHist);
    printField(out, "DateTime", dateTimeText(r.DateTime));
    printField(out, "CoeffN", r.CoeffN);
    printField(out, "CoeffNN", r.CoeffNN);
    printField(out, "PorogGeiger", r.PorogGeiger);
    printField(out, "En1s", r.En1s);
    printField(out, "En2s", r.En2s);
    printField(out, "En4s", r.En4s);
    printField(out, "OnOffSign", r.OnOffSign);
    printField(out, "Sound", r.Sound);
    printField(out, "Vibr", r.Vibr);
    printField(out, "EnPorog", r.EnPorog);
    printField(out, "AutoCalibr", r.AutoCalibr);
    printField(out, "TIzmN", r.TIzmN);
}

template <typename Record>
int readBlock(bool (*block)(DeviceProtocol&, Record&, BlockEnv&), IrdaLink& link, bool pagerName,
              QTextStream& out, QTextStream& err)
{
    DeviceProtocol protocol(link);
    Record record;
    if constexpr (!std::is_same_v<Record, TKParameters>)
        record.PagerName = pagerName;
    int unitLine = 0;
    BlockEnv env;
    env.setUnitLine = [&unitLine](int line) { unitLine = line; };
    if (!block(protocol, record, env)) {
        err << "the parameter block could not be read\n";
        return ExitLinkFailure;
    }
    printRecord(out, record);
    if (unitLine)
        out << "UnitLine=" << unitLine << "\n";
    return ExitOk;
}

int runBlock(const QStringList& argsIn, QTextStream& out, QTextStream& err)
{
    QStringList args = argsIn;
    LinkOptions options;
    int index = 0;
    if (!takeLinkOptions(args, options, err) || !takeIndex(args, index, err))
        return ExitBadArguments;
    const bool pagerName = args.removeAll(QStringLiteral("--pager-name")) > 0;
    static const QStringList kFamilies{QStringLiteral("m"), QStringLiteral("m-ext"),
                                       QStringLiteral("gn"), QStringLiteral("gn-ext"),
                                       QStringLiteral("k")};
    if (args.size() != 2 || args[0] != QLatin1String("read") || !kFamilies.contains(args[1])) {
        err << "block: expected \"read m|m-ext|gn|gn-ext|k\"\n";
        return ExitBadArguments;
    }
    const QString family = args[1];
    return withInstrumentAt(options, index, err, [&](IrdaLink& link) {
        if (family == QLatin1String("m"))
            return readBlock(&ReadMBlock, link, pagerName, out, err);
        if (family == QLatin1String("m-ext"))
            return readBlock(&ReadMExtBlock, link, pagerName, out, err);
        if (family == QLatin1String("gn"))
            return readBlock(&ReadGNBlock, link, pagerName, out, err);
        if (family == QLatin1String("gn-ext"))
            return readBlock(&ReadGNExtBlock, link, pagerName, out, err);
        return readBlock(&ReadKBlock, link, pagerName, out, err);
    });
}

int runHistoryDump(const QStringList& argsIn, QTextStream& out, QTextStream& err)
{
    QStringList args = argsIn;
    LinkOptions options;
    int index = 0;
    if (!takeLinkOptions(args, options, err) || !takeIndex(args, index, err))
        return ExitBadArguments;
    QString lengthText = QStringLiteral("64");
    if (!takeOption(args, QStringLiteral("--answer-length"), lengthText)) {
        err << "--answer-length needs 64 or 128\n";
        return ExitBadArguments;
    }
    const bool kRecords = args.removeAll(QStringLiteral("--k")) > 0;
    bool ok = false;
    const int answerLength = lengthText.toInt(&ok);
    if (!ok || (answerLength != 64 && answerLength != 128) || args.size() != 1) {
        err << "history-dump: expected [--answer-length 64|128] [--k] FILE\n";
        return ExitBadArguments;
    }
    QByteArray memory;
    const int status = withInstrumentAt(options, index, err, [&](IrdaLink& link) {
        NullProgress progress;
        const bool read =
            kRecords ? FetchHistoryMemory(link, progress, kHistoryCapacity6610,
                                          kHistoryAnswerLength6610, memory)
                     : FetchHistoryMemory(link, progress, kHistoryCapacity, answerLength, memory);
        if (!read)
            err << "the history memory could not be read\n";
        return read ? int(ExitOk) : int(ExitLinkFailure);
    });
    if (status != ExitOk)
        return status;
    QFile file(args[0]);
    if (!file.open(QIODevice::WriteOnly) || file.write(memory) != memory.size()) {
        err << "cannot write \"" << args[0] << "\": " << file.errorString() << "\n";
        return ExitFailure;
    }
    out << memory.size() << " bytes\n";
    return ExitOk;
}

const CommandRegistration devices({"devices", "devices [--program-folder DIR] [--link LINK]",
                                   &runDevices});
const CommandRegistration block({"block",
                                 "block read m|m-ext|gn|gn-ext|k [--index N] [--pager-name] "
                                 "[--program-folder DIR] [--link LINK]",
                                 &runBlock});
const CommandRegistration dump({"history-dump",
                                "history-dump [--answer-length 64|128] [--k] [--index N] "
                                "[--program-folder DIR] [--link LINK] FILE",
                                &runHistoryDump});

} // namespace
} // namespace qz::cli
