#pragma once

#include "common/platform/Progress.h"
#include "tray/link/Parameters.h"
#include "tray/link/Protocol.h"

#include <functional>

namespace qz {

// What a parameter block reports besides its record: progress steps for the progress window
// and the dose-rate unit the instrument is set to, as the language line of its text. A null
// progress or an empty function is simply not called.
struct BlockEnv {
    Progress* progress = nullptr;
    std::function<void(int languageLine)> setUnitLine;
};

// Language lines of the unit text, chosen by bit 5 of flag word 0xD3.
constexpr int kUnitLineBit5Set = 95;
constexpr int kUnitLineBit5Clear = 96;

// Each block runs its fixed sequence of primitives and stops at the first that fails,
// returning false; the record keeps what was filled before and the instrument keeps what was
// written before. Reading blocks step the progress once after each register step that
// succeeded. Flag words are read, changed and written back, so bits the program does not
// know keep their value.
bool ReadMBlock(DeviceProtocol& protocol, T5520MParameters& record, BlockEnv& env);
bool WriteMBlock(DeviceProtocol& protocol, T5520MParameters& record, BlockEnv& env);
bool ReadMExtBlock(DeviceProtocol& protocol, T5520MParameters& record, BlockEnv& env);
bool WriteMExtBlock(DeviceProtocol& protocol, T5520MParameters& record, BlockEnv& env);
bool ReadGNBlock(DeviceProtocol& protocol, T5520GNParameters& record, BlockEnv& env);
bool WriteGNBlock(DeviceProtocol& protocol, T5520GNParameters& record, BlockEnv& env);
bool ReadGNExtBlock(DeviceProtocol& protocol, T5520GNParameters& record, BlockEnv& env);
bool WriteGNExtBlock(DeviceProtocol& protocol, T5520GNParameters& record, BlockEnv& env);
bool ReadKBlock(DeviceProtocol& protocol, TKParameters& record, BlockEnv& env);
bool WriteKBlock(DeviceProtocol& protocol, TKParameters& record, BlockEnv& env);

} // namespace qz
