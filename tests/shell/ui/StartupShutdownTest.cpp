#include "ShellUiTestSupport.h"

#include "tray/shell/ui/TFormProgress.h"
#include "tray/shell/ui/TFormQZ55xx.h"
#include "tray/shell/ui/TFormZast.h"

#include <QLabel>

namespace qz::test {
namespace {

using Call = sim::TranscriptEntry::Call;

// Records, for each message box, what the start-up had reached when it was asked.
class ObservingDialogs final : public DialogService {
public:
    ObservingDialogs(ScriptedDialogs& inner, std::function<QString()> observe)
        : m_inner(inner), m_observe(std::move(observe))
    {
    }
    QStringList seen;

    DialogResult messageBox(const QString& text, const QString& caption,
                            DialogButtons buttons) override
    {
        seen << m_observe();
        return m_inner.messageBox(text, caption, buttons);
    }
    std::optional<QString> inputBox(const QString& c, const QString& p, const QString& d,
                                    InputEcho e) override
    {
        return m_inner.inputBox(c, p, d, e);
    }
    std::optional<QString> saveFileName(const QString& c, const QString& f, const QString& e,
                                        const QString& i) override
    {
        return m_inner.saveFileName(c, f, e, i);
    }
    std::optional<QString> openFileName(const QString& c, const QString& f, const QString& e,
                                        const QString& i) override
    {
        return m_inner.openFileName(c, f, e, i);
    }
    std::optional<PrintChoice> printDialog(const QString& c, const PrintRequest& r) override
    {
        return m_inner.printDialog(c, r);
    }

private:
    ScriptedDialogs& m_inner;
    std::function<QString()> m_observe;
};

struct StartCase {
    const char* name;
    const char* ini;
    bool initFails;
    bool discoveryAfterStart;
};
void PrintTo(const StartCase& c, std::ostream* os)
{
    *os << c.name;
}

class StartupTest : public ShellUiTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartupTest, FollowsTheStartOrderAndTimerStates)
{
    const StartCase& c = GetParam();
    linkInitFails = c.initFails;
    TrayProgram& p = makeProgram(c.ini);
    TDM55xx& dm = p.dm();
    ObservingDialogs observing(dialogs, [&] {
        const bool splash = dm.FormZast && dm.FormZast->isVisible();
        return QStringLiteral("splash=%1 mouse=%2 hint=%3 mainShown=%4")
            .arg(splash)
            .arg(dm.ctiQZ55xx.mouseEnabled())
            .arg(dm.ctiQZ55xx.hint())
            .arg(p.mainForm().isVisible());
    });
    p.context().dialogs = &observing;
    // Not started yet: the tray icon is there and the timers are still.
    EXPECT_TRUE(dm.ctiQZ55xx.isVisible());
    EXPECT_FALSE(dm.TimerHide.isActive());
    EXPECT_FALSE(dm.TimerFindDevIrDA.isActive());

    dialogs.answerMessage(DialogResult::Ok);
    p.start();

    // The link was initialised once, after the language and the splash, before the main form.
    EXPECT_EQ(linkCalls(), QList<Call>{Call::Init});
    if (c.initFails) {
        ASSERT_EQ(dialogs.asked().size(), 1);
        EXPECT_EQ(dialogs.asked()[0].text, "en 79");
        EXPECT_EQ(dialogs.asked()[0].caption, "en 7");
        EXPECT_EQ(observing.seen, QStringList{"splash=1 mouse=0 hint=en 3 mainShown=0"});
    } else {
        EXPECT_TRUE(dialogs.asked().isEmpty());
    }
    // The main form's show ends the start-up: splash up, mouse off, discovery off.
    EXPECT_TRUE(p.mainForm().isVisible());
    ASSERT_TRUE(dm.FormZast);
    EXPECT_TRUE(dm.FormZast->isVisible());
    EXPECT_EQ(dm.FormZast->lblTitle1->text(), "en 15 ");
    EXPECT_EQ(dm.FormZast->lblVersion->text(), "en 90");
    EXPECT_FALSE(dm.ctiQZ55xx.mouseEnabled());
    EXPECT_FALSE(dm.TimerFindDevIrDA.isActive());
    EXPECT_TRUE(dm.TimerHide.isActive());
    EXPECT_EQ(dm.TimerHide.interval(), 3000);
    EXPECT_TRUE(dm.TimerHide.isSingleShot());
    EXPECT_EQ(curSerialResets, 1);
    EXPECT_TRUE(clock.waits().isEmpty());

    fireHideTimer();

