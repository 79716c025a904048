#include "shared/FieldValues.h"

#include <QLocale>

#include <cfloat>
#include <climits>
#include <cmath>

namespace FieldValues {

Kind kindOf(const QString &t)
{
    if (t == QLatin1String("int"))
        return Kind::Int;
    if (t == QLatin1String("float"))
        return Kind::Float;
    if (t == QLatin1String("date"))
        return Kind::Date;
    if (t == QLatin1String("string"))
        return Kind::String;
    if (t == QLatin1String("counter"))
        return Kind::Counter;
    return Kind::Other;
}

Rule::Rule(const QString &fieldType, const QString &fmt, bool usable, double low, double high)
    : FieldType(fieldType)
    , Format(fmt)
    , Min(float(low))
    , Max(float(high))
    , kind(kindOf(fieldType))
{
    takeFormat(usable);
}

void Rule::takeFormat(bool usable)
{
    formatUsable = usable;
    format = ValueFormat(usable ? Format : QString(), isInt());
}

QVariant fromText(const Rule &r, const QString &text)
{
    if (r.kind == Kind::Date) {
        qint64 seconds = 0;
        return ValueFormat::readDate(r.usableFormat(), text, &seconds) ? QVariant(seconds) : QVariant(text);
    }
    if (!r.isNumber())
        return text;
    double value = 0;
    if (r.formatted() && r.format.readTyped(text, &value))
        return value;
    // A decimal number from a server or a script, whatever the field's base.
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok ? QVariant(value) : QVariant(text);
}

namespace {

// A number as a script prints it: fixed notation, as few digits as read
// back as the number, exponents only where scripts use them too.
QString scriptNumber(double n)
{
    const double size = std::fabs(n);
    const bool fixed = size == 0 || (size >= 1e-7 && size < 1e21);
    return QString::number(n, fixed ? 'f' : 'g', QLocale::FloatingPointShortest);
}

// A single-precision value (an IEEE field read from a tag) as the fewest
// digits that give it back, not the digits of its double.
double shortestFloat(float f)
{
    for (int digits = 1; digits < 9; ++digits) {
        const double d = QString::number(double(f), 'g', digits).toDouble();
        if (float(d) == f)
            return d;
    }
    return double(f);
}

} // namespace

QVariant scriptInput(const Rule &r, bool line, const QVariant &held)
{
    if (!line || !r.isNumber())
        return held;
    if (held.userType() == QMetaType::Float)
        return scriptNumber(shortestFloat(held.toFloat()));
    const QVariant value = held.type() == QVariant::String ? fromText(r, held.toString()) : held;
    if (value.type() == QVariant::String || !value.canConvert<double>())
        return held;
    return scriptNumber(value.toDouble());
}

QVariant scriptValue(const Rule &r, bool line, const QString &text)
{
    if (!line)
        return text;
    if (r.isNumber()) {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        if (ok)
            return value;
    }
    return fromText(r, text);
}

QString shownInt(const Rule &r, double n)
{
    if (std::isfinite(n) && (std::trunc(n) > INT_MAX || std::trunc(n) < INT_MIN))
        return QString::number(std::trunc(n), 'f', 0);
    const int v = ValueFormat::clampedInt(n);
    if (r.formatted() && r.format.shows(v))
        return r.format.print(v);
    return r.formatted() ? QString::number(v) : QString();
}

QString intText(const Rule &r, double n)
{
    const QString shown = shownInt(r, n);
    return shown.isEmpty() ? QString::number(ValueFormat::clampedInt(n)) : shown;
}

void intBounds(const Rule &r, int *low, int *high)
{
    const bool limited = bounded(r.Min, r.Max);
    *low = limited ? ValueFormat::clampedInt(r.Min) : INT_MIN;
    *high = limited ? ValueFormat::clampedInt(r.Max) : INT_MAX;
    if (!r.formatted())
        return;
    *low = qMax(*low, ValueFormat::clampedInt(r.format.lowest()));
    *high = qMin(*high, ValueFormat::clampedInt(r.format.highest()));
}

namespace {

// A bound or value of an int field as its bounds line shows it.
QString boundText(const Rule &r, double k)
{
    const bool codes = r.formatted() && r.format.conversion == QLatin1Char('c');
    const QString t = codes ? QString() : shownInt(r, k);
    return t.isEmpty() ? QString::number(k, 'f', 0) : t;
}

} // namespace

QString intBoundsText(const Rule &r)
{
    int low = 0, high = 0;
    intBounds(r, &low, &high);
    return QLatin1Char('[') + boundText(r, low) + QLatin1Char(',') + boundText(r, high) + QLatin1Char(']');
}

QString intBoundsLine(const Rule &r, const QString &label, double value)
{
    const double v = std::isnan(value) ? 0.0 : std::trunc(value);
    int low = 0, high = 0;
    intBounds(r, &low, &high);
    if (v >= low && v <= high)
        return QString();
    return label + QLatin1Char(' ') + boundText(r, v) + QLatin1Char(' ') + intBoundsText(r);
}

void floatBounds(const Rule &r, double unboundedFloor, double *low, double *high)
{
    const bool limited = bounded(r.Min, r.Max);
    *low = limited ? r.Min : unboundedFloor;
    *high = limited ? r.Max : DBL_MAX;
}

QString floatBoundsLine(const Rule &r, const QString &label, double value, const QString &valueText)
{
    if (!bounded(r.Min, r.Max) || (value >= r.Min && value <= r.Max))
        return QString();
    return label + QLatin1Char(' ') + valueText + QString::asprintf(" [%f,%f]", r.Min, r.Max);
}

QString lengthLine(const Rule &r, const QString &label, int n)
{
    if (!bounded(r.Min, r.Max) || (double(n) >= r.Min && double(n) <= r.Max))
        return QString();
    return label + QStringLiteral(" length ")
           + QString::asprintf("%d [min length %d,max lenght %d]", n, ValueFormat::clampedInt(r.Min),
                               ValueFormat::clampedInt(r.Max));
}

QString boundsLine(const Rule &r, const QString &label, double number, const QString &numberText,
                   const QString &text)
{
    switch (r.kind) {
    case Kind::Float:
        return floatBoundsLine(r, label, number, numberText);
    case Kind::Int:
        return intBoundsLine(r, label, number);
    case Kind::String:
        return lengthLine(r, label, int(text.size()));
    default:
        return QString();
    }
}

QString rangeText(const Rule &r)
{
    return QLatin1Char('[') + QString::number(r.Min, 'g', 6) + QLatin1Char(',') + QString::number(r.Max, 'g', 6)
           + QLatin1Char(']');
}

QString measureQuestion(const Rule &r, const QString &label, double value, const QString &outOfBounds,
                        const QString &overwrite)
{
    if (r.Min == 0 || r.Max == 0 || (value >= r.Min && value <= r.Max))
        return QString();
    return label + QLatin1Char(' ') + outOfBounds + QLatin1Char(' ') + rangeText(r) + QLatin1Char('\n') + overwrite;
}

} // namespace FieldValues
