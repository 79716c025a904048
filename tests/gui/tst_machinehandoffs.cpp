#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "app/MainWindowForm.h"
#include "app/mainwindow.h"
#include "axis/cAxisInterface.h"
#include "camera/VideoCollector.h"
#include "machines/cmachine.h"
#include "machines/cmachinelist.h"
#include "shared/App.h"
#include "shared/FatalExit.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "support/MachinePanelHost.h"
#include "support/MainWindowFixture.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"

// The machine list and editor inside the main window: the password boxes,
// the reference panel and the hand-offs between them.
class TestMachineHandoffs : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void passwords_data();
    void passwords();
    void newMachineReferencedAndSelected();
    void referencePanel_data();
    void referencePanel();
    void editAndLeave();
    void deleteThroughInputBox();

private:
    void build(const QStringList &machines);
    void typeInBox(const QString &text);
};

void TestMachineHandoffs::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    setUpWindowCase();
}

void TestMachineHandoffs::cleanupTestCase()
{
    tearDownWindowCase();
}

void TestMachineHandoffs::init()
{
    setUpWindow();
    m_board->line = "X0 Z0 I0 O0\r";
    // Unqueued boxes take their own default button.
    m_answer = QMessageBox::NoButton;
}

void TestMachineHandoffs::cleanup()
{
    tearDownWindow();
    isSuperUser = isSuperConfigUser = false;
}

void TestMachineHandoffs::build(const QStringList &machines)
{
    writeSettings({{"/Machine/coarseZeroSearch", true}, {"/Machine/disableAnimation", true}});
    QVERIFY(MachineDb::open());
    for (const QString &name : machines)
        QVERIFY(MachineDb::addMachine({{"name", name}, {"Xref", 1000}, {"Zref", 2000}}) > 0);
    MachineDb::close();
    openWindow();
    QVERIFY(m_w->isComplete());
    // Referenced axes unlock the machine list.
    feed("X100000 Z200000 I0 O0\r");
    QVERIFY(ui->tbMachineList->isEnabled());
}

void TestMachineHandoffs::typeInBox(const QString &text)
{
    QVERIFY(m_w->panels().isEnlarged("inputBox"));
    ui->leInputBox->setText(text);
    ui->tbOkInputBox->click();
    QVERIFY(!m_w->panels().isEnlarged("inputBox"));
    QVERIFY(ui->centralwidget->isEnabled());
}

void TestMachineHandoffs::passwords_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("opens");
    QTest::newRow("new, right") << "tbNew" << "New machine\nInsert password" << int(ibNewMachine) << "tavo" << true;
    QTest::newRow("new, wrong") << "tbNew" << "New machine\nInsert password" << int(ibNewMachine) << "x" << false;
    QTest::newRow("edit, right") << "tbEdit" << "Edit machine\nInsert password" << int(ibEditMachine) << "TAVO" << true;
    QTest::newRow("edit, empty") << "tbEdit" << "Edit machine\nInsert password" << int(ibEditMachine) << "" << false;
}

void TestMachineHandoffs::passwords()
{
    QFETCH(QString, button);
    QFETCH(QString, label);
    QFETCH(int, type);
    QFETCH(QString, password);
    QFETCH(bool, opens);
    build({"LATHE", "MILL"});
    ui->tbMachineList->click();
    QVERIFY(m_w->panels().isEnlarged("machineList"));
    QVERIFY(!ui->cmbMachine->isEnabled());
    cMachineList *list = m_w->machineListPanel();
    list->setCurrentMachine("MILL");
    child<QPushButton>(list, qPrintable(button))->click();
    QCOMPARE(ui->lblInputBox->text(), label);
    QCOMPARE(ui->frmInputBox->property("InputBoxType").toInt(), type);
    QCOMPARE(ui->leInputBox->echoMode(), QLineEdit::Password);
    QVERIFY(ui->leInputBox->text().isEmpty());
    typeInBox(password);

    QCOMPARE(m_w->panels().isEnlarged("machine"), opens);
    QCOMPARE(m_boxes.size(), opens ? 0 : 1);
    if (!opens) {
        QCOMPARE(m_boxes.first().text, QString("Invalid password"));
        QVERIFY(m_w->panels().isEnlarged("machineList"));
        return;
    }
    QVERIFY(!ui->frmBackground->isEnabled());
    cMachine *editor = m_w->machinePanel();
    QCOMPARE(editor->isInsertMode(), type == ibNewMachine);
    if (type == ibEditMachine) {
        // The listed machine became the current one and is the one edited.
        QCOMPARE(CurrentMachine.name, QString("MILL"));
        QCOMPARE(editor->editedMachine().idMachine, CurrentMachine.idMachine);
        QCOMPARE(child<QLineEdit>(editor, "leName")->text(), QString("MILL"));
    } else {
        QCOMPARE(editor->editedMachine().idMachine, -2);
        QVERIFY(child<QLineEdit>(editor, "leName")->text().isEmpty());
    }
}

