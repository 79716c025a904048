// What the operator meets over the whole window: message boxes shown over
// every panel that opens them, and the on-screen keyboard after a box and
// around the lists.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QTableWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <functional>

#include "app/MainWindowForm.h"
#include "app/mainwindow.h"
#include "axis/cAxisInterface.h"
#include "exchange/postpro.h"
#include "rfid/cballuff.h"
#include "keyboard/myinputpanel.h"
#include "keyboard/myinputpanelcontext.h"
#include "widgets/QMessageBoxKovra.h"
#include "support/FakeBalluffHead.h"
#include "dnc/DncForm.h"
#include "dnc/cDnc.h"
#include "support/FakeCncServer.h"
#include "support/FakeSpooler.h"
#include "support/FakeViewer.h"
#include "support/MainWindowFixture.h"
#include "support/MessageBoxRecorder.h"
#include "support/WindowTap.h"
#include "support/Screenshot.h"
#include "support/ToolingDb.h"
#include "support/UnexpectedBoxes.h"
#include "tooling/csetlist.h"
#include "tooling/ctoolset.h"

namespace {

// Grey distance between a box's text and its background: the background is
// the commonest grey of the text label's area, the text the grey farthest
// from it that covers a few pixels (not a lone anti-aliasing pixel).
int textContrast(const QImage &box, const QRect &area)
{
    QVector<int> count(256, 0);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++count[qGray(box.pixel(x, y))];
    const int background = int(std::max_element(count.begin(), count.end()) - count.begin());
    int best = 0;
    for (int g = 0; g < 256; ++g)
        if (count[g] >= 4)
            best = std::max(best, std::abs(g - background));
    return best;
}

// Shows one real box of this kind over parent and measures it while it is open.
int boxContrast(QWidget *parent, QMessageBox::Icon kind, bool styled, const QString &shot)
{
    int contrast = -1;
    WhenModalOpens look([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return false;
        const QImage image = box->grab().toImage();
        auto *label = box->findChild<QLabel *>("qt_msgbox_label");
        if (label)
            contrast = textContrast(image, QRect(label->mapTo(box, QPoint(0, 0)), label->size()) & image.rect());
        if (!shot.isEmpty())
            saveScreenshot(box, shot);
        box->buttons().first()->click();
        return true;
    });
    const QString title = QStringLiteral("Warning");
    const QString text = QStringLiteral("X machine reference is not set");
    if (styled)
        QMessageBoxKovra::msgBox(kind, parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    else if (kind == QMessageBox::Information)
        QMessageBoxKovra::information(parent, title, text);
    else if (kind == QMessageBox::Warning)
        QMessageBoxKovra::warning(parent, title, text);
    else if (kind == QMessageBox::Critical)
        QMessageBoxKovra::critical(parent, title, text);
    else
        QMessageBoxKovra::question(parent, title, text);
    return contrast;
}

// Opens a standard dialog with open() and, while it is shown, measures the
// least readable of its texts (labels, buttons, fields, choices and lists);
// then closes it.
int dialogContrast(const std::function<void()> &open, const QString &shot, QStringList *worst)
{
    int contrast = -1;
    WhenModalOpens look([&](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        if (!dialog)
            return false;
        QCoreApplication::sendPostedEvents(); // laid out before it is drawn
        const QImage image = dialog->grab().toImage();
        QList<QWidget *> texts;
        for (QLabel *l : dialog->findChildren<QLabel *>())
            if (!l->text().isEmpty() && l->pixmap() == nullptr)
                texts << l;
        for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>())
            if (!b->text().isEmpty())
                texts << b;
        for (QLineEdit *e : dialog->findChildren<QLineEdit *>())
            texts << e;
        for (QComboBox *c : dialog->findChildren<QComboBox *>())
            texts << c;
        for (QAbstractItemView *v : dialog->findChildren<QAbstractItemView *>())
            if (v->model() && v->model()->rowCount(v->rootIndex()) > 0)
                texts << v->viewport();
        for (QWidget *w : texts) {
            // A disabled button is grey on purpose.
            if (!w->isVisibleTo(dialog) || !w->isEnabled())
                continue;
            const QRect area = QRect(w->mapTo(dialog, QPoint(0, 0)), w->size()) & image.rect();
            const int c = textContrast(image, area);
            if (contrast < 0 || c < contrast) {
                contrast = c;
                *worst = QStringList{w->objectName(), w->parent()->objectName(), QString::number(c)};
            }
        }
        if (!shot.isEmpty())
            saveScreenshot(dialog, shot);
        dialog->reject();
        return true;
    });
    open();
    return contrast;
}

} // namespace

