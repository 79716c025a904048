#include "tooling/ToolTolerance.h"

#include <cmath>

namespace {
// The value in units of the last shown decimal, so that comparisons are exact.
long long inSteps(double value, double scale)
{
    return std::llround(value * scale);
}
}

bool isOutOfTolerance(double value, double nominal, double plusTol, double minusTol, int decimals)
{
    const double scale = std::pow(10.0, decimals < 0 ? 0 : decimals);
    const long long plus = inSteps(plusTol, scale);
    const long long minus = inSteps(minusTol, scale);
    if (plus == 0 && minus == 0)
        return false;
    const long long v = inSteps(value, scale);
    const long long n = inSteps(nominal, scale);
    return v > n + plus || v < n - minus;
}
