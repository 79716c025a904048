#include <QtTest>

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSettings>

#include <memory>

#include "app/LabelPainter.h"
#include "app/LabelPrinter.h"
#include "app/PrintSpooler.h"
#include "camera/VideoDevice.h"
#include "camera/VideoStandIn.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "widgets/animatedwidgets.h"
#include "support/FakeSpooler.h"
#include "support/ImageListFrameSource.h"
#include "support/MessageBoxRecorder.h"
#include "support/RecordingPaintDevice.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"

namespace {

const QByteArray kReady = "LabelWriter-450 is ready\nno entries\n";
const QByteArray kQueued = "LabelWriter-450 is ready and printing\n"
                           "Rank    Owner   Job     File(s)                         Total Size\n"
                           "active  kovra   17      label                           2048 bytes\n";

// A printer that keeps what is painted on it, or none at all.
class TestLabelPrinter : public LabelPrinter
{
public:
    using LabelPrinter::LabelPrinter;
    bool printerPresent = true;
    int opened = 0;
    std::shared_ptr<RecordingPaintDevice> device = std::make_shared<RecordingPaintDevice>();

protected:
    std::shared_ptr<QPaintDevice> openPrinter() override
    {
        ++opened;
        if (!printerPresent)
            return nullptr;
        return device;
    }
};

// The camera on the stand-in device, capturing a white frame.
struct Camera
{
    std::shared_ptr<CVideoStandIn> io;
    std::unique_ptr<CVideoDevice> dev;

    Camera()
    {
        CVideoStandIn::Config config;
        config.node = "/stand-in/video0";
        config.frameIntervalMs = 5;
        QImage white(64, 64, QImage::Format_Grayscale8);
        white.fill(255);
        io = std::make_shared<CVideoStandIn>(std::make_shared<ImageListFrameSource>(QList<QImage>{white}), config);
        dev = std::make_unique<CVideoDevice>(config.node, nullptr, io);
        dev->Open(2);
        dev->SetSize(1280, 1024);
    }
    ~Camera() { dev->StopCapture(); }
};

sLabelData toolLabel()
{
    sLabelData l;
    l.machine = "LATHE 2";
    l.toolset = "Shaft";
    l.t = "12";
    l.x = "25.400";
    l.z = "-103.125";
    l.angle = "35.00";
    l.radius = "0.400";
    l.code = "C-77";
    return l;
}

// Main window's translation context for the message texts.
QString mw(const char *text) { return QCoreApplication::translate("MainWindow", text); }

// Bounding box of the dark pixels of an image.
QRect inkBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

}

class TestLabel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void spoolerAnswers_data();
    void spoolerAnswers();
    void spoolerChildEnvironment();

    void failureTable_data();
    void failureTable();
    void busyStateWhilePainting();
    void clearModes_data();
    void clearModes();
    void printSettings_data();
    void printSettings();

    void layout_data();
    void layout();
    void paintedImage();

private:
    std::unique_ptr<TestWorkDir> wd;
};

void TestLabel::init()
{
    wd = std::make_unique<TestWorkDir>();
    App::resetKovraSettings();
    App::kovraSettings().setValue("/Printer/Delay", 0);
    MachineSettings.printing = false;
    MachineSettings.ClearLabelMode = 0;
    MachineSettings.vendorName = "VendorX";
    MachineSettings.logoPrint = "Made here";
}

void TestLabel::cleanup()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    MachineSettings.printing = false;
    App::resetKovraSettings();
    wd.reset();
}

