#include <QtTest>

#include "dnc/DncLayout.h"
#include "dnc/DncScript.h"
#include "dnc/DncValues.h"
#include "shared/SharedStruct.h"
#include "support/TestWorkDir.h"

// The DNC layout reader, the value texts and checks, and the field scripts:
// all without a screen, through files and texts.
class tst_dnclayout : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWorkDir> m_wd;
    const QSet<QString> m_columns{"idTool", "dncNum0", "dncNum1", "dncAlpha0"};

    bool readText(DncLayout &l, const QByteArray &ini, bool toolMode)
    {
        m_wd->writeFile("dnc/t.dnc", ini);
        return l.read(m_wd->filePath("dnc/t.dnc"), toolMode, m_columns);
    }

private slots:
    void init() { m_wd = std::make_unique<TestWorkDir>(); }
    void cleanup() { m_wd.reset(); }

    void errors_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("toolMode");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("section");
        QTest::addColumn<int>("fieldsRead");
        const QByteArray one = "[SETTINGS]\nTotFields=1\n[FIELD0]\n";
        const QByteArray two = "[SETTINGS]\nTotFields=2\n[FIELD0]\n";
        QTest::newRow("no TotFields") << QByteArray("[FIELD0]\nLabel=a\n") << false
                                      << "Invalid TotFields in configuration" << "" << 0;
        QTest::newRow("TotFields -1 reads nothing") << QByteArray("[SETTINGS]\nTotFields=-1\n") << true << "" << "" << 0;
        QTest::newRow("TotFields above bound") << QByteArray("[SETTINGS]\nTotFields=1001\n") << false
                                               << "Invalid TotFields in configuration" << "" << 0;
        QTest::newRow("Label missing is ?") << one << false << "" << "" << 1;
        QTest::newRow("Label empty") << QByteArray(two + "Label=a\n[FIELD1]\nLabel=\n") << false
                                     << "Error in configuration" << "/FIELD1/" << 1;
        QTest::newRow("stand-alone without Sql keys") << one << false << "" << "" << 1;
        QTest::newRow("tool mode without SqlTable") << one << true << "Invalid SqlTable" << "/FIELD0/" << 0;
        QTest::newRow("tool mode without SqlField") << QByteArray(one + "SqlTable=dnc\n") << true
                                                    << "Invalid SqlField" << "/FIELD0/" << 0;
        QTest::newRow("dnc column that does not exist") << QByteArray(one + "SqlTable=dnc\nSqlField=dncNum200\n")
                                                        << true << "Invalid SqlField" << "/FIELD0/" << 0;
        QTest::newRow("dnc column with statement text")
            << QByteArray(one + "SqlTable=dnc\nSqlField=\"dncNum0=1 WHERE 1;--\"\n") << true << "Invalid SqlField"
            << "/FIELD0/" << 0;
        QTest::newRow("dnc column in other case") << QByteArray(one + "SqlTable=dnc\nSqlField=DNCNUM0\n") << true
                                                  << "" << "" << 1;
        QTest::newRow("other table not checked") << QByteArray(one + "SqlTable=tools\nSqlField=nothing\n") << true
                                                 << "" << "" << 1;
        QTest::newRow("duplicated SqlField")
            << QByteArray(two + "SqlTable=dnc\nSqlField=dncNum0\n[FIELD1]\nSqlTable=dnc\nSqlField=dncNum0\n") << true
            << "Duplicated SqlField" << "/FIELD1/" << 1;
        QTest::newRow("same SqlField other table")
            << QByteArray(two + "SqlTable=dnc\nSqlField=dncNum0\n[FIELD1]\nSqlTable=tools\nSqlField=dncNum0\n")
            << true << "" << "" << 2;
        for (const char *ok : {"F0", "f0", "0F", "0", "1F0", "zz"})
            QTest::newRow(qPrintable(QString("BitMask %1 accepted").arg(ok)))
                << QByteArray(one + "BitMask=" + ok + "\n") << false << "" << "" << 1;
        for (const char *bad : {"FF", "3"})
            QTest::newRow(qPrintable(QString("BitMask %1 refused").arg(bad)))
                << QByteArray(one + "BitMask=" + bad + "\n") << false << "Invalid bitmask field" << "/FIELD0/" << 0;
        const struct { const char *type, *format; bool ok; } formats[] = {
            {"int", "%05d", true},      {"int", "T%d%%", true},  {"int", "%s", false},
            {"int", "%d %d", false},    {"int", "%n", false},    {"int", "%ld", false},
            {"int", "%*d", false},      {"float", "%.3f mm", true}, {"float", "%d", false},
            {"float", "%f%", false},    {"date", "%Y-%m-%d %H:%M", true}, {"date", "%Q", false},
            {"date", "%d.%m.%Y %s", false},
            {"string", "%s%s%n", true},
        };
        for (const auto &f : formats)
            QTest::newRow(qPrintable(QString("%1 Format %2").arg(f.type, f.format)))
                << QByteArray(one + "FieldType=" + f.type + "\nFormat=\"" + f.format + "\"\n") << false
                << (f.ok ? "" : "Invalid Format") << (f.ok ? "" : "/FIELD0/") << (f.ok ? 1 : 0);
    }
    void errors()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, toolMode);
        QFETCH(QString, phrase);
        DncLayout l;
        const bool ok = QTest::currentDataTag() == QByteArray("no TotFields")
                            ? l.read(m_wd->filePath("dnc/missing.dnc"), toolMode, m_columns)
                            : readText(l, ini, toolMode);
        QCOMPARE(ok, phrase.isEmpty());
        QCOMPARE(l.errorPhrase, phrase);
        QTEST(l.errorSection, "section");
        QTEST(int(l.fields.size()), "fieldsRead");
    }

    void fields()
    {
        DncLayout l;
        QVERIFY(readText(l,
                         "[SETTINGS]\nTotFields=6\nForceConstraints=TRUE\nScriptFunctions=\"function f(a, b) {}\"\n"
                         "[FIELD0]\nLabel=a\nList=\" a;;b; \"\nBackgroundColor=#102030\nFontSize=12\nDncLabel=K\n"
                         "[FIELD1]\nList=\";\"\nFontSize=355\nForegroundColor=red\nScript=\"x(1, 2)\"\n"
                         "[FIELD2]\nList=\"one;two\"\nBitField=1\nFontSize=0\nDncLabel=K\nVisible=0\n"
                         "[FIELD3]\nBackgroundColor=white\nLabel=d\nScript=\n"
                         "[FIELD4]\nMin=-5.5\nMax=abc\nLocked=False\nGetX=yes\n"
                         "[FIELD5]\nLabel=f\nRegExp=[0-9]{1,3}\nDefaultValue=1,5\n",
                         false));
        QCOMPARE(l.TotFields, 6);
        QVERIFY(l.ForceConstraints);
        QCOMPARE(l.fields.size(), 6);
        const DatiDnc &a = l.fields.at(0);
        QCOMPARE(a.List, QStringList({"a", "b"}));
        QVERIFY(a.isList);
        QCOMPARE(a.ForegroundColor, QString("black"));
        QVERIFY(l.fields.at(1).List.isEmpty());
        QVERIFY(!l.fields.at(1).isList);
        QCOMPARE(l.fields.at(1).Label, QString("?"));
        QCOMPARE(int(l.fields.at(1).FontSize), 12);            // 355 keeps 99: inherited
        QCOMPARE(l.fields.at(1).BackgroundColor, QString("#102030"));
        QCOMPARE(l.fields.at(1).Script, QString("function f(a, b) {}\nx(1, 2)"));
        QVERIFY(l.fields.at(2).BitField);
        QVERIFY(!l.fields.at(2).isList);
        QCOMPARE(l.fields.at(2).List, QStringList({"one", "two"}));
        QCOMPARE(int(l.fields.at(2).FontSize), 0);
        QVERIFY(!l.fields.at(2).Visible);
        QCOMPARE(l.fields.at(2).ForegroundColor, QString("red"));
        QCOMPARE(l.fields.at(3).BackgroundColor, QString("white"));
        QVERIFY(l.fields.at(3).Script.isEmpty());
        QCOMPARE(l.fields.at(4).BackgroundColor, QString("white"));
        QCOMPARE(l.fields.at(4).Min, -5.5f);
        QCOMPARE(l.fields.at(4).Max, 0.0f);
        QVERIFY(l.fields.at(4).GetX);
        QVERIFY(!l.fields.at(4).Locked);
        QVERIFY(l.fields.at(5).Visible);
        // Unquoted commas stay as written.
        QCOMPARE(l.fields.at(5).RegExp, QString("[0-9]{1,3}"));
        QCOMPARE(l.fields.at(5).DefaultValue, QString("1,5"));
        QCOMPARE(l.dncLabelIndex.value("K"), 2);
        QVERIFY(l.fields.at(0).SqlTable.isEmpty());
    }

    // Texts read as written: the blanks after a comma stay, those around the
    // whole value go unless it is quoted.
    void texts_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("label") << QByteArray("Label=Length, mm") << "Label:Length, mm";
        QTest::newRow("regexp") << QByteArray("RegExp=^[A-Z]+, [0-9]+$") << "RegExp:^[A-Z]+, [0-9]+$";
        QTest::newRow("list item") << QByteArray("List=1 - Drill, long") << "List:1 - Drill, long";
        QTest::newRow("script") << QByteArray("Script=f(1, 2)") << "Script:\nf(1, 2)";
        QTest::newRow("blanks at the ends") << QByteArray("Label= a , b ") << "Label:a , b";
        QTest::newRow("quoted") << QByteArray("Label=\" a, b \"") << "Label: a, b ";
    }
    void texts()
    {
        QFETCH(QByteArray, line);
        DncLayout l;
        QVERIFY(readText(l, "[SETTINGS]\nTotFields=1\n[FIELD0]\n" + line + "\n", false));
        const DatiDnc &f = l.fields.at(0);
        const QString key = QString::fromLatin1(line.left(line.indexOf('=')));
        const QHash<QString, QString> members = {
            {"Label", f.Label}, {"RegExp", f.RegExp}, {"List", f.List.join(';')}, {"Script", f.Script}};
        QTEST(key + ':' + members.value(key), "text");
    }

    void format_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("int truncates") << "int" << "" << QVariant("-7.9") << "-7";
        QTest::newRow("int no value") << "int" << "" << QVariant() << "0";
        QTest::newRow("int format") << "int" << "T%03d" << QVariant(5) << "T005";
        QTest::newRow("int beyond range") << "int" << "" << QVariant(1e12) << "1000000000000";
        QTest::newRow("float built in") << "float" << "" << QVariant("12.5") << "12.500";
        QTest::newRow("float format") << "float" << "%.1f" << QVariant(2.26) << "2.3";
        QTest::newRow("text kept") << "string" << "" << QVariant("Ø12 é") << "Ø12 é";
        QTest::newRow("date kept as seconds") << "date" << "%Y" << QVariant("86400") << "1970";
        QTest::newRow("date formatted") << "date" << "%Y-%m-%d" << QVariant(86400 * 365) << "1971-01-01";
    }
    void format()
    {
        QFETCH(QString, type);
        QFETCH(QString, format);
        QFETCH(QVariant, value);
        qputenv("TZ", "UTC");
        MachineSettings.mmDecimals = 3;
        DatiDnc f;
        f.FieldType = type;
        f.Format = format;
        DncLayout::takeRule(f);
        QTEST(DncValues::format(f, value, true), "text");
    }

    void checks_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<float>("min");
        QTest::addColumn<float>("max");
        QTest::addColumn<bool>("isList");
        QTest::addColumn<QString>("regExp");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("float above") << "float" << 0.f << 10.f << false << "" << QVariant("12") << "L 12.000 [0.000000,10.000000]";
        QTest::newRow("float on bound") << "float" << 0.f << 10.f << false << "" << QVariant("10") << "";
        QTest::newRow("float no bounds") << "float" << 0.f << 0.f << false << "" << QVariant("-99") << "";
        QTest::newRow("int below") << "int" << 2.f << 9.9f << false << "" << QVariant("1") << "L 1 [2,9]";
        QTest::newRow("string long") << "string" << 1.f << 3.f << false << "" << QVariant("abcd")
                                     << "L length 4 [min length 1,max lenght 3]";
        QTest::newRow("list empty") << "" << 0.f << 0.f << true << "" << QVariant("") << "L value not in list";
        QTest::newRow("regexp whole") << "" << 0.f << 0.f << false << "[A-Z]+" << QVariant("AB1")
                                      << "L contains invalid chars [AB1]";
        QTest::newRow("regexp case") << "" << 0.f << 0.f << false << "[A-Z]+" << QVariant("ab")
                                     << "L contains invalid chars [ab]";
    }
    void checks()
    {
        DatiDnc f;
        f.Label = "L";
        QFETCH(QString, type);
        f.FieldType = type;
        QFETCH(float, min);
        QFETCH(float, max);
        f.Min = min;
        f.Max = max;
        QFETCH(bool, isList);
        f.isList = isList;
        QFETCH(QString, regExp);
        f.RegExp = regExp;
        QFETCH(QVariant, value);
        f.value = value;
        DncLayout::takeRule(f);
        QFETCH(QString, line);
        const QStringList lines = DncValues::check(f, true);
        QCOMPARE(lines.join("\n"), line);
    }

    void scripts_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("outputs");
        QTest::addColumn<bool>("ok");
        QTest::newRow("output applied") << "blfOut.push('2|' + (Number(blfVal[0]) + 2.5)); blfOut" << "2=7.5" << true;
        QTest::newRow("not ending with blfOut") << "blfOut.push('2|1');" << "" << true;
        QTest::newRow("malformed skipped") << "['|5', 'abc', '9|x', '-1|y', '1|a|b', 'x|z']" << "1=a|b,0=z" << true;
        QTest::newRow("exception") << "nothing.here" << "" << false;
        QTest::newRow("endless loop interrupted") << "while (true) {}" << "" << false;
    }
    void scripts()
    {
        QFETCH(QString, script);
        DncScript::timeLimitMs = 300;
        QList<DncScript::Output> outs;
        QString error;
        const bool ok = DncScript::run(script, {QVariant("5"), QVariant(), QVariant()}, 3, outs, error);
        QTEST(ok, "ok");
        QCOMPARE(error.isEmpty(), ok);
        QStringList got;
        for (const auto &o : outs)
            got << QString("%1=%2").arg(o.field).arg(o.value);
        QTEST(got.join(","), "outputs");
    }
};

QTEST_MAIN(tst_dnclayout)
#include "tst_dnclayout.moc"
