#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QToolBox>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

#include "app/CameraPalettes.h"
#include "app/MainWindowForm.h"
#include "app/mainwindow.h"
#include "axis/cAxisInterface.h"
#include "camera/VideoCollector.h"
#include "camera/VideoDevice.h"
#include "interface/CamPanel.h"
#include "keyboard/myinputpanel.h"
#include "keyboard/myinputpanelcontext.h"
#include "machines/ConfigurationForm.h"
#include "machines/cconfiguration.h"
#include "shared/App.h"
#include "shared/FatalExit.h"
#include "widgets/QExtDoubleValidator.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "widgets/SharedWidgets.h"
#include "support/MainWindowFixture.h"
#include "support/Screenshot.h"
#include "support/StorageFault.h"
#include "support/TestWorkDir.h"
#include "tooling/ctoolset.h"

namespace {

sLineParam line(float m, bool reference = false)
{
    sLineParam p;
    p.m = m;
    p.isReference = reference;
    return p;
}

using Settings = QMap<QString, QVariant>;

// The tool's edge as the capture thread would hand it over: min X 0.29 mm
// right of the picture's centre, min Y 0.2 mm above it.
void edgeOffCentre(CVideoDevice &cam, float xMm = 0.29f)
{
    const float mm[4] = {xMm, 0.0f, -0.2f, 0.0f};
    const bool valid[4] = {true, false, true, false};
    cam.profileCount = 1;
    for (int i = 0; i < 4; ++i) {
        cam.extremeIndex[i] = valid[i] ? 0 : CEdgeSearch::kNone;
        cam.profiles[0].ext[i].mm = mm[i];
        cam.profiles[0].ext[i].valid = valid[i];
    }
    cam.publishResult();
}

} // namespace

class TestCommands : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void setPanels_data();
    void setPanels();
    void setPanelsWithEdge_data();
    void setPanelsWithEdge();
    void defaultReferenceReadsBack_data();
    void defaultReferenceReadsBack();
    void defaultReferenceFromFile_data();
    void defaultReferenceFromFile();
    void refusedReference_data();
    void refusedReference();
    void incompleteEntryChangesNothing_data();
    void incompleteEntryChangesNothing();
    void setCLeavesToggleUnrun();
    void incrementalToggles();
    void referenceFollowsInPosition_data();
    void referenceFollowsInPosition();
    void inputBoxKinds_data();
    void inputBoxKinds();
    void inputBoxReturnAndValidator();
    void inputBoxTables();
    void configurationOpener();
    void clamp_data();
    void clamp();
    void runOutTest();
    void vacuumPictures_data();
    void vacuumPictures();
    void radiusDiameter_data();
    void radiusDiameter();
    void radiusDiameterAndBack_data();
    void radiusDiameterAndBack();
    void angleReticle_data();
    void angleReticle();
    void circleReticle_data();
    void circleReticle();
    void cameraBar_data();
    void cameraBar();
    void reticleType();
    void startsWithoutRotationControl();
    void machineChangeResetsReticle();
    void foundLines_data();
    void foundLines();
    void foundCircle();
    void rotation();
    void pickedPoints_data();
    void pickedPoints();
    void noPointWritesNothing_data();
    void noPointWritesNothing();
    void manualTwoPoints();
    void manualFivePoints_data();
    void manualFivePoints();
    void inspection();
    void screenshots();

private:
    void build(const Settings &settings = {}, const QString &machine = QString(), bool swap = false,
               bool radius = true, bool mm = true, bool reverseX = false, bool reverseZ = false);
    void feedPosition(double xMm, double zMm) { feed(QStringLiteral("x%1 z%2 I0 O0\r").arg(qRound(xMm * 1000)).arg(qRound(zMm * 1000)).toLatin1()); }
    bool open(const char *id) { return m_w->panels().isEnlarged(QLatin1String(id)); }
    QSettings &settings() { return App::kovraSettings(); }
};

void TestCommands::initTestCase()
{
    setUpWindowCase();
}

void TestCommands::cleanupTestCase()
{
    tearDownWindowCase();
}

void TestCommands::init()
{
    setUpWindow();
    geometryActive = 0;
}

void TestCommands::cleanup()
{
    tearDownWindow();
}

void TestCommands::build(const Settings &values, const QString &machine, bool swap, bool radius, bool mm,
                         bool reverseX, bool reverseZ)
{
    Settings all{{"/camera/XCalibration", 0.01}, {"/camera/ZCalibration", 0.01}, {"/Machine/disableAnimation", true}};
    for (auto it = values.begin(); it != values.end(); ++it)
        all[it.key()] = it.value();
    writeSettings(all);
    if (!machine.isEmpty()) {
        QVERIFY(openDatabase());
        QSqlQuery q;
        q.prepare("INSERT INTO machine (name, Xref, Zref, isRadius, IsMM, swapXZ, reverseX, reverseZ) "
                  "VALUES (?, 1000, 2000, ?, ?, ?, ?, ?)");
        q.addBindValue(machine);
        q.addBindValue(radius ? 1 : 0);
        q.addBindValue(mm ? 1 : 0);
        q.addBindValue(swap ? 1 : 0);
        q.addBindValue(reverseX ? 1 : 0);
        q.addBindValue(reverseZ ? 1 : 0);
        QVERIFY(q.exec());
        QSqlDatabase::database().close();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    }
    openWindow();
    QVERIFY(m_w->isComplete());
    if (!machine.isEmpty()) {
        m_w->selectMachine(machine);
        QCOMPARE(CurrentMachine.name, machine);
    }
}

// References and incremental zeroes ----------------------------------------------

void TestCommands::setPanels_data()
{
    QTest::addColumn<QString>("machine");   // empty: the default machine
    QTest::addColumn<bool>("isMM");
    QTest::addColumn<bool>("radius");
    QTest::addColumn<bool>("swap");
    QTest::addColumn<QString>("axis");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stored");       // a default-machine reference is stored
    QTest::addColumn<double>("gauge");      // um
    QTest::addColumn<bool>("xIncr");
    QTest::addColumn<bool>("zIncr");
    QTest::addColumn<QString>("shown");     // read-out of the set axis afterwards

    QTest::newRow("default, diameter X") << "" << true << false << false << "X" << "50.000" << true << 25000.0 << false << false << "50.000";
    QTest::newRow("default, radius X to nearest") << "" << true << true << false << "X" << "12.345" << true << 12345.0 << false << false << "12.345";
    QTest::newRow("default, inch Z") << "" << false << true << false << "Z" << "1.0000" << true << 25400.0 << false << false << "1.0000";
    QTest::newRow("default, inch X to nearest") << "" << false << true << false << "X" << "0.1235" << true << 3136.9 << false << false << "0.1235";
    QTest::newRow("default, mm Z negative") << "" << true << true << false << "Z" << "-7.25" << true << -7250.0 << false << false << "-7.250";
    QTest::newRow("machine, X incremental") << "M1" << true << true << false << "X" << "3.5" << false << 0.0 << true << false << "3.500";
    QTest::newRow("machine, Z incremental") << "M1" << true << true << false << "Z" << "-2" << false << 0.0 << false << true << "-2.000";
    QTest::newRow("swapped, diameter X sets Z zero") << "M1" << true << false << true << "X" << "50" << false << 0.0 << false << true << "50.000";
}

void TestCommands::setPanels()
{
    QFETCH(QString, machine);
    QFETCH(bool, isMM);
    QFETCH(bool, radius);
    QFETCH(bool, swap);
    QFETCH(QString, axis);
    QFETCH(bool, stored);
    QFETCH(double, gauge);
    QFETCH(QString, text);
    QFETCH(bool, xIncr);
    QFETCH(bool, zIncr);
    QFETCH(QString, shown);
    build({{"/Machine/isMM", isMM}, {"/Machine/isRadius", radius}}, machine, swap, radius);
    feed("x12345 z-6789 I0 O0\r");
    const bool x = axis == "X";
    QPushButton *type = x ? ui->tbTypeX : ui->tbTypeZ;
    QLineEdit *entry = x ? ui->leSetX : ui->leSetZ;
    const char *panel = x ? "setX" : "setZ";
    QTest::mouseClick(type, Qt::LeftButton);
    QVERIFY(open(panel));
    QCOMPARE(QApplication::focusWidget() == entry || !m_w->isVisible(), true);
    entry->setText(text);
    QTest::mouseClick(x ? ui->tbSetX : ui->tbSetZ, Qt::LeftButton);
    QVERIFY(!open(panel));
    QCOMPARE(CurrentMachine.xIncr, xIncr);
    QCOMPARE(CurrentMachine.zIncr, zIncr);
    const QString gaugeKey = x ? "System/GaugeX" : "System/GaugeZ";
    const QString refKey = x ? "System/RefX" : "System/RefZ";
    if (stored) {
        // Whole micrometres truncated toward zero, the tenths beside them.
        QCOMPARE(settings().value(gaugeKey).toInt(), int(gauge));
        QCOMPARE(settings().value(gaugeKey + "Tenths").toLongLong(), qint64(qRound(gauge * 10)));
        QCOMPARE(settings().value(refKey).toInt(), x ? m_w->axisLink()->getScaleX() : m_w->axisLink()->getScaleZ());
        QCOMPARE((x ? CurrentMachine.Xref : CurrentMachine.Zref).tenths,
                 qRound(gauge * 10));
        // The stored pair survives a restart of the settings.
        App::resetKovraSettings();
        QCOMPARE(settings().value(gaugeKey).toInt(), int(gauge));
    } else {
        QVERIFY(!settings().contains(gaugeKey));
        QVERIFY((x ? ui->tbAIX : ui->tbAIZ)->isChecked());
    }
    feed("x12345 z-6789 I0 O0\r");
    QCOMPARE((x ? ui->lblX : ui->lblZ)->text(), shown);
}