void TestLabel::spoolerAnswers_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<bool>("empty");

    QTest::newRow("ready, empty queue") << kReady << true << true;
    QTest::newRow("ready and printing") << kQueued << true << false;
    QTest::newRow("printer and ready on two lines")
        << QByteArray("LabelWriter-450\nis ready\nno entries\n") << false << true;
    QTest::newRow("another printer ready") << QByteArray("Office is ready\nno entries\n") << false << true;
    QTest::newRow("lower-case name") << QByteArray("labelwriter-450 is ready\nno entries\n") << false << true;
    QTest::newRow("not ready") << QByteArray("LabelWriter-450 is not ready\n") << false << false;
    QTest::newRow("disabled") << QByteArray("LabelWriter-450 is disabled\nno entries\n") << false << true;
    QTest::newRow("silent") << QByteArray() << false << false;
    QTest::newRow("ready line then NUL") << QByteArray("LabelWriter is ready\0no entries", 31) << true << false;
    QTest::newRow("ready after NUL") << QByteArray("no entries\0LabelWriter is ready", 31) << false << true;
    QTest::newRow("windows line ends") << QByteArray("LabelWriter is ready\r\nno entries\r\n") << true << true;
}

// The queue state goes through a real child process and is judged by the
// three phrases, case-sensitive and line by line for readiness.
void TestLabel::spoolerAnswers()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, ready);
    QFETCH(bool, empty);

    FakeSpooler fake;
    fake.answer(1, output);
    PrintSpooler spooler;
    QString state;
    QVERIFY(spooler.queryQueue(state));
    QCOMPARE(PrintSpooler::isReady(state), ready);
    QCOMPARE(PrintSpooler::isEmptyQueue(state), empty);
}

void TestLabel::spoolerChildEnvironment()
{
    FakeSpooler fake;
    fake.answer(1, kReady);
    PrintSpooler spooler;
    QString state;
    QVERIFY(spooler.queryQueue(state));
    QCOMPARE(state, QString::fromLatin1(kReady));
    QCOMPARE(fake.lpqEnvironment(), QString("LANG=en HOME=unset USER=unset"));
    QVERIFY(spooler.removeJobs());
    QCOMPARE(fake.calls(), QStringList({"lpq ", "lprm -U kovra"}));

    // A spooler that hangs is given up, and a missing one fails at once.
    fake.answer(2, "hang");
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!spooler.queryQueue(state));
    QVERIFY(timer.elapsed() >= PrintSpooler::kTimeoutMs - 100);
    qputenv("PATH", "/nonexistent-folder");
    QVERIFY(!spooler.queryQueue(state));
    QVERIFY(!spooler.removeJobs());
}

void TestLabel::failureTable_data()
{
    QTest::addColumn<bool>("blank");
    QTest::addColumn<QByteArray>("lpq1");  // "missing": no lpq on PATH
    QTest::addColumn<QByteArray>("lpq2");
    QTest::addColumn<bool>("alreadyPrinting");
    QTest::addColumn<bool>("printerPresent");
    QTest::addColumn<bool>("failBegin");
    QTest::addColumn<bool>("capturing");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lpqCalls");
    QTest::addColumn<bool>("lprm");
    QTest::addColumn<bool>("painted");

    using R = LabelPrinter::Result;
    const int none = QMessageBox::NoIcon, warn = QMessageBox::Warning, crit = QMessageBox::Critical;
    const QString vendor = "VendorX", notReady = "Printer is not ready", problem = "Printer problem. Check printer";

    QTest::newRow("blank label") << true << kReady << kReady << false << true << false << true << int(R::Blank)
                                 << warn << vendor << "Label data are empty" << 0 << false << false;
    QTest::newRow("no lpq") << false << QByteArray("missing") << kReady << false << true << false << true
                            << int(R::NotReady) << crit << vendor << notReady << 0 << false << false;
    QTest::newRow("lpq hangs") << false << QByteArray("hang") << kReady << false << true << false << true
                               << int(R::NotReady) << crit << vendor << notReady << 1 << false << false;
    QTest::newRow("lpq silent") << false << QByteArray() << kReady << false << true << false << true
                                << int(R::NotReady) << crit << vendor << notReady << 1 << false << false;
    QTest::newRow("name and ready apart") << false << QByteArray("LabelWriter\nis ready\n") << kReady << false
                                          << true << false << true << int(R::NotReady) << crit << vendor
                                          << notReady << 1 << false << false;
    QTest::newRow("already printing") << false << kReady << kReady << true << true << false << true
                                      << int(R::Busy) << none << QString() << QString() << 1 << false << false;
    QTest::newRow("no printer, capturing") << false << kReady << kReady << false << false << false << true
                                           << int(R::NoPrinter) << crit << "Error" << "No printer available" << 1
                                           << false << false;
    QTest::newRow("no printer, camera idle") << false << kReady << kReady << false << false << false << false
                                             << int(R::NoPrinter) << crit << "Error" << "No printer available"
                                             << 1 << false << false;
    QTest::newRow("printer cannot open") << false << kReady << kReady << false << true << true << true
                                         << int(R::PrinterProblem) << crit << vendor << problem << 1 << false
                                         << false;
    QTest::newRow("job stays queued") << false << kReady << kQueued << false << true << false << true
                                      << int(R::PrinterProblem) << crit << vendor << problem << 2 << true << true;
    QTest::newRow("second lpq hangs") << false << kReady << QByteArray("hang") << false << true << false << false
                                      << int(R::PrinterProblem) << crit << vendor << problem << 2 << true << true;
    QTest::newRow("printed, capturing") << false << kReady << kReady << false << true << false << true
                                        << int(R::Printed) << none << QString() << QString() << 2 << false << true;
    QTest::newRow("printed, camera idle") << false << kReady << kReady << false << true << false << false
                                          << int(R::Printed) << none << QString() << QString() << 2 << false
                                          << true;
}