class TestWindowInput : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpWindowCase(); }
    void cleanupTestCase() { tearDownWindowCase(); }
    void init() { setUpWindow(); }
    void cleanup();

    void boxesReadable_data();
    void boxesReadable();
    void dialogsReadable_data();
    void dialogsReadable();
    void keyboardTypesAfterBox();
    void keyboardOnlyForTextFields_data();
    void keyboardOnlyForTextFields();
    void keyboardLeavesWithItsPanel_data();
    void keyboardLeavesWithItsPanel();
    void keyboardLeavesWhenItsPanelWrites_data();
    void keyboardLeavesWhenItsPanelWrites();
    void keyboardLeavesWhenItsFieldIsDone_data();
    void keyboardLeavesWhenItsFieldIsDone();
    void angleChangedOnlyByBox_data();
    void angleChangedOnlyByBox();
    void panelsOpaque_data();
    void panelsOpaque();

private:
    void build(bool tables = false, const QMap<QString, QVariant> &settings = {});
    // True when the key panel opens (waits for its animation to start).
    bool keyboardOpens();
    // Taps the keys of digits on the open panel through the window system.
    void typeOnPanel(const QString &digits);

    MyInputPanelContext *m_context = nullptr;
};

void TestWindowInput::build(bool tables, const QMap<QString, QVariant> &settings)
{
    if (tables) {
        // One machine with two tooling tables: the first one the combo selects.
        QVERIFY(ToolingDb::open());
        const int machine = ToolingDb::addMachine("LATHE");
        QVERIFY(ToolingDb::addTable(machine, "T1") > 0);
        QVERIFY(ToolingDb::addTable(machine, "T2") > 0);
        ToolingDb::close();
    }
    QMap<QString, QVariant> values{{"/camera/XCalibration", 0.01}, {"/camera/ZCalibration", 0.01},
                                   {"/Machine/disableAnimation", true}};
    for (auto i = settings.begin(); i != settings.end(); ++i)
        values.insert(i.key(), i.value());
    writeSettings(values);
    openWindow();
    // As main() does it: the context is the application's event filter.
    m_context = new MyInputPanelContext(m_w.get());
    m_context->install();
    m_w->setInputContext(m_context);
    m_w->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    QApplication::setActiveWindow(m_w.get());
    QTRY_VERIFY(m_w->isActiveWindow());
}

void TestWindowInput::cleanup()
{
    installBoxHandler();
    if (m_w)
        m_w->setInputContext(nullptr);
    delete m_context;
    m_context = nullptr;
    tearDownWindow();
}

bool TestWindowInput::keyboardOpens()
{
    // Once asked for, the panel grows from 0 x 0 within its 300 ms animation.
    return QTest::qWaitFor([this]() { return m_context->panel()->size() != QSize(0, 0); }, 1000);
}

void TestWindowInput::boxesReadable_data()
{
    QTest::addColumn<QString>("panel");
    QTest::newRow("machine editor") << "cMachine";
    QTest::newRow("machine list") << "cMachineList";
    QTest::newRow("table list") << "cSetList";
    QTest::newRow("table editor") << "cToolset";
    QTest::newRow("tool search") << "cToolSearch";
    QTest::newRow("main window") << "MainWindow";
}

// Every kind of box keeps dark text on a light ground whichever panel opens it.
void TestWindowInput::boxesReadable()
{
    QFETCH(QString, panel);
    build();
    QWidget *parent = nullptr;
    if (panel == "MainWindow")
        parent = m_w.get();
    for (QWidget *w : m_w->findChildren<QWidget *>())
        if (!parent && panel == QLatin1String(w->metaObject()->className()))
            parent = w;
    QVERIFY(parent);
    QMessageBoxKovra::setHandler({});
    const QList<QPair<QMessageBox::Icon, bool>> kinds{{QMessageBox::Information, false},
                                                      {QMessageBox::Warning, false},
                                                      {QMessageBox::Critical, false},
                                                      {QMessageBox::Question, false},
                                                      {QMessageBox::Warning, true}};
    for (const auto &kind : kinds) {
        QString name = QString("%1 %2%3").arg(panel).arg(int(kind.first)).arg(kind.second ? " styled" : "");
        const int contrast = boxContrast(parent, kind.first, kind.second, "box-over-" + QString(name).replace(' ', '-'));
        QVERIFY2(contrast >= 128, qPrintable(QString("%1: contrast %2").arg(name).arg(contrast)));
    }
}

void TestWindowInput::dialogsReadable_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::newRow("post-processor folder chooser") << "folder";
    QTest::newRow("CSV file chooser") << "csv";
    QTest::newRow("RFID value") << "rfid number";
    QTest::newRow("RFID choice") << "rfid list";
}

