#include "tray/history/HistoryRead.h"

#include "common/platform/Progress.h"
#include "tray/history/HistoryDecode.h"
#include "tray/link/IrdaLink.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace qz {

namespace {

constexpr uint8_t kStatusLast = 0xA0;
constexpr uint8_t kStatusMore = 0x90;
constexpr int kRequestLength = 5;
constexpr int kDataOffset = 6;
constexpr std::array<uint8_t, kRequestLength> kFirstRequest{0x83, 0x00, 0x05, 0xB1, 0x40};
constexpr std::array<uint8_t, kRequestLength> kNextRequest{0x83, 0x00, 0x03, 0xB1, 0x40};

} // namespace

bool FetchHistoryMemory(IrdaLink& link, Progress& progress, int capacity, int answerLength,
                        QByteArray& out)
{
    out.clear();
    out.reserve(kHistoryMemoryLimit);
    std::array<uint8_t, kHistoryCapacity6610> buffer{};
    capacity = std::clamp(capacity, kRequestLength, int(buffer.size()));

    const uint8_t* request = kFirstRequest.data();
    int continuations = 0;
    for (;;) {
        progress.ProgressStep();
        std::memcpy(buffer.data(), request, kRequestLength);
        int32_t received = answerLength;
        if (!link.TransDataIrDAEx(buffer.data(), capacity, kRequestLength, received))
            break;
        // The length field and the data are taken only from bytes the instrument sent: a
        // short answer would otherwise pass stale buffer bytes off as history.
        if (received < kDataOffset || received > capacity)
            break;
        const uint8_t status = buffer[0];
        if (status != kStatusLast && status != kStatusMore)
            break;
        const int length = buffer[4] * 256 + buffer[5] - 3;
        if (length > 0) {
            if (kDataOffset + length > received || out.size() + length > kHistoryMemoryLimit)
                break;
            out.append(reinterpret_cast<const char*>(buffer.data() + kDataOffset), length);
        }
        if (status == kStatusLast)
            return true;
        request = kNextRequest.data();
        if (++continuations > kHistoryMaxContinuations)
            break;
    }
    out.clear();
    return false;
}

bool ReadHistory(IrdaLink& link, Progress& progress, HistoryEvents& events, int answerLength,
                 int& count, bool PagerFormat, bool GNNewGen, double CurCoef)
{
    count = 0;
    events.fill(HistoryEvent{});
    QByteArray memory;
    if (!FetchHistoryMemory(link, progress, kHistoryCapacity, answerLength, memory))
        return false;
    count = decodeHistoryMemory(bytesOf(memory), {PagerFormat, GNNewGen, CurCoef}, events);
    return true;
}

bool ReadHistory6610(IrdaLink& link, Progress& progress, HistoryEvents6610& events, int& count)
{
    count = 0;
    events.fill(HistoryEvent6610{});
    QByteArray memory;
    if (!FetchHistoryMemory(link, progress, kHistoryCapacity6610, kHistoryAnswerLength6610, memory))
        return false;
    count = decodeHistoryMemory6610(bytesOf(memory), events);
    return true;
}

} // namespace qz
