#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QSqlTableModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "app/MainWindowForm.h"
#include "app/mainwindow.h"
#include "axis/cAxisInterface.h"
#include "camera/VideoCollector.h"
#include "shared/App.h"
#include "shared/FatalExit.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "support/MainWindowFixture.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"
#include "tooling/csetlist.h"
#include "tooling/ctoolset.h"

// The tooling panels in the main window: the table list opened from its
// button, names asked through the input box, the editor opened from the list
// and closed back to it.
class tst_toolingnav : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpWindowCase(); }
    void cleanupTestCase() { tearDownWindowCase(); }
    void init()
    {
        setUpWindow();
        // Panels take their place at once.
        writeSettings({{"/Machine/disableAnimation", true}});
        QVERIFY(ToolingDb::open());
        m_machine = ToolingDb::addMachine("LATHE 1");
        m_table = ToolingDb::addTable(m_machine, "SHAFT");
        ToolingDb::addTool(m_table, 2, 20, 2, "B");
        ToolingDb::addTool(m_table, 1, 10, 1, "A");
        ToolingDb::close();
        openWindow();
        QVERIFY(m_w->isComplete());
        m_w->selectMachine("LATHE 1");
        QCOMPARE(m_w->currentMachine(), m_machine);
    }
    void cleanup() { tearDownWindow(); }

    void listAndEditorHandOffs()
    {
        AnimatedWidgets &panels = m_w->panels();
        QVERIFY(!panels.isEnlarged("setList"));
        QVERIFY(ui->tbSetList->isEnabled());
        ui->tbSetList->click();
        QVERIFY(panels.isEnlarged("setList"));
        cSetList *list = m_w->setListPanel();
        QCOMPARE(list->machineId(), m_machine);
        QCOMPARE(list->tableModel()->rowCount(), 1);

        list->findChild<QPushButton *>("tbEdit")->click();
        QVERIFY(panels.isEnlarged("toolset"));
        QVERIFY(!panels.isEnlarged("setList"));
        QVERIFY(!ui->leToolset->isHidden());
        QCOMPARE(ui->leToolset->text(), QString("SHAFT"));
        QVERIFY(!ui->tbSetList->isEnabled());
        QVERIFY(!ui->cmbMachine->isEnabled());
        QVERIFY(!ui->tbStandBy->isEnabled());
        cToolset *editor = m_w->toolsetPanel();
        QCOMPARE(editor->currentTable(), m_table);
        QCOMPARE(editor->findChild<QLineEdit *>("leT")->text(), QString("1"));
        if (!qEnvironmentVariableIsEmpty("SCREENSHOT_DIR")) {
            QTRY_COMPARE_WITH_TIMEOUT(editor->geometry(), QRect(644, 200, 375, 500), 15000);
            saveScreenshot(m_w.get(), "mainwindow-toolset");
        }

        editor->findChild<QPushButton *>("tbExitTool")->click();
        QVERIFY(panels.isEnlarged("setList"));
        QVERIFY(!panels.isEnlarged("toolset"));
        QVERIFY(ui->leToolset->isHidden());
        QVERIFY(ui->tbSetList->isEnabled());
        QVERIFY(ui->cmbMachine->isEnabled());
        QVERIFY(ui->tbStandBy->isEnabled());

        list->findChild<QPushButton *>("tbHide")->click();
        QVERIFY(panels.isEnlarged("labelPrint"));
        QVERIFY(!panels.isEnlarged("setList"));
    }

    void namesThroughTheInputBox_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("opensEditor");
        QTest::newRow("new") << "tbNew" << "O'Neil" << "Insert tooling table name" << "" << true;
        QTest::newRow("rename") << "tbRename" << "TURNED" << "Rename tooling table name" << "SHAFT" << false;
    }
    void namesThroughTheInputBox()
    {
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QString, label);
        QFETCH(QString, start);
        QFETCH(bool, opensEditor);
        AnimatedWidgets &panels = m_w->panels();
        ui->tbSetList->click();
        cSetList *list = m_w->setListPanel();
        list->findChild<QPushButton *>(button)->click();
        QVERIFY(panels.isEnlarged("inputBox"));
        QVERIFY(!ui->centralwidget->isEnabled());
        QCOMPARE(ui->lblInputBox->text(), label);
        QCOMPARE(ui->leInputBox->text(), start);
        QCOMPARE(ui->leInputBox->echoMode(), QLineEdit::Normal);
        ui->leInputBox->setText(typed);
        emit ui->leInputBox->returnPressed();
        QVERIFY(!panels.isEnlarged("inputBox"));
        QVERIFY(ui->centralwidget->isEnabled());
        QSqlQuery q;
        q.prepare("SELECT COUNT(*) FROM toolingTables WHERE idMachine=:m AND name=:n");
        q.bindValue(":m", m_machine);
        q.bindValue(":n", typed);
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QCOMPARE(panels.isEnlarged("toolset"), opensEditor);
        if (opensEditor) {
            QCOMPARE(ui->leToolset->text(), typed);
            // A new table has no tools: the editor waits for the first one.
            QVERIFY(m_w->toolsetPanel()->isInsertMode());
        }
    }

    // The copy box offers the machines; its Ok copies the current table to
    // the chosen one and the list stays on its own machine.
    void copyThroughTheInputBox()
    {
        QVERIFY(ToolingDb::exec("INSERT INTO machine (name) VALUES ('LATHE 2')"));
        ui->tbSetList->click();
        cSetList *list = m_w->setListPanel();
        list->findChild<QPushButton *>("tbCopy")->click();
        QVERIFY(m_w->panels().isEnlarged("inputBox"));
        QCOMPARE(ui->lblInputBox->text(), QString("Copy tooling table\nSelect target machine"));
        QVERIFY(ui->leInputBox->isHidden());
        QCOMPARE(ui->cmbInputBox->count(), 2);
        ui->cmbInputBox->setCurrentText("LATHE 2");
        ui->tbOkInputBox->click();
        QVERIFY(!m_w->panels().isEnlarged("inputBox"));
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM tools WHERE idTable=(SELECT idTable FROM toolingTables "
                                  "WHERE name='SHAFT(copy)' AND idMachine=(SELECT idMachine FROM machine WHERE "
                                  "name='LATHE 2'))")
                     .toInt(),
                 2);
        QCOMPARE(list->machineId(), m_machine);
        QCOMPARE(list->tableModel()->rowCount(), 1);
    }

    // CSV import through the list's button, the file dialog and the name box,
    // with the demo's description and sample.
    void csvImport_data()
    {
        QTest::addColumn<QByteArray>("csv"); // "missing": no such file
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refuseTool5");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("tools"); // in the new table, -1: none made
        QFile sample(qEnvironmentVariable("T8A_SOURCE_DIR") + "/demo/csv/tools.csv");
        QVERIFY(sample.open(QIODevice::ReadOnly));
        const QByteArray demo = sample.readAll();
        QTest::newRow("demo sample") << demo << "tools" << false << "" << 5;
        QTest::newRow("existing name") << demo << "SHAFT" << false << "Tooling table name already exixting" << -1;
        QTest::newRow("missing file") << QByteArray("missing") << "" << false << "Unable to read file " << -1;
        QTest::newRow("no kept rows") << QByteArray(";;\r\n\r\n") << "" << false << "Unable to read file " << -1;
        QTest::newRow("header only") << QByteArray("T;CODE;X\r\n") << "H" << false << "Invalid data" << -1;
        QTest::newRow("failing insert") << demo << "tools" << true << "Import failed\n" << -1;
        QTest::newRow("refused row") << demo + "9;X;12,5;1;2;3\r\n" << "tools" << false << "5 of 6 rows imported" << 5;
    }
    void csvImport()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, name);
        QFETCH(bool, refuseTool5);
        QFETCH(QString, box);
        QFETCH(int, tools);
        QVERIFY(QFile::copy(qEnvironmentVariable("T8A_SOURCE_DIR") + "/demo/csv/csv-import.cfg", "csv-import.cfg"));
        const QString path = QDir::current().absoluteFilePath("csv/tools.csv");
        QVERIFY(QDir().mkpath("csv"));
        if (csv != "missing")
            QVERIFY(m_wd->writeFile("csv/tools.csv", csv));
        if (refuseTool5)
            QVERIFY(ToolingDb::exec("CREATE TRIGGER refuse BEFORE INSERT ON tools WHEN NEW.t=5 "
                                    "BEGIN SELECT RAISE(ABORT, 'tool refused'); END"));
        QString offered;
        cSetList::setFileDialogHook([&](QFileDialog &d) {
            offered = d.directory().absolutePath();
            return path;
        });
        ui->tbSetList->click();
        m_w->setListPanel()->findChild<QPushButton *>("tbCsvIn")->click();
        cSetList::setFileDialogHook({});
        QCOMPARE(offered, QDir::current().absoluteFilePath("csv"));
        if (m_w->panels().isEnlarged("inputBox")) {
            QCOMPARE(ui->leInputBox->text(), QString("tools"));
            ui->leInputBox->setText(name);
            ui->tbOkInputBox->click();
        }
        QCOMPARE(m_boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QVERIFY2(m_boxes.first().text.startsWith(box), qPrintable(m_boxes.first().text));
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM toolingTables").toInt(), tools < 0 ? 1 : 2);
        QCOMPARE(m_w->panels().isEnlarged("toolset"), tools >= 0);
        if (QByteArray(QTest::currentDataTag()) == "demo sample")
            saveScreenshot(m_w.get(), "csv-imported-table");
        if (tools >= 0)
            QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM tools t JOIN toolingTables n ON n.idTable=t.idTable "
                                      "WHERE n.name='tools'").toInt(),
                     tools);
    }

    // The operator's road: a measure taken from the board into a tool is
    // still there after the program was started again.
    void measureKeptAcrossRestart()
    {
        m_board->line = "x123450 z-45670 I0 O0\r";
        QTRY_VERIFY_WITH_TIMEOUT(m_w->axisLink()->ReadXString() != MPrn(0, true), 5000);
        const QString measured = m_w->axisLink()->ReadXString();
        ui->tbSetList->click();
        m_w->setListPanel()->findChild<QPushButton *>("tbEdit")->click();
        cToolset *editor = m_w->toolsetPanel();
        editor->findChild<QPushButton *>("tbSaveXset")->click();
        QCOMPARE(editor->findChild<QLineEdit *>("leX")->text(), measured);
        QVERIFY(measured != "10.000");

        m_w.reset();
        ToolingDb::close();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        openWindow();
        m_w->selectMachine("LATHE 1");
        ui->tbSetList->click();
        m_w->setListPanel()->findChild<QPushButton *>("tbEdit")->click();
        QCOMPARE(m_w->toolsetPanel()->findChild<QLineEdit *>("leT")->text(), QString("1"));
        QCOMPARE(m_w->toolsetPanel()->findChild<QLineEdit *>("leX")->text(), measured);
    }

private:
    int m_machine = 0;
    int m_table = 0;
};

QTEST_MAIN(tst_toolingnav)
#include "tst_toolingnav.moc"
