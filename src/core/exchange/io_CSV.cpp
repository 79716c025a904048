#include "exchange/io_CSV.h"
#include "shared/IniText.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <cmath>

namespace {
enum { itemTable, itemColumn, itemType, itemStatement, itemFactor };

// A decimal number as SQL and the C locale both read it, nothing else
// ("inf", "nan", "12,5" and any other text are refused).
bool isNumber(const QString &s)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    bool ok = false;
    const double v = s.toDouble(&ok);
    return number.match(s).hasMatch() && ok && std::isfinite(v);
}

int decimalsOf(const QString &s)
{
    const int dot = s.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : s.size() - dot - 1;
}

// a times b with every digit the two give (a product of decimals has at
// most their decimals together), trailing zeros dropped; empty when it is
// no finite number.
QString decimalProduct(const QString &a, const QString &b)
{
    const double p = a.toDouble() * b.toDouble();
    if (!std::isfinite(p))
        return QString();
    if (a.contains(QLatin1Char('e'), Qt::CaseInsensitive) || b.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return QString::number(p, 'g', QLocale::FloatingPointShortest);
    QString text = QString::number(p, 'f', qMin(decimalsOf(a) + decimalsOf(b), 15));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

bool isIdentifier(const QString &s)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return identifier.match(s).hasMatch();
}
}

bool io_CSV::setFormat(const QString &path, QString &error)
{
    error.clear();
    // No encoding named: Latin-1, as the settings class reads it.
    const IniText ini(path, IniText::Latin1);

    const QString fs = ini.value(QStringLiteral("/Settings/FieldSeparator"), QStringLiteral("59"));
    if (!fs.isEmpty()) {
        bool ok = false;
        const int code = fs.toInt(&ok, 10);
        if (!ok || code < 1 || code > 255) {
            error = QStringLiteral("FieldSeparator error");
            return false;
        }
        reader.setFieldSeparator(QChar(code));
    }

    QString ls;
    for (const QString &piece : ini.value(QStringLiteral("/Settings/LineSeparator"), QStringLiteral("13:10")).split(QLatin1Char(':'))) {
        bool ok = false;
        const int code = piece.toInt(&ok, 10);
        if (ok && code >= 1 && code <= 255) {
            ls += QChar(code);
        } else if (!piece.isEmpty()) {
            error = QStringLiteral("LineSeparator error");
            return false;
        }
    }
    if (ls.isEmpty()) {
        // No separator would read the whole file as one row.
        error = QStringLiteral("LineSeparator error");
        return false;
    }
    reader.setLineSeparator(ls);

    reader.setDir(ini.value(QStringLiteral("/Settings/Dir"), QStringLiteral("./")));
    reader.setDefaultExt(ini.value(QStringLiteral("/Settings/DefaultExtension"), QStringLiteral("csv")));
    reader.setPreprocessor(ini.value(QStringLiteral("/Settings/PreProcessor"), QString()));
    const int start = ini.value(QStringLiteral("/Settings/DataStartLine"), QStringLiteral("1")).toInt();
    if (start < 1) {
        // Before the first row: the file would be read from nowhere.
        error = QStringLiteral("DataStartLine error");
        return false;
    }
    reader.setDataStartLine(unsigned(start));
    reader.setExportHeader(ini.value(QStringLiteral("/Settings/ExportHeader"), QString()));
    reader.setAutoT(QVariant(ini.value(QStringLiteral("Settings/AutoT"), QStringLiteral("false"))).toBool());

    QString definitions;
    for (int i = 0;; ++i) {
        const QString def = ini.value(QStringLiteral("/Data/Field%1").arg(i), QStringLiteral("*"));
        if (def == QLatin1String("*"))
            break;
        definitions += QString(def).replace(QLatin1Char('|'), reader.getFieldSeparator()) + reader.getLineSeparator();
    }
    if (!reader.readCsv(fieldDefs, definitions)) {
        error = QStringLiteral("file ") + path;
        return false;
    }

    for (int i = 0; i < fieldDefs.size(); ++i) {
        QStringList &def = fieldDefs[i];
        bool ok = def.size() >= 3;
        if (ok) {
            while (def.size() < 5)
                def << QStringLiteral("1");
            def = def.mid(0, 5);
            for (int item : {itemStatement, itemFactor})
                if (def[item].isEmpty())
                    def[item] = QStringLiteral("1");
            const int statement = def[itemStatement].toInt(&ok, 10);
            ok = ok && statement >= 1 && !def[itemTable].isEmpty() && !def[itemType].isEmpty()
                 && isIdentifier(def[itemColumn]) && isNumber(def[itemFactor]);
        }
        if (!ok) {
            error = QStringLiteral("Field%1: ").arg(i) + def.join(QStringLiteral(" | "));
            return false;
        }
    }
    return true;
}

