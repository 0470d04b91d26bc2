#pragma once

#include "tray/link/IrdaLink.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace qz::test {

// A link that plays canned answers and records every request, for checking frames byte by
// byte. Answers come from the queue first, then from the responder; with neither, or when
// the exchange's index is failAt, the transfer fails.
class ScriptedLink final : public IrdaLink {
public:
    struct Request {
        QByteArray bytes;
        int32_t capacity = 0;
        int32_t requestLength = 0;
        int32_t expectedLength = 0;
    };
    struct Answer {
        QByteArray bytes;
        bool transferOk = true;
        // Length the link reports as received; -1 = the bytes copied.
        int32_t reportedLength = -1;
    };

    void queueAnswer(const QByteArray& bytes) { m_answers.push_back({bytes, true, -1}); }
    void queueAnswer(const Answer& answer) { m_answers.push_back(answer); }
    void queueFailure() { m_answers.push_back({{}, false, -1}); }

    std::function<std::optional<QByteArray>(const QByteArray& request)> responder;
    int failAt = -1;
    std::vector<Request> requests;

    bool InitIrDAEx() override { return true; }
    bool FindDeviceEx(QStringList& devList) override
    {
        devList.clear();
        return false;
    }
    bool ConnectDevIrDAEx(int32_t) override { return true; }
    void CloseIrDAEx() override {}

    bool TransDataIrDAEx(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                         int32_t& answerLength) override
    {
        requests.push_back({QByteArray(reinterpret_cast<const char*>(buffer), requestLength),
                            capacity, requestLength, answerLength});
        const int index = int(requests.size()) - 1;
        Answer answer;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        } else if (responder) {
            const auto bytes = responder(requests.back().bytes);
            if (!bytes)
                return false;
            answer.bytes = *bytes;
        } else {
            return false;
        }
        if (index == failAt || !answer.transferOk)
            return false;
        const int32_t n = std::min<int32_t>(int32_t(answer.bytes.size()), capacity);
        std::memcpy(buffer, answer.bytes.constData(), size_t(n));
        answerLength = answer.reportedLength >= 0 ? answer.reportedLength : n;
        return true;
    }

private:
    std::deque<Answer> m_answers;
};

// Answers as the instruments send them.
inline QByteArray wordAnswer(uint16_t word)
{
    return QByteArray::fromHex("A0000872") + QByteArray::fromHex("0005") +
           QByteArray(1, char(word & 0xFF)) + QByteArray(1, char(word >> 8));
}

inline QByteArray longAnswer(uint8_t d0, uint8_t d1, uint8_t d2, uint8_t d3)
{
    QByteArray a = QByteArray::fromHex("A00008F2");
    a.append(char(d0)).append(char(d1)).append(char(d2)).append(char(d3));
    return a;
}

inline QByteArray writeAnswer()
{
    return QByteArray::fromHex("A00003");
}

// A byte-string answer carrying data from byte 6.
inline QByteArray bytesAnswer(const QByteArray& data)
{
    const int total = 6 + int(data.size());
    QByteArray a = QByteArray::fromHex("A000");
    a.append(char(total)).append(char(0x72)).append(char(0x00)).append(char(data.size() + 3));
    return a + data;
}

} // namespace qz::test
