#include <QComboBox>
#include <QDoubleSpinBox>
#include <QScrollBar>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "app/MainWindowForm.h"
#include "support/Screenshot.h"

// The form alone: places, pictures and texts that every later wiring relies on.
class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void fixedGeometry_data();
    void fixedGeometry();
    void slidingPanelsStartOffScreen_data();
    void slidingPanelsStartOffScreen();
    void buttonsShowIconsOnly();
    void twoStateIcons_data();
    void twoStateIcons();
    void styleSheetPicturesExist();
    void keyboardOffsets_data();
    void keyboardOffsets();
    void toolTips_data();
    void toolTips();
    void startStates();
    void screenshot();

private:
    QMainWindow *m_window = nullptr;
    Ui_MainWindow m_ui;
};

void TestMainForm::initTestCase()
{
    m_window = new QMainWindow;
    m_ui.setupUi(m_window);
    m_window->setFixedSize(1024, 768);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestMainForm::cleanupTestCase()
{
    delete m_window;
}

void TestMainForm::fixedGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("background") << "frmBackground" << QRect(0, 0, 1024, 768);
    QTest::newRow("axis") << "frmAxis" << QRect(59, 0, 581, 128);
    QTest::newRow("help") << "pbHelp" << QRect(0, 6, 51, 121);
    QTest::newRow("camera") << "frmCamera" << QRect(0, 128, 640, 640);
    QTest::newRow("version") << "lblVersion" << QRect(10, 209, 611, 71);
    QTest::newRow("rotated") << "frmRotated" << QRect(399, 140, 91, 88);
    QTest::newRow("rotated angle") << "pbSetRotatedAngle" << QRect(0, 0, 40, 40);
    QTest::newRow("rotation spin") << "sbRotateMeasLine" << QRect(2, 45, 85, 40);
    QTest::newRow("clock") << "lblDateTime" << QRect(640, 10, 291, 31);
    QTest::newRow("configure") << "tbConfigure" << QRect(910, 0, 101, 51);
    QTest::newRow("machine set") << "frmMacSet" << QRect(640, 30, 371, 111);
    QTest::newRow("machine list") << "tbMachineList" << QRect(0, 4, 71, 60);
    QTest::newRow("machine combo") << "cmbMachine" << QRect(75, 21, 295, 35);
    QTest::newRow("table list") << "tbSetList" << QRect(5, 66, 60, 41);
    QTest::newRow("table name") << "leToolset" << QRect(75, 66, 295, 35);
    QTest::newRow("camera bar") << "layoutWidget" << QRect(640, 130, 381, 72);
    QTest::newRow("run-out panel") << "frmBottom1" << QRect(700, 250, 270, 390);
    QTest::newRow("stop run-out") << "tbStopRunOut" << QRect(200, 320, 70, 70);
    QTest::newRow("index") << "tbIndex" << QRect(635, 700, 70, 70);
    QTest::newRow("brake") << "tbBrake" << QRect(705, 700, 70, 70);
    QTest::newRow("clamp") << "frmClamp" << QRect(775, 710, 114, 73);
    QTest::newRow("clamp picture") << "lblClamp" << QRect(3, 2, 110, 59);
    QTest::newRow("run-out") << "tbTestRnOut" << QRect(895, 696, 70, 70);
    QTest::newRow("stand-by") << "tbStandBy" << QRect(970, 715, 50, 50);
    QTest::newRow("set X exit") << "tbExitSetX" << QRect(340, 50, 70, 70);
    QTest::newRow("set X confirm") << "tbSetX" << QRect(270, 50, 70, 70);
    QTest::newRow("set X field") << "leSetX" << QRect(80, 70, 175, 30);
    QTest::newRow("circle bar") << "sbCircle" << QRect(120, 56, 218, 20);
    QTest::newRow("angle field") << "leAngleA" << QRect(165, 82, 120, 30);
    QTest::newRow("gauge field") << "leGauge" << QRect(100, 70, 171, 30);
    QTest::newRow("input line") << "leInputBox" << QRect(50, 70, 221, 30);
    QTest::newRow("input combo") << "cmbInputBox" << QRect(50, 70, 221, 31);
    QTest::newRow("index plus") << "tbIndexPlus" << QRect(287, 60, 60, 50);
    QTest::newRow("light bar") << "sbLight" << QRect(17, 61, 20, 218);
    QTest::newRow("5 point circle") << "tbCamRadius5Point" << QRect(140, 196, 70, 70);
    QTest::newRow("camera exit") << "tbExitCamera" << QRect(140, 300, 70, 70);
    QTest::newRow("label print") << "tbLabelPrint" << QRect(20, 420, 70, 70);
    QTest::newRow("label dnc") << "tbDnc" << QRect(150, 420, 70, 70);
    QTest::newRow("label clear") << "tbClearLabel" << QRect(290, 420, 70, 70);
    QTest::newRow("label radius mode") << "tbLblRadDia" << QRect(100, 150, 50, 50);
}