// Every way through a print ends with its message and with the printing
// state undone: flag, cursor, print button, camera panel and the capture as
// it was before.
void TestLabel::failureTable()
{
    QFETCH(bool, blank);
    QFETCH(QByteArray, lpq1);
    QFETCH(QByteArray, lpq2);
    QFETCH(bool, alreadyPrinting);
    QFETCH(bool, printerPresent);
    QFETCH(bool, failBegin);
    QFETCH(bool, capturing);
    QFETCH(int, result);
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, lpqCalls);
    QFETCH(bool, lprm);
    QFETCH(bool, painted);

    FakeSpooler fake(lpq1 != "missing");
    fake.answer(1, lpq1);
    fake.answer(2, lpq2);
    MessageBoxRecorder boxes;
    Camera camera;
    QVERIFY(camera.dev->IsValid());
    if (capturing) {
        camera.dev->StartCapture();
        QVERIFY(camera.dev->isRunning());
    }
    QWidget window;
    QPushButton button(&window);
    QWidget cameraPanel(&window);
    TestLabelPrinter printer(&window, &button, &cameraPanel, camera.dev.get(), nullptr);
    printer.printerPresent = printerPresent;
    printer.device->failBegin = failBegin;
    MachineSettings.printing = alreadyPrinting;

    sLabelData label = toolLabel();
    if (blank) {
        const sLabelData full = label;
        label = sLabelData();
        label.machine = full.machine;
        label.t = label.x = label.code = "  ";
    }

    QCOMPARE(int(printer.print(label)), result);

    if (kind == QMessageBox::NoIcon) {
        QCOMPARE(boxes.boxes().size(), 0);
    } else {
        QCOMPARE(boxes.boxes().size(), 1);
        const QMessageBoxKovra::Box box = boxes.boxes().first();
        QCOMPARE(int(box.kind), kind);
        QCOMPARE(box.title, mw(title.toLatin1()));
        QCOMPARE(box.text, mw(text.toLatin1()));
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.parent, &window);
    }
    QCOMPARE(fake.lpqCalls(), lpqCalls);
    QCOMPARE(fake.calls().contains("lprm -U kovra"), lprm);
    QCOMPARE(printer.device->ends > 0, painted);
    QCOMPARE(!printer.device->texts.isEmpty(), painted);

    QCOMPARE(MachineSettings.printing, alreadyPrinting);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(button.isEnabled());
    QVERIFY(cameraPanel.updatesEnabled());
    QCOMPARE(camera.dev->isRunning(), capturing);
}

