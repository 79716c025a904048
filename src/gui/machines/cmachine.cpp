#include "machines/cmachine.h"

#include <QDir>
#include <cmath>
#include <QSqlDatabase>
#include <QSqlError>

#include "keyboard/myinputpanelcontext.h"
#include "machines/MachineRows.h"
#include "machines/MachineNames.h"
#include "machines/ParentLink.h"
#include "widgets/QExtDoubleValidator.h"
#include "shared/CheckedStore.h"
#include "widgets/QMessageBoxKovra.h"
#include "tooling/TableCopy.h"
#include "widgets/SharedWidgets.h"
#include "ui_cmachine.h"

namespace {

const double kInchTop = 39.37008; // 1000 mm in inches, as a float holds it

// Folder, filter and record field of each state of the output-kind box.
struct OutputKind
{
    const char *folder;
    const char *filter;
};
OutputKind outputKind(Qt::CheckState state)
{
    switch (state) {
    case Qt::PartiallyChecked:
        return {"./dnc", "*.dnc"};
    case Qt::Checked:
        return {"./balluff", "*.ini"};
    default:
        return {"./postpro", "*.pp"};
    }
}

// The fields that saving would write, compared to tell whether the operator
// changed anything.
bool sameStoredFields(const s_machine &a, const s_machine &b)
{
    return a.name == b.name && a.Xref == b.Xref && a.Zref == b.Zref && a.sysXref == b.sysXref
        && a.sysZref == b.sysZref && a.isRadiusStored == b.isRadiusStored && a.swapXZ == b.swapXZ
        && a.IsMM == b.IsMM && a.reverseX == b.reverseX && a.reverseZ == b.reverseZ
        && a.linkToMasterX == b.linkToMasterX && a.linkToMasterZ == b.linkToMasterZ && a.idMasterX == b.idMasterX
        && a.idMasterZ == b.idMasterZ && a.smartX == b.smartX && a.smartZ == b.smartZ && a.PostPro == b.PostPro
        && a.networkPath == b.networkPath && a.Balluff == b.Balluff && a.dncSocket == b.dncSocket
        && a.dncFormat == b.dncFormat && a.toolId == b.toolId && a.spindleType == b.spindleType;
}

} // namespace

