#include "camera/EdgeSearch.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "camera/GeometryFunctions.h"

namespace {

struct Offset
{
    int dx, dy;
};

// Neighbour visiting order of the tracer: row 0 is the starting neighbour,
// rows 1..8 the following ones (row 8 repeats row 0); one column per direction.
const Offset kContTable[9][8] = {
    {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}, {0, 1}, {-1, 0}, {0, -1}},
    {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}, {1, -1}, {1, 1}, {-1, 1}, {-1, -1}},
    {{0, 1}, {-1, 0}, {0, -1}, {1, 0}, {0, -1}, {1, 0}, {0, 1}, {-1, 0}},
    {{-1, 1}, {-1, -1}, {1, -1}, {1, 1}, {-1, -1}, {1, -1}, {1, 1}, {-1, 1}},
    {{-1, 0}, {0, -1}, {1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}, {0, 1}},
    {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}, {-1, 1}, {-1, -1}, {1, -1}, {1, 1}},
    {{0, -1}, {1, 0}, {0, 1}, {-1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}},
    {{1, -1}, {1, 1}, {-1, 1}, {-1, -1}, {1, 1}, {-1, 1}, {-1, -1}, {1, -1}},
    {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}, {0, 1}, {-1, 0}, {0, -1}},
};

const Offset kNeighbours[8] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};

const int kDark = 128;              // at most this value is dark
const float kFarMin = 99999999.0f;

// Running sums of a segment of contour points.
struct Sums
{
    double n = 0, x = 0, y = 0, xx = 0, yy = 0, xy = 0, xxx = 0, yyy = 0, xxy = 0, xyy = 0;

    void add(const POINT &p, double sign = 1.0)
    {
        const double px = p.x, py = p.y;
        n += sign;
        x += sign * px;
        y += sign * py;
        xx += sign * px * px;
        yy += sign * py * py;
        xy += sign * px * py;
        xxx += sign * px * px * px;
        yyy += sign * py * py * py;
        xxy += sign * px * px * py;
        xyy += sign * px * py * py;
    }
    double sxx() const { return xx - x * x / n; }
    double syy() const { return yy - y * y / n; }
    double sxy() const { return xy - x * y / n; }
};

int truncToZero(double v)
{
    return int(v);
}

}

CEdgeSearch::CEdgeSearch()
{
    std::memset(points, 0, sizeof(points));
    std::memset(rotatedPoints, 0, sizeof(rotatedPoints));
    std::memset(profiles, 0, sizeof(profiles));
    std::memset(entities, 0, sizeof(entities));
    invalidateWorkingFrozen();
    publishResult();
}

CEdgeSearch::~CEdgeSearch() = default;

void CEdgeSearch::setFrame(const uchar *frame, int width, int height)
{
    m_frame = frame;
    m_width = width;
    m_height = height;
    m_size = frame ? width * height : 0;
    m_originX = (width - 640) / 2;
    m_originY = (height - 640) / 2;
}

int CEdgeSearch::value(POINT p) const
{
    const int idx = (p.y + m_originY) * m_width + p.x + m_originX;
    if (idx < 0 || idx >= m_size)
        return 255;
    return m_frame[idx];
}

// ---------------------------------------------------------------- tracing

bool CEdgeSearch::isPBlack(POINT p, ContDir) const
{
    const int idx = (p.y + m_originY) * m_width + p.x + m_originX;
    if (idx < 0 || idx >= m_size || m_frame[idx] > kDark)
        return false;
    int dark = 0;
    for (const Offset &o : kNeighbours) {
        const int n = idx + o.dy * m_width + o.dx;
        if (n >= 0 && n < m_size && m_frame[n] < kDark)
            ++dark;
    }
    return dark >= 3;
}

bool CEdgeSearch::NextContPixel(POINT *p, ContDir *dir)
{
    if (p->x < roi.x1 || p->x >= roi.x2 - 1 || p->y < roi.y1 || p->y >= roi.y2 - 1)
        return false;
    const int d = *dir;
    bool prev = isPBlack(POINT{p->x + kContTable[0][d].dx, p->y + kContTable[0][d].dy});
    for (int row = 1; row < 9; ++row) {
        const Offset &o = kContTable[row][d];
        const POINT q{p->x + o.dx, p->y + o.dy};
        const bool cur = isPBlack(q);
        if (!prev && cur) {
            int index;
            if (o.dy >= 0)
                index = o.dx >= 0 ? 0 : 1;
            else
                index = o.dx >= 0 ? 2 : 3;
            *dir = passDirTable[tracePass ? 1 : 0][index];
            *p = q;
            return true;
        }
        prev = cur;
    }
    return false;
}