void TestMainForm::fixedGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    auto *w = m_window->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->geometry(), geometry);
}

void TestMainForm::slidingPanelsStartOffScreen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("setX") << "frmSetX" << QRect(1060, 0, 410, 120);
    QTest::newRow("setZ") << "frmSetZ" << QRect(1030, 240, 410, 120);
    QTest::newRow("setC") << "frmSetC" << QRect(1040, 120, 410, 120);
    QTest::newRow("setColor") << "frmSetColor" << QRect(1050, 340, 410, 120);
    QTest::newRow("setCircle") << "frmSetCircle" << QRect(1030, 460, 410, 120);
    QTest::newRow("setAngle") << "frmSetAngle" << QRect(1040, 570, 410, 120);
    QTest::newRow("setPoint2P") << "frmSetPoint2P" << QRect(1050, 690, 410, 120);
    QTest::newRow("getCircle5P") << "frmSetPoint5P" << QRect(780, 780, 410, 120);
    QTest::newRow("getCircle") << "frmGetRadius" << QRect(780, 909, 410, 120);
    QTest::newRow("getAngle") << "frmGetAngle" << QRect(780, 1040, 410, 120);
    QTest::newRow("getReference") << "frmGetReference" << QRect(1470, 210, 410, 120);
    QTest::newRow("inputBox") << "frmInputBox" << QRect(1490, 370, 410, 120);
    QTest::newRow("index") << "frmIndex" << QRect(1290, 860, 410, 120);
    QTest::newRow("inspectionLight") << "frmSetLight" << QRect(1210, 870, 52, 290);
    QTest::newRow("cameraPanel") << "frmBottom2" << QRect(80, 790, 211, 390);
    QTest::newRow("labelPrint") << "frmLabelPrint" << QRect(430, 770, 375, 500);
}

void TestMainForm::slidingPanelsStartOffScreen()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    auto *w = m_window->findChild<QFrame *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->parentWidget(), m_ui.centralwidget);
    QCOMPARE(w->geometry(), geometry);
    QVERIFY(!w->geometry().intersects(QRect(0, 0, 1024, 768)));
}

void TestMainForm::buttonsShowIconsOnly()
{
    const auto buttons = m_window->findChildren<QPushButton *>();
    QVERIFY(buttons.size() > 60);
    for (QPushButton *b : buttons) {
        QVERIFY2(b->text().isEmpty(), qPrintable(b->objectName()));
        const QList<QSize> sizes = b->icon().availableSizes();
        QVERIFY2(!sizes.isEmpty(), qPrintable(b->objectName() + " has no picture"));
        QVERIFY2(!b->icon().pixmap(b->iconSize()).isNull(), qPrintable(b->objectName()));
    }
}

void TestMainForm::twoStateIcons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("twoStates");
    QTest::newRow("lock X") << "tbLockX" << true;
    QTest::newRow("abs/incr X") << "tbAIX" << true;
    QTest::newRow("abs/incr C") << "tbAIC" << true;
    QTest::newRow("rad/dia") << "tbRadDia" << true;
    QTest::newRow("rotated") << "tbRotated" << true;
    QTest::newRow("alternative angle") << "pbAlternativeAngle" << true;
    QTest::newRow("digital") << "tbDgt" << true;
    QTest::newRow("label rad/dia") << "tbLblRadDia" << true;
    QTest::newRow("camera") << "tbCamera" << false;
    QTest::newRow("help") << "pbHelp" << false;
}

void TestMainForm::twoStateIcons()
{
    QFETCH(QString, name);
    QFETCH(bool, twoStates);
    auto *b = m_window->findChild<QPushButton *>(name);
    QVERIFY(b);
    const QSize s = b->iconSize();
    const QImage off = b->icon().pixmap(s, QIcon::Normal, QIcon::Off).toImage();
    const QImage on = b->icon().pixmap(s, QIcon::Normal, QIcon::On).toImage();
    QCOMPARE(off != on, twoStates);
}

void TestMainForm::styleSheetPicturesExist()
{
    QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
    auto it = url.globalMatch(QString::fromLatin1(Ui_MainWindow::styleSheet()));
    int count = 0;
    while (it.hasNext()) {
        const QString file = it.next().captured(1);
        QVERIFY2(QFile::exists(file), qPrintable(file));
        ++count;
    }
    QCOMPARE(count, 14);
    // Picture labels show their pictures.
    for (const char *name : {"lblClamp", "SpindleOK", "lblReferenceType", "lblGauge", "lblInputBoxPic", "label"}) {
        auto *l = m_window->findChild<QLabel *>(QLatin1String(name));
        QVERIFY2(l && l->pixmap() && !l->pixmap()->isNull(), name);
    }
    QVERIFY(QFile::exists(QStringLiteral(":/img/Logo.png")));
    QVERIFY(!m_window->windowIcon().isNull());
}

