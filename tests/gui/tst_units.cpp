#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QtTest>

#include "shared/SharedStruct.h"
#include "widgets/SharedWidgets.h"
#include "widgets/ToolTipFilter.h"
#include "support/TestWorkDir.h"

class TestUnits : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void xzValues_data();
    void xzValues();
    void lengthText_data();
    void lengthText();
    void angleText_data();
    void angleText();
    void picture_data();
    void picture();
    void toolTipsSwallowed();
};

void TestUnits::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestUnits::cleanup()
{
    CurrentMachine = s_machine();
    MachineSettings = s_MachineSettings();
}

void TestUnits::xzValues_data()
{
    QTest::addColumn<bool>("isRadius");
    QTest::addColumn<bool>("isMM");
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("z");
    QTest::newRow("radius mm") << true << true << 10.f << 10.f << 10.f;
    QTest::newRow("diameter mm") << false << true << 10.f << 20.f << 10.f;
    QTest::newRow("radius inch") << true << false << 25.4f << 1.f << 1.f;
    QTest::newRow("diameter inch") << false << false << 10.f << 0.787402f << 0.393701f;
    QTest::newRow("diameter mm negative") << false << true << -1.25f << -2.5f << -1.25f;
    QTest::newRow("zero") << false << false << 0.f << 0.f << 0.f;
}

void TestUnits::xzValues()
{
    QFETCH(bool, isRadius);
    QFETCH(bool, isMM);
    QFETCH(float, value);
    QFETCH(float, x);
    QFETCH(float, z);
    CurrentMachine.isRadius = isRadius;
    CurrentMachine.IsMM = isMM;
    // The stored mode does not matter, only the one shown now.
    CurrentMachine.isRadiusStored = !isRadius;
    QVERIFY2(qAbs(XVal(value) - x) < 1e-5f, qPrintable(QString::number(XVal(value), 'g', 9)));
    QVERIFY2(qAbs(ZVal(value) - z) < 1e-5f, qPrintable(QString::number(ZVal(value), 'g', 9)));
}

void TestUnits::lengthText_data()
{
    QTest::addColumn<int>("mmDecimals");
    QTest::addColumn<int>("inchDecimals");
    QTest::addColumn<float>("value");
    QTest::addColumn<bool>("isMM");
    QTest::addColumn<QString>("expected");
    QTest::newRow("mm 3") << 3 << 4 << 1.23456f << true << "1.235";
    QTest::newRow("inch 4") << 3 << 4 << 1.23456f << false << "1.2346";
    QTest::newRow("mm 1") << 1 << 4 << 1.23456f << true << "1.2";
    QTest::newRow("inch 5") << 3 << 5 << 0.787402f << false << "0.78740";
    QTest::newRow("inch 1") << 3 << 1 << 2.f << false << "2.0";
    QTest::newRow("mm 2 negative") << 2 << 4 << -0.5f << true << "-0.50";
    QTest::newRow("no group separator") << 3 << 4 << 12345.5f << true << "12345.500";
    QTest::newRow("unit flag, not machine") << 2 << 5 << 3.f << false << "3.00000";
}

void TestUnits::lengthText()
{
    QFETCH(int, mmDecimals);
    QFETCH(int, inchDecimals);
    QFETCH(float, value);
    QFETCH(bool, isMM);
    QFETCH(QString, expected);
    MachineSettings.mmDecimals = quint8(mmDecimals);
    MachineSettings.inchDecimals = quint8(inchDecimals);
    CurrentMachine.IsMM = !isMM;
    QCOMPARE(MPrn(value, isMM), expected);
}

void TestUnits::angleText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("right angle") << 90.f << "90.00";
    QTest::newRow("rounded") << 45.678f << "45.68";
    QTest::newRow("negative") << -179.999f << "-180.00";
    QTest::newRow("small") << 0.004f << "0.00";
}

void TestUnits::angleText()
{
    QFETCH(float, value);
    QFETCH(QString, expected);
    MachineSettings.mmDecimals = 1;
    QCOMPARE(APrn(value), expected);
}

void TestUnits::picture_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("picture"); // size of the file written; empty: none
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QRect>("expected"); // label geometry; empty: hidden
    QTest::newRow("wide picture") << "a.png" << QSize(200, 100) << QRect(10, 20, 100, 100) << QRect(10, 45, 100, 50);
    QTest::newRow("tall picture") << "a.png" << QSize(50, 100) << QRect(0, 0, 300, 200) << QRect(100, 0, 100, 200);
    QTest::newRow("missing file") << "b.png" << QSize() << QRect(0, 0, 100, 100) << QRect();
    QTest::newRow("no file name") << "" << QSize() << QRect(0, 0, 100, 100) << QRect();
}

void TestUnits::picture()
{
    QFETCH(QString, file);
    QFETCH(QSize, picture);
    QFETCH(QRect, rect);
    QFETCH(QRect, expected);
    TestWorkDir wd;
    if (picture.isValid()) {
        QImage img(picture, QImage::Format_RGB32);
        img.fill(Qt::red);
        QVERIFY(img.save(wd.filePath(file)));
    }
    QWidget top;
    top.resize(400, 400);
    QLabel *label = new QLabel(&top);
    top.show();
    label->show();
    PicUpdate(file, wd.path(), label, rect);
    QCOMPARE(label->isVisible(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(label->geometry(), expected);
}

void TestUnits::toolTipsSwallowed()
{
    ToolTipFilter filter;
    QObject target;
    QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QEvent other(QEvent::MouseButtonPress);
    QCOMPARE(filter.eventFilter(&target, &tip), true);
    QCOMPARE(filter.eventFilter(&target, &other), false);
}

QTEST_MAIN(TestUnits)
#include "tst_units.moc"
