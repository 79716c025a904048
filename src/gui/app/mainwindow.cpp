#include "app/mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QThread>
#include <QUrl>

#include <cfloat>

#include "app/AxisDisplay.h"
#include "app/CameraPalettes.h"
#include "app/InstanceLock.h"
#include "app/MeasureCommands.h"
#include "app/MainWindowForm.h"
#include "app/TouchScreen.h"
#include "axis/ManageSerialPort.h"
#include "axis/cAxisInterface.h"
#include "tooling/DncSerialService.h"
#include "camera/VideoCollector.h"
#include "camera/VideoDevice.h"
#include "dnc/cDnc.h"
#include "exchange/postpro.h"
#include "rfid/cballuff.h"
#include "interface/CamPanel.h"
#include "axis/measureserver.h"
#include "axis/tcpserver.h"
#include "keyboard/myinputpanel.h"
#include "machines/MachineRows.h"
#include "machines/MachineNames.h"
#include "machines/cmachinelist.h"
#include "keyboard/myinputpanelcontext.h"
#include "shared/App.h"
#include "shared/FatalExit.h"
#include "widgets/QExtDoubleValidator.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "shared/WholeFile.h"
#include "tooling/ToolTableReport.h"
#include "widgets/SharedWidgets.h"
#include "tooling/csetlist.h"
#include "tooling/ctoolset.h"

namespace {

const char kVersion[] = "3.0";

// The measure server is kept for the whole run and never deleted (the leak
// checker's suppression file names this function).
MeasureServer *keptMeasureServer(cAxisInterface *axis, AnimatedWidgets *animator)
{
    return new MeasureServer(axis, animator, nullptr, nullptr);
}

// Clamp or unclamp a tool: a red dot, green when the tool is clamped.
const char kClampSheet[] =
    "QPushButton{border: 0px solid rgb(125, 125, 125);background-color: qradialgradient(spread:pad, cx:0.5, "
    "cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0.421569 rgba(255, 0, 0, 255), stop:1 rgba(255, 255, 255, "
    "0));}QPushButton::checked{border: 0px solid rgb(125, 125, 125);background-color: qradialgradient(spread:pad, "
    "cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0.421569 rgba(0, 255, 0, 255), stop:1 rgba(255, 255, 255, "
    "0));}";

QExtDoubleValidator *doubleValidator(QLineEdit *edit)
{
    return dynamic_cast<QExtDoubleValidator *>(const_cast<QValidator *>(edit->validator()));
}

} // namespace

QString MainWindow::inputDeviceFolder = QStringLiteral("/dev/input/by-id");
CVideoCollector *MainWindow::videoCollector = nullptr;

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow)
    , animator(nullptr)
{
    // Found lines travel from the capture thread as queued signals.
    qRegisterMetaType<sLineParam>("struct sLineParam");
    qRegisterMetaType<QVector<sLineParam>>("QVector <struct sLineParam>");
    qRegisterMetaType<QVector<sLineParam>>("QVector<sLineParam>");

    ui->setupUi(this);
    ui->frmBackground->move(0, 0);
    inspectionColorIndex = 0;
    isSuperUser = false;
    enableToolingup = false;
    geometryActive = 0;
    // Panels move at once while the window is built; the settings decide
    // about animation when construction is over.
    animator.enableAnimation(false);

    App::writeKovraSettings({{QStringLiteral("/Software/Version"), QString::fromLatin1(kVersion)}});

    if (!checkEnv())
        return;
    if (!openDatabase())
        return;
    // The machines name folders written too: once the database is open.
    if (instanceLock->isHeld())
        removeSaveLeftovers();
    initLabelPrint();
    initCameraGui();

    registerPanel(QStringLiteral("index"), ui->frmIndex, QPoint(100, 630), QRect(650, 1000, 0, 0), 2);
    connect(ui->tbExitIndex, &QPushButton::clicked, this, &MainWindow::slotExitButton);

    initValidators();

    collector = videoCollector ? videoCollector : CVideoCollector::Instance();
    if (collector->NumberOfVideoDevices() < 1) {
        fatalExit(nullptr, tr("device error"), tr("Impossible to detect camera!"));
        return;
    }
    camera = collector->GetVideoDevice(0);
    camera->setCameraId(0);
    camera->SetSize(1280, 1024);

    readMachineSettings();
    initAxisInterface();
    initMainGui();
    if (!MachineSettings.automaticSpindle)
        connect(ui->tbIndex, &QPushButton::clicked, axis, &cAxisInterface::PressIndexButton);
    initTcp();

    camPanel = new CCamPanel(camera, axis, QSize(640, 640), ui->frmCamera, nullptr);

    connect(ui->tbProfile, &QPushButton::clicked, camera, &CVideoDevice::addProfile);
    connect(ui->tbDelProfile, &QPushButton::clicked, camera, &CVideoDevice::clearProfile);
    connect(camera, &CVideoDevice::sigFoundLines, camPanel, &CCamPanel::slotFoundLines);
    initPalette();


    initMachine();
    measureServer = keptMeasureServer(axis, &animator);
    initToolset();
    initSetList();
    initMachineList();
    initBalluff();
    initPostPro();
    initDnc();

    chechAxisInitStatus();
    selectMachine(MachineNames::defaultMachine());


    // The rotation control sits in the top right corner of the live image.
    ui->frmRotated->setParent(camPanel);
    ui->frmRotated->move(camPanel->width() - ui->frmRotated->width() - 3, 3);
    // Shown only with an angular head on the line-measuring reticles.
    updateRotatedFrame(reticleGroup.checkedId());
    connectCommands();

    closeStartPanels();
    constructing = false;
    complete = true;
}

MainWindow::~MainWindow()
{
    if (tcpServer) {
        tcpServer->closeSocket();
        delete tcpServer;
        tcpServer = nullptr;
    }
    delete camPanel;
    camPanel = nullptr;
    // The DNC line asks the axis link for positions: it goes first.
    delete dncSerial;
    dncSerial = nullptr;
    delete axis;
    axis = nullptr;
    // The device belongs to the collector, which keeps listing it and is
    // never deleted: it is closed here as its destructor would (light off).
    if (camera)
        camera->shutDown();
    delete ui;
}

