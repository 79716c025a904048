#include "interface/CamPanel.h"

#include "axis/cAxisInterface.h"
#include "axis/measureserver.h"
#include "camera/CameraAxes.h"
#include "camera/GeometryFunctions.h"
#include "camera/VideoDevice.h"
#include "camera/debugwin.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

#include <QAction>
#include <QBitmap>
#include <QCursor>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QSettings>

#include <cmath>
#include <cstdio>

namespace {
const int kView = 640;
const float kPi = 3.141592654f;
const QColor kWarningPink(239, 158, 158, 128);
const QColor kFrozenOrange(255, 160, 16);

QPointF noPoint()
{
    return QPointF(kNoPoint, kNoPoint);
}

template <class P>
QPoint toQPoint(const P& p)
{
    return QPoint(p.x, p.y);
}

// The view's whole region of interest, (1, 1)-(640, 640).
template <class R>
bool isWholeView(const R& roi)
{
    return roi.x1 == 1 && roi.y1 == 1 && roi.x2 == kView && roi.y2 == kView;
}

QFont sansSerif(int pointSize)
{
    return QFont("Sans Serif", pointSize);
}

// The points of a figure drawn over the picture, grouped by pen: the figure's
// own colour, or, for a transparent one, red or blue by the shade beneath.
struct PenPoints
{
    QPolygon plain, red, blue;

    // shade: what CCamPanel::pointColour gives for the point.
    void add(int x, int y, const QColor& colour, const QColor& shade)
    {
        if (colour != QColor(Qt::transparent))
            plain << QPoint(x, y);
        else if (shade == QColor(Qt::red))
            red << QPoint(x, y);
        else
            blue << QPoint(x, y);
    }

    void paint(QPainter* painter, const QColor& colour) const
    {
        painter->save();
        if (!plain.isEmpty()) {
            painter->setPen(colour);
            painter->drawPoints(plain);
        }
        if (!red.isEmpty()) {
            painter->setPen(Qt::red);
            painter->drawPoints(red);
        }
        if (!blue.isEmpty()) {
            painter->setPen(Qt::blue);
            painter->drawPoints(blue);
        }
        painter->restore();
    }
};
}

// The panel's pictures live in the static library: register them before use.
static void initPanelPictures()
{
    Q_INIT_RESOURCE(campanel);
}

// ---------------------------------------------------------------- free painters

void DrawComparator(QPainter* painter, float deviation, bool vertical)
{
    if (!(std::fabs(double(deviation)) <= 0.05))
        return;
    // One micrometre moves the needle one pixel.
    const int u = int(deviation * 1000);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::blue);
    painter->setBrush(QBrush(Qt::white, Qt::SolidPattern));
    if (vertical)
        painter->drawRoundedRect(QRectF(4, 269, 40, 101), 4, 4);
    else
        painter->drawRoundedRect(QRectF(269, 4, 101, 40), 4, 4);

    QColor colour;
    if (std::abs(u) < 2)
        colour = QColor(10, 125, 3);
    else if (std::abs(u) < 35)
        colour = QColor(243, 160, 13);
    else
        colour = Qt::red;
    painter->setPen(colour);
    painter->setBrush(QBrush(colour, Qt::SolidPattern));
    if (vertical) {
        if (u <= 0)
            painter->drawPolygon(QPolygon({QPoint(13, 280), QPoint(36, 280), QPoint(24, 319)}));
        if (u >= 0)
            painter->drawPolygon(QPolygon({QPoint(13, 360), QPoint(36, 360), QPoint(24, 321)}));
    } else {
        if (u <= 0)
            painter->drawPolygon(QPolygon({QPoint(280, 13), QPoint(280, 36), QPoint(319, 24)}));
        if (u >= 0)
            painter->drawPolygon(QPolygon({QPoint(360, 13), QPoint(360, 36), QPoint(321, 24)}));
    }

    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::blue);
    for (int c = 320 + u - 1; c <= 320 + u + 1; ++c) {
        if (vertical)
            painter->drawLine(0, c, 48, c);
        else
            painter->drawLine(c, 0, c, 48);
    }
    painter->restore();
}

void DrawRoiShadow(QPainter* painter, QRect r, QColor colour)
{
    const QBrush brush(colour, Qt::SolidPattern);
    painter->fillRect(QRect(QPoint(0, 0), QPoint(1279, r.top() - 1)), brush);
    painter->fillRect(QRect(QPoint(0, r.top()), QPoint(r.left() - 1, r.bottom())), brush);
    painter->fillRect(QRect(QPoint(r.right() + 1, r.top()), QPoint(1280, r.bottom())), brush);
    painter->fillRect(QRect(QPoint(0, r.bottom() + 1), QPoint(1279, 1025)), brush);
}

// ---------------------------------------------------------------- construction