cMachine::cMachine(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui_cMachine)
{
    Q_INIT_RESOURCE(machines);
    Q_INIT_RESOURCE(mainwin);
    qRegisterMetaType<cMachine::eRefType>("cMachine::eRefType");
    ui->setupUi(this);

    groupX.addButton(ui->optMasterX, 0);
    groupX.addButton(ui->optLinkX, 1);
    groupX.setExclusive(true);
    groupZ.addButton(ui->optMasterZ, 2);
    groupZ.addButton(ui->optLinkZ, 3);
    groupZ.setExclusive(true);
    ui->optMasterX->setChecked(true);
    ui->optMasterZ->setChecked(true);
    // The gauge fields only show the size measured.
    ui->leGaugeX->setEnabled(false);
    ui->leGaugeZ->setEnabled(false);
    ui->frmAdvanced->hide();

    smartXValidator = new QExtDoubleValidator(-1000, 1000, 3, ui->leSmartX);
    smartZValidator = new QExtDoubleValidator(-1000, 1000, 3, ui->leSmartZ);
    ui->leSmartX->setValidator(smartXValidator);
    ui->leSmartZ->setValidator(smartZValidator);

    connect(ui->pbMeasureX, &QPushButton::clicked, this, &cMachine::measureReference);
    connect(ui->pbMeasureZ, &QPushButton::clicked, this, &cMachine::measureReference);
    if (hasMember(parent, SIGNAL(sigSetReference(cMachine::eRefType,int,QString))))
        connect(parent, SIGNAL(sigSetReference(cMachine::eRefType,int,QString)), this,
                SLOT(setReference(cMachine::eRefType,int,QString)));
    connect(ui->chkIsMM, &QCheckBox::toggled, this, &cMachine::toggledMM);
    connect(ui->chkIsRadius, &QCheckBox::toggled, this, &cMachine::toggledRadius);
    connect(ui->chkAdvanced, &QCheckBox::toggled, this, &cMachine::showAdvanced);
    connect(ui->optMasterX, &QRadioButton::toggled, this, &cMachine::slotMasterXtoggled);
    connect(ui->optMasterZ, &QRadioButton::toggled, this, &cMachine::slotMasterZtoggled);
    connect(ui->chkPostBalluff, &QCheckBox::stateChanged, this, &cMachine::slotPostBalluff);
    connect(ui->tbExitMachine, &QPushButton::clicked, this, &cMachine::closeMachine);
    connect(ui->tbOkMachine, &QPushButton::clicked, this, &cMachine::saveData);
    if (hasMember(parent, SLOT(hideEditMachine(QString))))
        connect(this, SIGNAL(hideMachine(QString)), parent, SLOT(hideEditMachine(QString)));

    ui->frmSlaveX->hide();
    ui->frmSlaveZ->hide();
    ui->leSmartX->hide();
    ui->leSmartZ->hide();
    // Only what the operator types is an offset: the program's own texts
    // (a unit or radius switch showing the stored one) are not read back.
    connect(ui->leSmartX, &QLineEdit::textEdited, this, &cMachine::slotSmartChanged);
    connect(ui->leSmartZ, &QLineEdit::textEdited, this, &cMachine::slotSmartChanged);
    connect(ui->chkSmartX, &QCheckBox::toggled, this, &cMachine::slotChkSmartX);
    connect(ui->chkSmartZ, &QCheckBox::toggled, this, &cMachine::slotChkSmartZ);
    ui->leSocket->hide();
    ui->chkDataMatrix->hide();
}

cMachine::~cMachine()
{
    delete ui;
}

void cMachine::setInsertMode()
{
    insertMode = true;
}

void cMachine::setEditMode()
{
    insertMode = false;
}

// Lengths ---------------------------------------------------------------------

// A length in tenths of a micrometre (X as a radius) as the edited machine
// shows it.
QString cMachine::lengthText(qint64 tenths, bool isX) const
{
    double v = RefLength{tenths}.millimetres();
    if (isX && !editingMachine.isRadiusStored)
        v *= 2;
    if (!editingMachine.IsMM)
        v /= 25.4;
    return MPrn(float(v), editingMachine.IsMM);
}

// A typed or measured length in the edited machine's unit (X as it shows it)
// in tenths of a micrometre, X as a radius.
qint64 cMachine::typedTenths(double value, bool isX) const
{
    const double u = editingMachine.IsMM ? 1.0 : 25.4;
    const double d = isX && !editingMachine.isRadiusStored ? 2.0 : 1.0;
    return RefLength::ofMillimetres(value * u / d).tenths;
}

void cMachine::showSmart(QLineEdit *field, qint64 tenths, bool isX)
{
    field->setText(lengthText(tenths, isX));
}

void cMachine::setSmartValidators()
{
    for (QExtDoubleValidator *v : {smartXValidator, smartZValidator}) {
        if (editingMachine.IsMM)
            v->setRange(-1000, 1000, 3);
        else
            v->setRange(-kInchTop, kInchTop, 5);
    }
}

// Opening ---------------------------------------------------------------------

