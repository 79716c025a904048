#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlTableModel>
#include <QTableView>
#include <QScopeGuard>
#include <QtTest>

#include <memory>

#include "shared/SharedStruct.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"
#include "tooling/csetlist.h"
#include "tooling/ctoolset.h"

namespace {

// Stands in for the main window's input box.
class InputBoxHost : public QWidget
{
    Q_OBJECT
public:
    struct Request
    {
        QString label, text;
        int type;
        bool password;
    };
    QList<Request> requests;

public slots:
    void showInputBox(QString label, QString text, eInputBoxType type, bool password)
    {
        requests << Request{label, text, int(type), password};
    }
};

struct List
{
    List()
        : panel(new cSetList(&host))
    {
        host.resize(380, 510);
        host.show();
    }
    QTableView *view() const { return panel->findChild<QTableView *>("twToolset"); }
    QPushButton *btn(const char *name) const { return panel->findChild<QPushButton *>(name); }
    QLineEdit *filter() const { return panel->findChild<QLineEdit *>("leFilter"); }
    QStringList names() const
    {
        QStringList n;
        for (int r = 0; r < panel->tableModel()->rowCount(); ++r)
            n << panel->tableModel()->index(r, 2).data().toString();
        return n;
    }
    QString current() const { return panel->tableModel()->index(view()->currentIndex().row(), 2).data().toString(); }
    void select(const QString &name) const
    {
        const int row = names().indexOf(name);
        view()->setCurrentIndex(panel->tableModel()->index(row, 2));
    }

    InputBoxHost host;
    cSetList *panel;
};

int count(const QString &sql)
{
    return ToolingDb::probe(sql).toInt();
}

} // namespace

