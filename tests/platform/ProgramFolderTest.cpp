#include "common/platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(ProgramFolder, FolderAndSettingsNameFromTheExecutablePath)
{
    struct Case {
        const char* exe;
        const char* dir;
        const char* ini;
    };
    const Case cases[] = {
        {"/opt/qz/QZ55xx", "/opt/qz/", "QZ55xx.ini"},
        {"/opt/qz/QZ55xx.exe", "/opt/qz/", "QZ55xx.ini"},
        {"/opt/qz/x.y.exe", "/opt/qz/", "x.ini"},
        // A dot in a folder name is no part of the file name.
        {"/home/a.b/qz.d/QZ55xx", "/home/a.b/qz.d/", "QZ55xx.ini"},
        {"/QZ55xx", "/", "QZ55xx.ini"},
        {"QZ55xx.exe", "./", "QZ55xx.ini"},
        {"rel/dir/Tool.1.2", "rel/dir/", "Tool.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exe);
        EXPECT_EQ(qz::exeDirOf(QString::fromUtf8(c.exe)), QString::fromUtf8(c.dir));
        EXPECT_EQ(qz::iniFileNameOf(QString::fromUtf8(c.exe)), QString::fromUtf8(c.ini));
    }
}

TEST(ProgramFolder, RunningExecutable)
{
    int argc = 1;
    char name[] = "test_platform";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString dir = qz::ExeDir();
    ASSERT_TRUE(dir.endsWith(QLatin1Char('/')));
    const QFileInfo self(QCoreApplication::applicationFilePath());
    EXPECT_EQ(QFileInfo(dir).canonicalFilePath(), self.canonicalPath());
    EXPECT_EQ(qz::IniFileName(), self.fileName().section(QLatin1Char('.'), 0, 0) + ".ini");
}
