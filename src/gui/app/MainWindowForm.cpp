#include "app/MainWindowForm.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

QString img(const char *file)
{
    return QStringLiteral(":/img/") + QLatin1String(file);
}

QIcon twoStateIcon(const char *off, const char *on)
{
    QIcon icon;
    icon.addFile(img(off), QSize(), QIcon::Normal, QIcon::Off);
    if (on)
        icon.addFile(img(on), QSize(), QIcon::Normal, QIcon::On);
    return icon;
}

// Every button shows an icon only; the few texts are tool tips.
QPushButton *button(QWidget *parent, const char *name, const QRect &geometry, const char *icon,
                    int iconSize, bool checkable = false, const char *iconOn = nullptr)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    if (geometry.isValid())
        b->setGeometry(geometry);
    b->setIcon(twoStateIcon(icon, iconOn));
    b->setIconSize(QSize(iconSize, iconSize));
    b->setCheckable(checkable);
    return b;
}

// A button inside a layout keeps a fixed size.
QPushButton *layoutButton(QWidget *parent, const char *name, int size, const char *icon, int iconSize,
                          bool checkable = false, const char *iconOn = nullptr)
{
    QPushButton *b = button(parent, name, QRect(), icon, iconSize, checkable, iconOn);
    b->setFixedSize(size, size);
    return b;
}

QLabel *newLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &text = QString())
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    if (geometry.isValid())
        l->setGeometry(geometry);
    l->setText(text);
    return l;
}

QLabel *newPicture(QWidget *parent, const char *name, const QRect &geometry, const char *file)
{
    QLabel *l = newLabel(parent, name, geometry);
    l->setPixmap(QPixmap(img(file)));
    l->setScaledContents(true);
    return l;
}

QLineEdit *lineEdit(QWidget *parent, const char *name, const QRect &geometry, int pointSize = 0,
                    int maxLength = 0)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(geometry);
    if (pointSize > 0) {
        QFont f = e->font();
        f.setPointSize(pointSize);
        e->setFont(f);
    }
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

QFont font(int pointSize, bool bold = false)
{
    QFont f;
    f.setPointSize(pointSize);
    f.setBold(bold);
    return f;
}

QFrame *frame(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setGeometry(geometry);
    f->setFrameShape(QFrame::NoFrame);
    return f;
}

// The 410 x 120 sliding panels: picture top left, exit button at 340, 50.
// The picture ends where the icons of the buttons at y 50 begin (55).
QFrame *smallPanel(QWidget *parent, const char *name, const QRect &geometry, const char *pictureName,
                   const char *pictureFile, QLabel **pictureLabel, QPushButton **exitButton,
                   const QRect &pictureGeometry = QRect(5, 5, 50, 50))
{
    QFrame *f = frame(parent, name, geometry);
    QLabel *pic = newPicture(f, pictureName, pictureGeometry, pictureFile);
    if (pictureLabel)
        *pictureLabel = pic;
    const QByteArray exitName = QByteArray("tbExit") + QByteArray(name).mid(3);
    *exitButton = button(f, exitName.constData(), QRect(340, 50, 70, 70), "Exit.png", 60);
    return f;
}

QPushButton *confirm(QWidget *panel, const char *name, bool checkable)
{
    return button(panel, name, QRect(270, 50, 70, 70), "Confirm.png", 60, checkable);
}

QScrollBar *scrollBar(QWidget *parent, const char *name, const QRect &geometry, Qt::Orientation o, int min,
                      int max)
{
    auto *s = new QScrollBar(o, parent);
    s->setObjectName(QLatin1String(name));
    s->setGeometry(geometry);
    s->setRange(min, max);
    return s;
}

