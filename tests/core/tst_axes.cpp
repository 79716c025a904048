// Machine coordinates, incremental zeroes and camera-corrected readouts of the
// axis link.
#include "axis/PositionFormat.h"
#include "axis/cAxisInterface.h"
#include "camera/VideoDevice.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/AxbLinkFixture.h"

#include <QtTest>

#include <climits>
#include <cmath>
#include <limits>

using Fixture = AxbLinkFixture;

namespace {
// A position line for raw counts (micrometres).
QString line(int rawX, int rawZ, int c = 0)
{
    return QString("X%1 Z%2 I128 O0 C%3\r").arg(rawX).arg(rawZ).arg(c);
}
} // namespace

class TestAxes : public QObject
{
    Q_OBJECT
private slots:
    void machineCoordinate_data();
    void machineCoordinate();
    void incrementalZero_data();
    void incrementalZero();
    void incrementalOffLeavesZero();
    void sumsBeyondTheIntRange_data();
    void sumsBeyondTheIntRange();
    void incrementalC();
    void dxfReference_data();
    void dxfReference();
    void readoutText_data();
    void readoutText();
    void edgeCorrection_data();
    void edgeCorrection();
    void incrementalWithEdge_data();
    void incrementalWithEdge();
    void foundGeometry_data();
    void foundGeometry();
    void availability_data();
    void availability();
    void autoAngle_data();
    void autoAngle();
    void positionLine_data();
    void positionLine();
};

// ---------------------------------------------------------------------------

void TestAxes::machineCoordinate_data()
{
    QTest::addColumn<int>("xref");
    QTest::addColumn<int>("sysX");
    QTest::addColumn<bool>("revX");
    QTest::addColumn<int>("zref");
    QTest::addColumn<int>("sysZ");
    QTest::addColumn<bool>("revZ");
    QTest::addColumn<bool>("radius");
    QTest::addColumn<bool>("swap");
    QTest::addColumn<int>("counts");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("z");

    QTest::newRow("radius") << 50000 << 123456 << false << 0 << 0 << false << true << false << 223456 << 60.0f << 22.3456f;
    QTest::newRow("diameter") << 50000 << 123456 << false << 0 << 0 << false << false << false << 223456 << 120.0f << 22.3456f;
    QTest::newRow("reversed X") << 50000 << 123456 << true << 0 << 0 << false << true << false << 223456 << 40.0f << 22.3456f;
    QTest::newRow("reversed diameter") << 50000 << 123456 << true << 0 << 0 << false << false << false << 223456 << 80.0f << 22.3456f;
    QTest::newRow("Z set") << 0 << 0 << false << 2000 << 500 << false << true << false << 10500 << 1.05f << 3.0f;
    QTest::newRow("reversed Z, never doubled") << 0 << 0 << false << 2000 << 500 << true << false << false << 10500 << 2.1f << 1.0f;
    // Swapped: the machine X computes with the Z set, the machine Z with the X set.
    QTest::newRow("swap") << 50000 << 123456 << false << 2000 << 500 << false << true << true << 223456 << 24.2956f << 60.0f;
    QTest::newRow("swap, diameter, reversed Z") << 50000 << 123456 << false << 2000 << 500 << true << false << true
                                                << 10500 << 2.0f << 38.7044f;
    QTest::newRow("below the reference") << 1000 << 100000 << false << 0 << 0 << false << true << false << 0 << -9.0f << 0.0f;
}

void TestAxes::machineCoordinate()
{
    QFETCH(int, xref);
    QFETCH(int, sysX);
    QFETCH(bool, revX);
    QFETCH(int, zref);
    QFETCH(int, sysZ);
    QFETCH(bool, revZ);
    QFETCH(bool, radius);
    QFETCH(bool, swap);
    QFETCH(int, counts);
    QFETCH(float, x);
    QFETCH(float, z);
    Fixture f;
    CurrentMachine.Xref = RefLength::ofMicrometres(xref);
    CurrentMachine.sysXref = sysX;
    CurrentMachine.reverseX = revX;
    CurrentMachine.Zref = RefLength::ofMicrometres(zref);
    CurrentMachine.sysZref = sysZ;
    CurrentMachine.reverseZ = revZ;
    CurrentMachine.isRadius = radius;
    CurrentMachine.swapXZ = swap;
    cAxisInterface *link = f.start();
    QCOMPARE(link->convX_2_MacCoord(counts), x);
    QCOMPARE(link->convZ_2_MacCoord(counts), z);
}

// ---------------------------------------------------------------------------

