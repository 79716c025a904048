#include "QExtQuery.h"

#include <QSqlDriver>

QExtQuery::QExtQuery() = default;

QExtQuery::QExtQuery(const QString &text, QSqlDatabase db)
    : QSqlQuery(text, db)
    , sql(text)
{
    prepare(text);
}

QExtQuery::~QExtQuery() = default;

int QExtQuery::Count()
{
    if (!isActive())
        return -1;
    if (!isSelect())
        return numRowsAffected();
    if (QSqlDatabase::database().driver()->hasFeature(QSqlDriver::QuerySize))
        return size();

    const int saved = at();
    int count = 0;
    if (last())
        count = at() + 1;
    // Back to where the caller was.
    if (saved >= 0)
        seek(saved);
    else if (saved == QSql::AfterLastRow) {
        last();
        next();
    } else {
        seek(QSql::BeforeFirstRow);
    }
    return count;
}
