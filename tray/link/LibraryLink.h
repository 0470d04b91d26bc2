#pragma once

#include "tray/link/IrdaLink.h"
#include "tray/link/irda_abi.h"

#include <QLibrary>
#include <QString>

namespace qz {

// The link through a link library of the C ABI in irda_abi.h, loaded at run time.
// A library that is missing or lacks one of the five functions makes every entry fail,
// InitIrDAEx included, so the program reports it as an unusable link.
class LibraryLink final : public IrdaLink {
public:
    // path: the library's file name without the platform's prefix and suffix, for example
    // "<program folder>/IrDA"; QLibrary adds them (IrDA.dll, libIrDA.so).
    explicit LibraryLink(const QString& path);
    ~LibraryLink() override;

    bool isLoaded() const { return m_init != nullptr; }
    QString errorString() const { return m_error; }

    bool InitIrDAEx() override;
    bool FindDeviceEx(QStringList& devList) override;
    bool ConnectDevIrDAEx(int32_t index) override;
    bool TransDataIrDAEx(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                         int32_t& answerLength) override;
    void CloseIrDAEx() override;

private:
    QLibrary m_library;
    QString m_error;
    InitIrDAExFn m_init = nullptr;
    FindDeviceExFn m_find = nullptr;
    ConnectDevIrDAExFn m_connect = nullptr;
    TransDataIrDAExFn m_trans = nullptr;
    CloseIrDAExFn m_close = nullptr;
};

} // namespace qz