void TestAxes::incrementalZero_data()
{
    QTest::addColumn<bool>("mm");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<bool>("swap");
    QTest::addColumn<bool>("zAxis");   // SetIncrementalZ instead of X
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("machineNow");    // machine coordinate of the set axis
    QTest::addColumn<float>("machineMoved");  // after 100 um more on that channel
    QTest::addColumn<float>("readNow");       // ReadX / ReadZ of the set axis

    QTest::newRow("mm") << true << false << false << false << 12.5f << 12.5f << 12.6f << 12.5f;
    QTest::newRow("mm reversed") << true << true << false << false << 12.5f << 12.5f << 12.4f << 12.5f;
    QTest::newRow("inch") << false << false << false << false << 1.0f << 25.4f << 25.5f << 1.0f;
    QTest::newRow("inch reversed") << false << true << false << false << 1.0f << 25.4f << 25.3f << 1.0f;
    // To the nearest tenth of a micrometre, negative values as exactly as positive ones.
    QTest::newRow("negative") << true << false << false << false << -3.25f << -3.25f << -3.15f << -3.25f;
    QTest::newRow("Z") << true << false << false << true << 100.0f << 100.0f << 100.1f << 100.0f;
    QTest::newRow("Z reversed") << true << true << false << true << 0.0f << 0.0f << -0.1f << 0.0f;
    QTest::newRow("Z inch") << false << false << false << true << 2.0f << 50.8f << 50.9f << 2.0f;
    // Swapped axes: the X set belongs to the machine Z, fed from the board's X channel.
    QTest::newRow("X set, swapped") << true << false << true << false << 7.0f << 7.0f << 7.1f << 7.0f;
    QTest::newRow("Z set, swapped") << true << false << true << true << 1.5f << 1.5f << 1.6f << 1.5f;
}

void TestAxes::incrementalZero()
{
    QFETCH(bool, mm);
    QFETCH(bool, reverse);
    QFETCH(bool, swap);
    QFETCH(bool, zAxis);
    QFETCH(float, value);
    QFETCH(float, machineNow);
    QFETCH(float, machineMoved);
    QFETCH(float, readNow);
    Fixture f;
    CurrentMachine.IsMM = mm;
    CurrentMachine.swapXZ = swap;
    CurrentMachine.Xref = RefLength::ofMicrometres(41000);
    CurrentMachine.sysXref = 77777;
    CurrentMachine.Zref = RefLength::ofMicrometres(-3000);
    CurrentMachine.sysZref = 1234;
    (zAxis ? CurrentMachine.reverseZ : CurrentMachine.reverseX) = reverse;
    cAxisInterface *link = f.start();

    const int rawX = 22345, rawZ = -8765;
    link->ReceivedString(line(rawX, rawZ));
    if (zAxis)
        link->SetIncrementalZ(true, value);
    else
        link->SetIncrementalX(true, value);
    QCOMPARE(zAxis ? link->isZIncr() : link->isXIncr(), true);
    QCOMPARE(zAxis ? link->isXIncr() : link->isZIncr(), false);

    // The set belongs to the machine X unless swapped (X set) or the Z set unswapped.
    const bool machineX = zAxis == swap;
    // The board channel of the set: X set -> X channel, Z set -> Z channel.
    const bool xChannel = !zAxis;
    link->ReceivedString(line(rawX, rawZ));
    QCOMPARE(machineX ? link->GetX_CameraRef() : link->GetZ_CameraRef(), machineNow);
    QCOMPARE(machineX ? link->ReadX() : link->ReadZ(), readNow);

    link->ReceivedString(line(rawX + (xChannel ? 100 : 0), rawZ + (xChannel ? 0 : 100)));
    QCOMPARE(machineX ? link->GetX_CameraRef() : link->GetZ_CameraRef(), machineMoved);
}

// References, counts and zeroes each fit an int, their sums need not.
void TestAxes::sumsBeyondTheIntRange_data()
{
    QTest::addColumn<int>("xref");
    QTest::addColumn<int>("sysX");
    QTest::addColumn<QString>("line");
    QTest::addColumn<float>("typed");      // SetIncrementalX value
    QTest::addColumn<float>("machineX");
    QTest::addColumn<double>("dxfX");
    QTest::addColumn<int>("incrZero");
    QTest::newRow("top count, negative machine reference")
        << 0 << -2000 << "X214748364 Z0 I128 O0\r" << 0.0f << 214748.564f << 214748.564 << INT_MAX;
    QTest::newRow("reference times ten") << 300000000 << 0 << "X0 Z0 I128 O0\r" << 0.0f << 300000.0f << 300000.0
                                         << INT_MAX;
    QTest::newRow("typed value beyond the range") << 0 << 0 << "X0 Z0 I128 O0\r" << 1e30f << 0.0f << 0.0
                                                  << -INT_MAX;
}

