#include "PictureKit.h"

#include <QColor>
#include <QPainter>
#include <cstdio>

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
    if (!word.isEmpty()) {
        QFont f(QStringLiteral("Sans Serif"));
        f.setBold(true);
        // Short words stay readable on small tiles.
        const QRect room(0, 0, t.w - 4, t.h - 4);
        shrinkToFit(f, qMax(8, qMin(t.h / 2, largestPixelSize)), 7, [&](const QFontMetrics &fm) {
            const QRect need = fm.boundingRect(room, Qt::AlignCenter, word);
            return need.width() <= room.width() && need.height() <= room.height();
        });
        painter.setFont(f);
        // Dark words on light tiles, white ones elsewhere.
        const QColor bg(*t.colour ? t.colour : "#000000");
        painter.setPen(*t.colour && bg.lightness() > 150 ? Qt::black : Qt::white);
        painter.drawText(r, Qt::AlignCenter, word);
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
