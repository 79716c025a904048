#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QtTest>

#include "app/MainWindowForm.h"
#include "axis/measureserver.h"
#include "dnc/DncScript.h"
#include "dnc/cDnc.h"
#include "widgets/CheckBoxList.h"
#include "shared/SharedStruct.h"
#include "support/FakeCncServer.h"
#include "support/MarkedRows.h"
#include "support/MessageBoxRecorder.h"
#include "support/PaintedInk.h"
#include "support/Screenshot.h"
#include "support/ToolingDb.h"
#include "support/UnexpectedBoxes.h"

namespace {

class ScriptedMeasure : public MeasureServer
{
public:
    ScriptedMeasure() : MeasureServer(nullptr, nullptr, nullptr, nullptr) {}
    QString x, z;

protected:
    QString liveValue(eAxisType axisType) const override { return axisType == X ? x : z; }
    void settle(QPushButton *) override {}
};

// A layout with one field of every kind; in tool mode fields 0-1 come from
// tools, the others from dnc.
const QByteArray kLayout =
    "[SETTINGS]\nTotFields=9\nScriptFunctions=\"function half(v) { return v / 2; }\"\n"
    "[FIELD0]\nLabel=T\nFieldType=int\nLocked=1\nSqlTable=tools\nSqlField=t\nDncLabel=T\nDefaultValue=99\n"
    "[FIELD1]\nLabel=X\nFieldType=float\nGetX=1\nGetZ=1\nMin=1\nMax=40\nSqlTable=tools\nSqlField=x\n"
    "[FIELD2]\nLabel=Kind\nList=\"1 - turn;3 - drill\"\nDefaultValue=3\nLocked=1\nSqlTable=dnc\nSqlField=dncNum0\n"
    "[FIELD3]\nLabel=Opt\nBitField=1\nList=\"a;b;c\"\nDefaultValue=5\nSqlTable=dnc\nSqlField=dncNum1\n"
    "[FIELD4]\nLabel=Life\nFieldType=int\nMin=1\nMax=100\nDefaultValue=50\nSqlTable=dnc\nSqlField=dncNum2\n"
    "Script=\"blfOut.push('5|' + half(Number(blfVal[4]))); blfOut\"\n"
    "[FIELD5]\nLabel=Warn\nFieldType=float\nMin=-5\nMax=5\nSqlTable=dnc\nSqlField=dncNum3\n"
    "Script=\"blfOut.push('6|nested'); blfOut\"\n"
    "[FIELD6]\nLabel=Note\nFieldType=string\nMax=20\nSqlTable=dnc\nSqlField=dncAlpha0\nGetZ=1\nAutoDefault=1\n"
    "DefaultValue=n\n"
    "[FIELD7]\nLabel=Holder\nFieldType=string\nMax=0\nSqlTable=tools\nSqlField=code\nRegExp=[A-Z]*\n"
    "[FIELD8]\nLabel=Text\nFieldType=string\nMax=20\nSqlTable=dnc\nSqlField=dncAlpha1\n";

QString text(QWidget *w)
{
    if (auto *l = qobject_cast<QLineEdit *>(w))
        return l->text();
    if (auto *c = qobject_cast<CheckBoxList *>(w))
        return QString::number(c->getValue());
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    return QString();
}

// The same step text n times, as a trip lists it.
QString repeated(int n, const QString &text)
{
    return QStringList(QVector<QString>(n, text).toList()).join(" | ");
}

QString button(cDnc &p, int row)
{
    auto *b = qobject_cast<QPushButton *>(p.table()->cellWidget(row, 2));
    return b ? b->text() : QString();
}

} // namespace

class tst_dncpanel : public QObject
{
    Q_OBJECT

    std::unique_ptr<ToolingDbScope> m_db;
    int m_table = 0;
    int m_tool = 0;
    QWidget m_host;
    ScriptedMeasure m_measure;
    FakeCncServer m_server;
    cDnc *m_panel = nullptr;

    void writeLayout(const QString &name, const QByteArray &content)
    {
        QDir().mkpath("dnc");
        QFile f("dnc/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    bool open(bool toolMode, const QString &layout = "t.dnc")
    {
        CurrentMachine.dncFormat = layout;
        return m_panel->init(toolMode, toolMode ? m_tool : -1);
    }
    QVariant dnc(const QString &column)
    {
        return ToolingDb::probe(QString("SELECT %1 FROM dnc WHERE idTool=%2").arg(column).arg(m_tool));
    }
    QWidget *ed(int row) { return m_panel->editor(row); }
    QLineEdit *le(int row) { return qobject_cast<QLineEdit *>(ed(row)); }
    // Columns of the round-trip tests: the field's keys, the road into it
    // (typed, script, measure, server, store), what goes in, and the trip.
    void trips()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("road");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("trip");
    }
    QString sentV(int frame)
    {
        return QJsonDocument::fromJson(m_server.frames().value(frame)).object()["SetValues"].toObject()["V"].toString();
    }
    // Field V filled by the road, then sent, echoed by the server, sent
    // again, stored and reopened (measures: stand-alone, not reopened):
    // what it shows, sends, shows after the echo, sends, shows reopened; a
    // refused send gives its failure line instead.
    void trip()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, road);
        QFETCH(QString, input);
        MessageBoxRecorder rec;
        qputenv("TZ", "UTC");
        tzset();
        CurrentMachine.isRadius = true;
        m_measure.x = input;
        const bool tool = road != "measure";
        // "passed": S has V's keys and hands what is typed into it to V;
        // "plus one": the number it holds plus one.
        const bool passed = road == "passed" || road == "plus one";
        const QByteArray output = road == "passed" ? QByteArray("' + blfVal[0]")
                                  : passed         ? QByteArray("' + (Number(blfVal[0]) + 1)")
                                                   : input.toUtf8() + "'";
        writeLayout("t.dnc", "[SETTINGS]\nTotFields=2\n[FIELD0]\nLabel=S\nSqlTable=dnc\nSqlField=dncAlpha3\n"
                                 + (passed ? keys + "\n" : QByteArray()) + "Script=\"blfOut.push('1|" + output
                                 + "); blfOut\"\n"
                             "[FIELD1]\nLabel=V\nDncLabel=V\nSqlTable=dnc\nSqlField=dncAlpha4\nGetX=1\n" + keys + "\n");
        if (road == "store")
            QVERIFY(ToolingDb::exec(QString("INSERT INTO dnc(idTool, dncAlpha4) VALUES(%1, CAST('%2' AS BLOB))")
                                        .arg(m_tool).arg(input)));
        QVERIFY(open(tool));
        QTRY_VERIFY(m_panel->form()->pbWrite->isEnabled());
        const QString before = le(1)->text();
        if (road == "typed") {
            le(1)->clear();
            le(1)->setFocus();
            QTest::keyClicks(le(1), input);
        } else if (road == "script") {
            le(0)->setText("x");
        } else if (passed) {
            QTest::keyClicks(le(0), input);
        } else if (road == "measure") {
            qobject_cast<QPushButton *>(m_panel->table()->cellWidget(1, 2))->click();
        } else if (road == "server") {
            m_server.send("\x02{\"SetValues\": {\"V\": \"" + input.toUtf8() + "\"}}\x03");
            QTRY_VERIFY(le(1)->text() != before);
        }
        QStringList out{le(1)->text()};
        for (int n = 0; n < 2; ++n) {
            const int frames = m_server.frames().size();
            m_server.scripted << QByteArray();
            m_panel->form()->pbWrite->click();
            if (!rec.boxes().isEmpty()) {
                out << rec.boxes().last().text.section("\n\n", 1, 1);
                m_server.scripted.clear();
                break;
            }
            QTRY_COMPARE(m_server.frames().size(), frames + 1);
            out << sentV(frames);
            if (n == 0) {
                // The server keeps and echoes what it was sent.
                m_server.send("\x02{\"SetValues\": {\"V\": \"" + out.last().toUtf8() + "\"}}\x03");
                QTRY_VERIFY(m_panel->form()->pbWrite->isEnabled());
                out << le(1)->text();
            }
        }
        if (tool) {
            m_panel->closeForm();
            QVERIFY(open(true));
            out << le(1)->text();
        }
        m_panel->closeForm();
        QTEST(out.join(" | "), "trip");
    }

