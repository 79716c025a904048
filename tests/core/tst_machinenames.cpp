#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include "machines/MachineNames.h"

namespace {
const QStringList kNames{"LATHE1", "*FACTORY ZERO*", "*SERVICE", "*factory zero*", " *FACTORY ZERO*", "A*B", ""};
}

// Which machine rows each list offers: the main window's and the input box's
// machine lists and the machine list (operator or super user), the machine
// editor's masters (as an operator's list), and the serial line.
class TestMachineNames : public QObject
{
    Q_OBJECT

    QSqlDatabase db;

    QStringList offered(const QString &sql)
    {
        QStringList names;
        QSqlQuery q(db);
        if (!q.exec(sql))
            return {"(refused: " + sql + ")"};
        while (q.next())
            names << q.value(0).toString();
        return names;
    }

private slots:
    void initTestCase()
    {
        db = QSqlDatabase::addDatabase("QSQLITE", "machinenames");
        db.setDatabaseName(":memory:");
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE machine (idMachine INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(100))"));
        for (const QString &name : kNames) {
            QVERIFY(q.prepare("INSERT INTO machine (name) VALUES (:name)"));
            q.bindValue(":name", name);
            QVERIFY(q.exec());
        }
    }

    void rowsOffered_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("operatorList");
        QTest::addColumn<bool>("superUserList");
        QTest::addColumn<bool>("serialLine");
        QTest::newRow("a machine") << "LATHE1" << true << true << true;
        QTest::newRow("the factory zero") << "*FACTORY ZERO*" << false << true << false;
        QTest::newRow("another system row") << "*SERVICE" << true << true << false;
        QTest::newRow("the factory zero in other case") << "*factory zero*" << true << true << false;
        QTest::newRow("the factory zero after a blank") << " *FACTORY ZERO*" << true << true << true;
        QTest::newRow("a star inside") << "A*B" << true << true << true;
        QTest::newRow("no name") << "" << true << true << true;
    }
    void rowsOffered()
    {
        QFETCH(QString, name);
        QFETCH(bool, operatorList);
        QFETCH(bool, superUserList);
        QFETCH(bool, serialLine);
        QCOMPARE(offered(MachineNames::offeredQuery(false)).contains(name), operatorList);
        QCOMPARE(offered(MachineNames::offeredQuery(true)).contains(name), superUserList);
        // The machine list's filter and the masters' condition.
        const QString condition = MachineNames::offeredCondition(false);
        QCOMPARE(offered("SELECT name FROM machine WHERE " + condition).contains(name), operatorList);
        QCOMPARE(MachineNames::offeredCondition(true), QString());
        QCOMPARE(!MachineNames::isSystemRow(name), serialLine);
    }

    // The one rule of a machine or tooling-table name, as given.
    void fitsName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fits");
        QTest::newRow("20 characters") << QString(20, 'N') << true;
        QTest::newRow("21 characters") << QString(21, 'N') << false;
        QTest::newRow("beyond 8 bits") << QString::fromUtf8("DREH \u03a9/1") << true;
        QTest::newRow("NUL") << QString("SET1") + QChar(0) + "X" << false;
        QTest::newRow("line feed") << "NEW\nTAB" << false;
        QTest::newRow("DEL") << "A\x7f" << false;
        QTest::newRow("control beyond 7 bits") << QString("A") + QChar(0x85) << false;
    }
    void fitsName()
    {
        QFETCH(QString, name);
        QFETCH(bool, fits);
        QCOMPARE(MachineNames::fitsName(name), fits);
    }

    // Name and id, in name order.
    void offeredInOrder()
    {
        const QString all = MachineNames::offeredQuery(true);
        QStringList sorted = kNames;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(offered(all), sorted);
        QSqlQuery q(db);
        QVERIFY(q.exec(all) && q.next());
        QCOMPARE(q.value(1).toInt(), kNames.indexOf(q.value(0).toString()) + 1);
    }

};

QTEST_GUILESS_MAIN(TestMachineNames)
#include "tst_machinenames.moc"
