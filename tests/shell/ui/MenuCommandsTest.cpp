#include "ShellUiTestSupport.h"

#include "common/platform/Crc16.h"
#include "tray/shell/RosterLibrary.h"
#include "tray/shell/ui/TFormDevSetting.h"
#include "tray/shell/ui/TFormProgress.h"
#include "tray/shell/ui/TFormZast.h"

#include <QDir>
#include <QLabel>
#include <QLibrary>
#include <QProgressBar>
#include <QPushButton>

namespace qz::test {
namespace {

// The Roster library file name of this platform.
QString rosterFileName()
{
    return QFileInfo(
               QStringLiteral(QZ_TEST_ROSTER_DIR "/full/") +
               QDir(QStringLiteral(QZ_TEST_ROSTER_DIR "/full")).entryList(QDir::Files).value(0))
        .fileName();
}

class RosterMenuTest : public ShellUiTest {
protected:
    // Puts the test library of the given kind ("full", "broken") into the program folder.
    void installRoster(const char* kind)
    {
        const QString name = rosterFileName();
        ASSERT_FALSE(name.isEmpty());
        ASSERT_TRUE(QFile::copy(QStringLiteral(QZ_TEST_ROSTER_DIR "/") + kind + '/' + name,
                                exeDir() + name));
    }
    void SetUp() override
    {
        logPath = dir.filePath("roster.log");
        qputenv("QZ_TEST_ROSTER_LOG", logPath.toLocal8Bit());
    }
    void TearDown() override { qunsetenv("QZ_TEST_ROSTER_LOG"); }
    QStringList log() const { return readFile(logPath).split('\n', Qt::SkipEmptyParts); }

