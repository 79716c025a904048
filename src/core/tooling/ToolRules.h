#pragma once

#include <QSet>
#include <QString>

class QSqlRecord;

// The one check of a tool against the tooling-table editor's rules (the
// limits of ToolLimits.h, the code's length, a tool number once per table),
// used by the editor's store and by every road that brings tools in.
namespace ToolRules {
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
