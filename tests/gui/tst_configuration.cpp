#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMutex>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QToolBox>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

#include "axis/cAxisInterface.h"
#include "camera/VideoDevice.h"
#include "camera/VideoStandIn.h"
#include "machines/ConfigurationForm.h"
#include "machines/cconfiguration.h"
#include "shared/App.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "support/FakeAxbBoard.h"
#include "support/MovingEdgeFrameSource.h"
#include "support/Screenshot.h"
#include "support/StorageFault.h"
#include "support/TestWorkDir.h"

using Edit = std::function<void(Ui_cConfiguration *)>;
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(QMessageBox::StandardButton)

// Stands where the main window stands: counts the relay and the refresh.
class Host : public QWidget
{
    Q_OBJECT
public:
    int refreshed = 0;
signals:
    void sigUpdGui();
public slots:
    void activateMachineSettings() { ++refreshed; }
};

namespace {

const int kX0 = 100000; // micrometres
const int kZ0 = 50000;
const QStringList kMachineKeys = {
    "isMM", "isRadius", "Password", "Language", "type", "hasCAxis", "hasIndex", "coarseZeroSearch",
    "disableAnimation", "isPivra", "ClearLabelMode", "ppEnabled", "ppDirLocked", "ppFormatLocked",
    "balluffEnabled", "angularHead", "disableRunout", "automaticSpindle", "hasNfc", "logoPrint", "custom",
    "vendorName", "logoName"};

QStringList entries(QComboBox *c)
{
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

} // namespace

class TestConfiguration : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void closing_data();
    void closing();
    void saving_data();
    void saving();
    void saveFailure_data();
    void saveFailure();
    void refusedWrite_data();
    void refusedWrite();
    void machineOptions_data();
    void machineOptions();
    void sensorControls_data();
    void sensorControls();
    void languages_data();
    void languages();
    void customization();
    void unlistedCustomization_data();
    void unlistedCustomization();
    void wizard_data();
    void wizard();
    void wizardRetryAndCancel();
    void screenshots();

private:
    void open();
    QSettings *file();
    void startRig();

    std::unique_ptr<TestWorkDir> m_wd;
    std::unique_ptr<Host> m_host;
    std::unique_ptr<FakeAxbBoard> m_board;
    std::unique_ptr<CVideoDevice> m_camera;
    std::unique_ptr<cAxisInterface> m_axis;
    std::unique_ptr<QSettings> m_file;
    QPointer<cConfiguration> m_dlg;
    Ui_cConfiguration *ui = nullptr;
    QList<QMessageBoxKovra::Box> m_boxes;
    QList<QMessageBox::StandardButton> m_answers;
    // At each box: the camera's region of interest, and whether the dialog was enabled.
    QList<QRect> m_roiAtBox;
    QList<bool> m_enabledAtBox;
    // The wizard's camera: micrometres of axis per pixel (0: the edge does not
    // follow that axis); a shift the scales do not see, used at one prompt;
    // the region at whose prompt the camera stops delivering.
    double m_cpx = 5, m_cpz = 4;
    QHash<QString, QPointF> m_slipAt;
    QString m_stallAt;
    // The region at whose prompt the board stops answering.
    QString m_silentAt;
    QMutex m_slipLock;
    QPointF m_slip;
};

void TestConfiguration::init()
{
    m_wd = std::make_unique<TestWorkDir>();
    App::resetKovraSettings();
    MachineSettings = s_MachineSettings();
    // A saved language: the loader's default "English" (no file) would count as an edit.
    MachineSettings.Language = "English|none";
    isSuperUser = false;
    isSuperConfigUser = true;
    m_host = std::make_unique<Host>();
    m_host->resize(1024, 768);
    auto corner = [this] {
        const QPoint c = m_board ? m_board->counts() : QPoint(kX0, kZ0);
        QMutexLocker lock(&m_slipLock);
        return QPointF(m_cpx ? 70 + (c.x() - kX0) / m_cpx : 70, m_cpz ? 70 + (c.y() - kZ0) / m_cpz : 70) + m_slip;
    };
    m_camera = std::make_unique<CVideoDevice>(m_wd->filePath("video0"), nullptr,
        std::make_shared<CVideoStandIn>(std::make_shared<MovingEdgeFrameSource>(corner)));
    QMessageBoxKovra::setHandler([this](const QMessageBoxKovra::Box &box) {
        m_boxes << box;
        m_roiAtBox << QRect(QPoint(m_camera->roi.x1, m_camera->roi.y1), QPoint(m_camera->roi.x2, m_camera->roi.y2));
        m_enabledAtBox << (m_dlg && m_dlg->isEnabled());
        // The operator moves the tool into the region, then presses Ok.
        if (m_axis && box.text.startsWith("Probe ")) {
            const QString region = box.text.section(' ', 3, 3);
            const int x = kX0 + (region == "RIGHT" ? int(520 * m_cpx) : 0);
            const int z = kZ0 + (region == "BOTTOM" ? int(520 * m_cpz) : 0);
            {
                QMutexLocker lock(&m_slipLock);
                m_slip = m_slipAt.take(region);
            }
            // A camera that stopped delivering keeps the previous region's result.
            const bool stalled = region == m_stallAt;
            stalled ? m_camera->StopCapture() : m_camera->StartCapture();
            m_board->setCounts(x, z);
            QSignalSpy frames(m_camera.get(), &CVideoDevice::Notify);
            // Micrometres on the line; the link reads millimetres.
            (void)QTest::qWaitFor([&] { return m_axis->GetX_DXFref() == x / 1000.0 && m_axis->GetZ_DXFref() == z / 1000.0
                                         && (stalled || frames.size() >= 3); }, 10000);
            if (region == m_silentAt) {
                m_board->setAutoAnswer(false);
                (void)QTest::qWaitFor([&] { return m_axis->isSilent(); }, 10000);
            }
        }
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return box.buttons & QMessageBox::Yes ? QMessageBox::Yes
             : box.buttons & QMessageBox::Ok  ? QMessageBox::Ok : box.defaultButton;
    });
}