void TestAxes::sumsBeyondTheIntRange()
{
    QFETCH(int, xref);
    QFETCH(int, sysX);
    QFETCH(QString, line);
    QFETCH(float, typed);
    QFETCH(float, machineX);
    QFETCH(double, dxfX);
    QFETCH(int, incrZero);
    Fixture f;
    CurrentMachine.Xref = RefLength::ofMicrometres(xref);
    CurrentMachine.sysXref = sysX;
    cAxisInterface *link = f.start();
    link->ReceivedString(line);
    QCOMPARE(link->GetX_CameraRef(), machineX);
    QCOMPARE(link->GetX_DXFref(), dxfX);
    link->SetIncrementalX(true, typed);
    QCOMPARE(CurrentMachine.xIncrZero, incrZero);
}

void TestAxes::incrementalOffLeavesZero()
{
    Fixture f;
    cAxisInterface *link = f.start();
    link->ReceivedString(line(5000, 6000));
    link->SetIncrementalX(true, 1.0f);
    link->SetIncrementalZ(true, 2.0f);
    const int xZero = CurrentMachine.xIncrZero;
    const int zZero = CurrentMachine.zIncrZero;
    QCOMPARE(xZero, 50000 - 10000);
    QCOMPARE(zZero, 60000 - 20000);
    link->ReceivedString(line(9000, 9000));
    link->SetIncrementalX(false, 33.0f);
    link->SetIncrementalZ(false, 44.0f);
    QVERIFY(!link->isXIncr());
    QVERIFY(!link->isZIncr());
    QCOMPARE(CurrentMachine.xIncrZero, xZero);
    QCOMPARE(CurrentMachine.zIncrZero, zZero);
    link->ReceivedString(line(9000, 9000));
    QCOMPARE(link->GetX_CameraRef(), 9.0f);
    QCOMPARE(link->GetZ_CameraRef(), 9.0f);
}

void TestAxes::incrementalC()
{
    Fixture f;
    MachineSettings.hasCAxis = true;
    MachineSettings.pulseRevC = 1000;
    cAxisInterface *link = f.start();
    link->ReceivedString(line(0, 0, 250));
    QCOMPARE(link->ReadC(), 90.0f);
    link->SetIncrementalC(true, 0.0f);
    QVERIFY(link->isCIncr());
    QCOMPARE(CurrentMachine.cIncrOffset, 90.0f);
    link->ReceivedString(line(0, 0, 250));
    QCOMPARE(link->ReadC(), 0.0f);
    link->ReceivedString(line(0, 0, 300));
    QCOMPARE(link->ReadC(), 18.0f);
    link->ReceivedString(line(0, 0, 200));
    QCOMPARE(link->ReadC(), -18.0f);
    QCOMPARE(link->ReadCString(), QString("-18.00"));
    // A typed value: the standing axis reads it.
    link->SetIncrementalC(true, 45.5f);
    link->ReceivedString(line(0, 0, 200));
    QCOMPARE(link->ReadC(), 45.5f);
    // Off: the offset is still placed, the angle is absolute again.
    link->SetIncrementalC(false, 10.0f);
    QCOMPARE(CurrentMachine.cIncrOffset, 62.0f);
    link->ReceivedString(line(0, 0, 200));
    QCOMPARE(link->ReadC(), 72.0f);
}

// ---------------------------------------------------------------------------

void TestAxes::dxfReference_data()
{
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<bool>("radius");
    QTest::addColumn<bool>("incr");
    QTest::addColumn<double>("x");
    QTest::newRow("plain") << false << true << false << 60.0;
    QTest::newRow("never reversed") << true << true << false << 60.0;
    QTest::newRow("never doubled") << false << false << false << 60.0;
    QTest::newRow("incremental zero counts") << true << false << true << 60.0 - 0.5;
}

void TestAxes::dxfReference()
{
    QFETCH(bool, reverse);
    QFETCH(bool, radius);
    QFETCH(bool, incr);
    QFETCH(double, x);
    Fixture f;
    CurrentMachine.Xref = RefLength::ofMicrometres(50000);
    CurrentMachine.sysXref = 123450;
    CurrentMachine.reverseX = reverse;
    CurrentMachine.isRadius = radius;
    CurrentMachine.xIncr = incr;
    CurrentMachine.xIncrZero = 5000;
    CurrentMachine.Zref = RefLength::ofMicrometres(1000);
    CurrentMachine.sysZref = 30;
    cAxisInterface *link = f.start();
    link->ReceivedString(line(22345, 7));
    QCOMPARE(link->GetX_DXFref(), x);
    QCOMPARE(link->GetZ_DXFref(), 1.004);
}

