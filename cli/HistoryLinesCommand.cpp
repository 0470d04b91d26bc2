// qz55xx-cli history-lines --layout P|PG|O|OG|K [options] DUMPFILE
//
// Turns a saved history memory into the lines the history window shows, one output line per
// window line: WIDTH, a tab, COLOUR, a tab, TEXT.
#include "cli/Commands.h"
#include "tray/history/HistoryDecode.h"
#include "tray/history/HistoryLines.h"
#include "tray/shell/LangTable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cmath>
#include <memory>

namespace qz::cli {

namespace {

int fail(QTextStream& err, const QString& message)
{
    err << "history-lines: " << message << "\n";
    return ExitBadArguments;
}

int runHistoryLines(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption layoutOpt(QStringLiteral("layout"), {}, QStringLiteral("layout"));
    const QCommandLineOption unitsOpt(QStringLiteral("units"), {}, QStringLiteral("line"),
                                      QStringLiteral("44"));
    const QCommandLineOption coefOpt(QStringLiteral("coef"), {}, QStringLiteral("x"),
                                     QStringLiteral("0"));
    const QCommandLineOption gnOpt(QStringLiteral("gn-family"));
    const QCommandLineOption firmwareOpt(QStringLiteral("new-firmware"));
    const QCommandLineOption medOpt(QStringLiteral("med-mode"));
    const QCommandLineOption langFileOpt(QStringLiteral("lang-file"), {}, QStringLiteral("path"));
    const QCommandLineOption languageOpt(QStringLiteral("language"), {}, QStringLiteral("n"),
                                         QStringLiteral("1"));
    const QCommandLineOption dateOpt(QStringLiteral("date-format"), {}, QStringLiteral("fmt"));
    parser.addOptions({layoutOpt, unitsOpt, coefOpt, gnOpt, firmwareOpt, medOpt, langFileOpt,
                       languageOpt, dateOpt});
    parser.addPositionalArgument(QStringLiteral("DUMPFILE"), {});

    if (!parser.parse(QStringList{QStringLiteral("history-lines")} + args))
        return fail(err, parser.errorText());
    for (const QCommandLineOption& o :
         {layoutOpt, unitsOpt, coefOpt, langFileOpt, languageOpt, dateOpt}) {
        if (parser.values(o).size() > 1)
            return fail(err, QStringLiteral("--%1 given more than once").arg(o.names().first()));
    }
    if (parser.positionalArguments().size() != 1)
        return fail(err, QStringLiteral("expected exactly one DUMPFILE"));

    const QString layout = parser.value(layoutOpt);
    const bool k = layout == QLatin1String("K");
    HistoryDecodeParams params;
    if (layout == QLatin1String("P") || layout == QLatin1String("PG"))
        params.PagerFormat = true;
    if (layout == QLatin1String("PG") || layout == QLatin1String("OG"))
        params.GNNewGen = true;
    if (!k && !params.PagerFormat && !params.GNNewGen && layout != QLatin1String("O"))
        return fail(err, QStringLiteral("--layout must be P, PG, O, OG or K"));

    const QString units = parser.value(unitsOpt);
    if (units != QLatin1String("44") && units != QLatin1String("95") &&
        units != QLatin1String("96"))
        return fail(err, QStringLiteral("--units must be 44, 95 or 96"));

    bool ok = false;
    params.CurCoef = parser.value(coefOpt).toDouble(&ok);
    if (!ok || !std::isfinite(params.CurCoef))
        return fail(err, QStringLiteral("--coef needs a number, e.g. 0.00024"));

    const int language = parser.value(languageOpt).toInt(&ok);
    if (!ok || language < 0)
        return fail(err, QStringLiteral("--language needs a language number, 0 or more"));

    const QString langFile =
        parser.isSet(langFileOpt)
            ? parser.value(langFileOpt)
            : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Lang.txt"));
    LangTable lang;
    if (!lang.load(langFile, language))
        return fail(err, QStringLiteral("cannot read the language file %1").arg(langFile));
    bool anyText = false;
    for (int n = 1; n <= LangTable::kLines && !anyText; ++n)
        anyText = !lang.line(n).isEmpty();
    if (!anyText)
        return fail(err, QStringLiteral("language %1 is not in %2").arg(language).arg(langFile));

    const QString dumpPath = parser.positionalArguments().first();
    QFile dump(dumpPath);
    if (!dump.open(QIODevice::ReadOnly))
        return fail(err, QStringLiteral("cannot read %1: %2").arg(dumpPath, dump.errorString()));
    // One byte more than the memory holds tells a too-long file from a full one.
    const QByteArray memory = dump.read(kHistoryMemoryLimit + 1);
    if (memory.size() > kHistoryMemoryLimit)
        return fail(err, QStringLiteral("%1 holds more than the %2 bytes of a history memory")
                             .arg(dumpPath)
                             .arg(kHistoryMemoryLimit));

    HistoryTextFormat format;
    if (parser.isSet(dateOpt))
        format.dateFormat = parser.value(dateOpt);

    QList<HistoryLine> lines;
    if (k) {
        auto events = std::make_unique<HistoryEvents6610>();
        const int count = decodeHistoryMemory6610(bytesOf(memory), *events);
        lines = historyLines6610(std::span(events->data(), size_t(count)), lang, format);
    } else {
        auto events = std::make_unique<HistoryEvents>();
        const int count = decodeHistoryMemory(bytesOf(memory), params, *events);
        HistorySessionValues session;
        session.CurUnitsText = lang.line(units.toInt());
        session.IsGNFamily = parser.isSet(gnOpt);
        session.GNNewGen = params.GNNewGen;
        session.NewFirmware = parser.isSet(firmwareOpt);
        session.MEDMode = parser.isSet(medOpt);
        lines = historyLines(std::span(events->data(), size_t(count)), session, lang, format);
    }
    for (const HistoryLine& l : lines)
        out << l.width << '\t' << l.colour << '\t' << l.text << '\n';
    return ExitOk;
}

const CommandRegistration
    registration({"history-lines",
                  "history-lines --layout P|PG|O|OG|K [--units 44|95|96] [--coef X] [--gn-family]\n"
                  "      [--new-firmware] [--med-mode] [--lang-file PATH] [--language N]\n"
                  "      [--date-format FMT] DUMPFILE\n"
                  "    prints the history window's lines of a saved history memory:\n"
                  "    WIDTH<TAB>COLOUR<TAB>TEXT",
                  &runHistoryLines});

} // namespace
} // namespace qz::cli
