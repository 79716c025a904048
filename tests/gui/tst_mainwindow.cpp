#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "app/AxisDisplay.h"
#include "app/InstanceLock.h"
#include "app/MainWindowForm.h"
#include "app/mainwindow.h"
#include "axis/QextSerialPort.h"
#include "axis/cAxisInterface.h"
#include "tooling/DncSerialService.h"
#include "camera/VideoCollector.h"
#include "camera/VideoDevice.h"
#include "camera/VideoStandIn.h"
#include "interface/CamPanel.h"
#include "shared/App.h"
#include "shared/FatalExit.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "support/AnimationClock.h"
#include "support/LockHolder.h"
#include "support/MainWindowFixture.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"

namespace {

const QByteArray kReset("\x05R\r");
const QByteArray kZeroReset("\x05Z\r");

QImage shot(QWidget *w)
{
    return w->grab().toImage();
}

} // namespace

class TestMainWindow : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void construction_data();
    void construction();
    void registrations();
    void validators_data();
    void validators();
    void secondInstance();
    void noCamera();
    void portHeldByAnotherProgram_data();
    void portHeldByAnotherProgram();
    void portOfTheBoardLink_data();
    void portOfTheBoardLink();

    void firstUpdateOnlyResets();
    void colourThroughLink_data();
    void colourThroughLink();
    void referenceTransitions();
    void referenceEndsIncrementalMode();
    void swappedAxesColours();
    void cAxis();
    void clampFollowsBoard_data();
    void clampFollowsBoard();
    void machineControls_data();
    void machineControls();

    void axisButtons_data();
    void axisButtons();
    void machineCombo();
    void defaultMachine();
    void runOutRoles_data();
    void runOutRoles();
    void serialDncLock();
    void inputBoxExit();

    void quit_data();
    void quit();
    void lightOffAtExit();
    void screenshots();
    void pointCounters_data();
    void pointCounters();
    void silentBoard_data();
    void silentBoard();

private:
    // Writes the settings and the database, then builds the window.
    void build(const QMap<QString, QVariant> &settings = {}, const QStringList &machines = {});
    QSettings &settings() { return App::kovraSettings(); }
};

void TestMainWindow::initTestCase()
{
    // One picture for the stand-in camera: a dark tool on white.
    QImage frame = blankFrame();
    for (int y = 320; y < 640; ++y)
        for (int x = 0; x < 320; ++x)
            frame.setPixel(x, y, qRgb(20, 20, 20));
    setUpWindowCase(frame);
}

void TestMainWindow::cleanupTestCase()
{
    tearDownWindowCase();
}

void TestMainWindow::init()
{
    setUpWindow();
}

void TestMainWindow::cleanup()
{
    tearDownWindow();
}

void TestMainWindow::build(const QMap<QString, QVariant> &values, const QStringList &machines)
{
    QMap<QString, QVariant> all{{"/camera/XCalibration", 0.01}, {"/camera/ZCalibration", 0.01}};
    for (auto it = values.begin(); it != values.end(); ++it)
        all[it.key()] = it.value();
    writeSettings(all);
    if (!machines.isEmpty()) {
        // The database of a new installation, with these machines in it.
        QVERIFY(openDatabase());
        for (const QString &name : machines) {
            QSqlQuery q;
            q.prepare("INSERT INTO machine (name, Xref, Zref, isRadius, IsMM, networkPath) VALUES (?, 1000, 2000, 1, 1, ?)");
            q.addBindValue(name);
            q.addBindValue("/net/" + name);
            QVERIFY(q.exec());
        }
        QSqlDatabase::database().close();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    }
    openWindow();
}

// Construction ----------------------------------------------------------------

void TestMainWindow::construction_data()
{
    QTest::addColumn<bool>("animation");
    QTest::newRow("animated panels") << true;
    QTest::newRow("panels without animation") << false;
}