// ---------------------------------------------------------------------------

void TestAxes::readoutText_data()
{
    QTest::addColumn<bool>("mm");
    QTest::addColumn<int>("mmDecimals");
    QTest::addColumn<int>("inchDecimals");
    QTest::addColumn<int>("rawX");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("z");
    QTest::newRow("mm, 3 decimals") << true << 3 << 4 << 12346 << "12.346" << "-1.000";
    QTest::newRow("mm, 1 decimal") << true << 1 << 4 << 12346 << "12.3" << "-1.0";
    QTest::newRow("inch, 4 decimals") << false << 3 << 4 << 25400 << "1.0000" << "-0.0394";
    QTest::newRow("inch, 5 decimals") << false << 3 << 5 << 12700 << "0.50000" << "-0.03937";
}

void TestAxes::readoutText()
{
    QFETCH(bool, mm);
    QFETCH(int, mmDecimals);
    QFETCH(int, inchDecimals);
    QFETCH(int, rawX);
    QFETCH(QString, x);
    QFETCH(QString, z);
    Fixture f;
    MachineSettings.mmDecimals = uchar(mmDecimals);
    MachineSettings.inchDecimals = uchar(inchDecimals);
    CurrentMachine.IsMM = mm;
    cAxisInterface *link = f.start();
    link->ReceivedString(line(rawX, -1000));
    QCOMPARE(link->ReadXString(), x);
    QCOMPARE(link->ReadZString(), z);
}

// ---------------------------------------------------------------------------
// Camera edges

namespace {
const float NO = std::numeric_limits<float>::quiet_NaN();
using Edges = QVector<float>;   // min X, max X, min Y, max Y in mm; NO = none

// Live edges as the capture thread leaves them: one profile holds them all.
void setLiveEdges(CVideoDevice &cam, const Edges &e)
{
    cam.profileCount = 1;
    for (int i = 0; i < 4; ++i) {
        const bool valid = !std::isnan(e.at(i));
        cam.extremeIndex[i] = valid ? 0 : CEdgeSearch::kNone;
        cam.profiles[0].ext[i].mm = valid ? e.at(i) : 0.0f;
        cam.profiles[0].ext[i].valid = valid;
    }
}

// Frozen edges: a frozen point of (0, 0) marks the value as never reached.
void setFrozenEdges(CVideoDevice &cam, const Edges &e)
{
    float *values[4] = {&cam.frozenMinX, &cam.frozenMaxX, &cam.frozenMinY, &cam.frozenMaxY};
    for (int i = 0; i < 4; ++i) {
        const bool valid = !std::isnan(e.at(i));
        cam.frozenPoint[i] = valid ? POINT{300 + i, 310 + i} : POINT{0, 0};
        *values[i] = valid ? e.at(i) : (i % 2 ? -999999.0f : 999999.0f);
    }
}

struct Machine
{
    bool swap = false;
    bool revX = false;
    bool revZ = false;
    bool radius = true;
    bool mm = true;
    // Makes this the current machine's set-up.
    void apply() const
    {
        CurrentMachine.swapXZ = swap;
        CurrentMachine.reverseX = revX;
        CurrentMachine.reverseZ = revZ;
        CurrentMachine.isRadius = radius;
        CurrentMachine.IsMM = mm;
    }
};
} // namespace
Q_DECLARE_METATYPE(Machine)

