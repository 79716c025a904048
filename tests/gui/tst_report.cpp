#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "shared/SharedStruct.h"
#include "support/FakeViewer.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/StorageFault.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"
#include "tooling/ToolTableReport.h"
#include "tooling/ctoolset.h"

namespace {
QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Text of the report, pages separated by form feeds.
QStringList pages(const QString &file)
{
    QStringList p = run("/usr/bin/pdftotext", {"-layout", file, "-"}).split('\f');
    p.removeLast(); // after the last form feed
    return p;
}

// The paint area of the report's printer on the paper, and its resolution.
QRect paintArea(int *dpi)
{
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    *dpi = printer.resolution();
    return printer.pageLayout().paintRectPixels(*dpi);
}
// Whether each of the first rows of the report's first page has a red "X" cell.
QList<bool> redXCells(const QString &file, int rows, const char *screenshot = nullptr)
{
    int dpi;
    const QRect area = paintArea(&dpi);
    QTemporaryDir out;
    run("/usr/bin/pdftoppm", {"-r", QString::number(dpi), "-f", "1", "-l", "1", "-png", "-singlefile", file,
                              out.filePath("page")});
    const QImage page(out.filePath("page.png"));
    if (screenshot)
        saveScreenshot(page, screenshot);
    QList<bool> red;
    const int xCell = area.left() + 50 + 17 * (area.width() / 8) / 10;
    for (int row = 0; row < rows && !page.isNull(); ++row) {
        // Left part of the "X" cell, clear of its right-aligned text.
        const QColor c = page.pixelColor(xCell + 6, area.top() + 130 + 30 * row + 15);
        red << (c.red() > 200 && c.green() < 60);
    }
    return red;
}
} // namespace

class tst_report : public QObject
{
    Q_OBJECT
    std::unique_ptr<ToolingDbScope> m_db;
    int m_machine = 0;

    int addTool(int table, int t, const QString &code, double x, double th = 0, double tol = 0)
    {
        const int id = ToolingDb::addTool(table, t, x, 50.5, code);
        ToolingDb::exec(QStringLiteral("UPDATE tools SET Xth=%1, XtolPlus=%2, XtolMinus=%2, angle=35, cr=0.4 WHERE idTool=%3")
                            .arg(th).arg(tol).arg(id));
        return id;
    }
    // Presses the editor's "print list" button on the table; false when the
    // editor is left disabled.
    static bool pressPrint(int table, const QString &name)
    {
        QWidget parent;
        cToolset *editor = new cToolset(nullptr, nullptr, &parent);
        editor->setCurrentTable(table, "LATHE 1", name);
        editor->findChild<QPushButton *>("tbListPrint")->click();
        return editor->isEnabled();
    }
    // Prints the table, the disk playing the fault for the report's write
    // (not for the viewer's); returns what the viewer was asked to open (a
    // call of our own bounds the wait).
    QStringList print(int table, const QString &name, int expected = 1, int fault = StorageFault::None)
    {
        FakeViewer viewer;
        {
            StorageFault disk(StorageFault::Kind(fault), "report/" + name + ".pdf", 64);
            if (!disk.holds())
                return {"no fault"};
            if (!pressPrint(table, name))
                return {"editor left disabled"};
        }
        QProcess::startDetached("xdg-open", {"probe"});
        (void)QTest::qWaitFor([&] { return viewer.calls().size() >= expected + 1; }, 10000);
        QStringList calls = viewer.calls();
        calls.removeAll("probe");
        return calls;
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<ToolingDbScope>();
        QVERIFY(m_db->isOpen());
        m_machine = ToolingDb::addMachine("LATHE 1");
    }
    void cleanupTestCase() { m_db.reset(); }
    void init()
    {
        ToolingDb::emptyTables();
        QDir("report").removeRecursively();
        QFile::remove("report");
        CurrentMachine = getMachineData(m_machine);
        MachineSettings.mmDecimals = 3;
    }

