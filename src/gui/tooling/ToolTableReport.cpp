#include "tooling/ToolTableReport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <utility>

#include "keyboard/myinputpanelcontext.h"
#include "shared/SharedStruct.h"
#include "widgets/SharedWidgets.h"
#include "shared/WholeFile.h"
#include "tooling/ToolTolerance.h"

namespace {
const char *const fallbackPath = "./report/table.pdf";

QString trReport(const char *text)
{
    return QCoreApplication::translate("cToolset", text);
}

// Left and right pixel (both inclusive) of each column.
struct Column
{
    int left, right;
    QRect cell(int top, int bottom) const { return QRect(QPoint(left, top), QPoint(right, bottom)); }
};

enum { colT, colCode, colX, colXth, colZ, colZth, colA, colR, columnCount };
}

struct ToolTableReport::Page
{
    int width = 0;
    int height = 0;
    int u = 0;
    Column col[columnCount];
    QFont font;
    // The header's pictures, scaled once for every page.
    QPixmap logo, machine, table;

    Page(int w, int h)
        : width(w)
        , height(h)
        , u(w / 8)
    {
        const int widths[columnCount] = {50, 17 * u / 10, u, 12 * u / 10, u, 12 * u / 10, 7 * u / 10, 7 * u / 10};
        int left = 0;
        for (int i = 0; i < columnCount; ++i) {
            col[i] = {left, left + widths[i] - 1};
            left = col[i].right + 1;
        }
    }
};

QString ToolTableReport::reportPath(const QString &tableName)
{
    if (tableName.contains(QLatin1Char('/')))
        return QString::fromLatin1(fallbackPath);
    return QStringLiteral("./report/") + tableName.trimmed() + QStringLiteral(".pdf");
}

void ToolTableReport::prepareFolder(const QString &folder)
{
    if (!QDir(folder).exists())
        QDir().mkpath(folder);
}

