#pragma once

#include <QList>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

class CheckedStore;

// The tooling tables of a machine as the list panel changes them: new,
// renamed, deleted with what hangs on them, and imported with their tools;
// and a table's tools as the tooling-table editor reads and stores them;
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

// A tool below is a record of the columns the editor's form holds (t, code,
// x, z, angle, cr, the nominal values and tolerances), bound by name.
// The table's tools, every column, in the list's order: by the column (t, x,
// z or code; any other orders by t), then by id.
QSqlQuery toolList(int idTable, const QString &sortColumn);
// Whether a tool of the table other than idTool has the number t.
bool numberTaken(int idTable, int t, int idTool);
// A new tool of the table.
bool addTool(int idTable, const QSqlRecord &tool, QString *error = nullptr);
// Whether the stored tool holds the record's values, as the store compares
// them (a NULL equal to a NULL).
bool holdsTool(int idTool, const QSqlRecord &tool);
// The record's values over the stored tool's.
bool storeTool(int idTool, const QSqlRecord &tool, QString *error = nullptr);

}
