// The registration window, headless, wired to the registration.
#include "tray/session/ui/RegistrationWindow.h"
#include "tray/history/ui/TFormRegister.h"
#include "tray/session/Registration.h"
#include "tray/session/SessionDb.h"
#include "tray/session/SessionState.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/LangTable.h"

#include "common/db/DbSetup.h"
#include "common/db/PersonnelDb.h"
#include "common/platform/Clock.h"
#include "common/platform/DialogService.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace qz {
namespace {

void ensureApp()
{
    static int argc = 1;
    static char name[] = "test_session_ui";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QApplication(argc, argv);
}

LangTable numberedLang()
{
    LangTable lang;
    for (int n = 1; n <= LangTable::kLines; ++n)
        lang.setLine(n, QStringLiteral("L%1").arg(n));
    return lang;
}

TEST(TFormRegister, ButtonsReachTheHooksOnlyWithASelection)
{
    ensureApp();
    const LangTable lang = numberedLang();
    TFormRegister form(lang);
    EXPECT_EQ(form.windowTitle(), "L71");
    EXPECT_EQ(form.lblRegister->text(), "L75");
    EXPECT_EQ(form.sbNew->text(), "L76");
    EXPECT_EQ(form.sbOk->text(), "L5");
    EXPECT_EQ(form.sbCancel->text(), "L6");

    QList<int> okCalls;
    bool accept = false;
    form.onOk = [&](int index) {
        okCalls.append(index);
        return accept;
    };
    int newCalls = 0;
    form.onNew = [&] {
        ++newCalls;
        form.setItems({"A a a", "B b b", "C c c"});
    };
    form.setItems({"A a a", "B b b"});
    form.sbOk->click(); // nothing selected
    EXPECT_TRUE(okCalls.isEmpty());

    form.sbNew->click();
    EXPECT_EQ(newCalls, 1);
    EXPECT_EQ(form.items(), (QStringList{"A a a", "B b b", "C c c"}));

    form.cbRegister->setCurrentIndex(2);
    form.sbOk->click(); // refused: the window stays
    EXPECT_EQ(okCalls, QList<int>{2});
    EXPECT_EQ(form.result(), QDialog::Rejected);
    accept = true;
    form.sbOk->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// The operator picks the second person in the real window; the instrument goes to him and
// job 0 runs after the window has closed.
TEST(TFormRegister, WiredToTheRegistration)
{
    ensureApp();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const db::DbLocator locator = db::DbLocator::fromText(dir.filePath("Vorlex.db"), dir.path());
    QString error;
    ASSERT_TRUE(db::createDatabase(locator, db::DbKind::Main, &error)) << error.toStdString();
    db::DbConnection conn = db::DbConnection::open(locator, &error);
    int first = -1;
    int second = -1;
    ASSERT_TRUE(db::insertPerson(conn, {"Same", "Name", ""}, -1, &first));
    ASSERT_TRUE(db::insertPerson(conn, {"Same", "Name", ""}, -1, &second));

    LangTable lang = numberedLang();
    ScriptedDialogs dialogs;
    TestClock clock;
    AppContext ctx;
    ctx.lang = &lang;
    ctx.dialogs = &dialogs;
    ctx.clock = &clock;
    SessionState state;
    state.CurSerial = 9;
    state.CurModel = QStringLiteral("5520MO");
    SessionDb sessionDb(locator);
    Registration registration(ctx, state, sessionDb);
    int jobs = 0;
    bool windowOpenDuringJob = true;
    TFormRegister form(lang);
    registration.runJob0 = [&] {
        ++jobs;
        windowOpenDuringJob = form.isVisible();
    };
    wireRegistrationWindow(registration, form);
    QTimer::singleShot(0, &form, [&form] {
        form.cbRegister->setCurrentIndex(1);
        form.sbOk->click();
    });
    registration.StartRegistration();
    EXPECT_EQ(jobs, 1);
    EXPECT_FALSE(windowOpenDuringJob);
    db::Person holder;
    ASSERT_TRUE(db::findHolder(conn, 9, "5520MO", &holder));
    EXPECT_EQ(holder.persId, second);
    conn.close();
}

} // namespace
} // namespace qz
