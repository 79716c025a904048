#include "machines/ConfigurationForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("cConfiguration", text);
}

template <typename T>
T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QGroupBox *group(QWidget *parent, const char *name, const char *title)
{
    return named(new QGroupBox(tr(title), parent), name);
}

QRadioButton *radio(QWidget *parent, const char *name, const char *text)
{
    return named(new QRadioButton(tr(text), parent), name);
}

QCheckBox *check(QWidget *parent, const char *name, const char *text)
{
    return named(new QCheckBox(tr(text), parent), name);
}

QToolButton *toolButton(QWidget *parent, const char *name, const char *text, const char *tip)
{
    auto *b = named(new QToolButton(parent), name);
    b->setText(tr(text));
    b->setToolTip(tr(tip));
    b->setMinimumHeight(40);
    return b;
}

// A row of widgets in a group box.
QHBoxLayout *row(QGroupBox *box, std::initializer_list<QWidget *> widgets)
{
    auto *l = new QHBoxLayout(box);
    l->setContentsMargins(6, 4, 6, 4);
    for (QWidget *w : widgets)
        l->addWidget(w);
    return l;
}

QSlider *slider(QWidget *parent, const char *name, int min, int max, int pageStep)
{
    auto *s = named(new QSlider(Qt::Horizontal, parent), name);
    s->setRange(min, max);
    s->setSingleStep(1);
    s->setPageStep(pageStep);
    return s;
}

QSpinBox *spin(QWidget *parent, const char *name, int min, int max)
{
    auto *s = named(new QSpinBox(parent), name);
    s->setRange(min, max);
    s->setMinimumWidth(62);
    return s;
}

// Slider and spin box always show one value; ranges follow the slider.
void pair(QSlider *s, QSpinBox *b)
{
    QObject::connect(s, &QSlider::valueChanged, b, &QSpinBox::setValue);
    QObject::connect(b, QOverload<int>::of(&QSpinBox::valueChanged), s, &QSlider::setValue);
    QObject::connect(s, &QSlider::rangeChanged, b, &QSpinBox::setRange);
}

const char kSheet[] =
    "QDialog#cConfiguration { background-color: rgb(60, 60, 60); }\n"
    "QDialog#cConfiguration QWidget { font-size: 12px; }\n"
    "QToolBox::tab { font-size: 14px; font-weight: bold; }\n"
    "QPushButton { font-size: 14px; font-weight: bold; color: black; background-color: rgb(225, 225, 225);"
    " border: 2px solid grey; border-radius: 5px; }\n"
    "QPushButton:pressed { background-color: rgb(160, 160, 160); }\n"
    "QToolBox { font-weight: bold; }\n"
    "QToolBox::tab { color: rgb(0, 85, 255); background-color: rgb(200, 200, 200); border-radius: 4px; }\n"
    "QToolBox::tab:disabled { color: grey; }\n"
    "QToolBox > QScrollArea > QWidget > QWidget { background-color: rgb(225, 225, 225); }\n"
    "QLabel { color: black; font-weight: normal; }\n"
    "QLineEdit, QComboBox, QToolButton, QSpinBox { font-weight: normal; }\n"
    "QLabel#lblSoftwareVersion { color: rgb(0, 85, 255); }\n"
    "QGroupBox { border: 2px solid grey; border-radius: 5px; margin-top: 9px; font-weight: normal; }\n"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top center; padding: 0 3px; }\n"
    "QRadioButton, QCheckBox { font-weight: normal; }\n"
    "QRadioButton::indicator, QCheckBox::indicator { width: 20px; height: 20px; }\n"
    "QRadioButton::indicator:checked, QCheckBox::indicator:checked { image: url(:/img/radioOn.png); }\n"
    "QRadioButton::indicator:unchecked, QCheckBox::indicator:unchecked { image: url(:/img/radioOff.png); }\n"
    "QRadioButton::indicator:disabled, QCheckBox::indicator:disabled { image: url(:/img/radioOffDis.png); }\n"
    "QLineEdit { background-color: white; color: black; }\n"
    "QLineEdit[readOnly=\"true\"] { background-color: rgb(235, 235, 235); }\n";

} // namespace

