#include "common/platform/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace qz {

QString SingleInstance::defaultFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
    // The temporary folder may be shared by every user of the machine (/tmp); one user's
    // program must not keep another's from starting.
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
        .filePath(QStringLiteral("qz55xx-") + user);
}

SingleInstance::SingleInstance(const QString& name, const QString& folder)
    : m_path(QDir(folder).filePath(name + QStringLiteral(".lock"))), m_lock(m_path)
{
    // No age limit: only a dead holder makes a lock stale. The program runs for weeks, so a
    // lock of a live process must never be taken for an old one.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    release();
}

SingleInstance::Result SingleInstance::acquire()
{
    if (m_lock.isLocked())
        return Result::Acquired;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (m_lock.tryLock(0))
        return Result::Acquired;
    return m_lock.error() == QLockFile::LockFailedError ? Result::AnotherRuns : Result::Unavailable;
}

void SingleInstance::release()
{
    if (m_lock.isLocked())
        m_lock.unlock();
}

} // namespace qz
