// The one way every road removes tools: with their DNC values, all or
// nothing.
#include <QSqlQuery>
#include <QtTest>

#include <memory>

#include "machines/MachineRows.h"
#include "shared/CheckedStore.h"
#include "shared/SharedStruct.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"
#include "tooling/DncData.h"
#include "tooling/ToolingTables.h"

namespace {

int count(const QString &sql)
{
    QSqlQuery q;
    return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
}

} // namespace

class tst_tooling : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWorkDir> m_wd;
    // The seeded tools by name: table A of LATHE1 holds A1 to A3, its table
    // B holds B4, table C of MILL2 holds C5.
    QMap<QString, int> m_tools;
    int m_lathe = 0;
    int m_tableA = 0;

private slots:
    void initTestCase()
    {
        m_wd = std::make_unique<TestWorkDir>();
        QVERIFY(ToolingDb::open());
    }
    void cleanupTestCase()
    {
        ToolingDb::close();
        m_wd.reset();
    }

    void init()
    {
        ToolingDb::emptyTables();
        ToolingDb::exec("DELETE FROM machine");
        m_lathe = ToolingDb::addMachine("LATHE1");
        const int mill = ToolingDb::addMachine("MILL2");
        m_tableA = ToolingDb::addTable(m_lathe, "A");
        const int b = ToolingDb::addTable(m_lathe, "B");
        const int c = ToolingDb::addTable(mill, "C");
        m_tools.clear();
        const QList<QPair<QString, int>> tools{{"A1", m_tableA}, {"A2", m_tableA}, {"A3", m_tableA}, {"B4", b}, {"C5", c}};
        for (const auto &t : tools) {
            const int id = ToolingDb::addTool(t.second, t.first.mid(1).toInt(), 1, 1, t.first);
            m_tools.insert(t.first, id);
            QVERIFY(ToolingDb::exec(QString("INSERT INTO dnc (idTool, dncNum0) VALUES (%1, 7)").arg(id)));
        }
    }
    void cleanup()
    {
        ToolingDb::exec("DROP TRIGGER IF EXISTS refuse");
        // The upgrade gives a file its dnc list back.
        upgradeDatabase();
    }

    // Each road that removes tools takes their DNC values with them and
    // leaves every other tool's; refused, it takes nothing.
    void removal_data()
    {
        QTest::addColumn<QString>("road");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("dncList");
        QTest::addColumn<QStringList>("gone");
        const QStringList tableA{"A1", "A2", "A3"};
        const QStringList lathe{"A1", "A2", "A3", "B4"};
        QTest::newRow("one tool") << "tool" << false << true << QStringList{"A2"};
        QTest::newRow("table deleted") << "table" << false << true << tableA;
        QTest::newRow("machine deleted") << "machine" << false << true << lathe;
        QTest::newRow("table replaced by $I") << "import" << false << true << tableA;
        QTest::newRow("table deletion refused") << "table" << true << true << QStringList();
        QTest::newRow("machine deletion refused") << "machine" << true << true << QStringList();
        QTest::newRow("$I refused") << "import" << true << true << QStringList();
        QTest::newRow("one tool, file without dnc list") << "tool" << false << false << QStringList{"A2"};
        QTest::newRow("$I, file without dnc list") << "import" << false << false << tableA;
    }
    void removal()
    {
        QFETCH(QString, road);
        QFETCH(bool, refused);
        QFETCH(bool, dncList);
        QFETCH(QStringList, gone);
        if (!dncList)
            QVERIFY(ToolingDb::exec("DROP TABLE dnc"));
        // Refused once the DNC values are gone: those must come back too.
        if (refused)
            QVERIFY(ToolingDb::exec("CREATE TRIGGER refuse BEFORE DELETE ON tools BEGIN SELECT RAISE(ABORT, 'no'); END"));
        bool ok = false;
        if (road == "tool") {
            CheckedStore store;
            ok = store.begin() && ToolingTables::removeTools(store, ToolingTables::Tools::One, m_tools.value("A2"))
                 && store.commit();
        } else if (road == "table") {
            ok = ToolingTables::remove(m_tableA);
        } else if (road == "machine") {
            ok = MachineRows::remove(m_lathe);
        } else {
            ok = importSet("@LATHE1@A@7,0,0,0,0,C7, \n@");
            if (ok)
                QCOMPARE(count(QString("SELECT COUNT(*) FROM tools WHERE idTable=%1 AND t=7").arg(m_tableA)), 1);
        }
        QCOMPARE(ok, !refused);
        for (auto t = m_tools.cbegin(); t != m_tools.cend(); ++t) {
            const int kept = gone.contains(t.key()) ? 0 : 1;
            QCOMPARE(count(QString("SELECT COUNT(*) FROM tools WHERE idTool=%1").arg(t.value())), kept);
            if (dncList)
                QCOMPARE(count(QString("SELECT COUNT(*) FROM dnc WHERE idTool=%1").arg(t.value())), kept);
        }
        if (dncList)
            QCOMPARE(count("SELECT COUNT(*) FROM dnc WHERE idTool NOT IN (SELECT idTool FROM tools)"), 0);
        // No transaction was left open.
        QVERIFY(ToolingDb::exec("BEGIN") && ToolingDb::exec("COMMIT"));
    }
};

QTEST_GUILESS_MAIN(tst_tooling)
#include "tst_tooling.moc"
