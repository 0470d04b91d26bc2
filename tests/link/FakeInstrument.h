#pragma once

#include "tests/link/ScriptedLink.h"

#include <array>
#include <map>
#include <set>

namespace qz::test {

// Just enough of an instrument's register set to drive the parameter blocks: word and long
// registers, the memory window and the K family's settings block. Writes change the state,
// so a test can look at what a block left in the instrument.
class FakeInstrument {
public:
    std::map<uint8_t, uint16_t> words;
    std::map<uint8_t, std::array<uint8_t, 4>> longs;
    std::map<uint16_t, uint16_t> memory;
    uint16_t address = 0;
    // K family: register 0xD1 answers this block (answer length = 6 + its size).
    bool settingsBlockFamily = false;
    QByteArray settingsBlock;
    // Every register written, in order (memory cells appear as 0x9C).
    std::vector<uint8_t> written;

    void attach(ScriptedLink& link)
    {
        link.responder = [this](const QByteArray& request) { return respond(request); };
    }

    std::optional<QByteArray> respond(const QByteArray& request)
    {
        if (request.size() < 5)
            return std::nullopt;
        const auto op = uint8_t(request[0]);
        const auto reg = uint8_t(request[4]);
        if (op == 0x83) {
            if (reg == 0x9C)
                return wordAnswer(memory[address]);
            if (reg == 0xD1 && settingsBlockFamily)
                return bytesAnswer(settingsBlock);
            if (const auto it = longs.find(reg); it != longs.end())
                return longAnswer(it->second[0], it->second[1], it->second[2], it->second[3]);
            return wordAnswer(words[reg]);
        }
        if (op != 0x82)
            return std::nullopt;
        written.push_back(reg);
        if (request.size() == 59 && reg == 0xD1) {
            settingsBlock = request.mid(8);
        } else if (request.size() == 10 && uint8_t(request[5]) == 0x72) {
            const auto word = uint16_t(uint8_t(request[8]) | uint8_t(request[9]) << 8);
            if (reg == 0x00)
                address = word;
            else if (reg == 0x9C)
                memory[address] = word;
            else
                words[reg] = word;
        } else if (request.size() == 10 && uint8_t(request[5]) == 0xF2) {
            longs[reg] = {uint8_t(request[6]), uint8_t(request[7]), uint8_t(request[8]),
                          uint8_t(request[9])};
        }
        return writeAnswer();
    }
};

} // namespace qz::test
