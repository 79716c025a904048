#include "machines/cconfiguration.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QToolBox>
#include <QToolButton>

#include <cmath>
#include <memory>

#include "axis/cAxisInterface.h"
#include "axis/measureserver.h"
#include "machines/ConfigurationForm.h"
#include "machines/ParentLink.h"
#include "shared/App.h"
#include "widgets/QMessageBoxKovra.h"

namespace {

const char kVendor[] = "Kovra";
const char kDefaultPassword[] = "tavo";
const char kNoLanguage[] = "English|none";

// The two records differ in a field the dialog shows (debug, vendor name and
// logo name are not compared: the first is run-time, the others follow the
// customization).
bool sameShownFields(const s_MachineSettings &a, const s_MachineSettings &b)
{
    return a.isMM == b.isMM && a.isRadius == b.isRadius && a.Language == b.Language && a.Password == b.Password
        && a.hasIndex == b.hasIndex && a.type == b.type && a.hasCAxis == b.hasCAxis
        && a.coarseZeroSearch == b.coarseZeroSearch && a.disableAnimation == b.disableAnimation
        && a.zeroReset == b.zeroReset && a.isPivra == b.isPivra && a.ClearLabelMode == b.ClearLabelMode
        && a.ppEnabled == b.ppEnabled && a.ppFormatLocked == b.ppFormatLocked && a.ppDirLocked == b.ppDirLocked
        && a.balluffEnabled == b.balluffEnabled && a.logoPrint == b.logoPrint && a.custom == b.custom
        && a.angularHead == b.angularHead && a.disableRunout == b.disableRunout && a.hasNfc == b.hasNfc
        && a.automaticSpindle == b.automaticSpindle;
}

bool sameSensorSet(const CVideoDevice::SensorSet &a, const CVideoDevice::SensorSet &b)
{
    return a.Brightness == b.Brightness && a.factor == b.factor && a.Contrast == b.Contrast && a.hue == b.hue
        && a.BiasB == b.BiasB && a.BiasR == b.BiasR && a.BiasGB == b.BiasGB && a.BiasGR == b.BiasGR;
}

// A key of a customization file; absent keys read as "*".
QString customValue(QSettings &file, const char *key, const QString &fallback)
{
    const QString v = file.value(QLatin1String(key), QStringLiteral("*")).toString();
    return v == QLatin1String("*") ? fallback : v;
}

std::unique_ptr<QSettings> customFile(const QString &name)
{
    auto file = std::make_unique<QSettings>(QStringLiteral("./custom/") + name, QSettings::IniFormat);
    file->setIniCodec("UTF-8");
    return file;
}

} // namespace