const char kSheet[] =
    "#frmBackground, #frmAxis, #frmCaxis { background-color: rgb(60, 60, 60); }\n"
    "#frmCamera { background: transparent; }\n"
    "#frmBottom1, #frmBottom2 { background-color: rgba(0, 0, 0, 127); border: 2px solid rgb(125, 125, 125);"
    " border-radius: 4px; }\n"
    "#frmSetLight { background-color: rgba(0, 0, 0, 127); border: 2px solid rgb(125, 125, 125);"
    " border-radius: 10px; }\n"
    "#frmClamp { background-color: black; border: 3px solid rgb(10, 125, 3); border-radius: 5px; }\n"
    "#frmSetX, #frmSetZ, #frmSetC, #frmSetColor, #frmSetCircle, #frmSetAngle, #frmSetPoint2P,"
    " #frmSetPoint5P, #frmGetRadius, #frmGetAngle, #frmGetReference, #frmInputBox, #frmIndex"
    " { background: transparent; background-image: url(:/img/Frame.png); }\n"
    "#frmLabelPrint { background-color: black; border-radius: 6px; }\n"
    "QPushButton { border: none; background: transparent; }\n"
    "QPushButton:hover { background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5,"
    " fx:0.5, fy:0.5, stop:0.42 rgba(85, 255, 0, 255), stop:1 rgba(255, 255, 255, 0)); }\n"
    "QPushButton:pressed { background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5,"
    " fx:0.5, fy:0.5, stop:0.42 rgba(255, 0, 0, 255), stop:1 rgba(255, 255, 255, 0)); }\n"
    "#tbIndex:checked, #tbBrake:checked, #tbTestRnOut:checked, #tbCamera:checked, #tbInspection:checked,"
    " #tbAutocoll:checked, #tbRetFix:checked, #pbFreeze:checked { background-color:"
    " qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0.42 rgba(255, 0, 0, 255),"
    " stop:1 rgba(255, 255, 255, 0)); }\n"
    "#tbLockX, #tbLockZ { background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5,"
    " fx:0.5, fy:0.5, stop:0.42 rgba(85, 255, 0, 255), stop:1 rgba(255, 255, 255, 0)); }\n"
    "#tbLockX:checked, #tbLockZ:checked { background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5,"
    " radius:0.5, fx:0.5, fy:0.5, stop:0.42 rgba(255, 0, 0, 255), stop:1 rgba(255, 255, 255, 0)); }\n"
    "QLabel { color: white; }\n"
    "#lbl2p, #lbl5p { color: rgb(244, 215, 12); }\n"
    "#lblAngleAuto, #lblRadAuto, #lblAngleInt, #lblRadCenter { color: cyan; }\n"
    "#lblDateTime { color: rgb(56, 255, 42); }\n"
    "#lblInputBox { font-size: 12pt; color: rgb(147, 16, 12); background-color: rgb(244, 215, 12);"
    " border-radius: 6px; }\n"
    "QLineEdit { color: black; font-size: 20px; background-color: rgb(255, 238, 221); border-radius: 4px; }\n"
    "QLineEdit:focus { background-color: rgb(255, 198, 51); }\n"
    "#leToolset { font-size: 18pt; background-color: white; }\n"
    "QComboBox { font-size: 18pt; color: black; background-color: white; combobox-popup: 0; padding-left: 2px;"
    " selection-background-color: rgb(6, 81, 2); selection-color: white; }\n"
    "QComboBox QAbstractItemView { color: black; background-color: white;"
    " selection-background-color: rgb(6, 81, 2); selection-color: white; }\n"
    // The drop-down holds its arrow picture (20 px) whole.
    "QComboBox::drop-down { width: 24px; }\n"
    "QComboBox::down-arrow { image: url(:/img/DownArrowSmall.png); }\n"
    "QToolTip { color: rgb(0, 100, 0); background-color: white; border: 1px solid rgb(0, 100, 0); }\n"
    "QMessageBox QLabel, QInputDialog QLabel { color: black; }\n"
    "QMessageBox QPushButton, QInputDialog QPushButton { font-size: 20px; border-radius: 6px;"
    " border: 1px solid grey; padding: 5px; }\n"
    "QRadioButton::indicator:checked { image: url(:/img/radioOn.png); }\n"
    "QRadioButton::indicator:unchecked { image: url(:/img/radioOff.png); }\n"
    "QScrollBar#sbLight { background-image: url(:/img/verticalScale.png); width: 20px; margin: 20px 0 20px 0; }\n"
    "QScrollBar#sbLight::handle:vertical { image: url(:/img/verticalTick.png); min-height: 12px; }\n"
    "QScrollBar#sbLight::sub-line:vertical { image: url(:/img/verticalPlus.png); height: 20px;"
    " subcontrol-position: top; subcontrol-origin: margin; }\n"
    "QScrollBar#sbLight::add-line:vertical { image: url(:/img/verticalMinus.png); height: 20px;"
    " subcontrol-position: bottom; subcontrol-origin: margin; }\n"
    "QScrollBar#sbCircle, QScrollBar#sbAngle { background-image: url(:/img/horizontalScale.png); height: 20px;"
    " margin: 0 20px 0 20px; }\n"
    "QScrollBar#sbCircle::handle:horizontal, QScrollBar#sbAngle::handle:horizontal"
    " { image: url(:/img/horizontalTick.png); min-width: 12px; }\n"
    "QScrollBar#sbCircle::sub-line:horizontal, QScrollBar#sbAngle::sub-line:horizontal"
    " { image: url(:/img/horizontalMinus.png); width: 20px; subcontrol-position: left; subcontrol-origin: margin; }\n"
    "QScrollBar#sbCircle::add-line:horizontal, QScrollBar#sbAngle::add-line:horizontal"
    " { image: url(:/img/horizontalPlus.png); width: 20px; subcontrol-position: right; subcontrol-origin: margin; }\n"
    "QSpinBox, QDoubleSpinBox { font-size: 18px; color: blue; background-color: white;"
    " border: 2px solid rgb(255, 213, 43); border-radius: 6px; }\n"
    "QSpinBox::up-arrow, QDoubleSpinBox::up-arrow { image: url(:/img/scrollUp.png); }\n"
    "QSpinBox::down-arrow, QDoubleSpinBox::down-arrow { image: url(:/img/scrollDown.png); }\n";

