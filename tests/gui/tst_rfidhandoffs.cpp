#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/MainWindowForm.h"
#include "rfid/cballuff.h"
#include "support/FakeBalluffHead.h"
#include "support/MainWindowFixture.h"
#include "support/Screenshot.h"
#include "support/ToolingDb.h"

// The tag editor in the main window: the table-list button opens it for a
// machine with a tag layout when the RFID option is on; its closing (also
// after a failed opening) gives the main buttons back.
class tst_rfidhandoffs : public QObject, protected MainWindowFixture
{
    Q_OBJECT

    std::unique_ptr<FakeBalluffHead> m_head;

    void start(bool rfid, const QByteArray &com)
    {
        setUpWindow();
        m_head = std::make_unique<FakeBalluffHead>();
        writeSettings({{"/Machine/disableAnimation", true}, {"/Machine/balluffEnabled", rfid},
                       {"/TTY/DncPort", "/dev/dnc-none"}});
        m_wd->writeFile("balluff/tag.ini",
                        "[SETTINGS]\nTagType=M\nTagSize=8\nCom=" + (com.isEmpty() ? m_head->slavePath().toLocal8Bit() : com)
                            + "\nTotFields=1\n[FIELD0]\nLabel=T\nByteLength=2\nType=UBIN\nFieldType=int\n");
        QVERIFY(ToolingDb::open());
        ToolingDb::addMachine("RFID LATHE");
        ToolingDb::exec("UPDATE machine SET Balluff='tag.ini'");
        ToolingDb::close();
        openWindow();
        QVERIFY(m_w->isComplete());
        m_w->selectMachine("RFID LATHE");
    }

private slots:
    void initTestCase() { setUpWindowCase(); }
    void cleanupTestCase() { tearDownWindowCase(); }
    void cleanup()
    {
        tearDownWindow();
        m_head.reset();
    }

    void opensAndCloses()
    {
        start(true, QByteArray());
        AnimatedWidgets &panels = m_w->panels();
        m_head->model.tag = QByteArray::fromHex("01F4") + QByteArray(6, '\0');
        ui->tbSetList->click();
        QVERIFY(panels.isEnlarged("balluff"));
        QVERIFY(!panels.isEnlarged("setList"));
        QVERIFY(!ui->tbSetList->isEnabled() && !ui->tbMachineList->isEnabled() && !ui->cmbMachine->isEnabled());
        cBalluffUI *editor = m_w->balluffPanel();
        editor->form()->pbRead->click();
        QCOMPARE(qobject_cast<QLineEdit *>(editor->editor(0))->text(), QString("500"));
        saveScreenshot(m_w.get(), "rfid-main-window-editor");
        editor->form()->pbClose->click();
        QVERIFY(panels.isEnlarged("labelPrint"));
        QVERIFY(!panels.isEnlarged("balluff"));
        QVERIFY(ui->tbSetList->isEnabled() && ui->tbMachineList->isEnabled() && ui->cmbMachine->isEnabled());
    }

    void withoutOption()
    {
        start(false, QByteArray());
        ui->tbSetList->click();
        QVERIFY(m_w->panels().isEnlarged("setList"));
        QVERIFY(!m_w->panels().isEnlarged("balluff"));
    }

    void portRefused()
    {
        start(true, "/dev/dnc-none");
        m_boxes.clear();
        ui->tbSetList->click();
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.at(0).text, QString("TTY port used by DNC"));
        QVERIFY(m_w->panels().isEnlarged("labelPrint"));
        QVERIFY(ui->tbSetList->isEnabled() && ui->cmbMachine->isEnabled());
    }
};

QTEST_MAIN(tst_rfidhandoffs)
#include "tst_rfidhandoffs.moc"
