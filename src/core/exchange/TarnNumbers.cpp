#include "exchange/TarnNumbers.h"

#include <QtGlobal>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr quint64 kPow10[] = {1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL, 10000000ULL,
                              100000000ULL, 1000000000ULL};

// round(m * 2^e / 10^-s) or round(m * 2^e * 10^s), halves away from zero.
bool scaledRound(quint32 m, int e, int s, quint64 *out)
{
    using u128 = unsigned __int128;
    if (s > 9 || s < -9 || e > 40)
        return false;
    u128 num = m;
    u128 den = 1;
    if (s >= 0)
        num *= kPow10[s];
    else
        den = kPow10[-s];
    if (e >= 0)
        num <<= e;
    else if (-e < 100)
        den <<= -e;
    else
        return false;
    u128 q = num / den;
    const u128 r = num % den;
    if (r * 2 >= den)
        ++q;
    if (q > u128(~quint64(0)))
        return false;
    *out = quint64(q);
    return true;
}

void appendDigits(QString *out, quint64 v, int minDigits)
{
    char buf[24];
    int n = 0;
    do {
        buf[n++] = char('0' + v % 10);
        v /= 10;
    } while (v > 0);
    while (n < minDigits)
        buf[n++] = '0';
    while (n > 0)
        out->append(QLatin1Char(buf[--n]));
}
} // namespace

namespace TarnNumbers {

// Truncates toward zero into 32 bits; false when the value does not fit.
bool truncToInt(double v, int *out)
{
    if (!std::isfinite(v))
        return false;
    const double t = std::trunc(v);
    if (t < double(INT_MIN) || t > double(INT_MAX))
        return false;
    *out = int(t);
    return true;
}

int decimalsOf(const QString &s)
{
    const int dot = s.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return 0;
    int n = 0;
    for (int i = dot + 1; i < s.size() && s[i].isDigit(); ++i)
        ++n;
    return n;
}

// A number a mask formats: up to six significant digits the float the masks
// were made for; beyond them (a stored value's every digit) a double, and
// the text is rounded as written, so the file gets the digits it holds.
double maskValue(const QString &text, bool *ok, bool *asWritten)
{
    *asWritten = false;
    int first = -1;
    int last = -1;
    int digits = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isLetter())
            return readFloat(text, ok);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            if (c != QLatin1Char('0')) {
                if (first < 0)
                    first = digits;
                last = digits;
            }
            ++digits;
        }
    }
    if (first < 0 || last - first < 6)
        return readFloat(text, ok);
    const double d = text.toDouble(ok);
    *asWritten = *ok;
    return *ok ? d : 0;
}

// A plain decimal text (sign, digits, ".", digits) rounded to `decimals`,
// halves away from zero; empty for any other text.
QString roundedAsWritten(const QString &text, int decimals)
{
    QString t = text.trimmed();
    const bool minus = t.startsWith(QLatin1Char('-'));
    if (minus || t.startsWith(QLatin1Char('+')))
        t.remove(0, 1);
    const int dot = t.indexOf(QLatin1Char('.'));
    QString digits = dot < 0 ? t : t.left(dot);
    const QString fraction = (dot < 0 ? QString() : t.mid(dot + 1)).leftJustified(decimals + 1, QLatin1Char('0'));
    for (const QChar c : digits + fraction)
        if (!c.isDigit())
            return QString();
    digits += fraction.left(decimals);
    int i = digits.size() - 1;
    if (fraction[decimals] >= QLatin1Char('5')) {
        for (; i >= 0 && digits[i] == QLatin1Char('9'); --i)
            digits[i] = QLatin1Char('0');
        if (i >= 0)
            digits[i] = QChar(digits[i].unicode() + 1);
        else
            digits.prepend(QLatin1Char('1'));
    }
    QString integer = digits.left(digits.size() - decimals);
    while (integer.size() > 1 && integer[0] == QLatin1Char('0'))
        integer.remove(0, 1);
    if (integer.isEmpty())
        integer = QStringLiteral("0");
    return (minus ? QStringLiteral("-") : QString()) + integer
           + (decimals > 0 ? QLatin1Char('.') + digits.right(decimals) : QString());
}