void TestConfiguration::cleanup()
{
    delete m_dlg;
    m_axis.reset();
    m_camera->StopCapture();
    m_camera.reset();
    m_board.reset();
    m_host.reset();
    m_file.reset();
    QMessageBoxKovra::setHandler({});
    m_boxes.clear();
    m_answers.clear();
    m_silentAt.clear();
    m_roiAtBox.clear();
    m_enabledAtBox.clear();
    isSuperConfigUser = isSuperUser = false;
    App::resetKovraSettings();
    m_wd.reset();
}

void TestConfiguration::open()
{
    m_dlg = new cConfiguration(m_camera.get(), m_axis.get(), m_host.get());
    ui = m_dlg->form();
    m_host->show();
    m_dlg->show();
}

// The settings file as a second reader sees it.
QSettings *TestConfiguration::file()
{
    m_file = std::make_unique<QSettings>(m_wd->filePath("T8A_M.cfg"), QSettings::IniFormat);
    m_file->setIniCodec("UTF-8");
    return m_file.get();
}

void TestConfiguration::startRig()
{
    m_board = std::make_unique<FakeAxbBoard>();
    m_board->setAutoAnswer(true);
    m_board->setCounts(kX0, kZ0);
    App::kovraSettings().setValue("/TTY/AxbPort", m_board->slavePath());
    QCOMPARE(m_camera->Open(2), 0);
    QVERIFY(m_camera->SetSize(1280, 1024));
    m_camera->StartCapture();
    m_axis = std::make_unique<cAxisInterface>(nullptr, m_camera.get());
}

void TestConfiguration::closing_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<bool>("asks");
    const QVariantMap none;
    const Edit nothing = [](Ui_cConfiguration *) {};
    QTest::newRow("nothing") << none << nothing << false;
    QTest::newRow("debug alone") << none << Edit([](Ui_cConfiguration *u) { u->chkDebug->setChecked(true); }) << false;
    QTest::newRow("zero reset") << none << Edit([](Ui_cConfiguration *u) { u->chkEnableZeroReset->setChecked(true); }) << true;
    QTest::newRow("unit") << none << Edit([](Ui_cConfiguration *u) { u->rbInch->setChecked(true); }) << true;
    QTest::newRow("exposure") << none << Edit([](Ui_cConfiguration *u) { u->sliExposure->setValue(7); }) << true;
    QTest::newRow("post-processor off, lock on: cleared at opening")
        << QVariantMap{{"/Machine/ppEnabled", false}, {"/Machine/ppFormatLocked", true}} << nothing << true;
    QTest::newRow("unknown machine type shows Corvo six")
        << QVariantMap{{"/Machine/type", 2}} << Edit([](Ui_cConfiguration *u) { QVERIFY(u->rbT8A->isChecked()); }) << true;
}

