#pragma once

#include <QLockFile>
#include <QString>

namespace qz {

// Keeps a second copy of the tray program from running for the same user. A lock file named
// after the guard ("QZMutex.lock") in the user's runtime folder is held for the life of the
// process. The lock records the holder's process id, so a lock left behind by a process
// that died is taken over at once and never blocks the next start.
class SingleInstance {
public:
    enum class Result {
        Acquired,    // this process is the only one; the lock is held until release
        AnotherRuns, // a live process holds the lock: end at once, silently
        Unavailable, // the lock file cannot be made (folder not writable, ...)
    };

    static QString defaultName() { return QStringLiteral("QZMutex"); }
    // The user's runtime folder (XDG_RUNTIME_DIR or a private folder of the user's own on
    // Linux), else a folder named after the user in the temporary folder.
    static QString defaultFolder();

    explicit SingleInstance(const QString& name = defaultName(),
                            const QString& folder = defaultFolder());
    ~SingleInstance();

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Answers at once, never waits for the holder. On Unavailable the caller runs anyway:
    // a guard that cannot work must not keep the operator from the program.
    Result acquire();
    void release();
    bool isHeld() const { return m_lock.isLocked(); }
    const QString& lockFilePath() const { return m_path; }

private:
    QString m_path;
    QLockFile m_lock;
};

} // namespace qz
