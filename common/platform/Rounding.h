#pragma once

#include <cmath>
#include <cstdint>

namespace qz {

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4), the
// rounding used everywhere a value is turned into an integer for the instrument or a text.
// Relies on the default floating-point rounding mode, which nothing in the program changes.
inline double roundHalfEven(double x)
{
    return std::nearbyint(x);
}

inline int64_t roundHalfEvenToInt(double x)
{
    return static_cast<int64_t>(std::nearbyint(x));
}

} // namespace qz
