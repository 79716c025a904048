#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QValidator>
#include <QtTest>

#include <memory>

#include "machines/cmachine.h"
#include "shared/App.h"
#include "widgets/QExtDoubleValidator.h"
#include "shared/SharedStruct.h"
#include "support/MachinePanelHost.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"

using Columns = QVariantMap;
Q_DECLARE_METATYPE(cMachine::eRefType)

namespace {

QVariant column(int id, const QString &col)
{
    return MachineDb::value(QStringLiteral("SELECT %1 FROM machine WHERE idMachine=%2").arg(col).arg(id));
}

int machineCount()
{
    return MachineDb::value(QStringLiteral("SELECT COUNT(*) FROM machine")).toInt();
}

// The record the main window hands over for a new machine.
s_machine newRecord()
{
    s_machine m;
    m.idMachine = -2;
    m.idMasterX = m.idMasterZ = -1;
    m.isRadius = m.isRadiusStored = m.IsMM = true;
    return m;
}

// Types a text over a field's text, as the operator does.
void typeOver(QLineEdit *e, const QString &text)
{
    e->selectAll();
    QTest::keyClicks(e, text);
}

// Every value of a table's rows by "id column": its storage class and all of
// its digits (quote() gives a real's every bit), so equal texts are equal bytes.
QMap<QString, QString> storedValues(const QString &table, const QString &key, const QString &where = "1")
{
    QSqlQuery info;
    info.exec(QString("PRAGMA table_info(%1)").arg(table));
    QStringList columns;
    QStringList stored;
    while (info.next()) {
        columns << info.value(1).toString();
        stored << QString("typeof(%1)||' '||quote(%1)").arg(columns.last());
    }
    QSqlQuery q;
    q.exec(QString("SELECT %1, %2 FROM %3 WHERE %4").arg(key, stored.join(", "), table, where));
    QMap<QString, QString> values;
    while (q.next())
        for (int i = 0; i < columns.size(); ++i)
            values[q.value(0).toString() + ' ' + columns.at(i)] = q.value(i + 1).toString();
    return values;
}

// The tools of a machine's tables.
QStringList toolsOf(int machine)
{
    QSqlQuery q;
    q.exec(QString("SELECT idTool FROM tools JOIN toolingTables USING (idTable) WHERE idMachine=%1").arg(machine));
    QStringList ids;
    while (q.next())
        ids << q.value(0).toString();
    return ids;
}

QStringList entries(QComboBox *c)
{
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

} // namespace

class TestMachineEditor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void saveChecks_data();
    void saveChecks();
    void insertedRow_data();
    void insertedRow();
    void failedSave_data();
    void failedSave();
    void references_data();
    void references();
    void measureButtons_data();
    void measureButtons();
    void masterLists_data();
    void masterLists();
    void masterOfSlaves_data();
    void masterOfSlaves();
    void linkedOpeningAndUnlinking();
    void linkWithoutMaster_data();
    void linkWithoutMaster();
    void smartOffsets();
    void switchConvertsTools_data();
    void switchConvertsTools();
    void switchRoundTrip_data();
    void switchRoundTrip();
    void convertedToolsChecked_data();
    void convertedToolsChecked();
    void failedToolCount_data();
    void failedToolCount();
    void typedTenthsKept_data();
    void typedTenthsKept();
    void untouchedKeepsRecord_data();
    void untouchedKeepsRecord();
    void closing_data();
    void closing();
    void outputKind_data();
    void outputKind();
    void outputKindClicks_data();
    void outputKindClicks();
    void newMachineWithPreselectedOutput();
    void openingState();
    void screenshot();

private:
    void open(const s_machine &m, bool insert, const QString &returnName = QStringLiteral("MILL"));
    template <typename T>
    T *w(const char *name) { return child<T>(m_editor, name); }

    std::unique_ptr<MachineDbScope> m_db;
    MachinePanelHost *m_host = nullptr;
    cMachine *m_editor = nullptr;
    int m_mill = -1;
};

void TestMachineEditor::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestMachineEditor::init()
{
    m_db = std::make_unique<MachineDbScope>();
    QVERIFY(m_db->isOpen());
    m_mill = MachineDb::addMachine({{"name", "MILL"}, {"Xref", 10000}, {"Zref", 20000}});
    QVERIFY(m_mill > 0);
    m_host = new MachinePanelHost;
    m_editor = new cMachine(m_host);
}

void TestMachineEditor::cleanup()
{
    delete m_host;
    m_host = nullptr;
    m_editor = nullptr;
    m_db.reset();
    MachineSettings = s_MachineSettings();
    CurrentMachine = s_machine();
}

void TestMachineEditor::open(const s_machine &m, bool insert, const QString &returnName)
{
    if (insert)
        m_editor->setInsertMode();
    else
        m_editor->setEditMode();
    m_editor->setEditMachine(m, returnName);
}

// Save checks -------------------------------------------------------------------

void TestMachineEditor::saveChecks_data()
{
    QTest::addColumn<bool>("insert");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("xref");
    QTest::addColumn<int>("zref");
    QTest::addColumn<bool>("linkX");
    QTest::addColumn<bool>("linkZ");
    QTest::addColumn<QString>("message"); // empty: saved

    const QString star = "Machine name can't contain * character";
    const QString empty = "Machine name can't be empty";
    const QString noX = "X machine reference is not set";
    const QString noZ = "Z machine reference is not set";
    const QString exists = "Machine already exists";

    QTest::newRow("new machine saved") << true << "LATHE" << 1 << 1 << false << false << "";
    QTest::newRow("star comes before everything") << true << "MI*LL" << 0 << 0 << false << false << star;
    QTest::newRow("factory zero may be named") << true << "*factory zero*" << 5 << 5 << false << false << "";
    QTest::newRow("blank name before references") << true << "   " << 0 << 0 << false << false << empty;
    QTest::newRow("control character in the name") << true << "LA\tTHE" << 1 << 1 << false << false
                                                   << "Machine name not valid";
    QTest::newRow("X reference before Z") << true << "LATHE" << 0 << 0 << false << false << noX;
    QTest::newRow("Z reference") << true << "LATHE" << 7 << 0 << false << false << noZ;
    QTest::newRow("a linked axis needs no reference") << true << "LATHE" << 0 << 0 << true << true << "";
    QTest::newRow("references before the name check") << true << "MILL" << 0 << 3 << false << false << noX;
    QTest::newRow("existing name in other case") << true << "mill" << 1 << 1 << false << false << exists;
    QTest::newRow("existing name with blanks") << true << "  MILL " << 1 << 1 << false << false << exists;
    QTest::newRow("edit keeps its own name") << false << "lathe" << 1 << 1 << false << false << "";
    QTest::newRow("edit cannot take another's name") << false << "Mill" << 1 << 1 << false << false << exists;
}

