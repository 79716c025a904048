// The board link: request frames, answer assembly, line decoding, output
// commands and polling, against a fake board on a pseudo-terminal.
#include "axis/ManageSerialPort.h"
#include "axis/cAxisInterface.h"
#include "axis/tcpserver.h"
#include "camera/VideoDevice.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/AxbLinkFixture.h"
#include "support/FakeCncServer.h"
#include "support/TestWorkDir.h"
#include "support/PollingHost.h"
#include "support/PtyPeer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using Fixture = AxbLinkFixture;

class TestAxb : public QObject
{
    Q_OBJECT
private slots:
    void requestLetter_data();
    void requestLetter();
    void lineDecoding_data();
    void lineDecoding();
    void letterCase_data();
    void letterCase();
    void cAngle_data();
    void cAngle();
    void badLineKeepsState_data();
    void badLineKeepsState();
    void vacuumImage_data();
    void vacuumImage();
    void cameraFollowsLine();

    void assembly_data();
    void assembly();
    void versionAnswer();
    void typeReport_data();
    void typeReport();
    void refusedLineKeepsType_data();
    void refusedLineKeepsType();
    void noiseIsBounded_data();
    void noiseIsBounded();
    void linksKeepOwnAssembly();

    void outputCommands_data();
    void outputCommands();
    void pulseTiming();
    void boardFrames();

    void requestAnswerPolling();
    void silentBoardIsAskedAgain();
    void pollingGoesOnAfterIgnoredLine();
    void freeRunningInterval();
    void stateThroughSerialLine();
    void simulator();
    void simulatorOfEachDemo_data();
    void simulatorOfEachDemo();

    void silentBoard_data();
    void silentBoard();
    void positionBeforeFirstAnswer_data();
    void positionBeforeFirstAnswer();
    void hostPollsSilentBoard_data();
    void hostPollsSilentBoard();
    void answeringBoardUnderPulses_data();
    void answeringBoardUnderPulses();
    void simulatorChannel_data();
    void simulatorChannel();
};

// ---------------------------------------------------------------------------

void TestAxb::requestLetter_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("pivra");
    QTest::addColumn<QByteArray>("letter");
    QTest::newRow("type 0") << 0 << false << QByteArray("H");
    QTest::newRow("type 1") << 1 << false << QByteArray("S");
    QTest::newRow("type 3") << 3 << false << QByteArray("?");
    QTest::newRow("type 2") << 2 << false << QByteArray("?");
    QTest::newRow("type 7") << 7 << false << QByteArray("?");
    QTest::newRow("clamping option, type 0") << 0 << true << QByteArray("N");
    QTest::newRow("clamping option, type 1") << 1 << true << QByteArray("N");
    QTest::newRow("clamping option, type 3") << 3 << true << QByteArray("N");
}

void TestAxb::requestLetter()
{
    QFETCH(int, type);
    QFETCH(bool, pivra);
    QFETCH(QByteArray, letter);
    Fixture f;
    MachineSettings.type = type;
    MachineSettings.isPivra = pivra;
    f.start();
    // The first request goes out at construction.
    QVERIFY(f.waitForFrame(letter));
    QCOMPARE(f.board.frameTexts().first(), letter);
    // And a direct request uses the letter of the moment.
    MachineSettings.isPivra = !pivra;
    f.board.clearFrames();
    f.link->slotReqAxb();
    const QByteArray other = pivra ? QByteArray(type == 0 ? "H" : type == 1 ? "S" : "?") : QByteArray("N");
    QVERIFY(f.waitForFrame(other));
}

// ---------------------------------------------------------------------------

void TestAxb::lineDecoding_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("pivra");
    QTest::addColumn<bool>("swap");
    QTest::addColumn<float>("compX");
    QTest::addColumn<float>("compZ");
    QTest::addColumn<int>("scaleX");
    QTest::addColumn<int>("scaleZ");
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("outputs");
    // emergency, clamp, brake, index, spindle locked
    QTest::addColumn<QString>("flags");

    QTest::newRow("reference example") << "X1000 z-500 I128 O3\r" << 0 << false << false << 1.0f << 1.0f
                                       << 10000 << -5000 << 128 << 3 << "----S";
    QTest::newRow("type 0 emergency") << "X0 Z0 I0 O0\r" << 0 << false << false << 1.0f << 1.0f
                                      << 0 << 0 << 0 << 0 << "E---S";
    QTest::newRow("compensation truncates") << "X1001 Z-1001 I128 O0\r" << 0 << false << false << 0.9999f << 0.9999f
                                            << 10000 << -10000 << 128 << 0 << "----S";
    QTest::newRow("compensation per axis") << "X2000 Z2000 I128 O0\r" << 0 << false << false << 0.5f << 1.5f
                                           << 10000 << 30000 << 128 << 0 << "----S";
    QTest::newRow("swap exchanges channels") << "X100 Z200 I128 O0\r" << 0 << false << true << 1.0f << 1.0f
                                             << 2000 << 1000 << 128 << 0 << "----S";
    QTest::newRow("swap keeps factor of the machine axis") << "X100 Z200 I128 O0\r" << 0 << false << true
                                                           << 0.5f << 2.0f << 1000 << 2000 << 128 << 0 << "----S";
    QTest::newRow("output bit 7 dropped") << "X0 Z0 I128 O255\r" << 1 << false << false << 1.0f << 1.0f
                                          << 0 << 0 << 128 << 127 << "--BIS";
    QTest::newRow("input low byte") << "X0 Z0 I392 O0\r" << 0 << false << false << 1.0f << 1.0f
                                    << 0 << 0 << 136 << 0 << "-C--S";
    QTest::newRow("type 0 clamp bit 3") << "X0 Z0 I136 O8\r" << 0 << false << false << 1.0f << 1.0f
                                        << 0 << 0 << 136 << 8 << "-CB-S";
    QTest::newRow("type 1 never clamps") << "X0 Z0 I136 O16\r" << 1 << false << false << 1.0f << 1.0f
                                         << 0 << 0 << 136 << 16 << "---IS";
    QTest::newRow("clamping option bit 1") << "X0 Z0 I130 O0\r" << 1 << true << false << 1.0f << 1.0f
                                           << 0 << 0 << 130 << 0 << "-C--S";
    QTest::newRow("clamping option ignores bit 3") << "X0 Z0 I136 O0\r" << 3 << true << false << 1.0f << 1.0f
                                                   << 0 << 0 << 136 << 0 << "E---S";
    QTest::newRow("type 3 bits") << "X0 Z0 I9 O48\r" << 3 << false << false << 1.0f << 1.0f
                                 << 0 << 0 << 9 << 48 << "-CBIS";
    QTest::newRow("type 3 emergency, spindle free") << "X0 Z0 I128 O2\r" << 3 << false << false << 1.0f << 1.0f
                                                    << 0 << 0 << 128 << 2 << "E----";
    QTest::newRow("type 3 brake is 0x10 not 0x08") << "X0 Z0 I1 O8\r" << 3 << false << false << 1.0f << 1.0f
                                                   << 0 << 0 << 1 << 8 << "----S";
}

void TestAxb::lineDecoding()
{
    QFETCH(QString, line);
    QFETCH(int, type);
    QFETCH(bool, pivra);
    QFETCH(bool, swap);
    QFETCH(float, compX);
    QFETCH(float, compZ);
    QFETCH(int, scaleX);
    QFETCH(int, scaleZ);
    QFETCH(int, inputs);
    QFETCH(int, outputs);
    QFETCH(QString, flags);
    Fixture f;
    MachineSettings.type = type;
    MachineSettings.isPivra = pivra;
    CurrentMachine.swapXZ = swap;
    f.camera->linearCompensationX = compX;
    f.camera->linearCompensationZ = compZ;
    cAxisInterface *link = f.start();
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);

    link->ReceivedString(line);

    QCOMPARE(updates.count(), 1);
    QCOMPARE(link->getScaleX(), scaleX);
    QCOMPARE(link->getScaleZ(), scaleZ);
    QCOMPARE(int(link->getInputs()), inputs);
    QCOMPARE(int(link->getOutputs()), outputs);
    const QString got = QString(link->isEmergency() ? "E" : "-") + (link->isClampOn() ? "C" : "-")
                        + (link->isBrakeOn() ? "B" : "-") + (link->isIndexOn() ? "I" : "-")
                        + (link->isSpindleLocked() ? "S" : "-");
    QCOMPARE(got, flags);
}

