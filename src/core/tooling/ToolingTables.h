#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The tooling tables of a machine as the list panel changes them: new,
// renamed, deleted with what hangs on them, and imported with their tools.
// Default connection; each change false with the store's error.
namespace ToolingTables {

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