void cMachine::setEditMachine(s_machine machine, QString name)
{
    editingMachine = machine;
    openedMachine = machine;
    returnName = name;
    openedSpindle = -1;

    ui->leName->setText(machine.name);

    ui->chkIsMM->setChecked(machine.IsMM);
    toggledMM(machine.IsMM);
    ui->chkIsRadius->setChecked(machine.isRadiusStored);
    toggledRadius(machine.isRadiusStored);

    ui->chkSwapXZ->setChecked(machine.swapXZ);
    ui->chkReverseX->setChecked(machine.reverseX);
    ui->chkReverseZ->setChecked(machine.reverseZ);

    ui->chkAdvanced->setChecked(true);
    ui->chkAdvanced->setChecked(false);
    ui->chkAdvanced->setChecked(machine.reverseX || machine.reverseZ || machine.swapXZ
                                || MachineSettings.ppEnabled);
    showAdvanced(ui->chkAdvanced->isChecked());

    setupLinks();

    // The axes read unswapped and unreversed while a machine is edited.
    CurrentMachine.swapXZ = false;
    CurrentMachine.reverseX = false;
    CurrentMachine.reverseZ = false;

    ui->leName->setEnabled(machine.name != MachineNames::factoryZero());

    if (MachineSettings.ppEnabled) {
        // Without the RFID option the kind is the record's and stays so: a
        // tri-state box would still step on a click, hence also disabled.
        ui->chkPostBalluff->setCheckable(MachineSettings.balluffEnabled);
        ui->chkPostBalluff->setEnabled(MachineSettings.balluffEnabled);
        if (!machine.dncFormat.isEmpty()) {
            ui->chkPostBalluff->setCheckState(Qt::PartiallyChecked);
            ui->leSocket->setText(machine.dncSocket);
            ui->chkDataMatrix->setChecked(machine.toolId);
        } else {
            ui->chkPostBalluff->setCheckState(machine.Balluff.isEmpty() ? Qt::Unchecked : Qt::Checked);
            ui->leSocket->clear();
            ui->chkDataMatrix->setChecked(false);
        }
        slotPostBalluff(ui->chkPostBalluff->checkState());
        openedKind = ui->chkPostBalluff->checkState();
        openedFile = ui->cmbPostPro->currentText();
    } else {
        // No output option: nothing of it is offered.
        ui->leSocket->hide();
        ui->chkDataMatrix->hide();
    }
    ui->cmbPostPro->setVisible(MachineSettings.ppEnabled);
    ui->chkPostBalluff->setVisible(MachineSettings.ppEnabled);

    if (MachineSettings.automaticSpindle) {
        ui->cmbSpindle->show();
        ui->cmbSpindle->clear();
        ui->cmbSpindle->addItem(QString());
        ui->cmbSpindle->addItems(MachineRows::spindleTypes());
        ui->cmbSpindle->setCurrentIndex(ui->cmbSpindle->findText(machine.spindleType, Qt::MatchExactly | Qt::MatchCaseSensitive));
        openedSpindle = ui->cmbSpindle->currentIndex();
    } else {
        ui->cmbSpindle->hide();
    }
}

void cMachine::setupLinks()
{
    populateCombo(ui->cmbMasterX, MachineRows::masters(editingMachine.idMachine, axisX));
    populateCombo(ui->cmbMasterZ, MachineRows::masters(editingMachine.idMachine, axisZ));
    const s_machine &m = editingMachine;
    setupAxisLink(m.linkToMasterX, m.idMasterX, m.smartX.tenths, axisX);
    setupAxisLink(m.linkToMasterZ, m.idMasterZ, m.smartZ.tenths, axisZ);
}

void cMachine::setupAxisLink(bool linked, int idMaster, qint64 smart, eAxis axis)
{
    const bool isX = axis == axisX;
    QComboBox *masters = isX ? ui->cmbMasterX : ui->cmbMasterZ;
    QRadioButton *optMaster = isX ? ui->optMasterX : ui->optMasterZ;
    QRadioButton *optLink = isX ? ui->optLinkX : ui->optLinkZ;
    QCheckBox *chkSmart = isX ? ui->chkSmartX : ui->chkSmartZ;
    QLineEdit *leSmart = isX ? ui->leSmartX : ui->leSmartZ;
    const QString masterText = isX ? tr("Master X") : tr("Master Z");

    optLink->setEnabled(masters->count() > 0);
    if (linked) {
        optLink->setChecked(true);
        masters->setCurrentIndex(masters->findData(idMaster));
        showSmart(leSmart, smart, isX);
        chkSmart->setChecked(smart != 0);
        optMaster->setText(masterText);
        optLink->setVisible(true);
        return;
    }
    optMaster->setChecked(true);
    chkSmart->setChecked(false);
    const int slaves = countSlaveMachines(editingMachine.idMachine, axis);
    if (slaves > 0) {
        // A master with slaves on this axis cannot be linked on it itself.
        optLink->setVisible(false);
        optMaster->setText(masterText + QStringLiteral(" [") + QString::number(slaves) + QStringLiteral("]"));
    } else {
        optMaster->setText(masterText);
        optLink->setVisible(true);
    }
}