cConfiguration::cConfiguration(CVideoDevice *cam, cAxisInterface *axisLink, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_cConfiguration)
    , camera(cam)
    , axis(axisLink)
    , settingsSnapshot(MachineSettings)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // A child panel of the main window beside the camera view, not a window.
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);

    sensorMode = camera->sensorMode;

    ui->chkDebug->setChecked(MachineSettings.debug);
    ui->chkEnableCAxis->setChecked(MachineSettings.hasCAxis);
    ui->chkCoarseZeroSearch->setChecked(MachineSettings.coarseZeroSearch);
    ui->chkDisableAnimation->setChecked(MachineSettings.disableAnimation);
    ui->chkPivra->setChecked(MachineSettings.isPivra);
    ui->chkEnableZeroReset->setChecked(MachineSettings.zeroReset);
    ui->chkEnablePostPro->setChecked(MachineSettings.ppEnabled);
    ui->chkBalluff->setChecked(MachineSettings.balluffEnabled);
    ui->leLabelLogo->setText(MachineSettings.logoPrint);
    ui->chkAngularHeads->setChecked(MachineSettings.angularHead);
    ui->chkDisableRunOut->setChecked(MachineSettings.disableRunout);
    ui->chkAutomatic->setChecked(MachineSettings.automaticSpindle);

    // Locks without the post-processor mean nothing: cleared in the record
    // (the snapshot keeps them, so Discard brings them back).
    if (!MachineSettings.ppEnabled) {
        MachineSettings.ppFormatLocked = false;
        MachineSettings.ppDirLocked = false;
        ui->chkPostproLocked->setEnabled(false);
        ui->chkFolderLocked->setEnabled(false);
    }
    ui->chkPostproLocked->setChecked(MachineSettings.ppFormatLocked);
    ui->chkFolderLocked->setChecked(MachineSettings.ppDirLocked);
    connect(ui->chkEnablePostPro, &QCheckBox::toggled, this, &cConfiguration::toggleEnablePP);

    if (sensorMode == 0) {
        ui->sliExposure->setRange(1, 25);
        ui->sliGain->setRange(0, 25);
    } else {
        ui->sliExposure->setRange(1, 2047);
        ui->sliGain->setRange(0, 47);
    }
    connect(ui->chkDebug, &QCheckBox::toggled, this, &cConfiguration::toggleDebug);
    connect(ui->chkEnableZeroReset, &QCheckBox::toggled, this, &cConfiguration::toggleEnableZeroReset);

    // Each control gets its value before its slot is linked: building the
    // dialog changes nothing in the camera (a value out of range shows at the
    // bound while the camera keeps its own).
    const SensorSet &set = sensorSet();
    ui->sliExposure->setValue(set.Brightness);
    connect(ui->sliExposure, &QSlider::valueChanged, this, &cConfiguration::setExposure);
    ui->sliGain->setValue(set.Contrast);
    connect(ui->sliGain, &QSlider::valueChanged, this, &cConfiguration::setGain);
    ui->sliBiasB->setValue(set.BiasB);
    connect(ui->sliBiasB, &QSlider::valueChanged, this, &cConfiguration::setBiasB);
    ui->sliBiasGB->setValue(set.BiasGB);
    connect(ui->sliBiasGB, &QSlider::valueChanged, this, &cConfiguration::setBiasGB);
    ui->sliBiasR->setValue(set.BiasR);
    connect(ui->sliBiasR, &QSlider::valueChanged, this, &cConfiguration::setBiasR);
    ui->sliBiasGR->setValue(set.BiasGR);
    connect(ui->sliBiasGR, &QSlider::valueChanged, this, &cConfiguration::setBiasGR);
    const int scanRow = camera->scanline;
    ui->chkManualScanline->setChecked(scanRow != 0);
    if (scanRow != 0)
        ui->sliScanline->setValue(scanRow);
    ui->sliScanline->setEnabled(scanRow != 0);
    ui->spinScanline->setEnabled(scanRow != 0);
    connect(ui->chkManualScanline, &QCheckBox::toggled, this, &cConfiguration::toggleScanline);
    connect(ui->sliScanline, &QSlider::valueChanged, this, &cConfiguration::setScanline);
    cameraId = camera->getCameraId();
    sensorSnapshot = sensorSet();

    ui->rbMM->setChecked(MachineSettings.isMM);
    ui->rbInch->setChecked(!MachineSettings.isMM);
    ui->rbRadius->setChecked(MachineSettings.isRadius);
    ui->rbDiameter->setChecked(!MachineSettings.isRadius);
    ui->chkIndex->setChecked(MachineSettings.hasIndex);
    ui->lePassword->setText(MachineSettings.Password);

    fillLanguages();

    showCalibration();
    connect(ui->pbCalibration, &QToolButton::clicked, this, &cConfiguration::slotCalibrationWizard);

    if (MachineSettings.type == 0)
        ui->rbT8B->setChecked(true);
    else if (MachineSettings.type == 3)
        ui->rbT9C->setChecked(true);
    switch (MachineSettings.ClearLabelMode) {
    case 0: ui->optLabelClearNone->setChecked(true); break;
    case 1: ui->optLabelClearYes->setChecked(true); break;
    case 2: ui->optLabelClearConfirm->setChecked(true); break;
    default: break;
    }

    connect(ui->tbCancel, &QPushButton::clicked, this, &cConfiguration::exitConfig);
    connect(ui->tbSave, &QPushButton::clicked, this, &cConfiguration::writeSettings);
    if (hasMember(parent, SIGNAL(sigUpdGui())))
        connect(this, SIGNAL(updGui()), parent, SIGNAL(sigUpdGui()));
    if (hasMember(parent, SLOT(activateMachineSettings())))
        connect(this, SIGNAL(updGui()), parent, SLOT(activateMachineSettings()));

    const bool advanced = isSuperUser || isSuperConfigUser;
    ui->toolBox->setItemEnabled(1, advanced);
    ui->toolBox->setCurrentIndex(advanced ? 1 : 0);
    ui->gbCameraSettings->setVisible(isSuperConfigUser);

    ui->lblSoftwareVersion->setText(tr("Software version") + QStringLiteral(" 3.0"));
    ui->lblAxbVersion->setText(MachineSettings.axbVersion);

    fillCustomizations();
    showSpindleButtons();
    move(640, 0);
}