void TestAxes::edgeCorrection_data()
{
    QTest::addColumn<Machine>("machine");
    QTest::addColumn<bool>("lines");
    QTest::addColumn<float>("angle");
    QTest::addColumn<bool>("frozen");
    QTest::addColumn<Edges>("live");
    QTest::addColumn<Edges>("held");
    QTest::addColumn<float>("readX");
    QTest::addColumn<float>("readZ");

    // Machine X reads 10 mm and machine Z 5 mm (X -10 when reversed, 20 in diameter).
    const Machine plain;
    Machine swap; swap.swap = true;
    Machine diameter; diameter.radius = false;
    Machine revX; revX.revX = true;
    Machine revZ; revZ.revZ = true;
    Machine swapRevZ; swapRevZ.swap = true; swapRevZ.revZ = true;
    Machine inch; inch.mm = false;
    const Edges none{NO, NO, NO, NO};

    QTest::newRow("measure lines off") << plain << false << 0.0f << false << Edges{0.25f, NO, -0.5f, NO} << none << 10.0f << 5.0f;
    QTest::newRow("min X only") << plain << true << 0.0f << false << Edges{0.25f, NO, NO, NO} << none << 9.75f << 5.0f;
    QTest::newRow("min X and min Y") << plain << true << 0.0f << false << Edges{0.25f, NO, -0.5f, NO} << none << 9.75f << 5.5f;
    QTest::newRow("max X without min X") << plain << true << 0.0f << false << Edges{NO, -0.1f, NO, NO} << none << 10.1f << 5.0f;
    QTest::newRow("min X before max X") << plain << true << 0.0f << false << Edges{0.25f, -0.1f, NO, 0.3f} << none << 9.75f << 4.7f;
    // With swapped axes the Z read-out takes the X edge rightward, as a point
    // picked on that edge reads.
    QTest::newRow("swap: X takes the Y edge") << swap << true << 0.0f << false << Edges{0.25f, NO, -0.5f, NO} << none << 10.5f << 5.25f;
    QTest::newRow("swap: no X edge, no Y edge") << swap << true << 0.0f << false << Edges{NO, NO, -0.5f, NO} << none << 10.0f << 5.0f;
    QTest::newRow("swap: max X pairs with max Y") << swap << true << 0.0f << false << Edges{NO, -0.1f, -0.5f, 0.3f} << none << 9.7f << 4.9f;
    QTest::newRow("swap: max Y pairs with max X") << swap << true << 0.0f << false << Edges{0.25f, -0.1f, NO, 0.3f} << none << 9.7f << 4.9f;
    QTest::newRow("swap: max Y falls back to min X") << swap << true << 0.0f << false << Edges{0.25f, NO, NO, 0.3f} << none << 9.7f << 5.25f;
    QTest::newRow("diameter doubles the edge") << diameter << true << 0.0f << false << Edges{0.25f, NO, -0.5f, NO} << none << 19.5f << 5.5f;
    QTest::newRow("reversed X") << revX << true << 0.0f << false << Edges{0.25f, NO, -0.5f, NO} << none << -9.75f << 5.5f;
    QTest::newRow("reversed Z") << revZ << true << 0.0f << false << Edges{0.25f, NO, -0.5f, NO} << none << 9.75f << -5.5f;
    QTest::newRow("swap, reversed Z set") << swapRevZ << true << 0.0f << false << Edges{0.25f, NO, -0.5f, NO} << none << -10.5f << 5.25f;
    QTest::newRow("inch") << inch << true << 0.0f << false << Edges{0.25f, NO, -0.5f, NO} << none << float(9.75 / 25.4) << float(5.5 / 25.4);
    QTest::newRow("camera angle switches it off") << plain << true << 0.5f << false << Edges{0.25f, NO, -0.5f, NO} << none << 10.0f << 5.0f;
    QTest::newRow("camera angle, inch") << inch << true << -0.5f << false << Edges{0.25f, NO, -0.5f, NO} << none << float(10 / 25.4) << float(5 / 25.4);
    QTest::newRow("frozen values") << plain << true << 0.0f << true << Edges{0.25f, NO, -0.5f, NO} << Edges{0.4f, NO, -0.2f, NO} << 9.6f << 5.2f;
    QTest::newRow("frozen, nothing held") << plain << true << 0.0f << true << Edges{0.25f, NO, -0.5f, NO} << none << 10.0f << 5.0f;
    QTest::newRow("frozen max X held") << plain << true << 0.0f << true << Edges{0.25f, NO, NO, NO} << Edges{NO, 0.7f, NO, NO} << 9.3f << 5.0f;
}

void TestAxes::edgeCorrection()
{
    QFETCH(Machine, machine);
    QFETCH(bool, lines);
    QFETCH(float, angle);
    QFETCH(bool, frozen);
    QFETCH(Edges, live);
    QFETCH(Edges, held);
    QFETCH(float, readX);
    QFETCH(float, readZ);
    Fixture f;
    machine.apply();
    cAxisInterface *link = f.start();
    // Machine X 10 mm, machine Z 5 mm: swapped, the machine X comes from the Z channel.
    link->ReceivedString(machine.swap ? line(5000, 10000) : line(10000, 5000));

    CVideoDevice &cam = *f.camera;
    cam.setMeasureLines(lines);
    cam.cameraAngle = angle;
    setLiveEdges(cam, live);
    setFrozenEdges(cam, held);
    cam.frozen = frozen;
    cam.publishResult();   // as the end of a frame does
    QCOMPARE(link->ReadX(), readX);
    QCOMPARE(link->ReadZ(), readZ);
}