// ---------------------------------------------------------------------------

void TestAxb::letterCase_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<bool>("zeroX");
    QTest::addColumn<bool>("zeroZ");
    QTest::addColumn<int>("scaleZ");
    QTest::newRow("x Z") << "x10 Z20 I0 O0\r" << true << false << true << 200;
    QTest::newRow("X z") << "X10 z20 I0 O0\r" << true << true << false << 200;
    QTest::newRow("x z") << "x10 z20 I0 O0\r" << true << false << false << 200;
    QTest::newRow("X Z") << "X10 Z20 I0 O0\r" << true << true << true << 200;
    QTest::newRow("no Z letter") << "X10 Q20 I0 O0\r" << false << false << false << 0;
    QTest::newRow("no X letter") << "A10 Z20 I0 O0\r" << false << false << false << 0;
    QTest::newRow("number missing") << "X10 Z I0 O0\r" << false << false << false << 0;
    QTest::newRow("input missing") << "X10 Z20 O0\r" << false << false << false << 0;
    QTest::newRow("number beyond int") << "X99999999999 Z20 I0 O0\r" << false << false << false << 0;
    QTest::newRow("blanks around numbers") << "X 10  Z -20 I 0 O 0\r" << true << true << true << -200;
}

void TestAxb::letterCase()
{
    QFETCH(QString, line);
    QFETCH(bool, parsed);
    QFETCH(bool, zeroX);
    QFETCH(bool, zeroZ);
    QFETCH(int, scaleZ);
    Fixture f;
    cAxisInterface *link = f.start();
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);
    link->ReceivedString(line);
    QCOMPARE(updates.count(), parsed ? 1 : 0);
    QCOMPARE(link->ZeroX(), zeroX);
    QCOMPARE(link->ZeroZ(), zeroZ);
    QCOMPARE(link->getScaleZ(), scaleZ);
}

// ---------------------------------------------------------------------------

void TestAxb::cAngle_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("pulses");
    QTest::addColumn<bool>("incr");
    QTest::addColumn<float>("offset");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<float>("angle");
    QTest::addColumn<bool>("zeroC");
    QTest::newRow("quarter") << "X0 Z0 I0 O0 C250\r" << 1000 << false << 0.0f << true << 90.0f << true;
    QTest::newRow("three quarters") << "X0 Z0 I0 O0 C750\r" << 1000 << false << 0.0f << true << -90.0f << true;
    QTest::newRow("half stays 180") << "X0 Z0 I0 O0 C500\r" << 1000 << false << 0.0f << true << 180.0f << true;
    QTest::newRow("negative count") << "X0 Z0 I0 O0 C-250\r" << 1000 << false << 0.0f << true << -90.0f << true;
    QTest::newRow("whole turns") << "X0 Z0 I0 O0 C3000\r" << 1000 << false << 0.0f << true << 0.0f << true;
    QTest::newRow("lower-case c") << "x0 z0 I0 O0 c250\r" << 1000 << false << 0.0f << true << 90.0f << false;
    QTest::newRow("no C letter") << "X0 Z0 I0 O0\r" << 1000 << false << 0.0f << false << 0.0f << false;
    QTest::newRow("incremental below zero") << "X0 Z0 I0 O0 C250\r" << 1000 << true << 100.0f << true << -10.0f << true;
    QTest::newRow("incremental wraps") << "X0 Z0 I0 O0 C250\r" << 1000 << true << -100.0f << true << -170.0f << true;
    QTest::newRow("minus 180 becomes 180") << "X0 Z0 I0 O0 C0\r" << 1000 << true << 180.0f << true << 180.0f << true;
    QTest::newRow("other count per turn") << "X0 Z0 I0 O0 C3600\r" << 36000 << false << 0.0f << true << 36.0f << true;
    QTest::newRow("no count per turn") << "X0 Z0 I0 O0 C250\r" << 0 << false << 0.0f << true << 0.0f << true;
}

void TestAxb::cAngle()
{
    QFETCH(QString, line);
    QFETCH(int, pulses);
    QFETCH(bool, incr);
    QFETCH(float, offset);
    QFETCH(bool, parsed);
    QFETCH(float, angle);
    QFETCH(bool, zeroC);
    Fixture f;
    MachineSettings.hasCAxis = true;
    MachineSettings.pulseRevC = pulses;
    CurrentMachine.cIncr = incr;
    CurrentMachine.cIncrOffset = offset;
    cAxisInterface *link = f.start();
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);
    link->ReceivedString(line);
    QCOMPARE(updates.count(), parsed ? 1 : 0);
    QCOMPARE(link->ReadC(), angle);
    QCOMPARE(link->ZeroC(), zeroC);
    if (parsed)
        QCOMPARE(link->ReadCString(), QString::number(double(angle), 'f', 2));
}

// ---------------------------------------------------------------------------

void TestAxb::badLineKeepsState_data()
{
    QTest::addColumn<QString>("bad");
    QTest::newRow("unknown letters") << "A1 B2 I0 O0\r";
    QTest::newRow("half a line") << "X55 Z\r";
    QTest::newRow("letters only") << "X Z I O\r";
    // Ten times the count does not fit an int: a corrupted line.
    QTest::newRow("X count beyond the scale range") << "X-2147483648 Z0 I128 O0\r";
    QTest::newRow("Z count beyond the scale range") << "X1 Z300000000 I128 O0\r";
}

void TestAxb::badLineKeepsState()
{
    QFETCH(QString, bad);
    Fixture f;
    CurrentMachine.sysXref = 2000;
    cAxisInterface *link = f.start();
    link->ReceivedString("X12 z34 I136 O9\r");
    link->ReceivedString(bad);
    QCOMPARE(link->getScaleX(), 120);
    QCOMPARE(link->getScaleZ(), 340);
    QVERIFY(link->ZeroX());
    QVERIFY(!link->ZeroZ());
    QCOMPARE(int(link->getInputs()), 136);
    QCOMPARE(int(link->getOutputs()), 9);
    QVERIFY(link->isBrakeOn());
    QVERIFY(link->isClampOn());
}

// ---------------------------------------------------------------------------

void TestAxb::vacuumImage_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("state"); // -1: nothing emitted
    QTest::newRow("test output off") << "X0 Z0 I0 O64\r" << -1;
    QTest::newRow("no vacuum yet") << "X0 Z0 I2 O32\r" << 0;
    QTest::newRow("vacuum input clear") << "X0 Z0 I0 O96\r" << 1;
    QTest::newRow("vacuum input set") << "X0 Z0 I2 O96\r" << 2;
    QTest::newRow("bit 7 does not hide it") << "X0 Z0 I130 O224\r" << 2;
}

void TestAxb::vacuumImage()
{
    QFETCH(QString, line);
    QFETCH(int, state);
    Fixture f;
    cAxisInterface *link = f.start();
    QSignalSpy vacuum(link, &cAxisInterface::sigVacuumImg);
    link->ReceivedString(line);
    if (state < 0) {
        QCOMPARE(vacuum.count(), 0);
    } else {
        QCOMPARE(vacuum.count(), 1);
        QCOMPARE(vacuum.at(0).at(0).toInt(), state);
    }
}

