#pragma once

#include "tray/history/HistoryEvent.h"

#include <QString>

#include <span>

namespace qz {

// Owner name of an instrument that is issued to nobody.
inline const QString kNobody = QStringLiteral("--");

// What the program knows of the instrument in front of it. Every discovery tick overwrites
// it; the history window, the database writer and the registration read it.
struct SessionState {
    int CurSerial = -1;            // serial number; -1 = none
    QString CurModel;              // model text, stored as the instrument's DeviceType
    QString CurPagerName;          // type name of a pager-type instrument (upper case), else empty
    QString CurUserName = kNobody; // holder's "Fam Im Otch", or "--"
    QString CurUnitsText;          // dose-rate unit: language line 44, 95 or 96
    double CurCoef = 0.0;          // count correction of the history read: 0 or 0.00024
    bool NewFirmware = false;      // the version text contains "#v."
    bool IsGNFamily = false;       // gamma-neutron instrument
    bool GNNewGen = false;         // new-generation gamma-neutron instrument
    bool MEDMode = false;          // thresholds are dose-equivalent-rate values

    // The history handed to the line threads: valid until the tick that read it has ended.
    std::span<const HistoryEvent> HistBuf;
    std::span<const HistoryEvent6610> HistBuf6610;
    int HistCount = 0;

    // The journal entry that keeps the history of the last erased instrument until the
    // window's lines are stored; empty when there is none.
    QString JournalEntry;
};

} // namespace qz
