#include "tray/shell/LinkSetting.h"

#include "sim/SimulatedLink.h"
#include "tray/link/LibraryLink.h"

#include <QDir>

namespace qz {

namespace {
const QLatin1String kSimulatorPrefix("simulator:");
}

std::unique_ptr<IrdaLink> createLink(const QString& setting, const QString& programFolder,
                                     QString* error)
{
    const QDir folder(programFolder);
    const QString value = setting.trimmed();
    QString why;
    if (value.isEmpty()) {
        auto link = std::make_unique<LibraryLink>(folder.filePath(QStringLiteral("IrDA")));
        if (link->isLoaded())
            return link;
        why = link->errorString();
    } else if (value.startsWith(kSimulatorPrefix, Qt::CaseInsensitive)) {
        const QString path = value.mid(kSimulatorPrefix.size()).trimmed();
        if (path.isEmpty())
            return std::make_unique<sim::SimulatedLink>();
        auto link = sim::SimulatedLink::fromScenarioFile(folder.absoluteFilePath(path), &why);
        if (link)
            return link;
    } else {
        why = QStringLiteral("unknown link setting \"%1\"").arg(value);
    }
    if (error)
        *error = why;
    return std::make_unique<FailedLink>();
}

} // namespace qz