void TestMainWindow::construction()
{
    QFETCH(bool, animation);
    build({{"/Machine/disableAnimation", !animation}});
    QVERIFY(m_w->isComplete());
    QVERIFY(m_exits.isEmpty());
    QVERIFY(m_boxes.isEmpty());

    const QStringList expected{"labelPrint", "cameraPanel", "setColor", "setAngle", "getAngle", "setPoint2P",
                               "setCircle", "getCircle", "getCircle5P", "inspectionLight", "index",
                               "vacuumPanel", "setX", "setZ", "setC", "inputBox", "machine", "getReference",
                               "toolset", "setList", "machineList", "balluff", "postPro", "dncPanel"};
    QCOMPARE(m_w->panelNames(), expected);

    // The label panel is open, every other panel already at its closed place:
    // nothing is left sliding.
    QCOMPARE(ui->frmLabelPrint->geometry(), QRect(644, 200, 375, 500));
    QVERIFY(m_w->panels().isEnlarged(QStringLiteral("labelPrint")));
    QVERIFY(enableToolingup);
    for (const QString &id : expected.mid(1))
        QVERIFY2(!m_w->panels().isEnlarged(id), qPrintable(id));
    QCOMPARE(ui->frmBottom1->geometry(), QRect(895, 696, 0, 0));
    QCOMPARE(ui->frmBottom2->geometry(), QRect(640, 150, 0, 0));
    QCOMPARE(ui->frmSetX->geometry(), QRect(650, 40, 0, 0));
    QCOMPARE(ui->frmGetAngle->geometry(), QRect(650, 1000, 1, 1));

    QCOMPARE(m_w->windowTitle(), QStringLiteral("Kovra"));
    QCOMPARE(ui->lblVersion->text(), QStringLiteral("Software version 3.0"));
    QCOMPARE(settings().value("/Software/Version").toString(), QStringLiteral("3.0"));
    QVERIFY(QFile::exists(m_wd->filePath("T8A_M.sqlite")));
    QVERIFY(QFile::exists(m_wd->filePath("T8A_M.lock")));
    // The default machine is selected; without references the machine list is locked.
    QCOMPARE(ui->cmbMachine->count(), 1);
    QCOMPARE(ui->cmbMachine->currentText(), QStringLiteral("*DEFAULT MACHINE*"));
    QCOMPARE(ui->cmbMachine->currentData().toInt(), -1);
    QCOMPARE(m_w->currentMachine(), -1);
    QCOMPARE(CurrentMachine.name, QStringLiteral("*DEFAULT MACHINE*"));
    QVERIFY(!ui->tbMachineList->isEnabled());
    QVERIFY(!ui->tbSetList->isEnabled());
    QVERIFY(ui->leToolset->isHidden());
    QCOMPARE(ui->tbBrake->parentWidget(), m_w.get());
    QCOMPARE(ui->frmInputBox->parentWidget(), m_w.get());
    QCOMPARE(ui->frmRotated->parentWidget(), static_cast<QWidget *>(m_w->cameraPanel()));
    QCOMPARE(ui->frmRotated->pos(), QPoint(640 - 91 - 3, 3));
    QCOMPARE(m_w->cameraPanel()->parentWidget(), ui->frmCamera);
    QVERIFY(m_w->measures());
    QVERIFY(!m_w->positionServer());
    QCOMPARE(ui->tbExitSetX->focusPolicy(), Qt::ClickFocus);
    QVERIFY(!isSuperUser);
    QCOMPARE(geometryActive, 0);
    // The window is fit for use: the panels keep their state once shown.
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    QVERIFY(animationsTurned());
    QCOMPARE(ui->frmLabelPrint->geometry(), QRect(644, 200, 375, 500));
    QCOMPARE(ui->frmBottom2->geometry(), QRect(640, 150, 0, 0));
    QTRY_VERIFY_WITH_TIMEOUT(m_w->cameraDevice()->isRunning(), 15000);
    // The camera belongs to the collector: closing the window stops its
    // capture and leaves it listed and usable.
    m_w.reset();
    CVideoDevice *camera = m_cameras->GetVideoDevice(0);
    QVERIFY(camera->IsValid());
    QVERIFY(!camera->isRunning());
}

void TestMainWindow::registrations()
{
    struct Row
    {
        const char *id;
        const char *frame;
        QRect open;
        QRect closed;
    };
    const Row rows[] = {
        {"labelPrint", "frmLabelPrint", QRect(644, 200, 375, 500), QRect(650, 120, 0, 0)},
        {"cameraPanel", "frmBottom2", QRect(214, 250, 211, 390), QRect(640, 150, 0, 0)},
        {"setColor", "frmSetColor", QRect(100, 630, 410, 120), QRect(650, 1000, 0, 0)},
        {"setAngle", "frmSetAngle", QRect(100, 630, 410, 120), QRect(650, 1000, 0, 0)},
        {"getAngle", "frmGetAngle", QRect(100, 630, 410, 120), QRect(650, 1000, 1, 1)},
        {"setPoint2P", "frmSetPoint2P", QRect(100, 630, 410, 120), QRect(650, 1000, 0, 0)},
        {"setCircle", "frmSetCircle", QRect(100, 630, 410, 120), QRect(650, 1000, 0, 0)},
        {"getCircle", "frmGetRadius", QRect(100, 630, 410, 120), QRect(650, 1000, 0, 0)},
        {"getCircle5P", "frmSetPoint5P", QRect(100, 630, 410, 120), QRect(650, 1000, 0, 0)},
        {"inspectionLight", "frmSetLight", QRect(5, 475, 52, 290), QRect(650, 1000, 0, 0)},
        {"index", "frmIndex", QRect(100, 630, 410, 120), QRect(650, 1000, 0, 0)},
        {"vacuumPanel", "frmBottom1", QRect(185, 250, 270, 390), QRect(895, 696, 0, 0)},
        {"setX", "frmSetX", QRect(100, 130, 410, 120), QRect(650, 40, 0, 0)},
        {"setZ", "frmSetZ", QRect(100, 130, 410, 120), QRect(650, 120, 0, 0)},
        {"setC", "frmSetC", QRect(100, 130, 410, 120), QRect(650, 120, 0, 0)},
        {"inputBox", "frmInputBox", QRect(100, 130, 410, 120), QRect(650, 120, 0, 0)},
        {"getReference", "frmGetReference", QRect(100, 630, 410, 120), QRect(650, 300, 0, 0)},
    };
    build({{"/Machine/disableAnimation", true}});
    AnimatedWidgets &panels = m_w->panels();
    for (const Row &r : rows) {
        const QString id = QLatin1String(r.id);
        auto *panel = m_w->findChild<QFrame *>(QLatin1String(r.frame));
        QVERIFY2(panel, r.frame);
        panels.setStatus(id, true);
        QVERIFY2(panel->geometry() == r.open, r.id);
        QVERIFY2(panels.isEnlarged(id), r.id);
        panels.setStatus(id, false);
        QVERIFY2(panel->geometry() == r.closed, r.id);
        QVERIFY2(!panels.isEnlarged(id), r.id);
    }
}

namespace {
struct FieldCase
{
    const char *field;
    const char *text;
    QValidator::State state;
};
}
Q_DECLARE_METATYPE(QList<FieldCase>)

