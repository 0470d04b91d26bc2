#include "ShellUiTestSupport.h"

#include "common/platform/Crc16.h"
#include "tray/shell/ui/TFormSetting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qz::test {
namespace {

using Call = sim::TranscriptEntry::Call;

TEST_F(ShellUiTest, LanguageChangeAppliesAtOnceAndSurvivesCancel)
{
    TrayProgram& p = startedProgram("[Parameters]\nLanguage=1\n");
    TDM55xx& dm = p.dm();
    QString captionWhileOpen, okText;
    onModal = [&](QDialog& d) {
        auto& w = static_cast<TFormSetting&>(d);
        EXPECT_EQ(w.cbLng->currentIndex(), 1);
        EXPECT_EQ(w.windowTitle(), "en 8");
        w.cbLng->setCurrentIndex(0);
        captionWhileOpen = dm.pmnuShowDB->text();
        okText = w.sbOk->text();
        w.sbCancel->click();
    };
    dm.pmnuSetting->trigger();
    EXPECT_EQ(modalWindows, QStringList{"FormSetting"});
    EXPECT_EQ(captionWhileOpen, "ru 74");
    EXPECT_EQ(okText, "ru 5");
    EXPECT_EQ(p.ini().Language, 0);
    EXPECT_EQ(dm.ctiQZ55xx.hint(), "ru 3");
    EXPECT_EQ(p.formSetting().cbLng->itemText(1), "ru 12");
    EXPECT_EQ(p.formSetting().cbFindDev->text(), "ru 14");
    EXPECT_EQ(p.formSetting().lblNewPassw2->text(), "ru 57");

    // Without the language file the texts stay as they were.
    QFile::remove(exeDir() + "Lang.txt");
    onModal = [&](QDialog& d) {
        static_cast<TFormSetting&>(d).cbLng->setCurrentIndex(1);
        static_cast<TFormSetting&>(d).sbCancel->click();
    };
    dm.pmnuSetting->trigger();
    EXPECT_EQ(p.ini().Language, 1);
    EXPECT_EQ(dm.pmnuShowDB->text(), "ru 74");

    dm.pmnuExit->trigger();
    EXPECT_TRUE(readFile(iniPath()).startsWith("[Parameters]\nLanguage=1\n"));
}

struct PasswordEdit {
    const char* name;
    const char* oldText;
    const char* new1;
    const char* new2;
    bool unlocked;
    bool mismatch;                          // message 58, window stays open
    std::optional<const char*> newPassword; // nothing: unchanged
};
void PrintTo(const PasswordEdit& c, std::ostream* os)
{
    *os << c.name;
}

class SettingsPasswordTest : public ShellUiTest,
                             public ::testing::WithParamInterface<PasswordEdit> {};

TEST_P(SettingsPasswordTest, NewPasswordRules)
{
    const PasswordEdit& c = GetParam();
    TrayProgram& p = startedProgram();
    const uint16_t oldHash = passwordHash(QStringLiteral("old"));
    p.ini().SecurityPassword = oldHash;
    bool unlocked = false, openAfterOk = false;
    QString new1AfterOk;
    if (c.mismatch)
        dialogs.answerMessage(DialogResult::Ok);
    onModal = [&](QDialog& d) {
        auto& w = static_cast<TFormSetting&>(d);
        EXPECT_FALSE(w.EditNewPassw1->isEnabled());
        EXPECT_FALSE(w.EditNewPassw2->isEnabled());
        w.EditOldPassw->setText(QString::fromUtf8(c.oldText));
        unlocked = w.EditNewPassw1->isEnabled() && w.EditNewPassw2->isEnabled();
        // A later wrong text does not lock them again.
        w.EditOldPassw->setText(QStringLiteral("ol"));
        EXPECT_EQ(w.EditNewPassw1->isEnabled(), unlocked);
        w.EditNewPassw1->setText(QString::fromUtf8(c.new1));
        w.EditNewPassw2->setText(QString::fromUtf8(c.new2));
        w.sbOk->click();
        openAfterOk = w.isVisible();
        new1AfterOk = w.EditNewPassw1->text();
        if (openAfterOk)
            w.sbCancel->click();
    };
    p.dm().pmnuSetting->trigger();

    EXPECT_EQ(unlocked, c.unlocked);
    EXPECT_EQ(openAfterOk, c.mismatch);
    if (c.mismatch) {
        ASSERT_EQ(dialogs.asked().size(), 1);
        EXPECT_EQ(dialogs.asked()[0].text, "en 58");
        EXPECT_EQ(dialogs.asked()[0].caption, "en 7");
        EXPECT_EQ(new1AfterOk, "");
    } else {
        EXPECT_TRUE(dialogs.asked().isEmpty());
    }
    const uint16_t expected =
        c.newPassword ? passwordHash(QString::fromUtf8(*c.newPassword)) : oldHash;
    EXPECT_EQ(p.ini().SecurityPassword, expected);

    // The device settings command takes the password now in force.
    dialogs.clear();
    dialogs.answerInput(QString::fromUtf8(c.newPassword.value_or("old")));
    modalWindows.clear();
    onModal = nullptr;
    p.dm().pmnuDevSetting->trigger();
    EXPECT_EQ(modalWindows, QStringList{"FormDevSetting"});
}

INSTANTIATE_TEST_SUITE_P(
    Edits, SettingsPasswordTest,
    ::testing::Values(
        PasswordEdit{"RightOldSameNew", "old", "new", "new", true, false, "new"},
        PasswordEdit{"RightOldEmptyNew", "old", "", "", true, false, std::nullopt},
        PasswordEdit{"RightOldDifferentNew", "old", "new", "neW", true, true, std::nullopt},
        PasswordEdit{"RightOldOnlySecondNew", "old", "", "new", true, true, std::nullopt},
        // Locked edits cannot be typed into by the operator; text put there is not taken.
        PasswordEdit{"WrongOld", "olD", "", "", false, false, std::nullopt},
        PasswordEdit{"EmptyOld", "", "", "", false, false, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShellUiTest, OkRestartsTheLinkAndTakesTheOptionsEvenWhenItFails)
{
    TrayProgram& p = startedProgram();
    link->clearTranscript();
    link->setInitFails(true);
    dialogs.answerMessage(DialogResult::Ok);
    onModal = [&](QDialog& d) {
        auto& w = static_cast<TFormSetting&>(d);
        EXPECT_TRUE(w.cbReadUnreg->isChecked());
        w.cbReadUnreg->setChecked(false);
        w.cbAddParDB->setChecked(true);
        w.cbPrintParams->setChecked(false);
        w.sbOk->click();
    };
    p.dm().pmnuSetting->trigger();
    EXPECT_EQ(linkCalls(), (QList<Call>{Call::Close, Call::Init}));
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_EQ(dialogs.asked()[0].text, "en 79");
    EXPECT_EQ(dialogs.asked()[0].caption, "en 7");
    EXPECT_FALSE(p.ini().ReadUnregistered);
    EXPECT_TRUE(p.ini().AddParamsDB);
    EXPECT_FALSE(p.ini().PrintDeviceSetting);

    // Cancel takes nothing over and leaves the link alone.
    link->clearTranscript();
    onModal = [&](QDialog& d) {
        auto& w = static_cast<TFormSetting&>(d);
        EXPECT_FALSE(w.cbReadUnreg->isChecked()); // shows the settings in force
        w.cbReadUnreg->setChecked(true);
        w.sbCancel->click();
    };
    p.dm().pmnuSetting->trigger();
    EXPECT_TRUE(link->transcript().isEmpty());
    EXPECT_FALSE(p.ini().ReadUnregistered);
}

struct CloseCase {
    const char* name;
    const char* ini;
    bool findDevChecked;
    bool ok;
    bool discoveryAfter;
};
void PrintTo(const CloseCase& c, std::ostream* os)
{
    *os << c.name;
}

class SettingsCloseTest : public ShellUiTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(SettingsCloseTest, DiscoveryTimerFollowsTheSearchSwitch)
{
    const CloseCase& c = GetParam();
    TrayProgram& p = startedProgram(c.ini);
    bool discoveryWhileOpen = true;
    onModal = [&](QDialog& d) {
        auto& w = static_cast<TFormSetting&>(d);
        discoveryWhileOpen = p.dm().TimerFindDevIrDA.isActive();
        w.cbFindDev->setChecked(c.findDevChecked);
        (c.ok ? w.sbOk : w.sbCancel)->click();
    };
    p.dm().pmnuSetting->trigger();
    EXPECT_FALSE(discoveryWhileOpen);
    EXPECT_EQ(p.dm().TimerFindDevIrDA.isActive(), c.discoveryAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SettingsCloseTest,
    ::testing::Values(
        CloseCase{"UncheckedOk", "", false, true, false},
        CloseCase{"CheckedOkAfterOff", "[Parameters]\nFind device=0\n", true, true, true},
        CloseCase{"CheckedCancelAfterOff", "[Parameters]\nFind device=0\n", true, false, false},
        CloseCase{"UncheckedCancelAfterOn", "", false, false, true},
        CloseCase{"CheckedOkProtocolOutsideRange", "[Parameters]\nProtocol exchange=9\n", true,
                  true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShellUiTest, EnterInTheFirstNewPasswordMovesOnWithoutClosing)
{
    TrayProgram& p = startedProgram();
    bool stillOpen = false;
    onModal = [&](QDialog& d) {
        auto& w = static_cast<TFormSetting&>(d);
        w.activateWindow();
        w.EditOldPassw->setText(QStringLiteral("1"));
        w.EditNewPassw1->setText(QStringLiteral("x"));
        // Sent as a key, so that the dialog would see it if the edit let it through.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(w.EditNewPassw1, &enter);
        stillOpen = w.isVisible();
        w.sbCancel->click();
    };
    p.dm().pmnuSetting->trigger();
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(p.ini().SecurityPassword, passwordHash(QStringLiteral("1")));
}

} // namespace
} // namespace qz::test