bool CEdgeSearch::FindEdge(POINT start)
{
    int n = 0;
    contourDir = 2;
    tracePass = false;
    POINT p = start;
    while (n < kTraceLimit && NextContPixel(&p, &contourDir))
        m_trace[n++] = p;

    tracePass = true;
    contourDir = 6;
    if (n <= 20) {
        // Too short one way round: trace the other turning sense from the start.
        p = start;
        while (n < kTraceLimit && NextContPixel(&p, &contourDir))
            m_trace[n++] = p;
        if (n <= 20)
            return false;
    }

    if (pointCount + n > kPointLimit || profileCount > kMaxProfiles - 1)
        return false;
    ProfileRecord &rec = profiles[profileCount];
    std::memset(&rec, 0, sizeof(rec));
    rec.first = pointCount;
    std::memcpy(points + pointCount, m_trace, size_t(n) * sizeof(POINT));
    pointCount += n;
    rec.end = pointCount;
    ++profileCount;
    return true;
}

bool CEdgeSearch::trovaProfilo(POINT *p, unsigned char *prev)
{
    const int idx = (p->y + m_originY) * m_width + p->x + m_originX;
    if (idx < 0 || idx >= m_size) {
        *prev = 255;
        return false;
    }
    const unsigned char v = m_frame[idx];
    // A pixel of exactly 128 is dark to the tracer; refusing it here would
    // start the trace at the next pixel, inside the silhouette, and lose it.
    if (v > kDark || *prev < 128 || !isPBlack(*p) || !FindEdge(*p)) {
        *prev = v;
        return false;
    }
    return true;
}

bool CEdgeSearch::SearchProfile()
{
    pointCount = 0;
    profileCount = 0;
    if (scanline != 0 || !m_frame)
        return false;

    const int x1 = roi.x1, y1 = roi.y1, x2 = roi.x2, y2 = roi.y2;
    const int skip = 6;
    bool found = false;
    unsigned char prev;

    // Bottom border, left to right.
    prev = uchar(value(POINT{x1 + 2, y2 - 2}));
    for (int x = x1 + 1; x <= x2 - 2; ++x) {
        POINT p{x, y2 - 2};
        if (trovaProfilo(&p, &prev)) {
            found = true;
            x += skip;
        }
    }
    // Right border, bottom to top.
    prev = uchar(value(POINT{x2 - 2, y2 - 2}));
    for (int y = y2 - 1; y >= y1 + 2; --y) {
        POINT p{x2 - 2, y};
        if (trovaProfilo(&p, &prev)) {
            found = true;
            y -= skip;
        }
    }
    // Top border, right to left.
    prev = uchar(value(POINT{x2 - 2, y1 + 2}));
    for (int x = x2 - 1; x >= x1 + 2; --x) {
        POINT p{x, y1 + 2};
        if (trovaProfilo(&p, &prev)) {
            found = true;
            x -= skip;
        }
    }
    // Left border, top to bottom.
    prev = uchar(value(POINT{x1 + 2, y1 + 2}));
    for (int y = y1 + 1; y <= y2 - 3; ++y) {
        POINT p{x1 + 2, y};
        if (trovaProfilo(&p, &prev)) {
            found = true;
            y += skip;
        }
    }

    if (!found) {
        for (int &e : extremeIndex)
            e = kNone;
    }
    return found;
}

void CEdgeSearch::addProfile()
{
    if (sensorMode == 1) {
        if (!m_frame)
            return;
        for (int x = roi.x1; x < roi.x2; ++x)
            for (int y = roi.y1; y < roi.y2; ++y) {
                const int idx = (y + m_originY) * m_width + x + m_originX;
                if (idx >= 0 && idx < m_size && m_frame[idx] < 128)
                    storedProfile.append(QPoint(x, y));
            }
        return;
    }
    // The contours of the last frame handed over: the working points belong
    // to the capture thread.
    const QVector<QPoint> contour = result().contour;
    for (const QPoint &p : contour)
        storedProfile.append(p);
}

void CEdgeSearch::clearProfile()
{
    storedProfile.clear();
}

// ------------------------------------------------- extremes and sub-pixel

