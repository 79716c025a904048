#include "dnc/DncValues.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QStringList>

#include <climits>
#include <cmath>

#include "dnc/DncLayout.h"
#include "shared/CheckedStore.h"
#include "shared/SharedStruct.h"

namespace {
QSqlRecord firstRow(const QString &sql, int idTool)
{
    QSqlQuery q;
    q.prepare(sql);
    q.bindValue(QStringLiteral(":idTool"), idTool);
    if (q.exec() && q.next())
        return q.record();
    return QSqlRecord();
}


// The number a value stands for; no value and texts that are no number read as 0.
double number(const DatiDnc &f, const QVariant &value)
{
    const QVariant v = DncValues::textValue(f, value);
    return v.type() == QVariant::String ? 0.0 : v.toDouble();
}

} // namespace

namespace DncValues {

QString format(const DatiDnc &f, const QVariant &value, bool isMM)
{
    if (f.isNumber()) {
        const double n = number(f, value);
        if (f.isInt())
            return FieldValues::intText(f, n);
        if (f.formatted() && f.format.shows(n))
            return f.format.print(n);
        return MPrnExact(n, isMM);
    }
    if (f.kind == FieldValues::Kind::Date) {
        const QVariant seconds = textValue(f, value);
        if (!value.isValid() || (value.type() == QVariant::String && value.toString().isEmpty()))
            return QString();
        if (seconds.type() == QVariant::String)
            return seconds.toString();
        return ValueFormat::printDate(f.Format, seconds.toLongLong());
    }
    return value.toString();
}

QVariant textValue(const DatiDnc &f, const QVariant &stored)
{
    if (stored.type() != QVariant::String)
        return stored;
    const QVariant value = FieldValues::fromText(f, stored.toString());
    return value.type() == QVariant::String ? stored : value;
}

QVariant collected(const DatiDnc &f, const QString &text)
{
    const bool date = f.kind == FieldValues::Kind::Date;
    if (f.Format.isEmpty() && !date)
        return text;
    if (!f.isNumber() && !date)
        return text;
    const QVariant value = textValue(f, text);
    if (value.type() == QVariant::String)
        return text;
    return format(f, value, true);
}

QVariant fromStore(const DatiDnc &f, const QVariant &stored)
{
    return textValue(f, stored.type() == QVariant::ByteArray ? QString::fromLatin1(stored.toByteArray()) : stored);
}

QByteArray storeBytes(const DatiDnc &f)
{
    return f.value.toString().toLatin1();
}

bool storable(const DatiDnc &f)
{
    const QString text = f.value.toString();
    return f.isNumber() || QString::fromLatin1(text.toLatin1()) == text;
}

bool storeValues(int idTool, const QList<DatiDnc> &fields, const QSet<int> &which, bool addRow, QString *error)
{
    QString sql = QStringLiteral("UPDATE dnc SET ");
    QVariantMap params;
    for (int i = 0; i < fields.size(); ++i) {
        const DatiDnc &f = fields.at(i);
        if (f.SqlTable != QLatin1String("dnc") || !which.contains(i))
            continue;
        if (!params.isEmpty())
            sql += QLatin1Char(',');
        const QString param = QStringLiteral(":param%1").arg(params.size());
        sql += f.SqlField + QLatin1Char('=') + param;
        params.insert(param, storeBytes(f));
    }
    if (params.isEmpty())
        return true;
    sql += QStringLiteral(" WHERE idTool=%1;").arg(idTool);
    CheckedStore store;
    // A row added for values the update then refuses is not left behind.
    store.begin();
    if (addRow) {
        if (!store.run(QStringLiteral("INSERT INTO dnc(idTool) VALUES(:idTool);"),
                       {{QStringLiteral(":idTool"), idTool}})
            || store.rowsAffected() != 1) {
            *error = store.error().trimmed();
            return false;
        }
    }
    if (!store.run(sql, params)) {
        *error = store.error().trimmed() + QStringLiteral("\n\n") + sql;
        return false;
    }
    if (!store.commit()) {
        *error = store.error().trimmed();
        return false;
    }
    return true;
}

QSet<QString> storeColumns()
{
    QSet<QString> columns;
    QSqlQuery q;
    if (q.exec(QStringLiteral("PRAGMA table_info(dnc)")))
        while (q.next())
            columns.insert(q.value(QStringLiteral("name")).toString());
    return columns;
}

bool storeRowMissing(int idTool)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("SELECT COUNT(*) as num FROM dnc WHERE idTool=:idTool;"));
    q.bindValue(QStringLiteral(":idTool"), idTool);
    return q.exec() && q.next() && q.value(QStringLiteral("num")).toInt() == 0;
}

QString toolCode(int idTool)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("SELECT code from tools WHERE idTool=:idTool;"));
    q.bindValue(QStringLiteral(":idTool"), idTool);
    return q.exec() && q.next() ? q.value(QStringLiteral("code")).toString() : QString();
}

QSqlRecord storeRow(int idTool)
{
    return firstRow(QStringLiteral("SELECT * FROM dnc WHERE idTool=:idTool;"), idTool);
}

QSqlRecord toolRow(int idTool)
{
    return firstRow(QStringLiteral("SELECT * FROM tools WHERE idTool=:idTool;"), idTool);
}

QString itemKey(const QString &itemText)
{
    const int p = itemText.indexOf(QLatin1String(" -"));
    return p < 0 ? itemText : itemText.left(p);
}

QStringList check(const DatiDnc &f, bool isMM)
{
    QStringList out;
    const QString text = f.value.toString();
    const double v = number(f, f.value);
    const QString line = FieldValues::boundsLine(f, f.Label, v, MPrnExact(v, isMM), text);
    if (!line.isEmpty())
        out << line;
    if (f.isList && text.isEmpty())
        out << f.Label + QStringLiteral(" value not in list");
    if (!f.RegExp.isEmpty()) {
        const QRegularExpression re(QRegularExpression::anchoredPattern(f.RegExp));
        if (!re.match(text).hasMatch())
            out << f.Label + QStringLiteral(" contains invalid chars [") + text + QLatin1Char(']');
    }
    return out;
}

} // namespace DncValues
