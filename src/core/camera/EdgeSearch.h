#pragma once

#include <QAtomicInt>
#include <QMutex>
#include <QPoint>
#include <QPolygon>
#include <QVector>

#include "camera/CameraAxes.h"
#include "camera/GeometryFunctions.h"
#include "camera/LineParam.h"

// A pixel of the central 640 x 640 measuring window, origin top-left.
struct POINT
{
    int x;
    int y;
};

// Kinds of sub-pixel correction: which neighbour lies outside the edge.
enum eMeasPoint { MP_MIN_X = 0, MP_MIN_Y = 1, MP_MAX_X = 2, MP_MAX_Y = 3 };

// Order of the extreme points in a profile record and in extremeIndex.
enum { EXT_MIN_X = 0, EXT_MAX_X = 1, EXT_MIN_Y = 2, EXT_MAX_Y = 3 };

// Search direction of the contour tracer: 0..3 turn clockwise, 4..7 counter-clockwise.
typedef int ContDir;

struct ExtremePoint
{
    POINT point;
    float mm;       // signed distance from the image centre
    float sub;      // sub-pixel correction in pixels
    bool valid;     // well inside the region of interest
};

// One traced contour: its points are points[first] .. points[end - 1].
struct ProfileRecord
{
    ExtremePoint ext[4];    // min X, max X, min Y, max Y
    quint8 focus[4];
    float posX;
    float posZ;
    int first;
    int end;
};

// A straight (type 0) or circular (type 1) piece of a contour.
struct Entity
{
    int type;
    POINT startPoint;
    int startIndex;
    POINT endPoint;
    int endIndex;
    float m, q;
    float radius;
    float posX, posZ;
    int centerX, centerY;
};

struct RoiRect
{
    int x1, y1, x2, y2;
};

struct CircleResult
{
    int x, y, radius;
};

struct FreezeRef
{
    int x, z;
};

// What one frame's measuring found, as the other threads see it. It is
// handed over whole, under a lock, at the end of each frame, so that a reader
// never combines a validity of one frame with a value of another. Indexes of
// the four extremes follow EXT_MIN_X .. EXT_MAX_Y.
struct EdgeResult
{
    int profileCount = 0;
    bool noExtremes = true;     // no profile gave any extreme point
    bool valid[4] = {false, false, false, false};   // live, or held while frozen
    POINT point[4] = {};        // the live extremes (the last ones seen when none)
    float mm[4] = {0, 0, 0, 0};
    float sub[4] = {0, 0, 0, 0};
    quint8 focus[4] = {0, 0, 0, 0};
    bool frozen = false;
    float frozenMm[4] = {0, 0, 0, 0};
    POINT frozenPoint[4] = {};
    QPoint intersection;
    bool crossingOnAxis = false;    // the intersection lies on the spindle axis
    CircleResult circle = {0, 0, 0};
    QVector<Entity> entities;
    QVector<QPoint> contour;    // the points of every profile, in order
};

// The measuring done on every camera frame: profile search and contour
// tracing, extreme points with sub-pixel edges and focus, line and circle
// search, freeze, in-position and still-frame counting. It works on a grey
// frame (one byte per pixel, rows of `width` bytes) whose central 640 x 640
// pixels form the measuring window. The fields below are the search's own
// working state (the capture thread's); other threads read the result of the
// last frame through the getters or result(), and change the freeze through
// requests that the search takes at its next frame. Notifications go through
// the virtual hooks.
class CEdgeSearch
{
public:
    enum {
        kMaxPoints = 10000,     // point array; at most 9999 are used
        kPointLimit = 9999,
        kMaxProfiles = 19,
        kTraceLimit = 5000,
        kMaxEntities = 30,
        kReportedEntities = 29,
        kNone = -1
    };
    CEdgeSearch();
    virtual ~CEdgeSearch();

