#pragma once

#include <QString>
#include <QStringRef>

// The post-processor's number reading and rounding. Number texts as the
// toolkit writes and reads them (QString::number with "f" and "g",
// QString::toFloat), done without its allocations for the values a tool
// table holds; anything else goes to the toolkit itself. Text in, text out,
// whatever the process locale.
namespace TarnNumbers {

// Truncates toward zero into 32 bits; false when the value does not fit.
bool truncToInt(double v, int *out);
// Digits after the text's first ".".
int decimalsOf(const QString &s);
// A number a mask formats, the float the masks were made for or every digit
// of a longer text (asWritten then).
double maskValue(const QString &text, bool *ok, bool *asWritten);
// A plain decimal text rounded to `decimals`, halves away from zero; empty
// for any other text.
QString roundedAsWritten(const QString &text, int decimals);
// QString::toFloat.
float readFloat(const QString &text, bool *ok);
// QString::number(double(v), 'f', decimals).
QString fixedText(float v, int decimals);
// QString::number(double(v), 'g', 6).
QString generalText(float v);
// An integer written in canonical base-10 form, within 32 bits.
bool canonicalInt(const QStringRef &text, int *value);

} // namespace TarnNumbers