cConfiguration::~cConfiguration()
{
    delete ui;
}

CVideoDevice::SensorSet &cConfiguration::sensorSet() const
{
    return camera->sensorSets[sensorMode == 0 ? 0 : 1];
}

bool cConfiguration::sensorUnchanged() const
{
    return sameSensorSet(sensorSet(), sensorSnapshot);
}

QString cConfiguration::sensorGroup() const
{
    return (sensorMode == 0 ? QStringLiteral("/sensorMeasure") : QStringLiteral("/sensorInspection"))
        + (cameraId == 0 ? QStringLiteral("/") : QStringLiteral("1/"));
}

void cConfiguration::showSpindleButtons()
{
    const s_MachineSettings &ms = MachineSettings;
    ui->tbSetCZero->setVisible(ms.hasNfc);
    ui->gbAutomaticSpindle->setVisible(ms.hasNfc || ms.automaticSpindle);
    ui->tbCleanSpindle->setVisible(ms.automaticSpindle);
    const bool service = (isSuperUser || isSuperConfigUser) && ms.automaticSpindle;
    ui->tbSaveXref->setVisible(service);
    ui->tbSaveZref->setVisible(service);
    ui->tbResetSpindleDb->setVisible(service);
}

// Settings record ---------------------------------------------------------------

s_MachineSettings cConfiguration::getMacSettings()
{
    s_MachineSettings ms = MachineSettings;
    ms.hasIndex = ui->chkIndex->isChecked();
    ms.Password = ui->lePassword->text();
    ms.Language = createIniLang(ui->cmbLanguage->currentText());
    ms.isMM = ui->rbMM->isChecked();
    ms.isRadius = ui->rbRadius->isChecked();
    ms.hasCAxis = ui->chkEnableCAxis->isChecked();
    ms.coarseZeroSearch = ui->chkCoarseZeroSearch->isChecked();
    ms.disableAnimation = ui->chkDisableAnimation->isChecked();
    ms.isPivra = ui->chkPivra->isChecked();
    ms.ppEnabled = ui->chkEnablePostPro->isChecked();
    if (!ms.ppEnabled) {
        ui->chkFolderLocked->setChecked(false);
        ui->chkPostproLocked->setChecked(false);
    }
    ms.ppDirLocked = ui->chkFolderLocked->isChecked();
    ms.ppFormatLocked = ui->chkPostproLocked->isChecked();
    ms.balluffEnabled = ui->chkBalluff->isChecked();
    ms.angularHead = ui->chkAngularHeads->isChecked();
    ms.disableRunout = ui->chkDisableRunOut->isChecked();
    ms.automaticSpindle = ui->chkAutomatic->isChecked();
    ms.hasNfc = ui->chkAutomatic->isChecked();
    // The field holds 15 characters: showing the start of a longer text is no edit of it.
    const QString logo = ui->leLabelLogo->text();
    ms.logoPrint = logo == ms.logoPrint.left(ui->leLabelLogo->maxLength()) ? ms.logoPrint : logo.trimmed();
    // A customization the list cannot show (its file gone, or settings taken
    // from another machine) stays as stored until the operator picks an entry.
    if (ui->cmbCustom->currentIndex() >= 0)
        ms.custom = ui->cmbCustom->currentText();
    if (ui->optLabelClearNone->isChecked())
        ms.ClearLabelMode = 0;
    else if (ui->optLabelClearYes->isChecked())
        ms.ClearLabelMode = 1;
    else if (ui->optLabelClearConfirm->isChecked())
        ms.ClearLabelMode = 2;
    if (ui->rbT8A->isChecked()) {
        ms.type = 1;
    } else if (ui->rbT8B->isChecked()) {
        ms.type = 0;
    } else if (ui->rbT9C->isChecked()) {
        ms.type = 3;
        // The T9C clamps by itself: no vacuum clamping option.
        ui->chkPivra->setChecked(false);
        ms.isPivra = false;
    }
    return ms;
}