// With the edge reticle on and the tool's edge off the centre, a set panel
// places the zero (or the default machine's reference) so that the read-out
// of its row shows the typed value; the toggle alone places 0 the same way.
void TestCommands::setPanelsWithEdge_data()
{
    QTest::addColumn<QString>("axis");
    QTest::addColumn<int>("gauge");   // the default machine's stored reference, um
    const QStringList modes{"radius", "diameter"};
    for (const QString &mode : modes)
        for (const QString &unit : {QString("mm"), QString("inch")}) {
            const bool inch = unit == "inch";
            // X typed 10 mm (0.4 in), a radius or a diameter; the read-out adds -0.29 mm.
            const double xTyped = inch ? 0.4 * 25.4 : 10.0;
            const double xRadius = mode == "radius" ? xTyped : xTyped / 2;
            const int xGauge = int(std::lround((xRadius + 0.29) * 1000));
            // Z typed 5 mm (0.2 in); the read-out adds 0.2 mm.
            const int zGauge = int(std::lround(((inch ? 0.2 * 25.4 : 5.0) - 0.2) * 1000));
            const QString setUp = "default, " + mode + (inch ? ", inch" : "");
            QTest::newRow(qPrintable(setUp + ": X")) << "X" << xGauge;
            QTest::newRow(qPrintable(setUp + ": Z")) << "Z" << zGauge;
        }
    for (const QString &mode : modes)
        for (const char *reversed : {"", ", reversed X", ", reversed Z"})
            for (const char *swapped : {"", ", swapped"})
                for (const char *inch : {"", ", inch"})
                    for (const char *axis : {"X", "Z"}) {
                        const QString setUp = mode + reversed + swapped + inch;
                        QTest::newRow(qPrintable(setUp + ": " + axis)) << axis << 0;
                    }
}

void TestCommands::setPanelsWithEdge()
{
    QFETCH(QString, axis);
    QFETCH(int, gauge);
    const QString setUp = QString(QTest::currentDataTag()).section(':', 0, 0);
    const bool defaultMachine = setUp.startsWith("default");
    const bool radius = !setUp.contains("diameter");
    const bool mm = !setUp.contains("inch");
    build({{"/Machine/isMM", mm}, {"/Machine/isRadius", radius}}, defaultMachine ? QString() : "M1",
          setUp.contains("swapped"), radius, mm, setUp.contains("reversed X"), setUp.contains("reversed Z"));
    QCOMPARE(CurrentMachine.IsMM, mm);
    QCOMPARE(CurrentMachine.isRadius, radius);
    feed("x12345 z-6789 I0 O0\r");
    CVideoDevice *cam = m_w->cameraDevice();
    QVERIFY(!cam->isRunning());   // no frame replaces the edge below
    QTest::mouseClick(ui->tbAutocoll, Qt::LeftButton);
    QVERIFY(cam->measureLines);
    edgeOffCentre(*cam);

    const bool x = axis == "X";
    const QString typed = x ? (mm ? "10.000" : "0.4000") : (mm ? "5.000" : "0.2000");
    const QString zero = mm ? "0.000" : "0.0000";
    QLabel *shown = x ? ui->lblX : ui->lblZ;
    QTest::mouseClick(x ? ui->tbTypeX : ui->tbTypeZ, Qt::LeftButton);
    (x ? ui->leSetX : ui->leSetZ)->setText(typed);
    QTest::mouseClick(x ? ui->tbSetX : ui->tbSetZ, Qt::LeftButton);
    QVERIFY(!open(x ? "setX" : "setZ"));
    feed("x12345 z-6789 I0 O0\r");
    QStringList readOuts{shown->text()};
    QStringList expected{typed};
    if (defaultMachine) {
        // The reference stored is the one the read-out computes with.
        const QString key = x ? "System/GaugeX" : "System/GaugeZ";
        App::resetKovraSettings();
        QCOMPARE(settings().value(key).toInt(), gauge);
        QCOMPARE((x ? CurrentMachine.Xref : CurrentMachine.Zref).micrometres(), gauge);
    } else {
        QPushButton *toggle = x ? ui->tbAIX : ui->tbAIZ;
        QVERIFY(toggle->isChecked());
        toggle->setChecked(false);
        toggle->setChecked(true);
        feed("x12345 z-6789 I0 O0\r");
        readOuts << shown->text();
        expected << zero;
    }
    QCOMPARE(readOuts, expected);
}

// The default machine's reference keeps the tenth of a micrometre that a
// diameter read-out doubles: the set value reads back, also from the file.
void TestCommands::defaultReferenceReadsBack_data()
{
    QTest::addColumn<bool>("isMM");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");     // um as an int, the read-out adding -0.29045 mm
    QTest::addColumn<qint64>("tenths");  // beside it
    QTest::newRow("10.000 mm") << true << "10.000" << 5290 << qint64(52905);
    QTest::newRow("25.002 mm") << true << "25.002" << 12791 << qint64(127915);
}

void TestCommands::defaultReferenceReadsBack()
{
    QFETCH(bool, isMM);
    QFETCH(QString, typed);
    build({{"/Machine/isMM", isMM}, {"/Machine/isRadius", false}}, "M1");
    auto readOut = [&]() {
        m_w->selectMachine("*DEFAULT MACHINE*");
        QTest::mouseClick(ui->tbAutocoll, Qt::LeftButton);
        edgeOffCentre(*m_w->cameraDevice(), 0.29045f);
        feed("x12345 z-6789 I0 O0\r");
        return ui->lblX->text();
    };
    readOut();
    QTest::mouseClick(ui->tbTypeX, Qt::LeftButton);
    ui->leSetX->setText(typed);
    QTest::mouseClick(ui->tbSetX, Qt::LeftButton);
    feed("x12345 z-6789 I0 O0\r");
    QCOMPARE(ui->lblX->text(), typed);
    App::resetKovraSettings();
    // A reader that takes the key as an int, an older program's included,
    // gets the whole micrometres truncated toward zero.
    QTEST(settings().value("System/GaugeX").toInt(), "stored");
    QTEST(settings().value("System/GaugeXTenths").toLongLong(), "tenths");
    m_w->selectMachine("M1");
    QCOMPARE(readOut(), typed);
}

// A settings file written before (whole micrometres alone, or a fraction)
// reads as it did; the tenths beside are taken while they stand for the
// micrometres key, not after another program wrote that key anew.
void TestCommands::defaultReferenceFromFile_data()
{
    QTest::addColumn<QVariant>("gauge");  // "System/GaugeX"
    QTest::addColumn<QVariant>("tenths"); // "System/GaugeXTenths"; invalid: none
    QTest::addColumn<qint64>("reference");
    QTest::newRow("whole micrometres alone") << QVariant(1234) << QVariant() << qint64(12340);
    QTest::newRow("a fraction alone") << QVariant("10000.5") << QVariant() << qint64(100005);
    QTest::newRow("tenths beside") << QVariant(10000) << QVariant(100005) << qint64(100005);
    QTest::newRow("negative tenths beside") << QVariant(-10000) << QVariant(-100005) << qint64(-100005);
    QTest::newRow("tenths of an earlier reference") << QVariant(2000) << QVariant(100005) << qint64(20000);
}

void TestCommands::defaultReferenceFromFile()
{
    QFETCH(QVariant, gauge);
    QFETCH(QVariant, tenths);
    Settings values{{"System/GaugeX", gauge}, {"System/RefX", 5678}};
    if (tenths.isValid())
        values["System/GaugeXTenths"] = tenths;
    build(values, "M1");
    m_w->selectMachine("*DEFAULT MACHINE*");
    QTEST(CurrentMachine.Xref.tenths, "reference");
    QCOMPARE(CurrentMachine.sysXref, 5678);
}

void TestCommands::refusedReference_data()
{
    StorageFault::addRows();
}

