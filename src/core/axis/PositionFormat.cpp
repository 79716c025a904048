#include "axis/PositionFormat.h"

#include "shared/SharedStruct.h"

#include <cstdio>
#include <cstring>
#include <locale.h>

namespace {
// The C library takes the decimal separator from the process locale; a
// line for a peer always has a point. The C locale is switched in for this
// thread only while the line is formatted.
class CNumericScope
{
public:
    CNumericScope()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        previous = c ? uselocale(c) : locale_t(nullptr);
    }
    ~CNumericScope()
    {
        if (previous)
            uselocale(previous);
    }
    CNumericScope(const CNumericScope &) = delete;
    CNumericScope &operator=(const CNumericScope &) = delete;

private:
    locale_t previous;
};

// Reads a width or precision; false when it is too large.
bool skipNumber(const QByteArray &f, int &i)
{
    int value = 0;
    while (i < f.size() && f.at(i) >= '0' && f.at(i) <= '9') {
        value = value * 10 + (f.at(i) - '0');
        if (value > PositionFormat::kMaxField)
            return false;
        ++i;
    }
    return true;
}
}

bool PositionFormat::isValid(const QByteArray &f)
{
    if (f.contains('\0'))
        return false;
    int conversions = 0;
    for (int i = 0; i < f.size(); ++i) {
        if (f.at(i) != '%')
            continue;
        ++i;
        if (i >= f.size())
            return false;
        if (f.at(i) == '%')
            continue;
        const bool floating = conversions < 2;
        bool onlyMinus = true;
        while (i < f.size() && std::strchr("-+ #0", f.at(i)) && f.at(i) != '\0') {
            if (f.at(i) != '-')
                onlyMinus = false;
            ++i;
        }
        if (!skipNumber(f, i))
            return false;
        if (i < f.size() && f.at(i) == '.') {
            ++i;
            if (!skipNumber(f, i))
                return false;
        }
        // "%lf" means "%f" to printf: one "l" is taken on the floating ones.
        if (floating && i < f.size() && f.at(i) == 'l')
            ++i;
        if (i >= f.size())
            return false;
        const char c = f.at(i);
        if (floating) {
            if (!std::strchr("fFeEgGaA", c) || c == '\0')
                return false;
        } else if (c != 's' || !onlyMinus) {
            // Flags other than "-" are undefined for texts.
            return false;
        }
        if (++conversions > 7)
            return false;
    }
    return conversions == 7;
}

QString PositionFormat::checked(const QString &format, const QString &fallback, const QString &key)
{
    if (isValid(format))
        return format;
    std::fprintf(stderr, "%s: unusable position format \"%s\", using \"%s\"\n", qPrintable(key),
                 qPrintable(QString(format).replace('\r', "\\r").replace('\n', "\\n")),
                 qPrintable(QString(fallback).replace('\r', "\\r").replace('\n', "\\n")));
    return fallback;
}

QByteArray PositionFormat::format(const QString &format, double x, double z, const QByteArray &xMode,
                                  const QByteArray &zMode, const QByteArray &unit, const QByteArray &radius,
                                  const QByteArray &name)
{
    const QByteArray f = format.toLatin1();
    if (!isValid(f))
        return QByteArray();
    // The texts go in as C strings: cut them at an embedded NUL.
    const QByteArray a = QByteArray(xMode.constData()), b = QByteArray(zMode.constData()),
                     c = QByteArray(unit.constData()), d = QByteArray(radius.constData()),
                     e = QByteArray(name.constData());
    const CNumericScope cNumeric;
    const int size = std::snprintf(nullptr, 0, f.constData(), x, z, a.constData(), b.constData(), c.constData(),
                                   d.constData(), e.constData());
    if (size < 0)
        return QByteArray();
    QByteArray out(size + 1, '\0');
    std::snprintf(out.data(), out.size(), f.constData(), x, z, a.constData(), b.constData(), c.constData(),
                  d.constData(), e.constData());
    out.chop(1);
    return out;
}

QByteArray PositionFormat::line(const QString &fmtMM, const QString &fmtInch, double x, double z, const s_machine &m,
                                Occasion occasion)
{
    const bool trigger = occasion == Occasion::Trigger;
    const QByteArray radius = m.isRadius ? (trigger ? "R " : "R") : (trigger && m.IsMM ? "D " : "D");
    return format(m.IsMM ? fmtMM : fmtInch, x, z, m.xIncr ? "I" : "A", m.zIncr ? "I" : "A", m.IsMM ? "M" : "I", radius,
                  m.name.toLatin1());
}