void TestAxes::incrementalWithEdge_data()
{
    QTest::addColumn<bool>("zAxis");
    QTest::addColumn<bool>("lines");
    QTest::addColumn<bool>("frozen");
    QTest::addColumn<Edges>("live");
    QTest::addColumn<Edges>("held");
    QTest::addColumn<float>("angle");     // the camera's
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("machine");   // machine coordinate of the axis afterwards

    const Edges none{NO, NO, NO, NO};
    QTest::newRow("X on min X edge") << false << true << false << Edges{0.25f, -0.1f, NO, NO} << none << 0.0f << 10.0f << 10.25f;
    QTest::newRow("X on max X edge") << false << true << false << Edges{NO, -0.1f, NO, NO} << none << 0.0f << 10.0f << 9.9f;
    QTest::newRow("X without edge") << false << true << false << none << none << 0.0f << 10.0f << 10.0f;
    QTest::newRow("X, measure lines off") << false << false << false << Edges{0.25f, NO, NO, NO} << none << 0.0f << 10.0f << 10.0f;
    QTest::newRow("X on the frozen edge") << false << true << true << Edges{0.25f, NO, NO, NO} << Edges{0.5f, NO, NO, NO} << 0.0f << 10.0f << 10.5f;
    // Frozen with nothing held the read-out adds no edge: neither does the zero.
    QTest::newRow("X frozen, not held: no edge") << false << true << true << Edges{0.25f, NO, NO, NO} << none << 0.0f << 10.0f << 10.0f;
    QTest::newRow("Z on min Y edge") << true << true << false << Edges{0.25f, NO, -0.5f, 0.3f} << none << 0.0f << 2.0f << 1.5f;
    QTest::newRow("Z on max Y edge") << true << true << false << Edges{0.25f, NO, NO, 0.3f} << none << 0.0f << 2.0f << 2.3f;
    // A turned camera's read-out adds no edge: neither does the zero.
    QTest::newRow("X, camera turned") << false << true << false << Edges{0.25f, NO, NO, NO} << none << 2.0f << 10.0f << 10.0f;
    QTest::newRow("Z, camera turned") << true << true << false << Edges{0.25f, NO, -0.5f, NO} << none << -0.5f << 2.0f << 2.0f;
    QTest::newRow("Z ignores X edges") << true << true << false << Edges{0.25f, 0.1f, NO, NO} << none << 0.0f << 2.0f << 2.0f;
}

void TestAxes::incrementalWithEdge()
{
    QFETCH(bool, zAxis);
    QFETCH(bool, lines);
    QFETCH(bool, frozen);
    QFETCH(Edges, live);
    QFETCH(Edges, held);
    QFETCH(float, angle);
    QFETCH(float, value);
    QFETCH(float, machine);
    Fixture f;
    CurrentMachine.Xref = RefLength::ofMicrometres(30000);
    CurrentMachine.Zref = RefLength::ofMicrometres(1000);
    cAxisInterface *link = f.start();
    link->ReceivedString(line(12345, 6789));
    CVideoDevice &cam = *f.camera;
    cam.setMeasureLines(lines);
    setLiveEdges(cam, live);
    setFrozenEdges(cam, held);
    cam.frozen = frozen;
    cam.cameraAngle = angle;
    cam.publishResult();   // as the end of a frame does
    if (zAxis)
        link->SetIncrementalZ(true, value);
    else
        link->SetIncrementalX(true, value);
    link->ReceivedString(line(12345, 6789));
    QCOMPARE(zAxis ? link->GetZ_CameraRef() : link->GetX_CameraRef(), machine);
    // The corrected readout shows the typed value, live or frozen.
    QCOMPARE(zAxis ? link->ReadZ() : link->ReadX(), value);
}

