#include "tooling/ToolRules.h"

#include "tooling/ToolLimits.h"

#include <QCoreApplication>
#include <QSqlRecord>
#include <QVariant>

#include <cmath>

namespace {
struct Range
{
    const char *column;
    double low;
    double high;
};
using namespace ToolLimits;
const Range kRanges[] = {{"x", -kLength, kLength},   {"z", -kLength, kLength},
                         {"cr", -kLength, kLength},  {"Xth", -kLength, kLength},
                         {"Zth", -kLength, kLength}, {"angle", kAngleLow, kAngleHigh},
                         {"t", kMinTool, kMaxTool}};
const char *const kTolerances[] = {"XtolPlus", "XtolMinus", "ZtolPlus", "ZtolMinus"};

QString tr(const char *text)
{
    // The texts the CSV import has always shown.
    return QCoreApplication::translate("io_CSV_T8AM", text);
}
} // namespace

QString ToolRules::outOf(const QString &column, const QString &value, double low, double high)
{
    return tr("%1 %2 out of %3 .. %4").arg(column, value, QString::number(low, 'g', 10), QString::number(high, 'g', 10));
}

QString ToolRules::refusal(const QString &column, const QString &value, bool text, bool metric)
{
    if (text) {
        return column.compare(QLatin1String("code"), Qt::CaseInsensitive) == 0 && value.size() > kCodeLength
                   ? tr("code longer than %1 characters").arg(kCodeLength)
                   : QString();
    }
    const double v = value.toDouble();
    if (column.compare(QLatin1String("t"), Qt::CaseInsensitive) == 0 && v != std::trunc(v))
        return tr("tool number %1 is not a whole number").arg(value);
    for (const Range &r : kRanges)
        if (column.compare(QLatin1String(r.column), Qt::CaseInsensitive) == 0 && (v < r.low || v > r.high))
            return outOf(column, value, r.low, r.high);
    const double top = toleranceTop(metric);
    for (const char *tolerance : kTolerances)
        if (column.compare(QLatin1String(tolerance), Qt::CaseInsensitive) == 0 && (v < 0 || v > top))
            return outOf(column, value, 0, top);
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
        const QString why = refusal(column, value.toString(),
                                    column.compare(QLatin1String("code"), Qt::CaseInsensitive) == 0, metric);
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