    EXPECT_FALSE(p.mainForm().isVisible());
    EXPECT_EQ(clock.waits(), QList<int>{1000});
    EXPECT_FALSE(dm.FormZast);
    EXPECT_FALSE(dm.TimerHide.isActive());
    EXPECT_EQ(dm.TimerFindDevIrDA.isActive(), c.discoveryAfterStart);
    EXPECT_EQ(dm.TimerFindDevIrDA.interval(), 3000);
    EXPECT_TRUE(dm.ctiQZ55xx.mouseEnabled());
    EXPECT_EQ(curSerialResets, 2);
    EXPECT_TRUE(dialogs.unexpected().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StartupTest,
    ::testing::Values(StartCase{"Defaults", "", false, true},
                      StartCase{"FindDeviceOff", "[Parameters]\nFind device=0\n", false, false},
                      StartCase{"ProtocolOutsideRange", "[Parameters]\nProtocol exchange=5\n",
                                false, false},
                      StartCase{"LinkInitFails", "", true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShellUiTest, LanguageOutOfRangeIsCutAndEnglishTextsFollowTheSettings)
{
    TrayProgram& p = makeProgram("[Parameters]\nLanguage=256\n");
    p.start();
    EXPECT_EQ(p.ini().Language, 0);
    TDM55xx& dm = p.dm();
    EXPECT_EQ(dm.ctiQZ55xx.hint(), "ru 3");
    EXPECT_EQ(dm.pmnuShowDB->text(), "ru 74");
    EXPECT_EQ(dm.pmnuDevSetting->text(), "ru 59");
    EXPECT_EQ(dm.pmnuSetting->text(), "ru 8");
    EXPECT_EQ(dm.pmnuHelp->text(), "ru 87");
    EXPECT_EQ(dm.pmnuAbout->text(), "ru 122");
    EXPECT_EQ(dm.pmnuExit->text(), "ru 4");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "ru 15ru 16");
    EXPECT_EQ(p.mainForm().windowTitle(), "55xx");
    EXPECT_EQ(dm.pmnuQZ55xx.defaultAction(), dm.pmnuShowDB);
    // The menu items in their order, separators included.
    QStringList order;
    for (QAction* a : dm.pmnuQZ55xx.actions())
        order << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(order, (QStringList{"pmnuShowDB", "-", "pmnuDevSetting", "pmnuSetting", "pmnuHelp",
                                  "pmnuAbout", "-", "pmnuExit"}));
}

struct ExitCase {
    const char* name;
    const char* ini;
    bool closesLink;
    const char* expected;
};
void PrintTo(const ExitCase& c, std::ostream* os)
{
    *os << c.name;
}

class ShutdownTest : public ShellUiTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ShutdownTest, ExitItemClosesTheLinkAndRewritesTheSettingsInOrder)
{
    const ExitCase& c = GetParam();
    TrayProgram& p = startedProgram(c.ini);
    TDM55xx& dm = p.dm();
    EXPECT_TRUE(p.ini().EnabledAll);
    dm.pmnuExit->trigger();

    EXPECT_TRUE(p.isShutDown());
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(dm.ctiQZ55xx.isVisible());
    EXPECT_FALSE(dm.TimerFindDevIrDA.isActive());
    EXPECT_EQ(linkCalls().contains(Call::Close), c.closesLink);
    if (c.closesLink) {
        EXPECT_EQ(linkCalls().last(), Call::Close);
    }
    QString expected = QString::fromUtf8(c.expected);
    expected.replace("%1", exeDir() + "DB/Vorlex.db");
    EXPECT_EQ(readFile(iniPath()), expected);

    // Closing again (the session's end after the exit item) changes nothing.
    link->clearTranscript();
    p.ini().Language = 1;
    p.shutdown();
    EXPECT_TRUE(link->transcript().isEmpty());
    EXPECT_EQ(readFile(iniPath()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ShutdownTest,
    ::testing::Values(
        ExitCase{"LinkInUse", "[Parameters]\nEnabledAll=1\nLanguage=256\nSecurity password=7\n",
                 true,
                 "[Parameters]\nLanguage=0\nCOM Port=COM2\nIR Adapter=0\nFind device=1\n"
                 "Protocol exchange=1\nSecurity password=7\nEnabledAll=0\n"
                 "Read unregistered device=1\nAdd params DB=0\nPrint device setting=1\n"
                 "Link=\n\n[Data Base]\nADOFile=%1\n"},
        ExitCase{"LinkUnused",
                 "[Parameters]\nProtocol exchange=5\nEnabledAll=1\nLanguage=1\n"
                 "Security password=7\n[Data Base]\nADOFile=C:\\db\\a=b.mdb\n",
                 false,
                 "[Parameters]\nLanguage=1\nCOM Port=COM2\nIR Adapter=0\nFind device=1\n"
                 "Protocol exchange=5\nSecurity password=7\nEnabledAll=0\n"
                 "Read unregistered device=1\nAdd params DB=0\nPrint device setting=1\n"
                 "Link=\n[Data Base]\nADOFile=C:\\db\\a=b.mdb\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShellUiTest, DiscoveryTimerRunsTheTickHookAndTheContextSwitchesReachTheModule)
{
    TrayProgram& p = startedProgram();
    TDM55xx& dm = p.dm();
    ASSERT_TRUE(dm.TimerFindDevIrDA.isActive());
    // No hook yet: a tick does nothing.
    dm.TimerFindDevIrDA.start(0);
    QCoreApplication::processEvents();
    int ticks = 0;
    dm.onDiscoveryTick = [&] {
        ++ticks;
        p.context().setDiscoveryTimerActive(false); // a tick stops its own timer
    };
    dm.TimerFindDevIrDA.start(0);
    for (int i = 0; i < 100 && dm.TimerFindDevIrDA.isActive(); ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 1);
    p.context().setDiscoveryTimerActive(true);
    EXPECT_TRUE(dm.TimerFindDevIrDA.isActive());
    EXPECT_EQ(dm.TimerFindDevIrDA.interval(), 3000);
    p.context().setTrayMouseEnabled(false);
    EXPECT_FALSE(dm.ctiQZ55xx.mouseEnabled());
    EXPECT_EQ(p.context().progress, static_cast<Progress*>(&p.formProgress()));
    EXPECT_EQ(p.context().link, link);
    EXPECT_EQ(p.databaseLocator(), exeDir() + "DB/Vorlex.db");
}

TEST_F(ShellUiTest, ShutdownDuringTheStartUpKeepsDiscoveryOff)
{
    // A stop request before the end-of-start-up timer fired (a signal at start-up).
    TrayProgram& p = makeProgram();
    p.start();
    p.shutdown();
    fireHideTimer();
    EXPECT_FALSE(p.dm().TimerHide.isActive());
    EXPECT_FALSE(p.dm().TimerFindDevIrDA.isActive());
    EXPECT_TRUE(readFile(iniPath()).contains("EnabledAll=0"));
}

} // namespace
} // namespace qz::test
