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

// Number part of a list item: the text before its first " -".
QString itemKey(const QString &itemText);

// Failure line of a field whose collected value is out of bounds, not in its
// list or not matching its RegExp; empty when the value passes.
QStringList check(const DatiDnc &field, bool isMM);

}
