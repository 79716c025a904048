#include "tooling/ToolRules.h"

#include <QCoreApplication>
#include <QSqlRecord>
#include <QVariant>

#include <cmath>
#include <limits>

namespace {
struct Limit
{
    const char *column;
    ToolRules::Range range;
};
// X, Z, corner radius and the nominal values, either sign.
constexpr double kLength = 1500;
const Limit kLimits[] = {{"x", {-kLength, kLength}},   {"z", {-kLength, kLength}},
                         {"cr", {-kLength, kLength}},  {"Xth", {-kLength, kLength}},
                         {"Zth", {-kLength, kLength}}, {"angle", {-359.99, 360}},
                         {"t", {1, 99999999}}};
// Tolerances run from 0 to a top in the machine's unit.
const char *const kTolerances[] = {"XtolPlus", "XtolMinus", "ZtolPlus", "ZtolMinus"};
constexpr double kToleranceTopMm = 9.999;
constexpr double kToleranceTopInch = 0.5;
constexpr int kCodeLength = 40;

bool is(const QString &column, const char *name)
{
    return column.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("ToolRules", text);
}
} // namespace

int ToolRules::codeLength()
{
    return kCodeLength;
}

ToolRules::Range ToolRules::range(const QString &column, bool metric)
{
    for (const Limit &l : kLimits)
        if (is(column, l.column))
            return l.range;
    for (const char *tolerance : kTolerances)
        if (is(column, tolerance))
            return {0, metric ? kToleranceTopMm : kToleranceTopInch};
    const double any = std::numeric_limits<double>::infinity();
    return {-any, any};
}

QString ToolRules::outOf(const QString &column, const QString &value, double low, double high)
{
    return tr("%1 %2 out of %3 .. %4").arg(column, value, QString::number(low, 'g', 10), QString::number(high, 'g', 10));
}

QString ToolRules::refusal(const QString &column, const QString &value, bool text, bool metric)
{
    if (text)
        return is(column, "code") && value.size() > kCodeLength ? tr("code longer than %1 characters").arg(kCodeLength)
                                                                : QString();
    const double v = value.toDouble();
    if (is(column, "t") && v != std::trunc(v))
        return tr("tool number %1 is not a whole number").arg(value);
    const Range r = range(column, metric);
    if (v < r.low || v > r.high)
        return outOf(column, value, r.low, r.high);
    return QString();
}

QString ToolRules::toolRefusal(const QSqlRecord &tool, bool metric)
{
    for (int i = 0; i < tool.count(); ++i) {
        const QVariant value = tool.value(i);
        if (value.isNull())
            continue;
        const QString column = tool.fieldName(i);
        // A number's text is its shortest exact form.
        const QString why = refusal(column, value.toString(), is(column, "code"), metric);
        if (!why.isEmpty())
            return why;
    }
    return QString();
}

bool ToolRules::Numbers::take(double number)
{
    if (seen.contains(number))
        return false;
    seen.insert(number);
    return true;
}