void TestAxb::cameraFollowsLine()
{
    Fixture f;
    CurrentMachine.Xref = RefLength::ofMicrometres(1000);   // 1 mm
    CurrentMachine.Zref = RefLength::ofMicrometres(-2000);
    CurrentMachine.isRadius = false;
    cAxisInterface *link = f.start();
    link->ReceivedString("X1500 Z250 I0 O0\r");
    QCOMPARE(float(f.camera->axisPosition().x()), 5.0f);   // (1000 + 1500) um as a diameter
    QCOMPARE(float(f.camera->axisPosition().y()), -1.75f);
    QCOMPARE(link->GetX_CameraRef(), 5.0f);
    QCOMPARE(link->GetZ_CameraRef(), -1.75f);
    link->ReceivedString("X-1000 Z0 I0 O0\r");
    QCOMPARE(float(f.camera->axisPosition().x()), 0.0f);
    QCOMPARE(float(f.camera->axisPosition().y()), -2.0f);
}

// ---------------------------------------------------------------------------
// Receive assembly

void TestAxb::assembly_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<int>>("updatesAfterEach");
    QTest::addColumn<int>("scaleX");
    QTest::addColumn<int>("scaleZ");
    QTest::newRow("whole line") << QList<QByteArray>{"X10 Z20 I0 O0\r"} << QList<int>{1} << 100 << 200;
    QTest::newRow("split in two") << QList<QByteArray>{"X10 Z2", "0 I0 O0\r"} << QList<int>{0, 1} << 100 << 200;
    QTest::newRow("byte by byte tail") << QList<QByteArray>{"x1", "0 z", "20 I0", " O0", "\r"}
                                       << QList<int>{0, 0, 0, 0, 1} << 100 << 200;
    QTest::newRow("junk before the line") << QList<QByteArray>{"\n\x01junk X7 Z8 I0 O0\r"} << QList<int>{1} << 70 << 80;
    QTest::newRow("CR before the line waits") << QList<QByteArray>{"noise\rX7 Z8", " I0 O0\r"} << QList<int>{0, 1}
                                              << 70 << 80;
    QTest::newRow("NUL ends the line") << QList<QByteArray>{QByteArray("X7 Z8 I1 O2\0 I5\r", 16)} << QList<int>{1}
                                       << 70 << 80;
    QTest::newRow("two lines, first taken") << QList<QByteArray>{"X1 Z2 I0 O0\rX3 Z4 I0 O0\r"} << QList<int>{1}
                                            << 10 << 20;
    QTest::newRow("lone CR") << QList<QByteArray>{"\r", "X5 Z6 I0 O0\r"} << QList<int>{0, 1} << 50 << 60;
}

void TestAxb::assembly()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<int>, updatesAfterEach);
    QFETCH(int, scaleX);
    QFETCH(int, scaleZ);
    Fixture f;
    cAxisInterface *link = f.start();
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);
    for (int i = 0; i < chunks.size(); ++i) {
        f.feed(chunks.at(i));
        QCOMPARE(updates.count(), updatesAfterEach.at(i));
    }
    QCOMPARE(link->getScaleX(), scaleX);
    QCOMPARE(link->getScaleZ(), scaleZ);
    QCOMPARE(link->pendingBytes(), 0);
}

void TestAxb::versionAnswer()
{
    Fixture f;
    cAxisInterface *link = f.start();
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);
    QCOMPARE(MachineSettings.axbVersion, QString("Axb version not available"));
    QVERIFY(!App::kovraSettings().contains("/Software/Version"));

    f.feed("$V2.1$X10 Z20 I0 O0\r");
    QCOMPARE(MachineSettings.axbVersion, QString("Axb version: V2.1"));
    QCOMPARE(App::kovraSettings().value("/Software/Axb").toString(), QString("V2.1"));
    QCOMPARE(App::kovraSettings().value("/Software/Version").toString(), QString("3.0"));
    QCOMPARE(updates.count(), 1);
    QCOMPARE(link->getScaleZ(), 200);

    // One "$" waits for the second.
    f.feed("$V3");
    QCOMPARE(MachineSettings.axbVersion, QString("Axb version: V2.1"));
    f.feed(".0");
    f.feed("$");
    QCOMPARE(MachineSettings.axbVersion, QString("Axb version: V3.0"));
    QCOMPARE(link->pendingBytes(), 0);

    // The software version is written on the first chunk only.
    App::kovraSettings().remove("/Software/Version");
    f.feed("X1 Z1 I0 O0\r");
    QVERIFY(!App::kovraSettings().contains("/Software/Version"));
}

void TestAxb::typeReport_data()
{
    QTest::addColumn<int>("typeBefore");
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<int>("typeAfter");
    QTest::addColumn<bool>("told");
    QTest::newRow("T3 while 1") << 1 << QByteArray("X1 Z1 I0 O0 T3\r") << 3 << true;
    QTest::newRow("T3 before the line") << 0 << QByteArray("T3X1 Z1 I0 O0\r") << 3 << true;
    QTest::newRow("T1 while 0") << 0 << QByteArray("X1 Z1 I0 O0 T1\r") << 0 << false;
    QTest::newRow("T0 while 1") << 1 << QByteArray("X1 Z1 I0 O0 T0\r") << 1 << false;
    QTest::newRow("T3 while 3") << 3 << QByteArray("X1 Z1 I0 O0 T3\r") << 3 << false;
    QTest::newRow("T1 while 3") << 3 << QByteArray("X1 Z1 I0 O0 T1\r") << 1 << true;
    QTest::newRow("not a digit while 3") << 3 << QByteArray("X1 Z1 I0 O0 Tq\r") << 0 << true;
    QTest::newRow("no line end yet") << 1 << QByteArray("X1 Z1 I0 O0 T3") << 1 << false;
    QTest::newRow("T3 after the line's end") << 0 << QByteArray("X1 Z1 I0 O0\rT3") << 0 << false;
}

void TestAxb::typeReport()
{
    QFETCH(int, typeBefore);
    QFETCH(QByteArray, chunk);
    QFETCH(int, typeAfter);
    QFETCH(bool, told);
    Fixture f;
    MachineSettings.type = typeBefore;
    cAxisInterface *link = f.start();
    QSignalSpy gui(link, &cAxisInterface::sigUpdateGui);
    f.feed(chunk);
    QCOMPARE(MachineSettings.type, typeAfter);
    QCOMPARE(gui.count(), told ? 1 : 0);
    QCOMPARE(App::kovraSettings().contains("/Machine/type"), told);
    if (told)
        QCOMPARE(App::kovraSettings().value("/Machine/type").toInt(), typeAfter);
}

void TestAxb::refusedLineKeepsType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("refused");
    QTest::newRow("no Z, T3 while 0") << 0 << QByteArray("#GARBAGE T3 X?\r");
    QTest::newRow("no X, T3 while 1") << 1 << QByteArray("#GARBAGE T3\r");
    QTest::newRow("numbers that do not convert, T0 while 3") << 3 << QByteArray("X1 Zq I0 O0 T0\r");
}

// A line the link refuses changes no setting and writes nothing: the status
// requests and the emergency and brake bits after it are read as before.
void TestAxb::refusedLineKeepsType()
{
    QFETCH(int, type);
    QFETCH(QByteArray, refused);
    Fixture f;
    MachineSettings.type = type;
    cAxisInterface *link = f.start();
    const QByteArray letter = type == 0 ? "H" : type == 1 ? "S" : "?";
    QVERIFY(f.waitForFrame(letter));
    // Emergency is input 0x01 clear for type 3, 0x80 clear otherwise; the
    // brake output 0x10 for type 3, 0x08 otherwise.
    f.board.setInputs(0x01);
    f.board.setOutputs(0x10);
    f.board.write(f.board.positionLine());
    QTRY_COMPARE(link->linesUsed(), 1);
    App::kovraSettings().sync();
    const QByteArray stored = TestWorkDir::readFile(App::kovraSettings().fileName());
    QVERIFY(!stored.isEmpty());
    QSignalSpy gui(link, &cAxisInterface::sigUpdateGui);

    f.board.write(refused);
    QTRY_VERIFY(f.board.allRead());
    f.board.clearFrames();
    f.board.setAutoAnswer(true);
    QTRY_VERIFY(link->linesUsed() >= 2);
    QCOMPARE(MachineSettings.type, type);
    QCOMPARE(gui.count(), 0);
    QCOMPARE(TestWorkDir::readFile(App::kovraSettings().fileName()), stored);
    QVERIFY(!f.board.frameTexts().isEmpty());
    for (const QByteArray &frame : f.board.frameTexts())
        QCOMPARE(frame, letter);
    QCOMPARE(link->isEmergency(), type != 3);
    QCOMPARE(link->isBrakeOn(), type == 3);
}

