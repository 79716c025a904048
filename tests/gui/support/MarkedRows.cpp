#include "support/MarkedRows.h"

#include <QColor>
#include <QStringList>
#include <QTableWidget>

QString markedRows(const QTableWidget *table)
{
    QStringList labels;
    for (int i = 0; i < table->rowCount(); ++i)
        if (table->item(i, 0)->background().color() == QColor(Qt::red))
            labels << table->item(i, 0)->text();
    return labels.join(QLatin1Char(' '));
}
