#include "tooling/TableCopy.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVector>
#include <QVariant>

#include <cmath>
#include <limits>

#include "machines/MachineNames.h"
#include "shared/CheckedStore.h"
#include "shared/QExtQuery.h"
#include "tooling/ToolRules.h"

TableCopy::Shift TableCopy::referenceShift(const s_machine &source, const s_machine &target)
{
    // References in tenths of a micrometre, like the scale counts.
    Shift s;
    s.dx = float(RefLength{source.Xref.tenths - target.Xref.tenths + target.sysXref - source.sysXref}.millimetres());
    s.dz = float(RefLength{source.Zref.tenths - target.Zref.tenths + target.sysZref - source.sysZref}.millimetres());
    return s;
}

QString TableCopy::candidateName(const QString &name, int k)
{
    const QString suffix = QLatin1Char('(') + QCoreApplication::translate("cSetList", "copy")
                           + (k >= 1 ? QString::number(k) : QString()) + QLatin1Char(')');
    const int room = MachineNames::kNameLength - suffix.size();
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
    // The table and all its tools, or nothing.
    CheckedStore store;
    auto failed = [&] {
        if (error)
            *error = store.error();
        return -1;
    };
    if (!store.begin()
        || !store.run(QStringLiteral("INSERT INTO toolingTables (idMachine,name) VALUES (:idMachine,:name)"),
                      {{QStringLiteral(":idMachine"), target.idMachine}, {QStringLiteral(":name"), name}}))
        return failed();
    // The id of this very row: a failed insert never sends the tools elsewhere.
    bool ok = false;
    const int newId = store.lastInsertId().toInt(&ok);
    if (!ok) {
        store.fail(QStringLiteral("no id for the new table"));
        return failed();
    }

    const Shift shift = referenceShift(source, target);
    const bool targetMM = target.IsMM;
    QSqlQuery tools(QSqlDatabase::database());
    tools.setForwardOnly(true);
    tools.prepare(QStringLiteral("SELECT * FROM tools WHERE idTable=:idTable"));
    tools.bindValue(QStringLiteral(":idTable"), idSourceTable);
    if (!tools.exec()) {
        store.fail(tools.lastError().text());
        return failed();
    }
    const QString insert = QStringLiteral(
        "INSERT INTO tools (idTable,t,x,z,angle,cr,code) VALUES (:idTable,:t,:x,:z,:angle,:cr,:code)");
    while (tools.next()) {
        const float x = carryX(tools.value(QStringLiteral("x")).toFloat(), source, target, shift, erase);
        const float z = carryZ(tools.value(QStringLiteral("z")).toFloat(), source, target, shift, erase);
        const float cr = carryLength(tools.value(QStringLiteral("cr")).toFloat(), source, target);
        if (!store.run(insert, {{QStringLiteral(":idTable"), newId},
                                {QStringLiteral(":t"), tools.value(QStringLiteral("t")).toInt()},
                                {QStringLiteral(":x"), MPrn(x, targetMM)},
                                {QStringLiteral(":z"), MPrn(z, targetMM)},
                                {QStringLiteral(":angle"), tools.value(QStringLiteral("angle"))},
                                {QStringLiteral(":cr"), MPrn(cr, targetMM)},
                                {QStringLiteral(":code"), tools.value(QStringLiteral("code"))}}))
            return failed();
    }
    tools.finish();
    return store.commit() ? newId : failed();
}

int TableCopy::machineToolCount(int idMachine, QString *error)
{
    QExtQuery q;
    // A statement the database cannot prepare keeps its own reason.
    if (q.prepare(QStringLiteral("SELECT COUNT(*) FROM tools WHERE idTable IN "
                                 "(SELECT idTable FROM toolingTables WHERE idMachine=:idMachine)"))) {
        q.bindValue(QStringLiteral(":idMachine"), idMachine);
        if (q.exec() && q.next())
            return q.value(0).toInt();
    }
    if (error)
        *error = q.lastError().text();
    return -1;
}

namespace {
// A converted length as stored: the arithmetic's last bits are dropped where
// a decimal of up to 12 digits lies within them, so that a switch back gives
// the value that was typed or imported again, bit for bit.
double storedLength(double value)
{
    const double near = QString::number(value, 'g', 12).toDouble();
    return std::abs(near - value) <= 3 * std::numeric_limits<double>::epsilon() * std::abs(value) ? near : value;
}

// At most this many refused tools are named; the count says the rest.
constexpr int kNamedRefusals = 5;
} // namespace