const char kIndexSheet[] =
    "#tbStartIndex { background-color: rgb(18, 147, 16); border-radius: 5px; }\n"
    "#tbStartIndex:checked { background-color: rgb(53, 255, 7); }\n"
    "#tbStopIndex { background-color: rgb(171, 26, 26); border-radius: 5px; }\n"
    "#tbStopIndex:checked { background-color: rgb(255, 40, 20); }\n";

} // namespace

const char *Ui_MainWindow::styleSheet()
{
    return kSheet;
}

void Ui_MainWindow::setupUi(QMainWindow *MainWindow)
{
    // The pictures live in the static library.
    Q_INIT_RESOURCE(mainwin);
    if (MainWindow->objectName().isEmpty())
        MainWindow->setObjectName(QStringLiteral("MainWindow"));
    MainWindow->resize(1024, 768);
    MainWindow->setWindowIcon(QIcon(img("Logo.png")));
    MainWindow->setStyleSheet(QLatin1String(kSheet));

    centralwidget = new QWidget(MainWindow);
    centralwidget->setObjectName(QStringLiteral("centralwidget"));
    frmBackground = frame(centralwidget, "frmBackground", QRect(0, 0, 1024, 768));

    // Axis read-outs.
    frmAxis = frame(frmBackground, "frmAxis", QRect(59, 0, 581, 128));
    auto *axisLayout = new QVBoxLayout(frmAxis);
    axisLayout->setContentsMargins(2, 2, 2, 2);
    axisLayout->setSpacing(2);
    const QFont readout = font(30, true);
    const QFont axisName = font(26, true);

    auto *xRow = new QHBoxLayout();
    tbLockX = layoutButton(frmAxis, "tbLockX", 52, "LockOn.png", 50, true, "LockOff.png");
    lblX_2 = newLabel(frmAxis, "lblX_2", QRect(), QStringLiteral("X"));
    lblX_2->setFont(axisName);
    lblX = newLabel(frmAxis, "lblX", QRect(), QStringLiteral("909.090"));
    lblX->setFont(readout);
    lblX->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tbAIX = layoutButton(frmAxis, "tbAIX", 52, "Abs.png", 50, true, "Incr.png");
    tbTypeX = layoutButton(frmAxis, "tbTypeX", 42, "TypeX.png", 40);
    tbRadDia = layoutButton(frmAxis, "tbRadDia", 42, "Rad.png", 40, true, "Dia.png");
    for (QWidget *w : {static_cast<QWidget *>(tbLockX), static_cast<QWidget *>(lblX_2), static_cast<QWidget *>(lblX),
                       static_cast<QWidget *>(tbAIX), static_cast<QWidget *>(tbTypeX), static_cast<QWidget *>(tbRadDia)})
        xRow->addWidget(w);
    xRow->setStretch(2, 1);
    axisLayout->addLayout(xRow);

    auto *zRow = new QHBoxLayout();
    tbLockZ = layoutButton(frmAxis, "tbLockZ", 52, "LockOn.png", 50, true, "LockOff.png");
    lblX_3 = newLabel(frmAxis, "lblX_3", QRect(), QStringLiteral("Z"));
    lblX_3->setFont(axisName);
    lblZ = newLabel(frmAxis, "lblZ", QRect(), QStringLiteral("-909.090"));
    lblZ->setFont(readout);
    lblZ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tbAIZ = layoutButton(frmAxis, "tbAIZ", 52, "Abs.png", 50, true, "Incr.png");
    tbTypeZ = layoutButton(frmAxis, "tbTypeZ", 42, "TypeZ.png", 40);
    for (QWidget *w : {static_cast<QWidget *>(tbLockZ), static_cast<QWidget *>(lblX_3), static_cast<QWidget *>(lblZ),
                       static_cast<QWidget *>(tbAIZ), static_cast<QWidget *>(tbTypeZ)})
        zRow->addWidget(w);
    zRow->addSpacing(42 + zRow->spacing());
    zRow->setStretch(2, 1);
    axisLayout->addLayout(zRow);

    frmCaxis = frame(frmAxis, "frmCaxis", QRect());
    frmCaxis->setMaximumHeight(40);
    auto *cRow = new QHBoxLayout(frmCaxis);
    cRow->setContentsMargins(54, 0, 0, 0);
    lblClbl = newLabel(frmCaxis, "lblClbl", QRect(), QStringLiteral("C"));
    lblClbl->setFont(font(18, true));
    lblC = newLabel(frmCaxis, "lblC", QRect(), QStringLiteral("-359.99"));
    lblC->setFont(font(18, true));
    lblC->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tbAIC = layoutButton(frmCaxis, "tbAIC", 40, "Abs.png", 40, true, "Incr.png");
    tbTypeC = layoutButton(frmCaxis, "tbTypeC", 36, "TypeC.png", 35);
    cRow->addWidget(lblClbl);
    cRow->addWidget(lblC, 1);
    cRow->addWidget(tbAIC);
    cRow->addWidget(tbTypeC);
    cRow->addSpacing(42 + cRow->spacing());
    axisLayout->addWidget(frmCaxis);

    // Over the free left part of the read-outs, shown while the board is silent.
    lblAxbSilent = newLabel(frmAxis, "lblAxbSilent", QRect(90, 2, 150, 124));
    lblAxbSilent->setFont(font(12, true));
    lblAxbSilent->setStyleSheet(QStringLiteral("QLabel{color:rgb(255,60,60);}"));
    lblAxbSilent->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblAxbSilent->setWordWrap(true);
    lblAxbSilent->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblAxbSilent->hide();

    pbHelp = button(frmBackground, "pbHelp", QRect(0, 6, 51, 121), "help.png", 60);

    // Camera frame: the camera panel is placed in it at run time.
    frmCamera = frame(frmBackground, "frmCamera", QRect(0, 128, 640, 640));
    lblVersion = newLabel(frmCamera, "lblVersion", QRect(10, 209, 611, 71));
    lblVersion->setFont(font(24));
    lblVersion->setAlignment(Qt::AlignCenter);
    frmRotated = frame(frmCamera, "frmRotated", QRect(399, 140, 91, 88));
    pbSetRotatedAngle = button(frmRotated, "pbSetRotatedAngle", QRect(0, 0, 40, 40), "CamAngle.png", 36);
    tbRotated = button(frmRotated, "tbRotated", QRect(45, 0, 41, 40), "meas_normal.png", 36, true, "meas_rotated.png");
    sbRotateMeasLine = new QDoubleSpinBox(frmRotated);
    sbRotateMeasLine->setObjectName(QStringLiteral("sbRotateMeasLine"));
    sbRotateMeasLine->setGeometry(QRect(2, 45, 85, 40));
    sbRotateMeasLine->setRange(0, 90);
    sbRotateMeasLine->setSingleStep(0.1);
    sbRotateMeasLine->setDecimals(1);
    sbRotateMeasLine->setValue(0);
    sbRotateMeasLine->setSuffix(QString(QChar(0x00B0)));
    // A touch opens the angle box; arrows this small would change the
    // angle under the finger first.
    sbRotateMeasLine->setButtonSymbols(QAbstractSpinBox::NoButtons);

    // Top right: clock, configuration, machine and table selection, camera bar.
    lblDateTime = newLabel(frmBackground, "lblDateTime", QRect(640, 10, 291, 31), QStringLiteral("Data Ora"));
    lblDateTime->setFont(font(13, true));
    tbConfigure = button(frmBackground, "tbConfigure", QRect(910, 0, 101, 51), "Logo.png", 0);
    tbConfigure->setIconSize(QSize(100, 50));
    frmMacSet = frame(frmBackground, "frmMacSet", QRect(640, 30, 371, 111));
    tbMachineList = button(frmMacSet, "tbMachineList", QRect(0, 4, 71, 60), "machine.png", 60);
    cmbMachine = new QComboBox(frmMacSet);
    cmbMachine->setObjectName(QStringLiteral("cmbMachine"));
    cmbMachine->setGeometry(QRect(75, 21, 295, 35));
    tbSetList = button(frmMacSet, "tbSetList", QRect(5, 66, 60, 41), "ToolingTables.png", 60);
    leToolset = lineEdit(frmMacSet, "leToolset", QRect(75, 66, 295, 35), 18);
    leToolset->setReadOnly(true);

    layoutWidget = new QWidget(frmBackground);
    layoutWidget->setObjectName(QStringLiteral("layoutWidget"));
    layoutWidget->setGeometry(QRect(640, 130, 381, 72));
    auto *camBar = new QHBoxLayout(layoutWidget);
    camBar->setContentsMargins(0, 0, 0, 0);
    tbCamera = layoutButton(layoutWidget, "tbCamera", 70, "Camera.png", 50, true);
    tbRetFix = layoutButton(layoutWidget, "tbRetFix", 70, "RetFix.png", 50, true);
    tbRetFix->setChecked(true);
    tbAutocoll = layoutButton(layoutWidget, "tbAutocoll", 70, "Autocoll.png", 50, true);
    pbFreeze = layoutButton(layoutWidget, "pbFreeze", 70, "freeze.png", 50, true);
    for (QWidget *w : {tbCamera, tbRetFix, tbAutocoll, pbFreeze})
        camBar->addWidget(w);

    // Run-out panel and the machine function buttons along the bottom.
    frmBottom1 = frame(frmBackground, "frmBottom1", QRect(700, 250, 270, 390));
    lblTestRnOut = newLabel(frmBottom1, "lblTestRnOut", QRect(21, 85, 201, 261));
    SpindleOK = newPicture(frmBottom1, "SpindleOK", QRect(30, 80, 191, 220), "SpindleOk.png");
    tbStopRunOut = button(frmBottom1, "tbStopRunOut", QRect(200, 320, 70, 70), "Exit.png", 60);
    tbIndex = button(frmBackground, "tbIndex", QRect(635, 700, 70, 70), "Index.png", 60, true);
    tbBrake = button(frmBackground, "tbBrake", QRect(705, 700, 70, 70), "Brake.png", 50, true);
    frmClamp = frame(frmBackground, "frmClamp", QRect(775, 710, 114, 73));
    lblClamp = newPicture(frmClamp, "lblClamp", QRect(3, 2, 110, 59), "Unclamped.png");
    tbTestRnOut = button(frmBackground, "tbTestRnOut", QRect(895, 696, 70, 70), "TestRnOut.png", 60, true);
    tbStandBy = button(frmBackground, "tbStandBy", QRect(970, 715, 50, 50), "StandBy.png", 40, true);

    // Sliding panels: their form places lie off the screen.
    frmSetX = smallPanel(centralwidget, "frmSetX", QRect(1060, 0, 410, 120), "lblSetXPic", "XWrithe.png", nullptr,
                         &tbExitSetX);
    leSetX = lineEdit(frmSetX, "leSetX", QRect(80, 70, 175, 30));
    tbSetX = confirm(frmSetX, "tbSetX", true);
    frmSetZ = smallPanel(centralwidget, "frmSetZ", QRect(1030, 240, 410, 120), "lblSetZPic", "ZWrithe.png", nullptr,
                         &tbExitSetZ);
    leSetZ = lineEdit(frmSetZ, "leSetZ", QRect(80, 70, 175, 31), 16);
    tbSetZ = confirm(frmSetZ, "tbSetZ", true);
    frmSetC = smallPanel(centralwidget, "frmSetC", QRect(1040, 120, 410, 120), "lblSetCPic", "CWrithe.png", nullptr,
                         &tbExitSetC);
    leSetC = lineEdit(frmSetC, "leSetC", QRect(80, 70, 175, 30), 16);
    tbSetC = confirm(frmSetC, "tbSetC", true);

    frmSetColor = smallPanel(centralwidget, "frmSetColor", QRect(1050, 340, 410, 120), "lblSetColorPic",
                             "InspectionColor.png", nullptr, &tbExitSetColor);
    tbColorCyan = button(frmSetColor, "tbColorCyan", QRect(40, 50, 70, 70), "ColorCyan.png", 60, true);
    tbColorWhite = button(frmSetColor, "tbColorWhite", QRect(120, 50, 70, 70), "ColorWhite.png", 60, true);
    tbColorMagenta = button(frmSetColor, "tbColorMagenta", QRect(200, 50, 70, 70), "ColorMagenta.png", 60, true);
    tbColorYellow = button(frmSetColor, "tbColorYellow", QRect(280, 50, 70, 70), "ColorYellow.png", 60, true);

    frmSetCircle = smallPanel(centralwidget, "frmSetCircle", QRect(1030, 460, 410, 120), "lblSetCirclePic",
                              "CamRadiusReticle.png", nullptr, &tbExitSetCircle);
    tbInsertRadius = button(frmSetCircle, "tbInsertRadius", QRect(40, 50, 70, 70), "InsertRadius.png", 60, true);
    tbInsertRadius->setChecked(true);
    sbCircle = scrollBar(frmSetCircle, "sbCircle", QRect(120, 56, 218, 20), Qt::Horizontal, 0, 350);
    sbCircle->setValue(0);
    leCircleR = lineEdit(frmSetCircle, "leCircleR", QRect(165, 80, 120, 30));

    frmSetAngle = smallPanel(centralwidget, "frmSetAngle", QRect(1040, 570, 410, 120), "lblSetAnglePic",
                             "CamAngleReticle.png", nullptr, &tbExitSetAngle);
    tbInsertAngle = button(frmSetAngle, "tbInsertAngle", QRect(40, 50, 70, 70), "InsertAngle.png", 60, true);
    tbInsertAngle->setChecked(true);
    sbAngle = scrollBar(frmSetAngle, "sbAngle", QRect(120, 56, 218, 20), Qt::Horizontal, 0, 8990);
    sbAngle->setSingleStep(10);
    sbAngle->setPageStep(100);
    leAngleA = lineEdit(frmSetAngle, "leAngleA", QRect(165, 82, 120, 30));

    frmSetPoint2P = smallPanel(centralwidget, "frmSetPoint2P", QRect(1050, 690, 410, 120), "lblSetPoint2PPic",
                               "CamAngle2Point.png", nullptr, &tbExitSetPoint2P);
    tbGetPoint2PReticle = button(frmSetPoint2P, "tbGetPoint2PReticle", QRect(40, 50, 70, 70), "Reticle.png", 60);
    // The point counters ("0/2", "0/5") sit above their PICK button, beside the
    // panel's picture, where the whole count fits and covers no button.
    const QRect pointCounter(90, 6, 90, 42);
    lbl2p = newLabel(frmSetPoint2P, "lbl2p", pointCounter, QStringLiteral("1"));
    lbl2p->setFont(font(18, true));
    // The result in the five-point result's type, wide enough for "-179.99".
    lblAngleDistance = newLabel(frmSetPoint2P, "lblAngleDistance", QRect(120, 53, 150, 60), QStringLiteral("180.00"));
    lblAngleDistance->setFont(font(24, true));
    lblAngleDistance->setAlignment(Qt::AlignCenter);
    tbOkSetPoint2P = confirm(frmSetPoint2P, "tbOkSetPoint2P", true);

    frmSetPoint5P = smallPanel(centralwidget, "frmSetPoint5P", QRect(780, 780, 410, 120), "lblSetPoint5PPic",
                               "CamRadius5Point.png", nullptr, &tbExitSetPoint5P);
    tbGetPoint5PReticle = button(frmSetPoint5P, "tbGetPoint5PReticle", QRect(40, 50, 70, 70), "Reticle.png", 60, true);
    lbl5p = newLabel(frmSetPoint5P, "lbl5p", pointCounter, QStringLiteral("1"));
    lbl5p->setFont(font(24, true));
    lblRadValue5P = newLabel(frmSetPoint5P, "lblRadValue5P", QRect(130, 53, 151, 60), QStringLiteral("99.9999"));
    lblRadValue5P->setFont(font(24, true));
    lblRadValue5P->setAlignment(Qt::AlignCenter);
    tbOkSetPoint5P = confirm(frmSetPoint5P, "tbOkSetPoint5P", true);

    frmGetRadius = smallPanel(centralwidget, "frmGetRadius", QRect(780, 909, 410, 120), "lblGetRadiusPic",
                              "CamRadius.png", nullptr, &tbExitGetRadius);
    lblRadAuto = newLabel(frmGetRadius, "lblRadAuto", QRect(40, 60, 301, 31), QStringLiteral("RadAuto"));
    lblRadAuto->setFont(font(20));
    lblRadCenter = newLabel(frmGetRadius, "lblRadCenter", QRect(40, 90, 301, 31));
    lblRadCenter->setFont(font(16));

    frmGetAngle = smallPanel(centralwidget, "frmGetAngle", QRect(780, 1040, 410, 120), "lblGetAnglePic",
                             "CamAngle.png", nullptr, &tbExitGetAngle);
    pbAlternativeAngle = button(frmGetAngle, "pbAlternativeAngle", QRect(30, 60, 51, 51), "AngleOptuse.png", 48, true,
                                "AngleAcute.png");
    lblAngleAuto = newLabel(frmGetAngle, "lblAngleAuto", QRect(100, 60, 241, 31), QStringLiteral("AngleAuto"));
    lblAngleAuto->setFont(font(16));
    lblAngleInt = newLabel(frmGetAngle, "lblAngleInt", QRect(80, 90, 271, 31));
    lblAngleInt->setFont(font(16));

    frmGetReference = smallPanel(centralwidget, "frmGetReference", QRect(1470, 210, 410, 120), "lblReferenceType",
                                 "caliperX.png", &lblReferenceType, &tbExitGetReference, QRect(5, 5, 51, 31));
    lblGauge = newPicture(frmGetReference, "lblGauge", QRect(50, 60, 41, 51), "gaugeX.png");
    leGauge = lineEdit(frmGetReference, "leGauge", QRect(100, 70, 171, 30), 16);
    tbOkGetReference = confirm(frmGetReference, "tbOkGetReference", false);

    frmInputBox = smallPanel(centralwidget, "frmInputBox", QRect(1490, 370, 410, 120), "lblInputBoxPic", "write.png",
                             &lblInputBoxPic, &tbExitInputBox);
    frmInputBox->setProperty("InputBoxType", 0);
    lblInputBox = newLabel(frmInputBox, "lblInputBox", QRect(70, 0, 341, 41), QStringLiteral("sample text"));
    leInputBox = lineEdit(frmInputBox, "leInputBox", QRect(50, 70, 221, 30), 16, 20);
    cmbInputBox = new QComboBox(frmInputBox);
    cmbInputBox->setObjectName(QStringLiteral("cmbInputBox"));
    cmbInputBox->setGeometry(QRect(50, 70, 221, 31));
    cmbInputBox->setFont(font(16));
    tbOkInputBox = confirm(frmInputBox, "tbOkInputBox", false);

    frmIndex = smallPanel(centralwidget, "frmIndex", QRect(1290, 860, 410, 120), "lblCamRadius_2", "Index.png",
                          &lblCamRadius_2, &tbExitIndex);
    frmIndex->setStyleSheet(QLatin1String(kIndexSheet));
    tbStopIndex = button(frmIndex, "tbStopIndex", QRect(50, 60, 60, 50), "stop_ciclo.png", 55, true);
    tbStopIndex->setChecked(true);
    tbStartIndex = button(frmIndex, "tbStartIndex", QRect(120, 60, 60, 50), "start_ciclo.png", 55, true);
    tbIndexMinus = button(frmIndex, "tbIndexMinus", QRect(180, 60, 60, 50), "scrollLeft.png", 55, true);
    lblIndex = newLabel(frmIndex, "lblIndex", QRect(230, 55, 81, 60), QStringLiteral("0") + QChar(0x00B0));
    // Left of where the exit button's icon begins (345).
    tbIndexPlus = button(frmIndex, "tbIndexPlus", QRect(287, 60, 60, 50), "scrollRight.png", 55, true);

    frmSetLight = frame(centralwidget, "frmSetLight", QRect(1210, 870, 52, 290));
    label = newPicture(frmSetLight, "label", QRect(6, 10, 40, 40), "Light.png");
    sbLight = scrollBar(frmSetLight, "sbLight", QRect(17, 61, 20, 218), Qt::Vertical, 0, 255);
    sbLight->setValue(127);

    // Camera function panel: a grid of 70 x 70 buttons.
    frmBottom2 = frame(centralwidget, "frmBottom2", QRect(80, 790, 211, 390));
    tbInspection = button(frmBottom2, "tbInspection", QRect(0, 10, 70, 70), "Inspection.png", 60, true);
    tbInspectionColor = button(frmBottom2, "tbInspectionColor", QRect(70, 10, 70, 70), "InspectionColor.png", 60, true);
    tbDgt = button(frmBottom2, "tbDgt", QRect(140, 10, 70, 70), "Dgt.png", 60, true, "Analog.png");
    tbCamAngleReticle = button(frmBottom2, "tbCamAngleReticle", QRect(0, 100, 70, 70), "CamAngleReticle.png", 60, true);
    tbCamAngle = button(frmBottom2, "tbCamAngle", QRect(70, 100, 70, 70), "CamAngle.png", 60, true);
    tbCamAngle2Point = button(frmBottom2, "tbCamAngle2Point", QRect(140, 100, 70, 70), "CamAngle2Point.png", 60, true);
    tbCamRadiusReticle =
        button(frmBottom2, "tbCamRadiusReticle", QRect(0, 200, 70, 70), "CamRadiusReticle.png", 60, true);
    tbCamRadius = button(frmBottom2, "tbCamRadius", QRect(70, 200, 70, 70), "CamRadius.png", 60, true);
    tbCamRadius5Point = button(frmBottom2, "tbCamRadius5Point", QRect(140, 196, 70, 70), "CamRadius5Point.png", 60, true);
    tbProfile = button(frmBottom2, "tbProfile", QRect(0, 300, 70, 70), "Profile.png", 60, true);
    tbDelProfile = button(frmBottom2, "tbDelProfile", QRect(70, 300, 70, 70), "DelProfile.png", 60, true);
    tbExitCamera = button(frmBottom2, "tbExitCamera", QRect(140, 300, 70, 70), "Exit.png", 60, true);

    // Label panel.
    frmLabelPrint = frame(centralwidget, "frmLabelPrint", QRect(430, 770, 375, 500));
    tbLabelT = button(frmLabelPrint, "tbLabelT", QRect(30, 0, 70, 70), "tool.png", 60);
    leLabelT = lineEdit(frmLabelPrint, "leLabelT", QRect(130, 20, 211, 30), 16, 10);
    tbLabelCode = button(frmLabelPrint, "tbLabelCode", QRect(30, 70, 70, 70), "toolCode.png", 60);
    leLabelCode = lineEdit(frmLabelPrint, "leLabelCode", QRect(130, 90, 211, 30), 16, 20);
    tbSaveX = button(frmLabelPrint, "tbSaveX", QRect(30, 140, 70, 70), "SaveX.png", 60);
    tbLblRadDia = button(frmLabelPrint, "tbLblRadDia", QRect(100, 150, 50, 50), "Rad.png", 40, true, "Dia.png");
    tbLblRadDia->setEnabled(false);
    leXLabel = lineEdit(frmLabelPrint, "leXLabel", QRect(150, 160, 191, 30), 16, 20);
    tbSaveZ = button(frmLabelPrint, "tbSaveZ", QRect(30, 210, 70, 70), "SaveZ.png", 60);
    leZLabel = lineEdit(frmLabelPrint, "leZLabel", QRect(150, 230, 191, 30), 16, 20);
    tbLabelAngle = button(frmLabelPrint, "tbLabelAngle", QRect(30, 290, 60, 60), "CamAngle.png", 60);
    leAngleLabel = lineEdit(frmLabelPrint, "leAngleLabel", QRect(150, 300, 191, 30), 16, 20);
    tbLabelRadius = button(frmLabelPrint, "tbLabelRadius", QRect(30, 360, 60, 60), "CamRadius.png", 50);
    leRadLabel = lineEdit(frmLabelPrint, "leRadLabel", QRect(150, 370, 191, 30), 16, 20);
    tbLabelPrint = button(frmLabelPrint, "tbLabelPrint", QRect(20, 420, 70, 70), "Printer.png", 60);
    tbDnc = button(frmLabelPrint, "tbDnc", QRect(150, 420, 70, 70), "dnc.png", 60);
    tbClearLabel = button(frmLabelPrint, "tbClearLabel", QRect(290, 420, 70, 70), "clear.png", 60);

    // Vertical placement hints for the on-screen keyboard.
    leToolset->setProperty("KbYOffset", 50);
    leSetX->setProperty("KbYOffset", 50);
    leSetZ->setProperty("KbYOffset", 50);
    leSetC->setProperty("KbYOffset", 50);
    for (QLineEdit *e : {leCircleR, leAngleA, leGauge, leInputBox, leLabelT, leLabelCode, leXLabel, leZLabel,
                         leAngleLabel, leRadLabel})
        e->setProperty("KbYOffset", -50);

    MainWindow->setCentralWidget(centralwidget);
    retranslateUi(MainWindow);
}