// The default machine's reference the settings file refuses: the operator is
// told, the earlier reference stays in force and shown, the file byte for byte.
void TestCommands::refusedReference()
{
    QFETCH(int, fault);
    const bool refused = fault != StorageFault::None;
    build({{"System/GaugeX", 1234}, {"System/RefX", 5678}, {"/Machine/Password", "secret"}});
    const QString path = QDir::current().absoluteFilePath("T8A_M.cfg");
    const QByteArray start = TestWorkDir::readFile(path);
    feed("x12345 z-6789 I0 O0\r");
    const QString shown = ui->lblX->text();
    QTest::mouseClick(ui->tbTypeX, Qt::LeftButton);
    ui->leSetX->setText("50.000");
    m_boxes.clear();
    {
        StorageFault disk(StorageFault::Kind(fault), path);
        QVERIFY(disk.holds());
        QTest::mouseClick(ui->tbSetX, Qt::LeftButton);
    }
    QCOMPARE(m_boxes.size(), refused ? 1 : 0);
    if (refused)
        QCOMPARE(m_boxes.first().text,
                 QString("The settings file could not be written: the earlier reference stays in force"));
    QCOMPARE(CurrentMachine.Xref.micrometres(), refused ? 1234 : 50000);
    feed("x12345 z-6789 I0 O0\r");
    if (refused)
        QCOMPARE(ui->lblX->text(), shown);
    else
        QCOMPARE(ui->lblX->text(), QString("50.000"));
    QCOMPARE(StorageFault::leftovers(path), QStringList());
    // Neither a later sync nor the end of the program writes the refused reference.
    settings().sync();
    App::resetKovraSettings();
    if (refused)
        QCOMPARE(TestWorkDir::readFile(path), start);
    QCOMPARE(settings().value("System/GaugeX").toInt(), refused ? 1234 : 50000);
    QCOMPARE(settings().value("Machine/Password").toString(), QString("secret"));
}

void TestCommands::incompleteEntryChangesNothing_data()
{
    QTest::addColumn<QString>("axis");
    QTest::addColumn<QString>("text");
    for (const char *a : {"X", "Z", "C"}) {
        QTest::newRow(qPrintable(QString("%1 empty").arg(a))) << a << "";
        QTest::newRow(qPrintable(QString("%1 point").arg(a))) << a << ".";
        QTest::newRow(qPrintable(QString("%1 minus").arg(a))) << a << "-";
    }
}

void TestCommands::incompleteEntryChangesNothing()
{
    QFETCH(QString, axis);
    QFETCH(QString, text);
    build({{"System/GaugeX", 1234}, {"System/RefX", 5678}, {"System/GaugeZ", 4321}, {"System/RefZ", 8765}});
    feed("x12345 z-6789 I0 O0\r");
    const QString before = ui->lblX->text() + ui->lblZ->text();
    QPushButton *type = axis == "X" ? ui->tbTypeX : axis == "Z" ? ui->tbTypeZ : ui->tbTypeC;
    QPushButton *set = axis == "X" ? ui->tbSetX : axis == "Z" ? ui->tbSetZ : ui->tbSetC;
    QLineEdit *entry = axis == "X" ? ui->leSetX : axis == "Z" ? ui->leSetZ : ui->leSetC;
    const QString panel = "set" + axis;
    QTest::mouseClick(type, Qt::LeftButton);
    entry->setText(text);
    QTest::mouseClick(set, Qt::LeftButton);
    // Nothing is taken: the panel stays open for a complete number.
    QVERIFY(m_w->panels().isEnlarged(panel));
    QCOMPARE(settings().value("System/GaugeX").toInt(), 1234);
    QCOMPARE(settings().value("System/RefX").toInt(), 5678);
    QCOMPARE(settings().value("System/GaugeZ").toInt(), 4321);
    QCOMPARE(settings().value("System/RefZ").toInt(), 8765);
    QCOMPARE(CurrentMachine.Xref.micrometres(), 1234);
    QCOMPARE(CurrentMachine.Zref.micrometres(), 4321);
    QVERIFY(!CurrentMachine.xIncr && !CurrentMachine.zIncr && !CurrentMachine.cIncr);
    QVERIFY(!ui->tbAIC->isChecked());
    feed("x12345 z-6789 I0 O0\r");
    QCOMPARE(ui->lblX->text() + ui->lblZ->text(), before);
}

void TestCommands::setCLeavesToggleUnrun()
{
    build({{"/Machine/hasCAxis", true}, {"/Machine/pulseRevC", 3600}});
    feed("x0 z0 I0 O0 C900\r");
    QVERIFY(!ui->tbAIC->isChecked());
    QSignalSpy toggled(ui->tbAIC, &QPushButton::toggled);
    QTest::mouseClick(ui->tbTypeC, Qt::LeftButton);
    ui->leSetC->setText("10.5");
    QTest::mouseClick(ui->tbSetC, Qt::LeftButton);
    QVERIFY(!open("setC"));
    QVERIFY(ui->tbAIC->isChecked());
    QCOMPARE(toggled.count(), 0);
    QVERIFY(CurrentMachine.cIncr);
    QCOMPARE(CurrentMachine.cIncrOffset, 90.0f - 10.5f);
}

void TestCommands::incrementalToggles()
{
    build({}, "M1");
    feed("x5000 z7000 I0 O0\r");
    ui->tbAIX->setChecked(true);
    QVERIFY(CurrentMachine.xIncr);
    QVERIFY(!CurrentMachine.zIncr);
    feed("x5000 z7000 I0 O0\r");
    QCOMPARE(ui->lblX->text(), QStringLiteral("0.000"));
    ui->tbAIZ->setChecked(true);
    QVERIFY(CurrentMachine.zIncr);
    feed("x6000 z7500 I0 O0\r");
    QCOMPARE(ui->lblX->text(), QStringLiteral("1.000"));
    QCOMPARE(ui->lblZ->text(), QStringLiteral("0.500"));
    const int zero = CurrentMachine.xIncrZero;
    ui->tbAIX->setChecked(false);
    QVERIFY(!CurrentMachine.xIncr);
    // The zero stays stored until another machine is activated.
    QCOMPARE(CurrentMachine.xIncrZero, zero);
}

void TestCommands::referenceFollowsInPosition_data()
{
    QTest::addColumn<bool>("coarse");
    QTest::addColumn<int>("axis");
    QTest::addColumn<QList<bool>>("xReports");   // in-position reports of X, then of Z
    QTest::addColumn<QList<bool>>("zReports");
    QTest::addColumn<QList<bool>>("enabled");    // OK button after each report, X ones first
    QTest::newRow("X waits for X") << false << int(cMachine::X) << QList<bool>{true, false}
                                   << QList<bool>{true} << QList<bool>{true, false, false};
    QTest::newRow("Z ignores X") << false << int(cMachine::Z) << QList<bool>{true}
                                 << QList<bool>{true, false} << QList<bool>{false, true, false};
    QTest::newRow("coarse search takes any position") << true << int(cMachine::X) << QList<bool>{false, true}
                                                      << QList<bool>{false} << QList<bool>{true, true, true};
}

void TestCommands::referenceFollowsInPosition()
{
    QFETCH(bool, coarse);
    QFETCH(int, axis);
    QFETCH(QList<bool>, xReports);
    QFETCH(QList<bool>, zReports);
    QFETCH(QList<bool>, enabled);
    build({{"/Machine/coarseZeroSearch", coarse}});
    m_w->slotGetReference(cMachine::eRefType(axis), "25.000");
    QVERIFY(open("getReference"));
    QCOMPARE(ui->tbOkGetReference->isEnabled(), coarse);
    CVideoDevice *cam = m_w->cameraDevice();
    QList<bool> seen;
    for (bool r : xReports) {
        emit cam->XAxisInPos(r);
        seen << ui->tbOkGetReference->isEnabled();
    }
    for (bool r : zReports) {
        emit cam->ZAxisInPos(r);
        seen << ui->tbOkGetReference->isEnabled();
    }
    QCOMPARE(seen, enabled);
}

// Input box -----------------------------------------------------------------------

void TestCommands::inputBoxKinds_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("password");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("rotation");   // the rotation spin box afterwards
    QTest::addColumn<QString>("box");       // the one message box shown, if any
    QTest::newRow("angular head") << 7 << "Angular heads\nSet rotation angle" << false << "33.5" << 33.5 << "";
    QTest::newRow("wrong settings password") << 5 << "Settings\nInsert password" << true << "secret" << 12.5
                                             << "Invalid password";
    QTest::newRow("unknown kind") << 42 << "any" << false << "45" << 12.5 << "";
}

