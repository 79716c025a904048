#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include "shared/FatalExit.h"
#include "widgets/QMessageBoxKovra.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/TestWorkDir.h"
#include "support/UnexpectedBoxes.h"

using Op = QMessageBox::StandardButton (*)(QWidget *, const QString &, const QString &, QMessageBox::StandardButtons,
                                            QMessageBox::StandardButton, const QString &);

class TestMessageBox : public QObject
{
    Q_OBJECT
private slots:
    void handlerRecords_data();
    void handlerRecords();
    void scriptedAnswersInOrder();
    void standardBoxWithoutHandler_data();
    void standardBoxWithoutHandler();
    void styledBoxRestoresWindows();
    void fatalExitObserved();
    void fatalExitEndsProcess();
    void fatalExitChild();
    void recorderGivesBackHandler();
    void unexpectedBoxFailsTest_data();
    void unexpectedBoxFailsTest();
    void unexpectedBoxChild();
};

namespace {
Op operation(QMessageBox::Icon kind)
{
    switch (kind) {
    case QMessageBox::Critical:
        return &QMessageBoxKovra::critical;
    case QMessageBox::Warning:
        return &QMessageBoxKovra::warning;
    case QMessageBox::Question:
        return &QMessageBoxKovra::question;
    default:
        return &QMessageBoxKovra::information;
    }
}

// Presses the button of the open modal box once it shows (and keeps a
// picture of it when SCREENSHOT_DIR is set).
void pressLater(QMessageBox::StandardButton button, QString *seenText = nullptr, bool *seenModal = nullptr,
                const QString &shot = QString())
{
    QTimer::singleShot(0, [=]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            pressLater(button, seenText, seenModal, shot);
            return;
        }
        if (seenText)
            *seenText = box->text();
        if (seenModal)
            *seenModal = box->isModal();
        if (!shot.isEmpty())
            saveScreenshot(box, shot);
        box->button(button)->click();
    });
}
}

void TestMessageBox::handlerRecords_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("answer");
    QTest::newRow("critical") << int(QMessageBox::Critical) << int(QMessageBox::Ok) << int(QMessageBox::NoButton)
                              << int(QMessageBox::Ok);
    QTest::newRow("warning") << int(QMessageBox::Warning) << int(QMessageBox::Ok | QMessageBox::Cancel)
                             << int(QMessageBox::Cancel) << int(QMessageBox::Ok);
    QTest::newRow("question") << int(QMessageBox::Question) << int(QMessageBox::Yes | QMessageBox::No)
                              << int(QMessageBox::No) << int(QMessageBox::Yes);
    QTest::newRow("information") << int(QMessageBox::Information) << int(QMessageBox::Ok) << int(QMessageBox::Ok)
                                 << int(QMessageBox::Ok);
}

void TestMessageBox::handlerRecords()
{
    QFETCH(int, kind);
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, answer);
    QWidget parent;
    MessageBoxRecorder rec;
    rec.answer(QMessageBox::StandardButton(answer));
    const auto pressed = operation(QMessageBox::Icon(kind))(&parent, "Title", "Text",
                                                             QMessageBox::StandardButtons(buttons),
                                                             QMessageBox::StandardButton(defaultButton), "pic.png");
    QCOMPARE(int(pressed), answer);
    QCOMPARE(rec.boxes().size(), 1);
    const QMessageBoxKovra::Box &b = rec.boxes().first();
    QCOMPARE(int(b.kind), kind);
    QCOMPARE(b.parent, &parent);
    QCOMPARE(b.title, QString("Title"));
    QCOMPARE(b.text, QString("Text"));
    QCOMPARE(int(b.buttons), buttons);
    QCOMPARE(int(b.defaultButton), defaultButton);
}

