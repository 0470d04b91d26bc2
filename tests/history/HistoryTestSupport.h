#pragma once

#include "common/platform/Progress.h"
#include "tray/history/HistoryLines.h"
#include "tray/link/IrdaLink.h"
#include "tray/shell/LangTable.h"

#include <QByteArray>
#include <QList>

#include <cstring>
#include <optional>

namespace qz::test {

// Language line n reads "L<n>", so a wrong line number shows in the text.
inline LangTable numberedLang()
{
    LangTable lang;
    for (int n = 1; n <= LangTable::kLines; ++n)
        lang.setLine(n, QStringLiteral("L%1").arg(n));
    return lang;
}

// Point and a fixed date format: the expected texts hold on every machine.
inline HistoryTextFormat fixedFormat()
{
    HistoryTextFormat f;
    f.decimalPoint = QStringLiteral(".");
    f.dateFormat = QStringLiteral("dd.MM.yyyy");
    return f;
}

inline QByteArray hexBytes(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex));
}

// A link that plays back a script of answers (nullopt: the transfer fails) and records what
// it was asked, including the progress steps made before each exchange.
class ScriptedLink final : public IrdaLink {
public:
    struct Exchange {
        QByteArray request;
        int capacity = 0;
        int requestLength = 0;
        int expectedLength = 0;
        int stepsBefore = 0;
    };

    explicit ScriptedLink(const CountingProgress* progress = nullptr) : m_progress(progress) {}

    void add(std::optional<QByteArray> answer) { m_answers.append(std::move(answer)); }
    // A history part: status, 00, frame length, 72, the length field, the data.
    void addPart(uint8_t status, const QByteArray& data)
    {
        const int field = int(data.size()) + 3;
        QByteArray frame;
        frame.append(char(status)).append('\0').append(char((data.size() + 6) & 0xFF));
        frame.append(char(0x72)).append(char(field >> 8)).append(char(field & 0xFF));
        add(frame + data);
    }

    QList<Exchange> exchanges;

    bool InitIrDAEx() override { return true; }
    bool FindDeviceEx(QStringList&) override { return false; }
    bool ConnectDevIrDAEx(int32_t) override { return true; }
    void CloseIrDAEx() override {}
    bool TransDataIrDAEx(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                         int32_t& answerLength) override
    {
        exchanges.append({QByteArray(reinterpret_cast<const char*>(buffer), requestLength),
                          capacity, requestLength, answerLength,
                          m_progress ? m_progress->steps : 0});
        if (m_next >= m_answers.size())
            return false;
        const std::optional<QByteArray>& a = m_answers[m_next++];
        if (!a)
            return false;
        const int n = std::min(int(a->size()), int(capacity));
        std::memcpy(buffer, a->constData(), size_t(n));
        answerLength = n;
        return true;
    }

private:
    const CountingProgress* m_progress;
    QList<std::optional<QByteArray>> m_answers;
    qsizetype m_next = 0;
};

} // namespace qz::test
