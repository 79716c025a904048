#include <QtTest>

#include <ctime>

#include "widgets/FormatValidator.h"
#include "shared/ValueFormat.h"

Q_DECLARE_METATYPE(QValidator::State)

// A layout's Format both ways, for every field that shows numbers through
// one: what a value prints as, what that text reads back as (and after a
// Latin-1 store), and what the editor takes. The editors' own tests only
// follow their roads into these rules.
class tst_valueformat : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    // Print, read, print again: the second text is the first, and the text
    // as a Latin-1 store gives it back reads as the same value.
    void printReadPrint_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("integer");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<double>("readsAs");
        const auto row = [](const char *name, const QString &f, bool i, double v, const QString &p, double r) {
            QTest::newRow(name) << f << i << v << p << r;
        };
        row("%d", "%d", true, -42, "-42", -42);
        row("%i", "%i", true, 7, "7", 7);
        row("%d truncates", "%d", true, 7.9, "7", 7);
        row("%d beyond int", "%d", true, 1e12, "2147483647", 2147483647);
        row("%5d", "%5d", true, 42, "   42", 42);
        row("%-5d", "%-5d", true, 42, "42   ", 42);
        row("%05d", "%05d", true, -42, "-0042", -42);
        row("%+d", "%+d", true, 5, "+5", 5);
        row("% d", "% d", true, 5, " 5", 5);
        row("%u of a negative", "%u", true, -1, "4294967295", -1);
        row("%o", "%o", true, 15, "17", 15);
        row("%#o", "%#o", true, 8, "010", 8);
        row("%x", "%x", true, 255, "ff", 255);
        row("%#x", "%#x", true, 255, "0xff", 255);
        row("%X of a negative", "%X", true, -2, "FFFFFFFE", -2);
        row("%08X", "%08X", true, 255, "000000FF", 255);
        row("%c", "%c", true, 65, "A", 65);
        row("%c Latin-1", "%c", true, 0xe9, QString(QChar(0xe9)), 0xe9);
        row("%3c", "%3c", true, 66, "  B", 66);
        row("%-3c", "%-3c", true, 66, "B  ", 66);
        row("%f", "%f", false, 1.5, "1.500000", 1.5);
        row("%.2f rounds", "%.2f", false, 2.257, "2.26", 2.26);
        row("%10.3f", "%10.3f", false, -1.5, "    -1.500", -1.5);
        row("%-10.3f", "%-10.3f", false, 1.5, "1.500     ", 1.5);
        row("%+.1f", "%+.1f", false, 2.26, "+2.3", 2.3);
        row("%08.3f", "%08.3f", false, 12, "0012.000", 12);
        row("%lf", "%lf", false, 0.125, "0.125000", 0.125);
        row("%F", "%F", false, 1.5, "1.500000", 1.5);
        // The formatter prints %a and %A as %f, in decimal.
        row("%a", "%a", false, 1.5, "1.500000", 1.5);
        row("%.2A", "%.2A", false, 2.257, "2.26", 2.26);
        row("%e", "%e", false, 1234.25, "1.234250e+03", 1234.25);
        row("%.3E", "%.3E", false, 1234.25, "1.234E+03", 1234);
        row("%g", "%g", false, 0.00001, "1e-05", 0.00001);
        row("%G", "%G", false, 1234567, "1.23457E+06", 1234570);
        row("text around", "T%03d mm", true, 7, "T007 mm", 7);
        row("%% around", "%%%d%%", true, 5, "%5%", 5);
        row("text outside Latin-1", QString::fromUtf8("€%.1f"), false, 2.5, QString::fromUtf8("€2.5"), 2.5);
    }
    void printReadPrint()
    {
        QFETCH(QString, format);
        QFETCH(bool, integer);
        QFETCH(double, value);
        QFETCH(QString, printed);
        QFETCH(double, readsAs);
        const ValueFormat f(format, integer);
        QVERIFY(f.isValid());
        QCOMPARE(f.print(value), printed);
        double back = 0;
        QVERIFY(f.read(printed, &back));
        QCOMPARE(back, readsAs);
        QCOMPARE(f.print(back), printed);
        QVERIFY(f.keeps(back));
        const QString stored = QString::fromLatin1(printed.toLatin1());
        double fromStore = 0;
        QVERIFY(f.read(stored, &fromStore));
        QCOMPARE(fromStore, readsAs);
    }

    // Which Formats each layout reader takes, and the base every reader of
    // a Format's text reads its number in.
    void conversions_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("integer");
        QTest::addColumn<QString>("takenBy"); // d: DNC field, t: tag field, n: tag's FORMATNUM text
        QTest::addColumn<int>("base");
        QTest::newRow("%d") << "%d" << true << "dtn" << 10;
        QTest::newRow("%u") << "%u" << true << "dtn" << 10;
        QTest::newRow("%o") << "%o" << true << "dtn" << 8;
        QTest::newRow("%#x") << "%#x" << true << "dtn" << 16;
        QTest::newRow("%X") << "%X" << true << "dtn" << 16;
        QTest::newRow("%c") << "%c" << true << "d" << 10;
        QTest::newRow("%ld") << "%ld" << true << "" << 10;
        QTest::newRow("%f") << "%f" << false << "dtn" << 10;
        QTest::newRow("%F") << "%F" << false << "tn" << 10;
        QTest::newRow("%lf") << "%lf" << false << "tn" << 10;
        QTest::newRow("%a") << "%a" << false << "t" << 10;
        QTest::newRow("%A") << "%A" << false << "t" << 10;
        QTest::newRow("width of three digits") << "%999d" << true << "dtn" << 10;
        QTest::newRow("width of four digits") << "%1000d" << true << "tn" << 10;
        QTest::newRow("precision of two digits") << "%.99f" << false << "dtn" << 10;
        QTest::newRow("precision of three digits") << "%.100f" << false << "tn" << 10;
        QTest::newRow("%d for a double") << "%d" << false << "" << 10;
        QTest::newRow("%f for an int") << "%f" << true << "" << 10;
        QTest::newRow("%*d") << "%*d" << true << "" << 10;
        QTest::newRow("%n") << "%n" << true << "" << 10;
        QTest::newRow("%d%d") << "%d%d" << true << "" << 10;
    }
    void conversions()
    {
        QFETCH(QString, format);
        QFETCH(bool, integer);
        QFETCH(QString, takenBy);
        const ValueFormat f(format, integer);
        QCOMPARE(f.takenBy(ValueFormat::dncField), takenBy.contains('d'));
        QCOMPARE(f.takenBy(ValueFormat::tagField), takenBy.contains('t'));
        QCOMPARE(f.takenBy(ValueFormat::tagText), takenBy.contains('n'));
        QTEST(f.base(), "base");
    }

    // What an operator types or a script hands over besides the Format's text.
    void typed_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("integer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<double>("value");
        QTest::newRow("bare hex") << "%#x" << true << "ff" << true << 255.0;
        QTest::newRow("bare octal") << "%o" << true << "17" << true << 15.0;
        QTest::newRow("character code") << "%c" << true << "65" << true << 65.0;
        QTest::newRow("number without its text") << "T%03d" << true << "7" << true << 7.0;
        QTest::newRow("beyond int") << "%d" << true << "2147483648" << false << 0.0;
        QTest::newRow("no number") << "%.2f" << false << "abc" << false << 0.0;
    }
    void typed()
    {
        QFETCH(QString, format);
        QFETCH(bool, integer);
        QFETCH(QString, text);
        double v = 0;
        QTEST(ValueFormat(format, integer).readTyped(text, &v), "reads");
        QTEST(v, "value");
    }

    // The editor takes what its Format shows and no more digits.
    void validator_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("integer");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QValidator::State>("state");
        const double big = 1e300;
        QTest::newRow("%.2f two decimals") << "%.2f" << false << -big << big << "25.55" << QValidator::Acceptable;
        QTest::newRow("%.2f a third decimal") << "%.2f" << false << -big << big << "25.555" << QValidator::Invalid;
        QTest::newRow("%.2f a third zero") << "%.2f" << false << -big << big << "25.550" << QValidator::Acceptable;
        QTest::newRow("%.2f point") << "%.2f" << false << -big << big << "25." << QValidator::Acceptable;
        QTest::newRow("%.3e digits") << "%.3e" << false << -big << big << "1.2345" << QValidator::Invalid;
        QTest::newRow("%g digits") << "%g" << false << -big << big << "1234567" << QValidator::Invalid;
        QTest::newRow("%f six decimals") << "%f" << false << -big << big << "0.123456" << QValidator::Acceptable;
        QTest::newRow("own text") << "%.1f mm" << false << -big << big << "2.5 mm" << QValidator::Acceptable;
        QTest::newRow("own text started") << "%.1f mm" << false << -big << big << "2.5 m" << QValidator::Intermediate;
        QTest::newRow("below, more digits may reach") << "%d" << true << 10.0 << 100.0 << "5"
                                                      << QValidator::Intermediate;
        QTest::newRow("above") << "%d" << true << 10.0 << 100.0 << "500" << QValidator::Invalid;
        QTest::newRow("minus where negatives are") << "%d" << true << -100.0 << 100.0 << "-"
                                                   << QValidator::Intermediate;
        QTest::newRow("no hex digit") << "%x" << true << -big << big << "fg" << QValidator::Invalid;
        QTest::newRow("a digit as its character") << "%c" << true << 32.0 << 255.0 << "3" << QValidator::Acceptable;
        QTest::newRow("small code") << "%c" << true << 32.0 << 255.0 << "03" << QValidator::Intermediate;
        QTest::newRow("code") << "%c" << true << 32.0 << 255.0 << "65" << QValidator::Acceptable;
        QTest::newRow("code too large") << "%c" << true << 32.0 << 255.0 << "300" << QValidator::Invalid;
    }
    void validator()
    {
        QFETCH(QString, format);
        QFETCH(bool, integer);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QString, input);
        const FormatValidator v(ValueFormat(format, integer), low, high, nullptr);
        int pos = input.size();
        QTEST(v.validate(input, pos), "state");
    }

    // The date Formats both layout readers take: the standard conversions
    // only, whole.
    void dateFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("taken");
        QTest::newRow("empty: the ctime text") << "" << true;
        QTest::newRow("no conversion") << "date" << true;
        QTest::newRow("date and time") << "%Y-%m-%d %H:%M:%S" << true;
        QTest::newRow("E and O modifiers") << "%EY %Od" << true;
        QTest::newRow("percent sign") << "%d%%" << true;
        QTest::newRow("unknown conversion") << "%Q" << false;
        QTest::newRow("seconds since 1970, not standard") << "%s" << false;
        QTest::newRow("width, not standard") << "%5Y" << false;
        QTest::newRow("percent at the end") << "%Y %" << false;
        QTest::newRow("modifier at the end") << "%Y %E" << false;
        QTest::newRow("modifier before an unknown conversion") << "%Ek" << false;
    }
    void dateFormats()
    {
        QFETCH(QString, format);
        QTEST(ValueFormat::isDateFormat(format), "taken");
    }

    // A date prints, reads and prints again to the Format's resolution; a
    // bare count of seconds reads under any Format.
    void dates_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("printed");
        QTest::newRow("minutes") << "%Y-%m-%d %H:%M" << "2023-11-14 22:13" << qint64(1699999980)
                                 << "2023-11-14 22:13";
        QTest::newRow("ctime") << "" << "Tue Nov 14 22:13:20 2023\n" << qint64(1700000000)
                               << "Tue Nov 14 22:13:20 2023\n";
        QTest::newRow("seconds") << "%d.%m.%Y" << "1700000000" << qint64(1700000000) << "14.11.2023";
        QTest::newRow("1970") << "%Y-%m-%d %H:%M:%S" << "1969-12-31 23:59:59" << qint64(-1) << "1969-12-31 23:59:59";
    }
    void dates()
    {
        QFETCH(QString, format);
        QFETCH(QString, text);
        QFETCH(QString, printed);
        qint64 s = 0;
        QVERIFY(ValueFormat::readDate(format, text, &s));
        QTEST(s, "seconds");
        QCOMPARE(ValueFormat::printDate(format, s), printed);
        qint64 again = 0;
        QVERIFY(ValueFormat::readDate(format, printed, &again));
        QCOMPARE(ValueFormat::printDate(format, again), printed);
    }
};

QTEST_MAIN(tst_valueformat)
#include "tst_valueformat.moc"
