// CNC-side DNC server simulator: listens on loopback, prints "127.0.0.1:<port>"
// on its first output line (the machine's dncSocket), answers GetValues from a
// small table of tools by DataMatrix code, keeps and acknowledges SetValues,
// acknowledges plain-text lines with ACK. It can be told to answer busy, with
// an error, or not at all.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>

#include "dnc/CncServerModel.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("cnc-sim");
    QCommandLineParser parser;
    parser.setApplicationDescription("CNC-side DNC server simulator on loopback.");
    parser.addHelpOption();
    const QCommandLineOption portOpt("port", "TCP port (default 0: any free one).", "port", "0");
    const QCommandLineOption busyOpt("busy", "Answer every frame busy (JSON ERROR \"BUSY\", plain BUSY).");
    const QCommandLineOption errorOpt("error", "Answer every frame with this error (plain: ERROR).", "text");
    const QCommandLineOption silentOpt("silent", "Never answer.");
    const QCommandLineOption verboseOpt("verbose", "Log every frame received on standard error.");
    parser.addOptions({portOpt, busyOpt, errorOpt, silentOpt, verboseOpt});
    parser.process(app);

    CncServerModel model;
    if (parser.isSet(silentOpt))
        model.mode = CncServerModel::Silent;
    else if (parser.isSet(busyOpt))
        model.mode = CncServerModel::Busy;
    else if (parser.isSet(errorOpt)) {
        model.mode = CncServerModel::Failing;
        model.errorText = parser.value(errorOpt);
    }
    // The demo tools' codes (tools/make-demo) with values for the demo layout.
    model.tools["CNMG 1204"] = {{"KIND", "1"}, {"OPT", "5"}, {"LIFE", "200"}, {"WARN", "160"},
                                {"WX", "0.020"}, {"PCS", "0"}, {"HOLDER", "PCLNR 2525"}};
    model.tools["DRILL 12"] = {{"KIND", "2"}, {"OPT", "1"}, {"LIFE", "90"}, {"WARN", "72"},
                               {"WX", "0"}, {"PCS", "0"}, {"HOLDER", "ER32"}};
    // The same inserts under the codes of LATHE 1's turret.
    model.tools["CNMG 120408 ROUGH"] = model.tools["CNMG 1204"];
    model.tools["DRILL 12 HSS"] = model.tools["DRILL 12"];
    model.tools["DM-0001"] = {{"KIND", "3"}, {"OPT", "3"}, {"LIFE", "45"}, {"WARN", "36"},
                              {"WX", "-0.010"}, {"PCS", "0"}, {"HOLDER", "SER 2020"}};
    const bool verbose = parser.isSet(verboseOpt);

    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, quint16(parser.value(portOpt).toUInt()))) {
        std::fprintf(stderr, "cnc-sim: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    std::printf("127.0.0.1:%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);

    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *s = server.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            QObject::connect(s, &QTcpSocket::readyRead, [s, &model, verbose] {
                const int before = model.frames.size();
                const QByteArray reply = model.receive(s->readAll());
                if (verbose)
                    for (int i = before; i < model.frames.size(); ++i)
                        std::fprintf(stderr, "cnc-sim: frame %s\n", model.frames.at(i).constData());
                // Only the frames are needed; the record would grow forever.
                model.frames.clear();
                if (!reply.isEmpty())
                    s->write(reply);
            });
        }
    });
    return app.exec();
}