void TestMainWindow::validators_data()
{
    QTest::addColumn<bool>("mm");
    QTest::addColumn<QList<FieldCase>>("cases");
    QTest::newRow("millimetre machine") << true << QList<FieldCase>{
        {"leCircleR", "3.5", QValidator::Acceptable}, // circle mm top
        {"leCircleR", "3.6", QValidator::Invalid}, // circle mm above
        {"leCircleR", "1.234", QValidator::Acceptable}, // circle mm decimals
        {"leCircleR", "1.2345", QValidator::Invalid}, // circle mm too many decimals
        {"leAngleA", "90", QValidator::Invalid}, // angle reticle 90
        {"leAngleA", "-89.99", QValidator::Acceptable}, // angle reticle -89.99
        {"leAngleA", "1.234", QValidator::Invalid}, // angle reticle 3 decimals
        {"leGauge", "-1", QValidator::Invalid}, // gauge negative
        {"leGauge", "-", QValidator::Invalid}, // gauge minus
        {"leGauge", "50.125", QValidator::Acceptable}, // gauge positive
        {"leGauge", "", QValidator::Intermediate}, // gauge empty
        {"leSetX", "-999.999", QValidator::Acceptable}, // set X inside
        {"leSetX", "1000.5", QValidator::Invalid}, // set X outside
        {"leSetC", "12.345", QValidator::Invalid}, // set C decimals
        {"leAngleLabel", "-359.9", QValidator::Acceptable}, // label angle
        {"leAngleLabel", "360", QValidator::Invalid}, // label angle outside
        {"leXLabel", "1,000", QValidator::Invalid}, // group separator
    };
    QTest::newRow("inch machine") << false << QList<FieldCase>{
        {"leCircleR", "0.1377", QValidator::Acceptable}, // circle inch top
        {"leCircleR", "0.1378", QValidator::Invalid}, // circle inch above
        {"leCircleR", "0.12345", QValidator::Invalid}, // circle inch decimals
        {"leSetX", "1.2345", QValidator::Acceptable}, // set X inch decimals
    };
}

void TestMainWindow::validators()
{
    QFETCH(bool, mm);
    QFETCH(QList<FieldCase>, cases);
    build({{"/Machine/isMM", mm}});
    for (const FieldCase &k : cases) {
        auto *edit = m_w->findChild<QLineEdit *>(QLatin1String(k.field));
        QVERIFY2(edit && edit->validator(), k.field);
        QString t = QString::fromLatin1(k.text);
        int pos = t.size();
        QVERIFY2(edit->validator()->validate(t, pos) == k.state, qPrintable(QString("%1 \"%2\"").arg(k.field, t)));
    }
}

void TestMainWindow::secondInstance()
{
    QProcess holder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("T8A_HOLD_LOCK_IN", m_wd->path());
    holder.setProcessEnvironment(env);
    holder.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

    build();
    QCOMPARE(m_exits, QList<int>{0});
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].kind, QMessageBox::Critical);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Kovra"));
    QCOMPARE(m_boxes[0].text, QStringLiteral("Program already in execution"));
    QCOMPARE(m_boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(m_boxes[0].parent, m_w.get());
    QVERIFY(!m_w->isComplete());
    // Stopped before the database is opened.
    QVERIFY(!QFile::exists(m_wd->filePath("T8A_M.sqlite")));
    m_w.reset();
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    QCOMPARE(holder.exitCode(), 0);
}

void TestMainWindow::noCamera()
{
    QTemporaryDir empty;
    CVideoCollector none(empty.filePath("video%d"));
    none.Scan();
    QCOMPARE(none.NumberOfVideoDevices(), 0);
    MainWindow::videoCollector = &none;
    build();
    MainWindow::videoCollector = m_cameras;
    QCOMPARE(m_exits, QList<int>{0});
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].kind, QMessageBox::Critical);
    QCOMPARE(m_boxes[0].title, QStringLiteral("device error"));
    QCOMPARE(m_boxes[0].text, QStringLiteral("Impossible to detect camera!"));
    QCOMPARE(m_boxes[0].parent, nullptr);
    QVERIFY(!m_w->isComplete());
    QVERIFY(!m_w->axisLink());
    m_w.reset();
}

void TestMainWindow::portHeldByAnotherProgram_data()
{
    QTest::addColumn<bool>("boardHeld"); // else the DNC line
    QTest::newRow("board port") << true;
    QTest::newRow("DNC port") << false;
}

// The start goes on without the held device and says which one it is.
void TestMainWindow::portHeldByAnotherProgram()
{
    QFETCH(bool, boardHeld);
    PtyPeer dnc;
    QextSerialPort otherProgram(boardHeld ? m_board->peer.slavePath() : dnc.slavePath());
    QVERIFY(otherProgram.open(QIODevice::ReadWrite));
    build({{"/TTY/DncPort", dnc.slavePath()}});
    QVERIFY(m_w->isComplete());
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Kovra"));
    QCOMPARE(m_boxes[0].text, QStringLiteral("TTY port %1 used by another program").arg(otherProgram.portName()));
}

void TestMainWindow::portOfTheBoardLink_data()
{
    QTest::addColumn<bool>("otherName"); // the DNC line names the board's device another way
    QTest::newRow("same name") << false;
    QTest::newRow("other name of the device") << true;
}

// A DNC line set to the board's own device is held by this program, not by
// another one.
void TestMainWindow::portOfTheBoardLink()
{
    QFETCH(bool, otherName);
    QTemporaryDir dir;
    const QString dnc = otherName ? dir.filePath("ttyDnc") : m_board->peer.slavePath();
    QVERIFY(!otherName || QFile::link(m_board->peer.slavePath(), dnc));
    build({{"/TTY/DncPort", dnc}});
    QVERIFY(m_w->isComplete());
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].text, QStringLiteral("TTY port %1 already used by this program's AXB link").arg(dnc));
}

// Axis display ------------------------------------------------------------------

