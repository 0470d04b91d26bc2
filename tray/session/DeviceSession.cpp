#include "tray/session/DeviceSession.h"

#include "common/platform/Clock.h"
#include "common/platform/DateTimeDays.h"
#include "common/platform/DialogService.h"
#include "common/platform/Formats.h"
#include "common/platform/Progress.h"
#include "common/platform/Rounding.h"
#include "tray/history/HistoryDecode.h"
#include "tray/history/HistoryLineThread.h"
#include "tray/history/HistoryRead.h"
#include "tray/history/HistoryWindowApi.h"
#include "tray/link/ParameterBlocks.h"
#include "tray/session/DeviceNames.h"
#include "tray/session/HistoryJournal.h"
#include "tray/session/Registration.h"
#include "tray/session/SessionDb.h"
#include "tray/session/SessionState.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"

namespace qz {

namespace {

constexpr int kCardColumn = 30;
constexpr int kSeparatorLength = 55;

bool isOneOf(const QString& text, std::initializer_list<const char*> texts)
{
    for (const char* t : texts)
        if (text == QLatin1String(t))
            return true;
    return false;
}

} // namespace

DeviceSession::DeviceSession(AppContext& context, SessionState& state, HistoryWindowApi& window,
                             SessionDb& db, HistoryJournal& journal, Registration* registration)
    : m_ctx(context), m_state(state), m_window(window), m_db(db), m_journal(journal),
      m_registration(registration), m_protocol(*context.link),
      m_events(std::make_unique<HistoryEvents>()),
      m_events6610(std::make_unique<HistoryEvents6610>())
{
}

DeviceSession::~DeviceSession() = default;

void DeviceSession::reArm()
{
    if (m_ctx.setDiscoveryTimerActive)
        m_ctx.setDiscoveryTimerActive(true);
    if (m_ctx.setTrayMouseEnabled)
        m_ctx.setTrayMouseEnabled(true);
}

void DeviceSession::forget()
{
    m_state.CurSerial = -1;
    m_state.CurModel.clear();
    reArm();
}

void DeviceSession::resetLink()
{
    m_state.CurSerial = -1;
    m_state.CurModel.clear();
    m_ctx.link->CloseIrDAEx();
    m_ctx.link->InitIrDAEx();
    m_outcome = Outcome::LinkReset;
    reArm();
}

void DeviceSession::TimerFindDevIrDATimer()
{
    IrdaLink& link = *m_ctx.link;
    Progress& progress = *m_ctx.progress;

    m_state.MEDMode = false;
    if (m_ctx.setProgressTag)
        m_ctx.setProgressTag(0);
    if (m_ctx.setTrayMouseEnabled)
        m_ctx.setTrayMouseEnabled(false);
    if (m_ctx.setDiscoveryTimerActive)
        m_ctx.setDiscoveryTimerActive(false);
    progress.ProgressDone();
    m_state.IsGNFamily = false;
    m_state.GNNewGen = false;
    m_m = T5520MParameters();
    m_gn = T5520GNParameters();
    m_k = TKParameters();
    m_raw.clear();

    QStringList localList;
    QStringList& devList = m_ctx.devList ? *m_ctx.devList : localList;
    if (!link.FindDeviceEx(devList)) {
        m_outcome = Outcome::NoDevice;
        forget();
        return;
    }

    const DeviceNameMatch match = matchDeviceNames(devList);
    m_state.CurSerial = match.serial;
    m_state.CurModel = match.model;
    m_state.CurPagerName = match.pagerName;
    if (!match.found()) {
        m_outcome = devList.isEmpty() ? Outcome::NoDevice : Outcome::NotIdentified;
        reArm();
        return;
    }

    m_window.clearText();
    if (!link.ConnectDevIrDAEx(match.index)) {
        m_outcome = Outcome::Forgotten;
        forget();
        return;
    }

    if (!m_state.CurPagerName.isEmpty()) {
        if (!identifyPager(devList.at(match.index))) {
            // The link stays open: the next tick finds the instrument again.
            m_outcome = Outcome::IdentityFailed;
            reArm();
            return;
        }
    }

    progress.ProgressShow(200, 1);

    if (m_state.CurPagerName.isEmpty() &&
        !isOneOf(m_state.CurModel, {"QZ6610K", "QZ5520K", "5520MO", "6610GNO", "5520GNO", "6610GNA",
                                    "6610MA", "5530A"})) {
        if (!classicProbe()) {
            resetLink();
            return;
        }
    }
    automaticSession();
}

bool DeviceSession::identifyPager(const QString& announcedName)
{
    if (announcedName.contains(QLatin1String("QZ_Pa"))) {
        m_m.PagerName = true;
        m_gn.PagerName = true;
    }
    QString name;
    if (m_protocol.ReadNameText(name)) {
        m_state.CurPagerName = name;
        if (name.toUpper().contains(QLatin1String("GN")))
            m_state.GNNewGen = true;
        QString model;
        const bool modelRead = m_protocol.ReadModelText(model);
        m_state.CurModel = model;
        if (modelRead) {
            m_state.CurModel = model.trimmed();
            QString number;
            if (m_protocol.ReadNumberText(number)) {
                bool ok = false;
                const int serial = number.trimmed().toInt(&ok, 10);
                if (ok) {
                    m_state.CurSerial = serial;
                } else {
                    m_state.CurPagerName.clear();
                    m_state.CurModel.clear();
                    m_state.CurSerial = -1;
                }
            }
        }
        m_state.CurPagerName = m_state.CurPagerName.toUpper().trimmed();
    }
    return !m_state.CurModel.isEmpty() && m_state.CurSerial != -1;
}

bool DeviceSession::classicProbe()
{
    const LangTable& lang = *m_ctx.lang;
    bool newFirmware = false;
    if (!m_protocol.ReadVersionText(newFirmware))
        return false;
    m_state.NewFirmware = newFirmware;
    m_state.CurCoef = 0.0;
    if (!newFirmware) {
        uint8_t code = 0;
        if (!m_protocol.ReadUnitCode(code))
            return false;
        switch (code) {
        case 0:
            m_state.CurUnitsText = lang.line(95);
            break;
        case 1:
            m_state.CurUnitsText = lang.line(96);
            break;
        case 3:
            m_state.CurUnitsText = lang.line(44);
            m_state.CurCoef = 0.00024;
            break;
        default:
            m_state.CurUnitsText = lang.line(44);
            break;
        }
    } else {
        uint8_t flag = 0;
        if (!m_protocol.ReadUnitFlag(flag))
            return false;
        m_state.CurUnitsText = lang.line(flag == 1 ? 95 : 96);
    }
    return true;
}

QString DeviceSession::label(int line) const
{
    return m_ctx.lang->line(line);
}

QString DeviceSession::label(int line, int second) const
{
    return m_ctx.lang->line(line) + QStringLiteral(", ") + m_ctx.lang->line(second);
}

QString DeviceSession::yesNo(bool value) const
{
    return m_ctx.lang->line(value ? 29 : 30);
}

QString DeviceSession::fixed(double value, int decimals) const
{
    return formatFixed(value, decimals, format.decimalPoint);
}

void DeviceSession::card(const QString& label, const QString& value)
{
    m_window.PostHistoryLine(PadRight(label, kCardColumn) + value, kCardColumn, 0);
}

void DeviceSession::cardCommon(int number, double dateTime, const QString& histTime)
{
    const WallClock clock = daysToWallClock(dateTime);
    card(label(37), m_state.CurModel);
    card(label(24), QString::number(number));
    card(label(34), m_state.CurUserName);
    card(label(25), clock.date.toString(format.dateFormat) + QStringLiteral(" / ") +
                        clock.time.toString(QStringLiteral("hh:mm")));
    card(label(26), histTime + QLatin1Char(' ') + label(35));
}

bool DeviceSession::readPaths()
{
    const LangTable& lang = *m_ctx.lang;
    const QString pager = m_state.CurPagerName.toUpper();
    const QString& model = m_state.CurModel;
    BlockEnv env;
    env.progress = m_ctx.progress;
    bool anyPath = false;

    auto lookupOwner = [this] {
        m_state.CurUserName = LookupOwnerName(m_db, m_state.CurSerial, m_state.CurModel);
    };

    if (model == QLatin1String("QZ5520M") && pager.isEmpty()) {
        anyPath = true;
        m_state.IsGNFamily = false;
        m_m.Number = m_state.CurSerial;
        if (!ReadMBlock(m_protocol, m_m, env))
            return false;
        lookupOwner();
        cardCommon(m_m.Number, m_m.DateTime, QString::number(m_m.HistTime));
        card(label(28, 93), fixed(m_m.CoeffN, 1));
        card(label(47), yesNo(m_m.AutoCalibr));
        card(label(54), yesNo(m_m.Izmer));
        card(label(31), yesNo(m_m.OnOffSign));
        card(label(32), yesNo(m_m.Sound));
        card(label(33), yesNo(m_m.Vibr));
        card(label(63), yesNo(m_m.EnIzmN));
    }

    if (isOneOf(model, {"5520MO", "6610MA", "5530A"}) ||
        (model == QLatin1String("QZ5520M-O1") && pager != QLatin1String("QZ_PAGER_GN")) ||
        pager == QLatin1String("QZ_PAGER_G")) {
        anyPath = true;
        m_state.IsGNFamily = false;
        m_m.Number = m_state.CurSerial;
        if (!ReadMExtBlock(m_protocol, m_m, env))
            return false;
        m_state.CurCoef = 0.0;
        m_state.NewFirmware = true;
        m_state.CurUnitsText = lang.line(m_m.Unit == 1 ? 95 : 96);
        m_state.MEDMode = m_m.Advanced;
        lookupOwner();
        cardCommon(m_m.Number, m_m.DateTime, QString::number(m_m.HistTime));
        if (!m_state.MEDMode)
            card(label(28, 93), fixed(m_m.CoeffN, 1));
        else if (m_state.CurUnitsText == lang.line(96))
            card(label(123, 96), fixed(m_m.MEDGamma / 100.0, 2));
        else
            card(label(123, 95), fixed(m_m.MEDGamma, 0));
        if (!m_state.MEDMode) {
            card(label(47), yesNo(m_m.AutoCalibr));
            card(label(109), yesNo(m_m.RegistrG));
        }
        card(label(110), yesNo(m_m.QuickOff));
        card(label(31), yesNo(m_m.OnOffSign));
        card(label(32), yesNo(m_m.Sound));
        card(label(33), yesNo(m_m.Vibr));
        card(label(106), yesNo(m_m.EnIzmN));
    }

    if (isOneOf(model, {"5520GNO", "6610GNO", "6610GNA"}) ||
        pager == QLatin1String("QZ_PAGER_GN")) {
        anyPath = true;
        m_state.IsGNFamily = true;
        m_state.GNNewGen = true;
        m_gn.Number = m_state.CurSerial;
        if (!ReadGNExtBlock(m_protocol, m_gn, env))
            return false;
        m_state.CurCoef = 0.0;
        m_state.NewFirmware = true;
        m_state.CurUnitsText = lang.line(m_gn.Unit == 1 ? 95 : 96);
        m_state.MEDMode = m_gn.Advanced;
        lookupOwner();
        cardCommon(m_gn.Number, m_gn.DateTime, QString::number(m_gn.HistTime));
        if (!m_state.MEDMode) {
            card(label(28, 93), fixed(m_gn.CoeffN, 1));
            card(label(28, 92), fixed(m_gn.CoeffNN, 1));
        } else {
            if (m_state.CurUnitsText == lang.line(96))
                card(label(123),
                     fixed(m_gn.MEDGamma / 100.0, 2) + QLatin1Char(' ') + lang.line(96));
            else
                card(label(123), fixed(m_gn.MEDGamma, 0) + QLatin1Char(' ') + lang.line(95));
            card(label(124), fixed(m_gn.MEDNetr, 1) + QLatin1Char(' ') + lang.line(44));
        }
        if (!m_state.MEDMode)
            card(label(47), yesNo(m_gn.AutoCalibr));
        card(label(110), yesNo(m_gn.QuickOff));
        card(label(31), yesNo(m_gn.OnOffSign));
        card(label(32), yesNo(m_gn.Sound));
        card(label(33), yesNo(m_gn.Vibr));
        card(label(106), yesNo(m_gn.EnIzmN));
    }

    if (isOneOf(model, {"QZ6610K", "QZ5520K"})) {
        anyPath = true;
        m_state.IsGNFamily = false;
        m_state.GNNewGen = false;
        m_k.Number = m_state.CurSerial;
        if (!ReadKBlock(m_protocol, m_k, env))
            return false;
        lookupOwner();
        const auto minutes = roundHalfEvenToInt(m_k.HistSeconds / 60.0);
        cardCommon(m_k.Number, m_k.DateTime, QString::number(minutes));
        card(label(28, 93), fixed(m_k.CoeffN, 1));
        card(label(28, 92), fixed(m_k.CoeffNN, 1));
        card(label(107, 103),
             FormatDoseK(
                 m_k.PorogGeiger, [&lang](int n) { return lang.line(n); }, format.decimalPoint));
        card(label(47), yesNo(m_k.AutoCalibr));
        card(label(31), yesNo(m_k.OnOffSign));
        card(label(32), yesNo(m_k.Sound));
        if (model != QLatin1String("QZ5520K"))
            card(label(33), yesNo(m_k.Vibr));
        card(label(106), yesNo(m_k.EnPorog));
    }

    if (isOneOf(model, {"QZ5520GN", "QZ5530GN", "QZ6610GN"}) && pager.isEmpty()) {
        anyPath = true;
        m_state.IsGNFamily = true;
        m_state.GNNewGen = false;
        m_gn.Number = m_state.CurSerial;
        if (!ReadGNBlock(m_protocol, m_gn, env))
            return false;
        lookupOwner();
        cardCommon(m_gn.Number, m_gn.DateTime, QString::number(m_gn.HistTime));
        card(label(28, 93), fixed(m_gn.CoeffN, 1));
        card(label(28, 92), fixed(m_gn.CoeffNN, 1));
        card(label(47, 93), yesNo(m_gn.AutoCalibr));
        card(label(31), yesNo(m_gn.OnOffSign));
        card(label(32), yesNo(m_gn.Sound));
        card(label(33), yesNo(m_gn.Vibr));
        card(label(63), yesNo(m_gn.EnIzmN));
    }

    // An instrument that none of the paths knows has no holder we could name: keeping the
    // previous instrument's holder would erase this one and store its history under
    // somebody else.
    if (!anyPath)
        m_state.CurUserName = kNobody;
    return true;
}

void DeviceSession::automaticSession()
{
    if (!readPaths()) {
        resetLink();
        return;
    }
    historyStep();
}

bool DeviceSession::readHistory()
{
    IrdaLink& link = *m_ctx.link;
    Progress& progress = *m_ctx.progress;
    m_state.HistBuf = {};
    m_state.HistBuf6610 = {};
    m_state.HistCount = 0;
    // As ReadHistory and ReadHistory6610 do, keeping the memory as read for the journal.
    if (isOneOf(m_state.CurModel, {"QZ6610K", "QZ5520K"})) {
        m_events6610->fill(HistoryEvent6610{});
        if (!FetchHistoryMemory(link, progress, kHistoryCapacity6610, kHistoryAnswerLength6610,
                                m_raw))
            return false;
        const int count = decodeHistoryMemory6610(bytesOf(m_raw), *m_events6610);
        m_state.HistBuf6610 =
            std::span<const HistoryEvent6610>(m_events6610->data(), size_t(count));
        m_state.HistCount = count;
        TInsHistThread6610K thread(m_state.HistBuf6610, *m_ctx.lang, m_window, format);
        runHistoryLineThread(thread);
        return true;
    }
    const bool longAnswer = !m_state.CurPagerName.isEmpty() ||
                            isOneOf(m_state.CurModel, {"5520MO", "QZ5520M-O1", "5520GNO", "6610GNO",
                                                       "6610GNA", "6610MA", "5530A"});
    const int answerLength = longAnswer ? 128 : 64;
    const bool pagerFormat = m_m.PagerName || m_gn.PagerName;
    m_events->fill(HistoryEvent{});
    if (!FetchHistoryMemory(link, progress, kHistoryCapacity, answerLength, m_raw))
        return false;
    const int count = decodeHistoryMemory(
        bytesOf(m_raw), {pagerFormat, m_state.GNNewGen, m_state.CurCoef}, *m_events);
    m_state.HistBuf = std::span<const HistoryEvent>(m_events->data(), size_t(count));
    m_state.HistCount = count;
    const HistorySessionValues values{m_state.CurUnitsText, m_state.IsGNFamily, m_state.GNNewGen,
                                      m_state.NewFirmware, m_state.MEDMode};
    TInsHistThread thread(m_state.HistBuf, values, *m_ctx.lang, m_window, format);
    runHistoryLineThread(thread);
    return true;
}

bool DeviceSession::journalBeforeErase()
{
    // An earlier reading whose erase answer was lost is contained in this one.
    m_journal.dropSupersededBy(m_state.CurSerial, m_state.CurModel, m_raw);
    JournalEntry entry;
    entry.serial = m_state.CurSerial;
    entry.model = m_state.CurModel;
    entry.persId = -1;
    if (const db::DbConnection* conn = m_db.connection())
        entry.persId = LookupPersID(*conn, m_state.CurSerial, m_state.CurModel);
    entry.holder = m_state.CurUserName;
    entry.lines = m_window.lines();
    entry.addParamsDB = m_ctx.ini && m_ctx.ini->AddParamsDB;
    entry.rawHistory = m_raw;
    entry.readAt = (m_ctx.clock ? *m_ctx.clock : appClock()).nowDateTime();
    if (entry.persId < 0 || !m_journal.write(entry))
        return false;
    m_state.JournalEntry = entry.id;
    return true;
}

void DeviceSession::historyStep()
{
    IrdaLink& link = *m_ctx.link;
    Progress& progress = *m_ctx.progress;
    const LangTable& lang = *m_ctx.lang;

    m_window.PostHistoryLine(QString(kSeparatorLength, QLatin1Char('-')), 0, 0);

    const bool readUnregistered = !m_ctx.ini || m_ctx.ini->ReadUnregistered;
    if (policy.offerRegistration && !readUnregistered && m_state.CurUserName == kNobody) {
        progress.ProgressDone();
        const DialogResult answer =
            m_ctx.dialogs->messageBox(lang.line(84), lang.line(53), DialogButtons::OkCancel);
        if (answer == DialogResult::Ok) {
            link.CloseIrDAEx();
            link.InitIrDAEx();
            if (m_registration)
                m_registration->StartRegistration();
        }
        m_outcome = Outcome::Registration;
        reArm();
        return;
    }

    if (!readHistory()) {
        m_state.CurSerial = -1;
        link.CloseIrDAEx();
        link.InitIrDAEx();
        m_outcome = Outcome::LinkReset;
        reArm();
        return;
    }

    progress.ProgressStep();
    m_window.setUnsavedHistory(true);
    m_state.JournalEntry.clear();

    if (policy.eraseAndSetClock && m_state.CurUserName != kNobody) {
        // The history goes to the journal before it leaves the instrument; when it cannot be
        // kept there, the instrument keeps it and the session ends as after a failed erase.
        if (!journalBeforeErase() || !m_protocol.ClearHistory()) {
            // An entry stays even when the erase answer was lost: the instrument may have
            // been erased all the same. A later reading that still holds these events
            // drops it.
            progress.ProgressDone();
            link.CloseIrDAEx();
            link.InitIrDAEx();
            m_outcome = Outcome::LinkReset;
            reArm();
            return;
        }
    }

    progress.ProgressStep();

    if (policy.eraseAndSetClock) {
        const double now = (m_ctx.clock ? *m_ctx.clock : appClock()).now();
        if (isOneOf(m_state.CurModel, {"QZ6610K", "QZ5520K"})) {
            m_protocol.WriteClockSeconds(now);
        } else {
            const uint16_t histTime = m_state.IsGNFamily ? m_gn.HistTime : m_m.HistTime;
            m_protocol.SetClockAndHistMark(histTime, now);
            m_protocol.SendCommandD0();
        }
    }

    progress.ProgressDone();
    link.CloseIrDAEx();
    link.InitIrDAEx();
    m_outcome = Outcome::Shown;
    if (policy.showWindow)
        m_window.showModal();
    reArm();
}

} // namespace qz
