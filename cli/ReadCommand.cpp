// qz55xx-cli read: one discovery and automatic session without windows, for scripts and
// unattended stations. Prints the device card and the event lines exactly as the history
// window holds them, one per line. Changes nothing on the instrument or in the database
// unless asked:
//   --erase  erases a registered instrument's history (after its journal entry is written)
//            and sets its clock, as the tray program does;
//   --store  stores the lines under the holder as the history window's close does.
// An instrument issued to nobody is always read (there is nobody to ask about registering
// it) and never erased.
// Exit status: 0 read, 1 the store failed, 2 bad arguments, 3 no instrument in range,
// 4 link or protocol failure.
#include "cli/Commands.h"
#include "cli/LinkOptions.h"
#include "common/platform/Clock.h"
#include "common/platform/DialogService.h"
#include "common/platform/Formats.h"
#include "common/platform/Progress.h"
#include "tray/history/HistoryWindowApi.h"
#include "tray/session/DeviceSession.h"
#include "tray/session/HistoryJournal.h"
#include "tray/session/HistoryWriter.h"
#include "tray/session/SessionDb.h"
#include "tray/session/SessionState.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"

#include <QDir>

namespace qz::cli {

namespace {

enum { ExitNoInstrument = 3, ExitLinkFailure = 4 };

// The history window without a window: it keeps the lines.
class LineCollector final : public HistoryWindowApi {
public:
    QStringList text;
    bool unsaved = false;
    void PostHistoryLine(const QString& line, int, int) override { text.append(line); }
    void clearText() override { text.clear(); }
    QStringList lines() const override { return text; }
    int selectionStart() const override { return 0; }
    int selectionLength() const override { return 0; }
    bool unsavedHistory() const override { return unsaved; }
    void setUnsavedHistory(bool u) override { unsaved = u; }
    void showModal() override {}
};

// What the session would ask or tell the operator goes to stderr; questions are declined.
class StderrDialogs final : public DialogService {
public:
    explicit StderrDialogs(QTextStream& err) : m_err(err) {}
    DialogResult messageBox(const QString& text, const QString&, DialogButtons buttons) override
    {
        m_err << text << "\n";
        return buttons == DialogButtons::Ok ? DialogResult::Ok : DialogResult::Cancel;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&,
                                    InputEcho) override
    {
        return std::nullopt;
    }
    std::optional<QString> saveFileName(const QString&, const QString&, const QString&,
                                        const QString&) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFileName(const QString&, const QString&, const QString&,
                                        const QString&) override
    {
        return std::nullopt;
    }
    std::optional<PrintChoice> printDialog(const QString&, const PrintRequest&) override
    {
        return std::nullopt;
    }

private:
    QTextStream& m_err;
};

int runRead(const QStringList& argsIn, QTextStream& out, QTextStream& err)
{
    QStringList args = argsIn;
    LinkOptions options;
    if (!takeLinkOptions(args, options, err))
        return ExitBadArguments;
    QString langFile;
    QString languageText;
    QString dateFormat;
    bool langGiven = false;
    bool languageGiven = false;
    bool dateGiven = false;
    if (!takeOption(args, QStringLiteral("--lang-file"), langFile, &langGiven) ||
        !takeOption(args, QStringLiteral("--language"), languageText, &languageGiven) ||
        !takeOption(args, QStringLiteral("--date-format"), dateFormat, &dateGiven)) {
        err << "read: --lang-file, --language and --date-format need a value\n";
        return ExitBadArguments;
    }
    const bool store = args.removeAll(QStringLiteral("--store")) > 0;
    const bool erase = args.removeAll(QStringLiteral("--erase")) > 0;
    if (!args.isEmpty()) {
        err << "read: unexpected argument \"" << args.first() << "\"\n";
        return ExitBadArguments;
    }

    const QDir folder(options.programFolder);
    QString exeDir = folder.absolutePath();
    if (!exeDir.endsWith(QLatin1Char('/')))
        exeDir += QLatin1Char('/');
    TIniRec ini = loadIniRec(folder.filePath(QStringLiteral("QZ55xx.ini")), exeDir, 1);
    if (languageGiven) {
        bool ok = false;
        const int language = languageText.toInt(&ok);
        if (!ok || language < 0 || language > 255) {
            err << "read: --language needs a language number (0 Russian, 1 English)\n";
            return ExitBadArguments;
        }
        ini.Language = uint8_t(language);
    }
    LangTable lang;
    if (!langGiven)
        langFile = folder.filePath(QStringLiteral("Lang.txt"));
    if (!lang.load(langFile, ini.Language)) {
        err << "read: cannot read the language file \"" << langFile << "\"\n";
        return ExitBadArguments;
    }

    auto link = openLink(options, err);
    if (!link)
        return ExitLinkFailure;

    QStringList devList;
    StderrDialogs dialogs(err);
    NullProgress progress;
    AppContext ctx;
    ctx.ini = &ini;
    ctx.lang = &lang;
    ctx.link = link.get();
    ctx.devList = &devList;
    ctx.dialogs = &dialogs;
    ctx.clock = &appClock();
    ctx.progress = &progress;
    ctx.exeDir = exeDir;

    SessionState state;
    LineCollector window;
    SessionDb db(db::DbLocator::fromText(ini.ADOFile, exeDir));
    HistoryJournal journal(HistoryJournal::folderOf(exeDir));
    DeviceSession session(ctx, state, window, db, journal);
    session.policy.eraseAndSetClock = erase;
    session.policy.offerRegistration = false;
    if (dateGiven)
        session.format.dateFormat = dateFormat;
    session.TimerFindDevIrDATimer();
    link->CloseIrDAEx();

    switch (session.lastOutcome()) {
    case DeviceSession::Outcome::NoDevice:
    case DeviceSession::Outcome::NotIdentified:
        err << "no instrument in range\n";
        return ExitNoInstrument;
    case DeviceSession::Outcome::IdentityFailed:
    case DeviceSession::Outcome::Forgotten:
    case DeviceSession::Outcome::LinkReset:
    case DeviceSession::Outcome::Registration:
        err << "the instrument could not be read (link or protocol failure)\n";
        return ExitLinkFailure;
    case DeviceSession::Outcome::Shown:
        break;
    }
    for (const QString& line : std::as_const(window.text))
        out << line << "\n";
    out.flush();

    if (store) {
        if (state.CurUserName == kNobody) {
            err << "the instrument is issued to nobody: nothing stored\n";
            return ExitOk;
        }
        HistoryStore writer(ctx, state, journal);
        const THistDBThread::Result result = writer.storeWindowHistory(window);
        if (result == THistDBThread::Result::Failed)
            return ExitFailure;
        if (result == THistDBThread::Result::NoHolder) {
            err << "nobody holds the instrument: nothing stored\n";
            return ExitFailure;
        }
    } else if (erase && !state.JournalEntry.isEmpty()) {
        err << "the history was erased; it is kept in the journal until it is stored\n";
    }
    return ExitOk;
}

const CommandRegistration kRead({"read",
                                 "read [--program-folder DIR] [--link LINK] [--store] [--erase]\n"
                                 "     [--lang-file PATH] [--language N] [--date-format FMT]\n"
                                 "    one session on the instrument in range: prints the device\n"
                                 "    card and the event lines; --erase erases a registered\n"
                                 "    instrument and sets its clock, --store stores the lines",
                                 runRead});

} // namespace

} // namespace qz::cli
