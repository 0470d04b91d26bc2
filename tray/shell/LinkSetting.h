#pragma once

#include "tray/link/IrdaLink.h"

#include <QString>

#include <memory>

namespace qz {

// The link named by the "Link" setting of section "Parameters":
//   empty            the link library "IrDA" in the program folder (IrDA.dll, libIrDA.so);
//   "simulator:PATH" the built-in simulated instruments of the scenario file PATH (relative
//                    to the program folder unless absolute);
//   "simulator:"     the simulated link with no instrument in range.
// A link that cannot be made (missing library, missing or malformed scenario, a setting of
// another form) is still returned: its InitIrDAEx fails, so the program reports it as it
// reports any link that cannot be initialised. *error then says why.
std::unique_ptr<IrdaLink> createLink(const QString& setting, const QString& programFolder,
                                     QString* error = nullptr);

// A link whose every entry fails.
class FailedLink final : public IrdaLink {
public:
    bool InitIrDAEx() override { return false; }
    bool FindDeviceEx(QStringList& devList) override
    {
        devList.clear();
        return false;
    }
    bool ConnectDevIrDAEx(int32_t) override { return false; }
    bool TransDataIrDAEx(uint8_t*, int32_t, int32_t, int32_t&) override { return false; }
    void CloseIrDAEx() override {}
};

} // namespace qz