    QString logPath;
};

TEST_F(RosterMenuTest, DatabaseCommandLoadsOnceCallsEachTimeAndUnloadsAtTheEnd)
{
    installRoster("full");
    TrayProgram& p = startedProgram("[Parameters]\nLanguage=0\n");
    EXPECT_TRUE(log().isEmpty()); // not loaded before it is needed
    p.dm().pmnuShowDB->trigger();
    p.ini().Language = 1;
    p.dm().pmnuShowDB->trigger();
    EXPECT_EQ(log(), (QStringList{"load", "DataBaseShow 0", "DataBaseShow 1"}));
    EXPECT_TRUE(p.roster().isLoaded());
    p.dm().pmnuExit->trigger();
    program.reset();
    EXPECT_EQ(log(), (QStringList{"load", "DataBaseShow 0", "DataBaseShow 1", "unload"}));
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

TEST_F(RosterMenuTest, MissingLibraryOrEntryMakesTheCommandDoNothing)
{
    {
        TrayProgram& p = startedProgram();
        p.dm().pmnuShowDB->trigger();
        EXPECT_FALSE(p.roster().isLoaded());
        EXPECT_TRUE(log().isEmpty());
        program.reset();
    }
    installRoster("broken");
    TrayProgram& p = startedProgram();
    p.dm().pmnuShowDB->trigger();
    EXPECT_EQ(log(), QStringList{"load"});
    EXPECT_TRUE(dialogs.asked().isEmpty());
    EXPECT_TRUE(modalWindows.isEmpty());
}

TEST_F(RosterMenuTest, EntriesPassTheirArgumentsAndRefreshNeverLoads)
{
    installRoster("full");
    RosterLibrary roster(exeDir());
    EXPECT_FALSE(roster.RefreshDataBase());
    EXPECT_FALSE(roster.isLoaded());
    EXPECT_TRUE(roster.AddUser(1));
    EXPECT_TRUE(roster.ShowFormUser(0, QStringLiteral("Петров"), "Ivan", QString()));
    EXPECT_TRUE(roster.RefreshDataBase());
    roster.unload();
    roster.unload(); // a second unload is harmless
    EXPECT_EQ(log(), (QStringList{"load", "AddUser 1", "ShowFormUser 0 Петров|Ivan|",
                                  "RefreshDataBase", "unload"}));
    RosterLibrary missing(dir.filePath("nowhere"));
    EXPECT_FALSE(missing.DataBaseShow(0));
    EXPECT_FALSE(missing.ShowFormUser(0, "a", "b", "c"));
}

struct PasswordCase {
    const char* name;
    std::optional<const char*> answer; // nothing: the operator cancels
    bool opensWindow;
    bool wrongMessage;
};
void PrintTo(const PasswordCase& c, std::ostream* os)
{
    *os << c.name;
}

class DevSettingPasswordTest : public ShellUiTest,
                               public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(DevSettingPasswordTest, AsksThePasswordBeforeTheDeviceSettings)
{
    const PasswordCase& c = GetParam();
    TrayProgram& p = startedProgram("[Parameters]\nLanguage=1\n");
    p.ini().SecurityPassword = passwordHash(QStringLiteral("secret"));
    if (c.answer)
        dialogs.answerInput(QString::fromUtf8(*c.answer));
    else
        dialogs.cancelNext(ScriptedDialogs::Kind::Input);
    if (c.wrongMessage)
        dialogs.answerMessage(DialogResult::Ok);
    p.dm().pmnuDevSetting->trigger();

    ASSERT_GE(dialogs.asked().size(), 1);
    EXPECT_EQ(dialogs.asked()[0].kind, ScriptedDialogs::Kind::Input);
    EXPECT_EQ(dialogs.asked()[0].caption, "en 60");
    EXPECT_EQ(dialogs.asked()[0].text, "");
    EXPECT_EQ(dialogs.asked()[0].detail, "");
    EXPECT_EQ(dialogs.asked()[0].echo, InputEcho::Password);
    EXPECT_EQ(modalWindows, c.opensWindow ? QStringList{"FormDevSetting"} : QStringList{});
    if (c.wrongMessage) {
        ASSERT_EQ(dialogs.asked().size(), 2);
        EXPECT_EQ(dialogs.asked()[1].text, "en 89");
        EXPECT_EQ(dialogs.asked()[1].caption, "en 7");
    } else {
        EXPECT_EQ(dialogs.asked().size(), 1);
    }
    EXPECT_TRUE(dialogs.unexpected().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Answers, DevSettingPasswordTest,
                         ::testing::Values(PasswordCase{"Cancelled", std::nullopt, false, false},
                                           PasswordCase{"Empty", "", false, false},
                                           PasswordCase{"Wrong", "Secret", false, true},
                                           PasswordCase{"Right", "secret", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShellUiTest, DeviceSettingsPlaceholderCarriesItsCaption)
{
    TrayProgram& p = startedProgram();
    dialogs.answerInput(QStringLiteral("1")); // the password of a fresh installation
    QString caption;
    onModal = [&](QDialog& d) {
        caption = d.windowTitle();
        d.findChild<QPushButton*>("sbClose")->click();
    };
    p.dm().pmnuDevSetting->trigger();
    EXPECT_EQ(modalWindows, QStringList{"FormDevSetting"});
    EXPECT_EQ(caption, "en 59");
    EXPECT_FALSE(p.formDevSetting().isVisible());
}

TEST_F(ShellUiTest, HelpOpensTheFileOfTheLanguageAndKeepsItForOtherLanguages)
{
    TrayProgram& p = startedProgram();
    p.ini().Language = 2; // no file chosen yet: nothing opens
    p.dm().pmnuHelp->trigger();
    EXPECT_TRUE(helpOpened.isEmpty());
    const struct {
        int language;
        QString file;
    } cases[] = {{0, "Help/Vorlex_rus.html"},
                 {1, "Help/Vorlex.html"},
                 {2, "Help/Vorlex.html"},
                 {0, "Help/Vorlex_rus.html"},
                 {7, "Help/Vorlex_rus.html"}};
    for (const auto& c : cases) {
        helpOpened.clear();
        p.ini().Language = uint8_t(c.language);
        p.dm().pmnuHelp->trigger();
        EXPECT_EQ(helpOpened, QStringList{exeDir() + c.file}) << c.language;
    }
}

struct AboutCase {
    const char* name;
    const char* ini;
    bool discoveryAfterClose;
};
void PrintTo(const AboutCase& c, std::ostream* os)
{
    *os << c.name;
}

class AboutWindowTest : public ShellUiTest, public ::testing::WithParamInterface<AboutCase> {};

TEST_P(AboutWindowTest, ClosingStartsDiscoveryWheneverTheLinkIsInUse)
{
    TrayProgram& p = startedProgram(GetParam().ini);
    TDM55xx& dm = p.dm();
    EXPECT_FALSE(dm.TimerFindDevIrDA.isActive());
    bool mouseWhileOpen = true, discoveryWhileOpen = true;
    QString title1, company;
    onModal = [&](QDialog& d) {
        mouseWhileOpen = dm.ctiQZ55xx.mouseEnabled();
        discoveryWhileOpen = dm.TimerFindDevIrDA.isActive();
        auto* about = static_cast<TFormZast*>(&d);
        title1 = about->lblTitle1->text();
        company = about->lblCompany->text();
        ASSERT_TRUE(about->btnOK->isVisible());
        about->btnOK->click();
    };
    dm.pmnuAbout->trigger();
    EXPECT_EQ(modalWindows, QStringList{"FormZast"});
    EXPECT_FALSE(mouseWhileOpen);
    EXPECT_FALSE(discoveryWhileOpen);
    EXPECT_EQ(title1, "en 15 ");
    EXPECT_EQ(company, "en 17");
    EXPECT_EQ(dm.TimerFindDevIrDA.isActive(), GetParam().discoveryAfterClose);
    EXPECT_TRUE(dm.ctiQZ55xx.mouseEnabled());
}

INSTANTIATE_TEST_SUITE_P(Settings, AboutWindowTest,
                         ::testing::Values(AboutCase{"FindDeviceOff",
                                                     "[Parameters]\nFind device=0\n", true},
                                           AboutCase{"ProtocolOutsideRange",
                                                     "[Parameters]\nProtocol exchange=4\n", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShellUiTest, OpeningTheMenuClosesTheProgressWindowOnlyWhileMouseHandlingIsOn)
{
    TrayProgram& p = startedProgram();
    TDM55xx& dm = p.dm();
    TFormProgress& progress = p.formProgress();
    progress.ProgressShow(10, 2);
    ASSERT_TRUE(progress.isVisible());

    dm.ctiQZ55xx.setMouseEnabled(false);
    EXPECT_FALSE(dm.ctiQZ55xx.handleActivation(QSystemTrayIcon::Context, QPoint(50, 50)));
    EXPECT_TRUE(progress.isVisible());

    dm.ctiQZ55xx.setMouseEnabled(true);
    clock.clearWaits();
    EXPECT_TRUE(dm.ctiQZ55xx.handleActivation(QSystemTrayIcon::Context, QPoint(50, 50)));
    EXPECT_TRUE(dm.pmnuQZ55xx.isVisible());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.pbProgress->value(), 10);
    EXPECT_EQ(clock.waits(), QList<int>{200});
    dm.pmnuQZ55xx.hide();
}

TEST_F(ShellUiTest, ProgressWindowShowsStepsAndCloses)
{
    TrayProgram& p = startedProgram();
    TFormProgress& progress = p.formProgress();
    QProgressBar& bar = *progress.pbProgress;

    // The tag chooses the label when the window opens; other tags keep the last one.
    const struct {
        int tag;
        QString label;
    } tags[] = {{1, "en 102"}, {7, "en 102"}, {0, "en 88"}, {-1, "en 88"}};
    for (const auto& t : tags) {
        p.context().setProgressTag(t.tag);
        progress.ProgressShow(5, 1);
        EXPECT_EQ(progress.lblReadHist->text(), t.label) << t.tag;
        progress.ProgressDone();
    }

    clock.clearWaits();
    progress.ProgressDone(); // not shown: closes without waiting
    EXPECT_TRUE(clock.waits().isEmpty());
    progress.ProgressStep(); // not shown: nothing
    EXPECT_EQ(bar.value(), 5);

    progress.ProgressShow(10, 3);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(bar.maximum(), 10);
    EXPECT_EQ(bar.value(), 3);     // shown and stepped once
    progress.ProgressShow(100, 1); // already shown: nothing
    EXPECT_EQ(bar.maximum(), 10);
    EXPECT_EQ(bar.value(), 3);
    progress.ProgressStep();
    progress.ProgressStep();
    EXPECT_EQ(bar.value(), 9);
    progress.ProgressStep(); // past the end: the bar stays full
    EXPECT_EQ(bar.value(), 10);
    progress.ProgressDone();
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(clock.waits(), QList<int>{200});
    EXPECT_TRUE(progress.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(progress.size(), QSize(481, 51));
}

} // namespace
} // namespace qz::test
