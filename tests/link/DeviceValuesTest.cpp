#include "tray/link/DeviceValues.h"
#include "common/platform/Rounding.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qz;

namespace {

struct FloatCase {
    DeviceFloatBytes bytes;
    double value;
};

// Pairs that hold both ways: the bytes decode to the value and the value encodes to them.
const FloatCase kExact[] = {
    {{0x40, 0x80, 0x00, 0x00}, 1.5},
    {{0xA0, 0x83, 0x00, 0x00}, -10.0},
    {{0x40, 0x7F, 0x00, 0x00}, 0.75},
    {{0x16, 0x88, 0x00, 0x00}, 300.0},
    {{0x00, 0x00, 0x00, 0x00}, 0.0},
    {{0x00, 0x80, 0x00, 0x00}, 1.0},
    {{0x00, 0x81, 0x00, 0x00}, 2.0},
    {{0x00, 0x7F, 0x00, 0x00}, 0.5},
    {{0x01, 0x80, 0x80, 0x00}, 1.0 + 1.0 / 128 + 1.0 / (1 << 16)},
    {{0x7F, 0x80, 0xFF, 0xFF}, 2.0 - std::ldexp(1.0, -23)},
};

} // namespace

TEST(DeviceFloat, DecodesAndEncodesKnownValues)
{
    for (const auto& c : kExact) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(decodeDeviceFloat(c.bytes), c.value);
        EXPECT_EQ(encodeDeviceFloat(c.value), c.bytes);
    }
}

TEST(DeviceFloat, ExponentByteZeroMeansNoScaling)
{
    EXPECT_EQ(decodeDeviceFloat(0x00, 0x00, 0x00, 0x01), 1.0 + 1.0 / (128.0 * 256.0));
    EXPECT_EQ(decodeDeviceFloat(0x40, 0x00, 0x00, 0x00), 1.5);
}

TEST(DeviceFloat, EncoderTruncatesTheMantissa)
{
    // 0.1 has no finite binary form: truncation leaves every dropped bit out, so the
    // decoded value lies just below 0.1, within one unit of the 23rd mantissa bit.
    const double back = decodeDeviceFloat(encodeDeviceFloat(0.1));
    EXPECT_LT(back, 0.1);
    EXPECT_GT(back, 0.1 - std::ldexp(0.1, -23));
    // A value that sits exactly on a mantissa weight stops there (1 + 2^-23).
    EXPECT_EQ(encodeDeviceFloat(1.0 + std::ldexp(1.0, -23)), (DeviceFloatBytes{0, 0x80, 1, 0}));
    // Below the last weight: dropped, not rounded up.
    EXPECT_EQ(encodeDeviceFloat(1.0 + std::ldexp(1.0, -24) * 1.9),
              (DeviceFloatBytes{0, 0x80, 0, 0}));
}

TEST(DeviceFloat, OutOfRangeMagnitudes)
{
    EXPECT_EQ(encodeDeviceFloat(std::ldexp(1.0, -127)), (DeviceFloatBytes{0, 1, 0, 0}));
    EXPECT_EQ(encodeDeviceFloat(std::ldexp(1.0, -128)), (DeviceFloatBytes{0, 0, 0, 0}));
    EXPECT_EQ(encodeDeviceFloat(std::ldexp(1.0, 127)), (DeviceFloatBytes{0, 0xFF, 0, 0}));
    EXPECT_EQ(encodeDeviceFloat(-std::ldexp(1.0, 130)), (DeviceFloatBytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(encodeDeviceFloat(std::nan("")), (DeviceFloatBytes{0, 0, 0, 0}));
}

TEST(DeviceTime, CountsFromTheEpoch)
{
    EXPECT_EQ(minutesCountToDateTime(0), 36161.0);
    EXPECT_EQ(minutesCountToDateTime(1441), 36162.0 + 1.0 / 1440);
    EXPECT_EQ(minutesCountToDateTime(0xFF000000u | 5u), 36161.0 + 5.0 / 1440); // d3 ignored
    EXPECT_EQ(secondsCountToDateTime(86400), 36162.0);
    EXPECT_EQ(dateTimeToMinutesCount(36162.0 + 1.0 / 1440), 1441u);
    EXPECT_EQ(dateTimeToSecondsCount(36162.5), 86400 + 43200);
    // A count a hair below a whole minute is that minute, not the one before.
    EXPECT_EQ(dateTimeToMinutesCount(36161.0 + 10.0 / 1440 - 1e-9), 10u);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    const std::pair<double, double> cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},   {-0.5, 0},
                                               {-1.5, -2}, {2.4999, 2}, {2.5001, 3}};
    for (auto [x, expected] : cases)
        EXPECT_EQ(roundHalfEven(x), expected) << x;
}
