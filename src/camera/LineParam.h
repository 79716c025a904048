#pragma once

#include <QMetaType>
#include <QVector>

// A found edge line y = m x + q in window pixels; |m| >= 500 marks a vertical
// line whose column is q. isReference marks the spindle axis (machine X 0)
// added when only one line was found: a column, or the row q (m 0) with
// swapped axes.
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
