#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/MainWindowForm.h"
#include "dnc/cDnc.h"
#include "support/FakeCncServer.h"
#include "support/FakeScanner.h"
#include "support/MainWindowFixture.h"
#include "support/Screenshot.h"
#include "support/ToolingDb.h"
#include "interface/CamPanel.h"
#include "tooling/csetlist.h"
#include "tooling/ctoolset.h"

// The DNC panel in the main window: opened stand-alone from the DNC button or
// the table-list button (by the machine's output option) and for one tool
// from the tooling-table editor; its closing goes back where it came from.
class tst_dnchandoffs : public QObject, protected MainWindowFixture
{
    Q_OBJECT

    int m_machine = 0;
    int m_tool = 0;
    FakeCncServer m_server;
    FakeScanner m_scanner;

    void start(bool toolId, const QString &layout = "t.dnc")
    {
        setUpWindow();
        writeSettings({{"/Machine/disableAnimation", true}, {"/DataMatrix/Port", m_scanner.slavePath()}});
        m_wd->writeFile("dnc/t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=T\nFieldType=int\n"
                                     "SqlTable=tools\nSqlField=t\n");
        QVERIFY(ToolingDb::open());
        m_machine = ToolingDb::addMachine("LATHE 1");
        ToolingDb::exec(QString("UPDATE machine SET dncFormat='%1', toolId=%2, dncSocket='%3'")
                            .arg(layout)
                            .arg(toolId ? 1 : 0)
                            .arg(m_server.address()));
        m_tool = ToolingDb::addTool(ToolingDb::addTable(m_machine, "SHAFT"), 4, 10, 1, "A");
        ToolingDb::close();
        openWindow();
        QVERIFY(m_w->isComplete());
        m_w->selectMachine("LATHE 1");
    }

private slots:
    void initTestCase() { setUpWindowCase(); }
    void cleanupTestCase() { tearDownWindowCase(); }
    void cleanup() { tearDownWindow(); }

    void optionTwo()
    {
        start(false);
        AnimatedWidgets &panels = m_w->panels();
        QVERIFY(!ui->tbDnc->isHidden());
        ui->tbSetList->click();
        QVERIFY(panels.isEnlarged("setList"));
        QVERIFY(!panels.isEnlarged("dncPanel"));
        m_w->setListPanel()->findChild<QPushButton *>("tbHide")->click();

        ui->tbDnc->click();
        QVERIFY(panels.isEnlarged("dncPanel"));
        QVERIFY(!m_w->dncPanel()->isToolMode());
        QVERIFY(!ui->tbSetList->isEnabled());
        saveScreenshot(m_w.get(), "dnc-main-window-standalone");
        m_w->dncPanel()->form()->pbClose->click();
        QVERIFY(panels.isEnlarged("labelPrint"));
        QVERIFY(!panels.isEnlarged("dncPanel"));
        QVERIFY(ui->tbSetList->isEnabled());
    }

    void optionThree()
    {
        start(true);
        QVERIFY(ui->tbDnc->isHidden());
        // The panel first identifies the tool with the scanner.
        FakeScanner::whenReading(m_w->dncPanel(), [this] { m_scanner.scan("A"); });
        ui->tbSetList->click();
        QVERIFY(m_w->panels().isEnlarged("dncPanel"));
        QVERIFY(!m_w->panels().isEnlarged("setList"));
        QVERIFY(!m_w->dncPanel()->isToolMode());
        QCOMPARE(m_w->dncPanel()->form()->lblDataMatrixCode->text(), QString("A"));
    }

    // An acknowledged send shows the big OK over the camera view.
    void acknowledgedSend()
    {
        start(false);
        ui->tbDnc->click();
        QTRY_VERIFY(m_w->dncPanel()->form()->pbWrite->isEnabled());
        m_w->dncPanel()->form()->pbWrite->click();
        QTRY_VERIFY(m_w->panels().isEnlarged("labelPrint"));
        QCOMPARE(m_server.frames().size(), 1);
        auto okShown = [this] {
            for (QLabel *l : m_w->cameraPanel()->findChildren<QLabel *>())
                if (l->text() == "OK")
                    return true;
            return false;
        };
        QVERIFY(okShown());
    }

    void fromToolEditor()
    {
        start(false);
        AnimatedWidgets &panels = m_w->panels();
        ui->tbSetList->click();
        m_w->setListPanel()->findChild<QPushButton *>("tbEdit")->click();
        QVERIFY(panels.isEnlarged("toolset"));
        m_w->toolsetPanel()->findChild<QPushButton *>("tbDnc")->click();
        QVERIFY(panels.isEnlarged("dncPanel"));
        QVERIFY(!panels.isEnlarged("toolset"));
        QVERIFY(m_w->dncPanel()->isToolMode());
        m_w->dncPanel()->form()->pbClose->click();
        QVERIFY(panels.isEnlarged("toolset"));
        // The editor's locks stand as the editor left them.
        QVERIFY(!ui->tbSetList->isEnabled());
        // Opened and closed with nothing typed: no row for the tool.
        QCOMPARE(ToolingDb::probe(QString("SELECT COUNT(*) FROM dnc WHERE idTool=%1").arg(m_tool)).toInt(), 0);
    }

    void failingStart_data()
    {
        QTest::addColumn<bool>("fromEditor");
        QTest::newRow("stand-alone") << false;
        QTest::newRow("from the tooling-table editor") << true;
    }
    void failingStart()
    {
        QFETCH(bool, fromEditor);
        start(false, "missing.dnc");
        if (fromEditor) {
            ui->tbSetList->click();
            m_w->setListPanel()->findChild<QPushButton *>("tbEdit")->click();
        }
        m_boxes.clear();
        (fromEditor ? m_w->toolsetPanel()->findChild<QPushButton *>("tbDnc") : ui->tbDnc)->click();
        QVERIFY(!m_w->panels().isEnlarged("dncPanel"));
        QCOMPARE(ui->tbSetList->isEnabled(), !fromEditor);
        QVERIFY(ui->tbDnc->isEnabled());
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.at(0).text, QString("Invalid TotFields in configuration"));
    }
};

QTEST_MAIN(tst_dnchandoffs)
#include "tst_dnchandoffs.moc"