void TestMainWindow::firstUpdateOnlyResets()
{
    build();
    QTRY_VERIFY_WITH_TIMEOUT(m_board->requests >= 1, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(m_board->count(kReset), 1, 15000);
    // The first line only reset the board; the read-outs change from the second on.
    feed("X1000 Z2000 I0 O0\r");
    QCOMPARE(m_board->count(kReset), 1);
    QCOMPARE(ui->lblX->text(), m_w->axisLink()->ReadXString());
    QVERIFY(ui->lblX->text() != QStringLiteral("909.090"));
}

void TestMainWindow::colourThroughLink_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("frozen");
    QTest::addColumn<float>("angle");
    QTest::addColumn<bool>("autocoll");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("z");
    const QString red("QLabel {color: red}"), white("QLabel{color:white;}"), green("QLabel{color:rgb(18,255,57);}"),
        orange("QLabel{color:rgb(255,160,16);}");
    QTest::newRow("not referenced") << QByteArray("x10 z20 I0 O0\r") << false << 0.f << false << red << red;
    QTest::newRow("X referenced") << QByteArray("X10 z20 I0 O0\r") << false << 0.f << false << white << red;
    QTest::newRow("both") << QByteArray("X10 Z20 I0 O0\r") << false << 0.f << false << white << white;
    QTest::newRow("auto-collimation") << QByteArray("X10 Z20 I0 O0\r") << false << 0.f << true << green << green;
    QTest::newRow("auto-collimation rotated") << QByteArray("X10 Z20 I0 O0\r") << false << 0.0001f << true << white
                                              << white;
    QTest::newRow("frozen") << QByteArray("X10 Z20 I0 O0\r") << true << 0.f << true << orange << orange;
    QTest::newRow("frozen unreferenced Z") << QByteArray("X10 z20 I0 O0\r") << true << 0.f << false << orange << red;
}

void TestMainWindow::colourThroughLink()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, frozen);
    QFETCH(float, angle);
    QFETCH(bool, autocoll);
    QFETCH(QString, x);
    QFETCH(QString, z);
    build();
    CVideoDevice *camera = m_w->cameraDevice();
    camera->enableFreeze(frozen);
    camera->cameraAngle = angle;
    ui->tbAutocoll->setChecked(autocoll);
    feed(line);
    QCOMPARE(ui->lblX->styleSheet(), x);
    QCOMPARE(ui->lblZ->styleSheet(), z);
    camera->enableFreeze(false);
    camera->cameraAngle = 0;
}

void TestMainWindow::referenceTransitions()
{
    build({}, {"B", "A"});
    feed("x10 z20 I0 O0\r");
    QVERIFY(!ui->tbMachineList->isEnabled());
    feed("X10 Z20 I0 O0\r");
    QVERIFY(ui->tbMachineList->isEnabled());
    QVERIFY(!ui->cmbMachine->isHidden());
    ui->cmbMachine->setCurrentIndex(0);
    QCOMPARE(CurrentMachine.name, QStringLiteral("A"));
    // Losing one linear reference returns to the default machine and locks the list.
    feed("X10 z20 I0 O0\r");
    QVERIFY(!ui->tbMachineList->isEnabled());
    QVERIFY(ui->cmbMachine->isHidden());
    QCOMPARE(ui->cmbMachine->currentText(), QStringLiteral("*DEFAULT MACHINE*"));
    QCOMPARE(CurrentMachine.idMachine, -1);
    QVERIFY(m_w->panels().isEnlarged(QStringLiteral("labelPrint")));
}

void TestMainWindow::referenceEndsIncrementalMode()
{
    build();
    feed("x10 z20 I0 O0\r");
    CurrentMachine.xIncr = true;
    CurrentMachine.zIncr = true;
    feed("X10 z20 I0 O0\r");
    QVERIFY(!CurrentMachine.xIncr);
    QVERIFY(CurrentMachine.zIncr);
    // An incremental axis shows yellow once referenced.
    QCOMPARE(ui->lblX->styleSheet(), QStringLiteral("QLabel{color:white;}"));
    CurrentMachine.xIncr = true;
    feed("X11 z20 I0 O0\r");
    QCOMPARE(ui->lblX->styleSheet(), QStringLiteral("QLabel{color:yellow;}"));
    QVERIFY(CurrentMachine.xIncr);
}

void TestMainWindow::swappedAxesColours()
{
    build();
    feed("X10 Z20 I0 O0\r");
    CurrentMachine.swapXZ = true;
    feed("x10 Z20 I0 O0\r");
    // The X scale is not referenced: its colour goes to the Z read-out.
    QCOMPARE(ui->lblZ->styleSheet(), QStringLiteral("QLabel {color: red}"));
    QCOMPARE(ui->lblX->styleSheet(), QStringLiteral("QLabel{color:white;}"));
    QCOMPARE(ui->lblX->text(), m_w->axisLink()->ReadXString());
    CurrentMachine.swapXZ = false;
}

void TestMainWindow::cAxis()
{
    build({{"/Machine/hasCAxis", true}});
    QVERIFY(!ui->frmCaxis->isHidden());
    feed("X10 Z20 I0 O0 c100\r");
    QCOMPARE(ui->lblC->styleSheet(), QStringLiteral("QLabel {color: red}"));
    feed("X10 Z20 I0 O0 C100\r");
    QCOMPARE(ui->lblC->styleSheet(), QStringLiteral("QLabel{color:white;}"));
    QCOMPARE(ui->lblC->text(), m_w->axisLink()->ReadCString());
    QVERIFY(ui->tbMachineList->isEnabled());
    // Losing C alone changes nothing but its colour.
    feed("X10 Z20 I0 O0 c100\r");
    QCOMPARE(ui->lblC->styleSheet(), QStringLiteral("QLabel {color: red}"));
    QVERIFY(ui->tbMachineList->isEnabled());
    QVERIFY(!ui->cmbMachine->isHidden());
}

void TestMainWindow::clampFollowsBoard_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("clamped");
    QTest::addColumn<QString>("open");
    QTest::addColumn<bool>("buttonFollows");
    QTest::newRow("type 3") << 3 << "Clamped" << "Unclamped" << true;
    QTest::newRow("other type") << 0 << "Clamped2" << "Unclamped2" << false;
}

