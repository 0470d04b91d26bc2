#include "sim/SimulatedLink.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace qz::sim {

namespace {

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

bool strikes(Fault& fault, uint8_t reg)
{
    if (fault.reg >= 0 && fault.reg != reg)
        return false;
    const int n = fault.seen++;
    return n >= fault.skip && (fault.times < 0 || n < fault.skip + fault.times);
}

void garble(QByteArray& answer, const Fault& fault)
{
    switch (fault.kind) {
    case FaultKind::WrongStatus:
        if (!answer.isEmpty())
            answer[0] = char(fault.value >= 0 ? fault.value : 0x80);
        break;
    case FaultKind::ShortAnswer:
        answer.chop(std::min<qsizetype>(fault.value >= 0 ? fault.value : 1, answer.size()));
        break;
    case FaultKind::WrongLength:
        if (answer.size() > 2)
            answer[2] = char(fault.value >= 0 ? fault.value : uint8_t(answer[2]) + 1);
        break;
    case FaultKind::NoAnswer:
        break;
    }
}

TranscriptEntry entry(TranscriptEntry::Call call, bool result)
{
    TranscriptEntry e;
    e.call = call;
    e.result = result;
    return e;
}

} // namespace

QString TranscriptEntry::toString() const
{
    const QString ok = result ? QStringLiteral("true") : QStringLiteral("false");
    switch (call) {
    case Call::Init:
        return QStringLiteral("init -> %1").arg(ok);
    case Call::Find:
        return QStringLiteral("find [%1] -> %2").arg(names.join(QStringLiteral(", ")), ok);
    case Call::Connect:
        return QStringLiteral("connect %1 (%2) -> %3").arg(index).arg(instrument, ok);
    case Call::Close:
        return QStringLiteral("close");
    case Call::Transfer:
        return QStringLiteral("trans %1 (cap %2, len %3, exp %4) -> %5 %6")
            .arg(hex(request))
            .arg(capacity)
            .arg(requestLength)
            .arg(expectedLength)
            .arg(ok, hex(answer));
    }
    return {};
}

SimulatedLink::SimulatedLink() = default;
SimulatedLink::~SimulatedLink() = default;

std::unique_ptr<SimulatedLink> SimulatedLink::fromScenarioFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return nullptr;
    }
    QString why;
    auto link = fromScenarioJson(file.readAll(), &why);
    if (!link && error)
        *error = QStringLiteral("%1: %2").arg(path, why);
    return link;
}

SimInstrument& SimulatedLink::addInstrument(SimInstrument instrument)
{
    m_instruments.push_back(std::make_unique<SimInstrument>(std::move(instrument)));
    return *m_instruments.back();
}

SimInstrument* SimulatedLink::findInstrument(const QString& announcedName)
{
    for (auto& i : m_instruments) {
        if (i->announcedName == announcedName)
            return i.get();
    }
    return nullptr;
}

QList<TranscriptEntry> SimulatedLink::transfers() const
{
    QList<TranscriptEntry> out;
    std::copy_if(
        m_transcript.begin(), m_transcript.end(), std::back_inserter(out),
        [](const TranscriptEntry& e) { return e.call == TranscriptEntry::Call::Transfer; });
    return out;
}

QString SimulatedLink::transcriptText() const
{
    QStringList lines;
    for (const auto& e : m_transcript)
        lines << e.toString();
    return lines.join(u'\n');
}

bool SimulatedLink::reachable(SimInstrument& instrument)
{
    if (instrument.inRange && instrument.leavesRangeAfter >= 0 &&
        instrument.exchanges >= instrument.leavesRangeAfter)
        instrument.inRange = false;
    return instrument.inRange;
}

bool SimulatedLink::InitIrDAEx()
{
    m_initialised = !m_initFails;
    m_transcript.append(entry(TranscriptEntry::Call::Init, m_initialised));
    return m_initialised;
}

bool SimulatedLink::FindDeviceEx(QStringList& devList)
{
    devList.clear();
    m_listed.clear();
    if (m_initialised) {
        for (int i = 0; i < instrumentCount(); ++i) {
            if (reachable(instrument(i))) {
                devList << instrument(i).announcedName;
                m_listed.push_back(i);
            }
        }
    }
    TranscriptEntry e = entry(TranscriptEntry::Call::Find, !devList.isEmpty());
    e.names = devList;
    m_transcript.append(e);
    return e.result;
}

bool SimulatedLink::ConnectDevIrDAEx(int32_t index)
{
    TranscriptEntry e = entry(TranscriptEntry::Call::Connect, false);
    e.index = index;
    m_connected = -1;
    if (m_initialised && index >= 0 && size_t(index) < m_listed.size()) {
        const int which = m_listed[size_t(index)];
        e.instrument = instrument(which).announcedName;
        if (reachable(instrument(which))) {
            m_connected = which;
            e.result = true;
        }
    }
    m_transcript.append(e);
    return e.result;
}

bool SimulatedLink::TransDataIrDAEx(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                                    int32_t& answerLength)
{
    TranscriptEntry e = entry(TranscriptEntry::Call::Transfer, false);
    e.capacity = capacity;
    e.requestLength = requestLength;
    e.expectedLength = answerLength;
    const bool sane =
        buffer != nullptr && requestLength > 0 && capacity > 0 && requestLength <= capacity;
    if (sane)
        e.request = QByteArray(reinterpret_cast<const char*>(buffer), requestLength);

    std::optional<QByteArray> answer;
    if (sane && m_initialised && m_connected >= 0) {
        SimInstrument& target = instrument(m_connected);
        e.instrument = target.announcedName;
        if (reachable(target)) {
            ++target.exchanges;
            const uint8_t reg = requestLength >= 5 ? buffer[4] : 0;
            const Fault* lost = nullptr;
            std::vector<const Fault*> garbling;
            for (Fault& f : target.faults) {
                if (!strikes(f, reg))
                    continue;
                if (f.kind == FaultKind::NoAnswer)
                    lost = &f;
                else
                    garbling.push_back(&f);
            }
            if (!lost) {
                answer = target.answer(e.request, answerLength, capacity, m_clock.now());
                if (answer) {
                    for (const Fault* f : garbling)
                        garble(*answer, *f);
                }
            }
        }
    }

    if (answer) {
        const QByteArray delivered = answer->left(capacity);
        std::memcpy(buffer, delivered.constData(), size_t(delivered.size()));
        answerLength = int32_t(delivered.size());
        e.answer = delivered;
        e.result = true;
    } else {
        answerLength = 0;
    }
    m_transcript.append(e);
    return e.result;
}

void SimulatedLink::CloseIrDAEx()
{
    m_connected = -1;
    m_initialised = false;
    m_transcript.append(entry(TranscriptEntry::Call::Close, true));
}

} // namespace qz::sim
