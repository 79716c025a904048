// Draws the plain stand-in pictures of the on-screen key panel into a folder
// (normally src/resources): key faces, icons and the two window masks.
// Each picture carries a short word so that a screenshot tells what it is.
// Run as: build/tools/keyboard-pictures src/resources
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

enum class Kind { KeyFace, Icon, Mask, Clear };

struct Picture
{
    const char *name;
    int width;
    int height;
    Kind kind;
    const char *word;
};

const Picture pictures[] = {
    {"Button.png", 72, 72, Kind::KeyFace, "key"},
    {"ButtonSmall.png", 38, 38, Kind::KeyFace, "key"},
    {"ButtonSpace.png", 285, 36, Kind::KeyFace, "space"},
    {"ButtonCaps.png", 77, 36, Kind::KeyFace, "caps"},
    {"ButtonNum.png", 68, 36, Kind::KeyFace, "del"},
    {"ButtonArrowLeft.png", 60, 38, Kind::KeyFace, "left"},
    {"ButtonArrowRight.png", 60, 38, Kind::KeyFace, "right"},
    {"BackSpace.png", 72, 72, Kind::Icon, "DEL"},
    {"LeftArrow.png", 30, 30, Kind::Icon, "<"},
    {"RightArrow.png", 30, 30, Kind::Icon, ">"},
    {"ExitSmall.png", 42, 42, Kind::Icon, "EXIT"},
    {"maskKbNum.png", 240, 385, Kind::Mask, nullptr},
    {"maskKbAlpha.png", 495, 255, Kind::Mask, nullptr},
    // The style sheet clears the key face with these on hover and press;
    // fully transparent, so that clearing costs no warning per repaint.
    {"none.png", 1, 1, Kind::Clear, nullptr},
    {"ReflexGreen.png", 1, 1, Kind::Clear, nullptr},
    {"ReflexRed.png", 1, 1, Kind::Clear, nullptr},
};

// A light rounded key face; the word sits small at the bottom edge so the
// key's own label in the middle stays readable.
QImage keyFace(const Picture &p)
{
    QImage img(p.width, p.height, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    QLinearGradient grad(0, 0, 0, p.height);
    grad.setColorAt(0, QColor(245, 250, 245));
    grad.setColorAt(1, QColor(170, 200, 170));
    g.setBrush(grad);
    g.setPen(QPen(QColor(40, 70, 40), 1.5));
    const qreal radius = qMin(p.width, p.height) / 6.0;
    g.drawRoundedRect(QRectF(1, 1, p.width - 2, p.height - 2), radius, radius);
    QFont f("DejaVu Sans");
    f.setPixelSize(qMax(7, p.height / 6));
    g.setFont(f);
    g.setPen(QColor(90, 120, 90));
    g.drawText(QRect(0, 0, p.width, p.height - 2), Qt::AlignHCenter | Qt::AlignBottom,
               QString::fromLatin1(p.word));
    return img;
}

// An icon: the word in bold dark letters filling the picture, on a frame.
QImage icon(const Picture &p)
{
    QImage img(p.width, p.height, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    const bool exit = QByteArray(p.name).startsWith("Exit");
    g.setBrush(exit ? QColor(200, 30, 30) : QColor(255, 255, 255, 200));
    g.setPen(QPen(exit ? QColor(90, 0, 0) : QColor(20, 20, 20), 2));
    g.drawRoundedRect(QRectF(2, 2, p.width - 4, p.height - 4), 4, 4);
    const QString word = QString::fromLatin1(p.word);
    QFont f("DejaVu Sans");
    f.setBold(true);
    // Largest size at which the word fits inside the frame.
    int px = p.height;
    for (; px > 6; --px) {
        f.setPixelSize(px);
        const QFontMetrics fm(f);
        if (fm.horizontalAdvance(word) <= p.width - 6 && fm.height() <= p.height - 4)
            break;
    }
    g.setFont(f);
    g.setPen(exit ? Qt::white : Qt::black);
    g.drawText(QRect(0, 0, p.width, p.height), Qt::AlignCenter, word);
    return img;
}

// The window masks: 1-bit pictures, every pixel black, so the whole layout shows.
QImage mask(const Picture &p)
{
    QImage img(p.width, p.height, QImage::Format_Mono);
    img.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    img.fill(0);
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: keyboard-pictures FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists()) {
        std::fprintf(stderr, "keyboard-pictures: no folder %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const Picture &p : pictures) {
        QImage img;
        switch (p.kind) {
        case Kind::KeyFace: img = keyFace(p); break;
        case Kind::Icon: img = icon(p); break;
        case Kind::Mask: img = mask(p); break;
        case Kind::Clear:
            img = QImage(p.width, p.height, QImage::Format_ARGB32);
            img.fill(Qt::transparent);
            break;
        }
        const QString path = dir.filePath(QString::fromLatin1(p.name));
        if (!img.save(path, "PNG")) {
            std::fprintf(stderr, "keyboard-pictures: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
