// Speed of the tag codec and of a tag read: encoding and decoding a 100-field,
// 512-byte layout, and a 512-byte read through the head protocol on a
// pseudo-terminal against the test head (the program's own share of a read).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include "rfid/BalluffCodec.h"
#include "rfid/qballuff.h"
#include "shared/App.h"
#include "support/FakeBalluffHead.h"

#include <cstdio>

namespace {

QList<DatiCampo> layout100()
{
    const char *types[] = {"UBIN", "SBIN", "MODSIGN", "UBCD", "BCD", "CHAR", "CHARSPACE", "UNUMCHAR",
                           "SNUMCHAR", "SNUMCHARDEC3", "IEEE", "COUNTER"};
    const int lengths[] = {4, 4, 4, 4, 5, 8, 6, 6, 6, 9, 4, 4};
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
    QCoreApplication app(argc, argv);
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
    return 0;
}
