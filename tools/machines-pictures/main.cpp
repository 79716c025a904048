// Draws the placeholder pictures of the machine list and the machine editor
// into a folder: a coloured tile with a short word, so that buttons and
// picture check boxes without text can be told apart on a screenshot.
//
//   machines-pictures <output folder>
#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

struct Picture {
    const char *file;
    int w, h;
    const char *word;
    const char *colour;
};

const Picture kPictures[] = {
    // machine list
    {"machine+.png", 60, 60, "NEW", "#1b5e20"},
    {"machineEdit.png", 60, 60, "EDIT", "#1565c0"},
    {"machine-.png", 60, 60, "DEL", "#b71c1c"},
    // Z reference, beside the X pictures of the main window
    {"caliperZ.png", 51, 31, "REF Z", "#37474f"},
    {"gaugeZ.png", 41, 51, "GAUGE\nZ", "#546e7a"},
    // picture check boxes of the editor: checked / unchecked
    {"unitMM.png", 48, 48, "mm", "#00838f"},
    {"unitInch.png", 48, 48, "inch", "#6a1b9a"},
    {"XNormal.png", 48, 48, "X\n+", "#455a64"},
    {"XReversed.png", 48, 48, "X\n-", "#e65100"},
    {"ZNormal.png", 48, 48, "Z\n+", "#455a64"},
    {"ZReversed.png", 48, 48, "Z\n-", "#e65100"},
    {"swapOff.png", 48, 48, "X Z", "#455a64"},
    {"swapOn.png", 48, 48, "Z X", "#e65100"},
    {"machineRad.png", 48, 48, "RAD", "#00838f"},
    {"machineDia.png", 48, 48, "DIA", "#6a1b9a"},
};

QImage draw(const Picture &p)
{
    QImage img(p.w, p.h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1, 1, p.w - 2, p.h - 2);
    painter.setPen(QPen(QColor(230, 230, 230), 1));
    painter.setBrush(QColor(p.colour));
    const qreal radius = qMin(p.w, p.h) / 5.0;
    painter.drawRoundedRect(r, radius, radius);
    const QString word = QString::fromUtf8(p.word);
    QFont f(QStringLiteral("Sans Serif"));
    f.setBold(true);
    // Largest size that fits, so short words stay readable on small tiles.
    int px = qMax(8, qMin(p.h / 2, 24));
    for (; px > 7; --px) {
        f.setPixelSize(px);
        const QRect need = QFontMetrics(f).boundingRect(QRect(0, 0, p.w - 4, p.h - 4), Qt::AlignCenter, word);
        if (need.width() <= p.w - 4 && need.height() <= p.h - 4)
            break;
    }
    painter.setFont(f);
    painter.setPen(Qt::white);
    painter.drawText(r, Qt::AlignCenter, word);
    return img;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: machines-pictures <output folder>\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    int written = 0;
    for (const Picture &p : kPictures) {
        if (!draw(p).save(out.filePath(QString::fromLatin1(p.file))))
            return 1;
        ++written;
    }
    std::printf("%d pictures written\n", written);
    return 0;
}