// The toolkit's dialogs opened over the dark panels keep dark text on a light
// ground, as the boxes do.
void TestWindowInput::dialogsReadable()
{
    QFETCH(QString, dialog);
    build();
    FakeBalluffHead head;
    std::function<void()> open;
    if (dialog == "folder") {
        open = [this] { m_w->postProPanel()->findChild<QPushButton *>("pbPath")->click(); };
    } else if (dialog == "csv") {
        const QString seeds = QString::fromLocal8Bit(qgetenv("T8A_SOURCE_DIR")) + "/demo/csv/";
        QFile::remove("csv-import.cfg");
        QVERIFY(QFile::copy(seeds + "csv-import.cfg", "csv-import.cfg"));
        open = [this] { QMetaObject::invokeMethod(m_w->setListPanel(), "slotCsvImport"); };
    } else {
        // One field typed in through the toolkit's number or list dialog.
        QDir().mkpath("balluff");
        QFile layout("balluff/read.ini");
        QVERIFY(layout.open(QIODevice::WriteOnly));
        layout.write("[SETTINGS]\nTagType=M\nCom=" + head.slavePath().toLocal8Bit() + "\nTotFields=1\n"
                     "[FIELD0]\nLabel=Length\nByteLength=4\nHasInputBox=1\n"
                     + (dialog == "rfid list" ? "Type=CHAR\nFieldType=string\nList=A;B\nDefaultValue=A\n" : "Type=UBIN\nFieldType=float\n"));
        layout.close();
        CurrentMachine.Balluff = "read.ini";
        cBalluffUI *rfid = m_w->balluffPanel();
        QVERIFY(rfid->init());
        auto *input = qobject_cast<QPushButton *>(rfid->table()->cellWidget(0, 2));
        QVERIFY(input);
        open = [input] { input->click(); };
    }
    QStringList worst;
    const int contrast = dialogContrast(open, "dialog-over-" + QString(dialog).replace(' ', '-'), &worst);
    QVERIFY2(contrast >= 128, qPrintable(QString("%1: contrast %2 (%3)").arg(dialog).arg(contrast).arg(worst.join(", "))));
}

// After a box, the label panel's T button opens the keyboard and its keys type
// into the T field at once.
void TestWindowInput::keyboardTypesAfterBox()
{
    build();
    QMessageBoxKovra::setHandler({});
    boxContrast(m_w.get(), QMessageBox::Information, false, QString());
    installBoxHandler();
    QTRY_VERIFY(m_w->isActiveWindow());
    QTest::mouseClick(ui->tbLabelT, Qt::LeftButton);
    QVERIFY(keyboardOpens());
    for (const char digit : {'1', '2'}) {
        // The key of the layout the panel shows (numeric pad or keyboard).
        QPushButton *key = nullptr;
        for (const QString &name : {QString("panelButton_%1").arg(digit), QString("btn%1").arg(digit)}) {
            auto *b = m_context->panel()->findChild<QPushButton *>(name);
            if (b && b->isVisibleTo(m_context->panel()))
                key = b;
        }
        QVERIFY(key);
        QTest::mouseClick(key, Qt::LeftButton);
    }
    QCOMPARE(ui->leLabelT->text(), QString("12"));
}

void TestWindowInput::keyboardOnlyForTextFields_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("opens");
    QTest::newRow("row of the table list") << "table list" << false;
    QTest::newRow("machine picked in the combo") << "machine combo" << false;
    QTest::newRow("label panel field") << "field" << true;
}

// Only a tap on a text field asks for the keyboard, not one on a list.
void TestWindowInput::keyboardOnlyForTextFields()
{
    QFETCH(QString, where);
    QFETCH(bool, opens);
    build(true);
    // A field has had the focus: the key panel knows where it would type.
    ui->leLabelCode->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ui->leLabelCode));
    QCOMPARE(m_context->panel()->size(), QSize(0, 0));

    if (where == "table list") {
        // The machine's tables, with referenced axes.
        feed("X100000 Z200000 I0 O0\r");
        ui->cmbMachine->setCurrentIndex(ui->cmbMachine->findText("LATHE"));
        QVERIFY(ui->tbSetList->isEnabled());
        QTest::mouseClick(ui->tbSetList, Qt::LeftButton);
        QVERIFY(m_w->panels().isEnlarged("setList"));
        auto *view = m_w->findChild<cSetList *>()->findChild<QTableView *>();
        QVERIFY(view && view->model()->rowCount() == 2);
        const QModelIndex second = view->model()->index(1, view->columnAt(5));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(second).center());
        QCOMPARE(view->currentIndex().row(), 1);
    } else if (where == "machine combo") {
        QComboBox *combo = ui->cmbMachine;
        QVERIFY(combo->count() >= 1);
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView *view = combo->view();
        QTRY_VERIFY(view->isVisible());
        const QRect item = view->visualRect(view->model()->index(combo->count() - 1, 0));
        // The list takes no release for a moment after it opened: tap until it closes.
        QTRY_VERIFY_WITH_TIMEOUT(
            (QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, item.center()), !view->isVisible()),
            5000);
    } else {
        QTest::mouseClick(ui->leLabelCode, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    }
    QCOMPARE(keyboardOpens(), opens);
}

