// Handing X and Z measures to a dialog: mode warnings, the camera geometry
// questions and the settling wait before the value is read.
#include "axis/cAxisInterface.h"
#include "axis/measureserver.h"
#include "shared/SharedStruct.h"
#include "widgets/animatedwidgets.h"
#include "support/AxbLinkFixture.h"
#include "support/MessageBoxRecorder.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {
// Values from a scripted source; what is read, and when, goes to a log.
class ScriptedServer : public MeasureServer
{
public:
    explicit ScriptedServer(AnimatedWidgets *panels = nullptr) : MeasureServer(nullptr, panels, nullptr, nullptr) {}

    bool fakeSettle = true;
    // The geometry offered before the wait, and the one found on the settled image.
    QString geometryBefore;
    QString geometryAfter;
    mutable QStringList log;

protected:
    QString liveValue(eAxisType a) const override
    {
        log << "live";
        return a == X ? QStringLiteral("12.500") : QStringLiteral("100.000");
    }
    bool hasIntersection(eAxisType, QString &text) const override
    {
        text = geometryBefore;
        return !text.isEmpty();
    }
    QString intersection(eAxisType) const override
    {
        log << "intersection";
        return geometryAfter;
    }
    bool hasCenter(eAxisType, QString &text) const override
    {
        text = geometryBefore;
        return !text.isEmpty();
    }
    QString center(eAxisType) const override
    {
        log << "center";
        return geometryAfter;
    }
    void settle(QPushButton *button) override
    {
        log << "settle";
        if (fakeSettle)
            QCOMPARE(button->objectName(), QStringLiteral("measure"));
        else
            MeasureServer::settle(button);
        geometryBefore = geometryAfter;
    }
};

QString describe(const QMessageBoxKovra::Box &box)
{
    QStringList buttons;
    if (box.buttons & QMessageBox::Yes)
        buttons << "Yes";
    if (box.buttons & QMessageBox::No)
        buttons << "No";
    if (box.buttons & QMessageBox::Abort)
        buttons << "Abort";
    const QString kind = box.kind == QMessageBox::Warning ? "warning" : box.kind == QMessageBox::Question ? "question" : "other";
    const QString def = box.defaultButton == QMessageBox::No ? "No" : box.defaultButton == QMessageBox::Abort ? "Abort" : "?";
    return QStringList{kind, box.title, box.text, buttons.join('+'), def}.join('|')
           + (box.parent ? QStringLiteral("|parent") : QString());
}

using Buttons = QList<int>;
}

class TestMeasureServer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void measure_data();
    void measure();
    void settleEndsOnStillFrames();
    void settleEndsAfterIdleTime();
    void abortSkipsTheWait();
    void liveLinkValues_data();
    void liveLinkValues();
    void noAutomaticSpindlePanel();
};

void TestMeasureServer::init()
{
    CurrentMachine = s_machine();
    MachineSettings.idleClick = 0;
    geometryActive = 0;
}

