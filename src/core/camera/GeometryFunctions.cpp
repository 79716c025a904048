#include "camera/GeometryFunctions.h"

#include <cmath>

namespace {
const QPoint kNone(kNoPoint, kNoPoint);
}

QPoint lineCrossing(const sLineParam &a, const sLineParam &b, double parallelBelow)
{
    const double m1 = a.m, q1 = a.q, m2 = b.m, q2 = b.q;
    const bool column1 = isColumnSlope(m1), column2 = isColumnSlope(m2);
    if (std::fabs(m1 - m2) < parallelBelow || (column1 && column2))
        return kNone;
    const double x = column1 ? q1 : column2 ? q2 : (q1 - q2) / (m2 - m1);
    // The row on the flatter line at the unrounded column: on a steep line
    // the column's rounding would move it by up to half the slope.
    const bool onSecond = column1 || (!column2 && std::fabs(m2) < std::fabs(m1));
    const sLineParam &flat = onSecond ? b : a;
    const double y = flat.m == kRowMark ? flat.q : flat.m * x + flat.q;
    if (!(std::fabs(x) < 1e9 && std::fabs(y) < 1e9))
        return kNone;
    return QPoint(int(std::lround(x)), int(std::lround(y)));
}

QPoint CalculateIntersection(QVector<sLineParam> lines)
{
    const QPoint p = lines.size() == 2 ? lineCrossing(lines[0], lines[1], 0.01) : kNone;
    return p == kNone ? p : QPoint(p.x() - 320, 320 - p.y());
}

float circle_5p(QList<QPointF> points)
{
    const int n = points.size();
    if (n < 5)
        return 0.0f;
    long double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, sxxx = 0, syyy = 0, sxxy = 0, sxyy = 0;
    for (const QPointF &p : points) {
        const long double x = p.x(), y = p.y();
        sx += x;
        sy += y;
        sxx += x * x;
        syy += y * y;
        sxy += x * y;
        sxxx += x * x * x;
        syyy += y * y * y;
        sxxy += x * x * y;
        sxyy += x * y * y;
    }
    const long double cxx = sxx - sx * sx / n;
    const long double cyy = syy - sy * sy / n;
    const long double cxy = sxy - sx * sy / n;
    const long double rx = sxxx + sxyy - sx * (sxx + syy) / n;
    const long double ry = syyy + sxxy - sy * (sxx + syy) / n;

    // Repeated points, points on one column or on one line leave no circle:
    // the divisors vanish (up to rounding of the sums).
    const long double spread = cxx + cyy;
    if (!(spread > 0) || cxx <= spread * 1e-12L)
        return 0.0f;
    const long double den = cyy - cxy * cxy / cxx;
    if (den <= spread * 1e-12L)
        return 0.0f;

    const long double b = (ry - (cxy / cxx) * rx) / (2 * den);
    const long double a = (rx - 2 * cxy * b) / (2 * cxx);
    const float r2 = float((sxx + syy - 2 * a * sx - 2 * b * sy) / n + a * a + b * b);
    if (!std::isfinite(r2) || r2 < 0)
        return 0.0f;
    const float r = std::sqrt(r2);

    long double e = 0;
    for (const QPointF &p : points) {
        const long double dx = p.x() - a, dy = p.y() - b;
        const long double d = r - std::sqrt(dx * dx + dy * dy);
        e += d * d;
    }
    e /= n;
    if (!std::isfinite(double(e)) || e > 0.5L || r > 9999.0f)
        return 0.0f;
    return r;
}

float line_2p(QList<QPointF> points)
{
    if (points.size() < 2)
        return 0.0f;
    const double x0 = points[0].x(), y0 = points[0].y();
    const double x1 = points[1].x(), y1 = points[1].y();
    if (x0 == x1)
        return y0 <= y1 ? 90.0f : -90.0f;
    float angle = float(std::atan((y0 - y1) / (x1 - x0)) * 180.0 / 3.141592654);
    if (x0 < x1) {
        angle += 180.0f;
        if (angle > 180.0f)
            angle -= 360.0f;
    }
    return angle;
}
