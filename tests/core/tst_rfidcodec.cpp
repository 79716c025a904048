#include <QtTest>

#include <cmath>
#include <limits>

#include "rfid/BalluffCodec.h"
#include "rfid/BalluffLayout.h"
#include "support/TestWorkDir.h"

// Declared before its first use as a test column (clang insists).
Q_DECLARE_METATYPE(DatiCampo)

namespace {

QByteArray field(int n, const QByteArray &keys)
{
    return "[FIELD" + QByteArray::number(n) + "]\n" + keys + "\n";
}

// One field at address 0 with the given layout keys.
DatiCampo make(const QString &type, int length, const QString &firstByte = "MSB", int div = 1)
{
    DatiCampo f;
    f.Label = "F";
    f.Type = type;
    f.ByteLength = length;
    f.FirstByte = firstByte;
    f.Div = div;
    return f;
}

} // namespace

class TestRfidCodec : public QObject
{
    Q_OBJECT
    TestWorkDir dir;
    int files = 0;

    bool readLayout(const QByteArray &ini, BalluffLayout &layout, QStringList &messages)
    {
        // A new name each time: no row reads another's file.
        const QString name = QString("balluff/t%1.ini").arg(++files);
        dir.writeFile(name, ini);
        return layout.read("./" + name, &messages);
    }

private slots:
    void layoutChecks_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("messages");
        const QByteArray one = "[SETTINGS]\nTotFields=1\n";
        const QByteArray ubin = "Label=L\nByteLength=1\nType=UBIN\n";
        QTest::newRow("missing file") << QByteArray() << false << QStringList{"Invalid TotFields in configuration"};
        QTest::newRow("Label missing is ?") << one + field(0, "ByteLength=1\nType=UBIN") << true << QStringList();
        QTest::newRow("Label empty") << one + field(0, "Label=\nByteLength=1\nType=UBIN") << false
                                     << QStringList{"Error in configuration\n/FIELD0/"};
        QTest::newRow("ByteLength 0") << one + field(0, "Label=L\nType=UBIN") << false
                                      << QStringList{"Error in configuration\n/FIELD0/"};
        QTest::newRow("Type missing") << one + field(0, "Label=L\nByteLength=1") << false
                                      << QStringList{"Invalid Type\n/FIELD0/ (Type=?)"};
        QTest::newRow("Type lower case") << one + field(0, "Label=L\nByteLength=1\nType=ubin") << false
                                         << QStringList{"Invalid Type\n/FIELD0/ (Type=ubin)"};
        QTest::newRow("FirstByte") << one + field(0, ubin + "FirstByte=LSb") << false
                                   << QStringList{"Invalid FirstByte\n/FIELD0/"};
        QTest::newRow("TIMESTAMP 2 bytes") << one + field(0, "Label=L\nByteLength=2\nType=TIMESTAMP") << false
                                           << QStringList{"Invalid bytelength\n/FIELD0/"};
        QTest::newRow("FORMATNUM without FieldType")
            << one + field(0, "Label=L\nByteLength=2\nType=FORMATNUM\nFormatNum=%02d") << false
            << QStringList{"Missing or invalid FieldType\n/FIELD0/"};
        QTest::newRow("BitMask on CHAR") << one + field(0, "Label=L\nByteLength=1\nType=CHAR\nBitMask=3") << false
                                         << QStringList{"Invalid Type\n/FIELD0/ (Type=CHAR bitMask)"};
        QTest::newRow("BitMask UBIN 2 bytes") << one + field(0, "Label=L\nByteLength=2\nType=UBIN\nBitMask=3")
                                              << false << QStringList{"Invalid bytelength\n/FIELD0/ bitMask"};
        QTest::newRow("UBCD mask 1F0 is F0") << one + field(0, "Label=L\nByteLength=1\nType=UBCD\nBitMask=1F0")
                                             << true << QStringList();
        QTest::newRow("UBCD mask 30") << one + field(0, "Label=L\nByteLength=1\nType=UBCD\nBitMask=30") << false
                                      << QStringList{"Invalid bitmask UBCD field\n/FIELD0/"};
        QTest::newRow("Head 0 and TagType x go on")
            << "[SETTINGS]\nTotFields=1\nHead=0\nTagType=x\n" + field(0, ubin) << true
            << QStringList{"Invalid head number in configuration", "Invalid tag type in configuration"};
        QTest::newRow("TotFields -1 is empty") << QByteArray("[SETTINGS]\nTotFields=-1\n") << true << QStringList();
        QTest::newRow("200+200+112 fit 512")
            << "[SETTINGS]\nTotFields=3\n" + field(0, "Label=a\nByteLength=200\nType=CHAR")
                   + field(1, "Label=b\nAddress=200\nByteLength=200\nType=CHAR")
                   + field(2, "Label=c\nAddress=400\nByteLength=112\nType=CHAR")
            << true << QStringList();
        QTest::newRow("513 > 512")
            << "[SETTINGS]\nTotFields=4\n" + field(0, "Label=a\nByteLength=200\nType=CHAR")
                   + field(1, "Label=b\nAddress=200\nByteLength=200\nType=CHAR")
                   + field(2, "Label=c\nAddress=400\nByteLength=112\nType=CHAR")
                   + field(3, "Label=d\nAddress=512\nByteLength=1\nType=CHAR")
            << false << QStringList{"Invalid tag size\nRequired 513 \nAvailable 512"};
        // Patterns that go to printf with one argument of a known kind.
        QTest::newRow("Format int %5d") << one + field(0, ubin + "FieldType=int\nFormat=L=%5d mm") << true << QStringList();
        QTest::newRow("Format float %.2f") << one + field(0, ubin + "FieldType=float\nFormat=%+8.2f") << true << QStringList();
        // A date's pattern goes to strftime: held to the set the DNC layout takes.
        QTest::newRow("Format date %d.%m.%Y %H:%M") << one + field(0, "Label=L\nByteLength=4\nType=TIMESTAMP\nFormat=%d.%m.%Y %H:%M")
                                                   << true << QStringList();
        QTest::newRow("Format date %d.%m.%Y %s") << one + field(0, "Label=L\nByteLength=4\nType=TIMESTAMP\nFormat=%d.%m.%Y %s")
                                                << false << QStringList{"Invalid format\n/FIELD0/"};
        QTest::newRow("Format of a FieldType date %Q") << one + field(0, ubin + "FieldType=date\nFormat=%Q") << false
                                                       << QStringList{"Invalid format\n/FIELD0/"};
        QTest::newRow("Format float %.3lf") << one + field(0, ubin + "FieldType=float\nFormat=%.3lf") << true << QStringList();
        // A display pattern the formatter cannot take safely is left out of the display.
        QTest::newRow("Format float %d") << one + field(0, ubin + "FieldType=float\nFormat=%d") << true << QStringList();
        QTest::newRow("FormatNum float %.2lf")
            << one + field(0, "Label=L\nByteLength=4\nType=FORMATNUM\nFieldType=float\nFormatNum=%4.2lf") << true
            << QStringList();
        // The tag bytes' pattern is refused at reading.
        for (const char *bad : {"%d%d", "%n", "%s", "%*d", "%ld", "%f", "no conversion"})
            QTest::newRow(qPrintable(QString("FormatNum int %1").arg(bad)))
                << one + field(0, QByteArray("Label=L\nByteLength=4\nType=FORMATNUM\nFieldType=int\nFormatNum=") + bad)
                << false << QStringList{"Invalid format\n/FIELD0/"};
        QTest::newRow("FormatNum float %llf")
            << one + field(0, "Label=L\nByteLength=4\nType=FORMATNUM\nFieldType=float\nFormatNum=%llf") << false
            << QStringList{"Invalid format\n/FIELD0/"};
        QTest::newRow("FormatNum int %f")
            << one + field(0, "Label=L\nByteLength=2\nType=FORMATNUM\nFieldType=int\nFormatNum=%2.0f") << false
            << QStringList{"Invalid format\n/FIELD0/"};
        QTest::newRow("FormatNum of a bit field is int")
            << one + field(0, "Label=L\nByteLength=2\nType=FORMATNUM\nFieldType=float\nFormatNum=%02X\nBitMask=F") << true
            << QStringList();
        // Numbers the four-digit telegram fields cannot carry.
        QTest::newRow("TagSize 10000") << "[SETTINGS]\nTotFields=1\nTagSize=10000\n" + field(0, ubin) << false
                                       << QStringList{"Invalid tag size\n/SETTINGS/"};
        QTest::newRow("TagSize -1") << "[SETTINGS]\nTotFields=1\nTagSize=-1\n" + field(0, ubin) << false
                                    << QStringList{"Invalid tag size\n/SETTINGS/"};
        QTest::newRow("Address -1") << one + field(0, ubin + "Address=-1") << false
                                    << QStringList{"Error in configuration\n/FIELD0/"};
        QTest::newRow("ByteLength -4") << one + field(0, "Label=L\nByteLength=-4\nType=CHAR") << false
                                       << QStringList{"Error in configuration\n/FIELD0/"};
        QTest::newRow("Address 10000") << one + field(0, ubin + "Address=10000") << false
                                       << QStringList{"Invalid tag size\n/FIELD0/"};
    }

    void layoutChecks()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, accepted);
        QFETCH(QStringList, messages);
        BalluffLayout layout;
        QStringList got;
        if (ini.isEmpty())
            QCOMPARE(layout.read("./balluff/none.ini", &got), accepted);
        else
            QCOMPARE(readLayout(ini, layout, got), accepted);
        QCOMPARE(got, messages);
    }

    // A FORMATNUM pattern the layout reader accepts gives back, on reading,
    // the number it wrote; one printed in a base the reader does not read
    // in is refused.
    void formatNumReadsBack_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<bool>("accepted");
        const QByteArray int6 = "ByteLength=6\nFieldType=int\nFormatNum=";
        for (const char *p : {"%06d", "%06i", "%06u", "%06x", "%06X", "%#06x", "%#06X", "%-6d", "%+06d", "% 6d"})
            QTest::newRow(p) << int6 + p << true;
        for (const char *p : {"%06o", "%#06o", "x%05d", "T%05d", "%05d%%"})
            QTest::newRow(p) << int6 + p << false;
        const QByteArray bits = "ByteLength=2\nFieldType=int\nBitMask=FF\nFormatNum=";
        QTest::newRow("bit group %02X") << bits + "%02X" << true;
        QTest::newRow("bit group %02x") << bits + "%02x" << true;
        QTest::newRow("bit group %02d") << bits + "%02d" << false;
        QTest::newRow("bit group %03o") << bits + "%03o" << false;
        QTest::newRow("float %12.3e") << QByteArray("ByteLength=12\nFieldType=float\nFormatNum=%12.3e") << true;
        QTest::newRow("float %10.3e mm") << QByteArray("ByteLength=12\nFieldType=float\nFormatNum=%10.3e mm") << false;
        QTest::newRow("float %12a") << QByteArray("ByteLength=12\nFieldType=float\nFormatNum=%12a") << false;
    }

    void formatNumReadsBack()
    {
        QFETCH(QByteArray, keys);
        QFETCH(bool, accepted);
        BalluffLayout layout;
        QStringList messages;
        QCOMPARE(readLayout("[SETTINGS]\nTotFields=1\n" + field(0, "Label=L\nType=FORMATNUM\n" + keys), layout, messages),
                 accepted);
        if (!accepted) {
            QCOMPARE(messages, QStringList{"Invalid format\n/FIELD0/"});
            return;
        }
        BalluffCodec codec;
        for (int n : {8, 10, 255}) {
            QList<DatiCampo> fields = layout.fields;
            fields[0].value = n;
            QByteArray image;
            QString error;
            QVERIFY2(codec.encode(fields, QByteArray(), &image, &error), qPrintable(error));
            fields[0].value = QVariant();
            codec.decode(image, fields);
            QCOMPARE(fields[0].value.toDouble(), double(n));
        }
    }

    void layoutValues()
    {
        BalluffLayout layout;
        QStringList messages;
        const QByteArray ini = "[SETTINGS]\nTotFields=4\nHead=5\nTagType=m\nBCDdot=\nformatId=300\nScriptFunctions=var k=1\n"
                               + field(0, "Label=a\nByteLength=4\nType=COUNTER\nDiv=0\ndiaMpy=0\nFontSize=12\nBackgroundColor=red")
                               + field(1, "Label=b\nAddress=4\nByteLength=4\nType=TIMESTAMP\nFontSize=355\nDiv=-3")
                               + field(2, "Label=c\nAddress=8\nByteLength=1\nType=UBIN\nBitMask=zz\nList=\"1 -a;;2 -b;\"\nScript=blfOut")
                               + field(3, "Label=d\nAddress=9\nByteLength=1\nType=UBIN\nList=\"1;2\"\nHasInputBox=1\n"
                                          "RegExp=[0-9]{1,3}\nDefaultValue=1,5");
        QVERIFY(readLayout(ini, layout, messages));
        QCOMPARE(messages, QStringList{"Invalid head number in configuration"});
        QCOMPARE(layout.Head, 1);
        QCOMPARE(layout.TagType, QString("M"));
        QCOMPARE(layout.BCDdot, char(0));
        QCOMPARE(int(layout.formatId), 44);
        QVERIFY(layout.hasCounter);
        const QList<DatiCampo> &f = layout.fields;
        QCOMPARE(f.size(), 4);
        QCOMPARE(f[0].Div, 1);
        QCOMPARE(f[0].diaMpy, 1);
        QCOMPARE(f[0].FieldType, QString("counter"));
        QVERIFY(f[0].Locked);
        QCOMPARE(f[1].FieldType, QString("date"));
        QCOMPARE(f[1].Div, -3);
        QCOMPARE(int(f[1].FontSize), 12); // 355 is 99: inherited
        QCOMPARE(f[1].BackgroundColor, QString("red"));
        QCOMPARE(f[1].ForegroundColor, QString("black"));
        QCOMPARE(int(f[2].BitMask), 0);
        QCOMPARE(f[2].List, QStringList({"1 -a", "2 -b"}));
        QVERIFY(f[2].hasList);
        QCOMPARE(f[2].Script, QString("var k=1\nblfOut"));
        QVERIFY(!f[3].hasList);
        QCOMPARE(f[3].RegExp, QString("[0-9]{1,3}")); // unquoted commas as written
        QCOMPARE(f[3].DefaultValue, QString("1,5"));
    }

    // Texts read as written, the blanks after a comma kept.
    void layoutTexts_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("CHAR default") << QByteArray("DefaultValue=Smith, John") << "Smith, John";
        QTest::newRow("label") << QByteArray("Label=Length, mm") << "Length, mm";
        QTest::newRow("list item") << QByteArray("List=1 - Drill, long") << "1 - Drill, long";
    }
    void layoutTexts()
    {
        QFETCH(QByteArray, line);
        BalluffLayout layout;
        QStringList messages;
        QVERIFY(readLayout("[SETTINGS]\nTotFields=1\n" + field(0, "Label=L\nByteLength=12\nType=CHAR\n" + line), layout,
                           messages));
        const DatiCampo &f = layout.fields.at(0);
        const QHash<QByteArray, QString> members = {
            {"DefaultValue", f.DefaultValue}, {"Label", f.Label}, {"List", f.List.join(';')}};
        QTEST(members.value(line.left(line.indexOf('='))), "text");
    }

    void decode_data()
    {
        QTest::addColumn<DatiCampo>("f");
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QVariant>("expected");
        auto with = [](DatiCampo f, std::function<void(DatiCampo &)> set) {
            set(f);
            BalluffLayout::takeRules(f);
            return f;
        };
        QTest::newRow("UBIN beyond the image") << make("UBIN", 2) << QByteArray() << QVariant(0.0);
        QTest::newRow("CHAR beyond") << make("CHAR", 2) << QByteArray() << QVariant(QByteArray());
        QTest::newRow("CHARSPACE beyond") << make("CHARSPACE", 2) << QByteArray() << QVariant(QString(""));
        QTest::newRow("UNUMCHAR beyond") << make("UNUMCHAR", 2) << QByteArray() << QVariant(0.0);
        QTest::newRow("IEEE beyond") << make("IEEE", 4) << QByteArray() << QVariant(0.0f);
        QTest::newRow("UBIN MSB Div 10") << make("UBIN", 2, "MSB", 10) << QByteArray::fromHex("01F4") << QVariant(50.0);
        QTest::newRow("UBIN LSB Div 10") << make("UBIN", 2, "LSB", 10) << QByteArray::fromHex("01F4") << QVariant(6246.5);
        QTest::newRow("SBIN FFFE") << make("SBIN", 2) << QByteArray::fromHex("FFFE") << QVariant(-2.0);
        QTest::newRow("UBIN FFFE") << make("UBIN", 2) << QByteArray::fromHex("FFFE") << QVariant(65534.0);
        QTest::newRow("SBIN FF one byte reads -1") << make("SBIN", 1) << QByteArray::fromHex("FF") << QVariant(-1.0);
        QTest::newRow("UBIN 3 bytes signed") << make("UBIN", 3) << QByteArray::fromHex("800000") << QVariant(-8388608.0);
        QTest::newRow("UBIN 3 bytes offset Div 1000") << make("UBIN", 3, "MSB", 1000) << QByteArray::fromHex("FFFFCE")
                                                      << QVariant(-0.05);
        QTest::newRow("UBIN 4 bytes signed") << make("UBIN", 4) << QByteArray::fromHex("FFFFFFFF") << QVariant(-1.0);
        QTest::newRow("SBIN 3 bytes signed") << make("SBIN", 3) << QByteArray::fromHex("800000") << QVariant(-8388608.0);
        QTest::newRow("MODSIGN 80 05") << make("MODSIGN", 2) << QByteArray::fromHex("8005") << QVariant(-5.0);
        QTest::newRow("UBCD LSB") << make("UBCD", 2, "LSB") << QByteArray::fromHex("3412") << QVariant(1234.0);
        QTest::newRow("UBCD 10 digits too big") << make("UBCD", 5) << QByteArray::fromHex("9999999999") << QVariant(0.0);
        QTest::newRow("UBCD dot nibble") << make("UBCD", 4) << QByteArray::fromHex("0001E500") << QVariant(1.5);
        QTest::newRow("BCD int") << make("BCD", 3) << QByteArray::fromHex("B00125") << QVariant(125);
        QTest::newRow("BCD Div 100") << make("BCD", 3, "MSB", 100) << QByteArray::fromHex("B00125") << QVariant(1.25);
        QTest::newRow("BCD minus and point") << make("BCD", 3) << QByteArray::fromHex("D01E50") << QVariant(-1.5);
        QTest::newRow("BCD 6 bytes") << make("BCD", 6) << QByteArray::fromHex("B00125") << QVariant(0);
        QTest::newRow("bit field 30 over 2A") << with(make("UBIN", 1), [](DatiCampo &f) { f.BitMask = 0x30; })
                                              << QByteArray::fromHex("2A") << QVariant(2);
        QTest::newRow("PRESERVE with a mask") << with(make("PRESERVE", 1), [](DatiCampo &f) { f.BitMask = 0x0F; })
                                              << QByteArray::fromHex("2A") << QVariant(10);
        QTest::newRow("CHAR Max 4") << with(make("CHAR", 6), [](DatiCampo &f) { f.Max = 4; }) << QByteArray("ABCDEF")
                                    << QVariant(QString("ABCD"));
        QTest::newRow("CHAR Max beyond int") << with(make("CHAR", 2), [](DatiCampo &f) { f.Max = 1e30f; })
                                             << QByteArray("AB") << QVariant(QByteArray("AB"));
        QTest::newRow("FORMATNUM float beyond single precision")
            << with(make("FORMATNUM", 6), [](DatiCampo &f) { f.FieldType = "float"; f.FormatNum = "%6.0e"; })
            << QByteArray("1e+300") << QVariant(1e300);
        QTest::newRow("CHAR Max 0") << make("CHAR", 6) << QByteArray("ABCDEF") << QVariant(QByteArray("ABCDEF"));
        QTest::newRow("CHARSPACE") << make("CHARSPACE", 8) << QByteArray("  AB  \0\0", 8) << QVariant(QString("AB"));
        QTest::newRow("CHARSPACE Latin-1") << make("CHARSPACE", 2) << QByteArray("\xD8\xE9") << QVariant(QString::fromUtf8("Øé"));
        QTest::newRow("UNUMCHAR spaces") << make("UNUMCHAR", 6) << QByteArray(" 1 234") << QVariant(1234.0);
        QTest::newRow("SNUMCHARDEC3 Div 1000") << make("SNUMCHARDEC3", 8, "MSB", 1000) << QByteArray("+012.345")
                                               << QVariant(0.012345);
        QTest::newRow("FORMATNUM hex int Div 2")
            << with(make("FORMATNUM", 4, "MSB", 2), [](DatiCampo &f) { f.FieldType = "int"; f.FormatNum = "%04X"; })
            << QByteArray("00FF") << QVariant(127);
        QTest::newRow("FORMATID 85") << make("FORMATID", 1) << QByteArray::fromHex("85") << QVariant(-123.0);
        QTest::newRow("TIMESTAMP LSB") << make("TIMESTAMP", 4, "LSB") << QByteArray::fromHex("10270000") << QVariant(10000.0);
        QTest::newRow("COUNTER unscaled") << make("COUNTER", 4, "MSB", 10) << QByteArray::fromHex("00000007") << QVariant(7.0);
        QTest::newRow("IEEE 1.0") << make("IEEE", 4) << QByteArray::fromHex("3F800000") << QVariant(1.0f);
        QTest::newRow("UBIN 6 bytes keeps its value") << make("UBIN", 6) << QByteArray(6, 1) << QVariant(QString("keep"));
    }

    void decode()
    {
        QFETCH(DatiCampo, f);
        QFETCH(QByteArray, image);
        QFETCH(QVariant, expected);
        f.value = QString("keep");
        QList<DatiCampo> fields{f};
        BalluffCodec().decode(image, fields);
        const QVariant v = fields[0].value;
        QCOMPARE(v.typeName(), expected.typeName());
        if (expected.type() == QVariant::Double)
            QVERIFY2(qFuzzyCompare(v.toDouble(), expected.toDouble()), qPrintable(v.toString()));
        else
            QCOMPARE(v, expected);
    }

    void encode_data()
    {
        QTest::addColumn<DatiCampo>("f");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("expected"); // hex, or the error text
        auto with = [](DatiCampo f, std::function<void(DatiCampo &)> set) {
            set(f);
            BalluffLayout::takeRules(f);
            return f;
        };
        QTest::newRow("UBIN 300 MSB") << make("UBIN", 2) << QVariant("300") << QByteArray("012c");
        QTest::newRow("UBIN 300 LSB") << make("UBIN", 2, "LSB") << QVariant("300") << QByteArray("2c01");
        QTest::newRow("UBIN 2.5 half even") << make("UBIN", 2) << QVariant("2.5") << QByteArray("0002");
        QTest::newRow("UBIN 3.5 half even") << make("UBIN", 2) << QVariant("3.5") << QByteArray("0004");
        QTest::newRow("SBIN -1") << make("SBIN", 1) << QVariant("-1") << QByteArray("ff");
        QTest::newRow("UBIN 256 wraps") << make("UBIN", 1) << QVariant("256") << QByteArray("00");
        QTest::newRow("UBIN Div 10") << make("UBIN", 2, "MSB", 10) << QVariant("1.5") << QByteArray("000f");
        QTest::newRow("UBIN not a number") << make("UBIN", 1) << QVariant("abc") << QByteArray("00");
        QTest::newRow("MODSIGN -5") << make("MODSIGN", 2) << QVariant("-5") << QByteArray("8005");
        QTest::newRow("BCD 7") << make("BCD", 1) << QVariant("7") << QByteArray("b7");
        QTest::newRow("BCD -3") << make("BCD", 1) << QVariant("-3") << QByteArray("d3");
        QTest::newRow("BCD 42") << make("BCD", 1) << QVariant("42") << QByteArray("42");
        QTest::newRow("BCD 100 in 1 byte") << make("BCD", 1) << QVariant("100") << QByteArray("Field length error\nF");
        QTest::newRow("BCD 1.5 3 bytes") << make("BCD", 3) << QVariant("1.5") << QByteArray("b1e500");
        QTest::newRow("BCD 100.5 3 bytes") << make("BCD", 3) << QVariant("100.5") << QByteArray("100e50");
        QTest::newRow("BCD 12.5 2 bytes cut") << make("BCD", 2) << QVariant("12.5") << QByteArray("Field length error\nF");
        QTest::newRow("UBCD 1234 MSB") << make("UBCD", 2) << QVariant("1234") << QByteArray("1234");
        QTest::newRow("UBCD 1234 LSB") << make("UBCD", 2, "LSB") << QVariant("1234") << QByteArray("3412");
        QTest::newRow("UBCD 7 in 5 bytes") << make("UBCD", 5) << QVariant("7") << QByteArray("0000000007");
        QTest::newRow("UBCD 1.5 Div 10") << make("UBCD", 1, "MSB", 10) << QVariant("1.5") << QByteArray("15");
        QTest::newRow("UBCD 1.5 4 bytes") << make("UBCD", 4) << QVariant("1.5") << QByteArray("0001e500");
        QTest::newRow("UBCD 12345 in 2 bytes") << make("UBCD", 2) << QVariant("12345") << QByteArray("Field length error\nF");
        QTest::newRow("UBCD negative") << make("UBCD", 2) << QVariant("-5") << QByteArray("Field length error\nF");
        QTest::newRow("CHAR trimmed") << make("CHAR", 4) << QVariant(" ab ") << QByteArray("61620000");
        QTest::newRow("CHAR right") << with(make("CHAR", 4), [](DatiCampo &f) { f.RightJustify = true; }) << QVariant(" ab ")
                                    << QByteArray("00006162");
        QTest::newRow("CHAR too long") << make("CHAR", 4) << QVariant("abcde") << QByteArray("ByteLength error\nF");
        QTest::newRow("CHAR Latin-1") << make("CHAR", 2) << QVariant(QString::fromUtf8("Øé")) << QByteArray("d8e9");
        QTest::newRow("CHARSPACE") << make("CHARSPACE", 4) << QVariant("ab") << QByteArray("61622020");
        QTest::newRow("SNUMCHAR 42") << make("SNUMCHAR", 5) << QVariant("42") << QByteArray("+0042").toHex();
        QTest::newRow("SNUMCHAR -42") << make("SNUMCHAR", 5) << QVariant("-42") << QByteArray("-0042").toHex();
        QTest::newRow("SNUMCHAR 123456 refused") << make("SNUMCHAR", 5) << QVariant("123456")
                                                 << QByteArray("Field length error\nF");
        QTest::newRow("UNUMCHAR 1234 in 3") << make("UNUMCHAR", 3) << QVariant("1234") << QByteArray("Field length error\nF");
        QTest::newRow("SNUMCHARDEC3 1.5") << make("SNUMCHARDEC3", 8) << QVariant("1.5") << QByteArray("+001.500").toHex();
        QTest::newRow("SNUMCHARDEC3 zeros cut") << make("SNUMCHARDEC3", 8) << QVariant("12345.5") << QByteArray("+12345.5").toHex();
        QTest::newRow("FORMATNUM int Div 10")
            << with(make("FORMATNUM", 3, "MSB", 10), [](DatiCampo &f) { f.FieldType = "int"; f.FormatNum = "%03d"; })
            << QVariant("1.5") << QByteArray("015").toHex();
        QTest::newRow("FORMATNUM float length")
            << with(make("FORMATNUM", 4), [](DatiCampo &f) { f.FieldType = "float"; f.FormatNum = "%.2f"; })
            << QVariant("12.5") << QByteArray("Field length error\nF");
        QTest::newRow("IEEE 1.0 LSB") << make("IEEE", 4, "LSB") << QVariant("1") << QByteArray("0000803f");
        QTest::newRow("COUNTER") << make("COUNTER", 4) << QVariant(258) << QByteArray("00000102");
        QTest::newRow("FORMATID 300") << make("FORMATID", 1) << QVariant() << QByteArray("2c");
        QTest::newRow("PRESERVE no tag bytes") << make("PRESERVE", 2) << QVariant() << QByteArray("");
    }

    void encode()
    {
        QFETCH(DatiCampo, f);
        QFETCH(QVariant, value);
        QFETCH(QByteArray, expected);
        f.value = value;
        QList<DatiCampo> fields{f};
        QByteArray image("untouched");
        QString error;
        const bool ok = BalluffCodec('B', 'D', 'E', 300).encode(fields, QByteArray(), &image, &error);
        if (expected.contains('\n')) {
            QVERIFY(!ok);
            QCOMPARE(error, QString(expected));
            QCOMPARE(image, QByteArray("untouched"));
        } else {
            QVERIFY2(ok, qPrintable(error));
            QCOMPARE(image.toHex(), expected);
        }
        if (QTest::currentDataTag() == QLatin1String("UBIN not a number"))
            QCOMPARE(fields[0].value, QVariant(0));
    }

    // The decimals a field's bytes give back: a value with that many comes
    // back from the tag as written, one with a decimal more does not.
    void heldDecimals_data()
    {
        QTest::addColumn<DatiCampo>("f");
        QTest::addColumn<int>("decimals");
        auto formatNum = [](int length, int div, const char *pattern) {
            DatiCampo f = make("FORMATNUM", length, "MSB", div);
            f.FieldType = "float";
            f.FormatNum = pattern;
            BalluffLayout::takeRules(f);
            return f;
        };
        QTest::newRow("UBIN Div 100") << make("UBIN", 2, "MSB", 100) << 2;
        QTest::newRow("SBIN Div -1000") << make("SBIN", 4, "MSB", -1000) << 3;
        QTest::newRow("MODSIGN Div 1") << make("MODSIGN", 2) << 0;
        QTest::newRow("UBCD 2 bytes") << make("UBCD", 2) << 0;
        QTest::newRow("UBCD 4 bytes, a point nibble") << make("UBCD", 4) << 3;
        QTest::newRow("BCD 2 bytes") << make("BCD", 2) << 1;
        QTest::newRow("BCD 3 bytes Div 10") << make("BCD", 3, "MSB", 10) << 4;
        QTest::newRow("UNUMCHAR Div 100") << make("UNUMCHAR", 5, "MSB", 100) << 2;
        QTest::newRow("SNUMCHARDEC3") << make("SNUMCHARDEC3", 8) << 3;
        QTest::newRow("FORMATNUM %6.2f Div 10") << formatNum(6, 10, "%6.2f") << 3;
        QTest::newRow("FORMATNUM %9.2e, no limit") << formatNum(9, 1, "%9.2e") << -1;
        QTest::newRow("IEEE, no limit") << make("IEEE", 4) << -1;
    }
    void heldDecimals()
    {
        QFETCH(DatiCampo, f);
        QFETCH(int, decimals);
        QCOMPARE(BalluffCodec::heldDecimals(f), decimals);
        if (decimals < 0)
            return;
        BalluffCodec codec;
        for (const int d : {decimals, decimals + 1}) {
            const double v = 3 * std::pow(10.0, -d);
            f.value = v;
            QList<DatiCampo> fields{f};
            QByteArray image;
            QString error;
            QVERIFY2(codec.encode(fields, QByteArray(), &image, &error), qPrintable(error));
            codec.decode(image, fields);
            const bool back = std::fabs(fields[0].value.toDouble() - v) < 1e-12;
            QVERIFY2(back == (d == decimals), qPrintable(QString("%1 reads %2").arg(v).arg(fields[0].value.toDouble())));
        }
    }

    void encodeWalk()
    {
        BalluffCodec codec;
        QByteArray image;
        QString error;
        QList<DatiCampo> none;
        QVERIFY(codec.encode(none, QByteArray(), &image, &error));
        QVERIFY(image.isEmpty());

        DatiCampo a = make("UBIN", 2), b = make("UBIN", 1);
        a.Address = 16;
        a.value = "1";
        b.Address = 20;
        b.value = "2";
        QList<DatiCampo> fields{a, b};
        QVERIFY(codec.encode(fields, QByteArray(), &image, &error));
        QCOMPARE(image.toHex(), QByteArray(32, '0') + "0001" + "0000" + "02");
        // Written from the first field's address: the bytes below stay.
        QCOMPARE(BalluffCodec::writeAddress(fields), 16);
        QCOMPARE(BalluffCodec::writeBytes(image, fields).toHex(), QByteArray("0001000002"));

        fields[1].Address = 17;
        fields[1].Label = "second";
        QVERIFY(!codec.encode(fields, QByteArray(), &image, &error));
        QCOMPARE(error, QString("Address error\nsecond"));

        // Bit fields sharing a byte; the PRESERVE field copies the tag's bytes.
        DatiCampo lo = make("UBIN", 1), hi = make("UBIN", 1), keep = make("PRESERVE", 2), num = make("FORMATNUM", 2);
        lo.BitMask = 0x0F;
        lo.value = 0x1F;
        hi.BitMask = 0xF0;
        hi.value = 3;
        keep.Address = 1;
        num.Address = 3;
        num.BitMask = 0xFF;
        num.FieldType = "int";
        num.FormatNum = "%02X";
        BalluffLayout::takeRules(num);
        num.value = 0xA5;
        QList<DatiCampo> run{lo, hi, keep, num};
        QVERIFY(codec.encode(run, QByteArray::fromHex("00AABB"), &image, &error));
        QCOMPARE(image.toHex(), QByteArray("3faabb") + QByteArray("A5").toHex());
    }

    void roundTrip_data()
    {
        QTest::addColumn<DatiCampo>("f");
        QTest::addColumn<QString>("value");
        auto with = [](DatiCampo f, std::function<void(DatiCampo &)> set) {
            set(f);
            BalluffLayout::takeRules(f);
            return f;
        };
        QTest::newRow("UBIN 4 negative") << make("UBIN", 4) << "-2000000000";
        QTest::newRow("UBIN 3 negative") << make("UBIN", 3, "LSB", 1000) << "-0.05";
        QTest::newRow("SBIN 1 negative") << make("SBIN", 1) << "-100";
        QTest::newRow("SBIN 2 Div 100") << make("SBIN", 2, "LSB", 100) << "-12.34";
        QTest::newRow("MODSIGN 3") << make("MODSIGN", 3, "MSB", 1000) << "-7.25";
        QTest::newRow("UBCD 3") << make("UBCD", 3, "LSB") << "123456";
        QTest::newRow("UBCD 5 fraction") << make("UBCD", 5, "MSB", 10) << "123.45";
        QTest::newRow("BCD 4 Div 1000") << make("BCD", 4, "MSB", 1000) << "-12.5";
        QTest::newRow("BCD 5 fraction") << make("BCD", 5) << "1234.567";
        QTest::newRow("CHAR") << make("CHAR", 8) << QString::fromUtf8("Tø 1");
        QTest::newRow("CHARSPACE") << make("CHARSPACE", 8) << "T12";
        QTest::newRow("UNUMCHAR Div 10") << make("UNUMCHAR", 6, "MSB", 10) << "123.4";
        QTest::newRow("SNUMCHAR") << make("SNUMCHAR", 6) << "-1234";
        QTest::newRow("SNUMCHARDEC3") << make("SNUMCHARDEC3", 9) << "-12.345";
        QTest::newRow("FORMATNUM int hex")
            << with(make("FORMATNUM", 4), [](DatiCampo &f) { f.FieldType = "int"; f.FormatNum = "%04X"; }) << "4660";
        QTest::newRow("FORMATNUM float")
            << with(make("FORMATNUM", 7), [](DatiCampo &f) { f.FieldType = "float"; f.FormatNum = "%07.2f"; }) << "-12.25";
        QTest::newRow("IEEE Div 10") << make("IEEE", 4, "LSB", 10) << "2.5";
        QTest::newRow("COUNTER Div 10") << make("COUNTER", 4, "LSB", 10) << "77";
        QTest::newRow("bit field") << with(make("UBIN", 1), [](DatiCampo &f) { f.BitMask = 0x38; }) << "5";
    }

    void roundTrip()
    {
        QFETCH(DatiCampo, f);
        QFETCH(QString, value);
        f.Address = 3;
        f.value = value;
        QList<DatiCampo> fields{f};
        QByteArray image;
        QString error;
        BalluffCodec codec;
        QVERIFY2(codec.encode(fields, QByteArray(), &image, &error), qPrintable(error));
        fields[0].value = QVariant();
        codec.decode(image, fields);
        const QVariant back = fields[0].value;
        if (f.Type.startsWith("CHAR"))
            QCOMPARE(QString::fromLatin1(back.toByteArray()).remove(QChar(0)).trimmed(), value);
        else
            QVERIFY2(qAbs(back.toDouble() - value.toDouble()) < 1e-6, qPrintable(back.toString()));
    }
};

QTEST_GUILESS_MAIN(TestRfidCodec)
#include "tst_rfidcodec.moc"