void CEdgeSearch::RotatePoints(int k)
{
    const float a = float(cameraAngle * 3.141592654 / 180.0);
    const float c = std::cos(a), s = std::sin(a);
    for (int i = profiles[k].first; i < profiles[k].end; ++i) {
        const POINT &p = points[i];
        rotatedPoints[i].x = int(std::floor(p.x * c - p.y * s + 0.5f));
        rotatedPoints[i].y = int(std::floor(p.x * s + p.y * c + 0.5f));
    }
}

void CEdgeSearch::findExtremePoints(int k)
{
    ProfileRecord &rec = profiles[k];
    const bool rotated = rotation;
    const POINT *src = rotated ? rotatedPoints : points;
    if (rec.end <= rec.first)
        return;
    const POINT p0 = src[rec.first];
    POINT cur[4] = {{int(kFarMin), p0.y}, {-int(kFarMin), p0.y}, {p0.x, int(kFarMin)}, {p0.x, -int(kFarMin)}};
    for (int e = 0; e < 4; ++e) {
        rec.ext[e].point = cur[e];
        rec.ext[e].valid = false;
    }
    if (k == 0) {
        for (int &e : extremeIndex)
            e = kNone;
    }
    auto moreExtreme = [](int e, const POINT &a, const POINT &b) {
        switch (e) {
        case EXT_MIN_X: return a.x < b.x;
        case EXT_MAX_X: return a.x > b.x;
        case EXT_MIN_Y: return a.y < b.y;
        default: return a.y > b.y;
        }
    };
    // Frame-wide choice: the most extreme valid point over all profiles so
    // far, the earlier profile on a tie.
    auto choose = [&](int e) {
        if (rec.ext[e].valid
            && (extremeIndex[e] == kNone
                || moreExtreme(e, rec.ext[e].point, profiles[extremeIndex[e]].ext[e].point)))
            extremeIndex[e] = k;
    };

    if (rotated) {
        // Rotated points: no sub-pixel tie-breaks, every point counts as valid.
        for (int i = rec.first; i < rec.end; ++i) {
            const POINT &p = src[i];
            if (p.x < cur[EXT_MIN_X].x) cur[EXT_MIN_X] = p;
            if (p.x > cur[EXT_MAX_X].x) cur[EXT_MAX_X] = p;
            if (p.y < cur[EXT_MIN_Y].y) cur[EXT_MIN_Y] = p;
            if (p.y > cur[EXT_MAX_Y].y) cur[EXT_MAX_Y] = p;
        }
        for (int e = 0; e < 4; ++e) {
            rec.ext[e].point = cur[e];
            rec.ext[e].valid = true;
        }
        // The max-Y point is not chosen for rotated points.
        choose(EXT_MIN_X);
        choose(EXT_MAX_X);
        choose(EXT_MIN_Y);
        return;
    }

    for (int i = rec.first; i < rec.end; ++i) {
        const POINT &p = points[i];
        POINT &mnx = rec.ext[EXT_MIN_X].point, &mxx = rec.ext[EXT_MAX_X].point;
        POINT &mny = rec.ext[EXT_MIN_Y].point, &mxy = rec.ext[EXT_MAX_Y].point;
        if (p.x < mnx.x || (p.x == mnx.x && subPixel(p, MP_MIN_X) < subPixel(mnx, MP_MIN_X)))
            mnx = p;
        if (p.x > mxx.x || (p.x == mxx.x && subPixel(p, MP_MAX_X) > subPixel(mxx, MP_MAX_X)))
            mxx = p;
        if (p.y < mny.y || (p.y == mny.y && subPixel(p, MP_MIN_Y) < subPixel(mny, MP_MIN_Y)))
            mny = p;
        if (p.y > mxy.y || (p.y == mxy.y && subPixel(p, MP_MAX_Y) > subPixel(mxy, MP_MAX_Y)))
            mxy = p;

        rec.ext[EXT_MIN_X].valid = roi.x1 + 4 < mnx.x && mnx.x < roi.x2 - 4;
        rec.ext[EXT_MAX_X].valid = roi.x1 + 4 < mxx.x && mxx.x < roi.x2 - 4;
        rec.ext[EXT_MIN_Y].valid = roi.y1 + 4 < mny.y && mny.y < roi.y2 - 4;
        rec.ext[EXT_MAX_Y].valid = roi.y1 + 4 < mxy.y && mxy.y < roi.y2 - 4;
    }
    for (int e = 0; e < 4; ++e)
        choose(e);
}

