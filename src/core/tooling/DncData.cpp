#include "tooling/DncData.h"

#include "machines/MachineNames.h"
#include "shared/CheckedStore.h"
#include "shared/QExtQuery.h"
#include "tooling/ToolRules.h"
#include "tooling/ToolingTables.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
// Text of a field as the line carries it: 8-bit, every byte (the toolkit's
// own conversion of a byte array would end it at a NUL).
QString wholeText(const QByteArray &field)
{
    return QString::fromLatin1(field.constData(), field.size());
}
}

QByteArray machineList()
{
    QByteArray out;
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT name FROM machine"));
    if (!q.exec())
        return out;
    while (q.next())
        if (!q.value(0).isNull() && !MachineNames::isSystemRow(q.value(0).toString()))
            out += QStringLiteral("@%1@|").arg(q.value(0).toString()).toLatin1();
    return out;
}

QByteArray setList()
{
    QByteArray out;
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT machine.name||'/'||toolingTables.name as fullName FROM machine,toolingTables "
                             "WHERE machine.idMachine=toolingTables.idMachine"));
    if (!q.exec())
        return out;
    while (q.next())
        out += QStringLiteral("%1\r").arg(q.value(0).toString()).toLatin1();
    return out;
}

namespace {
struct Named
{
    qint64 id;
    QString name;
};

// The row asked for as `listed`: the one of that very text, else the only one
// whose 8-bit form it is; -1 when none (or more than one) is.
int pickListed(const QVector<Named> &rows, const QByteArray &listed)
{
    const QString text = wholeText(listed);
    int found = -1;
    int forms = 0;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).name == text)
            return i;
        if (rows.at(i).name.toLatin1() == listed) {
            found = i;
            ++forms;
        }
    }
    return forms == 1 ? found : -1;
}

QVector<Named> namedRows(QExtQuery &q)
{
    QVector<Named> rows;
    if (q.exec())
        while (q.next())
            rows.append({q.value(0).toLongLong(), q.value(1).toString()});
    return rows;
}

// The machine asked for as `listed`, or id -1.
Named findMachine(const QByteArray &listed, bool systemRows)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT idMachine, name FROM machine"));
    QVector<Named> rows = namedRows(q);
    if (!systemRows)
        rows.erase(std::remove_if(rows.begin(), rows.end(), [](const Named &m) { return MachineNames::isSystemRow(m.name); }),
                   rows.end());
    const int i = pickListed(rows, listed);
    return i < 0 ? Named{-1, QString()} : rows.at(i);
}
}

namespace {
// The ids of the tables setList lists as `listed`; false when the tables
// could not be read.
bool tablesListedAs(const QByteArray &listed, QVector<qint64> &ids)
{
    QExtQuery q;
    q.prepare(QStringLiteral("SELECT toolingTables.idTable, machine.name||'/'||toolingTables.name FROM machine,toolingTables "
                             "WHERE machine.idMachine=toolingTables.idMachine"));
    const QVector<Named> rows = namedRows(q);
    if (!q.isActive())
        return false;
    for (const Named &t : rows)
        if (t.name.toLatin1() == listed)
            ids.append(t.id);
    return true;
}
}

int listedTable(const QByteArray &listed)
{
    // A name listed for two tables stands for neither: the host could not
    // tell which one it gets, nor ever fetch the other.
    QVector<qint64> ids;
    return tablesListedAs(listed, ids) && ids.size() == 1 ? int(ids.first()) : -1;
}

