#include "axis/DncData.h"

#include "shared/QExtQuery.h"

#include <QList>
#include <QSqlDatabase>
#include <QVariant>

namespace {
// Text of a field as the line carries it: 8-bit, up to a NUL byte.
QString fieldText(const QByteArray &field)
{
    return QString::fromLatin1(field.constData(), int(qstrnlen(field.constData(), uint(field.size()))));
}
}

QByteArray machineList()
{
    QByteArray out;
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT name FROM machine where name NOT LIKE '*%'"));
    if (!q.exec())
        return out;
    while (q.next())
        out += QStringLiteral("@%1@|").arg(q.value(0).toString()).toLatin1();
    return out;
}

QByteArray setList()
{
    QByteArray out;
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT machine.name||'/'||toolingTables.name as fullName FROM machine,toolingTables "
                             "WHERE machine.idMachine=toolingTables.idMachine"));
    if (!q.exec())
        return out;
    while (q.next())
        out += QStringLiteral("%1\r").arg(q.value(0).toString()).toLatin1();
    return out;
}

QByteArray setData(const QString &machineAndTable)
{
    QByteArray out;
    const QStringList parts = machineAndTable.split('/');
    if (parts.size() != 2)
        return out;
    QExtQuery q;
    q.prepare(QStringLiteral(
        "select tools.t as T, tools.x+0 as X, tools.z+0 as Z, tools.angle+0 as A, tools.cr+0 as R, "
        "tools.code as C FROM tools, machine, toolingTables WHERE machine.name=:macName AND "
        "machine.idMachine=toolingTables.idMachine AND toolingTables.name=:setName AND "
        "toolingTables.idTable=tools.idTable"));
    q.bindValue(QStringLiteral(":macName"), parts.at(0));
    q.bindValue(QStringLiteral(":setName"), parts.at(1));
    if (!q.exec())
        return out;
    while (q.next()) {
        QString row;
        for (int i = 0; i < 6; ++i)
            row += q.value(i).toString() + ',';
        out += (row + QStringLiteral(" \n")).toLatin1();
    }
    return out;
}

bool machineExists(const QString &name)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT count(*) as macCount FROM machine WHERE name=:name"));
    q.bindValue(QStringLiteral(":name"), name);
    return q.exec() && q.next() && q.value(0).toInt() != 0;
}

namespace {
bool importInto(const QList<QByteArray> &fields)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT idMachine FROM machine WHERE name=:name"));
    q.bindValue(QStringLiteral(":name"), fieldText(fields.at(1)));
    if (!q.exec() || !q.next())
        return false;
    const int idMachine = q.value(0).toInt();
    const QString tableName = fieldText(fields.at(2));

    QExtQuery find;
    find.prepare(QStringLiteral("SELECT idTable FROM toolingTables WHERE name=:name AND idMachine=:idMachine"));
    find.bindValue(QStringLiteral(":name"), tableName);
    find.bindValue(QStringLiteral(":idMachine"), idMachine);
    if (!find.exec())
        return false;
    QVariant idTable;
    if (find.next()) {
        idTable = find.value(0);
        QExtQuery del;
        del.prepare(QStringLiteral("DELETE FROM tools WHERE  idTable=:idTable"));
        del.bindValue(QStringLiteral(":idTable"), idTable);
        if (!del.exec())
            return false;
    } else {
        QExtQuery insert;
        insert.prepare(QStringLiteral("INSERT INTO toolingTables (idMachine,name) VALUES (:idMachine,:name)"));
        insert.bindValue(QStringLiteral(":idMachine"), idMachine);
        insert.bindValue(QStringLiteral(":name"), tableName);
        if (!insert.exec())
            return false;
        // The row just written, whatever other tables hold.
        idTable = insert.lastInsertId();
        if (!idTable.isValid())
            return false;
    }

    QExtQuery tool;
    tool.prepare(QStringLiteral("INSERT INTO tools(idTable,t,code) VALUES (:idTable,:t,:code)"));
    for (const QByteArray &line : fields.at(3).split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> values = line.split(',');
        if (values.size() < 7)
            continue;
        bool ok = false;
        int t = values.at(0).trimmed().toInt(&ok);
        if (!ok)
            t = 0;
        tool.bindValue(QStringLiteral(":idTable"), idTable);
        tool.bindValue(QStringLiteral(":t"), t);
        tool.bindValue(QStringLiteral(":code"), fieldText(values.at(5)));
        if (!tool.exec())
            return false;
    }
    return true;
}
}

bool importSet(const QByteArray &payload)
{
    const QList<QByteArray> fields = payload.left(payload.size() - 1).split('@');
    if (fields.size() < 4)
        return false;
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction())
        return false;
    if (!importInto(fields) || !db.commit()) {
        db.rollback();
        return false;
    }
    return true;
}
