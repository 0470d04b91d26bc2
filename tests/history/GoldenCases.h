#pragma once

// The golden histories: dumps read from the simulated instruments of
// fixtures/history/golden-scenario.json, and the window lines expected from each. Shared by
// the decoding test and the command-line test, so both check the same lines.

namespace qz::test {

struct GoldenCase {
    const char* name;     // fixtures/history/<name>.bin and <name>.lines
    int instrument;       // index in the scenario
    const char* layout;   // P, PG, O, OG, K
    int answerLength;     // what the session asks for this model
    int units;            // language line of the unit text
    double coef;          // CurCoef
    bool gnFamily;        // IsGNFamily
    bool newFirmware;     // NewFirmware
    bool medMode;         // MEDMode
    const char* cliFlags; // the same session values as command-line options
};

inline constexpr GoldenCase kGoldenCases[] = {
    {"pager", 0, "P", 128, 95, 0.0, false, true, false, "--units 95 --new-firmware"},
    {"pager-gn", 1, "PG", 128, 96, 0.0, true, false, true, "--units 96 --gn-family --med-mode"},
    {"classic", 2, "O", 64, 44, 0.00024, false, false, false, "--coef 0.00024"},
    {"gn-new", 3, "OG", 128, 96, 0.0, true, false, false, "--units 96 --gn-family"},
    {"k", 4, "K", 128, 44, 0.0, false, false, false, ""},
};

inline constexpr const char* kGoldenDateFormat = "dd.MM.yyyy";

} // namespace qz::test
