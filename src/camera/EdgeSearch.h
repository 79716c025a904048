#pragma once

#include <QAtomicInt>
#include <QPoint>
#include <QPolygon>
#include <QVector>

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

// The measuring done on every camera frame: profile search and contour
// tracing, extreme points with sub-pixel edges and focus, line and circle
// search, freeze, in-position and still-frame counting. It works on a grey
// frame (one byte per pixel, rows of `width` bytes) whose central 640 x 640
// pixels form the measuring window. Results are plain public fields that the
// GUI reads without a lock; notifications go through the virtual hooks.
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
    static const int kNoValue = -999999;

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
    QPoint intersection = QPoint(kNoValue, kNoValue);
    CircleResult circleResult = {kNoValue, kNoValue, 0};
    bool circleFound = false;

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
    bool MinXValid() const { return extremeValid(EXT_MIN_X); }
    bool MaxXValid() const { return extremeValid(EXT_MAX_X); }
    bool MinYValid() const { return extremeValid(EXT_MIN_Y); }
    bool MaxYValid() const { return extremeValid(EXT_MAX_Y); }
    POINT getPointMinX(bool fromFreeze) const { return extremePoint(EXT_MIN_X, fromFreeze); }
    POINT getPointMaxX(bool fromFreeze) const { return extremePoint(EXT_MAX_X, fromFreeze); }
    POINT getPointMinY(bool fromFreeze) const { return extremePoint(EXT_MIN_Y, fromFreeze); }
    POINT getPointMaxY(bool fromFreeze) const { return extremePoint(EXT_MAX_Y, fromFreeze); }
    float getMinX(bool fromFreeze) const;
    float getMaxX(bool fromFreeze) const;
    float getMinY(bool fromFreeze) const;
    float getMaxY(bool fromFreeze) const;
    float getMinXsub() const { return extremeField(EXT_MIN_X).sub; }
    float getMaxXsub() const { return extremeField(EXT_MAX_X).sub; }
    float getMinYsub() const { return extremeField(EXT_MIN_Y).sub; }
    float getMaxYsub() const { return extremeField(EXT_MAX_Y).sub; }
    quint8 getFocusMinX() const { return extremeFocus(EXT_MIN_X); }
    quint8 getFocusMaxX() const { return extremeFocus(EXT_MAX_X); }
    quint8 getFocusMinY() const { return extremeFocus(EXT_MIN_Y); }
    quint8 getFocusMaxY() const { return extremeFocus(EXT_MAX_Y); }
    bool isValidFrozenMinX() const { return isValidFrozen(EXT_MIN_X); }
    bool isValidFrozenMaxX() const { return isValidFrozen(EXT_MAX_X); }
    bool isValidFrozenMinY() const { return isValidFrozen(EXT_MIN_Y); }
    bool isValidFrozenMaxY() const { return isValidFrozen(EXT_MAX_Y); }
    bool validateAxisCalibration() const;
    bool NoAutoMeasure() const;

    // ---- lines, circles, freeze, in-position
    bool SearchEntities(int first, int end, float posX, float posZ);
    void searchOutcome();
    float distPLine(POINT p, float m, float q) const;
    void enableFreeze(bool val, int x = 0, int z = 0);
    void invalidateFrozenPoints();
    bool isFrozen() const { return frozen; }
    bool frozenMoved(int x, int z) const;
    bool axesInCenter(float mm, int axis, bool emitSignal);
    QPoint getIntersection() const { return intersection; }
    CircleResult getAutoCircle() const { return circleResult; }

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
    POINT extremePoint(int e, bool fromFreeze) const;
    const ExtremePoint &extremeField(int e) const;
    quint8 extremeFocus(int e) const;
    bool isValidFrozen(int e) const;
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
};
