#include <QAbstractButton>
#include <QBitmap>
#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#include <QStyle>
#include <QTableWidget>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QtTest>

#include "app/mainwindow.h"
#include "dnc/cDnc.h"
#include "exchange/postpro.h"
#include "tooling/csetlist.h"
#include "keyboard/myinputpanel.h"
#include "widgets/animatedwidgets.h"
#include "support/ChooserRows.h"
#include "support/MainWindowFixture.h"
#include "support/RecordingPaintDevice.h"
#include "support/Screenshot.h"
#include "support/ToolingDb.h"
#include "support/UnexpectedBoxes.h"

namespace {

// What of the widget the operator can see in the window: its rectangle and
// mask, cut by every parent's.
QRegion shownRegion(const QWidget *w, const QWidget *window)
{
    if (!w->isVisibleTo(window))
        return QRegion();
    QRegion shown;
    bool first = true;
    for (const QWidget *a = w; a && a != window; a = a->parentWidget()) {
        const QPoint at = a->mapTo(window, QPoint(0, 0));
        QRegion own(QRect(at, a->size()));
        if (!a->mask().isEmpty())
            own &= a->mask().translated(at);
        shown = first ? own : shown & own;
        first = false;
    }
    return shown & QRegion(window->rect());
}

// True when b lies above a where they meet: the later of the two branches
// under their nearest common parent.
bool stackedAbove(const QWidget *b, const QWidget *a)
{
    QList<const QWidget *> chainA;
    for (const QWidget *w = a; w; w = w->parentWidget())
        chainA.prepend(w);
    QList<const QWidget *> chainB;
    for (const QWidget *w = b; w; w = w->parentWidget())
        chainB.prepend(w);
    int i = 0;
    while (i < chainA.size() && i < chainB.size() && chainA[i] == chainB[i])
        ++i;
    if (i == 0 || i >= chainA.size() || i >= chainB.size())
        return false;
    const QObjectList order = chainA[i - 1]->children();
    return order.indexOf(const_cast<QWidget *>(chainB[i])) > order.indexOf(const_cast<QWidget *>(chainA[i]));
}

// What of it is drawn: an icon-only button its icon, centred; a picture or a
// button with a text all of it. A button's edges beyond its icon are empty.
QRegion drawnRegion(const QWidget *w, const QWidget *window)
{
    QRegion shown = shownRegion(w, window);
    const auto *b = qobject_cast<const QAbstractButton *>(w);
    if (b && b->text().isEmpty() && !b->icon().isNull()) {
        QRect icon(QPoint(0, 0), b->iconSize());
        icon.moveCenter(b->rect().center());
        shown &= QRegion(icon.translated(b->mapTo(window, QPoint(0, 0))));
    }
    return shown;
}

// The controls an operator touches or reads as one: buttons, and the
// pictures that name a panel.
bool isControl(const QWidget *w)
{
    if (qobject_cast<const QAbstractButton *>(w))
        return true;
    const auto *l = qobject_cast<const QLabel *>(w);
    return l && !l->pixmap(Qt::ReturnByValue).isNull();
}

QString describe(const QWidget *w, const QWidget *window)
{
    return QStringLiteral("%1 at %2,%3 %4x%5")
        .arg(w->objectName())
        .arg(w->mapTo(window, QPoint(0, 0)).x())
        .arg(w->mapTo(window, QPoint(0, 0)).y())
        .arg(w->width())
        .arg(w->height());
}

// The room a button's or label's text needs beside its icon.
int textRoom(const QWidget *w, QString *text)
{
    if (const auto *b = qobject_cast<const QAbstractButton *>(w)) {
        // Blanks around a key's word place it beside the key's picture.
        *text = b->text().remove(QLatin1Char('&')).trimmed();
        if (text->isEmpty())
            return 0;
        const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
        return QFontMetrics(b->font()).horizontalAdvance(*text) + icon;
    }
    if (const auto *l = qobject_cast<const QLabel *>(w)) {
        *text = l->text();
        if (text->isEmpty() || l->wordWrap() || Qt::mightBeRichText(*text) || !l->pixmap(Qt::ReturnByValue).isNull())
            return 0;
        int widest = 0;
        const QFontMetrics fm(l->font());
        for (const QString &line : text->split(QLatin1Char('\n')))
            widest = qMax(widest, fm.horizontalAdvance(line));
        return widest + 2 * l->margin() + 2 * qMax(0, l->indent());
    }
    return 0;
}

} // namespace

