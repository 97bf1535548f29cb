#pragma once
// Real powers and rounding as the animations compute them.

#include <cmath>
#include <cstdint>

namespace platform {

// base^exponent as exp(exponent * ln base), 0 for base 0.
inline double Power(double base, double exponent)
{
    return base == 0 ? 0.0 : std::exp(exponent * std::log(base));
}

// Nearest integer, halves to the even neighbour (the default rounding mode);
// out-of-range values saturate and NaN gives 0.
inline int32_t RoundEven(double value)
{
    const double r = std::nearbyint(value);
    if (!(r > -2147483648.0))
        return r <= -2147483648.0 ? INT32_MIN : 0;
    return r >= 2147483647.0 ? INT32_MAX : int32_t(r);
}

} // namespace platform
