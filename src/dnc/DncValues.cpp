#include "dnc/DncValues.h"

#include <QRegularExpression>
#include <QStringList>

#include <climits>
#include <cmath>
#include <ctime>

#include "dnc/DncLayout.h"
#include "shared/SharedStruct.h"

namespace {

int truncated(double v)
{
    if (!(v == v))
        return 0;
    if (v >= double(INT_MAX))
        return INT_MAX;
    if (v <= double(INT_MIN))
        return INT_MIN;
    return int(v);
}

QString dateText(const QString &fmt, qint64 seconds)
{
    const time_t t = time_t(seconds);
    char buf[100] = {0};
    if (fmt.isEmpty()) {
        // ctime's text, its line break included.
        if (!ctime_r(&t, buf))
            return QString();
        return QString::fromLocal8Bit(buf);
    }
    struct tm parts;
    if (!localtime_r(&t, &parts))
        return QString();
    const size_t n = strftime(buf, sizeof buf, fmt.toLocal8Bit().constData(), &parts);
    return QString::fromLocal8Bit(buf, int(n));
}

} // namespace

namespace DncValues {

QString format(const DatiDnc &f, const QVariant &value, bool isMM, bool asDate)
{
    // Formats were checked when the layout was read (DncLayout::isSafeFormat):
    // one conversion of the argument's kind.
    if (f.FieldType == QLatin1String("int")) {
        const int v = truncated(value.toDouble());
        if (f.Format.isEmpty())
            return QString::number(v);
        return QString::asprintf(f.Format.toUtf8().constData(), v);
    }
    if (f.FieldType == QLatin1String("float")) {
        if (f.Format.isEmpty())
            return MPrn(value.toFloat(), isMM);
        return QString::asprintf(f.Format.toUtf8().constData(), value.toDouble());
    }
    if (asDate && f.FieldType == QLatin1String("date"))
        return dateText(f.Format, value.toLongLong());
    return value.toString();
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
    if (!(f.Min == 0 && f.Max == 0)) {
        if (f.FieldType == QLatin1String("float")) {
            const float v = f.value.toFloat();
            if (v < f.Min || v > f.Max)
                out << f.Label + QLatin1Char(' ') + MPrn(v, isMM)
                           + QString::asprintf(" [%f,%f]", double(f.Min), double(f.Max));
        } else if (f.FieldType == QLatin1String("int")) {
            const int v = f.value.toInt();
            if (v < f.Min || v > f.Max)
                out << f.Label + QLatin1Char(' ')
                           + QString::asprintf("%d [%d,%d]", v, truncated(f.Min), truncated(f.Max));
        } else if (f.FieldType == QLatin1String("string")) {
            const int n = text.length();
            if (n < f.Min || n > f.Max)
                out << f.Label + QStringLiteral(" length ")
                           + QString::asprintf("%d [min length %d,max lenght %d]", n, truncated(f.Min),
                                               truncated(f.Max));
        }
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