void TestMachineEditor::saveChecks()
{
    QFETCH(bool, insert);
    QFETCH(QString, typed);
    QFETCH(int, xref);
    QFETCH(int, zref);
    QFETCH(bool, linkX);
    QFETCH(bool, linkZ);
    QFETCH(QString, message);

    s_machine m = newRecord();
    if (!insert) {
        m.idMachine = MachineDb::addMachine({{"name", "LATHE"}, {"Xref", 1}, {"Zref", 1}});
        m.name = "LATHE";
    }
    m.Xref = RefLength::ofMicrometres(xref);
    m.Zref = RefLength::ofMicrometres(zref);
    open(m, insert);
    w<QLineEdit>("leName")->setText(typed);
    if (linkX)
        w<QRadioButton>("optLinkX")->setChecked(true);
    if (linkZ)
        w<QRadioButton>("optLinkZ")->setChecked(true);
    const int before = machineCount();

    MessageBoxRecorder boxes;
    w<QPushButton>("tbOkMachine")->click();

    if (message.isEmpty()) {
        QVERIFY(boxes.boxes().isEmpty());
        const QString stored = typed.trimmed().toUpper();
        QCOMPARE(m_host->hideEditCalls, QStringList{stored});
        QCOMPARE(machineCount(), before + (insert ? 1 : 0));
        QCOMPARE(MachineDb::value("SELECT COUNT(*) FROM machine WHERE name='" + stored + "'").toInt(), 1);
    } else {
        QCOMPARE(boxes.boxes().size(), 1);
        const QMessageBoxKovra::Box box = boxes.boxes().first();
        QCOMPARE(box.kind, QMessageBox::Critical);
        QCOMPARE(box.title, QString("Error"));
        QCOMPARE(box.text, message);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.defaultButton, QMessageBox::NoButton);
        QVERIFY(m_host->hideEditCalls.isEmpty());
        QCOMPARE(machineCount(), before);
        // The editor keeps what was typed (trimmed).
        QCOMPARE(w<QLineEdit>("leName")->text(), typed.trimmed());
    }
}

void TestMachineEditor::insertedRow_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("trimmed and upper-cased") << "  mill 2 " << "MILL 2";
    QTest::newRow("quote") << "o'neil" << "O'NEIL";
    QTest::newRow("statement text") << "a'); drop table m--" << "A'); DROP TABLE M--";
}

// Every column of the row, typed values and booleans as 1/0.
void TestMachineEditor::insertedRow()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    open(newRecord(), true);
    w<QLineEdit>("leName")->setText(typed);
    w<QCheckBox>("chkIsMM")->setChecked(false);
    w<QCheckBox>("chkIsRadius")->setChecked(false);
    w<QCheckBox>("chkReverseX")->setChecked(true);
    w<QCheckBox>("chkSwapXZ")->setChecked(true);
    m_host->sendReference(cMachine::X, 1234, "2");  // inch, diameter: 25.4 mm radius
    m_host->sendReference(cMachine::Z, -55, "1.5"); // inch
    w<QRadioButton>("optLinkZ")->setChecked(true);
    QComboBox *masters = w<QComboBox>("cmbMasterZ");
    QCOMPARE(masters->currentData().toInt(), m_mill);
    w<QCheckBox>("chkSmartZ")->setChecked(true);
    typeOver(w<QLineEdit>("leSmartZ"), "0.1");

    MessageBoxRecorder boxes;
    w<QPushButton>("tbOkMachine")->click();
    QVERIFY(boxes.boxes().isEmpty());
    QCOMPARE(m_host->hideEditCalls, QStringList{stored});
    QCOMPARE(MachineDb::value("SELECT COUNT(*) FROM machine").toInt(), 2);

    QSqlQuery q;
    q.prepare("SELECT * FROM machine WHERE name=:n");
    q.bindValue(":n", stored);
    QVERIFY(q.exec() && q.next());
    const QVariantMap expected{
        {"isRadius", 0}, {"IsMM", 0}, {"swapXZ", 1}, {"reverseX", 1}, {"reverseZ", 0},
        {"Xref", 25400}, {"Zref", 38100}, {"sysXref", 1234}, {"sysZref", -55},
        {"linkToMasterX", 0}, {"linkToMasterZ", 1}, {"idMasterX", -1}, {"idMasterZ", m_mill},
        {"smartX", 0}, {"smartZ", 2540}, {"toolId", 0},
        {"Balluff", ""}, {"PostPro", ""}, {"dncFormat", ""}, {"dncSocket", ""}, {"spindleType", ""},
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QVariant v = q.value(it.key());
        if (it.value().type() == QVariant::Int) {
            // Stored as numbers, never as 'true'/'false' texts.
            QVERIFY2(v.type() == QVariant::LongLong || v.type() == QVariant::Int, qPrintable(it.key()));
            QCOMPARE(v.toInt(), it.value().toInt());
        } else {
            QCOMPARE(v.toString(), it.value().toString());
        }
    }
    QCOMPARE(MachineDb::value("SELECT name FROM machine WHERE idMachine=" + QString::number(m_mill)).toString(),
             QString("MILL"));
}

void TestMachineEditor::failedSave_data()
{
    QTest::addColumn<bool>("insert");
    QTest::addColumn<QString>("fault");
    QTest::newRow("insert refused by the database")
        << true << "CREATE TRIGGER noInsert BEFORE INSERT ON machine BEGIN SELECT RAISE(ABORT, 'disk full'); END";
    QTest::newRow("update refused by the database")
        << false << "CREATE TRIGGER noUpdate BEFORE UPDATE ON machine BEGIN SELECT RAISE(ABORT, 'disk full'); END";
    QTest::newRow("edited row gone meanwhile") << false << "DELETE FROM machine WHERE name='LATHE'";
}

void TestMachineEditor::failedSave()
{
    QFETCH(bool, insert);
    QFETCH(QString, fault);
    s_machine m = newRecord();
    if (!insert)
        m = getMachineData(MachineDb::addMachine({{"name", "LATHE"}, {"Xref", 1}, {"Zref", 1}}));
    m.Xref = m.Zref = RefLength::ofMicrometres(100);
    open(m, insert);
    w<QLineEdit>("leName")->setText("LATHE 5");
    QVERIFY(MachineDb::exec(fault));

    MessageBoxRecorder boxes;
    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().first().kind, QMessageBox::Critical);
    QVERIFY2(boxes.boxes().first().text.startsWith("Machine not saved"), qPrintable(boxes.boxes().first().text));
    QVERIFY(m_host->hideEditCalls.isEmpty());
    QCOMPARE(w<QLineEdit>("leName")->text(), QString("LATHE 5"));
    QCOMPARE(MachineDb::value("SELECT COUNT(*) FROM machine WHERE name='LATHE 5'").toInt(), 0);

    // The operator may try again once the cause is gone.
    if (insert) {
        QVERIFY(MachineDb::exec("DROP TRIGGER noInsert"));
        w<QPushButton>("tbOkMachine")->click();
        QCOMPARE(m_host->hideEditCalls, QStringList{"LATHE 5"});
        QCOMPARE(MachineDb::value("SELECT COUNT(*) FROM machine WHERE name='LATHE 5'").toInt(), 1);
    }
}

// References ----------------------------------------------------------------------

void TestMachineEditor::references_data()
{
    QTest::addColumn<bool>("mm");
    QTest::addColumn<bool>("radius");
    QTest::addColumn<cMachine::eRefType>("axis");
    QTest::addColumn<QString>("gauge");
    QTest::addColumn<int>("ref");

    QTest::newRow("50 mm gauge in diameter") << true << false << cMachine::X << "50" << 25000;
    QTest::newRow("1 inch gauge on Z") << false << true << cMachine::Z << "1" << 25400;
    QTest::newRow("mm radius") << true << true << cMachine::X << "12.5" << 12500;
    QTest::newRow("inch diameter") << false << false << cMachine::X << "2.00000" << 25400;
    QTest::newRow("Z is never halved") << true << false << cMachine::Z << "50" << 50000;
    QTest::newRow("rounded to the micrometre") << true << true << cMachine::Z << "-3.2496" << -3250;
    QTest::newRow("not a number") << true << true << cMachine::X << "abc" << 0;
    QTest::newRow("empty") << false << true << cMachine::Z << "" << 0;
}

