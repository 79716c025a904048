// Times opening the DNC panel for one tool with a 100-field layout (reading
// the layout, building the table and its editors, filling them from the
// tool's rows of tools and dnc, connecting to the machine's DNC address), on
// a database in a temporary folder. A loopback server in the bench is that
// address, so the panel opens as on a machine with its CNC-side server.
//
//   dnc-bench [fields] [repetitions]
//   dnc-bench line [MB ...]      the serial DNC line (LineBench.cpp), also
//   dnc-bench backlog|flood|triggers [size]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "LineBench.h"
#include "dnc/cDnc.h"
#include "shared/App.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"

namespace {

// Every kind of row: numbers, lists, bit fields, texts, some with scripts.
QByteArray layout(int fields)
{
    QByteArray ini = "[SETTINGS]\nTotFields=" + QByteArray::number(fields)
                     + "\nScriptFunctions=\"function twice(v) { return v * 2; }\"\n";
    for (int i = 0; i < fields; ++i) {
        ini += "[FIELD" + QByteArray::number(i) + "]\nLabel=Field " + QByteArray::number(i) + "\nDncLabel=F"
               + QByteArray::number(i) + "\nSqlTable=dnc\n";
        switch (i % 5) {
        case 0: ini += "FieldType=float\nMin=-100\nMax=100\nSqlField=dncNum" + QByteArray::number(i) + "\n"; break;
        case 1: ini += "FieldType=int\nScript=\"blfOut.push('0|' + twice(1)); blfOut\"\nSqlField=dncNum"
                       + QByteArray::number(i) + "\n"; break;
        case 2: ini += "List=\"1 - a;2 - b;3 - c\"\nDefaultValue=2\nSqlField=dncNum" + QByteArray::number(i) + "\n"; break;
        case 3: ini += "BitField=1\nList=\"a;b;c;d\"\nSqlField=dncNum" + QByteArray::number(i) + "\n"; break;
        default: ini += "FieldType=string\nMax=20\nSqlField=dncAlpha" + QByteArray::number(i % 21) + "\n"; break;
        }
    }
    return ini;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "line")
        return runLineBench(app.arguments().mid(2));
    if (argc > 1 && QByteArray(argv[1]) == "backlog")
        return runBacklogBench(app.arguments().mid(2));
    if (argc > 1 && QByteArray(argv[1]) == "flood")
        return runFloodBench(app.arguments().mid(2));
    if (argc > 1 && QByteArray(argv[1]) == "triggers")
        return runTriggerBench(app.arguments().mid(2));
    const int fields = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    App::resetKovraSettings();
    if (!openDatabase())
        return 1;
    QSqlQuery q;
    q.exec("INSERT INTO machine (name) VALUES ('M')");
    q.exec("INSERT INTO toolingTables (idMachine, name) VALUES (1, 'T')");
    q.exec("INSERT INTO tools (idTable, t, x, z, code) VALUES (1, 1, 10, 20, 'C')");
    const int tool = q.lastInsertId().toInt();
    q.exec(QString("INSERT INTO dnc (idTool, dncNum0, dncAlpha4) VALUES (%1, 1.5, 'abc')").arg(tool));
    QDir().mkpath("dnc");
    QFile f("dnc/bench.dnc");
    if (!f.open(QIODevice::WriteOnly))
        return 1;
    f.write(layout(fields));
    f.close();
    CurrentMachine.dncFormat = "bench.dnc";

    // The CNC-side server: it takes each connection the panel opens and says nothing.
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "dnc-bench: no loopback server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QObject::connect(&server, &QTcpServer::newConnection, [&server] {
        while (QTcpSocket *s = server.nextPendingConnection())
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    });
    CurrentMachine.dncSocket = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
    // A box would wait for an operator and its time would be in the figure.
    int boxes = 0;
    QMessageBoxKovra::setHandler([&boxes](const QMessageBoxKovra::Box &b) {
        std::fprintf(stderr, "dnc-bench: box %s: %s\n", qPrintable(b.title), qPrintable(b.text));
        ++boxes;
        return QMessageBox::Ok;
    });

    QWidget host;
    host.resize(375, 500);
    cDnc panel(nullptr, nullptr, &host);
    host.show();
    std::vector<double> ms;
    for (int r = 0; r < reps; ++r) {
        QElapsedTimer t;
        t.start();
        if (!panel.init(true, tool)) {
            std::fprintf(stderr, "dnc-bench: the panel did not open\n");
            return 1;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
        app.processEvents();
    }
    if (boxes)
        return 1;
    std::sort(ms.begin(), ms.end());
    std::printf("open panel for a tool, %d fields: median %.2f ms, max %.2f ms (%d runs)\n", fields,
                ms[ms.size() / 2], ms.back(), reps);
    return 0;
}