void TestMainForm::keyboardOffsets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("offset");
    QTest::newRow("table name") << "leToolset" << 50;
    QTest::newRow("set X") << "leSetX" << 50;
    QTest::newRow("set Z") << "leSetZ" << 50;
    QTest::newRow("set C") << "leSetC" << 50;
    QTest::newRow("circle") << "leCircleR" << -50;
    QTest::newRow("angle") << "leAngleA" << -50;
    QTest::newRow("gauge") << "leGauge" << -50;
    QTest::newRow("input") << "leInputBox" << -50;
    QTest::newRow("label T") << "leLabelT" << -50;
    QTest::newRow("label radius") << "leRadLabel" << -50;
}

void TestMainForm::keyboardOffsets()
{
    QFETCH(QString, name);
    QFETCH(int, offset);
    auto *e = m_window->findChild<QLineEdit *>(name);
    QVERIFY(e);
    QVERIFY(e->property("KbYOffset").isValid());
    QCOMPARE(e->property("KbYOffset").toInt(), offset);
}

void TestMainForm::toolTips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tip");
    QTest::newRow("stand-by") << "tbStandBy" << "exit";
    QTest::newRow("exit set X") << "tbExitSetX" << "close";
    QTest::newRow("start index") << "tbStartIndex" << "close";
    QTest::newRow("stop run-out") << "tbStopRunOut" << "close";
    QTest::newRow("confirm input") << "tbOkInputBox" << "confirm";
    QTest::newRow("confirm reference") << "tbOkGetReference" << "confirm";
    QTest::newRow("freeze") << "pbFreeze" << "Freeze measurement";
    QTest::newRow("abs/incr Z") << "tbAIZ" << "toggle Z absolute/incremental";
    QTest::newRow("type C") << "tbTypeC" << "set C axis value";
    QTest::newRow("dnc") << "tbDnc" << "fast label print";
    QTest::newRow("digital") << "tbDgt" << "toggle analog/digitale";
    QTest::newRow("inspection") << "tbInspection" << "inspection mode";
    QTest::newRow("light") << "sbLight" << "adjust inspection light";
}

void TestMainForm::toolTips()
{
    QFETCH(QString, name);
    QFETCH(QString, tip);
    auto *w = m_window->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->toolTip(), tip);
}

void TestMainForm::startStates()
{
    QVERIFY(m_ui.tbRetFix->isChecked());
    QVERIFY(m_ui.tbInsertRadius->isChecked());
    QVERIFY(m_ui.tbInsertAngle->isChecked());
    QVERIFY(m_ui.tbStopIndex->isChecked());
    QVERIFY(!m_ui.tbLblRadDia->isEnabled());
    QVERIFY(m_ui.leToolset->isReadOnly());
    QCOMPARE(m_ui.leInputBox->maxLength(), 20);
    QCOMPARE(m_ui.leLabelT->maxLength(), 10);
    QCOMPARE(m_ui.frmInputBox->property("InputBoxType").toInt(), 0);
    QCOMPARE(m_ui.frmCaxis->maximumHeight(), 40);
    QCOMPARE(m_ui.sbLight->value(), 127);
    QCOMPARE(m_ui.sbAngle->maximum(), 8990);
    QCOMPARE(m_ui.sbAngle->singleStep(), 10);
    QCOMPARE(m_ui.sbCircle->maximum(), 350);
    QCOMPARE(m_ui.sbRotateMeasLine->maximum(), 90.0);
    QCOMPARE(m_ui.sbRotateMeasLine->singleStep(), 0.1);
    QCOMPARE(m_ui.sbRotateMeasLine->suffix(), QString(QChar(0x00B0)));
    QCOMPARE(m_window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(m_window->centralWidget(), m_ui.centralwidget);
    // The fields start empty after the texts are set.
    QVERIFY(m_ui.leGauge->text().isEmpty());
    QCOMPARE(m_ui.lblX->text(), QStringLiteral("909.090"));
    QVERIFY(m_ui.lblX->alignment() & Qt::AlignRight);
}

void TestMainForm::screenshot()
{
    const QImage shot = m_window->grab().toImage();
    QCOMPARE(shot.size(), QSize(1024, 768));
    // The background is the dark grey of the fixed area; the screen is not blank.
    QCOMPARE(shot.pixelColor(600, 700), QColor(60, 60, 60));
    QVERIFY(saveScreenshot(shot, "mainform-start"));
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
