#include "widgets/FormatValidator.h"

#include <QRegularExpression>

FormatValidator::FormatValidator(const ValueFormat &valueFormat, double low, double high, QObject *parent,
                                 int maxDecimals)
    : QValidator(parent)
    , format(valueFormat)
    , bottom(qMax(low, valueFormat.lowest()))
    , top(qMin(high, valueFormat.highest()))
    , decimals(maxDecimals)
{
}

bool FormatValidator::partialNumber(const QString &text) const
{
    if (text.isEmpty())
        return true;
    const QString sign = bottom < 0 ? QStringLiteral("[-+]?") : QStringLiteral("\\+?");
    QString digits;
    if (format.conversion == QLatin1Char('c'))
        digits = QStringLiteral("\\d{0,3}");
    else if (format.base() == 16)
        digits = QStringLiteral("(0[xX]?)?[0-9a-fA-F]*");
    else if (format.base() == 8)
        digits = QStringLiteral("[0-7]*");
    else if (format.conversion == QLatin1Char('f') || format.conversion == QLatin1Char('F')
             || format.conversion == QLatin1Char('e') || format.conversion == QLatin1Char('E')
             || format.conversion == QLatin1Char('g') || format.conversion == QLatin1Char('G')
             || format.conversion == QLatin1Char('a') || format.conversion == QLatin1Char('A'))
        digits = sign + QStringLiteral("\\d*\\.?\\d*([eE][-+]?\\d*)?");
    else
        digits = sign + QStringLiteral("\\d*");
    return QRegularExpression(QRegularExpression::anchoredPattern(QStringLiteral("\\s*") + digits)).match(text).hasMatch();
}

QValidator::State FormatValidator::validate(QString &input, int &) const
{
    if (input.isEmpty())
        return Intermediate;
    double v = 0;
    if (format.readTyped(input, &v)) {
        // What is shown is what goes out: no more digits than the Format
        // prints, and more digits never bring the text back to them.
        if (format.shows(v) && !format.keeps(v))
            return Invalid;
        // Nor more decimals than the field keeps: more never go away again.
        if (decimals >= 0 && QString::number(v, 'f', decimals).toDouble() != v)
            return Invalid;
        if (v >= bottom && v <= top && format.shows(v))
            return Acceptable;
        // Leading zeros start a prefixed or zero-padded number, a small
        // character code starts a larger one; more digits take a number
        // further from zero, so one short of its bounds may still reach them.
        if (format.conversion == QLatin1Char('c'))
            return v < bottom && partialNumber(input) ? Intermediate : Invalid;
        return v == 0 || (v > 0 ? v < bottom : v > top) ? Intermediate : Invalid;
    }
    // A start of the Format's text: part of the text before the number, or
    // the number followed by part of the text after it.
    if (format.before.startsWith(input))
        return Intermediate;
    QString middle = input.startsWith(format.before) ? input.mid(format.before.size()) : input;
    for (int k = qMin(format.after.size(), middle.size()); k > 0; --k)
        if (middle.endsWith(format.after.left(k))) {
            middle.chop(k);
            break;
        }
    return partialNumber(middle) ? Intermediate : Invalid;
}
