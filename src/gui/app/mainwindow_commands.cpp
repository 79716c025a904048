// Operator commands of the main window: set panels and references, the input
// box openers, axis commands, the camera function bar and its panels, found
// geometry, manual measures and inspection mode.

#include "app/mainwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QValidator>

#include <cmath>

#include "app/CameraPalettes.h"
#include "app/MainWindowForm.h"
#include "app/MeasureCommands.h"
#include "machines/MachineNames.h"
#include "axis/cAxisInterface.h"
#include "axis/measureserver.h"
#include "camera/CameraAxes.h"
#include "camera/VideoDevice.h"
#include "interface/CamPanel.h"
#include "keyboard/myinputpanel.h"
#include "keyboard/myinputpanelcontext.h"
#include "machines/cconfiguration.h"
#include "shared/App.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "widgets/SharedWidgets.h"
#include "tooling/ctoolset.h"

namespace {

// Only a complete number is acted on: an empty entry, "." or "-" would read as 0.
bool acceptable(QLineEdit *edit, double &value)
{
    QString text = edit->text();
    if (const QValidator *v = edit->validator()) {
        int pos = 0;
        if (v->validate(text, pos) != QValidator::Acceptable)
            return false;
    }
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value);
}

bool isDefaultMachine()
{
    return CurrentMachine.name == MachineNames::defaultMachine();
}

} // namespace

void MainWindow::connectCommands()
{
    connect(ui->tbSetX, &QPushButton::clicked, this, &MainWindow::PressedSetX);
    connect(ui->tbSetZ, &QPushButton::clicked, this, &MainWindow::PressedSetZ);
    connect(ui->tbSetC, &QPushButton::clicked, this, &MainWindow::PressedSetC);
    connect(ui->tbAIX, &QPushButton::toggled, this, &MainWindow::toggleXincr);
    connect(ui->tbAIZ, &QPushButton::toggled, this, &MainWindow::toggleZincr);
    connect(ui->tbAIC, &QPushButton::toggled, this, &MainWindow::toggleCincr);
    connect(ui->tbRadDia, &QPushButton::toggled, this, &MainWindow::toggleRadDia);
    connect(ui->tbConfigure, &QPushButton::clicked, this, &MainWindow::reqConfiguration);
    connect(axis, &cAxisInterface::sigVacuumImg, this, &MainWindow::setVacuumImage);

    connect(ui->tbCamera, &QPushButton::toggled, this, &MainWindow::slotCamera);
    for (QPushButton *b : {ui->tbTypeX, ui->tbTypeZ, ui->tbTypeC})
        connect(b, &QPushButton::clicked, this, &MainWindow::slotTypeMeasure);
    connect(&reticleGroup, QOverload<int>::of(&QButtonGroup::buttonClicked), this, &MainWindow::slotReticleType);
    for (QPushButton *b : {ui->tbInspectionColor, ui->tbCamAngleReticle, ui->tbCamAngle, ui->tbCamAngle2Point,
                           ui->tbCamRadiusReticle, ui->tbExitCamera, ui->tbCamRadius, ui->tbCamRadius5Point})
        connect(b, &QPushButton::clicked, this, &MainWindow::slotCameraCommand);
    connect(ui->sbCircle, &QScrollBar::valueChanged, this, &MainWindow::sliCircle);
    connect(ui->leCircleR, &QLineEdit::textChanged, this, &MainWindow::setCircleReticle);
    connect(ui->tbInsertRadius, &QPushButton::clicked, this, &MainWindow::resetRadius);
    connect(ui->sbAngle, &QScrollBar::valueChanged, this, &MainWindow::sliAngle);
    connect(ui->leAngleA, &QLineEdit::textChanged, this, &MainWindow::setAngleReticle);
    connect(ui->tbInsertAngle, &QPushButton::clicked, this, &MainWindow::resetAngle);
    connect(ui->tbInspection, &QPushButton::toggled, this, &MainWindow::slotInspection);
    for (QPushButton *b : {ui->tbColorCyan, ui->tbColorMagenta, ui->tbColorWhite, ui->tbColorYellow})
        connect(b, &QPushButton::clicked, this, &MainWindow::setInspectionColor);
    connect(ui->sbLight, &QScrollBar::valueChanged, this, &MainWindow::sliLight);
    for (QPushButton *b : {ui->tbGetPoint2PReticle, ui->tbGetPoint5PReticle})
        connect(b, &QPushButton::clicked, this, &MainWindow::manualMeasures);
    for (QPushButton *b : {ui->tbOkSetPoint2P, ui->tbOkSetPoint5P})
        connect(b, &QPushButton::clicked, this, &MainWindow::setManualValue);
    // Colours are chosen only in inspection mode.
    ui->tbInspectionColor->setEnabled(false);

    connect(camera, &CVideoDevice::XAxisInPos, this, &MainWindow::slotAxisInPosX);
    connect(camera, &CVideoDevice::ZAxisInPos, this, &MainWindow::slotAxisInPosZ);
    connect(camera, &CVideoDevice::sigFoundLines, this, &MainWindow::slotFoundLines);
    connect(camera, &CVideoDevice::sigFoundCircle, this, &MainWindow::slotFoundCircle);
    connect(camPanel, &CCamPanel::setRotatedValues, this, &MainWindow::getRotatedValues);
    connect(ui->sbRotateMeasLine, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &MainWindow::slotRotMeasLine);
    connect(ui->pbSetRotatedAngle, &QPushButton::clicked, this, &MainWindow::setAutoAngleReticle);
    connect(ui->tbRotated, &QPushButton::toggled, this, &MainWindow::measRotated);
    measRotated(false);
}

