#pragma once

#include <QChar>
#include <QString>

// A layout's printf Format for one number (a DNC field's or a tag field's
// display Format, a tag's FORMATNUM pattern) and a "date" field's strftime
// Format, both ways: the text a value is shown as and the value a text stands
// for, so that a value shown, sent, stored or written reads back as itself.
// Independent of the process locale (dates use the local time).
class ValueFormat
{
public:
    // format: one conversion, as the layout readers check it (an "l" before
    // a floating conversion is taken as printf takes it). integer: the
    // argument is an int (int fields), else a double.
    ValueFormat(const QString &format, bool integer);

    bool isValid() const { return !conversion.isNull(); }
    QString print(double value) const;
    // The number the Format's own text stands for (blanks of a width around
    // the number allowed); false for any other text.
    bool read(const QString &text, double *value) const;
    // What an operator types or a script hands over: the Format's text, or
    // the bare number in the Format's base (a character code for %c).
    bool readTyped(const QString &text, double *value) const;
    // The values whose text reads back as them: %c shows the printable
    // Latin-1 characters only.
    bool shows(double value) const;
    // The Format's text of the value reads back as the value itself: no
    // digit of it is lost to the Format's precision or the int range.
    bool keeps(double value) const;
    double lowest() const;
    double highest() const;
    // The base of the number in the Format's text, for every reader of a
    // Format (editors, scripts, the tag's FORMATNUM text): 8 for %o, 16 for
    // %x and %X, else 10 (%a and %A print as %f here, in decimal).
    int base() const;
    // The Formats a layout reader takes: one conversion out of the reader's
    // set for the argument's kind, so that nothing reads or writes another
    // argument ("*", "%n", a second conversion, a length modifier other
    // than an "l" before a floating conversion where the set allows it).
    struct Conversions
    {
        const char *integer;
        const char *floating;
        bool longFloat; // "%lf" taken as "%f"
        int maxWidth;
        int maxPrecision;
    };
    // A DNC field's Format: %d %i %o %x %X %u %c, %f %e %E %g %G, no "l",
    // a width of at most three digits and a precision of at most two.
    static const Conversions dncField;
    // A tag field's display Format: %d %i %o %u %x %X, %f %F %e %E %g %G %a
    // %A, "%lf" as "%f".
    static const Conversions tagField;
    // A tag's FORMATNUM text: the display set without %a and %A, which C's
    // printf writes in hex and this one in decimal; the text on the tag
    // must mean one number to every program that reads it.
    static const Conversions tagText;
    bool takenBy(const Conversions &set) const;

    // A number as the int an int field holds: truncated toward zero,
    // beyond the int range its nearest bound, NaN 0.
    static int clampedInt(double v);

    // The text before and after the conversion (a "%%" as one "%").
    QString before;
    QString after;
    QChar conversion;
    int width = 0;
    int precision = -1;
    bool leftJustified = false;
    // An "l" stood before a floating conversion.
    bool lengthModifier = false;

    // A date (seconds since 1970) as strftime prints it on the local time
    // (the C library's ctime text for an empty Format).
    static QString printDate(const QString &format, qint64 seconds);
    // The seconds a date text stands for: read through the Format (what
    // printDate shows, to its resolution) or a bare count of seconds.
    static bool readDate(const QString &format, const QString &text, qint64 *seconds);
    // The "date" Formats a layout reader takes: every conversion one of the
    // standard strftime set (an E or O modifier before it allowed), nothing
    // cut off after a "%"; empty (the ctime text) too. Anything else would
    // leave strftime's output to the C library.
    static bool isDateFormat(const QString &format);

private:
    bool readNumber(const QString &middle, bool bare, double *value) const;

    QString format;
    bool integer;
};
