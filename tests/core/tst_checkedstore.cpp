#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include "shared/CheckedStore.h"

// The store's checked statements: a refusal anywhere leaves nothing of the
// run, says the store's own error, and leaves no transaction open behind it.
class tst_checkedstore : public QObject
{
    Q_OBJECT

    QSqlDatabase db;

    int rows()
    {
        QSqlQuery q(QStringLiteral("SELECT COUNT(*) FROM t"), db);
        return q.next() ? q.value(0).toInt() : -1;
    }

private slots:
    void initTestCase()
    {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("checkedstore"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA foreign_keys=ON")));
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (v INTEGER PRIMARY KEY)")));
        // Checked at the commit: the way to a refused commit.
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE c (p INTEGER REFERENCES t(v) DEFERRABLE INITIALLY DEFERRED)")));
        QVERIFY(q.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON t WHEN NEW.v=13 "
                                      "BEGIN SELECT RAISE(ABORT, 'thirteen refused'); END")));
    }

    void init()
    {
        db.rollback(); // what a failed row left open
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("DELETE FROM c")));
        QVERIFY(q.exec(QStringLiteral("DELETE FROM t")));
    }

    void refusalLeavesNothing_data()
    {
        QTest::addColumn<bool>("callerHolds");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<bool>("commit");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("kept");
        QTest::newRow("all kept") << false << QStringList{"t 1", "t 2"} << true << QString() << 2;
        QTest::newRow("statement refused") << false << QStringList{"t 1", "t 13", "t 3"} << true
                                           << "thirteen refused" << 0;
        QTest::newRow("commit refused") << false << QStringList{"t 1", "c 99"} << true << "FOREIGN KEY" << 0;
        QTest::newRow("left without commit") << false << QStringList{"t 1", "t 2"} << false << QString() << 0;
        // The caller's own row and the one run before the refusal: the
        // caller's transaction is the caller's to end.
        QTest::newRow("caller's transaction") << true << QStringList{"t 1", "t 13"} << true << "thirteen refused" << 2;
    }
    void refusalLeavesNothing()
    {
        QFETCH(bool, callerHolds);
        QFETCH(QStringList, values);
        QFETCH(bool, commit);
        QFETCH(QString, error);
        QFETCH(int, kept);
        if (callerHolds) {
            QVERIFY(db.transaction());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("INSERT INTO t VALUES (7)")));
        }
        bool ok = true;
        {
            CheckedStore store(db);
            QCOMPARE(store.begin(), !callerHolds);
            for (const QString &v : values) {
                const QStringList p = v.split(QLatin1Char(' '));
                ok = store.run(QStringLiteral("INSERT INTO %1 VALUES (:v)").arg(p.at(0)), {{":v", p.at(1).toInt()}})
                     && ok;
            }
            if (commit)
                ok = store.commit() && ok;
            QCOMPARE(store.failed(), !error.isEmpty());
            QVERIFY2(store.error().contains(error), qPrintable(store.error()));
        }
        QCOMPARE(ok, error.isEmpty());
        if (callerHolds)
            QVERIFY(db.commit());
        QCOMPARE(rows(), kept);
        // Nothing left open: a new transaction starts.
        QVERIFY(db.transaction());
        QVERIFY(db.rollback());
    }
};

QTEST_MAIN(tst_checkedstore)
#include "tst_checkedstore.moc"
