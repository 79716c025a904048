#include "shared/ValueFormat.h"

#include <QByteArray>

#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>

namespace {

bool printable(int code)
{
    return (code >= 32 && code < 127) || (code >= 160 && code <= 255);
}

// ctime's text ("Tue Nov 14 22:13:20 2023"): its names are the C library's
// own whatever the locale.
bool readCtime(const QByteArray &text, struct tm *t)
{
    char day[4] = {0}, month[4] = {0};
    int consumed = 0;
    if (std::sscanf(text.constData(), "%3s %3s %d %d:%d:%d %d%n", day, month, &t->tm_mday, &t->tm_hour, &t->tm_min,
                    &t->tm_sec, &t->tm_year, &consumed)
            != 7
        || !text.mid(consumed).trimmed().isEmpty())
        return false;
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const char *m = std::strstr(months, month);
    if (!m || std::strlen(month) != 3 || (m - months) % 3 != 0)
        return false;
    t->tm_mon = int(m - months) / 3;
    t->tm_year -= 1900;
    return true;
}

} // namespace

ValueFormat::ValueFormat(const QString &fmt, bool isInteger)
    : format(fmt)
    , integer(isInteger)
{
    QString *literal = &before;
    for (int i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt.at(i);
        if (c != QLatin1Char('%')) {
            *literal += c;
            continue;
        }
        if (i + 1 < fmt.size() && fmt.at(i + 1) == QLatin1Char('%')) {
            *literal += c;
            ++i;
            continue;
        }
        if (!conversion.isNull()) {
            conversion = QChar(); // a second conversion: not a Format of one number
            return;
        }
        ++i;
        while (i < fmt.size() && QStringLiteral("-+ #0").contains(fmt.at(i)))
            leftJustified = leftJustified || fmt.at(i++) == QLatin1Char('-');
        while (i < fmt.size() && fmt.at(i).isDigit() && width < 1000)
            width = width * 10 + fmt.at(i++).digitValue();
        if (i < fmt.size() && fmt.at(i) == QLatin1Char('.'))
            for (precision = 0, ++i; i < fmt.size() && fmt.at(i).isDigit() && precision < 1000;)
                precision = precision * 10 + fmt.at(i++).digitValue();
        lengthModifier = !integer && i < fmt.size() && fmt.at(i) == QLatin1Char('l');
        if (lengthModifier)
            ++i;
        if (i >= fmt.size()) {
            conversion = QChar();
            return;
        }
        conversion = fmt.at(i);
        literal = &after;
    }
}

int ValueFormat::clampedInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= double(INT_MAX))
        return INT_MAX;
    if (v <= double(INT_MIN))
        return INT_MIN;
    return int(v);
}

const ValueFormat::Conversions ValueFormat::dncField = {"dioxXuc", "feEgG", false, 999, 99};
const ValueFormat::Conversions ValueFormat::tagField = {"diouxX", "fFeEgGaA", true, INT_MAX, INT_MAX};
const ValueFormat::Conversions ValueFormat::tagText = {"diouxX", "fFeEgG", true, INT_MAX, INT_MAX};

bool ValueFormat::takenBy(const Conversions &set) const
{
    return isValid() && QString::fromLatin1(integer ? set.integer : set.floating).contains(conversion)
           && (!lengthModifier || set.longFloat) && width <= set.maxWidth && precision <= set.maxPrecision;
}

int ValueFormat::base() const
{
    if (!integer || conversion == QLatin1Char('c'))
        return 10;
    if (conversion == QLatin1Char('o'))
        return 8;
    return conversion == QLatin1Char('x') || conversion == QLatin1Char('X') ? 16 : 10;
}

QString ValueFormat::print(double value) const
{
    const QByteArray f = format.toUtf8();
    if (integer)
        return QString::asprintf(f.constData(), clampedInt(value));
    return QString::asprintf(f.constData(), value);
}

bool ValueFormat::shows(double value) const
{
    if (conversion != QLatin1Char('c'))
        return true;
    return value == std::trunc(value) && printable(int(value));
}

bool ValueFormat::keeps(double value) const
{
    double back = 0;
    return shows(value) && read(print(value), &back) && back == value;
}