namespace {
const QString kSnapshot = QStringLiteral("dncSentRows");

// Empties the rows of the last table sent. Emptied rather than dropped: a
// table cannot be dropped while any statement of the connection still reads.
bool emptySnapshot()
{
    QExtQuery make;
    if (!make.exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS %1 (t, x, z, angle, cr, code)").arg(kSnapshot)))
        return false;
    QExtQuery empty;
    return empty.exec(QStringLiteral("DELETE FROM temp.%1").arg(kSnapshot));
}
}

TableRows::TableRows(int idTable)
{
    if (!emptySnapshot())
        return;
    // One statement: the rows as they are now, whatever is stored while they
    // are sent.
    QExtQuery q;
    q.prepare(QStringLiteral("INSERT INTO temp.%1 (t, x, z, angle, cr, code) SELECT t, x+0, z+0, angle+0, cr+0, code "
                             "FROM tools WHERE idTable=:idTable ORDER BY idTool")
                  .arg(kSnapshot));
    q.bindValue(QStringLiteral(":idTable"), idTable);
    valid = q.exec();
}

TableRows::~TableRows()
{
    QExtQuery empty;
    empty.exec(QStringLiteral("DELETE FROM temp.%1").arg(kSnapshot));
}

int TableRows::setDataRows(int maxRows, QByteArray &out)
{
    if (!valid)
        return -1;
    QExtQuery q;
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT rowid, t, x, z, angle, cr, code FROM temp.%1 WHERE rowid>:after "
                             "ORDER BY rowid LIMIT :rows")
                  .arg(kSnapshot));
    q.bindValue(QStringLiteral(":after"), after);
    q.bindValue(QStringLiteral(":rows"), maxRows);
    if (!q.exec())
        return -1;
    int rows = 0;
    while (q.next()) {
        after = q.value(0).toLongLong();
        for (int i = 1; i < 7; ++i)
            out += q.value(i).toString().toLatin1() + ',';
        out += " \n";
        ++rows;
    }
    return q.lastError().isValid() ? -1 : rows;
}

QString listedMachine(const QByteArray &listed)
{
    return findMachine(listed, false).name;
}