float CEdgeSearch::subPixel(POINT p, eMeasPoint kind) const
{
    const int c = value(p);
    POINT np = p;
    switch (kind) {
    case MP_MIN_X: np.x -= 1; break;
    case MP_MIN_Y: np.y -= 1; break;
    case MP_MAX_X: np.x += 1; break;
    case MP_MAX_Y: np.y += 1; break;
    }
    const int n = value(np);
    if (n == c)
        return 0.0f;
    const float a = float(127 - c);
    const float b = float(n - 128);
    const float d = float(std::abs(n - c));
    if (kind == MP_MIN_X || kind == MP_MIN_Y)
        return a < b ? 0.5f - a / d : b / d - 0.5f;
    return a < b ? a / d - 0.5f : 0.5f - b / d;
}

void CEdgeSearch::subPixelMeasurePoints()
{
    // A rotated point is no pixel of the frame: its grey values say nothing
    // about the edge, so it gets no correction.
    const bool rotated = rotation && cameraAngle != 0.0f;
    static const eMeasPoint kinds[4] = {MP_MIN_X, MP_MAX_X, MP_MIN_Y, MP_MAX_Y};
    for (int e = 0; e < 4; ++e) {
        const int k = extremeIndex[e];
        if (k == kNone)
            continue;
        ExtremePoint &ep = profiles[k].ext[e];
        if (!ep.valid && !frozen)
            continue;
        ep.sub = rotated ? 0.0f : subPixel(ep.point, kinds[e]);
        if (e == EXT_MIN_X || e == EXT_MAX_X)
            ep.mm = (ep.sub + float(ep.point.x - 320)) * XCalibration;
        else
            ep.mm = (ep.sub + float(ep.point.y - 320)) * ZCalibration;
        if (!frozen)
            continue;
        switch (e) {
        case EXT_MIN_X:
            if (ep.mm < frozenMinX) { frozenMinX = ep.mm; frozenPoint[e] = ep.point; }
            break;
        case EXT_MAX_X:
            if (ep.mm > frozenMaxX) { frozenMaxX = ep.mm; frozenPoint[e] = ep.point; }
            break;
        case EXT_MIN_Y:
            if (ep.mm < frozenMinY) { frozenMinY = ep.mm; frozenPoint[e] = ep.point; }
            break;
        case EXT_MAX_Y:
            if (ep.mm > frozenMaxY) { frozenMaxY = ep.mm; frozenPoint[e] = ep.point; }
            break;
        }
    }
}

quint8 CEdgeSearch::calculateFocus(POINT p, bool vertical) const
{
    int count = 0;
    for (int o = -10; o <= 10; ++o) {
        const POINT q = vertical ? POINT{p.x, p.y + o} : POINT{p.x + o, p.y};
        const int v = value(q);
        if (BlackLevel < v && v < WhiteLevel)
            ++count;
    }
    return quint8(110 - 5 * count);
}

void CEdgeSearch::getFocus()
{
    for (int k = 0; k < profileCount; ++k) {
        ProfileRecord &rec = profiles[k];
        const POINT &mnx = rec.ext[EXT_MIN_X].point, &mxx = rec.ext[EXT_MAX_X].point;
        const POINT &mny = rec.ext[EXT_MIN_Y].point, &mxy = rec.ext[EXT_MAX_Y].point;
        rec.focus[EXT_MIN_X] = mnx.x > roi.x1 + 10 ? calculateFocus(mnx, false) : 0;
        rec.focus[EXT_MAX_X] = mxx.x < roi.x2 - 10 ? calculateFocus(mxx, false) : 0;
        rec.focus[EXT_MIN_Y] = mny.y > roi.y1 ? calculateFocus(mny, true) : 0;
        rec.focus[EXT_MAX_Y] = mxy.y < roi.y2 - 10 ? calculateFocus(mxy, true) : 0;
    }
}

bool CEdgeSearch::extremeValid(int e) const
{
    const int k = extremeIndex[e];
    if (k == kNone)
        return false;
    return profiles[k].ext[e].valid || frozen;
}

POINT CEdgeSearch::resultPoint(int e, bool fromFreeze) const
{
    const EdgeResult r = result();
    return fromFreeze ? r.frozenPoint[e] : r.point[e];
}

const ExtremePoint &CEdgeSearch::extremeField(int e) const
{
    const int k = extremeIndex[e];
    return profiles[k == kNone ? 0 : k].ext[e];
}

