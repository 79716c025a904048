#include <QtTest>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>

#include <memory>

#include "app/LabelPrinter.h"
#include "app/MainWindowForm.h"
#include "app/mainwindow.h"
#include "axis/cAxisInterface.h"
#include "camera/VideoCollector.h"
#include "camera/VideoDevice.h"
#include "shared/App.h"
#include "shared/FatalExit.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "support/FakeSpooler.h"
#include "support/MainWindowFixture.h"
#include "support/RecordingPaintDevice.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"
#include "tooling/ctoolset.h"

namespace {

const QByteArray kReady = "LabelWriter-450 is ready\nno entries\n";

QString mw(const char *text) { return QCoreApplication::translate("MainWindow", text); }

}

class TestLabelPanel : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void takeMeasure_data();
    void takeMeasure();
    void clearButton();
    void angleButton_data();
    void angleButton();
    void radiusButton_data();
    void radiusButton();
    void printFromPanel_data();
    void printFromPanel();
    void printFromToolsetEditor();
    void noDefaultPrinter();
    void filledPanelScreenshot();

private:
    void build();
    void fill();
    QStringList fields() const;

    std::shared_ptr<RecordingPaintDevice> m_printer;
};

void TestLabelPanel::initTestCase()
{
    // No real print queue may be reached from here.
    qputenv("CUPS_SERVER", QByteArray(QDir::tempPath().toLocal8Bit() + "/no-such-spooler.sock"));
    m_failOnFatalExit = true;
    setUpWindowCase();
}

void TestLabelPanel::cleanupTestCase()
{
    LabelPrinter::setPrinterSource({});
    tearDownWindowCase();
}

void TestLabelPanel::init()
{
    setUpWindow();
    m_board->line = "X12345 Z67890 I0 O0\r";
    m_printer = std::make_shared<RecordingPaintDevice>();
    LabelPrinter::setPrinterSource([this]() { return m_printer; });
}

void TestLabelPanel::cleanup()
{
    tearDownWindow();
    LabelPrinter::setPrinterSource({});
}

void TestLabelPanel::build()
{
    writeSettings({{"/camera/XCalibration", 0.01},
                   {"/camera/ZCalibration", 0.01},
                   {"/Printer/Delay", 0},
                   // Panels move at once, so their state can be read right after a change.
                   {"/Machine/disableAnimation", true}});
    openWindow();
    QVERIFY(m_w->isComplete());
    // The live values are in once the window has shown the board's line.
    feed(m_board->line);
    m_boxes.clear();
}

void TestLabelPanel::fill()
{
    ui->leLabelT->setText("12");
    ui->leLabelCode->setText("C-77");
    ui->leXLabel->setText("25.400");
    ui->leZLabel->setText("-103.125");
    ui->leAngleLabel->setText("35.00");
    ui->leRadLabel->setText("0.400");
}

QStringList TestLabelPanel::fields() const
{
    return {ui->leLabelT->text(),  ui->leLabelCode->text(),  ui->leXLabel->text(),
            ui->leZLabel->text(),  ui->leAngleLabel->text(), ui->leRadLabel->text()};
}

void TestLabelPanel::takeMeasure_data()
{
    QTest::addColumn<bool>("zAxis");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("taken");

    QTest::newRow("X") << false << false << 0 << true;
    QTest::newRow("Z") << true << false << 0 << true;
    QTest::newRow("X, warning accepted") << false << true << int(QMessageBox::Yes) << true;
    QTest::newRow("X, warning declined") << false << true << int(QMessageBox::No) << false;
    QTest::newRow("Z, warning declined") << true << true << int(QMessageBox::No) << false;
}

// Get X / Get Z take the measure server's value; a declined measure leaves
// the field as it was.
void TestLabelPanel::takeMeasure()
{
    QFETCH(bool, zAxis);
    QFETCH(bool, warned);
    QFETCH(int, answer);
    QFETCH(bool, taken);

    build();
    QLineEdit *field = zAxis ? ui->leZLabel : ui->leXLabel;
    QLineEdit *other = zAxis ? ui->leXLabel : ui->leZLabel;
    field->setText("kept");
    other->setText("other");
    if (warned) {
        // An axis in incremental mode is warned about before the value is taken.
        (zAxis ? CurrentMachine.zIncr : CurrentMachine.xIncr) = true;
        m_answers << QMessageBox::StandardButton(answer);
    }
    const QString live = zAxis ? m_w->axisLink()->ReadZString() : m_w->axisLink()->ReadXString();
    QVERIFY(!live.isEmpty());

    (zAxis ? ui->tbSaveZ : ui->tbSaveX)->click();

    QCOMPARE(m_boxes.size(), warned ? 1 : 0);
    QCOMPARE(field->text(), taken ? live : QString("kept"));
    QCOMPARE(other->text(), QString("other"));
}

