#pragma once

#include <QButtonGroup>
#include <QColor>
#include <QList>
#include <QMainWindow>
#include <QMetaObject>
#include <QPoint>
#include <QPointer>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <memory>

#include "camera/LineParam.h"
#include "machines/cmachine.h"
#include "shared/SharedStruct.h"
#include "widgets/animatedwidgets.h"

class Ui_MainWindow;
class cAxisInterface;
class DncSerialService;
class CCamPanel;
class CVideoCollector;
class CVideoDevice;
class InstanceLock;
class MeasureServer;
class MyInputPanelContext;
class TCPServer;
class QCloseEvent;
class QPushButton;
class cMachineList;
class cSetList;
class cToolset;
class cDnc;
class postPro;
class cConfiguration;
class cBalluffUI;

// The program's one top-level window: builds the running system in a fixed
// order, shows the live axes and the camera, and hosts every sliding panel.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Ranges and decimals of the numeric fields for the current machine's unit.
    void setValidators();
    // The on-screen keyboard made by the entry point (not owned).
    void setInputContext(MyInputPanelContext *context);

    // False when a fatal start-up condition ended construction early (only
    // seen when the process exit is intercepted).
    bool isComplete() const { return complete; }

    Ui_MainWindow *form() const { return ui; }
    AnimatedWidgets &panels() { return animator; }
    cAxisInterface *axisLink() const { return axis; }
    DncSerialService *dncSerialService() const { return dncSerial; }
    CVideoDevice *cameraDevice() const { return camera; }
    CCamPanel *cameraPanel() const { return camPanel; }
    int currentMachine() const { return currentMachineId; }
    MeasureServer *measures() const { return measureServer; }
    cToolset *toolsetPanel() const { return toolset; }
    cSetList *setListPanel() const { return setList; }
    TCPServer *positionServer() const { return tcpServer; }
    cMachine *machinePanel() const { return machineEditor; }
    cMachineList *machineListPanel() const { return machineList; }
    cDnc *dncPanel() const { return dnc; }
    postPro *postProPanel() const { return postProcessor; }
    // The configuration dialog opened last (null before the first opening).
    cConfiguration *configurationDialog() const;
    cBalluffUI *balluffPanel() const { return balluff; }
    // Ids of the registered panels, in registration order.
    QStringList panelNames() const { return panelIds; }

    // Folder of the input devices looked at for the touch-screen cursor.
    static QString inputDeviceFolder;
    // The drafts killed saves left in the folders the program writes whole
    // files into (the settings file's, the reports', the tag's, each
    // machine's post-processor output and tag layout folders): done at the
    // start, under the instance lock, with the database open.
    static void removeSaveLeftovers();
    // The cameras to use; null: the collector's single instance.
    static CVideoCollector *videoCollector;

    // Role of the multi-purpose run-out button, as the settings give it.
    enum class RunOutRole { Clamp, AutomaticSpindle, Hidden, RunOutTest };
    RunOutRole runOutRole() const { return testRnOutRole; }

signals:
    void sigUpdGui();
    void sigSetReference(cMachine::eRefType type, int rawCount, QString gauge);

public slots:
    void readMachineSettings();
    void activateMachineSettings();
    void selectMachine(QString name);
    void updateMacCombo(QString name);
    void UpdateAxis();
    void setDigital(bool on);
    void slotUpdDateTime();
    void slotExitButton();
    void showHelp();
    void slotShowKeyboard(bool show);
    void slotDncSerialActive();
    void slotDncSerialInactive();
    void closeAutospindleGui();
    void showInputBox(QString label, QString text, eInputBoxType type, bool password);
    void okInputBox();
    void showList();
    void hideList();
    void editToolset(int idTable, QString name);
    // Opens the DNC panel for one tool of the tooling-table editor or stand-alone.
    void slotDncSocket(bool fromTable = false, int toolId = -1);
    bool openBalluff();
    void closeBalluff();
    void slotCloseDncSocket(bool fromTable);
    void ppToolset(int idTable, QString name);
    void ClosePostPro();
    // Prints one tool label (values already formatted; radiusMode: X is a radius).
    void printLabel(QString prnMachine, QString prnToolset, QString prnT, QString prnX, QString prnZ, QString prnA,
                    QString prnCr, QString prnCode, bool radiusMode);
    void hideEditMachine(QString name);
    void reqShowNewMachine();
    void reqShowEditMachine();
    void showNewMachine();
    void showEditMachine();
    void slotGetReference(cMachine::eRefType type, QString gauge);
    void slotOkGetReference();

    // References, incremental zeroes and axis commands.
    void PressedSetX();
    void PressedSetZ();
    void PressedSetC();
    void toggleXincr(bool on);
    void toggleZincr(bool on);
    void toggleCincr(bool on);
    void showAngularInput();
    void reqConfiguration();
    void slotConfiguration(QString password);
    void slotClamp();
    void slotEnableClamp();
    void slotTestRnOut(bool on);
    void setVacuumImage(int state);
    void toggleRadDia(bool on);
    // Camera measuring controls, found geometry and manual measures.
    void slotCamera(bool on);
    void slotCameraCommand();
    void slotTypeMeasure();
    void slotReticleType(int id);
    void slotAxisInPosX(bool inPos);
    void slotAxisInPosZ(bool inPos);
    void sliCircle(int value);
    void setCircleReticle(QString text);
    void resetRadius();
    void sliAngle(int value);
    void setAngleReticle(QString text);
    void resetAngle();
    void slotFoundLines(QVector<sLineParam> lines);
    void slotFoundCircle(QPoint centre, int radius);
    void slotRotMeasLine(double value);
    void measRotated(bool rotated);
    void setAutoAngleReticle();
    void getRotatedValues(QPointF val, bool isDiameter);
    void manualMeasures();
    void setManualValue();
    // Inspection mode.
    void slotInspection(bool on);
    void setInspectionColor();
    void sliLight(int value);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void slotMachineChanged(int index);
    // Marks the read-outs as not live while the board does not answer.
    void showAxbSilence(bool silent);
    void labelCommands();
    void slotLabelButtons();