quint8 CEdgeSearch::extremeFocus(int e) const
{
    const int k = extremeIndex[e];
    if (k == kNone || (!profiles[k].ext[e].valid && !frozen))
        return 0;
    return profiles[k].focus[e];
}

bool CEdgeSearch::isValidFrozen(int e) const
{
    const POINT p = result().frozenPoint[e];
    return !(p.x == 0 && p.y == 0);
}

namespace {
float pick(const EdgeResult &r, int e, bool fromFreeze)
{
    return fromFreeze ? r.frozenMm[e] : r.mm[e];
}
}

float CEdgeSearch::getMinX(bool fromFreeze) const { return pick(result(), EXT_MIN_X, fromFreeze); }
float CEdgeSearch::getMaxX(bool fromFreeze) const { return pick(result(), EXT_MAX_X, fromFreeze); }
float CEdgeSearch::getMinY(bool fromFreeze) const { return pick(result(), EXT_MIN_Y, fromFreeze); }
float CEdgeSearch::getMaxY(bool fromFreeze) const { return pick(result(), EXT_MAX_Y, fromFreeze); }

bool CEdgeSearch::validateAxisCalibration() const
{
    return XCalibration >= 0.005f && XCalibration <= 0.015f
        && ZCalibration >= 0.005f && ZCalibration <= 0.015f;
}

bool CEdgeSearch::NoAutoMeasure() const
{
    return sensorMode == 0 && measureLines && result().noExtremes;
}

// ------------------------------------------------------ lines and circles

float CEdgeSearch::lineThreshold() const
{
    return MSE < 99 ? float(MSE) / 100.0f : 500.0f;
}

float CEdgeSearch::circleThreshold() const
{
    return MSEC < 99 ? float(MSEC) / 100.0f : 500.0f;
}

float CEdgeSearch::distPLine(POINT p, float m, float q) const
{
    if (isColumnSlope(m))
        return std::fabs(float(p.x) - q);
    if (m == 0.0f)
        return std::fabs(float(p.y) - q);
    return std::fabs(m * float(p.x) - float(p.y) + q) / std::sqrt(m * m + 1.0f);
}