// Only once the new report is there: a refused one costs no old one.
void ToolTableReport::pruneFolder(const QString &newReport, const QString &folder)
{
    const QString kept = QFileInfo(newReport).canonicalFilePath();
    QFileInfoList reports = QDir(folder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
    for (int i = reports.size() - 1; i >= 0; --i)
        if (reports.at(i).canonicalFilePath() == kept)
            reports.removeAt(i);
    while (reports.size() > keptReports) {
        QFile::remove(reports.last().filePath());
        reports.removeLast();
    }
}

bool ToolTableReport::openInViewer(const QString &path)
{
    // The viewer's window comes over the program's: no keys stay over it.
    MyInputPanelContext::boxOpens(nullptr);
    // The viewer may stay open after the program ends: it gets no stream of
    // the program's, so a pipe the program writes into ends with the program.
    QProcess viewer;
    viewer.setProgram(QStringLiteral("xdg-open"));
    viewer.setArguments({QFileInfo(path).absoluteFilePath()});
    viewer.setStandardInputFile(QProcess::nullDevice());
    viewer.setStandardOutputFile(QProcess::nullDevice());
    viewer.setStandardErrorFile(QProcess::nullDevice());
    return viewer.startDetached();
}

QString ToolTableReport::write(const QString &path, int idTable, const QString &machineName, const QString &tableName,
                               int decimals)
{
    // Drawn into memory and written only whole: the earlier report stays when
    // the disk takes the new one only in part.
    QByteArray pdf;
    if (!render(pdf, idTable, machineName, tableName, decimals) || !pdf.trimmed().endsWith("%%EOF"))
        return QString();
    if (WholeFile::replace(path, pdf))
        return path;
    const QString fallback = QString::fromLatin1(fallbackPath);
    return path != fallback && WholeFile::replace(fallback, pdf) ? fallback : QString();
}

bool ToolTableReport::render(QByteArray &pdf, int idTable, const QString &machineName, const QString &tableName,
                             int decimals)
{
    // The page of the printer's PDF output at screen resolution.
    QPrinter setup(QPrinter::ScreenResolution);
    setup.setOutputFormat(QPrinter::PdfFormat);
    QBuffer out(&pdf);
    out.open(QIODevice::WriteOnly);
    QPdfWriter printer(&out);
    printer.setResolution(setup.resolution());
    printer.setPageLayout(setup.pageLayout());
    QPainter p;
    if (!p.begin(&printer))
        return false;

    const QRect viewport = p.viewport();
    Page page(viewport.width(), viewport.height());
    if (logo && !logo->isNull())
        page.logo = logo->scaled(60, 60, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    page.machine = QPixmap(QStringLiteral(":/img/machine.png"));
    page.table = QPixmap(QStringLiteral(":/img/ToolingTables.png"));
    for (QPixmap *pic : {&page.machine, &page.table})
        if (!pic->isNull())
            *pic = pic->scaled(35, 35, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    page.font = QFont(QStringLiteral("Arial"));
    p.setFont(page.font);

    QSqlQuery q;
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT * from tools where idTable=:idTable ORDER BY t"));
    q.bindValue(QStringLiteral(":idTable"), idTable);
    q.exec();

    int n = 1;
    drawHeader(p, page, machineName, tableName);
    auto normal12 = [&] {
        page.font.setPointSize(12);
        page.font.setBold(false);
        p.setFont(page.font);
    };
    normal12();
    int y = 130;
    bool pageOpen = true;
    while (q.next()) {
        drawRow(p, page, y, q.record(), decimals);
        const int next = y + 30;
        if (page.height - 59 <= next) {
            drawFooter(p, page, n);
            if (!printer.newPage()) {
                pageOpen = false;
                break;
            }
            ++n;
            drawHeader(p, page, machineName, tableName);
            normal12();
            y = 130;
        } else {
            y = next;
        }
    }
    if (pageOpen)
        drawFooter(p, page, n);
    return p.end() && pageOpen;
}

void ToolTableReport::drawHeader(QPainter &p, Page &page, const QString &machineName, const QString &tableName)
{
    p.setPen(QPen(Qt::black, 1));
    if (!page.logo.isNull())
        p.drawPixmap(5, (100 - page.logo.height()) / 2, page.logo);
    page.font.setPointSize(18);
    page.font.setBold(true);
    p.setFont(page.font);
    p.drawPixmap(100, 15, page.machine);
    p.drawText(140, 40, machineName);
    p.drawPixmap(360, 20, page.table);
    p.drawText(400, 40, tableName);
    p.drawRect(QRect(QPoint(0, 0), QPoint(8 * page.u + 1, 99)));
    p.drawLine(90, 50, 8 * page.u - 20, 50);

    page.font.setPointSize(14);
    p.setFont(page.font);
    p.drawText(100, 80, QDate::currentDate().toString(Qt::TextDate));

    const QString headings[columnCount] = {QStringLiteral("T"),  trReport("Code"),   QStringLiteral("X"),
                                           QStringLiteral("Xth"), QStringLiteral("Z"), QStringLiteral("Zth"),
                                           QStringLiteral("A"),  QStringLiteral("R")};
    for (int i = 0; i < columnCount; ++i) {
        const QRect cell = page.col[i].cell(100, 129);
        p.drawText(cell, Qt::AlignCenter, headings[i]);
        p.drawRect(cell);
    }
}

void ToolTableReport::drawRow(QPainter &p, Page &page, int y, const QSqlRecord &tool, int decimals)
{
    auto text = [&](const char *column) { return tool.value(QLatin1String(column)).toString(); };
    auto number = [&](const char *column) { return tool.value(QLatin1String(column)).toDouble(); };
    auto setSize = [&](int pt) {
        page.font.setPointSize(pt);
        p.setFont(page.font);
    };
    const bool xActive = hasTolerance(number("XtolPlus"), number("XtolMinus"));
    const bool zActive = hasTolerance(number("ZtolPlus"), number("ZtolMinus"));
    // The editor's rule, at the decimals the operator sees: a value on its limit is inside.
    const bool xOut = isOutOfTolerance(number("x"), number("Xth"), number("XtolPlus"), number("XtolMinus"), decimals);
    const bool zOut = isOutOfTolerance(number("z"), number("Zth"), number("ZtolPlus"), number("ZtolMinus"), decimals);

    const int bottom = y + 29;
    const QString t = text("t");
    page.font.setFamily(QStringLiteral("Droid"));
    setSize(t.size() == 7 ? 8 : t.size() == 8 ? 7 : 12);
    QRect cell = page.col[colT].cell(y, bottom);
    p.drawText(cell, Qt::AlignCenter, t);
    p.drawRect(cell);

    const QString code = text("code");
    setSize(code.size() > 20 ? 7 : 10);
    cell = page.col[colCode].cell(y, bottom);
    p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, code);
    p.drawRect(cell);
    setSize(12);

    auto measure = [&](int c, int thC, const char *value, const char *nominal, const char *plus, const char *minus,
                       bool active, bool out) {
        QRect m = page.col[c].cell(y, bottom);
        p.drawRect(m);
        if (out) {
            p.fillRect(m, Qt::red);
            p.setPen(Qt::white);
        }
        p.drawText(m, Qt::AlignRight | Qt::AlignVCenter, text(value));
        p.setPen(QPen(Qt::black, 1));

        setSize(10);
        const QRect th = page.col[thC].cell(y, bottom);
        const int P = m.right();
        if (active) {
            p.drawText(QRect(P - 4, y, 4 * page.u / 5, 30), Qt::AlignRight | Qt::AlignVCenter, text(nominal));
            setSize(6);
            p.drawText(QRect(P - 5 + 4 * page.u / 5, y, 3 * page.u / 5, 30), Qt::AlignTop | Qt::AlignLeft,
                       QStringLiteral("+") + text(plus));
            p.drawText(QRect(P - 5 + 4 * page.u / 5, y + 15, 3 * page.u / 5, 15), Qt::AlignTop | Qt::AlignLeft,
                       QStringLiteral("-") + text(minus));
        } else {
            p.drawText(th, Qt::AlignRight | Qt::AlignVCenter, text(nominal));
        }
        p.drawRect(th);
        setSize(12);
    };
    measure(colX, colXth, "x", "Xth", "XtolPlus", "XtolMinus", xActive, xOut);
    measure(colZ, colZth, "z", "Zth", "ZtolPlus", "ZtolMinus", zActive, zOut);

    setSize(10);
    for (const auto &c : {std::make_pair(int(colA), "angle"), std::make_pair(int(colR), "cr")}) {
        cell = page.col[c.first].cell(y, bottom);
        p.drawText(cell, Qt::AlignRight | Qt::AlignVCenter, text(c.second));
        p.drawRect(cell);
    }
}

void ToolTableReport::drawFooter(QPainter &p, Page &page, int n)
{
    p.drawText(0, page.height, QStringLiteral("%1 %2").arg(trReport("Page")).arg(n));
}
