// Speed of the tag codec, of a tag read and of the tag editor: encoding and
// decoding a 100-field, 512-byte layout; a 512-byte read through the head
// protocol on a pseudo-terminal against the test head (the program's own
// share of a read); opening the editor on a 100-field layout (layout read,
// grid built, head opened, values shown).
#include <QApplication>
#include <QFile>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include "rfid/BalluffCodec.h"
#include "rfid/cballuff.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "rfid/qballuff.h"
#include "shared/App.h"
#include "support/FakeBalluffHead.h"

#include <cstdio>

namespace {

QList<DatiCampo> layout100()
{
    const char *types[] = {"UBIN", "SBIN", "MODSIGN", "UBCD", "BCD", "CHAR", "CHARSPACE", "UNUMCHAR",
                           "SNUMCHAR", "SNUMCHARDEC3", "IEEE", "COUNTER"};
    const int lengths[] = {4, 4, 4, 4, 5, 6, 6, 6, 6, 8, 4, 4}; // 100 fields in 504 bytes
    QList<DatiCampo> fields;
    int address = 0;
    for (int i = 0; fields.size() < 100; ++i) {
        const int k = i % 12;
        DatiCampo f;
        f.Label = QString("F%1").arg(i);
        f.Type = types[k];
        f.ByteLength = lengths[k];
        if (address + f.ByteLength > 512)
            f.ByteLength = 512 - address;
        f.Address = address;
        f.FirstByte = i % 2 ? "LSB" : "MSB";
        f.Div = k < 5 ? 10 : 1;
        f.value = f.Type.startsWith("CHAR") ? QVariant(QString("T%1").arg(i)) : QVariant(QString::number(i * 1.5));
        address += f.ByteLength;
        fields.append(f);
    }
    return fields;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<DatiCampo> fields = layout100();
    BalluffCodec codec;
    QByteArray image;
    QString error;
    if (!codec.encode(fields, QByteArray(), &image, &error)) {
        std::fprintf(stderr, "rfid-bench: %s\n", qPrintable(error));
        return 1;
    }
    image.append(QByteArray(512 - image.size(), '\0'));

    const int rounds = 2000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i) {
        QByteArray out;
        codec.encode(fields, QByteArray(), &out, &error);
    }
    const double encodeMs = double(t.nsecsElapsed()) / 1e6 / rounds;
    t.restart();
    for (int i = 0; i < rounds; ++i)
        codec.decode(image, fields);
    const double decodeMs = double(t.nsecsElapsed()) / 1e6 / rounds;
    std::printf("encode 100 fields, %d bytes: %.4f ms\n", image.size(), encodeMs);
    std::printf("decode 100 fields, %d bytes: %.4f ms\n", image.size(), decodeMs);

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    App::kovraSettings().setValue("/TTY/AxbPort", "/dev/none-axb");
    App::kovraSettings().setValue("/TTY/DncPort", "/dev/none-dnc");
    FakeBalluffHead peer;
    peer.model.tag = image;
    QBalluff head;
    if (!head.openBalluffInterface(peer.slavePath(), BAUD9600, DATA_8, PAR_EVEN, STOP_1, FLOW_OFF))
        return 1;
    head.setBisM(true);
    const int reads = 20;
    double worst = 0, total = 0;
    for (int i = 0; i < reads; ++i) {
        QByteArray out;
        t.restart();
        if (!head.readBalluff(&out, 0, 512, 1, 1) || out != image) {
            std::fprintf(stderr, "rfid-bench: read failed: %s\n", qPrintable(head.getError()));
            return 1;
        }
        const double ms = double(t.nsecsElapsed()) / 1e6;
        worst = qMax(worst, ms);
        total += ms;
        head.setState(QBalluff::BC_IDLE);
    }
    std::printf("read 512 bytes on a pty (query mode): mean %.2f ms, worst %.2f ms over %d reads\n",
                total / reads, worst, reads);
    head.closeBalluffInterface();

    // The editor on a 100-field layout of every kind of row.
    QDir().mkpath("balluff");
    QByteArray ini = "[SETTINGS]\nTagType=M\nTagSize=512\nTotFields=100\nCom=" + peer.slavePath().toLocal8Bit() + "\n";
    for (int i = 0; i < fields.size(); ++i) {
        const DatiCampo &f = fields.at(i);
        ini += QString("[FIELD%1]\nLabel=%2\nAddress=%3\nByteLength=%4\nType=%5\nFirstByte=%6\nDiv=%7\n")
                   .arg(i).arg(f.Label).arg(f.Address).arg(f.ByteLength).arg(f.Type).arg(f.FirstByte).arg(f.Div)
                   .toLatin1();
        switch (i % 5) {
        case 0: ini += "FieldType=float\nGetX=1\nMin=0\nMax=500\n"; break;
        case 1: ini += "FieldType=int\nList=\"1 - one;2 - two;3 - three\"\n"; break;
        case 2: ini += "FieldType=int\nBitField=1\nList=\"a;b;c;d\"\n"; break;
        case 3: ini += "FieldType=string\nAutoDefault=1\nDefaultValue=x\n"; break;
        default: ini += "FieldType=int\nHasInputBox=1\n"; break;
        }
    }
    QFile layoutFile("balluff/bench.ini");
    if (!layoutFile.open(QIODevice::WriteOnly))
        return 1;
    layoutFile.write(ini);
    layoutFile.close();
    CurrentMachine.Balluff = "bench.ini";
    // A box would wait for an operator: print it and go on.
    QMessageBoxKovra::setHandler([](const QMessageBoxKovra::Box &b) {
        std::fprintf(stderr, "rfid-bench: box %s: %s\n", qPrintable(b.title), qPrintable(b.text));
        return QMessageBox::Ok;
    });
    QWidget host;
    cBalluffUI editor(&host, nullptr);
    const int openings = 10;
    double worstOpen = 0, totalOpen = 0;
    for (int i = 0; i < openings; ++i) {
        t.restart();
        if (!editor.init())
            return 1;
        editor.DecodeTelegram(image, editor.fieldList());
        editor.LoadTableData();
        const double ms = double(t.nsecsElapsed()) / 1e6;
        worstOpen = qMax(worstOpen, ms);
        totalOpen += ms;
    }
    std::printf("open the editor on 100 fields: mean %.1f ms, worst %.1f ms over %d openings\n",
                totalOpen / openings, worstOpen, openings);
    return 0;
}
