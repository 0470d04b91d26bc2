#include "cli/Commands.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace qz::cli {

namespace {
QList<Command>& registry()
{
    static QList<Command> list;
    return list;
}
} // namespace

CommandRegistration::CommandRegistration(const Command& command)
{
    registry().append(command);
}

const QList<Command>& commands()
{
    return registry();
}

} // namespace qz::cli

int main(int argc, char** argv)
{
    using namespace qz::cli;
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);

    auto usage = [&](QTextStream& s) {
        QList<Command> list = commands();
        std::sort(list.begin(), list.end(),
                  [](const Command& a, const Command& b) { return qstrcmp(a.name, b.name) < 0; });
        s << "usage:\n";
        for (const Command& c : list)
            s << "  qz55xx-cli " << c.usage << "\n";
    };

    if (args.isEmpty()) {
        usage(err);
        return ExitBadArguments;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("help") || name == QLatin1String("--help")) {
        usage(out);
        return ExitOk;
    }
    for (const Command& c : commands()) {
        if (name == QLatin1String(c.name)) {
            const int status = c.run(args, out, err);
            out.flush();
            err.flush();
            return status;
        }
    }
    err << "qz55xx-cli: unknown command \"" << name << "\" (try qz55xx-cli help)\n";
    return ExitBadArguments;
}