void TestMeasureServer::measure_data()
{
    QTest::addColumn<bool>("forX");
    QTest::addColumn<bool>("diameterShown");
    QTest::addColumn<bool>("xIncr");
    QTest::addColumn<bool>("zIncr");
    QTest::addColumn<int>("geometry");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<Buttons>("answers");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("log");

    const QString modeText = "Current radius/diameter mode different from machine setting";
    const QStringList liveOnly{"settle", "live"};

    QTest::newRow("no warning, no geometry") << true << false << false << false << 0 << "" << "" << Buttons()
                                             << QStringList() << true << "12.500" << liveOnly;
    QTest::newRow("mode and incremental X, yes")
        << true << true << true << false << 0 << "" << "" << Buttons{QMessageBox::Yes}
        << QStringList{"warning|Warning|" + modeText + "\nX axis is in incremental mode\nSave anyway?|Yes+No|No"}
        << true << "12.500" << liveOnly;
    QTest::newRow("mode warning, no") << true << true << false << false << 0 << "" << "" << Buttons{QMessageBox::No}
                                      << QStringList{"warning|Warning|" + modeText + "\nSave anyway?|Yes+No|No"}
                                      << false << "" << QStringList();
    QTest::newRow("mode mismatch ignored for Z") << false << true << true << false << 0 << "" << "" << Buttons()
                                                 << QStringList() << true << "100.000" << liveOnly;
    QTest::newRow("incremental Z") << false << false << false << true << 0 << "" << "" << Buttons{QMessageBox::No}
                                   << QStringList{"warning|Warning|Z axis is in incremental mode\nSave anyway?|Yes+No|No"}
                                   << false << "" << QStringList();

    QTest::newRow("lines, none found, yes")
        << true << false << false << false << 1 << "" << "" << Buttons{QMessageBox::Yes}
        << QStringList{"warning|No lines detected|Impossible to find intersection\nSave current X?|Yes+No|No"} << true
        << "12.500" << liveOnly;
    QTest::newRow("lines, none found, no")
        << false << false << false << false << 1 << "" << "" << Buttons{QMessageBox::No}
        << QStringList{"warning|No lines detected|Impossible to find intersection\nSave current Z?|Yes+No|No"}
        << false << "" << QStringList();
    QTest::newRow("lines, yes takes the settled intersection")
        << true << false << false << false << 1 << "10.100" << "10.200" << Buttons{QMessageBox::Yes}
        << QStringList{"question|Lines intersection|Insert intersection X value?\n[NO] will insert current X|Yes+No+Abort|Abort"}
        << true << "10.200" << QStringList{"settle", "intersection"};
    QTest::newRow("lines, no takes the live value")
        << false << false << false << false << 1 << "4.800" << "4.800" << Buttons{QMessageBox::No}
        << QStringList{"question|Lines intersection|Insert intersection Z value?\n[NO] will insert current Z|Yes+No+Abort|Abort"}
        << true << "100.000" << liveOnly;
    QTest::newRow("lines, abort")
        << true << false << false << false << 1 << "10.100" << "10.100" << Buttons{QMessageBox::Abort}
        << QStringList{"question|Lines intersection|Insert intersection X value?\n[NO] will insert current X|Yes+No+Abort|Abort"}
        << false << "" << QStringList();
    QTest::newRow("lines lost while settling, live offered")
        << true << false << false << false << 1 << "10.100" << "" << Buttons{QMessageBox::Yes, QMessageBox::Yes}
        << QStringList{"question|Lines intersection|Insert intersection X value?\n[NO] will insert current X|Yes+No+Abort|Abort",
                       "warning|No lines detected|Impossible to find intersection\nSave current X?|Yes+No|No"}
        << true << "12.500" << QStringList{"settle", "intersection", "live"};
    QTest::newRow("lines lost while settling, declined")
        << true << false << false << false << 1 << "10.100" << "" << Buttons{QMessageBox::Yes, QMessageBox::No}
        << QStringList{"question|Lines intersection|Insert intersection X value?\n[NO] will insert current X|Yes+No+Abort|Abort",
                       "warning|No lines detected|Impossible to find intersection\nSave current X?|Yes+No|No"}
        << false << "" << QStringList{"settle", "intersection"};

    QTest::newRow("circle, none found, yes")
        << false << false << false << false << 2 << "" << "" << Buttons{QMessageBox::Yes}
        << QStringList{"warning|No circle detected|Impossible to find center\nSave current Z?|Yes+No|No"} << true
        << "100.000" << liveOnly;
    QTest::newRow("circle, yes takes the centre")
        << true << false << false << false << 2 << "10.200" << "10.210" << Buttons{QMessageBox::Yes}
        << QStringList{"question|Circle|Insert center X value?\n[NO] will insert current X|Yes+No+Abort|Abort"} << true
        << "10.210" << QStringList{"settle", "center"};
    QTest::newRow("circle lost while settling")
        << false << false << false << false << 2 << "4.800" << "" << Buttons{QMessageBox::Yes, QMessageBox::Yes}
        << QStringList{"question|Circle|Insert center Z value?\n[NO] will insert current Z|Yes+No+Abort|Abort",
                       "warning|No circle detected|Impossible to find center\nSave current Z?|Yes+No|No"}
        << true << "100.000" << QStringList{"settle", "center", "live"};
    QTest::newRow("circle, abort") << false << false << false << false << 2 << "4.800" << "4.800"
                                   << Buttons{QMessageBox::Abort}
                                   << QStringList{"question|Circle|Insert center Z value?\n[NO] will insert current Z|Yes+No+Abort|Abort"}
                                   << false << "" << QStringList();
    QTest::newRow("warning refused before geometry")
        << true << false << true << false << 1 << "10.100" << "10.100" << Buttons{QMessageBox::No}
        << QStringList{"warning|Warning|X axis is in incremental mode\nSave anyway?|Yes+No|No"} << false << ""
        << QStringList();
}

