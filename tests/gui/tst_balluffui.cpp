#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpSocket>
#include <QtTest>

#include "axis/measureserver.h"
#include "keyboard/myinputpanel.h"
#include "keyboard/myinputpanelcontext.h"
#include "rfid/BalluffCodec.h"
#include "rfid/cballuff.h"
#include "rfid/qballuff.h"
#include "shared/App.h"
#include "widgets/CheckBoxList.h"
#include "shared/IniText.h"
#include "shared/SharedStruct.h"
#include "support/FakeBalluffHead.h"
#include "support/FakeCustomerServer.h"
#include "support/MarkedRows.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/StderrCapture.h"
#include "support/StorageFault.h"
#include "support/TestWorkDir.h"
#include "support/UnexpectedBoxes.h"
#include "support/WindowTap.h"

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

QByteArray field(int n, const QByteArray &keys)
{
    return "[FIELD" + QByteArray::number(n) + "]\n" + keys + "\n";
}

} // namespace

class tst_balluffui : public QObject
{
    Q_OBJECT

    TestWorkDir m_dir;
    QWidget m_host;
    ScriptedMeasure m_measure;
    std::unique_ptr<FakeBalluffHead> m_head;
    cBalluffUI *m_ui = nullptr;
    int m_files = 0;

    // Writes a layout (a new file name each time) and opens the editor on it.
    bool open(const QByteArray &settings, const QList<QByteArray> &fields)
    {
        QByteArray ini = "[SETTINGS]\nTagType=M\nCom=" + m_head->slavePath().toLocal8Bit()
                         + "\nTotFields=" + QByteArray::number(fields.isEmpty() ? -1 : fields.size()) + "\n"
                         + settings + "\n";
        for (int i = 0; i < fields.size(); ++i)
            ini += field(i, fields[i]);
        CurrentMachine.Balluff = QString("t%1.ini").arg(++m_files);
        m_dir.writeFile("balluff/" + CurrentMachine.Balluff, ini);
        return m_ui->init();
    }
    QWidget *ed(int row) { return m_ui->editor(row); }
    QLineEdit *le(int row) { return qobject_cast<QLineEdit *>(ed(row)); }
    QString button(int row)
    {
        auto *b = qobject_cast<QPushButton *>(m_ui->table()->cellWidget(row, 2));
        return b ? b->text() : QString();
    }
    QString layoutKey(const QString &key)
    {
        return IniText("balluff/" + CurrentMachine.Balluff, IniText::Utf8).value(key);
    }
    QByteArray file(const QString &name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }

    // Touches the open value box's field, the keys on the panel and OK.
    void touchValueBox(MyInputPanel *panel, const QStringList &keys)
    {
        auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QAbstractSpinBox *spin = nullptr;
        for (QAbstractSpinBox *s : box->findChildren<QAbstractSpinBox *>())
            if (s->isVisible())
                spin = s;
        QVERIFY(spin);
        tapThroughWindow(spin->findChild<QLineEdit *>(), QPoint(5, 5));
        QTRY_COMPARE(panel->size(), QSize(240, 413));
        for (const QString &k : keys)
            tapThroughWindow(panel->findChild<QPushButton *>(k));
        QImage shot = m_host.grab().toImage();
        {
            QPainter p(&shot);
            p.drawPixmap(box->pos() - m_host.pos(), box->grab());
            p.drawPixmap(panel->pos() - m_host.pos(), panel->grab());
        }
        QVERIFY(saveScreenshot(shot, QStringLiteral("rfid-value-box-typed-") + QString(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'))));
        tapThroughWindow(box->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok));
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        App::kovraSettings().setValue("/TTY/AxbPort", "/dev/axb-test");
        App::kovraSettings().setValue("/TTY/DncPort", "/dev/dnc-test");
        m_host.resize(375, 630);
        m_host.show();
    }
    void init()
    {
        CurrentMachine = s_machine();
        CurrentMachine.IsMM = true;
        MachineSettings.mmDecimals = 3;
        m_head = std::make_unique<FakeBalluffHead>();
        m_ui = new cBalluffUI(&m_host, &m_measure);
    }
    void cleanup()
    {
        delete m_ui;
        m_head.reset();
    }

    void gridHeights_data()
    {
        QTest::addColumn<int>("visible");
        QTest::addColumn<int>("hidden");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("no fields") << 0 << 0 << 2 << false;
        QTest::newRow("14 rows and a hidden one") << 14 << 1 << 422 << false;
        QTest::newRow("15 rows") << 15 << 0 << 420 << true;
    }
    void gridHeights()
    {
        MessageBoxRecorder rec;
        QFETCH(int, visible);
        QFETCH(int, hidden);
        QList<QByteArray> fields;
        for (int i = 0; i < visible + hidden; ++i)
            fields << "Label=F\nAddress=" + QByteArray::number(i) + "\nByteLength=1\nType=UBIN\nVisible="
                          + (i < hidden ? "0" : "1");
        QVERIFY(open("", fields));
        QCOMPARE(m_ui->table()->rowCount(), visible + hidden);
        QTEST(m_ui->table()->height(), "height");
        if (hidden)
            QCOMPARE(m_ui->table()->rowHeight(0), 0);
        QTEST(m_ui->table()->verticalScrollBar()->maximum() > 0, "scrolls");
    }

    void rows()
    {
        MessageBoxRecorder rec;
        QVERIFY(open("", {"Label=a\nByteLength=1\nType=UBIN\nHasInputBox=1\nGetX=1\nAutoDefault=1\nFieldType=int",
                          "Label=b\nAddress=1\nByteLength=1\nType=UBIN\nGetX=1\nGetZ=1\nFieldType=int\nMin=-5.7\nMax=10.9",
                          "Label=c\nAddress=2\nByteLength=1\nType=UBIN\nDiv=1000\nAutoDefault=1\nFieldType=float",
                          "Label=d\nAddress=3\nByteLength=1\nType=UBIN\nList=\"1 - a;3 - b\"\nLocked=1",
                          "Label=e\nAddress=4\nByteLength=1\nType=UBIN\nBitField=1\nList=\"x;y\"\nLocked=1",
                          "Label=f\nAddress=5\nByteLength=4\nType=COUNTER",
                          "Label=g\nAddress=9\nByteLength=6\nType=PRESERVE\nList=\"1 - a\"",
                          "Label=h\nAddress=15\nByteLength=8\nType=CHAR\nFieldType=string",
                          "Label=i\nAddress=23\nByteLength=1\nType=UBIN\nDiv=1000\nFieldType=float\nMin=-1\nMax=1"}));
        QCOMPARE(button(0), QString("I"));
        QCOMPARE(button(1), QString("X"));
        QCOMPARE(button(2), QString("A"));
        QCOMPARE(m_ui->table()->columnSpan(3, 1), 2);
        QVERIFY(!ed(3)->isEnabled());
        QVERIFY(ed(4)->isEnabled());
        QCOMPARE(m_ui->table()->item(4, 0)->background().color(), QColor(157, 157, 157));
        QVERIFY(le(5)->isReadOnly() && le(5)->text().isEmpty());
        QCOMPARE(m_ui->fieldList()[5].value, QVariant(1)); // no WriteCounter yet: 0 + 1
        // A PRESERVE field edited through a list still keeps the tag's bytes.
        QVERIFY(m_ui->preservesBytes());
        QCOMPARE(qobject_cast<QComboBox *>(ed(6))->currentIndex(), -1);
        QCOMPARE(le(7)->maxLength(), 8);

        int pos = 0;
        auto accepts = [&](int row, QString text) { return le(row)->validator()->validate(text, pos) == QValidator::Acceptable; };
        QVERIFY(accepts(0, "-2147483648") && accepts(0, "99999"));    // int, 0/0: any int
        QVERIFY(accepts(1, "-5") && accepts(1, "10") && !accepts(1, "11"));
        QVERIFY(accepts(2, "-1e5") && accepts(2, "12.125"));         // float, 0/0: any number
        QVERIFY(accepts(8, "0.5") && !accepts(8, "2") && !accepts(8, "1e0"));

        QComboBox list;
        list.addItems({"1 - a", "3 - b"});
        QCOMPARE(m_ui->findItem("3", &list), 1);
        list.clear();
        list.addItems({"a", "b"});
        QCOMPARE(m_ui->findItem("", &list), 0);

        // A second opening builds the grid anew.
        QTableWidget *first = m_ui->table();
        QPointer<QWidget> oldEditor = ed(0);
        QVERIFY(open("", {"Label=z\nByteLength=1\nType=UBIN"}));
        QVERIFY(m_ui->table() != first || m_ui->table()->rowCount() == 1);
        QCOMPARE(m_ui->table()->rowCount(), 1);
        QVERIFY(oldEditor.isNull());
    }

    void requestFlags_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("flag");
        QTest::addColumn<int>("preserve");
        QTest::newRow("C 1024") << "C" << 1024 << 0 << 0;
        QTest::newRow("C 1023") << "C" << 1023 << 1 << 1;
        QTest::newRow("M 1024") << "M" << 1024 << 1 << 0;
    }
    void requestFlags()
    {
        QFETCH(QString, type);
        QFETCH(int, size);
        QTEST(cBalluffUI::requestFlag(type, size), "flag");
        QTEST(cBalluffUI::preserveFlag(size), "preserve");
    }

    // Read, edit, write, read back, with the tag's raw copies and the counter.
    void readAndWrite()
    {
        MessageBoxRecorder rec;
        QVERIFY(open("TagSize=32\nformatId=5\nWriteCounter=4",
                     {"Label=id\nByteLength=1\nType=FORMATID\nFieldType=int",
                      "Label=len\nAddress=1\nByteLength=4\nType=SBIN\nDiv=1000\nFieldType=float",
                      "Label=name\nAddress=5\nByteLength=6\nType=CHAR\nFieldType=string",
                      "Label=n\nAddress=11\nByteLength=4\nType=COUNTER",
                      "Label=keep\nAddress=15\nByteLength=2\nType=PRESERVE"}));
        m_head->model.tag = QByteArray::fromHex("05000186A0") + QByteArray("T\xD8 1\0\0", 6) + QByteArray::fromHex("00000009") + "KP";
        m_head->model.tag.append(QByteArray(32 - m_head->model.tag.size(), '\0'));
        m_ui->form()->pbRead->click();
        QCOMPARE(rec.boxes().size(), 0);
        QCOMPARE(le(1)->text(), QString("100.000"));
        QCOMPARE(le(2)->text(), QString::fromUtf8("TØ 1"));
        QCOMPARE(le(3)->text(), QString("9"));
        QCOMPARE(file("balluff/BalluffIn.bin"), m_head->model.tag);
        QVERIFY(m_ui->form()->qdBalluff->isVisible());

        le(1)->setText("12.5");
        m_head->model.tag.replace(15, 2, "ZZ"); // the tag changed meanwhile: kept as it is now
        m_head->model.telegrams.clear();
        m_ui->form()->pbWrite->click();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().at(0).text, QString("Tag written with success"));
        // The preserving read comes first (flag 1 for 32 bytes).
        QCOMPARE(m_head->model.telegrams.value(1), QByteArray("L0000003211") + char('L' ^ '3' ^ '2' ^ '1' ^ '1'));
        QCOMPARE(m_head->model.tag.mid(1, 4).toHex(), QByteArray("000030d4"));
        QCOMPARE(m_head->model.tag.mid(5, 6), QByteArray("T\xD8 1\0\0", 6));
        QCOMPARE(m_head->model.tag.mid(11, 4).toHex(), QByteArray("00000005")); // the write count
        QCOMPARE(m_head->model.tag.mid(15, 2), QByteArray("ZZ"));
        QCOMPARE(file("balluff/BalluffOut.bin"), m_head->model.tag.left(17));
        QCOMPARE(layoutKey("/SETTINGS/WriteCounter").toInt(), 5);
        QVERIFY(le(3)->text() == "9"); // the editor is left alone

        m_ui->form()->pbWrite->click();
        QCOMPARE(m_head->model.tag.mid(11, 4).toHex(), QByteArray("00000006"));
        QCOMPARE(layoutKey("/SETTINGS/WriteCounter").toInt(), 6);

        // A format id that differs: warned, the last field set to 0.
        m_head->model.tag[0] = 6;
        m_ui->form()->pbRead->click();
        QCOMPARE(rec.boxes().last().title, QString("Invalid balluff format"));
        QCOMPARE(m_ui->fieldList().last().value, QVariant(0));
        saveScreenshot(m_ui, "rfid-editor-small-layout");
    }

