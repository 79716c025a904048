#pragma once

#include <QByteArray>
#include <QString>

struct s_machine;

// A position-line format of the settings file: printf style, taking the X
// and Z values (two floating conversions) and then five texts (X mode,
// Z mode, unit, radius/diameter marker, machine name). Such a format comes
// from a file anyone can edit, so it is checked before it ever reaches
// the formatting function.
class PositionFormat
{
public:
    // True when the format takes exactly two floating conversions followed by
    // five "%s"; flags, width, precision, "%%" and the "l" of "%lf" are
    // allowed, "*" widths, other length modifiers and every other conversion
    // are not.
    static bool isValid(const QByteArray &format);
    static bool isValid(const QString &format) { return isValid(format.toLatin1()); }

    // The format when it is valid, otherwise the fallback, after one line on
    // standard error that names the settings key.
    static QString checked(const QString &format, const QString &fallback, const QString &key);

    // The line, as 8-bit bytes exactly as formatted, with a decimal point
    // whatever the process locale. An invalid format gives an empty line.
    static QByteArray format(const QString &format, double x, double z, const QByteArray &xMode,
                             const QByteArray &zMode, const QByteArray &unit, const QByteArray &radius,
                             const QByteArray &name);

    // What a position line answers: a request, or a trigger character.
    enum class Occasion { Request, Trigger };
    // The machine's position line in the format of its unit, x and z
    // already in it; the texts are the X and Z modes ("I" incremental, "A"),
    // the unit ("M", "I"), the radius marker and the machine's name. The
    // marker is "R" or "D"; after a trigger "R " or "D ", but "D" in inches.
    static QByteArray line(const QString &fmtMM, const QString &fmtInch, double x, double z, const s_machine &machine,
                           Occasion occasion);

    // Widths and precisions above this are refused (they would only pad).
    static constexpr int kMaxField = 999;
};
