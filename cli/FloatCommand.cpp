// qz55xx-cli float decode D0 D1 D2 D3 | float encode X
#include "cli/Commands.h"
#include "tray/link/DeviceValues.h"

#include <cmath>
#include <cstdio>

namespace qz::cli {

namespace {

bool parseHexByte(const QString& text, uint8_t& byte)
{
    if (text.isEmpty() || text.size() > 2)
        return false;
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok)
        return false;
    byte = static_cast<uint8_t>(value);
    return true;
}

int runFloat(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const QString sub = args.value(0);
    if (sub == QLatin1String("decode")) {
        DeviceFloatBytes b{};
        if (args.size() != 5) {
            err << "float decode: expected four hex bytes, e.g. 16 88 00 00\n";
            return ExitBadArguments;
        }
        for (int i = 0; i < 4; ++i) {
            if (!parseHexByte(args[i + 1], b[size_t(i)])) {
                err << "float decode: \"" << args[i + 1] << "\" is not a hex byte\n";
                return ExitBadArguments;
            }
        }
        char text[64];
        std::snprintf(text, sizeof text, "%.17g", decodeDeviceFloat(b));
        out << text << "\n";
        return ExitOk;
    }
    if (sub == QLatin1String("encode")) {
        bool ok = false;
        const double x = args.size() == 2 ? args[1].toDouble(&ok) : 0.0;
        if (!ok || !std::isfinite(x)) {
            err << "float encode: expected one finite number, e.g. 300 or -1.5e-7\n";
            return ExitBadArguments;
        }
        const DeviceFloatBytes b = encodeDeviceFloat(x);
        char text[16];
        std::snprintf(text, sizeof text, "%02X %02X %02X %02X", b[0], b[1], b[2], b[3]);
        out << text << "\n";
        return ExitOk;
    }
    err << "float: expected \"decode D0 D1 D2 D3\" or \"encode X\"\n";
    return ExitBadArguments;
}

const CommandRegistration registration({"float",
                                        "float decode D0 D1 D2 D3   (hex bytes of a device float)\n"
                                        "  qz55xx-cli float encode X",
                                        &runFloat});

} // namespace
} // namespace qz::cli
