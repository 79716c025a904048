#pragma once

#include <QCoreApplication>
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
    Q_DECLARE_TR_FUNCTIONS(io_CSV)

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

    // Data rows from the data start line on, and the rows the last
    // createImportQuery refused, each as "line N: why".
    int dataRowCount() const { return qMax(0, dataRows.size() - reader.getDataStartLine()); }
    int refusedRows() const { return refusals.size(); }
    QStringList refusedRowTexts() const { return refusals; }

protected:
    // The value as it enters a statement; false when a number field holds no
    // finite number. empty tells whether the value leaves the row empty.
    static bool statementValue(const QStringList &definition, const QString &field, QString &value, bool &empty);

    // Notes a refused data row (index into the data rows) with the reason.
    void refuse(int row, const QString &why);

    QList<QStringList> dataRows;
    QList<int> dataLines; // the file line of each data row
    QList<QStringList> fieldDefs;
    CSV reader;
    QStringList refusals;
};