void TestLabel::busyStateWhilePainting()
{
    FakeSpooler fake;
    fake.answer(1, kReady);
    fake.answer(2, kReady);
    MessageBoxRecorder boxes;
    Camera camera;
    camera.dev->StartCapture();
    QWidget window;
    QPushButton button(&window);
    QWidget cameraPanel(&window);
    TestLabelPrinter printer(&window, &button, &cameraPanel, camera.dev.get(), nullptr);

    QStringList state;
    printer.device->onBegin = [&]() {
        if (MachineSettings.printing)
            state << "printing";
        if (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor)
            state << "wait cursor";
        if (!button.isEnabled())
            state << "button off";
        if (!cameraPanel.updatesEnabled())
            state << "panel frozen";
        if (!camera.dev->isRunning())
            state << "capture stopped";
    };
    QCOMPARE(printer.print(toolLabel()), LabelPrinter::Result::Printed);
    QCOMPARE(state, QStringList({"printing", "wait cursor", "button off", "panel frozen", "capture stopped"}));
    QCOMPARE(printer.device->begins, 1);
    QVERIFY(camera.dev->isRunning());
    QVERIFY(boxes.boxes().isEmpty());
}

void TestLabel::clearModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("panelShown");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("cleared");

    QTest::newRow("mode 0") << 0 << true << 0 << false << false;
    QTest::newRow("mode 1") << 1 << true << 0 << false << true;
    QTest::newRow("mode 1, panel hidden") << 1 << false << 0 << false << false;
    QTest::newRow("mode 2, yes") << 2 << true << int(QMessageBox::Yes) << true << true;
    QTest::newRow("mode 2, no") << 2 << true << int(QMessageBox::No) << true << false;
    QTest::newRow("mode 2, panel hidden") << 2 << false << int(QMessageBox::Yes) << false << false;
    QTest::newRow("mode 3") << 3 << true << 0 << false << false;
}

// After a good print the label fields are emptied per the clear mode, and
// only while the label panel is the one shown.
void TestLabel::clearModes()
{
    QFETCH(int, mode);
    QFETCH(bool, panelShown);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, cleared);

    FakeSpooler fake;
    fake.answer(1, kReady);
    fake.answer(2, kReady);
    MessageBoxRecorder boxes;
    if (answer)
        boxes.answer(QMessageBox::StandardButton(answer));
    MachineSettings.ClearLabelMode = mode;

    QWidget window;
    QWidget labelPanel(&window);
    labelPanel.resize(375, 500);
    AnimatedWidgets panels;
    panels.enableAnimation(false);
    panels.addWidget("labelPrint", &labelPanel, QPoint(644, 200), QRect(650, 120, 0, 0), 4);
    panels.setStatus("labelPrint", panelShown);
    QCOMPARE(panels.isEnlarged("labelPrint"), panelShown);

    QPushButton button(&labelPanel);
    QList<QLineEdit *> fields;
    QStringList order;
    const QStringList names = {"X", "Z", "angle", "radius", "code", "T"};
    for (const QString &name : names) {
        auto *e = new QLineEdit("value of " + name, &labelPanel);
        QObject::connect(e, &QLineEdit::textChanged, [&order, name]() { order << name; });
        fields << e;
    }
    TestLabelPrinter printer(&window, &button, nullptr, nullptr, &panels);
    printer.setLabelFields(fields);

    QCOMPARE(printer.print(toolLabel()), LabelPrinter::Result::Printed);

    if (asked) {
        QCOMPARE(boxes.boxes().size(), 1);
        const QMessageBoxKovra::Box box = boxes.boxes().first();
        QCOMPARE(box.kind, QMessageBox::Question);
        QCOMPARE(box.title, QString("VendorX"));
        QCOMPARE(box.text, mw("Clear label data?"));
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.defaultButton, QMessageBox::NoButton);
    } else {
        QVERIFY(boxes.boxes().isEmpty());
    }
    for (int i = 0; i < fields.size(); ++i)
        QCOMPARE(fields[i]->text(), cleared ? QString() : "value of " + names[i]);
    QCOMPARE(order, cleared ? names : QStringList());
}

