#pragma once

#include "sim/SimClock.h"
#include "sim/SimInstrument.h"
#include "tray/link/IrdaLink.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace qz::sim {

// One call made on the simulated link, as the caller made it and as it ended.
struct TranscriptEntry {
    enum class Call { Init, Find, Connect, Transfer, Close };
    Call call = Call::Transfer;
    bool result = false;
    QStringList names;  // Find: the names listed
    int index = -1;     // Connect: the index asked for
    QString instrument; // Connect, Transfer: announced name of the instrument reached
    QByteArray request; // Transfer: the first requestLength bytes of the buffer
    int capacity = 0;
    int requestLength = 0;
    int expectedLength = 0;
    QByteArray answer; // Transfer: the bytes put into the buffer (empty when it failed)

    // "trans 83 00 05 B1 91 -> A0 00 08 ..." and the like, for failure messages and logs.
    QString toString() const;
};

// The infrared link with simulated instruments in range, in process.
//
// Link rules: InitIrDAEx succeeds unless switched to fail; before it (and after CloseIrDAEx)
// FindDeviceEx, ConnectDevIrDAEx and TransDataIrDAEx fail. FindDeviceEx lists the announced
// names of the instruments in range in the order they were added and fails with an empty
// list when none is in range. ConnectDevIrDAEx takes an index of the last list. A transfer
// reaches the connected instrument while it is in range; a request it does not understand,
// or for a register its family does not have, gets no answer and the transfer fails. An
// answer longer than the capacity is cut to it.
class SimulatedLink : public IrdaLink {
public:
    SimulatedLink();
    ~SimulatedLink() override;

    // A link from a scenario (format in sim/README.md). On a missing or malformed file,
    // nullptr and the reason in *error.
    static std::unique_ptr<SimulatedLink> fromScenarioFile(const QString& path, QString* error);
    static std::unique_ptr<SimulatedLink> fromScenarioJson(const QByteArray& json, QString* error);

    // Takes the instrument in; the reference stays valid for the link's life.
    SimInstrument& addInstrument(SimInstrument instrument);
    int instrumentCount() const { return int(m_instruments.size()); }
    SimInstrument& instrument(int i) { return *m_instruments.at(size_t(i)); }
    const SimInstrument& instrument(int i) const { return *m_instruments.at(size_t(i)); }
    // The instrument with this announced name, or nullptr.
    SimInstrument* findInstrument(const QString& announcedName);

    SimClock& clock() { return m_clock; }
    const SimClock& clock() const { return m_clock; }
    QDateTime instrumentClock(int i) const { return instrument(i).clockAt(m_clock.now()); }
    void setInstrumentClock(int i, const QDateTime& time)
    {
        instrument(i).setClock(time, m_clock.now());
    }

    void setInitFails(bool fails) { m_initFails = fails; }
    bool initFails() const { return m_initFails; }
    bool isInitialised() const { return m_initialised; }
    // Index of the connected instrument among those added, or -1.
    int connectedInstrument() const { return m_connected; }

    const QList<TranscriptEntry>& transcript() const { return m_transcript; }
    // The transfers only.
    QList<TranscriptEntry> transfers() const;
    void clearTranscript() { m_transcript.clear(); }
    QString transcriptText() const;

    bool InitIrDAEx() override;
    bool FindDeviceEx(QStringList& devList) override;
    bool ConnectDevIrDAEx(int32_t index) override;
    bool TransDataIrDAEx(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                         int32_t& answerLength) override;
    void CloseIrDAEx() override;

private:
    bool reachable(SimInstrument& instrument);

    std::vector<std::unique_ptr<SimInstrument>> m_instruments;
    std::vector<int> m_listed; // instrument index of each entry of the last list
    int m_connected = -1;
    bool m_initialised = false;
    bool m_initFails = false;
    SimClock m_clock;
    QList<TranscriptEntry> m_transcript;
};

} // namespace qz::sim