    void contentAndViewer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("plain") << "SHAFT" << "report/SHAFT.pdf";
        QTest::newRow("blanks trimmed from the file name") << " SHAFT 2 " << "report/SHAFT 2.pdf";
        QTest::newRow("a name leading out of the folder") << "../x" << "report/table.pdf";
    }
    void contentAndViewer()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        const int table = ToolingDb::addTable(m_machine, name);
        addTool(table, 12, "CNMG 1204", 25.125);
        addTool(table, 3, "DRILL 8", 4.05, 4, 0.05);
        MessageBoxRecorder rec;
        QCOMPARE(print(table, name), QStringList{QFileInfo(file).absoluteFilePath()});
        QVERIFY(rec.boxes().isEmpty());
        QVERIFY(!QFile::exists("x.pdf"));
        const QString text = pages(file).join("");
        for (const char *s : {"LATHE 1", "Code", "Xth", "Zth", "25.125", "+0.05", "-0.05", "Page 1"})
            QVERIFY2(text.contains(s), s);
        QVERIFY(text.indexOf("DRILL 8") < text.indexOf("CNMG 1204")); // by tool number
    }

    // A new page once the next row would reach 59 pixels above the bottom;
    // every page repeats the header.
    void pageBreaks()
    {
        const int table = ToolingDb::addTable(m_machine, "LONG");
        QSqlDatabase::database().transaction();
        for (int t = 1; t <= 100; ++t)
            ToolingDb::addTool(table, t, t, t, QStringLiteral("CODE%1").arg(t));
        QSqlDatabase::database().commit();
        QCOMPARE(print(table, "LONG").size(), 1);
        int dpi;
        const int height = paintArea(&dpi).height();
        int perPage = 1;
        while (130 + 30 * perPage < height - 59)
            ++perPage;
        const QStringList text = pages("report/LONG.pdf");
        QCOMPARE(text.size(), 100 / perPage + 1);
        for (int page = 1; page <= text.size(); ++page) {
            QVERIFY(text[page - 1].contains("Code") && text[page - 1].contains(QStringLiteral("Page %1").arg(page)));
            // The page's first row (none on the last page when the rows filled the previous one).
            const QRegularExpressionMatch m = QRegularExpression("CODE(\\d+)").match(text[page - 1]);
            QCOMPARE(m.hasMatch() ? m.captured(1).toInt() : 101, (page - 1) * perPage + 1);
        }
    }

    // The folder keeps 100 older reports besides the new one, pruned only
    // once the new one is written: a refused report costs no old one.
    void oldReports_data()
    {
        QTest::addColumn<int>("old");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("left");
        QTest::newRow("101 old: the oldest goes") << 101 << int(StorageFault::None) << 101;
        QTest::newRow("100 old: all stay") << 100 << int(StorageFault::None) << 101;
        QTest::newRow("101 old, the new one refused: all stay") << 101 << int(StorageFault::FullDisk) << 101;
        QTest::newRow("100 old, the new one refused: all stay") << 100 << int(StorageFault::FullDisk) << 100;
    }
    void oldReports()
    {
        QFETCH(int, old);
        QFETCH(int, fault);
        QFETCH(int, left);
        QDir().mkpath("report");
        for (int i = 0; i < old; ++i) {
            QFile f(QStringLiteral("report/old%1.pdf").arg(i));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("%PDF") && f.flush());
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(i - 1000), QFileDevice::FileModificationTime));
        }
        const bool refused = fault != StorageFault::None;
        const int table = ToolingDb::addTable(m_machine, "NEW");
        MessageBoxRecorder rec;
        const QStringList opened = print(table, "NEW", refused ? 0 : 1, fault);
        QCOMPARE(opened.size(), refused ? 0 : 1);
        QCOMPARE(rec.boxes().size(), refused ? 1 : 0);
        QCOMPARE(QFile::exists("report/NEW.pdf"), !refused);
        QCOMPARE(QFile::exists("report/old0.pdf"), refused || old <= 100);
        QCOMPARE(QDir("report").entryList({"*.pdf"}, QDir::Files).size(), left);
    }

    // Red exactly when the measure lies beyond its limits at the shown
    // decimals: 10.06 and 9.94 are out, 10.05 and 9.95 on the limits.
    void toleranceCells()
    {
        const int table = ToolingDb::addTable(m_machine, "TOLERANCES");
        const QList<double> x = {10.06, 10.05, 9.95, 9.94, 99};
        const QStringList codes = {"OUT ABOVE", "ON UPPER LIMIT", "ON LOWER LIMIT", "OUT BELOW", "NO TOLERANCE"};
        for (int i = 0; i < x.size(); ++i)
            addTool(table, i + 1, codes[i], x[i], 10, i < 4 ? 0.05 : 0);
        addTool(table, 1234567, "A CODE OF MORE THAN TWENTY CHARACTERS", 12.5);
        QCOMPARE(print(table, "TOLERANCES").size(), 1);
        const QList<bool> red = redXCells("report/TOLERANCES.pdf", x.size(), "report-page");
        for (int row = 0; row < x.size(); ++row)
            QCOMPARE(red.value(row), row == 0 || row == 3);
    }

    // A tolerance finer than the decimals shown is still a tolerance.
    void toleranceFinerThanShown_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<bool>("red");
        QTest::newRow("10.3 against 10 +/-0.04 at one decimal") << 10.3 << true;
        QTest::newRow("10.04 on its limit") << 10.04 << false;
    }
    void toleranceFinerThanShown()
    {
        QFETCH(double, x);
        QFETCH(bool, red);
        MachineSettings.mmDecimals = 1;
        const int table = ToolingDb::addTable(m_machine, "FINE");
        addTool(table, 1, "FINE", x, 10, 0.04);
        QCOMPARE(print(table, "FINE").size(), 1);
        QCOMPARE(redXCells("report/FINE.pdf", 1, red ? "report-finer-tolerance" : nullptr), QList<bool>{red});
    }

    // Without any viewer the operator is told where the report went.
    void viewerMissing()
    {
        const int table = ToolingDb::addTable(m_machine, "SHAFT");
        FakeViewer viewer(FakeViewer::Missing);
        MessageBoxRecorder rec;
        QVERIFY(pressPrint(table, "SHAFT"));
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().first().kind, QMessageBox::Information);
        QVERIFY2(rec.boxes().first().text.endsWith("\n" + QFileInfo("report/SHAFT.pdf").absoluteFilePath()),
                 qPrintable(rec.boxes().first().text));
        QVERIFY(QFile::exists("report/SHAFT.pdf"));
    }

    // A viewer left open after the program ended holds none of the program's
    // streams: a pipe the program wrote into ends with the program.
    void viewerHoldsNoStreamOfTheProgram_data()
    {
        QTest::addColumn<int>("stream");
        QTest::newRow("standard output") << STDOUT_FILENO;
        QTest::newRow("standard error") << STDERR_FILENO;
    }
    void viewerHoldsNoStreamOfTheProgram()
    {
        QFETCH(int, stream);
        const int table = ToolingDb::addTable(m_machine, "SHAFT");
        FakeViewer viewer(FakeViewer::Lingering);
        int pipeEnds[2];
        QVERIFY(::pipe2(pipeEnds, O_CLOEXEC) == 0);
        // The stream is the pipe only while the editor prints.
        fflush(stdout);
        fflush(stderr);
        const int saved = ::fcntl(stream, F_DUPFD_CLOEXEC, 0);
        QVERIFY(saved >= 0);
        ::dup2(pipeEnds[1], stream);
        const bool enabled = pressPrint(table, "SHAFT");
        fflush(stream == STDOUT_FILENO ? stdout : stderr);
        ::dup2(saved, stream);
        ::close(saved);
        ::close(pipeEnds[1]);
        QVERIFY(enabled);
        QTRY_COMPARE(viewer.calls(), QStringList{QFileInfo("report/SHAFT.pdf").absoluteFilePath()});
        // With the viewer still running, no one writes into the pipe any more.
        QCOMPARE(viewer.running(), 1);
        pollfd end{pipeEnds[0], POLLIN, 0};
        QCOMPARE(::poll(&end, 1, 0), 1);
        QVERIFY(end.revents & POLLHUP);
        char c = 0;
        QCOMPARE(::read(pipeEnds[0], &c, 1), ssize_t(0));
        ::close(pipeEnds[0]);
    }

    // A report the disk takes only in part, or not at all, is no report: the
    // earlier one stays byte for byte. A file that may not be replaced sends
    // the report to the fallback file.
    void refusedReport_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("written");
        const QString report = ToolTableReport::reportPath("SHAFT");
        QTest::newRow("none") << int(StorageFault::None) << report << report;
        QTest::newRow("full disk") << int(StorageFault::FullDisk) << report << "";
        QTest::newRow("read-only file") << int(StorageFault::ReadOnlyFile) << report << "./report/table.pdf";
        QTest::newRow("read-only folder") << int(StorageFault::ReadOnlyFolder) << report << "";
        QTest::newRow("read-only folder of another path") << int(StorageFault::ReadOnlyFolder) << "./other/SHAFT.pdf"
                                                          << "./report/table.pdf";
    }
    void refusedReport()
    {
        QFETCH(int, fault);
        QFETCH(QString, path);
        QFETCH(QString, written);
        const int table = ToolingDb::addTable(m_machine, "SHAFT");
        addTool(table, 1, "OLD 1", 10);
        ToolTableReport::prepareFolder();
        ToolTableReport::prepareFolder(QFileInfo(path).path());
        // The fallback's folder open to the user the fault plays.
        QVERIFY(QFile::setPermissions("report", QFileDevice::Permissions(0x7777)));
        QCOMPARE(ToolTableReport::write(path, table, "LATHE 1", "SHAFT", 3), path);
        const QByteArray start = TestWorkDir::readFile(path);
        for (int t = 2; t < 40; ++t)
            addTool(table, t, "NEW " + QString::number(t), t);
        QString result = "not run";
        {
            StorageFault disk(StorageFault::Kind(fault), path);
            QVERIFY(disk.holds());
            result = ToolTableReport::write(path, table, "LATHE 1", "SHAFT", 3);
        }
        QCOMPARE(result, written);
        if (fault != StorageFault::None)
            QCOMPARE(TestWorkDir::readFile(path), start);
        if (!written.isEmpty())
            QVERIFY(pages(written).join("").contains("NEW 39"));
        QCOMPARE(StorageFault::leftovers(path), QStringList());
    }

    // A report that cannot be written at all opens no viewer and says so.
    void unwritableFolder()
    {
        QFile blocker("report");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        MessageBoxRecorder rec;
        QCOMPARE(print(ToolingDb::addTable(m_machine, "SHAFT"), "SHAFT", 0), QStringList());
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().first().kind, QMessageBox::Critical);
        QVERIFY(rec.boxes().first().text.startsWith("Unable to write the report"));
    }
};

QTEST_MAIN(tst_report)
#include "tst_report.moc"