void TestMachineEditor::references()
{
    QFETCH(bool, mm);
    QFETCH(bool, radius);
    QFETCH(cMachine::eRefType, axis);
    QFETCH(QString, gauge);
    QFETCH(int, ref);
    s_machine m = newRecord();
    m.IsMM = mm;
    m.isRadius = m.isRadiusStored = radius;
    m.Xref = RefLength::ofMicrometres(111);
    m.Zref = RefLength::ofMicrometres(222);
    m.sysXref = 1;
    m.sysZref = 2;
    open(m, true);

    m_host->sendReference(axis, 98765, gauge);
    const s_machine &e = m_editor->editedMachine();
    const bool isX = axis == cMachine::X;
    QCOMPARE((isX ? e.Xref : e.Zref).micrometres(), ref);
    QCOMPARE(isX ? e.sysXref : e.sysZref, 98765);
    // The other axis is left alone.
    QCOMPARE((isX ? e.Zref : e.Xref).micrometres(), isX ? 222 : 111);
    QCOMPARE(isX ? e.sysZref : e.sysXref, isX ? 2 : 1);
    QCOMPARE(w<QLineEdit>(isX ? "leGaugeX" : "leGaugeZ")->text(), gauge);
}

void TestMachineEditor::measureButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<cMachine::eRefType>("axis");
    QTest::addColumn<QString>("gauge");
    QTest::newRow("X") << "pbMeasureX" << cMachine::X << "24.000";
    QTest::newRow("Z") << "pbMeasureZ" << cMachine::Z << "36.500";
}

void TestMachineEditor::measureButtons()
{
    QFETCH(QString, button);
    QFETCH(cMachine::eRefType, axis);
    QFETCH(QString, gauge);
    s_machine m = newRecord();
    m.isRadius = m.isRadiusStored = false; // X shown as a diameter
    m.Xref = RefLength::ofMicrometres(12000);
    m.Zref = RefLength::ofMicrometres(36500);
    open(m, true);
    QSignalSpy spy(m_editor, &cMachine::getReference);
    w<QPushButton>(qPrintable(button))->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().at(0).value<cMachine::eRefType>(), axis);
    QCOMPARE(spy.first().at(1).toString(), gauge);
}

// Master lists and links -------------------------------------------------------------

void TestMachineEditor::masterLists_data()
{
    QTest::addColumn<bool>("editExisting");
    QTest::addColumn<QStringList>("mastersX");
    QTest::addColumn<QStringList>("mastersZ");
    QTest::newRow("new machine") << false << QStringList{"ALPHA", "DELTA", "EDITED", "GAMMA", "MILL"}
                                 << QStringList{"ALPHA", "BETA", "DELTA", "EDITED", "MILL"};
    QTest::newRow("never the machine itself") << true << QStringList{"ALPHA", "DELTA", "GAMMA", "MILL"}
                                              << QStringList{"ALPHA", "BETA", "DELTA", "MILL"};
}

void TestMachineEditor::masterLists()
{
    QFETCH(bool, editExisting);
    QFETCH(QStringList, mastersX);
    QFETCH(QStringList, mastersZ);
    // Flags stored either way, as numbers or as texts.
    MachineDb::addMachine({{"name", "GAMMA"}, {"linkToMasterZ", 1}, {"idMasterZ", m_mill}});
    MachineDb::addMachine({{"name", "BETA"}, {"linkToMasterX", "true"}, {"idMasterX", m_mill}});
    MachineDb::addMachine({{"name", "DELTA"}, {"linkToMasterX", "false"}, {"linkToMasterZ", "false"}});
    MachineDb::addMachine({{"name", "*FACTORY ZERO*"}});
    MachineDb::addMachine({{"name", "ALPHA"}});
    const int edited = MachineDb::addMachine({{"name", "EDITED"}, {"Xref", 5}, {"Zref", 5}});
    isSuperUser = true; // even the service user is offered no factory zero
    open(editExisting ? getMachineData(edited) : newRecord(), !editExisting);

    QComboBox *x = w<QComboBox>("cmbMasterX");
    QComboBox *z = w<QComboBox>("cmbMasterZ");
    QCOMPARE(entries(x), mastersX);
    QCOMPARE(entries(z), mastersZ);
    for (QComboBox *c : {x, z}) {
        for (int i = 0; i < c->count(); ++i) {
            QSqlQuery q;
            q.prepare("SELECT idMachine FROM machine WHERE name=:n");
            q.bindValue(":n", c->itemText(i));
            QVERIFY(q.exec() && q.next());
            QCOMPARE(c->itemData(i).toInt(), q.value(0).toInt());
        }
    }
    QVERIFY(w<QRadioButton>("optLinkX")->isEnabled());
}

void TestMachineEditor::masterOfSlaves_data()
{
    QTest::addColumn<int>("slavesX");
    QTest::addColumn<int>("slavesZ");
    QTest::newRow("two slaves on X") << 2 << 0;
    QTest::newRow("one slave on Z") << 0 << 1;
    QTest::newRow("no slaves") << 0 << 0;
}

void TestMachineEditor::masterOfSlaves()
{
    QFETCH(int, slavesX);
    QFETCH(int, slavesZ);
    for (int i = 0; i < slavesX; ++i)
        MachineDb::addMachine({{"name", QString("SX%1").arg(i)}, {"linkToMasterX", 1}, {"idMasterX", m_mill}});
    for (int i = 0; i < slavesZ; ++i)
        MachineDb::addMachine({{"name", QString("SZ%1").arg(i)}, {"linkToMasterZ", 1}, {"idMasterZ", m_mill}});
    // Open another machine first: its state must not stay behind.
    const int other = MachineDb::addMachine({{"name", "OTHER"}, {"Xref", 1}, {"Zref", 1}});
    open(getMachineData(other), false);
    open(getMachineData(m_mill), false);

    QCOMPARE(w<QRadioButton>("optMasterX")->text(), slavesX ? QString("Master X [%1]").arg(slavesX) : QString("Master X"));
    QCOMPARE(w<QRadioButton>("optMasterZ")->text(), slavesZ ? QString("Master Z [%1]").arg(slavesZ) : QString("Master Z"));
    QCOMPARE(w<QRadioButton>("optLinkX")->isHidden(), slavesX > 0);
    QCOMPARE(w<QRadioButton>("optLinkZ")->isHidden(), slavesZ > 0);
    QVERIFY(w<QRadioButton>("optMasterX")->isChecked());
    QVERIFY(w<QRadioButton>("optMasterZ")->isChecked());

    // A slave is no candidate master on the axis it is linked on.
    open(getMachineData(other), false);
    QCOMPARE(entries(w<QComboBox>("cmbMasterX")).filter("SX").size(), 0);
    QCOMPARE(entries(w<QComboBox>("cmbMasterZ")).filter("SZ").size(), 0);
    QCOMPARE(entries(w<QComboBox>("cmbMasterZ")).filter("SX").size(), slavesX);
    QCOMPARE(w<QRadioButton>("optMasterX")->text(), QString("Master X"));
    QVERIFY(!w<QRadioButton>("optLinkX")->isHidden());
}