void TestMeasureServer::measure()
{
    QFETCH(bool, forX);
    QFETCH(bool, diameterShown);
    QFETCH(bool, xIncr);
    QFETCH(bool, zIncr);
    QFETCH(int, geometry);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(Buttons, answers);
    QFETCH(QStringList, boxes);
    QFETCH(bool, result);
    QFETCH(QString, value);
    QFETCH(QStringList, log);

    CurrentMachine.isRadiusStored = true;
    CurrentMachine.isRadius = !diameterShown;
    CurrentMachine.xIncr = xIncr;
    CurrentMachine.zIncr = zIncr;
    geometryActive = geometry;

    MessageBoxRecorder recorder;
    for (int a : answers)
        recorder.answer(QMessageBox::StandardButton(a));
    ScriptedServer server;
    server.geometryBefore = before;
    server.geometryAfter = after;
    QPushButton button;
    button.setObjectName("measure");
    QString out = "previous";
    const bool got = forX ? server.getX(out, &button) : server.getZ(out, &button);

    QStringList seen;
    for (const auto &box : recorder.boxes())
        seen << describe(box);
    QCOMPARE(seen, boxes);
    QCOMPARE(got, result);
    QCOMPARE(out, value);
    QCOMPARE(server.log, log);
    QVERIFY(!button.signalsBlocked());
}

