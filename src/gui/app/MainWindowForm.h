#pragma once

// The main window's widget tree: a fixed 1024 x 768 touch screen with the axis
// read-outs, the camera frame, the selection and function buttons, and the
// sliding panels that the panel registry moves in and out. It carries no
// behaviour; the main window wires it.

class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QScrollBar;
class QWidget;

class Ui_MainWindow
{
public:
    QWidget *centralwidget = nullptr;
    QFrame *frmBackground = nullptr;

    // axis rows
    QFrame *frmAxis = nullptr;
    QPushButton *tbLockX = nullptr;
    QLabel *lblX_2 = nullptr;
    QLabel *lblX = nullptr;
    QPushButton *tbAIX = nullptr;
    QPushButton *tbTypeX = nullptr;
    QPushButton *tbRadDia = nullptr;
    QPushButton *tbLockZ = nullptr;
    QLabel *lblX_3 = nullptr;
    QLabel *lblZ = nullptr;
    QPushButton *tbAIZ = nullptr;
    QPushButton *tbTypeZ = nullptr;
    QFrame *frmCaxis = nullptr;
    QLabel *lblClbl = nullptr;
    QLabel *lblC = nullptr;
    QPushButton *tbAIC = nullptr;
    QPushButton *tbTypeC = nullptr;
    QLabel *lblAxbSilent = nullptr;
    QPushButton *pbHelp = nullptr;

    // camera frame
    QFrame *frmCamera = nullptr;
    QLabel *lblVersion = nullptr;
    QFrame *frmRotated = nullptr;
    QPushButton *pbSetRotatedAngle = nullptr;
    QPushButton *tbRotated = nullptr;
    QDoubleSpinBox *sbRotateMeasLine = nullptr;

    // top right
    QLabel *lblDateTime = nullptr;
    QPushButton *tbConfigure = nullptr;
    QFrame *frmMacSet = nullptr;
    QPushButton *tbMachineList = nullptr;
    QComboBox *cmbMachine = nullptr;
    QPushButton *tbSetList = nullptr;
    QLineEdit *leToolset = nullptr;
    QWidget *layoutWidget = nullptr;
    QPushButton *tbCamera = nullptr;
    QPushButton *tbRetFix = nullptr;
    QPushButton *tbAutocoll = nullptr;
    QPushButton *pbFreeze = nullptr;

    // run-out panel and machine function buttons
    QFrame *frmBottom1 = nullptr;
    QLabel *lblTestRnOut = nullptr;
    QLabel *SpindleOK = nullptr;
    QPushButton *tbStopRunOut = nullptr;
    QPushButton *tbIndex = nullptr;
    QPushButton *tbBrake = nullptr;
    QFrame *frmClamp = nullptr;
    QLabel *lblClamp = nullptr;
    QPushButton *tbTestRnOut = nullptr;
    QPushButton *tbStandBy = nullptr;

    // set panels
    QFrame *frmSetX = nullptr;
    QLineEdit *leSetX = nullptr;
    QPushButton *tbSetX = nullptr;
    QPushButton *tbExitSetX = nullptr;
    QFrame *frmSetZ = nullptr;
    QLineEdit *leSetZ = nullptr;
    QPushButton *tbSetZ = nullptr;
    QPushButton *tbExitSetZ = nullptr;
    QFrame *frmSetC = nullptr;
    QLineEdit *leSetC = nullptr;
    QPushButton *tbSetC = nullptr;
    QPushButton *tbExitSetC = nullptr;

