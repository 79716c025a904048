// Draws the placeholder pictures of the tooling-table panels into a folder:
// a coloured tile of the right size with a short word, so that buttons that
// show icons only can still be told apart on a screenshot.
//
//   tooling-pictures <output folder>
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

struct Picture {
    const char *file;
    int w, h;
    const char *word;
    const char *colour; // tile colour; empty: transparent, word only
};

// Button icons are drawn as round tiles, plain pictures as rectangles.
const Picture kPictures[] = {
    // tooling-table editor
    {"caliperXsave.png", 60, 50, "X", "#2e7d32"},
    {"caliperZsave.png", 60, 50, "Z", "#2e7d32"},
    {"Xth.png", 31, 31, "Xn", "#455a64"},
    {"Zth.png", 41, 31, "Zn", "#455a64"},
    {"tool+.png", 54, 55, "T+", "#1b5e20"},
    {"tool-.png", 54, 55, "T-", "#b71c1c"},
    {"tool-search.png", 62, 61, "FIND", "#0277bd"},
    {"print-label.png", 54, 55, "LABEL", "#37474f"},
    // tooling-table list
    {"tableEdit.png", 55, 55, "EDIT", "#1565c0"},
    {"table+.png", 55, 55, "NEW", "#1b5e20"},
    {"table-.png", 55, 55, "DEL", "#b71c1c"},
    {"tableCopy.png", 55, 55, "COPY", "#4e342e"},
    {"tableRename.png", 55, 55, "NAME", "#6a1b9a"},
    {"tarn.png", 55, 55, "POST", "#e65100"},
    {"tableCsvImport.png", 55, 55, "CSV", "#00695c"},
    {"tools-search.png", 41, 41, "?", "#0277bd"},
};

QImage draw(const Picture &p)
{
    QImage img(p.w, p.h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1, 1, p.w - 2, p.h - 2);
    if (*p.colour) {
        painter.setPen(QPen(QColor(230, 230, 230), 1));
        painter.setBrush(QColor(p.colour));
        const qreal radius = qMin(p.w, p.h) / 5.0;
        painter.drawRoundedRect(r, radius, radius);
    }
    const QString word = QString::fromUtf8(p.word);
    if (!word.isEmpty()) {
        QFont f(QStringLiteral("Sans Serif"));
        f.setBold(true);
        // Largest size that fits, so short words stay readable on small tiles.
        int px = qMax(8, qMin(p.h / 2, 28));
        for (; px > 7; --px) {
            f.setPixelSize(px);
            QFontMetrics fm(f);
            const QRect need = fm.boundingRect(QRect(0, 0, p.w - 4, p.h - 4), Qt::AlignCenter, word);
            if (need.width() <= p.w - 4 && need.height() <= p.h - 4)
                break;
        }
        painter.setFont(f);
        const QColor bg(*p.colour ? p.colour : "#000000");
        painter.setPen(*p.colour && bg.lightness() > 150 ? Qt::black : Qt::white);
        painter.drawText(r, Qt::AlignCenter, word);
    }
    return img;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tooling-pictures <output folder>\n");
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
