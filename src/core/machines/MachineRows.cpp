#include "machines/MachineRows.h"

#include "shared/CheckedStore.h"
#include "tooling/ToolingTables.h"

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

}