namespace {
struct Tool
{
    qint64 t;
    QString code;
};

bool isBlank(const QByteArray &lines, int from, int end)
{
    for (int i = from; i < end; ++i)
        if (!std::isspace(static_cast<unsigned char>(lines.at(i))))
            return false;
    return true;
}

// The tools of the lines, or false as soon as a line cannot be taken whole
// or holds a tool the editor refuses. Only the values used are looked at.
bool parseTools(const QByteArray &lines, QVector<Tool> &tools)
{
    ToolRules::Numbers numbers;
    const bool metric = true; // no tolerance is imported
    for (int from = 0; from <= lines.size();) {
        int end = lines.indexOf('\n', from);
        if (end < 0)
            end = lines.size();
        const int lineFrom = from;
        from = end + 1;
        if (isBlank(lines, lineFrom, end))
            continue;
        // A line of fewer values is a row cut (by a line feed in a code, or
        // by the request's end), not a tool to leave out unseen.
        int commas[6];
        int found = 0;
        for (int at = lineFrom; found < 6; ++found) {
            const int c = lines.indexOf(',', at);
            if (c < 0 || c >= end)
                break;
            commas[found] = c;
            at = c + 1;
        }
        if (found < 6 || tools.size() >= kMaxImportTools)
            return false;
        const QString number = wholeText(lines.mid(lineFrom, commas[0] - lineFrom)).trimmed();
        bool ok = false;
        const qint64 t = number.toLongLong(&ok);
        if (!ok || !ToolRules::refusal(QStringLiteral("t"), number, false, metric).isEmpty() || !numbers.take(double(t)))
            return false;
        // A row as setDataRows writes it ends with a blank value: the code is
        // everything between the fifth comma and that last one.
        int codeEnd = commas[5];
        const int last = lines.lastIndexOf(',', end - 1);
        if (last > commas[5] && end - last == 2 && lines.at(end - 1) == ' ')
            codeEnd = last;
        const int codeFrom = commas[4] + 1;
        // Looked at no further than the editor takes. A NUL byte would end
        // the text where it is stored: such a code is not taken cut.
        const int looked = qMin(codeEnd - codeFrom, ToolRules::codeLength() + 1);
        if (std::memchr(lines.constData() + codeFrom, '\0', size_t(looked)))
            return false;
        const QString code = QString::fromLatin1(lines.constData() + codeFrom, looked);
        if (!ToolRules::refusal(QStringLiteral("code"), code, true, metric).isEmpty())
            return false;
        tools.append({t, code});
    }
    return true;
}

// The stored codes, by tool number, of the table's tools that the imported
// tools may have been sent as: codes with a character outside printable
// ASCII, in one statement, and only when an imported code holds "?".
bool ownCodesOf(const QVariant &idTable, const QVector<Tool> &tools, QHash<qint64, QString> &ownCodes)
{
    QSet<qint64> asked;
    for (const Tool &t : tools)
        if (t.code.contains(QLatin1Char('?')))
            asked.insert(t.t);
    if (asked.isEmpty())
        return true;
    QExtQuery codes;
    codes.setForwardOnly(true);
    codes.prepare(QStringLiteral("SELECT t, code FROM tools WHERE idTable=:idTable AND code GLOB '*[^ -~]*' "
                                 "ORDER BY idTool"));
    codes.bindValue(QStringLiteral(":idTable"), idTable);
    if (!codes.exec())
        return false;
    while (codes.next()) {
        const qint64 t = codes.value(0).toLongLong();
        if (asked.contains(t) && !ownCodes.contains(t))
            ownCodes.insert(t, codes.value(1).toString());
    }
    return !codes.lastError().isValid();
}

bool importInto(const QByteArray &machineField, const QByteArray &tableField, const QVector<Tool> &tools,
                QString *machine)
{
    // Names are taken whole, by the rule the name dialogs keep, or not at
    // all; an empty one names nothing a list could show.
    const QString tableName = wholeText(tableField);
    for (const QString &name : {wholeText(machineField), tableName})
        if (name.isEmpty() || !MachineNames::fitsName(name))
            return false;
    const Named m = findMachine(machineField, true);
    if (m.id < 0)
        return false;
    if (machine)
        *machine = m.name;
    const qint64 idMachine = m.id;

    QExtQuery find;
    find.prepare(QStringLiteral("SELECT idTable, name FROM toolingTables WHERE idMachine=:idMachine"));
    find.bindValue(QStringLiteral(":idMachine"), idMachine);
    const QVector<Named> tables = namedRows(find);
    if (!find.isActive())
        return false;
    const int found = pickListed(tables, tableName.toLatin1());
    QVariant idTable;
    // A code $S sent as its 8-bit form (a character the line cannot carry
    // sent as "?") keeps its own text: only those are looked up.
    QHash<qint64, QString> ownCodes;
    if (found >= 0) {
        idTable = tables.at(found).id;
        if (!ownCodesOf(idTable, tools, ownCodes))
            return false;
        // Inside the import's transaction: refused, nothing is removed.
        CheckedStore store;
        if (!ToolingTables::removeTools(store, ToolingTables::Tools::OfTable, idTable))
            return false;
    } else {
        // A table $L would list as another one is listed could not be told
        // from it.
        QVector<qint64> listedAlike;
        if (!tablesListedAs((m.name + QLatin1Char('/') + tableName).toLatin1(), listedAlike) || !listedAlike.isEmpty())
            return false;
        QExtQuery insert;
        insert.prepare(QStringLiteral("INSERT INTO toolingTables (idMachine,name) VALUES (:idMachine,:name)"));
        insert.bindValue(QStringLiteral(":idMachine"), idMachine);
        insert.bindValue(QStringLiteral(":name"), tableName);
        if (!insert.exec())
            return false;
        // The row just written, whatever other tables hold.
        idTable = insert.lastInsertId();
        if (!idTable.isValid())
            return false;
    }

    QExtQuery tool;
    tool.prepare(QStringLiteral("INSERT INTO tools(idTable,t,code) VALUES (:idTable,:t,:code)"));
    for (const Tool &t : tools) {
        tool.bindValue(QStringLiteral(":idTable"), idTable);
        tool.bindValue(QStringLiteral(":t"), t.t);
        const QString own = ownCodes.value(t.t);
        tool.bindValue(QStringLiteral(":code"), !own.isEmpty() && own.toLatin1() == t.code.toLatin1() ? own : t.code);
        if (!tool.exec())
            return false;
    }
    return true;
}
}

bool importSet(const QByteArray &payload, QString *machine)
{
    // Machine and table end at the first "@" after them; the tool lines run
    // to the end, so a code may hold "@".
    const QByteArray body = payload.left(payload.size() - 1);
    const int a = body.indexOf('@');
    const int b = a < 0 ? -1 : body.indexOf('@', a + 1);
    const int c = b < 0 ? -1 : body.indexOf('@', b + 1);
    if (c < 0)
        return false;
    QVector<Tool> tools;
    if (!parseTools(body.mid(c + 1), tools))
        return false;
    CheckedStore store;
    return store.begin() && importInto(body.mid(a + 1, b - a - 1), body.mid(b + 1, c - b - 1), tools, machine)
           && store.commit();
}
