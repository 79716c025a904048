#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"
#include "tooling/ctoolsearch.h"

class tst_toolsearch : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ToolingDbScope> m_db;
    int table = 0;
    int otherTable = 0;

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<ToolingDbScope>();
        QVERIFY(m_db->isOpen());
        const int machine = ToolingDb::addMachine("MILL");
        table = ToolingDb::addTable(machine, "T1");
        otherTable = ToolingDb::addTable(machine, "T2");
        ToolingDb::addTool(table, 12, 1, 1, "ABX-1");
        ToolingDb::addTool(table, 30, 1, 1, "O'Brien 2");
        ToolingDb::addTool(table, 31, 1, 1, "50%CUT");
        ToolingDb::addTool(table, 32, 1, 1, "DRILL");
        ToolingDb::addTool(otherTable, 40, 1, 1, "ZZ");
    }
    void cleanupTestCase() { m_db.reset(); }

    void search_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("found"); // 0: "Tool not found"
        QTest::newRow("number") << "12" << "DRILL" << 12;
        QTest::newRow("absent number, no code") << "13" << "" << 0;
        QTest::newRow("absent number falls back to code") << "13" << "AB" << 12;
        QTest::newRow("code prefix ignores ASCII case") << "" << "ab" << 12;
        QTest::newRow("code with blanks around") << "" << "  DRI  " << 32;
        QTest::newRow("code with a quote") << "" << "O'B" << 30;
        QTest::newRow("code not found") << "" << "QQ" << 0;
        QTest::newRow("code is a prefix only") << "" << "RILL" << 0;
        QTest::newRow("nothing typed") << "" << "" << 0;
        QTest::newRow("number of another table") << "40" << "" << 0;
        QTest::newRow("percent") << "" << "50%" << 31;
    }
    void search()
    {
        QFETCH(QString, number);
        QFETCH(QString, code);
        QFETCH(int, found);
        QWidget parent;
        auto *search = new cToolSearch(&parent);
        search->showSearch(table);
        QVERIFY(search->isVisibleTo(&parent));
        search->findChild<QLineEdit *>("leT")->setText(number);
        search->findChild<QLineEdit *>("leCode")->setText(code);
        QSignalSpy tools(search, &cToolSearch::searchTool);
        QSignalSpy closed(search, &cToolSearch::closeSearch);
        MessageBoxRecorder rec;
        search->findChild<QPushButton *>("tbOk")->click();
        if (found) {
            QCOMPARE(tools.count(), 1);
            QCOMPARE(tools.first().first().toInt(), found);
            QCOMPARE(closed.count(), 1);
            QVERIFY(search->isHidden());
            QVERIFY(rec.boxes().isEmpty());
        } else {
            QCOMPARE(tools.count(), 0);
            QCOMPARE(closed.count(), 0);
            QCOMPARE(rec.boxes().size(), 1);
            QCOMPARE(rec.boxes().first().title, QString("Search"));
            QCOMPARE(rec.boxes().first().text, QString("Tool not found"));
            QCOMPARE(rec.boxes().first().parent, &parent);
            QVERIFY(!search->isHidden());
            QCOMPARE(search->findChild<QLineEdit *>("leCode")->text(), code);
        }
    }

    void returnSearchesAndExitCloses()
    {
        QWidget parent;
        parent.resize(375, 300);
        auto *search = new cToolSearch(&parent);
        parent.show();
        search->showSearch(table);
        QSignalSpy tools(search, &cToolSearch::searchTool);
        QSignalSpy closed(search, &cToolSearch::closeSearch);
        QLineEdit *code = search->findChild<QLineEdit *>("leCode");
        code->setText("DR");
        emit code->returnPressed();
        QCOMPARE(tools.count(), 1);
        // Texts are emptied when the panel opens again.
        search->showSearch(table);
        QVERIFY(code->text().isEmpty());
        saveScreenshot(&parent, "toolsearch");
        search->findChild<QPushButton *>("tbExit")->click();
        QCOMPARE(tools.count(), 1);
        QCOMPARE(closed.count(), 2);
        QVERIFY(search->isHidden());
    }
};

QTEST_MAIN(tst_toolsearch)
#include "tst_toolsearch.moc"