bool CEdgeSearch::SearchEntities(int first, int end, float framePosX, float framePosZ)
{
    entityCount = 0;
    const int s = quint8(PointStep);
    if (!Geometry || end + 1 <= first || s == 0)
        return false;
    if (first < 0 || end >= kMaxPoints)
        return false;

    const float lineThr = lineThreshold();
    const float circThr = circleThreshold();
    const double inf = std::numeric_limits<double>::infinity();

    Sums sum;
    int o = first;              // origin of the circle error sum
    int segFirst = first;       // first point in the sums
    double prevLineErr = 0, prevCircErr = 0, prevA = 0, prevB = 0, prevR = 0;

    auto storeEntity = [&](Entity &e) -> Entity & {
        e.posX = framePosX;
        e.posZ = framePosZ;
        entityCount = qMin(entityCount + 1, int(kReportedEntities));
        return e;
    };

    for (int i = first; i <= end; i += s) {
        sum.add(points[i]);
        const double n = sum.n;
        const double sxx = sum.sxx(), syy = sum.syy(), sxy = sum.sxy();

        double lineErr = 0;
        if (n >= 3) {
            if (std::fabs(sxx) <= std::fabs(syy))
                lineErr = syy == 0 ? 0 : (sxx - sxy * sxy / syy) / n;
            else
                lineErr = (syy - sxy * sxy / sxx) / n;
        }

        double a = 0, b = 0, r = 0, circErr = 0;
        const double den = sxx == 0 ? 0 : syy - sxy * sxy / sxx;
        const bool degenerate = sxx == 0 || den == 0;
        if (!degenerate) {
            const double A = (sum.xyy - sum.x * sum.yy / n) + (sum.xxx - sum.x * sum.xx / n);
            const double B = (sum.yyy - sum.y * sum.yy / n) + (sum.xxy - sum.y * sum.xx / n);
            b = (B - (sxy / sxx) * A) / (2 * den);
            a = (A - 2 * b * sxy) / (2 * sxx);
            r = std::sqrt(a * a + b * b + (sum.xx + sum.yy - 2 * a * sum.x - 2 * b * sum.y) / n);
        }
        if (n >= 5) {
            if (degenerate || !std::isfinite(r)) {
                // Points on one line or column: no circle through them.
                circErr = inf;
            } else {
                for (int j = o; j < i; j += s) {
                    const double dx = points[j].x - a, dy = points[j].y - b;
                    const double d = r - std::sqrt(dx * dx + dy * dy);
                    circErr += d * d;
                }
                circErr /= n;
            }
        }

        const bool lastStep = i >= end + 1 - s;
        if (!(lineErr > lineThr && circErr > circThr) && !lastStep) {
            prevLineErr = lineErr;
            prevCircErr = circErr;
            prevA = a;
            prevB = b;
            prevR = r;
            continue;
        }

        // Close the segment: points segFirst .. i - s form the fit.
        const float al = lineThr - float(prevLineErr);
        const float ac = circThr - float(prevCircErr);
        const int fitPoints = int(n) - 1;
        bool asCircle = false, asLine = false;
        if (al < 0 && ac < 0) {
        } else if (al < 0) {
            asCircle = true;
        } else if (ac < 0) {
            asLine = true;
        } else if (ac >= al) {
            asCircle = true;
        } else {
            asLine = true;
        }
        if (asCircle && (n * s < MinCircleLenght || fitPoints < 5 || !std::isfinite(prevR)))
            asCircle = false;
        if (asLine && (n * s < MinLineLenght || fitPoints < 3))
            asLine = false;

        if (asLine) {
            Sums fit = sum;
            fit.add(points[i], -1.0);
            const double fn = fit.n;
            const double fxx = fit.sxx(), fyy = fit.syy(), fxy = fit.sxy();
            double m, q;
            bool vertical = false;
            if (std::fabs(fyy) < std::fabs(fxx)) {
                m = fxy / fxx;
                q = (fit.y - m * fit.x) / fn;
            } else {
                const double mp = fxy / fyy;
                const double qp = (fit.x - mp * fit.y) / fn;
                vertical = !(std::fabs(mp) >= 0.002) || isColumnSlope(1.0 / mp);
                m = vertical ? double(kColumnSlope) : 1.0 / mp;
                q = vertical ? qp : -qp / mp;
            }
            Entity &e = entities[entityCount];
            e.type = 0;
            e.startIndex = qMax(i - int(n) * s, first);
            e.startPoint = points[e.startIndex];
            int L = (int(n) - 1) * s;
            do {
                if (L < MinLineLenght || i - s < segFirst)
                    break;
                i -= s;
                L -= s;
            } while (distPLine(points[i], float(m), float(q)) > 1.0f);
            e.endIndex = i;
            e.endPoint = points[i];
            if (vertical) {
                q -= 1;
            } else if (std::fabs(m) <= 0.002) {
                m = 0;
            }
            e.m = float(m);
            e.q = float(q);
            e.radius = 0;
            e.centerX = e.centerY = 0;
            storeEntity(e);
            o = i;
        } else if (asCircle) {
            Entity &e = entities[entityCount];
            e.type = 1;
            e.startIndex = qMax(i - (int(n) + 1) * s, first);
            e.startPoint = points[e.startIndex];
            e.centerX = truncToZero(prevA);
            e.centerY = truncToZero(prevB);
            int L = int(n) * s;
            auto off = [&](int j) {
                const double dx = points[j].x - prevA, dy = points[j].y - prevB;
                return std::fabs(std::sqrt(dx * dx + dy * dy) - prevR);
            };
            do {
                if (L < MinCircleLenght || i - s < segFirst)
                    break;
                i -= s;
                L -= s;
            } while (off(i) > 1.0);
            e.endIndex = i;
            e.endPoint = points[i];
            e.radius = float(prevR);
            e.m = e.q = 0;
            storeEntity(e);
            o = i;
        } else {
            // Nothing kept: the next segment measures its error from here.
            o = i;
        }

        sum = Sums();
        prevLineErr = prevCircErr = prevA = prevB = prevR = 0;
        segFirst = i + s;
    }
    return entityCount != 0;
}