// References and incremental zeroes ---------------------------------------------

void MainWindow::PressedSetX()
{
    double v = 0;
    if (!acceptable(ui->leSetX, v) || MeasureServer::refusedForSilence(axis, this))
        return;
    if (!CurrentMachine.isRadius)
        v *= 0.5;
    const bool defaultMachine = isDefaultMachine();
    // What the toggle below changes, put back when the press is refused after the wait.
    const s_machine before = CurrentMachine;
    const bool wasChecked = ui->tbAIX->isChecked();
    if (!defaultMachine) {
        ui->tbAIX->setChecked(true);
        // Unchecked again: the toggle was refused (its box shown), nothing is placed.
        if (!ui->tbAIX->isChecked())
            return;
    }
    animator.setStatus(QStringLiteral("setX"), false);
    freezeMeasureButton(ui->tbAIX);
    // The board may have gone silent during the wait: the toggle's zero goes too.
    if (MeasureServer::refusedForSilence(axis, this)) {
        CurrentMachine.xIncr = before.xIncr;
        CurrentMachine.zIncr = before.zIncr;
        CurrentMachine.xIncrZero = before.xIncrZero;
        CurrentMachine.zIncrZero = before.zIncrZero;
        const QSignalBlocker block(ui->tbAIX);
        ui->tbAIX->setChecked(wasChecked);
        return;
    }
    placeSetValue(true, v, defaultMachine);
}

void MainWindow::PressedSetZ()
{
    double v = 0;
    if (!acceptable(ui->leSetZ, v) || MeasureServer::refusedForSilence(axis, this))
        return;
    const bool defaultMachine = isDefaultMachine();
    animator.setStatus(QStringLiteral("setZ"), false);
    freezeMeasureButton(ui->tbAIZ);
    // The board may have gone silent during the wait.
    if (MeasureServer::refusedForSilence(axis, this))
        return;
    if (!defaultMachine) {
        ui->tbAIZ->setChecked(true);
        // Unchecked again: the toggle was refused (its box shown), nothing is placed.
        if (!ui->tbAIZ->isChecked())
            return;
    }
    placeSetValue(false, v, defaultMachine);
}