CCamPanel::CCamPanel(CVideoDevice* video_, cAxisInterface* axis_, const QSize& hintSize, QWidget* parent,
                     const char* /*name*/)
    : QWidget(parent),
      focusBars(nullptr, 0, 0, 0, 0),
      roiRect(QPoint(160, 160), QPoint(479, 479)),
      video(video_),
      axis(axis_)
{
    if (!video)
        qFatal("ASSERT: \"video != 0\" in interface/CamPanel");
    initPanelPictures();
    // A corner holds the axis position of its press: one taken before the
    // board fell silent is not current any more.
    if (axis)
        connect(axis, &cAxisInterface::silenceChanged, this, [this](bool silent) {
            if (silent)
                resetAngularPoints();
        });

    SetSize(video->GetSize());
    connect(video, &CVideoDevice::Resized, this, &CCamPanel::SetSize);

    const int rc = video->Open(2);
    if (rc < 0) {
        std::fprintf(stderr, "Error opening video device: %d.\n", rc);
        return;
    }

    connect(video, &CVideoDevice::Notify, this, &CCamPanel::UpdateImage);
    debugWindow = new debugWin(parentWidget());
    debugWindow->setWindowFlags(Qt::Tool);
    connect(this, &CCamPanel::updScanlines, debugWindow.data(), &debugWin::setScanlines);
    connect(this, &CCamPanel::updDbgMessage, debugWindow.data(), &debugWin::setDbgMessage);

    if (hintSize != QSize(0, 0)) {
        if (!video->SetSize(hintSize))
            std::fprintf(stderr, "Video device did not accept hint_size.\n");
    }

    move(0, 0);
    setCursor(QCursor(QBitmap(":/img/bmp.bmp"), QBitmap(":/img/msk.bmp"), 16, 16));
    setAttribute(Qt::WA_MouseTracking, true);
    setFocusPolicy(Qt::StrongFocus);

    imgEmergency = QImage(":/img/emergency.png");
    imgStop = QImage(":/img/stop.png");
    imgXInverted = QImage(":/img/XInverted-ico.png");
    imgZInverted = QImage(":/img/ZInverted-ico.png");
    imgSwapped = QImage(":/img/xzSwapped-ico.png");
    imgSpindle = QImage(":/img/lotus-spindle.png");
    imgPrinter = QImage(":/img/Printer-large.png");
    for (const char* file : {":/img/zeroX.png", ":/img/zeroZ.png", ":/img/zeroXZ.png", ":/img/zeroX-Caxis.png",
                             ":/img/zeroZ-Caxis.png", ":/img/zeroXZ-Caxis.png", ":/img/zeroC-Caxis.png",
                             ":/img/zeroXC-Caxis.png", ":/img/zeroZC-Caxis.png", ":/img/zeroXZC-Caxis.png"})
        zeroImages << QImage(file);

    roiSize = App::kovraSettings().value("ROI/size", QSize(200, 200)).toSize();

    roiTimer.setInterval(500);
    roiTimer.setTimerType(Qt::PreciseTimer);
    connect(&roiTimer, &QTimer::timeout, this, &CCamPanel::toggleRoi);

    actLeft = menu.addAction(tr("Left point"));
    actRight = menu.addAction(tr("Right point"));
    actCenter = menu.addAction(tr("Center point"));
    actDiameter = menu.addAction(tr("Diameter"));
    menu.addSeparator();
    actClear = menu.addAction(tr("Clear"));
    for (QAction* a : {actLeft, actRight, actCenter, actDiameter})
        a->setData(noPoint());
    menu.setStyleSheet("QMenu::item { height: 24px;} QMenu { font-size: 20px;}");

    setMask(QPixmap(":/img/maskVideo.png").mask());
    show();
}

CCamPanel::~CCamPanel()
{
    delete debugWindow.data();
}

// ---------------------------------------------------------------- size, frames, show

void CCamPanel::SetSize(const QSize&)
{
    // The view is always the central 640 x 640 window, whatever the frame size.
    resize(kView, kView);
    image = QImage(kView, kView, QImage::Format_RGB32);
    image.fill(Qt::black);
    focusBars.setSize(0, 0, kView, kView);
}

void CCamPanel::UpdateImage()
{
    // A copy taken by the capture thread under the device lock when it finished
    // the frame, so picture and overlays belong to the same frame.
    const QImage shown = video->GetWindowCopy();
    if (!shown.isNull())
        image = shown;
    update();
}

void CCamPanel::slotFoundLines(QVector<sLineParam> lines)
{
    foundLines = lines;
}

void CCamPanel::showEvent(QShowEvent* event)
{
    video->StartCapture();
    QWidget::showEvent(event);
}

void CCamPanel::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    video->StopCapture();
}