// The main window at 1024 x 768 with each of its panels open: every button
// the operator sees can be touched whole, and every text shows whole.
class TestLayout : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpWindowCase(); }
    void cleanupTestCase() { tearDownWindowCase(); }
    void init() { setUpWindow(); }
    void cleanup() { tearDownWindow(); }

    void panelsAtFullScreen_data();
    void panelsAtFullScreen();
    void pickResults_data();
    void pickResults();
    void keyPanel_data();
    void keyPanel();
    void inputBoxHeaderHidesWhatLiesBehind();
    void dncPanelLabels_data();
    void dncPanelLabels();
    void choosers_data();
    void choosers();
    void machineSelector();
};

void TestLayout::panelsAtFullScreen_data()
{
    QTest::addColumn<QString>("panel");
    for (const char *id : {"labelPrint", "cameraPanel", "setColor", "setAngle", "getAngle", "setPoint2P", "setCircle",
                           "getCircle", "getCircle5P", "inspectionLight", "index", "vacuumPanel", "setX", "setZ",
                           "setC", "inputBox", "machine", "getReference", "toolset", "setList", "machineList",
                           "balluff", "postPro", "dncPanel"})
        QTest::newRow(id) << QString::fromLatin1(id);
}

void TestLayout::panelsAtFullScreen()
{
    QFETCH(QString, panel);
    writeSettings({{"/Machine/disableAnimation", true}});
    openWindow();
    QVERIFY(m_w->panelNames().contains(panel));
    m_w->setFixedSize(1024, 768);
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    m_w->panels().setStatus(panel, true);
    QVERIFY(m_w->panels().isEnlarged(panel));
    QApplication::processEvents();
    saveScreenshot(m_w.get(), "layout-" + panel);

    QWidget *window = m_w.get();
    QList<QWidget *> buttons;
    QList<QWidget *> texts;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (drawnRegion(w, window).isEmpty())
            continue;
        if (isControl(w))
            buttons << w;
        if (qobject_cast<QAbstractButton *>(w) || qobject_cast<QLabel *>(w))
            texts << w;
    }
    QVERIFY(!buttons.isEmpty());

    // The open panels, each over what lies below it: a control it hides
    // whole is out of use while it is open; one it hides in part is a fault.
    QList<QPair<QString, QWidget *>> open;
    for (const QString &id : m_w->panelNames())
        if (m_w->panels().isEnlarged(id) && m_w->panels().widget(id))
            open << qMakePair(id, m_w->panels().widget(id));
    QStringList faults;
    QList<QWidget *> shown;
    QList<QRegion> regions;
    for (QWidget *b : buttons) {
        const QRegion drawn = drawnRegion(b, window);
        QRegion left = drawn;
        QStringList over;
        for (const auto &p : open)
            if (!p.second->isAncestorOf(b) && stackedAbove(p.second, b)
                && shownRegion(p.second, window).intersects(drawn)) {
                left -= shownRegion(p.second, window);
                over << p.first;
            }
        if (left.isEmpty())
            continue;
        if (left != drawn)
            faults << "panel " + over.join(QLatin1Char('+')) + " covers part of " + describe(b, window);
        shown << b;
        regions << left;
    }
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j)
            if (regions[i].intersects(regions[j]))
                faults << describe(shown[i], window) + " and " + describe(shown[j], window) + " overlap";
    for (QWidget *w : texts) {
        QString text;
        const int needed = textRoom(w, &text);
        if (needed > w->contentsRect().width())
            faults << QStringLiteral("\"%1\" needs %2 px in %3").arg(text).arg(needed).arg(describe(w, window));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

void TestLayout::pickResults_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("widest");
    QTest::newRow("two-point angle, -180 to 180") << "lblAngleDistance" << "-179.99";
    QTest::newRow("five-point radius, inches") << "lblRadValue5P" << "99.9999";
}

// What a label paints with this text in it.
RecordingPaintDevice::Text painted(QLabel *label, const QString &text)
{
    const QString before = label->text();
    label->setText(text);
    RecordingPaintDevice device(label->size());
    label->render(&device);
    label->setText(before);
    return device.texts.size() == 1 ? device.texts.first() : RecordingPaintDevice::Text();
}

