#include <QtTest>

#include "exchange/CSV.h"
#include "exchange/io_CSV_T8AM.h"
#include "support/TestWorkDir.h"

namespace {
QString rowsText(const QList<QStringList> &rows)
{
    QStringList out;
    for (const QStringList &r : rows)
        out << r.join('|');
    return out.join(" / ");
}

// An import description with these settings lines and field definitions.
QByteArray descriptionFile(const QByteArray &settings, const QList<QByteArray> &fields)
{
    QByteArray ini = "[Settings]\n" + settings + "\n[Data]\n";
    for (int i = 0; i < fields.size(); ++i)
        ini += "Field" + QByteArray::number(i) + "=\"" + fields[i] + "\"\n";
    return ini;
}
} // namespace

class tst_csv : public QObject
{
    Q_OBJECT
    TestWorkDir m_wd;

private slots:
    void readCsv_data()
    {
        QTest::addColumn<QString>("lineSeparator");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rows");
        QTest::newRow("CR LF, empty line dropped") << "\r\n" << "a;b\r\n\r\nc;d\r\n" << "a|b / c|d";
        QTest::newRow("LF default keeps the CR") << "\n" << "a;b\r\nc;d\r\n" << "a|b\r / c|d\r";
        QTest::newRow("separators only dropped, trailing kept") << "\n" << ";;\na;b;\n" << "a|b|";
        QTest::newRow("quotes stay") << "\n" << "\"a;b\";c" << "\"a|b\"|c";
        QTest::newRow("no row with data") << "\n" << ";\n\n" << "";
    }
    void readCsv()
    {
        QFETCH(QString, lineSeparator);
        QFETCH(QString, text);
        QFETCH(QString, rows);
        CSV csv;
        csv.setLineSeparator(lineSeparator);
        QList<QStringList> out;
        QCOMPARE(csv.readCsv(out, text), !rows.isEmpty());
        QCOMPARE(rowsText(out), rows);
    }

