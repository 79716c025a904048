#include "tooling/ToolTolerance.h"

#include <cmath>

namespace {
// The value in units of the last shown decimal, so that comparisons are exact.
long long inSteps(double value, double scale)
{
    return std::llround(value * scale);
}
}

bool hasTolerance(double plusTol, double minusTol)
{
    return plusTol != 0 || minusTol != 0;
}

bool isOutOfTolerance(double value, double nominal, double plusTol, double minusTol, int decimals)
{
    if (!hasTolerance(plusTol, minusTol))
        return false;
    const double scale = std::pow(10.0, decimals < 0 ? 0 : decimals);
    // The limits from the stored values, then rounded as the measure is.
    const long long v = inSteps(value, scale);
    return v > inSteps(nominal + plusTol, scale) || v < inSteps(nominal - minusTol, scale);
}