void TestMachineHandoffs::newMachineReferencedAndSelected()
{
    build({"MILL"});
    ui->tbMachineList->click();
    child<QPushButton>(m_w->machineListPanel(), "tbNew")->click();
    typeInBox("tavo");
    cMachine *editor = m_w->machinePanel();
    QVERIFY(m_w->panels().isEnlarged("machine"));

    child<QLineEdit>(editor, "leName")->setText(" lathe 7");
    child<QCheckBox>(editor, "chkIsMM")->setChecked(false);
    child<QCheckBox>(editor, "chkIsRadius")->setChecked(false);
    // References on the gauges, through the main window's reference panel.
    child<QPushButton>(editor, "pbMeasureX")->click();
    QVERIFY(m_w->panels().isEnlarged("getReference"));
    ui->leGauge->setText("2");
    ui->tbOkGetReference->click();
    child<QPushButton>(editor, "pbMeasureZ")->click();
    ui->leGauge->setText("1");
    ui->tbOkGetReference->click();
    QCOMPARE(editor->editedMachine().Xref.micrometres(), 25400);
    QCOMPARE(editor->editedMachine().sysXref, m_w->axisLink()->getScaleX());
    QCOMPARE(editor->editedMachine().Zref.micrometres(), 25400);
    QCOMPARE(editor->editedMachine().sysZref, m_w->axisLink()->getScaleZ());

    child<QPushButton>(editor, "tbOkMachine")->click();
    QVERIFY(m_boxes.isEmpty());
    QVERIFY(m_w->panels().isEnlarged("machineList"));
    QVERIFY(!m_w->panels().isEnlarged("machine"));
    QVERIFY(ui->frmBackground->isEnabled());
    QCOMPARE(m_w->machineListPanel()->getSelectedMachineName(), QString("LATHE 7"));

    // Selected in the main window: its units, radius mode and references drive the display.
    QCOMPARE(ui->cmbMachine->currentText(), QString("LATHE 7"));
    QCOMPARE(CurrentMachine.name, QString("LATHE 7"));
    QVERIFY(!CurrentMachine.IsMM);
    QVERIFY(!CurrentMachine.isRadius);
    QVERIFY(ui->tbRadDia->isChecked());
    feed("X101270 Z199900 I0 O0\r");
    // 25.4 mm at the reference counts; X 1.27 mm further, Z 0.1 mm back.
    QCOMPARE(m_w->axisLink()->GetX_DXFref(), 26.67);
    QCOMPARE(m_w->axisLink()->GetZ_DXFref(), 25.3);
    const QString x = ui->lblX->text();
    QCOMPARE(x.section('.', 1).size(), 4); // inch decimals
    ui->leGauge->clear();

    // Leaving the list gives the machine selector back.
    child<QPushButton>(m_w->machineListPanel(), "tbHide")->click();
    QVERIFY(ui->cmbMachine->isEnabled());
    QVERIFY(m_w->panels().isEnlarged("labelPrint"));
    m_w->resize(1024, 768);
    saveScreenshot(m_w.get(), "machine_list_in_main_window");
}

void TestMachineHandoffs::referencePanel_data()
{
    QTest::addColumn<bool>("mm");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caliper");
    QTest::addColumn<double>("top");
    QTest::addColumn<int>("decimals");
    QTest::newRow("X, millimetres") << true << "pbMeasureX" << ":/img/caliperX.png" << 1000.0 << 3;
    QTest::newRow("Z, inches") << false << "pbMeasureZ" << ":/img/caliperZ.png" << 39.37008 << 5;
}