void CEdgeSearch::searchOutcome()
{
    QVector<sLineParam> found;
    const QPoint none(kNoPoint, kNoPoint);
    if (entityCount == 0) {
        circleResult = {kNoPoint, kNoPoint, 0};
        foundCircle(none, 0);
    } else {
        for (int k = 0; k < entityCount; ++k) {
            const Entity &e = entities[k];
            if (e.type == 1) {
                if (!circleFound) {
                    const int r = int(std::lround(e.radius));
                    circleResult = {e.centerX, e.centerY, r};
                    foundCircle(QPoint(e.centerX, e.centerY), r);
                    circleFound = true;
                }
            } else if (found.size() < 2) {
                found.append(sLineParam{e.m, e.q, false});
            }
        }
        if (found.size() == 1 && XCalibration > 0.0f)
            found.append(referenceLine());
        if (!circleFound) {
            foundCircle(none, 0);
            circleResult = {kNoPoint, kNoPoint, 0};
        }
    }
    QPoint inter = none;
    if (found.size() == 2) {
        inter = CalculateIntersection(found);
        if (inter == none)
            found.removeLast();
    }
    lines = found;
    intersection = inter;
    foundLines(found);
}

sLineParam CEdgeSearch::referenceLine() const
{
    const CameraAxes &axes = machineAxes;
    const QPointF axis = axes.onPictureOf(QPointF(posX, posZ), QPointF(0, posZ)) / double(XCalibration);
    if (axes.swapXZ)
        return sLineParam{0.0f, float(320 - axis.y()), true};
    return sLineParam{kColumnSlope, float(320 + axis.x()), true};
}

void CEdgeSearch::enableFreeze(bool val, int x, int z)
{
    freezeRef = {x, z};
    QMutexLocker lock(&m_resultLock);
    m_freezeRequested = true;
    m_freezeValue = val;
    m_result.frozen = val;
    invalidateFrozen(m_result.frozenMm, m_result.frozenPoint);
}

void CEdgeSearch::invalidateFrozenPoints()
{
    QMutexLocker lock(&m_resultLock);
    m_resetRequested = true;
    invalidateFrozen(m_result.frozenMm, m_result.frozenPoint);
}

// Max values start below, min values above anything measured; (0, 0) marks
// a point not held. `mm` and `point` in the order EXT_MIN_X .. EXT_MAX_Y.
void CEdgeSearch::invalidateFrozen(float *mm, POINT *point)
{
    for (int e = 0; e < 4; ++e) {
        point[e] = POINT{0, 0};
        mm[e] = (e == EXT_MIN_X || e == EXT_MIN_Y) ? float(-kNoPoint) : float(kNoPoint);
    }
}

void CEdgeSearch::invalidateWorkingFrozen()
{
    float mm[4];
    invalidateFrozen(mm, frozenPoint);
    frozenMinX = mm[EXT_MIN_X];
    frozenMaxX = mm[EXT_MAX_X];
    frozenMinY = mm[EXT_MIN_Y];
    frozenMaxY = mm[EXT_MAX_Y];
}

void CEdgeSearch::takeFreezeRequests()
{
    if (m_freezeRequested || m_resetRequested)
        invalidateWorkingFrozen();
    if (m_freezeRequested)
        frozen = m_freezeValue;
    m_freezeRequested = m_resetRequested = false;
}

bool CEdgeSearch::isFrozen() const
{
    QMutexLocker lock(&m_resultLock);
    return m_result.frozen;
}

QPoint CEdgeSearch::getIntersection() const
{
    QMutexLocker lock(&m_resultLock);
    return m_result.intersection;
}

CircleResult CEdgeSearch::getAutoCircle() const
{
    QMutexLocker lock(&m_resultLock);
    return m_result.circle;
}

EdgeResult CEdgeSearch::result() const
{
    QMutexLocker lock(&m_resultLock);
    return m_result;
}

void CEdgeSearch::publishResult()
{
    EdgeResult r;
    QMutexLocker lock(&m_resultLock);
    // A request made during this frame applies to what is handed over.
    takeFreezeRequests();
    r.profileCount = profileCount;
    r.noExtremes = true;
    for (int e = 0; e < 4; ++e) {
        r.noExtremes = r.noExtremes && extremeIndex[e] == kNone;
        r.valid[e] = extremeValid(e);
        const ExtremePoint &ep = extremeField(e);
        r.point[e] = ep.point;
        r.mm[e] = ep.mm;
        r.sub[e] = ep.sub;
        r.focus[e] = extremeFocus(e);
        r.frozenPoint[e] = frozenPoint[e];
    }
    r.frozen = frozen;
    r.frozenMm[EXT_MIN_X] = frozenMinX;
    r.frozenMm[EXT_MAX_X] = frozenMaxX;
    r.frozenMm[EXT_MIN_Y] = frozenMinY;
    r.frozenMm[EXT_MAX_Y] = frozenMaxY;
    r.intersection = intersection;
    r.crossingOnAxis = lines.size() == 2 && lines[1].isReference;
    r.circle = circleResult;
    r.entities.reserve(entityCount);
    for (int i = 0; i < entityCount && i < kMaxEntities; ++i)
        r.entities.append(entities[i]);
    for (int k = 0; k < profileCount && k < kMaxProfiles; ++k)
        for (int i = qMax(profiles[k].first, 0); i < profiles[k].end && i < kMaxPoints; ++i)
            r.contour.append(QPoint(points[i].x, points[i].y));
    m_result = std::move(r);
}