void MainWindow::registerPanel(const QString &id, QWidget *widget, const QPoint &open, const QRect &closed,
                               int group)
{
    animator.addWidget(id, widget, open, closed, group);
    panelIds.append(id);
}

// The tables' and machines' panels: they share the right-hand place over the
// live view and start closed.
void MainWindow::addSidePanel(const QString &id, QWidget *panel)
{
    registerPanel(id, panel, QPoint(644, 200), QRect(650, 24, 0, 0), 4);
    animator.setStatus(id, false);
    panel->setParent(ui->centralwidget);
    panel->show();
}

void MainWindow::setInputContext(MyInputPanelContext *context)
{
    inputContext = context;
    // A numeric spin box asked for the keyboard: the angular-head angle box.
    if (!inputContext)
        return;
    connect(inputContext, &MyInputPanelContext::reqInputBox, this, &MainWindow::showAngularInput,
            Qt::UniqueConnection);
    // A box or panel that closes takes the keyboard that typed into it along:
    // left open, it would cover what comes next and type into a hidden field.
    // One that opens sends away the keyboard of every field but its own.
    connect(&animator, &AnimatedWidgets::statusChanged, context, [this, context](const QString &id, bool open) {
        if (open)
            context->leaveFor(animator.widget(id));
        else
            context->closeWith(animator.widget(id));
    });
}

// Single instance and touch-screen cursor -------------------------------------

bool MainWindow::checkEnv()
{
    instanceLock = std::make_unique<InstanceLock>();
    const InstanceLock::Result r = instanceLock->acquire();
    if (r == InstanceLock::HeldByOther) {
        fatalExit(this, MachineSettings.vendorName, tr("Program already in execution"));
        return false;
    }
    if (r == InstanceLock::Unavailable)
        qWarning("MainWindow::checkEnv: cannot make the lock file in the working directory");

    if (onlyTouchPointers(inputDeviceFolder))
        QApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    return true;
}

void MainWindow::removeSaveLeftovers()
{
    // Every folder the program replaces whole files in, each once.
    QStringList folders = App::settingsFolders();
    folders << ToolTableReport::folder() << cBalluffUI::folder();
    for (const QString &output : MachineRows::outputFolders())
        folders << (output.isEmpty() ? QStringLiteral(".") : output);
    // A layout's write counter is drafted beside the file a link leads to.
    for (const QString &layout : MachineRows::tagLayouts())
        folders << QFileInfo(cBalluffUI::folder() + QLatin1Char('/') + layout).canonicalPath();
    QSet<QString> done;
    const QString settingsName = QFileInfo(App::settingsFile()).fileName();
    for (const QString &folder : qAsConst(folders)) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty() && !done.contains(canonical)) {
            done.insert(canonical);
            WholeFile::removeDrafts(folder, settingsName);
        }
    }
}

// Construction steps ------------------------------------------------------------

void MainWindow::initLabelPrint()
{
    registerPanel(QStringLiteral("labelPrint"), ui->frmLabelPrint, QPoint(644, 200), QRect(650, 120, 0, 0), 4);
    connectLabelPanel();
    for (QLineEdit *e : {ui->leXLabel, ui->leZLabel, ui->leAngleLabel, ui->leRadLabel, ui->leLabelCode, ui->leLabelT})
        e->setText(QString());
    animator.setStatus(QStringLiteral("labelPrint"), true);
}

void MainWindow::initCameraGui()
{
    registerPanel(QStringLiteral("cameraPanel"), ui->frmBottom2, QPoint(214, 250), QRect(640, 150, 0, 0), 0);
    registerPanel(QStringLiteral("setColor"), ui->frmSetColor, QPoint(100, 630), QRect(650, 1000, 0, 0), 2);
    registerPanel(QStringLiteral("setAngle"), ui->frmSetAngle, QPoint(100, 630), QRect(650, 1000, 0, 0), 2);
    registerPanel(QStringLiteral("getAngle"), ui->frmGetAngle, QPoint(100, 630), QRect(650, 1000, 1, 1), 2);
    registerPanel(QStringLiteral("setPoint2P"), ui->frmSetPoint2P, QPoint(100, 630), QRect(650, 1000, 0, 0), 2);
    registerPanel(QStringLiteral("setCircle"), ui->frmSetCircle, QPoint(100, 630), QRect(650, 1000, 0, 0), 2);
    registerPanel(QStringLiteral("getCircle"), ui->frmGetRadius, QPoint(100, 630), QRect(650, 1000, 0, 0), 2);
    registerPanel(QStringLiteral("getCircle5P"), ui->frmSetPoint5P, QPoint(100, 630), QRect(650, 1000, 0, 0), 2);
    registerPanel(QStringLiteral("inspectionLight"), ui->frmSetLight, QPoint(5, 475), QRect(650, 1000, 0, 0), 3);
    for (QPushButton *b : {ui->tbExitSetColor, ui->tbExitSetAngle, ui->tbExitGetAngle, ui->tbExitSetPoint2P,
                           ui->tbExitSetCircle, ui->tbExitGetRadius, ui->tbExitSetPoint5P})
        connect(b, &QPushButton::clicked, this, &MainWindow::slotExitButton);
    connect(ui->tbDgt, &QPushButton::toggled, this, &MainWindow::setDigital);
}

void MainWindow::initValidators()
{
    for (QLineEdit *e : {ui->leSetX, ui->leSetZ, ui->leSetC, ui->leCircleR, ui->leXLabel, ui->leZLabel,
                         ui->leAngleLabel, ui->leRadLabel, ui->leAngleA, ui->leGauge})
        e->setValidator(new QExtDoubleValidator(DBL_MIN, DBL_MAX, 3, e));
    QExtDoubleValidator *angle = doubleValidator(ui->leAngleA);
    angle->setRange(-89.99, 89.99, 0);
    angle->setDecimals(2);
    setValidators();
}

