#include "common/platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace qz {

QString exeDirOf(const QString& executablePath)
{
    const QString path = QDir::fromNativeSeparators(executablePath);
    const qsizetype sep = path.lastIndexOf(QLatin1Char('/'));
    if (sep < 0)
        return QStringLiteral("./");
    return path.left(sep + 1);
}

QString iniFileNameOf(const QString& executablePath)
{
    const QString path = QDir::fromNativeSeparators(executablePath);
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return (dot < 0 ? name : name.left(dot)) + QStringLiteral(".ini");
}

QString ExeDir()
{
    return exeDirOf(QCoreApplication::applicationFilePath());
}

QString IniFileName()
{
    return iniFileNameOf(QCoreApplication::applicationFilePath());
}

} // namespace qz
