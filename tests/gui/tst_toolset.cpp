#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>
#include <QFontMetrics>
#include <QScopeGuard>
#include <QtTest>

#include <memory>
#include <tuple>

#include "axis/measureserver.h"
#include "shared/SharedStruct.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/StorageFault.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"
#include "tooling/ToolTolerance.h"
#include "tooling/ctoolsearch.h"
#include "tooling/ctoolset.h"

namespace {

// Measure server whose live axis value is scripted; it never waits for a camera.
class ScriptedMeasure : public MeasureServer
{
public:
    ScriptedMeasure()
        : MeasureServer(nullptr, nullptr, nullptr, nullptr)
    {
    }
    QString x, z;

protected:
    QString liveValue(eAxisType axisType) const override { return axisType == X ? x : z; }
    void settle(QPushButton *) override {}
};

// The editor on a plain parent, with its form's widgets by name.
struct Editor
{
    explicit Editor(MeasureServer *measure = nullptr)
        : panel(new cToolset(nullptr, measure, &parent))
    {
        parent.resize(400, 520);
        parent.show();
    }
    QLineEdit *le(const char *name) const { return panel->findChild<QLineEdit *>(name); }
    QPushButton *btn(const char *name) const { return panel->findChild<QPushButton *>(name); }
    QTableView *view() const { return panel->findChild<QTableView *>("twTools"); }
    QString cell(int row, int column) const { return view()->model()->index(row, column).data().toString(); }
    int selectedRow() const
    {
        const QModelIndexList rows = view()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }
    // Types a text into a field and leaves it, as the operator does.
    void leave(const char *name, const QString &text) const
    {
        le(name)->setText(text);
        emit le(name)->editingFinished();
    }

    QWidget parent;
    cToolset *panel;
};

// The editor open on the test's table while its database refuses writes as
// the row's StorageFault kind says, with the boxes it shows recorded.
struct RefusingEditor
{
    RefusingEditor(int fault, int table)
        : disk(fault)
    {
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
    }
    RefusingDb disk;
    Editor e;
    QSignalSpy closed{e.panel, &cToolset::sigCloseToolset};
    MessageBoxRecorder rec;
};

QStringList boxTexts(const MessageBoxRecorder &rec)
{
    QStringList texts;
    for (const auto &b : rec.boxes())
        texts << b.text;
    return texts;
}

// Every stored value of every tool, all of its digits: equal texts are equal bytes.
QString storedRows()
{
    return ToolingDb::probe("SELECT group_concat(quote(idTool)||quote(t)||quote(code)||quote(x)||quote(z)"
                            "||quote(angle)||quote(cr)||quote(Xth)||quote(Zth)||quote(XtolPlus)"
                            "||quote(XtolMinus)||quote(ZtolPlus)||quote(ZtolMinus), ';') FROM tools")
        .toString();
}

QVariant stored(const QString &column, int idTool)
{
    return ToolingDb::probe(QStringLiteral("SELECT %1 FROM tools WHERE idTool=%2").arg(column).arg(idTool));
}

} // namespace

class tst_toolset : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ToolingDbScope> m_db;
    int machine = 0;
    int table = 0;

