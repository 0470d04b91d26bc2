#pragma once

#include <array>
#include <cstdint>

namespace qz {

// The instruments' 4-byte floating-point format, bytes d0 d1 d2 d3:
//   d0 bit 7 sign, bits 6..0 mantissa bits 22..16; d1 exponent, bias 128;
//   d2 mantissa bits 7..0; d3 mantissa bits 15..8.
// value = sign * (1 + M / 2^23) * 2^(E - 128); four zero bytes are 0.0, and an exponent
// byte of 0 is read like 0x80 (no scaling), as the instruments' firmware does.
using DeviceFloatBytes = std::array<uint8_t, 4>;

double decodeDeviceFloat(uint8_t d0, uint8_t d1, uint8_t d2, uint8_t d3);
inline double decodeDeviceFloat(const DeviceFloatBytes& b)
{
    return decodeDeviceFloat(b[0], b[1], b[2], b[3]);
}

// Encodes with the mantissa truncated, not rounded, exactly as the instruments expect: a
// value written and read back may lose its lowest bits. Magnitudes below 2^-127 encode as
// zero, magnitudes of 2^128 and above as the largest representable value with their sign;
// NaN encodes as zero.
DeviceFloatBytes encodeDeviceFloat(double value);

// Time counts from 1999-01-01 00:00 local time. Host date-times are days since 1899-12-30
// with the time of day as the fraction; the epoch is day 36161.
constexpr double kDeviceEpochDays = 36161.0;

// Minutes count (M and GN families): 24 bits when read, 32 bits when written.
double minutesCountToDateTime(uint32_t minutes);
uint32_t dateTimeToMinutesCount(double dateTime);

// Seconds count (K family): 32 bits.
double secondsCountToDateTime(int32_t seconds);
int32_t dateTimeToSecondsCount(double dateTime);

} // namespace qz
