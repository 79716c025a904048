#include "tooling/ToolingTables.h"

#include <QVariant>

#include "shared/CheckedStore.h"
#include "shared/QExtQuery.h"
#include "shared/SharedStruct.h"

namespace {
const QString kInsert = QStringLiteral("INSERT INTO toolingTables (idMachine,name) VALUES (:idMachine,:name)");

bool done(const CheckedStore &store, bool ok, QString *error)
{
    if (!ok && error)
        *error = store.error();
    return ok;
}

// The tool's columns, each bound by its name in lower case: the column
// names, their marks and the values bound to them.
void toolColumns(const QSqlRecord &tool, QStringList &columns, QStringList &marks, QVariantMap &values)
{
    for (int i = 0; i < tool.count(); ++i) {
        columns << tool.fieldName(i);
        marks << QLatin1Char(':') + tool.fieldName(i).toLower();
        values.insert(marks.last(), tool.value(i));
    }
}

// "column<op>:mark" of each of the tool's columns.
QStringList toolTerms(const QSqlRecord &tool, const QString &op, QVariantMap &values)
{
    QStringList columns, marks;
    toolColumns(tool, columns, marks, values);
    for (int i = 0; i < columns.size(); ++i)
        columns[i] += op + marks.at(i);
    return columns;
}
}

namespace ToolingTables {

bool exists(int idMachine, const QString &name)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT COUNT(*) as exist FROM toolingTables WHERE idMachine=:idMachine AND name=:name"));
    q.bindValue(QStringLiteral(":idMachine"), idMachine);
    q.bindValue(QStringLiteral(":name"), name);
    return q.exec() && q.next() && q.value(QStringLiteral("exist")).toInt() != 0;
}

bool insert(int idMachine, const QString &name, QString *error)
{
    CheckedStore store;
    const bool ok = store.run(kInsert, {{QStringLiteral(":idMachine"), idMachine}, {QStringLiteral(":name"), name}});
    return done(store, ok, error);
}

bool rename(int idTable, const QString &name, QString *error)
{
    CheckedStore store;
    const bool ok = store.run(QStringLiteral("UPDATE toolingTables SET name=:name WHERE idTable=:idTable"),
                              {{QStringLiteral(":name"), name}, {QStringLiteral(":idTable"), idTable}});
    return done(store, ok, error);
}

bool removeTools(CheckedStore &store, Tools which, const QVariant &id)
{
    const QString tools = which == Tools::One       ? QStringLiteral("idTool=:id")
                          : which == Tools::OfTable ? QStringLiteral("idTable=:id")
                                                    : QStringLiteral("idTable IN (SELECT idTable FROM toolingTables "
                                                                     "WHERE idMachine=:id)");
    const QVariantMap values{{QStringLiteral(":id"), id}};
    // A tool's DNC values go with it: no row stays of a tool that is gone.
    // An older file may have no dnc list yet.
    if (tableExists(QStringLiteral("dnc"))
        && !store.run(QStringLiteral("DELETE FROM dnc WHERE idTool IN (SELECT idTool FROM tools WHERE %1)").arg(tools),
                      values))
        return false;
    return store.run(QStringLiteral("DELETE FROM tools WHERE %1").arg(tools), values);
}

bool remove(int idTable, QString *error)
{
    CheckedStore store;
    const bool ok = store.begin() && removeTools(store, Tools::OfTable, idTable)
                    && store.run(QStringLiteral("DELETE FROM toolingTables WHERE idTable=:idTable"),
                                 {{QStringLiteral(":idTable"), idTable}})
                    && store.commit();
    return done(store, ok, error);
}

bool import(int idMachine, const QString &name, const QList<QStringList> &statements, int *imported, QString *error)
{
    // The table and all its rows, or nothing: a half-imported table would look complete.
    CheckedStore store;
    int count = 0;
    bool ok = store.begin()
              && store.run(kInsert, {{QStringLiteral(":idMachine"), idMachine}, {QStringLiteral(":name"), name}});
    const QVariant idTable = store.lastInsertId();
    for (const QStringList &group : statements) {
        if (!ok || group.isEmpty())
            continue;
        ok = store.run(group.first(), {{QStringLiteral(":idTable"), idTable}});
        count += ok ? 1 : 0;
    }
    if (imported)
        *imported = count;
    return done(store, ok && store.commit(), error);
}

QSqlQuery toolList(int idTable, const QString &sortColumn)
{
    // The column is one of four fixed names, never typed text.
    const QStringList sortable{QStringLiteral("t"), QStringLiteral("x"), QStringLiteral("z"), QStringLiteral("code")};
    QSqlQuery q(QSqlDatabase::database());
    q.prepare(QStringLiteral("SELECT * from tools where idTable=:idTable ORDER BY \"%1\", idTool")
                  .arg(sortable.contains(sortColumn) ? sortColumn : QStringLiteral("t")));
    q.bindValue(QStringLiteral(":idTable"), idTable);
    q.exec();
    return q;
}

bool numberTaken(int idTable, int t, int idTool)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT COUNT(*) as nTool FROM tools where t=:t AND idTable=:idTable AND NOT idTool=:idTool;"));
    q.bindValue(QStringLiteral(":t"), t);
    q.bindValue(QStringLiteral(":idTable"), idTable);
    q.bindValue(QStringLiteral(":idTool"), idTool);
    return q.exec() && q.next() && q.value(QStringLiteral("nTool")).toInt() != 0;
}

bool addTool(int idTable, const QSqlRecord &tool, QString *error)
{
    QStringList columns{QStringLiteral("idTable")};
    QStringList marks{QStringLiteral(":idTable")};
    QVariantMap values{{marks.first(), idTable}};
    toolColumns(tool, columns, marks, values);
    CheckedStore store;
    const bool ok = store.run(QStringLiteral("INSERT INTO tools (%1) VALUES (%2)")
                                  .arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                              values);
    return done(store, ok, error);
}

bool holdsTool(int idTool, const QSqlRecord &tool)
{
    QVariantMap values;
    const QStringList terms = toolTerms(tool, QStringLiteral(" IS "), values);
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM tools WHERE idTool=:idTool AND ")
              + terms.join(QStringLiteral(" AND ")));
    for (auto v = values.cbegin(); v != values.cend(); ++v)
        q.bindValue(v.key(), v.value());
    q.bindValue(QStringLiteral(":idTool"), idTool);
    return q.exec() && q.next() && q.value(0).toInt() == 1;
}

bool storeTool(int idTool, const QSqlRecord &tool, QString *error)
{
    QVariantMap values{{QStringLiteral(":idTool"), idTool}};
    const QStringList terms = toolTerms(tool, QStringLiteral("="), values);
    CheckedStore store;
    const bool ok = store.run(
        QStringLiteral("UPDATE tools SET ") + terms.join(QLatin1Char(',')) + QStringLiteral(" WHERE idTool=:idTool"), values);
    return done(store, ok, error);
}

}
