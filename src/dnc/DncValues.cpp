#include "dnc/DncValues.h"

#include <QRegularExpression>
#include <QStringList>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
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

QVariant textValue(const DatiDnc &f, const QVariant &stored)
{
    const bool isInt = f.FieldType == QLatin1String("int");
    if (f.Format.isEmpty() || (!isInt && f.FieldType != QLatin1String("float")) || !stored.isValid())
        return stored;
    // The Format (checked when the layout was read) turned into its scan
    // pattern: literal text kept, the one conversion without flags or sizes.
    QByteArray scan;
    char conversion = 0;
    const QByteArray format = f.Format.toUtf8();
    for (int i = 0; i < format.size(); ++i) {
        const char c = format.at(i);
        if (c != '%') {
            scan += c;
            continue;
        }
        if (i + 1 < format.size() && format.at(i + 1) == '%') {
            scan += "%%";
            ++i;
            continue;
        }
        while (++i < format.size() && std::strchr("-+ #0123456789.", format.at(i)))
            ;
        if (i >= format.size())
            return stored;
        conversion = format.at(i);
        if (conversion == 'c')
            scan += "%c";
        else if (!isInt)
            scan += "%lf";
        else
            scan += std::strchr("oxX", conversion) ? (conversion == 'o' ? "%o" : "%x") : "%d";
    }
    scan += " %n";
    const QByteArray text = stored.toString().toLatin1();
    int used = -1;
    double value = 0;
    if (conversion == 'c') {
        char ch = 0;
        if (std::sscanf(text.constData(), scan.constData(), &ch, &used) == 1)
            value = uchar(ch);
    } else if (!isInt) {
        if (std::sscanf(text.constData(), scan.constData(), &value, &used) != 1)
            used = -1;
    } else if (std::strchr("oxX", conversion)) {
        unsigned int u = 0;
        if (std::sscanf(text.constData(), scan.constData(), &u, &used) == 1)
            value = int(u);
    } else {
        int n = 0;
        if (std::sscanf(text.constData(), scan.constData(), &n, &used) == 1)
            value = n;
    }
    return used == text.size() ? QVariant(value) : stored;
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
            const float v = textValue(f, f.value).toFloat();
            if (v < f.Min || v > f.Max)
                out << f.Label + QLatin1Char(' ') + MPrn(v, isMM)
                           + QString::asprintf(" [%f,%f]", double(f.Min), double(f.Max));
        } else if (f.FieldType == QLatin1String("int")) {
            const int v = truncated(textValue(f, f.value).toDouble());
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
