#include "QExtDoubleValidator.h"

QExtDoubleValidator::QExtDoubleValidator(double bottom, double top, int decimals, QObject *parent)
    : QDoubleValidator(bottom, top, decimals, parent)
{
}

QValidator::State QExtDoubleValidator::validate(QString &input, int &pos) const
{
    if (input.isEmpty() || input == QLatin1String("."))
        return Intermediate;
    if (bottom() < 0 && input == QLatin1String("-"))
        return Intermediate;
    if (QDoubleValidator::validate(input, pos) != Acceptable)
        return Invalid;
    // Fields are read back with the C-locale conversion.
    bool ok = false;
    input.toDouble(&ok);
    return ok ? Acceptable : Invalid;
}

QExtIntValidator::QExtIntValidator(QObject *parent)
    : QIntValidator(parent)
{
}

QExtIntValidator::QExtIntValidator(int bottom, int top, QObject *parent)
    : QIntValidator(bottom, top, parent)
{
}

QValidator::State QExtIntValidator::validate(QString &input, int &pos) const
{
    if (input.isEmpty())
        return Intermediate;
    if (QIntValidator::validate(input, pos) != Acceptable)
        return Invalid;
    bool ok = false;
    input.toInt(&ok);
    return ok ? Acceptable : Invalid;
}