void TestMachineEditor::linkedOpeningAndUnlinking()
{
    const int slave = MachineDb::addMachine({{"name", "SLAVE"}, {"Xref", 1}, {"Zref", 300},
                                             {"linkToMasterX", 1}, {"idMasterX", m_mill}, {"smartX", 500}});
    CurrentMachine = getMachineData(slave);
    open(CurrentMachine, false, "SLAVE");

    QVERIFY(w<QRadioButton>("optLinkX")->isChecked());
    QCOMPARE(w<QComboBox>("cmbMasterX")->currentText(), QString("MILL"));
    QCOMPARE(w<QLineEdit>("leSmartX")->text(), QString("0.500"));
    QVERIFY(w<QCheckBox>("chkSmartX")->isChecked());
    QVERIFY(!w<QWidget>("frmSlaveX")->isHidden());
    QVERIFY(w<QWidget>("frmMasterX")->isHidden());
    QVERIFY(w<QWidget>("frmSlaveZ")->isHidden());
    QVERIFY(!w<QWidget>("frmMasterZ")->isHidden());

    // Unlinking drops the master and the smart offset.
    w<QRadioButton>("optMasterX")->setChecked(true);
    QVERIFY(w<QWidget>("frmSlaveX")->isHidden());
    MessageBoxRecorder boxes;
    w<QPushButton>("tbOkMachine")->click();
    QVERIFY(boxes.boxes().isEmpty());
    QCOMPARE(m_host->hideEditCalls, QStringList{"SLAVE"});
    QCOMPARE(column(slave, "linkToMasterX").toInt(), 0);
    QCOMPARE(column(slave, "idMasterX").toInt(), -1);
    QCOMPARE(column(slave, "smartX").toInt(), 0);
    QCOMPARE(column(slave, "Zref").toInt(), 300);
}

void TestMachineEditor::linkWithoutMaster_data()
{
    QTest::addColumn<bool>("onX");
    QTest::newRow("X") << true;
    QTest::newRow("Z") << false;
}

void TestMachineEditor::linkWithoutMaster()
{
    QFETCH(bool, onX);
    const QString axis = onX ? "X" : "Z";
    const int slave = MachineDb::addMachine({{"name", "SLAVE"}, {"Xref", 1}, {"Zref", 1},
                                             {"linkToMaster" + axis, 1}, {"idMaster" + axis, m_mill}});
    // The master has since been linked on that axis itself: no candidate any more.
    const int other = MachineDb::addMachine({{"name", "OTHER"}, {"Xref", 1}, {"Zref", 1}});
    QVERIFY(MachineDb::exec(QString("UPDATE machine SET linkToMaster%1=1, idMaster%1=%2 WHERE idMachine=%3")
                                .arg(axis).arg(other).arg(m_mill)));
    open(getMachineData(slave), false, "SLAVE");
    QVERIFY(w<QRadioButton>(onX ? "optLinkX" : "optLinkZ")->isChecked());
    QCOMPARE(w<QComboBox>(onX ? "cmbMasterX" : "cmbMasterZ")->currentIndex(), -1);

    MessageBoxRecorder boxes;
    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().first().text, QString("Master %1 machine is not selected").arg(axis));
    QVERIFY(m_host->hideEditCalls.isEmpty());
    QCOMPARE(column(slave, "idMaster" + axis).toInt(), m_mill);

    // Choosing a master lets the save through.
    QComboBox *masters = w<QComboBox>(onX ? "cmbMasterX" : "cmbMasterZ");
    masters->setCurrentIndex(masters->findText("OTHER"));
    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(m_host->hideEditCalls, QStringList{"SLAVE"});
    QCOMPARE(column(slave, "idMaster" + axis).toInt(), other);
}

void TestMachineEditor::smartOffsets()
{
    const int slave = MachineDb::addMachine({{"name", "SLAVE"}, {"linkToMasterX", 1}, {"idMasterX", m_mill},
                                             {"smartX", 12345}, {"linkToMasterZ", 1}, {"idMasterZ", m_mill},
                                             {"smartZ", -2000}});
    open(getMachineData(slave), false, "SLAVE");
    QLineEdit *x = w<QLineEdit>("leSmartX");
    QLineEdit *z = w<QLineEdit>("leSmartZ");
    QCOMPARE(x->text(), QString("12.345"));
    QCOMPARE(z->text(), QString("-2.000"));

    // Inches show the offsets converted; the record keeps them.
    w<QCheckBox>("chkIsMM")->setChecked(false);
    QVERIFY(!CurrentMachine.IsMM);
    QCOMPARE(x->text(), QString("0.4860"));
    QCOMPARE(m_editor->editedMachine().smartX.micrometres(), 12345);
    auto *v = dynamic_cast<const QDoubleValidator *>(x->validator());
    QVERIFY(v);
    QCOMPARE(v->decimals(), 5);
    QCOMPARE(float(v->top()), 39.37008f);
    w<QCheckBox>("chkIsMM")->setChecked(true);
    QVERIFY(CurrentMachine.IsMM);
    QCOMPARE(x->text(), QString("12.345"));
    QCOMPARE(m_editor->editedMachine().smartX.micrometres(), 12345);
    QCOMPARE(v->decimals(), 3);

    // Diameter doubles the X offset on screen, not in the record.
    w<QCheckBox>("chkIsRadius")->setChecked(false);
    QCOMPARE(x->text(), QString("24.690"));
    QCOMPARE(m_editor->editedMachine().smartX.micrometres(), 12345);
    typeOver(x, "1");
    QCOMPARE(m_editor->editedMachine().smartX.micrometres(), 500);

    // Unchecking the smart offset zeroes it and hides its field.
    w<QCheckBox>("chkSmartZ")->setChecked(false);
    QVERIFY(z->isHidden());
    QCOMPARE(m_editor->editedMachine().smartZ.micrometres(), 0);
    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(column(slave, "smartX").toInt(), 500);
    QCOMPARE(column(slave, "smartZ").toInt(), 0);
    QCOMPARE(column(slave, "isRadius").toInt(), 0);
}

// An editor left untouched, whatever it showed on the way, changes nothing.
void TestMachineEditor::switchConvertsTools_data()
{
    QTest::addColumn<QString>("box");     // the box clicked: chkIsMM or chkIsRadius
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("tool");    // x, z, angle, cr, Xth, XtolPlus, ZtolMinus read back
    QTest::newRow("to inch, converted") << "chkIsMM" << int(QMessageBox::Yes) << "1 0.5 55 0.015748 1 0.0007874 0.0003937";
    QTest::newRow("to inch, switch alone") << "chkIsMM" << int(QMessageBox::No) << "25.4 12.7 55 0.4 25.4 0.02 0.01";
    QTest::newRow("to inch, cancelled") << "chkIsMM" << int(QMessageBox::Cancel) << "25.4 12.7 55 0.4 25.4 0.02 0.01";
    QTest::newRow("to diameter, converted") << "chkIsRadius" << int(QMessageBox::Yes) << "50.8 12.7 55 0.4 50.8 0.04 0.01";
}

