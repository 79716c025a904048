// Times the DNC exchange:
// - a plain-text send from the DNC panel to a loopback server (in its own
//   thread) that answers ACK, until the panel's buttons are enabled again;
// - building a 100-field JSON frame and reading it back as a reply.
//
//   dnc-exchange-bench [exchanges]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QSemaphore>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "dnc/CncServerModel.h"
#include "dnc/DncProtocol.h"
#include "dnc/cDnc.h"
#include "shared/App.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The CNC-side server in a thread of its own, answering through the model.
class Server : public QThread
{
public:
    quint16 port = 0;
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        port = server.serverPort();
        CncServerModel model;
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            QTcpSocket *s = server.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::readyRead, [s, &model] {
                s->write(model.receive(s->readAll()));
                model.frames.clear();
            });
        });
        ready.release();
        exec();
    }
    QSemaphore ready;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    QMessageBoxKovra::setHandler([](const QMessageBoxKovra::Box &) { return QMessageBox::Ok; });

    // 100-field JSON frame: built as the panel sends it, parsed as a reply.
    QList<QPair<QString, QString>> values;
    for (int i = 0; i < 100; ++i)
        values << qMakePair(QStringLiteral("FIELD%1").arg(i), QString::number(i * 1.25, 'f', 3));
    std::vector<double> jsonMs;
    for (int r = 0; r < 1000; ++r) {
        QElapsedTimer t;
        t.start();
        const QByteArray frame = DncProtocol::jsonFrame(DncProtocol::SetValues, "DM-1", "M", values).toUtf8();
        DncProtocol::ReplyBuffer buffer;
        buffer.append(frame);
        QJsonDocument doc;
        if (buffer.takeJson(doc) != DncProtocol::ReplyBuffer::Document)
            return 1;
        jsonMs.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("100-field JSON frame built and parsed: median %.3f ms\n", median(jsonMs));

    Server server;
    server.start();
    server.ready.acquire();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    App::resetKovraSettings();
    if (!openDatabase())
        return 1;
    QDir().mkpath("dnc");
    QFile f("dnc/okuma.dnc");
    if (!f.open(QIODevice::WriteOnly))
        return 1;
    f.write("[SETTINGS]\nTotFields=5\n[FIELD0]\nLabel=T\nDncLabel=T\nFieldType=int\n[FIELD1]\nLabel=X\nDncLabel=X\n"
            "FieldType=float\n[FIELD2]\nLabel=Z\nDncLabel=Z\nFieldType=float\n[FIELD3]\nLabel=R\nDncLabel=R\n"
            "FieldType=float\n[FIELD4]\nLabel=S\nDncLabel=S\nFieldType=int\n");
    f.close();
    CurrentMachine.dncFormat = "okuma.dnc";
    CurrentMachine.dncSocket = QStringLiteral("127.0.0.1:%1").arg(server.port);
    QWidget host;
    cDnc panel(nullptr, nullptr, &host);
    host.show();
    if (!panel.init(false, -1))
        return 1;
    QPushButton *send = panel.form()->pbWrite;
    QElapsedTimer wait;
    wait.start();
    while (!send->isEnabled() && wait.elapsed() < 5000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 10);
    std::vector<double> sendMs;
    for (int r = 0; r < exchanges; ++r) {
        QElapsedTimer t;
        t.start();
        send->click();
        while (!send->isEnabled() && t.elapsed() < 5000)
            app.processEvents(QEventLoop::WaitForMoreEvents, 10);
        if (!send->isEnabled()) {
            std::fprintf(stderr, "dnc-exchange-bench: no answer\n");
            return 1;
        }
        sendMs.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(sendMs.begin(), sendMs.end());
    std::printf("plain-text send answered ACK, buttons enabled again: median %.3f ms, p99 %.3f ms (%d exchanges)\n",
                median(sendMs), sendMs[sendMs.size() * 99 / 100], exchanges);
    panel.closeForm();
    server.quit();
    server.wait();
    return 0;
}
