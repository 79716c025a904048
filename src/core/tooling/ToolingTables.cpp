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

bool remove(int idTable, QString *error)
{
    QStringList statements;
    if (tableExists(QStringLiteral("dnc")))
        statements << QStringLiteral("DELETE FROM dnc WHERE idTool IN (SELECT idTool FROM tools WHERE idTable=:idTable)");
    statements << QStringLiteral("DELETE FROM tools WHERE idTable=:idTable")
               << QStringLiteral("DELETE FROM toolingTables  WHERE idTable=:idTable");
    CheckedStore store;
    bool ok = store.begin();
    for (const QString &st : qAsConst(statements))
        ok = ok && store.run(st, {{QStringLiteral(":idTable"), idTable}});
    ok = ok && store.commit();
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
