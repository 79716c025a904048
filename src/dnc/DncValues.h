#pragma once

#include <QString>
#include <QVariant>

struct DatiDnc;

// The texts a DNC field's editor shows for a value, by the field's type and
// layout Format, and the value checks made before sending.
namespace DncValues {

// "int" and "float" through Format (or the built-in form), other types as
// their text; with asDate a "date" field shows the value as seconds since
// 1970 in local time. Independent of the process locale.
QString format(const DatiDnc &field, const QVariant &value, bool isMM, bool asDate);

// The number a number field's text stands for: the text read back through
// the field's Format, so that octal, hexadecimal or a unit beside the number
// give the number again (the store keeps the text). Other fields, and texts
// the Format does not match, as they are.
QVariant textValue(const DatiDnc &field, const QVariant &text);

// The base an "int" field's Format prints its number in: 8 for %o, 16 for
// %x and %X, 10 otherwise.
int integerBase(const DatiDnc &field);

// Number part of a list item: the text before its first " -".
QString itemKey(const QString &itemText);

// Failure line of a field whose collected value is out of bounds, not in its
// list or not matching its RegExp; empty when the value passes.
QStringList check(const DatiDnc &field, bool isMM);

}