namespace {
// Stands in for the capture thread: keeps reporting still frames.
struct StillCamera
{
    StillCamera()
    {
        worker = std::thread([this] {
            while (!stop) {
                MachineSettings.frameCounter = 9;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~StillCamera()
    {
        stop = true;
        worker.join();
    }
    std::atomic<bool> stop{false};
    std::thread worker;
};

qint64 timedMeasure(ScriptedServer &server, bool &result, QString &value)
{
    QPushButton button;
    QElapsedTimer t;
    t.start();
    result = server.getX(value, &button);
    return t.elapsed();
}
}

void TestMeasureServer::settleEndsOnStillFrames()
{
    MachineSettings.idleClick = 3000000;
    ScriptedServer server;
    server.fakeSettle = false;
    StillCamera camera;
    bool result = false;
    QString value;
    const qint64 ms = timedMeasure(server, result, value);
    QVERIFY(result);
    QCOMPARE(value, QStringLiteral("12.500"));
    QVERIFY2(ms >= 95 && ms < 1500, qPrintable(QString::number(ms)));
}

void TestMeasureServer::settleEndsAfterIdleTime()
{
    MachineSettings.idleClick = 300000;
    MachineSettings.frameCounter = 0;
    ScriptedServer server;
    server.fakeSettle = false;
    bool result = false;
    QString value;
    const qint64 ms = timedMeasure(server, result, value);
    QVERIFY(result);
    // Four sleeps of 100 ms: the fourth passes the 300 ms limit.
    QVERIFY2(ms >= 390 && ms < 2500, qPrintable(QString::number(ms)));
}

void TestMeasureServer::abortSkipsTheWait()
{
    MachineSettings.idleClick = 3000000;
    MachineSettings.frameCounter = 0;
    geometryActive = 1;
    MessageBoxRecorder recorder;
    recorder.answer(QMessageBox::Abort);
    ScriptedServer server;
    server.fakeSettle = false;
    server.geometryBefore = "1.000";
    bool result = true;
    QString value = "x";
    const qint64 ms = timedMeasure(server, result, value);
    QVERIFY(!result);
    QVERIFY(value.isEmpty());
    QVERIFY(server.log.isEmpty());
    QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
}

void TestMeasureServer::liveLinkValues_data()
{
    QTest::addColumn<bool>("forX");
    QTest::addColumn<bool>("mm");
    QTest::addColumn<int>("geometry");
    // The wait for a still image in ms (the camera never reports one), and
    // whether the board stops answering as it begins.
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<bool>("boardStops");
    // Whether the board answered before the measure (else it never does).
    QTest::addColumn<bool>("answered");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QString>("value");
    QTest::newRow("X mm") << true << true << 0 << 0 << false << true << 0 << "12.500";
    QTest::newRow("Z inch") << false << false << 0 << 0 << false << true << 0 << "3.9370";
    QTest::newRow("X, lines but none found") << true << true << 1 << 0 << false << true << 1 << "12.500";
    QTest::newRow("Z, circle but none found") << false << true << 2 << 0 << false << true << 1 << "100.000";
    QTest::newRow("board answers through a long wait") << true << true << 0 << 1500 << false << true << 0 << "12.500";
    QTest::newRow("board falls silent during the wait") << true << true << 0 << 1500 << true << true << 1 << "";
    QTest::newRow("X before the board's first answer") << true << true << 0 << 0 << true << false << 1 << "";
    QTest::newRow("Z before the board's first answer") << false << true << 0 << 0 << true << false << 1 << "";
}

void TestMeasureServer::liveLinkValues()
{
    QFETCH(bool, forX);
    QFETCH(bool, mm);
    QFETCH(int, geometry);
    QFETCH(int, waitMs);
    QFETCH(bool, boardStops);
    QFETCH(bool, answered);
    QFETCH(int, boxes);
    QFETCH(QString, value);
    AxbLinkFixture fixture({0, answered});
    fixture.board.setCounts(12500, 100000);
    fixture.start();
    if (answered)
        QTRY_VERIFY_WITH_TIMEOUT(fixture.link->linesUsed() > 0, 30000);
    CurrentMachine.IsMM = mm;
    geometryActive = geometry;
    MachineSettings.idleClick = waitMs * 1000;
    fixture.board.setAutoAnswer(!boardStops);
    MessageBoxRecorder recorder;
    recorder.answer(QMessageBox::Yes);
    MeasureServer server(fixture.link.get(), nullptr, nullptr, nullptr);
    QPushButton button;
    QString out;
    QCOMPARE(forX ? server.getX(out, &button) : server.getZ(out, &button), !boardStops);
    QCOMPARE(out, value);
    QCOMPARE(recorder.boxes().size(), boxes);
    if (boardStops)
        QCOMPARE(recorder.boxes().last().text, QStringLiteral("No answer from the axis board: the values shown are not current"));
}

namespace {
QStringList warnings;
void collectWarning(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtWarningMsg)
        warnings << text;
}
} // namespace

// Without an automatic spindle the registry is not asked for its panel: it
// would report an invalid id on every measure, and such reports must stay
// rare enough to be heard.
void TestMeasureServer::noAutomaticSpindlePanel()
{
    AnimatedWidgets panels;
    QWidget label;
    panels.addWidget("labelPrint", &label, QPoint(0, 0), QRect(0, 0, 1, 1), 4);
    ScriptedServer server(&panels);
    QPushButton button;
    button.setObjectName("measure");
    QString out;
    const QtMessageHandler previous = qInstallMessageHandler(collectWarning);
    const bool got = server.getX(out, &button);
    qInstallMessageHandler(previous);
    QVERIFY(got);
    QCOMPARE(out, QStringLiteral("12.500"));
    QCOMPARE(warnings, QStringList());
}

QTEST_MAIN(TestMeasureServer)
#include "tst_measureserver.moc"
