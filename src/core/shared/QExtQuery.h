#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// The toolkit's query on the default connection, extended by a row count.
class QExtQuery : public QSqlQuery
{
public:
    QExtQuery();
    // Runs the statement on db (as the toolkit's constructor does), keeps its
    // text in sql and prepares it again.
    QExtQuery(const QString &sql, QSqlDatabase db);
    virtual ~QExtQuery();

    // Rows of the last executed SELECT (without moving the query), rows
    // affected by any other statement, -1 when the query is not active.
    int Count();

    QString sql;
};
