// RFID read/write head simulator: plays a head in query mode on a
// pseudo-terminal so the tag editor runs without hardware. Prints the
// terminal's path on its first output line. The tag's bytes live in a file
// (read again whenever the program sends, rewritten after every write); while
// a file named like it with ".away" appended exists, no tag is in front of
// the head.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include "common/SimulatorPty.h"
#include "rfid/BalluffHeadModel.h"

#include <cstdio>
#include <unistd.h>

namespace {

struct Head
{
    BalluffHeadModel model;
    SimulatorPty pty;
    QString tagFile;
    bool forcedAway = false;
    bool verbose = false;

    // Another program may have put new bytes on the tag.
    void load()
    {
        QFile f(tagFile);
        if (!f.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = f.read(model.tag.size());
        model.tag.replace(0, bytes.size(), bytes);
    }

    void save()
    {
        QFile f(tagFile);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(model.tag);
    }

    void readable()
    {
        char buf[4096];
        QByteArray in;
        for (;;) {
            const ssize_t n = ::read(pty.master(), buf, sizeof buf);
            if (n <= 0)
                break;
            in.append(buf, int(n));
        }
        if (in.isEmpty())
            return;
        model.tagPresent = !forcedAway && !QFile::exists(tagFile + ".away");
        load();
        const int writesBefore = model.writes;
        const int telegramsBefore = model.telegrams.size();
        const QByteArray answer = model.take(in);
        if (verbose)
            for (int i = telegramsBefore; i < model.telegrams.size(); ++i)
                std::fprintf(stderr, "rfid-sim: telegram %s\n", model.telegrams[i].toHex(' ').constData());
        if (model.writes != writesBefore) {
            save();
            if (verbose)
                std::fprintf(stderr, "rfid-sim: wrote %d bytes at %d\n", model.lastCount, model.lastAddress);
        }
        pty.writeAll(answer);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("rfid-sim");

    QCommandLineParser parser;
    parser.setApplicationDescription("RFID read/write head simulator (query mode) on a pseudo-terminal.");
    parser.addHelpOption();
    const QCommandLineOption tagOpt("tag", "File holding the tag's bytes (default rfid-tag.bin).", "file",
                                    "rfid-tag.bin");
    const QCommandLineOption sizeOpt("size", "Tag capacity in bytes (default 512).", "bytes", "512");
    const QCommandLineOption awayOpt("no-tag", "No tag in front of the head, whatever the files say.");
    const QCommandLineOption nakOpt("nak", "Answer every read and write request with NAK and this code.",
                                    "code");
    const QCommandLineOption verboseOpt("verbose", "Log every telegram on standard error.");
    parser.addOptions({tagOpt, sizeOpt, awayOpt, nakOpt, verboseOpt});
    parser.process(app);

    Head head;
    head.tagFile = parser.value(tagOpt);
    head.forcedAway = parser.isSet(awayOpt);
    head.verbose = parser.isSet(verboseOpt);
    const int size = qBound(1, parser.value(sizeOpt).toInt(), 9999);
    head.model.tag = QByteArray(size, '\0');
    head.load();
    const QString nak = parser.value(nakOpt);
    const char nakCode = nak.isEmpty() ? 0 : nak.at(0).toLatin1();

    if (!head.pty.open("rfid-sim"))
        return 1;
    head.pty.printPath();

    QSocketNotifier notifier(head.pty.master(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&head, nakCode] {
        // A refusing head refuses every request, not just the first one.
        if (nakCode)
            head.model.nakCodes = {nakCode, nakCode};
        head.readable();
    });

    return app.exec();
}
