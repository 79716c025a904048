#pragma once

// What the tooling-table editor takes for a tool: the one set of limits that
// every other road into table `tools` (CSV import, the serial DNC import) is
// held to, so that no road stores a tool the editor would refuse.
namespace ToolLimits {
constexpr int kMinTool = 1;
constexpr int kMaxTool = 99999999;
// X, Z, corner radius and the nominal values, either sign.
constexpr double kLength = 1500;
constexpr double kAngleLow = -359.99;
constexpr double kAngleHigh = 360;
constexpr int kCodeLength = 40;
// Tolerances run from 0 to this, in the machine's unit.
constexpr double toleranceTop(bool mm)
{
    return mm ? 9.999 : 0.5;
}
} // namespace ToolLimits