// A unit or X mode switch asks, before storing, whether the machine's tools
// follow; other machines' tools never do.
void TestMachineEditor::switchConvertsTools()
{
    QFETCH(QString, box);
    QFETCH(int, answer);
    QFETCH(QString, tool);
    const QString sample = "25.4, 12.7, 55, 0.4, 25.4, 0.02, 0.01";
    const QString columns = "x, z, angle, cr, Xth, XtolPlus, ZtolMinus";
    const int other = MachineDb::addMachine({{"name", "OTHER"}, {"Xref", 1}, {"Zref", 1}});
    for (int machine : {m_mill, other})
        QVERIFY(MachineDb::exec(QString("INSERT INTO tools (idTable, t, %1) VALUES (%2, 1, %3)")
                                    .arg(columns)
                                    .arg(MachineDb::addTable(machine, "T1"))
                                    .arg(sample)));
    QVERIFY(MachineDb::exec(QString("INSERT INTO tools (idTable, t, x, cr) VALUES (%1, 2, 25.4, NULL)")
                                .arg(MachineDb::addTable(m_mill, "T2"))));
    const auto read = [&](int machine, int t) {
        QSqlQuery q;
        q.exec(QString("SELECT %1 FROM tools JOIN toolingTables USING (idTable) WHERE idMachine=%2 AND t=%3")
                   .arg(columns)
                   .arg(machine)
                   .arg(t));
        QStringList values;
        if (q.next())
            for (int i = 0; i < 7; ++i)
                values << (q.isNull(i) ? QString("NULL") : QString::number(q.value(i).toDouble(), 'g', 5));
        return values.join(' ');
    };
    const QString untouched = read(other, 1);
    open(getMachineData(m_mill), false);
    w<QCheckBox>(qPrintable(box))->click();
    MessageBoxRecorder boxes;
    boxes.answer(QMessageBox::StandardButton(answer));
    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().first().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    const bool stored = answer != QMessageBox::Cancel;
    QCOMPARE(m_host->hideEditCalls.size(), stored ? 1 : 0);
    QCOMPARE(column(m_mill, box == "chkIsMM" ? "isMM" : "isRadius").toInt(), stored ? 0 : 1);
    QCOMPARE(read(m_mill, 1), tool);
    // An empty radius stays empty.
    QVERIFY(read(m_mill, 2).startsWith(answer == QMessageBox::Yes ? (box == "chkIsMM" ? "1 " : "50.8 ") : "25.4 "));
    QVERIFY(MachineDb::value(QString("SELECT cr IS NULL FROM tools WHERE t=2")).toBool());
    QCOMPARE(read(other, 1), untouched);
}

void TestMachineEditor::switchRoundTrip_data()
{
    QTest::addColumn<Columns>("record");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<double>("xFactor");
    QTest::addColumn<double>("lengthFactor"); // of z, cr, Zth and Z tolerances; 1: never written
    QTest::addColumn<QStringList>("tools");   // t, code, x, z, angle, cr, Xth, Zth, XtolPlus, XtolMinus, ZtolPlus, ZtolMinus

    // More digits than a float carries; NULLs, an empty text and a zero.
    const QStringList mm{"1, 'A', 745.6789123, -1234.5678912, 93.456789012, 0.4012345678, 700.12345678, NULL, "
                         "0.0123456789, '', 0.00987654321, 0",
                         "2, NULL, -0.000123456789, 1499.99999999, NULL, '', NULL, -987.654321, 4.87654321, 0.5, "
                         "NULL, 1e-7"};
    const QStringList inch{"1, 'A', 29.3574316, -48.605031496, 93.456789012, 0.0157966378, 27.5639156, NULL, "
                           "0.000486050, '', 0.00038884, 0",
                           "2, NULL, -0.0000048604, 59.0551181, NULL, '', NULL, -38.8840284, 0.388840284, "
                           "0.0196850393, NULL, 3.9e-9"};
    const Columns radiusMM{{"isMM", 1}, {"isRadius", 1}};
    QTest::newRow("mm to inch") << radiusMM << QStringList{"chkIsMM"} << 1 / 25.4 << 1 / 25.4 << mm;
    QTest::newRow("inch to mm") << Columns{{"isMM", 0}, {"isRadius", 1}} << QStringList{"chkIsMM"} << 25.4 << 25.4
                                << inch;
    QTest::newRow("radius to diameter") << radiusMM << QStringList{"chkIsRadius"} << 2.0 << 1.0 << mm;
    QTest::newRow("diameter to radius") << Columns{{"isMM", 1}, {"isRadius", 0}} << QStringList{"chkIsRadius"} << 0.5
                                        << 1.0 << mm;
    QTest::newRow("mm radius to inch diameter")
        << radiusMM << QStringList{"chkIsMM", "chkIsRadius"} << 2 / 25.4 << 1 / 25.4 << mm;
}