void TestMessageBox::scriptedAnswersInOrder()
{
    MessageBoxRecorder rec;
    rec.answer(QMessageBox::No);
    rec.answer(QMessageBox::Yes);
    QCOMPARE(QMessageBoxKovra::question(nullptr, "a", "1", QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes),
             QMessageBox::No);
    QCOMPARE(QMessageBoxKovra::question(nullptr, "a", "2", QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
             QMessageBox::Yes);
    // Nothing scripted any more: the default button, else the first one.
    QCOMPARE(QMessageBoxKovra::question(nullptr, "a", "3", QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
             QMessageBox::No);
    QCOMPARE(QMessageBoxKovra::msgBox(QMessageBox::Warning, nullptr, "a", "4", QMessageBox::Ok, QMessageBox::NoButton),
             QMessageBox::Ok);
    QCOMPARE(rec.boxes().size(), 4);
    QCOMPARE(rec.boxes().at(3).kind, QMessageBox::Warning);
    QCOMPARE(rec.boxes().at(2).text, QString("3"));
}

void TestMessageBox::standardBoxWithoutHandler_data()
{
    QTest::addColumn<int>("press");
    QTest::newRow("yes") << int(QMessageBox::Yes);
    QTest::newRow("no") << int(QMessageBox::No);
}

void TestMessageBox::standardBoxWithoutHandler()
{
    QFETCH(int, press);
    RealBoxes real;
    QVERIFY(!QMessageBoxKovra::hasHandler());
    QString seenText;
    bool seenModal = false;
    pressLater(QMessageBox::StandardButton(press), &seenText, &seenModal, "messagebox-question");
    const auto pressed = QMessageBoxKovra::question(nullptr, "Quit", "Quit application?",
                                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    QCOMPARE(int(pressed), press);
    QCOMPARE(seenText, QString("Quit application?"));
    QVERIFY(seenModal);
}

void TestMessageBox::styledBoxRestoresWindows()
{
    RealBoxes real;
    QWidget main;
    main.setObjectName("MainWindow");
    main.show();
    QWidget parent;
    parent.show();
    bool mainDisabled = false;
    bool parentDisabled = false;
    QString text;
    QTimer::singleShot(0, [&]() {
        mainDisabled = !main.isEnabled();
        parentDisabled = !parent.isEnabled();
    });
    pressLater(QMessageBox::Ok, &text, nullptr, "messagebox-styled");
    const auto pressed = QMessageBoxKovra::msgBox(QMessageBox::Information, &parent, "Head", "Body", QMessageBox::Ok,
                                                  QMessageBox::Ok);
    QCOMPARE(pressed, QMessageBox::Ok);
    QVERIFY(mainDisabled);
    QVERIFY(parentDisabled);
    QVERIFY(main.isEnabled());
    QVERIFY(parent.isEnabled());
    QVERIFY(text.contains("<strong>Head</strong>"));
    QVERIFY(text.contains("<p>Body</p>"));
}

void TestMessageBox::fatalExitObserved()
{
    MessageBoxRecorder rec;
    QList<int> codes;
    setFatalExitHook([&](int code) { codes << code; });
    fatalExit(nullptr, "Camera", "Impossible to detect camera!");
    setFatalExitHook({});
    QCOMPARE(codes, QList<int>{0});
    QCOMPARE(rec.boxes().size(), 1);
    QCOMPARE(rec.boxes().first().kind, QMessageBox::Critical);
    QCOMPARE(rec.boxes().first().text, QString("Impossible to detect camera!"));
    QCOMPARE(int(rec.boxes().first().buttons), int(QMessageBox::Ok));
    QCOMPARE(rec.boxes().first().defaultButton, QMessageBox::NoButton);
}

void TestMessageBox::fatalExitEndsProcess()
{
    TestWorkDir wd;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("T8A_FATAL_CHILD", "1");
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), {"fatalExitChild"});
    QVERIFY(p.waitForFinished(20000));
    const QByteArray out = p.readAllStandardOutput();
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY2(out.contains("box: Second|Program already in execution"), out.constData());
    QVERIFY2(!out.contains("returned"), out.constData());
}

// Runs only inside the child process of fatalExitEndsProcess.
void TestMessageBox::fatalExitChild()
{
    if (qEnvironmentVariableIsEmpty("T8A_FATAL_CHILD"))
        QSKIP("runs as the child of fatalExitEndsProcess");
    QMessageBoxKovra::setHandler([](const QMessageBoxKovra::Box &b) {
        std::printf("box: %s|%s\n", qPrintable(b.title), qPrintable(b.text));
        return QMessageBox::Ok;
    });
    fatalExit(nullptr, "Second", "Program already in execution");
    std::printf("returned\n");
    QFAIL("fatalExit returned");
}

void TestMessageBox::recorderGivesBackHandler()
{
    QStringList seen;
    const auto found = QMessageBoxKovra::setHandler([&](const QMessageBoxKovra::Box &b) {
        seen << b.text;
        return QMessageBox::Ok;
    });
    {
        MessageBoxRecorder rec;
        QMessageBoxKovra::information(nullptr, "a", "recorded");
    }
    QMessageBoxKovra::information(nullptr, "a", "after");
    QMessageBoxKovra::setHandler(found);
    QCOMPARE(seen, QStringList{"after"});
}

void TestMessageBox::unexpectedBoxFailsTest_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("answer");
    QTest::newRow("message box") << "unexpected box: Delete: Delete tool?" << "answered 65536";   // No
    QTest::newRow("input dialog") << "dialog left open for 300 ms: QInputDialog \"Tool\": Length" << "answered 0";
}

// A box no test expects fails the test at once and is answered as Enter
// would; a dialog left open in its own event loop fails it and is rejected.
void TestMessageBox::unexpectedBoxFailsTest()
{
    QFETCH(QString, failure);
    QFETCH(QString, answer);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("T8A_BOX_CHILD", QTest::currentDataTag());
    env.insert("T8A_DIALOG_LIMIT_MS", "300");
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), {"unexpectedBoxChild"});
    QVERIFY(p.waitForFinished(60000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(out.contains("FAIL!  : TestMessageBox::unexpectedBoxChild() " + failure), qPrintable(out));
    QVERIFY2(out.contains(answer), qPrintable(out));
}

// Runs only inside the child process of unexpectedBoxFailsTest.
void TestMessageBox::unexpectedBoxChild()
{
    const QByteArray kind = qgetenv("T8A_BOX_CHILD");
    if (kind.isEmpty())
        QSKIP("runs as the child of unexpectedBoxFailsTest");
    int answer = -1;
    if (kind == "message box") {
        answer = QMessageBoxKovra::question(nullptr, "Delete", "Delete tool?", QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::No);
    } else {
        QInputDialog box;
        box.setWindowTitle("Tool");
        box.setLabelText("Length");
        answer = box.exec();
    }
    std::printf("answered %d\n", answer);
    std::fflush(stdout);
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