// Widget slots ----------------------------------------------------------------

void cMachine::showAdvanced(bool on)
{
    ui->frmAdvanced->setVisible(on);
}

void cMachine::toggledMM(bool mm)
{
    editingMachine.IsMM = mm;
    // The main window's reference panel takes its input range from it.
    CurrentMachine.IsMM = mm;
    setSmartValidators();
    const s_machine &m = editingMachine;
    ui->leGaugeX->setText(lengthText(m.Xref.tenths, true));
    ui->leGaugeZ->setText(lengthText(m.Zref.tenths, false));
    showSmart(ui->leSmartX, m.smartX.tenths, true);
    showSmart(ui->leSmartZ, m.smartZ.tenths, false);
}

void cMachine::toggledRadius(bool radius)
{
    editingMachine.isRadius = radius;
    editingMachine.isRadiusStored = radius;
    const s_machine &m = editingMachine;
    ui->leGaugeX->setText(lengthText(m.Xref.tenths, true));
    showSmart(ui->leSmartX, m.smartX.tenths, true);
}

void cMachine::slotSmartChanged(QString text)
{
    const double value = text.toDouble();
    s_machine &m = editingMachine;
    if (sender() == ui->leSmartX)
        m.smartX.tenths = typedTenths(value, true);
    else if (sender() == ui->leSmartZ)
        m.smartZ.tenths = typedTenths(value, false);
}

void cMachine::slotMasterXtoggled(bool master)
{
    ui->frmSlaveX->setVisible(!master);
    ui->frmMasterX->setVisible(master);
}

void cMachine::slotMasterZtoggled(bool master)
{
    ui->frmSlaveZ->setVisible(!master);
    ui->frmMasterZ->setVisible(master);
}

void cMachine::slotChkSmartX(bool on)
{
    ui->leSmartX->setVisible(on);
    if (!on) {
        ui->leSmartX->setText(QStringLiteral("0"));
        editingMachine.smartX = RefLength();
    }
}

void cMachine::slotChkSmartZ(bool on)
{
    ui->leSmartZ->setVisible(on);
    if (!on) {
        ui->leSmartZ->setText(QStringLiteral("0"));
        editingMachine.smartZ = RefLength();
    }
}

void cMachine::slotPostBalluff(int)
{
    const Qt::CheckState state = ui->chkPostBalluff->checkState();
    const OutputKind kind = outputKind(state);
    ui->cmbPostPro->clear();
    ui->cmbPostPro->addItems(QDir(QString::fromLatin1(kind.folder))
                                 .entryList(QStringList{QString::fromLatin1(kind.filter)}, QDir::Files,
                                            QDir::Name | QDir::IgnoreCase));
    const QString &current = state == Qt::PartiallyChecked ? CurrentMachine.dncFormat
                             : state == Qt::Checked        ? CurrentMachine.Balluff
                                                           : CurrentMachine.PostPro;
    ui->cmbPostPro->setCurrentIndex(ui->cmbPostPro->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive));

    const bool dnc = state == Qt::PartiallyChecked;
    const int width = dnc ? 140 : 280;
    ui->cmbPostPro->setMinimumWidth(width);
    ui->cmbPostPro->resize(width, ui->cmbPostPro->height());
    ui->leSocket->setVisible(dnc);
    ui->chkDataMatrix->setVisible(dnc);
}

// References ------------------------------------------------------------------