void TestWindowInput::keyboardLeavesWithItsPanel_data()
{
    QTest::addColumn<QString>("panel");
    QTest::newRow("input box, OK") << "inputBox";
    QTest::newRow("reference panel, OK") << "getReference";
    QTest::newRow("DNC panel, acknowledged send") << "dncPanel";
}

// A tap on a field of a box or panel opens the keyboard; the tap that closes
// the box or panel closes the keyboard too.
void TestWindowInput::keyboardLeavesWithItsPanel()
{
    QFETCH(QString, panel);
    FakeCncServer server;
    if (panel == "dncPanel") {
        m_wd->writeFile("dnc/t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=T\nFieldType=int\n"
                                     "SqlTable=tools\nSqlField=t\n");
        QVERIFY(ToolingDb::open());
        ToolingDb::addMachine("LATHE 1");
        ToolingDb::exec(QString("UPDATE machine SET dncFormat='t.dnc', dncSocket='%1'").arg(server.address()));
        ToolingDb::close();
    }
    build(false, {{"/Machine/coarseZeroSearch", true}});
    QWidget *field = nullptr;
    QWidget *ok = nullptr;
    if (panel == "inputBox") {
        m_w->showAngularInput();
        field = ui->leInputBox;
        ok = ui->tbOkInputBox;
    } else if (panel == "getReference") {
        m_w->slotGetReference(cMachine::X, "0");
        field = ui->leGauge;
        ok = ui->tbOkGetReference;
    } else {
        m_w->selectMachine("LATHE 1");
        tapThroughWindow(ui->tbDnc);
        field = m_w->dncPanel()->editor(0);
        ok = m_w->dncPanel()->form()->pbWrite;
        QTRY_VERIFY(ok->isEnabled());
    }
    QVERIFY(m_w->panels().isEnlarged(panel));
    tapThroughWindow(field);
    QVERIFY(keyboardOpens());
    QCOMPARE(m_context->target(), field);
    saveScreenshot(m_w->grab().toImage(), "keyboard-over-" + panel);
    tapThroughWindow(ok);
    QTRY_VERIFY(!m_w->panels().isEnlarged(panel));
    QTRY_COMPARE(m_context->panel()->size(), QSize(0, 0));
}

void TestWindowInput::typeOnPanel(const QString &digits)
{
    MyInputPanel *panel = m_context->panel();
    QTRY_COMPARE(panel->size(), QSize(panel->KbWidth(), panel->KbHeight()));
    for (const QChar digit : digits) {
        QPushButton *key = nullptr;
        for (const QString &name : {QString("panelButton_%1").arg(digit), QString("btn%1").arg(digit)}) {
            auto *b = panel->findChild<QPushButton *>(name);
            if (b && b->isVisibleTo(panel))
                key = b;
        }
        QVERIFY(key);
        tapThroughWindow(key);
    }
}

void TestWindowInput::keyboardLeavesWhenItsPanelWrites_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("box");
    QTest::newRow("RFID tag editor, WR") << "balluff" << "Tag written with success";
    QTest::newRow("DNC panel, send out of bounds") << "dncPanel" << "Confirm writing?";
}

