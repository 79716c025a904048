#pragma once

#include <QString>
#include <QVariant>

#include "shared/ValueFormat.h"

// The value rules of a layout field that the DNC panel and the tag editor
// share: its FieldType parsed into a kind, its display Format read once with
// the layout, and its Min and Max. Core code: the editors' widgets are made
// in FieldEditors.
namespace FieldValues {

// What a field's FieldType text stands for. Other: absent, or a text no
// rule knows (the field is a text without length bounds).
enum class Kind { Other, Int, Float, Date, String, Counter };

// The kind a layout's FieldType text names, letter case as it stands.
Kind kindOf(const QString &fieldType);

// The layout keys FieldType, Format, Min and Max of a field, kept once, and
// what the layout reader made of them.
struct Rule
{
    // format: the field's Format; usable: the layout reader found it one
    // conversion of the argument's kind (else the field has no Format).
    Rule(const QString &fieldType, const QString &format, bool usable, double min, double max);
    Rule() = default;

    // Takes Format as the reader judged it for the kind: usable, or none.
    void takeFormat(bool usable);

    bool isInt() const { return kind == Kind::Int; }
    bool isNumber() const { return isInt() || kind == Kind::Float; }
    // A number field shown through its Format.
    bool formatted() const { return isNumber() && format.isValid(); }
    // The Format the rules use: empty when the reader found it unusable.
    QString usableFormat() const { return formatUsable ? Format : QString(); }

    // The layout's texts and numbers as read.
    QString FieldType;
    QString Format;
    float Min = 0;
    float Max = 0;

    // Parsed with the layout: FieldType's kind and the usable Format.
    Kind kind = Kind::Other;
    bool formatUsable = false;
    ValueFormat format{QString(), false};
};

// Min and Max both 0: the field has no bounds.
inline bool bounded(double min, double max)
{
    return !(min == 0 && max == 0);
}

// The value a text stands for: for number fields the number the Format's
// text or the bare number in its base reads as, else a plain decimal number
// (a server's or a script's); for "date" fields the seconds; other fields,
// and texts that read as nothing, as they are.
QVariant fromText(const Rule &rule, const QString &text);

// A field's value on its way into and out of a script, one rule for both
// editors. line: the field is edited as a line of text; a list's item key
// and a bit group's mask go in and come out as they are.
//
// What a script is handed: a number field's value (held: a number, or a
// text read as fromText reads it) as a plain decimal number text, whatever
// its Format shows ("200" for "c8" under %x, "7" for "T007"), so that the
// script computes on the number itself; a text that reads as no number and
// the values of other kinds as they are.
QVariant scriptInput(const Rule &rule, bool line, const QVariant &held);

// The value a script's answer stands for: for a number field a decimal
// number, and only a text that is none through the Format as a typed text
// is ("ff" under %x is 255), so that a value passed through comes back as
// itself and a computed one as the number it is; other kinds as fromText.
QVariant scriptValue(const Rule &rule, bool line, const QString &text);

// A number as an int field shows it through its Format; the bare number
// where the Format cannot show it or the int range cannot hold it (so that
// it is refused as shown). Empty for a field without Format.
QString shownInt(const Rule &rule, double value);

// The text an int field shows for a number put into it (a measure, a
// server's or a store's number): shownInt, or without Format the number
// truncated toward zero. What is written or sent is this text.
QString intText(const Rule &rule, double value);

// Bounds of an int field: Min and Max truncated toward zero within the int
// range (the whole range without bounds), narrowed to what its Format shows.
void intBounds(const Rule &rule, int *low, int *high);

// The bounds of an int field (intBounds) as "[low,high]" in the Format's
// base (character codes as numbers), so that they compare with what the
// editor shows.
QString intBoundsText(const Rule &rule);

// The failure line of an int value outside its bounds: the label, the
// value and intBoundsText, the value in the Format's base too; empty when
// it passes.
QString intBoundsLine(const Rule &rule, const QString &label, double value);

// Bounds of a float field: Min and Max, without bounds from
// unboundedFloor to the largest double.
void floatBounds(const Rule &rule, double unboundedFloor, double *low, double *high);

// The failure line of a float value outside Min and Max (valueText: the
// value as the editor prints numbers); empty when it passes or unbounded.
QString floatBoundsLine(const Rule &rule, const QString &label, double value, const QString &valueText);

// The failure line of a text whose length is outside Min and Max.
QString lengthLine(const Rule &rule, const QString &label, int length);

// The failure line of a field's value outside its bounds, by its kind: a
// float's number (numberText: as the editor prints it) and an int's as
// their bounds lines, a string's text by its length; other kinds have none.
QString boundsLine(const Rule &rule, const QString &label, double number, const QString &numberText,
                   const QString &text);

// Min and Max as "[Min,Max]", 6 significant digits each.
QString rangeText(const Rule &rule);

// The measure check has its own rule, not the one of the checks before a
// send or a write: a measured value is questioned only when Min and Max
// are both non-zero and it lies outside them. The question: the label, a
// blank, outOfBounds, " " and rangeText, a line break and overwrite (both
// phrases translated by the editor); empty when there is no question.
QString measureQuestion(const Rule &rule, const QString &label, double value, const QString &outOfBounds,
                        const QString &overwrite);

}