void TestCommands::inputBoxKinds()
{
    QFETCH(int, kind);
    QFETCH(QString, label);
    QFETCH(bool, password);
    QFETCH(QString, typed);
    QFETCH(double, rotation);
    QFETCH(QString, box);
    build({{"/Machine/angularHead", true}});
    ui->sbRotateMeasLine->setValue(12.5);
    if (kind == 7)
        m_w->showAngularInput();
    else if (kind == 5)
        QTest::mouseClick(ui->tbConfigure, Qt::LeftButton);
    else {
        // A kind outside the list can only reach the OK handler through the
        // box's stored kind.
        m_w->showInputBox(label, "start", ibNewMachine, false);
        ui->frmInputBox->setProperty("InputBoxType", kind);
    }
    QVERIFY(open("inputBox"));
    QVERIFY(!ui->centralwidget->isEnabled());
    QCOMPARE(ui->lblInputBox->text(), label);
    QCOMPARE(ui->frmInputBox->property("InputBoxType").toInt(), kind);
    QCOMPARE(ui->leInputBox->echoMode(), password ? QLineEdit::Password : QLineEdit::Normal);
    if (kind == 7)
        QCOMPARE(ui->leInputBox->text(), QStringLiteral("12.5"));
    if (kind == 5)
        QVERIFY(ui->leInputBox->text().isEmpty());
    ui->leInputBox->setText(typed);
    QTest::mouseClick(ui->tbOkInputBox, Qt::LeftButton);
    QVERIFY(!open("inputBox"));
    QVERIFY(ui->centralwidget->isEnabled());
    QCOMPARE(ui->sbRotateMeasLine->value(), rotation);
    QCOMPARE(m_boxes.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty())
        QCOMPARE(m_boxes.first().text, box);
    QVERIFY(!m_w->findChild<cConfiguration *>());
}

// The configure button's password opens a new dialog beside the camera view
// each time; its save reaches the window (logo of the customization, the
// tooling-table list's refresh).
void TestCommands::configurationOpener()
{
    build({{"/Machine/Language", "English|none"}});
    QVERIFY(m_wd->writeFile("custom/Acme", "[Settings]\nlogo=acme.png\n"));
    QImage picture(33, 17, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(QDir().mkpath("custom/res") && picture.save("custom/res/acme.png"));
    ui->tbAIX->setChecked(true);
    ui->tbRetFix->setChecked(false);
    for (int login = 1; login <= 2; ++login) {
        QTest::mouseClick(ui->tbConfigure, Qt::LeftButton);
        QTest::keyClicks(ui->leInputBox, "TAVO");
        QTest::keyClick(ui->leInputBox, Qt::Key_Return);
        QCOMPARE(m_w->findChildren<cConfiguration *>().size(), login);
    }
    QVERIFY(m_boxes.isEmpty());
    cConfiguration *dlg = m_w->configurationDialog();
    QVERIFY(!dlg->isHidden());
    QCOMPARE(dlg->geometry().topLeft(), QPoint(640, 0));
    QVERIFY(!ui->tbAIX->isChecked());
    QVERIFY(ui->tbRetFix->isChecked());
    QVERIFY(!dlg->form()->toolBox->isItemEnabled(1)); // the plain password: no advanced page
    QVERIFY(saveScreenshot(m_w.get(), "configuration-in-window"));

    QSignalSpy relay(m_w.get(), &MainWindow::sigUpdGui);
    dlg->form()->cmbCustom->setCurrentText("Acme");
    m_answers << QMessageBox::Yes;
    QVERIFY(dlg->writeSettings());
    QCOMPARE(relay.count(), 1);
    QCOMPARE(logo->size(), QSize(33, 17));
    QCOMPARE(MachineSettings.logoName, QString("acme.png"));
}

void TestCommands::inputBoxReturnAndValidator()
{
    build({{"/Machine/angularHead", true}});
    m_w->showAngularInput();
    auto *v = qobject_cast<const QDoubleValidator *>(ui->leInputBox->validator());
    QVERIFY(v);
    QCOMPARE(v->bottom(), 0.0);
    QCOMPARE(v->top(), 90.0);
    QCOMPARE(v->decimals(), 2);
    ui->leInputBox->setText("45.5");
    QSignalSpy rotated(ui->sbRotateMeasLine, QOverload<double>::of(&QDoubleSpinBox::valueChanged));
    QTest::keyClick(ui->leInputBox, Qt::Key_Return);
    QCOMPARE(rotated.count(), 1);
    QCOMPARE(ui->sbRotateMeasLine->value(), 45.5);
    QCOMPARE(m_w->cameraDevice()->cameraAngle, 45.5f);
    QVERIFY(m_w->cameraDevice()->rotation);
    QVERIFY(!open("inputBox"));

    // A spin box that asks the on-screen keyboard gets the angle box.
    MyInputPanelContext keyboard(m_w.get());
    m_w->setInputContext(&keyboard);
    emit keyboard.reqInputBox();
    QVERIFY(open("inputBox"));
    QCOMPARE(ui->frmInputBox->property("InputBoxType").toInt(), int(ibAngularHead));
    QCOMPARE(ui->leInputBox->text(), QStringLiteral("45.5"));
    QTest::mouseClick(ui->tbExitInputBox, Qt::LeftButton);
    m_w->setInputContext(nullptr);

    // The next box starts without the angle's validator: any text goes in.
    m_w->reqConfiguration();
    QVERIFY(!ui->leInputBox->validator());
    QTest::keyClicks(ui->leInputBox, "pass-word 123");
    QCOMPARE(ui->leInputBox->text(), QStringLiteral("pass-word 123"));
    // Exit closes without any action.
    QTest::mouseClick(ui->tbExitInputBox, Qt::LeftButton);
    QVERIFY(!open("inputBox"));
    QVERIFY(ui->centralwidget->isEnabled());
    QCOMPARE(ui->sbRotateMeasLine->value(), 45.5);
}

void TestCommands::inputBoxTables()
{
    build({}, "M1");
    auto tables = [] {
        QStringList names;
        QSqlQuery q("SELECT t.name FROM toolingTables t JOIN machine m ON m.idMachine = t.idMachine "
                    "WHERE m.name = 'M1' ORDER BY t.name");
        while (q.next())
            names << q.value(0).toString();
        return names;
    };
    QTest::mouseClick(ui->tbSetList, Qt::LeftButton);
    QVERIFY(open("setList"));

    m_w->showInputBox("New table", QString(), ibNewToolset, false);
    QTest::keyClicks(ui->leInputBox, "Alpha");
    QTest::keyClick(ui->leInputBox, Qt::Key_Return);
    QVERIFY(!open("inputBox"));
    QCOMPARE(tables(), QStringList{"Alpha"});

    m_w->showInputBox("Rename table", "Alpha", ibRenameToolset, false);
    ui->leInputBox->setText("Beta");
    QTest::mouseClick(ui->tbOkInputBox, Qt::LeftButton);
    QCOMPARE(tables(), QStringList{"Beta"});

    // The copy box offers the machines, never the built-in one; its OK copies
    // the current table to the chosen machine. The import name without a CSV
    // file read first finds no data and creates nothing.
    m_w->showInputBox("Copy table", QString(), ibCopyToolset, false);
    QVERIFY(ui->leInputBox->isHidden());
    QVERIFY(!ui->cmbInputBox->isHidden());
    QCOMPARE(ui->cmbInputBox->count(), 1);
    QCOMPARE(ui->cmbInputBox->itemText(0), QStringLiteral("M1"));
    QTest::mouseClick(ui->tbOkInputBox, Qt::LeftButton);
    QVERIFY(!open("inputBox"));
    QCOMPARE(tables(), QStringList({"Beta", "Beta(copy)"}));
    m_w->showInputBox("Import", "Gamma", ibImportToolset, false);
    QVERIFY(!ui->leInputBox->isHidden());
    QVERIFY(ui->cmbInputBox->isHidden());
    QTest::mouseClick(ui->tbOkInputBox, Qt::LeftButton);
    QCOMPARE(tables(), QStringList({"Beta", "Beta(copy)"}));
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().text, QStringLiteral("Invalid data"));
}

// Axis commands ---------------------------------------------------------------------

void TestCommands::clamp_data()
{
    QTest::addColumn<Settings>("config");
    QTest::addColumn<bool>("blocked");
    QTest::newRow("type 3 board") << Settings{{"/Machine/type", 3}} << true;
    QTest::newRow("pivra clamp") << Settings{{"/Machine/isPivra", true}} << false;
}