// A machine takes v as the incremental zero of the axis shown on that row (the
// other one when X and Z are swapped); the default machine takes it as its
// reference, kept in the settings.
void MainWindow::placeSetValue(bool xRow, double v, bool defaultMachine)
{
    if (defaultMachine) {
        // The read-out shows v at the reference placed where the axis stands now.
        const qint64 gauge = axis->setValueCoordinate(xRow, v);
        const int scaleRef = xRow ? axis->getScaleX() : axis->getScaleZ();
        const QString letter = QLatin1String(xRow ? "X" : "Z");
        const QString gaugeKey = QStringLiteral("System/Gauge") + letter;
        // The file first: a reference it refused is not the one measures use.
        // Whole micrometres where every reader looks, the tenths beside them.
        if (!App::writeKovraSettings({{gaugeKey, MeasureCommands::referenceMicrometres(gauge)},
                                      {MeasureCommands::referenceTenthsKey(gaugeKey), gauge},
                                      {QStringLiteral("System/Ref") + letter, scaleRef}})) {
            QMessageBoxKovra::critical(this, MachineSettings.vendorName,
                                       tr("The settings file could not be written: the earlier reference stays in force"),
                                       QMessageBox::Ok);
            return;
        }
        MeasureCommands::setReference(CurrentMachine, xRow, gauge);
        (xRow ? CurrentMachine.sysXref : CurrentMachine.sysZref) = scaleRef;
    }
    const bool onX = defaultMachine ? xRow : xRow != CurrentMachine.swapXZ;
    if (onX)
        axis->SetIncrementalX(!defaultMachine, float(v));
    else
        axis->SetIncrementalZ(!defaultMachine, float(v));
}

void MainWindow::PressedSetC()
{
    double v = 0;
    if (!acceptable(ui->leSetC, v) || MeasureServer::refusedForSilence(axis, this))
        return;
    axis->SetIncrementalC(true, float(v));
    {
        // The zero is already placed: the toggle must not move it back.
        const QSignalBlocker block(ui->tbAIC);
        ui->tbAIC->setChecked(true);
    }
    animator.setStatus(QStringLiteral("setC"), false);
}

void MainWindow::toggleXincr(bool on)
{
    freezeMeasureButton(ui->tbAIX);
    setRowIncremental(true, on);
}

void MainWindow::toggleZincr(bool on)
{
    freezeMeasureButton(ui->tbAIZ);
    setRowIncremental(false, on);
}

// Switches the axis shown on the row (the other one when X and Z are swapped)
// when it is not already so.
void MainWindow::setRowIncremental(bool xRow, bool on)
{
    if (incrementalRefused(xRow ? ui->tbAIX : ui->tbAIZ, on))
        return;
    if (xRow != CurrentMachine.swapXZ) {
        if (CurrentMachine.xIncr != on)
            axis->SetIncrementalX(on, 0.0f);
    } else if (CurrentMachine.zIncr != on) {
        axis->SetIncrementalZ(on, 0.0f);
    }
}

// The zero goes at the present position: only at one the board confirms.
bool MainWindow::incrementalRefused(QPushButton *button, bool on)
{
    if (!on || !MeasureServer::refusedForSilence(axis, this))
        return false;
    const QSignalBlocker block(button);
    button->setChecked(false);
    return true;
}

void MainWindow::toggleCincr(bool on)
{
    if (incrementalRefused(ui->tbAIC, on))
        return;
    if (CurrentMachine.cIncr != on)
        axis->SetIncrementalC(on, 0.0f);
}

// Input box openers ---------------------------------------------------------------

void MainWindow::showAngularInput()
{
    showInputBox(tr("Angular heads") + QStringLiteral("\n") + tr("Set rotation angle"),
                 QString::number(ui->sbRotateMeasLine->value(), 'g', 6), ibAngularHead, false);
    // The touch that asked for the box asked for the pad to type the angle.
    if (inputContext && QApplication::focusWidget() == ui->leInputBox)
        inputContext->showKeyboard(true);
}

void MainWindow::reqConfiguration()
{
    showInputBox(tr("Settings") + QStringLiteral("\n") + tr("Insert password"), QString(), ibConfiguration, true);
}

cConfiguration *MainWindow::configurationDialog() const
{
    return configuration;
}

void MainWindow::slotConfiguration(QString password)
{
    if (!ValidateUser(this, password))
        return;
    // A new dialog each time: it compares against the settings of its own opening.
    configuration = new cConfiguration(camera, axis, this);
    ui->tbAIX->setChecked(false);
    ui->tbAIZ->setChecked(false);
    ui->tbAIC->setChecked(false);
    ui->tbRetFix->setChecked(true);
    configuration->show();
}

// Axis commands -----------------------------------------------------------------