private:
    // The label's X before rounding to the shown decimals, while the field
    // still shows it: a radius/diameter switch and back keeps the value.
    double labelX = 0;
    QString labelXText;

    bool checkEnv();
    void initLabelPrint();
    void connectLabelPanel();
    void initCameraGui();
    void initValidators();
    void initAxisInterface();
    void initTcp();
    void initPalette();
    void initMainGui();
    void initMachine();
    void chechAxisInitStatus();
    void activateMachine(int idMachine);
    void closeStartPanels();
    void registerPanel(const QString &id, QWidget *widget, const QPoint &open, const QRect &closed, int group);
    void addSidePanel(const QString &id, QWidget *panel);
    void initAutomaticSpindle();
    void initToolset();
    void initSetList();
    void initMachineList();
    void initBalluff();
    void initDnc();
    void initPostPro();
    void connectCommands();
    void linkTestRnOut();
    void placeSetValue(bool xRow, double v, bool defaultMachine);
    void setRowIncremental(bool xRow, bool on);
    // Switching on while the board is silent: refused with its box, the button unchecked.
    bool incrementalRefused(QPushButton *button, bool on);
    void fillMachineCombo();
    void updateRotatedFrame(int reticleId);

    Ui_MainWindow *ui = nullptr;
    AnimatedWidgets animator;
    int inspectionColorIndex = 0;
    QButtonGroup reticleGroup;
    cAxisInterface *axis = nullptr;
    DncSerialService *dncSerial = nullptr;
    CCamPanel *camPanel = nullptr;
    // Device 0 of the collector; the collector owns it.
    CVideoDevice *camera = nullptr;
    CVideoCollector *collector = nullptr;
    QVector<uint> greyColorTable;
    QVector<uint> thresholdColorTable;
    QVector<uint> inspectionColorTable;
    QTimer clockTimer;
    QTimer dncSerialTimer;
    // The TCP measure server, when an address is configured.
    TCPServer *tcpServer = nullptr;
    // Hands measures to the panels' fields; lives for the whole run.
    MeasureServer *measureServer = nullptr;
    cToolset *toolset = nullptr;
    cSetList *setList = nullptr;
    cMachine *machineEditor = nullptr;
    cMachineList *machineList = nullptr;
    cDnc *dnc = nullptr;
    // The table-list and DNC buttons as the DNC panel's opener left them
    // (the tooling-table editor has the table list locked): the panel's
    // closing, or its failed start, gives them back as found.
    bool dncFoundSetList = true;
    bool dncFoundDncButton = true;
    postPro *postProcessor = nullptr;
    // The configuration dialog opened last; it deletes itself when closed.
    QPointer<cConfiguration> configuration;
    cBalluffUI *balluff = nullptr;
    // Axis of the reference being measured for the machine editor (cMachine::eRefType).
    int refAxis = cMachine::X;
    MyInputPanelContext *inputContext = nullptr;
    std::unique_ptr<InstanceLock> instanceLock;

    QStringList panelIds;
    int currentMachineId = -1;
    bool complete = false;
    bool constructing = true;

    // Reference tracking of the axis display.
    bool lastZeroX = false;
    bool lastZeroZ = false;
    bool lastZeroC = false;
    bool initRequest = true;  // the first refresh only resets the board
    bool firstRun = true;     // the first shown refresh loads the clamp picture
    bool prevClamped = false;
    QColor curColorC = Qt::black;

    RunOutRole testRnOutRole = RunOutRole::RunOutTest;
    QMetaObject::Connection stopRunOutLink;
    QMetaObject::Connection testRnOutLink;
    // Manual measure points: x the X radius, y the Z, in the display unit.
    QList<QPointF> pointList;
    // Set while a reticle slider and its entry update each other.
    bool reticleSync = false;
};