void Ui_cConfiguration::setupUi(QDialog *dialog)
{
    Q_INIT_RESOURCE(mainwin);
    Q_INIT_RESOURCE(machines);
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("cConfiguration"));
    dialog->resize(380, 768);
    dialog->setMaximumWidth(380);
    dialog->setWindowTitle(tr("Configuration"));
    dialog->setStyleSheet(QLatin1String(kSheet));
    // It lives as a child panel of the main window: draw its own background.
    dialog->setAttribute(Qt::WA_StyledBackground, true);

    auto *outer = new QVBoxLayout(dialog);
    outer->setContentsMargins(3, 3, 3, 3);
    outer->setSpacing(4);
    toolBox = named(new QToolBox(dialog), "toolBox");
    toolBox->setMaximumWidth(374);
    QFont bold = toolBox->font();
    bold.setBold(true);
    toolBox->setFont(bold);
    outer->addWidget(toolBox, 1);

    // ---- Configuration page
    stdComf = named(new QWidget, "stdComf");
    auto *std = new QGridLayout(stdComf);
    std->setContentsMargins(2, 2, 2, 2);
    std->setVerticalSpacing(3);

    QGroupBox *system = group(stdComf, "gbSystem", "Default system");
    rbMM = radio(system, "rbMM", "mm");
    rbInch = radio(system, "rbInch", "Inch");
    rbMM->setChecked(true);
    row(system, {rbMM, rbInch});
    QGroupBox *mode = group(stdComf, "gbMode", "Default mode");
    rbRadius = radio(mode, "rbRadius", "Radius");
    rbDiameter = radio(mode, "rbDiameter", "Diameter");
    rbRadius->setChecked(true);
    row(mode, {rbRadius, rbDiameter});
    std->addWidget(system, 0, 0);
    std->addWidget(mode, 0, 1);

    QGroupBox *password = group(stdComf, "gbPassword", "Password");
    lePassword = named(new QLineEdit(password), "lePassword");
    lePassword->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    lePassword->setMinimumHeight(30);
    row(password, {lePassword});
    QGroupBox *language = group(stdComf, "gbLanguage", "Language");
    cmbLanguage = named(new QComboBox(language), "cmbLanguage");
    cmbLanguage->setMinimumHeight(30);
    row(language, {cmbLanguage});
    std->addWidget(password, 1, 0);
    std->addWidget(language, 1, 1);

    QGroupBox *labelLogo = group(stdComf, "gbLabelLogo", "Label logo");
    leLabelLogo = named(new QLineEdit(labelLogo), "leLabelLogo");
    leLabelLogo->setMaxLength(15);
    leLabelLogo->setMinimumHeight(30);
    row(labelLogo, {leLabelLogo});
    std->addWidget(labelLogo, 2, 0, 1, 2);

    QGroupBox *clear = group(stdComf, "gbLabelClear", "Label clear after printing");
    optLabelClearNone = radio(clear, "optLabelClearNone", "No");
    optLabelClearYes = radio(clear, "optLabelClearYes", "Yes");
    optLabelClearConfirm = radio(clear, "optLabelClearConfirm", "Confirm");
    row(clear, {optLabelClearNone, optLabelClearYes, optLabelClearConfirm});
    std->addWidget(clear, 3, 0, 1, 2);

    QGroupBox *postPro = group(stdComf, "gbPostPro", "Post processor");
    chkEnablePostPro = check(postPro, "chkEnablePostPro", "Enabled");
    chkPostproLocked = check(postPro, "chkPostproLocked", "Format locked");
    chkFolderLocked = check(postPro, "chkFolderLocked", "Folder locked");
    row(postPro, {chkEnablePostPro, chkPostproLocked, chkFolderLocked});
    std->addWidget(postPro, 4, 0, 1, 2);

    auto *calibration = new QHBoxLayout;
    pbCalibration = named(new QToolButton(stdComf), "pbCalibration");
    pbCalibration->setText(tr("Calibration"));
    pbCalibration->setMinimumSize(110, 80);
    pbCalibration->setFocusPolicy(Qt::NoFocus);
    calibration->addWidget(pbCalibration);
    auto *factors = new QGridLayout;
    txtXcal = named(new QLineEdit(stdComf), "txtXcal");
    txtZcal = named(new QLineEdit(stdComf), "txtZcal");
    txtXcal->setReadOnly(true);
    txtZcal->setReadOnly(true);
    factors->addWidget(new QLabel(QStringLiteral("X"), stdComf), 0, 0);
    factors->addWidget(txtXcal, 0, 1);
    factors->addWidget(new QLabel(QStringLiteral("Z"), stdComf), 1, 0);
    factors->addWidget(txtZcal, 1, 1);
    calibration->addLayout(factors, 1);
    std->addLayout(calibration, 5, 0, 1, 2);

    gbAutomaticSpindle = group(stdComf, "gbAutomaticSpindle", "Automatic spindle");
    tbSetCZero = toolButton(gbAutomaticSpindle, "tbSetCZero", "C axis zero", "set C reference for current spindle");
    tbSaveXref = toolButton(gbAutomaticSpindle, "tbSaveXref", "X ref", "set X reference for automatic spindle");
    tbSaveZref = toolButton(gbAutomaticSpindle, "tbSaveZref", "Z ref", "set Z reference for automatic spindle");
    tbResetSpindleDb = toolButton(gbAutomaticSpindle, "tbResetSpindleDb", "List", "list/erase available spindles");
    tbCleanSpindle = toolButton(gbAutomaticSpindle, "tbCleanSpindle", "Clean", "clean automatic spindle");
    row(gbAutomaticSpindle, {tbSetCZero, tbSaveXref, tbSaveZref, tbResetSpindleDb, tbCleanSpindle});
    std->addWidget(gbAutomaticSpindle, 6, 0, 1, 2);

    lblSoftwareVersion = named(new QLabel(tr("software version"), stdComf), "lblSoftwareVersion");
    lblAxbVersion = named(new QLabel(tr("AXB version"), stdComf), "lblAxbVersion");
    std->addWidget(lblSoftwareVersion, 7, 0, 1, 2);
    std->addWidget(lblAxbVersion, 8, 0, 1, 2);
    std->setRowStretch(9, 1);

    // ---- Advanced page
    advConf = named(new QWidget, "advConf");
    auto *adv = new QVBoxLayout(advConf);
    adv->setContentsMargins(2, 2, 2, 2);
    adv->setSpacing(3);

    gbCameraSettings = group(advConf, "gbCameraSettings", "Camera settings");
    auto *cam = new QGridLayout(gbCameraSettings);
    cam->setContentsMargins(6, 4, 6, 4);
    cam->setVerticalSpacing(2);
    // The form holds the inspection ranges; the dialog narrows them for the measure set.
    lblBright = named(new QLabel(tr("Exposure"), gbCameraSettings), "lblBright");
    sliExposure = slider(gbCameraSettings, "sliExposure", 1, 2047, 8);
    spinExposure = spin(gbCameraSettings, "spinExposure", 1, 2047);
    lblContrast = named(new QLabel(tr("Gain"), gbCameraSettings), "lblContrast");
    sliGain = slider(gbCameraSettings, "sliGain", 0, 47, 4);
    spinGain = spin(gbCameraSettings, "spinGain", 0, 47);
    pair(sliExposure, spinExposure);
    pair(sliGain, spinGain);
    // Exposure and gain on rows of their own: the bias column stays narrow.
    auto *exposureRow = new QHBoxLayout;
    exposureRow->addWidget(lblBright);
    exposureRow->addWidget(sliExposure, 1);
    exposureRow->addWidget(spinExposure);
    auto *gainRow = new QHBoxLayout;
    gainRow->addWidget(lblContrast);
    gainRow->addWidget(sliGain, 1);
    gainRow->addWidget(spinGain);
    cam->addLayout(exposureRow, 0, 0, 1, 3);
    cam->addLayout(gainRow, 1, 0, 1, 3);
    struct Bias { QLabel **label; const char *labelName; const char *text; QSlider **slider; const char *name; };
    const Bias biases[] = {{&lblBiasB, "lblBiasB", "B", &sliBiasB, "sliBiasB"},
                           {&lblBiasGB, "lblBiasGB", "GB", &sliBiasGB, "sliBiasGB"},
                           {&lblBiasB_2, "lblBiasB_2", "R", &sliBiasR, "sliBiasR"},
                           {&lblBiasB_3, "lblBiasB_3", "GR", &sliBiasGR, "sliBiasGR"}};
    int r = 2;
    for (const Bias &b : biases) {
        *b.label = named(new QLabel(tr(b.text), gbCameraSettings), b.labelName);
        *b.slider = slider(gbCameraSettings, b.name, 0, 255, 8);
        (*b.slider)->setMinimumWidth(300);
        cam->addWidget(*b.label, r, 0);
        cam->addWidget(*b.slider, r, 1, 1, 2);
        ++r;
    }
    chkManualScanline = check(gbCameraSettings, "chkManualScanline", "Manual scanline");
    sliScanline = slider(gbCameraSettings, "sliScanline", 10, 740, 10);
    spinScanline = spin(gbCameraSettings, "spinScanline", 10, 740);
    pair(sliScanline, spinScanline);
    cam->addWidget(chkManualScanline, r, 0, 1, 3);
    cam->addWidget(sliScanline, r + 1, 0, 1, 2);
    cam->addWidget(spinScanline, r + 1, 2);
    adv->addWidget(gbCameraSettings);

    QGroupBox *type = group(advConf, "gbMachineType", "Machine type");
    rbT8A = radio(type, "rbT8A", "Corvo six");
    rbT8B = radio(type, "rbT8B", "Merla six");
    rbT9C = radio(type, "rbT9C", "T9C");
    rbT8A->setChecked(true);
    row(type, {rbT8A, rbT8B, rbT9C});
    adv->addWidget(type);

    QGroupBox *options = group(advConf, "gbMachineOptions", "Machine options");
    auto *opt = new QGridLayout(options);
    opt->setContentsMargins(6, 4, 6, 4);
    opt->setVerticalSpacing(2);
    chkIndex = check(options, "chkIndex", "Index");
    chkBalluff = check(options, "chkBalluff", "Balluff");
    chkPivra = check(options, "chkPivra", "Vacuum clamping");
    chkAngularHeads = check(options, "chkAngularHeads", "Angular heads");
    chkEnableCAxis = check(options, "chkEnableCAxis", "Enable C axis");
    chkDisableRunOut = check(options, "chkDisableRunOut", "Disable runout test");
    chkAutomatic = check(options, "chkAutomatic", "Automatic spindle");
    const QList<QCheckBox *> optionBoxes = {chkIndex, chkBalluff, chkPivra, chkAngularHeads,
                                            chkEnableCAxis, chkDisableRunOut, chkAutomatic};
    for (int i = 0; i < optionBoxes.size(); ++i)
        opt->addWidget(optionBoxes.at(i), i / 2, i % 2);
    adv->addWidget(options);

    auto *runTime = new QGridLayout;
    chkEnableZeroReset = check(advConf, "chkEnableZeroReset", "Enable zero reset");
    chkDisableAnimation = check(advConf, "chkDisableAnimation", "Disable animation");
    chkDebug = check(advConf, "chkDebug", "Debug && scanlines");
    chkCoarseZeroSearch = check(advConf, "chkCoarseZeroSearch", "Coarse zero search");
    runTime->addWidget(chkEnableZeroReset, 0, 0);
    runTime->addWidget(chkDisableAnimation, 0, 1);
    runTime->addWidget(chkDebug, 1, 0);
    runTime->addWidget(chkCoarseZeroSearch, 1, 1);
    adv->addLayout(runTime);

    gbCustom = group(advConf, "gbCustom", "Customization");
    cmbCustom = named(new QComboBox(gbCustom), "cmbCustom");
    cmbCustom->setMinimumHeight(30);
    row(gbCustom, {cmbCustom});
    adv->addWidget(gbCustom);
    adv->addStretch(1);

    toolBox->addItem(stdComf, tr("Configuration"));
    toolBox->addItem(advConf, tr("Advanced"));
    toolBox->setCurrentIndex(1);

    auto *buttons = new QHBoxLayout;
    tbCancel = named(new QPushButton(tr("Exit"), dialog), "tbCancel");
    tbSave = named(new QPushButton(tr("Save"), dialog), "tbSave");
    for (QPushButton *b : {tbCancel, tbSave}) {
        b->setMinimumSize(80, 50);
        b->setFont(bold);
    }
    buttons->addWidget(tbCancel);
    buttons->addStretch(1);
    buttons->addWidget(tbSave);
    outer->addLayout(buttons);
}