// The two PICK panels paint their result in one type and colour, and the
// widest result whole.
void TestLayout::pickResults()
{
    QFETCH(QString, result);
    QFETCH(QString, widest);
    writeSettings({{"/Machine/disableAnimation", true}});
    openWindow();
    auto *label = m_w->findChild<QLabel *>(result);
    QVERIFY(label);
    const RecordingPaintDevice::Text shown = painted(label, widest);
    const RecordingPaintDevice::Text model = painted(ui->lblRadValue5P, widest);
    QCOMPARE(shown.text, widest);
    QCOMPARE(shown.font, model.font);
    QCOMPARE(shown.color, model.color);
    // Centred: a text wider than the label would begin left of it.
    QVERIFY2(shown.deviceBaseline().x() >= label->contentsRect().left(), qPrintable(QString::number(shown.deviceBaseline().x())));
}

void TestLayout::keyPanel_data()
{
    QTest::addColumn<QString>("layout");
    QTest::newRow("numeric pad") << "frmKbNumeric";
    QTest::newRow("letter keyboard") << "frmKbAlfa";
}

// Each key of the key panel stands apart from its neighbours and shows its
// label whole (the keys' pictures fill them: their whole rectangle counts).
void TestLayout::keyPanel()
{
    QFETCH(QString, layout);
    QWidget host;
    MyInputPanel panel(&host);
    auto *frame = panel.findChild<QWidget *>(layout);
    QVERIFY(frame);
    const QList<QPushButton *> keys = frame->findChildren<QPushButton *>();
    QVERIFY(keys.size() > 10);
    saveScreenshot(frame, "layout-" + layout);
    QStringList faults;
    for (int i = 0; i < keys.size(); ++i) {
        for (int j = i + 1; j < keys.size(); ++j)
            if (keys[i]->geometry().intersects(keys[j]->geometry()))
                faults << describe(keys[i], frame) + " and " + describe(keys[j], frame) + " overlap";
        QString text;
        const int needed = textRoom(keys[i], &text);
        if (needed > keys[i]->contentsRect().width())
            faults << QStringLiteral("\"%1\" needs %2 px in %3").arg(text).arg(needed).arg(describe(keys[i], frame));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

// The input box (the password box too) opens over the camera view: its
// prompt shows in its own colour, nothing of the picture behind it.
void TestLayout::inputBoxHeaderHidesWhatLiesBehind()
{
    writeSettings({{"/Machine/disableAnimation", true}});
    openWindow();
    m_w->setFixedSize(1024, 768);
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    m_w->panels().setStatus(QStringLiteral("inputBox"), true);
    ui->lblInputBox->setText(QString());
    QApplication::processEvents();
    const QImage shot = m_w->grab().toImage();
    saveScreenshot(shot, "layout-input-box-header");
    // A point of the prompt away from its rounded corners.
    const QPoint inside = ui->lblInputBox->mapTo(m_w.get(), ui->lblInputBox->rect().center());
    QCOMPARE(shot.pixelColor(inside), QColor(244, 215, 12));
}

void TestLayout::dncPanelLabels_data()
{
    QTest::addColumn<QString>("layout");
    QTest::newRow("JSON layout") << "turret.dnc";
    QTest::newRow("plain-text layout") << "okuma.dnc";
}

// The demo layouts' labels show whole in the DNC panel's label column.
void TestLayout::dncPanelLabels()
{
    QFETCH(QString, layout);
    QFile demo(qEnvironmentVariable("T8A_SOURCE_DIR") + "/demo/dnc/" + layout);
    QVERIFY(demo.open(QIODevice::ReadOnly));
    QVERIFY(m_wd->writeFile("dnc/" + layout, demo.readAll()));
    QVERIFY(ToolingDb::open());
    ToolingDb::addMachine("LATHE 1");
    ToolingDb::exec(QString("UPDATE machine SET dncFormat='%1'").arg(layout));
    ToolingDb::close();
    writeSettings({{"/Machine/disableAnimation", true}});
    openWindow();
    m_w->selectMachine("LATHE 1");
    QVERIFY(m_w->dncPanel()->init(false, -1));
    m_w->panels().setStatus("dncPanel", true);
    QTableWidget *table = m_w->dncPanel()->table();
    saveScreenshot(m_w.get(), "layout-dnc-" + layout);
    // The item delegates' margin on either side of a cell's text.
    const int margins = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
    QStringList faults;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *label = table->item(row, 0);
        const int needed = QFontMetrics(label->font().resolve(table->font())).horizontalAdvance(label->text()) + margins;
        if (table->rowHeight(row) > 0 && needed > table->columnWidth(0))
            faults << QString("\"%1\" needs %2 px in %3").arg(label->text()).arg(needed).arg(table->columnWidth(0));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join("\n")));
}