void MainWindow::setValidators()
{
    const int decimals = CurrentMachine.IsMM ? MachineSettings.mmDecimals : MachineSettings.inchDecimals;
    struct Range
    {
        QLineEdit *edit;
        double bottom, top;
        int decimals;
    };
    const double circleTop = CurrentMachine.IsMM ? 3.5 : 3.5 / 25.4;
    const Range ranges[] = {
        {ui->leSetX, -1000, 1000, decimals},      {ui->leSetZ, -1000, 1000, decimals},
        {ui->leSetC, -1000, 1000, 2},             {ui->leCircleR, 0, circleTop, decimals},
        {ui->leXLabel, -1000, 1000, decimals},    {ui->leZLabel, -1000, 1000, decimals},
        {ui->leAngleLabel, -359.9, 359.9, 2},     {ui->leRadLabel, -1000, 1000, decimals},
    };
    for (const Range &r : ranges) {
        QExtDoubleValidator *v = doubleValidator(r.edit);
        if (!v)
            continue;
        v->setRange(r.bottom, r.top, 0);
        v->setDecimals(r.decimals);
    }
}

void MainWindow::initAxisInterface()
{
    axis = new cAxisInterface(this, camera);
    dncSerial = new DncSerialService([this](double &x, double &z) { return axis && axis->positionForDnc(x, z); }, this);
    for (const QString &text : axis->busyPortTexts() + dncSerial->busyPortTexts())
        QMessageBoxKovra::critical(this, MachineSettings.vendorName, text);
    connect(dncSerial, &DncSerialService::sigActivateMachine, this, &MainWindow::selectMachine);
    connect(dncSerial, &DncSerialService::sigUpdateSettings, this, &MainWindow::readMachineSettings);
    connect(dncSerial, &DncSerialService::sigToolsetImported, this, &MainWindow::selectMachine);
    connect(axis, &cAxisInterface::sigUpdateGui, this, &MainWindow::activateMachineSettings);
    connect(dncSerial, &DncSerialService::sigDncSerialActive, this, &MainWindow::slotDncSerialActive);
    connect(&dncSerialTimer, &QTimer::timeout, this, &MainWindow::slotDncSerialInactive);
    connect(axis, &cAxisInterface::UpdateAxesDisplay, this, &MainWindow::UpdateAxis);
    connect(axis, &cAxisInterface::silenceChanged, this, &MainWindow::showAxbSilence);
    dncSerialTimer.setInterval(1000);
}

void MainWindow::initTcp()
{
    const QString address = App::kovraSettings().value(QStringLiteral("/SOCKET/Ip"), QString()).toString();
    if (address.isEmpty())
        return;
    tcpServer = new TCPServer(this, axis, address);
}

void MainWindow::initMainGui()
{
    registerPanel(QStringLiteral("vacuumPanel"), ui->frmBottom1, QPoint(185, 250), QRect(895, 696, 0, 0), 0);
    registerPanel(QStringLiteral("setX"), ui->frmSetX, QPoint(100, 130), QRect(650, 40, 0, 0), 1);
    connect(ui->tbExitSetX, &QPushButton::clicked, this, &MainWindow::slotExitButton);
    registerPanel(QStringLiteral("setZ"), ui->frmSetZ, QPoint(100, 130), QRect(650, 120, 0, 0), 1);
    connect(ui->tbExitSetZ, &QPushButton::clicked, this, &MainWindow::slotExitButton);
    registerPanel(QStringLiteral("setC"), ui->frmSetC, QPoint(100, 130), QRect(650, 120, 0, 0), 1);
    connect(ui->tbExitSetC, &QPushButton::clicked, this, &MainWindow::slotExitButton);
    registerPanel(QStringLiteral("inputBox"), ui->frmInputBox, QPoint(100, 130), QRect(650, 120, 0, 0), 1);
    connect(ui->tbExitInputBox, &QPushButton::clicked, this, &MainWindow::slotExitButton);

    // These stay usable while the input box disables the central widget.
    // A new parent hides a widget: each keeps what the machine settings
    // decided (a machine without an index has no INDEX button).
    for (QWidget *w : {static_cast<QWidget *>(ui->frmInputBox), static_cast<QWidget *>(ui->tbBrake),
                       static_cast<QWidget *>(ui->tbIndex), static_cast<QWidget *>(ui->frmClamp)}) {
        const QRect g = w->geometry();
        const bool shown = !w->isHidden();
        w->setParent(this);
        w->setGeometry(g);
        w->setVisible(shown);
    }

    connect(ui->tbLockX, &QPushButton::toggled, axis, &cAxisInterface::SetXLock);
    connect(ui->tbLockZ, &QPushButton::toggled, axis, &cAxisInterface::SetZLock);
    connect(ui->tbBrake, &QPushButton::clicked, axis, &cAxisInterface::PressBrakeButton);
    connect(ui->pbHelp, &QPushButton::clicked, this, &MainWindow::showHelp);

    ui->lblVersion->setText(QStringLiteral("Software version ") + QLatin1String(kVersion));
    ui->leToolset->hide();
    setWindowTitle(MachineSettings.vendorName);
    ui->tbMachineList->setEnabled(false);
    ui->tbSetList->setEnabled(false);
    ui->cmbMachine->hide();

    connect(&clockTimer, &QTimer::timeout, this, &MainWindow::slotUpdDateTime);
    clockTimer.setInterval(1000);
    clockTimer.start();

    auto *indexGroup = new QButtonGroup(this);
    indexGroup->addButton(ui->tbStartIndex);
    indexGroup->addButton(ui->tbStopIndex);
    indexGroup->setExclusive(true);
    reticleGroup.addButton(ui->tbAutocoll, 1);
    reticleGroup.addButton(ui->tbRetFix, 0);
    reticleGroup.addButton(ui->pbFreeze, 2);
    reticleGroup.setExclusive(true);

    connect(ui->tbStandBy, &QPushButton::clicked, this, &QWidget::close);

    // Buttons take the focus when pressed, never through the tab key.
    for (QPushButton *b : ui->centralwidget->findChildren<QPushButton *>())
        b->setFocusPolicy(Qt::ClickFocus);
}

void MainWindow::initMachine()
{
    fillMachineCombo();
    slotMachineChanged(0);
    connect(ui->cmbMachine, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MainWindow::slotMachineChanged);

    machineEditor = new cMachine(this);
    addSidePanel(QStringLiteral("machine"), machineEditor);
    connect(machineEditor, &cMachine::getReference, this, &MainWindow::slotGetReference);

    registerPanel(QStringLiteral("getReference"), ui->frmGetReference, QPoint(100, 630), QRect(650, 300, 0, 0),
                       2);
    connect(ui->tbExitGetReference, &QPushButton::clicked, this, &MainWindow::slotExitButton);
    connect(ui->tbOkGetReference, &QPushButton::clicked, this, &MainWindow::slotOkGetReference);

    animator.setStatus(QStringLiteral("cameraPanel"), false);
    animator.setStatus(QStringLiteral("vacuumPanel"), false);
}

