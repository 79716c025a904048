#include "shared/CheckedStore.h"

#include <QSqlError>
#include <QSqlQuery>

CheckedStore::CheckedStore(QSqlDatabase db)
    : m_db(db)
{
}

CheckedStore::~CheckedStore()
{
    // Left without a commit (an early return): nothing half written stays.
    if (m_open)
        m_db.rollback();
}

bool CheckedStore::begin()
{
    m_open = m_db.transaction();
    if (!m_open)
        m_error = m_db.lastError().text();
    return m_open;
}

bool CheckedStore::run(const QString &sql, const QVariantMap &values)
{
    if (m_failed)
        return false;
    QSqlQuery q(m_db);
    bool ok = q.prepare(sql);
    for (auto v = values.cbegin(); ok && v != values.cend(); ++v)
        q.bindValue(v.key(), v.value());
    if (!ok || !q.exec()) {
        fail(q.lastError().text());
        return false;
    }
    m_rows = q.numRowsAffected();
    m_insertId = q.lastInsertId();
    return true;
}

bool CheckedStore::commit()
{
    if (m_failed)
        return false;
    if (!m_open)
        return true;
    if (m_db.commit()) {
        m_open = false;
        return true;
    }
    fail(m_db.lastError().text());
    return false;
}

void CheckedStore::fail(const QString &error)
{
    m_failed = true;
    m_error = error;
    if (m_open) {
        m_db.rollback();
        m_open = false;
    }
}
