#pragma once

// The one tolerance rule of tool measures, used wherever a measure is judged
// against its nominal value (taking a measure, the table report).
//
// Whether a tool has a tolerance at all is decided on the stored tolerances,
// however few decimals are shown: 0.04 is a tolerance even where one decimal
// shows it as 0.0. Only the comparison is made at the decimals the operator
// sees, so a measure shown exactly on its limit is within tolerance.
bool hasTolerance(double plusTol, double minusTol);
bool isOutOfTolerance(double value, double nominal, double plusTol, double minusTol, int decimals);