// Exit asks only about real edits; Discard brings back the record and the
// sensor as they were at opening; every way out but Cancel ends the scan line.
void TestConfiguration::closing()
{
    QFETCH(QVariantMap, settings);
    QFETCH(Edit, edit);
    QFETCH(bool, asks);
    App::kovraSettings().setValue("/Machine/Language", "English|none");
    for (auto it = settings.begin(); it != settings.end(); ++it)
        App::kovraSettings().setValue(it.key(), it.value());
    loadMachineSettings(MachineSettings);
    const s_MachineSettings before = MachineSettings;
    m_camera->sensorSets[0].Brightness = 3;
    m_camera->scanline = 300;
    m_camera->setMeasureLines(true);
    open();
    edit(ui);
    m_answers << QMessageBox::Cancel << QMessageBox::Discard;
    QTest::mouseClick(ui->tbCancel, Qt::LeftButton);
    QCOMPARE(m_boxes.size(), asks ? 1 : 0);
    if (asks) {
        QCOMPARE(m_boxes.first().text, QString("Settings changed but not saved"));
        QCOMPARE(m_boxes.first().defaultButton, QMessageBox::Cancel);
        QVERIFY(m_dlg && !m_dlg->isHidden());
        QCOMPARE(m_camera->scanline, qint16(300));
        QTest::mouseClick(ui->tbCancel, Qt::LeftButton);
        QCOMPARE(MachineSettings.zeroReset, before.zeroReset);
        QCOMPARE(MachineSettings.ppFormatLocked, before.ppFormatLocked);
        QCOMPARE(MachineSettings.isMM, before.isMM);
        QCOMPARE(m_camera->sensorSets[0].Brightness, 3);
    }
    QTRY_VERIFY(!m_dlg);
    QVERIFY(!m_camera->measureLines);
    QCOMPARE(m_camera->scanline, qint16(0));
    QVERIFY(!file()->contains("Machine/isMM"));
}

void TestConfiguration::saving_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("refusal"); // box after the question; empty: saved
    QTest::newRow("blanks are a password") << "   " << QMessageBox::Yes << "";
    QTest::newRow("declined") << "new" << QMessageBox::No << "";
    QTest::newRow("empty password") << "" << QMessageBox::Yes << "Invalid empty password";
}

void TestConfiguration::saving()
{
    QFETCH(QString, password);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QString, refusal);
    App::kovraSettings().setValue("/Translations/Tr0", "Italiano|kovra_it");
    open();
    QSignalSpy relay(m_host.get(), &Host::sigUpdGui);
    ui->cmbLanguage->setCurrentText("Italiano");
    ui->rbInch->setChecked(true);
    ui->lePassword->setText(password);
    ui->leLabelLogo->setText("  ACME  ");
    ui->sliGain->setValue(9);
    m_answers << answer;
    const bool saved = answer == QMessageBox::Yes && refusal.isEmpty();
    QCOMPARE(m_dlg->writeSettings(), saved);
    QCOMPARE(m_boxes.first().text, QString("Save settings as default?"));
    QCOMPARE(m_boxes.first().defaultButton, QMessageBox::No);
    QCOMPARE(m_boxes.last().text, refusal.isEmpty() ? m_boxes.first().text : refusal);
    QSettings *f = file();
    // The sensor is saved before the record's checks.
    QCOMPARE(f->value("sensorMeasure/Contrast", -1).toInt(), answer == QMessageBox::Yes ? 9 : -1);
    f->beginGroup("Machine");
    QStringList keys = f->childKeys(), expected = saved ? kMachineKeys : QStringList();
    keys.sort();
    expected.sort();
    QCOMPARE(keys, expected);
    QCOMPARE(relay.count(), saved ? 1 : 0);
    QCOMPARE(m_host->refreshed, saved ? 1 : 0);
    QVERIFY(!m_dlg->isHidden());
    if (!saved) {
        QVERIFY(MachineSettings.isMM);
        return;
    }
    QCOMPARE(f->value("isMM").toBool(), false);
    QCOMPARE(f->value("Password").toString(), password);
    QCOMPARE(f->value("Language").toString(), QString("Italiano|kovra_it"));
    QCOMPARE(f->value("logoPrint").toString(), QString("ACME"));
    // Saved: a second save writes nothing and a close asks nothing.
    QVERIFY(m_dlg->writeSettings());
    QCOMPARE(relay.count(), 1);
    m_boxes.clear();
    QTest::mouseClick(ui->tbCancel, Qt::LeftButton);
    QTRY_VERIFY(!m_dlg);
    QVERIFY(m_boxes.isEmpty());
}

void TestConfiguration::saveFailure_data()
{
    QTest::addColumn<bool>("folder"); // the file replaced by a folder; else it stays a file
    QTest::addColumn<QByteArray>("start"); // the file at start-up
    QTest::addColumn<QString>("unit"); // "Machine/isMM" in the file after a later write
    QTest::addColumn<QString>("xCal"); // "camera/XCalibration" likewise
    QTest::newRow("file is a folder") << true << QByteArray() << "absent" << "absent";
    // The removed file's keys are not written back from memory: a later write
    // starts from what the disk holds.
    QTest::newRow("file is a folder, keys saved before it was removed")
        << true << QByteArray("[Machine]\nisMM=true\n[camera]\nXCalibration=0.01\n") << "absent" << "absent";
    QTest::newRow("malformed line read at start-up")
        << false << QByteArray("[Translations\nTr0=Italiano|it\n") << "false" << "0.00500000";
}

