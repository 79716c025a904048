#include "PictureKit.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>

namespace {

// Draws glyph g in the square box b with pen colour ink.
void drawGlyph(QPainter &p, Glyph g, const QRectF &b, const QColor &ink)
{
    const qreal u = b.width() / 10.0; // one tenth of the box
    const QPointF c = b.center();
    auto at = [&](qreal x, qreal y) { return QPointF(b.left() + x * u, b.top() + y * u); };
    QPen pen(ink, qMax<qreal>(1.5, u * 0.8), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QPen thin(ink, qMax<qreal>(1.0, u * 0.45), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QPen dashed = thin;
    dashed.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    auto dot = [&](QPointF at, qreal r) {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(at, r, r);
        p.restore();
    };
    auto cross = [&](qreal half) {
        p.drawLine(QPointF(c.x() - half, c.y()), QPointF(c.x() + half, c.y()));
        p.drawLine(QPointF(c.x(), c.y() - half), QPointF(c.x(), c.y() + half));
    };
    // Two edges of a tool meeting at the lower left, opening by `degrees`.
    auto angle = [&](qreal degrees) {
        const QPointF o = at(1.5, 8.5);
        const qreal len = 7.5 * u;
        const qreal a = qDegreesToRadians(degrees);
        const QPointF end1(o.x() + len, o.y());
        const QPointF end2(o.x() + len * qCos(a), o.y() - len * qSin(a));
        p.drawLine(o, end1);
        p.drawLine(o, end2);
        return std::make_tuple(o, end1, end2);
    };
    switch (g) {
    case Glyph::None:
        break;
    case Glyph::LockOpen:
    case Glyph::LockClosed: {
        const QRectF body(at(2, 4.5), at(8, 9.5));
        // The shackle: closed sits in the body, open is lifted to one side.
        const bool closed = g == Glyph::LockClosed;
        QPainterPath shackle;
        const qreal lift = closed ? 0 : 1.6 * u;
        shackle.moveTo(at(3.2, 4.5) - QPointF(0, lift));
        shackle.lineTo(at(3.2, 2.8) - QPointF(0, lift));
        shackle.arcTo(QRectF(at(3.2, 0.9), at(6.8, 4.7)).translated(0, -lift), 180, -180);
        shackle.lineTo(closed ? at(6.8, 4.5) : at(6.8, 3.2) - QPointF(0, lift));
        p.drawPath(shackle);
        p.setBrush(ink);
        p.drawRoundedRect(body, u, u);
        break;
    }
    case Glyph::ClampOpen:
    case Glyph::ClampClosed: {
        const qreal gap = g == Glyph::ClampClosed ? 0.0 : 1.6;
        p.setBrush(ink);
        p.drawRect(QRectF(at(0.5, 3.5), at(3.5 - gap, 6.5)));
        p.drawRect(QRectF(at(6.5 + gap, 3.5), at(9.5, 6.5)));
        p.setBrush(Qt::NoBrush);
        p.setPen(thin);
        p.drawLine(at(5, 1.5), at(5, 8.5)); // the tool shank between the jaws
        break;
    }
    case Glyph::Crosshair:
        cross(4.2 * u);
        p.setPen(thin);
        p.drawEllipse(c, 2.2 * u, 2.2 * u);
        break;
    case Glyph::Target:
        p.setPen(thin);
        p.drawEllipse(c, 4 * u, 4 * u);
        p.drawEllipse(c, 2.2 * u, 2.2 * u);
        dot(c, 0.9 * u);
        break;
    case Glyph::PickPoint:
        p.setPen(thin);
        cross(4.2 * u);
        p.setPen(pen);
        p.drawEllipse(c, 1.6 * u, 1.6 * u);
        break;
    case Glyph::Camera:
        p.drawRoundedRect(QRectF(at(1, 3), at(9, 8.5)), u, u);
        p.drawLine(at(3.5, 2.2), at(6.5, 2.2));
        p.drawEllipse(at(5, 5.75), 1.8 * u, 1.8 * u);
        break;
    case Glyph::Snowflake:
        for (int i = 0; i < 3; ++i) {
            const qreal a = qDegreesToRadians(90.0 + 60.0 * i);
            const QPointF d(4.2 * u * qCos(a), 4.2 * u * qSin(a));
            p.drawLine(c - d, c + d);
            for (int s = -1; s <= 1; s += 2) {
                const QPointF tip = c + d * 0.62 * s;
                const QPointF back = c + d * 0.95 * s;
                const QPointF side(-d.y() * 0.25, d.x() * 0.25);
                p.drawLine(tip + side, back);
                p.drawLine(tip - side, back);
            }
        }
        break;
    case Glyph::Question: {
        QFont f(QStringLiteral("Sans Serif"));
        f.setBold(true);
        f.setPixelSize(int(9 * u));
        p.setFont(f);
        p.drawText(b, Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Glyph::Printer:
        p.drawRect(QRectF(at(3, 1), at(7, 4)));                  // paper in
        p.setBrush(ink);
        p.drawRoundedRect(QRectF(at(1, 4), at(9, 7.5)), u * 0.6, u * 0.6);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(at(3, 6.5), at(7, 9.3)));              // the label out
        p.setPen(thin);
        p.drawLine(at(3.8, 7.7), at(6.2, 7.7));
        p.drawLine(at(3.8, 8.5), at(6.2, 8.5));
        break;
    case Glyph::Power:
        p.drawArc(QRectF(at(1.5, 1.8), at(8.5, 8.8)), 120 * 16, -240 * 16);
        p.drawLine(at(5, 0.8), at(5, 5));
        break;
    case Glyph::Magnifier:
        p.drawEllipse(at(4, 4), 2.8 * u, 2.8 * u);
        p.drawLine(at(6, 6), at(9, 9));
        break;
    case Glyph::AngleAuto: {
        const auto [o, e1, e2] = angle(40);
        Q_UNUSED(e1) Q_UNUSED(e2)
        p.setPen(thin);
        p.drawArc(QRectF(o.x() - 4 * u, o.y() - 4 * u, 8 * u, 8 * u), 0, 40 * 16);
        break;
    }
    case Glyph::AngleReticle: {
        p.setPen(dashed);
        angle(40);
        p.setPen(thin);
        p.drawLine(at(5, 0.5), at(5, 9.5));
        p.drawLine(at(0.5, 5), at(9.5, 5));
        break;
    }
    case Glyph::AngleTwoPoints: {
        const auto [o, e1, e2] = angle(40);
        Q_UNUSED(o)
        dot((e1 + o) / 2 + QPointF(u, 0), 1.1 * u);
        dot((e2 + o) / 2 + (e2 - o) * 0.15, 1.1 * u);
        break;
    }
    case Glyph::AngleObtuse: {
        const auto [o, e1, e2] = angle(130);
        Q_UNUSED(e1) Q_UNUSED(e2)
        Q_UNUSED(o)
        break;
    }
    case Glyph::AngleAcute: {
        const auto [o, e1, e2] = angle(35);
        Q_UNUSED(e1) Q_UNUSED(e2)
        Q_UNUSED(o)
        break;
    }
    case Glyph::CircleAuto:
        p.drawEllipse(c, 4 * u, 4 * u);
        p.setPen(thin);
        p.drawLine(c, c + QPointF(2.8 * u, -2.8 * u));
        dot(c, 0.7 * u);
        break;
    case Glyph::CircleReticle:
        p.setPen(dashed);
        p.drawEllipse(c, 3.6 * u, 3.6 * u);
        p.setPen(thin);
        cross(4.6 * u);
        break;
    case Glyph::CircleFivePoints:
        p.setPen(thin);
        p.drawEllipse(c, 3.8 * u, 3.8 * u);
        for (int i = 0; i < 5; ++i) {
            const qreal a = qDegreesToRadians(-90.0 + 72.0 * i);
            dot(c + QPointF(3.8 * u * qCos(a), 3.8 * u * qSin(a)), 1.0 * u);
        }
        break;
    case Glyph::Threshold:
        p.setPen(thin);
        p.drawRect(QRectF(at(1.5, 1.5), at(8.5, 8.5)));
        p.fillRect(QRectF(at(1.5, 1.5), at(5, 8.5)), ink);
        break;
    case Glyph::Send: {
        // The sheet with its lines, and an arrow leaving it to the right.
        p.setPen(thin);
        p.drawRect(QRectF(at(0.8, 1.2), at(5.6, 8.8)));
        for (qreal y : {3.0, 4.6, 6.2, 7.6})
            p.drawLine(at(1.8, y), at(4.6, y));
        p.setPen(pen);
        p.drawLine(at(4.2, 5), at(9.2, 5));
        p.drawLine(at(9.2, 5), at(7.2, 3));
        p.drawLine(at(9.2, 5), at(7.2, 7));
        break;
    }
    case Glyph::Cancel:
        p.drawLine(at(2.2, 2.2), at(7.8, 7.8));
        p.drawLine(at(7.8, 2.2), at(2.2, 7.8));
        break;
    case Glyph::Greys: {
        QLinearGradient grad(at(1.5, 5), at(8.5, 5));
        grad.setColorAt(0, QColor(20, 20, 20));
        grad.setColorAt(1, QColor(235, 235, 235));
        p.setPen(thin);
        p.setBrush(grad);
        p.drawRect(QRectF(at(1.5, 1.5), at(8.5, 8.5)));
        break;
    }
    }
}

} // namespace

QImage blankPicture(int width, int height)
{
    QImage img(width, height, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

QImage drawTile(const Tile &t, int largestPixelSize)
{
    QImage img = blankPicture(t.w, t.h);
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1, 1, t.w - 2, t.h - 2);
    if (*t.colour) {
        painter.setPen(QPen(QColor(230, 230, 230), 1));
        painter.setBrush(QColor(t.colour));
        const qreal radius = qMin(t.w, t.h) / 5.0;
        painter.drawRoundedRect(r, radius, radius);
    }
    const QString word = QString::fromUtf8(t.word);
    // Dark ink on light tiles, white elsewhere.
    const QColor bg(*t.colour ? t.colour : "#000000");
    const QColor ink = *t.colour && bg.lightness() > 150 ? QColor(Qt::black) : QColor(Qt::white);
    QRectF wordRoom = r;
    if (t.glyph != Glyph::None) {
        // The pictogram fills the tile, leaving a strip for a word below it.
        const qreal strip = word.isEmpty() ? 0 : qMax<qreal>(10, t.h * 0.26);
        const qreal side = qMin(t.w - 8.0, t.h - 8.0 - strip);
        const QRectF box((t.w - side) / 2, 4 + (t.h - 8 - strip - side) / 2, side, side);
        drawGlyph(painter, t.glyph, box, ink);
        wordRoom = QRectF(2, t.h - 3 - strip, t.w - 4, strip);
    }
    if (!word.isEmpty()) {
        QFont f(QStringLiteral("Sans Serif"));
        f.setBold(true);
        // Short words stay readable on small tiles.
        const QRect room = wordRoom.toRect().adjusted(1, 1, -1, -1);
        const int largest = t.glyph != Glyph::None ? int(wordRoom.height()) : qMin(t.h / 2, largestPixelSize);
        shrinkToFit(f, qMax(8, largest), 7, [&](const QFontMetrics &fm) {
            const QRect need = fm.boundingRect(room, Qt::AlignCenter, word);
            return need.width() <= room.width() && need.height() <= room.height();
        });
        painter.setFont(f);
        painter.setPen(ink);
        painter.drawText(wordRoom, Qt::AlignCenter, word);
    }
    return img;
}

PictureFolder::PictureFolder(const QString &path)
    : m_dir(path)
    , m_exists(m_dir.mkpath(QStringLiteral(".")))
{
}

bool PictureFolder::exists() const
{
    return m_exists;
}

void PictureFolder::save(const QString &name, const QImage &img)
{
    const QString file = m_dir.filePath(name);
    if (img.save(file)) {
        ++m_written;
    } else {
        std::fprintf(stderr, "make-pictures: cannot write %s\n", qPrintable(file));
        ++m_failures;
    }
}

void PictureFolder::saveTiles(const Tile *tiles, int count, int largestPixelSize)
{
    for (int i = 0; i < count; ++i)
        save(QString::fromLatin1(tiles[i].file), drawTile(tiles[i], largestPixelSize));
}
