#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <QVector>

// Renders 8-bit grey camera frames of known geometry: dark shapes on a light
// background, each pixel shaded by the exact share of its area the shapes
// cover, so an edge placed at a fractional position shows as the grey value
// a real sensor would give. Optional box blur and deterministic noise.
//
// Shape coordinates are measuring-window coordinates: window pixel (x, y)
// covers the square [x, x+1) x [y, y+1), and window (0, 0) is frame pixel
// ((width - 640) / 2, (height - 640) / 2), i.e. (320, 192) in a 1280 x 1024
// frame. A vertical edge at window x = 100.3 therefore leaves pixel 100 with
// 30 % of its area on the left side.
class SyntheticScene
{
public:
    explicit SyntheticScene(int width = 1280, int height = 1024);

    int width() const { return m_width; }
    int height() const { return m_height; }

    void setBackground(int grey) { m_background = grey; }
    void setForeground(int grey) { m_foreground = grey; }

    // Dark where (p - through) . darkSide > 0.
    void addHalfPlane(QPointF through, QPointF darkSide);
    // Any simple polygon (convex or not), dark inside.
    void addPolygon(const QPolygonF &polygon);
    void addDisc(QPointF centre, double radius);
    // Rectangle [x1, x2) x [y1, y2) in window coordinates.
    void addRect(double x1, double y1, double x2, double y2);
    // A tool's cutting corner: the wedge between two straight edges leaving
    // `corner` along `first` and `second` (less than 180 degrees apart), dark
    // inside, its tip rounded by an exact arc of `radius` tangent to both.
    void addRoundedCorner(QPointF corner, QPointF first, QPointF second, double radius);

    // Box blur of the given width (pixels) along rows and columns; 1 = none.
    void setBlur(int boxWidth) { m_blur = boxWidth; }
    // Adds noise uniform in [-amplitude, amplitude] grey levels, repeatable.
    void setNoise(double amplitude, quint32 seed = 1) { m_noise = amplitude; m_seed = seed; }

    QByteArray render() const;
    QImage renderImage() const;     // Format_Grayscale8, for files and stand-ins

    // Shaded coverage (0 light .. 1 dark) of one window pixel, before blur and noise.
    double coverage(int wx, int wy) const;

private:
    struct Shape
    {
        enum Kind { HalfPlane, Polygon, Disc, RoundedCorner } kind;
        QPointF a;              // point on the boundary / centre (of the arc)
        QPointF n;              // normal to the dark side
        QPointF u, v;           // a rounded corner's edge directions
        double r = 0;
        QPolygonF poly;
        QRectF box;
    };
    double shapeCoverage(const Shape &s, double px, double py) const;
    static double cornerDistance(const Shape &s, double x, double y);

    int m_width, m_height;
    double m_originX, m_originY;
    int m_background = 255;
    int m_foreground = 0;
    int m_blur = 1;
    double m_noise = 0;
    quint32 m_seed = 1;
    QVector<Shape> m_shapes;
};
