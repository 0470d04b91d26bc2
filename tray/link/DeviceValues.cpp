#include "tray/link/DeviceValues.h"

#include "common/platform/Rounding.h"

#include <cmath>

namespace qz {

double decodeDeviceFloat(uint8_t d0, uint8_t d1, uint8_t d2, uint8_t d3)
{
    if (d0 == 0 && d1 == 0 && d2 == 0 && d3 == 0)
        return 0.0;
    const bool negative = (d0 & 0x80) != 0;
    const double mantissa =
        1.0 + (d0 & 0x7F) / 128.0 + d3 / (128.0 * 256.0) + d2 / (128.0 * 256.0 * 256.0);
    // Scaling by a power of two is exact, so ldexp gives what repeated doubling would.
    const int exponent = (d1 == 0) ? 0 : int(d1) - 128;
    const double value = std::ldexp(mantissa, exponent);
    return negative ? -value : value;
}

DeviceFloatBytes encodeDeviceFloat(double value)
{
    if (value == 0.0 || std::isnan(value))
        return {0, 0, 0, 0};
    const bool negative = value < 0;
    double x = std::fabs(value);
    const bool above1 = x > 1.0;
    int count = 0;
    while (x >= 2.0 && count <= 128) {
        x /= 2.0;
        ++count;
    }
    while (x < 1.0 && count <= 128) {
        x *= 2.0;
        ++count;
    }
    if (!above1 && count > 127) // below the smallest exponent byte 1
        return {0, 0, 0, 0};
    uint32_t m = 0;
    uint8_t exponent;
    if (above1 && count > 127) { // beyond the largest exponent byte 255
        exponent = 0xFF;
        m = 0x7FFFFF;
    } else {
        exponent = static_cast<uint8_t>(above1 ? 128 + count : 128 - count);
        double f = x - 1.0;
        double weight = 0.5;
        for (int bit = 22; bit >= 0; --bit, weight /= 2.0) {
            if (f > weight) {
                m |= 1u << bit;
                f -= weight;
            } else if (f == weight) {
                m |= 1u << bit;
                break;
            }
        }
    }
    DeviceFloatBytes b;
    b[0] = static_cast<uint8_t>(((m >> 16) & 0x7F) | (negative ? 0x80 : 0));
    b[1] = exponent;
    b[2] = static_cast<uint8_t>(m & 0xFF);
    b[3] = static_cast<uint8_t>((m >> 8) & 0xFF);
    return b;
}

double minutesCountToDateTime(uint32_t minutes)
{
    return kDeviceEpochDays + double(minutes & 0xFFFFFF) / 1440.0;
}

uint32_t dateTimeToMinutesCount(double dateTime)
{
    return static_cast<uint32_t>(roundHalfEvenToInt((dateTime - kDeviceEpochDays) * 1440.0));
}

double secondsCountToDateTime(int32_t seconds)
{
    return kDeviceEpochDays + double(seconds) / 86400.0;
}

int32_t dateTimeToSecondsCount(double dateTime)
{
    return static_cast<int32_t>(roundHalfEvenToInt((dateTime - kDeviceEpochDays) * 86400.0));
}

} // namespace qz