// A converted switch writes only the columns it changes, the values as
// computed, and its switch back gives every stored value again, bit for bit;
// other machines and their tools are left alone.
void TestMachineEditor::switchRoundTrip()
{
    QFETCH(Columns, record);
    QFETCH(QStringList, boxes);
    QFETCH(double, xFactor);
    QFETCH(double, lengthFactor);
    QFETCH(QStringList, tools);
    Columns cols = record;
    cols["name"] = "LATHE";
    cols["Xref"] = cols["Zref"] = 1;
    const int lathe = MachineDb::addMachine(cols);
    const int other = MachineDb::addMachine({{"name", "OTHER"}, {"Xref", 1}, {"Zref", 1}});
    const QString columns = "t, code, x, z, angle, cr, Xth, Zth, XtolPlus, XtolMinus, ZtolPlus, ZtolMinus";
    for (int machine : {lathe, other})
        for (const char *name : {"T1", "T2"}) {
            const int table = MachineDb::addTable(machine, name);
            for (const QString &tool : tools)
                QVERIFY(MachineDb::exec(QString("INSERT INTO tools (idTable, %1) VALUES (%2, %3)").arg(columns).arg(table).arg(tool)));
        }
    const auto machines = [&] { return storedValues("machine", "idMachine", QString("idMachine<>%1").arg(lathe)); };
    const QMap<QString, QString> before = storedValues("tools", "idTool");
    const QMap<QString, QString> otherMachines = machines();
    const QStringList converted = toolsOf(lathe);
    const auto switchOver = [&] {
        open(getMachineData(lathe), false, "LATHE");
        for (const QString &box : boxes)
            w<QCheckBox>(qPrintable(box))->click();
        MessageBoxRecorder recorder;
        recorder.answer(QMessageBox::Yes);
        w<QPushButton>("tbOkMachine")->click();
        QCOMPARE(recorder.boxes().size(), 1);
    };

    switchOver();
    const QMap<QString, QString> after = storedValues("tools", "idTool");
    QCOMPARE(after.keys(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const QString column = it.key().section(' ', 1);
        const bool x = QStringList{"x", "Xth", "XtolPlus", "XtolMinus"}.contains(column);
        const bool length = QStringList{"z", "cr", "Zth", "ZtolPlus", "ZtolMinus"}.contains(column);
        const double factor = x ? xFactor : length ? lengthFactor : 1;
        if (factor == 1 || !converted.contains(it.key().section(' ', 0, 0)) || !it.value().startsWith("real ")) {
            QCOMPARE(after[it.key()], it.value());
            continue;
        }
        // Carried in double: a float would be off in the eighth digit.
        QVERIFY2(after[it.key()].startsWith("real "), qPrintable(it.key()));
        const double was = it.value().section(' ', 1).toDouble();
        const double is = after[it.key()].section(' ', 1).toDouble();
        QVERIFY2(qAbs(is - was * factor) <= 1e-14 * qAbs(was * factor), qPrintable(it.key() + " " + after[it.key()]));
    }

    switchOver();
    QCOMPARE(storedValues("tools", "idTool"), before);
    QCOMPARE(machines(), otherMachines);
}

void TestMachineEditor::convertedToolsChecked_data()
{
    QTest::addColumn<Columns>("record");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("tools"); // table, t, x, XtolPlus
    QTest::addColumn<QString>("refused");

    QTest::newRow("inch tolerance 0.5 becomes 12.7 mm")
        << Columns{{"isMM", 0}} << "chkIsMM" << QStringList{"T1, 1, 1, 0.5", "T1, 2, 2, 0.25"}
        << "Tool 1 (table T1): XtolPlus 12.7 out of 0 .. 9.999";
    QTest::newRow("X 1000 radius becomes 2000 diameter")
        << Columns{{"isRadius", 1}} << "chkIsRadius"
        << QStringList{"T1, 1, 1000, 0", "T1, 2, 749.5, 0", "T2, 3, -1000, 0"}
        << "Tool 1 (table T1): x 2000 out of -1500 .. 1500\nTool 3 (table T2): x -2000 out of -1500 .. 1500";
}

// A conversion that would store a tool the tool editor refuses stores
// nothing and names the tools; the switch may then be stored alone.
void TestMachineEditor::convertedToolsChecked()
{
    QFETCH(Columns, record);
    QFETCH(QString, box);
    QFETCH(QStringList, tools);
    QFETCH(QString, refused);
    Columns cols = record;
    cols["name"] = "LATHE";
    cols["Xref"] = cols["Zref"] = 1;
    const int lathe = MachineDb::addMachine(cols);
    QMap<QString, int> tables;
    for (const QString &tool : tools) {
        const QString table = tool.section(", ", 0, 0);
        if (!tables.contains(table))
            tables[table] = MachineDb::addTable(lathe, table);
        QVERIFY(MachineDb::exec(QString("INSERT INTO tools (idTable, t, x, XtolPlus) VALUES (%1, %2)")
                                    .arg(tables[table])
                                    .arg(tool.section(", ", 1))));
    }
    const QString switched = box == "chkIsMM" ? "isMM" : "isRadius";
    const int was = column(lathe, switched).toInt();
    const QMap<QString, QString> before = storedValues("tools", "idTool");
    open(getMachineData(lathe), false, "LATHE");
    w<QCheckBox>(qPrintable(box))->click();
    MessageBoxRecorder boxes;
    boxes.answer(QMessageBox::Yes);
    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(boxes.boxes().size(), 2);
    QCOMPARE(boxes.boxes().last().kind, QMessageBox::Critical);
    QCOMPARE(boxes.boxes().last().text, "Machine not saved\nConverted tools out of limits:\n" + refused);
    QVERIFY(m_host->hideEditCalls.isEmpty());
    QCOMPARE(column(lathe, switched).toInt(), was);
    QCOMPARE(storedValues("tools", "idTool"), before);

    // Still open: the switch alone is stored.
    boxes.answer(QMessageBox::No);
    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(m_host->hideEditCalls, QStringList{"LATHE"});
    QCOMPARE(column(lathe, switched).toInt(), 1 - was);
    QCOMPARE(storedValues("tools", "idTool"), before);
}

void TestMachineEditor::failedToolCount_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("box"); // empty: no switch
    QTest::newRow("tools table gone, unit switch") << "ALTER TABLE tools RENAME TO toolsKept" << "chkIsMM";
    QTest::newRow("tooling tables gone, X mode switch") << "DROP TABLE toolingTables" << "chkIsRadius";
    QTest::newRow("tools table gone, no switch: no count") << "ALTER TABLE tools RENAME TO toolsKept" << "";
}

// The switch is stored alone only when the machine is known to have no
// tools: a count that fails refuses the save with the database's reason.
void TestMachineEditor::failedToolCount()
{
    QFETCH(QString, fault);
    QFETCH(QString, box);
    MachineDb::addTool(MachineDb::addTable(m_mill, "T1"), 1);
    QVERIFY(MachineDb::exec(fault));
    open(getMachineData(m_mill), false);
    if (!box.isEmpty())
        w<QCheckBox>(qPrintable(box))->click();
    w<QLineEdit>("leName")->setText("MILL 2");
    MessageBoxRecorder boxes;
    w<QPushButton>("tbOkMachine")->click();
    if (box.isEmpty()) {
        QCOMPARE(boxes.boxes().size(), 0);
        QCOMPARE(m_host->hideEditCalls, QStringList{"MILL 2"});
        return;
    }
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().first().kind, QMessageBox::Critical);
    QVERIFY2(boxes.boxes().first().text.startsWith("Machine not saved\nno such table: "),
             qPrintable(boxes.boxes().first().text));
    QVERIFY(m_host->hideEditCalls.isEmpty());
    QCOMPARE(column(m_mill, "name").toString(), QString("MILL"));
    QCOMPARE(column(m_mill, box == "chkIsMM" ? "isMM" : "isRadius").toInt(), 1);
}

void TestMachineEditor::typedTenthsKept_data()
{
    QTest::addColumn<bool>("mm");
    QTest::addColumn<QString>("field"); // leGaugeX: a measured reference, leSmartX/Z: a typed offset
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Columns>("stored"); // the micrometre columns older programs read, and the tenths
    QTest::newRow("reference diameter 10.001 mm")
        << true << "leGaugeX" << "10.001" << Columns{{"Xref", 5001}, {"XrefTenths", 50005}};
    QTest::newRow("smart X diameter -10.001 mm")
        << true << "leSmartX" << "-10.001" << Columns{{"smartX", -5001}, {"smartXTenths", -50005}};
    QTest::newRow("smart X diameter 0.003 mm") << true << "leSmartX" << "0.003" << Columns{{"smartX", 2}, {"smartXTenths", 15}};
    QTest::newRow("smart Z 1 inch") << false << "leSmartZ" << "1.0000" << Columns{{"smartZ", 25400}, {"smartZTenths", 254000}};
}

// What was typed in diameter or inches reopens as typed; the micrometre
// columns hold what they held before.
void TestMachineEditor::typedTenthsKept()
{
    QFETCH(bool, mm);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(Columns, stored);
    const int id = MachineDb::addMachine({{"name", "SLAVE"}, {"isRadius", 0}, {"isMM", mm ? 1 : 0}, {"Xref", 1000},
                                         {"Zref", 1000}, {"linkToMasterX", 1}, {"idMasterX", m_mill}, {"smartX", 1},
                                         {"linkToMasterZ", 1}, {"idMasterZ", m_mill}, {"smartZ", 1}});
    const bool gauge = field == "leGaugeX";
    if (gauge)
        QVERIFY(MachineDb::exec(QString("UPDATE machine SET linkToMasterX=0 WHERE idMachine=%1").arg(id)));
    open(getMachineData(id), false, "SLAVE");
    if (gauge)
        m_host->sendReference(cMachine::X, 77, typed);
    else
        typeOver(w<QLineEdit>(qPrintable(field)), typed);
    MessageBoxRecorder boxes;
    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(boxes.boxes().size(), 0);
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        QCOMPARE(column(id, it.key()).toInt(), it.value().toInt());
    open(getMachineData(id), false, "SLAVE");
    QCOMPARE(w<QLineEdit>(qPrintable(field))->text(), typed);

    // A row an older program wrote afterwards (micrometres only) reads as it did.
    const QString micrometres = stored.firstKey();
    QVERIFY(MachineDb::exec(QString("UPDATE machine SET %1=%1+1000 WHERE idMachine=%2").arg(micrometres).arg(id)));
    const s_machine older = getMachineData(id);
    const RefLength own = micrometres == "Xref" ? older.Xref : micrometres == "smartX" ? older.smartX : older.smartZ;
    QCOMPARE(own.tenths, (stored.first().toInt() + 1000) * 10LL);
}