bool TableCopy::convertMachineTools(const s_machine &before, const s_machine &after, QString *error)
{
    // X values (nominal and tolerances too) follow the stored X mode; every
    // length the unit. The tool's angle is no length. Only the columns the
    // switch changes are written.
    const bool unit = before.IsMM != after.IsMM;
    const bool mode = before.isRadiusStored != after.isRadiusStored;
    static const char *const xColumns[] = {"x", "Xth", "XtolPlus", "XtolMinus"};
    static const char *const lengthColumns[] = {"z", "cr", "Zth", "ZtolPlus", "ZtolMinus"};
    struct Column
    {
        QString name;
        bool x;
    };
    QVector<Column> columns;
    if (unit || mode)
        for (const char *c : xColumns)
            columns.append({QLatin1String(c), true});
    if (unit)
        for (const char *c : lengthColumns)
            columns.append({QLatin1String(c), false});
    if (columns.isEmpty())
        return true;
    const auto convert = [&](const Column &column, double v) {
        if (unit)
            v = before.IsMM ? v / 25.4 : v * 25.4;
        if (mode && column.x)
            v = before.isRadiusStored ? v * 2 : v * 0.5;
        return storedLength(v);
    };

    const auto failed = [error](const QSqlQuery &q) {
        if (error)
            *error = q.lastError().text();
        return false;
    };
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery tools(db);
    tools.setForwardOnly(true);
    if (!tools.prepare(QStringLiteral("SELECT tools.*, toolingTables.name AS tableName FROM tools JOIN toolingTables "
                                      "ON toolingTables.idTable=tools.idTable WHERE toolingTables.idMachine=:idMachine "
                                      "ORDER BY toolingTables.name, tools.t")))
        return failed(tools);
    tools.bindValue(QStringLiteral(":idMachine"), before.idMachine);
    QStringList sets;
    for (const Column &c : qAsConst(columns))
        sets << QStringLiteral("%1=:%1").arg(c.name);
    QSqlQuery update(db);
    if (!update.prepare(QStringLiteral("UPDATE tools SET ") + sets.join(QLatin1Char(','))
                        + QStringLiteral(" WHERE idTool=:idTool")))
        return failed(update);
    if (!tools.exec())
        return failed(tools);

    // Every tool converted and checked before any is written.
    struct Converted
    {
        QVariant idTool;
        QSqlRecord values;
    };
    QVector<Converted> rows;
    QStringList refused;
    int refusedCount = 0;
    while (tools.next()) {
        const QSqlRecord row = tools.record();
        Converted c{row.value(QStringLiteral("idTool")), QSqlRecord()};
        for (const Column &column : qAsConst(columns)) {
            QVariant v = row.value(column.name);
            // NULL, and a text that is no number, have nothing to convert.
            if (v.type() == QVariant::Double || v.type() == QVariant::LongLong || v.type() == QVariant::Int)
                v = convert(column, v.toDouble());
            c.values.append(QSqlField(column.name));
            c.values.setValue(column.name, v);
        }
        const QString why = ToolRules::toolRefusal(c.values, after.IsMM);
        if (!why.isEmpty() && ++refusedCount <= kNamedRefusals)
            refused << QCoreApplication::translate("TableCopy", "Tool %1 (table %2): %3")
                           .arg(row.value(QStringLiteral("t")).toString(), row.value(QStringLiteral("tableName")).toString(), why);
        rows << c;
    }
    if (tools.lastError().type() != QSqlError::NoError)
        return failed(tools);
    tools.finish();
    if (refusedCount > 0) {
        if (refusedCount > kNamedRefusals)
            refused << QCoreApplication::translate("TableCopy", "and %1 more").arg(refusedCount - kNamedRefusals);
        if (error)
            *error = QCoreApplication::translate("TableCopy", "Converted tools out of limits:")
                     + QLatin1Char('\n') + refused.join(QLatin1Char('\n'));
        return false;
    }
    for (const Converted &c : qAsConst(rows)) {
        for (int i = 0; i < c.values.count(); ++i)
            update.bindValue(QLatin1Char(':') + c.values.fieldName(i), c.values.value(i));
        update.bindValue(QStringLiteral(":idTool"), c.idTool);
        if (!update.exec())
            return failed(update);
    }
    return true;
}
