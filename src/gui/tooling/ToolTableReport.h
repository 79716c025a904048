#pragma once

#include <QByteArray>
#include <QString>

class QPainter;
class QSqlRecord;

// The paged PDF report of one tooling table: a header with the logo, the
// machine and the table, a heading row, one row per tool with its measures,
// nominal values and tolerances (measures out of tolerance in red), and the
// page number at the foot of each page. Reports live in "./report", which
// keeps at most 100 older ones.
class ToolTableReport
{
public:
    static constexpr int keptReports = 100;

    // "./report/" + the trimmed name + ".pdf"; a name holding "/" would lead
    // out of the folder and takes "./report/table.pdf" instead.
    static QString reportPath(const QString &tableName);
    // Creates the folder when missing.
    static void prepareFolder(const QString &folder = QStringLiteral("./report"));
    // After a report was written: removes the oldest "*.pdf" files of the
    // folder while it holds more than keptReports besides the new one.
    static void pruneFolder(const QString &newReport, const QString &folder = QStringLiteral("./report"));
    // "./report".
    static QString folder() { return QStringLiteral("./report"); }

    // Writes the report of the table's tools into the path, or into
    // "./report/table.pdf" when the path cannot be written. Returns the file
    // written, or an empty text when no whole report could be written: the
    // file of that name then stays as it was.
    static QString write(const QString &path, int idTable, const QString &machineName, const QString &tableName,
                         int decimals);

    // Asks the desktop's PDF viewer to open the file, a report or the manual
    // (by program name, the absolute path as its argument, no stream of the
    // program's); false when the opener could not be started at all.
    static bool openInViewer(const QString &path);

private:
    struct Page;
    static bool render(QByteArray &pdf, int idTable, const QString &machineName, const QString &tableName,
                       int decimals);
    static void drawHeader(QPainter &p, Page &page, const QString &machineName, const QString &tableName);
    static void drawRow(QPainter &p, Page &page, int y, const QSqlRecord &tool, int decimals);
    static void drawFooter(QPainter &p, Page &page, int n);
};