    // ---- settings (written by the settings loader, the GUI and the axis link)
    bool Geometry = false;
    int PointStep = 3;
    int MSE = 60;
    int MinLineLenght = 40;
    int MSEC = 50;
    int MinCircleLenght = 20;
    float XCalibration = 0.0f;
    float ZCalibration = 0.0f;
    qint16 WhiteLevel = 230;
    qint16 BlackLevel = 25;
    quint8 sensorMode = 0;        // 0 measure, 1 inspection
    bool inPositionMode = false;
    bool measureLines = false;
    float posX = 0.0f;
    float posZ = 0.0f;
    CameraAxes machineAxes;     // how posX, posZ and the picture lie on the machine
    qint16 scanline = 0;
    RoiRect roi = {1, 1, 640, 640};
    bool frozen = false;
    bool rotation = false;
    float cameraAngle = 0.0f;

    // ---- contours of the last frame
    POINT points[kMaxPoints];
    POINT rotatedPoints[kMaxPoints];
    int pointCount = 0;
    ProfileRecord profiles[kMaxProfiles];
    int profileCount = 0;
    ContDir contourDir = 2;
    bool tracePass = false;
    int passDirTable[2][4] = {{3, 0, 2, 1}, {6, 7, 5, 4}};
    QPolygon storedProfile;
    int extremeIndex[4] = {kNone, kNone, kNone, kNone};

    // ---- freeze
    float frozenMaxX, frozenMinX, frozenMaxY, frozenMinY;
    POINT frozenPoint[4];
    FreezeRef freezeRef = {0, 0};

    // ---- lines and circles
    Entity entities[kMaxEntities];
    int entityCount = 0;
    QVector<sLineParam> lines;
    QPoint intersection = QPoint(kNoPoint, kNoPoint);
    CircleResult circleResult = {kNoPoint, kNoPoint, 0};
    bool circleFound = false;

    // The last frame's result, in one piece.
    EdgeResult result() const;
    // Hands the working state over as the result: the end of every frame
    // does it; a caller that set the working fields itself may too.
    void publishResult();

    // Frame of the next measuring calls (the device's current buffer).
    void setFrame(const uchar *frame, int width, int height);
    const uchar *framePointer() const { return m_frame; }

    // The per-frame measuring body of the capture loop: search, extremes,
    // lines and circles every second profile, focus and distances,
    // in-position and the still-frame count.
    void processFrame(const uchar *frame, int width, int height);

    // Counter of consecutive frames whose min-X edge stood still; the device
    // points it at the machine-wide record.
    void setStillCounter(QAtomicInt *counter) { m_stillCounter = counter ? counter : &m_ownStillCounter; }
    int stillCounter() const { return m_stillCounter->loadRelaxed(); }

    // ---- profile search and contour tracing
    bool SearchProfile();
    bool trovaProfilo(POINT *p, unsigned char *prev);
    bool FindEdge(POINT start);
    bool NextContPixel(POINT *p, ContDir *dir);
    bool isPBlack(POINT p, ContDir dir = 0) const;
    void addProfile();
    void clearProfile();

