#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "exchange/CSV.h"

// A CSV import: the import description ("./csv-import.cfg": separators,
// preprocessor, first data row, which CSV column goes into which table
// column), the rows of a CSV file, and the INSERT statements built from
// them. Every value that enters a statement's text is checked first: number
// fields must hold a number, string fields are quoted, column names are
// plain identifiers.
class io_CSV
{
public:
    io_CSV() = default;
    virtual ~io_CSV() = default;

    // Loads the description; false with the reason in error.
    bool setFormat(const QString &path, QString &error);
    QString getDir() const { return reader.getDir(); }
    QString getDefaultExt() const { return reader.getDefaultExt(); }
    bool setDataByFile(const QString &fileName);

    // Per data row (from the data start line on) a list holding its
    // statements, or an empty list when the row gives none. The caller binds
    // the id placeholder of each statement.
    virtual QList<QStringList> createImportQuery(QString table);
    // Writes one tool set as CSV text (Latin-1) with the described columns.
    bool writeCsv(const QString &fileName, int idToolSet);

    // Data rows from the data start line on, and how many of them the last
    // createImportQuery refused (a number field that holds no number).
    int dataRowCount() const { return qMax(0, dataRows.size() - reader.getDataStartLine()); }
    int refusedRows() const { return refused; }

protected:
    // The value as it enters a statement; false when a number field holds no
    // finite number. empty tells whether the value leaves the row empty.
    static bool statementValue(const QStringList &definition, const QString &field, QString &value, bool &empty);

    QList<QStringList> dataRows;
    QList<QStringList> fieldDefs;
    CSV reader;
    int refused = 0;
};
