// Writes the operator guide that HELP opens: the README's demo section (how to
// run the demo and the walk through it), rendered from its markdown into a
// PDF, under each file name the program looks for in its "doc" folder.
//
//   make-manual <README.md> <doc folder> <name.pdf>...
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <memory>

#include <cstdio>

namespace {

// From the "## Run the demo" heading up to the next heading of that level.
QString demoSection(const QString &readme)
{
    const int start = readme.indexOf(QStringLiteral("\n## Run the demo"));
    if (start < 0)
        return QString();
    const int end = readme.indexOf(QStringLiteral("\n## "), start + 1);
    return readme.mid(start + 1, end < 0 ? -1 : end - start - 1);
}

bool writePdf(const QString &markdown, const QString &file)
{
    QPdfWriter pdf(file);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    pdf.setTitle(QStringLiteral("T8A_M operator guide"));
    pdf.setResolution(300);

    QTextDocument doc;
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSizeF(10.5);
    doc.setDefaultFont(font);
    doc.setMarkdown(QStringLiteral("# T8A_M operator guide\n\n") + markdown);
    QPainter painter;
    if (!painter.begin(&pdf))
        return false;
    // Lay the text out in points and scale to the writer's resolution.
    const qreal scale = pdf.resolution() / 72.0;
    const QSizeF page(pdf.width() / scale, pdf.height() / scale);
    doc.setPageSize(page);
    painter.scale(scale, scale);
    const int pages = doc.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            pdf.newPage();
        painter.save();
        painter.translate(0, -i * page.height());
        doc.drawContents(&painter, QRectF(0, i * page.height(), page.width(), page.height()));
        painter.restore();
    }
    return painter.end();
}

} // namespace

int main(int argc, char *argv[])
{
    // Runs during the build, with no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A build without a session (no runtime folder) would have the toolkit
    // say so on stderr: a folder of this run's own, removed at its end.
    std::unique_ptr<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtime = std::make_unique<QTemporaryDir>();
        if (runtime->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
    }
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: make-manual <README.md> <doc folder> <name.pdf>...\n");
        return 2;
    }
    QFile readme(QString::fromLocal8Bit(argv[1]));
    if (!readme.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make-manual: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString section = demoSection(QString::fromUtf8(readme.readAll()));
    if (section.isEmpty()) {
        std::fprintf(stderr, "make-manual: %s has no \"## Run the demo\" section\n", argv[1]);
        return 1;
    }
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "make-manual: cannot make %s\n", argv[2]);
        return 1;
    }
    const QString first = folder.filePath(QString::fromLocal8Bit(argv[3]));
    if (!writePdf(section, first)) {
        std::fprintf(stderr, "make-manual: cannot write %s\n", qPrintable(first));
        return 1;
    }
    for (int i = 4; i < argc; ++i) {
        const QString copy = folder.filePath(QString::fromLocal8Bit(argv[i]));
        QFile::remove(copy);
        if (!QFile::copy(first, copy)) {
            std::fprintf(stderr, "make-manual: cannot write %s\n", qPrintable(copy));
            return 1;
        }
    }
    return 0;
}