void TestMainWindow::clampFollowsBoard()
{
    QFETCH(int, type);
    QFETCH(QString, clamped);
    QFETCH(QString, open);
    QFETCH(bool, buttonFollows);
    // Which of the four clamp pictures the label shows: a mix-up shows only
    // while each picture is there and looks like none of the others.
    const QStringList pictures{"Clamped", "Unclamped", "Clamped2", "Unclamped2"};
    const auto picture = [](const QString &name) { return QPixmap(":/img/" + name + ".png").toImage(); };
    for (const QString &name : pictures)
        QVERIFY2(!picture(name).isNull(), qPrintable(name));
    const auto shown = [&] {
        const QImage img = ui->lblClamp->pixmap()->toImage();
        QStringList same;
        for (const QString &name : pictures)
            if (img == picture(name))
                same << name;
        return same;
    };
    build({{"/Machine/type", type}});
    feed("X10 Z20 I1 O0\r");
    QVERIFY(!ui->tbTestRnOut->isChecked());
    QCOMPARE(shown(), QStringList{open});
    m_board->frames.clear();
    feed("X10 Z20 I9 O0\r"); // input 0x08: tool clamped
    QCOMPARE(ui->tbTestRnOut->isChecked(), buttonFollows);
    QCOMPARE(shown(), QStringList{clamped});
    // Following the board sends no clamp pulse.
    for (const QByteArray &f : qAsConst(m_board->frames))
        QVERIFY2(!f.contains('B'), f.constData());
}

void TestMainWindow::machineControls_data()
{
    QTest::addColumn<bool>("hasIndex");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("index");
    QTest::addColumn<bool>("brakeAndClamp");
    QTest::newRow("index, basic type 0") << true << 0 << true << true;
    QTest::newRow("no index, type 1") << false << 1 << false << false;
    QTest::newRow("index, type 2") << true << 2 << true << false;
    QTest::newRow("no index, basic type 3") << false << 3 << false << true;
}

// What the operator can reach after start: the controls the machine has.
void TestMainWindow::machineControls()
{
    QFETCH(bool, hasIndex);
    QFETCH(int, type);
    QFETCH(bool, index);
    QFETCH(bool, brakeAndClamp);
    build({{"/Machine/hasIndex", hasIndex}, {"/Machine/type", type}});
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    QCOMPARE(ui->tbIndex->isVisible(), index);
    QCOMPARE(ui->tbBrake->isVisible(), brakeAndClamp);
    QCOMPARE(ui->frmClamp->isVisible(), brakeAndClamp);
    // They still sit on the window itself, over the central widget.
    for (QWidget *w : {static_cast<QWidget *>(ui->tbIndex), static_cast<QWidget *>(ui->tbBrake),
                       static_cast<QWidget *>(ui->frmClamp)})
        QCOMPARE(w->parentWidget(), static_cast<QWidget *>(m_w.get()));
}

void TestMainWindow::axisButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("automaticSpindle");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("lock X") << "tbLockX" << false << QByteArray("\x05" "B1\r");
    QTest::newRow("lock Z") << "tbLockZ" << false << QByteArray("\x05" "B2\r");
    QTest::newRow("brake pulse") << "tbBrake" << false << QByteArray("\x05" "B8\r");
    QTest::newRow("index pulse") << "tbIndex" << false << QByteArray("\x05" "B16\r");
    QTest::newRow("index with automatic spindle") << "tbIndex" << true << QByteArray();
}

void TestMainWindow::axisButtons()
{
    QFETCH(QString, button);
    QFETCH(bool, automaticSpindle);
    QFETCH(QByteArray, frame);
    build({{"/Machine/automaticSpindle", automaticSpindle}, {"/Machine/hasIndex", true}});
    feed("X10 Z20 I128 O0\r");
    auto *b = m_w->findChild<QPushButton *>(button);
    QVERIFY(b);
    m_board->frames.clear();
    b->click();
    if (frame.isEmpty()) {
        QVERIFY(boardGotAllSent());
        for (const QByteArray &f : qAsConst(m_board->frames))
            QVERIFY2(!f.contains('B'), f.constData());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(m_board->count(frame), 1, 15000);
    }
}

// Machine selection ---------------------------------------------------------------

void TestMainWindow::machineCombo()
{
    build({}, {"B", "*FACTORY ZERO*", "A"});
    QStringList items;
    for (int i = 0; i < ui->cmbMachine->count(); ++i)
        items << ui->cmbMachine->itemText(i);
    QCOMPARE(items, (QStringList{"A", "B", "*DEFAULT MACHINE*"}));
    QCOMPARE(ui->cmbMachine->itemData(2).toInt(), -1);
    // No exact match: the first entry.
    m_w->selectMachine("a");
    QCOMPARE(ui->cmbMachine->currentIndex(), 0);
    QCOMPARE(CurrentMachine.name, QStringLiteral("A"));
    QCOMPARE(m_w->currentMachine(), ui->cmbMachine->itemData(0).toInt());
    QVERIFY(ui->tbSetList->isEnabled());
    m_w->selectMachine("B");
    QCOMPARE(CurrentMachine.name, QStringLiteral("B"));
    // The service user sees the factory machine at the next refill.
    isSuperUser = true;
    m_w->updateMacCombo("*FACTORY ZERO*");
    QCOMPARE(ui->cmbMachine->count(), 4);
    QCOMPARE(CurrentMachine.name, QStringLiteral("*FACTORY ZERO*"));
    isSuperUser = false;
}

