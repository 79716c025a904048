#pragma once

#include <QByteArray>
#include <QString>

// Database work behind the requests of the serial DNC line. Replies are
// 8-bit (Latin-1) bytes; everything runs on the default connection. A name
// is asked for as it was listed: its own text, or else its 8-bit form when
// exactly one name has that form (a name the line cannot carry, listed with
// "?" in place of a character).

// The largest request the line takes, in bytes: far above what a tooling
// table of kMaxImportTools tools needs.
constexpr int kMaxDncRequest = 4 * 1024 * 1024;
// The largest settings file $N takes and $E sends, in bytes: a settings file
// is a few KB.
constexpr int kMaxSettingsText = 256 * 1024;
// The most tools one import may carry.
constexpr int kMaxImportTools = 10000;

// "@name@|" for every machine whose name does not begin with "*".
QByteArray machineList();
// "machine/table" and CR for every tooling table of every machine.
QByteArray setList();
// The id of the tooling table that setList lists as `listed`, or -1: also
// when it lists another table alike.
int listedTable(const QByteArray &listed);
// The tools of a table as they were when it was made (taken in one statement
// into a table of the connection's own), handed out a few rows at a time.
// One at a time. Not valid when the copy could not be made.
class TableRows
{
public:
    explicit TableRows(int idTable);
    ~TableRows();
    TableRows(const TableRows &) = delete;
    TableRows &operator=(const TableRows &) = delete;
    bool isValid() const { return valid; }
    // Rows "T,X,Z,A,R,C, " and LF of the next maxRows tools (fewer at the
    // end), appended to out. Returns the number of rows, -1 when they could
    // not be read.
    int setDataRows(int maxRows, QByteArray &out);

private:
    bool valid = false;
    qint64 after = 0;
};
// The machine $D lists as `listed` (no system row), or an empty text.
QString listedMachine(const QByteArray &listed);
// Imports "@machine@table@tool lines" followed by one more byte: the table
// (created when the machine has none of that name) gets the tool numbers
// and codes of the lines. All or nothing: false, with the database as it
// was, when anything fails, a name is empty or one the name dialogs refuse
// (MachineNames::fitsName), a new table would be listed as another one is,
// or a line cannot be taken whole (fewer than 7 values, a tool the tooling
// editor refuses: a tool number out of its limits or twice, a code longer
// than it takes or holding a NUL byte; more than kMaxImportTools tools).
// *machine gets the machine's name.
bool importSet(const QByteArray &payload, QString *machine = nullptr);
