#pragma once

#include <QString>
#include <QVariant>

#include "support/StorageFault.h"
#include "support/TestWorkDir.h"

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

// The tooling panels' database for a whole test program: a fresh working
// directory with the new-installation database open in it, and the panels'
// pictures loaded; leaving it closes the database. Made with the screens'
// fixtures (the pictures are theirs): a core test opens the database alone.
class ToolingDbScope
{
public:
    ToolingDbScope();
    ~ToolingDbScope();
    bool isOpen() const { return m_open; }

private:
    TestWorkDir m_wd;
    bool m_open = false;
};

// The default connection's database refusing every write while it lives
// (a StorageFault kind on its file): a full disk lets no file grow at all,
// and a read-only file is opened again, as SQLite takes the file's mode only
// when it opens it.
class RefusingDb
{
public:
    explicit RefusingDb(int kind);
    ~RefusingDb();
    bool holds() const { return m_fault.holds(); }

private:
    StorageFault m_fault;
    bool m_reopen;
};
