// Rendering whole frames pixel by pixel is slow without optimisation, and
// every vision test renders dozens of them.
#pragma GCC optimize("O2")

#include "support/SyntheticScene.h"

#include <algorithm>
#include <cmath>

namespace {

typedef QVector<QPointF> Poly;

// Sutherland-Hodgman: keeps the part of poly where (p - a) . n >= 0.
Poly clipHalf(const Poly &poly, QPointF a, QPointF n)
{
    Poly out;
    const int count = poly.size();
    if (count == 0)
        return out;
    auto side = [&](const QPointF &p) { return (p.x() - a.x()) * n.x() + (p.y() - a.y()) * n.y(); };
    for (int i = 0; i < count; ++i) {
        const QPointF &cur = poly[i];
        const QPointF &nxt = poly[(i + 1) % count];
        const double sc = side(cur), sn = side(nxt);
        if (sc >= 0)
            out.append(cur);
        if ((sc >= 0) != (sn >= 0)) {
            const double t = sc / (sc - sn);
            out.append(cur + t * (nxt - cur));
        }
    }
    return out;
}

double area(const Poly &poly)
{
    double s = 0;
    for (int i = 0; i < poly.size(); ++i) {
        const QPointF &p = poly[i], &q = poly[(i + 1) % poly.size()];
        s += p.x() * q.y() - q.x() * p.y();
    }
    return std::fabs(s) / 2;
}

// Distance from p to segment ab.
double segDist(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a, ap = p - a;
    const double l2 = ab.x() * ab.x() + ab.y() * ab.y();
    double t = l2 > 0 ? (ap.x() * ab.x() + ap.y() * ab.y()) / l2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = ap - t * ab;
    return std::hypot(d.x(), d.y());
}

const double kHalfDiagonal = 0.7072;

// Share of the pixel at (px, py) where inside(x, y) holds, sampled on a
// 32 x 32 grid.
template <typename Inside>
double sampledCoverage(double px, double py, Inside inside)
{
    const int k = 32;
    int count = 0;
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i)
            if (inside(px + (i + 0.5) / k, py + (j + 0.5) / k))
                ++count;
    return double(count) / (k * k);
}

double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

}

SyntheticScene::SyntheticScene(int width, int height)
    : m_width(width), m_height(height),
      m_originX((width - 640) / 2), m_originY((height - 640) / 2)
{
}

void SyntheticScene::addHalfPlane(QPointF through, QPointF darkSide)
{
    Shape s;
    s.kind = Shape::HalfPlane;
    s.a = through;
    const double len = std::hypot(darkSide.x(), darkSide.y());
    s.n = darkSide / len;
    m_shapes.append(s);
}

void SyntheticScene::addPolygon(const QPolygonF &polygon)
{
    Shape s;
    s.kind = Shape::Polygon;
    s.poly = polygon;
    s.box = polygon.boundingRect().adjusted(-1, -1, 1, 1);
    m_shapes.append(s);
}

void SyntheticScene::addDisc(QPointF centre, double radius)
{
    Shape s;
    s.kind = Shape::Disc;
    s.a = centre;
    s.r = radius;
    s.box = QRectF(centre.x() - radius - 1, centre.y() - radius - 1, 2 * radius + 2, 2 * radius + 2);
    m_shapes.append(s);
}

void SyntheticScene::addRoundedCorner(QPointF corner, QPointF first, QPointF second, double radius)
{
    Shape s;
    s.kind = Shape::RoundedCorner;
    s.u = first / std::hypot(first.x(), first.y());
    s.v = second / std::hypot(second.x(), second.y());
    const QPointF sum = s.u + s.v;
    const double halfAngle = std::acos(std::clamp(QPointF::dotProduct(s.u, s.v), -1.0, 1.0)) / 2;
    // The arc's centre lies on the bisector, `radius` from both edges.
    s.a = corner + sum / std::hypot(sum.x(), sum.y()) * (radius / std::sin(halfAngle));
    s.r = radius;
    m_shapes.append(s);
}

// Signed distance of (x, y) from the rounded corner's outline, negative
// inside: the corner is the set of points within `r` of the wedge that the
// two edge directions span from the arc's centre.
double SyntheticScene::cornerDistance(const Shape &s, double x, double y)
{
    const QPointF p(x - s.a.x(), y - s.a.y());
    const double turn = cross(s.u, s.v);
    if (cross(s.u, p) * turn >= 0 && cross(p, s.v) * turn >= 0)
        return -s.r;
    auto toRay = [&p](QPointF w) {
        const QPointF d = p - std::max(0.0, QPointF::dotProduct(p, w)) * w;
        return std::hypot(d.x(), d.y());
    };
    return std::min(toRay(s.u), toRay(s.v)) - s.r;
}

void SyntheticScene::addRect(double x1, double y1, double x2, double y2)
{
    addPolygon(QPolygonF({QPointF(x1, y1), QPointF(x2, y1), QPointF(x2, y2), QPointF(x1, y2)}));
}

