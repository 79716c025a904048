#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class CheckedStore;

// The tooling tables of a machine as the list panel changes them: new,
// renamed, deleted with what hangs on them, and imported with their tools;
// and the one way every road removes tools. Default connection; each change
// false with the store's error.
namespace ToolingTables {

// Which tools removeTools takes: one tool (by idTool), the tools of a table
// (idTable), the tools of all tables of a machine (idMachine).
enum class Tools { One, OfTable, OfMachine };
// Those tools and their DNC values, through the store: in the transaction
// it (or its caller) holds, else each statement on its own.
bool removeTools(CheckedStore &store, Tools which, const QVariant &id);

// Whether the machine has a table of that name.
bool exists(int idMachine, const QString &name);
// A new empty table of the machine.
bool insert(int idMachine, const QString &name, QString *error = nullptr);
bool rename(int idTable, const QString &name, QString *error = nullptr);
// The table with its tools and their DNC values, all or nothing.
bool remove(int idTable, QString *error = nullptr);
// A new table of the machine and the first statement of every non-empty
// group (its ":idTable" bound to the new table), all or nothing.
// *imported gets how many of them ran.
bool import(int idMachine, const QString &name, const QList<QStringList> &statements, int *imported,
            QString *error = nullptr);

}
