// The label panel's buttons and the tool label print of the main window.

#include "app/mainwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/LabelPrinter.h"
#include "app/MainWindowForm.h"
#include "axis/cAxisInterface.h"
#include "axis/measureserver.h"
#include "interface/CamPanel.h"
#include "keyboard/myinputpanel.h"
#include "keyboard/myinputpanelcontext.h"
#include "shared/SharedStruct.h"
#include "widgets/SharedWidgets.h"

void MainWindow::connectLabelPanel()
{
    connect(ui->tbSaveZ, &QPushButton::clicked, this, &MainWindow::labelCommands);
    connect(ui->tbSaveX, &QPushButton::clicked, this, &MainWindow::labelCommands);
    connect(ui->tbClearLabel, &QPushButton::clicked, this, &MainWindow::labelCommands);
    for (QPushButton *b : {ui->tbLabelPrint, ui->tbLabelT, ui->tbLabelCode, ui->tbLabelAngle, ui->tbLabelRadius})
        connect(b, &QPushButton::clicked, this, &MainWindow::slotLabelButtons);
}

void MainWindow::labelCommands()
{
    auto *button = qobject_cast<QPushButton *>(sender());
    if (!button)
        return;
    QString text;
    // A measure fills the label's field: the keys leave before the measure server's boxes.
    if (button == ui->tbSaveX || button == ui->tbSaveZ)
        MyInputPanelContext::fieldDone(ui->frmLabelPrint);
    if (button == ui->tbSaveX) {
        if (measureServer && measureServer->getX(text, ui->tbSaveX))
            ui->leXLabel->setText(text);
    } else if (button == ui->tbSaveZ) {
        if (measureServer && measureServer->getZ(text, ui->tbSaveZ))
            ui->leZLabel->setText(text);
    } else if (button == ui->tbClearLabel) {
        for (QLineEdit *e :
             {ui->leXLabel, ui->leZLabel, ui->leAngleLabel, ui->leRadLabel, ui->leLabelCode, ui->leLabelT})
            e->setText(QString());
    }
}

void MainWindow::slotLabelButtons()
{
    QObject *button = sender();
    auto typeInto = [this](QLineEdit *field) {
        field->setFocus(Qt::OtherFocusReason);
        if (inputContext)
            inputContext->showKeyboard(true);
    };
    QString text;

    if (button == ui->tbLabelPrint) {
        // The tooling-table name is never known on this panel.
        printLabel(ui->cmbMachine->currentText(), QString(), ui->leLabelT->text(), ui->leXLabel->text(),
                   ui->leZLabel->text(), ui->leAngleLabel->text(), ui->leRadLabel->text(), ui->leLabelCode->text(),
                   !ui->tbLblRadDia->isChecked());
    } else if (button == ui->tbLabelT) {
        typeInto(ui->leLabelT);
    } else if (button == ui->tbLabelCode) {
        typeInto(ui->leLabelCode);
    } else if (button == ui->tbLabelAngle) {
        if (axis && axis->hasAutoAngle(text)) {
            MyInputPanelContext::fieldDone(ui->frmLabelPrint);
            freezeMeasureButton(ui->tbLabelAngle);
            ui->leAngleLabel->setText(text);
        } else if (animator.isEnlarged(QStringLiteral("setPoint2P"))) {
            ui->leAngleLabel->setText(ui->lblAngleDistance->text());
        } else {
            typeInto(ui->leAngleLabel);
        }
    } else if (button == ui->tbLabelRadius) {
        if (axis && axis->hasAutoCircle(text)) {
            MyInputPanelContext::fieldDone(ui->frmLabelPrint);
            freezeMeasureButton(ui->tbLabelRadius);
            // The radius of the circle seen once the image stood still.
            ui->leRadLabel->setText(axis->getCircleRadius());
        } else if (animator.isEnlarged(QStringLiteral("getCircle5P"))) {
            ui->leRadLabel->setText(ui->lblRadValue5P->text());
        } else {
            typeInto(ui->leRadLabel);
        }
    } else if (inputContext) {
        inputContext->showKeyboard(true);
    }
}

void MainWindow::printLabel(QString prnMachine, QString prnToolset, QString prnT, QString prnX, QString prnZ,
                            QString prnA, QString prnCr, QString prnCode, bool radiusMode)
{
    sLabelData label;
    label.machine = prnMachine;
    label.toolset = prnToolset;
    label.t = prnT;
    label.x = prnX;
    label.z = prnZ;
    label.angle = prnA;
    label.radius = prnCr;
    label.code = prnCode;
    label.radiusMode = radiusMode;

    LabelPrinter printer(this, ui->tbLabelPrint, camPanel, camera, &animator);
    printer.setLabelFields({ui->leXLabel, ui->leZLabel, ui->leAngleLabel, ui->leRadLabel, ui->leLabelCode,
                            ui->leLabelT});
    printer.print(label);
}
