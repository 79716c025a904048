#include "axis/cdemo.h"

#include "ui_cdemo.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QMutexLocker>

#include "axis/DemoFrames.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "widgets/SharedWidgets.h"

namespace {
const char kFolder[] = "./demoImages";

QString samplePath(const QString &file)
{
    return QLatin1String(kFolder) + QLatin1Char('/') + file;
}
} // namespace

cDemo::cDemo(QWidget *parent)
    : QDialog(parent), ui(new Ui_cDemo), frames(4, DemoFrames::blankFrame())
{
    Q_INIT_RESOURCE(demo);
    Q_INIT_RESOURCE(mainwin);
    ui->setupUi(this);

    // Each control and its twin follow each other.
    connect(ui->dialX, &QDial::valueChanged, ui->sbX, &QScrollBar::setValue);
    connect(ui->sbX, &QScrollBar::valueChanged, ui->dialX, &QDial::setValue);
    connect(ui->dialY, &QDial::valueChanged, ui->sbY, &QScrollBar::setValue);
    connect(ui->sbY, &QScrollBar::valueChanged, ui->dialY, &QDial::setValue);
    connect(ui->dialAngle, &QDial::valueChanged, ui->sbC, &QScrollBar::setValue);
    connect(ui->sbC, &QScrollBar::valueChanged, ui->dialAngle, &QDial::setValue);

    // Exactly the names the loader asks for: "tool02-m.png" would be listed
    // and then not found.
    const QStringList names = QDir(QLatin1String(kFolder))
                                  .entryList({QStringLiteral("*-M.png")}, QDir::Files | QDir::CaseSensitive, QDir::Name);
    for (const QString &file : names)
        ui->cmbImage->addItem(file.left(file.size() - 6));

    connect(ui->cmbImage, QOverload<const QString &>::of(&QComboBox::currentIndexChanged), this,
            &cDemo::switchImage);
    for (QDial *dial : {ui->dialX, ui->dialY, ui->dialAngle})
        connect(dial, &QDial::valueChanged, this, &cDemo::offsetChanged);
    connect(ui->pbResetC, &QPushButton::clicked, this, &cDemo::resetCAxis);

    switchImage(ui->cmbImage->count() > 0 ? ui->cmbImage->itemText(0) : QString());

    setModal(false);
    setWindowFlags(windowFlags() | Qt::Tool);
    connect(&timer, &QTimer::timeout, this, &cDemo::slotTimUpdAxis);
    timer.start(300);
}

cDemo::~cDemo() = default;

void cDemo::start()
{
    offsetChanged(0);
}

QImage cDemo::getDemoImage()
{
    QMutexLocker lock(&mutex);
    return frames.at(frameIndex);
}

int cDemo::hasDemoImages() const
{
    return ui->cmbImage->count();
}

void cDemo::slotSelectSample(int n)
{
    const int i = ui->cmbImage->findText(QStringLiteral("tool0%1").arg(n), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i >= 0)
        ui->cmbImage->setCurrentIndex(i);
}

void cDemo::slotTimUpdAxis()
{
    emit updAxis(DemoFrames::positionLine(xOffset, zOffset, cValue));
}

void cDemo::resetCAxis()
{
    ui->dialAngle->setValue(0);
}

QImage cDemo::loadSample(const QString &name)
{
    QFile info(samplePath(name + QStringLiteral(".html")));
    if (info.open(QIODevice::ReadOnly))
        ui->txtInfo->setHtml(QString::fromUtf8(info.readAll()));
    else
        ui->txtInfo->clear();

    const QString file = name + (inspection ? QStringLiteral("-I.png") : QStringLiteral("-M.png"));
    QImage picture(samplePath(file));
    // Another kind of picture is made 8-bit grey here only: the operator's
    // file is never written.
    picture = DemoFrames::toIndexedGrey(picture);
    if (picture.isNull() || picture.width() < DemoFrames::kWidth || picture.height() < DemoFrames::kHeight) {
        picture = DemoFrames::blankFrame();
        QMessageBoxKovra::critical(nullptr, tr("Demo"), tr("Invalid demo image!"), QMessageBox::Ok);
    }
    PicUpdate(file, QLatin1String(kFolder), ui->lblDemoImage, ui->frmPict->rect());
    PicUpdate(file.left(file.size() - 5) + QStringLiteral("P.png"), QLatin1String(kFolder), ui->lblTool,
              ui->frmTool->rect());
    return picture;
}

void cDemo::showOffsets()
{
    settingControls = true;
    const int xMax = std::max(0, sample.width() - DemoFrames::kWidth);
    const int zMax = std::max(0, sample.height() - DemoFrames::kHeight);
    ui->sbX->setRange(0, xMax);
    ui->dialX->setRange(0, xMax);
    ui->sbY->setRange(0, zMax);
    ui->dialY->setRange(0, zMax);
    ui->sbX->setValue(xOffset);
    ui->sbY->setValue(zOffset);
    settingControls = false;
}

void cDemo::fillFrames()
{
    const QImage window = DemoFrames::window(sample, QPoint(xOffset, zOffset));
    for (QImage &frame : frames)
        frame = window;
}

void cDemo::switchImage(QString name)
{
    const QImage picture = loadSample(name);
    {
        QMutexLocker lock(&mutex);
        sample = picture;
        vacuum = !vacuum;
        frameIndex = 0;
        xOffset = (sample.width() - DemoFrames::kWidth) / 2;
        zOffset = (sample.height() - DemoFrames::kHeight) / 2;
        showOffsets();
    }
    ui->dialAngle->setValue(0);
    QMutexLocker lock(&mutex);
    fillFrames();
}

void cDemo::setInspection(bool on)
{
    inspection = on;
    for (QWidget *w : {static_cast<QWidget *>(ui->dialAngle), static_cast<QWidget *>(ui->sbC),
                       static_cast<QWidget *>(ui->lblC), static_cast<QWidget *>(ui->pbResetC)})
        w->setVisible(!on);
    const QImage picture = loadSample(ui->cmbImage->currentText());
    {
        QMutexLocker lock(&mutex);
        sample = picture;
        // The other picture may be smaller: the window stays inside it.
        const QPoint at = DemoFrames::clampOffset(sample, QPoint(xOffset, zOffset));
        xOffset = at.x();
        zOffset = at.y();
        showOffsets();
    }
    ui->dialAngle->setValue(0);
    QMutexLocker lock(&mutex);
    fillFrames();
}

void cDemo::offsetChanged(int)
{
    if (settingControls)
        return;
    QObject *from = sender();
    const bool x = from == ui->sbX || from == ui->dialX;
    const bool z = from == ui->sbY || from == ui->dialY;
    if (x || !z)
        xOffset = ui->sbX->value();
    if (z || !x)
        zOffset = ui->sbY->value();
    QImage frame = DemoFrames::window(sample, QPoint(xOffset, zOffset));
    const int dial = ui->dialAngle->value();
    if (dial != 0)
        DemoFrames::spindleBlur(frame, dial);
    QMutexLocker lock(&mutex);
    const int next = (frameIndex + 1) % 3;
    frames[next] = frame;
    frameIndex = next;
    cValue = float(dial);
}

void cDemo::closeEvent(QCloseEvent *event)
{
    // The operator cannot close the panel.
    event->ignore();
}

void cDemo::reject()
{
    // Escape would hide the panel without a close event: refused as well.
}
