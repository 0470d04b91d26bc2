#pragma once

#include <QString>
#include <QStringList>

namespace qz {

// Which announced name of the devices in range identifies an instrument, and what it says.
struct DeviceNameMatch {
    // The entry the search stopped at; the list's size when it ran to its end.
    int index = 0;
    QString model;     // empty for pager-type instruments and unknown names
    int serial = -1;   // -1 when none or malformed
    QString pagerName; // the announced name of a pager-type instrument, unchanged

    // An instrument to connect to was found.
    bool found() const { return (!model.isEmpty() && serial != -1) || !pagerName.isEmpty(); }
};

// Searches the names in list order. A pager-type name ("qz_pager" in any case) is taken at
// once, its identity comes from the instrument. Other names are matched in lower case:
// names with "gn" against the gamma-neutron models (the first that matches wins, so
// qz5520gno reads as QZ5520GN), all others against the remaining models (the last that
// matches wins, so qz5520mo reads as 5520MO). The serial follows "#" for gamma-neutron
// names, "n:" (else "#") for the others; a model name without a separator is passed over,
// but the first name whose serial is not a number ends the search with serial -1.
DeviceNameMatch matchDeviceNames(const QStringList& names);

} // namespace qz