QPointF CCamPanel::PointToAbsCoordinate(QPoint p) const
{
    // As the found geometry: the X calibration scales both directions.
    const QPointF onPicture = QPointF(p.x() - 320, 320 - p.y()) * double(video->XCalibration);
    return CameraAxes::of(CurrentMachine).position(video->axisPosition(), onPicture);
}

CCamPanel::AxisState CCamPanel::axisState() const
{
    AxisState s;
    if (axis) {
        s.emergency = axis->isEmergency();
        s.spindleLocked = axis->isSpindleLocked();
        s.zeroX = axis->ZeroX();
        s.zeroZ = axis->ZeroZ();
        s.zeroC = axis->ZeroC();
    }
    return s;
}

// ---------------------------------------------------------------- painting

void CCamPanel::paintEvent(QPaintEvent*)
{
    if (!video->isRunning() || !isVisible())
        return;
    // The first frames after the capture starts are not settled yet.
    if (skip < 18) {
        ++skip;
        return;
    }
    QPainter painter(this);
    paintFrame(painter);
}

void CCamPanel::paintFrame(QPainter& painter)
{
    painter.setClipRect(0, 0, kView, kView);
    painter.drawImage(0, 0, image);
    painter.setBrush(Qt::NoBrush);

    drawAxisSettingsIcons(painter);
    drawZeroSearchWarning(painter);
    drawFixedCross(painter);
    drawProfile(painter);
    drawGeometry(painter);
    drawLineReticle(painter);
    drawCircleReticle(painter);
    drawROI(painter);

    const AxisState state = axisState();
    if (MachineSettings.type == 3 && !state.spindleLocked)
        painter.drawImage((kView - imgSpindle.width()) / 2, 100, imgSpindle);
    if (state.emergency)
        painter.drawImage((kView - imgEmergency.width()) / 2, 200, imgEmergency);
    if (MachineSettings.printing) {
        painter.fillRect(QRect(QPoint(70, 70), QPoint(569, 569)), QColor(158, 158, 158, 128));
        painter.drawImage((kView - imgPrinter.width()) / 2, 200, imgPrinter);
    }

    if (video->NoAutoMeasure() && !state.emergency) {
        ++noEdgeCount;
        if (noEdgeCount > 4) {
            const QRect box(image.width() / 2 - 100, image.height() / 2 - 50, 200, 100);
            painter.save();
            painter.fillRect(box, kWarningPink);
            painter.setFont(sansSerif(14));
            painter.setPen(QPen(Qt::blue, 1, Qt::SolidLine));
            painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, tr("No edge detected"));
            painter.restore();
        }
    } else {
        noEdgeCount = 0;
    }

    drawComparators(painter);
    if (!video->validateAxisCalibration())
        drawWarning(painter, tr("Check Camera calibration"));
    drawDebug(painter);
}

void CCamPanel::drawAxisSettingsIcons(QPainter& painter)
{
    int x = 10;
    if (CurrentMachine.swapXZ) {
        painter.drawImage(10, 0, imgSwapped);
        x = 50;
    }
    if (CurrentMachine.reverseZ) {
        painter.drawImage(x, 0, CurrentMachine.swapXZ ? imgXInverted : imgZInverted);
        x += 40;
    }
    if (CurrentMachine.reverseX)
        painter.drawImage(x, 0, CurrentMachine.swapXZ ? imgZInverted : imgXInverted);
}

void CCamPanel::drawZeroSearchWarning(QPainter& painter)
{
    const AxisState s = axisState();
    int index;
    QPoint at;
    if (MachineSettings.hasCAxis) {
        if (s.zeroX && s.zeroZ && s.zeroC)
            return;
        index = (!s.zeroX ? 3 : 2) + (!s.zeroZ ? 2 : 0) + (!s.zeroC ? 4 : 0);
        at = QPoint(50, 500);
    } else {
        if (s.zeroX && s.zeroZ)
            return;
        index = (!s.zeroX ? 1 : 0) + (!s.zeroZ ? 2 : 0) - 1;
        at = QPoint(100, 500);
    }
    if (index >= 0 && index < zeroImages.size())
        painter.drawImage(at, zeroImages.at(index));
}

