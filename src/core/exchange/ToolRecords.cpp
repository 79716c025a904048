#include "exchange/ToolRecords.h"

#include <QVariant>

#include <cmath>

#include "shared/QExtQuery.h"

QList<sRecUtensile> readToolRecords(int idTable)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT t AS T, x as R,z as L,cr as I,code as D,angle as A, Xth as X, Zth as Z FROM "
                             "tools WHERE idTable=:idTable                       ORDER BY T"));
    q.bindValue(QStringLiteral(":idTable"), idTable);
    q.exec();
    auto number = [&q](const char *column) {
        bool ok = false;
        const double v = q.value(QLatin1String(column)).toDouble(&ok);
        return ok && std::isfinite(v) ? v : 0.0;
    };
    QList<sRecUtensile> tools;
    while (q.next()) {
        sRecUtensile r;
        r.T = number("T");
        r.R = number("R");
        r.X = number("X");
        r.L = number("L");
        r.Z = number("Z");
        r.I = number("I");
        r.A = number("A");
        r.D = q.value(QStringLiteral("D")).toString();
        r.selected = true;
        tools.append(r);
    }
    return tools;
}