void TestMainWindow::defaultMachine()
{
    build({{"System/GaugeX", 25000}, {"System/RefX", 123456}, {"System/GaugeZ", 100000}, {"System/RefZ", -5000},
           {"/Machine/isMM", false}, {"/Machine/isRadius", false}},
          {"A"});
    m_w->selectMachine("A");
    QCOMPARE(CurrentMachine.networkPath, QStringLiteral("/net/A"));
    CurrentMachine.xIncr = true;
    m_w->selectMachine("*DEFAULT MACHINE*");
    QCOMPARE(CurrentMachine.idMachine, -1);
    QCOMPARE(CurrentMachine.Xref.micrometres(), 25000);
    QCOMPARE(CurrentMachine.sysXref, 123456);
    QCOMPARE(CurrentMachine.Zref.micrometres(), 100000);
    QCOMPARE(CurrentMachine.sysZref, -5000);
    QVERIFY(!CurrentMachine.IsMM);
    QVERIFY(!CurrentMachine.isRadius);
    QVERIFY(!CurrentMachine.xIncr);
    // Fields the default machine does not set stay as the machine before left them.
    QCOMPARE(CurrentMachine.networkPath, QStringLiteral("/net/A"));
    QVERIFY(!ui->tbSetList->isEnabled());
    QVERIFY(ui->tbRadDia->isChecked());
    QVERIFY(ui->tbLblRadDia->isChecked());
}

void TestMainWindow::runOutRoles_data()
{
    QTest::addColumn<bool>("pivra");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("autoSpindle");
    QTest::addColumn<bool>("noRunout");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("clampSheet");
    const int clamp = int(MainWindow::RunOutRole::Clamp), autoS = int(MainWindow::RunOutRole::AutomaticSpindle),
              hidden = int(MainWindow::RunOutRole::Hidden), test = int(MainWindow::RunOutRole::RunOutTest);
    QTest::newRow("run-out test") << false << 0 << false << false << test << "Run-out test" << true << false;
    QTest::newRow("pivra type 0") << true << 0 << false << false << clamp << "Clamp/unclamp tool" << true << false;
    QTest::newRow("type 3") << false << 3 << false << false << clamp << "Clamp/unclamp tool" << true << true;
    QTest::newRow("pivra type 3") << true << 3 << false << false << clamp << "Clamp/unclamp tool" << true << true;
    QTest::newRow("automatic spindle") << false << 1 << true << false << autoS << "Automatic spindle" << true << false;
    QTest::newRow("run-out disabled") << false << 1 << false << true << hidden << "run-out test" << false << false;
    QTest::newRow("type 1 plain") << false << 1 << false << false << test << "Run-out test" << false << false;
}

void TestMainWindow::runOutRoles()
{
    QFETCH(bool, pivra);
    QFETCH(int, type);
    QFETCH(bool, autoSpindle);
    QFETCH(bool, noRunout);
    QFETCH(int, role);
    QFETCH(QString, tip);
    QFETCH(bool, visible);
    QFETCH(bool, clampSheet);
    build({{"/Machine/isPivra", pivra},
           {"/Machine/type", type},
           {"/Machine/automaticSpindle", autoSpindle},
           {"/Machine/disableRunout", noRunout},
           {"/Machine/idleClick", 250}});
    QCOMPARE(int(m_w->runOutRole()), role);
    QCOMPARE(ui->tbTestRnOut->toolTip(), tip);
    QCOMPARE(!ui->tbTestRnOut->isHidden(), visible);
    QCOMPARE(ui->tbTestRnOut->styleSheet().contains("rgba(0, 255, 0, 255)"), clampSheet);
    QCOMPARE(ui->tbIndex->styleSheet(), ui->tbTestRnOut->styleSheet());
    if (type == 3) {
        // Type 3 handles clamping itself: the option and the idle wait are off (in memory only).
        QVERIFY(!MachineSettings.isPivra);
        QCOMPARE(MachineSettings.idleClick, 0);
        QCOMPARE(settings().value("/Machine/isPivra").toBool(), pivra);
        QVERIFY(ui->tbLockX->isHidden());
    } else {
        QCOMPARE(MachineSettings.idleClick, 250000);
        QVERIFY(!ui->tbLockX->isHidden());
    }
    // The stop button of the run-out panel releases the run-out test only.
    ui->tbTestRnOut->setChecked(true);
    ui->tbStopRunOut->click();
    QCOMPARE(ui->tbTestRnOut->isChecked(), role != int(MainWindow::RunOutRole::RunOutTest));
}

void TestMainWindow::serialDncLock()
{
    build();
    QElapsedTimer t;
    qint64 second = -1;
    for (int attempt = 0; attempt < 5 && second < 0; ++attempt) {
        QTRY_VERIFY_WITH_TIMEOUT(ui->frmMacSet->isEnabled(), 15000);
        t.start();
        emit m_w->dncSerialService()->sigDncSerialActive();
        QVERIFY(!ui->frmMacSet->isEnabled());
        // The second request comes well within the first one's second. A
        // run so slow that the lock ran out meanwhile tells nothing: again.
        QTest::qWait(600);
        if (!ui->frmMacSet->isEnabled()) {
            emit m_w->dncSerialService()->sigDncSerialActive();
            second = t.elapsed();
        }
    }
    QVERIFY2(second >= 0, "the lock ran out before every second request");
    QTRY_VERIFY_WITH_TIMEOUT(ui->frmMacSet->isEnabled(), 15000);
    // Unlocked 1000 ms after the last request, not after the first.
    QVERIFY2(t.elapsed() - second >= 950, qPrintable(QString::number(t.elapsed() - second)));
}