void TestLabelPanel::clearButton()
{
    build();
    fill();
    QStringList order;
    const QList<QPair<QLineEdit *, QString>> named = {{ui->leXLabel, "X"},        {ui->leZLabel, "Z"},
                                                      {ui->leAngleLabel, "angle"}, {ui->leRadLabel, "radius"},
                                                      {ui->leLabelCode, "code"},   {ui->leLabelT, "T"}};
    for (const auto &n : named)
        connect(n.first, &QLineEdit::textChanged, this, [&order, n]() { order << n.second; });
    ui->tbClearLabel->click();
    QCOMPARE(fields(), QStringList({"", "", "", "", "", ""}));
    QCOMPARE(order, QStringList({"X", "Z", "angle", "radius", "code", "T"}));
    QVERIFY(m_boxes.isEmpty());
}

void TestLabelPanel::angleButton_data()
{
    QTest::addColumn<bool>("autoAngle");
    QTest::addColumn<bool>("twoPointPanel");
    QTest::addColumn<QString>("twoPointResult");
    QTest::addColumn<QString>("expected");  // "focus": the field takes the focus, text unchanged

    QTest::newRow("automatic angle") << true << true << "12.00" << "35.20";
    QTest::newRow("two-point result") << false << true << "47.50" << "47.50";
    QTest::newRow("two-point panel, no result yet") << false << true << "" << "";
    QTest::newRow("typed") << false << false << "47.50" << "focus";
}

void TestLabelPanel::angleButton()
{
    QFETCH(bool, autoAngle);
    QFETCH(bool, twoPointPanel);
    QFETCH(QString, twoPointResult);
    QFETCH(QString, expected);

    build();
    m_w->show();
    QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
    ui->leAngleLabel->setText("typed before");
    ui->leLabelT->setFocus();
    m_w->cameraDevice()->autoAngle = autoAngle;
    m_w->axisLink()->autoAngleText = "A 35.20";
    ui->lblAngleDistance->setText(twoPointResult);
    m_w->panels().setStatus("setPoint2P", twoPointPanel);

    ui->tbLabelAngle->click();
    if (expected == "focus") {
        QCOMPARE(ui->leAngleLabel->text(), QString("typed before"));
        QTRY_VERIFY(ui->leAngleLabel->hasFocus());
    } else {
        QCOMPARE(ui->leAngleLabel->text(), expected);
        QVERIFY(ui->leLabelT->hasFocus());
    }
    m_w->cameraDevice()->autoAngle = false;
}

void TestLabelPanel::radiusButton_data()
{
    QTest::addColumn<bool>("circleMeasure");
    QTest::addColumn<bool>("fivePointPanel");
    QTest::addColumn<QString>("expected");

    // A circle measure without a circle found falls through to the next rule.
    QTest::newRow("five-point result") << false << true << "3.1416";
    QTest::newRow("circle measure, none found") << true << true << "3.1416";
    QTest::newRow("typed") << false << false << "focus";
}

void TestLabelPanel::radiusButton()
{
    QFETCH(bool, circleMeasure);
    QFETCH(bool, fivePointPanel);
    QFETCH(QString, expected);

    build();
    m_w->show();
    QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
    ui->leRadLabel->setText("typed before");
    ui->leLabelT->setFocus();
    ui->lblRadValue5P->setText("3.1416");
    m_w->panels().setStatus("getCircle5P", fivePointPanel);
    geometryActive = circleMeasure ? 2 : 0;

    ui->tbLabelRadius->click();
    geometryActive = 0;
    if (expected == "focus") {
        QCOMPARE(ui->leRadLabel->text(), QString("typed before"));
        QTRY_VERIFY(ui->leRadLabel->hasFocus());
    } else {
        QCOMPARE(ui->leRadLabel->text(), expected);
    }
}

void TestLabelPanel::printFromPanel_data()
{
    QTest::addColumn<bool>("diameter");
    QTest::addColumn<int>("clearMode");
    QTest::addColumn<bool>("cleared");

    QTest::newRow("radius, kept") << false << 0 << false;
    QTest::newRow("diameter, cleared") << true << 1 << true;
    QTest::newRow("asked, yes") << false << 2 << true;
}