void MainWindow::linkTestRnOut()
{
    disconnect(testRnOutLink);
    testRnOutLink = {};
    if (testRnOutRole == RunOutRole::Clamp)
        testRnOutLink = connect(ui->tbTestRnOut, &QPushButton::clicked, this, &MainWindow::slotClamp);
    else if (testRnOutRole == RunOutRole::RunOutTest)
        testRnOutLink = connect(ui->tbTestRnOut, &QPushButton::toggled, this, &MainWindow::slotTestRnOut);
}

void MainWindow::slotClamp()
{
    axis->PressClampButton();
    if (MachineSettings.type == 3) {
        // The clamp needs its time: no second pulse before it is done.
        ui->tbTestRnOut->setEnabled(false);
        QTimer::singleShot(3000, this, &MainWindow::slotEnableClamp);
    }
}

void MainWindow::slotEnableClamp()
{
    ui->tbTestRnOut->setEnabled(true);
}

void MainWindow::slotTestRnOut(bool on)
{
    if (MachineSettings.isPivra)
        return;
    setVacuumImage(0);
    animator.setStatus(QStringLiteral("vacuumPanel"), on);
    ui->tbBrake->setEnabled(!on);
    ui->tbIndex->setEnabled(!on);
    if (on) {
        ui->tbIndex->setChecked(false);
        ui->tbBrake->setChecked(false);
        axis->startVacuumTest();
    } else {
        axis->stopVacuumTest();
    }
}

void MainWindow::setVacuumImage(int state)
{
    const QString file = MeasureCommands::vacuumPicture(state);
    ui->SpindleOK->setPixmap(file.isEmpty() ? QPixmap() : QPixmap(file));
}

void MainWindow::toggleRadDia(bool on)
{
    const QString text = ui->leXLabel->text().trimmed();
    if (!text.isEmpty()) {
        const double value = text == labelXText ? labelX : text.toDouble();
        labelX = value * (on ? 2.0 : 0.5);
        labelXText = MPrn(float(labelX), CurrentMachine.IsMM);
        ui->leXLabel->setText(labelXText);
    }
    CurrentMachine.isRadius = !on;
    ui->tbLblRadDia->setChecked(on);
}

// Camera function bar and reticles --------------------------------------------------

void MainWindow::slotCamera(bool on)
{
    if (on)
        animator.shrinkByGroup(2);
    camera->Geometry = false;
    animator.setStatus(QStringLiteral("cameraPanel"), on);
}

void MainWindow::slotCameraCommand()
{
    QObject *button = sender();
    ui->tbCamera->setChecked(false);
    if (button == ui->tbInspectionColor) {
        animator.setStatus(QStringLiteral("setColor"), true);
    } else if (button == ui->tbCamAngleReticle) {
        animator.setStatus(QStringLiteral("setAngle"), true);
    } else if (button == ui->tbCamRadiusReticle) {
        animator.setStatus(QStringLiteral("setCircle"), true);
    } else if (button == ui->tbCamAngle2Point) {
        animator.setStatus(QStringLiteral("setPoint2P"), true);
        ui->lbl2p->setText(QStringLiteral("0/2"));
        ui->lblAngleDistance->setText(QString());
        ui->tbOkSetPoint2P->setEnabled(false);
        pointList.clear();
    } else if (button == ui->tbCamRadius5Point) {
        animator.setStatus(QStringLiteral("getCircle5P"), true);
        ui->lbl5p->setText(QStringLiteral("0/5"));
        ui->lblRadValue5P->setText(QString());
        ui->tbOkSetPoint5P->setEnabled(false);
        pointList.clear();
    } else if (button == ui->tbCamAngle) {
        animator.setStatus(QStringLiteral("getAngle"), true);
        camera->Geometry = true;
        camera->autoCircle = false;
        camera->autoAngle = true;
        ui->pbAlternativeAngle->setChecked(false);
        geometryActive = 1;
    } else if (button == ui->tbCamRadius) {
        animator.setStatus(QStringLiteral("getCircle"), true);
        geometryActive = 2;
        camera->Geometry = true;
        camera->autoCircle = true;
        camera->autoAngle = false;
    } else if (button == ui->tbExitCamera) {
        ui->tbCamera->setChecked(false);
    }
}