    // camera measuring panels
    QFrame *frmSetColor = nullptr;
    QPushButton *tbColorCyan = nullptr;
    QPushButton *tbColorWhite = nullptr;
    QPushButton *tbColorMagenta = nullptr;
    QPushButton *tbColorYellow = nullptr;
    QPushButton *tbExitSetColor = nullptr;
    QFrame *frmSetCircle = nullptr;
    QPushButton *tbInsertRadius = nullptr;
    QScrollBar *sbCircle = nullptr;
    QLineEdit *leCircleR = nullptr;
    QPushButton *tbExitSetCircle = nullptr;
    QFrame *frmSetAngle = nullptr;
    QPushButton *tbInsertAngle = nullptr;
    QScrollBar *sbAngle = nullptr;
    QLineEdit *leAngleA = nullptr;
    QPushButton *tbExitSetAngle = nullptr;
    QFrame *frmSetPoint2P = nullptr;
    QPushButton *tbGetPoint2PReticle = nullptr;
    QLabel *lbl2p = nullptr;
    QLabel *lblAngleDistance = nullptr;
    QPushButton *tbOkSetPoint2P = nullptr;
    QPushButton *tbExitSetPoint2P = nullptr;
    QFrame *frmSetPoint5P = nullptr;
    QPushButton *tbGetPoint5PReticle = nullptr;
    QLabel *lbl5p = nullptr;
    QLabel *lblRadValue5P = nullptr;
    QPushButton *tbOkSetPoint5P = nullptr;
    QPushButton *tbExitSetPoint5P = nullptr;
    QFrame *frmGetRadius = nullptr;
    QLabel *lblRadAuto = nullptr;
    QLabel *lblRadCenter = nullptr;
    QPushButton *tbExitGetRadius = nullptr;
    QFrame *frmGetAngle = nullptr;
    QPushButton *pbAlternativeAngle = nullptr;
    QLabel *lblAngleAuto = nullptr;
    QLabel *lblAngleInt = nullptr;
    QPushButton *tbExitGetAngle = nullptr;

    // reference, input box, index, inspection light
    QFrame *frmGetReference = nullptr;
    QLabel *lblReferenceType = nullptr;
    QLabel *lblGauge = nullptr;
    QLineEdit *leGauge = nullptr;
    QPushButton *tbOkGetReference = nullptr;
    QPushButton *tbExitGetReference = nullptr;
    QFrame *frmInputBox = nullptr;
    QLabel *lblInputBoxPic = nullptr;
    QLabel *lblInputBox = nullptr;
    QLineEdit *leInputBox = nullptr;
    QComboBox *cmbInputBox = nullptr;
    QPushButton *tbOkInputBox = nullptr;
    QPushButton *tbExitInputBox = nullptr;
    QFrame *frmIndex = nullptr;
    QLabel *lblCamRadius_2 = nullptr;
    QPushButton *tbStopIndex = nullptr;
    QPushButton *tbStartIndex = nullptr;
    QPushButton *tbIndexMinus = nullptr;
    QLabel *lblIndex = nullptr;
    QPushButton *tbIndexPlus = nullptr;
    QPushButton *tbExitIndex = nullptr;
    QFrame *frmSetLight = nullptr;
    QLabel *label = nullptr;
    QScrollBar *sbLight = nullptr;

    // camera function panel
    QFrame *frmBottom2 = nullptr;
    QPushButton *tbInspection = nullptr;
    QPushButton *tbInspectionColor = nullptr;
    QPushButton *tbDgt = nullptr;
    QPushButton *tbCamAngleReticle = nullptr;
    QPushButton *tbCamAngle = nullptr;
    QPushButton *tbCamAngle2Point = nullptr;
    QPushButton *tbCamRadiusReticle = nullptr;
    QPushButton *tbCamRadius = nullptr;
    QPushButton *tbCamRadius5Point = nullptr;
    QPushButton *tbProfile = nullptr;
    QPushButton *tbDelProfile = nullptr;
    QPushButton *tbExitCamera = nullptr;

    // label panel
    QFrame *frmLabelPrint = nullptr;
    QPushButton *tbLabelT = nullptr;
    QLineEdit *leLabelT = nullptr;
    QPushButton *tbLabelCode = nullptr;
    QLineEdit *leLabelCode = nullptr;
    QPushButton *tbSaveX = nullptr;
    QPushButton *tbLblRadDia = nullptr;
    QLineEdit *leXLabel = nullptr;
    QPushButton *tbSaveZ = nullptr;
    QLineEdit *leZLabel = nullptr;
    QPushButton *tbLabelAngle = nullptr;
    QLineEdit *leAngleLabel = nullptr;
    QPushButton *tbLabelRadius = nullptr;
    QLineEdit *leRadLabel = nullptr;
    QPushButton *tbLabelPrint = nullptr;
    QPushButton *tbDnc = nullptr;
    QPushButton *tbClearLabel = nullptr;

    void setupUi(QMainWindow *MainWindow);
    void retranslateUi(QMainWindow *MainWindow);

    // The window's style sheet (also used by tests to check single rules).
    static const char *styleSheet();
};

namespace Ui {
class MainWindow : public Ui_MainWindow
{
};
}
