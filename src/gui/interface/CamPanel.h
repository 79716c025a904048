#pragma once

#include "camera/LineParam.h"
#include "camera/cFocusBars.h"

#include <QImage>
#include <QList>
#include <QMenu>
#include <QPointF>
#include <QPointer>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <QVector>
#include <QWidget>

class CVideoDevice;
class cAxisInterface;
class debugWin;
class QAction;
class QGraphicsOpacityEffect;
class QLabel;

// Box with needle of the deviation (mm) of an edge from the view centre:
// along the top edge (horizontal) or the left edge (vertical).
void DrawComparator(QPainter* painter, float deviation, bool vertical);
// Shades everything of the view outside r.
void DrawRoiShadow(QPainter* painter, QRect r, QColor colour);

// Live camera view: the central 640 x 640 window of each processed frame with
// the measuring overlays painted over it; the operator picks corner points and
// sets the region of interest on it.
class CCamPanel : public QWidget
{
    Q_OBJECT
public:
    CCamPanel(CVideoDevice* video, cAxisInterface* axis, const QSize& hintSize, QWidget* parent = nullptr,
              const char* name = nullptr);
    ~CCamPanel() override;

    cFocusBars focusBars;

    // Last circle found automatically (centre and radius in pixels), written by
    // the main window.
    int circleX = 0;
    int circleY = 0;
    int circleR = 0;

    // Machine X (a radius) and Z, mm, of a panel pixel at the current axis positions.
    QPointF PointToAbsCoordinate(QPoint p) const;
    // Rotates a panel pixel back by the camera angle about the panel's origin.
    QPoint unrotatePoint(QPoint p) const;
    static void calculateLineParam(QPoint p, float angle, float& m, float& q);
    // The corner of two lines in panel pixels; none for slopes closer than 0.002.
    static QPoint CalculateIntersection(float m1, float q1, float m2, float q2);
    // The mark a menu entry carries, and sends, when it has no point.
    static bool isNoPoint(const QPointF& p);

    void resetAngularPoints();

    // The picture shown (the processed frame's window, or black before the first frame).
    QImage currentImage() const { return image; }

signals:
    void NewAngle(float angle, float distance, float dx, float dz);
    void NewCircle(float cx, float cz, float r);
    void UpdatePointList();
    void updScanlines(QVector<QPolygon> lines);
    void updDbgMessage(QString text);
    void setRotatedValues(QPointF val, bool isDiameter = false);

public slots:
    virtual void SetSize(const QSize& new_size);
    void UpdateImage();
    void slotFoundLines(QVector<sLineParam> lines);
    void displayTidMessage(bool ok);

private slots:
    void toggleRoi();
    void onTidAnimationFinished();

protected:
    // State of the axis board the overlays show.
    struct AxisState
    {
        bool emergency = false;
        bool spindleLocked = true;
        bool zeroX = true;
        bool zeroZ = true;
        bool zeroC = true;
    };
    virtual AxisState axisState() const;

    // Shows the point menu at pos and returns the chosen entry (null for none).
    virtual QAction* execMenu(const QPoint& pos);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    // Everything a painted frame shows, onto any painter of 640 x 640.
    void paintFrame(QPainter& painter);

    void drawAxisSettingsIcons(QPainter& painter);
    void drawZeroSearchWarning(QPainter& painter);
    void drawFixedCross(QPainter& painter);
    void drawProfile(QPainter& painter);
    void drawGeometry(QPainter& painter);
    void drawLineReticle(QPainter& painter);
    void drawCircleReticle(QPainter& painter);
    void drawROI(QPainter& painter);
    void drawComparators(QPainter& painter);
    void drawWarning(QPainter& painter, QString text);
    void drawDebug(QPainter& painter);
    void drawLine(QPainter* painter, float m, float q);
    void drawLine(QPainter* painter, QPoint from, QPoint to, QColor colour);
    void drawCircle(QPainter* painter, QPoint centre, int radius, QColor colour);

    void longPress(const QPoint& pos);
    // Colour of a point-by-point line over the picture: red on dark, blue on bright.
    QColor pointColour(int x, int y, const QColor& colour) const;

    QRect roiRect;
    QImage imgEmergency;
    QImage imgStop;
    QImage imgXInverted, imgZInverted, imgSwapped;
    QImage imgSpindle;
    QImage imgPrinter;
    QList<QImage> zeroImages;
    QTimer roiTimer;
    QPoint roiOrigin;
    QSize roiSize;
    QMenu menu;
    QAction* actLeft = nullptr;
    QAction* actRight = nullptr;
    QAction* actCenter = nullptr;
    QAction* actDiameter = nullptr;
    QAction* actClear = nullptr;
    QPointer<QGraphicsOpacityEffect> tidEffect;
    QPointer<QLabel> tidLabel;
    QImage image;
    CVideoDevice* video = nullptr;
    cAxisInterface* axis = nullptr;
    QPointer<debugWin> debugWindow;
    QVector<sLineParam> foundLines;

    // Paint events seen while capturing, before painting starts, and frames in a
    // row without an edge.
    int skip = 0;
    unsigned noEdgeCount = 0;
};