void MainWindow::slotTypeMeasure()
{
    QObject *button = sender();
    QString id;
    QLineEdit *entry = nullptr;
    if (button == ui->tbTypeX) {
        id = QStringLiteral("setX");
        entry = ui->leSetX;
    } else if (button == ui->tbTypeZ) {
        id = QStringLiteral("setZ");
        entry = ui->leSetZ;
    } else if (button == ui->tbTypeC) {
        id = QStringLiteral("setC");
        entry = ui->leSetC;
    } else {
        return;
    }
    if (animator.isEnlarged(id)) {
        animator.setStatus(id, false);
    } else {
        animator.setStatus(id, true);
        entry->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::updateRotatedFrame(int reticleId)
{
    if (camera->sensorMode == 1)
        ui->frmRotated->hide();
    else
        ui->frmRotated->setVisible(MachineSettings.angularHead && (reticleId == 1 || reticleId == 2));
}

void MainWindow::slotReticleType(int id)
{
    const bool measureLines = id != 0;
    if (id == 0) {
        camera->enableFreeze(false, 0, 0);
        camPanel->resetAngularPoints();
    } else if (id == 1) {
        camera->enableFreeze(false, 0, 0);
    } else if (id == 2) {
        if (ui->pbFreeze->isChecked()) {
            camera->enableFreeze(false, 0, 0);
            QThread::usleep(1500);
            camera->enableFreeze(true, axis->getScaleX(), axis->getScaleZ());
        }
        camera->enableFreeze(true, axis->getScaleX(), axis->getScaleZ());
    }
    for (QPushButton *b : {ui->tbCamAngleReticle, ui->tbCamAngle2Point, ui->tbCamRadiusReticle, ui->tbCamRadius5Point})
        b->setEnabled(id == 0);
    camera->setMeasureLines(measureLines);
    updateRotatedFrame(id);
}

void MainWindow::sliCircle(int value)
{
    if (reticleSync)
        return;
    reticleSync = true;
    camera->circleReticle = float(value / 100.0);
    ui->leCircleR->setText(MeasureCommands::circleReticleText(value, CurrentMachine.IsMM));
    reticleSync = false;
}

void MainWindow::setCircleReticle(QString text)
{
    if (reticleSync)
        return;
    reticleSync = true;
    const double mm = MeasureCommands::circleReticleMm(text, CurrentMachine.IsMM);
    camera->circleReticle = float(mm);
    ui->sbCircle->setValue(MeasureCommands::circleSliderValue(mm));
    reticleSync = false;
}

void MainWindow::resetRadius()
{
    ui->leCircleR->setText(QStringLiteral("0"));
}

void MainWindow::sliAngle(int value)
{
    if (reticleSync)
        return;
    reticleSync = true;
    camera->angleReticle = float(MeasureCommands::snapAngleSlider(value) / 100.0);
    ui->leAngleA->setText(MeasureCommands::angleReticleText(value));
    reticleSync = false;
}

void MainWindow::setAngleReticle(QString text)
{
    if (reticleSync)
        return;
    reticleSync = true;
    camera->angleReticle = float(text.toDouble());
    ui->sbAngle->setValue(int(text.toDouble() * 100.0));
    reticleSync = false;
}

void MainWindow::resetAngle()
{
    ui->leAngleA->setText(QStringLiteral("0"));
}

// The reference panel's OK waits for the measured axis to stand in position,
// unless the coarse zero search takes any position.
void MainWindow::slotAxisInPosX(bool inPos)
{
    if (refAxis == cMachine::X)
        ui->tbOkGetReference->setEnabled(MachineSettings.coarseZeroSearch || inPos);
}

void MainWindow::slotAxisInPosZ(bool inPos)
{
    if (refAxis == cMachine::Z)
        ui->tbOkGetReference->setEnabled(MachineSettings.coarseZeroSearch || inPos);
}

// Found geometry and rotation -------------------------------------------------------

void MainWindow::slotFoundLines(QVector<sLineParam> lines)
{
    if (!animator.isEnlarged(QStringLiteral("getAngle")) || lines.isEmpty()) {
        ui->lblAngleAuto->clear();
        ui->lblAngleInt->clear();
        axis->autoAngleText.clear();
        return;
    }
    const QString text = MeasureCommands::foundLinesAngle(lines, ui->pbAlternativeAngle->isChecked(),
                                                          ui->sbRotateMeasLine->isVisible());
    if (lines.size() == 1) {
        ui->lblAngleInt->clear();
    } else if (lines.size() == 2) {
        const QString x = lines[1].isReference ? QStringLiteral("0") : axis->getIntersectionX();
        ui->lblAngleInt->setText(QStringLiteral("PX %1 PZ %2").arg(x, axis->getIntersectionZ()));
    }
    ui->lblAngleAuto->setText(QStringLiteral("A ") + text);
    axis->autoAngleText = ui->lblAngleAuto->text();
}

void MainWindow::slotFoundCircle(QPoint centre, int radius)
{
    if (!animator.isEnlarged(QStringLiteral("getCircle"))) {
        camera->autoCircle = false;
        return;
    }
    camPanel->circleX = centre.x();
    camPanel->circleY = centre.y();
    camPanel->circleR = radius;
    camera->autoCircle = radius != 0;
    if (radius == 0) {
        ui->lblRadAuto->clear();
        ui->lblRadCenter->clear();
        return;
    }
    const float r = float(radius) * camera->XCalibration;
    ui->lblRadAuto->setText(QStringLiteral("R ") + MPrn(ZVal(r), CurrentMachine.IsMM));
    ui->lblRadCenter->setText(QStringLiteral("CX %1 CZ %2").arg(axis->getCircleCenterX(), axis->getCircleCenterZ()));
}

void MainWindow::slotRotMeasLine(double value)
{
    camera->cameraAngle = float(value);
    camera->rotation = !(value == 0.0);
    camera->invalidateFrozenPoints();
}

void MainWindow::measRotated(bool rotated)
{
    ui->sbRotateMeasLine->setVisible(rotated);
    ui->pbSetRotatedAngle->setVisible(rotated);
    if (rotated) {
        ui->frmRotated->setStyleSheet(
            QStringLiteral("QFrame#frmRotated { border-radius: 6px; background-color: rgba(253, 255, 116,200); }"));
    } else {
        ui->sbRotateMeasLine->setValue(0.0);
        ui->frmRotated->setStyleSheet(
            QStringLiteral("QFrame#frmRotated {border-radius: 6px; background-color: rgba(253, 255, 116,0); }"));
    }
}

void MainWindow::setAutoAngleReticle()
{
    if (!animator.isEnlarged(QStringLiteral("getAngle"))) {
        animator.setStatus(QStringLiteral("getAngle"), true);
        camera->Geometry = true;
        camera->autoCircle = false;
        camera->autoAngle = true;
        ui->pbAlternativeAngle->setChecked(false);
        geometryActive = 1;
        return;
    }
    QString text;
    if (axis->hasAutoAngle(text))
        ui->sbRotateMeasLine->setValue(text.toFloat());
}

void MainWindow::getRotatedValues(QPointF val, bool isDiameter)
{
    // An entry without a point has no value to write.
    if (CCamPanel::isNoPoint(val))
        return;
    const bool table = animator.isEnlarged(QStringLiteral("toolset"));
    const bool label = !table && animator.isEnlarged(QStringLiteral("labelPrint"));
    if (table || label)
        MyInputPanelContext::fieldDone(table ? static_cast<QWidget *>(toolset) : ui->frmLabelPrint);
    // Every corner lies at the axis position of its own press, the diameter
    // between two of them too.
    if ((table || label) && MeasureServer::refusedForSilence(axis, this))
        return;
    // A point's X is a radius; a diameter is a length, never doubled.
    const CameraAxes axes = CameraAxes::of(CurrentMachine);
    const double x = isDiameter ? axes.shownZ(val.x()) : axes.shownX(val.x());
    const QString xText = MPrn(float(x), axes.isMM);
    const QString zText = MPrn(float(axes.shownZ(val.y())), axes.isMM);
    if (table) {
        if (isDiameter) {
            toolset->setCr(xText);
        } else {
            toolset->setX(xText);
            toolset->setZ(zText);
        }
    } else if (label) {
        if (isDiameter) {
            ui->leRadLabel->setText(xText);
        } else {
            ui->leXLabel->setText(xText);
            ui->leZLabel->setText(zText);
        }
    }
}

// Manual measures -------------------------------------------------------------------

void MainWindow::manualMeasures()
{
    QObject *button = sender();
    const bool twoPoints = button == ui->tbGetPoint2PReticle;
    if (!twoPoints && button != ui->tbGetPoint5PReticle)
        return;
    const int needed = twoPoints ? 2 : 5;
    QLabel *counter = twoPoints ? ui->lbl2p : ui->lbl5p;
    QLabel *result = twoPoints ? ui->lblAngleDistance : ui->lblRadValue5P;
    QPushButton *confirm = twoPoints ? ui->tbOkSetPoint2P : ui->tbOkSetPoint5P;

    if (pointList.size() >= needed) {
        pointList.clear();
        counter->setText(QStringLiteral("0/%1").arg(needed));
        confirm->setEnabled(false);
        result->clear();
        return;
    }
    if (MeasureServer::refusedForSilence(axis, this))
        return;
    const float z = axis->ReadZ();
    const float x = axis->ReadX() / (CurrentMachine.isRadius ? 1.0f : 2.0f);
    pointList.append(QPointF(x, z));
    counter->setText(QStringLiteral("%1/%2").arg(pointList.size()).arg(needed));
    if (pointList.size() < needed)
        return;
    // A fit that gives no value is no measure: nothing to confirm.
    float value = 0;
    bool ok;
    if (twoPoints)
        ok = MeasureCommands::twoPointAngle(pointList, value);
    else
        ok = MeasureCommands::fivePointRadius(pointList, value);
    result->setText(ok ? (twoPoints ? APrn(value) : MPrn(value, CurrentMachine.IsMM)) : QString());
    confirm->setEnabled(ok);
}

void MainWindow::setManualValue()
{
    QObject *button = sender();
    const bool label = animator.isEnlarged(QStringLiteral("labelPrint"));
    const bool table = !label && animator.isEnlarged(QStringLiteral("toolset"));
    if (label)
        MyInputPanelContext::fieldDone(ui->frmLabelPrint);
    if (button == ui->tbOkSetPoint2P) {
        const QString text = ui->lblAngleDistance->text();
        if (label)
            ui->leAngleLabel->setText(text);
        else if (table)
            toolset->setAngle(text);
    } else if (button == ui->tbOkSetPoint5P) {
        const QString text = ui->lblRadValue5P->text();
        if (label)
            ui->leRadLabel->setText(text);
        else if (table)
            toolset->setCr(text);
    }
}

// Inspection mode -------------------------------------------------------------------

void MainWindow::slotInspection(bool on)
{
    animator.setStatus(QStringLiteral("inspectionLight"), on);
    ui->tbInspectionColor->setEnabled(on);
    if (on) {
        camera->setStreamPalette(inspectionColorTable);
        camera->setInspectionMode();
        ui->frmRotated->hide();
    } else {
        camera->setStreamPalette(ui->tbDgt->isChecked() ? thresholdColorTable : greyColorTable);
        camera->setMeasureMode();
        ui->frmRotated->setVisible(MachineSettings.angularHead
                                   && (ui->tbAutocoll->isChecked() || ui->pbFreeze->isChecked()));
    }
    for (QPushButton *b : {ui->tbDgt, ui->tbCamAngle, ui->tbCamRadius})
        b->setEnabled(!on);
}

void MainWindow::setInspectionColor()
{
    QObject *button = sender();
    if (button == ui->tbColorWhite)
        inspectionColorIndex = CameraPalettes::White;
    else if (button == ui->tbColorCyan)
        inspectionColorIndex = CameraPalettes::Cyan;
    else if (button == ui->tbColorMagenta)
        inspectionColorIndex = CameraPalettes::Magenta;
    else if (button == ui->tbColorYellow)
        inspectionColorIndex = CameraPalettes::Yellow;
    else
        return;
    inspectionColorTable = CameraPalettes::inspection(inspectionColorIndex);
    camera->setStreamPalette(inspectionColorTable);
}

void MainWindow::sliLight(int value)
{
    camera->setPotLight(float(255 - value) / 255.0f);
}