// A file that cannot be written: the operator is told, the edits stay
// unsaved, and no later write of another part stores them. A file that could
// not be read whole at start-up is no such file.
void TestConfiguration::saveFailure()
{
    QFETCH(bool, folder);
    QFETCH(QByteArray, start);
    QFETCH(QString, unit);
    QFETCH(QString, xCal);
    const QString path = m_wd->filePath("T8A_M.cfg");
    if (!start.isEmpty()) {
        QVERIFY(m_wd->writeFile("T8A_M.cfg", start));
        App::resetKovraSettings();
        QCOMPARE(App::kovraSettings().status(), folder ? QSettings::NoError : QSettings::FormatError);
    }
    open();
    ui->rbInch->setChecked(true);
    if (folder) {
        QFile::remove(path);
        QVERIFY(QDir().mkdir(path));
    }
    QSignalSpy relay(m_host.get(), &Host::sigUpdGui);
    QCOMPARE(m_dlg->writeSettings(), !folder);
    QCOMPARE(m_boxes.last().title, QString("Configuration"));
    QCOMPARE(m_boxes.last().text, folder ? QString("Settings could not be saved") : QString("Save settings as default?"));
    QCOMPARE(relay.count(), folder ? 0 : 1);
    QCOMPARE(MachineSettings.isMM, folder);
    // Nor is a calibration announced, or used, that the file did not take.
    m_camera->XCalibration = 0.01f;
    m_camera->ZCalibration = 0.02f;
    ui->txtXcal->setText("0.00500000");
    ui->txtZcal->setText("0.00400000");
    m_boxes.clear();
    m_dlg->saveAxisCalibration();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().text, folder ? QString("Settings could not be saved") : QString("Calibration updated"));
    QCOMPARE(m_camera->XCalibration, folder ? 0.01f : 0.005f);
    // The dialog shows the factors in force.
    QCOMPARE(ui->txtXcal->text(), folder ? QString("0.010000") : QString("0.00500000"));
    QCOMPARE(ui->txtZcal->text(), folder ? QString("0.020000") : QString("0.00400000"));
    m_boxes.clear();
    m_answers << QMessageBox::Cancel;
    m_dlg->close();
    QCOMPARE(m_boxes.value(0).text, folder ? QString("Settings changed but not saved") : QString());
    // The file can be written again; another part writes its key.
    if (folder)
        QVERIFY(QDir().rmdir(path));
    QVERIFY(App::writeKovraSettings({{"/Software/Version", "3.0"}}));
    App::resetKovraSettings();
    QCOMPARE(file()->value("Software/Version").toString(), QString("3.0"));
    QCOMPARE(file()->value("Machine/isMM", "absent").toString(), unit);
    QCOMPARE(file()->value("camera/XCalibration", "absent").toString(), xCal);
}

void TestConfiguration::refusedWrite_data()
{
    QTest::addColumn<bool>("calibration"); // the wizard's factors; else the dialog's Save
    QTest::addColumn<int>("fault");
    for (const bool calibration : {false, true})
        for (const int fault : StorageFault::kinds())
            QTest::newRow(qPrintable(QString("%1, %2").arg(calibration ? "calibration" : "configuration",
                                                           StorageFault::name(StorageFault::Kind(fault)))))
                << calibration << fault;
}

// A disk that refuses the settings file: the operator is told, the file stays
// byte for byte, the values in force are the file's, and nothing refused
// reaches the file later.
void TestConfiguration::refusedWrite()
{
    QFETCH(bool, calibration);
    QFETCH(int, fault);
    const bool refused = fault != StorageFault::None;
    const QString path = m_wd->filePath("T8A_M.cfg");
    const QByteArray start("[Machine]\nPassword=secret\nisMM=true\n[TTY]\nAxbPort=/dev/ttyUSB7\n"
                           "[camera]\nXCalibration=0.01\nZCalibration=0.02\n");
    QVERIFY(m_wd->writeFile("T8A_M.cfg", start));
    App::resetKovraSettings();
    loadMachineSettings(MachineSettings);
    MachineSettings.Language = "English|none";
    m_camera->XCalibration = 0.01f;
    m_camera->ZCalibration = 0.02f;
    open();
    QSignalSpy relay(m_host.get(), &Host::sigUpdGui);
    {
        StorageFault disk(StorageFault::Kind(fault), path);
        QVERIFY(disk.holds());
        if (calibration) {
            ui->txtXcal->setText("0.00500000");
            ui->txtZcal->setText("0.00400000");
            m_dlg->saveAxisCalibration();
        } else {
            ui->rbInch->setChecked(true);
            QCOMPARE(m_dlg->writeSettings(), !refused);
        }
    }
    QCOMPARE(m_boxes.last().text, refused ? QString("Settings could not be saved")
                                          : QString(calibration ? "Calibration updated" : "Save settings as default?"));
    // The values in force are the file's, and shown.
    QCOMPARE(MachineSettings.isMM, refused || calibration);
    QCOMPARE(relay.count(), refused || calibration ? 0 : 1);
    QCOMPARE(m_camera->XCalibration, refused || !calibration ? 0.01f : 0.005f);
    if (calibration)
        QCOMPARE(ui->txtXcal->text(), refused ? QString("0.010000") : QString("0.00500000"));
    if (refused)
        QCOMPARE(TestWorkDir::readFile(path), start);
    QCOMPARE(StorageFault::leftovers(path), QStringList());
    // A later sync, the end of the program and another part's write keep the refused values out.
    App::kovraSettings().sync();
    App::resetKovraSettings();
    if (refused)
        QCOMPARE(TestWorkDir::readFile(path), start);
    QVERIFY(App::writeKovraSettings({{"/Software/Version", "3.0"}}));
    QCOMPARE(file()->value("Software/Version").toString(), QString("3.0"));
    QCOMPARE(file()->value("Machine/isMM").toString(), QString(refused || calibration ? "true" : "false"));
    QCOMPARE(file()->value("camera/XCalibration").toString(),
             QString(refused || !calibration ? "0.01" : "0.00500000"));
    QCOMPARE(file()->value("Machine/Password").toString(), QString("secret"));
    QCOMPARE(file()->value("TTY/AxbPort").toString(), QString("/dev/ttyUSB7"));
    m_answers << QMessageBox::Discard;
}