// A write or send started with the keyboard open over one of the panel's
// fields: the keyboard is gone before the first box opens and stays gone
// after it, and the value typed is the one written or sent.
void TestWindowInput::keyboardLeavesWhenItsPanelWrites()
{
    QFETCH(QString, panel);
    QFETCH(QString, box);
    FakeCncServer server;
    FakeBalluffHead head;
    if (panel == "dncPanel") {
        m_wd->writeFile("dnc/t.dnc", "[SETTINGS]\nTotFields=2\n"
                                     "[FIELD0]\nLabel=Tool\nDncLabel=T\nFieldType=int\nMin=10\nMax=99\n"
                                     "SqlTable=tools\nSqlField=t\n"
                                     "[FIELD1]\nLabel=Kind\nDncLabel=K\nList=\"1 - turn;3 - drill\"\n"
                                     "SqlTable=dnc\nSqlField=dncNum0\n");
        QVERIFY(ToolingDb::open());
        ToolingDb::addMachine("LATHE 1");
        ToolingDb::exec(QString("UPDATE machine SET dncFormat='t.dnc', dncSocket='%1'").arg(server.address()));
        ToolingDb::close();
    } else {
        m_wd->writeFile("balluff/t.ini", "[SETTINGS]\nTagType=M\nTagSize=32\nCom=" + head.slavePath().toLocal8Bit()
                                             + "\nTotFields=1\n[FIELD0]\nLabel=len\nByteLength=4\nType=UBIN\n"
                                               "FieldType=int\n");
        head.model.tag = QByteArray(32, '\0');
    }
    build();
    MessageBoxRecorder rec;
    rec.answer(QMessageBox::Yes);
    // The keyboard's size as each box opens (0 x 0: closed).
    QList<QSize> keyboardAtBox;
    QMessageBoxKovra::Handler recorder;
    recorder = QMessageBoxKovra::setHandler([&](const QMessageBoxKovra::Box &b) {
        keyboardAtBox << m_context->panel()->size();
        return recorder(b);
    });

    QWidget *field = nullptr;
    QWidget *write = nullptr;
    if (panel == "dncPanel") {
        m_w->selectMachine("LATHE 1");
        tapThroughWindow(ui->tbDnc);
        field = m_w->dncPanel()->editor(0);
        write = m_w->dncPanel()->form()->pbWrite;
        QTRY_VERIFY(write->isEnabled());
    } else {
        CurrentMachine.Balluff = "t.ini";
        QVERIFY(m_w->openBalluff());
        field = m_w->balluffPanel()->editor(0);
        write = m_w->balluffPanel()->form()->pbWrite;
    }
    QVERIFY(m_w->panels().isEnlarged(panel));
    QVERIFY(field);
    tapThroughWindow(field);
    QVERIFY(keyboardOpens());
    QCOMPARE(m_context->target(), field);
    typeOnPanel(panel == "dncPanel" ? "5" : "42");
    QCOMPARE(qobject_cast<QLineEdit *>(field)->text(), panel == "dncPanel" ? QString("5") : QString("42"));
    if (panel == "dncPanel") {
        // A list value picked meanwhile: the keyboard stays for the tool field.
        auto *combo = qobject_cast<QComboBox *>(m_w->dncPanel()->editor(1));
        QVERIFY(combo);
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView *view = combo->view();
        QTRY_VERIFY(view->isVisible());
        const QRect item = view->visualRect(view->model()->index(0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(
            (QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, item.center()), !view->isVisible()),
            5000);
        QCOMPARE(combo->currentIndex(), 0);
        QVERIFY(m_context->panel()->size() != QSize(0, 0));
    }
    tapThroughWindow(write);
    QTRY_VERIFY(!rec.boxes().isEmpty());
    QCOMPARE(rec.boxes().first().text.endsWith(box), true);
    QCOMPARE(keyboardAtBox.first(), QSize(0, 0));
    if (panel == "dncPanel") {
        QTRY_COMPARE(server.frames().size(), 1);
        const QByteArray frame = server.frames().first();
        QVERIFY2(frame.contains("\"T\": \"5\"") && frame.contains("\"K\": \"1\""), frame.constData());
    } else {
        QCOMPARE(head.model.tag.left(4).toHex(), QByteArray("0000002a"));
    }
    // After the boxes the keyboard stays closed; the tag editor stays open.
    if (panel == "balluff")
        QVERIFY(m_w->panels().isEnlarged(panel));
    QCOMPARE(m_context->panel()->size(), QSize(0, 0));
    for (const QSize &s : keyboardAtBox)
        QCOMPARE(s, QSize(0, 0));
    QMessageBoxKovra::setHandler(recorder);
}

void TestWindowInput::keyboardLeavesWhenItsFieldIsDone_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("prepare"); // "references", "tolerance", "insert" or "inactive"
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("taps");
    QTest::addColumn<QString>("box"); // the first box, "" none
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("panelStays");
    QTest::addColumn<QString>("shown"); // the field afterwards; <X>, <Z>: the live reading
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("stored");
    const int ok = QMessageBox::Ok;
    const QString named = "SELECT COUNT(*) FROM machine WHERE name='L7'";
    QTest::newRow("machine editor, OK without X reference")
        << "machine" << "" << "leName" << "L7" << QStringList{"tbOkMachine"} << "X machine reference is not set" << ok
        << true << true << "L7" << named << "0";
    QTest::newRow("machine editor, OK stores")
        << "machine" << "references" << "leName" << "L7" << QStringList{"tbOkMachine"} << "" << ok << true << false
        << "L7" << named << "1";
    QTest::newRow("machine editor, EXIT kept by the box")
        << "machine" << "" << "leName" << "L7" << QStringList{"tbExitMachine"} << "Data are changed, exit anyway ?"
        << int(QMessageBox::No) << true << true << "L7" << named << "0";
    QTest::newRow("machine editor, reference measured")
        << "machine" << "" << "leName" << "L7" << QStringList{"pbMeasureX", "tbOkGetReference"} << "" << ok << true
        << true << "L7" << named << "0";
    const QString x1 = "SELECT x FROM tools WHERE t=1";
    QTest::newRow("tooling table, X measure into the field")
        << "toolset" << "" << "leX" << "5" << QStringList{"tbSaveXset"} << "" << ok << true << true << "<X>" << x1
        << "<X>";
    QTest::newRow("tooling table, Z measure out of tolerance")
        << "toolset" << "tolerance" << "leZ" << "3" << QStringList{"tbSaveZset"}
        << "Measure out of tolerance, overwrite?" << int(QMessageBox::Yes) << true << true << "<Z>"
        << "SELECT z FROM tools WHERE t=1" << "<Z>";
    QTest::newRow("tooling table, OK of a new tool stores")
        << "toolset" << "insert" << "leT" << "7" << QStringList{"tbOkTool"} << "" << ok << true << true << "7"
        << "SELECT COUNT(*) FROM tools WHERE t=7" << "1";
    QTest::newRow("tooling table, OK of a new tool refused")
        << "toolset" << "insert" << "leT" << "1" << QStringList{"tbOkTool"} << "Duplicated tool number" << ok << true
        << true << "1" << "SELECT COUNT(*) FROM tools WHERE t=1" << "1";
    QTest::newRow("tooling table, EXIT stores")
        << "toolset" << "" << "leX" << "5" << QStringList{"tbExitTool"} << "" << ok << true << false << "5" << x1
        << "5";
    // Typing goes on in the next field: the keyboard stays for it.
    QTest::newRow("tooling table, next field tapped")
        << "toolset" << "" << "leX" << "5" << QStringList{"leZ"} << "" << ok << false << true << "5" << x1 << "5";
    QTest::newRow("DNC panel, X measure")
        << "dncPanel" << "" << "editor" << "5" << QStringList{"measure"} << "" << ok << true << true << "<X>" << ""
        << "";
    QTest::newRow("tag editor, X measure")
        << "balluff" << "" << "editor" << "5" << QStringList{"measure"} << "" << ok << true << true << "<X>" << ""
        << "";
    QTest::newRow("label panel, GET X")
        << "labelPrint" << "" << "leXLabel" << "5" << QStringList{"tbSaveX"} << "" << ok << true << true << "<X>" << ""
        << "";
    // A box or a panel opens over the field.
    const QString notReady = "Printer is not ready";
    QTest::newRow("label panel, PRINT, printer not ready")
        << "labelPrint" << "" << "leRadLabel" << "5" << QStringList{"tbLabelPrint"} << notReady << ok << true << true
        << "5" << "" << "";
    QTest::newRow("label panel, settings password box")
        << "labelPrint" << "" << "leRadLabel" << "5" << QStringList{"tbConfigure"} << "" << ok << true << true << "5"
        << "" << "";
    QTest::newRow("tooling table, LABEL, printer not ready")
        << "toolset" << "" << "leX" << "5" << QStringList{"tbLabelPrint"} << notReady << ok << true << true << "5"
        << "" << "";
    QTest::newRow("tooling table, report in the viewer")
        << "toolset" << "" << "leX" << "5" << QStringList{"tbListPrint"} << "" << ok << true << true << "5" << x1
        << "5";
    QTest::newRow("tooling table, search")
        << "toolset" << "" << "leX" << "5" << QStringList{"tbSearch"} << "" << ok << true << true << "5" << "" << "";
    // Opened while the window had no focus, the keys serve no field: they
    // leave with the panel all the same.
    QTest::newRow("post-processor, keys of no field, exit")
        << "postPro" << "inactive" << "leFilename" << "5" << QStringList{"pbExit"} << "" << ok << true << false << "T1"
        << "" << "";
    QTest::newRow("tag editor, I of another field")
        << "balluff" << "" << "editor" << "5" << QStringList{"input"} << "Insert value" << ok << true << true << "5"
        << "" << "";
}