void TestLabel::printSettings_data()
{
    QTest::addColumn<int>("offsetX");
    QTest::addColumn<int>("offsetY");
    QTest::addColumn<int>("delay");

    QTest::newRow("default offsets") << 0 << 0 << -1;
    QTest::newRow("offsets") << -40 << 12 << -1;
    QTest::newRow("delay") << 5 << 0 << 600;
}

// A print reads the offsets and the delay before the queue is read again
// from the settings, and signs the label with the vendor's text.
void TestLabel::printSettings()
{
    QFETCH(int, offsetX);
    QFETCH(int, offsetY);
    QFETCH(int, delay);

    QSettings &settings = App::kovraSettings();
    if (offsetX)
        settings.setValue("/Printer/offsetX", offsetX);
    if (offsetY)
        settings.setValue("/Printer/offsetY", offsetY);
    if (delay >= 0)
        settings.setValue("/Printer/Delay", delay);
    FakeSpooler fake;
    fake.answer(1, kReady);
    fake.answer(2, kReady);
    MessageBoxRecorder boxes;
    TestLabelPrinter printer(nullptr, nullptr, nullptr, nullptr, nullptr);

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(printer.print(toolLabel()), LabelPrinter::Result::Printed);
    if (delay > 0)
        QVERIFY(timer.elapsed() >= delay);

    const RecordingPaintDevice::Text *x = printer.device->find("X");
    QVERIFY(x);
    QCOMPARE(x->baseline, QPointF(offsetY + 40, offsetX - 75 + 55));
    const QString footer = printer.device->texts.last().text;
    QVERIFY2(footer.startsWith("Made here " + QDate::currentDate().toString(Qt::TextDate) + ' '), qPrintable(footer));
    // The settings of the printer are only read.
    QCOMPARE(settings.contains("/Printer/offsetX"), offsetX != 0);
    QCOMPARE(settings.contains("/Printer/offsetY"), offsetY != 0);
}

void TestLabel::layout_data()
{
    QTest::addColumn<bool>("radiusMode");
    QTest::addColumn<QString>("angle");
    QTest::addColumn<QString>("radius");
    QTest::addColumn<int>("offsetX");
    QTest::addColumn<int>("offsetY");
    QTest::addColumn<QStringList>("texts");

    // The toolkit's text date names the day and month in the system's language.
    const QString footer = "Made here " + QDate(2026, 12, 8).toString(Qt::TextDate) + " 20:30:05";
    const QStringList head = {"LATHE 2", "Shaft", "T 12 C-77", "X", "Z", "25.400", "-103.125"};
    QTest::newRow("radius, all lines") << true << "35.00" << "0.400" << 0 << 0
                                       << head + QStringList{"r", "A 35.00", "Cr 0.400", footer};
    QTest::newRow("diameter") << false << "35.00" << "0.400" << 0 << 0
                              << head + QStringList{"d", "A 35.00", "Cr 0.400", footer};
    QTest::newRow("blank angle") << true << "   " << "0.400" << 0 << 0
                                 << head + QStringList{"r", "Cr 0.400", footer};
    QTest::newRow("no radius") << false << "35.00" << "" << 0 << 0 << head + QStringList{"d", "A 35.00", footer};
    QTest::newRow("angle with a leading space") << true << " 35.00" << " " << 0 << 0
                                                << head + QStringList{"r", "A  35.00", footer};
    QTest::newRow("offsets") << true << "35.00" << "0.400" << -40 << 12
                             << head + QStringList{"r", "A 35.00", "Cr 0.400", footer};
    QTest::newRow("negative offsets") << true << "35.00" << "0.400" << 25 << -30
                                      << head + QStringList{"r", "A 35.00", "Cr 0.400", footer};
}