void TestConfiguration::machineOptions_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("T9C drops vacuum clamping")
        << Edit([](Ui_cConfiguration *u) { u->chkPivra->setChecked(true); u->rbT9C->setChecked(true); })
        << "Machine/isPivra" << QVariant(false);
    QTest::newRow("unknown type saves Corvo six") << Edit([](Ui_cConfiguration *) {}) << "Machine/type" << QVariant(1);
    QTest::newRow("automatic spindle")
        << Edit([](Ui_cConfiguration *u) { u->chkAutomatic->setChecked(true); }) << "Machine/hasNfc" << QVariant(true);
    QTest::newRow("post-processor off and on again clears the locks") << Edit([](Ui_cConfiguration *u) {
        u->chkPostproLocked->setChecked(true);
        u->chkEnablePostPro->setChecked(false);
        u->chkEnablePostPro->setChecked(true);
    }) << "Machine/ppFormatLocked" << QVariant(false);
}

void TestConfiguration::machineOptions()
{
    QFETCH(Edit, edit);
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    MachineSettings.type = 2;
    MachineSettings.ppEnabled = true;
    open();
    edit(ui);
    QVERIFY(m_dlg->writeSettings());
    QCOMPARE(file()->value(key), stored);
    const bool spindle = key == "Machine/hasNfc";
    QCOMPARE(file()->value("Machine/automaticSpindle").toBool(), spindle);
    QCOMPARE(m_boxes.last().text, spindle ? QString("Automatic spindle option has changedApplication must be restarted")
                                          : QString("Save settings as default?"));
}

void TestConfiguration::sensorControls_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("cameraId");
    QTest::addColumn<int>("exposureTop");
    QTest::addColumn<int>("gainTop");
    QTest::addColumn<QString>("group");
    QTest::newRow("measure set") << 0 << 0 << 25 << 25 << "sensorMeasure";
    QTest::newRow("inspection set, second camera") << 1 << 1 << 2047 << 47 << "sensorInspection1";
}

void TestConfiguration::sensorControls()
{
    QFETCH(int, mode);
    QFETCH(int, exposureTop);
    QFETCH(QString, group);
    m_camera->sensorMode = quint8(mode);
    QFETCH(int, cameraId);
    m_camera->setCameraId(cameraId);
    m_camera->sensorSets[mode].Brightness = 5000; // out of range: shown at the bound, kept
    open();
    QCOMPARE(ui->sliExposure->value(), exposureTop);
    QCOMPARE(m_camera->sensorSets[mode].Brightness, 5000);
    ui->sliExposure->setValue(1);
    ui->sliExposure->setValue(99999);
    QCOMPARE(m_camera->sensorSets[mode].Brightness, exposureTop);
    ui->sliGain->setValue(99999);
    QFETCH(int, gainTop);
    QCOMPARE(m_camera->sensorSets[mode].Contrast, gainTop);
    ui->sliBiasGR->setValue(77);
    QCOMPARE(m_camera->sensorSets[mode].BiasGR, 77);
    QCOMPARE(m_camera->sensorSets[1 - mode].BiasGR, 0);

    // Manual scan line: off at opening (camera at 0); off sets 0 and
    // disables the pair, on again takes the spin box's value.
    QVERIFY(!ui->sliScanline->isEnabled());
    ui->chkManualScanline->setChecked(true);
    QVERIFY(ui->sliScanline->isEnabled() && ui->spinScanline->isEnabled());
    ui->spinScanline->setValue(200);
    QCOMPARE(m_camera->scanline, qint16(200));
    ui->chkManualScanline->setChecked(false);
    QCOMPARE(m_camera->scanline, qint16(0));
    QVERIFY(!ui->sliScanline->isEnabled() && !ui->spinScanline->isEnabled());
    ui->chkManualScanline->setChecked(true);
    QCOMPARE(m_camera->scanline, qint16(200));

    QVERIFY(m_dlg->writeSettings());
    QSettings *f = file();
    QCOMPARE(f->value(group + "/Brightness").toInt(), exposureTop);
    QCOMPARE(f->value(group + "/BiasGR").toInt(), 77);
    QVERIFY(!f->contains("Machine/isMM")); // sensor only: the record is unchanged
}

