#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

#include "app/MainWindowForm.h"
#include "app/mainwindow.h"
#include "widgets/QMessageBoxKovra.h"
#include "support/PtyPeer.h"
#include "support/TestWorkDir.h"

class CVideoCollector;
class CVideoStandIn;

// The axis board on a pseudo-terminal: every status request is answered with
// the position line of the moment; every frame is logged.
class MainWindowBoard
{
public:
    MainWindowBoard();

    // How often this frame ("\x05...\r") was sent.
    int count(const QByteArray &frame) const;
    // Output frames ("B...") in order.
    QList<QByteArray> outputs() const;

    PtyPeer peer;
    QByteArray line = "x1000 z2000 I0 O0\r";
    QByteArray pending;
    // Every frame as it came, without its closing CR.
    QList<QByteArray> frames;
    int requests = 0;
};

// What every test program that runs the whole main window needs: a stand-in
// camera, answered message boxes, recorded fatal exits, a fresh working
// directory and axis board per test, and the window itself.
//
// A test class derives from QObject and from this, and calls the set-up and
// tear-down helpers from its own initTestCase/cleanupTestCase/init/cleanup.
class MainWindowFixture
{
protected:
    // 640x640 white picture.
    static QImage blankFrame();

    // Once per program: the stand-in camera showing this picture, message
    // boxes and fatal exits caught here.
    void setUpWindowCase(const QImage &frame = blankFrame());
    void tearDownWindowCase();
    // The handler that records boxes and answers them (set by setUpWindowCase;
    // a test that shows real boxes puts it back with this).
    void installBoxHandler();
    // Per test: working directory, settings, board and machine state fresh.
    void setUpWindow();
    // Closes the window (answering Yes to whatever it asks), the board and
    // the database, and leaves the working directory.
    void tearDownWindow();

    // Writes the board's port and these keys into the settings.
    void writeSettings(const QMap<QString, QVariant> &values = {});
    void openWindow();
    // Makes the board answer with this line and waits until it was parsed.
    void feed(const QByteArray &line);
    // Waits until every frame the link sent so far reached the board, so a
    // test can show that one was not sent: frames go out in order, and a
    // reset frame sent now comes after them; with the window closed, the
    // line holds nothing unread.
    bool boardGotAllSent();

    QTemporaryDir m_frames;
    CVideoCollector *m_cameras = nullptr;
    // The driver side of the collector's one camera.
    std::shared_ptr<CVideoStandIn> m_camera;
    std::unique_ptr<TestWorkDir> m_wd;
    std::unique_ptr<MainWindowBoard> m_board;
    std::unique_ptr<MainWindow> m_w;
    Ui_MainWindow *ui = nullptr;
    // Every box shown, and the answers to give in order.
    QList<QMessageBoxKovra::Box> m_boxes;
    QList<QMessageBox::StandardButton> m_answers;
    // The answer once m_answers is used up; NoButton: the box's own default
    // button (Ok when it has none).
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;
    // Exit codes of fatal exits; with m_failOnFatalExit each one fails the test.
    QList<int> m_exits;
    bool m_failOnFatalExit = false;
    // Put back by tearDownWindowCase.
    QMessageBoxKovra::Handler m_foundBoxHandler;
};
