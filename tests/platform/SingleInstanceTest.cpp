#include "common/platform/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif

using qz::SingleInstance;

TEST(SingleInstance, SecondHolderLearnsAtOnceThatTheFirstRuns)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SingleInstance first(SingleInstance::defaultName(), dir.path());
    ASSERT_EQ(first.acquire(), SingleInstance::Result::Acquired);
    EXPECT_TRUE(first.isHeld());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("QZMutex.lock"))));

    {
        SingleInstance second(SingleInstance::defaultName(), dir.path());
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(second.acquire(), SingleInstance::Result::AnotherRuns);
        EXPECT_LT(timer.elapsed(), 1000);
        EXPECT_FALSE(second.isHeld());
        // The failed attempt must not remove the holder's lock.
    }
    EXPECT_TRUE(QFile::exists(first.lockFilePath()));

    // Acquiring again while holding is harmless.
    EXPECT_EQ(first.acquire(), SingleInstance::Result::Acquired);

    first.release();
    EXPECT_FALSE(QFile::exists(first.lockFilePath()));
    SingleInstance third(SingleInstance::defaultName(), dir.path());
    EXPECT_EQ(third.acquire(), SingleInstance::Result::Acquired);
}

TEST(SingleInstance, EndOfTheHolderFreesTheLock)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        SingleInstance first(SingleInstance::defaultName(), dir.path());
        ASSERT_EQ(first.acquire(), SingleInstance::Result::Acquired);
    }
    SingleInstance next(SingleInstance::defaultName(), dir.path());
    EXPECT_EQ(next.acquire(), SingleInstance::Result::Acquired);
}

TEST(SingleInstance, OtherNamesDoNotBlockEachOther)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SingleInstance a(QStringLiteral("QZMutex"), dir.path());
    SingleInstance b(QStringLiteral("OtherMutex"), dir.path());
    EXPECT_EQ(a.acquire(), SingleInstance::Result::Acquired);
    EXPECT_EQ(b.acquire(), SingleInstance::Result::Acquired);
}

#ifdef Q_OS_UNIX
TEST(SingleInstance, LockOfADeadProcessDoesNotBlock)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("QZMutex.lock"));

    // A process id that surely belongs to no running process: a child that has ended and
    // been reaped.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);

    // The lock file such a process leaves when it is killed: take a real one, in the
    // format of the running Qt, and put the dead process's id in it.
    QByteArray contents;
    {
        QLockFile model(path);
        ASSERT_TRUE(model.tryLock(0));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        contents = f.readAll();
        model.unlock();
    }
    const qsizetype firstLineEnd = contents.indexOf('\n');
    ASSERT_GT(firstLineEnd, 0);
    const auto leaveLockOf = [&](qint64 pid) {
        QByteArray withPid = contents;
        withPid.replace(0, firstLineEnd, QByteArray::number(pid));
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(withPid) == withPid.size();
    };

    // Control: the same file naming a live process (this one) does block, so the file is
    // understood and what follows is not a malformed file being thrown away.
    ASSERT_TRUE(leaveLockOf(getpid()));
    {
        SingleInstance blocked(SingleInstance::defaultName(), dir.path());
        EXPECT_EQ(blocked.acquire(), SingleInstance::Result::AnotherRuns);
    }

    ASSERT_TRUE(leaveLockOf(child));
    SingleInstance next(SingleInstance::defaultName(), dir.path());
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(next.acquire(), SingleInstance::Result::Acquired);
    EXPECT_LT(timer.elapsed(), 1000);
    qint64 pid = 0;
    QString host;
    QString app;
    QLockFile probe(path);
    ASSERT_TRUE(probe.getLockInfo(&pid, &host, &app));
    EXPECT_EQ(pid, qint64(getpid()));
}
#endif

TEST(SingleInstance, FolderThatCannotBeMadeLetsTheProgramRun)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A plain file where the folder would have to be.
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    SingleInstance guard(SingleInstance::defaultName(), blocker + QStringLiteral("/sub"));
    EXPECT_EQ(guard.acquire(), SingleInstance::Result::Unavailable);
    EXPECT_FALSE(guard.isHeld());
}

TEST(SingleInstance, DefaultFolderIsPerUser)
{
    const QString folder = SingleInstance::defaultFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_NE(QDir::cleanPath(folder), QDir::cleanPath(QDir::tempPath()));
}
