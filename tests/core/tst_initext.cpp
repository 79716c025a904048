#include <QDir>
#include <QSettings>
#include <QtTest>

#include "shared/App.h"
#include "shared/IniText.h"
#include "support/TestWorkDir.h"

// Keys set in an INI text, every other byte kept: in place, or a new key
// under its section's header (the tag layout's counter) or after its
// section's last key (the settings file), in a Latin-1 or a UTF-8 text; and
// which texts may replace the settings file.
class TestIniText : public QObject
{
    Q_OBJECT
private slots:
    void keysSet_data();
    void keysSet();
    void settingsText_data();
    void settingsText();
};

namespace {
const QByteArray kLatin1Layout("; layout\n[SETTINGS]\nTagType=M\nLabel=M\xfcller, mm\n\n[FIELD1]\nLabel=n, count\n");
const QByteArray kUtf8Layout("; layout\n[SETTINGS]\nTagType=M\nLabel=M\xc3\xbcller, mm\n\n[FIELD1]\nLabel=n, count\n");
const QByteArray kRefused("(refused)");

QByteArray replaced(QByteArray text, const QByteArray &from, const QByteArray &to)
{
    return text.replace(from, to);
}
}

void TestIniText::keysSet_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("value"); // null: the key removed
    QTest::addColumn<int>("encoding");
    QTest::addColumn<int>("placement");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QString>("readsAs");
    const int L = IniText::Latin1, U = IniText::Utf8, H = IniText::UnderHeader, K = IniText::AfterLastKey;
    const QByteArray counter("[SETTINGS]\nWriteCounter = 4 ; by hand\nLabel=M\xfcller, mm\n");
    QTest::newRow("Latin-1, in place, blanks and comment kept")
        << counter << "/SETTINGS/WriteCounter" << QByteArray("5") << L << H
        << replaced(counter, "= 4 ;", "= 5 ;") << "5";
    const QByteArray utf8Counter = replaced(counter, "\xfc", "\xc3\xbc");
    QTest::newRow("UTF-8, in place") << utf8Counter << "SETTINGS/WriteCounter" << QByteArray("5") << U << K
                                     << replaced(utf8Counter, "= 4 ;", "= 5 ;") << "5";
    QTest::newRow("Latin-1, a new key under the header")
        << kLatin1Layout << "SETTINGS/WriteCounter" << QByteArray("1") << L << H
        << replaced(kLatin1Layout, "[SETTINGS]\n", "[SETTINGS]\nWriteCounter=1\n") << "1";
    QTest::newRow("Latin-1, a new key after the last key")
        << kLatin1Layout << "SETTINGS/WriteCounter" << QByteArray("1") << L << K
        << replaced(kLatin1Layout, "mm\n\n", "mm\nWriteCounter=1\n\n") << "1";
    QTest::newRow("Latin-1, a value of its own bytes")
        << kLatin1Layout << "FIELD1/Unit" << QByteArray("Gr\xfc\xdf") << L << K
        << kLatin1Layout + "Unit=Gr\xfc\xdf\n" << QString::fromLatin1("Gr\xfc\xdf");
    QTest::newRow("UTF-8, a new key under the header")
        << kUtf8Layout << "SETTINGS/WriteCounter" << QByteArray("1") << U << H
        << replaced(kUtf8Layout, "[SETTINGS]\n", "[SETTINGS]\nWriteCounter=1\n") << "1";
    QTest::newRow("UTF-8, a new key after the last key, a text beyond Latin-1")
        << kUtf8Layout << "SETTINGS/Note" << QByteArray("M\xc3\xbc\\tller \xe2\x82\xac") << U << K
        << replaced(kUtf8Layout, "mm\n\n", "mm\nNote=M\xc3\xbc\\tller \xe2\x82\xac\n\n")
        << QString::fromUtf8("M\xc3\xbc\tller \xe2\x82\xac");
    QTest::newRow("a UTF-8 mark in front reads UTF-8")
        << QByteArray("\xef\xbb\xbf[SETTINGS]\nTagType=M\n") << "SETTINGS/Label" << QByteArray("\xc3\xa9") << L << H
        << QByteArray("\xef\xbb\xbf[SETTINGS]\nLabel=\xc3\xa9\nTagType=M\n") << QString::fromUtf8("\xc3\xa9");
    QTest::newRow("under a header with a comment after it")
        << QByteArray("[SETTINGS] ; the head\nTagType=M\n") << "SETTINGS/WriteCounter" << QByteArray("1") << L << H
        << QByteArray("[SETTINGS] ; the head\nWriteCounter=1\nTagType=M\n") << "1";
    QTest::newRow("a key before every section") << QByteArray("; top\n[A]\nk=1\n") << "top" << QByteArray("1") << L
                                                << H << QByteArray("top=1\n; top\n[A]\nk=1\n") << "1";
    QTest::newRow("a new section at the end, after the last key")
        << kUtf8Layout << "COUNTER/Last" << QByteArray("7") << U << K << kUtf8Layout + "\n[COUNTER]\nLast=7\n" << "7";
    QTest::newRow("no section to go under: refused")
        << kLatin1Layout << "COUNTER/Last" << QByteArray("7") << L << H << kRefused << QString();
    // The open quote would carry the line on over the next key.
    QTest::newRow("a value that would change another key: refused")
        << kLatin1Layout << "SETTINGS/TagType" << QByteArray("\"M") << L << H << kRefused << QString();
    QTest::newRow("the same after the last key: refused")
        << kUtf8Layout << "SETTINGS/Note" << QByteArray("\"M") << U << K << kRefused << QString();
    QTest::newRow("a key removed") << kUtf8Layout << "SETTINGS/TagType" << QByteArray() << U << K
                                   << replaced(kUtf8Layout, "TagType=M\n", "") << QString();
    QTest::newRow("a CRLF text, after the last key") << QByteArray("[A]\r\nk=1\r\n") << "A/n" << QByteArray("2") << U
                                                     << K << QByteArray("[A]\r\nk=1\r\nn=2\r\n") << "2";
    QTest::newRow("a CRLF text, under the header") << QByteArray("[A]\r\nk=1\r\n") << "A/n" << QByteArray("2") << L
                                                   << H << QByteArray("[A]\r\nn=2\r\nk=1\r\n") << "2";
}

