#pragma once

#include <QStringList>
#include <QTextStream>

namespace qz::cli {

// Exit statuses shared by every command.
enum ExitStatus { ExitOk = 0, ExitFailure = 1, ExitBadArguments = 2 };

struct Command {
    const char* name;
    const char* usage; // one or more lines, shown by "qz55xx-cli help"
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

// Each command file registers its command with a static CommandRegistration, so adding a
// command touches no other file.
class CommandRegistration {
public:
    explicit CommandRegistration(const Command& command);
};

const QList<Command>& commands();

} // namespace qz::cli