void TestAxb::noiseIsBounded_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("noise");
    QTest::newRow("no CR, no X") << QByteArray() << QByteArray("abcdefgh");
    QTest::newRow("CRs, no X") << QByteArray() << QByteArray("I0 O0\r");
    QTest::newRow("X, never a CR") << QByteArray() << QByteArray("X1 Z2 ");
    QTest::newRow("one dollar") << QByteArray("$V") << QByteArray("abc");
    QTest::newRow("NUL bytes") << QByteArray() << QByteArray(16, '\0');
}

void TestAxb::noiseIsBounded()
{
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, noise);
    Fixture f;
    cAxisInterface *link = f.start();
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);
    f.feed(prefix);
    for (int i = 0; i < 4000; ++i) {
        f.feed(noise);
        QVERIFY2(link->pendingBytes() <= cAxisInterface::kMaxAssembly,
                 qPrintable(QString::number(link->pendingBytes())));
    }
    QCOMPARE(updates.count(), 0);
    // The link reads lines again once a line end has passed.
    f.feed("\r");
    f.feed("X44 Z55 I0 O0\r");
    QCOMPARE(updates.count(), 1);
    QCOMPARE(link->getScaleX(), 440);
    QCOMPARE(link->getScaleZ(), 550);
}

void TestAxb::linksKeepOwnAssembly()
{
    Fixture a;
    Fixture b;
    // The settings now live in b's directory: give a its own board port there.
    cAxisInterface *second = b.start();
    a.setting("/TTY/AxbPort", a.board.slavePath());
    cAxisInterface *first = a.start();
    QSignalSpy firstUpdates(first, &cAxisInterface::UpdateAxesDisplay);
    QSignalSpy secondUpdates(second, &cAxisInterface::UpdateAxesDisplay);

    QSettings &settings = App::kovraSettings();
    a.feed("X10 Z2");
    QVERIFY(settings.contains("/Software/Version"));
    settings.remove("/Software/Version");
    // The second link's first chunk is its own first chunk.
    b.feed("0 I0 O0\r");
    QVERIFY(settings.contains("/Software/Version"));
    settings.remove("/Software/Version");
    QCOMPARE(firstUpdates.count(), 0);
    QCOMPARE(secondUpdates.count(), 0);
    a.feed("5 I0 O0\r");
    QVERIFY(!settings.contains("/Software/Version"));
    QCOMPARE(firstUpdates.count(), 1);
    QCOMPARE(first->getScaleZ(), 250);
    QCOMPARE(secondUpdates.count(), 0);

    b.feed("$V9$");
    QCOMPARE(MachineSettings.axbVersion, QString("Axb version: V9"));
    QCOMPARE(first->pendingBytes(), 0);
}

// ---------------------------------------------------------------------------
// Output commands, observed on the board

void TestAxb::outputCommands_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("pivra");
    QTest::addColumn<bool>("lockX");
    QTest::addColumn<bool>("lockZ");
    QTest::addColumn<QString>("reported"); // line the board sent before
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<int>("displayUpdates");

    const QString idle = "X0 Z0 I128 O0\r";
    const QString testing = "X0 Z0 I128 O32\r";
    using L = QList<QByteArray>;
    QTest::newRow("brake, X locked") << 0 << false << true << false << idle << "brake" << L{"B1", "B9", "B1"} << 0;
    QTest::newRow("brake, no lock") << 0 << false << false << false << idle << "brake" << L{"B8", "B0"} << 0;
    QTest::newRow("index, both locked") << 0 << false << true << true << idle << "index" << L{"B1", "B3", "B19", "B3"} << 0;
    QTest::newRow("clamp, type 0") << 0 << false << false << false << idle << "clamp" << L{} << 1;
    QTest::newRow("clamp, type 1") << 1 << false << false << false << idle << "clamp" << L{} << 1;
    QTest::newRow("clamp, type 3") << 3 << false << false << false << idle << "clamp" << L{"B4", "B0"} << 1;
    QTest::newRow("clamp, clamping option") << 1 << true << false << true << idle << "clamp" << L{"B2", "B6", "B2"} << 1;
    QTest::newRow("vacuum start") << 0 << false << false << false << idle << "vacuum start" << L{"B32", "B0"} << 0;
    QTest::newRow("vacuum start, running") << 0 << false << false << false << testing << "vacuum start" << L{} << 0;
    QTest::newRow("vacuum stop, running") << 0 << false << false << false << testing << "vacuum stop" << L{"B32", "B0"} << 0;
    QTest::newRow("vacuum stop, idle") << 0 << false << false << false << idle << "vacuum stop" << L{} << 0;
    QTest::newRow("Z lock") << 0 << false << false << false << idle << "lock Z" << L{"B2"} << 0;
    QTest::newRow("X lock off") << 0 << false << true << true << idle << "unlock X" << L{"B1", "B3", "B2"} << 0;
    QTest::newRow("plain output") << 0 << false << false << false << idle << "out 255" << L{"B255"} << 0;
}

void TestAxb::outputCommands()
{
    QFETCH(int, type);
    QFETCH(bool, pivra);
    QFETCH(bool, lockX);
    QFETCH(bool, lockZ);
    QFETCH(QString, reported);
    QFETCH(QString, command);
    QFETCH(QList<QByteArray>, frames);
    QFETCH(int, displayUpdates);
    Fixture f;
    MachineSettings.type = type;
    MachineSettings.isPivra = pivra;
    cAxisInterface *link = f.start();
    link->ReceivedString(reported);
    if (lockX)
        link->SetXLock(true);
    if (lockZ)
        link->SetZLock(true);
    QCOMPARE(link->AxisLockStatus(), (lockX ? 1 : 0) + (lockZ ? 2 : 0));
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);

    if (command == "brake")
        link->PressBrakeButton();
    else if (command == "index")
        link->PressIndexButton();
    else if (command == "clamp")
        link->PressClampButton();
    else if (command == "vacuum start")
        link->startVacuumTest();
    else if (command == "vacuum stop")
        link->stopVacuumTest();
    else if (command == "lock Z")
        link->SetZLock(true);
    else if (command == "unlock X")
        link->SetXLock(false);
    else if (command == "out 255")
        link->updateOutPlc(255);
    QCOMPARE(updates.count(), displayUpdates);

    // A reset frame marks the end: every frame before it has arrived.
    link->resetAXB();
    QVERIFY(f.waitForFrame("R"));
    QCOMPARE(f.outputFrames(), frames);
}

void TestAxb::pulseTiming()
{
    Fixture f;
    cAxisInterface *link = f.start();
    link->SetXLock(true);
    QVERIFY(f.waitForFrame("B1"));
    QVERIFY(CurrentMachine.xLock);
    QVERIFY(!CurrentMachine.zLock);
    link->PressBrakeButton();
    QVERIFY(f.waitForFrame("B1", 2));
    qint64 b9 = -1, b1 = -1;
    const auto frames = f.board.frames();
    for (const auto &fr : frames) {
        if (fr.text == "B9")
            b9 = fr.atMs;
        else if (fr.text == "B1" && b9 >= 0)
            b1 = fr.atMs;
    }
    QVERIFY(b9 >= 0);
    QVERIFY(b1 >= 0);
    // The pulse frame reaches the board while the program holds it.
    // Frames reach the board with a little transfer jitter of their own.
    QVERIFY2(b1 - b9 >= 180, qPrintable(QString("pulse lasted %1 ms").arg(b1 - b9)));
    QVERIFY2(b1 - b9 < 600, qPrintable(QString("pulse lasted %1 ms").arg(b1 - b9)));
}

