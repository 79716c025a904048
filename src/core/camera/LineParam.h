#pragma once

#include <QMetaType>
#include <QVector>

#include <cmath>

// A slope this steep or steeper, of either sign, marks a vertical line whose
// column is q; the lines made here carry exactly this slope then.
constexpr float kColumnSlope = 500.0f;
inline bool isColumnSlope(double m) { return std::fabs(m) >= kColumnSlope; }
// The camera panel's horizontal lines carry exactly this slope: their row is q.
constexpr float kRowMark = 0.002f;

// A line y = m x + q in window pixels (a column when isColumnSlope(m), the
// row q when m is kRowMark).
// isReference marks the spindle axis (machine X 0) added when only one line
// was found: a column, or the row q (m 0) with swapped axes.
struct sLineParam {
    float m = 0;
    float q = 0;
    bool isReference = false;
};

Q_DECLARE_METATYPE(sLineParam)
Q_DECLARE_METATYPE(QVector<sLineParam>)

// Makes sLineParam and its vector usable in queued signals, under the names
// the signal signatures and older connections use.
void registerLineParamMetaTypes();