// Every panel but the label panel starts closed, put straight to its closed
// place: nothing slides across the screen at start-up.
void MainWindow::closeStartPanels()
{
    animator.enableAnimation(false);
    for (const QString &id : qAsConst(panelIds)) {
        if (id != QLatin1String("labelPrint"))
            animator.setStatus(id, false);
    }
    // Closing a panel of its group may have shut the label panel: open it again.
    animator.setStatus(QStringLiteral("labelPrint"), true);
    animator.enableAnimation(!MachineSettings.disableAnimation);
}

// Settings and machine selection ------------------------------------------------

void MainWindow::readMachineSettings()
{
    loadMachineSettings(MachineSettings);
    activateMachineSettings();
}

void MainWindow::activateMachineSettings()
{
    const bool basic = MachineSettings.type == 0 || MachineSettings.type == 3;
    ui->tbIndex->setVisible(MachineSettings.hasIndex);
    ui->tbTestRnOut->setVisible(MachineSettings.automaticSpindle || MachineSettings.disableRunout || basic);
    ui->tbBrake->setVisible(basic);
    ui->frmClamp->setVisible(basic);
    ui->frmBottom1->setVisible(MachineSettings.hasIndex || basic);
    ui->frmCaxis->setVisible(MachineSettings.hasCAxis);

    disconnect(stopRunOutLink);
    stopRunOutLink = {};

    if (MachineSettings.isPivra || MachineSettings.type == 3) {
        testRnOutRole = RunOutRole::Clamp;
        ui->tbTestRnOut->setIcon(QIcon(QStringLiteral(":/img/pivraClamp.png")));
        ui->tbTestRnOut->setToolTip(tr("Clamp/unclamp tool"));
        if (MachineSettings.type == 3) {
            ui->tbTestRnOut->setCheckable(true);
            MachineSettings.isPivra = false;
            MachineSettings.idleClick = 0;
            ui->tbTestRnOut->setStyleSheet(QLatin1String(kClampSheet));
            ui->tbIndex->setStyleSheet(ui->tbTestRnOut->styleSheet());
            ui->tbBrake->setStyleSheet(ui->tbTestRnOut->styleSheet());
        }
    } else if (MachineSettings.automaticSpindle) {
        testRnOutRole = RunOutRole::AutomaticSpindle;
        ui->tbTestRnOut->setIcon(QIcon(QStringLiteral(":/img/autoSpindle.png")));
        ui->tbTestRnOut->setToolTip(tr("Automatic spindle"));
        for (QPushButton *b : {ui->tbTestRnOut, ui->tbIndex, ui->tbBrake})
            b->setStyleSheet(QString());
    } else if (MachineSettings.disableRunout) {
        testRnOutRole = RunOutRole::Hidden;
        ui->tbTestRnOut->hide();
    } else {
        testRnOutRole = RunOutRole::RunOutTest;
        ui->tbTestRnOut->setIcon(QIcon(QStringLiteral(":/img/TestRnOut.png")));
        ui->tbTestRnOut->setToolTip(tr("Run-out test"));
        for (QPushButton *b : {ui->tbTestRnOut, ui->tbIndex, ui->tbBrake})
            b->setStyleSheet(QString());
        stopRunOutLink = connect(ui->tbStopRunOut, &QPushButton::clicked, ui->tbTestRnOut, &QPushButton::setChecked);
    }
    linkTestRnOut();

    const bool locks = MachineSettings.type != 3;
    ui->tbLockX->setVisible(locks);
    ui->tbLockZ->setVisible(locks);

    if (!constructing)
        animator.enableAnimation(!MachineSettings.disableAnimation);

    QPixmap picture;
    if (!MachineSettings.logoName.isEmpty())
        picture.load(QStringLiteral("./custom/res/") + MachineSettings.logoName);
    else
        picture.load(QStringLiteral(":/img/Logo.png"));
    delete logo;
    logo = new QPixmap(picture);
    ui->tbConfigure->setIcon(QIcon(*logo));
}

// The machines the user may pick (the factory zero for the super user only),
// then the default machine.
void MainWindow::fillMachineCombo()
{
    populateCombo(ui->cmbMachine, MachineRows::names(isSuperUser));
    ui->cmbMachine->addItem(MachineNames::defaultMachine(), -1);
    ui->cmbMachine->show();
}

void MainWindow::updateMacCombo(QString name)
{
    fillMachineCombo();
    selectMachine(name);
}

void MainWindow::selectMachine(QString name)
{
    const int found = ui->cmbMachine->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0)
        ui->cmbMachine->setCurrentIndex(found);
    else if (ui->cmbMachine->count() > 0)
        ui->cmbMachine->setCurrentIndex(0);
}

void MainWindow::slotMachineChanged(int index)
{
    // A refill clears the combo first: no entry, nothing to activate.
    if (index < 0)
        return;
    currentMachineId = ui->cmbMachine->itemData(index).toInt();
    activateMachine(currentMachineId);
    setValidators();
    ui->sbCircle->setSingleStep(1);
    ui->sbCircle->setPageStep(10);
    if (currentMachineId != -1) {
        animator.setStatus(QStringLiteral("labelPrint"), true);
        ui->cmbMachine->setEnabled(true);
    }
    for (QLineEdit *e : {ui->leXLabel, ui->leZLabel, ui->leAngleLabel, ui->leRadLabel, ui->leLabelCode, ui->leLabelT})
        e->setText(QString());
}

