// qz55xx-cli db init PATH-OR-URL
#include "cli/Commands.h"
#include "common/db/DbSetup.h"

#include <QDir>

namespace qz::cli {

namespace {

int runDb(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 2 || args[0] != QLatin1String("init")) {
        err << "db: expected \"init PATH-OR-URL\", e.g. db init DB/Vorlex.db or\n"
               "    db init postgresql://user@server/Vorlex\n";
        return ExitBadArguments;
    }
    // On the command line a relative path means the current folder, as for any tool.
    const db::DbLocator main = db::DbLocator::fromText(args[1], QDir::currentPath());
    if (!main.isValid()) {
        err << "db init: " << main.errorText() << "\n";
        return ExitBadArguments;
    }
    QStringList created;
    QString error;
    if (!db::initSiteDatabases(main, &created, &error)) {
        err << "db init: " << error << "\n";
        return ExitFailure;
    }
    for (const QString& what : created)
        out << "created " << what << "\n";
    return ExitOk;
}

const CommandRegistration registration({"db",
                                        "db init PATH-OR-URL   create an empty main database "
                                        "(on a PostgreSQL server also the archive template)",
                                        runDb});

} // namespace

} // namespace qz::cli