void TestAxb::boardFrames()
{
    // Byte for byte on the line: ENQ, text, CR.
    Fixture f;
    cAxisInterface *link = f.start();
    QVERIFY(f.waitForFrame("H"));
    link->resetAXB();
    link->resetScalesZeroes();
    link->updateOutPlc(0);
    link->updateOutPlc(7);
    link->updateOutPlc(128);
    QVERIFY(f.waitForFrame("B128"));
    QList<QByteArray> texts;
    for (const QByteArray &t : f.board.frameTexts())
        if (t != "H")
            texts.append(t);
    QCOMPARE(texts, (QList<QByteArray>{"R", "Z", "B0", "B7", "B128"}));
}

// ---------------------------------------------------------------------------
// Polling

void TestAxb::requestAnswerPolling()
{
    Fixture::Options o;
    o.autoAnswer = true;
    Fixture f(o);
    f.board.setCounts(1234, -567);
    cAxisInterface *link = f.start();
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);
    QElapsedTimer t;
    t.start();
    // Each answer brings the next request at once: more lines come than the
    // 300 ms answer time alone could have asked for, however busy the machine.
    QTRY_VERIFY_WITH_TIMEOUT(updates.count() >= 20, 30000);
    const qint64 elapsed = t.elapsed();
    const int lines = updates.count();
    QVERIFY2(lines > 2 * (elapsed / 300 + 1), qPrintable(QString("%1 lines in %2 ms").arg(lines).arg(elapsed)));
    QCOMPARE(link->getScaleX(), 12340);
    QCOMPARE(link->getScaleZ(), -5670);
    // No request went out without its answer in between: requests and lines
    // stay one to one (one request may be on its way).
    const int requests = f.board.countFrames("H");
    QVERIFY2(requests - updates.count() <= 1 && requests >= updates.count(),
             qPrintable(QString("%1 requests, %2 lines").arg(requests).arg(updates.count())));
}

void TestAxb::silentBoardIsAskedAgain()
{
    Fixture f;
    f.start();
    QVERIFY(f.waitForFrame("H", 6, 5000));
    const auto frames = f.board.frames();
    // The 300 ms rhythm, averaged over four gaps after the first request:
    // single frames may reach the board late on a busy machine.
    const double mean = (frames.at(5).atMs - frames.at(1).atMs) / 4.0;
    QVERIFY2(mean >= 250 && mean <= 450, qPrintable(QString("mean gap %1 ms").arg(mean)));
    for (int i = 1; i < 6; ++i) {
        const qint64 gap = frames.at(i).atMs - frames.at(i - 1).atMs;
        QVERIFY2(gap >= 150, qPrintable(QString("gap %1 ms").arg(gap)));
    }
}

void TestAxb::pollingGoesOnAfterIgnoredLine()
{
    Fixture f;
    MachineSettings.hasCAxis = true;
    // An answer without C letter is ignored while a C axis is fitted.
    f.board.queueReply("X1 Z2 I0 O0\r");
    f.board.setCAxis(true, 250);
    f.board.setCounts(3, 4);
    cAxisInterface *link = f.start();
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);
    QVERIFY(f.waitForFrame("H"));
    f.board.setAutoAnswer(true);
    QTRY_VERIFY_WITH_TIMEOUT(updates.count() >= 3, 15000);
    QCOMPARE(link->getScaleX(), 30);
    QCOMPARE(link->ReadC(), 90.0f);
    const auto frames = f.board.frames();
    QVERIFY(frames.size() >= 2);
    // The ignored answer is followed by a new request when the answer time runs
    // out, not at once.
    const qint64 gap = frames.at(1).atMs - frames.at(0).atMs;
    QVERIFY2(gap >= 200 && gap <= 900, qPrintable(QString("gap %1 ms").arg(gap)));
}

void TestAxb::freeRunningInterval()
{
    Fixture::Options o;
    o.interval = 50;
    o.autoAnswer = true;
    Fixture f(o);
    cAxisInterface *link = f.start();
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);
    QVERIFY(f.waitForFrame("H", 11, 3000));
    const auto frames = f.board.frames();
    const qint64 span = frames.at(10).atMs - frames.at(0).atMs;
    // Ten intervals of 50 ms; answers do not bring extra requests.
    QVERIFY2(span >= 400 && span <= 1000, qPrintable(QString("10 intervals in %1 ms").arg(span)));
    // The answers to the last requests may still wait unread on a busy machine.
    QTRY_VERIFY(updates.count() >= 8);
}

void TestAxb::stateThroughSerialLine()
{
    Fixture::Options o;
    o.autoAnswer = true;
    Fixture f(o);
    MachineSettings.type = 3;
    f.board.setCounts(50000, -20000);
    f.board.setInputs(0x09);
    f.camera->linearCompensationX = 0.5f;
    CurrentMachine.Xref = RefLength::ofMicrometres(10000);
    CurrentMachine.sysXref = 100000;
    cAxisInterface *link = f.start();
    QTRY_COMPARE_WITH_TIMEOUT(link->getScaleX(), 250000, 15000);
    QCOMPARE(link->getScaleZ(), -200000);
    QVERIFY(!link->ZeroX());
    QVERIFY(!link->isEmergency());
    QVERIFY(link->isClampOn());
    QCOMPARE(link->GetX_CameraRef(), 25.0f);   // (100000 + 250000 - 100000) / 10000
    QCOMPARE(float(f.camera->axisPosition().x()), 25.0f);

    // The reference run makes the board report upper-case letters.
    link->resetAXB();
    QTRY_VERIFY_WITH_TIMEOUT(link->ZeroX() && link->ZeroZ(), 15000);

    // Outputs come back in the O field: the locks, then the brake on type 3 (0x10).
    link->SetZLock(true);
    QTRY_COMPARE_WITH_TIMEOUT(int(link->getOutputs()), 2, 15000);
    QVERIFY(!link->isSpindleLocked());
    link->updateOutPlc(0x10);
    QTRY_VERIFY_WITH_TIMEOUT(link->isBrakeOn(), 15000);
    QVERIFY(link->isSpindleLocked());
    f.board.setInputs(0x08);
    QTRY_VERIFY_WITH_TIMEOUT(link->isEmergency(), 15000);
}

