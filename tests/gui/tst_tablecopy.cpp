#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QTableView>
#include <QtTest>

#include <memory>

#include "shared/SharedStruct.h"
#include "support/MessageBoxRecorder.h"
#include "support/ToolingDb.h"
#include "tooling/csetlist.h"

namespace {
// A machine whose columns are set by an SQL assignment list ("" for defaults).
int addMachine(const QString &name, const QString &set)
{
    const int id = ToolingDb::addMachine(name);
    if (!set.isEmpty())
        ToolingDb::exec(QStringLiteral("UPDATE machine SET %1 WHERE idMachine=%2").arg(set).arg(id));
    return id;
}

// Each row of the statement, its columns joined by blanks.
QStringList rows(const QString &sql)
{
    QStringList out;
    QSqlQuery q;
    q.exec(sql);
    while (q.next()) {
        QStringList f;
        for (int i = 0; i < q.record().count(); ++i)
            f << q.value(i).toString();
        out << f.join(' ');
    }
    return out;
}

QStringList tables(int idMachine)
{
    return rows(QStringLiteral("SELECT name FROM toolingTables WHERE idMachine=%1 ORDER BY idTable").arg(idMachine));
}
} // namespace

class tst_tablecopy : public QObject
{
    Q_OBJECT
    std::unique_ptr<ToolingDbScope> m_db;

