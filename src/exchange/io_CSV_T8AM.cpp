#include "exchange/io_CSV_T8AM.h"

#include <QSet>

#include "tooling/ToolLimits.h"

#include <cmath>

namespace {
enum { itemTable, itemColumn, itemType };

// What the tooling-table editor lets an operator type into a number column.
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
} // namespace

QString io_CSV_T8AM::outOf(const QString &column, const QString &value, double low, double high)
{
    return tr("%1 %2 out of %3 .. %4")
        .arg(column, value, QString::number(low, 'g', 10), QString::number(high, 'g', 10));
}

QString io_CSV_T8AM::editorRefusal(const QString &column, const QString &value, bool text) const
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

QList<QStringList> io_CSV_T8AM::createImportQuery(QString table)
{
    QList<QStringList> result;
    refusals.clear();
    const int start = reader.getDataStartLine();
    if (fieldDefs.isEmpty() || dataRows.isEmpty() || start < 0 || start >= dataRows.size())
        return result;
    int n = 0;
    // Tool numbers of the rows taken: the editor keeps one tool per number.
    QSet<double> numbers;
    for (int r = start; r < dataRows.size(); ++r) {
        // Only this system's tool table has a statement shape here.
        if (table != QLatin1String("tools"))
            return result;
        const QStringList &row = dataRows.at(r);
        QString head = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (idTable,");
        QString values = QStringLiteral("VALUES (:idTable,");
        bool empty = true;
        QString why;
        double number = 0;
        bool numbered = false;
        for (int k = 0; k < fieldDefs.size(); ++k) {
            const QStringList &def = fieldDefs.at(k);
            if (def.size() < 3 || def.at(itemTable) != table)
                continue;
            const QString &column = def.at(itemColumn);
            head += column + QLatin1Char(',');
            if (row.size() <= k)
                return result;
            QString value;
            bool fieldEmpty = true;
            const bool text = def.at(itemType) == QLatin1String("string");
            if (!statementValue(def, row.at(k), value, fieldEmpty)) {
                if (why.isEmpty())
                    why = tr("%1 %2 is not a number").arg(column, row.at(k).trimmed());
            } else if (why.isEmpty() && !(reader.geAutoT() && column.compare(QLatin1String("t"), Qt::CaseInsensitive) == 0)) {
                why = editorRefusal(column, text ? row.at(k) : value, text);
                if (!text && column.compare(QLatin1String("t"), Qt::CaseInsensitive) == 0) {
                    number = value.toDouble();
                    numbered = true;
                }
            }
            empty = empty && fieldEmpty;
            values += value + QLatin1Char(',');
        }
        ++n;
        if (reader.geAutoT()) {
            head += QStringLiteral("T,");
            values += QString::number(n) + QLatin1Char(',');
        }
        head.chop(1);
        values.chop(1);
        head += QStringLiteral(") ");
        values += QStringLiteral(") ");
        if (!empty && why.isEmpty() && numbered && numbers.contains(number))
            why = tr("tool number %1 twice").arg(number, 0, 'f', 0);
        if (!empty && !why.isEmpty())
            refuse(r, why);
        else if (!empty && numbered)
            numbers.insert(number);
        result << (empty || !why.isEmpty() ? QStringList() : QStringList{head + values});
    }
    return result;
}