// The print button prints the panel's fields with the machine's name and no
// tooling table; the radius/diameter button picks "r" or "d". The capture
// that ran before runs again afterwards.
void TestLabelPanel::printFromPanel()
{
    QFETCH(bool, diameter);
    QFETCH(int, clearMode);
    QFETCH(bool, cleared);

    FakeSpooler spooler;
    spooler.answer(1, kReady);
    spooler.answer(2, kReady);
    build();
    MachineSettings.ClearLabelMode = clearMode;
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    QTRY_VERIFY_WITH_TIMEOUT(m_w->cameraDevice()->isRunning(), 15000);
    fill();
    ui->tbLblRadDia->setChecked(diameter);

    // The touch-screen check may have set a cursor of its own: it is kept.
    auto cursor = []() {
        return QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape()) : -1;
    };
    const int cursorBefore = cursor();
    bool stoppedWhilePainting = false;
    int cursorWhilePainting = -1;
    m_printer->onBegin = [&]() {
        stoppedWhilePainting = !m_w->cameraDevice()->isRunning();
        cursorWhilePainting = cursor();
    };
    ui->tbLabelPrint->click();

    QCOMPARE(m_printer->begins, 1);
    QVERIFY(stoppedWhilePainting);
    QCOMPARE(cursorWhilePainting, int(Qt::WaitCursor));
    const QStringList texts = m_printer->textList();
    // No tooling-table name: nothing beside the machine's bar.
    QCOMPARE(texts.mid(0, texts.size() - 1),
             QStringList({"*DEFAULT MACHINE*", "T 12 C-77", "X", "Z", "25.400", "-103.125", diameter ? "d" : "r",
                          "A 35.00", "Cr 0.400"}));
    QCOMPARE(spooler.lpqCalls(), 2);

    QCOMPARE(m_boxes.size(), clearMode == 2 ? 1 : 0);
    if (clearMode == 2)
        QCOMPARE(m_boxes.first().text, mw("Clear label data?"));
    QCOMPARE(fields(), cleared ? QStringList({"", "", "", "", "", ""})
                               : QStringList({"12", "C-77", "25.400", "-103.125", "35.00", "0.400"}));
    QVERIFY(m_w->cameraDevice()->isRunning());
    QVERIFY(ui->tbLabelPrint->isEnabled());
    QVERIFY(!MachineSettings.printing);
    QCOMPARE(cursor(), cursorBefore);
}

// The tooling-table editor's print request reaches the main window; with the
// editor shown instead of the label panel the label fields stay.
void TestLabelPanel::printFromToolsetEditor()
{
    FakeSpooler spooler;
    spooler.answer(1, kReady);
    spooler.answer(2, kReady);
    build();
    MachineSettings.ClearLabelMode = 1;
    fill();
    m_w->panels().setStatus("toolset", true);
    QVERIFY(!m_w->panels().isEnlarged("labelPrint"));

    QVERIFY(QMetaObject::invokeMethod(m_w->toolsetPanel(), "reqPrintLabel", Qt::DirectConnection,
                                      Q_ARG(QString, "LATHE 2"), Q_ARG(QString, "Shaft"), Q_ARG(QString, "7"),
                                      Q_ARG(QString, "10.000"), Q_ARG(QString, "20.000"), Q_ARG(QString, ""),
                                      Q_ARG(QString, ""), Q_ARG(QString, "D-1"), Q_ARG(bool, true)));
    QCOMPARE(m_printer->textList().mid(0, 3), QStringList({"LATHE 2", "Shaft", "T 7 D-1"}));
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(fields(), QStringList({"12", "C-77", "25.400", "-103.125", "35.00", "0.400"}));
}

// Without a default printer the print says so and the camera keeps the state
// it had: a capture that was never stopped is not started again.
void TestLabelPanel::noDefaultPrinter()
{
    LabelPrinter::setPrinterSource({});
    FakeSpooler spooler;
    spooler.answer(1, kReady);
    build();
    fill();
    QVERIFY(!m_w->cameraDevice()->isRunning());
    ui->tbLabelPrint->click();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().title, mw("Error"));
    QCOMPARE(m_boxes.first().text, mw("No printer available"));
    QVERIFY(!m_w->cameraDevice()->isRunning());
    QVERIFY(ui->tbLabelPrint->isEnabled());
    QVERIFY(!MachineSettings.printing);
    QCOMPARE(spooler.lpqCalls(), 1);
}

void TestLabelPanel::filledPanelScreenshot()
{
    build();
    m_w->resize(1024, 768);
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    ui->tbSaveX->click();
    ui->tbSaveZ->click();
    ui->leLabelT->setText("12");
    ui->leLabelCode->setText("C-77");
    ui->leAngleLabel->setText("35.00");
    ui->leRadLabel->setText("0.400");
    QCOMPARE(ui->leXLabel->text(), m_w->axisLink()->ReadXString());
    QVERIFY(!ui->leZLabel->text().isEmpty());
    QCOMPARE(ui->frmLabelPrint->geometry(), QRect(644, 200, 375, 500));
    QVERIFY(saveScreenshot(ui->frmLabelPrint, "label-panel-filled"));
    QVERIFY(saveScreenshot(m_w.get(), "label-panel-window"));
}

QTEST_MAIN(TestLabelPanel)
#include "tst_labelpanel.moc"
