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

// A checked Format (one conversion) split into the text before its
// conversion, the conversion letter and the text after.
bool splitFormat(const QString &format, QString &before, QChar &conversion, QString &after)
{
    before.clear();
    after.clear();
    conversion = QChar();
    for (int i = 0; i < format.size(); ++i) {
        QString &literal = conversion.isNull() ? before : after;
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            literal += c;
        } else if (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('%')) {
            literal += c;
            ++i;
        } else {
            ++i;
            conversion = DncLayout::conversionAt(format, i);
            --i;
            if (conversion.isNull())
                return false;
        }
    }
    return !conversion.isNull();
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

int integerBase(const DatiDnc &f)
{
    QString before, after;
    QChar conversion;
    if (f.FieldType != QLatin1String("int") || !splitFormat(f.Format, before, conversion, after))
        return 10;
    if (conversion == QLatin1Char('o'))
        return 8;
    if (conversion == QLatin1Char('x') || conversion == QLatin1Char('X'))
        return 16;
    return 10;
}

QVariant textValue(const DatiDnc &f, const QVariant &stored)
{
    const bool isInt = f.FieldType == QLatin1String("int");
    if (f.Format.isEmpty() || (!isInt && f.FieldType != QLatin1String("float")) || !stored.isValid())
        return stored;
    // The Format (checked when the layout was read: one conversion) split into
    // the text before its conversion, the conversion letter and the text after.
    QString before, after;
    QChar conversion;
    if (!splitFormat(f.Format, before, conversion, after))
        return stored;
    // The dnc table keeps Latin-1: a character of the Format's text outside it
    // comes back as "?". Both sides are compared in that form, so that what
    // the table gives back reads as what was shown.
    const auto latin1 = [](const QString &t) { return QString::fromLatin1(t.toLatin1()); };
    before = latin1(before);
    after = latin1(after);
    const QString text = latin1(stored.toString());
    if (text.size() < before.size() + after.size() || !text.startsWith(before) || !text.endsWith(after))
        return stored;
    QString number = text.mid(before.size(), text.size() - before.size() - after.size());
    if (conversion == QLatin1Char('c'))
        return number.size() == 1 ? QVariant(double(uchar(number.at(0).toLatin1()))) : stored;
    // Widths pad with blanks; the number is read in its base, not the locale's.
    number = number.trimmed();
    bool ok = false;
    double value = 0;
    if (!isInt)
        value = number.toDouble(&ok);
    else if (conversion == QLatin1Char('o'))
        value = int(number.toUInt(&ok, 8));
    else if (conversion == QLatin1Char('x') || conversion == QLatin1Char('X'))
        value = int(number.toUInt(&ok, 16));
    else if (conversion == QLatin1Char('u'))
        value = int(number.toUInt(&ok, 10));
    else
        value = number.toInt(&ok, 10);
    return ok ? QVariant(value) : stored;
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
            // The number and its bounds as the field shows numbers: in the
            // Format's base, so that they compare with what the editor shows.
            const auto shown = [&](int n) { return format(f, n, isMM, false); };
            if (v < f.Min || v > f.Max)
                out << f.Label + QLatin1Char(' ') + shown(v) + QStringLiteral(" [") + shown(truncated(f.Min))
                           + QLatin1Char(',') + shown(truncated(f.Max)) + QLatin1Char(']');
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