void TestConfiguration::languages_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no list") << QStringList() << "Deutsch|de" << QStringList() << -1 << "English|none";
    QTest::newRow("stored without bar: first entry")
        << QStringList{"Italiano|it", "Deutsch|de"} << "English" << QStringList{"Italiano", "Deutsch"} << 0
        << "Italiano|it";
    QTest::newRow("stored name not listed")
        << QStringList{"Italiano|it", "Deutsch|de"} << "Español|es" << QStringList{"Italiano", "Deutsch"} << -1
        << "English|none";
    QTest::newRow("listed value without file")
        << QStringList{"Italiano|it", "Klingon", "a|b|c"} << "Klingon|x" << QStringList{"Italiano", "Klingon", "a"}
        << 1 << "English|none";
}

void TestConfiguration::languages()
{
    QFETCH(QStringList, listed);
    QFETCH(int, selected);
    for (int i = 0; i < listed.size(); ++i)
        App::kovraSettings().setValue(QString("/Translations/Tr%1").arg(i), listed.at(i));
    QFETCH(QString, stored);
    MachineSettings.Language = stored;
    open();
    QFETCH(QStringList, shown);
    QCOMPARE(entries(ui->cmbLanguage), shown);
    QCOMPARE(ui->cmbLanguage->currentIndex(), selected);
    ui->rbInch->setChecked(true);
    QVERIFY(m_dlg->writeSettings());
    QFETCH(QString, saved);
    QCOMPARE(file()->value("Machine/Language").toString(), saved);
}

void TestConfiguration::customization()
{
    QVERIFY(m_wd->writeFile("custom/zeta", "[Settings]\nVendorName=Zeta\n"));
    QVERIFY(m_wd->writeFile("custom/Acme", QString("[Settings]\nVendorName=Acme Tools\nlogo=acme.png\n"
                                                   "logoPrint=Acme präzise Werkzeuge\npassword=acme1\n").toUtf8()));
    QVERIFY(QDir().mkpath(m_wd->filePath("custom/res")));
    MachineSettings.custom = "zeta";
    MachineSettings.logoName = "zeta.png";
    open();
    QCOMPARE(entries(ui->cmbCustom), QStringList({"Acme", "zeta", "Kovra"}));
    QCOMPARE(ui->cmbCustom->currentText(), QString("zeta"));

    ui->cmbCustom->setCurrentText("Kovra");
    ui->lePassword->setText("typed");
    QVERIFY(m_dlg->writeSettings());
    QCOMPARE(MachineSettings.vendorName, QString("Kovra"));
    QCOMPARE(MachineSettings.logoName, QString());
    QCOMPARE(MachineSettings.Password, QString("tavo"));
    QCOMPARE(MachineSettings.logoPrint, QString("Kovra"));
    ui->cmbCustom->setCurrentText("zeta");
    QCOMPARE(ui->lePassword->text(), QString("tavo"));
    QCOMPARE(ui->leLabelLogo->text(), QString("Kovra"));

    ui->cmbCustom->setCurrentText("Acme");
    QCOMPARE(ui->lePassword->text(), QString("acme1"));
    QCOMPARE(ui->leLabelLogo->text(), QString("Acme präzise We")); // the field holds 15
    ui->lePassword->setText("typed");
    QVERIFY(m_dlg->writeSettings());
    QCOMPARE(MachineSettings.vendorName, QString("Acme Tools"));
    QCOMPARE(file()->value("Machine/Password").toString(), QString("acme1"));
    QCOMPARE(file()->value("Machine/logoName").toString(), QString("acme.png"));
    // Saved: Exit asks nothing, and the label text stays whole.
    m_boxes.clear();
    QTest::mouseClick(ui->tbCancel, Qt::LeftButton);
    QTRY_VERIFY(!m_dlg);
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(file()->value("Machine/logoPrint").toString(), QString("Acme präzise Werkzeuge"));
}

