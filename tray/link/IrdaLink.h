#pragma once

#include <QStringList>
#include <cstdint>

namespace qz {

// The infrared link: five entries, all answering with a plain boolean and never throwing.
// Every call comes from the user-interface thread, one at a time; the program holds at most
// one connection.
class IrdaLink {
public:
    virtual ~IrdaLink() = default;

    // Prepares the link. False means the link cannot be used; the caller reports it.
    virtual bool InitIrDAEx() = 0;

    // Replaces the contents of devList with the names announced by the devices in range,
    // one entry per device; the entry's index is the device's index for ConnectDevIrDAEx.
    // False or an empty list: nothing found this time.
    virtual bool FindDeviceEx(QStringList& devList) = 0;

    // Connects to the device at the given zero-based index of the last list.
    virtual bool ConnectDevIrDAEx(int32_t index) = 0;

    // Sends the first requestLength bytes of buffer as one request frame and puts the answer
    // frame at the start of the same buffer, never more than capacity bytes. On entry
    // answerLength holds the length the caller expects; on return the number of bytes
    // received. False: no usable answer (answerLength is then unspecified).
    virtual bool TransDataIrDAEx(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                                 int32_t& answerLength) = 0;

    // Releases the link.
    virtual void CloseIrDAEx() = 0;
};

} // namespace qz