    void preprocessors_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rows"); // "refused" when the read fails
        QTest::newRow("nedschroef") << "nedschroef" << "T5\r\nX12500\r\nZ-3000\r\nT\r\nT6\r\nX1\r\nZ1\r\n"
                                    << "5|12.500|-3.000|";
        QTest::newRow("nedschroef, LF only: one line") << "nedschroef" << "T5\nX12500\nZ-3000\n" << "5\nX12500\nZ-3000\n|";
        QTest::newRow("mikron, upper case name") << "MIKRON"
                                                 << "WA01 IB=T12 @ WT DRILL @ K1 0 @ K2 ABC @ SE 1\r\n"
                                                    "SA01 G1 20.5 G2 15.2 SE\r\n"
                                                 << "ABC|T12|DRILL|10.250|15.2";
        QTest::newRow("mikron, two WA lines") << "Mikron"
                                              << "WA IB=1 @ WT A @ K1 @ K2 X @ SE\r\nWA IB=2 @ WT B @ K1 @ K2 Y @ SE\r\n"
                                                 "SA G1 4 G2 7 SE\r\n"
                                              << "X|1|A|Y|2|B|2.000|7";
        QTest::newRow("mikron, WA without @ SE") << "mikron" << "WA01 IB=T12 @ WT DRILL @ K1 0 @ K2 ABC\r\n" << "refused";
        QTest::newRow("mikron, SA without G2") << "mikron" << "SA01 G1 20.5 SE\r\n" << "refused";
        QTest::newRow("unknown name") << "other" << "a;b\n" << "refused";
    }
    void preprocessors()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, rows);
        QVERIFY(m_wd.writeFile("in.csv", text.toLatin1()));
        CSV csv;
        csv.setPreprocessor(name);
        csv.setLineSeparator("\r\n");
        csv.setFileName("in.csv");
        QList<QStringList> out{{"untouched"}};
        QCOMPARE(csv.readCsvFile(out), rows != "refused");
        QCOMPARE(rowsText(out), rows == "refused" ? QString("untouched") : rows);
    }

    void description_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("error");
        const QList<QByteArray> tx = {"tools|t|number", "tools|x|number|1|2"};
        QTest::newRow("defaults") << descriptionFile("", tx) << "";
        QTest::newRow("no Field0") << QByteArray("[Data]\nField1=tools|t|number\n") << "file ./csv-import.cfg";
        QTest::newRow("empty column") << descriptionFile("", {"tools|t|number", "tools||number"})
                                      << "Field1: tools |  | number | 1 | 1";
        QTest::newRow("column not an identifier")
            << descriptionFile("", {"tools|t) SELECT 1 --|number"}) << "Field0: tools | t) SELECT 1 -- | number | 1 | 1";
        QTest::newRow("two items") << descriptionFile("", {"tools|t"}) << "Field0: tools | t";
        QTest::newRow("statement 0") << descriptionFile("", {"tools|t|number|0"}) << "Field0: tools | t | number | 0 | 1";
        QTest::newRow("factor no number") << descriptionFile("", {"tools|t|number|1|x"}) << "Field0: tools | t | number | 1 | x";
        QTest::newRow("line separator 13:300") << descriptionFile("LineSeparator=13:300", tx) << "LineSeparator error";
        QTest::newRow("empty line separator") << descriptionFile("LineSeparator=", tx) << "LineSeparator error";
        QTest::newRow("field separator 0") << descriptionFile("FieldSeparator=0", tx) << "FieldSeparator error";
        QTest::newRow("field separator text") << descriptionFile("FieldSeparator=semicolon", tx) << "FieldSeparator error";
        QTest::newRow("data start line 0") << descriptionFile("DataStartLine=0", tx) << "DataStartLine error";
        QTest::newRow("data start line text") << descriptionFile("DataStartLine=first", tx) << "DataStartLine error";
    }
    void description()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, error);
        QVERIFY(m_wd.writeFile("csv-import.cfg", ini));
        io_CSV_T8AM io;
        QString text = "stale";
        QCOMPARE(io.setFormat("./csv-import.cfg", text), error.isEmpty());
        QCOMPARE(text, error);
        if (error.isEmpty())
            QCOMPARE(io.getDir(), QString("./"));
    }

    // A text of the description as written: blanks after a comma kept, the
    // bytes read as Latin-1.
    void descriptionTexts()
    {
        QVERIFY(m_wd.writeFile("csv-import.cfg", descriptionFile("Dir=./caf\xE9, in/", {"tools|t|number"})));
        io_CSV_T8AM io;
        QString error;
        QVERIFY2(io.setFormat("csv-import.cfg", error), qPrintable(error));
        QCOMPARE(io.getDir(), QString::fromUtf8("./café, in/"));
    }

    // The statements of a data file under a description; "-" for a row
    // without a statement.
    void statements_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QList<QByteArray>>("fields");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<int>("refused");
        const QString head = "INSERT INTO tools (idTable,";
        QTest::newRow("factor 2") << QByteArray() << QList<QByteArray>{"tools|t|number", "tools|x|number|1|2"}
                                  << QByteArray("7;1.25\r\n8;12.5\r\n")
                                  << QStringList{head + "t,x) VALUES (:idTable,7,2.5) ", head + "t,x) VALUES (:idTable,8,25) "} << 0;
        QTest::newRow("quotes doubled, AutoT, header skipped")
            << QByteArray("DataStartLine=2\nAutoT=true")
            << QList<QByteArray>{"tools|t|number", "tools|x|number", "tools|code|string"}
            << QByteArray("T;X;CODE\r\n5;12.5;O'NEIL\r\n;;\r\n;;x\r\n")
            << QStringList{head + "t,x,code,T) VALUES (:idTable,5,12.5,'O''NEIL',1) ",
                           head + "t,x,code,T) VALUES (:idTable,0,0,'x',2) "}
            << 0;
        QTest::newRow("empty numbers only: no statement, still numbered")
            << QByteArray("AutoT=true") << QList<QByteArray>{"tools|t|number", "other|y|string", "tools|x|number"}
            << QByteArray(";a;\r\n1;b;2\r\n") << QStringList{"-", head + "t,x,T) VALUES (:idTable,1,2,2) "} << 0;
        QTest::newRow("numbers that are none are refused")
            << QByteArray() << QList<QByteArray>{"tools|t|number", "tools|x|number"}
            << QByteArray("1;12,5\r\n2;1); DELETE FROM tools; --\r\n3;inf\r\n4;1e3\r\n")
            << QStringList{"-", "-", "-", head + "t,x) VALUES (:idTable,4,1e3) "} << 3;
        QTest::newRow("short row ends the statements") << QByteArray() << QList<QByteArray>{"tools|t|number", "tools|x|number"}
                                                       << QByteArray("1;2\r\n3\r\n4;5\r\n")
                                                       << QStringList{head + "t,x) VALUES (:idTable,1,2) "} << 0;
    }
    void statements()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QList<QByteArray>, fields);
        QFETCH(QByteArray, csv);
        QFETCH(QStringList, statements);
        QFETCH(int, refused);
        QVERIFY(m_wd.writeFile("csv-import.cfg", descriptionFile(settings, fields)));
        QVERIFY(m_wd.writeFile("data.csv", csv));
        io_CSV_T8AM io;
        QString error;
        QVERIFY2(io.setFormat("csv-import.cfg", error), qPrintable(error));
        QVERIFY(io.setDataByFile("data.csv"));
        QStringList out;
        for (const QStringList &entry : io.createImportQuery("tools"))
            out << (entry.isEmpty() ? QString("-") : entry.join('#'));
        QCOMPARE(out, statements);
        QCOMPARE(io.refusedRows(), refused);
        QVERIFY(io.createImportQuery("other").isEmpty());
    }

    // A factor keeps the digits; a row the tooling-table editor would refuse
    // gives no statement and is named by its line and why.
    void editorRules_data()
    {
        QTest::addColumn<QByteArray>("factor");   // of x
        QTest::addColumn<QByteArray>("row");      // t;x;code, after the row "1;1;a"
        QTest::addColumn<QString>("x");           // the x stored, or empty
        QTest::addColumn<QString>("refusal");
        QTest::newRow("1234.567 x 0.5") << QByteArray("0.5") << QByteArray("2;1234.567;b") << "617.2835" << "";
        QTest::newRow("54.321 x 25.4") << QByteArray("25.4") << QByteArray("2;54.321;b") << "1379.7534" << "";
        QTest::newRow("12.5 x 2") << QByteArray("2") << QByteArray("2;12.5;b") << "25" << "";
        QTest::newRow("tool 0") << QByteArray("1") << QByteArray("0;1;b") << "" << "line 3: t 0 out of 1 .. 99999999";
        QTest::newRow("tool -3") << QByteArray("1") << QByteArray("-3;1;b") << "" << "line 3: t -3 out of 1 .. 99999999";
        QTest::newRow("tool 7.9") << QByteArray("1") << QByteArray("7.9;1;b") << ""
                                  << "line 3: tool number 7.9 is not a whole number";
        QTest::newRow("tool 10000000000") << QByteArray("1") << QByteArray("10000000000;1;b") << ""
                                          << "line 3: t 10000000000 out of 1 .. 99999999";
        QTest::newRow("duplicate") << QByteArray("1") << QByteArray("1;1;b") << "" << "line 3: tool number 1 twice";
        QTest::newRow("x beyond 1500") << QByteArray("2") << QByteArray("2;750.5;b") << ""
                                       << "line 3: x 1501 out of -1500 .. 1500";
        QTest::newRow("code of 41") << QByteArray("1") << QByteArray("2;1;") + QByteArray(41, 'c') << ""
                                    << "line 3: code longer than 40 characters";
    }
    void editorRules()
    {
        QFETCH(QByteArray, factor);
        QFETCH(QByteArray, row);
        QFETCH(QString, x);
        QFETCH(QString, refusal);
        QVERIFY(m_wd.writeFile("csv-import.cfg", descriptionFile("DataStartLine=2", {"tools|t|number",
                                                                 "tools|x|number|1|" + factor, "tools|code|string"})));
        QVERIFY(m_wd.writeFile("data.csv", "T;X;CODE\r\n1;1;a\r\n" + row + "\r\n"));
        io_CSV_T8AM io;
        QString error;
        QVERIFY2(io.setFormat("csv-import.cfg", error), qPrintable(error));
        QVERIFY(io.setDataByFile("data.csv"));
        const QList<QStringList> statements = io.createImportQuery("tools");
        QCOMPARE(statements.size(), 2);
        QCOMPARE(statements[1].value(0).section(',', 5, 5), x);
        QCOMPARE(io.refusedRowTexts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    }
};

QTEST_MAIN(tst_csv)
#include "tst_csv.moc"
