#pragma once

#include <QString>

// Colour rules of the X and Z read-outs, by the first condition that holds:
// not referenced red, frozen image orange (white when the measuring line is
// rotated), no machine name or incremental mode yellow, auto-collimation
// green (only with an unrotated line), else white.
namespace AxisDisplay {

// All read-outs while the board does not answer: grey and struck through,
// whatever the rules below say, as their values are not live.
QString silentStyle();

struct LinearState
{
    bool referenced = false;
    bool frozen = false;
    float cameraAngle = 0;
    bool noMachineName = false;
    bool incremental = false;
    bool autocollimation = false;
};

QString linearStyle(const LinearState &s);

} // namespace AxisDisplay