void TestAxes::foundGeometry_data()
{
    QTest::addColumn<Machine>("machine");
    QTest::addColumn<QPoint>("centre");      // frame pixels of the found circle
    QTest::addColumn<int>("radius");
    QTest::addColumn<QPoint>("crossing");    // pixels from the centre, upward
    QTest::addColumn<QStringList>("texts");  // centre X, centre Z, radius, crossing X, crossing Z

    const Machine plain;
    Machine swap; swap.swap = true;
    Machine diameter; diameter.radius = false;
    Machine revX; revX.revX = true;
    Machine swapRevZ; swapRevZ.swap = true; swapRevZ.revZ = true;
    Machine inch; inch.mm = false;
    const QPoint noPoint(-999999, -999999);

    QTest::newRow("circle") << plain << QPoint(300, 340) << 25 << noPoint
                            << QStringList{"10.200", "4.800", "0.250", "", ""};
    QTest::newRow("circle, swapped") << swap << QPoint(300, 340) << 25 << noPoint
                                     << QStringList{"9.800", "4.800", "0.250", "", ""};
    QTest::newRow("circle, diameter") << diameter << QPoint(300, 340) << 25 << noPoint
                                      << QStringList{"20.400", "4.800", "0.250", "", ""};
    QTest::newRow("circle, reversed X") << revX << QPoint(300, 340) << 25 << noPoint
                                        << QStringList{"-10.200", "4.800", "0.250", "", ""};
    QTest::newRow("circle, swapped, reversed Z") << swapRevZ << QPoint(300, 340) << 25 << noPoint
                                                 << QStringList{"-9.800", "4.800", "0.250", "", ""};
    QTest::newRow("circle, inch") << inch << QPoint(300, 340) << 127 << noPoint
                                  << QStringList{"0.4016", "0.1890", "0.0500", "", ""};
    QTest::newRow("no circle") << plain << noPoint << 0 << noPoint << QStringList{"", "", "", "", ""};
    QTest::newRow("crossing") << plain << noPoint << 0 << QPoint(40, -10)
                              << QStringList{"", "", "", "9.600", "4.900"};
    QTest::newRow("crossing, swapped") << swap << noPoint << 0 << QPoint(40, -10)
                                       << QStringList{"", "", "", "9.900", "5.400"};
    QTest::newRow("crossing at the centre") << plain << noPoint << 0 << QPoint(0, 0)
                                            << QStringList{"", "", "", "10.000", "5.000"};
    QTest::newRow("only one coordinate missing") << plain << QPoint(-999999, 320) << 3 << QPoint(5, -999999)
                                                 << QStringList{"10013.190", "5.000", "0.030", "9.950", "-9994.990"};
}

void TestAxes::foundGeometry()
{
    QFETCH(Machine, machine);
    QFETCH(QPoint, centre);
    QFETCH(int, radius);
    QFETCH(QPoint, crossing);
    QFETCH(QStringList, texts);
    Fixture f;
    machine.apply();
    cAxisInterface *link = f.start();
    // Machine X 10 mm (-10 reversed, 20 in diameter), machine Z 5 mm.
    link->ReceivedString(machine.swap ? line(5000, 10000) : line(10000, 5000));
    CVideoDevice &cam = *f.camera;
    cam.XCalibration = 0.01f;
    cam.ZCalibration = 0.5f;   // not used for found geometry
    cam.circleResult = {centre.x(), centre.y(), radius};
    cam.intersection = crossing;
    cam.publishResult();   // as the end of a frame does
    QCOMPARE(link->getCircleCenterX(), texts.at(0));
    QCOMPARE(link->getCircleCenterZ(), texts.at(1));
    QCOMPARE(link->getCircleRadius(), texts.at(2));
    QCOMPARE(link->getIntersectionX(), texts.at(3));
    QCOMPARE(link->getIntersectionZ(), texts.at(4));
}

void TestAxes::availability_data()
{
    QTest::addColumn<int>("geometry");
    QTest::addColumn<bool>("circle");
    QTest::addColumn<bool>("crossing");
    // circle radius, centre X, centre Z, crossing X, crossing Z: result and text
    QTest::addColumn<QList<bool>>("results");
    QTest::addColumn<QStringList>("texts");
    const QString u = "unchanged";
    QTest::newRow("nothing active") << 0 << true << true << QList<bool>{false, false, false, false, false}
                                    << QStringList{u, u, u, u, u};
    QTest::newRow("circle measure") << 2 << true << true << QList<bool>{true, true, true, false, false}
                                    << QStringList{"0.250", "10.200", "4.800", u, u};
    QTest::newRow("circle measure, none found") << 2 << false << true << QList<bool>{false, false, false, false, false}
                                                << QStringList{"", "", "", u, u};
    QTest::newRow("line measure") << 1 << true << true << QList<bool>{false, false, false, true, true}
                                  << QStringList{u, u, u, "9.600", "4.900"};
    QTest::newRow("line measure, none found") << 1 << true << false << QList<bool>{false, false, false, false, false}
                                              << QStringList{u, u, u, "", ""};
}