double ValueFormat::lowest() const
{
    return conversion == QLatin1Char('c') ? 32 : integer ? double(INT_MIN) : -HUGE_VAL;
}

double ValueFormat::highest() const
{
    return conversion == QLatin1Char('c') ? 255 : integer ? double(INT_MAX) : HUGE_VAL;
}

bool ValueFormat::readNumber(const QString &middle, bool bare, double *value) const
{
    bool ok = false;
    if (conversion == QLatin1Char('c') && !bare) {
        // One character, padded with blanks to the width.
        const int n = qMax(width, 1);
        if (middle.size() != n)
            return false;
        const QChar c = leftJustified ? middle.at(0) : middle.at(n - 1);
        const QString pad = leftJustified ? middle.mid(1) : middle.left(n - 1);
        if (c.unicode() > 255 || !pad.trimmed().isEmpty())
            return false;
        *value = c.unicode();
        return true;
    }
    QString number = middle.trimmed();
    if (number.isEmpty())
        return false;
    if (!integer) {
        *value = number.toDouble(&ok);
        return ok;
    }
    const int b = base();
    if (b == 16 && (number.startsWith(QLatin1String("0x")) || number.startsWith(QLatin1String("0X"))))
        number = number.mid(2);
    // Other bases and %u print the int's bits unsigned: read them back so.
    if (b != 10 || conversion == QLatin1Char('u'))
        *value = int(number.toUInt(&ok, b));
    else
        *value = number.toInt(&ok, 10);
    return ok;
}

bool ValueFormat::read(const QString &text, double *value) const
{
    if (!isValid())
        return false;
    // A Latin-1 store gives a character of the Format's text outside it back
    // as "?": both sides are compared in that form too.
    const auto latin1 = [](const QString &t) { return QString::fromLatin1(t.toLatin1()); };
    for (const bool asLatin1 : {false, true}) {
        const QString head = asLatin1 ? latin1(before) : before;
        const QString tail = asLatin1 ? latin1(after) : after;
        const QString t = asLatin1 ? latin1(text) : text;
        if (t.size() >= head.size() + tail.size() && t.startsWith(head) && t.endsWith(tail))
            return readNumber(t.mid(head.size(), t.size() - head.size() - tail.size()), false, value);
    }
    return false;
}

bool ValueFormat::readTyped(const QString &text, double *value) const
{
    return read(text, value) || readNumber(text, true, value);
}

QString ValueFormat::printDate(const QString &fmt, qint64 seconds)
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

bool ValueFormat::readDate(const QString &fmt, const QString &text, qint64 *seconds)
{
    const QByteArray bytes = text.toLocal8Bit();
    struct tm t;
    std::memset(&t, 0, sizeof t);
    bool ok = false;
    if (fmt.isEmpty()) {
        ok = readCtime(bytes, &t);
    } else {
        const char *end = strptime(bytes.constData(), fmt.toLocal8Bit().constData(), &t);
        ok = end && QByteArray(end).trimmed().isEmpty();
    }
    if (ok) {
        t.tm_isdst = -1;
        const time_t when = mktime(&t);
        if (when != time_t(-1) || t.tm_year == 69) {
            *seconds = qint64(when);
            return true;
        }
    }
    // A count of seconds, as a date is typed or kept.
    bool isNumber = false;
    const qint64 n = text.trimmed().toLongLong(&isNumber);
    if (isNumber)
        *seconds = n;
    return isNumber;
}

bool ValueFormat::isDateFormat(const QString &fmt)
{
    const QString known = QStringLiteral("aAbBcCdDeFgGhHIjmMnprRStTuUVwWxXyYzZ%");
    for (int i = 0; i < fmt.size(); ++i) {
        if (fmt.at(i) != QLatin1Char('%'))
            continue;
        if (++i >= fmt.size())
            return false;
        if (fmt.at(i) == QLatin1Char('E') || fmt.at(i) == QLatin1Char('O'))
            if (++i >= fmt.size())
                return false;
        if (!known.contains(fmt.at(i)))
            return false;
    }
    return true;
}