void TestMainWindow::inputBoxExit()
{
    build();
    m_w->panels().setStatus(QStringLiteral("inputBox"), true);
    ui->centralwidget->setEnabled(false);
    ui->tbExitInputBox->click();
    QVERIFY(ui->centralwidget->isEnabled());
    QVERIFY(!m_w->panels().isEnlarged(QStringLiteral("inputBox")));
    // Any other exit button closes its own panel only.
    m_w->panels().setStatus(QStringLiteral("setX"), true);
    ui->centralwidget->setEnabled(false);
    ui->tbExitSetX->click();
    QVERIFY(!m_w->panels().isEnlarged(QStringLiteral("setX")));
    QVERIFY(!ui->centralwidget->isEnabled());
    ui->centralwidget->setEnabled(true);
    geometryActive = 2;
    m_w->cameraDevice()->autoCircle = true;
    ui->tbExitGetRadius->click();
    QCOMPARE(geometryActive, 0);
    QVERIFY(!m_w->cameraDevice()->autoCircle);
}

// Quit ------------------------------------------------------------------------------

void TestMainWindow::quit_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("zeroReset");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("zeroResets");
    QTest::newRow("yes with zero reset") << int(QMessageBox::Yes) << true << true << 1;
    QTest::newRow("yes without zero reset") << int(QMessageBox::Yes) << false << true << 0;
    QTest::newRow("no with zero reset") << int(QMessageBox::No) << true << false << 0;
}

void TestMainWindow::quit()
{
    QFETCH(int, answer);
    QFETCH(bool, zeroReset);
    QFETCH(bool, closes);
    QFETCH(int, zeroResets);
    build();
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    feed("X10 Z20 I0 O0\r");
    MachineSettings.zeroReset = zeroReset;
    m_answer = QMessageBox::StandardButton(answer);
    m_boxes.clear();
    ui->tbStandBy->click();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].kind, QMessageBox::Question);
    QCOMPARE(m_boxes[0].text, QStringLiteral("Quit application?"));
    QCOMPARE(m_boxes[0].title, QStringLiteral("Kovra"));
    QCOMPARE(m_boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(m_boxes[0].defaultButton, QMessageBox::NoButton);
    QCOMPARE(m_w->isVisible(), !closes);
    if (closes)
        m_w.reset(); // the end of the program: the link goes with the window
    if (zeroResets)
        QTRY_COMPARE_WITH_TIMEOUT(m_board->count(kZeroReset), zeroResets, 15000);
    else
        QVERIFY(boardGotAllSent());
    QCOMPARE(m_board->count(kZeroReset), zeroResets);
}

// Quitting in inspection mode: the last settings the camera gets are the
// measure set (front light off), and the device is left closed.
void TestMainWindow::lightOffAtExit()
{
    build();
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    QTRY_VERIFY_WITH_TIMEOUT(!m_camera->sentPictures().isEmpty(), 5000);
    const video_picture measure = m_camera->sentPictures().last();
    ui->tbInspection->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_camera->sentPictures().last().hue != measure.hue, 5000);
    ui->tbStandBy->click();
    QVERIFY(!m_w->isVisible());
    m_w.reset();
    const video_picture last = m_camera->sentPictures().last();
    QCOMPARE(last.hue, measure.hue);
    QCOMPARE(last.brightness, measure.brightness);
    QCOMPARE(last.contrast, measure.contrast);
    QCOMPARE(last.colour, measure.colour);
    QCOMPARE(last.whiteness, measure.whiteness);
    QVERIFY(!m_camera->isMapped());
    QCOMPARE(m_camera->openDescriptors(), 0);
}