void MainWindow::activateMachine(int idMachine)
{
    if (idMachine == -1) {
        // The built-in machine: references from the settings file, the rest
        // of the record as the machine before left it.
        QSettings &s = App::kovraSettings();
        s_machine m = CurrentMachine;
        m.idMachine = -1;
        m.name = MachineNames::defaultMachine();
        const auto reference = [&s](const QString &key) {
            return MeasureCommands::referenceTenths(s.value(key), s.value(MeasureCommands::referenceTenthsKey(key)));
        };
        MeasureCommands::setReference(m, true, reference(QStringLiteral("System/GaugeX")));
        m.sysXref = s.value(QStringLiteral("System/RefX"), 0).toInt();
        MeasureCommands::setReference(m, false, reference(QStringLiteral("System/GaugeZ")));
        m.sysZref = s.value(QStringLiteral("System/RefZ"), 0).toInt();
        m.swapXZ = m.reverseX = m.reverseZ = m.linkToMasterX = m.linkToMasterZ = false;
        m.IsMM = MachineSettings.isMM;
        m.isRadius = MachineSettings.isRadius;
        m.smartX = m.smartZ = RefLength();
        m.Balluff.clear();
        m.PostPro.clear();
        m.dncFormat.clear();
        m.dncSocket.clear();
        m.toolId = false;
        CurrentMachine = m;
        ui->tbSetList->setEnabled(false);
        animator.setStatus(QStringLiteral("labelPrint"), true);
    } else {
        CurrentMachine = getMachineData(idMachine);
        ui->tbSetList->setEnabled(true);
    }

    ui->tbAIX->setChecked(false);
    ui->tbAIZ->setChecked(false);
    ui->tbAIC->setChecked(false);
    ui->tbRadDia->setChecked(!CurrentMachine.isRadius);
    ui->tbRetFix->setChecked(true);
    if (camera && camPanel)
        slotReticleType(0);

    CurrentMachine.xIncrZero = 0;
    CurrentMachine.zIncrZero = 0;
    CurrentMachine.xLock = CurrentMachine.zLock = false;
    CurrentMachine.xIncr = CurrentMachine.zIncr = CurrentMachine.cIncr = false;
    CurrentMachine.cIncrOffset = 0;

    if (camera) {
        camera->roi.x1 = 1;
        camera->roi.y1 = 1;
        camera->roi.x2 = 640;
        camera->roi.y2 = 640;
    }
    ui->tbLblRadDia->setChecked(!CurrentMachine.isRadius);

    const int t = getCurrentTableType();
    if (t == 1)
        ui->tbSetList->setIcon(QIcon(QStringLiteral(":/img/balluff.png")));
    else if (t == 3)
        ui->tbSetList->setIcon(QIcon(QStringLiteral(":/img/datamatrixBtn.png")));
    else
        ui->tbSetList->setIcon(QIcon(QStringLiteral(":/img/ToolingTables.png")));
    ui->tbDnc->setVisible(t == 2);
}

void MainWindow::slotDncSerialActive()
{
    dncSerialTimer.stop();
    ui->frmMacSet->setEnabled(false);
    dncSerialTimer.start();
}

void MainWindow::slotDncSerialInactive()
{
    dncSerialTimer.stop();
    ui->frmMacSet->setEnabled(true);
}

// Axis display ------------------------------------------------------------------

namespace {
// The read-outs are updated on every board answer (hundreds a second); a style
// sheet set again re-polishes the label even when it did not change.
void setStyleSheetWhenChanged(QWidget *w, const QString &css)
{
    if (w->styleSheet() != css)
        w->setStyleSheet(css);
}
} // namespace

void MainWindow::UpdateAxis()
{
    if (initRequest) {
        axis->resetAXB();
        initRequest = false;
        return;
    }
    const bool zeroX = axis->ZeroX();
    const bool zeroZ = axis->ZeroZ();
    const bool zeroC = axis->ZeroC();

    QLabel *xTarget = CurrentMachine.swapXZ ? ui->lblZ : ui->lblX;
    QLabel *zTarget = CurrentMachine.swapXZ ? ui->lblX : ui->lblZ;

    // A frozen image follows the axes when they moved on.
    if (camera->isFrozen() && camera->frozenMoved(axis->getScaleX(), axis->getScaleZ()))
        camera->enableFreeze(true, axis->getScaleX(), axis->getScaleZ());

    AxisDisplay::LinearState s;
    s.frozen = camera->isFrozen();
    s.cameraAngle = camera->cameraAngle;
    s.noMachineName = CurrentMachine.name.isEmpty();
    s.autocollimation = ui->tbAutocoll->isChecked();

    s.referenced = zeroX;
    s.incremental = axis->isXIncr();
    setStyleSheetWhenChanged(xTarget, AxisDisplay::linearStyle(s));
    if (!lastZeroX && zeroX)
        CurrentMachine.xIncr = false;
    ui->lblX->setText(axis->ReadXString());

    s.referenced = zeroZ;
    s.incremental = axis->isZIncr();
    setStyleSheetWhenChanged(zTarget, AxisDisplay::linearStyle(s));
    if (!lastZeroZ && zeroZ)
        CurrentMachine.zIncr = false;
    ui->lblZ->setText(axis->ReadZString());

    if (MachineSettings.hasCAxis) {
        if (!zeroC) {
            if (curColorC != QColor(Qt::red)) {
                curColorC = Qt::red;
                ui->lblC->setStyleSheet(QStringLiteral("QLabel {color: red}"));
            }
        } else if (CurrentMachine.name.isEmpty()) {
            if (curColorC != QColor(Qt::yellow)) {
                ui->lblC->setStyleSheet(QStringLiteral("QLabel {color: yellow}"));
                curColorC = Qt::yellow;
            }
        } else {
            const bool incr = axis->isCIncr();
            setStyleSheetWhenChanged(ui->lblC, QStringLiteral("QLabel{color:") +
                                                   (incr ? QStringLiteral("yellow") : QStringLiteral("white")) +
                                                   QStringLiteral(";}"));
            curColorC = incr ? QColor(Qt::yellow) : QColor(Qt::white);
        }
        if (!lastZeroC && zeroC)
            CurrentMachine.cIncr = false;
        ui->lblC->setText(axis->ReadCString());
    }

    const bool before = lastZeroX && lastZeroZ;
    const bool now = zeroX && zeroZ;
    if (!before && now) {
        selectMachine(MachineNames::defaultMachine());
        ui->tbMachineList->setEnabled(true);
        ui->cmbMachine->show();
        animator.setStatus(QStringLiteral("labelPrint"), true);
    } else if (before && !now) {
        selectMachine(MachineNames::defaultMachine());
        ui->tbMachineList->setEnabled(false);
        ui->cmbMachine->hide();
        animator.setStatus(QStringLiteral("labelPrint"), true);
    }
    lastZeroX = zeroX;
    lastZeroZ = zeroZ;
    lastZeroC = zeroC;

    ui->tbIndex->setChecked(axis->isIndexOn());
    ui->tbBrake->setChecked(axis->isBrakeOn());

    const bool clamped = axis->isClampOn();
    if (firstRun || clamped != prevClamped) {
        prevClamped = clamped;
        const bool type3 = MachineSettings.type == 3;
        const char *file = clamped ? (type3 ? "Clamped.png" : "Clamped2.png")
                                   : (type3 ? "Unclamped.png" : "Unclamped2.png");
        ui->lblClamp->setPixmap(QPixmap(QStringLiteral(":/img/") + QLatin1String(file)));
        firstRun = false;
    }

    // Follow the board's clamp state without sending a clamp command: a
    // programmatic change of the checked state emits no click.
    if (MachineSettings.type == 3 && !MachineSettings.automaticSpindle && ui->tbTestRnOut->isChecked() != clamped)
        ui->tbTestRnOut->setChecked(clamped);

    // A refresh without a new answer (the clamp button) keeps them marked.
    if (!ui->lblAxbSilent->isHidden())
        showAxbSilence(true);
}

