#pragma once

#include <cstdint>

namespace qz {

// Settings of the instruments as the program holds them. Date-times are days since
// 1899-12-30 with the time of day as the fraction. Every field starts at zero.

// M family (basic and extended register layouts).
struct T5520MParameters {
    int32_t Number = 0;    // instrument number, set by the caller
    uint16_t Reg91 = 0;    // written back unchanged
    double RegD2 = 0.0;    // basic layout only
    double CoeffN = 0.0;   // one decimal
    uint16_t HistTime = 0; // history interval, minutes
    double DateTime = 0.0; // instrument clock
    bool En1s = false;
    bool En2s = false;
    bool En4s = false;
    bool OnOffSign = false;
    bool Sound = false;
    bool Vibr = false;
    bool Izmer = false;
    bool RegistrG = false;  // extended
    bool QuickOff = false;  // extended
    bool WinSearch = false; // kept on the PC only
    uint8_t Unit = 0;       // 2 after a basic read; 0 or 1 after an extended read
    bool AutoCalibr = false;
    bool EnIzmN = false;
    bool CoefVar = false;   // basic
    double PorogDER = 0.0;  // dose-rate threshold (extended)
    bool PagerName = false; // announced name contains "QZ_Pa"; set by the caller
    bool Advanced = false;  // memory word 52 holds the advanced marker
    double MEDNetr = 0.0;   // never read in this family
    double MEDGamma = 0.0;
};

// GN family (basic and extended register layouts).
struct T5520GNParameters {
    int32_t Number = 0;
    uint16_t Reg91 = 0;
    double RegD2 = 0.0;
    double CoeffN = 0.0;
    double CoeffNN = 0.0; // memory word 81 (basic) or 32 (extended)
    uint16_t HistTime = 0;
    double DateTime = 0.0;
    bool En1s = false;
    bool En2s = false;
    bool En4s = false;
    bool OnOffSign = false;
    bool Sound = false;
    bool Vibr = false;
    bool Izmer = false;
    bool RegistrG = false;
    bool QuickOff = false;
    bool WinSearch = false;
    bool RegistrN = false; // extended
    uint8_t Unit = 0;      // 0 or 1 after an extended read; a basic read leaves it
    bool AutoCalibr = false;
    bool EnIzmN = false;
    bool CoefVar = false;
    uint8_t TIzmN = 0; // basic
    double PorogDER = 0.0;
    bool PagerName = false;
    bool Advanced = false;
    double MEDNetr = 0.0;
    double MEDGamma = 0.0;
};

// K family (models qz6610k and qz5520k).
struct TKParameters {
    int32_t Number = 0;
    uint16_t HistSeconds = 0; // history interval, seconds
    uint16_t DeltaHist = 0;   // 1 after a read
    double DateTime = 0.0;
    double CoeffN = 0.0;
    double CoeffNN = 0.0;
    double PorogGeiger = 0.0;
    bool En1s = false;
    bool En2s = false;
    bool En4s = false;
    bool OnOffSign = false;
    bool Sound = false;
    bool Vibr = false;
    bool EnPorog = false;
    bool AutoCalibr = false;
    uint8_t TIzmN = 0;
    uint8_t ModelCode = 0; // 1 for qz5520k, 2 otherwise; set by the write job
};

} // namespace qz