void TestAxb::simulator()
{
    const QString program = TestWorkDir::builtProgram("axb-sim");
    QVERIFY2(!program.isEmpty(), "axb-sim not built");
    Fixture f;
    QProcess sim;
    const QString name = QString("tst-axb-%1").arg(QCoreApplication::applicationPid());
    sim.start(program, {"--x", "12000", "--z", "-3000", "--drift", "0", "--inputs", "136", "--type", "3",
                        "--board-version", "S1.7", "--name", name});
    QVERIFY(sim.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 30000);
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QVERIFY2(path.startsWith("/dev/"), qPrintable(path));
    f.setting("/TTY/AxbPort", path);
    f.setting("/TTY/axbDncInterval", 0);
    MachineSettings.type = 1;
    cAxisInterface *link = f.start();
    QSignalSpy gui(link, &cAxisInterface::sigUpdateGui);
    QSignalSpy updates(link, &cAxisInterface::UpdateAxesDisplay);

    QTRY_VERIFY_WITH_TIMEOUT(updates.count() >= 10, 30000);
    QCOMPARE(link->getScaleX(), 120000);
    QCOMPARE(link->getScaleZ(), -30000);
    QCOMPARE(int(link->getInputs()), 136);
    QVERIFY(!link->ZeroX());
    QVERIFY(!link->ZeroZ());
    QCOMPARE(MachineSettings.axbVersion, QString("Axb version: S1.7"));
    QCOMPARE(MachineSettings.type, 3);
    QCOMPARE(gui.count(), 1);

    link->resetAXB();
    QTRY_VERIFY_WITH_TIMEOUT(link->ZeroX() && link->ZeroZ(), 30000);
    link->updateOutPlc(0x12);
    QTRY_COMPARE_WITH_TIMEOUT(int(link->getOutputs()), 0x12, 30000);
    QVERIFY(link->isBrakeOn());
    QVERIFY(!link->isSpindleLocked());

    // Moves from another terminal, in millimetres; a move that is not one changes nothing.
    const auto move = [&](const QStringList &args) {
        QProcess mover;
        mover.start(program, QStringList{"--move"} + args + QStringList{"--name", name});
        return mover.waitForFinished(30000) ? mover.exitCode() : -1;
    };
    QCOMPARE(move({"X", "0.5"}), 0);
    QCOMPARE(move({"Z", "-1.25"}), 0);
    QVERIFY(move({"Y", "1"}) != 0);
    QVERIFY(move({"X", "far"}) != 0);
    QTRY_VERIFY_WITH_TIMEOUT(link->getScaleX() == 125000 && link->getScaleZ() == -42500, 30000);

    f.link.reset();
    sim.terminate();
    QVERIFY(sim.waitForFinished(30000));
}

void TestAxb::simulatorOfEachDemo_data()
{
    QTest::addColumn<QString>("moverFolder"); // where a copy of axb-sim is put; empty: the built one
    QTest::addColumn<QString>("runIn");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("run in the demo directory") << "" << "top1/demo" << QByteArray("X 20500 Z 98000");
    QTest::newRow("run from the top, the demo beside the tools") << "top1/tools" << "" << QByteArray("X 20500 Z 98000");
    QTest::newRow("run where no simulator runs") << "tools" << "" << QByteArray();
}

// Two demos on one machine, one board simulator started without a name in
// its demo directory, the other as the demo scripts start it, taking moves
// through the socket file of its demo directory: a move without a name
// reaches the demo it is run for, never the other one.
void TestAxb::simulatorOfEachDemo()
{
    QFETCH(QString, moverFolder);
    QFETCH(QString, runIn);
    QFETCH(QByteArray, answer);
    const QString program = TestWorkDir::builtProgram("axb-sim");
    QVERIFY2(!program.isEmpty(), "axb-sim not built");
    TestWorkDir wd;
    QProcess sims[2];
    for (int i = 0; i < 2; ++i) {
        const QString demo = wd.filePath(QString("top%1/demo").arg(i));
        QVERIFY(QDir().mkpath(demo));
        sims[i].setWorkingDirectory(demo);
        QStringList args{"--x", QString::number(10000 * (i + 1)), "--drift", "0"};
        if (i == 1)
            args << "--name" << demo + "/axb-sim.socket";
        sims[i].start(program, args);
        QVERIFY(sims[i].waitForStarted(30000));
        QTRY_VERIFY_WITH_TIMEOUT(sims[i].canReadLine(), 30000);
        sims[i].readLine();
    }
    // As build-demo/tools/axb-sim beside build-demo/demo.
    QString mover = program;
    if (!moverFolder.isEmpty()) {
        mover = wd.filePath(moverFolder + "/axb-sim");
        QVERIFY(QDir().mkpath(wd.filePath(moverFolder)));
        QVERIFY(QFile::copy(program, mover));
    }
    QProcess move;
    move.setWorkingDirectory(wd.filePath(runIn));
    move.start(mover, {"--move", "X", "0.5"});
    QVERIFY(move.waitForFinished(30000));
    QCOMPARE(move.readAllStandardOutput().trimmed(), answer);
    QCOMPARE(move.exitCode(), answer.isEmpty() ? 1 : 0);
    for (QProcess &sim : sims) {
        sim.terminate();
        QVERIFY(sim.waitForFinished(30000));
    }
}

// ---------------------------------------------------------------------------
// A board that stops answering

void TestAxb::silentBoard_data()
{
    QTest::addColumn<int>("interval");
    // The board "stops" answering, "never" answers, or stops or goes on
    // answering while the GUI thread is held for 1500 ms, or its answer is
    // read only after the hold, as after a stop of the whole program.
    QTest::addColumn<QString>("how");
    // Sent meanwhile by the serial DNC host, or by a TCP client ("tcp").
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("silentReply");
    QTest::addColumn<QByteArray>("liveReply");
    const QByteArray none;
    QTest::newRow("request-answer board stops") << 0 << "stops" << none << none << none;
    QTest::newRow("free-running board stops") << 50 << "stops" << none << none << none;
    QTest::newRow("no board from the start") << 0 << "never" << none << none << none;
    QTest::newRow("board stops while the GUI is held") << 0 << "held, stops" << none << none << none;
    QTest::newRow("board answers while the GUI is held") << 0 << "held, answers" << none << none << none;
    QTest::newRow("board stops while outputs are pulsed back to back")
        << 0 << "stops, outputs pulsed" << none << none << none;
    QTest::newRow("serial DNC request") << 0 << "stops" << QByteArray("$X\r") << QByteArray("\x15" "7")
                                        << QByteArray("X    12.500 Z   100.000 A A M R LATHE1\r");
    QTest::newRow("serial DNC trigger") << 0 << "stops" << QByteArray("\x02") << QByteArray("\x15" "7")
                                        << QByteArray("X    12.500 Z   100.000 A A M R  LATHE1\r");
    QTest::newRow("TCP request") << 0 << "stops" << QByteArray("tcp") << none
                                 << QByteArray("X 12.500 Z 100.000 AAMR  LATHE1\n\r");
    QTest::newRow("board answers throughout a stop of the program") << 0 << "held, answer read late" << none
                                                                    << none << none;
    QTest::newRow("serial DNC request after a stop of the program")
        << 0 << "held, answer read late" << QByteArray("$X\r") << none
        << QByteArray("X    12.500 Z   100.000 A A M R LATHE1\r");
    QTest::newRow("TCP request after a stop of the program")
        << 0 << "held, answer read late" << QByteArray("tcp") << none
        << QByteArray("X 12.500 Z 100.000 AAMR  LATHE1\n\r");
}

