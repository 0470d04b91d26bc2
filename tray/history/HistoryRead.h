#pragma once

#include "tray/history/HistoryEvent.h"

#include <QByteArray>

#include <cstdint>

namespace qz {

class IrdaLink;
class Progress;

// At most this many continuation requests follow the first request of a history read.
constexpr int kHistoryMaxContinuations = 500;
// Receive capacity and answer length of the K instruments' history read.
constexpr int kHistoryCapacity = 200;
constexpr int kHistoryCapacity6610 = 8192;
constexpr int kHistoryAnswerLength6610 = 128;

// Reads the whole history memory of the connected instrument into `out` (at most
// kHistoryMemoryLimit bytes). The first request reads register 0x40 (83 00 05 B1 40); while
// the instrument answers 0x90 ("more follows") the loop sends the continuation request
// 83 00 03 B1 40, with the expected answer length restored each time. Each answer carries a
// byte string: its length is answer byte 4 * 256 + byte 5 - 3, its data start at byte 6; a
// length of 0 or less adds nothing. Progress steps once before every exchange.
//
// True only when the instrument ended with 0xA0 after at most 500 continuations. False, with
// `out` empty, when an exchange fails, a status byte is neither 0xA0 nor 0x90, an answer is
// too short to hold its length field or announces more data than it carried, the data would
// not fit in kHistoryMemoryLimit bytes, or the instrument keeps answering 0x90.
// A capacity above kHistoryCapacity6610 is lowered to it (the receive buffer's size).
bool FetchHistoryMemory(IrdaLink& link, Progress& progress, int capacity, int answerLength,
                        QByteArray& out);

// Reads and decodes the history of a 5520/5530 instrument (8-byte records, capacity 200).
// answerLength: 128 for the extended models and pager-type instruments, 64 otherwise.
// On success `count` events are valid, in memory order; `events` is zeroed from `count` on.
// On failure count is 0 and the array is left zeroed.
bool ReadHistory(IrdaLink& link, Progress& progress, HistoryEvents& events, int answerLength,
                 int& count, bool PagerFormat, bool GNNewGen, double CurCoef);

// Reads and decodes the history of a K instrument (16-byte records, capacity 8192, answer
// length 128). Every record counts.
bool ReadHistory6610(IrdaLink& link, Progress& progress, HistoryEvents6610& events, int& count);

} // namespace qz
