#pragma once

#include <QString>
#include <QVariant>

// A database made from the schema of a new installation in the current
// (temporary) working directory, on the default connection, with small
// helpers that fill and read the tooling tables.
namespace ToolingDb {
bool open();
void close();
// Runs one statement on the default connection; false (with a warning) on error.
bool exec(const QString &sql);
int addMachine(const QString &name);
int addTable(int idMachine, const QString &name);
int addTool(int idTable, int t, double x, double z, const QString &code = QString());
// First column of the first row of a statement run on a second connection
// to the same file: what another process would see.
QVariant probe(const QString &sql);
// Empties the tooling tables and the dnc list, and drops a refusing trigger a
// test may have left.
void emptyTables();
}