    // ---- extreme points, sub-pixel edges and focus
    void RotatePoints(int k);
    void findExtremePoints(int k);
    float subPixel(POINT p, eMeasPoint kind) const;
    void subPixelMeasurePoints();
    void getFocus();
    quint8 calculateFocus(POINT p, bool vertical) const;
    // Of the last frame's result.
    bool MinXValid() const { return result().valid[EXT_MIN_X]; }
    bool MaxXValid() const { return result().valid[EXT_MAX_X]; }
    bool MinYValid() const { return result().valid[EXT_MIN_Y]; }
    bool MaxYValid() const { return result().valid[EXT_MAX_Y]; }
    POINT getPointMinX(bool fromFreeze) const { return resultPoint(EXT_MIN_X, fromFreeze); }
    POINT getPointMaxX(bool fromFreeze) const { return resultPoint(EXT_MAX_X, fromFreeze); }
    POINT getPointMinY(bool fromFreeze) const { return resultPoint(EXT_MIN_Y, fromFreeze); }
    POINT getPointMaxY(bool fromFreeze) const { return resultPoint(EXT_MAX_Y, fromFreeze); }
    float getMinX(bool fromFreeze) const;
    float getMaxX(bool fromFreeze) const;
    float getMinY(bool fromFreeze) const;
    float getMaxY(bool fromFreeze) const;
    float getMinXsub() const { return result().sub[EXT_MIN_X]; }
    float getMaxXsub() const { return result().sub[EXT_MAX_X]; }
    float getMinYsub() const { return result().sub[EXT_MIN_Y]; }
    float getMaxYsub() const { return result().sub[EXT_MAX_Y]; }
    quint8 getFocusMinX() const { return result().focus[EXT_MIN_X]; }
    quint8 getFocusMaxX() const { return result().focus[EXT_MAX_X]; }
    quint8 getFocusMinY() const { return result().focus[EXT_MIN_Y]; }
    quint8 getFocusMaxY() const { return result().focus[EXT_MAX_Y]; }
    bool isValidFrozenMinX() const { return isValidFrozen(EXT_MIN_X); }
    bool isValidFrozenMaxX() const { return isValidFrozen(EXT_MAX_X); }
    bool isValidFrozenMinY() const { return isValidFrozen(EXT_MIN_Y); }
    bool isValidFrozenMaxY() const { return isValidFrozen(EXT_MAX_Y); }
    bool validateAxisCalibration() const;
    bool NoAutoMeasure() const;

    // ---- lines, circles, freeze, in-position
    bool SearchEntities(int first, int end, float posX, float posZ);
    void searchOutcome();
    // The spindle axis (machine X 0) on the window at this frame's position:
    // a column, or a row with swapped axes.
    sLineParam referenceLine() const;
    float distPLine(POINT p, float m, float q) const;
    // Freeze requests: the result shows them at once, the search takes them
    // at its next frame (the frozen values are the capture thread's).
    void enableFreeze(bool val, int x = 0, int z = 0);
    void invalidateFrozenPoints();
    bool isFrozen() const;
    bool frozenMoved(int x, int z) const;
    bool axesInCenter(float mm, int axis, bool emitSignal);
    QPoint getIntersection() const;
    CircleResult getAutoCircle() const;

    float lineThreshold() const;
    float circleThreshold() const;

protected:
    // Notifications of the frame body; the device turns them into signals.
    virtual void foundLines(const QVector<sLineParam> &found);
    virtual void foundCircle(QPoint centre, int radius);
    virtual void axisInPosition(int axis, bool inPosition);

private:
    int value(POINT p) const;
    bool extremeValid(int e) const;
    const ExtremePoint &extremeField(int e) const;
    quint8 extremeFocus(int e) const;
    POINT resultPoint(int e, bool fromFreeze) const;
    bool isValidFrozen(int e) const;
    static void invalidateFrozen(float *mm, POINT *point);
    void invalidateWorkingFrozen();
    // Under m_resultLock: the freeze requests not yet taken by the search.
    void takeFreezeRequests();
    void noProfileOutcome();
    void inPositionStep();
    void stillFrameStep(bool haveProfiles);

    const uchar *m_frame = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_size = 0;
    int m_originX = 0;      // frame column of window x = 0
    int m_originY = 0;      // frame row of window y = 0
    POINT m_trace[kTraceLimit];

    // Capture-loop state kept across frames.
    int m_fitToggle = 0;
    float m_lastMinX = 0.0f;
    QAtomicInt m_ownStillCounter;
    QAtomicInt *m_stillCounter = &m_ownStillCounter;

    // The result handed over, and the freeze requests waiting for the search.
    mutable QMutex m_resultLock;
    EdgeResult m_result;
    bool m_freezeRequested = false;
    bool m_freezeValue = false;
    bool m_resetRequested = false;
};
