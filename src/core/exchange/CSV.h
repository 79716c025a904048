#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;
class QTextCodec;

// The plain reader under the CSV import: separators, text codec, the named
// preprocessors that rewrite two tool management systems' lists into
// separated text, and the row cutter (also used for the import
// description's field definitions). No quoting: a field is the text between
// two separators, as it stands.
class CSV
{
public:
    CSV();

    void setFileName(const QString &name) { fileName = name; }
    void setCodec(const char *name);
    void setLineSeparator(const QString &separator) { lineSeparator = separator; }
    QString getLineSeparator() const { return lineSeparator; }
    void setPreprocessor(const QString &name) { preprocessorName = name; }
    QString getPreprocessor() const { return preprocessorName; }
    void setFieldSeparator(QChar separator) { fieldSeparator = separator; }
    QChar getFieldSeparator() const { return fieldSeparator; }
    void setDir(const QString &d) { dir = d; }
    QString getDir() const { return dir; }
    void setDefaultExt(const QString &ext) { defaultExt = ext; }
    QString getDefaultExt() const { return defaultExt; }
    void setDataStartLine(unsigned line) { dataStartLine = line; }
    // The first data row as an index (the stored line counts from 1).
    int getDataStartLine() const { return int(dataStartLine) - 1; }
    void setExportHeader(const QString &header) { exportHeader = header; }
    QString getExportHeader() const { return exportHeader; }
    void setAutoT(bool on) { autoT = on; }
    bool geAutoT() const { return autoT; }

    // Reads the named file, runs the preprocessor and cuts the rows; false
    // (rows untouched) when the file cannot be read or the preprocessor
    // refuses it, false also when no row has data.
    bool readCsvFile(QList<QStringList> &rows);
    // Rewrites the decoded text by the preprocessor's name; false stops the read.
    bool preprocessor(QString &text);
    // Cuts the text into rows of fields; rows without any non-empty field are
    // dropped. True when a row remains.
    bool readCsv(QList<QStringList> &rows, QString &text);
    // The line (from 1, between line separators) of each row of the last read.
    const QList<int> &rowLines() const { return lines; }

private:
    void nedschroef(QString &text) const;
    bool mikron(QString &text) const;

    QString fileName;
    QIODevice *device = nullptr;
    QTextCodec *codec;
    QString lineSeparator = QStringLiteral("\n");
    QString preprocessorName;
    QChar fieldSeparator = QLatin1Char(';');
    QString dir = QStringLiteral("./");
    QString defaultExt = QStringLiteral("csv");
    quint32 dataStartLine = 1;
    QString exportHeader;
    bool autoT = false;
    QList<int> lines;
};