// The keyboard typing into a panel's field leaves, before any box, when the
// field is filled by a measure, stored, refused with a box, its panel closes
// or a box, an input dialog or a panel opens over it; a key that still
// arrives then types nowhere, and the value the operator gets is the one
// measured or typed.
void TestWindowInput::keyboardLeavesWhenItsFieldIsDone()
{
    QFETCH(QString, panel);
    QFETCH(QString, prepare);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QStringList, taps);
    QFETCH(QString, box);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(bool, panelStays);
    QFETCH(QString, shown);
    QFETCH(QString, probe);
    QFETCH(QString, stored);
    FakeCncServer server;
    FakeBalluffHead head;
    FakeSpooler spooler(false); // no spooler to ask: the printer is not ready
    FakeViewer viewer;
    QVERIFY(ToolingDb::open());
    const int machine = ToolingDb::addMachine("LATHE 1");
    const int table = ToolingDb::addTable(machine, "T1");
    ToolingDb::addTool(table, 1, 10, 1, "A");
    if (prepare == "tolerance")
        ToolingDb::exec("UPDATE tools SET Zth=500, ZtolPlus=0.01, ZtolMinus=0.01");
    if (panel == "dncPanel") {
        m_wd->writeFile("dnc/x.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=X\nDncLabel=X\nFieldType=float\n"
                                     "GetX=true\nSqlTable=tools\nSqlField=x\n");
        ToolingDb::exec(QString("UPDATE machine SET dncFormat='x.dnc', dncSocket='%1'").arg(server.address()));
    }
    if (panel == "postPro") {
        QVERIFY(m_wd->writeFile("postpro/x.pp", "<S>\nT@T\n<E>"));
        ToolingDb::exec("UPDATE machine SET PostPro='x.pp'");
    }
    ToolingDb::close();
    if (panel == "balluff") {
        m_wd->writeFile("balluff/x.ini", "[SETTINGS]\nTagType=M\nTagSize=32\nCom=" + head.slavePath().toLocal8Bit()
                                             + "\nTotFields=2\n[FIELD0]\nLabel=X\nByteLength=4\nType=UBIN\n"
                                               "Div=1000\nFieldType=float\nGetX=1\n[FIELD1]\nLabel=Z\n"
                                               "ByteLength=4\nType=UBIN\nFieldType=float\nHasInputBox=1\n");
        head.model.tag = QByteArray(32, '\0');
    }
    build(false, {{"/Machine/coarseZeroSearch", true}});
    feed("X123450 Z-45670 I0 O0\r");
    m_w->selectMachine("LATHE 1");
    QVERIFY(CurrentMachine.isRadius);
    MessageBoxRecorder rec;
    rec.answer(QMessageBox::StandardButton(answer));
    // The keyboard's size as each box opens (0 x 0: closed).
    QList<QSize> keyboardAtBox;
    QMessageBoxKovra::Handler recorder;
    recorder = QMessageBoxKovra::setHandler([&](const QMessageBoxKovra::Box &b) {
        keyboardAtBox << m_context->panel()->size();
        return recorder(b);
    });
    // The tag editor's input dialog: the toolkit's own, pictured and cancelled.
    QStringList dialogs;
    WhenModalOpens dialog([&](QWidget *modal) {
        keyboardAtBox << m_context->panel()->size();
        dialogs << modal->windowTitle();
        QImage image = m_w->grab().toImage();
        QPainter p(&image);
        for (QWidget *over : {modal, static_cast<QWidget *>(m_context->panel())})
            p.drawPixmap(over->pos() - m_w->pos(), over->grab());
        p.end();
        saveScreenshot(image, "keyboard-gone-for-input-dialog");
        static_cast<QDialog *>(modal)->reject();
        return true;
    });

    if (panel == "machine") {
        m_w->showNewMachine();
        cMachine *editor = m_w->machinePanel();
        if (prepare == "references") {
            for (const char *measure : {"pbMeasureX", "pbMeasureZ"}) {
                editor->findChild<QPushButton *>(measure)->click();
                ui->leGauge->setText("2");
                ui->tbOkGetReference->click();
            }
        }
    } else if (panel == "toolset") {
        ui->tbSetList->click();
        m_w->setListPanel()->findChild<QPushButton *>("tbEdit")->click();
        if (prepare == "insert")
            tapThroughWindow(m_w->toolsetPanel()->findChild<QPushButton *>("tbInsertTool"));
    } else if (panel == "dncPanel") {
        tapThroughWindow(ui->tbDnc);
        QTRY_VERIFY(m_w->dncPanel()->form()->pbWrite->isEnabled());
    } else if (panel == "balluff") {
        CurrentMachine.Balluff = "x.ini";
        QVERIFY(m_w->openBalluff());
    } else if (panel == "postPro") {
        ui->tbSetList->click();
        m_w->setListPanel()->findChild<QPushButton *>("tbPostPro")->click();
    }
    QVERIFY(m_w->panels().isEnlarged(panel));
    QWidget *frame = m_w->panels().widget(panel);
    const auto find = [&](const QString &name) -> QWidget * {
        QTableWidget *rows = panel == "dncPanel"  ? m_w->dncPanel()->table()
                             : panel == "balluff" ? m_w->balluffPanel()->table()
                                                  : nullptr;
        if (rows && name == "editor")
            return rows->cellWidget(0, 1);
        if (rows && name == "measure")
            return rows->cellWidget(0, 2);
        if (rows && name == "input")
            return rows->cellWidget(1, 2);
        QWidget *w = frame->findChild<QWidget *>(name);
        return w ? w : m_w->findChild<QWidget *>(name);
    };
    auto *edit = qobject_cast<QLineEdit *>(find(field));
    QVERIFY(edit);
    const bool inactive = prepare == "inactive";
    if (inactive) {
        // The window lost its activation with the field focused, as when a
        // dialog closes on a display without window manager.
        edit->setFocus(Qt::MouseFocusReason);
        QApplication::setActiveWindow(nullptr);
        QVERIFY(!QApplication::focusWidget());
    }
    const QString before = edit->text();
    tapThroughWindow(edit);
    QVERIFY(keyboardOpens());
    QCOMPARE(m_context->target(), inactive ? nullptr : static_cast<QWidget *>(edit));
    MyInputPanel *keys = m_context->panel();
    QTRY_COMPARE(keys->size(), QSize(keys->KbWidth(), keys->KbHeight()));
    // The offscreen platform activates the keyboard's window as it grows (the
    // touch screen's window manager does not): the field, left for a moment,
    // takes the focus back as it had it.
    if (QApplication::focusWidget() != edit) {
        QApplication::setActiveWindow(m_w.get());
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
    }
    typeOnPanel(typed);
    QCOMPARE(edit->text(), inactive ? before : typed);
    QVERIFY(rec.boxes().isEmpty());

    for (const QString &tap : taps) {
        QWidget *w = find(tap);
        QVERIFY2(w, qPrintable(tap));
        tapThroughWindow(w);
    }
    QCOMPARE(rec.boxes().isEmpty() ? dialogs.value(0) : rec.boxes().first().text, box);
    for (const QSize &s : keyboardAtBox)
        QCOMPARE(s, QSize(0, 0));
    // Gone at once, without the closing animation; or still open for the next field.
    if (closes)
        QCOMPARE(m_context->panel()->size(), QSize(0, 0));
    else
        QVERIFY(m_context->panel()->size() != QSize(0, 0) && m_context->target() == find(taps.last()));
    QCOMPARE(m_w->panels().isEnlarged(panel), panelStays);

    const auto expected = [this](const QString &text) {
        return text == "<X>" ? m_w->axisLink()->ReadXString() : text == "<Z>" ? m_w->axisLink()->ReadZString() : text;
    };
    const auto same = [](const QString &got, const QString &want) {
        bool number = false;
        const double w = want.toDouble(&number);
        return number ? qFuzzyCompare(got.toDouble() + 1, w + 1) : got == want;
    };
    QVERIFY2(same(edit->text(), expected(shown)), qPrintable(edit->text() + " / " + expected(shown)));
    if (shown.startsWith('<'))
        QVERIFY(expected(shown).toDouble() != typed.toDouble());
    if (!probe.isEmpty()) {
        const QString got = ToolingDb::probe(probe).toString();
        QVERIFY2(same(got, expected(stored)), qPrintable(got + " / " + expected(stored)));
    }
    if (closes) {
        const QString left = edit->text();
        for (const char *name : {"panelButton_5", "btn5"}) {
            auto *key = keys->findChild<QPushButton *>(name);
            if (key->isVisibleTo(keys))
                key->click();
        }
        QCOMPARE(edit->text(), left);
    }
    QMessageBoxKovra::setHandler(recorder);
}

