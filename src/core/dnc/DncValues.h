#pragma once

#include <QList>
#include <QSet>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include "shared/FieldValues.h"

struct DatiDnc;

// A DNC field's values and texts, by the field's type and layout Format, one
// way for every road into the field (typed, script, measure, server, store):
// the text shown for a value, the value a text stands for, and the value
// checks made before sending.
namespace DncValues {

// An int or a float through Format (or the built-in form), a date as its
// local time through Format, other kinds as their text. A value the Format
// cannot show is shown as its bare number. Independent of the process locale.
QString format(const DatiDnc &field, const QVariant &value, bool isMM);

// The value a text stands for: for number fields the number the Format's
// text (or a bare number) reads as, for "date" fields the seconds; other
// fields, and texts that read as nothing, as they are.
QVariant textValue(const DatiDnc &field, const QVariant &text);

// What a field's text goes out and is stored as: for number fields with a
// Format and for dates the text the Format prints of what it stands for, so
// that every send carries the same text; other texts as they are.
QVariant collected(const DatiDnc &field, const QString &text);

// The store keeps a field's value as the Latin-1 bytes of its text (numbers
// as their text): the value such bytes stand for, what is stored for the
// field's value, and whether that reads back as it (a number's text reads
// back through its Format even when a character of it is lost).
QVariant fromStore(const DatiDnc &field, const QVariant &stored);
QByteArray storeBytes(const DatiDnc &field);
bool storable(const DatiDnc &field);

// The tool's row of table "dnc" (default connection), where those bytes
// are kept. storeValues writes the values of the fields at the indexes
// `which` whose SqlTable is "dnc" in one statement, after adding the row
// when addRow holds, all or nothing. With none to write it writes nothing,
// not even the row. False with the store's error (an empty one when the
// store added no row), after an update refused a blank line and the
// statement.
bool storeValues(int idTool, const QList<DatiDnc> &fields, const QSet<int> &which, bool addRow, QString *error);
// What the panel reads of the same store: the names of table "dnc"'s
// columns (none without the table), whether the tool has no row there
// (false when that cannot be read), the tool's code, and the tool's rows of
// "dnc" and "tools" (empty records where there is none).
QSet<QString> storeColumns();
bool storeRowMissing(int idTool);
QString toolCode(int idTool);
QSqlRecord storeRow(int idTool);
QSqlRecord toolRow(int idTool);

// Number part of a list item: the text before its first " -".
QString itemKey(const QString &itemText);

// Failure line of a field whose collected value is out of bounds, not in its
// list or not matching its RegExp; empty when the value passes.
QStringList check(const DatiDnc &field, bool isMM);

}