void TestAxes::availability()
{
    QFETCH(int, geometry);
    QFETCH(bool, circle);
    QFETCH(bool, crossing);
    QFETCH(QList<bool>, results);
    QFETCH(QStringList, texts);
    Fixture f;
    cAxisInterface *link = f.start();
    link->ReceivedString(line(10000, 5000));
    CVideoDevice &cam = *f.camera;
    cam.XCalibration = 0.01f;
    cam.circleResult = circle ? CircleResult{300, 340, 25} : CircleResult{-999999, -999999, 0};
    cam.intersection = crossing ? QPoint(40, -10) : QPoint(-999999, -999999);
    cam.publishResult();   // as the end of a frame does
    geometryActive = geometry;

    QStringList got{"unchanged", "unchanged", "unchanged", "unchanged", "unchanged"};
    QList<bool> res;
    res << link->hasAutoCircle(got[0]) << link->hasCenterX(got[1]) << link->hasCenterZ(got[2])
        << link->hasIntersectionX(got[3]) << link->hasIntersectionZ(got[4]);
    geometryActive = 0;
    QCOMPARE(res, results);
    QCOMPARE(got, texts);
}

void TestAxes::autoAngle_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("angleText");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("found") << true << "A 45.00" << true << "45.00";
    QTest::newRow("off") << false << "A 45.00" << false << "unchanged";
    QTest::newRow("nothing found") << true << "" << false << "";
    QTest::newRow("prefix only") << true << "A " << false << "";
}

void TestAxes::autoAngle()
{
    QFETCH(bool, on);
    QFETCH(QString, angleText);
    QFETCH(bool, result);
    QFETCH(QString, text);
    Fixture f;
    cAxisInterface *link = f.start();
    f.camera->autoAngle = on;
    link->autoAngleText = angleText;
    QString out = "unchanged";
    QCOMPARE(link->hasAutoAngle(out), result);
    QCOMPARE(out, text);
}

// The texts of a position line, as the serial line and the socket send it.
void TestAxes::positionLine_data()
{
    QTest::addColumn<bool>("mm");
    QTest::addColumn<bool>("radius");
    QTest::addColumn<bool>("xIncr");
    QTest::addColumn<bool>("zIncr");
    QTest::addColumn<bool>("trigger");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("request, mm radius") << true << true << false << false << false << QByteArray("mm 1.5 2.5 [A][A][M][R][N1]");
    QTest::newRow("trigger, mm radius") << true << true << false << false << true << QByteArray("mm 1.5 2.5 [A][A][M][R ][N1]");
    QTest::newRow("request, mm diameter") << true << false << false << false << false << QByteArray("mm 1.5 2.5 [A][A][M][D][N1]");
    QTest::newRow("trigger, mm diameter") << true << false << false << false << true << QByteArray("mm 1.5 2.5 [A][A][M][D ][N1]");
    QTest::newRow("request, inch radius") << false << true << false << false << false << QByteArray("in 1.5 2.5 [A][A][I][R][N1]");
    QTest::newRow("trigger, inch radius") << false << true << false << false << true << QByteArray("in 1.5 2.5 [A][A][I][R ][N1]");
    QTest::newRow("request, inch diameter") << false << false << false << false << false << QByteArray("in 1.5 2.5 [A][A][I][D][N1]");
    QTest::newRow("trigger, inch diameter") << false << false << false << false << true << QByteArray("in 1.5 2.5 [A][A][I][D][N1]");
    QTest::newRow("incremental X") << true << true << true << false << false << QByteArray("mm 1.5 2.5 [I][A][M][R][N1]");
    QTest::newRow("incremental Z") << true << true << false << true << true << QByteArray("mm 1.5 2.5 [A][I][M][R ][N1]");
}

void TestAxes::positionLine()
{
    QFETCH(bool, mm);
    QFETCH(bool, radius);
    QFETCH(bool, xIncr);
    QFETCH(bool, zIncr);
    QFETCH(bool, trigger);
    QFETCH(QByteArray, line);
    s_machine m;
    m.name = "N1";
    m.IsMM = mm;
    m.isRadius = radius;
    m.xIncr = xIncr;
    m.zIncr = zIncr;
    const auto occasion = trigger ? PositionFormat::Occasion::Trigger : PositionFormat::Occasion::Request;
    QCOMPARE(PositionFormat::line("mm %.1f %.1f [%s][%s][%s][%s][%s]", "in %.1f %.1f [%s][%s][%s][%s][%s]", 1.5, 2.5,
                                  m, occasion),
             line);
}

QTEST_GUILESS_MAIN(TestAxes)
#include "tst_axes.moc"
