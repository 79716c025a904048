// The on-screen key panel: key faces, icons and the two window masks.
#include "PictureKit.h"

#include <QLinearGradient>
#include <QPainter>

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
    {"Button.png", 72, 72, Kind::KeyFace, nullptr},
    {"ButtonSmall.png", 38, 38, Kind::KeyFace, nullptr},
    {"ButtonSpace.png", 285, 36, Kind::KeyFace, nullptr},
    {"ButtonCaps.png", 77, 36, Kind::KeyFace, nullptr},
    {"ButtonNum.png", 68, 36, Kind::KeyFace, nullptr},
    {"ButtonArrowLeft.png", 60, 38, Kind::KeyFace, nullptr},
    {"ButtonArrowRight.png", 60, 38, Kind::KeyFace, nullptr},
    {"BackSpace.png", 72, 72, Kind::Icon, "DEL"},
    {"LeftArrow.png", 30, 30, Kind::Icon, "<"},
    {"RightArrow.png", 30, 30, Kind::Icon, ">"},
    {"ExitSmall.png", 42, 42, Kind::Icon, "EXIT"},
    {"maskKbNum.png", 240, 413, Kind::Mask, nullptr},
    {"maskKbAlpha.png", 495, 255, Kind::Mask, nullptr},
    // The style sheet clears the key face with these on hover and press;
    // fully transparent, so that clearing costs no warning per repaint.
    {"none.png", 1, 1, Kind::Clear, nullptr},
    {"ReflexGreen.png", 1, 1, Kind::Clear, nullptr},
    {"ReflexRed.png", 1, 1, Kind::Clear, nullptr},
};

// A light rounded key face without a word: the key's own text or icon is
// the only one on it.
QImage keyFace(const Picture &p)
{
    QImage img = blankPicture(p.width, p.height);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    QLinearGradient grad(0, 0, 0, p.height);
    grad.setColorAt(0, QColor(245, 250, 245));
    grad.setColorAt(1, QColor(170, 200, 170));
    g.setBrush(grad);
    g.setPen(QPen(QColor(40, 70, 40), 1.5));
    const qreal radius = qMin(p.width, p.height) / 6.0;
    g.drawRoundedRect(QRectF(1, 1, p.width - 2, p.height - 2), radius, radius);
    return img;
}

// An icon: the word in bold dark letters filling the picture, on a frame.
QImage icon(const Picture &p)
{
    QImage img = blankPicture(p.width, p.height);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    const bool exit = QByteArray(p.name).startsWith("Exit");
    g.setBrush(exit ? QColor(200, 30, 30) : QColor(255, 255, 255, 200));
    g.setPen(QPen(exit ? QColor(90, 0, 0) : QColor(20, 20, 20), 2));
    g.drawRoundedRect(QRectF(2, 2, p.width - 4, p.height - 4), 4, 4);
    const QString word = QString::fromLatin1(p.word);
    QFont f("DejaVu Sans");
    f.setBold(true);
    shrinkToFit(f, p.height, 6, [&](const QFontMetrics &fm) {
        return fm.horizontalAdvance(word) <= p.width - 6 && fm.height() <= p.height - 4;
    });
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

QImage draw(const Picture &p)
{
    switch (p.kind) {
    case Kind::KeyFace: return keyFace(p);
    case Kind::Icon: return icon(p);
    case Kind::Mask: return mask(p);
    case Kind::Clear: break;
    }
    return blankPicture(p.width, p.height);
}

} // namespace

void drawKeyboardPictures(PictureFolder &out)
{
    for (const Picture &p : pictures)
        out.save(QString::fromLatin1(p.name), draw(p));
}