// The label's texts, fonts, colours and places: the painter is turned by 90
// degrees, and offsetY moves the layout along painter x, offsetX along y.
void TestLabel::layout()
{
    QFETCH(bool, radiusMode);
    QFETCH(QString, angle);
    QFETCH(QString, radius);
    QFETCH(int, offsetX);
    QFETCH(int, offsetY);
    QFETCH(QStringList, texts);

    sLabelData label = toolLabel();
    label.radiusMode = radiusMode;
    label.angle = angle;
    label.radius = radius;
    const QString footer =
        LabelPainter::footer("Made here", QDateTime(QDate(2026, 12, 8), QTime(20, 30, 5)));
    QCOMPARE(footer, texts.last());

    RecordingPaintDevice device;
    {
        QPainter painter(&device);
        LabelPainter::paint(painter, label, offsetX, offsetY, footer);
    }
    QCOMPARE(device.textList(), texts);

    const int x0 = offsetY + 40, y0 = offsetX - 75;
    QTransform turned;
    turned.rotate(90);
    for (const RecordingPaintDevice::Text &t : device.texts) {
        QVERIFY2(qFuzzyCompare(t.transform.m11() + 1, turned.m11() + 1) && qFuzzyCompare(t.transform.m12(), 1.0) &&
                     qFuzzyCompare(t.transform.m21(), -1.0),
                 qPrintable(t.text));
        // A painter point (x, y) lands on the device point (-y, x).
        QCOMPARE(t.deviceBaseline(), QPointF(-t.baseline.y(), t.baseline.x()));
    }

    struct Expected { QString text; QString family; int size; int weight; bool italic; QColor color; };
    const QString sans = "Sans Serif", courier = "Courier new";
    QList<Expected> fonts = {
        {"LATHE 2", sans, 10, 75, false, Qt::white}, {"Shaft", sans, 10, 50, false, Qt::black},
        {"T 12 C-77", sans, 12, 50, false, Qt::black}, {"X", courier, 24, 75, false, Qt::black},
        {"Z", courier, 24, 75, false, Qt::black}, {"25.400", courier, 24, 75, false, Qt::black},
        {"-103.125", courier, 24, 75, false, Qt::black}, {radiusMode ? "r" : "d", courier, 12, 75, false, Qt::black},
        {footer, courier, 8, 50, true, Qt::black}};
    if (!angle.trimmed().isEmpty())
        fonts << Expected{"A " + angle, courier, 11, 75, false, Qt::black};
    if (!radius.trimmed().isEmpty())
        fonts << Expected{"Cr " + radius, courier, 11, 75, false, Qt::black};
    for (const Expected &e : fonts) {
        const RecordingPaintDevice::Text *t = device.find(e.text);
        QVERIFY2(t, qPrintable(e.text));
        QCOMPARE(t->font.family(), e.family);
        QCOMPARE(t->font.pointSize(), e.size);
        QCOMPARE(t->font.weight(), e.weight);
        QCOMPARE(t->font.italic(), e.italic);
        QCOMPARE(t->color, e.color);
    }

    // Texts drawn at a point have their baseline there.
    const QList<QPair<QString, QPoint>> points = {
        {"T 12 C-77", {x0, y0 + 20}}, {"X", {x0, y0 + 55}}, {"Z", {x0, y0 + 85}},
        {radiusMode ? "r" : "d", {x0 + 22, y0 + 55}}, {"A " + angle, {x0 + 207, y0 + 50}},
        {"Cr " + radius, {x0 + 207, y0 + 80}}, {footer, {x0, y0 + 105}}};
    for (const auto &p : points) {
        const RecordingPaintDevice::Text *t = device.find(p.first);
        if (!t)
            continue;  // the optional lines, checked by the text list above
        QCOMPARE(t->baseline, QPointF(p.second));
    }

    // Boxed texts: the machine centred in the bar, the tooling table and the
    // values right-aligned at the top of their boxes.
    auto advance = [&device](const RecordingPaintDevice::Text *t) {
        return QFontMetricsF(t->font, &device).horizontalAdvance(t->text);
    };
    const RecordingPaintDevice::Text *machine = device.find("LATHE 2");
    QVERIFY(qAbs(machine->baseline.x() + advance(machine) / 2 - (x0 + 75)) <= 1.0);
    QVERIFY(machine->baseline.y() > y0 - 15 && machine->baseline.y() <= y0 + 2);
    const QList<QPair<QString, QRect>> boxed = {{"Shaft", QRect(x0 + 150, y0 - 15, 150, 17)},
                                                {"25.400", QRect(x0 + 35, y0 + 30, 160, 30)},
                                                {"-103.125", QRect(x0 + 35, y0 + 60, 160, 30)}};
    for (const auto &b : boxed) {
        const RecordingPaintDevice::Text *t = device.find(b.first);
        QVERIFY2(qAbs(t->baseline.x() + advance(t) - (b.second.right() + 1)) <= 1.0, qPrintable(b.first));
        const qreal ascent = QFontMetricsF(t->font, &device).ascent();
        QVERIFY2(qAbs(t->baseline.y() - ascent - b.second.top()) <= 1.0, qPrintable(b.first));
    }

    // The black bar behind the machine name: 150 x 17 once stroked.
    QCOMPARE(device.rects.size(), 1);
    const RecordingPaintDevice::Rect bar = device.rects.first();
    QCOMPARE(bar.rect, QRectF(x0, y0 - 15, 149, 16));
    QCOMPARE(bar.brush, QColor(0, 0, 0));
    QCOMPARE(bar.brushStyle, Qt::SolidPattern);
    QCOMPARE(bar.pen, QColor(0, 0, 0));
}

