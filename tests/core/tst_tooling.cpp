// The rules of a tool that every road into table `tools` is held to, and the
// one way every road removes tools: with their DNC values, all or nothing.
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTranslator>
#include <QtTest>

#include <memory>

#include "machines/MachineRows.h"
#include "shared/CheckedStore.h"
#include "shared/SharedStruct.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"
#include "tooling/DncData.h"
#include "tooling/ToolRules.h"
#include "tooling/ToolingTables.h"

namespace {

// Answers for one translation context only.
class ContextTranslator : public QTranslator
{
public:
    explicit ContextTranslator(const char *context)
        : context(context)
    {
    }
    QString translate(const char *c, const char *source, const char *, int) const override
    {
        return qstrcmp(c, context) == 0 && qstrcmp(source, "code longer than %1 characters") == 0
                   ? QStringLiteral("Code über %1 Zeichen")
                   : QString();
    }
    bool isEmpty() const override { return false; }

private:
    const char *context;
};

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

    // Every number column's limits in either unit: the ends are taken, just
    // beyond them is refused; columns without a rule take any number.
    void limits_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("metric");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<double>("step"); // beyond an end
        for (bool metric : {true, false}) {
            const char *unit = metric ? "mm" : "inch";
            for (const char *c : {"x", "z", "cr", "Xth", "Zth"})
                QTest::newRow(qPrintable(QString("%1, %2").arg(c, unit))) << c << metric << -1500.0 << 1500.0 << 0.001;
            QTest::newRow(qPrintable(QString("angle, %1").arg(unit))) << "angle" << metric << -359.99 << 360.0 << 0.01;
            QTest::newRow(qPrintable(QString("t, %1").arg(unit))) << "t" << metric << 1.0 << 99999999.0 << 1.0;
            for (const char *c : {"XtolPlus", "XtolMinus", "ZtolPlus", "ZtolMinus"})
                QTest::newRow(qPrintable(QString("%1, %2").arg(c, unit)))
                    << c << metric << 0.0 << (metric ? 9.999 : 0.5) << 0.001;
        }
        QTest::newRow("column in other case") << "XTOLPLUS" << false << 0.0 << 0.5 << 0.001;
        const double any = std::numeric_limits<double>::infinity();
        QTest::newRow("column without a rule") << "idTable" << true << -any << any << 0.0;
    }
    void limits()
    {
        QFETCH(QString, column);
        QFETCH(bool, metric);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(double, step);
        const ToolRules::Range r = ToolRules::range(column, metric);
        QCOMPARE(r.low, low);
        QCOMPARE(r.high, high);
        const auto refusal = [&](double v) {
            return ToolRules::refusal(column, QString::number(v, 'g', 12), false, metric);
        };
        if (std::isinf(high)) {
            QCOMPARE(refusal(-1e300) + refusal(1e300), QString());
            return;
        }
        QCOMPARE(refusal(low), QString());
        QCOMPARE(refusal(high), QString());
        QVERIFY(!refusal(low - step).isEmpty());
        QVERIFY(!refusal(high + step).isEmpty());
    }

    // What the store says of a refused value, and the code's length.
    void refusals_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("text");
        QTest::addColumn<bool>("metric");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("length beyond") << "x" << "-2000" << false << true << "x -2000 out of -1500 .. 1500";
        QTest::newRow("inch tolerance beyond") << "XtolPlus" << "0.8" << false << false << "XtolPlus 0.8 out of 0 .. 0.5";
        QTest::newRow("metric tolerance beyond") << "ZtolMinus" << "12.7" << false << true
                                                 << "ZtolMinus 12.7 out of 0 .. 9.999";
        QTest::newRow("negative tolerance") << "XtolMinus" << "-0.001" << false << true
                                            << "XtolMinus -0.001 out of 0 .. 9.999";
        QTest::newRow("tool number 0") << "t" << "0" << false << true << "t 0 out of 1 .. 99999999";
        QTest::newRow("tool number not whole") << "t" << "7.5" << false << true << "tool number 7.5 is not a whole number";
        QTest::newRow("code of 40 characters") << "code" << QString(40, 'c') << true << true << "";
        QTest::newRow("code of 41 characters") << "code" << QString(41, 'c') << true << false
                                               << "code longer than 40 characters";
        QTest::newRow("code in other case") << "CODE" << QString(41, 'c') << true << true << "code longer than 40 characters";
        QTest::newRow("other text column") << "name" << QString(200, 'n') << true << true << "";
    }
    void refusals()
    {
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(bool, text);
        QFETCH(bool, metric);
        QTEST(ToolRules::refusal(column, value, text, metric), "refusal");
    }

    // A whole tool: NULL takes anything, a number stored as text is read as
    // its number, the first reason found is told.
    void toolRefusal()
    {
        QSqlRecord tool;
        for (const char *c : {"t", "code", "x", "XtolPlus"})
            tool.append(QSqlField(c));
        tool.setValue("t", 3);
        QCOMPARE(ToolRules::toolRefusal(tool, false), QString());
        tool.setValue("x", QString("2000"));
        tool.setValue("XtolPlus", 0.8);
        QCOMPARE(ToolRules::toolRefusal(tool, false), QString("x 2000 out of -1500 .. 1500"));
        tool.setValue("code", QString(41, 'c'));
        QCOMPARE(ToolRules::toolRefusal(tool, false), QString("code longer than 40 characters"));
    }

    void numbersOncePerTable_data()
    {
        QTest::addColumn<QList<double>>("numbers");
        QTest::addColumn<QList<bool>>("taken");
        QTest::newRow("each once") << QList<double>{1, 2, 99999999} << QList<bool>{true, true, true};
        QTest::newRow("twice, not after each other") << QList<double>{5, 6, 5} << QList<bool>{true, true, false};
        QTest::newRow("three times") << QList<double>{5, 5, 5} << QList<bool>{true, false, false};
    }
    void numbersOncePerTable()
    {
        QFETCH(QList<double>, numbers);
        ToolRules::Numbers table;
        QList<bool> taken;
        for (double n : numbers)
            taken << table.take(n);
        QTEST(taken, "taken");
        // Another table takes them again.
        QVERIFY(ToolRules::Numbers().take(numbers.first()));
    }

    // The texts are the rules' own, whichever road shows them.
    void ownTranslationContext()
    {
        ContextTranslator translator("ToolRules");
        QVERIFY(QCoreApplication::installTranslator(&translator));
        const QString why = ToolRules::refusal("code", QString(41, 'c'), true, true);
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(why, QString::fromUtf8("Code über 40 Zeichen"));
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