void CCamPanel::drawFixedCross(QPainter& painter)
{
    const int W = image.width(), H = image.height();
    painter.save();
    if (video->inPositionMode) {
        painter.setPen(Qt::green);
        painter.drawLine(0, H / 2, width(), H / 2);
        painter.drawLine(W / 2, 0, W / 2, height());
        painter.restore();
        return;
    }
    if (!video->measureLines || video->sensorMode != 0) {
        painter.restore();
        return;
    }

    const float a = video->cameraAngle * kPi / 180;
    const float sideSlope = std::tan(1.570796327f - a);   // min X and max X lines
    const float baseSlope = std::tan(-a);                 // min Y and max Y lines
    auto rotatedLine = [&](QPoint p, float m) {
        p = unrotatePoint(p);
        const float q = isColumnSlope(m) ? float(p.x()) : float(p.y()) - m * p.x();
        drawLine(&painter, m, q);
    };
    auto rowLine = [&](QPoint p) {
        painter.drawLine(width(), p.y(), 0, p.y());
        painter.drawLine(p.x(), p.y() - 10, p.x(), p.y() + 10);
    };
    auto columnLine = [&](QPoint p) {
        painter.drawLine(p.x(), 0, p.x(), height());
        painter.drawLine(p.x() - 10, p.y(), p.x() + 10, p.y());
    };

    painter.setPen(Qt::blue);
    if (video->result().profileCount > 0) {
        if (video->rotation) {
            if (video->MinXValid()) rotatedLine(toQPoint(video->getPointMinX(false)), sideSlope);
            if (video->MaxXValid()) rotatedLine(toQPoint(video->getPointMaxX(false)), sideSlope);
            if (video->MinYValid()) rotatedLine(toQPoint(video->getPointMinY(false)), baseSlope);
            if (video->MaxYValid()) rotatedLine(toQPoint(video->getPointMaxY(false)), baseSlope);
        } else {
            if (video->MaxYValid()) rowLine(toQPoint(video->getPointMaxY(false)));
            if (video->MinYValid()) rowLine(toQPoint(video->getPointMinY(false)));
            if (video->MaxXValid()) columnLine(toQPoint(video->getPointMaxX(false)));
            if (video->MinXValid()) columnLine(toQPoint(video->getPointMinX(false)));
        }
    }

    if (video->isFrozen()) {
        painter.setPen(kFrozenOrange);
        if (video->rotation) {
            rotatedLine(toQPoint(video->getPointMinX(true)), sideSlope);
            rotatedLine(toQPoint(video->getPointMaxX(true)), sideSlope);
            rotatedLine(toQPoint(video->getPointMaxY(true)), baseSlope);
            rotatedLine(toQPoint(video->getPointMinY(true)), baseSlope);
        } else {
            rowLine(toQPoint(video->getPointMaxY(true)));
            rowLine(toQPoint(video->getPointMinY(true)));
            columnLine(toQPoint(video->getPointMaxX(true)));
            columnLine(toQPoint(video->getPointMinX(true)));
        }
    }
    painter.restore();
}

void CCamPanel::drawProfile(QPainter& painter)
{
    const QPolygon stored = video->storedProfile;
    if (stored.isEmpty())
        return;
    painter.save();
    painter.setPen(Qt::red);
    painter.drawPoints(stored);
    painter.restore();
}

void CCamPanel::drawGeometry(QPainter& painter)
{
    if (!video->Geometry)
        return;
    painter.save();
    painter.setPen(Qt::magenta);
    if (video->autoCircle) {
        painter.drawEllipse(circleX - circleR, circleY - circleR, 2 * circleR, 2 * circleR);
        painter.setPen(Qt::cyan);
        painter.drawLine(circleX - 5, circleY, circleX + 5, circleY);
        painter.drawLine(circleX, circleY - 5, circleX, circleY + 5);
        painter.setFont(sansSerif(10));
        painter.drawText(circleX, circleY - 5, "C");
    } else if (video->autoAngle) {
        for (const sLineParam& l : foundLines)
            drawLine(&painter, l.m, l.q);
        const QPoint i = video->getIntersection();
        if (!(i.x() == kNoPoint && i.y() == kNoPoint)) {
            const int ix = i.x(), iy = i.y();
            painter.setPen(Qt::cyan);
            painter.drawLine(ix + 315, 320 - iy, ix + 325, 320 - iy);
            painter.drawLine(ix + 320, 315 - iy, ix + 320, 325 - iy);
            painter.setFont(sansSerif(10));
            painter.drawText(ix + 310, 315 - iy, "P");
        }
    }
    painter.restore();
}

void CCamPanel::drawLineReticle(QPainter& painter)
{
    if (!video->inPositionMode || video->angleReticle == 0)
        return;
    painter.save();
    painter.setPen(QPen(Qt::red, 1, Qt::SolidLine));
    const int cx = image.width() / 2, cy = image.height() / 2;
    const float t = std::tan((90 - video->angleReticle) * kPi / 180) * cx;
    // Far beyond the view the end point only sets the direction; keep it an int.
    const int d = std::isfinite(t) ? qRound(qBound(-1.0e6f, t, 1.0e6f)) : 1000000;
    const QPoint c(cx, cy);
    drawLine(&painter, c, QPoint(2 * cx, cy + d), Qt::red);
    drawLine(&painter, c, QPoint(0, cy - d), Qt::red);
    drawLine(&painter, c, QPoint(cx - d, cy + cx), Qt::red);
    drawLine(&painter, c, QPoint(cx + d, cy - cx), Qt::red);
    painter.restore();
}

