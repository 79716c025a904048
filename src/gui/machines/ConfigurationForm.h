#pragma once

// The configuration dialog's widget tree: a 380 x 768 column beside the camera
// view with a tool box of two pages ("Configuration" for every authorised
// user, "Advanced" for the service codes) and the Exit and Save buttons. It
// carries no behaviour but the two-way links of the sliders and their spin
// boxes; the dialog wires the rest.

class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QToolBox;
class QToolButton;
class QWidget;

class Ui_cConfiguration
{
public:
    QToolBox *toolBox = nullptr;
    QWidget *stdComf = nullptr;
    QWidget *advConf = nullptr;
    QPushButton *tbCancel = nullptr;
    QPushButton *tbSave = nullptr;

    // Configuration page
    QRadioButton *rbMM = nullptr;
    QRadioButton *rbInch = nullptr;
    QRadioButton *rbRadius = nullptr;
    QRadioButton *rbDiameter = nullptr;
    QLineEdit *lePassword = nullptr;
    QComboBox *cmbLanguage = nullptr;
    QLineEdit *leLabelLogo = nullptr;
    QRadioButton *optLabelClearNone = nullptr;
    QRadioButton *optLabelClearYes = nullptr;
    QRadioButton *optLabelClearConfirm = nullptr;
    QCheckBox *chkEnablePostPro = nullptr;
    QCheckBox *chkPostproLocked = nullptr;
    QCheckBox *chkFolderLocked = nullptr;
    QToolButton *pbCalibration = nullptr;
    QLineEdit *txtXcal = nullptr;
    QLineEdit *txtZcal = nullptr;
    QGroupBox *gbAutomaticSpindle = nullptr;
    QToolButton *tbSetCZero = nullptr;
    QToolButton *tbSaveXref = nullptr;
    QToolButton *tbSaveZref = nullptr;
    QToolButton *tbResetSpindleDb = nullptr;
    QToolButton *tbCleanSpindle = nullptr;
    QLabel *lblSoftwareVersion = nullptr;
    QLabel *lblAxbVersion = nullptr;

    // Advanced page
    QGroupBox *gbCameraSettings = nullptr;
    QLabel *lblBright = nullptr;
    QSlider *sliExposure = nullptr;
    QSpinBox *spinExposure = nullptr;
    QLabel *lblContrast = nullptr;
    QSlider *sliGain = nullptr;
    QSpinBox *spinGain = nullptr;
    QLabel *lblBiasB = nullptr;
    QSlider *sliBiasB = nullptr;
    QLabel *lblBiasGB = nullptr;
    QSlider *sliBiasGB = nullptr;
    QLabel *lblBiasB_2 = nullptr;
    QSlider *sliBiasR = nullptr;
    QLabel *lblBiasB_3 = nullptr;
    QSlider *sliBiasGR = nullptr;
    QCheckBox *chkManualScanline = nullptr;
    QSlider *sliScanline = nullptr;
    QSpinBox *spinScanline = nullptr;
    QRadioButton *rbT8A = nullptr;
    QRadioButton *rbT8B = nullptr;
    QRadioButton *rbT9C = nullptr;
    QCheckBox *chkIndex = nullptr;
    QCheckBox *chkBalluff = nullptr;
    QCheckBox *chkPivra = nullptr;
    QCheckBox *chkAngularHeads = nullptr;
    QCheckBox *chkEnableCAxis = nullptr;
    QCheckBox *chkDisableRunOut = nullptr;
    QCheckBox *chkAutomatic = nullptr;
    QCheckBox *chkEnableZeroReset = nullptr;
    QCheckBox *chkDisableAnimation = nullptr;
    QCheckBox *chkDebug = nullptr;
    QCheckBox *chkCoarseZeroSearch = nullptr;
    QGroupBox *gbCustom = nullptr;
    QComboBox *cmbCustom = nullptr;

    void setupUi(QDialog *dialog);
};