void io_CSV::refuse(int row, const QString &why)
{
    refusals << tr("line %1: %2").arg(dataLines.value(row, row + 1)).arg(why);
}

bool io_CSV::setDataByFile(const QString &fileName)
{
    reader.setFileName(fileName);
    const bool ok = reader.readCsvFile(dataRows);
    if (ok)
        dataLines = reader.rowLines();
    return ok;
}

bool io_CSV::statementValue(const QStringList &definition, const QString &field, QString &value, bool &empty)
{
    if (definition.value(itemType) == QLatin1String("string")) {
        empty = false;
        value = QLatin1Char('\'') + QString(field).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
        return true;
    }
    const QString number = field.trimmed();
    if (number.isEmpty()) {
        empty = true;
        value = QStringLiteral("0");
        return true;
    }
    empty = false;
    if (!isNumber(number))
        return false;
    const QString factor = definition.value(itemFactor, QStringLiteral("1"));
    if (factor == QLatin1String("1")) {
        value = number;
        return true;
    }
    value = decimalProduct(number, factor);
    return !value.isEmpty();
}

QList<QStringList> io_CSV::createImportQuery(QString)
{
    // Statements by their number, each for one of the tool set's tables.
    QList<QStringList> result;
    refusals.clear();
    int statements = 0;
    for (const QStringList &def : qAsConst(fieldDefs))
        statements = qMax(statements, def.value(itemStatement).toInt());
    const int start = reader.getDataStartLine();
    for (int r = start; r >= 0 && r < dataRows.size(); ++r) {
        QStringList entry;
        bool bad = false;
        for (int s = 1; s <= statements; ++s) {
            QString head, values, table;
            bool empty = true;
            for (int k = 0; k < fieldDefs.size(); ++k) {
                const QStringList &def = fieldDefs.at(k);
                if (def.value(itemStatement).toInt() != s)
                    continue;
                if (table.isEmpty()) {
                    table = def[itemTable];
                    if (table == QLatin1String("T_Tool"))
                        head = QStringLiteral("INSERT INTO T_Tool (idToolSet,"), values = QStringLiteral("VALUES (:idToolSet,");
                    else if (table == QLatin1String("T_Cutter"))
                        head = QStringLiteral("INSERT INTO T_Cutter (idTool,"), values = QStringLiteral("VALUES ( :idTool,");
                    else if (table == QLatin1String("T_Balluff"))
                        head = QStringLiteral("INSERT INTO T_Balluff (idTool,"), values = QStringLiteral("VALUES (:idTool,");
                }
                if (head.isEmpty() || def[itemTable] != table)
                    continue;
                if (dataRows.at(r).size() <= k)
                    return result;
                QString value;
                bool fieldEmpty = true;
                bad = !statementValue(def, dataRows.at(r).at(k), value, fieldEmpty) || bad;
                empty = empty && fieldEmpty;
                head += def[itemColumn] + QLatin1Char(',');
                values += value + QLatin1Char(',');
            }
            if (!empty) {
                head.chop(1);
                values.chop(1);
                entry << head + QStringLiteral(") ") + values + QStringLiteral(") ");
            }
        }
        if (bad)
            refuse(r, tr("a number field holds no number"));
        result << (bad ? QStringList() : entry);
    }
    return result;
}

bool io_CSV::writeCsv(const QString &fileName, int idToolSet)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString fs(reader.getFieldSeparator());
    const QString ls = reader.getLineSeparator();
    QString out;
    if (!reader.getExportHeader().isEmpty())
        out += reader.getExportHeader() + ls;
    QSqlQuery tools;
    tools.prepare(QStringLiteral("SELECT * FROM T_Tool WHERE idToolSet=:idToolSet ORDER BY T"));
    tools.bindValue(QStringLiteral(":idToolSet"), idToolSet);
    tools.exec();
    while (tools.next()) {
        QHash<QString, QSqlRecord> records{{QStringLiteral("T_Tool"), tools.record()}};
        for (const char *table : {"T_Cutter", "T_Balluff"}) {
            QSqlQuery q;
            q.prepare(QStringLiteral("SELECT * FROM %1 WHERE idTool=:idTool").arg(QLatin1String(table)));
            q.bindValue(QStringLiteral(":idTool"), tools.value(QStringLiteral("idTool")));
            if (q.exec() && q.next())
                records.insert(QLatin1String(table), q.record());
        }
        QStringList line;
        for (const QStringList &def : qAsConst(fieldDefs))
            line << records.value(def.value(itemTable)).value(def.value(itemColumn)).toString();
        out += line.join(fs) + ls;
    }
    return file.write(out.toLatin1()) >= 0;
}
