// Builds one empty database file from the schema: qz_db_generate main|archive FILE.
// Run by the build; an existing FILE is replaced.
#include "common/db/DbSetup.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    using namespace qz::db;
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2 ||
        (args[0] != QLatin1String("main") && args[0] != QLatin1String("archive"))) {
        err << "usage: qz_db_generate main|archive FILE\n";
        return 2;
    }
    const DbKind kind = args[0] == QLatin1String("main") ? DbKind::Main : DbKind::Archive;
    const DbLocator target = DbLocator::fromText(args[1], QString());
    QString error;
    if (target.isServer() || !dropDatabase(target, &error) ||
        !createDatabase(target, kind, &error)) {
        err << "qz_db_generate: " << args[1] << ": "
            << (target.isServer() ? QStringLiteral("expects a file path") : error) << "\n";
        return 1;
    }
    return 0;
}