void TestConfiguration::unlistedCustomization_data()
{
    QTest::addColumn<QString>("pick");     // entry chosen; empty: none
    QTest::addColumn<bool>("save");        // Save, else Exit
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<QString>("stored");   // custom, Password, vendorName, logoPrint, logoName in the file
    const QString acme = "Acme | acme1 | Acme Tools | Acme | acme.png";
    QTest::newRow("nothing picked, Save") << "" << true << "Save settings as default?" << acme;
    QTest::newRow("nothing picked, Exit") << "" << false << "" << acme;
    QTest::newRow("Kovra picked, Save") << "Kovra" << true << "Save settings as default?"
                                        << "Kovra | tavo | Kovra | Kovra | ";
    QTest::newRow("zeta picked, Exit saves") << "zeta" << false
                                             << "Settings changed but not saved | Save settings as default?"
                                             << "zeta | tavo | Zeta | Kovra | ";
}

// A customization whose file the list does not hold stays as stored until
// an entry is picked; picking one applies it.
void TestConfiguration::unlistedCustomization()
{
    QFETCH(QString, pick);
    QFETCH(bool, save);
    QVERIFY(m_wd->writeFile("custom/zeta", "[Settings]\nVendorName=Zeta\n"));
    const QStringList keys = {"custom", "Password", "vendorName", "logoPrint", "logoName"};
    const QStringList acme = {"Acme", "acme1", "Acme Tools", "Acme", "acme.png"};
    App::kovraSettings().setValue("/Machine/Language", "English|none");
    for (int i = 0; i < keys.size(); ++i)
        App::kovraSettings().setValue("/Machine/" + keys.at(i), acme.at(i));
    App::kovraSettings().sync();
    loadMachineSettings(MachineSettings);
    open();
    QCOMPARE(ui->cmbCustom->currentIndex(), -1);
    QCOMPARE(ui->lePassword->text(), QString("acme1"));
    if (!pick.isEmpty())
        ui->cmbCustom->setCurrentText(pick);
    if (save) {
        QVERIFY(m_dlg->writeSettings());
    } else {
        m_answers << QMessageBox::Save;
        QTest::mouseClick(ui->tbCancel, Qt::LeftButton);
        QTRY_VERIFY(!m_dlg);
    }
    QStringList texts;
    for (const auto &b : qAsConst(m_boxes))
        texts << b.text;
    QTEST(texts.join(" | "), "boxes");
    QStringList stored;
    for (const QString &k : keys)
        stored << file()->value("Machine/" + k).toString();
    QTEST(stored.join(" | "), "stored");
    QCOMPARE(MachineSettings.Password, stored.at(1));
    // Nothing picked, nothing written at all.
    QCOMPARE(file()->contains("Machine/isMM"), !pick.isEmpty());
}

void TestConfiguration::wizard_data()
{
    QTest::addColumn<double>("cpx");
    QTest::addColumn<double>("cpz");
    QTest::addColumn<QString>("slipRegion");
    QTest::addColumn<QPointF>("slip");
    QTest::addColumn<QString>("stallAt");
    QTest::addColumn<QString>("silentAt");
    QTest::addColumn<QString>("refusal"); // empty: accepted
    QTest::newRow("image follows the axes") << 5.0 << 4.0 << "" << QPointF() << "" << "" << "";
    QTest::newRow("X axis against the image") << -5.0 << 4.0 << "" << QPointF() << "" << "" << "";
    QTest::newRow("camera stalled: same X pixel twice") << 5.0 << 4.0 << "" << QPointF() << "RIGHT" << ""
        << "Calibration failed: the edge did not move between the two regions";
    QTest::newRow("edge moved, Z scale did not") << 5.0 << 0.0 << "BOTTOM" << QPointF(0, 520) << "" << ""
        << "Calibration failed: the axis reading did not change between the two regions";
    QTest::newRow("board silent at the last region") << 5.0 << 4.0 << "" << QPointF() << "" << "BOTTOM"
        << "No answer from the axis board: the values shown are not current";
}

