// The camera panel: labelled pictures, the view mask and the cross-hair cursor.
#include "PictureKit.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage labelled(QSize size, QColor fill, QColor ink, const QString &word, int pixelSize)
{
    QImage img = blankPicture(size.width(), size.height());
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 2));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1, 1, size.width() - 2, size.height() - 2), 6, 6);
    QFont f("Sans Serif");
    f.setPixelSize(pixelSize);
    f.setBold(true);
    p.setFont(f);
    p.drawText(img.rect(), Qt::AlignCenter | Qt::TextWordWrap, word);
    return img;
}

// A rounded window: opaque inside, transparent outside.
QImage viewMask()
{
    QImage img = blankPicture(640, 640);
    QPainter p(&img);
    QPainterPath window;
    window.addRoundedRect(QRectF(0, 0, 640, 640), 24, 24);
    p.fillPath(window, Qt::black);
    return img;
}

// Cross-hair cursor, 32 x 32, hot spot in the middle (16, 16).
void cursorPictures(QImage &bits, QImage &mask)
{
    bits = QImage(32, 32, QImage::Format_Mono);
    mask = QImage(32, 32, QImage::Format_Mono);
    bits.fill(0);
    mask.fill(0);
    for (int i = 0; i < 32; ++i) {
        if (i >= 13 && i <= 19)
            continue;   // open centre so the picked pixel stays visible
        for (int w = 15; w <= 17; ++w) {
            mask.setPixel(i, w, 1);
            mask.setPixel(w, i, 1);
        }
        bits.setPixel(i, 16, 1);
        bits.setPixel(16, i, 1);
    }
}

} // namespace

void drawCamPanelPictures(PictureFolder &out)
{
    const QColor pink(239, 158, 158), yellow(255, 230, 60), grey(220, 220, 220), red(220, 30, 30);
    out.save("emergency.png", labelled(QSize(200, 160), red, Qt::white, "EMERGENCY", 26));
    out.save("stop.png", labelled(QSize(64, 64), red, Qt::white, "STOP", 16));
    out.save("XInverted-ico.png", labelled(QSize(36, 36), yellow, Qt::black, "X\ninv", 12));
    out.save("ZInverted-ico.png", labelled(QSize(36, 36), yellow, Qt::black, "Z\ninv", 12));
    out.save("xzSwapped-ico.png", labelled(QSize(36, 36), yellow, Qt::black, "XZ\nswap", 11));
    out.save("lotus-spindle.png", labelled(QSize(160, 80), yellow, Qt::black, "SPINDLE\nunlocked", 20));
    out.save("Printer-large.png", labelled(QSize(160, 160), grey, Qt::black, "PRINTING", 24));
    const struct { const char *file; const char *word; bool cAxis; } zero[] = {
        {"zeroX.png", "Search zero X", false},
        {"zeroZ.png", "Search zero Z", false},
        {"zeroXZ.png", "Search zero X Z", false},
        {"zeroX-Caxis.png", "Search zero X", true},
        {"zeroZ-Caxis.png", "Search zero Z", true},
        {"zeroXZ-Caxis.png", "Search zero X Z", true},
        {"zeroC-Caxis.png", "Search zero C", true},
        {"zeroXC-Caxis.png", "Search zero X C", true},
        {"zeroZC-Caxis.png", "Search zero Z C", true},
        {"zeroXZC-Caxis.png", "Search zero X Z C", true},
    };
    for (const auto &z : zero)
        out.save(z.file, labelled(z.cAxis ? QSize(540, 100) : QSize(440, 100), pink, Qt::black, z.word, 30));
    out.save("maskVideo.png", viewMask());
    QImage bits, mask;
    cursorPictures(bits, mask);
    out.save("bmp.bmp", bits);
    out.save("msk.bmp", mask);
}