void Ui_MainWindow::retranslateUi(QMainWindow *MainWindow)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("MainWindow", text); };
    MainWindow->setWindowTitle(tr("Kovra"));

    tbStandBy->setToolTip(tr("exit"));
    for (QPushButton *b : {tbStopRunOut, tbExitSetX, tbExitSetZ, tbExitSetC, tbExitSetColor, tbExitSetCircle,
                           tbExitSetAngle, tbExitSetPoint2P, tbExitSetPoint5P, tbExitGetRadius, tbExitGetAngle,
                           tbExitGetReference, tbExitInputBox, tbExitIndex, tbExitCamera, tbStartIndex, tbStopIndex,
                           tbIndexMinus, tbIndexPlus})
        b->setToolTip(tr("close"));
    lblAxbSilent->setText(tr("No answer from the axis board"));
    tbIndex->setToolTip(tr("index"));
    tbBrake->setToolTip(tr("brake"));
    tbTestRnOut->setToolTip(tr("run-out test"));
    tbConfigure->setToolTip(tr("configuration"));
    tbCamera->setToolTip(tr("camera function"));
    tbRetFix->setToolTip(tr("fixed crosshair"));
    tbAutocoll->setToolTip(tr("auto targeting"));
    pbFreeze->setToolTip(tr("Freeze measurement"));
    tbLockX->setToolTip(tr("lock X axis"));
    tbLockZ->setToolTip(tr("lock Z axis"));
    tbAIX->setToolTip(tr("toggle X absolute/incremental"));
    tbAIZ->setToolTip(tr("toggle Z absolute/incremental"));
    tbAIC->setToolTip(tr("toggle C absolute/incremental"));
    tbTypeX->setToolTip(tr("set X axis value"));
    tbTypeZ->setToolTip(tr("set Z axis value"));
    tbTypeC->setToolTip(tr("set C axis value"));
    tbRadDia->setToolTip(tr("toggle radius/diameter"));
    tbSetList->setToolTip(tr("Manage tooling tables"));
    tbMachineList->setToolTip(tr("Manage machines"));
    for (QPushButton *b : {tbSetX, tbSetZ, tbSetC, tbOkSetPoint2P, tbOkSetPoint5P, tbOkGetReference, tbOkInputBox})
        b->setToolTip(tr("confirm"));
    sbCircle->setToolTip(tr("adjust circle reticle"));
    tbInsertRadius->setToolTip(tr("hide circle reticle"));
    tbInsertAngle->setToolTip(tr("hide angle reticle"));
    sbAngle->setToolTip(tr("adjust angle reticle"));
    sbLight->setToolTip(tr("adjust inspection light"));
    tbSaveZ->setToolTip(tr("Get Z"));
    tbSaveX->setToolTip(tr("Get X"));
    tbClearLabel->setToolTip(tr("clear fields"));
    tbLabelPrint->setToolTip(tr("fast label print"));
    tbDnc->setToolTip(tr("fast label print"));
    tbLabelT->setToolTip(tr("Tool number"));
    tbLabelCode->setToolTip(tr("Tool code"));
    tbLabelAngle->setToolTip(tr("Angle"));
    tbLabelRadius->setToolTip(tr("Radius"));
    tbDgt->setToolTip(tr("toggle analog/digitale"));
    tbProfile->setToolTip(tr("highlight profile"));
    tbDelProfile->setToolTip(tr("clear profile"));
    tbCamAngle->setToolTip(tr("get auto angle"));
    tbCamRadius->setToolTip(tr("get auto circle"));
    tbCamAngle2Point->setToolTip(tr("get manual angle"));
    tbCamRadiusReticle->setToolTip(tr("set circle reticle"));
    tbCamAngleReticle->setToolTip(tr("set angle reticle"));
    tbCamRadius5Point->setToolTip(tr("get manual circle"));
    tbInspectionColor->setToolTip(tr("set inspection colors"));
    tbInspection->setToolTip(tr("inspection mode"));

    // Picture labels and the fields start empty.
    for (QLabel *l : {lblTestRnOut, lblGauge, lblClamp, SpindleOK, lblReferenceType, lblInputBoxPic, lblCamRadius_2,
                      label})
        l->setText(QString());
    for (QLineEdit *e : {leToolset, leSetX, leSetZ, leSetC, leCircleR, leAngleA, leGauge, leInputBox, leLabelT,
                         leLabelCode, leXLabel, leZLabel, leAngleLabel, leRadLabel})
        e->clear();
}