void TestMachineHandoffs::referencePanel()
{
    QFETCH(bool, mm);
    QFETCH(QString, button);
    QFETCH(QString, caliper);
    QFETCH(double, top);
    QFETCH(int, decimals);
    build({"MILL"});
    ui->tbMachineList->click();
    child<QPushButton>(m_w->machineListPanel(), "tbNew")->click();
    typeInBox("tavo");
    cMachine *editor = m_w->machinePanel();
    child<QCheckBox>(editor, "chkIsMM")->setChecked(mm);
    m_w->panels().setStatus("machine", true);
    saveScreenshot(m_w.get(), "machine_editor_in_main_window");

    child<QPushButton>(editor, qPrintable(button))->click();
    QVERIFY(m_w->panels().isEnlarged("getReference"));
    QVERIFY(!editor->isEnabled());
    QCOMPARE(ui->lblReferenceType->pixmap()->toImage(), QPixmap(caliper).toImage());
    auto *v = dynamic_cast<const QDoubleValidator *>(ui->leGauge->validator());
    QVERIFY(v);
    QCOMPARE(float(v->top()), float(top));
    QCOMPARE(v->decimals(), decimals);
    saveScreenshot(m_w.get(), "reference_panel");

    // Leaving the panel gives the editor back and changes nothing.
    ui->tbExitGetReference->click();
    QVERIFY(!m_w->panels().isEnlarged("getReference"));
    QVERIFY(editor->isEnabled());
    QCOMPARE(editor->editedMachine().Xref.micrometres(), 0);
    QCOMPARE(editor->editedMachine().Zref.micrometres(), 0);
}

void TestMachineHandoffs::editAndLeave()
{
    build({"LATHE", "MILL"});
    ui->cmbMachine->setCurrentIndex(ui->cmbMachine->findText("LATHE"));
    ui->tbMachineList->click();
    cMachineList *list = m_w->machineListPanel();
    QCOMPARE(list->getSelectedMachineName(), QString("LATHE"));
    list->setCurrentMachine("MILL");
    child<QPushButton>(list, "tbEdit")->click();
    typeInBox("tavo");
    QCOMPARE(CurrentMachine.name, QString("MILL"));
    // Leaving unchanged: back to the list on the machine, nothing asked.
    child<QPushButton>(m_w->machinePanel(), "tbExitMachine")->click();
    QVERIFY(m_boxes.isEmpty());
    QVERIFY(m_w->panels().isEnlarged("machineList"));
    QCOMPARE(ui->cmbMachine->currentText(), QString("MILL"));
    QCOMPARE(list->getSelectedMachineName(), QString("MILL"));
}

void TestMachineHandoffs::deleteThroughInputBox()
{
    build({"LATHE", "MILL"});
    ui->tbMachineList->click();
    cMachineList *list = m_w->machineListPanel();
    list->setCurrentMachine("LATHE");
    m_answers = {QMessageBox::Yes};
    child<QPushButton>(list, "tbDelete")->click();
    QCOMPARE(ui->lblInputBox->text(), QString("Insert password"));
    QCOMPARE(ui->frmInputBox->property("InputBoxType").toInt(), int(ibDeleteMachine));
    QCOMPARE(ui->leInputBox->echoMode(), QLineEdit::Password);
    // A wrong password is refused over the main window; nothing goes.
    typeInBox("nope");
    QCOMPARE(m_boxes.size(), 2);
    QCOMPARE(m_boxes.last().text, QString("Invalid password"));
    QCOMPARE(m_boxes.last().parent, static_cast<QWidget *>(m_w.get()));
    QCOMPARE(MachineDb::value("SELECT COUNT(*) FROM machine WHERE name='LATHE'").toInt(), 1);

    m_answers = {QMessageBox::Yes};
    child<QPushButton>(list, "tbDelete")->click();
    typeInBox("tavo");
    QCOMPARE(MachineDb::value("SELECT COUNT(*) FROM machine WHERE name='LATHE'").toInt(), 0);
    QStringList items;
    for (int i = 0; i < ui->cmbMachine->count(); ++i)
        items << ui->cmbMachine->itemText(i);
    QCOMPARE(items, (QStringList{"MILL", "*DEFAULT MACHINE*"}));
    QCOMPARE(list->getSelectedMachineName(), QString("MILL"));
}

QTEST_MAIN(TestMachineHandoffs)
#include "tst_machinehandoffs.moc"
