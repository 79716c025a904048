#include "tooling/TableCopy.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVector>
#include <QVariant>

#include "shared/QExtQuery.h"

TableCopy::Shift TableCopy::referenceShift(const s_machine &source, const s_machine &target)
{
    // References in tenths of a micrometre, like the scale counts.
    Shift s;
    const float sx = float(source.Xref.tenths - target.Xref.tenths)
                     + float(target.sysXref) - float(source.sysXref);
    const float sz = float(source.Zref.tenths - target.Zref.tenths)
                     + float(target.sysZref) - float(source.sysZref);
    s.dx = sx / 10000.0f;
    s.dz = sz / 10000.0f;
    return s;
}

QString TableCopy::candidateName(const QString &name, int k)
{
    const QString suffix = QLatin1Char('(') + QCoreApplication::translate("cSetList", "copy")
                           + (k >= 1 ? QString::number(k) : QString()) + QLatin1Char(')');
    const int room = 20 - suffix.size();
    return (name.size() > room ? name.left(qMax(0, room)) : name) + suffix;
}

QString TableCopy::freeName(int idMachine, const QString &name)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT COUNT(*) as exist FROM toolingTables WHERE idMachine=:idMachine AND name=:tsName"));
    for (int k = 0;; ++k) {
        const QString candidate = candidateName(name, k);
        q.bindValue(QStringLiteral(":idMachine"), idMachine);
        q.bindValue(QStringLiteral(":tsName"), candidate);
        // A failing count cannot tell a free name: the insert decides then.
        if (!q.exec() || !q.next() || q.value(QStringLiteral("exist")).toInt() == 0)
            return candidate;
    }
}

float TableCopy::carryLength(float value, const s_machine &source, const s_machine &target)
{
    if (!source.IsMM)
        value *= 25.4f;
    if (!target.IsMM)
        value /= 25.4f;
    return value;
}

float TableCopy::carryX(float x, const s_machine &source, const s_machine &target, const Shift &shift, bool erase)
{
    // The shift is a radius difference: the value is brought to a radius first.
    if (!source.IsMM)
        x *= 25.4f;
    if (!source.isRadiusStored)
        x *= 0.5f;
    x = erase ? 0.0f : x - shift.dx;
    if (!target.isRadiusStored)
        x *= 2.0f;
    if (!target.IsMM)
        x /= 25.4f;
    return x;
}

float TableCopy::carryZ(float z, const s_machine &source, const s_machine &target, const Shift &shift, bool erase)
{
    if (!source.IsMM)
        z *= 25.4f;
    z = erase ? 0.0f : z - shift.dz;
    if (!target.IsMM)
        z /= 25.4f;
    return z;
}

int TableCopy::copy(int idSourceTable, const s_machine &source, const s_machine &target, const QString &name,
                    bool erase, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database();
    auto failed = [&](const QSqlError &e) {
        if (error)
            *error = e.text();
        db.rollback();
        return -1;
    };
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return -1;
    }
    int newId = -1;
    {
        QSqlQuery table(db);
        table.prepare(QStringLiteral("INSERT INTO toolingTables (idMachine,name) VALUES (:idMachine,:name)"));
        table.bindValue(QStringLiteral(":idMachine"), target.idMachine);
        table.bindValue(QStringLiteral(":name"), name);
        if (!table.exec())
            return failed(table.lastError());
        // The id of this very row: a failed insert never sends the tools elsewhere.
        bool ok = false;
        newId = table.lastInsertId().toInt(&ok);
        if (!ok)
            return failed(QSqlError(QString(), QStringLiteral("no id for the new table")));
    }

    const Shift shift = referenceShift(source, target);
    const bool targetMM = target.IsMM;
    QSqlQuery tools(db);
    tools.setForwardOnly(true);
    tools.prepare(QStringLiteral("SELECT * FROM tools WHERE idTable=:idTable"));
    tools.bindValue(QStringLiteral(":idTable"), idSourceTable);
    if (!tools.exec())
        return failed(tools.lastError());
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT INTO tools (idTable,t,x,z,angle,cr,code) VALUES (:idTable,:t,:x,:z,:angle,:cr,:code)"));
    while (tools.next()) {
        const float x = carryX(tools.value(QStringLiteral("x")).toFloat(), source, target, shift, erase);
        const float z = carryZ(tools.value(QStringLiteral("z")).toFloat(), source, target, shift, erase);
        const float cr = carryLength(tools.value(QStringLiteral("cr")).toFloat(), source, target);
        insert.bindValue(QStringLiteral(":idTable"), newId);
        insert.bindValue(QStringLiteral(":t"), tools.value(QStringLiteral("t")).toInt());
        insert.bindValue(QStringLiteral(":x"), MPrn(x, targetMM));
        insert.bindValue(QStringLiteral(":z"), MPrn(z, targetMM));
        insert.bindValue(QStringLiteral(":angle"), tools.value(QStringLiteral("angle")));
        insert.bindValue(QStringLiteral(":cr"), MPrn(cr, targetMM));
        insert.bindValue(QStringLiteral(":code"), tools.value(QStringLiteral("code")));
        if (!insert.exec())
            return failed(insert.lastError());
    }
    tools.finish();
    insert.finish();
    if (!db.commit())
        return failed(db.lastError());
    return newId;
}

