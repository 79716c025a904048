#include "support/ToolingDb.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

#include "shared/App.h"
#include "shared/SharedStruct.h"

namespace ToolingDb {

bool open()
{
    App::resetKovraSettings();
    return openDatabase();
}

void close()
{
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

bool exec(const QString &sql)
{
    QSqlQuery q;
    if (!q.exec(sql)) {
        qWarning() << sql << q.lastError().text();
        return false;
    }
    return true;
}

static int insert(QSqlQuery &q)
{
    if (!q.exec()) {
        qWarning() << q.lastQuery() << q.lastError().text();
        return -1;
    }
    return q.lastInsertId().toInt();
}

int addMachine(const QString &name)
{
    QSqlQuery q;
    q.prepare("INSERT INTO machine (name) VALUES (:name)");
    q.bindValue(":name", name);
    return insert(q);
}

int addTable(int idMachine, const QString &name)
{
    QSqlQuery q;
    q.prepare("INSERT INTO toolingTables (idMachine,name) VALUES (:m,:name)");
    q.bindValue(":m", idMachine);
    q.bindValue(":name", name);
    return insert(q);
}

int addTool(int idTable, int t, double x, double z, const QString &code)
{
    QSqlQuery q;
    q.prepare("INSERT INTO tools (idTable,t,x,z,code) VALUES (:tab,:t,:x,:z,:code)");
    q.bindValue(":tab", idTable);
    q.bindValue(":t", t);
    q.bindValue(":x", x);
    q.bindValue(":z", z);
    q.bindValue(":code", code);
    return insert(q);
}

QVariant probe(const QString &sql)
{
    QVariant result;
    const QString file = QSqlDatabase::database().databaseName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "probe");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                result = q.value(0);
            else
                qWarning() << sql << q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("probe");
    return result;
}

void emptyTables()
{
    exec("DROP TRIGGER IF EXISTS refuse");
    exec("DELETE FROM dnc");
    exec("DELETE FROM tools");
    exec("DELETE FROM toolingTables");
}

} // namespace ToolingDb

static void reopenDefault()
{
    QSqlDatabase db = QSqlDatabase::database();
    db.close();
    db.open();
}

RefusingDb::RefusingDb(int kind)
    : m_fault(StorageFault::Kind(kind), QSqlDatabase::database().databaseName(), 0)
    , m_reopen(kind == StorageFault::ReadOnlyFile)
{
    if (m_reopen)
        reopenDefault();
}

RefusingDb::~RefusingDb()
{
    m_fault.end();
    if (m_reopen)
        reopenDefault();
}
