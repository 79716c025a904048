#include "exchange/io_CSV_T8AM.h"

QList<QStringList> io_CSV_T8AM::createImportQuery(QString table)
{
    QList<QStringList> result;
    refused = 0;
    const int start = reader.getDataStartLine();
    if (fieldDefs.isEmpty() || dataRows.isEmpty() || start < 0 || start >= dataRows.size())
        return result;
    int n = 0;
    for (int r = start; r < dataRows.size(); ++r) {
        // Only this system's tool table has a statement shape here.
        if (table != QLatin1String("tools"))
            return result;
        const QStringList &row = dataRows.at(r);
        QString head = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (idTable,");
        QString values = QStringLiteral("VALUES (:idTable,");
        bool empty = true;
        bool bad = false;
        for (int k = 0; k < fieldDefs.size(); ++k) {
            const QStringList &def = fieldDefs.at(k);
            if (def.size() < 3 || def.at(0) != table)
                continue;
            head += def.at(1) + QLatin1Char(',');
            if (row.size() <= k)
                return result;
            QString value;
            bool fieldEmpty = true;
            bad = !statementValue(def, row.at(k), value, fieldEmpty) || bad;
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
        // A row with a number field holding no number gives no statement at all.
        if (bad)
            ++refused;
        result << (empty || bad ? QStringList() : QStringList{head + values});
    }
    return result;
}
