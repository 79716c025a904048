#include <QtTest>

#include <clocale>
#include <ctime>

#include "dnc/DncLayout.h"
#include "rfid/BalluffLayout.h"
#include "shared/FieldValues.h"
#include "support/TestWorkDir.h"

// The value rules a DNC field and a tag field share, as tables: the kind a
// FieldType names, as both layout readers take it; what a text or a
// script's output stands for, what an "int" value shows as and reads
// back as, the bounds lines of the checks before a send or a write and the
// measure question, which has a rule of its own. The editors' tests follow
// their roads into these rules. Run under a comma-decimal locale: nothing
// here may depend on it.
class tst_fieldvalues : public QObject
{
    Q_OBJECT

    static FieldValues::Rule rule(const QString &type, const QString &format, double min = 0, double max = 0)
    {
        return FieldValues::Rule(type, format, true, min, max);
    }
    // A value as a text or a number, so that a row tells the two apart.
    static QString described(const QVariant &v)
    {
        if (v.type() == QVariant::String)
            return "text \"" + v.toString() + '"';
        return "number " + QString::number(v.toDouble(), 'g', 17);
    }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
        std::setlocale(LC_NUMERIC, "it_IT.UTF-8");
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    }

    // A number as its value, anything else as its text.
    void values_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("value");
        const auto row = [](const char *name, const char *type, const char *format, const QString &text,
                            const QVariant &value) { QTest::newRow(name) << type << format << text << value; };
        row("typed %X in its base", "int", "%X", "FF", 255.0);
        row("typed T%03d, its own text", "int", "T%03d", "T007", 7.0);
        row("typed %x, a decimal no hex reads", "int", "%x", "-5", -5.0);
        row("typed %d, a decimal fraction", "int", "%d", "7.9", 7.9);
        row("typed %.2f mm", "float", "%.2f mm", "2.50 mm", 2.5);
        row("typed without Format", "float", "", "12.5", 12.5);
        row("typed no number", "int", "%x", "xyz", QString("xyz"));
        row("typed date", "date", "%Y-%m-%d", "1970-01-02", 86400.0);
        row("typed date as seconds", "date", "%Y-%m-%d", "86400", 86400.0);
        row("typed text kept", "string", "", " 12 ", QString(" 12 "));
    }
    void values()
    {
        QFETCH(QString, type);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QFETCH(QVariant, value);
        QCOMPARE(described(FieldValues::fromText(rule(type, format), text)), described(value));
    }

    // A script computes on the numbers number fields hold, handed as plain
    // decimal texts whatever their Format shows, and its answer is read as
    // a decimal number first: passed through, the value stays itself; a
    // computed number is the number. List keys and bit masks go in and out
    // as they are.
    void scriptRule_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("line");
        QTest::addColumn<QVariant>("held");   // what the field holds
        QTest::addColumn<QVariant>("handed"); // to the script
        QTest::addColumn<QString>("answer");  // the script's, for the field
        QTest::addColumn<QVariant>("value");  // the answer stands for
        const auto row = [](const char *name, const char *type, const char *format, bool line, const QVariant &held,
                            const QVariant &handed, const QString &answer, const QVariant &value) {
            QTest::newRow(name) << type << format << line << held << handed << answer << value;
        };
        row("%x holding c8, 200 computed", "int", "%x", true, "c8", "200", "200", 200.0);
        row("%x passes 16 through", "int", "%x", true, 16.0, "16", "16", 16.0);
        row("%X, the Format's own text", "int", "%X", true, "FF", "255", "ff", 255.0);
        row("%#x, 0x before the digits", "int", "%#x", true, "0x10", "16", "0x1f", 31.0);
        row("%o holding 17, 15 computed", "int", "%o", true, "17", "15", "15", 15.0);
        row("T%03d holding T007, 8 computed", "int", "T%03d", true, "T007", "7", "8", 8.0);
        row("T%03d, the Format's own text", "int", "T%03d", true, 7, "7", "T008", 8.0);
        row("%c holding A", "int", "%c", true, "A", "65", "66", 66.0);
        row("%x, a decimal fraction", "int", "%x", true, "c8", "200", "7.9", 7.9);
        row("int a million, no exponent", "int", "%x", true, "f4240", "1000000", "1e6", 1e6);
        row("%.2f mm holding 12.35 mm", "float", "%.2f mm", true, "12.35 mm", "12.35", "13.35", 13.35);
        row("float without Format, its zeros", "float", "", true, "12.350", "12.35", " 2.5 ", 2.5);
        row("float of a tag's single precision", "float", "%.2f", true, QVariant(12.35f), "12.35", "12.35", 12.35);
        row("%x holding no number, 1e3 computed", "int", "%x", true, "xyz", "xyz", "1e3", 1000.0);
        row("%x list key 10", "int", "%x", false, "10", "10", "10", QString("10"));
        row("bit mask", "int", "", false, 5u, 5u, "6", QString("6"));
    }
    void scriptRule()
    {
        QFETCH(QString, type);
        QFETCH(QString, format);
        QFETCH(bool, line);
        QFETCH(QVariant, held);
        QFETCH(QVariant, handed);
        QFETCH(QString, answer);
        QFETCH(QVariant, value);
        const FieldValues::Rule r = rule(type, format);
        QCOMPARE(described(FieldValues::scriptInput(r, line, held)), described(handed));
        QCOMPARE(described(FieldValues::scriptValue(r, line, answer)), described(value));
    }

    // An "int" value shows through the Format, and what it shows reads back
    // as the value; where the Format cannot show it, the bare number.
    void shownInt_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("readsAs");
        QTest::newRow("%X") << "%X" << 255.0 << "FF" << 255.0;
        QTest::newRow("%#o") << "%#o" << 8.0 << "010" << 8.0;
        QTest::newRow("T%03d truncates") << "T%03d" << 7.9 << "T007" << 7.0;
        QTest::newRow("%c") << "%c" << 65.0 << "A" << 65.0;
        QTest::newRow("beyond int") << "%d" << 1e12 << "1000000000000" << 1e12;
        QTest::newRow("no Format") << "" << 5.0 << "" << 5.0;
    }
    void shownInt()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, shown);
        const FieldValues::Rule r = rule("int", format);
        QCOMPARE(FieldValues::shownInt(r, value), shown);
        const QVariant back = FieldValues::fromText(r, shown.isEmpty() ? QString::number(value) : shown);
        QTEST(back.toDouble(), "readsAs");
        if (!shown.isEmpty())
            QCOMPARE(FieldValues::shownInt(r, back.toDouble()), shown);
    }

    // A number put into an "int" field (a measure) shows as the Format shows
    // it, truncated toward zero; without Format the bare number.
    void intText_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("%X") << "%X" << 200.7 << "C8";
        QTest::newRow("%o") << "%o" << 8.9 << "10";
        QTest::newRow("T%03d, negative") << "T%03d" << -7.9 << "T-07";
        QTest::newRow("no Format") << "" << 200.7 << "200";
        QTest::newRow("no Format, negative") << "" << -7.9 << "-7";
        QTest::newRow("beyond int, as it came") << "%X" << 1e12 << "1000000000000";
    }
    void intText()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QTEST(FieldValues::intText(rule("int", format), value), "shown");
    }

    // The line a value out of bounds gives before a send or a write; Min and
    // Max both 0 mean no bounds (one of them 0 is a bound).
    void boundsLines_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("%X above, in hex") << "int" << "%X" << 16.0 << 255.0 << 256.0 << "L 100 [10,FF]";
        QTest::newRow("%X on its bound") << "int" << "%X" << 16.0 << 255.0 << 255.0 << "";
        QTest::newRow("%#o below, in octal") << "int" << "%#o" << 8.0 << 63.0 << 7.0 << "L 07 [010,077]";
        QTest::newRow("T%03d, the Format's text") << "int" << "T%03d" << 1.0 << 9.0 << 12.0 << "L T012 [T001,T009]";
        QTest::newRow("%c, codes as numbers") << "int" << "%c" << 0.0 << 0.0 << 7.0 << "L 7 [32,255]";
        QTest::newRow("int truncated") << "int" << "" << -5.0 << 3.0 << 7.5 << "L 7 [-5,3]";
        QTest::newRow("int bounds truncated") << "int" << "" << 2.0 << 9.9 << 1.0 << "L 1 [2,9]";
        QTest::newRow("int Min 0 is a bound") << "int" << "" << 0.0 << 50.0 << 70.0 << "L 70 [0,50]";
        QTest::newRow("int both 0, no bounds") << "int" << "%X" << 0.0 << 0.0 << 1e6 << "";
        QTest::newRow("float above") << "float" << "" << 0.0 << 10.0 << 12.5 << "L 12.5 [0.000000,10.000000]";
        QTest::newRow("float both 0, no bounds") << "float" << "" << 0.0 << 0.0 << -99.0 << "";
        QTest::newRow("length above") << "string" << "" << 1.0 << 3.0 << 4.0 << "L length 4 [min length 1,max lenght 3]";
        QTest::newRow("length both 0, no bounds") << "string" << "" << 0.0 << 0.0 << 100.0 << "";
    }
    void boundsLines()
    {
        QFETCH(QString, type);
        QFETCH(QString, format);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, value);
        const FieldValues::Rule r = rule(type, format, min, max);
        QString line;
        if (type == "int")
            line = FieldValues::intBoundsLine(r, "L", value);
        else if (type == "float")
            line = FieldValues::floatBoundsLine(r, "L", value, QString::number(value));
        else
            line = FieldValues::lengthLine(r, "L", int(value));
        QTEST(line, "line");
    }

    // The kind a FieldType text names, exactly as spelled; both readers
    // parse it so, and the tag layout's TIMESTAMP and COUNTER make their own.
    void kinds_data()
    {
        QTest::addColumn<QString>("fieldType"); // null: no FieldType key
        QTest::addColumn<QString>("tagType");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("tagKind");
        using K = FieldValues::Kind;
        const auto row = [](const char *name, const QString &fieldType, const char *tagType, K kind, K tagKind) {
            QTest::newRow(name) << fieldType << tagType << int(kind) << int(tagKind);
        };
        row("int", "int", "UBIN", K::Int, K::Int);
        row("float", "float", "UBIN", K::Float, K::Float);
        row("string", "string", "CHAR", K::String, K::String);
        row("date", "date", "UBIN", K::Date, K::Date);
        row("counter", "counter", "UBIN", K::Counter, K::Counter);
        row("absent", QString(), "UBIN", K::Other, K::Other);
        row("empty", "", "UBIN", K::Other, K::Other);
        row("unknown", "text", "CHAR", K::Other, K::Other);
        row("upper case INT", "INT", "UBIN", K::Other, K::Other);
        row("capital Float", "Float", "UBIN", K::Other, K::Other);
        row("tag TIMESTAMP is a date", "float", "TIMESTAMP", K::Float, K::Date);
        row("tag COUNTER is a counter", QString(), "COUNTER", K::Other, K::Counter);
    }
    void kinds()
    {
        QFETCH(QString, fieldType);
        QFETCH(QString, tagType);
        QFETCH(int, kind);
        QFETCH(int, tagKind);
        QCOMPARE(int(FieldValues::kindOf(fieldType)), kind);
        const QByteArray key = fieldType.isNull() ? QByteArray() : "FieldType=" + fieldType.toUtf8() + "\n";
        TestWorkDir wd;
        QVERIFY(wd.writeFile("t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=L\n" + key));
        DncLayout dnc;
        QVERIFY(dnc.read(wd.filePath("t.dnc"), false, {}));
        QCOMPARE(int(dnc.fields.at(0).kind), kind);
        QVERIFY(wd.writeFile("t.ini", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=L\nByteLength=4\nType="
                                          + tagType.toLatin1() + "\n" + key));
        BalluffLayout tag;
        QStringList messages;
        QVERIFY2(tag.read(wd.filePath("t.ini"), &messages), qPrintable(messages.join('\n')));
        QCOMPARE(int(tag.fields.at(0).kind), tagKind);
    }

    // A value against its field's bounds, by the field's kind: a float's
    // and an int's number, a string's text by its length, no bounds else.
    void boundsLine_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        // Min 1, Max 3 for every row; numberText is "n".
        QTest::newRow("float above, as printed") << "float" << 3.5 << "" << "L n [1.000000,3.000000]";
        QTest::newRow("float within, whatever the text") << "float" << 2.5 << "abcdef" << "";
        QTest::newRow("int above, truncated") << "int" << 4.9 << "" << "L 4 [1,3]";
        QTest::newRow("int within, whatever the text") << "int" << 3.9 << "abcdef" << "";
        QTest::newRow("string by its length") << "string" << 2.0 << "abcd"
                                              << "L length 4 [min length 1,max lenght 3]";
        QTest::newRow("string within, whatever the number") << "string" << 99.0 << "ab" << "";
        QTest::newRow("date has no bounds") << "date" << 99.0 << "abcd" << "";
        QTest::newRow("counter has none") << "counter" << 99.0 << "abcd" << "";
        QTest::newRow("no FieldType has none") << "" << 99.0 << "abcd" << "";
        QTest::newRow("INT is no int") << "INT" << 99.0 << "abcd" << "";
    }
    void boundsLine()
    {
        QFETCH(QString, type);
        QFETCH(double, number);
        QFETCH(QString, text);
        QTEST(FieldValues::boundsLine(rule(type, "", 1, 3), "L", number, "n", text), "line");
    }

    // A measure is questioned only when Min and Max are both non-zero.
    void measureQuestion_data()
    {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("question");
        QTest::newRow("above") << 10.0 << 50.0 << 70.0 << "X out [10,50]\nagain?";
        QTest::newRow("on a bound") << 10.0 << 50.0 << 50.0 << "";
        QTest::newRow("Min 0, no question") << 0.0 << 50.0 << 70.0 << "";
        QTest::newRow("Max 0, no question") << -50.0 << 0.0 << -70.0 << "";
        QTest::newRow("six significant digits") << 0.1234567 << 2.0 << 3.0 << "X out [0.123457,2]\nagain?";
    }
    void measureQuestion()
    {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, value);
        QTEST(FieldValues::measureQuestion(rule("float", "", min, max), "X", value, "out", "again?"), "question");
    }
};

QTEST_GUILESS_MAIN(tst_fieldvalues)
#include "tst_fieldvalues.moc"
