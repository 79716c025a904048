// Writes the placeholder pictures of the camera panel into a folder:
//   panel-pictures <folder>
// Each picture has the size the panel lays it out for and carries a short
// word, so a screenshot shows which one is drawn. The view mask is a rounded
// window: opaque inside, transparent outside.
#include <QBitmap>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {
bool labelled(const QString& path, QSize size, QColor fill, QColor ink, const QString& word, int pixelSize)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
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
    p.end();
    return img.save(path);
}

bool viewMask(const QString& path)
{
    QImage img(640, 640, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    QPainterPath window;
    window.addRoundedRect(QRectF(0, 0, 640, 640), 24, 24);
    p.fillPath(window, Qt::black);
    p.end();
    return img.save(path);
}

// Cross-hair cursor, 32 x 32, hot spot in the middle (16, 16).
bool cursorPictures(const QString& bitmapPath, const QString& maskPath)
{
    QImage bits(32, 32, QImage::Format_Mono);
    QImage mask(32, 32, QImage::Format_Mono);
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
    return bits.save(bitmapPath, "BMP") && mask.save(maskPath, "BMP");
}
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: panel-pictures <folder>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath("."))
        return 1;
    const QColor pink(239, 158, 158), yellow(255, 230, 60), grey(220, 220, 220), red(220, 30, 30);
    bool ok = true;
    ok &= labelled(dir.filePath("emergency.png"), QSize(200, 160), red, Qt::white, "EMERGENCY", 26);
    ok &= labelled(dir.filePath("stop.png"), QSize(64, 64), red, Qt::white, "STOP", 16);
    ok &= labelled(dir.filePath("XInverted-ico.png"), QSize(36, 36), yellow, Qt::black, "X\ninv", 12);
    ok &= labelled(dir.filePath("ZInverted-ico.png"), QSize(36, 36), yellow, Qt::black, "Z\ninv", 12);
    ok &= labelled(dir.filePath("xzSwapped-ico.png"), QSize(36, 36), yellow, Qt::black, "XZ\nswap", 11);
    ok &= labelled(dir.filePath("lotus-spindle.png"), QSize(160, 80), yellow, Qt::black, "SPINDLE\nunlocked", 20);
    ok &= labelled(dir.filePath("Printer-large.png"), QSize(160, 160), grey, Qt::black, "PRINTING", 24);
    ok &= labelled(dir.filePath("scanner-on.png"), QSize(300, 300), QColor(40, 40, 40, 160), Qt::white, "\n\n\n\n\n\n\n\nscanner", 18);
    const struct { const char* file; const char* word; bool cAxis; } zero[] = {
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
    for (const auto& z : zero)
        ok &= labelled(dir.filePath(z.file), z.cAxis ? QSize(540, 100) : QSize(440, 100), pink, Qt::black,
                       z.word, 30);
    ok &= viewMask(dir.filePath("maskVideo.png"));
    ok &= cursorPictures(dir.filePath("bmp.bmp"), dir.filePath("msk.bmp"));
    if (!ok) {
        std::fprintf(stderr, "panel-pictures: could not write every picture\n");
        return 1;
    }
    return 0;
}
