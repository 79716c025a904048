#include "exchange/io_CSV_T8AM.h"

#include "tooling/ToolRules.h"

namespace {
enum { itemTable, itemColumn, itemType };
} // namespace

QList<QStringList> io_CSV_T8AM::createImportQuery(QString table)
{
    QList<QStringList> result;
    refusals.clear();
    const int start = reader.getDataStartLine();
    if (fieldDefs.isEmpty() || dataRows.isEmpty() || start < 0 || start >= dataRows.size())
        return result;
    int n = 0;
    // Tool numbers of the rows taken: the editor keeps one tool per number.
    ToolRules::Numbers numbers;
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
                why = ToolRules::refusal(column, text ? row.at(k) : value, text, metric);
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
        if (!empty && why.isEmpty() && numbered && !numbers.take(number))
            why = tr("tool number %1 twice").arg(number, 0, 'f', 0);
        if (!empty && !why.isEmpty())
            refuse(r, why);
        result << (empty || !why.isEmpty() ? QStringList() : QStringList{head + values});
    }
    return result;
}
