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

}