double SyntheticScene::shapeCoverage(const Shape &s, double px, double py) const
{
    const QPointF c(px + 0.5, py + 0.5);
    switch (s.kind) {
    case Shape::HalfPlane: {
        const double d = (c.x() - s.a.x()) * s.n.x() + (c.y() - s.a.y()) * s.n.y();
        if (d >= kHalfDiagonal)
            return 1;
        if (d <= -kHalfDiagonal)
            return 0;
        const Poly square{QPointF(px, py), QPointF(px + 1, py), QPointF(px + 1, py + 1), QPointF(px, py + 1)};
        return area(clipHalf(square, s.a, s.n));
    }
    case Shape::Polygon: {
        if (!s.box.contains(c))
            return 0;
        double nearest = 1e9;
        const int n = s.poly.size();
        for (int i = 0; i < n; ++i)
            nearest = std::min(nearest, segDist(c, s.poly[i], s.poly[(i + 1) % n]));
        if (nearest >= kHalfDiagonal)
            return s.poly.containsPoint(c, Qt::OddEvenFill) ? 1 : 0;
        Poly clipped(s.poly.begin(), s.poly.end());
        clipped = clipHalf(clipped, QPointF(px, py), QPointF(1, 0));
        clipped = clipHalf(clipped, QPointF(px + 1, py), QPointF(-1, 0));
        clipped = clipHalf(clipped, QPointF(px, py), QPointF(0, 1));
        clipped = clipHalf(clipped, QPointF(px, py + 1), QPointF(0, -1));
        return std::min(1.0, area(clipped));
    }
    case Shape::Disc: {
        if (!s.box.contains(c))
            return 0;
        const double d = std::hypot(c.x() - s.a.x(), c.y() - s.a.y()) - s.r;
        if (d >= kHalfDiagonal)
            return 0;
        if (d <= -kHalfDiagonal)
            return 1;
        const double r2 = s.r * s.r;
        return sampledCoverage(px, py, [&s, r2](double x, double y) {
            const double dx = x - s.a.x(), dy = y - s.a.y();
            return dx * dx + dy * dy < r2;
        });
    }
    case Shape::RoundedCorner: {
        const double d = cornerDistance(s, px + 0.5, py + 0.5);
        if (d >= kHalfDiagonal)
            return 0;
        if (d <= -kHalfDiagonal)
            return 1;
        return sampledCoverage(px, py, [&s](double x, double y) { return cornerDistance(s, x, y) < 0; });
    }
    }
    return 0;
}

double SyntheticScene::coverage(int wx, int wy) const
{
    double sum = 0;
    for (const Shape &s : m_shapes) {
        sum += shapeCoverage(s, wx, wy);
        if (sum >= 1)
            return 1;
    }
    return sum;
}

QByteArray SyntheticScene::render() const
{
    // Each shape adds its coverage over the pixels it can reach; the sum is
    // clamped to full coverage where shapes overlap.
    QVector<double> cov(m_width * m_height, 0.0);
    for (const Shape &s : m_shapes) {
        int fx0 = 0, fy0 = 0, fx1 = m_width - 1, fy1 = m_height - 1;
        if (s.kind == Shape::Polygon || s.kind == Shape::Disc) {
            fx0 = std::max(0, int(std::floor(s.box.left() + m_originX)) - 1);
            fy0 = std::max(0, int(std::floor(s.box.top() + m_originY)) - 1);
            fx1 = std::min(m_width - 1, int(std::ceil(s.box.right() + m_originX)) + 1);
            fy1 = std::min(m_height - 1, int(std::ceil(s.box.bottom() + m_originY)) + 1);
        }
        double *data = cov.data();
        const double nx = s.n.x(), ny = s.n.y(), ax = s.a.x(), ay = s.a.y();
        for (int fy = fy0; fy <= fy1; ++fy) {
            double *row = data + fy * m_width;
            const double wy = fy - m_originY;
            for (int fx = fx0; fx <= fx1; ++fx) {
                if (row[fx] >= 1.0)
                    continue;
                const double wx = fx - m_originX;
                if (s.kind == Shape::HalfPlane) {
                    // Whole pixels on either side need no clipping.
                    const double d = (wx + 0.5 - ax) * nx + (wy + 0.5 - ay) * ny;
                    if (d >= kHalfDiagonal) {
                        row[fx] = 1.0;
                        continue;
                    }
                    if (d <= -kHalfDiagonal)
                        continue;
                } else if (s.kind == Shape::RoundedCorner) {
                    const double d = cornerDistance(s, wx + 0.5, wy + 0.5);
                    if (d <= -kHalfDiagonal) {
                        row[fx] = 1.0;
                        continue;
                    }
                    if (d >= kHalfDiagonal)
                        continue;
                }
                row[fx] = std::min(1.0, row[fx] + shapeCoverage(s, wx, wy));
            }
        }
    }

    if (m_blur > 1) {
        // Window [x - w/2, x - w/2 + w - 1] along rows, then columns.
        const int w = m_blur, lo = w / 2;
        QVector<double> tmpBuf(cov.size());
        double *tmp = tmpBuf.data();
        double *c = cov.data();
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                double s = 0;
                for (int k = 0; k < w; ++k)
                    s += c[y * m_width + std::clamp(x - lo + k, 0, m_width - 1)];
                tmp[y * m_width + x] = s / w;
            }
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                double s = 0;
                for (int k = 0; k < w; ++k)
                    s += tmp[std::clamp(y - lo + k, 0, m_height - 1) * m_width + x];
                c[y * m_width + x] = s / w;
            }
    }

    QByteArray out(m_width * m_height, '\0');
    uchar *dst = reinterpret_cast<uchar *>(out.data());
    const double *src = cov.constData();
    quint32 state = m_seed ? m_seed : 1;
    for (int i = 0; i < m_width * m_height; ++i) {
        double v = m_background + (m_foreground - m_background) * src[i];
        if (m_noise > 0) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            v += m_noise * (2.0 * (state / 4294967295.0) - 1.0);
        }
        dst[i] = uchar(std::clamp(std::lround(v), 0L, 255L));
    }
    return out;
}

QImage SyntheticScene::renderImage() const
{
    const QByteArray data = render();
    QImage img(m_width, m_height, QImage::Format_Grayscale8);
    for (int y = 0; y < m_height; ++y)
        std::copy(data.constData() + y * m_width, data.constData() + (y + 1) * m_width, img.scanLine(y));
    return img;
}