int TableCopy::machineToolCount(int idMachine)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM tools WHERE idTable IN "
                             "(SELECT idTable FROM toolingTables WHERE idMachine=:idMachine)"));
    q.bindValue(QStringLiteral(":idMachine"), idMachine);
    return q.exec() && q.next() ? q.value(0).toInt() : 0;
}

bool TableCopy::convertMachineTools(const s_machine &before, const s_machine &after, QString *error)
{
    // X values (nominal and tolerances too) follow the stored X mode; the
    // other lengths the unit alone. The tool's angle is no length.
    static const char *const xColumns[] = {"x", "Xth", "XtolPlus", "XtolMinus"};
    static const char *const lengthColumns[] = {"z", "cr", "Zth", "ZtolPlus", "ZtolMinus"};
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery tools(db);
    tools.setForwardOnly(true);
    tools.prepare(QStringLiteral("SELECT * FROM tools WHERE idTable IN "
                                 "(SELECT idTable FROM toolingTables WHERE idMachine=:idMachine)"));
    tools.bindValue(QStringLiteral(":idMachine"), before.idMachine);
    QStringList sets;
    for (const char *c : xColumns)
        sets << QStringLiteral("%1=:%1").arg(QLatin1String(c));
    for (const char *c : lengthColumns)
        sets << QStringLiteral("%1=:%1").arg(QLatin1String(c));
    QSqlQuery update(db);
    update.prepare(QStringLiteral("UPDATE tools SET ") + sets.join(QLatin1Char(',')) + QStringLiteral(" WHERE idTool=:idTool"));
    const auto failed = [error](const QSqlQuery &q) {
        if (error)
            *error = q.lastError().text();
        return false;
    };
    if (!tools.exec())
        return failed(tools);
    // A single float carries the value as the copy does; it is stored with
    // all of its digits, so that a switch back gives the value again.
    const auto carried = [](const QVariant &v, float value) {
        return v.isNull() ? v : QVariant(QString::number(double(value), 'g', 7));
    };
    // Read whole before any row is written.
    QVector<QSqlRecord> rows;
    while (tools.next())
        rows << tools.record();
    tools.finish();
    for (const QSqlRecord &row : qAsConst(rows)) {
        for (const char *c : xColumns) {
            const QVariant v = row.value(QLatin1String(c));
            update.bindValue(QLatin1Char(':') + QLatin1String(c),
                             carried(v, carryX(v.toFloat(), before, after, Shift(), false)));
        }
        for (const char *c : lengthColumns) {
            const QVariant v = row.value(QLatin1String(c));
            update.bindValue(QLatin1Char(':') + QLatin1String(c), carried(v, carryLength(v.toFloat(), before, after)));
        }
        update.bindValue(QStringLiteral(":idTool"), row.value(QStringLiteral("idTool")));
        if (!update.exec())
            return failed(update);
    }
    return true;
}
