#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// Statements written to one connection and checked, with the store's own
// error text of the first one refused. Within begin() they count all or
// nothing: commit() keeps them, a refusal rolls them back, and so does
// leaving the scope without a commit. Only a transaction begin() opened is
// ever rolled back: one the caller holds stays the caller's.
class CheckedStore
{
public:
    explicit CheckedStore(QSqlDatabase db = QSqlDatabase::database());
    ~CheckedStore();
    CheckedStore(const CheckedStore &) = delete;
    CheckedStore &operator=(const CheckedStore &) = delete;

    // Opens a transaction; false with the store's error when it opens none
    // (one already open, say): the statements then run on their own.
    bool begin();
    // Runs sql with the values bound by name (":name"); false with the error
    // when the statement is refused or an earlier one was.
    bool run(const QString &sql, const QVariantMap &values = QVariantMap());
    // Keeps what ran (true with nothing to commit when begin() opened no
    // transaction); false with the error, and rolled back, otherwise.
    bool commit();

    // A check of the caller's own refuses the whole, as a refused statement
    // does: what ran is rolled back and later statements are not run.
    void fail(const QString &error);

    bool failed() const { return m_failed; }
    QString error() const { return m_error; }
    // Of the last statement run.
    int rowsAffected() const { return m_rows; }
    QVariant lastInsertId() const { return m_insertId; }

private:
    QSqlDatabase m_db;
    bool m_open = false;
    bool m_failed = false;
    QString m_error;
    int m_rows = -1;
    QVariant m_insertId;
};