void CCamPanel::drawCircleReticle(QPainter& painter)
{
    const float r = video->circleReticle;
    if (r == 0 || !video->inPositionMode)
        return;
    // Without a calibration there is no pixel size to draw the circle with.
    const float cal = video->XCalibration;
    if (!(cal > 0))
        return;
    const double rp = double(r / cal);
    if (!std::isfinite(rp) || std::fabs(rp) > 1.0e6)
        return;   // a circle that far out lies wholly outside the view

    const double W = image.width(), H = image.height();
    painter.save();
    painter.setFont(sansSerif(10));
    painter.setPen(QPen(Qt::green, 1, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    const QString label = MPrn(r / (CurrentMachine.IsMM ? 1.0 : 25.4), CurrentMachine.IsMM);
    const int labelX = double(r) >= 2.8 ? int(std::trunc(W / 2 - 58 + rp)) : int(std::trunc(W / 2 + 3 + rp));
    painter.drawText(labelX, int(H / 2 - 2), label);
    painter.drawEllipse(QRect(int(std::trunc(W / 2 - rp)), int(std::trunc(H / 2 - rp)), int(std::trunc(2 * rp)),
                              int(std::trunc(2 * rp))));
    painter.restore();
}

void CCamPanel::drawROI(QPainter& painter)
{
    const auto& roi = video->roi;
    if (isWholeView(roi))
        return;
    const QRect r(QPoint(roi.x1, roi.y1), QPoint(roi.x2, roi.y2));
    painter.save();
    painter.setPen(QPen(Qt::green, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
    DrawRoiShadow(&painter, r, kWarningPink);
    painter.restore();
}

void CCamPanel::drawComparators(QPainter& painter)
{
    if (video->sensorMode != 0 || video->result().profileCount == 0)
        return;
    const bool minX = video->MinXValid(), maxX = video->MaxXValid();
    const bool minY = video->MinYValid(), maxY = video->MaxYValid();
    if (!video->measureLines) {
        auto choose = [](bool minValid, float minDev, bool maxValid, float maxDev, float& dev) {
            if (minValid && maxValid)
                dev = std::fabs(maxDev) < std::fabs(minDev) ? maxDev : minDev;
            else if (minValid)
                dev = minDev;
            else if (maxValid)
                dev = maxDev;
            else
                return false;
            return true;
        };
        float dev = 0;
        if (choose(minX, minX ? video->getMinX(false) : 0, maxX, maxX ? video->getMaxX(false) : 0, dev))
            DrawComparator(&painter, dev, false);
        if (choose(minY, minY ? video->getMinY(false) : 0, maxY, maxY ? video->getMaxY(false) : 0, dev))
            DrawComparator(&painter, dev, true);
    }
    focusBars.drawFocus(&painter, minX ? video->getFocusMinX() : 0, maxX ? video->getFocusMaxX() : 0,
                        minY ? video->getFocusMinY() : 0, maxY ? video->getFocusMaxY() : 0);
}

void CCamPanel::drawWarning(QPainter& painter, QString text)
{
    painter.save();
    painter.setFont(sansSerif(16));
    painter.setPen(Qt::red);
    painter.fillRect(QRect(QPoint(30, 170), QPoint(609, 289)), kWarningPink);
    painter.drawImage(40, 190, imgStop);
    painter.drawText(QRect(QPoint(125, 170), QPoint(584, 289)), Qt::AlignCenter | Qt::TextWordWrap, text);
    painter.restore();
}

void CCamPanel::drawDebug(QPainter& painter)
{
    if (debugWindow)
        debugWindow->setVisible(MachineSettings.debug);
    if (!MachineSettings.debug)
        return;

    QString text = QString::asprintf("%.2f fps\n", video->fps);
    if (video->MinXValid()) {
        const QPoint p = toQPoint(video->getPointMinX(false));
        text += QString::asprintf("MinX Pix %d subX X%3.3f misX %3.3f  F%d", p.x(), double(video->getMinXsub()),
                                  double(video->getMinX(false)), int(video->getFocusMinX()));
    }
    text += "\n";
    if (video->MaxXValid()) {
        const QPoint p = toQPoint(video->getPointMaxX(false));
        text += QString::asprintf("MaxX Pix %d subX X%3.3f misX %3.3f F%d", p.x(), double(video->getMaxXsub()),
                                  double(video->getMaxX(false)), int(video->getFocusMaxX()));
    }
    text += "\n";
    if (video->MinYValid()) {
        const QPoint p = toQPoint(video->getPointMinY(false));
        text += QString::asprintf("MinY Pix %d subY Y%3.3f misY %3.3f F%d", p.y(), double(video->getMinYsub()),
                                  double(video->getMinY(false)), int(video->getFocusMinY()));
    }
    text += "\n";
    if (video->MaxYValid()) {
        const QPoint p = toQPoint(video->getPointMaxY(false));
        text += QString::asprintf("MaxY Pix %d subY Y%3.3f misY %3.3f F%d", p.y(), double(video->getMaxYsub()),
                                  double(video->getMaxY(false)), int(video->getFocusMaxY()));
    }
    text += "\n";
    const EdgeResult found = video->result();
    text += QString::asprintf("Profiles=%d\n", found.profileCount);
    text += QString::asprintf("Entities=%d\n", found.entities.size());
    if (video->autoAngle) {
        for (int i = 0; i < foundLines.size(); ++i) {
            text += QString("L%1 m%2 q%3\n").arg(i).arg(double(foundLines.at(i).m)).arg(double(foundLines.at(i).q));
            if (i < found.entities.size() && found.entities.at(i).type == 0)
                text += QString(">>>L%1 m%2 q%3\n")
                            .arg(i)
                            .arg(double(found.entities.at(i).m))
                            .arg(double(found.entities.at(i).q));
        }
    }
    emit updDbgMessage(text);

    if (image.format() != QImage::Format_Indexed8)
        return;
    // The scan row: the configured one, else the row of the min-X point; with
    // neither there is no row to show.
    int y0 = video->scanline;
    if (y0 == 0) {
        if (!video->MinXValid())
            return;
        y0 = video->getPointMinX(false).y;
    }
    const int W = image.width();
    QPolygon row, below;
    for (int x = 10; x < W; ++x) {
        if (x < 0 || x > 639)
            continue;
        if (y0 >= 0 && y0 <= 639 && y0 < image.height())
            row << QPoint(x, image.pixelIndex(x, y0));
        if (y0 + 1 >= 0 && y0 + 1 <= 639 && y0 + 1 < image.height())
            below << QPoint(x, image.pixelIndex(x, y0 + 1));
    }
    painter.save();
    painter.setPen(Qt::red);
    painter.drawLine(0, y0, W, y0);
    painter.restore();
    emit updScanlines(QVector<QPolygon>{row, below});
}

void CCamPanel::drawLine(QPainter* painter, float m, float q)
{
    // Ends go to whole pixels, so a line meant to be vertical or horizontal
    // stays on its column or row whatever the rounding of a steep slope.
    auto pixel = [](const QPointF& p) { return QPoint(qRound(p.x()), qRound(p.y())); };
    if (isColumnSlope(m)) {
        if (q > -2 && q < kView + 2)   // a column off the view draws nothing
            painter->drawLine(pixel(QPointF(q, 2)), pixel(QPointF(q, 635)));
        return;
    }
    // Ends are the crossings with the border lines x = 2, x = 635, y = 2,
    // y = 635 whose other coordinate lies on the view.
    auto counts = [](float v) { return v >= 0 && v <= 635; };
    const QPointF left(2, 2 * m + q), right(635, 635 * m + q);
    const QPointF top((2 - q) / m, 2), bottom((635 - q) / m, 635);
    const bool hasLeft = counts(float(left.y())), hasRight = counts(float(right.y()));
    const bool hasTop = counts(float(top.x()));
    QPointF from, to;
    if (hasLeft) {
        from = left;
        to = hasRight ? right : hasTop ? top : bottom;
    } else if (hasRight) {
        from = right;
        to = hasTop ? top : bottom;
    } else if (hasTop) {
        from = top;
        to = bottom;
    } else {
        return;
    }
    // The last fallback end may lie anywhere; keep it in a range that converts to int.
    auto bounded = [](QPointF p) {
        return QPointF(qBound(-1.0e6, p.x(), 1.0e6), qBound(-1.0e6, p.y(), 1.0e6));
    };
    painter->drawLine(pixel(bounded(from)), pixel(bounded(to)));
}

QColor CCamPanel::pointColour(int x, int y, const QColor& colour) const
{
    if (colour != QColor(Qt::transparent))
        return colour;
    QRgb rgb;
    if (image.format() == QImage::Format_Indexed8 && image.colorCount() == 0) {
        const int g = image.pixelIndex(x, y);
        rgb = qRgb(g, g, g);
    } else {
        rgb = image.pixel(x, y);
    }
    return (rgb | 0xff000000u) <= qRgb(128, 128, 128) ? QColor(Qt::red) : QColor(Qt::blue);
}

void CCamPanel::drawLine(QPainter* painter, QPoint from, QPoint to, QColor colour)
{
    const int dx = to.x() - from.x(), dy = to.y() - from.y();
    const int adx = std::abs(dx), ady = std::abs(dy);
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const int steps = qMax(adx, ady);
    if (steps == 0)
        return;
    const QRect inside = image.rect();
    PenPoints points;
    int x = from.x(), y = from.y();
    int err = steps / 2;
    bool wasInside = inside.contains(from);
    for (int i = 0; i < steps; ++i) {
        if (adx >= ady) {
            x += sx;
            err -= ady;
            if (err < 0) {
                y += sy;
                err += adx;
            }
        } else {
            y += sy;
            err -= adx;
            if (err < 0) {
                x += sx;
                err += ady;
            }
        }
        if (!inside.contains(x, y)) {
            // A straight line that has left the picture does not come back.
            if (wasInside)
                break;
            continue;
        }
        wasInside = true;
        points.add(x, y, colour, pointColour(x, y, colour));
    }
    points.paint(painter, colour);
}

void CCamPanel::drawCircle(QPainter* painter, QPoint centre, int radius, QColor colour)
{
    PenPoints points;
    auto plot = [&](int x, int y) {
        if (x < 2 || x > image.width() - 1 || y < 2 || y > image.height() - 1 || !image.rect().contains(x, y))
            return;
        points.add(x, y, colour, pointColour(x, y, colour));
    };
    int x = radius, y = 0, err = 1 - radius;
    while (x >= y) {
        const int cx = centre.x(), cy = centre.y();
        plot(cx + x, cy + y);
        plot(cx + y, cy + x);
        plot(cx - y, cy + x);
        plot(cx - x, cy + y);
        plot(cx - x, cy - y);
        plot(cx - y, cy - x);
        plot(cx + y, cy - x);
        plot(cx + x, cy - y);
        ++y;
        if (err < 0) {
            err += 2 * y + 1;
        } else {
            --x;
            err += 2 * (y - x) + 1;
        }
    }
    points.paint(painter, colour);
}

// ---------------------------------------------------------------- picking

QPoint CCamPanel::unrotatePoint(QPoint p) const
{
    const float a = video->cameraAngle * kPi / 180;
    const float c = std::cos(a), s = std::sin(a);
    return QPoint(qRound(p.x() * c + p.y() * s), qRound(-p.x() * s + p.y() * c));
}

void CCamPanel::calculateLineParam(QPoint p, float angle, float& m, float& q)
{
    const float a = std::fabs(angle);
    if (a == 90 || a == 270) {
        m = kColumnSlope;
        q = p.x();
    } else if (angle == 0 || a == 180) {
        m = kRowMark;
        q = p.y();
    } else {
        m = std::tan(angle * kPi / 180);
        q = p.y() - m * p.x();
        // As steep as the vertical mark or steeper (within about 0.1 degrees of
        // upright): a vertical line, held by its column as it is drawn.
        if (isColumnSlope(m)) {
            m = kColumnSlope;
            q = p.x();
        }
    }
}

bool CCamPanel::isNoPoint(const QPointF& p)
{
    return std::fabs(p.x() - kNoPoint) < 1e-12 && std::fabs(p.y() - kNoPoint) < 1e-12;
}

QPoint CCamPanel::CalculateIntersection(float m1, float q1, float m2, float q2)
{
    return lineCrossing({m1, q1}, {m2, q2}, 0.002);
}

void CCamPanel::resetAngularPoints()
{
    for (QAction* a : {actLeft, actRight, actCenter, actDiameter})
        if (a)
            a->setData(noPoint());
}

QAction* CCamPanel::execMenu(const QPoint& pos)
{
    return menu.exec(pos);
}

void CCamPanel::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->pos();
    if (!video->measureLines) {
        longPress(pos);
        return;
    }
    // The corner square at the top right belongs to a button over the view.
    if (QRect(QPoint(546, 3), QPoint(635, 92)).contains(pos))
        return;
    if (!video->rotation || !actLeft) {
        longPress(pos);
        return;
    }

    const float a = video->cameraAngle;
    const bool fromFreeze = video->isFrozen();
    // A line is made only through a valid extreme point.
    auto made = [&](bool valid, const POINT& p, float angle, sLineParam& line) {
        if (valid)
            calculateLineParam(unrotatePoint(toQPoint(p)), angle, line.m, line.q);
        return valid;
    };
    sLineParam minX, maxX, minY;
    const bool hasMinX = made(video->MinXValid(), video->getPointMinX(fromFreeze), 90 - a, minX);
    const bool hasMaxX = made(video->MaxXValid(), video->getPointMaxX(fromFreeze), 90 - a, maxX);
    const bool hasMinY = made(video->MinYValid(), video->getPointMinY(fromFreeze), -a, minY);

    QAction* picked = nullptr;
    QPoint corner;
    if (hasMinX && hasMinY) {
        corner = CalculateIntersection(minX.m, minX.q, minY.m, minY.q);
        if ((pos - corner).manhattanLength() < 15)
            picked = actLeft;
    }
    if (!picked && hasMaxX && hasMinY) {
        corner = CalculateIntersection(maxX.m, maxX.q, minY.m, minY.q);
        if ((pos - corner).manhattanLength() < 15)
            picked = actRight;
    }
    if (!picked) {
        longPress(pos);
        return;
    }
    // A corner takes the axis position of its press.
    if (MeasureServer::refusedForSilence(axis, this))
        return;
    picked->setData(PointToAbsCoordinate(corner));

    const CameraAxes axes = CameraAxes::of(CurrentMachine);
    const bool mm = axes.isMM;
    auto pointText = [&](const QString& title, const QPointF& p) {
        return QString("%1 X %2 Z %3")
            .arg(title, MPrn(float(axes.shownX(p.x())), mm), MPrn(float(axes.shownZ(p.y())), mm));
    };
    const QPointF left = actLeft->data().toPointF(), right = actRight->data().toPointF();
    actLeft->setText(isNoPoint(left) ? tr("Left point") : pointText(tr("Left point"), left));
    actRight->setText(isNoPoint(right) ? tr("Right point") : pointText(tr("Right point"), right));
    if (!isNoPoint(left) && !isNoPoint(right)) {
        const QPointF centre((left.x() + right.x()) / 2, (left.y() + right.y()) / 2);
        actCenter->setData(centre);
        actCenter->setText(pointText(tr("Center point"), centre));
        // A length between two corners: in the unit, never doubled.
        const float dx = float(left.x() - right.x()), dz = float(left.y() - right.y());
        const float d = std::sqrt(dx * dx + dz * dz);
        actDiameter->setData(QPointF(d, 0));
        actDiameter->setText(QString("%1 %2").arg(tr("Diameter"), MPrn(float(axes.shownZ(d)), mm)));
    } else {
        actCenter->setText(tr("Center point"));
        actDiameter->setText(tr("Diameter"));
    }
    // An entry without a point (a corner not picked, or dropped when the
    // board fell silent) has nothing to give.
    for (QAction* a : {actLeft, actRight, actCenter, actDiameter})
        a->setEnabled(!isNoPoint(a->data().toPointF()));

    QAction* chosen = execMenu(pos);
    if (!chosen || !chosen->isEnabled())
        return;
    if (chosen == actClear)
        resetAngularPoints();
    else if (chosen == actLeft || chosen == actRight || chosen == actCenter)
        emit setRotatedValues(chosen->data().toPointF(), false);
    else if (chosen == actDiameter)
        emit setRotatedValues(chosen->data().toPointF(), true);
}

void CCamPanel::mouseReleaseEvent(QMouseEvent*)
{
    roiTimer.stop();
}

void CCamPanel::longPress(const QPoint& pos)
{
    if (roiTimer.isActive())
        return;
    roiTimer.start();
    roiOrigin = QPoint(pos.x() - roiSize.width() / 2, pos.y() - roiSize.height() / 2);
}

void CCamPanel::toggleRoi()
{
    roiTimer.stop();
    roiRect = QRect(roiOrigin, roiSize);
    auto& roi = video->roi;
    if (isWholeView(roi)) {
        roi.x1 = roiRect.left();
        roi.y1 = roiRect.top();
        roi.x2 = roiRect.right();
        roi.y2 = roiRect.bottom();
    } else {
        roi.x1 = 1;
        roi.y1 = 1;
        roi.x2 = kView;
        roi.y2 = kView;
    }
}

// ---------------------------------------------------------------- acknowledgement

void CCamPanel::displayTidMessage(bool)
{
    const QPixmap picture(":/img/scanner-on.png");
    QLabel* label = new QLabel(this);
    label->setPixmap(picture);
    label->setGeometry((kView - picture.width()) / 2, (kView - picture.height()) / 2, picture.width(),
                       picture.height());
    label->setStyleSheet("background-color: rgba(0,255,0,0); border:0px; border-radius:10px; ");

    QLabel* text = new QLabel(label);
    text->setGeometry(0, 0, label->width(), label->height());
    text->setAlignment(Qt::AlignCenter);
    text->setStyleSheet("color:rgb(115,255,0); font-size: 100px; font-weight: bold; "
                        "background-color: rgba(0,255,0,0); border:0px; border-radius:10px; ");
    text->setText("OK");
    label->show();
    text->show();

    QGraphicsOpacityEffect* effect = new QGraphicsOpacityEffect(label);
    effect->setOpacity(1.0);
    label->setGraphicsEffect(effect);
    tidLabel = label;
    tidEffect = effect;

    // Parented to the label: a panel closed during the fade takes the fade with it.
    QPropertyAnimation* fade = new QPropertyAnimation(effect, "opacity", label);
    fade->setDuration(1500);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    fade->setEasingCurve(QEasingCurve::InCubic);
    connect(fade, &QPropertyAnimation::finished, this, &CCamPanel::onTidAnimationFinished);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void CCamPanel::onTidAnimationFinished()
{
    // Each fade removes its own label, also when a newer one is showing.
    auto* fade = qobject_cast<QPropertyAnimation*>(sender());
    QObject* effect = fade ? fade->targetObject() : nullptr;
    QObject* label = effect ? effect->parent() : nullptr;
    if (label)
        label->deleteLater();
}