void MainWindow::showAxbSilence(bool silent)
{
    ui->lblAxbSilent->setVisible(silent);
    // The intersection and circle centre texts hold the axis position too;
    // without a sheet of their own they take the panel's colour.
    for (QLabel *position : {ui->lblAngleInt, ui->lblRadCenter})
        setStyleSheetWhenChanged(position, silent ? AxisDisplay::silentStyle() : QString());
    // Once the board answers again, its next refresh gives the colours back.
    if (!silent)
        return;
    for (QLabel *readout : {ui->lblX, ui->lblZ, ui->lblC})
        setStyleSheetWhenChanged(readout, AxisDisplay::silentStyle());
    // The C rules set their colour only when it differs from the one shown.
    curColorC = QColor();
}

void MainWindow::chechAxisInitStatus()
{
    lastZeroX = axis->ZeroX();
    lastZeroZ = axis->ZeroZ();
    lastZeroC = MachineSettings.hasCAxis ? axis->ZeroC() : true;
    if (lastZeroX && lastZeroZ && lastZeroC) {
        ui->tbMachineList->setEnabled(true);
        ui->cmbMachine->show();
        animator.setStatus(QStringLiteral("labelPrint"), true);
    }
}

void MainWindow::initPalette()
{
    QSettings &s = App::kovraSettings();
    const int forceWhite = s.value(QStringLiteral("/camera/forceWhite"), 255).toInt();
    const int forceBlack = s.value(QStringLiteral("/camera/forceBlack"), 0).toInt();
    greyColorTable = CameraPalettes::grey(forceBlack, forceWhite);
    thresholdColorTable = CameraPalettes::threshold();
    inspectionColorTable = greyColorTable;
    camera->setStreamPalette(greyColorTable);
}

void MainWindow::setDigital(bool on)
{
    if (camera)
        camera->setStreamPalette(on ? thresholdColorTable : greyColorTable);
}

void MainWindow::slotUpdDateTime()
{
    ui->lblDateTime->setText(QDate::currentDate().toString(Qt::TextDate) + QStringLiteral(" ") +
                             QTime::currentTime().toString(Qt::TextDate));
}

// Shutdown and small slots ------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent *event)
{
    const int answer = QMessageBoxKovra::question(this, MachineSettings.vendorName, tr("Quit application?"),
                                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer == QMessageBox::No) {
        event->ignore();
        return;
    }
    if (MachineSettings.zeroReset && axis) {
        axis->resetScalesZeroes();
        // The frame goes out through the port's send thread; closing the
        // port right after the window would drop it, so give it time to leave.
        QThread::msleep(100);
    }
    event->accept();
}

void MainWindow::slotExitButton()
{
    auto *button = qobject_cast<QWidget *>(sender());
    if (!button)
        return;
    animator.setParentStatus(button, false);
    if (button == ui->tbExitGetAngle || button == ui->tbExitGetRadius) {
        geometryActive = 0;
        if (camera) {
            camera->Geometry = false;
            camera->autoAngle = false;
            camera->autoCircle = false;
        }
    } else if (button == ui->tbExitGetReference) {
        if (machineEditor)
            machineEditor->setEnabled(true);
    } else if (button == ui->tbExitInputBox) {
        ui->centralwidget->setEnabled(true);
        animator.setStatus(QStringLiteral("inputBox"), false);
        if (inputContext)
            inputContext->showKeyboard(false);
    }
}

void MainWindow::showHelp()
{
    QUrl url;
    if (!getManualUrl(url))
        return;
    setEnabled(false);
    ToolTableReport::openInViewer(url.toLocalFile());
    setEnabled(true);
}

void MainWindow::slotShowKeyboard(bool show)
{
    if (inputContext)
        inputContext->showKeyboard(show);
}

void MainWindow::initAutomaticSpindle()
{
}

void MainWindow::closeAutospindleGui()
{
}

// Tooling tables ----------------------------------------------------------------

void MainWindow::initToolset()
{
    toolset = new cToolset(axis, measureServer, this);
    addSidePanel(QStringLiteral("toolset"), toolset);
    connect(toolset, &cToolset::sigCloseToolset, this, &MainWindow::hideList);
    connect(toolset, &cToolset::sigShowKeyboard, this, &MainWindow::slotShowKeyboard);
}

void MainWindow::initSetList()
{
    setList = new cSetList(this);
    setList->show();
    addSidePanel(QStringLiteral("setList"), setList);
    connect(ui->tbSetList, &QPushButton::clicked, this, &MainWindow::showList);
    connect(setList, &cSetList::sigHideList, this, &MainWindow::hideList);
    connect(setList, &cSetList::sigEditToolset, this, &MainWindow::editToolset);
    connect(setList, &cSetList::sigPostProToolset, this, &MainWindow::ppToolset);
    connect(this, &MainWindow::sigUpdGui, setList, &cSetList::updGui);
    connect(ui->tbOkInputBox, &QPushButton::clicked, this, &MainWindow::okInputBox);
    connect(ui->leInputBox, &QLineEdit::returnPressed, this, &MainWindow::okInputBox);
}