class tst_setlist : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ToolingDbScope> m_db;
    int machine = 0;
    int other = 0;

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<ToolingDbScope>();
        QVERIFY(m_db->isOpen());
        machine = ToolingDb::addMachine("LATHE 1");
        other = ToolingDb::addMachine("LATHE 2");
    }
    void cleanupTestCase() { m_db.reset(); }
    void init()
    {
        ToolingDb::emptyTables();
        MachineSettings.ppEnabled = false;
    }

    void filter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("listed");
        const QStringList all = {"50 off", "50%off", "AB1", "O'Hara", "a_b", "abc", "axb", "xab"};
        QTest::newRow("none") << "" << all;
        QTest::newRow("blanks") << "   " << all;
        QTest::newRow("ab, any case, prefix only") << "ab" << QStringList({"AB1", "abc"});
        QTest::newRow("percent: any run of characters") << "%b" << QStringList({"AB1", "a_b", "abc", "axb", "xab"});
        QTest::newRow("underscore: any one character") << "a_" << QStringList({"AB1", "a_b", "abc", "axb"});
        QTest::newRow("quote literal") << "O'" << QStringList({"O'Hara"});
        QTest::newRow("leading blank kept") << " ab" << QStringList();
        QTest::newRow("no match") << "zz" << QStringList();
    }
    void filter()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, listed);
        for (const char *n : {"AB1", "abc", "xab", "50%off", "50 off", "O'Hara", "a_b", "axb"})
            ToolingDb::addTable(machine, n);
        ToolingDb::addTable(other, "abz");
        List l;
        l.panel->selectToolset(machine, true);
        l.filter()->setText(text);
        QCOMPARE(l.names(), listed);
        QCOMPARE(l.view()->isVisibleTo(&l.host), !listed.isEmpty());
        QCOMPARE(l.btn("tbEdit")->isEnabled(), !listed.isEmpty());
        if (!listed.isEmpty())
            QCOMPARE(l.current(), listed.first());
        // Opening the panel again empties the filter.
        l.panel->selectToolset(machine, true);
        QVERIFY(l.filter()->text().isEmpty());
        QCOMPARE(l.names().size(), 8);
        if (text == "ab")
            saveScreenshot(l.panel, "setlist");
    }

    void emptyMachine_data()
    {
        QTest::addColumn<bool>("postPro");
        QTest::newRow("post-processor off") << false;
        QTest::newRow("post-processor on") << true;
    }
    void emptyMachine()
    {
        QFETCH(bool, postPro);
        MachineSettings.ppEnabled = postPro;
        List l;
        l.panel->selectToolset(other, true);
        QVERIFY(!l.view()->isVisibleTo(&l.host));
        for (const char *b : {"tbEdit", "tbDelete", "tbCopy", "tbRename", "tbPostPro"})
            QVERIFY2(!l.btn(b)->isEnabled(), b);
        for (const char *b : {"tbNew", "tbCsvIn", "tbHide"})
            QVERIFY2(l.btn(b)->isEnabled(), b);
        QCOMPARE(l.btn("tbPostPro")->isVisibleTo(&l.host), postPro);
        MachineSettings.ppEnabled = !postPro;
        l.panel->updGui();
        QCOMPARE(l.btn("tbPostPro")->isVisibleTo(&l.host), !postPro);
        QSignalSpy hide(l.panel, &cSetList::sigHideList);
        l.btn("tbHide")->click();
        QCOMPARE(hide.count(), 1);
    }

    void inputBoxRequests()
    {
        ToolingDb::addTable(machine, "Old name");
        List l;
        l.panel->selectToolset(machine, true);
        l.btn("tbNew")->click();
        l.btn("tbRename")->click();
        QCOMPARE(l.host.requests.size(), 2);
        QCOMPARE(l.host.requests[0].label, QString("Insert tooling table name"));
        QCOMPARE(l.host.requests[0].text, QString());
        QCOMPARE(l.host.requests[0].type, 3);
        QCOMPARE(l.host.requests[0].password, false);
        QCOMPARE(l.host.requests[1].label, QString("Rename tooling table name"));
        QCOMPARE(l.host.requests[1].text, QString("Old name"));
        QCOMPARE(l.host.requests[1].type, 4);
    }

    void newTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("created");
        QTest::newRow("new") << "FRONT" << true;
        QTest::newRow("exists on this machine") << "EXISTING" << false;
        QTest::newRow("exists on another machine only") << "ELSEWHERE" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("quote and percent") << "O'Neil 50%" << true;
    }
    void newTable()
    {
        QFETCH(QString, name);
        QFETCH(bool, created);
        ToolingDb::addTable(machine, "EXISTING");
        ToolingDb::addTable(other, "ELSEWHERE");
        List l;
        l.panel->selectToolset(machine, true);
        l.filter()->setText("EX");
        QSignalSpy edit(l.panel, &cSetList::sigEditToolset);
        MessageBoxRecorder rec;
        l.panel->newToolset(name);
        const int rows = count(QString("SELECT COUNT(*) FROM toolingTables WHERE idMachine=%1").arg(machine));
        QCOMPARE(rows, created ? 2 : 1);
        if (created) {
            QVERIFY(rec.boxes().isEmpty());
            QCOMPARE(edit.count(), 1);
            QCOMPARE(edit.first().at(1).toString(), name);
            QCOMPARE(ToolingDb::probe(QString("SELECT name FROM toolingTables WHERE idTable=%1")
                                          .arg(edit.first().at(0).toInt()))
                         .toString(),
                     name);
            QVERIFY(l.filter()->text().isEmpty());
            QCOMPARE(l.current(), name);
        } else {
            QCOMPARE(edit.count(), 0);
            QCOMPARE(rec.boxes().size(), 1);
            QCOMPARE(rec.boxes().first().kind, QMessageBox::Critical);
            QCOMPARE(rec.boxes().first().title, QString("Insert tooling table"));
            QCOMPARE(rec.boxes().first().text, QString("Tooling table name already exixting"));
        }
    }

    void rename_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "NEW NAME";
        QTest::newRow("quote") << "it';DROP TABLE tools";
        QTest::newRow("name of another table") << "B";
        QTest::newRow("empty") << "";
    }
    void rename()
    {
        QFETCH(QString, name);
        ToolingDb::addTable(machine, "A");
        const int id = ToolingDb::addTable(machine, "B");
        ToolingDb::addTable(machine, "C");
        ToolingDb::addTool(id, 1, 1, 1);
        List l;
        l.panel->selectToolset(machine, true);
        l.select("B");
        QSignalSpy edit(l.panel, &cSetList::sigEditToolset);
        l.panel->renameToolset(name);
        QCOMPARE(ToolingDb::probe(QString("SELECT name FROM toolingTables WHERE idTable=%1").arg(id)).toString(), name);
        QCOMPARE(count("SELECT COUNT(*) FROM tools"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM toolingTables"), 3);
        QCOMPARE(edit.count(), 0);
        QCOMPARE(l.panel->tableModel()->index(l.view()->currentIndex().row(), 0).data().toInt(), id);
    }

    // A name no table may have is refused on every road that names one.
    void nameRefused_data()
    {
        QTest::addColumn<QString>("road");
        QTest::addColumn<QString>("name");
        QTest::newRow("new, line feed") << "new" << "A\nB";
        QTest::newRow("rename, 21 characters") << "rename" << QString(21, 'N');
        QTest::newRow("CSV import, tab") << "import" << "A\tB";
    }
    void nameRefused()
    {
        QFETCH(QString, road);
        QFETCH(QString, name);
        ToolingDb::addTable(machine, "B");
        List l;
        l.panel->selectToolset(machine, true);
        l.select("B");
        MessageBoxRecorder rec;
        if (road == "new")
            l.panel->newToolset(name);
        else if (road == "rename")
            l.panel->renameToolset(name);
        else
            l.panel->importToolset(name);
        QCOMPARE(count("SELECT COUNT(*) FROM toolingTables WHERE name='B'"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM toolingTables"), 1);
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().first().text, QString("Tooling table name not valid"));
    }

    void deleteTable_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("refusedByDatabase");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<bool>("dncList");
        QTest::newRow("yes") << int(QMessageBox::Yes) << false << true << true;
        QTest::newRow("no") << int(QMessageBox::No) << false << false << true;
        QTest::newRow("all or nothing") << int(QMessageBox::Yes) << true << false << true;
        QTest::newRow("file without dnc list") << int(QMessageBox::Yes) << false << true << false;
    }
    void deleteTable()
    {
        QFETCH(int, answer);
        QFETCH(bool, refusedByDatabase);
        QFETCH(bool, deleted);
        QFETCH(bool, dncList);
        // The upgrade gives the file its dnc list back.
        const auto restore = qScopeGuard([] { upgradeDatabase(); });
        if (!dncList)
            QVERIFY(ToolingDb::exec("DROP TABLE dnc"));
        const int keep = ToolingDb::addTable(machine, "A KEEP");
        const int gone = ToolingDb::addTable(machine, "B GONE");
        const int kept = ToolingDb::addTool(keep, 1, 1, 1);
        for (int t = 1; t <= 3; ++t) {
            const int tool = ToolingDb::addTool(gone, t, 1, 1);
            if (dncList)
                ToolingDb::exec(QString("INSERT INTO dnc (idTool, dncNum0) VALUES (%1, 1)").arg(tool));
        }
        if (dncList)
            ToolingDb::exec(QString("INSERT INTO dnc (idTool, dncNum0) VALUES (%1, 1)").arg(kept));
        if (refusedByDatabase)
            ToolingDb::exec("CREATE TRIGGER refuse BEFORE DELETE ON toolingTables BEGIN SELECT RAISE(ABORT, 'no'); END");
        List l;
        l.panel->selectToolset(machine, true);
        l.select("B GONE");
        l.filter()->setText("B");
        l.select("B GONE");
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::StandardButton(answer));
        l.btn("tbDelete")->click();
        QCOMPARE(rec.boxes().size(), refusedByDatabase ? 2 : 1);
        QCOMPARE(rec.boxes().first().title, QString("Delete tooling table"));
        QCOMPARE(rec.boxes().first().defaultButton, QMessageBox::No);
        QCOMPARE(count(QString("SELECT COUNT(*) FROM toolingTables WHERE idTable=%1").arg(gone)), deleted ? 0 : 1);
        QCOMPARE(count(QString("SELECT COUNT(*) FROM tools WHERE idTable=%1").arg(gone)), deleted ? 0 : 3);
        if (dncList)
            QCOMPARE(count("SELECT COUNT(*) FROM dnc"), deleted ? 1 : 4);
        QCOMPARE(count(QString("SELECT COUNT(*) FROM tools WHERE idTable=%1").arg(keep)), 1);
        if (answer == QMessageBox::Yes) {
            QVERIFY(l.filter()->text().isEmpty());
            QCOMPARE(l.view()->currentIndex().row(), 0);
        }
    }

    // A change the disk refuses is said with the store's error; the list
    // shows what the database holds.
    void refusedChangeIsTold_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("change");
        for (const StorageFault::Kind kind : StorageFault::kinds())
            for (const char *change : {"created", "renamed", "deleted"})
                QTest::addRow("%s, %s", StorageFault::name(kind), change) << int(kind) << QString(change);
    }
    void refusedChangeIsTold()
    {
        QFETCH(int, fault);
        QFETCH(QString, change);
        ToolingDb::addTable(machine, "A");
        ToolingDb::addTable(machine, "B");
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Yes);
        QStringList listed;
        {
            RefusingDb disk(fault);
            QVERIFY(disk.holds());
            List l;
            l.panel->selectToolset(machine, true);
            l.select("B");
            if (change == "created")
                l.panel->newToolset("C");
            else if (change == "renamed")
                l.panel->renameToolset("C");
            else
                l.btn("tbDelete")->click();
            listed = l.names();
        }
        const QString held = ToolingDb::probe(QString("SELECT group_concat(name) FROM (SELECT name FROM toolingTables "
                                                      "WHERE idMachine=%1 ORDER BY name)").arg(machine))
                                 .toString();
        QCOMPARE(listed.join(','), held);
        QStringList told;
        for (const auto &b : rec.boxes())
            if (b.kind == QMessageBox::Critical)
                told << b.text;
        if (fault == StorageFault::None) {
            QCOMPARE(told, QStringList());
            QVERIFY(held != "A,B");
        } else {
            QCOMPARE(held, QString("A,B"));
            QCOMPARE(told.size(), 1);
            QVERIFY2(told.first().startsWith("Tooling table not " + change + "\n\n") && told.first().size() > 30,
                     qPrintable(told.first()));
        }
    }

    // In a file whose table keys are reused, a new table must not inherit
    // the tools of a deleted one.
    void newTableAfterDeleteStartsEmpty()
    {
        ToolingDb::exec("DROP TABLE toolingTables");
        ToolingDb::exec("CREATE TABLE toolingTables (idTable INTEGER PRIMARY KEY, idMachine INTEGER, name VARCHAR(100))");
        const int gone = ToolingDb::addTable(machine, "OLD");
        ToolingDb::addTool(gone, 1, 1, 1);
        List l;
        l.panel->selectToolset(machine, true);
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Yes);
        l.btn("tbDelete")->click();
        QSignalSpy edit(l.panel, &cSetList::sigEditToolset);
        l.panel->newToolset("NEW");
        QCOMPARE(edit.count(), 1);
        QCOMPARE(edit.first().at(0).toInt(), gone); // the key was handed out again
        QCOMPARE(count(QString("SELECT COUNT(*) FROM tools WHERE idTable=%1").arg(gone)), 0);
    }

    void editorOpensFromListAndReturns()
    {
        const int id = ToolingDb::addTable(machine, "SHAFT");
        ToolingDb::addTool(id, 2, 20, 2, "B");
        ToolingDb::addTool(id, 1, 10, 1, "A");
        List l;
        auto *editor = new cToolset(nullptr, nullptr, &l.host);
        editor->hide();
        QObject::connect(l.panel, &cSetList::sigEditToolset, editor, [&](int table, QString name) {
            l.panel->hide();
            editor->setCurrentTable(table, "LATHE 1", name);
            editor->show();
        });
        QObject::connect(editor, &cToolset::sigCloseToolset, l.panel, [&] {
            editor->hide();
            l.panel->show();
        });
        l.panel->selectToolset(machine, true);
        l.btn("tbEdit")->click();
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->currentTable(), id);
        QCOMPARE(editor->findChild<QLineEdit *>("leT")->text(), QString("1"));
        editor->findChild<QPushButton *>("tbExitTool")->click();
        QVERIFY(l.panel->isVisible());
        QVERIFY(!editor->isVisible());
    }
};

QTEST_MAIN(tst_setlist)
#include "tst_setlist.moc"