    // The source machine with the table "name" holding tool 4, its list panel
    // showing it; copies the table named name to the target.
    void copy(const QString &source, int target, const QString &name = "SHAFT")
    {
        QWidget host;
        cSetList *list = new cSetList(&host);
        const int id = ToolingDb::probe(QStringLiteral("SELECT idMachine FROM machine WHERE name='%1'").arg(source)).toInt();
        CurrentMachine = getMachineData(id);
        list->selectToolset(id, true);
        QSqlTableModel *m = list->tableModel();
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->index(r, 2).data() == name)
                list->findChild<QTableView *>()->setCurrentIndex(m->index(r, 2));
        list->copyToolset(target);
        QCOMPARE(list->machineId(), id); // the list stays on the source machine
    }
    int sourceWithTool(const QString &set, double x, double z, const QString &table = "SHAFT")
    {
        const int id = addMachine("SOURCE", set);
        const int tool = ToolingDb::addTool(ToolingDb::addTable(id, table), 4, x, z, "CNMG");
        ToolingDb::exec(QStringLiteral("UPDATE tools SET cr=0.8, angle=35.5, Xth=9, XtolPlus=0.1 WHERE idTool=%1").arg(tool));
        return id;
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<ToolingDbScope>();
        QVERIFY(m_db->isOpen());
    }
    void cleanupTestCase() { m_db.reset(); }
    void init()
    {
        ToolingDb::emptyTables();
        ToolingDb::exec("DELETE FROM machine");
    }

    // t x z cr angle code Xth XtolPlus as they arrive: nominal values and
    // tolerances are not copied; X is shifted as a radius.
    void values_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<double>("x");
        QTest::addColumn<QString>("tool");
        const QString src = "Xref=50000, sysXref=1000000, Zref=120000", dst = "Xref=40000, sysXref=1200000, Zref=100000";
        QTest::newRow("reference shift: x 100 arrives as 70") << src << dst << 100.0 << "4 70 30 0.8 35.5 CNMG 0 0";
        QTest::newRow("millimetre to inch") << "" << "IsMM=0" << 25.4 << "4 1 1.9685 0.0315 35.5 CNMG 0 0";
        QTest::newRow("inch to millimetre") << "IsMM=0" << "" << 1.0 << "4 25.4 1270 20.32 35.5 CNMG 0 0";
        QTest::newRow("diameters shift by 2 dx") << src + ", isRadius=0" << dst + ", isRadius=0" << 100.0
                                                 << "4 40 30 0.8 35.5 CNMG 0 0";
        QTest::newRow("radius to diameter") << src << dst + ", isRadius=0" << 100.0 << "4 140 30 0.8 35.5 CNMG 0 0";
        QTest::newRow("diameter to radius") << src + ", isRadius=0" << dst << 100.0 << "4 20 30 0.8 35.5 CNMG 0 0";
        QTest::newRow("swap differs, Ok: X and Z erased") << src << dst + ", swapXZ=1" << 100.0
                                                         << "4 0 0 0.8 35.5 CNMG 0 0";
    }
    void values()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(double, x);
        QFETCH(QString, tool);
        sourceWithTool(source, x, 50);
        const int dst = addMachine("TARGET", target);
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Ok);
        copy("SOURCE", dst);
        QCOMPARE(tables(dst), QStringList{"SHAFT(copy)"});
        QCOMPARE(rows("SELECT t,x,z,cr,angle,code,Xth,XtolPlus FROM tools WHERE idTable=(SELECT MAX(idTable) FROM "
                      "toolingTables)"),
                 QStringList{tool});
        QCOMPARE(rec.boxes().size(), target.contains("swap") ? 1 : 0);
    }

    // On the same machine: no question, values kept, a free name within 20 characters.
    void namesOnTheSameMachine()
    {
        const QString name = "ABCDEFGHIJKLMNOPQRST";
        const int src = sourceWithTool("", 10, 20, name);
        MessageBoxRecorder rec;
        copy("SOURCE", src, name);
        copy("SOURCE", src, name);
        QCOMPARE(tables(src), QStringList({name, "ABCDEFGHIJKLMN(copy)", "ABCDEFGHIJKLM(copy1)"}));
        QVERIFY(rec.boxes().isEmpty());
        QCOMPARE(rows("SELECT x,z FROM tools"), QStringList({"10 20", "10 20", "10 20"}));
    }

    // One question per differing flag; Cancel in any writes nothing.
    void questions_data()
    {
        QTest::addColumn<int>("second");
        QTest::newRow("Ok, Ok") << int(QMessageBox::Ok);
        QTest::newRow("Ok, Cancel") << int(QMessageBox::Cancel);
    }
    void questions()
    {
        QFETCH(int, second);
        sourceWithTool("", 10, 20);
        const int dst = addMachine("TARGET", "swapXZ=1, reverseZ=1");
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Ok);
        rec.answer(QMessageBox::StandardButton(second));
        copy("SOURCE", dst);
        QCOMPARE(rec.boxes().size(), 2);
        QCOMPARE(rec.boxes().at(1).title, QString("Copy tooling table"));
        QCOMPARE(rec.boxes().at(1).text, QString("Z axis is reversed\nAxis measures will be erased\nContinue?"));
        QCOMPARE(rec.boxes().at(1).defaultButton, QMessageBox::Cancel);
        QCOMPARE(tables(dst).size(), second == QMessageBox::Ok ? 1 : 0);
    }

    void emptyTableWritesOnlyItsRow()
    {
        ToolingDb::addTable(addMachine("SOURCE", ""), "EMPTY");
        const int dst = addMachine("TARGET", "");
        copy("SOURCE", dst, "EMPTY");
        QCOMPARE(tables(dst), QStringList{"EMPTY(copy)"});
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM tools").toInt(), 0);
    }

    // A tool the database refuses leaves no half table, and the operator is told.
    void failedInsertLeavesNothing()
    {
        const int src = sourceWithTool("", 10, 20);
        ToolingDb::addTool(ToolingDb::probe("SELECT idTable FROM toolingTables").toInt(), 6, 12, 22);
        const int dst = addMachine("TARGET", "");
        ToolingDb::addTable(dst, "OTHER");
        QVERIFY(ToolingDb::exec("CREATE TRIGGER refuse BEFORE INSERT ON tools WHEN NEW.t=6 "
                                "BEGIN SELECT RAISE(ABORT, 'tool refused'); END"));
        MessageBoxRecorder rec;
        copy("SOURCE", dst);
        QCOMPARE(tables(dst), QStringList{"OTHER"});
        QCOMPARE(tables(src), QStringList{"SHAFT"});
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM tools").toInt(), 2);
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().first().kind, QMessageBox::Critical);
        QVERIFY(rec.boxes().first().text.startsWith("Tooling table not copied"));
        QVERIFY(rec.boxes().first().text.contains("tool refused"));
        QVERIFY(!QSqlDatabase::database().rollback()); // no transaction left open
    }
};

QTEST_MAIN(tst_tablecopy)
#include "tst_tablecopy.moc"
