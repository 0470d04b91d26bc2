#pragma once

#include "sim/SimulatedLink.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <ostream>
#include <vector>

namespace qz::sim::test {

// "A0 00 03" -> bytes.
inline QByteArray hexBytes(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline std::string hexText(const QByteArray& bytes)
{
    return bytes.toHex(' ').toUpper().toStdString();
}

// One request through the link as the program's primitives send it; no value: transfer
// false.
inline std::optional<QByteArray> exchange(SimulatedLink& link, const QByteArray& request,
                                          int capacity = 20, int expected = 8)
{
    std::vector<uint8_t> buffer(size_t(std::max<qsizetype>(capacity, request.size())), 0);
    std::copy(request.begin(), request.end(), buffer.begin());
    int32_t length = expected;
    if (!link.TransDataIrDAEx(buffer.data(), capacity, int32_t(request.size()), length))
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), length);
}

// A link with one instrument, initialised and connected to it.
inline SimInstrument& connectTo(SimulatedLink& link, SimInstrument instrument)
{
    SimInstrument& added = link.addInstrument(std::move(instrument));
    QStringList names;
    link.InitIrDAEx();
    link.FindDeviceEx(names);
    link.ConnectDevIrDAEx(int32_t(names.indexOf(added.announcedName)));
    return added;
}

} // namespace qz::sim::test
