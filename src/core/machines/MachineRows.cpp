#include "machines/MachineRows.h"

#include <QStringList>
#include <QVariant>

#include "machines/MachineNames.h"
#include "shared/CheckedStore.h"
#include "shared/QExtQuery.h"
#include "shared/SharedStruct.h"
#include "tooling/ToolingTables.h"

namespace {
QList<MachineRows::Entry> entries(QExtQuery &q)
{
    QList<MachineRows::Entry> out;
    if (q.exec())
        while (q.next())
            out.append({q.value(0).toString(), q.value(1).toInt()});
    return out;
}

QStringList texts(const QString &sql)
{
    QStringList out;
    QExtQuery q;
    if (q.exec(sql))
        while (q.next())
            out << q.value(0).toString();
    return out;
}

bool taken(const QString &name, const QVariant &exceptId)
{
    // A null id excepts none: no id is null.
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM machine WHERE name=:name AND idMachine IS NOT :id"));
    q.bindValue(QStringLiteral(":name"), name);
    q.bindValue(QStringLiteral(":id"), exceptId);
    return q.exec() && q.next() && q.value(0).toInt() > 0;
}
}

namespace MachineRows {

bool remove(int idMachine, QString *error)
{
    CheckedStore store;
    store.begin();
    const QVariantMap id{{QStringLiteral(":id"), idMachine}};
    const bool ok = ToolingTables::removeTools(store, ToolingTables::Tools::OfMachine, idMachine)
                    && store.run(QStringLiteral("DELETE FROM toolingTables WHERE idMachine=:id"), id)
                    && store.run(QStringLiteral("DELETE FROM machine WHERE idMachine=:id"), id) && store.commit();
    if (!ok && error)
        *error = store.error();
    return ok;
}

QList<Entry> names(bool withFactoryZero)
{
    QExtQuery q;
    q.prepare(MachineNames::offeredQuery(withFactoryZero));
    return entries(q);
}

QList<Entry> masters(int idMachine, eAxis axis)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT name, idMachine FROM machine WHERE idMachine<>:id AND (%1= 'false' OR %1= 0) "
                             "AND %2 ORDER BY name")
                  .arg(axis == axisZ ? QLatin1String("linkToMasterZ") : QLatin1String("linkToMasterX"),
                       MachineNames::offeredCondition(false)));
    q.bindValue(QStringLiteral(":id"), idMachine);
    return entries(q);
}

QStringList spindleTypes()
{
    return texts(QStringLiteral("SELECT DISTINCT Type FROM NFC_Spindle"));
}

bool nameTaken(const QString &name, int exceptId)
{
    return taken(name, exceptId);
}

bool nameTaken(const QString &name)
{
    return taken(name, QVariant(QVariant::Int));
}

bool write(CheckedStore &store, const s_machine &m, bool asNew)
{
    const QString sql =
        asNew ? QStringLiteral("INSERT INTO machine (name, isRadius, isMM, swapXZ, reverseX, reverseZ, Xref, "
                               "Zref, sysXref, sysZref, linkToMasterX, linkToMasterZ, idMasterX, idMasterZ, "
                               "smartX, smartZ, Balluff, PostPro, dncFormat, dncSocket, toolId, spindleType, "
                               "XrefTenths, ZrefTenths, smartXTenths, smartZTenths) "
                               "VALUES (:P1, :P2, :P3, :P4, :P5, :P6, :P7, :P8, :P9, :P10, :P11, :P12, :P13, "
                               ":P14, :P15, :P16, :P17, :P18, :P19, :P20, :P21, :P22, :P23, :P24, :P25, :P26) ")
              : QStringLiteral("UPDATE machine SET name=:P1, isRadius=:P2, isMM=:P3, swapXZ=:P4, "
                               "reverseX=:P5, reverseZ=:P6, Xref=:P7, Zref=:P8, sysXref=:P9, sysZref=:P10, "
                               "linkToMasterX=:P11, linkToMasterZ=:P12, idMasterX=:P13, idMasterZ=:P14, "
                               "smartX=:P15, smartZ=:P16, Balluff=:P17, PostPro=:P18, dncFormat=:P19, "
                               "dncSocket=:P20, toolId=:P21, spindleType=:P22, XrefTenths=:P23, "
                               "ZrefTenths=:P24, smartXTenths=:P25, smartZTenths=:P26 WHERE idMachine=:idMachine");
    const QVariant values[] = {m.name, m.isRadius, m.IsMM, m.swapXZ, m.reverseX, m.reverseZ,
                               m.Xref.micrometres(), m.Zref.micrometres(), m.sysXref, m.sysZref,
                               m.linkToMasterX, m.linkToMasterZ, m.idMasterX, m.idMasterZ,
                               m.smartX.micrometres(), m.smartZ.micrometres(), m.Balluff, m.PostPro,
                               m.dncFormat, m.dncSocket, m.toolId, m.spindleType,
                               m.Xref.tenths, m.Zref.tenths, m.smartX.tenths, m.smartZ.tenths};
    QVariantMap bound;
    for (int i = 0; i < 26; ++i)
        bound.insert(QStringLiteral(":P%1").arg(i + 1), values[i]);
    if (!asNew)
        bound.insert(QStringLiteral(":idMachine"), m.idMachine);
    if (store.run(sql, bound) && store.rowsAffected() != 1)
        store.fail(QString());
    return !store.failed();
}

bool storeOutputDefaults(int idMachine, const QString &format, const QString &folder, QString *error)
{
    CheckedStore store;
    const bool ok = store.run(QStringLiteral("UPDATE machine SET PostPro=:postpro, networkPath=:network "
                                             "WHERE idMachine=:idMachine"),
                              {{QStringLiteral(":postpro"), format},
                               {QStringLiteral(":network"), folder},
                               {QStringLiteral(":idMachine"), idMachine}});
    if (!ok && error)
        *error = store.error();
    return ok;
}

QStringList outputFolders()
{
    return texts(QStringLiteral("SELECT DISTINCT IFNULL(networkPath, '') FROM machine"));
}

QStringList tagLayouts()
{
    return texts(QStringLiteral("SELECT DISTINCT Balluff FROM machine WHERE Balluff<>''"));
}

}