bool CEdgeSearch::frozenMoved(int x, int z) const
{
    return std::abs(x - freezeRef.x) > 5 || std::abs(z - freezeRef.z) > 5;
}

bool CEdgeSearch::axesInCenter(float mm, int axis, bool emitSignal)
{
    if (profileCount == 0)
        return false;
    const int v = int(mm * 1000.0f);
    const bool inPos = v == 0;
    if (emitSignal)
        axisInPosition(axis, inPos);
    return inPos;
}

void CEdgeSearch::foundLines(const QVector<sLineParam> &) {}
void CEdgeSearch::foundCircle(QPoint, int) {}
void CEdgeSearch::axisInPosition(int, bool) {}

// ------------------------------------------------------------ frame body

void CEdgeSearch::noProfileOutcome()
{
    lines.clear();
    intersection = QPoint(kNoPoint, kNoPoint);
    circleFound = false;
    circleResult = {kNoPoint, kNoPoint, 0};
    foundLines(QVector<sLineParam>());
    foundCircle(QPoint(kNoPoint, kNoPoint), 0);
}

void CEdgeSearch::processFrame(const uchar *frame, int width, int height)
{
    {
        QMutexLocker lock(&m_resultLock);
        takeFreezeRequests();
    }
    setFrame(frame, width, height);
    bool haveProfiles = false;
    if (sensorMode == 1 || !SearchProfile()) {
        noProfileOutcome();
    } else {
        haveProfiles = true;
        lines.clear();
        circleFound = false;
        for (int k = 0; k < profileCount; ++k) {
            if (rotation)
                RotatePoints(k);
            findExtremePoints(k);
            profiles[k].posX = posX;
            profiles[k].posZ = posZ;
            m_fitToggle = (m_fitToggle + 1) % 2;
            if (Geometry && m_fitToggle == 0) {
                // The last index of the profile: the point after it belongs
                // to another contour or to an older frame.
                SearchEntities(profiles[k].first, profiles[k].end - 1, posX, posZ);
                searchOutcome();
            }
        }
        getFocus();
        subPixelMeasurePoints();
    }
    if (inPositionMode && sensorMode == 0)
        inPositionStep();
    stillFrameStep(haveProfiles);
    publishResult();
}

void CEdgeSearch::inPositionStep()
{
    auto pick = [this](int lo, int hi, float lov, float hiv) -> int {
        const bool useLo = extremeValid(lo), useHi = extremeValid(hi);
        if (useLo && useHi)
            return std::fabs(hiv) < std::fabs(lov) ? hi : lo;
        return useLo ? lo : (useHi ? hi : kNone);
    };
    auto mmOf = [this](int e) {
        const int k = extremeIndex[e];
        return k == kNone ? 0.0f : profiles[k].ext[e].mm;
    };
    const int x = pick(EXT_MIN_X, EXT_MAX_X, mmOf(EXT_MIN_X), mmOf(EXT_MAX_X));
    if (x != kNone)
        axesInCenter(mmOf(x), 0, true);
    const int z = pick(EXT_MIN_Y, EXT_MAX_Y, mmOf(EXT_MIN_Y), mmOf(EXT_MAX_Y));
    if (z != kNone)
        axesInCenter(mmOf(z), 1, true);
}

void CEdgeSearch::stillFrameStep(bool haveProfiles)
{
    // Without a min-X edge in this frame nothing can be said to stand still.
    if (!haveProfiles || !extremeValid(EXT_MIN_X)) {
        m_stillCounter->storeRelaxed(0);
        return;
    }
    const float d = profiles[extremeIndex[EXT_MIN_X]].ext[EXT_MIN_X].mm;
    if (std::fabs(d - m_lastMinX) < 0.001f)
        m_stillCounter->fetchAndAddRelaxed(1);
    else
        m_stillCounter->storeRelaxed(0);
    m_lastMinX = d;
}