void TestCommands::clamp()
{
    QFETCH(Settings, config);
    QFETCH(bool, blocked);
    build(config);
    QCOMPARE(m_w->runOutRole(), MainWindow::RunOutRole::Clamp);
    feed("x0 z0 I0 O0\r");
    m_board->frames.clear();
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(ui->tbTestRnOut, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_board->outputs(), (QList<QByteArray>{"B4", "B0"}), 15000);
    QCOMPARE(ui->tbTestRnOut->isEnabled(), !blocked);
    if (blocked) {
        // A second press while blocked sends nothing.
        QTest::mouseClick(ui->tbTestRnOut, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(ui->tbTestRnOut->isEnabled(), 15000);
        QVERIFY(t.elapsed() >= 2900);
        QCOMPARE(m_board->outputs().size(), 2);
    }
}

void TestCommands::runOutTest()
{
    build();
    QCOMPARE(m_w->runOutRole(), MainWindow::RunOutRole::RunOutTest);
    feed("x0 z0 I0 O0\r");
    ui->tbIndex->setCheckable(true);
    ui->tbBrake->setCheckable(true);
    ui->tbIndex->setChecked(true);
    ui->tbBrake->setChecked(true);
    m_board->frames.clear();
    ui->tbTestRnOut->setCheckable(true);
    ui->tbTestRnOut->setChecked(true);
    QVERIFY(open("vacuumPanel"));
    QVERIFY(!ui->tbIndex->isEnabled());
    QVERIFY(!ui->tbBrake->isEnabled());
    QVERIFY(!ui->tbIndex->isChecked());
    QVERIFY(!ui->tbBrake->isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(m_board->outputs(), (QList<QByteArray>{"B32", "B0"}), 15000);
    QCOMPARE(ui->SpindleOK->pixmap(Qt::ReturnByValue).toImage(), QPixmap(":/img/SpindleRotation.png").toImage());

    // The board reports the vacuum output on: the stop button ends the test.
    feed("x0 z0 I0 O32\r");
    m_board->frames.clear();
    QTest::mouseClick(ui->tbStopRunOut, Qt::LeftButton);
    QVERIFY(!ui->tbTestRnOut->isChecked());
    QVERIFY(!open("vacuumPanel"));
    QVERIFY(ui->tbIndex->isEnabled());
    QVERIFY(ui->tbBrake->isEnabled());
    QVERIFY(!ui->tbIndex->isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(m_board->outputs(), (QList<QByteArray>{"B32", "B0"}), 15000);
}

void TestCommands::vacuumPictures_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("file");
    QTest::newRow("rotate") << 0 << ":/img/SpindleRotation.png";
    QTest::newRow("no vacuum") << 1 << ":/img/SpindleNo.png";
    QTest::newRow("ok") << 2 << ":/img/SpindleOk.png";
    QTest::newRow("unknown") << 3 << "";
}

void TestCommands::vacuumPictures()
{
    QFETCH(int, state);
    QFETCH(QString, file);
    build();
    m_w->setVacuumImage(2);
    emit m_w->axisLink()->sigVacuumImg(state);
    const QPixmap shown = ui->SpindleOK->pixmap(Qt::ReturnByValue);
    if (file.isEmpty()) {
        QVERIFY(shown.isNull());
    } else {
        QVERIFY(!shown.isNull());
        // The expected file takes the label's way (a pixmap): converting both
        // back from premultiplied pixels gives results that differ per CPU.
        QCOMPARE(shown.toImage(), QPixmap(file).toImage());
    }
}

void TestCommands::radiusDiameter_data()
{
    QTest::addColumn<bool>("isMM");
    QTest::addColumn<bool>("diameter");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("to diameter") << true << true << "10.000" << "20.000";
    QTest::newRow("to radius") << true << false << "20.000" << "10.000";
    QTest::newRow("spaces around") << true << true << " 1.25 " << "2.500";
    QTest::newRow("inch to diameter") << false << true << "0.5" << "1.0000";
    QTest::newRow("empty field") << true << true << "" << "";
    QTest::newRow("blank field") << true << false << "   " << "   ";
}

void TestCommands::radiusDiameter()
{
    QFETCH(bool, isMM);
    QFETCH(bool, diameter);
    QFETCH(QString, before);
    QFETCH(QString, after);
    build({{"/Machine/isMM", isMM}, {"/Machine/isRadius", diameter}});
    QCOMPARE(ui->tbRadDia->isChecked(), !diameter);
    ui->leXLabel->setText(before);
    ui->tbRadDia->setChecked(diameter);
    QCOMPARE(ui->leXLabel->text(), after);
    QCOMPARE(CurrentMachine.isRadius, !diameter);
    QCOMPARE(ui->tbLblRadDia->isChecked(), diameter);
}

void TestCommands::radiusDiameterAndBack_data()
{
    QTest::addColumn<bool>("isMM");
    QTest::addColumn<QString>("diameter");
    QTest::newRow("10.001 mm") << true << "10.001";
    QTest::newRow("1499.999 mm") << true << "1499.999";
    QTest::newRow("12.3457 inch") << false << "12.3457";
}

void TestCommands::radiusDiameterAndBack()
{
    QFETCH(bool, isMM);
    QFETCH(QString, diameter);
    build({{"/Machine/isMM", isMM}, {"/Machine/isRadius", false}});
    ui->leXLabel->setText(diameter);
    ui->tbRadDia->setChecked(false);
    ui->tbRadDia->setChecked(true);
    QCOMPARE(ui->leXLabel->text(), diameter);
}

// Reticles and camera function bar ----------------------------------------------------

void TestCommands::angleReticle_data()
{
    QTest::addColumn<int>("slider");
    QTest::addColumn<QString>("text");
    QTest::newRow("2519") << 2519 << "25.20";
    QTest::newRow("2511") << 2511 << "25.10";
    QTest::newRow("2515") << 2515 << "25.15";
}

void TestCommands::angleReticle()
{
    QFETCH(int, slider);
    QFETCH(QString, text);
    build();
    CVideoDevice *cam = m_w->cameraDevice();
    ui->sbAngle->setValue(slider);
    QCOMPARE(ui->leAngleA->text(), text);
    QCOMPARE(cam->angleReticle, text.toFloat());
    QCOMPARE(ui->sbAngle->value(), slider);   // the slider keeps its own value

    ui->leAngleA->setText("12.34");
    QCOMPARE(cam->angleReticle, 12.34f);
    QCOMPARE(ui->sbAngle->value(), 1234);
    QCOMPARE(ui->leAngleA->text(), QStringLiteral("12.34"));
    QTest::mouseClick(ui->tbInsertAngle, Qt::LeftButton);
    QCOMPARE(ui->leAngleA->text(), QStringLiteral("0"));
    QCOMPARE(cam->angleReticle, 0.0f);
    QCOMPARE(ui->sbAngle->value(), 0);
}

void TestCommands::circleReticle_data()
{
    QTest::addColumn<bool>("isMM");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("reticle");
    QTest::addColumn<int>("slider");
    QTest::newRow("inch entry") << false << "0.1234" << 3.13436f << 313;
    QTest::newRow("mm entry past the slider") << true << "10" << 10.0f << 350;
    QTest::newRow("mm entry") << true << "2.5" << 2.5f << 250;
}

void TestCommands::circleReticle()
{
    QFETCH(bool, isMM);
    QFETCH(QString, text);
    QFETCH(float, reticle);
    QFETCH(int, slider);
    build({{"/Machine/isMM", isMM}});
    CVideoDevice *cam = m_w->cameraDevice();
    ui->leCircleR->setText(text);
    QVERIFY(std::fabs(cam->circleReticle - reticle) < 1e-5f);
    QCOMPARE(ui->sbCircle->value(), slider);
    QCOMPARE(ui->leCircleR->text(), text);   // the entry keeps what was typed

    ui->sbCircle->setValue(100);
    QCOMPARE(ui->leCircleR->text(), isMM ? QStringLiteral("1.00") : QStringLiteral("0.03937"));
    QCOMPARE(cam->circleReticle, 1.0f);
    QTest::mouseClick(ui->tbInsertRadius, Qt::LeftButton);
    QCOMPARE(ui->leCircleR->text(), QStringLiteral("0"));
    QCOMPARE(cam->circleReticle, 0.0f);
    QCOMPARE(ui->sbCircle->value(), 0);
}

void TestCommands::cameraBar_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<int>("geometry");
    QTest::addColumn<bool>("search");
    QTest::addColumn<bool>("autoAngle");
    QTest::addColumn<bool>("autoCircle");
    QTest::newRow("auto angle") << "tbCamAngle" << "getAngle" << 1 << true << true << false;
    QTest::newRow("auto circle") << "tbCamRadius" << "getCircle" << 2 << true << false << true;
    QTest::newRow("angle reticle") << "tbCamAngleReticle" << "setAngle" << 0 << false << false << false;
    QTest::newRow("circle reticle") << "tbCamRadiusReticle" << "setCircle" << 0 << false << false << false;
    QTest::newRow("two points") << "tbCamAngle2Point" << "setPoint2P" << 0 << false << false << false;
    QTest::newRow("five points") << "tbCamRadius5Point" << "getCircle5P" << 0 << false << false << false;
    QTest::newRow("exit") << "tbExitCamera" << "" << 0 << false << false << false;
}

void TestCommands::cameraBar()
{
    QFETCH(QString, button);
    QFETCH(QString, panel);
    QFETCH(int, geometry);
    QFETCH(bool, search);
    QFETCH(bool, autoAngle);
    QFETCH(bool, autoCircle);
    build();
    CVideoDevice *cam = m_w->cameraDevice();
    cam->Geometry = cam->autoAngle = cam->autoCircle = false;
    ui->pbAlternativeAngle->setCheckable(true);
    ui->pbAlternativeAngle->setChecked(true);
    ui->lbl2p->setText("2/2");
    ui->lbl5p->setText("4/5");
    ui->tbOkSetPoint2P->setEnabled(true);
    ui->tbOkSetPoint5P->setEnabled(true);
    ui->tbCamera->setChecked(true);
    QVERIFY(open("cameraPanel"));
    QTest::mouseClick(m_w->findChild<QPushButton *>(button), Qt::LeftButton);
    QVERIFY(!ui->tbCamera->isChecked());
    QVERIFY(!open("cameraPanel"));
    for (const char *id : {"setColor", "setAngle", "getAngle", "setPoint2P", "setCircle", "getCircle", "getCircle5P"})
        QCOMPARE(open(id), panel == id);
    QCOMPARE(geometryActive, geometry);
    QCOMPARE(cam->Geometry, search);
    QCOMPARE(cam->autoAngle, autoAngle);
    QCOMPARE(cam->autoCircle, autoCircle);
    if (button == "tbCamAngle")
        QVERIFY(!ui->pbAlternativeAngle->isChecked());
    if (button == "tbCamAngle2Point") {
        QCOMPARE(ui->lbl2p->text(), QStringLiteral("0/2"));
        QVERIFY(!ui->tbOkSetPoint2P->isEnabled());
    }
    if (button == "tbCamRadius5Point") {
        QCOMPARE(ui->lbl5p->text(), QStringLiteral("0/5"));
        QVERIFY(!ui->tbOkSetPoint5P->isEnabled());
    }
    if (search) {
        // Opening the bar again ends the automatic measure and its search.
        ui->tbCamera->setChecked(true);
        QCOMPARE(geometryActive, 0);
        QVERIFY(!cam->Geometry);
        QTRY_VERIFY(!open(qPrintable(panel)));
    }
}

void TestCommands::reticleType()
{
    build({{"/Machine/angularHead", true}});
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    CVideoDevice *cam = m_w->cameraDevice();
    const QList<QPushButton *> tools{ui->tbCamAngleReticle, ui->tbCamAngle2Point, ui->tbCamRadiusReticle,
                                     ui->tbCamRadius5Point};
    QTest::mouseClick(ui->tbAutocoll, Qt::LeftButton);
    QVERIFY(cam->measureLines);
    QVERIFY(!cam->isFrozen());
    for (QPushButton *b : tools)
        QVERIFY(!b->isEnabled());
    QVERIFY(ui->frmRotated->isVisible());

    QTest::mouseClick(ui->pbFreeze, Qt::LeftButton);
    QVERIFY(cam->isFrozen());
    QVERIFY(cam->measureLines);
    QVERIFY(ui->frmRotated->isVisible());

    QTest::mouseClick(ui->tbRetFix, Qt::LeftButton);
    QVERIFY(!cam->isFrozen());
    QVERIFY(!cam->measureLines);
    for (QPushButton *b : tools)
        QVERIFY(b->isEnabled());
    QVERIFY(!ui->frmRotated->isVisible());

    // In inspection mode the rotation frame stays hidden whatever the reticle.
    ui->tbInspection->setChecked(true);
    QTest::mouseClick(ui->tbAutocoll, Qt::LeftButton);
    QVERIFY(!ui->frmRotated->isVisible());
    ui->tbInspection->setChecked(false);
    QVERIFY(ui->frmRotated->isVisible());
}

void TestCommands::startsWithoutRotationControl()
{
    // The start machine is the default one: nothing selected after construction.
    build({{"/Machine/angularHead", true}});
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    QVERIFY(ui->tbRetFix->isChecked());
    QVERIFY(!ui->frmRotated->isVisible());
    QTest::mouseClick(ui->tbAutocoll, Qt::LeftButton);
    QVERIFY(ui->frmRotated->isVisible());
}

void TestCommands::machineChangeResetsReticle()
{
    build({{"/Machine/angularHead", true}}, "LATHE 1");
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    CVideoDevice *cam = m_w->cameraDevice();
    // At start the fixed cross: no edge lines measured, no rotation control.
    QVERIFY(ui->tbRetFix->isChecked());
    QVERIFY(!cam->measureLines);
    QVERIFY(!ui->frmRotated->isVisible());
    QTest::mouseClick(ui->pbFreeze, Qt::LeftButton);
    QVERIFY(cam->measureLines);
    QVERIFY(cam->isFrozen());
    QVERIFY(ui->frmRotated->isVisible());
    // Another machine goes back to the fixed cross, the freeze released.
    m_w->selectMachine("*DEFAULT MACHINE*");
    QCOMPARE(CurrentMachine.name, QString("*DEFAULT MACHINE*"));
    QVERIFY(ui->tbRetFix->isChecked());
    QVERIFY(!cam->measureLines);
    QVERIFY(!cam->isFrozen());
    QVERIFY(ui->tbCamAngleReticle->isEnabled());
    QVERIFY(!ui->frmRotated->isVisible());
}

// Found geometry ----------------------------------------------------------------------

void TestCommands::foundLines_data()
{
    QTest::addColumn<QVector<sLineParam>>("lines");
    QTest::addColumn<bool>("alternative");
    QTest::addColumn<QString>("angle");
    QTest::addColumn<QString>("crossing");   // "axis": the link's intersection, "keep": unchanged
    using V = QVector<sLineParam>;
    QTest::newRow("no line") << V{} << false << "" << "";
    QTest::newRow("one line") << V{line(1)} << false << "A -45.00" << "";
    QTest::newRow("one line, other side") << V{line(1)} << true << "A 135.00" << "";
    QTest::newRow("two lines") << V{line(1), line(-1)} << false << "A 90.00" << "axis";
    QTest::newRow("reference line") << V{line(0), line(1, true)} << false << "A 45.00" << "reference";
    QTest::newRow("three lines") << V{line(0), line(1), line(2)} << false << "A " << "keep";
}

void TestCommands::foundLines()
{
    QFETCH(QVector<sLineParam>, lines);
    QFETCH(bool, alternative);
    QFETCH(QString, angle);
    QFETCH(QString, crossing);
    build();
    cAxisInterface *link = m_w->axisLink();
    // Lines seen while the automatic angle is not shown clear everything.
    ui->lblAngleAuto->setText("old");
    link->autoAngleText = "A 1.00";
    m_w->slotFoundLines({line(1)});
    QVERIFY(ui->lblAngleAuto->text().isEmpty());
    QVERIFY(link->autoAngleText.isEmpty());

    ui->tbCamera->setChecked(true);
    QTest::mouseClick(ui->tbCamAngle, Qt::LeftButton);
    QVERIFY(open("getAngle"));
    ui->pbAlternativeAngle->setCheckable(true);
    ui->pbAlternativeAngle->setChecked(alternative);
    ui->lblAngleInt->setText("previous");
    m_w->slotFoundLines(lines);
    QCOMPARE(ui->lblAngleAuto->text(), angle);
    QCOMPARE(link->autoAngleText, angle);
    if (crossing == "axis")
        QCOMPARE(ui->lblAngleInt->text(),
                 QString("PX %1 PZ %2").arg(link->getIntersectionX(), link->getIntersectionZ()));
    else if (crossing == "reference")
        QCOMPARE(ui->lblAngleInt->text(), QString("PX 0 PZ %1").arg(link->getIntersectionZ()));
    else if (crossing == "keep")
        QCOMPARE(ui->lblAngleInt->text(), QStringLiteral("previous"));
    else
        QCOMPARE(ui->lblAngleInt->text(), crossing);
    QString text;
    QCOMPARE(link->hasAutoAngle(text), angle.size() > 2);
}

void TestCommands::foundCircle()
{
    build();
    CVideoDevice *cam = m_w->cameraDevice();
    cam->autoCircle = true;
    m_w->slotFoundCircle(QPoint(10, 20), 150);
    QVERIFY(!cam->autoCircle);
    QCOMPARE(m_w->cameraPanel()->circleR, 0);

    ui->tbCamera->setChecked(true);
    QTest::mouseClick(ui->tbCamRadius, Qt::LeftButton);
    QVERIFY(open("getCircle"));
    m_w->slotFoundCircle(QPoint(10, 20), 150);
    QVERIFY(cam->autoCircle);
    QCOMPARE(m_w->cameraPanel()->circleX, 10);
    QCOMPARE(m_w->cameraPanel()->circleY, 20);
    QCOMPARE(m_w->cameraPanel()->circleR, 150);
    QCOMPARE(ui->lblRadAuto->text(), QStringLiteral("R 1.500"));
    QCOMPARE(ui->lblRadCenter->text(), QString("CX %1 CZ %2").arg(m_w->axisLink()->getCircleCenterX(),
                                                                   m_w->axisLink()->getCircleCenterZ()));
    m_w->slotFoundCircle(QPoint(-999999, -999999), 0);
    QVERIFY(!cam->autoCircle);
    QVERIFY(ui->lblRadAuto->text().isEmpty());
    QVERIFY(ui->lblRadCenter->text().isEmpty());
    QCOMPARE(m_w->cameraPanel()->circleR, 0);
}

void TestCommands::rotation()
{
    build({{"/Machine/angularHead", true}});
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    CVideoDevice *cam = m_w->cameraDevice();
    QTest::mouseClick(ui->tbAutocoll, Qt::LeftButton);
    QVERIFY(!ui->sbRotateMeasLine->isVisible());
    ui->tbRotated->setCheckable(true);
    ui->tbRotated->setChecked(true);
    QVERIFY(ui->sbRotateMeasLine->isVisible());
    QVERIFY(ui->pbSetRotatedAngle->isVisible());
    QVERIFY(ui->frmRotated->styleSheet().contains("116,200"));

    // The take-over button first opens the automatic angle...
    QTest::mouseClick(ui->pbSetRotatedAngle, Qt::LeftButton);
    QVERIFY(open("getAngle"));
    QCOMPARE(geometryActive, 1);
    QVERIFY(cam->Geometry && cam->autoAngle && !cam->autoCircle);
    // ... where two lines are turned by a quarter while the rotation is on.
    m_w->slotFoundLines({line(1), line(500)});
    QCOMPARE(ui->lblAngleAuto->text(), QStringLiteral("A 45.00"));
    // ... and then takes the angle found.
    QTest::mouseClick(ui->pbSetRotatedAngle, Qt::LeftButton);
    QCOMPARE(ui->sbRotateMeasLine->value(), 45.0);
    QCOMPARE(cam->cameraAngle, 45.0f);
    QVERIFY(cam->rotation);

    ui->tbRotated->setChecked(false);
    QVERIFY(!ui->sbRotateMeasLine->isVisible());
    QCOMPARE(ui->sbRotateMeasLine->value(), 0.0);
    QCOMPARE(cam->cameraAngle, 0.0f);
    QVERIFY(!cam->rotation);
    QVERIFY(ui->frmRotated->styleSheet().contains("116,0)"));
}

void TestCommands::pickedPoints_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<bool>("diameterMode");
    QTest::addColumn<bool>("isDiameter");
    QTest::addColumn<QStringList>("fields");   // X, Z, radius of the panel afterwards
    QTest::newRow("label panel point") << "labelPrint" << false << false << QStringList{"12.500", "-3.250", ""};
    QTest::newRow("label panel point, diameter") << "labelPrint" << true << false << QStringList{"25.000", "-3.250", ""};
    QTest::newRow("label panel diameter") << "labelPrint" << false << true << QStringList{"", "", "12.500"};
    // Between two picked corners: a length, never doubled.
    QTest::newRow("label panel diameter, diameter mode") << "labelPrint" << true << true << QStringList{"", "", "12.500"};
    QTest::newRow("tool editor point") << "toolset" << false << false << QStringList{"12.500", "-3.250", ""};
    QTest::newRow("tool editor diameter") << "toolset" << false << true << QStringList{"", "", "12.500"};
    QTest::newRow("neither") << "" << false << false << QStringList{"", "", ""};
}