void cMachine::measureReference()
{
    if (sender() == ui->pbMeasureX)
        emit getReference(X, ui->leGaugeX->text());
    else if (sender() == ui->pbMeasureZ)
        emit getReference(Z, ui->leGaugeZ->text());
}

void cMachine::setReference(cMachine::eRefType axis, int rawCount, QString gauge)
{
    // A measured reference ends the typing in the editor.
    MyInputPanelContext::fieldDone(this);
    const double g = gauge.toDouble();
    s_machine &m = editingMachine;
    if (axis == Z) {
        ui->leGaugeZ->setText(gauge);
        m.sysZref = rawCount;
        m.Zref.tenths = typedTenths(g, false);
    } else {
        ui->leGaugeX->setText(gauge);
        m.sysXref = rawCount;
        m.Xref.tenths = typedTenths(g, true);
    }
}

// Saving and leaving ------------------------------------------------------------

void cMachine::setMachineDataFromGui()
{
    s_machine &m = editingMachine;
    m.name = ui->leName->text().trimmed().toUpper();
    m.isRadius = m.isRadiusStored = ui->chkIsRadius->isChecked();
    m.IsMM = ui->chkIsMM->isChecked();
    m.swapXZ = ui->chkSwapXZ->isChecked();
    m.reverseX = ui->chkReverseX->isChecked();
    m.reverseZ = ui->chkReverseZ->isChecked();
    m.linkToMasterX = ui->optLinkX->isChecked();
    m.linkToMasterZ = ui->optLinkZ->isChecked();
    // A hidden list, or one the operator did not pick from (a stored type it
    // does not list shows as none), leaves the stored type as it is.
    const bool spindlePicked = MachineSettings.automaticSpindle && ui->cmbSpindle->currentIndex() != openedSpindle;
    m.spindleType = spindlePicked ? ui->cmbSpindle->currentText() : openedMachine.spindleType;

    // A link without a master entry keeps -1 here; saving refuses it.
    if (m.linkToMasterX) {
        m.idMasterX = ui->cmbMasterX->currentIndex() >= 0 ? ui->cmbMasterX->currentData().toInt() : -1;
    } else {
        m.idMasterX = -1;
        m.smartX = RefLength();
    }
    if (m.linkToMasterZ) {
        m.idMasterZ = ui->cmbMasterZ->currentIndex() >= 0 ? ui->cmbMasterZ->currentData().toInt() : -1;
    } else {
        m.idMasterZ = -1;
        m.smartZ = RefLength();
    }

    // Output files the operator left alone stay as the record has them (a
    // machine may name a DNC layout and a post-processor format at once); a
    // new kind replaces them all, a new file its own field.
    m.PostPro = openedMachine.PostPro;
    m.Balluff = openedMachine.Balluff;
    m.dncFormat = openedMachine.dncFormat;
    m.dncSocket = openedMachine.dncSocket;
    m.toolId = openedMachine.toolId;
    if (!MachineSettings.ppEnabled)
        return;
    const Qt::CheckState kind = ui->chkPostBalluff->checkState();
    const QString file = ui->cmbPostPro->currentText();
    if (kind != openedKind) {
        m.PostPro.clear();
        m.Balluff.clear();
        m.dncFormat.clear();
        m.dncSocket.clear();
        m.toolId = false;
    }
    const bool picked = insertMode || kind != openedKind || file != openedFile;
    switch (kind) {
    case Qt::Unchecked:
        if (picked)
            m.PostPro = file;
        break;
    case Qt::Checked:
        if (picked)
            m.Balluff = file;
        break;
    case Qt::PartiallyChecked:
        if (picked)
            m.dncFormat = file;
        if (picked || ui->leSocket->text() != openedMachine.dncSocket)
            m.dncSocket = ui->leSocket->text().trimmed();
        m.toolId = ui->chkDataMatrix->isChecked();
        break;
    }
}

void cMachine::refuse(const QString &text)
{
    QMessageBoxKovra::critical(this, tr("Error"), text, QMessageBox::Ok, QMessageBox::NoButton);
}