void TestMainWindow::screenshots()
{
    build();
    m_w->resize(1024, 768);
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    feed("x1000 z2000 I128 O0\r");
    if (m_w->cameraPanel()) {
        // The camera image is painted once the capture runs.
        QTRY_VERIFY_WITH_TIMEOUT(m_w->cameraDevice()->isRunning(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(shot(m_w.get()).pixelColor(100, 700) != QColor(60, 60, 60), 5000);
    }
    saveScreenshot(m_w.get(), "mainwindow-start");
    QCOMPARE(ui->lblX->styleSheet(), QStringLiteral("QLabel {color: red}"));

    feed("X1000 Z2000 I128 O0\r");
    saveScreenshot(m_w.get(), "mainwindow-referenced");
    QVERIFY(ui->tbMachineList->isEnabled());

    ui->tbAutocoll->setChecked(true);
    m_w->panels().setStatus(QStringLiteral("cameraPanel"), true);
    feed("X1001 Z2000 I128 O0\r");
    QTRY_COMPARE(ui->frmBottom2->geometry(), QRect(214, 250, 211, 390));
    saveScreenshot(m_w.get(), "mainwindow-camera-bar");
    QCOMPARE(ui->lblX->styleSheet(), QStringLiteral("QLabel{color:rgb(18,255,57);}"));

    m_w->cameraDevice()->enableFreeze(true);
    feed("X1002 Z2000 I128 O0\r");
    saveScreenshot(m_w.get(), "mainwindow-frozen");
    QCOMPARE(ui->lblZ->styleSheet(), QStringLiteral("QLabel{color:rgb(255,160,16);}"));
    m_w->cameraDevice()->enableFreeze(false);
}

void TestMainWindow::pointCounters_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<int>("points");
    QTest::newRow("two points") << "tbCamAngle2Point" << 2;
    QTest::newRow("five points") << "tbCamRadius5Point" << 5;
}

// The whole count shows, on nothing else of its panel.
void TestMainWindow::pointCounters()
{
    QFETCH(QString, opener);
    QFETCH(int, points);
    build({{"/Machine/disableAnimation", true}});
    m_w->resize(1024, 768);
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    feed("X1000 Z2000 I128 O0\r");
    if (m_w->cameraPanel())
        QTRY_VERIFY_WITH_TIMEOUT(shot(m_w.get()).pixelColor(100, 200) == Qt::white, 15000);
    ui->tbCamera->setChecked(true);
    QTest::mouseClick(m_w->findChild<QAbstractButton *>(opener), Qt::LeftButton);
    auto *frame = m_w->findChild<QFrame *>(QString("frmSetPoint%1P").arg(points));
    auto *label = frame->findChild<QLabel *>(QString("lbl%1p").arg(points));
    for (int i = 1; i < points; ++i)
        frame->findChild<QAbstractButton *>(QString("tbGetPoint%1PReticle").arg(points))->click();
    const QString shown = QString("%1/%2").arg(points - 1).arg(points);
    QCOMPARE(label->text(), shown);
    saveScreenshot(m_w.get(), "mainwindow-pick-" + QString::number(points) + "-points");

    QVERIFY(frame->rect().contains(label->geometry()));
    for (QWidget *other : frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY2(other == label || !other->geometry().intersects(label->geometry()), qPrintable(other->objectName()));
    const QFontMetrics fm(label->font());
    QVERIFY(fm.horizontalAdvance(shown) <= label->contentsRect().width() && fm.height() <= label->height());
}

void TestMainWindow::silentBoard_data()
{
    QTest::addColumn<QString>("place");
    QTest::newRow("read-outs, also after a refresh by the clamp button") << "clamp";
    QTest::newRow("label panel GET X") << "GET X";
    QTest::newRow("machine editor reference") << "reference";
    QTest::newRow("set panel of the default machine") << "set X";
    QTest::newRow("set panel of the default machine, silent from during the wait") << "set X, stops in the wait";
    QTest::newRow("incremental X button") << "incremental";
    QTest::newRow("two-point measure") << "two points";
    QTest::newRow("point picked in the camera view") << "picked point";
    QTest::newRow("diameter between picked corners") << "picked diameter";
    QTest::newRow("set panel of C") << "set C";
    QTest::newRow("incremental C button") << "incremental C";
}

// The board stops answering: the read-outs say so, every place that would take
// the axes as a measure refuses with one box and changes nothing, and the next
// answer puts all back.
void TestMainWindow::silentBoard()
{
    QFETCH(QString, place);
    // The board answers at the press and stops during a wait for a still image
    // that outlasts its second of grace.
    const bool inWait = place.endsWith("stops in the wait");
    build(inWait ? QMap<QString, QVariant>{{"/Machine/idleClick", 1500}}
                 : QMap<QString, QVariant>{{"/Machine/hasCAxis", true}, {"/Machine/pulseRevC", 3600}});
    if (place == "clamp") {
        m_w->resize(1024, 768);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
        // The intersection of the found lines, beside the read-outs.
        m_w->panels().setStatus(QStringLiteral("getAngle"), true);
        ui->lblAngleInt->setText("PX 1.000 PZ 2.000");
    }
    const QByteArray line = inWait ? "X1000 Z2000 I128 O0\r" : "X1000 Z2000 I128 O0 C900\r";
    feed(line);
    ui->leXLabel->setText("kept");
    QSignalSpy references(m_w.get(), &MainWindow::sigSetReference);
    const auto state = [&] {
        return QStringList{ui->leXLabel->text(), ui->lbl2p->text(), QString::number(CurrentMachine.sysXref),
                           QString::number(CurrentMachine.xIncr), QString::number(ui->tbAIX->isChecked()),
                           App::kovraSettings().value("System/RefX").toString(), QString::number(references.count()),
                           QString::number(CurrentMachine.cIncr), QString::number(CurrentMachine.cIncrOffset),
                           QString::number(ui->tbAIC->isChecked())};
    };
    const QStringList before = state();
    m_board->line.clear();
    if (!inWait)
        QTRY_VERIFY_WITH_TIMEOUT(!ui->lblAxbSilent->isHidden(), 10000);
    m_boxes.clear();
    if (place == "clamp") {
        m_w->axisLink()->PressClampButton();
    } else if (place == "GET X") {
        ui->tbSaveX->click();
    } else if (place == "reference") {
        m_w->slotGetReference(cMachine::X, "10");
        m_w->slotOkGetReference();
    } else if (place.startsWith("set X")) {
        ui->leSetX->setText("10");
        m_w->PressedSetX();
    } else if (place == "incremental") {
        ui->tbAIX->click();
    } else if (place == "two points") {
        ui->tbGetPoint2PReticle->click();
    } else if (place == "picked point") {
        m_w->getRotatedValues(QPointF(1, 2), false);
    } else if (place == "picked diameter") {
        m_w->getRotatedValues(QPointF(1, 0), true);
    } else if (place == "set C") {
        ui->leSetC->setText("0");
        m_w->PressedSetC();
    } else if (place == "incremental C") {
        ui->tbAIC->click();
    }
    QStringList texts;
    for (const auto &box : m_boxes)
        texts << box.text;
    QCOMPARE(texts, place == "clamp" ? QStringList()
                                     : QStringList{"No answer from the axis board: the values shown are not current"});
    QCOMPARE(state(), before);
    QTRY_VERIFY_WITH_TIMEOUT(!ui->lblAxbSilent->isHidden(), 10000);
    for (QLabel *readout : {ui->lblX, ui->lblZ, ui->lblC, ui->lblAngleInt, ui->lblRadCenter})
        QCOMPARE(readout->styleSheet(), AxisDisplay::silentStyle());
    QCOMPARE(ui->lblX->text(), QStringLiteral("1.000"));
    if (place == "clamp")
        saveScreenshot(m_w.get(), "mainwindow-board-silent");

    feed(line);
    QVERIFY(ui->lblAxbSilent->isHidden());
    QCOMPARE(ui->lblX->styleSheet(), QStringLiteral("QLabel{color:white;}"));
    for (QLabel *position : {ui->lblAngleInt, ui->lblRadCenter})
        QCOMPARE(position->styleSheet(), QString());
}

int main(int argc, char *argv[])
{
    const int held = holdLockWhenAsked(argc, argv);
    if (held >= 0)
        return held;
    QApplication app(argc, argv);
    TestMainWindow t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainwindow.moc"