void TestWindowInput::angleChangedOnlyByBox_data()
{
    QTest::addColumn<QPoint>("at"); // from the field's top-right corner
    QTest::newRow("top right, where an up arrow would be") << QPoint(-6, 8);
    QTest::newRow("bottom right, where a down arrow would be") << QPoint(-6, 32);
}

// A touch on the rotation angle opens the angle box and changes nothing;
// leaving the box keeps the angle.
void TestWindowInput::angleChangedOnlyByBox()
{
    QFETCH(QPoint, at);
    build(false, {{"/Machine/angularHead", true}});
    tapThroughWindow(ui->tbAutocoll);
    tapThroughWindow(ui->tbRotated);
    QDoubleSpinBox *angle = ui->sbRotateMeasLine;
    angle->setValue(2.0);
    QVERIFY(angle->isVisible());
    tapThroughWindow(angle, QPoint(angle->width() + at.x(), at.y()));
    QVERIFY(m_w->panels().isEnlarged("inputBox"));
    QVERIFY(keyboardOpens());
    QCOMPARE(m_context->target(), ui->leInputBox);
    QCOMPARE(angle->value(), 2.0);
    saveScreenshot(m_w.get(), "angle-box-after-touch");
    tapThroughWindow(ui->tbExitInputBox);
    QVERIFY(!m_w->panels().isEnlarged("inputBox"));
    QCOMPARE(angle->value(), 2.0);
}

void TestWindowInput::panelsOpaque_data()
{
    QTest::addColumn<QString>("panel");
    QTest::newRow("input box") << "inputBox";
    QTest::newRow("SET X panel") << "setX";
}

// Rendered over magenta, a panel's ground shows none of it: the live view's
// marks never show through behind the values.
void TestWindowInput::panelsOpaque()
{
    QFETCH(QString, panel);
    build();
    m_w->panels().setStatus(panel, true);
    QWidget *frame = m_w->panels().widget(panel);
    QVERIFY(m_w->panels().isEnlarged(panel));
    QImage image(frame->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    frame->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    saveScreenshot(image, "over-magenta-" + panel);
    // The ground inside the rounded border, around the panel's own widgets.
    QRegion ground(frame->rect().adjusted(8, 8, -8, -8));
    for (QWidget *w : frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (w->isVisibleTo(frame))
            ground -= w->geometry();
    int looked = 0, seen = 0;
    for (const QRect &r : ground)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                ++looked;
                seen += c.red() - c.green() > 24 && c.blue() - c.green() > 24;
            }
    QVERIFY(looked > 1000);
    QCOMPARE(seen, 0);
}

QTEST_MAIN(TestWindowInput)
#include "tst_windowinput.moc"
