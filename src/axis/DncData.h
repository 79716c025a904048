#pragma once

#include <QByteArray>
#include <QString>

// Database work behind the requests of the serial DNC line. Replies are
// 8-bit (Latin-1) bytes; everything runs on the default connection.

// "@name@|" for every machine whose name does not begin with "*".
QByteArray machineList();
// "machine/table" and CR for every tooling table of every machine.
QByteArray setList();
// "T,X,Z,A,R,C, " and LF for every tool of the table "machine/table";
// empty unless the argument holds exactly one "/".
QByteArray setData(const QString &machineAndTable);
bool machineExists(const QString &name);
// Imports "@machine@table@tool lines" followed by one more byte: the table
// (created when the machine has none of that name) gets the tool numbers
// and codes of the lines. All or nothing: false, with the database as it
// was, when anything fails.
bool importSet(const QByteArray &payload);