// The label as pixels: the offsets move the whole print, and the machine
// name stands white in its black bar.
void TestLabel::paintedImage()
{
    sLabelData label = toolLabel();
    const QString footer = LabelPainter::footer("Made here", QDateTime(QDate(2026, 12, 8), QTime(20, 30, 5)));
    auto render = [&](int offsetX, int offsetY) {
        QImage image(180, 420, QImage::Format_RGB32);
        image.setDotsPerMeterX(3780);  // 96 dpi, as on the screen
        image.setDotsPerMeterY(3780);
        image.fill(Qt::white);
        QPainter painter(&image);
        LabelPainter::paint(painter, label, offsetX, offsetY, footer);
        return image;
    };
    const QImage image = render(-40, 0);
    QVERIFY(saveScreenshot(image, "label-painted"));
    // Portrait view of the label as it leaves the printer.
    QVERIFY(saveScreenshot(image.transformed(QTransform().rotate(-90)), "label-painted-readable"));

    const QRect ink = inkBox(image);
    QVERIFY(!ink.isEmpty());
    // Layout y runs from the bar's top (y0 - 15) to the footer's descent.
    const int y0 = -40 - 75;
    QVERIFY2(ink.right() <= -(y0 - 15) && ink.right() >= -(y0 - 15) - 2, qPrintable(QString::number(ink.right())));
    QVERIFY2(ink.top() >= 40 && ink.top() <= 42, qPrintable(QString::number(ink.top())));
    QVERIFY(ink.left() >= 0 && ink.bottom() < image.height() - 1);

    // Bar: device columns -(y0+1)-1 .. -(y0-15)-1, rows 40 .. 189.
    const QPoint barCorner(-(y0 + 1) - 1 + 1, 40 + 1);
    QCOMPARE(qGray(image.pixel(barCorner)), 0);
    QCOMPARE(qGray(image.pixel(-(y0 - 15) - 1, 40 + 149)), 0);
    QCOMPARE(qGray(image.pixel(-(y0 - 15) - 1, 40 + 151)), 255);
    int white = 0;
    for (int y = 45; y < 185; ++y)
        for (int x = -(y0 + 1); x < -(y0 - 15) - 1; ++x)
            white += qGray(image.pixel(x, y)) > 128;
    QVERIFY(white > 20);

    QCOMPARE(inkBox(render(-30, 0)), ink.translated(-10, 0));
    QCOMPARE(inkBox(render(-40, 15)), ink.translated(0, 15));
}

QTEST_MAIN(TestLabel)
#include "tst_label.moc"