void TestMachineEditor::untouchedKeepsRecord_data()
{
    QTest::addColumn<Columns>("record");
    QTest::addColumn<bool>("ppEnabled");
    QTest::addColumn<bool>("spindleList");
    QTest::newRow("12.345 mm") << Columns{{"smartX", 12345}, {"smartZ", 12345}} << false << false;
    QTest::newRow("10.001 mm") << Columns{{"smartX", 10001}, {"smartZ", 10001}} << false << false;
    QTest::newRow("0.001 mm") << Columns{{"smartX", 1}, {"smartZ", 1}} << false << false;
    QTest::newRow("999.999 mm") << Columns{{"smartX", 999999}, {"smartZ", 999999}} << false << false;
    QTest::newRow("inch slave") << Columns{{"isMM", 0}, {"smartX", 12345}, {"smartZ", 10001}} << false << false;
    QTest::newRow("DNC layout and format")
        << Columns{{"smartX", 1}, {"dncFormat", "cell.dnc"}, {"dncSocket", "10.0.0.9:4000"}, {"PostPro", "plain.pp"}}
        << true << false;
    QTest::newRow("format missing from its folder") << Columns{{"smartX", 1}, {"PostPro", "gone.pp"}} << true << false;
    QTest::newRow("outputs without the option") << Columns{{"smartX", 1}, {"PostPro", "plain.pp"}} << false << false;
    QTest::newRow("spindle type, list hidden") << Columns{{"spindleType", "HSK63"}} << false << false;
    QTest::newRow("empty spindle type, list hidden") << Columns{{"spindleType", ""}} << false << false;
    QTest::newRow("spindle type the list lacks") << Columns{{"spindleType", "ISO 50"}} << false << true;
    QTest::newRow("spindle type the list has") << Columns{{"spindleType", "HSK63"}} << false << true;
}

void TestMachineEditor::untouchedKeepsRecord()
{
    QFETCH(Columns, record);
    QFETCH(bool, ppEnabled);
    QFETCH(bool, spindleList);
    for (const char *f : {"postpro/plain.pp", "dnc/cell.dnc"})
        QVERIFY(m_db->workDir().writeFile(QString::fromLatin1(f), "x"));
    MachineSettings.ppEnabled = ppEnabled;
    MachineSettings.automaticSpindle = spindleList;
    QVERIFY(MachineDb::exec("INSERT INTO NFC_Spindle (SerialNumber, Type) VALUES ('1', 'HSK63')"));
    Columns cols = record;
    cols["name"] = "SLAVE";
    cols["linkToMasterX"] = cols["linkToMasterZ"] = 1;
    cols["idMasterX"] = cols["idMasterZ"] = m_mill;
    const int id = MachineDb::addMachine(cols);
    CurrentMachine = getMachineData(id);
    open(CurrentMachine, false, "SLAVE");
    for (const char *box : {"chkIsMM", "chkIsMM", "chkIsRadius", "chkIsRadius"})
        w<QCheckBox>(box)->click();
    MessageBoxRecorder boxes;
    w<QPushButton>("tbExitMachine")->click();
    QCOMPARE(boxes.boxes().size(), 0);
    w<QPushButton>("tbOkMachine")->click();
    for (auto it = cols.cbegin(); it != cols.cend(); ++it) {
        QCOMPARE(column(id, it.key()).toString(), it.value().toString());
        // Stored text stays text ('' is not NULL).
        QCOMPARE(column(id, QString("typeof(%1)").arg(it.key())).toString(),
                 QString(it.value().type() == QVariant::String ? "text" : "integer"));
    }
}

// Closing -------------------------------------------------------------------------

void TestMachineEditor::closing_data()
{
    QTest::addColumn<bool>("change");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("unchanged: no question") << false << int(QMessageBox::NoButton) << true;
    QTest::newRow("changed, default No") << true << int(QMessageBox::NoButton) << false;
    QTest::newRow("changed, Yes") << true << int(QMessageBox::Yes) << true;
}

void TestMachineEditor::closing()
{
    QFETCH(bool, change);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    open(getMachineData(m_mill), false, "mill");
    if (change)
        m_host->sendReference(cMachine::Z, 5, "3");
    MessageBoxRecorder boxes;
    if (answer != QMessageBox::NoButton)
        boxes.answer(QMessageBox::StandardButton(answer));
    w<QPushButton>("tbExitMachine")->click();

    QCOMPARE(boxes.boxes().size(), change ? 1 : 0);
    if (change) {
        const QMessageBoxKovra::Box box = boxes.boxes().first();
        QCOMPARE(box.kind, QMessageBox::Warning);
        QCOMPARE(box.title, QString("Warning"));
        QCOMPARE(box.text, QString("Data are changed, exit anyway ?"));
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.defaultButton, QMessageBox::No);
    }
    QCOMPARE(m_host->hideEditCalls, closes ? QStringList{"MILL"} : QStringList());
    // Leaving never writes.
    QCOMPARE(column(m_mill, "Zref").toInt(), 20000);
}

// Output option --------------------------------------------------------------------

void TestMachineEditor::outputKind_data()
{
    QTest::addColumn<bool>("rfid");
    QTest::addColumn<Columns>("record");
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<Columns>("stored");

    const QStringList pp{"a.pp", "B.pp", "c.pp"};
    QTest::newRow("post-processor") << true << Columns{{"PostPro", "B.pp"}} << int(Qt::Unchecked) << pp << "B.pp"
                                    << Columns{{"PostPro", "B.pp"}, {"Balluff", ""}, {"dncFormat", ""}};
    QTest::newRow("DNC with its server and tool id")
        << false << Columns{{"dncFormat", "cell.dnc"}, {"dncSocket", "10.0.0.9:4000"}, {"toolId", 1}}
        << int(Qt::PartiallyChecked) << QStringList{"cell.dnc"} << "cell.dnc"
        << Columns{{"dncFormat", "cell.dnc"}, {"dncSocket", "10.0.0.9:4000"}, {"toolId", 1}, {"PostPro", ""}};
    QTest::newRow("RFID") << true << Columns{{"Balluff", "tag.ini"}} << int(Qt::Checked) << QStringList{"tag.ini"}
                          << "tag.ini" << Columns{{"Balluff", "tag.ini"}, {"PostPro", ""}};
    QTest::newRow("RFID file without the RFID option: post-processor, the file kept")
        << false << Columns{{"Balluff", "tag.ini"}} << int(Qt::Unchecked) << pp << ""
        << Columns{{"Balluff", "tag.ini"}, {"PostPro", ""}};
    QTest::newRow("file missing from its folder: kept")
        << true << Columns{{"PostPro", "gone.pp"}} << int(Qt::Unchecked) << pp << "" << Columns{{"PostPro", "gone.pp"}};
}