void TestIniText::keysSet()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, key);
    QFETCH(QByteArray, value);
    QFETCH(int, encoding);
    QFETCH(int, placement);
    QFETCH(QByteArray, result);
    QFETCH(QString, readsAs);
    const auto enc = IniText::Encoding(encoding);
    QByteArray out("(untouched)");
    const bool ok = IniText::withKeys(data, {{key, value}}, enc, IniText::Placement(placement), out);
    QCOMPARE(ok ? out : kRefused, result);
    if (!ok)
        QCOMPARE(out, QByteArray("(untouched)"));
    TestWorkDir wd;
    // The tag layout's counter goes the same way into its file, or the file stays.
    if (enc == IniText::Latin1 && placement == IniText::UnderHeader && !value.isNull()) {
        QVERIFY(wd.writeFile("counter.ini", data));
        QCOMPARE(IniText::write("counter.ini", key, value), ok);
        QCOMPARE(TestWorkDir::readFile("counter.ini"), ok ? result : data);
    }
    if (!ok)
        return;
    // Read back from a file as the layout readers read it.
    QVERIFY(wd.writeFile("layout.ini", out));
    QCOMPARE(IniText("layout.ini", enc).value(key, "(none)"), value.isNull() ? QString("(none)") : readsAs);
}

void TestIniText::settingsText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("replaces");
    QTest::newRow("keys in a section") << QByteArray("[Machine]\nisMM=false\n") << true;
    QTest::newRow("a key before every section") << QByteArray("isMM=false\n") << true;
    QTest::newRow("a text beyond ASCII") << QByteArray("[Machine]\nvendorName=M\xc3\xbcller\n") << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("a section without keys") << QByteArray("[Machine]\n") << false;
    QTest::newRow("a comment alone") << QByteArray("; nothing\n") << false;
    // A line without a value the reader passes over; a header left open is a fault.
    QTest::newRow("keys and a line without a value") << QByteArray("[Machine]\nisMM=false\nstray words\n") << true;
    QTest::newRow("keys after a header left open") << QByteArray("[Machine\nisMM=false\n") << false;
    QTest::newRow("keys and an empty header") << QByteArray("[Machine]\nisMM=false\n[\n") << false;
}

void TestIniText::settingsText()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, replaces);
    TestWorkDir wd;
    const QByteArray before("[Machine]\nisMM=true\n");
    QVERIFY(wd.writeFile(App::settingsFile(), before));
    App::resetKovraSettings();
    QCOMPARE(App::kovraSettings().value("Machine/isMM").toBool(), true);
    QCOMPARE(App::replaceKovraSettingsFile(text), replaces);
    QCOMPARE(TestWorkDir::readFile(App::settingsFile()), replaces ? text : before);
    QCOMPARE(App::kovraSettings().value("Machine/isMM").toBool(), !replaces);
    if (text.contains("vendorName"))
        QCOMPARE(App::kovraSettings().value("Machine/vendorName").toString(), QString::fromUtf8("M\xc3\xbcller"));
    // No draft stays beside the file.
    QCOMPARE(QDir(".").entryList(QDir::Files | QDir::Hidden), QStringList{"T8A_M.cfg"});
    App::resetKovraSettings();
}

QTEST_GUILESS_MAIN(TestIniText)
#include "tst_initext.moc"
