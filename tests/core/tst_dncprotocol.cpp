#include <QtTest>

#include "dnc/DmFrameReader.h"
#include "dnc/DncProtocol.h"

using namespace DncProtocol;

// The DNC exchange and the scanner as bytes: server address, frames of both
// dialects, the receive buffer and the scanner's frames.
class tst_dncprotocol : public QObject
{
    Q_OBJECT

private slots:
    void socketSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("host and port") << "cnc.local:1234" << true << "cnc.local" << 1234;
        QTest::newRow("empty host passes") << ":1234" << true << "" << 1234;
        QTest::newRow("highest port") << "h:65535" << true << "h" << 65535;
        QTest::newRow("host alone") << "cnc.local" << false << "" << 0;
        QTest::newRow("port 0") << "h:0" << false << "" << 0;
        QTest::newRow("port 70000") << "h:70000" << false << "" << 0;
        QTest::newRow("port not a number") << "h:http" << false << "" << 0;
        QTest::newRow("three parts") << "h:1:2" << false << "" << 0;
        QTest::newRow("empty") << "" << false << "" << 0;
    }
    void socketSettings()
    {
        QFETCH(QString, text);
        QString host;
        quint16 port = 0;
        QTEST(parseSocket(text, host, port), "valid");
        QTEST(host, "host");
        QTEST(int(port), "port");
    }

    void frames_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("frame");
        QTest::newRow("GetValues without code") << int(GetValues) << "" << QStringList{"T", "5"}
                                                << "\x02{\"GetValues\": {\"DataMatrixCode\": \"0\",\"Machine\": \"M1\"}}\x03";
        QTest::newRow("SetValues keys sorted") << int(SetValues) << "AB" << QStringList{"b", "2", "Z", "1", "a", ""}
                                               << "\x02{\"SetValues\": {\"DataMatrixCode\": \"AB\",\"Machine\": \"M1\","
                                                  "\"Z\": \"1\",\"a\": \"\",\"b\": \"2\"}}\x03";
        QTest::newRow("later value replaces") << int(SetValues) << "C" << QStringList{"K", "1", "K", "2", "Machine", "X"}
                                              << "\x02{\"SetValues\": {\"DataMatrixCode\": \"C\",\"K\": \"2\","
                                                 "\"Machine\": \"X\"}}\x03";
        QTest::newRow("escapes") << int(SetValues) << "0" << QStringList{"E", QString("q\"\\\b\t\n\f\r\x03\x1f é")}
                                 << QString("\x02{\"SetValues\": {\"DataMatrixCode\": \"0\",\"E\": "
                                            "\"q\\\"\\\\\\b\\t\\n\\f\\r\\u0003\\u001f é\",\"Machine\": \"M1\"}}\x03");
    }
    void frames()
    {
        QFETCH(int, type);
        QFETCH(QString, code);
        QFETCH(QStringList, values);
        QList<QPair<QString, QString>> pairs;
        for (int i = 0; i + 1 < values.size(); i += 2)
            pairs << qMakePair(values.at(i), values.at(i + 1));
        const QString frame = jsonFrame(PayloadType(type), code, "M1", pairs);
        QTEST(frame, "frame");
        // What goes out is valid JSON whose values read back unchanged.
        QJsonParseError e;
        const QJsonDocument doc = QJsonDocument::fromJson(frame.mid(1, frame.size() - 2).toUtf8(), &e);
        QCOMPARE(e.error, QJsonParseError::NoError);
        if (type == SetValues && values.size() == 2)
            QCOMPARE(doc.object().value("SetValues").toObject().value(values.at(0)).toString(), values.at(1));
    }

    void plainText()
    {
        QCOMPARE(plainFrame({{"T", "5"}, {"D", "12.5"}}), QString("\x02T5 D12.5 \x03"));
        QVERIFY(isPlainText("okuma.dnc", false));
        QVERIFY(!isPlainText("okuma.dnc", true));
        QVERIFY(!isPlainText("Okuma.dnc", false));
        QVERIFY(plainTextCarries("Ø12.5"));
        QVERIFY(!plainTextCarries("a\x03"));
        QVERIFY(!plainTextCarries("a\tb"));
    }

    void jsonReplies()
    {
        ReplyBuffer b;
        QJsonDocument doc;
        QVERIFY(b.append("junk\x02{\"Ack"));
        QCOMPARE(b.takeJson(doc), ReplyBuffer::Waiting);
        QVERIFY(b.append("nowledge\": {\"ERROR\": \"\"}}"));
        QCOMPARE(b.takeJson(doc), ReplyBuffer::Waiting);
        QVERIFY(b.append("\x03\x02{}\x03"));
        QCOMPARE(b.takeJson(doc), ReplyBuffer::Document);
        QVERIFY(doc.object().contains("Acknowledge"));
        QCOMPARE(b.size(), 0); // bytes after the frame go with it
        b.append("\x02{broken\x03\x02{\"SetValues\": {}}\x03");
        QCOMPARE(b.takeJson(doc), ReplyBuffer::Dropped);
        QCOMPARE(b.size(), 0);
        b.append("\x02{\"SetValues\": {}}\x03");
        QCOMPARE(b.takeJson(doc), ReplyBuffer::Document);
    }

    void plainReplies_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("reply");
        QTest::newRow("ack") << QByteArray("x\x02" "ACK\x03") << int(Ack);
        QTest::newRow("busy then ack is ack") << QByteArray("\x02" "BUSY\x03\x02" "ACK\x03") << int(Ack);
        QTest::newRow("error") << QByteArray("\x02" "ERROR\x03") << int(Error);
        QTest::newRow("busy") << QByteArray("\x02" "BUSY\x03") << int(Busy);
        QTest::newRow("nothing yet") << QByteArray("\x02" "AC") << int(NoReply);
    }
    void plainReplies()
    {
        QFETCH(QByteArray, bytes);
        ReplyBuffer b;
        b.append(bytes);
        QTEST(int(b.findPlain()), "reply");
    }

    void oversizedReplyDropped()
    {
        ReplyBuffer b;
        const QByteArray chunk(64 * 1024, 'x');
        QVERIFY(b.append("\x02"));
        int dropped = 0;
        for (int i = 0; i < 20; ++i)
            dropped += b.append(chunk) ? 0 : 1;
        QCOMPARE(dropped, 1);
        QVERIFY(b.size() <= kMaxBuffer);
    }

    void scannerFrames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("code");
        QTest::newRow("code") << QByteArray("\x02" "AB12\x03") << true << "AB12";
        QTest::newRow("NUL ends the code") << QByteArray("\x02" "AB\0C\x03", 6) << true << "AB";
        QTest::newRow("empty code") << QByteArray("\x02\x03") << true << "";
        QTest::newRow("garbage before STX") << QByteArray("zz\x03\x02" "X\x03") << true << "X";
        QTest::newRow("second frame lost") << QByteArray("\x02" "A\x03\x02" "B\x03") << true << "A";
        QTest::newRow("Latin-1 code") << QByteArray("\x02\xd8" "1\x03") << true << "Ø1";
        QTest::newRow("no ETX yet") << QByteArray("\x02" "AB") << false << "";
        QTest::newRow("read cut short, then the code") << QByteArray("\x02" "TOOL-00\x02" "TOOL-0042\x03") << true
                                                       << "TOOL-0042";
    }
    void scannerFrames()
    {
        QFETCH(QByteArray, bytes);
        DmFrameReader r;
        QString code;
        QTEST(r.append(bytes, code), "complete");
        QTEST(code, "code");
        if (QTest::currentDataTag() == QByteArray("second frame lost"))
            QCOMPARE(r.size(), 0);
    }

    void scannerBufferBounded()
    {
        DmFrameReader r;
        QString code;
        r.append("\x02", code);
        for (int i = 0; i < 10; ++i)
            QVERIFY(!r.append(QByteArray(1000, 'a'), code));
        QVERIFY(r.size() <= DmFrameReader::kMaxBuffer);
        QVERIFY(r.append("\x02" "OK\x03", code));
        QCOMPARE(code, QString("OK"));
    }
};

QTEST_MAIN(tst_dncprotocol)
#include "tst_dncprotocol.moc"
