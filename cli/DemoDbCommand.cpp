// qz55xx-cli demo-db fill|show [--program-folder DIR]
//   fill  adds a few persons to the program folder's personnel database and issues the
//         demo's gamma-neutron instrument (QZ5520GN, number 1234) to one of them, as the
//         registration does; refused when the database already holds persons.
//   show  prints every person with the instrument he holds and his stored event lines.
#include "cli/Commands.h"
#include "cli/LinkOptions.h"
#include "common/db/PersonnelDb.h"
#include "common/platform/Clock.h"
#include "tray/session/Registration.h"
#include "tray/session/SessionDb.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"

#include <QDir>

namespace qz::cli {

namespace {

struct DemoPerson {
    const char* fam;
    const char* im;
    const char* otch;
    bool holdsInstrument;
};

const DemoPerson kPersons[] = {
    {"Ivanov", "Ivan", "Ivanovich", true},
    {"Petrova", "Anna", "Sergeevna", false},
    {"Sidorov", "Pavel", "Nikolaevich", false},
    {"Kuznetsova", "Olga", "Viktorovna", false},
};

int fill(SessionDb& sessionDb, const db::DbConnection& conn, const QString& exeDir,
         const TIniRec& ini, QTextStream& out, QTextStream& err)
{
    QString error;
    QList<db::Person> persons;
    if (!db::listPersons(conn, &persons, &error)) {
        err << "demo-db fill: " << error << "\n";
        return ExitFailure;
    }
    if (!persons.isEmpty()) {
        err << "demo-db fill: the database already holds persons; use a fresh program folder\n";
        return ExitFailure;
    }
    LangTable lang;
    if (!lang.load(QDir(exeDir).filePath(QStringLiteral("Lang.txt")), ini.Language)) {
        err << "demo-db fill: cannot read the language file\n";
        return ExitFailure;
    }
    for (const DemoPerson& p : kPersons) {
        const db::PersonName name{QString::fromUtf8(p.fam), QString::fromUtf8(p.im),
                                  QString::fromUtf8(p.otch)};
        int persId = db::NoId;
        if (!db::insertPerson(conn, name, db::NoId, &persId, &error)) {
            err << "demo-db fill: " << error << "\n";
            return ExitFailure;
        }
        out << "added " << name.fullName() << "\n";
        if (p.holdsInstrument) {
            if (!BindDevice(sessionDb, lang, appClock(), persId, 1234, QStringLiteral("QZ5520GN"),
                            &error)) {
                err << "demo-db fill: " << error << "\n";
                return ExitFailure;
            }
            out << "issued QZ5520GN 1234 to " << name.fullName() << "\n";
        }
    }
    return ExitOk;
}

int show(const db::DbConnection& conn, QTextStream& out, QTextStream& err)
{
    QString error;
    QList<db::Person> persons;
    if (!db::listPersons(conn, &persons, &error)) {
        err << "demo-db show: " << error << "\n";
        return ExitFailure;
    }
    for (const db::Person& person : std::as_const(persons)) {
        out << person.name.fullName();
        if (person.deviceId && *person.deviceId != -1)
            out << "  (" << person.deviceType << " " << *person.deviceId << ")";
        out << "\n";
        QList<db::HistoryRow> rows;
        if (!db::listHistory(conn, person.persId, QString(), &rows, &error)) {
            err << "demo-db show: " << error << "\n";
            return ExitFailure;
        }
        for (const db::HistoryRow& row : std::as_const(rows))
            out << "    " << row.event << "\n";
    }
    return ExitOk;
}

int runDemoDb(const QStringList& argsIn, QTextStream& out, QTextStream& err)
{
    QStringList args = argsIn;
    LinkOptions options;
    if (!takeLinkOptions(args, options, err))
        return ExitBadArguments;
    if (args.size() != 1 ||
        (args[0] != QLatin1String("fill") && args[0] != QLatin1String("show"))) {
        err << "demo-db: expected \"fill\" or \"show\"\n";
        return ExitBadArguments;
    }
    QString exeDir = QDir(options.programFolder).absolutePath();
    if (!exeDir.endsWith(QLatin1Char('/')))
        exeDir += QLatin1Char('/');
    const TIniRec ini = loadIniRec(exeDir + QStringLiteral("QZ55xx.ini"), exeDir, 1);
    SessionDb sessionDb(db::DbLocator::fromText(ini.ADOFile, exeDir));
    QString error;
    const db::DbConnection* conn = sessionDb.connection(&error);
    if (!conn) {
        err << "demo-db: " << error << "\n";
        return ExitFailure;
    }
    if (args[0] == QLatin1String("fill"))
        return fill(sessionDb, *conn, exeDir, ini, out, err);
    return show(*conn, out, err);
}

const CommandRegistration kDemoDb({"demo-db",
                                   "demo-db fill|show [--program-folder DIR]\n"
                                   "    fill: a few demo persons, one holding QZ5520GN 1234;\n"
                                   "    show: every person with his stored event lines",
                                   runDemoDb});

} // namespace

} // namespace qz::cli
