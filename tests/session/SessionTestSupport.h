#pragma once

#include "common/db/DbSetup.h"
#include "common/db/PersonnelDb.h"
#include "common/platform/Clock.h"
#include "common/platform/DialogService.h"
#include "common/platform/Progress.h"
#include "sim/SimulatedLink.h"
#include "tray/history/HistoryWindowApi.h"
#include "tray/session/DeviceSession.h"
#include "tray/session/HistoryJournal.h"
#include "tray/session/HistoryWriter.h"
#include "tray/session/Registration.h"
#include "tray/session/SessionDb.h"
#include "tray/session/SessionState.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qz::test {

inline void ensureApp()
{
    static int argc = 1;
    static char name[] = "test_session";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// Language line n reads "L<n>", so a wrong line number shows in the text.
inline LangTable numberedLang()
{
    LangTable lang;
    for (int n = 1; n <= LangTable::kLines; ++n)
        lang.setLine(n, QStringLiteral("L%1").arg(n));
    return lang;
}

// The history window without a window: it collects the lines; showModal runs a hook (the
// operator's close).
class FakeHistoryWindow final : public HistoryWindowApi {
public:
    QStringList text;
    QList<int> widths;
    int selStart = 0;
    int selLength = 0;
    bool unsaved = false;
    int shown = 0;
    std::function<void()> onShow;

    void PostHistoryLine(const QString& line, int width, int) override
    {
        text.append(line);
        widths.append(width);
    }
    void clearText() override
    {
        text.clear();
        widths.clear();
    }
    QStringList lines() const override { return text; }
    int selectionStart() const override { return selStart; }
    int selectionLength() const override { return selLength; }
    bool unsavedHistory() const override { return unsaved; }
    void setUnsavedHistory(bool u) override { unsaved = u; }
    void showModal() override
    {
        ++shown;
        if (onShow)
            onShow();
    }
};

// A program folder with a fresh personnel database, the simulated link and every service
// of the program replaced by its test double.
class SessionFixture : public testing::Test {
protected:
    void SetUp() override
    {
        ensureApp();
        ASSERT_TRUE(m_dir.isValid());
        exeDir = m_dir.path() + QLatin1Char('/');
        ini.ADOFile = exeDir + QStringLiteral("DB/Vorlex.db");
        ini.ReadUnregistered = true;
        QDir().mkpath(exeDir + QStringLiteral("DB"));
        locator = db::DbLocator::fromText(ini.ADOFile, exeDir);
        QString error;
        ASSERT_TRUE(db::createDatabase(locator, db::DbKind::Main, &error)) << error.toStdString();
        conn = db::DbConnection::open(locator, &error);
        ASSERT_TRUE(conn.isOpen()) << error.toStdString();

        lang = numberedLang();
        ctx.ini = &ini;
        ctx.lang = &lang;
        ctx.link = &link;
        ctx.devList = &devList;
        ctx.dialogs = &dialogs;
        ctx.clock = &clock;
        ctx.progress = &progress;
        ctx.exeDir = exeDir;
        ctx.setTrayMouseEnabled = [this](bool on) { trayMouse = on; };
        ctx.setDiscoveryTimerActive = [this](bool on) { timerActive = on; };
        link.InitIrDAEx();

        sessionDb = std::make_unique<SessionDb>(locator);
        journal = std::make_unique<HistoryJournal>(HistoryJournal::folderOf(exeDir));
        registration = std::make_unique<Registration>(ctx, state, *sessionDb);
        store = std::make_unique<HistoryStore>(ctx, state, *journal);
        session = std::make_unique<DeviceSession>(ctx, state, window, *sessionDb, *journal,
                                                  registration.get());
        session->format.decimalPoint = QStringLiteral(".");
        session->format.dateFormat = QStringLiteral("dd.MM.yyyy");
    }
    void TearDown() override
    {
        session.reset();
        conn.close();
    }

    sim::SimInstrument& addInstrument(sim::Family family, const QString& model, int number,
                                      const QString& announced = {})
    {
        return link.addInstrument(sim::SimInstrument(family, model, number, announced));
    }

    int addPerson(const QString& fam, const QString& im = QStringLiteral("I"),
                  const QString& otch = QStringLiteral("O"))
    {
        int persId = -1;
        QString error;
        EXPECT_TRUE(db::insertPerson(conn, {fam, im, otch}, -1, &persId, &error))
            << error.toStdString();
        return persId;
    }
    void issue(int persId, int serial, const QString& model)
    {
        QString error;
        ASSERT_TRUE(db::bindDevice(conn, persId, serial, model, "back", "issued", nullptr, &error))
            << error.toStdString();
    }
    QStringList events(int persId)
    {
        QList<db::HistoryRow> rows;
        EXPECT_TRUE(db::listHistory(conn, persId, QString(), &rows));
        QStringList texts;
        for (const db::HistoryRow& r : rows)
            texts.append(r.event);
        return texts;
    }
    void exec(const QString& sql)
    {
        QSqlQuery q(conn.database());
        ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
    }

    QTemporaryDir m_dir;
    QString exeDir;
    TIniRec ini;
    LangTable lang;
    sim::SimulatedLink link;
    QStringList devList;
    ScriptedDialogs dialogs;
    TestClock clock{QDateTime(QDate(2025, 6, 2), QTime(9, 30))};
    CountingProgress progress;
    AppContext ctx;
    bool trayMouse = false;
    bool timerActive = false;
    db::DbLocator locator;
    db::DbConnection conn;

    SessionState state;
    FakeHistoryWindow window;
    std::unique_ptr<SessionDb> sessionDb;
    std::unique_ptr<HistoryJournal> journal;
    std::unique_ptr<Registration> registration;
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<DeviceSession> session;
};

} // namespace qz::test
