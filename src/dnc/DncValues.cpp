#include "dnc/DncValues.h"

#include <QRegularExpression>
#include <QStringList>

#include <climits>
#include <cmath>

#include "dnc/DncLayout.h"
#include "shared/SharedStruct.h"

namespace {

int truncated(double v)
{
    return ValueFormat::clampedInt(v);
}

bool isNumberField(const DatiDnc &f)
{
    return f.FieldType == QLatin1String("int") || f.FieldType == QLatin1String("float");
}

// The number a value stands for; no value and texts that are no number read as 0.
double number(const DatiDnc &f, const QVariant &value)
{
    const QVariant v = DncValues::textValue(f, value);
    return v.type() == QVariant::String ? 0.0 : v.toDouble();
}

} // namespace

namespace DncValues {

ValueFormat valueFormat(const DatiDnc &f)
{
    return ValueFormat(f.Format, f.FieldType == QLatin1String("int"));
}

QString format(const DatiDnc &f, const QVariant &value, bool isMM)
{
    // Formats were checked when the layout was read (DncLayout::isSafeFormat):
    // one conversion of the argument's kind.
    if (isNumberField(f)) {
        const bool isInt = f.FieldType == QLatin1String("int");
        const double n = number(f, value);
        // A number no int holds shows as itself, so that it is refused as
        // shown rather than sent as the int range's end.
        if (isInt && std::isfinite(n) && (std::trunc(n) > INT_MAX || std::trunc(n) < INT_MIN))
            return QString::number(std::trunc(n), 'f', 0);
        const ValueFormat fmt = valueFormat(f);
        if (!f.Format.isEmpty() && fmt.shows(isInt ? truncated(n) : n))
            return fmt.print(n);
        return isInt ? QString::number(truncated(n)) : MPrnExact(n, isMM);
    }
    if (f.FieldType == QLatin1String("date")) {
        const QVariant seconds = textValue(f, value);
        if (!value.isValid() || (value.type() == QVariant::String && value.toString().isEmpty()))
            return QString();
        if (seconds.type() == QVariant::String)
            return seconds.toString();
        return ValueFormat::printDate(f.Format, seconds.toLongLong());
    }
    return value.toString();
}

QVariant textValue(const DatiDnc &f, const QVariant &stored)
{
    if (stored.type() != QVariant::String)
        return stored;
    const QString text = stored.toString();
    if (f.FieldType == QLatin1String("date")) {
        qint64 seconds = 0;
        return ValueFormat::readDate(f.Format, text, &seconds) ? QVariant(seconds) : stored;
    }
    if (!isNumberField(f))
        return stored;
    double value = 0;
    if (!f.Format.isEmpty() && valueFormat(f).readTyped(text, &value))
        return value;
    // A decimal number from a server or a script, whatever the field's base.
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok ? QVariant(value) : stored;
}

QVariant scriptValue(const DatiDnc &f, const QString &text)
{
    double value = 0;
    if (isNumberField(f) && !f.Format.isEmpty())
        return valueFormat(f).readOutput(text, &value) ? QVariant(value) : QVariant(text);
    return textValue(f, text);
}

QVariant collected(const DatiDnc &f, const QString &text)
{
    if (f.Format.isEmpty() && f.FieldType != QLatin1String("date"))
        return text;
    if (!isNumberField(f) && f.FieldType != QLatin1String("date"))
        return text;
    const QVariant value = textValue(f, text);
    if (value.type() == QVariant::String)
        return text;
    return format(f, value, true);
}

void intBounds(const DatiDnc &f, int *low, int *high)
{
    const bool noBounds = f.Min == 0 && f.Max == 0;
    *low = noBounds ? INT_MIN : truncated(f.Min);
    *high = noBounds ? INT_MAX : truncated(f.Max);
    if (f.Format.isEmpty())
        return;
    const ValueFormat fmt = valueFormat(f);
    *low = qMax(*low, truncated(fmt.lowest()));
    *high = qMin(*high, truncated(fmt.highest()));
}

QVariant fromStore(const DatiDnc &f, const QVariant &stored)
{
    return textValue(f, stored.type() == QVariant::ByteArray ? QString::fromLatin1(stored.toByteArray()) : stored);
}

QByteArray storeBytes(const DatiDnc &f)
{
    return f.value.toString().toLatin1();
}

bool storable(const DatiDnc &f)
{
    const QString text = f.value.toString();
    return isNumberField(f) || QString::fromLatin1(text.toLatin1()) == text;
}

QString itemKey(const QString &itemText)
{
    const int p = itemText.indexOf(QLatin1String(" -"));
    return p < 0 ? itemText : itemText.left(p);
}

QStringList check(const DatiDnc &f, bool isMM)
{
    QStringList out;
    const QString text = f.value.toString();
    const bool bounded = !(f.Min == 0 && f.Max == 0);
    if (f.FieldType == QLatin1String("float")) {
        const double v = number(f, f.value);
        if (bounded && (v < f.Min || v > f.Max))
            out << f.Label + QLatin1Char(' ') + MPrnExact(v, isMM)
                       + QString::asprintf(" [%f,%f]", double(f.Min), double(f.Max));
    } else if (f.FieldType == QLatin1String("int")) {
        const double n = number(f, f.value);
        const double v = std::isnan(n) ? 0.0 : std::trunc(n);
        int low = 0, high = 0;
        intBounds(f, &low, &high);
        // The number and its bounds as the field shows numbers: in the
        // Format's base, so that they compare with what the editor shows;
        // character codes as numbers.
        const bool codes = valueFormat(f).conversion == QLatin1Char('c');
        const auto shown = [&](double k) { return codes ? QString::number(k, 'f', 0) : format(f, k, isMM); };
        if (v < low || v > high)
            out << f.Label + QLatin1Char(' ') + shown(v) + QStringLiteral(" [") + shown(low) + QLatin1Char(',')
                       + shown(high) + QLatin1Char(']');
    } else if (f.FieldType == QLatin1String("string") && bounded) {
        const int n = text.length();
        if (n < f.Min || n > f.Max)
            out << f.Label + QStringLiteral(" length ")
                       + QString::asprintf("%d [min length %d,max lenght %d]", n, truncated(f.Min),
                                           truncated(f.Max));
    }
    if (f.isList && text.isEmpty())
        out << f.Label + QStringLiteral(" value not in list");
    if (!f.RegExp.isEmpty()) {
        const QRegularExpression re(QRegularExpression::anchoredPattern(f.RegExp));
        if (!re.match(text).hasMatch())
            out << f.Label + QStringLiteral(" contains invalid chars [") + text + QLatin1Char(']');
    }
    return out;
}

} // namespace DncValues
