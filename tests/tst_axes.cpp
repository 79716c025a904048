// Machine coordinates, incremental zeroes and camera-corrected readouts of the
// axis link.
#include "axis/cAxisInterface.h"
#include "camera/VideoDevice.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/AxbLinkFixture.h"

#include <QtTest>


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
    void incrementalC();
    void dxfReference_data();
    void dxfReference();
    void readoutText_data();
    void readoutText();
    void autoAngle_data();
    void autoAngle();
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
    CurrentMachine.Xref = xref;
    CurrentMachine.sysXref = sysX;
    CurrentMachine.reverseX = revX;
    CurrentMachine.Zref = zref;
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
    // The small lift before truncating only helps positive values.
    QTest::newRow("negative") << true << false << false << false << -3.25f << -3.2499f << -3.1499f << -3.2499f;
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
    CurrentMachine.Xref = 41000;
    CurrentMachine.sysXref = 77777;
    CurrentMachine.Zref = -3000;
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
    CurrentMachine.Xref = 50000;
    CurrentMachine.sysXref = 123450;
    CurrentMachine.reverseX = reverse;
    CurrentMachine.isRadius = radius;
    CurrentMachine.xIncr = incr;
    CurrentMachine.xIncrZero = 5000;
    CurrentMachine.Zref = 1000;
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

QTEST_GUILESS_MAIN(TestAxes)
#include "tst_axes.moc"