// QString::toFloat.
float readFloat(const QString &text, bool *ok)
{
    const int n = text.size();
    if (n > 0 && n <= 24) {
        char buf[32];
        const QChar *p = text.constData();
        int i = 0;
        bool plain = true;
        bool dot = false;
        for (; i < n && plain; ++i) {
            const ushort c = p[i].unicode();
            if (c >= '0' && c <= '9')
                buf[i] = char(c);
            else if (c == '-' && i == 0)
                buf[i] = '-';
            else if (c == '.' && !dot && i > 0 && p[i - 1].isDigit())
                buf[i] = '.', dot = true;
            else
                plain = false;
        }
        // A sign or a separator must follow and precede digits.
        if (plain && p[n - 1] != QLatin1Char('-') && !(n == 1 && p[0] == QLatin1Char('.'))) {
            double d = 0;
            const auto r = std::from_chars(buf, buf + n, d);
            if (r.ec == std::errc() && r.ptr == buf + n) {
                // The toolkit's narrowing: beyond the float range or lost
                // to underflow is no number.
                if (std::fabs(d) > double(std::numeric_limits<float>::max()) || (d != 0 && float(d) == 0)) {
                    *ok = false;
                    return 0;
                }
                *ok = true;
                return float(d);
            }
        }
    }
    return text.toFloat(ok);
}


// QString::number(double(v), 'f', decimals).
QString fixedText(float v, int decimals)
{
    int e = 0;
    const float frac = std::frexp(std::fabs(v), &e);
    quint64 scaled = 0;
    if (std::isfinite(v) && std::fabs(v) < 2147483648.0f && decimals >= 0 && decimals <= 9
        && scaledRound(quint32(std::ldexp(frac, 24)), e - 24, decimals, &scaled)) {
        QString out;
        out.reserve(decimals + 12);
        if (v < 0)
            out.append(QLatin1Char('-'));
        appendDigits(&out, scaled / kPow10[decimals], 1);
        if (decimals > 0) {
            out.append(QLatin1Char('.'));
            appendDigits(&out, scaled % kPow10[decimals], decimals);
        }
        return out;
    }
    return QString::number(double(v), 'f', decimals);
}

// QString::number(double(v), 'g', 6).
QString generalText(float v)
{
    if (v == 0)
        return QStringLiteral("0");
    const float a = std::fabs(v);
    if (!std::isfinite(v) || a < 1e-4f || a >= 1e15f)
        return QString::number(double(v), 'g', 6);
    int e = 0;
    const quint32 m = quint32(std::ldexp(std::frexp(a, &e), 24));
    e -= 24;
    // Six significant digits: d = round(a * 10^s) in [10^5, 10^6).
    int x = int(std::floor(std::log10(double(a))));
    quint64 d = 0;
    for (int tries = 0; tries < 3; ++tries) {
        if (!scaledRound(m, e, 5 - x, &d))
            return QString::number(double(v), 'g', 6);
        if (d >= 1000000) {
            if (d == 1000000) {
                d = 100000;
                ++x;
                break;
            }
            ++x;
        } else if (d < 100000) {
            --x;
        } else {
            break;
        }
    }
    if (d < 100000 || d >= 1000000)
        return QString::number(double(v), 'g', 6);
    char digits[6];
    for (int i = 5; i >= 0; --i, d /= 10)
        digits[i] = char('0' + d % 10);
    int last = 5;
    while (last > 0 && digits[last] == '0')
        --last;
    QString out;
    out.reserve(16);
    if (v < 0)
        out.append(QLatin1Char('-'));
    if (x >= 6) {
        out.append(QLatin1Char(digits[0]));
        if (last > 0) {
            out.append(QLatin1Char('.'));
            for (int i = 1; i <= last; ++i)
                out.append(QLatin1Char(digits[i]));
        }
        out.append(QLatin1String("e+"));
        appendDigits(&out, quint64(x), 2);
    } else if (x >= 0) {
        for (int i = 0; i <= x; ++i)
            out.append(QLatin1Char(digits[i]));
        if (last > x) {
            out.append(QLatin1Char('.'));
            for (int i = x + 1; i <= last; ++i)
                out.append(QLatin1Char(digits[i]));
        }
    } else {
        out.append(QLatin1String("0."));
        for (int i = 0; i < -x - 1; ++i)
            out.append(QLatin1Char('0'));
        for (int i = 0; i <= last; ++i)
            out.append(QLatin1Char(digits[i]));
    }
    return out;
}

// An integer written in canonical base-10 form ("12", "-3"; not "012",
// "+3", "-0" or " 1"), within 32 bits.
bool canonicalInt(const QStringRef &text, int *value)
{
    const int n = text.size();
    const bool minus = n > 0 && text.at(0) == QLatin1Char('-');
    const int first = minus ? 1 : 0;
    if (n == first || n - first > 10)
        return false;
    if (text.at(first) == QLatin1Char('0') && (n - first > 1 || minus))
        return false;
    qint64 v = 0;
    for (int i = first; i < n; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (minus)
        v = -v;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    *value = int(v);
    return true;
}
} // namespace TarnNumbers
