#pragma once

// Runs the built qz55xx-cli as a support engineer or a script runs it.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace qz::test {

inline const QString kCliProgram = QStringLiteral(QZ_PROGRAM_DIR "/qz55xx-cli");

struct CliRun {
    int status = -1; // -1: did not end normally within the bound
    QString out;
    QString err;
};

inline CliRun runCli(const QStringList& args, const QString& program = kCliProgram,
                     const QString& locale = QStringLiteral("C"), const QString& timeZone = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.insert(QStringLiteral("LANG"), locale);
    if (!timeZone.isEmpty())
        env.insert(QStringLiteral("TZ"), timeZone);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace qz::test
