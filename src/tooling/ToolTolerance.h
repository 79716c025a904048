#pragma once

// The one tolerance rule of tool measures, used wherever a measure is judged
// against its nominal value (taking a measure, the table report).
//
// Every value is first rounded to the decimals the operator sees, so a
// measure shown exactly on its limit is within tolerance. Without any
// tolerance (both 0) nothing is out of tolerance.
bool isOutOfTolerance(double value, double nominal, double plusTol, double minusTol, int decimals);