void TestMachineEditor::outputKind()
{
    QFETCH(bool, rfid);
    QFETCH(Columns, record);
    QFETCH(int, state);
    QFETCH(QStringList, files);
    QFETCH(QString, selected);
    QFETCH(Columns, stored);
    for (const char *f : {"postpro/c.pp", "postpro/B.pp", "postpro/a.pp", "postpro/notes.txt", "dnc/cell.dnc",
                          "balluff/tag.ini", "postpro/folder.pp/x"})
        QVERIFY(m_db->workDir().writeFile(QString::fromLatin1(f), "x"));
    MachineSettings.ppEnabled = true;
    MachineSettings.balluffEnabled = rfid;
    Columns cols = record;
    cols["name"] = "CELL";
    cols["Xref"] = 1;
    cols["Zref"] = 1;
    const int id = MachineDb::addMachine(cols);
    CurrentMachine = getMachineData(id);
    open(CurrentMachine, false, "CELL");

    QCheckBox *kind = w<QCheckBox>("chkPostBalluff");
    QComboBox *combo = w<QComboBox>("cmbPostPro");
    QCOMPARE(int(kind->checkState()), state);
    QCOMPARE(entries(combo), files);
    QCOMPARE(combo->currentText(), selected);
    QVERIFY(!w<QWidget>("frmAdvanced")->isHidden());
    QCOMPARE(w<QLineEdit>("leSocket")->isHidden(), state != Qt::PartiallyChecked);
    QCOMPARE(w<QCheckBox>("chkDataMatrix")->isHidden(), state != Qt::PartiallyChecked);
    QCOMPARE(combo->minimumWidth(), state == Qt::PartiallyChecked ? 140 : 280);

    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(m_host->hideEditCalls, QStringList{"CELL"});
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        QCOMPARE(column(id, it.key()).toString(), it.value().toString());
}

void TestMachineEditor::outputKindClicks_data()
{
    QTest::addColumn<bool>("ppEnabled");
    QTest::addColumn<bool>("rfid");
    QTest::addColumn<QList<int>>("states");
    QTest::newRow("all options") << true << true
                                 << QList<int>{Qt::PartiallyChecked, Qt::Checked, Qt::Unchecked};
    QTest::newRow("no RFID option: clicks change nothing") << true << false
                                                           << QList<int>{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked};
}

void TestMachineEditor::outputKindClicks()
{
    QFETCH(bool, ppEnabled);
    QFETCH(bool, rfid);
    QFETCH(QList<int>, states);
    MachineSettings.ppEnabled = ppEnabled;
    MachineSettings.balluffEnabled = rfid;
    open(newRecord(), true);
    QCheckBox *kind = w<QCheckBox>("chkPostBalluff");
    QCOMPARE(kind->checkState(), Qt::Unchecked);
    for (int s : states) {
        kind->click();
        QCOMPARE(int(kind->checkState()), s);
        QCOMPARE(w<QLineEdit>("leSocket")->isHidden(), s != Qt::PartiallyChecked);
    }
}

void TestMachineEditor::newMachineWithPreselectedOutput()
{
    // The output list offers the file of the machine selected in the main
    // window; the new record has none, so leaving at once asks.
    QVERIFY(m_db->workDir().writeFile("postpro/a.pp", "x"));
    MachineSettings.ppEnabled = true;
    CurrentMachine = getMachineData(m_mill);
    CurrentMachine.PostPro = "a.pp";
    open(newRecord(), true);
    QCOMPARE(w<QComboBox>("cmbPostPro")->currentText(), QString("a.pp"));
    MessageBoxRecorder boxes;
    w<QPushButton>("tbExitMachine")->click();
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().first().text, QString("Data are changed, exit anyway ?"));
    QVERIFY(m_host->hideEditCalls.isEmpty());
}

void TestMachineEditor::openingState()
{
    // Without the output option, a machine's outputs are kept: leaving at
    // once does not ask.
    const int id = MachineDb::addMachine({{"name", "*FACTORY ZERO*"}, {"Xref", 1}, {"Zref", 1}, {"reverseZ", 1},
                                          {"PostPro", "a.pp"}});
    CurrentMachine = getMachineData(id);
    CurrentMachine.swapXZ = CurrentMachine.reverseX = true;
    open(CurrentMachine, false, "*FACTORY ZERO*");
    QVERIFY(!CurrentMachine.swapXZ && !CurrentMachine.reverseX && !CurrentMachine.reverseZ);
    QVERIFY(!w<QLineEdit>("leName")->isEnabled());
    QVERIFY(w<QCheckBox>("chkAdvanced")->isChecked());
    QVERIFY(!w<QWidget>("frmAdvanced")->isHidden());
    QVERIFY(w<QComboBox>("cmbPostPro")->isHidden());
    QVERIFY(w<QComboBox>("cmbSpindle")->isHidden());
    QVERIFY(w<QLineEdit>("leGaugeX")->isEnabled() == false);
    MessageBoxRecorder boxes;
    w<QPushButton>("tbExitMachine")->click();
    QCOMPARE(boxes.boxes().size(), 0);
    QCOMPARE(m_host->hideEditCalls, QStringList{"*FACTORY ZERO*"});

    // The next machine gets its name field back, and the spindle list.
    MachineDb::exec("INSERT INTO NFC_Spindle (SerialNumber, Type) VALUES ('1', 'HSK63'), ('2', 'CAPTO C6'), "
                    "('3', 'HSK63')");
    MachineDb::exec(QString("UPDATE machine SET spindleType='CAPTO C6' WHERE idMachine=%1").arg(m_mill));
    MachineSettings.automaticSpindle = true;
    open(getMachineData(m_mill), false);
    QVERIFY(w<QLineEdit>("leName")->isEnabled());
    QVERIFY(!w<QCheckBox>("chkAdvanced")->isChecked());
    QVERIFY(w<QWidget>("frmAdvanced")->isHidden());
    QComboBox *spindle = w<QComboBox>("cmbSpindle");
    QVERIFY(!spindle->isHidden());
    QCOMPARE(entries(spindle), (QStringList{"", "HSK63", "CAPTO C6"}));
    QCOMPARE(spindle->currentText(), QString("CAPTO C6"));
    spindle->setCurrentIndex(1);
    w<QPushButton>("tbOkMachine")->click();
    QCOMPARE(column(m_mill, "spindleType").toString(), QString("HSK63"));
}

void TestMachineEditor::screenshot()
{
    for (const char *f : {"dnc/cell.dnc", "dnc/line.dnc"})
        QVERIFY(m_db->workDir().writeFile(QString::fromLatin1(f), "x"));
    MachineSettings.ppEnabled = true;
    const int slave = MachineDb::addMachine({{"name", "LATHE 2"}, {"Zref", 123456}, {"linkToMasterX", 1},
                                             {"idMasterX", m_mill}, {"smartX", 250}, {"dncFormat", "cell.dnc"},
                                             {"dncSocket", "192.168.1.20:7000"}, {"toolId", 1}, {"reverseX", 1}});
    CurrentMachine = getMachineData(slave);
    open(CurrentMachine, false, "LATHE 2");
    m_editor->resize(375, 500);
    saveScreenshot(m_editor, "machine_editor_linked_dnc");
    QCOMPARE(w<QComboBox>("cmbPostPro")->currentText(), QString("cell.dnc"));

    open(newRecord(), true);
    m_host->sendReference(cMachine::X, 10, "50");
    m_host->sendReference(cMachine::Z, 10, "120");
    saveScreenshot(m_editor, "machine_editor_new");
    QCOMPARE(m_editor->editedMachine().Zref.micrometres(), 120000);
}

QTEST_MAIN(TestMachineEditor)
#include "tst_machine_editor.moc"