void TestAxb::silentBoard()
{
    QFETCH(int, interval);
    QFETCH(QString, how);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, silentReply);
    QFETCH(QByteArray, liveReply);
    Fixture f({interval, how != "never"});
    f.board.setCounts(12500, 100000);
    f.board.setReferenced(true);
    PtyPeer host;
    host.setResponder([](const QByteArray &) { return QByteArray(); });
    const bool tcp = request == "tcp";
    f.setting("/TTY/DncPort", request.isEmpty() || tcp ? QString() : host.slavePath());
    f.setting("/TTY/CharDnc", request == "\x02" ? 2 : 0);
    f.setting("/SOCKET/Port", 0);
    enableToolingup = true;
    const auto panelClosed = qScopeGuard([] { enableToolingup = false; });
    CurrentMachine.name = "LATHE1";
    QElapsedTimer quiet;
    quiet.start();
    cAxisInterface *link = f.start();
    TCPServer server(nullptr, link, "127.0.0.1");
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(socket.waitForConnected(5000));
    QByteArray fromServer;
    connect(&socket, &QTcpSocket::readyRead, [&] { fromServer += socket.readAll(); });
    const auto ask = [&] {
        host.clearReceived();
        fromServer.clear();
        if (tcp) {
            socket.write("\x02");
            socket.flush();
        } else {
            host.write(request);
        }
    };
    const auto answerIs = [&](const QByteArray &expected) {
        ask();
        if (expected.isEmpty() && tcp) {
            // Unanswered: the server read the request and sent nothing back.
            const QTcpSocket *served = server.findChild<QTcpSocket *>();
            QTRY_VERIFY(served && allReadBy(socket, *served) && allReadBy(*served, socket));
        }
        QTRY_COMPARE_WITH_TIMEOUT(tcp ? fromServer : host.received(), expected, 5000);
    };
    QSignalSpy changes(link, &cAxisInterface::silenceChanged);
    // Quiet counts from the last answer the link read: on a busy machine that
    // may come well before the board is told to stop.
    connect(link, &cAxisInterface::UpdateAxesDisplay, [&] { quiet.start(); });

    if (how != "never") {
        QTRY_VERIFY_WITH_TIMEOUT(link->linesUsed() > 0, 30000);
        f.board.setAutoAnswer(how.endsWith("answers"));
        if (how.startsWith("held")) {
            const QByteArray line = f.board.positionLine();
            if (!how.endsWith("late")) {
                // One last answer arrives as the hold begins: it counts from its
                // arrival, and a board asked nothing meanwhile is asked again.
                f.board.write(line);
                // Held past the silence time from the line's arrival: the
                // link's reader took it once nothing waits on the line.
                QDeadlineTimer taking(5000);
                while (!f.board.allRead() && !taking.hasExpired())
                    QThread::yieldCurrentThread();
                QVERIFY(f.board.allRead());
                QThread::msleep(cAxisInterface::kSilenceMs + 50);
                QCOMPARE(link->confirmAnswering(), how.endsWith("answers"));
                return;
            }
            // Every answer given so far is read: the link waits for one to a
            // request the board received after it stopped answering.
            const int framesBefore = f.board.frameCount();
            QTRY_VERIFY_WITH_TIMEOUT(f.board.frameCount() > framesBefore, 5000);
            // A request comes during the hold; the answer the board gave
            // meanwhile is read only after it, later than the request.
            if (!request.isEmpty())
                ask();
            const int used = link->linesUsed();
            // Held past the silence and answer times.
            QThread::msleep(cAxisInterface::kSilenceMs + cAxisInterface::kAnswerMs + 200);
            std::thread lateAnswer([&] {
                QThread::msleep(50);
                f.board.write(line);
            });
            const auto joined = qScopeGuard([&] { lateAnswer.join(); });
            if (request.isEmpty())
                QTRY_VERIFY_WITH_TIMEOUT(link->linesUsed() > used, 5000);
            else
                QTRY_COMPARE_WITH_TIMEOUT(tcp ? fromServer : host.received(), liveReply, 5000);
            // Nor were the read-outs told meanwhile that the board is silent.
            QCOMPARE(changes.count(), 0);
            return;
        }
        quiet.start();
    }
    // Two pulses between checks hold the thread 400 ms: the link's own wait,
    // not a stop of the program. They go on for 2 s at most.
    qint64 toldMs = -1;
    connect(link, &cAxisInterface::silenceChanged, [&] {
        if (toldMs < 0)
            toldMs = quiet.elapsed();
    });
    QTimer pulses;
    connect(&pulses, &QTimer::timeout, link, [&] {
        if (toldMs >= 0 || quiet.elapsed() > 2000) {
            pulses.stop();
            return;
        }
        link->PressBrakeButton();
        link->PressIndexButton();
    });
    if (how.endsWith("pulsed"))
        pulses.start(0);
    QTRY_COMPARE_WITH_TIMEOUT(changes.count(), 1, 10000);
    if (how.endsWith("pulsed"))
        QVERIFY2(toldMs < 2000, qPrintable(QString("silent after %1 ms").arg(toldMs)));
    QCOMPARE(changes.at(0).at(0).toBool(), true);
    QVERIFY2(quiet.elapsed() >= 900, qPrintable(QString("silent after %1 ms").arg(quiet.elapsed())));
    if (!request.isEmpty())
        answerIs(silentReply);

    f.board.setAutoAnswer(true);
    QTRY_COMPARE_WITH_TIMEOUT(changes.count(), 2, 10000);
    QCOMPARE(changes.at(1).at(0).toBool(), false);
    QVERIFY(!link->isSilent());
    if (!request.isEmpty())
        answerIs(liveReply);
}

void TestAxb::positionBeforeFirstAnswer_data()
{
    // Sent by the serial DNC host or by a TCP client ("tcp").
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("refused");
    QTest::addColumn<QByteArray>("live");
    QTest::newRow("serial DNC request") << QByteArray("$X\r") << QByteArray("\x15" "7")
                                        << QByteArray("X    12.500 Z   100.000 A A M R LATHE1\r");
    QTest::newRow("serial DNC trigger") << QByteArray("\x02") << QByteArray("\x15" "7")
                                        << QByteArray("X    12.500 Z   100.000 A A M R  LATHE1\r");
    QTest::newRow("TCP request") << QByteArray("tcp") << QByteArray()
                                 << QByteArray("X 12.500 Z 100.000 AAMR  LATHE1\n\r");
}

// Right after the link starts the axes hold no position of the board's:
// nothing is handed on as one until its first position line was read.
void TestAxb::positionBeforeFirstAnswer()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, refused);
    QFETCH(QByteArray, live);
    Fixture f({0, false});
    f.board.setCounts(12500, 100000);
    f.board.setReferenced(true);
    PtyPeer host;
    host.setResponder([](const QByteArray &) { return QByteArray(); });
    f.setting("/TTY/DncPort", request == "tcp" ? QString() : host.slavePath());
    f.setting("/TTY/CharDnc", request == "\x02" ? 2 : 0);
    f.setting("/SOCKET/Port", 0);
    enableToolingup = true;
    const auto panelClosed = qScopeGuard([] { enableToolingup = false; });
    CurrentMachine.name = "LATHE1";
    cAxisInterface *link = f.start();
    TCPServer server(nullptr, link, "127.0.0.1");
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(socket.waitForConnected(5000));
    QByteArray fromServer;
    connect(&socket, &QTcpSocket::readyRead, [&] { fromServer += socket.readAll(); });
    const auto ask = [&](const QByteArray &expected) {
        host.clearReceived();
        fromServer.clear();
        if (request == "tcp") {
            socket.write("\x02");
            socket.flush();
        } else {
            host.write(request);
        }
        const auto got = [&] { return request == "tcp" ? fromServer : host.received(); };
        // Nothing to wait for: a while for anything to come.
        if (expected.isEmpty())
            QTest::qWait(300);
        else
            (void)QTest::qWaitFor([&] { return got().size() >= expected.size(); }, 5000);
        return got();
    };
    QCOMPARE(ask(refused), refused);
    QCOMPARE(link->linesUsed(), 0);
    f.board.setAutoAnswer(true);
    QTRY_VERIFY_WITH_TIMEOUT(link->linesUsed() > 0, 30000);
    QCOMPARE(ask(live), live);
}

void TestAxb::hostPollsSilentBoard_data()
{
    QTest::addColumn<int>("interval");
    // Sent every 100 ms by the serial DNC host, or by a TCP client ("tcp").
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("serial DNC request, request-answer board") << 0 << QByteArray("$X\r");
    QTest::newRow("serial DNC request, free-running board") << 50 << QByteArray("$X\r");
    QTest::newRow("serial DNC trigger") << 0 << QByteArray("\x02");
    QTest::newRow("TCP request") << 0 << QByteArray("tcp");
}