void TestCommands::pickedPoints()
{
    QFETCH(QString, panel);
    QFETCH(bool, diameterMode);
    QFETCH(bool, isDiameter);
    QFETCH(QStringList, fields);
    build({{"/Machine/isRadius", !diameterMode}});
    // Corners lie at positions the board gave.
    feedPosition(0, 0);
    QLineEdit *tx = m_w->toolsetPanel()->findChild<QLineEdit *>("leX");
    QLineEdit *tz = m_w->toolsetPanel()->findChild<QLineEdit *>("leZ");
    QLineEdit *tr = m_w->toolsetPanel()->findChild<QLineEdit *>("leCr");
    QVERIFY(tx && tz && tr);
    for (QLineEdit *e : {tx, tz, tr, ui->leXLabel, ui->leZLabel, ui->leRadLabel})
        e->clear();
    if (panel.isEmpty())
        m_w->panels().setStatus("labelPrint", false);
    else
        m_w->panels().setStatus(panel, true);
    emit m_w->cameraPanel()->setRotatedValues(QPointF(12.5, -3.25), isDiameter);
    const QStringList label{ui->leXLabel->text(), ui->leZLabel->text(), ui->leRadLabel->text()};
    const QStringList table{tx->text(), tz->text(), tr->text()};
    const QStringList empty{"", "", ""};
    QCOMPARE(label, panel == "labelPrint" ? fields : empty);
    QCOMPARE(table, panel == "toolset" ? fields : empty);
}

