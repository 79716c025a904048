#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>

#include "exchange/ctarnengine.h"
#include "support/TestWorkDir.h"

Q_DECLARE_METATYPE(sRecUtensile)
Q_DECLARE_METATYPE(QList<sRecUtensile>)

namespace {

const int kDiv[] = {1, 10, 100, 1000, 8};

sRecUtensile tool(double t, double r, double l, const QString &code = QString(), bool selected = true, double x = 0)
{
    sRecUtensile rec;
    rec.T = t;
    rec.R = r;
    rec.L = l;
    rec.X = x;
    rec.D = code;
    rec.selected = selected;
    return rec;
}

// A format with an optional setup section and the given body.
QString format(const QString &setup, const QString &body, const QString &header = QString(),
               const QString &footer = QString())
{
    QString f;
    if (!setup.isEmpty())
        f += "<SD>\n" + setup + "\n<ED>\n";
    if (!header.isNull())
        f += header + "\n";
    f += "<S>\n" + body + "\n<E>";
    if (!footer.isNull())
        f += "\n" + footer;
    return f;
}

} // namespace

// The post-processor engine through its text in and text out: format files,
// setup keys, masks, operations and the generated text.
class tst_tarnengine : public QObject
{
    Q_OBJECT

private slots:
    void setupLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value"); // invalid: the line is refused
        QTest::addColumn<QString>("error");
        QTest::newRow("EB codes") << "EB=59:13:10" << "EB" << QVariant(";\r\n") << "";
        QTest::newRow("EB empty item is code 0") << "EB=13::10" << "EB" << QVariant(QString("\r") + QChar(0) + "\n") << "";
        QTest::newRow("EB trailing colon") << "EB=13:" << "EB" << QVariant("\r") << "";
        QTest::newRow("EB nothing") << "EB=" << "EB" << QVariant("") << "";
        QTest::newRow("EB code 0") << "EB=13:0:10" << "" << QVariant() << "EB=13:0:10 invalid configuration";
        QTest::newRow("EB 256") << "EB=256" << "" << QVariant() << "EB=256 invalid configuration";
        QTest::newRow("de lower case") << "de=," << "DE" << QVariant(",") << "";
        QTest::newRow("DE colon") << "DE=:" << "" << QVariant() << "DE=: invalid configuration";
        QTest::newRow("DE two") << "DE=.." << "" << QVariant() << "DE=.. invalid configuration";
        QTest::newRow("MT negative") << "  MT=-50  " << "MT" << QVariant(50) << "";
        QTest::newRow("MT zero") << "MT=0" << "" << QVariant() << "MT=0 invalid configuration";
        QTest::newRow("MT lowest") << "MT=-2147483648" << "" << QVariant() << "MT=-2147483648 invalid configuration";
        QTest::newRow("ZE -1") << "ZE=-1" << "ZE" << QVariant(true) << "";
        QTest::newRow("ZE 2") << "ZE=2" << "" << QVariant() << "ZE=2 invalid configuration";
        QTest::newRow("AL 2") << "AL=2" << "" << QVariant() << "AL=2 invalid configuration";
        QTest::newRow("IM not a number is off") << "im=yes" << "IM" << QVariant(false) << "";
        QTest::newRow("SE blank separator") << "SE 1" << "SE" << QVariant(true) << "";
        QTest::newRow("SN not a number is 0") << "SN=x" << "SN" << QVariant(0) << "";
        QTest::newRow("PN negative") << "PN=-1" << "" << QVariant() << "PN=-1 invalid configuration";
        QTest::newRow("FN sign first") << "FN=+###0.00" << "FN" << QVariant("+###0.00") << "";
        QTest::newRow("FN sign later") << "FN=##+0.00" << "" << QVariant() << "##+0.00 invalid format";
        QTest::newRow("FN two dots") << "FN=#.#.#" << "" << QVariant() << "#.#.# invalid format";
        QTest::newRow("FN comma") << "FN=###,00" << "" << QVariant() << "###,00 invalid format";
        QTest::newRow("NA") << "NA=Lathe 7" << "NA" << QVariant("Lathe 7") << "";
        QTest::newRow("unknown key") << "XY=1" << "" << QVariant() << "XY=1 invalid configuration";
        QTest::newRow("blanks only") << "   " << "" << QVariant() << " invalid configuration";
        QTest::newRow("empty line") << "" << "" << QVariant(true) << "";
    }
    void setupLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QString, error);
        cTarnEngine e;
        QString err;
        QCOMPARE(e.ImpVarAmbientale(&line, &err), value.isValid());
        QCOMPARE(err, error);
        const QMap<QString, QVariant> now{{"EB", e.eb()}, {"DE", e.de()}, {"MT", e.mt()}, {"ZE", e.ze()},
                                         {"IM", e.im()}, {"SE", e.se()}, {"SN", e.sn()}, {"FN", e.fn()},
                                         {"NA", e.na()}};
        if (!key.isEmpty())
            QCOMPARE(now.value(key), value);
    }

    void integers()
    {
        for (const char *yes : {"12", "-3", "0", "2147483647", "-2147483648"})
            QVERIFY2(cTarnEngine::isInteger(yes), yes);
        for (const char *no : {"012", "+3", " 1", "", "-0", "-", "1.0", "2147483648", "12a"})
            QVERIFY2(!cTarnEngine::isInteger(no), no);
    }

    void sections_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("body");
        QTest::addColumn<QStringList>("footer");
        QTest::addColumn<QString>("error");
        const QString invalid = "Invalid post-processor format";
        QTest::newRow("body only") << "<S>\nT@T\n<E>" << QStringList() << QStringList{"T@T"} << QStringList() << "";
        QTest::newRow("comments, markers with text, empty lines")
            << "//x\n%\n  // kept\nN1 <S> lost\n\nA\n<E>\nM30\n" << QStringList{"%", "  // kept"}
            << QStringList{"", "A"} << QStringList{"M30", ""} << "";
        QTest::newRow("second setup section is text")
            << "<SD>\nSN=5\n<ED>\n<SD>\nSN=7\n<ED>\n<S>\nB\n<E>" << QStringList{"<SD>", "SN=7", "<ED>"}
            << QStringList{"B"} << QStringList() << "";
        QTest::newRow("only comments") << "//a\n//b" << QStringList() << QStringList() << QStringList() << invalid;
        QTest::newRow("no <E>") << "<S>\nB" << QStringList() << QStringList() << QStringList() << invalid;
        QTest::newRow("empty body") << "<S>\n<E>" << QStringList() << QStringList() << QStringList() << invalid;
        QTest::newRow("setup without end") << "<SD>\nSN=5\nPN=1" << QStringList() << QStringList()
                                           << QStringList() << invalid;
        QTest::newRow("bad setup line") << "<SD>\nAL=2\n<ED>\n<S>\nB\n<E>" << QStringList() << QStringList()
                                        << QStringList() << "AL=2 invalid configuration";
    }
    void sections()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, header);
        QFETCH(QStringList, body);
        QFETCH(QStringList, footer);
        QFETCH(QString, error);
        cTarnEngine e;
        QStringList h, b, f;
        QString err;
        QCOMPARE(e.CaricaRighe(text, &h, &b, &f, &err), error.isEmpty());
        QCOMPARE(err, error);
        if (error.isEmpty()) {
            QCOMPARE(h, header);
            QCOMPARE(b, body);
            QCOMPARE(f, footer);
        }
    }

    void formatFiles()
    {
        TestWorkDir wd;
        QVERIFY(wd.writeFile("postpro/b.pp", "<S>\r\nT@T\r\n<E>\r\n"));
        QVERIFY(wd.writeFile("postpro/A.pp", "x"));
        QVERIFY(wd.writeFile("postpro/c.txt", "x"));
        QVERIFY(QDir(wd.path()).mkpath("postpro/dir.pp"));
        QCOMPARE(cTarnEngine::getPostProcessors(), (QStringList{"A.pp", "b.pp"}));
        cTarnEngine e;
        QVERIFY(e.setPostPro("b.pp"));
        QCOMPARE(e.getPostProFormat(), QString("<S>\nT@T\n<E>\n"));
        QVERIFY(!e.setPostPro("gone.pp"));
        QCOMPARE(e.getPostProName(), QString("gone.pp"));
        QVERIFY(e.getPostProFormat().isEmpty());
    }

    void masks_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("de");
        QTest::addColumn<bool>("se");
        QTest::addColumn<QString>("result");
        QTest::newRow("12.5") << "12.5" << "###0.000" << "." << false << "12.500";
        QTest::newRow("0.5") << "0.5" << "###0.00" << "." << false << "0.50";
        QTest::newRow("0.5 no zero") << "0.5" << "####.00" << "." << false << ".50";
        QTest::newRow("-0.5") << "-0.5" << "###0.00" << "." << false << "-0.50";
        QTest::newRow("truncated") << "12.7" << "###0" << "." << false << "12";
        QTest::newRow("rounded") << "12.7" << "###0." << "." << false << "13.";
        QTest::newRow("blanks") << "5" << "**##0.00" << "." << false << "  5.00";
        QTest::newRow("dropped left") << "12345" << "##0.0" << "." << false << "345.0";
        QTest::newRow("sign place") << "7.3" << "+##0.0" << "." << false << " 7.3";
        QTest::newRow("sign place SE") << "7.3" << "+##0.0" << "." << true << "+7.3";
        QTest::newRow("sign place negative") << "-7.3" << "+##0.0" << "." << false << "-7.3";
        QTest::newRow("SE") << "12.5" << "###0.00" << "." << true << "+12.50";
        QTest::newRow("SE slash") << "12.5" << "/##0.00" << "." << true << "12.50";
        QTest::newRow("SE zeros") << "12.5" << "0000.00" << "." << true << "+0012.50";
        QTest::newRow("DE comma") << "-3.14159" << "0000.00" << "," << false << "-0003,14";
        QTest::newRow("sign takes a place") << "-5" << "#00.00" << "." << false << "-5.00";
        QTest::newRow("-12.5") << "-12.5" << "###0.00" << "." << false << "-12.50";
        QTest::newRow("negative filling the mask keeps its sign") << "-1234.5" << "###0.000" << "." << false
                                                                 << "-1234.500";
        QTest::newRow("negative beyond the mask: sign kept, digits dropped") << "-12345" << "##0" << "." << false
                                                                            << "-345";
        // A sign that finds no place is written in front of a number that is
        // not zero as shown ("#" without a point truncates).
        QTest::newRow("-0.7 truncated to 0") << "-0.7" << "#" << "." << false << "0";
        QTest::newRow("-0.5 blank place, decimals") << "-0.5" << "*.00" << "." << false << "-0.50";
        QTest::newRow("SE plus beyond the mask") << "12345" << "##0" << "." << true << "+345";
        QTest::newRow("sign place, no digit") << "-0.4" << "+#" << "." << false << " ";
        QTest::newRow("DE in the number") << "2,5" << "#0.0" << "," << false << "2,5";
        QTest::newRow("bad mask") << "1" << "##,#" << "." << false << "error:##,# invalid format";
        QTest::newRow("not a number") << "x1" << "#" << "." << false << "error:x1 invalid number";
        QTest::newRow("infinity") << "inf" << "#" << "." << false << "error:inf invalid number";
        QTest::newRow("integer part beyond 32 bits") << "3e9" << "###0" << "." << false
                                                     << "error:3e9 invalid number";
    }
    void masks()
    {
        QFETCH(QString, number);
        QFETCH(QString, mask);
        QFETCH(QString, de);
        QFETCH(bool, se);
        QFETCH(QString, result);
        cTarnEngine e;
        QString setup = "DE=" + de, err;
        QVERIFY(e.ImpVarAmbientale(&setup, &err));
        setup = se ? "SE=1" : "SE=0";
        QVERIFY(e.ImpVarAmbientale(&setup, &err));
        QString out;
        const bool ok = e.FormattaNumero(number, mask, &out, &err);
        QCOMPARE(ok ? out : "error:" + err, result);
    }

    void operations_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("result");
        QTest::newRow("+") << "12.5" << "+0.25" << "12.75";
        QTest::newRow("-") << "5" << "-7" << "-2";
        QTest::newRow("*") << "3" << "*0.5" << "1.50000";
        QTest::newRow("/") << "10" << "/4" << "2.50000";
        QTest::newRow("/ below 1") << "0.25" << "/1" << ".25000";
        QTest::newRow("\\") << "7" << "\\2" << "3";
        QTest::newRow("bad operator") << "12" << "x3" << "error:x invalid operator [12x3]";
        QTest::newRow("bad number") << "12" << "+a" << "error:12 invalid number";
        QTest::newRow("division by 0") << "12.5" << "/0" << "error:12.5/0 invalid number";
        QTest::newRow("integer division by 0") << "7" << "\\0" << "error:7\\0 invalid number";
        QTest::newRow("integer quotient beyond 32 bits") << "3000000000" << "\\1"
                                                         << "error:3000000000\\1 invalid number";
        QTest::newRow("overflow") << "3e38" << "*10" << "error:3e38*10 invalid number";
    }
    void operations()
    {
        QFETCH(QString, a);
        QFETCH(QString, operation);
        QFETCH(QString, result);
        cTarnEngine e;
        QString out, err;
        const bool ok = e.OpRazionale(a, operation, &out, &err);
        QCOMPARE(ok ? out : "error:" + err, result);
    }

    void generation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<sRecUtensile>>("tools");
        QTest::addColumn<QString>("result"); // "error:" + message on failure
        const QList<sRecUtensile> one{tool(3, 12.5, 60.25, "abcdef", true, 12.5)};
        const QList<sRecUtensile> two{tool(1, 1, 1, "A"), tool(2, 2, 2, "B")};
        const QList<sRecUtensile> spread{tool(1, 5, 1), tool(5, 5, 1), tool(9, 5, 1)};

        QTest::newRow("header, body, footer") << format("", "T@T", "%\nO1", "M30\n%") << two
                                              << "%\r\nO1T1\r\nT2\r\nM30\r\n%";
        QTest::newRow("EB") << format("EB=59:10", "T@T", "%") << two << "%T1;\nT2;\n";
        QTest::newRow("FN on R L X Z I only") << format("", "X@X T@T") << one << "X12.500 T3\r\n";
        QTest::newRow("DE") << format("DE=,", "@R") << one << "12,500\r\n";
        QTest::newRow("N numbering") << format("", "N@N\nN@N") << two << "N10\r\nN20\r\nN30\r\nN40\r\n";
        QTest::newRow("SN PN") << format("SN=5\nPN=1", "@N@N") << two << "56\r\n78\r\n";
        QTest::newRow("tab") << format("", "ABCD@B(10)X") << one << "ABCD     X\r\n";
        QTest::newRow("tab passed") << format("", "ABCD@B(3)X") << one << "error:@B(3) invalid TAB";
        QTest::newRow("tab beyond bound") << format("", "@B(100000)") << one << "error:@B(100000) invalid TAB";
        QTest::newRow("tab after conditional") << format("", "?(1=1|AB;C)@B(5)X") << one << "AB  X\r\n";
        QTest::newRow("text variables") << format("", "@D(3) @D(-1) @W(2) @C(1).") << one << "ABC ABCDEF TU .\r\n";
        QTest::newRow("@D(0)") << format("", "@D(0)") << one << "error:@D(0) invalid expression";
        QTest::newRow("@D alone") << format("", "@D") << one << "error:@D invalid expression";
        QTest::newRow("digit variable") << format("", "@2") << one << "error:@2 invalid expression";
        QTest::newRow("characters") << format("", "@$(65)@$(322)@&(3:66)@&(200:67)@&(0:68)") << one
                                    << "ABBBB\r\n";
        QTest::newRow("condition number") << format("", "?(@R=0|unmeasured;@R)") << QList<sRecUtensile>{tool(1, 0, 5)}
                                          << "unmeasured\r\n";
        QTest::newRow("condition else") << format("", "?(@R=0|unmeasured;@R)") << one << "12.500\r\n";
        QTest::newRow("condition text") << format("", "?(@D(1)<B|x;y)") << QList<sRecUtensile>{tool(1, 1, 1, "A")}
                                        << "y\r\n";
        QTest::newRow("condition numbers") << format("", "?(@R<5|x;y)") << QList<sRecUtensile>{tool(1, 2, 1)}
                                           << "x\r\n";
        QTest::newRow("condition without operator") << format("", "?(@R|x;y)") << one
                                                    << "error:?(@R|x;y) invalid expression";
        QTest::newRow("constant operation") << format("", "~100(-@L)") << one << "39.75\r\n";
        QTest::newRow("variable operation") << format("", "@X(*2) @T(+1)") << one << "25.000 4\r\n";
        QTest::newRow("masked expression") << format("", "^(~2(*@R):+##0.0)") << one << " 25.0\r\n";
        QTest::newRow("bad variable operand") << format("", "@R(+abc)") << one << "error:+abc invalid operation";
        QTest::newRow("bad constant operand") << format("", "~5(+abc)") << one << "error:+abc invalid expression";
        QTest::newRow("bad mask") << format("", "^(@R:##,#)") << one << "error:##,# invalid format";
        QTest::newRow("unbalanced") << format("", "T@D(3") << one << "error:Impossible evaluate @D(3";
        QTest::newRow("AL off") << format("", "@T") << spread << "1\r\n5\r\n9\r\n";
        QTest::newRow("AL on") << format("AL=1\nMT=10", "@T:@R") << spread
                               << "1:5.000\r\n2:0.000\r\n3:0.000\r\n4:0.000\r\n5:5.000\r\n6:0.000\r\n7:0.000\r\n"
                                  "8:0.000\r\n9:5.000\r\n10:0.000\r\n";
        QTest::newRow("AL without MT") << format("AL=1", "@T") << spread << "error:Missing MT parameter";
        QTest::newRow("MT ends the loop") << format("MT=5", "@T") << spread << "1\r\n5\r\n";
        QTest::newRow("unselected skipped")
            << format("", "@T") << QList<sRecUtensile>{tool(1, 1, 1, "", false), tool(2, 1, 1)} << "2\r\n";
        QTest::newRow("unselected as empty position")
            << format("AL=1\nMT=2", "@T@D(9)") << QList<sRecUtensile>{tool(1, 1, 1, "a", false), tool(2, 1, 1, "b")}
            << "1\r\n2B\r\n";
        QTest::newRow("IM") << format("IM=1", "@T") << QList<sRecUtensile>{tool(1, 1, 1, "", false)} << "1\r\n";
        QTest::newRow("zero tool") << format("", "@T") << QList<sRecUtensile>{tool(1, 0, 0), tool(2, 1, 0)} << "2\r\n";
        QTest::newRow("ZE") << format("ZE=1", "@T") << QList<sRecUtensile>{tool(1, 0, 0, "", false)} << "1\r\n";
        QTest::newRow("same number and 0") << format("", "@T") << QList<sRecUtensile>{tool(0, 1, 1), tool(4, 1, 1), tool(4, 1, 1)}
                                           << "0\r\n4\r\n4\r\n";
        QTest::newRow("empty tool list") << format("", "@T", "%") << QList<sRecUtensile>() << "error:Empty tooling set";
        QTest::newRow("empty format") << "" << one << "error:Empty postprocessor format";
        QTest::newRow("bad format") << "<S>\n<E>" << one << "error:Invalid post-processor format";
    }
    void generation()
    {
        QFETCH(QString, text);
        QFETCH(QList<sRecUtensile>, tools);
        QFETCH(QString, result);
        cTarnEngine e;
        QString name = "turret";
        e.setTableName(name);
        e.setTabAttiva(&tools);
        QString out, err;
        const bool ok = e.GeneraFilePP(text, &out, &err);
        QCOMPARE(ok ? out : "error:" + err, result);
    }

    // Stored values reach the file with every digit; MT's omissions are told.
    void fullDigits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<sRecUtensile>("record");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QList<qint64>>("leftOut");
        QTest::newRow("X 1234.567") << format("", "X@R") << tool(1, 1234.567, 1) << "X1234.567\r\n" << QList<qint64>();
        QTest::newRow("X -1499.999") << format("", "X@R") << tool(1, -1499.999, 1) << "X-1499.999\r\n"
                                     << QList<qint64>();
        QTest::newRow("four decimals") << format("FN=###0.0000", "X@R") << tool(1, 1234.5678, 1) << "X1234.5678\r\n"
                                       << QList<qint64>();
        QTest::newRow("Z 99999.9999") << format("FN=#####0.0000", "Z@L") << tool(1, 1, 99999.9999) << "Z99999.9999\r\n"
                                      << QList<qint64>();
        QTest::newRow("long text rounded as written") << format("", "^(~2469.1345:###0.000)") << tool(1, 1, 1)
                                                      << "2469.135\r\n" << QList<qint64>();
        QTest::newRow("long negative text, carry") << format("", "^(~-999.99995:###0.0000)") << tool(1, 1, 1)
                                                   << "-1000.0000\r\n" << QList<qint64>();
        QTest::newRow("T1234567") << format("MT=99999999", "T@T") << tool(1234567, 1, 1) << "T1234567\r\n" << QList<qint64>();
        QTest::newRow("T masked") << format("MT=99999999", "^(@T:00000000)") << tool(1234567, 1, 1) << "01234567\r\n"
                                  << QList<qint64>();
        QTest::newRow("T99999999 at MT") << format("MT=99999999", "T@T") << tool(99999999, 1, 1) << "T99999999\r\n"
                                         << QList<qint64>();
        QTest::newRow("beyond MT told") << format("MT=5", "T@T", "%") << tool(9, 1, 1) << "%" << QList<qint64>{9};
        QTest::newRow("beyond MT with AL") << format("AL=1\nMT=1", "T@T") << tool(7, 1, 1) << "T1\r\n"
                                           << QList<qint64>{7};
    }
    void fullDigits()
    {
        QFETCH(QString, text);
        QFETCH(sRecUtensile, record);
        QList<sRecUtensile> tools{record};
        cTarnEngine e;
        e.setTabAttiva(&tools);
        QString out, err;
        QVERIFY2(e.GeneraFilePP(text, &out, &err), qPrintable(err));
        QTEST(out, "result");
        QTEST(e.leftOutByMt(), "leftOut");
    }

    // The engine's own number texts and reading must be the toolkit's to the
    // last digit: the output is compared byte for byte by the CNC.
    void numberTextsAreTheToolkits()
    {
        QRandomGenerator rng(22);
        const float fixed[] = {0, -0.0f, 0.125f, -0.125f, 2.5f, 12.5f, 0.5f, 999999.5f, 1e-4f, 1e15f, 3e38f,
                               1234565.f, 16777216.f, 2147483520.f, 0.000999999f};
        for (int i = 0; i < 300000; ++i) {
            float v;
            if (i < int(sizeof fixed / sizeof *fixed)) {
                v = fixed[i];
            } else if (i % 3 == 0) {
                // Decimal values of a tool table, ties included.
                v = float(int(rng.bounded(2000000)) - 1000000) / float(kDiv[rng.bounded(5)]);
            } else {
                const quint32 bits = rng.generate();
                std::memcpy(&v, &bits, sizeof v);
            }
            const double d = double(v);
            QCOMPARE(cTarnEngine::numberText(v, 'g', 6), QString::number(d, 'g', 6));
            const int decimals = int(rng.bounded(10));
            QCOMPARE(cTarnEngine::numberText(v, 'f', decimals), QString::number(d, 'f', decimals));
            const QString text = i % 2 ? QString::number(d, 'f', decimals) : QString::number(d, 'g', 9);
            bool ok = false, okToolkit = false;
            const float read = cTarnEngine::readNumber(text, &ok);
            const float toolkit = text.toFloat(&okToolkit);
            QCOMPARE(ok, okToolkit);
            if (ok)
                QVERIFY2(read == toolkit || (std::isnan(read) && std::isnan(toolkit)), qPrintable(text));
        }
        for (const char *t : {"-.5", ".5", "5.", "-", "1e39", "1e-50", " 1", "+3", "1.2.3", "--1", "0x10", "12-"}) {
            bool ok = false, okToolkit = false;
            const float read = cTarnEngine::readNumber(t, &ok);
            QCOMPARE(ok, okToolkit = (QString(t).toFloat(&okToolkit), okToolkit));
            if (ok)
                QCOMPARE(read, QString(t).toFloat());
        }
    }

    // Whatever the format or the tools hold, generation ends with text or the
    // engine's error, never with a crash.
    void bounds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<sRecUtensile>>("tools");
        QTest::addColumn<QString>("result");
        const QList<sRecUtensile> one{tool(1, 12.5, 1)};
        QString nestedIf, nestedOp = "@R";
        for (int i = 0; i < 200; ++i) {
            nestedIf = "?(1=2|a;" + nestedIf + ")";
            nestedOp = "@R(+" + nestedOp + ")";
        }
        QTest::newRow("nested conditionals") << format("", nestedIf) << one << "ends: invalid expression";
        QTest::newRow("nested operands") << format("", nestedOp) << one << "ends: invalid expression";
        QTest::newRow("division by 0") << format("", "@R(/0)") << one << "error:12.5/0 invalid number";
        QTest::newRow("block number beyond 32 bits") << format("SN=2147483600\nPN=100", "@N")
                                                     << QList<sRecUtensile>{tool(1, 1, 1), tool(2, 1, 1)}
                                                     << "error:@N invalid number";
        QTest::newRow("position beyond 32 bits") << format("", "@T") << QList<sRecUtensile>{tool(1e10f, 1, 1)}
                                                 << "error:1e+10 invalid number";
        QTest::newRow("infinite value") << format("", "@R") << QList<sRecUtensile>{tool(1, qInf(), 1)}
                                        << "error:inf invalid number";
        QTest::newRow("all positions of a huge MT") << format("AL=1\nMT=2147483647", "@T") << one
                                                    << "error:Generated text too large";
        QTest::newRow("long line") << format("", QString("@T").repeated(200000)) << one
                                   << QString("1").repeated(200000) + "\r\n";
        QTest::newRow("long mask") << format("", "^(7:" + QString("#").repeated(100000) + ")") << one << "7\r\n";
    }
    void bounds()
    {
        QFETCH(QString, text);
        QFETCH(QList<sRecUtensile>, tools);
        QFETCH(QString, result);
        cTarnEngine e;
        e.setTabAttiva(&tools);
        QString out, err;
        const bool ok = e.GeneraFilePP(text, &out, &err);
        if (result.startsWith("ends:"))
            QVERIFY2(!ok && err.endsWith(result.mid(5)), qPrintable(err));
        else
            QCOMPARE(ok ? out : "error:" + err, result);
    }
};

QTEST_GUILESS_MAIN(tst_tarnengine)
#include "tst_tarnengine.moc"