void MainWindow::showInputBox(QString label, QString text, eInputBoxType type, bool password)
{
    ui->lblInputBox->setText(label);
    ui->frmInputBox->setProperty("InputBoxType", int(type));
    ui->centralwidget->setEnabled(false);
    if (type == ibCopyToolset) {
        ui->leInputBox->hide();
        populateCombo(ui->cmbInputBox, MachineRows::names(isSuperUser));
        ui->cmbInputBox->show();
        ui->cmbInputBox->setFocus();
    } else if (int(type) >= 0 && int(type) <= ibImportToolset) {
        ui->leInputBox->setText(text);
        ui->leInputBox->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
        ui->leInputBox->show();
        ui->cmbInputBox->hide();
        ui->leInputBox->setFocus();
    }
    // Every box starts without the validator a previous one may have set.
    if (const QValidator *old = ui->leInputBox->validator()) {
        ui->leInputBox->setValidator(nullptr);
        delete old;
    }
    if (type == ibAngularHead)
        ui->leInputBox->setValidator(new QExtDoubleValidator(0, 90, 2, ui->leInputBox));
    animator.setStatus(QStringLiteral("inputBox"), true);
}

void MainWindow::okInputBox()
{
    const int type = ui->frmInputBox->property("InputBoxType").toInt();
    const QString text = ui->leInputBox->text();
    switch (type) {
    case ibDeleteMachine:
        machineList->deleteMachine(text);
        break;
    case ibNewMachine:
        if (ValidateUser(this, text))
            showNewMachine();
        break;
    case ibEditMachine:
        if (ValidateUser(this, text))
            showEditMachine();
        break;
    case ibNewToolset:
        setList->newToolset(text);
        break;
    case ibRenameToolset:
        setList->renameToolset(text);
        break;
    case ibCopyToolset:
        if (ui->cmbInputBox->currentIndex() >= 0)
            setList->copyToolset(ui->cmbInputBox->currentData().toInt());
        break;
    case ibConfiguration:
        slotConfiguration(text);
        break;
    case ibImportToolset:
        setList->importToolset(text);
        break;
    case ibAngularHead:
        ui->sbRotateMeasLine->setValue(text.toFloat());
        break;
    default:
        break;
    }
    animator.setStatus(QStringLiteral("inputBox"), false);
    ui->centralwidget->setEnabled(true);
}

void MainWindow::showList()
{
    animator.shrinkByGroup(1);
    if (sender() == ui->tbMachineList) {
        machineList->setCurrentMachine(CurrentMachine.name);
        ui->cmbMachine->setEnabled(false);
        animator.setStatus(QStringLiteral("machineList"), true);
        return;
    }
    if (sender() != ui->tbSetList)
        return;
    const int tableType = getCurrentTableType();
    if (tableType == tableRfid) {
        // These machines keep their tools on tags.
        ui->cmbMachine->setEnabled(false);
        ui->tbMachineList->setEnabled(false);
        openBalluff();
        return;
    }
    if (tableType == tableDncDataMatrix) {
        slotDncSocket(false, -1);
        return;
    }
    setList->selectToolset(currentMachineId, true);
    animator.setStatus(QStringLiteral("setList"), true);
}

void MainWindow::hideList()
{
    if (sender() == setList || sender() == machineList) {
        ui->cmbMachine->setEnabled(true);
        animator.setStatus(QStringLiteral("labelPrint"), true);
    } else if (sender() == toolset) {
        ui->leToolset->hide();
        ui->tbMachineList->setEnabled(true);
        ui->cmbMachine->setEnabled(true);
        ui->tbSetList->setEnabled(true);
        animator.setStatus(QStringLiteral("setList"), true);
        ui->tbStandBy->setEnabled(true);
    }
}

void MainWindow::editToolset(int idTable, QString name)
{
    ui->leToolset->setText(name);
    ui->leToolset->show();
    ui->tbMachineList->setEnabled(false);
    ui->tbSetList->setEnabled(false);
    ui->cmbMachine->setEnabled(false);
    toolset->setCurrentTable(idTable, ui->cmbMachine->currentText(), name);
    animator.setStatus(QStringLiteral("toolset"), true);
    ui->tbStandBy->setEnabled(false);
}

// RFID tag editor ---------------------------------------------------------------

void MainWindow::initBalluff()
{
    // The editor connects its own closing() to closeBalluff().
    balluff = new cBalluffUI(this, measureServer);
    addSidePanel(QStringLiteral("balluff"), balluff);
}

bool MainWindow::openBalluff()
{
    ui->tbSetList->setEnabled(false);
    animator.setStatus(QStringLiteral("balluff"), true);
    // On failure the editor has told why and emitted closing() itself.
    return balluff->init();
}

void MainWindow::closeBalluff()
{
    ui->tbMachineList->setEnabled(true);
    ui->tbSetList->setEnabled(true);
    ui->cmbMachine->setEnabled(true);
    animator.setStatus(QStringLiteral("labelPrint"), true);
}

// DNC panel ---------------------------------------------------------------------

void MainWindow::initDnc()
{
    dnc = new cDnc(axis, measureServer, this);
    addSidePanel(QStringLiteral("dncPanel"), dnc);
    connect(ui->tbDnc, &QPushButton::clicked, this, [this] { slotDncSocket(false, -1); });
    connect(dnc, &cDnc::sigCloseDncSocket, this, &MainWindow::slotCloseDncSocket);
    connect(dnc, &cDnc::tidDataOk, camPanel, &CCamPanel::displayTidMessage);
}

void MainWindow::slotDncSocket(bool fromTable, int toolId)
{
    dncFoundSetList = ui->tbSetList->isEnabled();
    dncFoundDncButton = ui->tbDnc->isEnabled();
    ui->tbSetList->setEnabled(false);
    ui->tbDnc->setEnabled(false);
    if (!dnc->init(fromTable, toolId)) {
        ui->tbSetList->setEnabled(dncFoundSetList);
        ui->tbDnc->setEnabled(dncFoundDncButton);
        return;
    }
    animator.setStatus(QStringLiteral("dncPanel"), true);
}

void MainWindow::slotCloseDncSocket(bool fromTable)
{
    animator.setStatus(fromTable ? QStringLiteral("toolset") : QStringLiteral("labelPrint"), true);
    ui->tbSetList->setEnabled(dncFoundSetList);
    ui->tbDnc->setEnabled(dncFoundDncButton);
}

// Post-processor ------------------------------------------------------------------