    // A write stores the counter and leaves every other byte of the layout,
    // its comments and texts with commas, as it was.
    void counterStored_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("storedAs");
        QTest::newRow("in place") << QByteArray("WriteCounter = 4 ; by the editor") << QByteArray("= 4 ;")
                                  << QByteArray("= 5 ;");
        QTest::newRow("added under its section") << QByteArray() << QByteArray("[SETTINGS]\n")
                                                 << QByteArray("[SETTINGS]\nWriteCounter=1\n");
    }
    void counterStored()
    {
        QFETCH(QByteArray, settings);
        MessageBoxRecorder rec;
        QVERIFY(open(settings + "\n; the tool's count", {"Label=n, count\nByteLength=4\nType=COUNTER"}));
        QByteArray expected = file("balluff/" + CurrentMachine.Balluff);
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, storedAs);
        expected.replace(stored, storedAs);
        m_ui->form()->pbWrite->click();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(file("balluff/" + CurrentMachine.Balluff), expected);
    }

    // A counter the disk refuses: the tag was written, which is said, and so
    // is that the count was not stored; the layout stays byte for byte.
    void counterRefused_data()
    {
        StorageFault::addRows();
    }
    void counterRefused()
    {
        QFETCH(int, fault);
        const bool refused = fault != StorageFault::None;
        MessageBoxRecorder rec;
        QVERIFY(open("WriteCounter=41 ; by the editor", {"Label=n, count\nByteLength=4\nType=COUNTER"}));
        const QString path = QDir::current().absoluteFilePath("balluff/" + CurrentMachine.Balluff);
        const QByteArray start = file(path);
        {
            StorageFault disk(StorageFault::Kind(fault), path);
            QVERIFY(disk.holds());
            m_ui->form()->pbWrite->click();
        }
        QCOMPARE(m_head->model.tag.left(4).toHex(), QByteArray("0000002a"));
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().at(0).text, refused ? QString("Tag written, but the layout's write counter could not be stored")
                                                 : QString("Tag written with success"));
        QCOMPARE(file(path), refused ? start : QByteArray(start).replace("=41 ;", "=42 ;"));
        QCOMPARE(layoutKey("/SETTINGS/WriteCounter").toInt(), refused ? 41 : 42);
        QCOMPARE(StorageFault::leftovers(path), QStringList());
    }

    // A raw copy the disk refuses to replace is taken away (it would describe
    // an earlier write) or, when it cannot be, that is said.
    void staleRawCopy_data() { StorageFault::addRows(); }
    void staleRawCopy()
    {
        QFETCH(int, fault);
        MessageBoxRecorder rec;
        QVERIFY(open("", {"Label=n\nByteLength=4\nType=SBIN\nFieldType=int"}));
        const QString path = QDir::current().absoluteFilePath("balluff/BalluffOut.bin");
        QVERIFY(m_dir.writeFile("balluff/BalluffOut.bin", "OLD"));
        le(0)->setText("7");
        {
            StorageFault disk(StorageFault::Kind(fault), path);
            QVERIFY(disk.holds());
            m_ui->form()->pbWrite->click();
        }
        QCOMPARE(m_head->model.tag.left(4).toHex(), QByteArray("00000007"));
        const QByteArray kept = fault == StorageFault::None ? m_head->model.tag.left(4)
                                : fault == StorageFault::ReadOnlyFolder ? QByteArray("OLD")
                                                                        : QByteArray("(none)");
        QCOMPARE(file(path), kept);
        QCOMPARE(rec.boxes().size(), kept == "OLD" ? 2 : 1);
        QCOMPARE(rec.boxes().first().text.startsWith("Unable to replace " + path + "\n"), kept == "OLD");
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("naks");
        QTest::addColumn<char>("afterData");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("dumped");
        QTest::newRow("preserving read fails") << QByteArray("2") << char(0) << "Error Read error" << false;
        QTest::newRow("write fails") << QByteArray() << '4' << "Error Write error" << true;
    }
    void failures()
    {
        QFETCH(QByteArray, naks);
        QFETCH(char, afterData);
        MessageBoxRecorder rec;
        QVERIFY(open("TagSize=8\nWriteCounter=2", {"Label=n\nByteLength=4\nType=COUNTER",
                                                   "Label=keep\nAddress=4\nByteLength=2\nType=PRESERVE"}));
        QFile::remove("balluff/BalluffOut.bin");
        for (char c : naks)
            m_head->model.nakCodes << c;
        m_head->model.nakAfterData = afterData;
        m_ui->form()->pbWrite->click();
        QTEST(m_ui->form()->lblMessage->text(), "message");
        QVERIFY(m_ui->form()->qdMessage->isVisible());
        QCOMPARE(m_head->model.writes, 0);
        QTEST(QFile::exists("balluff/BalluffOut.bin"), "dumped");
        QCOMPARE(layoutKey("/SETTINGS/WriteCounter").toInt(), 2);
        QCOMPARE(m_ui->head()->getState(), QBalluff::BC_IDLE);
        // Abort goes back to the table; the next read starts normally.
        m_ui->form()->pbAbort->click();
        QVERIFY(m_ui->form()->qdBalluff->isVisible());
        QCOMPARE(m_ui->head()->getState(), QBalluff::BC_ERROR);
        m_ui->form()->pbRead->click();
        QVERIFY(m_ui->form()->qdBalluff->isVisible());
        QCOMPARE(m_ui->head()->getState(), QBalluff::BC_IDLE);
    }

    // The head finds the tag by asking (no CTS line): the status line behind
    // the write's box says what the write found.
    void tagStatusAtWrite()
    {
        QVERIFY(open("TagSize=8", {"Label=n\nByteLength=4\nType=UBIN\nFieldType=int"}));
        QStringList seen;
        QMessageBoxKovra::setHandler([&](const QMessageBoxKovra::Box &box) {
            seen << box.text << m_ui->form()->lblTagMessage->text();
            return QMessageBox::Ok;
        });
        m_ui->form()->pbWrite->click();
        QMessageBoxKovra::setHandler({});
        QCOMPARE(seen, QStringList({"Tag written with success", "Tag present"}));
    }

    void emptyLayout()
    {
        MessageBoxRecorder rec;
        QVERIFY(open("", {}));
        m_ui->form()->pbRead->click();
        QVERIFY(m_ui->form()->qdBalluff->isVisible());
        m_head->model.telegrams.clear();
        m_ui->form()->pbWrite->click();
        QCOMPARE(rec.boxes().size(), 1);
        QVERIFY(m_head->model.telegrams.isEmpty());
    }

    void validation_data()
    {
        QTest::addColumn<bool>("force");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("writes");
        QTest::newRow("asked, No") << false << int(QMessageBox::No) << 0;
        QTest::newRow("asked, Yes writes") << false << int(QMessageBox::Yes) << 1;
        QTest::newRow("forced") << true << int(QMessageBox::Yes) << 0;
    }
    void validation()
    {
        QFETCH(bool, force);
        QFETCH(int, answer);
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::StandardButton(answer));
        QVERIFY(open(force ? "ForceConstraints=true" : "",
                     {"Label=L\nByteLength=2\nType=UBIN\nDiv=10\nFieldType=float\nMax=10",
                      "Label=S\nAddress=2\nByteLength=4\nType=CHAR\nFieldType=string\nMin=1\nMax=10",
                      "Label=K\nAddress=6\nByteLength=1\nType=UBIN\nList=\"12 - twelve; - none\"",
                      "Label=R\nAddress=7\nByteLength=2\nType=CHAR\nRegExp=[A-Z]*\nAutoDefault=1\nDefaultValue=ab"}));
        le(0)->setText("12.5");
        qobject_cast<QComboBox *>(ed(2))->setCurrentIndex(1);
        le(3)->setText("OK");
        m_ui->form()->pbWrite->click();
        const QString lines = "L 12.500 [0.000000,10.000000]\nS length 0 [min length 1,max lenght 10]\n"
                              "K value not in list\nR contains invalid chars [ab]";
        QCOMPARE(rec.boxes().first().text, "One ore more field(s) are out of bounds\n\n" + lines + "\n\n"
                                               + (force ? "Unable to continue" : "Confirm writing?"));
        QCOMPARE(le(3)->text(), QString("ab")); // AutoDefault reset
        QCOMPARE(m_ui->table()->item(0, 0)->background().color(), QColor(Qt::red));
        QTEST(m_head->model.writes, "writes");
        qobject_cast<QComboBox *>(ed(2))->setCurrentIndex(0);
        QString message;
        m_ui->validateData(message);
        QCOMPARE(m_ui->fieldList()[2].value, QVariant("12"));
    }

    // The red marks of a refused write follow the values: a field whose
    // value changes, on any road, loses its mark once it passes.
    void marksFollowValues_data()
    {
        QTest::addColumn<QString>("road");
        QTest::addColumn<QString>("marked"); // after the road
        QTest::newRow("typed") << "typed" << "Kind Life Warn";
        QTest::newRow("defaults, X's fails") << "default" << "X";
        QTest::newRow("script, Life's 0 fails") << "script" << "Kind Life X";
        QTest::newRow("measure") << "measure" << "Kind Life Warn";
        QTest::newRow("read, X's 0 fails") << "read" << "X";
    }
    void marksFollowValues()
    {
        QFETCH(QString, road);
        MessageBoxRecorder rec;
        CurrentMachine.isRadius = true;
        m_measure.x = "20";
        QVERIFY(open("TagSize=5",
                     {"Label=Kind\nByteLength=1\nType=UBIN\nList=\"1 - turn;3 - drill\"\nDefaultValue=3",
                      "Label=Life\nAddress=1\nByteLength=1\nType=UBIN\nFieldType=int\nMin=1\nMax=100\nDefaultValue=50\n"
                      "Script=\"blfOut.push('2|' + Number(blfVal[1]) / 10); blfOut\"",
                      "Label=Warn\nAddress=2\nByteLength=1\nType=SBIN\nDiv=10\nFieldType=float\nMin=-5\nMax=5",
                      "Label=X\nAddress=3\nByteLength=2\nType=UBIN\nDiv=100\nFieldType=float\nGetX=1\nMin=1\nMax=40"}));
        m_head->model.tag = QByteArray::fromHex("03320a0000");
        qobject_cast<QComboBox *>(ed(0))->setCurrentIndex(-1);
        le(1)->setText("0");
        le(2)->setText("9");
        const auto marked = [this] { return markedRows(m_ui->table()); };
        m_ui->form()->pbWrite->click(); // refused: confirming it is answered No
        QCOMPARE(marked(), QString("Kind Life Warn X"));
        if (road == "typed") {
            le(3)->setText("20");
        } else if (road == "default") {
            rec.answer(QMessageBox::Yes);
            m_ui->form()->pbDefault->click();
        } else if (road == "script") {
            le(1)->setText("00");
        } else if (road == "measure") {
            qobject_cast<QPushButton *>(m_ui->table()->cellWidget(3, 2))->click();
        } else if (road == "read") {
            m_ui->form()->pbRead->click();
        }
        QTEST(marked(), "marked");
        QCOMPARE(m_head->model.writes, 0);
    }

    // A value whose bytes would read back as another number never reaches
    // the tag, even when the operator would confirm the write.
    void valueBeyondBytes_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("range"); // empty: written and read back
        QTest::newRow("UBIN 1 byte -1") << QByteArray("Type=UBIN\nByteLength=1") << "-1" << "1 byte(s) [0,255]";
        QTest::newRow("UBIN 2 bytes Div 1000 200") << QByteArray("Type=UBIN\nByteLength=2\nDiv=1000") << "200"
                                                   << "2 byte(s) [0,65.535]";
        QTest::newRow("UBIN 2 bytes Div 1000 65.535") << QByteArray("Type=UBIN\nByteLength=2\nDiv=1000") << "65.535" << "";
        QTest::newRow("UBIN 3 bytes Div 1000 9000") << QByteArray("Type=UBIN\nByteLength=3\nDiv=1000") << "9000"
                                                    << "3 byte(s) [-8388.608,8388.607]";
        QTest::newRow("UBIN 4 bytes 2147483648") << QByteArray("Type=UBIN\nByteLength=4") << "2147483648"
                                                 << "4 byte(s) [-2147483648,2147483647]";
        QTest::newRow("SBIN 1 byte 128") << QByteArray("Type=SBIN\nByteLength=1") << "128" << "1 byte(s) [-128,127]";
        QTest::newRow("SBIN 2 bytes -32769") << QByteArray("Type=SBIN\nByteLength=2") << "-32769" << "2 byte(s) [-32768,32767]";
        QTest::newRow("SBIN 3 bytes 8388608") << QByteArray("Type=SBIN\nByteLength=3") << "8388608"
                                              << "3 byte(s) [-8388608,8388607]";
        QTest::newRow("SBIN 4 bytes Div -10 214748364.9") << QByteArray("Type=SBIN\nByteLength=4\nDiv=-10") << "214748364.9"
                                                          << "4 byte(s) [-214748364.7,214748364.8]";
        QTest::newRow("MODSIGN 1 byte 200") << QByteArray("Type=MODSIGN\nByteLength=1") << "200" << "1 byte(s) [-127,127]";
        QTest::newRow("MODSIGN 1 byte -127") << QByteArray("Type=MODSIGN\nByteLength=1") << "-127" << "";
        QTest::newRow("UBCD 5 bytes 2147483648") << QByteArray("Type=UBCD\nByteLength=5") << "2147483648"
                                                 << "5 byte(s) [0,2147483647]";
        QTest::newRow("BCD 5 bytes 2147483648") << QByteArray("Type=BCD\nByteLength=5") << "2147483648"
                                                << "5 byte(s) [-999999999,2147483647]";
        QTest::newRow("FORMATNUM %08X -1") << QByteArray("Type=FORMATNUM\nByteLength=8\nFieldType=int\nFormatNum=%08X")
                                           << "-1" << "";
        QTest::newRow("IEEE 1e39") << QByteArray("Type=IEEE\nByteLength=4") << "1e39"
                                   << "4 byte(s) [-3.40282346639e+38,3.40282346639e+38]";
    }
    void valueBeyondBytes()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, value);
        QFETCH(QString, range);
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Yes);
        QVERIFY(open("TagSize=8", {"Label=L\n" + keys}));
        m_head->model.tag = QByteArray::fromHex("1122334455667788");
        le(0)->setText(value);
        m_ui->form()->pbWrite->click();
        if (range.isEmpty()) {
            QCOMPARE(m_head->model.writes, 1);
            m_ui->form()->pbRead->click();
            QCOMPARE(m_ui->fieldList()[0].value.toDouble(), value.toDouble());
            return;
        }
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().at(0).text, "One ore more field(s) are out of bounds\n\nL " + value + " does not fit " + range
                                             + "\n\nUnable to continue");
        QVERIFY(m_head->model.telegrams.isEmpty());
        QCOMPARE(m_head->model.tag.toHex(), QByteArray("1122334455667788"));
    }

    // A measure out of bounds is questioned only when both bounds are set.
    void measures_data()
    {
        QTest::addColumn<int>("diaMpy");
        QTest::addColumn<QByteArray>("bounds");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("question"); // answered No
        QTest::newRow("radius of a diameter") << 1 << QByteArray() << "20.000" << "";
        QTest::newRow("diameter kept") << 2 << QByteArray() << "40.000" << "";
        QTest::newRow("Min 0 is no question") << 2 << QByteArray("Min=0\nMax=30") << "40.000" << "";
        QTest::newRow("10..30 asked") << 2 << QByteArray("Min=10\nMax=30") << ""
                                      << "X Data out of bounds [10,30]\nOverwrite?";
    }
    void measures()
    {
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::No);
        CurrentMachine.isRadius = false;
        CurrentMachine.isRadiusStored = false;
        m_measure.x = "40";
        QFETCH(int, diaMpy);
        QFETCH(QByteArray, bounds);
        QVERIFY(open("", {"Label=X\nByteLength=4\nType=SBIN\nFieldType=float\nGetX=1\ndiaMpy=" + QByteArray::number(diaMpy)
                          + "\n" + bounds}));
        qobject_cast<QPushButton *>(m_ui->table()->cellWidget(0, 2))->click();
        QTEST(le(0)->text(), "shown");
        QTEST(rec.boxes().isEmpty() ? QString() : rec.boxes().first().text, "question");
    }

    // A measure shows what the tag reads back: an "int" field in its Format,
    // truncated as the DNC panel shows it; a float field with no more
    // decimals than its bytes give back.
    void measureRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("measured");
        QTest::addColumn<QString>("trip"); // shown | tag (hex) | shown after reading it
        const QByteArray intField = "Type=UBIN\nFieldType=int\nFormat=";
        QTest::newRow("int %X") << intField + "%X" << "200.7" << "C8 | 00c8 | C8";
        QTest::newRow("int %o") << intField + "%o" << "200.7" << "310 | 00c8 | 310";
        QTest::newRow("int, no Format") << intField << "200.7" << "200 | 00c8 | 200";
        const QByteArray floatField = "FieldType=float\nType=";
        QTest::newRow("float UBCD Div 100") << floatField + "UBCD\nDiv=100" << "0.406" << "0.410 | 0041 | 0.410";
        QTest::newRow("float UBIN Div 1000") << floatField + "UBIN\nDiv=1000" << "0.406" << "0.406 | 0196 | 0.406";
        QTest::newRow("float SBIN, no Div") << floatField + "SBIN" << "40.7" << "41.000 | 0029 | 41.000";
    }
    void measureRoundTrip()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, measured);
        MessageBoxRecorder rec;
        CurrentMachine.isRadius = true;
        m_measure.x = measured;
        QVERIFY(open("TagSize=3", {"Label=L\nByteLength=2\nGetX=1\n" + keys,
                                   "Label=M\nAddress=2\nByteLength=1\nType=UBIN"}));
        m_head->model.tag = QByteArray::fromHex("000005");
        qobject_cast<QPushButton *>(m_ui->table()->cellWidget(0, 2))->click();
        QStringList trip{le(0)->text()};
        m_ui->form()->pbWrite->click();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().first().text, QString("Tag written with success"));
        trip << m_head->model.tag.left(2).toHex();
        le(0)->clear();
        m_ui->form()->pbRead->click();
        trip << le(0)->text();
        QTEST(trip.join(" | "), "trip");
    }

    // The row's "I" box on a touch screen: its field, the keys and its OK are
    // touched through the window system, as the screen delivers them.
    void inputBoxTouched_data()
    {
        QTest::addColumn<QByteArray>("fieldType");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("shown");
        // Div 10: the byte keeps the decimal typed.
        QTest::newRow("float field") << QByteArray("float\nDiv=10")
                                     << QStringList{"panelButton_1", "panelButton_2", "panelButton_dot", "panelButton_5"}
                                     << "12.500";
        QTest::newRow("int field") << QByteArray("int") << QStringList{"panelButton_7", "panelButton_3"} << "73";
    }
    void inputBoxTouched()
    {
        QFETCH(QByteArray, fieldType);
        QFETCH(QStringList, keys);
        MessageBoxRecorder rec;
        m_host.resize(1024, 768);
        const auto restore = qScopeGuard([this] { m_host.resize(375, 630); });
        QVERIFY(open("", {"Label=a\nByteLength=1\nType=UBIN\nHasInputBox=1\nMin=1\nMax=200\nFieldType=" + fieldType}));
        std::unique_ptr<MyInputPanelContext> ctx(new MyInputPanelContext(&m_host));
        ctx->install();
        QPointer<MyInputPanel> panel = ctx->panel();
        QWindow *homeParent = panel->windowHandle()->transientParent();
        QSignalSpy req(ctx.get(), &MyInputPanelContext::reqInputBox);

        WhenModalOpens touch([&](QWidget *box) {
            if (!qobject_cast<QInputDialog *>(box))
                return false;
            touchValueBox(panel, keys);
            if (QWidget *open = QApplication::activeModalWidget())
                open->close();
            return true;
        });
        tapThroughWindow(m_ui->table()->cellWidget(0, 2));
        QVERIFY(touch.done());
        QVERIFY(!QApplication::activeModalWidget());
        if (QTest::currentTestFailed())
            return;
        QTEST(le(0)->text(), "shown");
        QCOMPARE(req.size(), 0);
        // Closed with the box and the editor's window's panel again.
        QVERIFY(panel);
        QCOMPARE(panel->size(), QSize(0, 0));
        QCOMPARE(panel->windowHandle()->transientParent(), homeParent);
    }
    // The row's "I" box of an "int" field takes and shows its number in the
    // Format's base, within the bounds the editor takes; what it gives goes
    // to the editor in the Format's text and to the tag as that number.
    void inputBoxInFormatBase_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("trip"); // label | start | shown | box | tag (hex)
        QTest::newRow("%X") << QByteArray("%X") << "L [10,FF] | 1a | C8 | Tag written with success | 00c8";
        QTest::newRow("no Format") << QByteArray() << "L [16,255] | 26 | 200 | Tag written with success | 00c8";
    }
    void inputBoxInFormatBase()
    {
        QFETCH(QByteArray, format);
        MessageBoxRecorder rec;
        QVERIFY(open("TagSize=3", {"Label=L\nByteLength=2\nType=UBIN\nFieldType=int\nMin=16\nMax=255\nHasInputBox=1\nFormat="
                                       + format,
                                   "Label=M\nAddress=2\nByteLength=1\nType=UBIN"}));
        m_head->model.tag = QByteArray::fromHex("001a05");
        m_ui->form()->pbRead->click();
        QStringList trip;
        WhenModalOpens answer([&](QWidget *w) {
            auto *box = qobject_cast<QInputDialog *>(w);
            if (!box)
                return false;
            auto *spin = box->findChild<QSpinBox *>();
            trip << box->labelText() << (spin ? spin->text() : QString("(no spin box)"));
            box->setIntValue(200);
            box->accept();
            return true;
        });
        qobject_cast<QPushButton *>(m_ui->table()->cellWidget(0, 2))->click();
        QVERIFY(answer.done());
        trip << le(0)->text();
        m_ui->form()->pbWrite->click();
        trip << (rec.boxes().isEmpty() ? QString() : rec.boxes().first().text) << m_head->model.tag.left(2).toHex();
        QTEST(trip.join(" | "), "trip");
    }
    // The row's "I" box of a "float" field starts from the value the editor
    // shows, read through its Format; OK with nothing changed writes the
    // bytes read, a value chosen goes to the editor through the Format.
    void floatInputBox_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("bytes"); // hex, the field's bytes read
        QTest::addColumn<double>("chosen");    // 0: OK unchanged
        QTest::addColumn<QString>("trip");     // shown | box's start | shown after OK | tag (hex) after a write
        QTest::newRow("Div 10000, OK unchanged") << QByteArray("ByteLength=4\nType=SBIN\nDiv=10000") << QByteArray("00bc614e")
                                                 << 0.0 << "1234.568 | 1234.568 | 1234.568 | 00bc614e";
        QTest::newRow("%.2f mm, OK unchanged") << QByteArray("ByteLength=4\nType=UBIN\nDiv=100\nFormat=%.2f mm")
                                               << QByteArray("000004d3") << 0.0
                                               << "12.35 mm | 12.35 | 12.35 mm | 000004d3";
        QTest::newRow("%.2f mm, 2.5 chosen") << QByteArray("ByteLength=4\nType=UBIN\nDiv=100\nFormat=%.2f mm")
                                             << QByteArray("000004d3") << 2.5 << "12.35 mm | 12.35 | 2.50 mm | 000000fa";
    }
    void floatInputBox()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QByteArray, bytes);
        QFETCH(double, chosen);
        MessageBoxRecorder rec;
        QVERIFY(open("TagSize=5", {"Label=L\nFieldType=float\nHasInputBox=1\n" + keys,
                                   "Label=M\nAddress=4\nByteLength=1\nType=UBIN"}));
        m_head->model.tag = QByteArray::fromHex(bytes) + '\x05';
        m_ui->form()->pbRead->click();
        QStringList trip{le(0)->text()};
        WhenModalOpens answer([&](QWidget *w) {
            auto *box = qobject_cast<QInputDialog *>(w);
            if (!box)
                return false;
            auto *spin = box->findChild<QDoubleSpinBox *>();
            trip << (spin ? spin->text() : QString("(no spin box)"));
            if (chosen != 0)
                box->setDoubleValue(chosen);
            box->accept();
            return true;
        });
        qobject_cast<QPushButton *>(m_ui->table()->cellWidget(0, 2))->click();
        QVERIFY(answer.done());
        trip << le(0)->text();
        m_ui->form()->pbWrite->click();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().first().text, QString("Tag written with success"));
        trip << m_head->model.tag.left(4).toHex();
        QTEST(trip.join(" | "), "trip");
    }

    void defaultsAndScripts()
    {
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Yes);
        QVERIFY(open("ScriptFunctions=\"function twice(v) { return 2 * Number(v); }\"",
                     {"Label=a\nByteLength=1\nType=UBIN\nDefaultValue=3\nScript=\"blfOut.push('1|' + twice(blfVal[0])); blfOut\"",
                      "Label=b\nAddress=1\nByteLength=1\nType=UBIN\nScript=\"blfOut.push('2|' + (Number(blfVal[1]) + 1)); blfOut.push('9|x'); blfOut\"",
                      "Label=c\nAddress=2\nByteLength=1\nType=UBIN",
                      "Label=p\nAddress=3\nByteLength=4\nType=PRESERVE",
                      "Label=bits\nAddress=7\nByteLength=1\nType=UBIN\nBitField=1\nList=\"x;y;z\"\nDefaultValue=5",
                      "Label=mm\nAddress=8\nByteLength=1\nType=UBIN\nFieldType=float\n"
                      "Script=\"blfOut.push('6|' + Number(blfVal[5]) / 25.4); blfOut\"",
                      "Label=inch\nAddress=9\nByteLength=1\nType=UBIN\nFieldType=float\n"
                      "Script=\"blfOut.push('5|' + Number(blfVal[6]) * 25.4); blfOut\""}));
        le(3)->setText("");
        m_ui->form()->pbDefault->click();
        QCOMPARE(le(0)->text(), QString("3"));
        QCOMPARE(le(3)->text(), QString("PRESERVED 4 byte(s)"));
        QCOMPARE(qobject_cast<CheckBoxList *>(ed(4))->getValue(), 5);
        // a's script sets b, whose own script sets c: both editors show it.
        le(0)->setText("4");
        QCOMPARE(le(1)->text(), QString("8"));
        QCOMPARE(le(2)->text(), QString("9"));
        // Two fields that set each other: one nested run, whose output still
        // reaches the first field's value and editor.
        rec.clear();
        le(5)->setText("10");
        QCOMPARE(le(6)->text(), QString("0.394"));
        QCOMPARE(le(5)->text(), QString("10.008"));
        QVERIFY(m_ui->fieldList()[5].value.toString().startsWith("10.007"));
        QVERIFY(rec.boxes().isEmpty());
    }

    // The tag's bytes read, shown and written back untouched stay as they
    // were, whatever the display pattern and however few decimals it shows;
    // a text the operator changed is what is written.
    void displayFormats_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("bytes"); // hex, on the tag from address 0
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("errorLines");
        QTest::addColumn<QString>("typed"); // empty: left as shown
        QTest::addColumn<QByteArray>("written");
        const QByteArray ubin1("ByteLength=1\nType=UBIN\n");
        QTest::newRow("float %.2lf") << ubin1 + "FieldType=float\nFormat=%.2lf" << QByteArray("2a") << "42.00" << 0 << ""
                                     << QByteArray("2a");
        QTest::newRow("int %.1f") << ubin1 + "FieldType=int\nFormat=%.1f" << QByteArray("2a") << "42" << 1 << ""
                                  << QByteArray("2a");
        QTest::newRow("int %d%d") << ubin1 + "FieldType=int\nFormat=%d%d" << QByteArray("2a") << "42" << 1 << ""
                                  << QByteArray("2a");
        QTest::newRow("float %.3Lf") << ubin1 + "FieldType=float\nFormat=%.3Lf" << QByteArray("2a") << "42.000" << 1 << ""
                                     << QByteArray("2a");
        QTest::newRow("float Div 10000, machine decimals")
            << QByteArray("ByteLength=4\nType=SBIN\nDiv=10000\nFieldType=float") << QByteArray("0001e240") << "12.346" << 0
            << "" << QByteArray("0001e240");
        QTest::newRow("float Div 1000 %.1f") << QByteArray("ByteLength=2\nType=UBIN\nDiv=1000\nFieldType=float\nFormat=%.1f")
                                             << QByteArray("04d2") << "1.2" << 0 << "" << QByteArray("04d2");
        QTest::newRow("float 16777217, beyond single precision")
            << QByteArray("ByteLength=4\nType=SBIN\nFieldType=float") << QByteArray("01000001") << "16777216.000" << 0 << ""
            << QByteArray("01000001");
        QTest::newRow("int Div 10 within limits") << QByteArray("ByteLength=2\nType=UBIN\nDiv=10\nFieldType=int\nMin=1\nMax=50")
                                                  << QByteArray("01a9") << "42" << 0 << "" << QByteArray("01a9");
        QTest::newRow("float Div 10000, a script's output")
            << QByteArray("ByteLength=4\nType=SBIN\nDiv=10000\nFieldType=float\nScript=\"blfOut.push('0|12.3456'); blfOut\"")
            << QByteArray("00000000") << "0.000" << 0 << "1" << QByteArray("0001e244");
        QTest::newRow("float Div 1000 %.1f typed") << QByteArray("ByteLength=2\nType=UBIN\nDiv=1000\nFieldType=float\nFormat=%.1f")
                                                   << QByteArray("04d2") << "1.2" << 0 << "2.5" << QByteArray("09c4");
    }
    void displayFormats()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, typed);
        QFETCH(QByteArray, written);
        MessageBoxRecorder rec;
        StderrCapture err;
        QVERIFY(open("TagSize=5", {"Label=L\n" + keys, "Label=M\nAddress=4\nByteLength=1\nType=UBIN"}));
        QVERIFY(!m_ui->hasConfigError());
        QTEST(int(err.text().count('\n')), "errorLines");
        m_head->model.tag = QByteArray::fromHex(bytes).leftJustified(4, '\0') + '\x05';
        m_ui->form()->pbRead->click();
        QTEST(le(0)->text(), "shown");
        if (!typed.isEmpty())
            le(0)->setText(typed);
        m_ui->form()->pbWrite->click();
        QCOMPARE(m_head->model.writes, 1);
        QCOMPARE(m_head->model.tag.toHex(), QByteArray(written + QByteArray(8 - written.size(), '0') + "05"));
        QCOMPARE(rec.boxes().size(), 1); // the success box alone
    }

    // A "float" field takes no more decimals than its bytes give back and
    // its Format shows: what is typed is what the tag holds after a write.
    void decimalsHeld_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("trip"); // shown | tag (hex) | shown after reading it
        QTest::newRow("UBCD 2 bytes Div 100, 0.405") << QByteArray("ByteLength=2\nType=UBCD\nDiv=100") << "0.405"
                                                     << "0.40 | 004000 | 0.400";
        QTest::newRow("UBIN Div 10 under %.2f, 1.25") << QByteArray("ByteLength=2\nType=UBIN\nDiv=10\nFormat=%.2f")
                                                      << "1.25" << "1.2 | 000c00 | 1.20";
        QTest::newRow("UBIN Div 1, 12.5") << QByteArray("ByteLength=1\nType=UBIN") << "12.5" << "12. | 0c0000 | 12.000";
        QTest::newRow("FORMATNUM %5.1f, 12.34") << QByteArray("ByteLength=5\nType=FORMATNUM\nFormatNum=%5.1f") << "12.34"
                                               << "12.3 | 2031322e33 | 12.300";
        QTest::newRow("SBIN Div 1000 keeps 1.234") << QByteArray("ByteLength=4\nType=SBIN\nDiv=1000") << "1.234"
                                                   << "1.234 | 000004d2 | 1.234";
    }
    void decimalsHeld()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, typed);
        MessageBoxRecorder rec;
        QVERIFY(open("TagSize=8", {"Label=L\nFieldType=float\n" + keys, "Label=M\nAddress=7\nByteLength=1\nType=UBIN"}));
        m_head->model.tag = QByteArray(8, '\0');
        le(0)->setFocus();
        QTest::keyClicks(le(0), typed);
        QStringList trip{le(0)->text()};
        m_ui->form()->pbWrite->click();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().first().text, QString("Tag written with success"));
        const int length = m_ui->fieldList().first().ByteLength;
        trip << m_head->model.tag.left(qMax(length, 3)).toHex();
        le(0)->clear();
        m_ui->form()->pbRead->click();
        trip << le(0)->text();
        QTEST(trip.join(" | "), "trip");
    }

    // A number text another writer put on the tag, read and written back
    // untouched while another field changes, keeps its bytes.
    void foreignTextRewritten_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("text"); // on the tag from address 0, as the other writer printed it
        QTest::addColumn<QString>("trip");    // shown | box | L's bytes after the write
        QTest::newRow("%10.2f 1234567.89") << QByteArray("ByteLength=10\nFormatNum=%10.2f\nFormat=%.2f") << QByteArray("1234567.89")
                                          << "1234567.89 | Tag written with success | 1234567.89";
        QTest::newRow("%9.3f 99999.999") << QByteArray("ByteLength=9\nFormatNum=%9.3f\nFormat=%.3f") << QByteArray("99999.999")
                                        << "99999.999 | Tag written with success | 99999.999";
    }
    void foreignTextRewritten()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QByteArray, text);
        MessageBoxRecorder rec;
        QVERIFY(open("TagSize=11", {"Label=L\nType=FORMATNUM\nFieldType=float\n" + keys,
                                    "Label=M\nAddress=10\nByteLength=1\nType=UBIN"}));
        m_head->model.tag = text.leftJustified(10, '\0') + '\x05';
        m_ui->form()->pbRead->click();
        QStringList trip{le(0)->text()};
        le(1)->setText("6");
        m_ui->form()->pbWrite->click();
        trip << (rec.boxes().isEmpty() ? QString() : rec.boxes().first().text)
             << QString::fromLatin1(m_head->model.tag.left(text.size()));
        QTEST(trip.join(" | "), "trip");
        QCOMPARE(m_head->model.tag.at(10), '\x06');
    }

    // Only a field left as the tag read showed it keeps the value read; a
    // script's value or a text the operator typed (even the one shown) goes
    // to the checks and the tag as the editor shows it.
    void shownIsWritten_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("bytes"); // hex, the field's bytes on the tag
        QTest::addColumn<QString>("script"); // the trigger field's output for L
        QTest::addColumn<QString>("typed"); // typed into L after clearing it
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QByteArray>("tag"); // hex, the whole tag afterwards
        const QByteArray intField("ByteLength=1\nType=SBIN\nFieldType=int\n");
        const QByteArray oneDecimal("ByteLength=2\nType=UBIN\nDiv=1000\nFieldType=float\nFormat=%.1f");
        const QString written("Tag written with success");
        QTest::newRow("int, script 3.6") << QByteArray() << intField << QByteArray("00") << "3.6" << "" << "3" << written
                                         << QByteArray("0300000001");
        QTest::newRow("int, script 42.7") << QByteArray() << intField << QByteArray("00") << "42.7" << "" << "42" << written
                                          << QByteArray("2a00000001");
        QTest::newRow("int -5..3 forced, script 7.5")
            << QByteArray("ForceConstraints=true") << intField + "Min=-5\nMax=3" << QByteArray("00") << "7.5" << "" << "7"
            << "One ore more field(s) are out of bounds\n\nL 7 [-5,3]\n\nUnable to continue" << QByteArray("0000000005");
        QTest::newRow("int 1..50, script 42.7") << QByteArray() << intField + "Min=1\nMax=50" << QByteArray("01") << "42.7"
                                                << "" << "42" << written << QByteArray("2a00000001");
        QTest::newRow("%.1f holding 1.234, 1.2 typed") << QByteArray() << oneDecimal << QByteArray("04d2") << "" << "1.2"
                                                      << "1.2" << written << QByteArray("04b0000005");
        QTest::newRow("%.1f holding 1.234, script 1.2") << QByteArray() << oneDecimal << QByteArray("04d2") << "1.2" << ""
                                                       << "1.2" << written << QByteArray("04b0000001");
    }
    void shownIsWritten()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, keys);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, script);
        QFETCH(QString, typed);
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Yes);
        const QByteArray trigger = script.isEmpty() ? QByteArray() : "\nScript=\"blfOut.push('0|" + script.toLatin1() + "'); blfOut\"";
        QVERIFY(open("TagSize=5\n" + settings, {"Label=L\n" + keys, "Label=T\nAddress=4\nByteLength=1\nType=UBIN" + trigger}));
        m_head->model.tag = QByteArray::fromHex(bytes).leftJustified(4, '\0') + '\x05';
        m_ui->form()->pbRead->click();
        if (!script.isEmpty())
            le(1)->setText("1");
        if (!typed.isEmpty()) {
            le(0)->selectAll();
            QTest::keyClick(le(0), Qt::Key_Backspace);
            QTest::keyClicks(le(0), typed);
        }
        QTEST(le(0)->text(), "shown");
        m_ui->form()->pbWrite->click();
        QVERIFY(!rec.boxes().isEmpty());
        QTEST(rec.boxes().first().text, "box");
        QTEST(m_head->model.tag.toHex(), "tag");
    }

    // A script's value goes to the tag as the number it computed, or the
    // number its text means through the field's Format, and reads back as
    // shown; a text that is no number is refused, naming the field, and the
    // tag is left as it was.
    void scriptValuesThroughFormat_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("script"); // L's value from T's script
        QTest::addColumn<QString>("trip");   // shown | box | tag (hex) | shown after reading it
        const QByteArray word("ByteLength=2\nType=UBIN\n");
        QTest::newRow("%x c8") << word + "FieldType=int\nFormat=%x" << "c8" << "c8 | written | 00c8 | c8";
        QTest::newRow("T%03d 7") << word + "FieldType=int\nFormat=T%03d" << "7" << "T007 | written | 0007 | T007";
        QTest::newRow("%o 15") << word + "FieldType=int\nFormat=%o" << "15" << "17 | written | 000f | 17";
        QTest::newRow("%.2f mm 12.35") << word + "Div=100\nFieldType=float\nFormat=%.2f mm" << "12.35"
                                       << "12.35 mm | written | 04d3 | 12.35 mm";
        QTest::newRow("script's own text T007") << word + "FieldType=int\nFormat=T%03d" << "T007"
                                                << "T007 | written | 0007 | T007";
        QTest::newRow("%X 16..255, 256 out of bounds in hex") << word + "FieldType=int\nFormat=%X\nMin=16\nMax=255"
                                                            << "256" << "100 | L 100 [10,FF] | 1122 | 1122";
        QTest::newRow("%x 1..50, a decimal default no hex reads")
            << word + "FieldType=int\nFormat=%x\nMin=1\nMax=50\nAutoDefault=1\nDefaultValue=12.0" << "1"
            << "1 | written | 000c | c";
        QTest::newRow("default xyz refused")
            << word + "FieldType=int\nFormat=%x\nAutoDefault=1\nDefaultValue=xyz" << "1"
            << "1 | L is not a number [xyz] | 1122 | 1122";
    }
    void scriptValuesThroughFormat()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, script);
        MessageBoxRecorder rec;
        QVERIFY(open("TagSize=5", {"Label=L\n" + keys, "Label=T\nAddress=4\nByteLength=1\nType=UBIN\nScript=\"blfOut.push('0|"
                                                           + script.toLatin1() + "'); blfOut\""}));
        m_head->model.tag = QByteArray::fromHex("1122000005");
        le(1)->setText("1");
        QStringList out{le(0)->text()};
        m_ui->form()->pbWrite->click();
        QVERIFY(!rec.boxes().isEmpty());
        const QString box = rec.boxes().first().text;
        out << (box == "Tag written with success" ? "written" : box.section("\n\n", 1, 1));
        out << m_head->model.tag.left(2).toHex();
        m_ui->form()->pbRead->click();
        out << (le(0)->text().isEmpty() ? m_head->model.tag.left(2).toHex() : le(0)->text());
        QTEST(out.join(" | "), "trip");
    }

    // A script computes on the number a field holds and hands back numbers:
    // a value handed through to a field of the same Format stays itself, a
    // computed one is the number, in every base: shown, written, read back.
    void scriptNumbers_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("typed");  // into T, whose script sets L
        QTest::addColumn<QByteArray>("output"); // T's script's value for L
        QTest::addColumn<QString>("trip");   // L shown | box | L on the tag (hex) | L shown after reading it
        const QByteArray passed("blfVal[1]");
        QTest::newRow("%x 10") << QByteArray("%x") << "10" << passed << "10 | Tag written with success | 0010 | 10";
        QTest::newRow("%X 100") << QByteArray("%X") << "100" << passed << "100 | Tag written with success | 0100 | 100";
        QTest::newRow("%o 17") << QByteArray("%o") << "17" << passed << "17 | Tag written with success | 000f | 17";
        QTest::newRow("%x 200 computed") << QByteArray("%x") << "1" << QByteArray("200")
                                         << "c8 | Tag written with success | 00c8 | c8";
        QTest::newRow("%x c8 plus one") << QByteArray("%x") << "c8" << QByteArray("(Number(blfVal[1]) + 1)")
                                        << "c9 | Tag written with success | 00c9 | c9";
        QTest::newRow("%o 15 computed") << QByteArray("%o") << "1" << QByteArray("15")
                                        << "17 | Tag written with success | 000f | 17";
    }
    void scriptNumbers()
    {
        QFETCH(QByteArray, format);
        QFETCH(QString, typed);
        QFETCH(QByteArray, output);
        MessageBoxRecorder rec;
        const QByteArray word = "ByteLength=2\nType=UBIN\nFieldType=int\nFormat=" + format;
        QVERIFY(open("TagSize=4", {"Label=L\n" + word, "Label=T\nAddress=2\n" + word
                                                          + "\nScript=\"blfOut.push('0|' + " + output
                                                          + "); blfOut\""}));
        m_head->model.tag = QByteArray::fromHex("11220000");
        QTest::keyClicks(le(1), typed);
        QStringList trip{le(0)->text()};
        m_ui->form()->pbWrite->click();
        trip << (rec.boxes().isEmpty() ? QString() : rec.boxes().first().text) << m_head->model.tag.left(2).toHex();
        le(0)->clear();
        m_ui->form()->pbRead->click();
        trip << le(0)->text();
        QTEST(trip.join(" | "), "trip");
    }

    // Text a tag cannot hold is refused, naming the field, before anything
    // is written.
    void textOutsideLatin1_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QByteArray>("tag"); // hex
        QTest::newRow("greek, Latin-1 and CJK") << QString("\u03a9\u00e9\u4e2d")
                                                << "L contains characters the tag cannot hold [\u03a9\u00e9\u4e2d]"
                                                << QByteArray("1122334405");
        QTest::newRow("Latin-1 written") << QString("\u00d8\u00e9") << "" << QByteArray("d8e9000005");
    }
    void textOutsideLatin1()
    {
        QFETCH(QString, typed);
        QFETCH(QString, box);
        MessageBoxRecorder rec;
        QVERIFY(open("TagSize=5", {"Label=L\nByteLength=4\nType=CHAR\nFieldType=string",
                                   "Label=M\nAddress=4\nByteLength=1\nType=UBIN"}));
        m_head->model.tag = QByteArray::fromHex("1122334405");
        m_ui->form()->pbRead->click();
        le(0)->setText(typed);
        m_ui->form()->pbWrite->click();
        QCOMPARE(rec.boxes().size(), 1);
        QCOMPARE(rec.boxes().at(0).text == "Tag written with success" ? QString() : rec.boxes().at(0).text.section("\n\n", 1, 1), box);
        QTEST(m_head->model.tag.toHex(), "tag");
    }

    void notification_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("fields");
        QTest::addColumn<bool>("sent");
        QTest::newRow("worked frame") << QByteArray("SockAddress=127.0.0.1\nSockPort=%1") << 36 << true;
        QTest::newRow("no address") << QByteArray("SockPort=%1\nSockNotifyError=true") << 36 << false;
        QTest::newRow("35 fields") << QByteArray("SockAddress=127.0.0.1\nSockPort=%1") << 35 << false;
    }
    void notification()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, fields);
        QFETCH(bool, sent);
        MessageBoxRecorder rec;
        FakeCustomerServer server;
        QList<QByteArray> list;
        for (int i = 0; i < fields; ++i)
            list << "Label=f\nAddress=" + QByteArray::number(i) + "\nByteLength=1\nType=UBIN";
        QVERIFY(open("Customer=Vuzedu\n" + QString(settings).arg(server.port()).toLatin1(), list));
        QList<DatiCampo> &f = m_ui->fieldList();
        const QVariant values[][2] = {{0, 7}, {1, 12}, {35, 3}, {24, 100.0f}, {25, 25.0f}, {28, 0.5f}};
        for (const auto &v : values)
            if (v[0].toInt() < f.size())
                f[v[0].toInt()].value = v[1];
        m_ui->sendTcpMessage();
        QCOMPARE(rec.boxes().size(), 0);
        if (!sent) {
            QVERIFY(!server.waitForNewConnection(0)); // a report connects before sendTcpMessage returns
            return;
        }
        QTRY_COMPARE(server.frames.size(), 1); // the socket was closed after the write
        const QByteArray frame = server.frames.first();
        QCOMPARE(frame.size(), 81);
        QCOMPARE(frame.mid(24, 12), QByteArray("127000000001"));
        QCOMPARE(frame.mid(36, 2), QByteArray(1, char(server.port() & 0xFF)) + char(server.port() >> 8));
        QCOMPARE(frame.mid(40, 12).toHex(), QByteArray("1e000000640000001d000000"));
        QCOMPARE(frame.mid(52), QByteArray("7|12|false|3|100000|25000|500"));
        QCOMPARE(frame.left(24), QByteArray(4, '\0') + QByteArray(12, '0') + QByteArray(8, '\0'));
    }

    // A successful write reports to the server only for the customer
    // "Vuzedu", compared exactly, with the numbers written to the tag: the
    // lengths as the nearest micrometres, in the machine's unit.
    void reportAfterWrite_data()
    {
        QTest::addColumn<QByteArray>("customer");
        QTest::addColumn<bool>("isMM");
        QTest::addColumn<QStringList>("typed"); // fields 24, 25 and 28; none: as read
        QTest::addColumn<QByteArray>("report"); // empty: none
        QTest::newRow("Vuzedu") << QByteArray("Vuzedu") << true << QStringList() << QByteArray("0|0|false|0|1001|0|0");
        QTest::newRow("other case") << QByteArray("vuzedu") << true << QStringList() << QByteArray();
        QTest::newRow("mm just under a micrometre in single precision")
            << QByteArray("Vuzedu") << true << QStringList{"1.005", "100.001", "2.675"}
            << QByteArray("0|0|false|0|1005|100001|2675");
        QTest::newRow("inch") << QByteArray("Vuzedu") << false << QStringList{"0.1", "1.005", "0.5"}
                              << QByteArray("0|0|false|0|2540|25527|12700");
    }
    void reportAfterWrite()
    {
        QFETCH(QByteArray, customer);
        QFETCH(bool, isMM);
        QFETCH(QStringList, typed);
        QFETCH(QByteArray, report);
        MessageBoxRecorder rec;
        FakeCustomerServer server;
        CurrentMachine.IsMM = isMM;
        const QList<int> lengths{24, 25, 28};
        QList<QByteArray> list;
        for (int i = 0, address = 0; i < 36; address += lengths.contains(i++) ? 4 : 1)
            list << "Label=f\nAddress=" + QByteArray::number(address) + "\nByteLength="
                        + (lengths.contains(i) ? "4\nType=SBIN\nDiv=10000\nFieldType=float" : "1\nType=UBIN");
        QVERIFY(open("TagSize=64\nCustomer=" + customer + "\nSockAddress=127.0.0.1\nSockPort="
                         + QByteArray::number(server.port()),
                     list));
        m_head->model.tag = QByteArray(24, '\0') + QByteArray::fromHex("00002716") + QByteArray(36, '\0');
        m_ui->form()->pbRead->click();
        if (typed.isEmpty())
            QCOMPARE(le(24)->text(), QString("1.001")); // holding 1.0006
        for (int k = 0; k < typed.size(); ++k)
            le(lengths[k])->setText(typed[k]);
        m_ui->form()->pbWrite->click();
        QCOMPARE(m_head->model.writes, 1);
        if (report.isEmpty()) {
            QVERIFY(!server.waitForNewConnection(0)); // a report connects before the write returns
            return;
        }
        QTRY_COMPARE(int(server.frames.size()), 1);
        QCOMPARE(server.frames.first().mid(52), report);
    }

    // The first report decides whether socket errors reach the editor; the
    // timeout box follows each report's own setting.
    void notifyErrorOrder_data()
    {
        QTest::addColumn<bool>("first");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("off, then on") << false << QStringList{"Connection error"};
        QTest::newRow("on, then off") << true << QStringList{"Connection error:", "Connection error", "Connection error:"};
    }
    void notifyErrorOrder()
    {
        QFETCH(bool, first);
        MessageBoxRecorder rec;
        quint16 closedPort;
        {
            FakeCustomerServer gone;
            closedPort = gone.port();
        }
        QList<QByteArray> list;
        for (int i = 0; i < 36; ++i)
            list << "Label=f\nAddress=" + QByteArray::number(i) + "\nByteLength=1\nType=UBIN";
        const QByteArray base = "SockAddress=127.0.0.1\nSockConnDelay=2000\nSockPort=" + QByteArray::number(closedPort);
        QVERIFY(open(base + "\nSockNotifyError=" + (first ? "true" : "false"), list));
        m_ui->sendTcpMessage();
        QSettings("balluff/" + CurrentMachine.Balluff, QSettings::IniFormat)
            .setValue("/SETTINGS/SockNotifyError", !first);
        m_ui->sendTcpMessage();
        QStringList titles;
        for (const auto &b : rec.boxes())
            titles << b.title;
        QTEST(titles, "titles");
        QVERIFY(rec.boxes().last().text.contains(QString(":%1").arg(closedPort)) || rec.boxes().last().title.endsWith(':'));
    }

    // The demo's road on the head simulator: read, change a value, write,
    // read the new value back.
    void demoFlowOnSimulator()
    {
        const QString program = TestWorkDir::builtProgram("rfid-sim");
        QVERIFY2(!program.isEmpty(), "rfid-sim not built");
        QFile f(QString::fromLocal8Bit(qgetenv("T8A_SOURCE_DIR")) + "/demo/balluff/tool.ini");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QProcess sim;
        sim.start(program, {"--tag", m_dir.filePath("sim-tag.bin")});
        QVERIFY(sim.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 5000);
        const QByteArray path = sim.readLine().trimmed();
        m_dir.writeFile("balluff/sim.ini", f.readAll().replace("Com=\n", "Com=" + path + "\n"));
        CurrentMachine.Balluff = "sim.ini";
        MessageBoxRecorder rec;
        rec.answer(QMessageBox::Yes);
        QVERIFY(m_ui->init());
        m_ui->form()->pbDefault->click(); // a new tag: the layout's defaults
        m_ui->form()->pbWrite->click();
        le(4)->setText("123.456");
        m_ui->form()->pbWrite->click();
        le(4)->setText("");
        m_ui->form()->pbRead->click();
        QCOMPARE(le(4)->text(), QString("123.456"));
        QCOMPARE(le(16)->text(), QString("2")); // two writes
        // Every kind of row after a read, for the screenshots.
        le(2)->setText(QString::fromUtf8("DRILL Ø12"));
        m_ui->form()->pbWrite->click();
        le(2)->setText("");
        m_ui->form()->pbRead->click();
        QCOMPARE(le(2)->text(), QString::fromUtf8("DRILL Ø12"));
        saveScreenshot(m_ui, "rfid-editor-demo-after-read");
        m_ui->table()->verticalScrollBar()->setValue(m_ui->table()->verticalScrollBar()->maximum());
        saveScreenshot(m_ui, "rfid-editor-demo-after-read-scrolled");
        QStringList texts;
        for (const auto &b : rec.boxes())
            texts << b.text;
        QCOMPARE(texts, QStringList({"Replace current data with default values?", "Tag written with success",
                                     "Tag written with success", "Tag written with success"}));
        m_ui->form()->pbClose->click();
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
};

QTEST_MAIN(tst_balluffui)
#include "tst_balluffui.moc"
