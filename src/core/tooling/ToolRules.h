#pragma once

#include <QSet>
#include <QString>

class QSqlRecord;

// What the tooling-table editor takes for a tool: the one set of limits
// (numbers in the machine's unit, the code's length, a tool number once per
// table) that the editor's fields are built from and its store checks, and
// that every other road into table `tools` (CSV import, the serial DNC
// import, a table copy) is held to, so that no road stores a tool the editor
// would refuse.
namespace ToolRules {
// The most characters a tool's code takes.
int codeLength();

// The values a number column takes, both ends included.
struct Range
{
    double low;
    double high;
};
// Of column `column` (any letter case) for a metric or an inch machine; a
// column without a rule takes any number.
Range range(const QString &column, bool metric);

// Why the editor would not take `value` in column `column` of a tool (a text
// column when `text`; numbers as they are stored), or an empty text. Columns
// without a rule take anything.
QString refusal(const QString &column, const QString &value, bool text, bool metric);
QString outOf(const QString &column, const QString &value, double low, double high);
// The same for a whole tool: its columns as they would be stored (numbers or
// their texts, the code as text); NULL takes anything. The first reason found.
QString toolRefusal(const QSqlRecord &tool, bool metric);

// Tool numbers of one table: each is taken once.
class Numbers
{
public:
    // False (and the number not taken) when the table has it already.
    bool take(double number);

private:
    QSet<double> seen;
};
} // namespace ToolRules
