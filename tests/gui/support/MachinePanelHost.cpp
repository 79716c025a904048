#include "support/MachinePanelHost.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

#include "support/ToolingDb.h"
#include "shared/App.h"

namespace MachineDb {

bool open()
{
    return openDatabase();
}

void close()
{
    ToolingDb::close();
}

bool exec(const QString &sql)
{
    QSqlQuery q;
    if (q.exec(sql))
        return true;
    qWarning("MachineDb: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return false;
}

int addMachine(const QVariantMap &columns)
{
    QStringList cols;
    QStringList marks;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        cols << it.key();
        marks << QLatin1Char(':') + it.key();
    }
    QSqlQuery q;
    q.prepare(QStringLiteral("INSERT INTO machine (%1) VALUES (%2)").arg(cols.join(','), marks.join(',')));
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        q.bindValue(QLatin1Char(':') + it.key(), it.value());
    if (!q.exec()) {
        qWarning("MachineDb::addMachine: %s", qPrintable(q.lastError().text()));
        return -1;
    }
    return q.lastInsertId().toInt();
}

int addTable(int idMachine, const QString &name)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("INSERT INTO toolingTables (idMachine, name) VALUES (:m, :n)"));
    q.bindValue(QStringLiteral(":m"), idMachine);
    q.bindValue(QStringLiteral(":n"), name);
    return q.exec() ? q.lastInsertId().toInt() : -1;
}

int addTool(int idTable, int t)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("INSERT INTO tools (idTable, t, x, z, code) VALUES (:i, :t, 1.5, 2.5, 'C')"));
    q.bindValue(QStringLiteral(":i"), idTable);
    q.bindValue(QStringLiteral(":t"), t);
    if (!q.exec())
        return -1;
    const int id = q.lastInsertId().toInt();
    QSqlQuery dnc;
    dnc.prepare(QStringLiteral("INSERT INTO dnc (idTool, dncNum0) VALUES (:id, 7)"));
    dnc.bindValue(QStringLiteral(":id"), id);
    return dnc.exec() ? id : -1;
}

QVariant value(const QString &sql)
{
    QSqlQuery q;
    if (q.exec(sql) && q.next())
        return q.value(0);
    return QVariant();
}

} // namespace MachineDb

MachineDbScope::MachineDbScope()
{
    App::resetKovraSettings();
    m_open = MachineDb::open();
}

MachineDbScope::~MachineDbScope()
{
    MachineDb::close();
    App::resetKovraSettings();
    isSuperUser = isSuperConfigUser = false;
}