private slots:
    void initTestCase()
    {
        // As the program sets it at start: the fields' validators take a point.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_db = std::make_unique<ToolingDbScope>();
        QVERIFY(m_db->isOpen());
        machine = ToolingDb::addMachine("LATHE 1");
    }
    void cleanupTestCase() { m_db.reset(); }
    void init()
    {
        ToolingDb::emptyTables();
        CurrentMachine = s_machine();
        MachineSettings.mmDecimals = 3;
        MachineSettings.inchDecimals = 4;
        table = ToolingDb::addTable(machine, "T1");
    }

    // An older tools table gets the tolerance columns at the start's
    // upgrade, its tools kept, and not from the editor, which changes no
    // schema; a file that refuses the change stays as it was, with no
    // transaction left open.
    void olderTableGetsTolerances_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("columns");
        const QString old = "idTool,idTable,t,x,z,code,angle,cr";
        QTest::newRow("writable") << int(StorageFault::None)
                                  << old + ",Xth,XtolPlus,XtolMinus,Zth,ZtolPlus,ZtolMinus";
        QTest::newRow("read-only file") << int(StorageFault::ReadOnlyFile) << old;
    }
    void olderTableGetsTolerances()
    {
        QFETCH(int, fault);
        QFETCH(QString, columns);
        QVERIFY(ToolingDb::exec("ALTER TABLE tools RENAME TO toolsKept"));
        const auto restore = qScopeGuard([] {
            ToolingDb::exec("DROP TABLE IF EXISTS tools");
            ToolingDb::exec("ALTER TABLE toolsKept RENAME TO tools");
        });
        QVERIFY(ToolingDb::exec("CREATE TABLE tools (idTool INTEGER PRIMARY KEY AUTOINCREMENT, idTable INTEGER NOT NULL, "
                                "t INTEGER NOT NULL DEFAULT 0, x FLOAT DEFAULT 0, z FLOAT DEFAULT 0, "
                                "code VARCHAR(100) DEFAULT '', angle FLOAT DEFAULT 0, cr FLOAT DEFAULT 0)"));
        const int id = ToolingDb::addTool(table, 7, 1.5, 2.5, "OLD");
        const QString names = "SELECT group_concat(name) FROM (SELECT name FROM pragma_table_info('tools') ORDER BY cid)";
        const QString before = ToolingDb::probe(names).toString();
        {
            Editor e;
            QCOMPARE(ToolingDb::probe(names).toString(), before);
        }
        {
            RefusingDb disk(fault);
            QVERIFY(disk.holds());
            upgradeDatabase();
            QVERIFY(QSqlDatabase::database().transaction());
            QVERIFY(QSqlDatabase::database().rollback());
        }
        QCOMPARE(ToolingDb::probe(names).toString(), columns);
        QCOMPARE(ToolingDb::probe(QString("SELECT t||code FROM tools WHERE idTool=%1").arg(id)).toString(),
                 QString("7OLD"));
    }

    void tolerance_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("nominal");
        QTest::addColumn<double>("plus");
        QTest::addColumn<double>("minus");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("out");
        QTest::newRow("no tolerance") << 99.0 << 10.0 << 0.0 << 0.0 << 3 << false;
        QTest::newRow("on plus limit") << 10.02 << 10.0 << 0.02 << 0.0 << 3 << false;
        QTest::newRow("beyond plus") << 10.03 << 10.0 << 0.02 << 0.0 << 3 << true;
        QTest::newRow("one step beyond plus") << 10.021 << 10.0 << 0.02 << 0.0 << 3 << true;
        QTest::newRow("inside") << 10.01 << 10.0 << 0.02 << 0.0 << 3 << false;
        QTest::newRow("below zero minus") << 9.99 << 10.0 << 0.02 << 0.0 << 3 << true;
        QTest::newRow("on minus limit") << 9.95 << 10.0 << 0.0 << 0.05 << 3 << false;
        QTest::newRow("beyond minus") << 9.949 << 10.0 << 0.0 << 0.05 << 3 << true;
        QTest::newRow("half plus") << 10.5 << 10.0 << 0.5 << 0.0 << 3 << false;
        QTest::newRow("rounds to shown limit") << 10.0204 << 10.0 << 0.02 << 0.0 << 3 << false;
        QTest::newRow("inch on limit") << 0.4012 << 0.4 << 0.0012 << 0.0 << 4 << false;
        QTest::newRow("inch beyond") << 0.4013 << 0.4 << 0.0012 << 0.0 << 4 << true;
        QTest::newRow("negative nominal") << -5.98 << -6.0 << 0.02 << 0.02 << 3 << false;
        QTest::newRow("tolerance finer than shown") << 10.3 << 10.0 << 0.04 << 0.04 << 1 << true;
        QTest::newRow("limit rounded as shown") << 10.08 << 10.0 << 0.06 << 0.0 << 1 << false;
    }
    void tolerance()
    {
        QFETCH(double, value);
        QFETCH(double, nominal);
        QFETCH(double, plus);
        QFETCH(double, minus);
        QFETCH(int, decimals);
        QFETCH(bool, out);
        QCOMPARE(isOutOfTolerance(value, nominal, plus, minus, decimals), out);
    }

    void opensSortedWithDecimals_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<QString>("x");
        QTest::newRow("mm") << true << "12.500";
        QTest::newRow("inch") << false << "12.5000";
    }
    void opensSortedWithDecimals()
    {
        QFETCH(bool, metric);
        QFETCH(QString, x);
        CurrentMachine.IsMM = metric;
        ToolingDb::addTool(table, 3, 30, 3, "C");
        const int first = ToolingDb::addTool(table, 1, 12.5, 1, "A");
        ToolingDb::addTool(table, 2, 20, 2, "B");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QVERIFY(!e.panel->isInsertMode());
        QCOMPARE(e.view()->model()->rowCount(), 3);
        for (int row = 0; row < 3; ++row)
            QCOMPARE(e.cell(row, 2), QString::number(row + 1));
        QCOMPARE(e.cell(0, 3), x);
        QCOMPARE(e.le("leX")->text(), x);
        QCOMPARE(e.le("leT")->text(), QString("1"));
        QCOMPARE(e.selectedRow(), 0);
        QCOMPARE(e.panel->currentToolId(), first);
        // Only t, x, z and code are listed.
        QStringList shown;
        for (int c = 0; c < e.view()->model()->columnCount(); ++c)
            if (!e.view()->isColumnHidden(c))
                shown << e.view()->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(shown, QStringList({"t", "x", "z", "code"}));
        saveScreenshot(e.panel, metric ? "toolset-mm" : "toolset-inch");
    }

    // The list's code column: short and long codes in one type, each whole.
    void codeColumnOneType()
    {
        ToolingDb::addTool(table, 1, 10, 1, "CNMG 120408 ROUGH");
        ToolingDb::addTool(table, 2, 20, 2, "VBMT 160404 FINE");
        ToolingDb::addTool(table, 3, 30, 3, "DRILL 12");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QAbstractItemModel *m = e.view()->model();
        const int code = 5;
        saveScreenshot(e.panel, "toolset-codes");
        QSet<int> sizes;
        for (int row = 0; row < m->rowCount(); ++row) {
            const QFont f = m->data(m->index(row, code), Qt::FontRole).value<QFont>();
            sizes << f.pixelSize();
            const QString text = m->data(m->index(row, code)).toString();
            QVERIFY2(QFontMetrics(f).horizontalAdvance(text) < e.view()->columnWidth(code), qPrintable(text));
        }
        QCOMPARE(sizes.size(), 1);
    }

    void emptyTableOpensInInsertMode()
    {
        CurrentMachine.dncFormat = "cnc.dnc";
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QVERIFY(e.panel->isInsertMode());
        QVERIFY(e.btn("tbDnc")->isHidden());
        QVERIFY(e.btn("tbDelTool")->isHidden());
        QVERIFY(!e.btn("tbOkTool")->isHidden());
        QVERIFY(!e.view()->isEnabled());
        QVERIFY(e.le("leT")->text().isEmpty());
    }

    void leavingAFieldStoresDurably_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("x") << "leX" << "7.250" << "x" << QVariant(7.25);
        QTest::newRow("z") << "leZ" << "-3.5" << "z" << QVariant(-3.5);
        QTest::newRow("code keeps blanks") << "leCode" << " AB 1 " << "code" << QVariant(" AB 1 ");
        QTest::newRow("code quote") << "leCode" << "O'Brien" << "code" << QVariant("O'Brien");
        QTest::newRow("number") << "leT" << "44" << "t" << QVariant(44);
    }
    void leavingAFieldStoresDurably()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, column);
        QFETCH(QVariant, expected);
        const int id = ToolingDb::addTool(table, 5, 1, 1, "X");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        e.leave(field.toLatin1().constData(), text);
        // Seen by another connection at once: nothing waits for the editor's exit.
        const QVariant value = stored(column, id);
        if (expected.type() == QVariant::Double)
            QCOMPARE(value.toDouble(), expected.toDouble());
        else
            QCOMPARE(value.toString(), expected.toString());
        QCOMPARE(e.panel->shownToolId(), id);
        QCOMPARE(e.selectedRow(), 0);
    }

    void emptyFieldsStoredAsTheyAre()
    {
        const int id = ToolingDb::addTool(table, 5, 1, 1, "X");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        for (const char *f : {"leXTh", "leZTh", "leXTolPlus", "leAngle", "leCr"})
            e.le(f)->clear();
        e.leave("leX", "");
        QCOMPARE(stored("x", id).toDouble(), 0.0);
        QCOMPARE(stored("typeof(x)", id).toString(), QString("real"));
        QCOMPARE(stored("Xth", id).toDouble(), 0.0);
        QCOMPARE(stored("typeof(angle)", id).toString(), QString("text"));
        QCOMPARE(stored("cr", id).toString(), QString());
    }

    void secondOpeningStoresOnce()
    {
        ToolingDb::exec("CREATE TABLE IF NOT EXISTS stores (n INTEGER)");
        ToolingDb::exec("DELETE FROM stores");
        ToolingDb::exec("CREATE TRIGGER IF NOT EXISTS countStores AFTER UPDATE ON tools BEGIN INSERT INTO stores VALUES (1); END");
        ToolingDb::addTool(table, 5, 1, 1, "X");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        e.leave("leZ", "2.000");
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM stores").toInt(), 1);
        ToolingDb::exec("DROP TRIGGER countStores");
    }

    void refusedNumbers_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("warning");
        QTest::newRow("duplicate") << "2" << "Duplicated tool number";
        QTest::newRow("empty") << "" << "";
    }
    void refusedNumbers()
    {
        QFETCH(QString, number);
        QFETCH(QString, warning);
        const int id = ToolingDb::addTool(table, 1, 1, 1, "A");
        ToolingDb::addTool(table, 2, 2, 2, "B");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        MessageBoxRecorder rec;
        e.le("leX")->setText("9.999");
        e.leave("leT", number);
        QCOMPARE(boxTexts(rec), warning.isEmpty() ? QStringList() : QStringList(warning));
        // Row unchanged, the form shows the stored tool again.
        QCOMPARE(stored("t", id).toInt(), 1);
        QCOMPARE(stored("x", id).toDouble(), 1.0);
        QCOMPARE(e.le("leT")->text(), QString("1"));
        QCOMPARE(e.le("leX")->text(), QString("1.000"));
        // Checked again on the next try, not only once per opening.
        rec.clear();
        e.leave("leT", "2");
        QCOMPARE(boxTexts(rec), QStringList("Duplicated tool number"));
    }

    void insertTool_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<bool>("inserted");
        QTest::newRow("new") << "7" << "O'Brien " << QStringList() << true;
        QTest::newRow("duplicate") << "1" << "A" << QStringList("Duplicated tool number") << false;
        QTest::newRow("empty number") << "" << "A" << QStringList("Invalid tool number") << false;
        QTest::newRow("same number as in other table") << "9" << "B" << QStringList() << true;
        QTest::newRow("refused by database") << "8" << "FAIL" << QStringList("Unable to store tool") << false;
    }
    void insertTool()
    {
        QFETCH(QString, number);
        QFETCH(QString, code);
        QFETCH(QStringList, warnings);
        QFETCH(bool, inserted);
        ToolingDb::addTool(table, 1, 1, 1, "A");
        const int other = ToolingDb::addTable(machine, "T2");
        ToolingDb::addTool(other, 9, 1, 1, "Z");
        ToolingDb::exec("CREATE TRIGGER refuse BEFORE INSERT ON tools WHEN NEW.code='FAIL' "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        MessageBoxRecorder rec;
        e.btn("tbInsertTool")->click();
        QVERIFY(e.panel->isInsertMode());
        e.le("leT")->setText(number);
        e.le("leCode")->setText(code);
        e.le("leX")->setText("12.345");
        e.btn("tbOkTool")->click();
        QCOMPARE(boxTexts(rec), warnings);
        QCOMPARE(e.panel->isInsertMode(), !inserted);
        const int count = ToolingDb::probe(QString("SELECT COUNT(*) FROM tools WHERE idTable=%1").arg(table)).toInt();
        QCOMPARE(count, inserted ? 2 : 1);
        if (inserted) {
            QCOMPARE(ToolingDb::probe(QString("SELECT code FROM tools WHERE idTable=%1 AND t=%2").arg(table).arg(number))
                         .toString(),
                     code.trimmed());
            QCOMPARE(e.le("leT")->text(), number);
            QCOMPARE(e.cell(e.selectedRow(), 2), number);
            QCOMPARE(e.le("leX")->text(), QString("12.345"));
        } else {
            // The typed tool is still there to be corrected.
            QCOMPARE(e.le("leT")->text(), number);
            QCOMPARE(e.le("leCode")->text(), code);
        }
    }

    void unknownNumberKeepsCurrentTool()
    {
        ToolingDb::addTool(table, 1, 1, 1, "A");
        const int id = ToolingDb::addTool(table, 2, 2, 2, "B");
        ToolingDb::exec("CREATE TRIGGER refuse BEFORE UPDATE ON tools WHEN NEW.t=99 "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        auto *search = e.panel->findChild<cToolSearch *>();
        emit search->searchTool(2);
        QCOMPARE(e.panel->currentToolId(), id);
        emit search->searchTool(555);
        QCOMPARE(e.panel->currentToolId(), id);
        QCOMPARE(e.panel->shownToolId(), id);
        QCOMPARE(e.selectedRow(), 1);
        QCOMPARE(e.le("leT")->text(), QString("2"));
        // A store the database refuses is reported and the typed number stays
        // to be corrected; later edits still reach the tool.
        MessageBoxRecorder rec;
        e.leave("leT", "99");
        QCOMPARE(boxTexts(rec), QStringList("Unable to store tool"));
        QCOMPARE(e.panel->shownToolId(), id);
        QCOMPARE(e.le("leT")->text(), QString("99"));
        e.leave("leT", "2");
        e.leave("leZ", "4.000");
        QCOMPARE(stored("z", id).toDouble(), 4.0);
    }

    void deleteTool_data()
    {
        QTest::addColumn<int>("tools");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("left");
        QTest::addColumn<QString>("shown");
        QTest::newRow("only tool") << 1 << 0 << int(QMessageBox::Yes) << 0 << "";
        QTest::newRow("first of three") << 3 << 0 << int(QMessageBox::Yes) << 2 << "2";
        QTest::newRow("last of three") << 3 << 2 << int(QMessageBox::Yes) << 2 << "2";
        QTest::newRow("answer no") << 3 << 1 << int(QMessageBox::No) << 3 << "2";
    }
    void deleteTool()
    {
        QFETCH(int, tools);
        QFETCH(int, row);
        QFETCH(int, answer);
        QFETCH(int, left);
        QFETCH(QString, shown);
        for (int t = 1; t <= tools; ++t) {
            const int id = ToolingDb::addTool(table, t, t, t, QString("C%1").arg(t));
            QVERIFY(ToolingDb::exec(QString("INSERT INTO dnc (idTool, dncNum0) VALUES (%1, 7)").arg(id)));
        }
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        if (row > 0) {
            e.view()->setCurrentIndex(e.view()->model()->index(row, 2));
            emit e.view()->clicked(e.view()->currentIndex());
        }
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::StandardButton(answer));
        e.btn("tbDelTool")->click();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().first().defaultButton, QMessageBox::No);
        QCOMPARE(ToolingDb::probe(QString("SELECT COUNT(*) FROM tools WHERE idTable=%1").arg(table)).toInt(), left);
        // The DNC values go with their tool; the others' stay.
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM dnc WHERE idTool IN (SELECT idTool FROM tools)").toInt(), left);
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM dnc").toInt(), left);
        QCOMPARE(e.panel->isInsertMode(), left == 0);
        QCOMPARE(e.le("leT")->text(), shown);
    }

    // On a disk that refuses every write a form equal to its row is not
    // stored again: moving, a new tool and leaving go on without a word.
    void unchangedFormStoresNothing_data() { StorageFault::addRows(); }
    void unchangedFormStoresNothing()
    {
        QFETCH(int, fault);
        ToolingDb::addTool(table, 1, 1.25, 1, "A");
        const int second = ToolingDb::addTool(table, 2, 2, 2, "B");
        RefusingEditor r(fault, table);
        QVERIFY(r.disk.holds());
        auto [e, closed, rec] = std::tie(r.e, r.closed, r.rec);
        const QModelIndex other = e.view()->model()->index(1, 0);
        e.view()->setCurrentIndex(other);
        emit e.view()->clicked(other);
        QCOMPARE(e.panel->shownToolId(), second);
        e.btn("tbInsertTool")->click();
        QVERIFY(e.panel->isInsertMode());
        e.btn("tbExitTool")->click();
        e.btn("tbExitTool")->click();
        QCOMPARE(boxTexts(rec), QStringList());
        QCOMPARE(closed.count(), 1);
    }

    // Browsing writes nothing: every tool's row stays as it was stored, byte
    // for byte, and a refusing disk has nothing to refuse.
    void browsingWritesNothing_data()
    {
        QTest::addColumn<QString>("values"); // of (code, x, angle, cr, Xth)
        QTest::addColumn<int>("fault");
        const QList<QPair<const char *, QString>> tools = {
            {"code longer than the field", QString("'%1', 1.5, 0, 0, 0").arg(QString(60, 'K'))},
            {"NULL code", "NULL, 1.5, 0, 0, 0"},
            {"NULL angle, radius and nominal, x with more decimals as text", "'A', '1.23456', NULL, NULL, NULL"}};
        for (const auto &tool : tools)
            for (int fault : {int(StorageFault::None), int(StorageFault::ReadOnlyFile)})
                QTest::newRow(qPrintable(QString("%1, %2").arg(tool.first, StorageFault::name(StorageFault::Kind(fault)))))
                    << tool.second << fault;
    }
    void browsingWritesNothing()
    {
        QFETCH(QString, values);
        QFETCH(int, fault);
        QVERIFY(ToolingDb::exec(QString("INSERT INTO tools (idTable,t,code,x,angle,cr,Xth) VALUES (%1,1,%2)")
                                    .arg(table)
                                    .arg(values)));
        ToolingDb::addTool(table, 2, 2, 2, "B");
        const QString before = storedRows();
        {
            RefusingEditor r(fault, table);
            QVERIFY(r.disk.holds());
            auto [e, closed, rec] = std::tie(r.e, r.closed, r.rec);
            if (values.startsWith("'K"))
                QCOMPARE(e.le("leCode")->text(), QString(60, 'K'));
            for (int row : {1, 0, 1, 0}) {
                const QModelIndex index = e.view()->model()->index(row, 0);
                e.view()->setCurrentIndex(index);
                emit e.view()->clicked(index);
                QCOMPARE(e.selectedRow(), row);
            }
            e.btn("tbExitTool")->click();
            QCOMPARE(boxTexts(rec), QStringList());
            QCOMPARE(closed.count(), 1);
        }
        QCOMPARE(storedRows(), before);
    }

    // The store holds every tool to the one check of a tool, whatever put
    // the value in the form: the camera past the field's validator, or a row
    // another road stored.
    void storeChecksTool_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<QString>("stored"); // set in the tool's row before opening
        QTest::addColumn<bool>("inserting");
        QTest::addColumn<QString>("camera"); // X from the camera; empty: X typed
        QTest::addColumn<QString>("refusal");
        QTest::newRow("X from the camera, a field left") << true << "" << false << "2000" << "x 2000 out of -1500 .. 1500";
        QTest::newRow("X from the camera, new tool") << true << "" << true << "-2000" << "x -2000 out of -1500 .. 1500";
        QTest::newRow("stored inch tolerance beyond the limit, X typed")
            << false << "XtolPlus=0.8" << false << "" << "XtolPlus 0.8 out of 0 .. 0.5";
    }
    void storeChecksTool()
    {
        QFETCH(bool, metric);
        QFETCH(QString, stored);
        QFETCH(bool, inserting);
        QFETCH(QString, camera);
        QFETCH(QString, refusal);
        CurrentMachine.IsMM = metric;
        const int id = ToolingDb::addTool(table, 1, 1, 1, "A");
        if (!stored.isEmpty())
            QVERIFY(ToolingDb::exec(QString("UPDATE tools SET %1 WHERE idTool=%2").arg(stored).arg(id)));
        const QString before = storedRows();
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        MessageBoxRecorder rec;
        if (inserting) {
            e.btn("tbInsertTool")->click();
            e.le("leT")->setText("7");
        }
        if (!camera.isEmpty())
            e.panel->setX(camera);
        if (inserting)
            e.btn("tbOkTool")->click();
        else
            e.leave(camera.isEmpty() ? "leX" : "leZ", "2.0000");
        QCOMPARE(boxTexts(rec), QStringList(refusal));
        QCOMPARE(e.panel->isInsertMode(), inserting);
        QCOMPARE(storedRows(), before);
    }

    // A code longer than the field is held to the field's limit once edited.
    void editedLongCodeHeldToLimit()
    {
        const int id = ToolingDb::addTool(table, 1, 1, 1, QString(60, 'K'));
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QLineEdit *code = e.le("leCode");
        QCOMPARE(code->text(), QString(60, 'K'));
        code->setFocus();
        code->end(false);
        QTest::keyClick(code, Qt::Key_Backspace);
        QCOMPARE(code->text(), QString(40, 'K'));
        QTest::keyClick(code, Qt::Key_A);
        QCOMPARE(code->text(), QString(40, 'K'));
        emit code->editingFinished();
        QCOMPARE(stored("code", id).toString(), QString(40, 'K'));
    }

    // An edit the disk refuses is said; leaving, it may be given up and the
    // table stays as it was.
    void refusedEditCanBeGivenUp_data() { StorageFault::addRows(); }
    void refusedEditCanBeGivenUp()
    {
        QFETCH(int, fault);
        const bool refused = fault != StorageFault::None;
        const int id = ToolingDb::addTool(table, 1, 1, 1, "A");
        RefusingEditor r(fault, table);
        QVERIFY(r.disk.holds());
        auto [e, closed, rec] = std::tie(r.e, r.closed, r.rec);
        rec.answer(QMessageBox::Ok);
        rec.answer(QMessageBox::Yes);
        e.leave("leX", "7.5");
        e.btn("tbExitTool")->click();
        QCOMPARE(boxTexts(rec), refused ? QStringList({"Unable to store tool", "Unable to store tool\nDiscard the changes?"})
                                        : QStringList());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(stored("x", id).toDouble(), refused ? 1.0 : 7.5);
    }

    // A deletion the disk refuses is said with the store's error; the list
    // and the form show the tool still there.
    void refusedDeletionIsTold_data() { StorageFault::addRows(); }
    void refusedDeletionIsTold()
    {
        QFETCH(int, fault);
        const bool refused = fault != StorageFault::None;
        for (int t = 1; t <= 2; ++t)
            QVERIFY(ToolingDb::exec(QString("INSERT INTO dnc (idTool, dncNum0) VALUES (%1, 7)")
                                        .arg(ToolingDb::addTool(table, t, t, t, QString(QChar('A' + t - 1))))));
        RefusingEditor r(fault, table);
        QVERIFY(r.disk.holds());
        auto [e, rec] = std::tie(r.e, r.rec);
        rec.answer(QMessageBox::Yes);
        e.btn("tbDelTool")->click();
        QCOMPARE(rec.boxes().size(), refused ? 2 : 1);
        if (refused)
            QVERIFY2(rec.boxes().last().text.startsWith("Tool not deleted\n\n")
                         && rec.boxes().last().text.size() > 20,
                     qPrintable(rec.boxes().last().text));
        QCOMPARE(e.view()->model()->rowCount(), refused ? 2 : 1);
        QCOMPARE(ToolingDb::probe(QString("SELECT COUNT(*) FROM tools WHERE idTable=%1").arg(table)).toInt(),
                 refused ? 2 : 1);
        QCOMPARE(e.le("leT")->text(), QString(refused ? "1" : "2"));
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM dnc").toInt(), refused ? 2 : 1);
    }

    // A field takes what the store takes of its column, in the machine's
    // unit, from the editor's making on; an end it takes is stored.
    void fieldsTakeWhatTheStoreTakes_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("metric");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QStringList>("refused");
        QTest::newRow("X tolerance plus, mm, as made") << "leXTolPlus" << "XtolPlus" << true << false << "9.999"
                                                       << QStringList{"10", "-1"};
        QTest::newRow("Z tolerance minus, inch, as made") << "leZTolMinus" << "ZtolMinus" << false << false << "0.5"
                                                          << QStringList{"0.6", "-1"};
        QTest::newRow("X tolerance minus, inch, opened") << "leXTolMinus" << "XtolMinus" << false << true << "0.5000"
                                                         << QStringList{"0.5001", "-1"};
        QTest::newRow("Z tolerance plus, mm, opened") << "leZTolPlus" << "ZtolPlus" << true << true << "9.999"
                                                      << QStringList{"10.000"};
        QTest::newRow("corner radius, inch, opened") << "leCr" << "cr" << false << true << "-1500.0000"
                                                     << QStringList{"-1500.0001"};
        QTest::newRow("Z nominal, mm, opened") << "leZTh" << "Zth" << true << true << "1500.000"
                                               << QStringList{"1500.001"};
        QTest::newRow("angle, opened") << "leAngle" << "angle" << true << true << "-359.99" << QStringList{"-360", "360.01"};
        QTest::newRow("tool number, opened") << "leT" << "t" << true << true << "99999999"
                                             << QStringList{"0", "100000000"};
    }
    void fieldsTakeWhatTheStoreTakes()
    {
        QFETCH(QString, field);
        QFETCH(QString, column);
        QFETCH(bool, metric);
        QFETCH(bool, opened);
        QFETCH(QString, taken);
        QFETCH(QStringList, refused);
        CurrentMachine.IsMM = metric;
        const int id = ToolingDb::addTool(table, 1, 1, 1, "A");
        Editor e;
        if (opened)
            e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QLineEdit *edit = e.le(qPrintable(field));
        const auto state = [edit](QString text) {
            int pos = text.size();
            return edit->validator()->validate(text, pos);
        };
        QCOMPARE(state(taken), QValidator::Acceptable);
        for (const QString &text : refused)
            QVERIFY2(state(text) != QValidator::Acceptable, qPrintable(text));
        if (!opened)
            return;
        MessageBoxRecorder rec;
        edit->setText(taken);
        // Leaving X stores the whole form.
        e.leave("leX", e.le("leX")->text());
        QCOMPARE(boxTexts(rec), QStringList());
        QCOMPARE(stored(column, id).toDouble(), taken.toDouble());
    }

    // The code column's one size follows each stored, added or deleted code,
    // longer or shorter, and codes that other roads wrote.
    void codeSizeFollowsStores()
    {
        ToolingDb::addTool(table, 1, 1, 1, "A");
        ToolingDb::addTool(table, 2, 2, 2, "B");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        const auto pixels = [&] { return e.panel->listModel()->codeColumnPixelSize(); };
        QCOMPARE(pixels(), 18);
        e.leave("leCode", QString(40, 'W'));
        QCOMPARE(pixels(), 11);
        e.leave("leCode", "A");
        QCOMPARE(pixels(), 18);
        MessageBoxRecorder rec;
        e.btn("tbInsertTool")->click();
        e.le("leT")->setText("3");
        e.le("leCode")->setText(QString(40, 'W'));
        e.btn("tbOkTool")->click();
        QCOMPARE(pixels(), 11);
        rec.answer(QMessageBox::Yes);
        e.btn("tbDelTool")->click();
        QCOMPARE(pixels(), 18);
        // A code written meanwhile by another road counts at the next reading.
        QVERIFY(ToolingDb::exec(QString("UPDATE tools SET code='%1' WHERE t=1").arg(QString(40, 'W'))));
        const QModelIndex first = e.view()->model()->index(0, 0);
        e.view()->setCurrentIndex(first);
        emit e.view()->clicked(first);
        QCOMPARE(pixels(), 11);
    }

    void sortingWithTiesKeepsFormAndListTogether()
    {
        // Equal X values in an order that differs from their ids.
        ToolingDb::addTool(table, 4, 5, 1, "D");
        ToolingDb::addTool(table, 1, 5, 2, "A");
        ToolingDb::addTool(table, 3, 2, 3, "C");
        ToolingDb::addTool(table, 2, 5, 4, "B");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        emit e.view()->horizontalHeader()->sectionClicked(3);
        QCOMPARE(e.panel->currentSortColumn(), QString("x"));
        // The tool first before (1) is still shown, at its new place.
        QCOMPARE(e.le("leT")->text(), QString("1"));
        QCOMPARE(e.cell(e.selectedRow(), 2), QString("1"));
        for (int row = 0; row < 4; ++row) {
            e.view()->setCurrentIndex(e.view()->model()->index(row, 2));
            emit e.view()->clicked(e.view()->currentIndex());
            QCOMPARE(e.selectedRow(), row);
            QCOMPARE(e.le("leT")->text(), e.cell(row, 2));
            QCOMPARE(e.le("leCode")->text(), e.cell(row, 5));
        }
        // Reopening starts by tool number again.
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QCOMPARE(e.panel->currentSortColumn(), QString("t"));
        QCOMPARE(e.cell(0, 2), QString("1"));
    }

    void measure_data()
    {
        QTest::addColumn<bool>("xAxis");
        QTest::addColumn<bool>("radiusShown");
        QTest::addColumn<bool>("radiusStored");
        QTest::addColumn<QString>("measured");
        QTest::addColumn<QString>("tolerances"); // nominal;plus;minus
        QTest::addColumn<bool>("asks");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("written");
        QTest::newRow("radius shown, diameter stored") << true << true << false << "12.5" << "0;0;0" << false
                                                       << int(QMessageBox::Yes) << "25.000";
        QTest::newRow("diameter shown, radius stored") << true << false << true << "25" << "0;0;0" << false
                                                       << int(QMessageBox::Yes) << "12.500";
        QTest::newRow("z never converted") << false << true << false << "12.5" << "0;0;0" << false
                                           << int(QMessageBox::Yes) << "12.500";
        QTest::newRow("no tolerance") << true << true << true << "55" << "10;0;0" << false << int(QMessageBox::Yes)
                                      << "55.000";
        QTest::newRow("on the limit") << true << true << true << "10.02" << "10;0.02;0" << false
                                      << int(QMessageBox::Yes) << "10.020";
        QTest::newRow("beyond, overwrite") << true << true << true << "10.03" << "10;0.02;0" << true
                                           << int(QMessageBox::Yes) << "10.030";
        QTest::newRow("beyond, keep") << true << true << true << "10.03" << "10;0.02;0" << true
                                      << int(QMessageBox::No) << "";
        QTest::newRow("below zero minus") << false << true << true << "9.99" << "10;0.02;0" << true
                                          << int(QMessageBox::No) << "";
        QTest::newRow("z on minus limit") << false << true << true << "9.95" << "10;0;0.05" << false
                                          << int(QMessageBox::Yes) << "9.950";
    }
    void measure()
    {
        QFETCH(bool, xAxis);
        QFETCH(bool, radiusShown);
        QFETCH(bool, radiusStored);
        QFETCH(QString, measured);
        QFETCH(QString, tolerances);
        QFETCH(bool, asks);
        QFETCH(int, answer);
        QFETCH(QString, written);
        const int id = ToolingDb::addTool(table, 1, 1, 1, "A");
        const QStringList tol = tolerances.split(';');
        ScriptedMeasure server;
        (xAxis ? server.x : server.z) = measured;
        Editor e(&server);
        CurrentMachine.isRadius = radiusShown;
        CurrentMachine.isRadiusStored = radiusStored;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        e.le(xAxis ? "leXTh" : "leZTh")->setText(tol[0]);
        e.le(xAxis ? "leXTolPlus" : "leZTolPlus")->setText(tol[1]);
        e.le(xAxis ? "leXTolMinus" : "leZTolMinus")->setText(tol[2]);
        MessageBoxRecorder rec;
        if (xAxis && radiusShown != radiusStored)
            rec.answer(QMessageBox::Yes); // "Save anyway?" of the measure server
        rec.answer(QMessageBox::StandardButton(answer));
        e.btn(xAxis ? "tbSaveXset" : "tbSaveZset")->click();
        const bool asked = boxTexts(rec).contains("Measure out of tolerance, overwrite?");
        QCOMPARE(asked, asks);
        if (asked) {
            const auto box = rec.boxes().last();
            QCOMPARE(box.title, QString(xAxis ? "Measure X" : "Measure Z"));
            QCOMPARE(box.defaultButton, QMessageBox::No);
        }
        const QString column = xAxis ? "x" : "z";
        if (written.isEmpty()) {
            QCOMPARE(e.le(xAxis ? "leX" : "leZ")->text(), QString("1.000"));
            QCOMPARE(stored(column, id).toDouble(), 1.0);
        } else {
            QCOMPARE(e.le(xAxis ? "leX" : "leZ")->text(), written);
            QCOMPARE(stored(column, id).toDouble(), written.toDouble());
            QCOMPARE(stored(xAxis ? "Xth" : "Zth", id).toDouble(), tol[0].toDouble());
        }
    }

    // Tolerances stored with more decimals than shown (one decimal here) are
    // judged and kept as stored.
    void measureAgainstFinerTolerance_data()
    {
        QTest::addColumn<QString>("measured");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<QString>("written");
        QTest::newRow("10.3 against 10 +/-0.04") << "10.3" << true << "10.3";
        QTest::newRow("10.04 shown on its limit") << "10.04" << false << "10.0";
    }
    void measureAgainstFinerTolerance()
    {
        QFETCH(QString, measured);
        QFETCH(bool, asks);
        QFETCH(QString, written);
        MachineSettings.mmDecimals = 1;
        const int id = ToolingDb::addTool(table, 1, 1, 1, "A");
        ToolingDb::exec(QStringLiteral("UPDATE tools SET Xth=10, XtolPlus=0.04, XtolMinus=0.04 WHERE idTool=%1").arg(id));
        ScriptedMeasure server;
        server.x = measured;
        Editor e(&server);
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Yes);
        e.btn("tbSaveXset")->click();
        QCOMPARE(boxTexts(rec).contains("Measure out of tolerance, overwrite?"), asks);
        QCOMPARE(e.le("leX")->text(), written);
        QCOMPARE(stored("x", id).toDouble(), written.toDouble());
        QCOMPARE(stored("XtolPlus", id).toDouble(), 0.04);
        QCOMPARE(stored("XtolMinus", id).toDouble(), 0.04);
    }

    // A store the database refuses (a full disk, a read-only file) keeps the
    // measure just taken in the editor, which stays open for a retry.
    void failedStoreKeepsMeasure_data()
    {
        QTest::addColumn<QString>("then"); // what the operator presses after the refused measure
        QTest::newRow("measure only") << "";
        QTest::newRow("exit") << "tbExitTool";
        QTest::newRow("new tool") << "tbInsertTool";
        QTest::newRow("another tool picked") << "view";
    }
    void failedStoreKeepsMeasure()
    {
        QFETCH(QString, then);
        const int id = ToolingDb::addTool(table, 1, 1, 1, "A");
        ToolingDb::addTool(table, 2, 2, 2, "B");
        ToolingDb::exec("CREATE TRIGGER refuse BEFORE UPDATE ON tools BEGIN SELECT RAISE(ABORT, 'disk full'); END");
        ScriptedMeasure server;
        server.x = "12.345";
        Editor e(&server);
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QSignalSpy closed(e.panel, &cToolset::sigCloseToolset);
        MessageBoxRecorder rec;
        e.btn("tbSaveXset")->click();
        if (then == "view") {
            const QModelIndex other = e.view()->model()->index(1, 0);
            e.view()->setCurrentIndex(other);
            emit e.view()->clicked(other);
        } else if (!then.isEmpty()) {
            e.btn(qPrintable(then))->click();
        }
        QVERIFY(boxTexts(rec).contains("Unable to store tool"));
        QCOMPARE(e.le("leX")->text(), QString("12.345"));
        QCOMPARE(e.le("leT")->text(), QString("1"));
        QCOMPARE(e.panel->shownToolId(), id);
        QCOMPARE(e.selectedRow(), 0);
        QVERIFY(!e.panel->isInsertMode());
        QCOMPARE(closed.count(), 0);
        QCOMPARE(stored("x", id).toDouble(), 1.0);
        // The store works again: the retry takes the measure and leaves.
        ToolingDb::exec("DROP TRIGGER refuse");
        e.btn("tbExitTool")->click();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(stored("x", id).toDouble(), 12.345);
    }

    void retypedTextIsStored()
    {
        // 0.04 shows as "0.0" at one decimal; typing "0.0" over it means 0.
        MachineSettings.mmDecimals = 1;
        const int id = ToolingDb::addTool(table, 1, 1, 1, "A");
        ToolingDb::exec(QStringLiteral("UPDATE tools SET XtolPlus=0.04, XtolMinus=0.04 WHERE idTool=%1").arg(id));
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QLineEdit *plus = e.le("leXTolPlus");
        QCOMPARE(plus->text(), QString("0.0"));
        plus->selectAll();
        QTest::keyClicks(plus, "0.0");
        QTest::keyClick(e.le("leX"), Qt::Key_Return); // stores the tool
        QCOMPARE(stored("XtolPlus", id).toDouble(), 0.0);
        QCOMPARE(stored("XtolMinus", id).toDouble(), 0.04);
    }

    void measureInInsertModeWaitsForConfirmation()
    {
        ToolingDb::addTool(table, 1, 1, 1, "A");
        ScriptedMeasure server;
        server.z = "33.3";
        Editor e(&server);
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        e.btn("tbInsertTool")->click();
        e.btn("tbSaveZset")->click();
        QCOMPARE(e.le("leZ")->text(), QString("33.300"));
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM tools").toInt(), 1);
        e.le("leT")->setText("2");
        e.btn("tbOkTool")->click();
        QCOMPARE(ToolingDb::probe("SELECT z FROM tools WHERE t=2").toDouble(), 33.3);
    }

    void labelAndDncRequests()
    {
        ToolingDb::addTool(table, 1, 1, 1, "A");
        const int second = ToolingDb::addTool(table, 2, 2, 2, "B");
        CurrentMachine.dncFormat = "cnc.dnc";
        CurrentMachine.isRadiusStored = false;
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QVERIFY(!e.btn("tbDnc")->isHidden());
        e.view()->setCurrentIndex(e.view()->model()->index(1, 2));
        emit e.view()->clicked(e.view()->currentIndex());
        // Not stored yet: the label shows what the fields show.
        e.le("leX")->setText("8.888");
        e.le("leAngle")->setText("45.00");
        QSignalSpy label(e.panel, &cToolset::reqPrintLabel);
        QSignalSpy dnc(e.panel, &cToolset::sigOpenDncSocket);
        e.btn("tbLabelPrint")->click();
        e.btn("tbDnc")->click();
        QCOMPARE(label.count(), 1);
        const QList<QVariant> args = label.first();
        QStringList texts;
        for (int i = 0; i < 8; ++i)
            texts << args.at(i).toString();
        QCOMPARE(texts, QStringList({"LATHE 1", "T1", "2", "8.888", "2.000", "45.00", "0.000", "B"}));
        QCOMPARE(args.at(8).toBool(), false);
        QCOMPARE(dnc.count(), 1);
        QCOMPARE(dnc.first().at(0).toBool(), true);
        QCOMPARE(dnc.first().at(1).toInt(), second);
    }

    void exitStoresAndLeaves_data()
    {
        QTest::addColumn<bool>("inserting");
        QTest::addColumn<int>("tools");
        QTest::addColumn<int>("closes");
        QTest::newRow("browsing") << false << 1 << 1;
        QTest::newRow("inserting with tools") << true << 1 << 0;
        QTest::newRow("inserting in empty table") << true << 0 << 1;
    }
    void exitStoresAndLeaves()
    {
        QFETCH(bool, inserting);
        QFETCH(int, tools);
        QFETCH(int, closes);
        const int id = tools ? ToolingDb::addTool(table, 1, 1, 1, "A") : 0;
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        if (inserting && tools)
            e.btn("tbInsertTool")->click();
        e.le("leZ")->setText("6.000");
        QSignalSpy closed(e.panel, &cToolset::sigCloseToolset);
        QSignalSpy keyboard(e.panel, &cToolset::sigShowKeyboard);
        e.btn("tbExitTool")->click();
        QCOMPARE(closed.count(), closes);
        if (closes)
            QCOMPARE(keyboard.first().first().toBool(), false);
        if (tools)
            QCOMPARE(stored("z", id).toDouble(), inserting ? 1.0 : 6.0);
        else
            QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM tools").toInt(), 0);
        if (inserting && tools) {
            // The new tool was dropped; the next exit leaves.
            QVERIFY(!e.panel->isInsertMode());
            QCOMPARE(e.le("leT")->text(), QString("1"));
            e.btn("tbExitTool")->click();
            QCOMPARE(closed.count(), 1);
        }
    }

    void longTextsShrinkTheirFont_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("smaller");
        QTest::newRow("short number") << "leT" << "12" << false;
        QTest::newRow("8 digits") << "leT" << "12345678" << true;
        QTest::newRow("short code") << "leCode" << "ABC" << false;
        QTest::newRow("40 characters") << "leCode" << QString(40, 'W') << true;
    }
    void longTextsShrinkTheirFont()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, smaller);
        Editor e;
        QLineEdit *edit = e.le(field.toLatin1().constData());
        edit->setText(text);
        const QRegularExpressionMatch m = QRegularExpression("font-size:(\\d+)px").match(edit->styleSheet());
        QVERIFY(m.hasMatch());
        const int px = m.captured(1).toInt();
        QCOMPARE(px < 18, smaller);
        QFont f = edit->font();
        f.setPixelSize(px);
        QVERIFY(QFontMetrics(f).boundingRect(text).width() + 5 <= edit->width() || px == 6);
    }

    void cameraValuesOrKeyboard()
    {
        ToolingDb::addTool(table, 1, 1, 1, "A");
        Editor e;
        e.panel->setCurrentTable(table, "LATHE 1", "T1");
        QSignalSpy keyboard(e.panel, &cToolset::sigShowKeyboard);
        e.btn("tbAngleSet")->click();
        e.btn("tbCircleSet")->click();
        QCOMPARE(keyboard.count(), 2);
        QCOMPARE(keyboard.first().first().toBool(), true);
        e.panel->setAngle("30.50");
        e.panel->setCr("0.400");
        QCOMPARE(e.le("leAngle")->text(), QString("30.50"));
        QCOMPARE(e.le("leCr")->text(), QString("0.400"));
        // Stored with the next store step.
        e.leave("leX", "1.000");
        QCOMPARE(ToolingDb::probe("SELECT angle FROM tools").toDouble(), 30.5);
        QCOMPARE(ToolingDb::probe("SELECT cr FROM tools").toDouble(), 0.4);
    }
};

QTEST_MAIN(tst_toolset)
#include "tst_toolset.moc"
