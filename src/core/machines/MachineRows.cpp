#include "machines/MachineRows.h"

#include <QStringList>

#include "shared/CheckedStore.h"
#include "shared/SharedStruct.h"

namespace MachineRows {

bool remove(int idMachine, QString *error)
{
    CheckedStore store;
    store.begin();
    QStringList statements;
    if (tableExists(QStringLiteral("dnc")))
        statements << QStringLiteral("DELETE FROM dnc WHERE idTool IN (SELECT idTool FROM tools WHERE idTable IN "
                                     "(SELECT idTable FROM toolingTables WHERE idMachine=:id))");
    statements << QStringLiteral("DELETE FROM tools WHERE idTable IN "
                                 "(SELECT idTable FROM toolingTables WHERE idMachine=:id)")
               << QStringLiteral("DELETE FROM toolingTables WHERE idMachine=:id")
               << QStringLiteral("DELETE FROM machine WHERE idMachine=:id");
    bool ok = true;
    for (const QString &st : qAsConst(statements))
        ok = ok && store.run(st, {{QStringLiteral(":id"), idMachine}});
    ok = ok && store.commit();
    if (!ok && error)
        *error = store.error();
    return ok;
}

}