bool cConfiguration::writeKeys(const QVector<QPair<QString, QVariant>> &values)
{
    if (App::writeKovraSettings(values))
        return true;
    QMessageBoxKovra::critical(this, tr("Configuration"), tr("Settings could not be saved"), QMessageBox::Ok);
    return false;
}

bool cConfiguration::writeSettings()
{
    if (QMessageBoxKovra::question(this, tr("Configuration"), tr("Save settings as default?"),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return false;

    if (!sensorUnchanged()) {
        const SensorSet &set = sensorSet();
        const QString group = sensorGroup();
        if (!writeKeys({{group + QLatin1String("Brightness"), set.Brightness},
                        {group + QLatin1String("Contrast"), set.Contrast},
                        {group + QLatin1String("BiasR"), set.BiasR},
                        {group + QLatin1String("BiasB"), set.BiasB},
                        {group + QLatin1String("BiasGB"), set.BiasGB},
                        {group + QLatin1String("BiasGR"), set.BiasGR}}))
            return false;
        sensorSnapshot = set;
    }

    s_MachineSettings ms = getMacSettings();
    if (ms.Password.isEmpty()) {
        QMessageBoxKovra::critical(this, tr("Configuration"), tr("Invalid empty password"), QMessageBox::Ok);
        return false;
    }
    if (sameShownFields(ms, settingsSnapshot))
        return true;

    if (ms.custom != settingsSnapshot.custom) {
        if (ms.custom.isEmpty() || ms.custom == QLatin1String(kVendor)) {
            ms.vendorName = QString::fromLatin1(kVendor);
            ms.logoName.clear();
            ms.Password = QString::fromLatin1(kDefaultPassword);
            ms.logoPrint = QString::fromLatin1(kVendor);
        } else {
            auto file = customFile(ms.custom);
            ms.vendorName = customValue(*file, "/Settings/VendorName", QString::fromLatin1(kVendor));
            ms.logoName = customValue(*file, "/Settings/logo", QString());
            ms.logoPrint = customValue(*file, "/Settings/logoPrint", QString::fromLatin1(kVendor));
            ms.Password = customValue(*file, "/Settings/password", QString::fromLatin1(kDefaultPassword));
        }
    }
    if (ms.automaticSpindle != settingsSnapshot.automaticSpindle)
        QMessageBoxKovra::warning(this, tr("Automatic spindle"),
                                  tr("Automatic spindle option has changed") + tr("Application must be restarted"),
                                  QMessageBox::Ok);

    // The screen must not claim a state the file does not hold: no record,
    // no snapshot and no refresh unless the file took it.
    if (!writeKeys({
            {QStringLiteral("/Machine/isMM"), ms.isMM},
            {QStringLiteral("/Machine/isRadius"), ms.isRadius},
            {QStringLiteral("/Machine/Password"), ms.Password},
            {QStringLiteral("/Machine/Language"), createIniLang(ui->cmbLanguage->currentText())},
            {QStringLiteral("/Machine/type"), ms.type},
            {QStringLiteral("/Machine/hasCAxis"), ms.hasCAxis},
            {QStringLiteral("/Machine/hasIndex"), ms.hasIndex},
            {QStringLiteral("/Machine/coarseZeroSearch"), ms.coarseZeroSearch},
            {QStringLiteral("/Machine/disableAnimation"), ms.disableAnimation},
            {QStringLiteral("/Machine/isPivra"), ms.isPivra},
            {QStringLiteral("/Machine/ClearLabelMode"), ms.ClearLabelMode},
            {QStringLiteral("/Machine/ppEnabled"), ms.ppEnabled},
            {QStringLiteral("/Machine/ppDirLocked"), ms.ppDirLocked},
            {QStringLiteral("/Machine/ppFormatLocked"), ms.ppFormatLocked},
            {QStringLiteral("/Machine/balluffEnabled"), ms.balluffEnabled},
            {QStringLiteral("/Machine/angularHead"), ms.angularHead},
            {QStringLiteral("/Machine/disableRunout"), ms.disableRunout},
            {QStringLiteral("/Machine/automaticSpindle"), ms.automaticSpindle},
            {QStringLiteral("/Machine/hasNfc"), ms.hasNfc},
            {QStringLiteral("/Machine/logoPrint"), ms.logoPrint},
            {QStringLiteral("/Machine/custom"), ms.custom},
            {QStringLiteral("/Machine/vendorName"), ms.vendorName},
            {QStringLiteral("/Machine/logoName"), ms.logoName}}))
        return false;

    MachineSettings = ms;
    settingsSnapshot = MachineSettings;
    // A customization may have replaced the password and the label text.
    ui->lePassword->setText(ms.Password);
    ui->leLabelLogo->setText(ms.logoPrint);
    emit updGui();
    return true;
}

void cConfiguration::exitConfig()
{
    camera->setMeasureLines(false);
    close();
}

void cConfiguration::closeEvent(QCloseEvent *event)
{
    const s_MachineSettings ms = getMacSettings();
    if (!sensorUnchanged() || !sameShownFields(ms, settingsSnapshot)) {
        const QMessageBox::StandardButton answer = QMessageBoxKovra::question(
            this, tr("Configuration"), tr("Settings changed but not saved"),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer == QMessageBox::Discard) {
            MachineSettings = settingsSnapshot;
            sensorSet() = sensorSnapshot;
            camera->SetSensor();
            event->accept();
        } else if (answer == QMessageBox::Save) {
            if (writeSettings())
                event->accept();
            else
                event->ignore();
        } else {
            event->ignore();
            return;
        }
    } else {
        event->accept();
    }
    camera->scanline = 0;
}

// Run-time switches and post-processor options ------------------------------------

void cConfiguration::toggleDebug(bool on)
{
    MachineSettings.debug = on;
}

void cConfiguration::toggleEnableZeroReset(bool on)
{
    MachineSettings.zeroReset = on;
}

void cConfiguration::toggleEnablePP(bool)
{
    ui->chkPostproLocked->setChecked(false);
    ui->chkFolderLocked->setChecked(false);
    const bool enabled = ui->chkEnablePostPro->isChecked();
    ui->chkPostproLocked->setEnabled(enabled);
    ui->chkFolderLocked->setEnabled(enabled);
}

// Camera sensor and scan line ----------------------------------------------------

void cConfiguration::setExposure(int value)
{
    sensorSet().Brightness = value;
    camera->SetSensor();
}

void cConfiguration::setGain(int value)
{
    sensorSet().Contrast = value;
    camera->SetSensor();
}

void cConfiguration::setBiasB(int value)
{
    sensorSet().BiasB = value;
    camera->SetSensor();
}

void cConfiguration::setBiasGB(int value)
{
    sensorSet().BiasGB = value;
    camera->SetSensor();
}

void cConfiguration::setBiasR(int value)
{
    sensorSet().BiasR = value;
    camera->SetSensor();
}

void cConfiguration::setBiasGR(int value)
{
    sensorSet().BiasGR = value;
    camera->SetSensor();
}

void cConfiguration::toggleScanline(bool on)
{
    camera->scanline = on ? qint16(ui->spinScanline->value()) : qint16(0);
    ui->sliScanline->setEnabled(on);
    ui->spinScanline->setEnabled(on);
}

void cConfiguration::setScanline(int row)
{
    camera->scanline = qint16(row);
}

// Pixel calibration -----------------------------------------------------------------

QMessageBox::StandardButton cConfiguration::cameraBox(QMessageBox::Icon kind, const QString &text,
                                                      QMessageBox::StandardButtons buttons)
{
    const QString title = tr("Calibration");
    QWidget *owner = parentWidget();
    if (QMessageBoxKovra::hasHandler()) {
        switch (kind) {
        case QMessageBox::Critical: return QMessageBoxKovra::critical(owner, title, text, buttons);
        case QMessageBox::Question: return QMessageBoxKovra::question(owner, title, text, buttons);
        default: return QMessageBoxKovra::information(owner, title, text, buttons);
        }
    }
    // Shown first so its frame is known, then centred on the 640 x 640 camera
    // view and 128 pixels lower, out of the way of the regions probed.
    auto *box = new QMessageBox(kind, title, text, buttons, owner);
    box->show();
    const QRect frame = box->frameGeometry();
    box->move((639 - (frame.right() - frame.left())) / 2, (639 - (frame.bottom() - frame.top())) / 2 + 128);
    const auto answer = QMessageBox::StandardButton(box->exec());
    delete box;
    return answer;
}

void cConfiguration::endWizard()
{
    camera->roi = {1, 1, 640, 640};
    setEnabled(true);
}

void cConfiguration::slotCalibrationWizard()
{
    struct Step
    {
        CVideoDevice::Roi roi;
        const char *prompt;
        bool xAxis;
        double pixel = 0;   // edge position with its sub-pixel offset
        double axisMm = 0;
    };
    Step steps[] = {
        {{40, 240, 99, 439}, QT_TR_NOOP("Probe X in LEFT region of interest"), true},
        {{560, 240, 619, 439}, QT_TR_NOOP("Probe X in RIGHT region of interest"), true},
        {{220, 40, 419, 99}, QT_TR_NOOP("Probe Z in TOP region of interest"), false},
        {{220, 560, 419, 619}, QT_TR_NOOP("Probe Z in BOTTOM region of interest"), false},
    };

    camera->setMeasureLines(true);
    setEnabled(false);
    for (Step &step : steps) {
        camera->roi = step.roi;
        const int extreme = step.xAxis ? EXT_MIN_X : EXT_MIN_Y;
        EdgeResult r;
        for (;;) {
            if (cameraBox(QMessageBox::Question, tr(step.prompt), QMessageBox::Ok | QMessageBox::Cancel)
                != QMessageBox::Ok) {
                endWizard();
                return;
            }
            // The check, the point and its sub-pixel part from one frame: a
            // frame without an edge coming in between would leave a stale point.
            r = camera->result();
            if (r.valid[extreme])
                break;
            if (cameraBox(QMessageBox::Critical, tr("No measure line detected"), QMessageBox::Retry | QMessageBox::Cancel)
                != QMessageBox::Retry) {
                endWizard();
                return;
            }
        }
        if (MeasureServer::refusedForSilence(axis, parentWidget())) {
            endWizard();
            return;
        }
        const POINT &p = r.point[extreme];
        step.pixel = double(r.sub[extreme]) + (step.xAxis ? p.x : p.y);
        step.axisMm = !axis ? 0.0 : step.xAxis ? axis->GetX_DXFref() : axis->GetZ_DXFref();
    }

    const double xAxis = steps[1].axisMm - steps[0].axisMm;
    const double xPixels = steps[1].pixel - steps[0].pixel;
    const double zAxis = steps[3].axisMm - steps[2].axisMm;
    const double zPixels = steps[3].pixel - steps[2].pixel;
    // An edge that stood still gives no factor at all, an axis that stood
    // still a factor of 0: either would make every camera measure wrong, so
    // the calibration in force stays (a negative factor is a valid one).
    const bool edgeStill = xPixels == 0.0 || zPixels == 0.0 || !std::isfinite(xAxis / xPixels)
        || !std::isfinite(zAxis / zPixels);
    if (edgeStill || xAxis == 0.0 || zAxis == 0.0) {
        camera->roi = {1, 1, 640, 640};
        cameraBox(QMessageBox::Critical,
                  edgeStill ? tr("Calibration failed: the edge did not move between the two regions")
                            : tr("Calibration failed: the axis reading did not change between the two regions"),
                  QMessageBox::Ok);
        setEnabled(true);
        return;
    }
    ui->txtXcal->setText(QString::number(xAxis / xPixels, 'f', 8));
    ui->txtZcal->setText(QString::number(zAxis / zPixels, 'f', 8));
    camera->roi = {1, 1, 640, 640};
    saveAxisCalibration();
    setEnabled(true);
}

void cConfiguration::showCalibration()
{
    ui->txtXcal->setText(QString::number(double(camera->XCalibration), 'f', 6));
    ui->txtZcal->setText(QString::number(double(camera->ZCalibration), 'f', 6));
}

void cConfiguration::saveAxisCalibration()
{
    const QString group = cameraId == 0 ? QStringLiteral("/camera/") : QStringLiteral("/camera1/");
    if (!writeKeys({{group + QLatin1String("XCalibration"), ui->txtXcal->text()},
                    {group + QLatin1String("ZCalibration"), ui->txtZcal->text()}})) {
        // The factors the file refused are not the ones measures use.
        showCalibration();
        return;
    }
    // Measures go on with the calibration in force until the file holds the new one.
    camera->XCalibration = ui->txtXcal->text().toFloat();
    camera->ZCalibration = ui->txtZcal->text().toFloat();
    cameraBox(QMessageBox::Information, tr("Calibration updated"), QMessageBox::Ok);
}

// Languages and customization ------------------------------------------------------

QString cConfiguration::createIniLang(const QString &name) const
{
    const auto it = languages.constFind(name);
    if (it == languages.constEnd())
        return QString::fromLatin1(kNoLanguage);
    return name + QLatin1Char('|') + it.value();
}

void cConfiguration::fillLanguages()
{
    ui->cmbLanguage->clear();
    QSettings &s = App::kovraSettings();
    for (int i = 0;; ++i) {
        const QString value = s.value(QStringLiteral("/Translations/Tr%1").arg(i), QStringLiteral("*")).toString();
        if (value == QLatin1String("*"))
            break;
        const QStringList parts = value.split(QLatin1Char('|'));
        if (parts.size() == 2)
            languages.insert(parts.at(0), parts.at(1));
        ui->cmbLanguage->addItem(parts.at(0));
    }
    const QStringList current = MachineSettings.Language.split(QLatin1Char('|'));
    if (current.size() == 2)
        ui->cmbLanguage->setCurrentIndex(ui->cmbLanguage->findText(current.at(0), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void cConfiguration::fillCustomizations()
{
    const QStringList files =
        QDir(QStringLiteral("./custom")).entryList({QStringLiteral("*")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    ui->cmbCustom->addItems(files);
    ui->cmbCustom->addItem(QString::fromLatin1(kVendor));
    ui->cmbCustom->setCurrentIndex(
        ui->cmbCustom->findText(MachineSettings.custom, Qt::MatchExactly | Qt::MatchCaseSensitive));
    connect(ui->cmbCustom, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { activateCustomization(ui->cmbCustom->itemText(index)); });
}

void cConfiguration::activateCustomization(QString name)
{
    if (name.isEmpty()) {
        ui->lePassword->setText(QString::fromLatin1(kDefaultPassword));
        ui->leLabelLogo->setText(QString::fromLatin1(kVendor));
        return;
    }
    auto file = customFile(name);
    ui->leLabelLogo->setText(customValue(*file, "/Settings/logoPrint", QString::fromLatin1(kVendor)));
    ui->lePassword->setText(customValue(*file, "/Settings/password", QString::fromLatin1(kDefaultPassword)));
}