// The four regions over a tool that moves with the board's counts: the
// factors are the counts per pixel of the camera model; a pair that did not
// move is refused and the calibration in force stays.
void TestConfiguration::wizard()
{
    QFETCH(double, cpx);
    QFETCH(double, cpz);
    QFETCH(QString, refusal);
    m_cpx = cpx;
    m_cpz = cpz;
    QFETCH(QString, slipRegion);
    QFETCH(QPointF, slip);
    QFETCH(QString, stallAt);
    m_stallAt = stallAt;
    QFETCH(QString, silentAt);
    m_silentAt = silentAt;
    m_slipAt.insert(slipRegion, slip);
    m_camera->XCalibration = 0.0123f;
    m_camera->ZCalibration = 0.0456f;
    startRig();
    open();
    QCOMPARE(ui->txtXcal->text(), QString("0.012300"));
    QTest::mouseClick(ui->pbCalibration, Qt::LeftButton);
    QCOMPARE(m_boxes.value(0).text, QString("Probe X in LEFT region of interest"));
    QCOMPARE(m_boxes.value(3).text, QString("Probe Z in BOTTOM region of interest"));
    QCOMPARE(m_boxes.value(0).parent, m_host.get());
    QCOMPARE(m_boxes.size(), 5);
    QVERIFY(m_dlg->isEnabled());
    QCOMPARE(m_camera->roi.x2, 640);
    QVERIFY(m_camera->measureLines);
    const QSettings *f = file();
    QCOMPARE(m_roiAtBox.value(1), QRect(QPoint(560, 240), QPoint(619, 439)));
    QVERIFY(!m_enabledAtBox.last()); // the dialog comes back after the last box
    if (refusal.isEmpty()) {
        QCOMPARE(m_boxes.last().text, QString("Calibration updated"));
        QVERIFY(qAbs(ui->txtXcal->text().toDouble() - cpx / 1000) < 1e-6);
        QVERIFY(qAbs(ui->txtZcal->text().toDouble() - cpz / 1000) < 1e-6);
        QCOMPARE(ui->txtXcal->text().section('.', 1).size(), 8);
        QCOMPARE(f->value("camera/XCalibration").toString(), ui->txtXcal->text());
        QCOMPARE(f->value("camera/ZCalibration").toString(), ui->txtZcal->text());
        QCOMPARE(m_camera->XCalibration, ui->txtXcal->text().toFloat());
    } else {
        QCOMPARE(m_boxes.last().kind, silentAt.isEmpty() ? QMessageBox::Critical : QMessageBox::Warning);
        QCOMPARE(m_boxes.last().text, refusal);
        QCOMPARE(ui->txtXcal->text(), QString("0.012300"));
        QCOMPARE(ui->txtZcal->text(), QString("0.045600"));
        QCOMPARE(m_camera->XCalibration, 0.0123f);
        QVERIFY(!f->contains("camera/XCalibration"));
    }
}

void TestConfiguration::wizardRetryAndCancel()
{
    startRig();
    open();
    const QString before = ui->txtXcal->text();
    // LEFT with the edge outside the region, Retry, then Ok over the edge.
    m_slipAt.insert("LEFT", QPointF(-60, 0));
    m_answers << QMessageBox::Ok << QMessageBox::Retry;
    m_answers << QMessageBox::Ok << QMessageBox::Ok << QMessageBox::Ok << QMessageBox::Cancel;
    // (the second LEFT prompt finds the tool back in place: the shift is used once)
    QTest::mouseClick(ui->pbCalibration, Qt::LeftButton);
    QStringList texts;
    for (const auto &b : m_boxes)
        texts << b.text;
    QCOMPARE(texts, QStringList({"Probe X in LEFT region of interest", "No measure line detected",
                                 "Probe X in LEFT region of interest", "Probe X in RIGHT region of interest",
                                 "Probe Z in TOP region of interest", "Probe Z in BOTTOM region of interest"}));
    QCOMPARE(m_roiAtBox.value(2), m_roiAtBox.value(0)); // Retry: the same region again
    QCOMPARE(ui->txtXcal->text(), before);
    QVERIFY(!file()->contains("camera/XCalibration"));
    QCOMPARE(m_camera->roi.x1, 1);
    QVERIFY(m_dlg->isEnabled());
}

void TestConfiguration::screenshots()
{
    QVERIFY(m_wd->writeFile("custom/Acme", "[Settings]\nVendorName=Acme\n"));
    App::kovraSettings().setValue("/Translations/Tr0", "English|none");
    App::kovraSettings().setValue("/Translations/Tr1", "Italiano|it");
    MachineSettings.Language = "English|none";
    MachineSettings.automaticSpindle = MachineSettings.hasNfc = true;
    MachineSettings.ppEnabled = true;
    MachineSettings.custom = MachineSettings.logoPrint = "Kovra";
    m_camera->XCalibration = 0.005f;
    m_camera->ZCalibration = 0.004f;
    m_camera->sensorSets[0] = {12, 1.0f, 8, 0, 128, 120, 96, 100};
    m_camera->scanline = 320;
    open(); // with the configuration code: every control shown
    QVERIFY(ui->toolBox->isItemEnabled(1) && ui->toolBox->currentIndex() == 1);
    QVERIFY(!ui->gbCameraSettings->isHidden() && !ui->tbSaveXref->isHidden());
    QCOMPARE(m_dlg->pos(), QPoint(640, 0));
    for (int page = 0; page < 2; ++page) {
        ui->toolBox->setCurrentIndex(page);
        QCoreApplication::sendPostedEvents(); // the page is laid out before it is drawn
        QVERIFY(saveScreenshot(m_dlg, page == 0 ? "configuration-settings" : "configuration-advanced"));
    }
}

QTEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