// A menu entry without a point hands over the panel's no-point mark: no
// field of the label panel or the tool editor takes it.
void TestCommands::noPointWritesNothing_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<bool>("isDiameter");
    QTest::newRow("label panel point") << "labelPrint" << false;
    QTest::newRow("label panel diameter") << "labelPrint" << true;
    QTest::newRow("tool editor point") << "toolset" << false;
    QTest::newRow("tool editor diameter") << "toolset" << true;
}

void TestCommands::noPointWritesNothing()
{
    QFETCH(QString, panel);
    QFETCH(bool, isDiameter);
    build();
    QLineEdit *tx = m_w->toolsetPanel()->findChild<QLineEdit *>("leX");
    QLineEdit *tz = m_w->toolsetPanel()->findChild<QLineEdit *>("leZ");
    QLineEdit *tr = m_w->toolsetPanel()->findChild<QLineEdit *>("leCr");
    QVERIFY(tx && tz && tr);
    const QList<QLineEdit *> fields{tx, tz, tr, ui->leXLabel, ui->leZLabel, ui->leRadLabel};
    for (QLineEdit *e : fields)
        e->setText("1.000");
    m_w->panels().setStatus(panel, true);
    emit m_w->cameraPanel()->setRotatedValues(QPointF(-999999, -999999), isDiameter);
    QStringList texts, before;
    for (QLineEdit *e : fields) {
        texts << e->text();
        before << "1.000";
    }
    QCOMPARE(texts, before);
}

// Manual measures ---------------------------------------------------------------------

void TestCommands::manualTwoPoints()
{
    build();
    ui->tbCamera->setChecked(true);
    QTest::mouseClick(ui->tbCamAngle2Point, Qt::LeftButton);
    QVERIFY(open("setPoint2P"));
    QVERIFY(!ui->tbOkSetPoint2P->isEnabled());

    feedPosition(10, 0);
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    QCOMPARE(ui->lbl2p->text(), QStringLiteral("1/2"));
    QVERIFY(!ui->tbOkSetPoint2P->isEnabled());
    feedPosition(0, 10);
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    QCOMPARE(ui->lbl2p->text(), QStringLiteral("2/2"));
    QCOMPARE(ui->lblAngleDistance->text(), QStringLiteral("45.00"));
    QVERIFY(ui->tbOkSetPoint2P->isEnabled());

    // The label panel is open: the angle goes there, the manual panel stays.
    QTest::mouseClick(ui->tbOkSetPoint2P, Qt::LeftButton);
    QCOMPARE(ui->leAngleLabel->text(), QStringLiteral("45.00"));
    QVERIFY(open("setPoint2P"));

    // Third press only clears; the fourth takes the first point again.
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    QCOMPARE(ui->lbl2p->text(), QStringLiteral("0/2"));
    QVERIFY(ui->lblAngleDistance->text().isEmpty());
    QVERIFY(!ui->tbOkSetPoint2P->isEnabled());
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    QCOMPARE(ui->lbl2p->text(), QStringLiteral("1/2"));

    // Both points in one place give no direction: nothing to confirm.
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    QCOMPARE(ui->lbl2p->text(), QStringLiteral("2/2"));
    QVERIFY(ui->lblAngleDistance->text().isEmpty());
    QVERIFY(!ui->tbOkSetPoint2P->isEnabled());

    // The tool editor takes the angle when it is the open panel.
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    feedPosition(10, 5);
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    feedPosition(0, 5);
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    QVERIFY(ui->tbOkSetPoint2P->isEnabled());
    m_w->panels().setStatus("toolset", true);
    QVERIFY(!open("labelPrint"));
    ui->leAngleLabel->clear();
    QTest::mouseClick(ui->tbOkSetPoint2P, Qt::LeftButton);
    QCOMPARE(m_w->toolsetPanel()->findChild<QLineEdit *>("leAngle")->text(), ui->lblAngleDistance->text());
    QVERIFY(ui->leAngleLabel->text().isEmpty());
}

void TestCommands::manualFivePoints_data()
{
    QTest::addColumn<bool>("diameterMode");
    QTest::addColumn<QList<QPointF>>("points");   // X radius, Z in mm
    QTest::addColumn<double>("radius");           // 0: no result
    QList<QPointF> arc;
    for (int i = 0; i < 5; ++i) {
        const double a = i * 22.5 * M_PI / 180.0;
        arc << QPointF(20 + 5 * std::cos(a), 30 + 5 * std::sin(a));
    }
    QTest::newRow("arc r5") << false << arc << 5.0;
    QTest::newRow("arc r5, diameter display") << true << arc << 5.0;
    QTest::newRow("straight edge") << false << QList<QPointF>{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}} << 0.0;
    QTest::newRow("one place") << false << QList<QPointF>{{4, 4}, {4, 4}, {4, 4}, {4, 4}, {4, 4}} << 0.0;
}