private slots:
    void initTestCase()
    {
        // As the program's entry point sets it.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_db = std::make_unique<ToolingDbScope>();
        QVERIFY(m_db->isOpen());
        m_host.resize(375, 500);
        m_panel = new cDnc(nullptr, &m_measure, &m_host);
        m_host.show();
    }
    void cleanupTestCase()
    {
        delete m_panel;
        m_db.reset();
    }
    void init()
    {
        ToolingDb::emptyTables();
        CurrentMachine = s_machine();
        CurrentMachine.dncSocket = m_server.address();
        MachineSettings.mmDecimals = 3;
        m_table = ToolingDb::addTable(ToolingDb::addMachine("L1"), "T1");
        m_tool = ToolingDb::addTool(m_table, 7, 25.5, 110.25, "C1");
        writeLayout("t.dnc", kLayout);
        DncScript::timeLimitMs = 2000;
    }

    void rowsAndButtons()
    {
        MessageBoxRecorder rec;
        QVERIFY(open(false));
        QCOMPARE(m_panel->table()->rowCount(), 9);
        QCOMPARE(button(*m_panel, 1), QString("X"));  // GetX wins over GetZ
        QCOMPARE(button(*m_panel, 6), QString("A"));  // AutoDefault takes the Z button's place
        QVERIFY(button(*m_panel, 0).isEmpty());
        QCOMPARE(m_panel->table()->columnSpan(0, 1), 2);
        QCOMPARE(m_panel->table()->columnSpan(1, 1), 1);
        QVERIFY(qobject_cast<QComboBox *>(ed(2))->isEnabled());
        QVERIFY(!le(0)->isReadOnly());
        // Stand-alone: numbers start at zero, texts empty.
        QCOMPARE(le(0)->text(), QString("0"));
        QCOMPARE(le(1)->text(), QString("0.000"));
        QVERIFY(le(6)->text().isEmpty());
        QCOMPARE(m_panel->table()->item(0, 0)->background().color(), QColor("white"));

        QVERIFY(open(true));
        QVERIFY(button(*m_panel, 1).isEmpty());
        QCOMPARE(button(*m_panel, 6), QString("A"));
        QVERIFY(le(0)->isReadOnly());
        QVERIFY(!qobject_cast<QComboBox *>(ed(2))->isEnabled());
        QCOMPARE(m_panel->table()->item(0, 0)->background().color(), QColor(255, 255, 210));
        // A tool without dnc row: tools fields from its row, dnc fields from their defaults.
        QCOMPARE(le(0)->text(), QString("7"));
        QCOMPARE(le(1)->text(), QString("25.500"));
        QCOMPARE(text(ed(2)), QString("3 - drill"));
        QCOMPARE(text(ed(3)), QString("5"));
        QCOMPARE(le(4)->text(), QString("50"));
        QVERIFY(!m_panel->hasChangedData());
        QVERIFY(rec.boxes().isEmpty());
        saveScreenshot(&m_host, "dnc-panel-test-layout");
    }

    void listPopups_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("list") << 2;
        QTest::newRow("bit field") << 3;
    }
    // A list's pop-up draws its entries in the type of the panel's values, in
    // rows tall enough for them: measured on the painted pop-up.
    void listPopups()
    {
        QFETCH(int, row);
        MessageBoxRecorder rec;
        // The panel lies in the main window, under its style sheet, on a
        // desktop whose own type is small.
        m_host.setStyleSheet(QLatin1String(Ui_MainWindow::styleSheet()));
        const QFont desktop = QApplication::font();
        QFont small = desktop;
        small.setPixelSize(8);
        QApplication::setFont(small);
        QVERIFY(open(false));
        auto *combo = qobject_cast<QComboBox *>(ed(row));
        QVERIFY(combo);
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QTRY_VERIFY(view->isVisible());
        const QImage shown = view->viewport()->grab().toImage();
        saveScreenshot(shown, QString("dnc-panel-list-%1").arg(row));
        const QFontMetrics values(le(4)->font());
        // A check box's text stands right of its box.
        const int textLeft = qobject_cast<CheckBoxList *>(combo)
            ? QApplication::style()->pixelMetric(QStyle::PM_IndicatorWidth)
                + QApplication::style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing)
            : 0;
        QStringList faults;
        for (int i = 0; i < combo->count(); ++i) {
            const QRect cell = view->visualRect(view->model()->index(i, 0));
            const QRect ink = paintedInk(shown, cell.adjusted(textLeft, 0, 0, 0));
            const int wanted = values.tightBoundingRect(combo->itemText(i)).height();
            if (cell.height() < values.height() || ink.height() < wanted - 1)
                faults << QString("%1: row %2 px, text %3 px; values' text %4 px in %5 px lines")
                              .arg(combo->itemText(i)).arg(cell.height()).arg(ink.height()).arg(wanted)
                              .arg(values.height());
        }
        combo->hidePopup();
        QApplication::setFont(desktop);
        m_host.setStyleSheet(QString());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
    }
    void validators_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("float without bounds refuses minus") << 1 << "-" << "";
        QTest::newRow("float bounds -5..5 take -2.5") << 5 << "-2.5" << "-2.5";
        QTest::newRow("int refuses letters") << 4 << "1a" << "1";
        QTest::newRow("string Max 0 takes nothing") << 7 << "AB" << "";
    }
    void validators()
    {
        QFETCH(int, row);
        QFETCH(QString, typed);
        writeLayout("t.dnc", QByteArray(kLayout).replace("Min=1\nMax=40\n", ""));
        QVERIFY(open(false));
        le(row)->clear();
        le(row)->setFocus();
        QTest::keyClicks(le(row), typed);
        QTEST(le(row)->text(), "shown");
    }

    // An int field printed in another base is typed in that base's digits,
    // read as its Format reads them, stored as typed and shown so again.
    void otherBaseEditors_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("bounds"); // Min,Max
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");  // after typing and after reopening
        QTest::newRow("hex digits") << QByteArray("%x") << "0,0" << "1f" << "1f";
        QTest::newRow("upper-case hex digits") << QByteArray("%X") << "0,0" << "1F" << "1F";
        QTest::newRow("hex after 0x") << QByteArray("%#x") << "0,0" << "0x1f" << "0x1f";
        QTest::newRow("hex refuses g") << QByteArray("%x") << "0,0" << "1g" << "1";
        QTest::newRow("hex within bounds") << QByteArray("%x") << "1,500" << "1f4" << "1f4";
        QTest::newRow("hex beyond bounds refused") << QByteArray("%x") << "1,500" << "300" << "30";
        QTest::newRow("octal refuses 8 and 9") << QByteArray("%o") << "0,0" << "1789" << "17";
        QTest::newRow("octal within bounds") << QByteArray("%o") << "1,100" << "144" << "144";
    }
    void otherBaseEditors()
    {
        QFETCH(QByteArray, format);
        QFETCH(QString, bounds);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        writeLayout("t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=Life\nFieldType=int\nSqlTable=dnc\n"
                             "SqlField=dncNum2\nFormat="
                                 + format + "\nMin=" + bounds.section(',', 0, 0).toLatin1()
                                 + "\nMax=" + bounds.section(',', 1).toLatin1() + "\n");
        QVERIFY(open(true));
        le(0)->clear();
        le(0)->setFocus();
        QTest::keyClicks(le(0), typed);
        QCOMPARE(le(0)->text(), shown);
        QString msg;
        QVERIFY(m_panel->validateData(msg));
        m_panel->closeForm();
        QCOMPARE(dnc("CAST(dncNum2 AS TEXT)").toString(), shown);
        QVERIFY(open(true));
        QCOMPARE(le(0)->text(), shown);
        m_panel->closeForm();
    }

    // The bounds message shows the number and its bounds as the field shows
    // numbers.
    void otherBaseBounds_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("hex") << QByteArray("%x") << "300" << "Life 300 [1,1f4]";
        QTest::newRow("hex after 0x") << QByteArray("%#x") << "0x300" << "Life 0x300 [0x1,0x1f4]";
        QTest::newRow("octal") << QByteArray("%o") << "1000" << "Life 1000 [1,764]";
    }
    void otherBaseBounds()
    {
        QFETCH(QByteArray, format);
        QFETCH(QString, text);
        writeLayout("t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=Life\nFieldType=int\nMin=1\nMax=500\n"
                             "Format="
                                 + format + "\n");
        QVERIFY(open(false));
        le(0)->setText(text);
        QString msg;
        QVERIFY(!m_panel->validateData(msg));
        QTEST(msg, "message");
    }

    void findItem()
    {
        QComboBox c;
        c.addItems({"x - none", "1 - a", "3 - c"});
        QCOMPARE(m_panel->findItem("3", &c), 2);
        QCOMPARE(m_panel->findItem("abc", &c), 0);
        QCOMPARE(m_panel->findItem("4", &c), -1);
    }

    void scriptsAndNesting()
    {
        MessageBoxRecorder rec;
        QVERIFY(open(false));
        le(4)->setText("9");
        // Field 5 gets 4.5 shown by its format; its own script's output reaches
        // field 6's value but not its editor (nested refresh ignored).
        QCOMPARE(le(5)->text(), QString("4.500"));
        QCOMPARE(m_panel->fieldList().at(6).value.toString(), QString("nested"));
        QCOMPARE(le(6)->text(), QString("n")); // its AutoDefault, not the nested output
        QVERIFY(m_panel->hasChangedData());
        // Each run reads the values of its moment.
        le(4)->setText("20");
        QCOMPARE(le(5)->text(), QString("10.000"));
        QVERIFY(rec.boxes().isEmpty());
    }

    void scriptErrors()
    {
        MessageBoxRecorder rec;
        writeLayout("t.dnc", QByteArray(kLayout).replace("half(Number(blfVal[4]))", "nothing()"));
        QVERIFY(open(false));
        le(4)->setText("9");
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().at(0).title, QString("SCRIPT ERROR"));
        QVERIFY(rec.boxes().at(0).text.startsWith("[FIELD 4] ReferenceError"));
        QCOMPARE(le(5)->text(), QString("0.000"));

        DncScript::timeLimitMs = 200;
        writeLayout("t.dnc", QByteArray(kLayout).replace("half(Number(blfVal[4]))", "(function(){for(;;){}})()"));
        QVERIFY(open(false));
        le(4)->setText("9");
        QCOMPARE(rec.boxes().size(), 2);
        QVERIFY(rec.boxes().at(1).text.startsWith("[FIELD 4] script interrupted"));
    }

    // A box that another part of the program opens while a script runs
    // takes the operator's key, and the time it stays open is not the
    // script's.
    void boxOfAnotherPartDuringScript()
    {
        RealBoxes real;
        DncScript::timeLimitMs = 1000;
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
        // The operator reads the box for 700 ms of its own, then presses Enter.
        QElapsedTimer reading;
        WhenModalOpens press([&](QWidget *box) {
            if (!qobject_cast<QMessageBox *>(box))
                return false;
            if (!reading.isValid())
                reading.start();
            if (reading.elapsed() < 700)
                return false;
            QTest::keyClick(box, Qt::Key_Return);
            return true;
        });
        QTimer::singleShot(100, [&] {
            answer = QMessageBoxKovra::information(nullptr, "TCP server", "The following error occurred");
        });
        QList<DncScript::Output> outs;
        QString error;
        QVERIFY2(DncScript::run("var t = Date.now(); while (Date.now() - t < 1200) {} ['0|done']", {}, 1, outs, error),
                 qPrintable(error));
        QTRY_VERIFY(press.done());
        QCOMPARE(answer, QMessageBox::Ok);
        QCOMPARE(outs.size(), 1);
    }

    void validation()
    {
        QApplication::setActiveWindow(&m_host);
        QVERIFY(open(true));
        le(4)->setText("0");
        le(7)->setText("");
        qobject_cast<QComboBox *>(ed(2))->setCurrentIndex(-1);
        QString msg;
        QVERIFY(!m_panel->validateData(msg));
        QCOMPARE(msg, QString("Kind value not in list\nLife 0 [1,100]"));
        QCOMPARE(m_panel->table()->item(2, 0)->background().color(), QColor(Qt::red));
        QCOMPARE(m_panel->table()->item(4, 0)->background().color(), QColor(Qt::red));
        QCOMPARE(m_panel->table()->item(0, 0)->background().color(), QColor(255, 238, 221));
        // The upper failing editor takes the focus (a locked list box cannot).
        qobject_cast<QComboBox *>(ed(2))->setCurrentIndex(0);
        QVERIFY(!m_panel->validateData(msg));
        QCOMPARE(msg, QString("Life 0 [1,100]"));
        QTRY_VERIFY(le(4)->hasFocus());

        le(4)->setText("10");
        QVERIFY(m_panel->validateData(msg));
        QVERIFY(msg.isEmpty());
        QCOMPARE(m_panel->table()->item(4, 0)->background().color(), QColor("white"));
    }

    // The red marks of a refused send follow the values: a field whose
    // value changes, on any road, loses its mark once it passes.
    void marksFollowValues_data()
    {
        QTest::addColumn<QString>("road");
        QTest::addColumn<QString>("marked"); // after the road
        QTest::newRow("typed") << "typed" << "Kind Life Warn";
        QTest::newRow("defaults, X's fails") << "default" << "X";
        QTest::newRow("script, Life's 0 fails") << "script" << "Kind Life X";
        QTest::newRow("measure") << "measure" << "Kind Life Warn";
        QTest::newRow("server") << "server" << "Kind Life X";
    }
    void marksFollowValues()
    {
        QFETCH(QString, road);
        MessageBoxRecorder rec;
        CurrentMachine.isRadius = true;
        m_measure.x = "20";
        writeLayout("t.dnc", "[SETTINGS]\nTotFields=4\n"
                             "[FIELD0]\nLabel=Kind\nList=\"1 - turn;3 - drill\"\nDefaultValue=3\n"
                             "[FIELD1]\nLabel=Life\nFieldType=int\nMin=1\nMax=100\nDefaultValue=50\n"
                             "Script=\"blfOut.push('2|' + Number(blfVal[1]) / 10); blfOut\"\n"
                             "[FIELD2]\nLabel=Warn\nDncLabel=Warn\nFieldType=float\nMin=-5\nMax=5\n"
                             "[FIELD3]\nLabel=X\nFieldType=float\nGetX=1\nMin=1\nMax=40\n");
        QVERIFY(open(false));
        QTRY_VERIFY(m_panel->form()->pbWrite->isEnabled());
        qobject_cast<QComboBox *>(ed(0))->setCurrentIndex(-1);
        le(1)->setText("0");
        le(2)->setText("9");
        const auto marked = [this] { return markedRows(m_panel->table()); };
        m_panel->form()->pbWrite->click(); // refused: confirming it is answered No
        QCOMPARE(marked(), QString("Kind Life Warn X"));
        if (road == "typed") {
            le(3)->setText("20");
        } else if (road == "default") {
            rec.answer(QMessageBox::Yes);
            m_panel->form()->pbDefault->click();
        } else if (road == "script") {
            le(1)->setText("00");
        } else if (road == "measure") {
            qobject_cast<QPushButton *>(m_panel->table()->cellWidget(3, 2))->click();
        } else if (road == "server") {
            m_server.send("\x02{\"SetValues\": {\"Warn\": \"1\"}}\x03");
            QTRY_COMPARE(le(2)->text(), QString("1.000"));
        }
        QTEST(marked(), "marked");
        QVERIFY(m_server.frames().isEmpty());
    }

    void defaultsKeepToolsFields()
    {
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Yes);
        QVERIFY(open(true));
        le(4)->setText("77");
        m_panel->form()->pbDefault->click();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().at(0).defaultButton, QMessageBox::No);
        QCOMPARE(le(4)->text(), QString("50"));
        QCOMPARE(le(0)->text(), QString("7"));
    }

    void measures_data()
    {
        QTest::addColumn<bool>("radius");
        QTest::addColumn<QString>("live");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("boxes");
        QTest::newRow("diameter kept") << false << "20" << int(QMessageBox::No) << "20.000" << 0;
        QTest::newRow("radius kept") << true << "20" << int(QMessageBox::No) << "20.000" << 0;
        QTest::newRow("out of bounds declined") << true << "50" << int(QMessageBox::No) << "0.000" << 1;
        QTest::newRow("out of bounds overwritten") << true << "50" << int(QMessageBox::Yes) << "50.000" << 1;
    }
    void measures()
    {
        QFETCH(bool, radius);
        QFETCH(int, answer);
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::StandardButton(answer));
        CurrentMachine.isRadius = radius;
        CurrentMachine.isRadiusStored = radius;
        QFETCH(QString, live);
        m_measure.x = live;
        QVERIFY(open(false));
        qobject_cast<QPushButton *>(m_panel->table()->cellWidget(1, 2))->click();
        QTEST(le(1)->text(), "shown");
        QTEST(int(rec.boxes().size()), "boxes");
        if (!rec.boxes().isEmpty())
            QCOMPARE(rec.boxes().at(0).text, QString("X Data out of bounds [1,40]\nOverwrite?"));
    }

    // The X a tool stores and a measure on the same machine reach the server
    // as one number, however the display shows X.
    void xBothRoads_data()
    {
        QTest::addColumn<bool>("radiusStored");
        QTest::addColumn<bool>("radiusShown");
        QTest::addColumn<QString>("live");
        QTest::addColumn<QString>("sent"); // from the tool | from the measure
        QTest::newRow("diameter machine") << false << false << "25.294" << "25.294 | 25.294";
        QTest::newRow("diameter machine shown as radius") << false << true << "12.647" << "25.294 | 25.294";
        QTest::newRow("radius machine") << true << true << "12.647" << "12.647 | 12.647";
        QTest::newRow("radius machine shown as diameter") << true << false << "25.294" << "12.647 | 12.647";
    }
    void xBothRoads()
    {
        QFETCH(bool, radiusStored);
        QFETCH(bool, radiusShown);
        QFETCH(QString, live);
        MessageBoxRecorder rec;
        CurrentMachine.isRadiusStored = radiusStored;
        CurrentMachine.isRadius = radiusShown;
        m_measure.x = live;
        writeLayout("t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=V\nFieldType=float\nDncLabel=V\nGetX=1\n"
                             "SqlTable=tools\nSqlField=x\n");
        QVERIFY(ToolingDb::exec(QString("UPDATE tools SET x=%1 WHERE idTool=%2")
                                    .arg(radiusStored ? "12.647" : "25.294").arg(m_tool)));
        QStringList sent;
        for (const bool tool : {true, false}) {
            QVERIFY(open(tool));
            if (!tool) {
                if (radiusShown != radiusStored)
                    rec.answer(QMessageBox::Yes); // the measure server's "Save anyway?"
                qobject_cast<QPushButton *>(m_panel->table()->cellWidget(0, 2))->click();
            }
            QTRY_VERIFY(m_panel->form()->pbWrite->isEnabled());
            const int frames = m_server.frames().size();
            m_server.scripted << QByteArray();
            m_panel->form()->pbWrite->click();
            QTRY_COMPARE(m_server.frames().size(), frames + 1);
            sent << sentV(frames);
            m_panel->closeForm();
        }
        QCOMPARE(rec.boxes().size(), radiusShown != radiusStored ? 1 : 0);
        QTEST(sent.join(" | "), "sent");
    }

    void store()
    {
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        QVERIFY(open(true));
        le(5)->setText("2.50");
        le(7)->setText("");
        m_panel->closeForm();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(closed.at(0).at(0).toBool(), true);
        // The first closing inserts the row and stores the value typed; the
        // defaults shown are not stored.
        QCOMPARE(dnc("CAST(dncNum3 AS TEXT)").toString(), QString("2.50"));
        QVERIFY(dnc("dncNum0").isNull());
        QVERIFY(dnc("dncNum2").isNull());
        QCOMPARE(dnc("dncAlpha0").toString(), QString("n")); // set by Warn's script, AutoDefault collected

        // Reopened: the values come back from the row, the defaults where
        // none was stored; a Latin-1 text too.
        QVERIFY(open(true));
        QCOMPARE(le(5)->text(), QString("2.500"));
        QCOMPARE(le(4)->text(), QString("50"));
        QCOMPARE(text(ed(2)), QString("3 - drill"));
        le(4)->setText("12");
        le(8)->setText("Ø12 é");
        ToolingDb::exec("UPDATE dnc SET dncAlpha0 = NULL");
        m_panel->closeForm();
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM dnc").toInt(), 1);
        QCOMPARE(dnc("dncNum2").toString(), QString("12"));
        QCOMPARE(dnc("hex(dncAlpha1)").toString(), QString("D8313220E9"));
        QVERIFY(open(true));
        QCOMPARE(le(8)->text(), QString("Ø12 é"));
        QCOMPARE(le(4)->text(), QString("12"));
    }

    // A first store whose row does not come: said with the store's error,
    // and the values are stored once the store takes them again.
    void firstStoreRefused_data()
    {
        QTest::addColumn<QString>("refusal"); // statement that makes the store refuse; undone after the closing
        QTest::addColumn<QString>("undo");
        QTest::addColumn<QString>("error");   // in the box
        QTest::newRow("insert fails") << "CREATE TRIGGER refuse BEFORE INSERT ON dnc BEGIN SELECT RAISE(ABORT, 'disk full'); END"
                                      << "DROP TRIGGER refuse" << "disk full";
        QTest::newRow("insert adds no row") << "CREATE TRIGGER refuse BEFORE INSERT ON dnc BEGIN SELECT RAISE(IGNORE); END"
                                            << "DROP TRIGGER refuse" << "The store added no row";
        QTest::newRow("read-only database") << "PRAGMA query_only=1" << "PRAGMA query_only=0" << "readonly";
    }
    void firstStoreRefused()
    {
        QFETCH(QString, refusal);
        QFETCH(QString, undo);
        QFETCH(QString, error);
        MessageBoxRecorder rec;
        QVERIFY(open(true));
        le(5)->setText("2.50");
        QVERIFY(ToolingDb::exec(refusal));
        m_panel->closeForm();
        QVERIFY(ToolingDb::exec(undo));
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().at(0).kind, QMessageBox::Critical);
        QVERIFY2(rec.boxes().at(0).text.startsWith("The tool's DNC values could not be stored\n\n")
                     && rec.boxes().at(0).text.contains(error),
                 qPrintable(rec.boxes().at(0).text));
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM dnc").toInt(), 0);
        QVERIFY(open(true));
        le(5)->setText("3.25");
        m_panel->closeForm();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(dnc("CAST(dncNum3 AS TEXT)").toString(), QString("3.25"));
    }

    // Closing stores only what was typed, set or received in that opening:
    // a panel opened and closed stores no default, which a later change of
    // the layout then reaches; a refused layout stores nothing at all.
    void openedAndClosed_data()
    {
        QTest::addColumn<QString>("layout"); // the layout opened
        QTest::addColumn<QString>("typed");  // into Life; empty: nothing
        QTest::addColumn<QString>("trip");   // the dnc row | Life shown once its default became 60
        QTest::newRow("nothing typed") << "t.dnc" << "" << "no row | 60";
        QTest::newRow("Life typed, Warn set by its script") << "t.dnc" << "12" << "NULL,NULL,12,6.000,NULL,NULL | 12";
        QTest::newRow("layout refused") << "missing.dnc" << "" << "no row | 60";
    }
    void openedAndClosed()
    {
        QFETCH(QString, layout);
        QFETCH(QString, typed);
        MessageBoxRecorder rec;
        QCOMPARE(open(true, layout), layout == "t.dnc");
        if (!typed.isEmpty()) {
            le(4)->clear();
            QTest::keyClicks(le(4), typed);
        }
        m_panel->closeForm();
        QString row = dnc("ifnull(CAST(dncNum0 AS TEXT), 'NULL') || ',' || ifnull(CAST(dncNum1 AS TEXT), 'NULL') || ',' "
                          "|| ifnull(CAST(dncNum2 AS TEXT), 'NULL') || ',' || ifnull(CAST(dncNum3 AS TEXT), 'NULL') || ',' "
                          "|| ifnull(CAST(dncAlpha0 AS TEXT), 'NULL') || ',' || ifnull(CAST(dncAlpha1 AS TEXT), 'NULL')")
                          .toString();
        QStringList trip{row.isEmpty() ? QString("no row") : row};
        writeLayout("t.dnc", QByteArray(kLayout).replace("DefaultValue=50", "DefaultValue=60"));
        QVERIFY(open(true));
        trip << le(4)->text();
        m_panel->closeForm();
        QTEST(trip.join(" | "), "trip");
    }

    void standAloneNeverStores()
    {
        QVERIFY(open(false));
        le(4)->setText("12");
        m_panel->closeForm();
        QCOMPARE(ToolingDb::probe("SELECT COUNT(*) FROM dnc").toInt(), 0);
    }

    void layoutErrorsStopOpening()
    {
        MessageBoxRecorder rec;
        QVERIFY(!open(false, "missing.dnc"));
        QCOMPARE(rec.boxes().at(0).title, QString("DNC"));
        QCOMPARE(rec.boxes().at(0).text, QString("Invalid TotFields in configuration"));
        writeLayout("t.dnc", QByteArray(kLayout).replace("SqlField=dncNum3", "SqlField=dncNum3x"));
        QVERIFY(open(false));
        QVERIFY(!open(true));
        QCOMPARE(rec.boxes().last().text, QString("Invalid SqlField\n/FIELD5/"));
    }

    // Every road into a field ends in its value and the text its Format
    // prints; what the first send carries every later send carries too.
    void roundTrips_data()
    {
        trips();
        QTest::newRow("script T007 into T%03d") << QByteArray("FieldType=int\nFormat=T%03d") << "script" << "T007"
                                                 << "T007 | T007 | T007 | T007 | T007";
        QTest::newRow("script 12.35 mm into %.2f mm") << QByteArray("FieldType=float\nFormat=%.2f mm") << "script"
                                                       << "12.35 mm" << "12.35 mm | 12.35 mm | 12.35 mm | 12.35 mm | 12.35 mm";
        QTest::newRow("script 0xff into %#x") << QByteArray("FieldType=int\nFormat=%#x") << "script" << "0xff"
                                               << "0xff | 0xff | 0xff | 0xff | 0xff";
        // A script handing a value through gives it back as itself, in any base.
        QTest::newRow("10 passed through %x") << QByteArray("FieldType=int\nFormat=%x") << "passed" << "10"
                                               << repeated(5, "10");
        QTest::newRow("100 passed through %X") << QByteArray("FieldType=int\nFormat=%X") << "passed" << "100"
                                                << repeated(5, "100");
        QTest::newRow("17 passed through %o") << QByteArray("FieldType=int\nFormat=%o") << "passed" << "17"
                                               << repeated(5, "17");
        // A script computes on the number the field holds; a number it hands
        // back is that number, shown in the Format's base.
        QTest::newRow("script 200 into %x") << QByteArray("FieldType=int\nFormat=%x") << "script" << "200"
                                             << repeated(5, "c8");
        QTest::newRow("script 15 into %o") << QByteArray("FieldType=int\nFormat=%o") << "script" << "15"
                                            << repeated(5, "17");
        QTest::newRow("c8 plus one through %x") << QByteArray("FieldType=int\nFormat=%x") << "plus one" << "c8"
                                                 << repeated(5, "c9");
        QTest::newRow("12.35 plus one through %.2f mm") << QByteArray("FieldType=float\nFormat=%.2f mm") << "plus one"
                                                         << "12.35" << repeated(5, "13.35 mm");
        QTest::newRow("measure into T%03d") << QByteArray("FieldType=int\nFormat=T%03d") << "measure" << "24.69"
                                             << "T024 | T024 | T024 | T024";
        QTest::newRow("measure into %#x") << QByteArray("FieldType=int\nFormat=%#x") << "measure" << "24.69"
                                           << "0x18 | 0x18 | 0x18 | 0x18";
        // As the tag editor shows the same measure: truncated, in the Format.
        QTest::newRow("measure 200.7 into %X") << QByteArray("FieldType=int\nFormat=%X") << "measure" << "200.7"
                                                << "C8 | C8 | C8 | C8";
        QTest::newRow("typed 7 into T%03d") << QByteArray("FieldType=int\nFormat=T%03d") << "typed" << "7"
                                             << "7 | T007 | T007 | T007 | T007";
        QTest::newRow("typed 65 into %c") << QByteArray("FieldType=int\nFormat=%c") << "typed" << "65"
                                           << "65 | A | A | A | A";
        QTest::newRow("stored 017 into %o") << QByteArray("FieldType=int\nFormat=%o") << "store" << "017"
                                             << "17 | 17 | 17 | 17 | 17";
        // A date survives any number of sends, echoes and reopenings.
        const QByteArray minutes("FieldType=date\nFormat=%Y-%m-%d %H:%M");
        const QString shown("2023-11-14 22:13");
        QTest::newRow("typed seconds") << minutes << "typed" << "1700000000"
                                       << "1700000000 | " + repeated(4, shown);
        QTest::newRow("server seconds") << minutes << "server" << "1700000000" << repeated(5, shown);
        QTest::newRow("stored date text") << minutes << "store" << shown << repeated(5, shown);
        // A counter keeps the value the store holds for it.
        QTest::newRow("stored 42") << QByteArray("FieldType=counter") << "store" << "42" << "42 | 42 | 42 | 42 | 42";
        // A value %c cannot show is refused where it is typed and at the send,
        // and kept as its number; a width reads back as shown.
        QTest::newRow("stored 300") << QByteArray("FieldType=int\nFormat=%c") << "store" << "300"
                                    << "300 | V 300 [32,255] | 300";
        QTest::newRow("stored -1") << QByteArray("FieldType=int\nFormat=%c") << "store" << "-1"
                                   << "-1 | V -1 [32,255] | -1";
        QTest::newRow("server 300") << QByteArray("FieldType=int\nFormat=%c") << "server" << "300"
                                    << "300 | V 300 [32,255] | 300";
        QTest::newRow("typed 300 stops at 30") << QByteArray("FieldType=int\nFormat=%c") << "typed" << "300"
                                               << "30 | V 30 [32,255] | 30";
        QTest::newRow("%3c typed 66") << QByteArray("FieldType=int\nFormat=%3c") << "typed" << "66"
                                      << "66 |   B |   B |   B |   B";
        // Bounds beyond int are clamped to it; a minus sign is typed where Min < 0.
        QTest::newRow("Max 3000000000") << QByteArray("FieldType=int\nMax=3000000000") << "typed" << "42"
                                        << "42 | 42 | 42 | 42 | 42";
        QTest::newRow("Max 2147483647") << QByteArray("FieldType=int\nMax=2147483647") << "typed" << "2147483647"
                                        << repeated(5, "2147483647");
        QTest::newRow("Min -100 takes -42") << QByteArray("FieldType=int\nMin=-100\nMax=100") << "typed" << "-42"
                                            << "-42 | -42 | -42 | -42 | -42";
        QTest::newRow("Min 10 takes 25 through %.2f") << QByteArray("FieldType=float\nFormat=%.2f\nMin=10\nMax=100")
                                                      << "typed" << "25" << "25 | " + repeated(4, "25.00");
        // No more digits than the Format shows are taken; a server's number
        // no int holds is shown and refused as it came.
        QTest::newRow("typed 25.555 stops at 25.55") << QByteArray("FieldType=float\nFormat=%.2f") << "typed"
                                                     << "25.555" << repeated(5, "25.55");
        QTest::newRow("typed 1.23456 into %.3e stops at 1.234") << QByteArray("FieldType=float\nFormat=%.3e")
                                                                << "typed" << "1.23456"
                                                                << "1.234 | " + repeated(4, "1.234e+00");
        QTest::newRow("server 3000000000") << QByteArray("FieldType=int") << "server" << "3000000000"
                                           << "3000000000 | V 3000000000 [-2147483648,2147483647] | 3000000000";
        QTest::newRow("server -3000000000 into %x") << QByteArray("FieldType=int\nFormat=%x") << "server"
                                                    << "-3000000000"
                                                    << "-3000000000 | V -3000000000 [80000000,7fffffff] | -3000000000";
        // A float without Format keeps its digits.
        QTest::newRow("typed 99999.999") << QByteArray("FieldType=float") << "typed" << "99999.999"
                                         << repeated(5, "99999.999");
        QTest::newRow("stored 1234567.891") << QByteArray("FieldType=float") << "store" << "1234567.891"
                                            << repeated(5, "1234567.891");
    }
    void roundTrips() { trip(); }

    // Closing stores what was typed in that opening and leaves every other
    // field's stored bytes as they were, whatever its Format shows of them.
    void untouchedKeepsStore_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed"); // into V; empty: V untouched
        QTest::addColumn<QString>("after");
        QTest::newRow("1.234 under %.2f") << QByteArray("FieldType=float\nFormat=%.2f") << "1.234" << "" << "1.234";
        QTest::newRow("7 under T%03d") << QByteArray("FieldType=int\nFormat=T%03d") << "7" << "" << "7";
        QTest::newRow("3000000000 as int") << QByteArray("FieldType=int") << "3000000000" << "" << "3000000000";
        QTest::newRow("date seconds") << QByteArray("FieldType=date\nFormat=%Y") << "1700000000" << ""
                                      << "1700000000";
        QTest::newRow("typed 2.5 under %.2f") << QByteArray("FieldType=float\nFormat=%.2f") << "1.234" << "2.5"
                                              << "2.50";
    }
    void untouchedKeepsStore()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        writeLayout("t.dnc", "[SETTINGS]\nTotFields=2\n[FIELD0]\nLabel=V\nSqlTable=dnc\nSqlField=dncAlpha4\n" + keys
                                 + "\n[FIELD1]\nLabel=W\nSqlTable=dnc\nSqlField=dncAlpha5\n");
        QVERIFY(ToolingDb::exec(QString("INSERT INTO dnc(idTool, dncAlpha4, dncAlpha5) VALUES(%1, CAST('%2' AS BLOB), "
                                        "CAST('w0' AS BLOB))")
                                    .arg(m_tool)
                                    .arg(stored)));
        QVERIFY(open(true));
        QTest::keyClicks(le(1), "1");
        if (!typed.isEmpty()) {
            le(0)->clear();
            QTest::keyClicks(le(0), typed);
        }
        m_panel->closeForm();
        QTEST(QString::fromLatin1(dnc("dncAlpha4").toByteArray()), "after");
        QCOMPARE(QString::fromLatin1(dnc("dncAlpha5").toByteArray()), QString("w01"));
    }

    // Text the store cannot hold is refused, naming the field, before
    // anything is stored; the panel stays open with it.
    void textOutsideLatin1_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("stored"); // hex
        QTest::newRow("greek and CJK") << QString("\u03a9\u4e2d") << "V contains characters that cannot be stored [\u03a9\u4e2d]"
                                       << "";
        QTest::newRow("Latin-1 kept") << QString("\u00d8 \u00e9") << "" << "D820E9";
    }
    void textOutsideLatin1()
    {
        QFETCH(QString, typed);
        QFETCH(QString, box);
        MessageBoxRecorder rec;
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        writeLayout("t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=V\nFieldType=string\nMax=20\nSqlTable=dnc\n"
                             "SqlField=dncAlpha4\n");
        QVERIFY(open(true));
        le(0)->setText(typed);
        m_panel->closeForm();
        QCOMPARE(closed.count(), box.isEmpty() ? 1 : 0);
        QCOMPARE(rec.boxes().isEmpty() ? QString() : rec.boxes().at(0).text.section("\n\n", 1, 1), box);
        QTEST(dnc("hex(dncAlpha4)").toString(), "stored");
        QCOMPARE(le(0)->text(), typed);
    }

    // Values the store refuses stay in the open panel, said with the
    // store's error, and are stored by the next closing.
    void refusedStoreKeepsValues_data()
    {
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("undo");
        QTest::addColumn<QString>("error");
        QTest::newRow("update fails") << "CREATE TRIGGER refuse BEFORE UPDATE ON dnc BEGIN SELECT RAISE(ABORT, 'disk full'); END"
                                      << "DROP TRIGGER refuse" << "disk full";
        QTest::newRow("insert fails") << "CREATE TRIGGER refuse BEFORE INSERT ON dnc BEGIN SELECT RAISE(ABORT, 'disk full'); END"
                                      << "DROP TRIGGER refuse" << "disk full";
        QTest::newRow("read-only database") << "PRAGMA query_only=1" << "PRAGMA query_only=0" << "readonly";
    }
    void refusedStoreKeepsValues()
    {
        QFETCH(QString, refusal);
        QFETCH(QString, undo);
        QFETCH(QString, error);
        MessageBoxRecorder rec;
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        QVERIFY(open(true));
        le(5)->setText("2.50");
        QVERIFY(ToolingDb::exec(refusal));
        m_panel->closeForm();
        QVERIFY(ToolingDb::exec(undo));
        QCOMPARE(closed.count(), 0);
        QCOMPARE(rec.boxes().size(), 1);
        QVERIFY2(rec.boxes().at(0).text.startsWith("The tool's DNC values could not be stored\n\n")
                     && rec.boxes().at(0).text.contains(error),
                 qPrintable(rec.boxes().at(0).text));
        QCOMPARE(le(5)->text(), QString("2.50"));
        m_panel->closeForm();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(dnc("CAST(dncNum3 AS TEXT)").toString(), QString("2.50"));
    }

    // A store that refuses: nothing kept closes without a box; values to
    // keep ask whether to leave without them (nothing stored) or stay, where
    // closing again stores them. By the close button and by an acknowledged send.
    void leaveOrStay_data()
    {
        QTest::addColumn<QString>("typed"); // into V; empty: nothing
        QTest::addColumn<bool>("acknowledged");
        QTest::addColumn<int>("answer");    // to the refusal
        QTest::addColumn<bool>("updateRefused"); // else the database is read-only
        QTest::addColumn<QString>("trip");  // boxes, closed at the first try, stored at the end
        const int leave = QMessageBox::Discard, stay = QMessageBox::Cancel;
        QTest::newRow("nothing typed, closed") << "" << false << stay << false << "0 | closed | no row";
        QTest::newRow("nothing typed, acknowledged") << "" << true << stay << false << "0 | closed | no row";
        QTest::newRow("typed, closed, leave") << "2.50" << false << leave << false << "1 | closed | no row";
        QTest::newRow("typed, acknowledged, leave") << "2.50" << true << leave << false << "1 | closed | no row";
        QTest::newRow("typed, acknowledged, stay") << "2.50" << true << stay << false << "1 | open | 2.50";
        // The row added for them goes with the values the update refused.
        QTest::newRow("update refused, leave") << "2.50" << false << leave << true << "1 | closed | no row";
    }
    void leaveOrStay()
    {
        QFETCH(QString, typed);
        QFETCH(bool, acknowledged);
        QFETCH(int, answer);
        QFETCH(bool, updateRefused);
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::StandardButton(answer));
        QSignalSpy closed(m_panel, &cDnc::sigCloseDncSocket);
        writeLayout("t.dnc", "[SETTINGS]\nTotFields=1\n[FIELD0]\nLabel=V\nFieldType=float\nDncLabel=V\n"
                             "SqlTable=dnc\nSqlField=dncNum3\n");
        QVERIFY(open(true));
        QTRY_VERIFY(m_panel->form()->pbWrite->isEnabled());
        if (!typed.isEmpty())
            le(0)->setText(typed);
        QVERIFY(ToolingDb::exec(updateRefused
                                    ? "CREATE TRIGGER refuse BEFORE UPDATE ON dnc BEGIN SELECT RAISE(ABORT, 'disk full'); END"
                                    : "PRAGMA query_only=1"));
        auto leaveBy = [&] {
            if (acknowledged)
                m_panel->form()->pbWrite->click();
            else
                m_panel->closeForm();
        };
        leaveBy();
        const bool answered = QTest::qWaitFor([&] { return closed.count() == 1 || !rec.boxes().isEmpty(); });
        QVERIFY(ToolingDb::exec(updateRefused ? "DROP TRIGGER refuse" : "PRAGMA query_only=0"));
        QVERIFY(answered);
        QStringList trip{QString::number(rec.boxes().size()), closed.isEmpty() ? "open" : "closed"};
        for (const auto &box : rec.boxes()) {
            QVERIFY2(box.text.startsWith("The tool's DNC values could not be stored\n\n")
                         && box.text.contains(updateRefused ? "disk full" : "readonly database")
                         && box.text.endsWith("\n\nClose the panel without keeping them?"),
                     qPrintable(box.text));
            QCOMPARE(box.buttons, QMessageBox::Discard | QMessageBox::Cancel);
            QCOMPARE(box.defaultButton, QMessageBox::Cancel);
        }
        if (closed.isEmpty()) {
            QCOMPARE(le(0)->text(), typed);
            leaveBy();
            QTRY_COMPARE(closed.count(), 1);
        }
        QCOMPARE(rec.boxes().size(), trip.first().toInt());
        const QVariant stored = dnc("CAST(dncNum3 AS TEXT)");
        trip << (stored.isValid() ? stored.toString() : QString("no row"));
        QTEST(trip.join(" | "), "trip");
    }

    // The demo layouts, both modes, for the screenshots.
    void demoLayouts_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("turret") << "turret.dnc";
        QTest::newRow("okuma") << "okuma.dnc";
    }
    void demoLayouts()
    {
        QFETCH(QString, file);
        MessageBoxRecorder rec;
        QFile src(qEnvironmentVariable("T8A_SOURCE_DIR") + "/demo/dnc/" + file);
        QVERIFY(src.open(QIODevice::ReadOnly));
        writeLayout(file, src.readAll());
        QVERIFY(open(false, file));
        QVERIFY(rec.boxes().isEmpty());
        saveScreenshot(&m_host, "dnc-" + QFileInfo(file).baseName() + "-standalone");
        QVERIFY(open(true, file));
        QVERIFY(rec.boxes().isEmpty());
        saveScreenshot(&m_host, "dnc-" + QFileInfo(file).baseName() + "-tool");
        QString msg;
        QVERIFY2(m_panel->validateData(msg), qPrintable(msg));
    }
};

QTEST_MAIN(tst_dncpanel)
#include "tst_dncpanel.moc"
