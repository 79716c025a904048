#include "dnc/DncBaseValidator.h"

DncBaseValidator::DncBaseValidator(int numberBase, int low, int high, QObject *parent)
    : QValidator(parent)
    , base(numberBase)
    , bottom(low)
    , top(high)
{
}

QValidator::State DncBaseValidator::validate(QString &input, int &) const
{
    QString digits = input.trimmed();
    if (digits.isEmpty())
        return Intermediate;
    if (base == 16 && (digits.startsWith(QLatin1String("0x")) || digits.startsWith(QLatin1String("0X")))) {
        digits = digits.mid(2);
        if (digits.isEmpty())
            return Intermediate;
    }
    for (const QChar c : digits) {
        const ushort u = c.toLower().unicode();
        const int d = u >= '0' && u <= '9' ? u - '0' : u >= 'a' && u <= 'f' ? u - 'a' + 10 : -1;
        if (d < 0 || d >= base)
            return Invalid;
    }
    // Read as the Format's text is read back: unsigned, then as int.
    bool ok = false;
    const int value = int(digits.toUInt(&ok, base));
    if (!ok)
        return Invalid;
    if (value >= bottom && value <= top)
        return Acceptable;
    // Leading zeros start a prefixed or zero-padded number.
    return value == 0 ? Intermediate : Invalid;
}