// A host that keeps polling while the board is silent is refused at once
// once the silence is known: its replies do not pile up behind waits for the
// board, the program's thread is not held, and the read-outs are marked.
void TestAxb::hostPollsSilentBoard()
{
    QFETCH(int, interval);
    QFETCH(QByteArray, request);
    const bool tcp = request == "tcp";
    Fixture f({interval, true});
    f.board.setCounts(12500, 100000);
    f.board.setReferenced(true);
    PtyPeer host;
    f.setting("/TTY/DncPort", tcp ? QString() : host.slavePath());
    f.setting("/TTY/CharDnc", request == "\x02" ? 2 : 0);
    f.setting("/SOCKET/Port", 0);
    enableToolingup = true;
    const auto panelClosed = qScopeGuard([] { enableToolingup = false; });
    CurrentMachine.name = "LATHE1";
    cAxisInterface *link = f.start();
    TCPServer server(nullptr, link, "127.0.0.1");
    int fd = host.masterFd();
    const int tcpFd = tcp ? ::socket(AF_INET, SOCK_STREAM, 0) : -1;
    const auto socketClosed = qScopeGuard([tcpFd] {
        if (tcpFd >= 0)
            ::close(tcpFd);
    });
    if (tcp) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(server.serverPort());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::connect(tcpFd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        fd = tcpFd;
        request = "\x02";
    }
    QTRY_VERIFY_WITH_TIMEOUT(link->linesUsed() > 0, 30000);

    qint64 lastAnswerMs = -1;
    qint64 markedMs = -1;
    connect(link, &cAxisInterface::UpdateAxesDisplay, [&] { lastAnswerMs = ManageSerialPort::monotonicMs(); });
    connect(link, &cAxisInterface::silenceChanged, [&](bool silent) {
        if (silent && markedMs < 0)
            markedMs = ManageSerialPort::monotonicMs();
    });
    // The longest time the program's thread did not get to its timers.
    qint64 lastTickMs = ManageSerialPort::monotonicMs();
    qint64 longestHoldMs = 0;
    QTimer ticks;
    connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = ManageSerialPort::monotonicMs();
        longestHoldMs = qMax(longestHoldMs, now - lastTickMs);
        lastTickMs = now;
    });
    ticks.start(20);

    const auto poll = [&](PollingHost &polling, int count) {
        std::atomic<bool> done{false};
        std::thread thread([&] {
            polling.run(fd, request, count, 100, 1000);
            done = true;
        });
        const auto joined = qScopeGuard([&] { thread.join(); });
        return QTest::qWaitFor([&] { return done.load(); }, 30000);
    };

    QTRY_VERIFY_WITH_TIMEOUT(lastAnswerMs >= 0, 5000);
    f.board.setAutoAnswer(false);
    PollingHost stopped;
    QVERIFY(poll(stopped, 25));
    const qint64 lastSentMs = stopped.sentMs.back();
    QVERIFY2(markedMs >= 0, "read-outs never marked while the host polled");
    QVERIFY2(markedMs - lastAnswerMs < 1500,
             qPrintable(QString("marked %1 ms after the last answer").arg(markedMs - lastAnswerMs)));
    QVERIFY2(longestHoldMs < 500, qPrintable(QString("program held for %1 ms").arg(longestHoldMs)));
    int refusals = 0;
    for (size_t i = 0; i < stopped.replies.size(); ++i) {
        const PollingHost::Reply &reply = stopped.replies[i];
        const qint64 late = reply.atMs - lastSentMs;
        QVERIFY2(late < 500, qPrintable(QString("reply %1 came %2 ms after the last request").arg(i).arg(late)));
        if (reply.bytes == "\x15" "7") {
            ++refusals;
            continue;
        }
        // Values go out only while the board's last answer is recent.
        QVERIFY2(reply.atMs <= markedMs, qPrintable(QString("values in reply %1 after the marking").arg(i)));
    }
    if (!tcp) {
        // One reply to each request, each soon after it.
        QCOMPARE(int(stopped.replies.size()), 25);
        for (size_t i = 0; i < stopped.replies.size(); ++i) {
            const qint64 delay = stopped.replies[i].atMs - stopped.sentMs[i];
            QVERIFY2(delay < 500, qPrintable(QString("reply %1 came after %2 ms").arg(i).arg(delay)));
        }
        QVERIFY(refusals >= 10);
    }

    // Answered again as soon as the board answers.
    f.board.setAutoAnswer(true);
    QTRY_VERIFY_WITH_TIMEOUT(!link->isSilent() && lastAnswerMs > markedMs, 5000);
    PollingHost answering;
    QVERIFY(poll(answering, 3));
    QCOMPARE(int(answering.replies.size()), 3);
    for (size_t i = 0; i < answering.replies.size(); ++i) {
        QVERIFY2(!answering.replies[i].bytes.startsWith('\x15'), answering.replies[i].bytes.constData());
        QVERIFY(answering.replies[i].atMs - answering.sentMs[i] < 500);
    }
}

void TestAxb::answeringBoardUnderPulses_data()
{
    QTest::addColumn<int>("interval");
    QTest::newRow("request-answer board") << 0;
    QTest::newRow("free-running board") << 50;
}

// Output pulses back to back and other work hold the program's thread for
// more than the silence time, while the board answers every request: the
// answers that wait meanwhile are read before any verdict, never a silence.
void TestAxb::answeringBoardUnderPulses()
{
    QFETCH(int, interval);
    Fixture f({interval, true});
    cAxisInterface *link = f.start();
    QTRY_VERIFY_WITH_TIMEOUT(link->linesUsed() > 0, 30000);
    QSignalSpy changes(link, &cAxisInterface::silenceChanged);
    int batches = 0;
    QTimer work;
    connect(&work, &QTimer::timeout, link, [&] {
        for (int i = 0; i < 5; ++i)
            link->PressBrakeButton();
        QThread::msleep(150);
        ++batches;
    });
    work.start(0);
    QTRY_VERIFY_WITH_TIMEOUT(batches >= 4 || !changes.isEmpty(), 30000);
    work.stop();
    QCOMPARE(changes.count(), 0);
}

void TestAxb::simulatorChannel_data()
{
    QTest::addColumn<QString>("first"); // a simulator started there before: "runs", "ended" or none
    QTest::addColumn<int>("folderNameLength");
    QTest::newRow("a simulator already runs in the folder") << "runs" << 4;
    QTest::newRow("the one that ran there ended, its socket file left") << "ended" << 4;
    QTest::newRow("the folder's socket path too long") << "" << 120;
}

// A simulator started without a name takes the socket file of its folder,
// never one another simulator still takes moves through: only a stale one.
void TestAxb::simulatorChannel()
{
    QFETCH(QString, first);
    QFETCH(int, folderNameLength);
    const bool starts = first == "ended";
    const QString program = TestWorkDir::builtProgram("axb-sim");
    QVERIFY2(!program.isEmpty(), "axb-sim not built");
    TestWorkDir wd;
    const QString folder = wd.filePath(QString(folderNameLength, 'f'));
    QVERIFY(QDir().mkpath(folder));
    QProcess before;
    before.setWorkingDirectory(folder);
    if (!first.isEmpty()) {
        before.start(program, {"--drift", "0"});
        QTRY_VERIFY_WITH_TIMEOUT(before.canReadLine(), 30000);
    }
    if (starts) {
        before.kill();
        QVERIFY(before.waitForFinished(30000));
        QVERIFY(QFile::exists(folder + "/axb-sim.socket"));
    }
    QProcess sim;
    sim.setWorkingDirectory(folder);
    sim.start(program, {"--drift", "0"});
    if (starts) {
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 30000);
        QProcess move;
        move.setWorkingDirectory(folder);
        move.start(program, {"--move", "X", "0.5"});
        QVERIFY(move.waitForFinished(30000));
        QCOMPARE(move.readAllStandardOutput().trimmed(), QByteArray("X 26500 Z 98000"));
        sim.terminate();
    }
    QVERIFY(sim.waitForFinished(30000));
    if (!starts) {
        QCOMPARE(sim.exitCode(), 1);
        QCOMPARE(sim.readAllStandardOutput(), QByteArray());
    }
    before.terminate();
    before.waitForFinished(30000);
}

QTEST_GUILESS_MAIN(TestAxb)
#include "tst_axb.moc"
