#include "support/MainWindowFixture.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QtTest>

#include "axis/cAxisInterface.h"
#include "camera/PngFolderSource.h"
#include "camera/VideoCollector.h"
#include "camera/VideoStandIn.h"
#include "shared/App.h"
#include "shared/FatalExit.h"
#include "shared/SharedStruct.h"
#include "support/ToolingDb.h"

#include <sys/ioctl.h>

MainWindowBoard::MainWindowBoard()
{
    peer.setResponder([this](const QByteArray &chunk) {
        pending += chunk;
        QByteArray out;
        int end;
        while ((end = pending.indexOf('\r')) >= 0) {
            const QByteArray frame = pending.left(end);
            pending.remove(0, end + 1);
            frames << frame;
            const int enq = frame.lastIndexOf('\x05');
            const QByteArray body = enq >= 0 ? frame.mid(enq + 1) : frame;
            if (body == "H" || body == "S" || body == "N" || body == "?") {
                ++requests;
                out += line;
            }
        }
        return out;
    });
}

int MainWindowBoard::count(const QByteArray &frame) const
{
    int n = 0;
    for (const QByteArray &f : frames)
        n += ("\x05" + f.mid(f.lastIndexOf('\x05') + 1) + "\r") == frame;
    return n;
}

QList<QByteArray> MainWindowBoard::outputs() const
{
    QList<QByteArray> out;
    for (const QByteArray &f : frames) {
        const int enq = f.lastIndexOf('\x05');
        const QByteArray body = enq >= 0 ? f.mid(enq + 1) : f;
        if (body.startsWith('B'))
            out << body;
    }
    return out;
}

QImage MainWindowFixture::blankFrame()
{
    QImage frame(640, 640, QImage::Format_Grayscale8);
    frame.fill(255);
    return frame;
}

void MainWindowFixture::setUpWindowCase(const QImage &frame)
{
    // As main() does: fields show and take a decimal point whatever the system locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(frame.save(m_frames.filePath("frame.png")));
    // The program's own stand-in camera on that picture, kept at hand so
    // that a test can see what the device sent it.
    QFile node(m_frames.filePath("video0"));
    QVERIFY(node.open(QIODevice::WriteOnly));
    node.close();
    const QString folder = m_frames.path();
    m_cameras = new CVideoCollector(m_frames.filePath("video%d"), [this, folder](const QString &name) {
        CVideoStandIn::Config config;
        config.node = name;
        m_camera = std::make_shared<CVideoStandIn>(std::make_shared<CPngFolderSource>(folder), config);
        return m_camera;
    });
    m_cameras->Scan();
    QCOMPARE(m_cameras->NumberOfVideoDevices(), 1);
    MainWindow::videoCollector = m_cameras;

    QApplication::setQuitOnLastWindowClosed(false);
    m_foundBoxHandler = QMessageBoxKovra::setHandler({});
    installBoxHandler();
    setFatalExitHook([this](int code) {
        m_exits << code;
        if (m_failOnFatalExit)
            QFAIL(qPrintable(QString("fatal exit %1").arg(code)));
    });
}

void MainWindowFixture::installBoxHandler()
{
    QMessageBoxKovra::setHandler([this](const QMessageBoxKovra::Box &box) {
        m_boxes << box;
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        if (m_answer != QMessageBox::NoButton)
            return m_answer;
        return box.defaultButton != QMessageBox::NoButton ? box.defaultButton : QMessageBox::Ok;
    });
}

void MainWindowFixture::tearDownWindowCase()
{
    MainWindow::videoCollector = nullptr;
    QMessageBoxKovra::setHandler(m_foundBoxHandler);
    setFatalExitHook({});
    delete m_cameras;
    m_cameras = nullptr;
    m_camera.reset();
}

void MainWindowFixture::setUpWindow()
{
    m_wd = std::make_unique<TestWorkDir>();
    App::resetKovraSettings();
    MainWindow::inputDeviceFolder = m_wd->filePath("by-id");
    m_board = std::make_unique<MainWindowBoard>();
    QVERIFY(m_board->peer.isValid());
    m_boxes.clear();
    m_answers.clear();
    m_exits.clear();
    MachineSettings = s_MachineSettings();
    CurrentMachine = s_machine();
}

void MainWindowFixture::tearDownWindow()
{
    m_answers.clear();
    m_answer = QMessageBox::Yes;
    m_w.reset();
    ui = nullptr;
    m_board.reset();
    ToolingDb::close();
    App::resetKovraSettings();
    m_wd.reset();
}

void MainWindowFixture::writeSettings(const QMap<QString, QVariant> &values)
{
    QSettings &s = App::kovraSettings();
    s.setValue("/TTY/AxbPort", m_board->peer.slavePath());
    for (auto it = values.begin(); it != values.end(); ++it)
        s.setValue(it.key(), it.value());
    s.sync();
}

void MainWindowFixture::openWindow()
{
    m_w = std::make_unique<MainWindow>();
    ui = m_w->form();
}

void MainWindowFixture::feed(const QByteArray &line)
{
    m_board->line = line;
    // Counting requests proves nothing on a loaded machine: the link asks
    // again when its answer time runs out, parsed or not. Wait for the link
    // to have used this very line, twice: the window takes the first line it
    // ever gets only to reset the board, so after two it has shown it.
    const cAxisInterface *link = m_w->axisLink();
    const auto usedNow = [&] { return !link->lastLine().isEmpty() && line.endsWith(link->lastLine().toLatin1()); };
    const int before = link->linesUsed();
    QTRY_VERIFY_WITH_TIMEOUT(link->linesUsed() > before && usedNow(), 30000);
    const int first = link->linesUsed();
    QTRY_VERIFY_WITH_TIMEOUT(link->linesUsed() > first && usedNow(), 30000);
}

bool MainWindowFixture::boardGotAllSent()
{
    if (!m_w) {
        return QTest::qWaitFor([this] {
            int unread = -1;
            return ::ioctl(m_board->peer.masterFd(), FIONREAD, &unread) == 0 && unread == 0;
        }, 15000);
    }
    const QByteArray reset("\x05R\r");
    const int before = m_board->count(reset);
    m_w->axisLink()->resetAXB();
    return QTest::qWaitFor([&] { return m_board->count(reset) > before; }, 15000);
}