void MainWindow::initPostPro()
{
    postProcessor = new postPro(this);
    postProcessor->setParent(ui->centralwidget);
    postProcessor->show();
    // Below the table button (ends at 137), above the run-out button (icon from 701).
    registerPanel(QStringLiteral("postPro"), postProcessor, QPoint(0, 137), QRect(650, 24, 0, 0), 5);
    animator.setStatus(QStringLiteral("postPro"), false);
    connect(postProcessor, &postPro::sigPostProClosed, this, &MainWindow::ClosePostPro);
}

// The buttons that leave the panel are locked while it is open; the run-out
// button stays as it is on a machine with an automatic spindle.
void MainWindow::ppToolset(int idTable, QString name)
{
    ui->leToolset->setText(name);
    ui->leToolset->show();
    ui->leToolset->setStyleSheet(QStringLiteral("QWidget{background-color: rgb(221, 235, 124); color:green;}"));
    ui->tbMachineList->setEnabled(false);
    ui->tbSetList->setEnabled(false);
    ui->tbConfigure->setEnabled(false);
    ui->tbBrake->setEnabled(false);
    ui->tbIndex->setEnabled(false);
    if (!MachineSettings.automaticSpindle)
        ui->tbTestRnOut->setEnabled(false);
    ui->cmbMachine->setEnabled(false);
    postProcessor->init(idTable, name);
    animator.setStatus(QStringLiteral("postPro"), true);
}

void MainWindow::ClosePostPro()
{
    animator.setStatus(QStringLiteral("postPro"), false);
    ui->leToolset->hide();
    ui->leToolset->setStyleSheet(QStringLiteral("QWidget{background-color: white;color:black;}"));
    ui->cmbMachine->setEnabled(true);
    ui->tbBrake->setEnabled(true);
    ui->tbIndex->setEnabled(true);
    if (!MachineSettings.automaticSpindle)
        ui->tbTestRnOut->setEnabled(true);
    ui->tbMachineList->setEnabled(true);
    ui->tbSetList->setEnabled(true);
    ui->tbConfigure->setEnabled(true);
}

// Machines ----------------------------------------------------------------------

void MainWindow::initMachineList()
{
    machineList = new cMachineList(this);
    addSidePanel(QStringLiteral("machineList"), machineList);
    connect(ui->tbMachineList, &QPushButton::clicked, this, &MainWindow::showList);
    connect(machineList, &cMachineList::sigHideList, this, &MainWindow::hideList);
    connect(machineList, &cMachineList::sigEdit, this, &MainWindow::reqShowEditMachine);
    connect(machineList, &cMachineList::sigNew, this, &MainWindow::reqShowNewMachine);
}

void MainWindow::reqShowNewMachine()
{
    showInputBox(tr("New machine") + QStringLiteral("\n") + tr("Insert password"), QString(), ibNewMachine, true);
}

void MainWindow::reqShowEditMachine()
{
    showInputBox(tr("Edit machine") + QStringLiteral("\n") + tr("Insert password"), QString(), ibEditMachine, true);
}

void MainWindow::showNewMachine()
{
    ui->frmBackground->setEnabled(false);
    s_machine machine;
    machine.idMachine = -2;
    machine.isRadius = machine.isRadiusStored = machine.IsMM = true;
    machine.idMasterX = machine.idMasterZ = -1;
    machine.calibrationDate = QDate(2000, 1, 1);
    machineEditor->setInsertMode();
    // Leaving without saving returns to the machine selected now.
    machineEditor->setEditMachine(machine, ui->cmbMachine->currentText());
    ui->tbRetFix->setChecked(true);
    slotReticleType(0);
    ui->tbAIX->setChecked(false);
    ui->tbAIZ->setChecked(false);
    ui->tbAIC->setChecked(false);
    animator.setStatus(QStringLiteral("machine"), true);
}

void MainWindow::showEditMachine()
{
    ui->tbRetFix->setChecked(true);
    slotReticleType(0);
    ui->tbAIX->setChecked(false);
    ui->tbAIZ->setChecked(false);
    ui->tbAIC->setChecked(false);
    const QString name = machineList->getSelectedMachineName();
    // The machine chosen in the list becomes the current one first.
    selectMachine(name);
    ui->frmBackground->setEnabled(false);
    const s_machine machine = CurrentMachine;
    machineEditor->setEditMode();
    machineEditor->setEditMachine(machine, name);
    animator.setStatus(QStringLiteral("machine"), true);
}

void MainWindow::hideEditMachine(QString name)
{
    ui->frmBackground->setEnabled(true);
    updateMacCombo(name);
    machineList->setCurrentMachine(name);
    slotShowKeyboard(false);
    // Any status change in the panels' group shuts the group's open panel:
    // the label panel goes first, so the list stays open without animation too.
    animator.setStatus(QStringLiteral("labelPrint"), false);
    animator.setStatus(QStringLiteral("machineList"), true);
}

void MainWindow::slotGetReference(cMachine::eRefType type, QString gauge)
{
    refAxis = type;
    const bool z = type == cMachine::Z;
    ui->lblReferenceType->setPixmap(QPixmap(z ? QStringLiteral(":/img/caliperZ.png") : QStringLiteral(":/img/caliperX.png")));
    ui->lblGauge->setPixmap(QPixmap(z ? QStringLiteral(":/img/gaugeZ.png") : QStringLiteral(":/img/gaugeX.png")));
    if (QExtDoubleValidator *v = doubleValidator(ui->leGauge)) {
        if (CurrentMachine.IsMM)
            v->setRange(-1000, 1000, 3);
        else
            v->setRange(-39.37008, 39.37008, 5);
    }
    ui->leGauge->setText(gauge);
    machineEditor->setEnabled(false);
    // Without the coarse search the in-position report of the axis enables it.
    ui->tbOkGetReference->setEnabled(MachineSettings.coarseZeroSearch);
    animator.setStatus(QStringLiteral("getReference"), true);
}

void MainWindow::slotOkGetReference()
{
    if (MeasureServer::refusedForSilence(axis, this))
        return;
    const QString gauge = ui->leGauge->text();
    const int raw = refAxis == cMachine::Z ? axis->getScaleZ() : axis->getScaleX();
    emit sigSetReference(cMachine::eRefType(refAxis), raw, gauge);
    machineEditor->setEnabled(true);
    animator.setStatus(QStringLiteral("getReference"), false);
}
