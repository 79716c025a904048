// The post-processor dialog: its window mask and the buttons that show icons
// only (confirm, exit and the tick pictures come from the main window's set):
// a folder for the export path, a column of ticked or empty boxes for check
// all and uncheck all.
#include "PictureKit.h"

#include <QPainter>
#include <QPainterPath>

namespace {

enum class Icon { Folder, AllTicked, NoneTicked };

QImage button(Icon icon, const char *colour, const char *word)
{
    const int size = 65;
    QImage img = blankPicture(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(colour));
    p.drawRoundedRect(QRectF(2, 2, size - 4, size - 4), 10, 10);
    const QColor ink(Qt::white);
    p.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (icon == Icon::Folder) {
        QPainterPath folder;
        folder.moveTo(14, 18);
        folder.lineTo(26, 18);
        folder.lineTo(30, 23);
        folder.lineTo(51, 23);
        folder.lineTo(51, 44);
        folder.lineTo(14, 44);
        folder.closeSubpath();
        p.drawPath(folder);
        p.drawLine(QPointF(14, 28), QPointF(51, 28));
    } else {
        for (int row = 0; row < 3; ++row) {
            const QRectF box(16, 10 + row * 13, 10, 10);
            p.drawRect(box);
            p.drawLine(QPointF(31, box.center().y()), QPointF(49, box.center().y()));
            if (icon == Icon::AllTicked) {
                QPainterPath tick;
                tick.moveTo(box.left() + 1, box.center().y());
                tick.lineTo(box.left() + 4, box.bottom() - 1);
                tick.lineTo(box.right() + 2, box.top() - 2);
                p.drawPath(tick);
            }
        }
    }
    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(ink);
    p.drawText(QRectF(0, size - 18, size, 14), Qt::AlignCenter, QString::fromLatin1(word));
    return img;
}

// A rounded window: opaque inside, transparent outside.
QImage dialogMask()
{
    QImage img = blankPicture(1011, 564);
    QPainter p(&img);
    QPainterPath window;
    window.addRoundedRect(QRectF(0, 0, 1011, 564), 18, 18);
    p.fillPath(window, Qt::black);
    return img;
}

} // namespace

void drawPostProPictures(PictureFolder &out)
{
    out.save("network.png", button(Icon::Folder, "#0277bd", "PATH"));
    out.save("checkall.png", button(Icon::AllTicked, "#2e7d32", "ALL"));
    out.save("uncheckall.png", button(Icon::NoneTicked, "#757575", "NONE"));
    out.save("maskPP.png", dialogMask());
}