void TestLayout::choosers_data()
{
    QTest::addColumn<QString>("chooser");
    QTest::newRow("post-processor folder") << "folder";
    QTest::newRow("CSV file") << "csv";
}

// The toolkit's file choosers on the touch screen: the side bar shows its
// places whole, and every row of the side bar and of the file list is as
// tall as the program's own table rows (30 px), for a finger.
void TestLayout::choosers()
{
    QFETCH(QString, chooser);
    QFile cfg(qEnvironmentVariable("T8A_SOURCE_DIR") + "/demo/csv/csv-import.cfg");
    QVERIFY(cfg.open(QIODevice::ReadOnly));
    QVERIFY(m_wd->writeFile("csv-import.cfg", cfg.readAll()));
    QVERIFY(m_wd->writeFile("a.csv", "T;X;Z\n"));
    QVERIFY(QDir(m_wd->path()).mkpath("sub"));
    writeSettings({{"/Machine/disableAnimation", true}});
    openWindow();
    QStringList faults;
    WhenModalOpens look([&](QWidget *box) {
        auto *dialog = qobject_cast<QFileDialog *>(box);
        if (!dialog)
            return false;
        dialog->setDirectory(m_wd->path());
        auto *places = dialog->findChild<QListView *>("sidebar");
        QAbstractItemView *files = nullptr;
        const QModelIndex first = firstChooserRow(dialog, &files);
        saveScreenshot(dialog, "layout-chooser-" + chooser);
        if (!places || !first.isValid()) {
            faults << "no side bar or no file row";
        } else {
            if (places->sizeHintForColumn(0) > places->viewport()->width())
                faults << QString("side bar needs %1 px in %2").arg(places->sizeHintForColumn(0)).arg(places->viewport()->width());
            for (int i = 0; i < places->model()->rowCount(); ++i)
                if (places->visualRect(places->model()->index(i, 0)).height() < 30)
                    faults << "side bar row " + places->model()->index(i, 0).data().toString() + " lower than 30 px";
            if (files->visualRect(first).height() < 30)
                faults << QString("file row %1 px high").arg(files->visualRect(first).height());
        }
        dialog->reject();
        return true;
    });
    if (chooser == "folder")
        m_w->postProPanel()->findChild<QPushButton *>("pbPath")->click();
    else
        QMetaObject::invokeMethod(m_w->setListPanel(), "slotCsvImport");
    QVERIFY(look.done());
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join("\n")));
}

// The machine selector at the top right: its drop-down holds the arrow
// picture whole, inside the 1024 px wide screen.
void TestLayout::machineSelector()
{
    writeSettings({{"/Machine/disableAnimation", true}});
    openWindow();
    m_w->setFixedSize(1024, 768);
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    QComboBox *combo = ui->cmbMachine;
    QStyleOptionComboBox option;
    option.initFrom(combo);
    const QRect dropDown = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo);
    const QSize picture = QPixmap(":/img/DownArrowSmall.png").size();
    QVERIFY(!picture.isEmpty());
    const QRect onScreen(combo->mapTo(m_w.get(), dropDown.topLeft()), dropDown.size());
    saveScreenshot(m_w->grab(combo->geometry().translated(combo->parentWidget()->mapTo(m_w.get(), QPoint(0, 0)))).toImage(),
                   "layout-machine-selector");
    QVERIFY2(dropDown.width() >= picture.width() && dropDown.height() >= picture.height()
                 && QRect(0, 0, 1024, 768).contains(onScreen),
             qPrintable(QString("drop-down %1x%2 at %3,%4 for a %5x%6 arrow")
                            .arg(dropDown.width()).arg(dropDown.height()).arg(onScreen.x()).arg(onScreen.y())
                            .arg(picture.width()).arg(picture.height())));
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