void TestCommands::manualFivePoints()
{
    QFETCH(bool, diameterMode);
    QFETCH(QList<QPointF>, points);
    QFETCH(double, radius);
    build({{"/Machine/isRadius", !diameterMode}});
    ui->tbCamera->setChecked(true);
    QTest::mouseClick(ui->tbCamRadius5Point, Qt::LeftButton);
    QVERIFY(open("getCircle5P"));
    for (int i = 0; i < points.size(); ++i) {
        feedPosition(points[i].x(), points[i].y());
        QTest::mouseClick(ui->tbGetPoint5PReticle, Qt::LeftButton);
        QCOMPARE(ui->lbl5p->text(), QString("%1/5").arg(i + 1));
        QCOMPARE(ui->tbOkSetPoint5P->isEnabled(), i == 4 && radius > 0);
    }
    if (radius > 0) {
        QVERIFY2(std::fabs(ui->lblRadValue5P->text().toDouble() - radius) <= 0.002, qPrintable(ui->lblRadValue5P->text()));
        QTest::mouseClick(ui->tbOkSetPoint5P, Qt::LeftButton);
        QCOMPARE(ui->leRadLabel->text(), ui->lblRadValue5P->text());
    } else {
        QVERIFY(ui->lblRadValue5P->text().isEmpty());
        QTest::mouseClick(ui->tbOkSetPoint5P, Qt::LeftButton);
        QVERIFY(ui->leRadLabel->text().isEmpty());
    }
    QTest::mouseClick(ui->tbGetPoint5PReticle, Qt::LeftButton);
    QCOMPARE(ui->lbl5p->text(), QStringLiteral("0/5"));
    QVERIFY(!ui->tbOkSetPoint5P->isEnabled());
}

// Inspection mode -----------------------------------------------------------------------

void TestCommands::inspection()
{
    build({{"/camera/forceBlack", 200}, {"/camera/forceWhite", 100}});
    CVideoDevice *cam = m_w->cameraDevice();
    const QVector<uint> grey = CameraPalettes::grey(200, 100);
    // The frames are shown through the table in use.
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    QTRY_VERIFY_WITH_TIMEOUT(cam->isRunning(), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(cam->GetRGB(0).colorTable(), grey, 15000);
    QVERIFY(!ui->tbInspectionColor->isEnabled());

    ui->tbDgt->setCheckable(true);
    ui->tbDgt->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(cam->GetRGB(0).colorTable(), CameraPalettes::threshold(), 15000);

    ui->tbInspection->setCheckable(true);
    ui->tbInspection->setChecked(true);
    QVERIFY(open("inspectionLight"));
    QVERIFY(ui->tbInspectionColor->isEnabled());
    QCOMPARE(int(cam->sensorMode), 1);
    QTRY_COMPARE_WITH_TIMEOUT(cam->GetRGB(0).colorTable(), grey, 15000);
    for (QPushButton *b : {ui->tbDgt, ui->tbCamAngle, ui->tbCamRadius})
        QVERIFY(!b->isEnabled());

    QTest::mouseClick(ui->tbInspectionColor, Qt::LeftButton);
    QVERIFY(open("setColor"));
    QTest::mouseClick(ui->tbColorCyan, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(cam->GetRGB(0).colorTable(), CameraPalettes::inspection(CameraPalettes::Cyan), 15000);
    QTest::mouseClick(ui->tbColorYellow, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(cam->GetRGB(0).colorTable(), CameraPalettes::inspection(CameraPalettes::Yellow), 15000);

    ui->sbLight->setValue(200);
    ui->sbLight->setValue(127);
    QVERIFY(std::fabs(cam->sensorSets[1].factor - 0.50196f) < 1e-5f);
    ui->sbLight->setValue(0);
    QCOMPARE(cam->sensorSets[1].factor, 1.0f);

    // Leaving: the threshold view chosen before is back.
    ui->tbInspection->setChecked(false);
    QVERIFY(!open("inspectionLight"));
    QCOMPARE(int(cam->sensorMode), 0);
    QTRY_COMPARE_WITH_TIMEOUT(cam->GetRGB(0).colorTable(), CameraPalettes::threshold(), 15000);
    QVERIFY(!ui->tbInspectionColor->isEnabled());
    for (QPushButton *b : {ui->tbDgt, ui->tbCamAngle, ui->tbCamRadius})
        QVERIFY(b->isEnabled());
    // Entering again keeps the last colour.
    ui->tbInspection->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(cam->GetRGB(0).colorTable(), CameraPalettes::inspection(CameraPalettes::Yellow), 15000);
    ui->tbInspection->setChecked(false);
    ui->tbDgt->setChecked(false);
    QTRY_COMPARE_WITH_TIMEOUT(cam->GetRGB(0).colorTable(), grey, 15000);
}

// Screenshots of each panel ---------------------------------------------------------------

void TestCommands::screenshots()
{
    build({{"/Machine/angularHead", true}, {"/Machine/hasCAxis", true}});
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    feed("x12345 z-6789 I0 O0 C900\r");
    AnimatedWidgets &p = m_w->panels();

    QTest::mouseClick(ui->tbTypeX, Qt::LeftButton);
    ui->leSetX->setText("50.000");
    saveScreenshot(m_w.get(), "commands-setX");
    QTest::mouseClick(ui->tbTypeZ, Qt::LeftButton);
    QVERIFY(!open("setX"));
    ui->leSetZ->setText("120.5");
    saveScreenshot(m_w.get(), "commands-setZ");
    QTest::mouseClick(ui->tbTypeC, Qt::LeftButton);
    ui->leSetC->setText("90");
    saveScreenshot(m_w.get(), "commands-setC");
    QTest::mouseClick(ui->tbExitSetC, Qt::LeftButton);

    m_w->slotGetReference(cMachine::Z, "40.000");
    QVERIFY(open("getReference"));
    saveScreenshot(m_w.get(), "commands-getReference");
    QTest::mouseClick(ui->tbExitGetReference, Qt::LeftButton);

    m_w->showAngularInput();
    saveScreenshot(m_w.get(), "commands-inputBox-angle");
    QTest::mouseClick(ui->tbExitInputBox, Qt::LeftButton);

    ui->tbTestRnOut->setCheckable(true);
    ui->tbTestRnOut->setChecked(true);
    saveScreenshot(m_w.get(), "commands-vacuumPanel");
    ui->tbTestRnOut->setChecked(false);

    ui->tbCamera->setChecked(true);
    saveScreenshot(m_w.get(), "commands-cameraBar");

    QTest::mouseClick(ui->tbCamAngleReticle, Qt::LeftButton);
    ui->sbAngle->setValue(2519);
    saveScreenshot(m_w.get(), "commands-setAngle");
    ui->tbCamera->setChecked(true);
    QTest::mouseClick(ui->tbCamRadiusReticle, Qt::LeftButton);
    ui->leCircleR->setText("1.25");
    saveScreenshot(m_w.get(), "commands-setCircle");
    ui->tbCamera->setChecked(true);
    QTest::mouseClick(ui->tbCamAngle, Qt::LeftButton);
    m_w->slotFoundLines({line(1), line(-0.2f)});
    saveScreenshot(m_w.get(), "commands-getAngle");
    ui->tbCamera->setChecked(true);
    QTest::mouseClick(ui->tbCamRadius, Qt::LeftButton);
    m_w->slotFoundCircle(QPoint(300, 300), 150);
    saveScreenshot(m_w.get(), "commands-getCircle");
    ui->tbCamera->setChecked(true);
    QTest::mouseClick(ui->tbCamAngle2Point, Qt::LeftButton);
    // This machine has a C axis: its lines carry C or are not used.
    feed("x10000 z0 I0 O0 C900\r");
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    feed("x0 z10000 I0 O0 C900\r");
    QTest::mouseClick(ui->tbGetPoint2PReticle, Qt::LeftButton);
    saveScreenshot(m_w.get(), "commands-setPoint2P");
    ui->tbCamera->setChecked(true);
    QTest::mouseClick(ui->tbCamRadius5Point, Qt::LeftButton);
    QTest::mouseClick(ui->tbGetPoint5PReticle, Qt::LeftButton);
    saveScreenshot(m_w.get(), "commands-getCircle5P");

    QTest::mouseClick(ui->tbAutocoll, Qt::LeftButton);
    ui->tbRotated->setCheckable(true);
    ui->tbRotated->setChecked(true);
    ui->sbRotateMeasLine->setValue(30);
    saveScreenshot(m_w.get(), "commands-rotation");

    ui->tbInspection->setChecked(true);
    QTest::mouseClick(ui->tbInspectionColor, Qt::LeftButton);
    QTest::mouseClick(ui->tbColorMagenta, Qt::LeftButton);
    QVERIFY(p.isEnlarged("setColor"));
    saveScreenshot(m_w.get(), "commands-inspection");
    QVERIFY(p.isEnlarged("inspectionLight"));
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