void cMachine::saveData()
{
    // Stored, or refused with a box: the keys are done either way.
    MyInputPanelContext::fieldDone(this);
    ui->leName->setText(ui->leName->text().trimmed());
    setMachineDataFromGui();

    const QString typedName = ui->leName->text().toUpper();
    const bool nameTaken =
        insertMode ? MachineRows::nameTaken(typedName) : MachineRows::nameTaken(typedName, editingMachine.idMachine);

    const QString &name = editingMachine.name;
    if (name != MachineNames::factoryZero() && name.contains(QLatin1Char('*'))) {
        refuse(tr("Machine name can't contain * character"));
        return;
    }
    if (name.isEmpty()) {
        refuse(tr("Machine name can't be empty"));
        return;
    }
    if (!MachineNames::fitsName(name)) {
        refuse(tr("Machine name not valid"));
        return;
    }
    if (editingMachine.Xref.micrometres() == 0 && !ui->optLinkX->isChecked()) {
        refuse(tr("X machine reference is not set"));
        return;
    }
    if (editingMachine.Zref.micrometres() == 0 && !ui->optLinkZ->isChecked()) {
        refuse(tr("Z machine reference is not set"));
        return;
    }
    // A link needs its master: without one the references would be nonsense.
    if (ui->optLinkX->isChecked() && ui->cmbMasterX->currentIndex() < 0) {
        refuse(tr("Master X machine is not selected"));
        return;
    }
    if (ui->optLinkZ->isChecked() && ui->cmbMasterZ->currentIndex() < 0) {
        refuse(tr("Master Z machine is not selected"));
        return;
    }
    if (nameTaken) {
        refuse(tr("Machine already exists"));
        return;
    }

    setMachineDataFromGui();
    const s_machine &m = editingMachine;

    // The tools' values mean other lengths after a unit or X mode switch:
    // the operator says whether they follow (one transaction with the
    // machine) or stay (a machine that was set up wrongly), before anything
    // is stored.
    bool convertTools = false;
    const bool switched =
        !insertMode && (m.IsMM != openedMachine.IsMM || m.isRadiusStored != openedMachine.isRadiusStored);
    QString countError;
    const int toolCount = switched ? TableCopy::machineToolCount(m.idMachine, &countError) : 0;
    // Without the count the switch cannot be stored alone unasked.
    if (toolCount < 0) {
        refuse(tr("Machine not saved") + QStringLiteral("\n") + countError);
        return;
    }
    if (toolCount > 0) {
        const int answer = QMessageBoxKovra::question(
            this, tr("Warning"),
            tr("The tooling tables of this machine hold values in its former unit or X mode.\n"
               "Convert them to the new one?\n(No: store the switch alone, the values stay as they are.)"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Yes && answer != QMessageBox::No)
            return;
        convertTools = answer == QMessageBox::Yes;
    }
    CheckedStore store;
    if (!store.begin()) {
        refuse(tr("Machine not saved") + QStringLiteral("\n") + store.error());
        return;
    }
    MachineRows::write(store, m, insertMode);
    QString error;
    if (!store.failed() && convertTools && !TableCopy::convertMachineTools(openedMachine, m, &error))
        store.fail(error);
    if (!store.commit()) {
        // Nothing was stored: say so and leave the editor open.
        const QString why = store.error().trimmed();
        refuse(tr("Machine not saved") + (why.isEmpty() ? QString() : QStringLiteral("\n") + why));
        return;
    }

    openedMachine = editingMachine;
    emit hideMachine(ui->leName->text().toUpper());
}

void cMachine::closeMachine()
{
    MyInputPanelContext::fieldDone(this);
    setMachineDataFromGui();
    if (!sameStoredFields(editingMachine, openedMachine)
        && QMessageBoxKovra::warning(this, tr("Warning"), tr("Data are changed, exit anyway ?"),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    emit hideMachine(returnName.toUpper());
}
