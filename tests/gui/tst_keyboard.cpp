#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QDoubleValidator>
#include <QInputDialog>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextEdit>
#include <QtTest>
#include <memory>

#include "keyboard/myinputpanel.h"
#include "keyboard/myinputpanelcontext.h"
#include "support/AnimationClock.h"
#include "support/Screenshot.h"
#include "support/WindowTap.h"

namespace {

const QRect numericOpen(200, 260, 240, 413);
const QRect alphaOpen(72, 300, 495, 255);
const QRect closedRect(320, 420, 0, 0);

// Records the key presses it receives.
class KeyRecorder : public QWidget
{
public:
    explicit KeyRecorder(QWidget *parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }
    struct Press { int key; QString text; Qt::KeyboardModifiers mods; bool autoRepeat; };
    QList<Press> presses;
    int releases = 0;

protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        presses.append({e->key(), e->text(), e->modifiers(), e->isAutoRepeat()});
    }
    void keyReleaseEvent(QKeyEvent *) override { ++releases; }
};

// A stand-in main window with one field of each kind the panel tells apart.
struct Screen
{
    QWidget window;
    QLineEdit *numeric;
    QLineEdit *text;
    QTextEdit *textEdit;
    QComboBox *combo;
    QDoubleSpinBox *doubleSpin;
    QSpinBox *spin;
    KeyRecorder *recorder;
    QPushButton *plainButton;

    Screen()
    {
        window.setWindowTitle("test window");
        window.setGeometry(0, 0, 1024, 768);
        numeric = new QLineEdit(&window);
        numeric->setObjectName("numeric");
        numeric->setValidator(new QDoubleValidator(-1000, 1000, 3, numeric));
        numeric->setGeometry(20, 20, 200, 30);
        text = new QLineEdit(&window);
        text->setObjectName("text");
        text->setGeometry(20, 60, 200, 30);
        textEdit = new QTextEdit(&window);
        textEdit->setGeometry(20, 100, 200, 60);
        combo = new QComboBox(&window);
        combo->setEditable(true);
        combo->addItems({"alpha", "beta"});
        combo->setGeometry(20, 170, 200, 30);
        doubleSpin = new QDoubleSpinBox(&window);
        doubleSpin->setGeometry(240, 20, 120, 30);
        spin = new QSpinBox(&window);
        spin->setGeometry(240, 60, 120, 30);
        recorder = new KeyRecorder(&window);
        recorder->setGeometry(240, 100, 120, 30);
        plainButton = new QPushButton("plain", &window);
        plainButton->setGeometry(240, 140, 120, 30);
        plainButton->setFocusPolicy(Qt::StrongFocus);
    }

    bool show()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

bool focusOn(QWidget *w)
{
    w->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([w] { return QApplication::focusWidget() == w; }, 2000);
}

QPushButton *key(QWidget *panel, const char *name)
{
    return panel->findChild<QPushButton *>(QString::fromLatin1(name));
}

// The panel opens and closes only through its animation: that none was
// started shows once animationsTurned().

// Counts the activations a window gets.
// The screen with a panel holding one numeric field, another panel beside
// it, and a keyboard context of its own (installed by the test).
struct PanelScreen
{
    Screen s;
    QWidget *panel = new QWidget(&s.window);
    QLineEdit *field = new QLineEdit(panel);
    QWidget *other = new QWidget(&s.window);
    std::unique_ptr<MyInputPanelContext> ctx{new MyInputPanelContext(&s.window)};

    PanelScreen()
    {
        panel->setGeometry(500, 20, 300, 100);
        field->setValidator(new QIntValidator(0, 999, field));
        field->setGeometry(10, 10, 200, 30);
        other->setGeometry(500, 200, 300, 100);
    }

    // Shown, the context installed, the field tapped: its numeric keys open.
    bool keysOnField()
    {
        if (!s.show())
            return false;
        ctx->install();
        QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        return QTest::qWaitFor([this] { return ctx->panel()->geometry() == numericOpen; });
    }
};

class Activations : public QObject
{
public:
    explicit Activations(QWidget *window) { window->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        count += e->type() == QEvent::WindowActivate;
        return false;
    }
};

// Writes the window with the open panel over it into $SCREENSHOT_DIR.
void saveShot(const QString &name, QWidget &window, QWidget *panel)
{
    if (qEnvironmentVariableIsEmpty("SCREENSHOT_DIR"))
        return;
    QImage img = window.grab().toImage();
    {
        QPainter p(&img);
        p.drawPixmap(panel->pos() - window.pos(), panel->grab());
    }
    QVERIFY(saveScreenshot(img, name));
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void formKeys();
    void formValues_data();
    void formValues();
    void pictures_data();
    void pictures();

    void panelLayoutByWidget_data();
    void panelLayoutByWidget();
    void panelOtherWidgetKeepsLayout();
    void panelSpinBoxGetsPad_data();
    void panelSpinBoxGetsPad();
    void panelSecondOpenDoesNotAnimate();
    void panelNothingBeforeFocus();
    void panelCloseAfterFieldDestroyed();
    void panelCaps();
    void panelControlKeys_data();
    void panelControlKeys();
    void panelIgnoresOtherWindows();

    void contextRequest_data();
    void contextRequest();
    void contextCloseRequest();
    void contextOtherEvents();
    void contextKeyEvents_data();
    void contextKeyEvents();
    void contextDropsKeysWithoutTarget();
    void contextLeavesWhenFieldDone_data();
    void contextLeavesWhenFieldDone();
    void contextKeysOnlyIntoFieldInSight_data();
    void contextKeysOnlyIntoFieldInSight();

    void touchNumericField();
    void touchTextFieldAndClose();
    void touchDoubleSpinBox();
    void touchReadOnlyAndLabel();
    void touchAfterOutsideClose();

    void touchModalDialogField_data();
    void touchModalDialogField();
    void touchDialogDeletedWhileOpen();

private:
    void typeIntoDialog(QInputDialog &box, QWidget &window, MyInputPanel *panel, const QStringList &keys,
                        const QString &typed, bool numeric);
};

namespace {
QtMessageHandler previousHandler = nullptr;

// The offscreen platform cannot raise a window that stays on top; that note
// says nothing about the panel.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (msg.contains(QLatin1String("does not support raise()")))
        return;
    previousHandler(type, context, msg);
}
} // namespace

void TestKeyboard::initTestCase()
{
    Q_INIT_RESOURCE(img);
    previousHandler = qInstallMessageHandler(quietHandler);
}

void TestKeyboard::formKeys()
{
    QWidget window;
    MyInputPanel host(&window);
    QCOMPARE(host.objectName(), QString("MyInputPanelForm"));
    QCOMPARE(host.windowTitle(), QString("Input Panel"));
    auto *frmKbNumeric = host.findChild<QFrame *>("frmKbNumeric");
    auto *frmKbAlfa = host.findChild<QFrame *>("frmKbAlfa");
    QVERIFY(frmKbNumeric && frmKbAlfa);
    QCOMPARE(frmKbNumeric->parentWidget(), &host);
    QCOMPARE(frmKbAlfa->parentWidget(), &host);
    QCOMPARE(frmKbNumeric->geometry(), QRect(0, 0, 240, 413));
    // The panel puts both layouts at its top-left corner.
    QCOMPARE(frmKbAlfa->geometry(), QRect(0, 0, 495, 255));

    const auto numericKeys = frmKbNumeric->findChildren<QPushButton *>();
    const auto alphaKeys = frmKbAlfa->findChildren<QPushButton *>();
    QCOMPARE(numericKeys.size(), 16);
    QCOMPARE(alphaKeys.size(), 52);
    QCOMPARE(host.findChildren<QPushButton *>().size(), 68);

    int characters = 0, strings = 0, none = 0;
    QMap<QString, int> controls;
    QStringList noValue;
    for (QPushButton *k : numericKeys + alphaKeys) {
        QVERIFY2(k->focusPolicy() == Qt::NoFocus, qPrintable(k->objectName()));
        const QVariant v = k->property("buttonValue");
        if (!v.isValid()) {
            ++none;
            noValue << k->objectName();
        } else if (v.userType() == QMetaType::QChar) {
            ++characters;
        } else {
            QCOMPARE(v.userType(), int(QMetaType::QString));
            ++strings;
            ++controls[v.toString()];
        }
    }
    QCOMPARE(characters, 59);
    QCOMPARE(strings, 6);
    QCOMPARE(none, 3);
    noValue.sort();
    QCOMPARE(noValue, QStringList({"btnCaps", "closeButton", "closeButton2"}));
    QCOMPARE(controls, (QMap<QString, int>{{"BS", 2}, {"LEFT", 2}, {"RIGHT", 2}}));

    struct { QPushButton *closeButton, *closeButton2, *btnCaps; } form{
        key(&host, "closeButton"), key(&host, "closeButton2"), key(&host, "btnCaps")};
    QVERIFY(form.closeButton->parentWidget() == frmKbNumeric);
    QVERIFY(form.closeButton2->parentWidget() == frmKbAlfa);
    QVERIFY(form.closeButton->text().isEmpty());
    QVERIFY(form.closeButton2->text().isEmpty());
    QVERIFY(!form.closeButton->icon().isNull());
    QVERIFY(!form.closeButton2->icon().isNull());
    QVERIFY(form.btnCaps->isCheckable());
    QVERIFY(!form.btnCaps->isChecked());
    QCOMPARE(form.btnCaps->text(), QString("      Caps   "));
    // The pad keys never repeat; the keyboard keys do, but its close key.
    for (QPushButton *k : numericKeys)
        QVERIFY2(!k->autoRepeat(), qPrintable(k->objectName()));
    for (QPushButton *k : alphaKeys)
        QCOMPARE(k->autoRepeat(), k != form.closeButton2);
    // Every character key shows its character, letters in upper case.
    QString typed;
    for (QPushButton *k : alphaKeys) {
        const QChar c = k->property("buttonValue").toChar();
        if (c.isLetterOrNumber() || c.isPunct() || c.isSymbol()) {
            QCOMPARE(k->text(), QString(c.toUpper()));
            typed += c;
        }
    }
    std::sort(typed.begin(), typed.end());
    QCOMPARE(typed, QString("()*+,-./0123456789:;abcdefghijklmnopqrstuvwxyz"));
}

void TestKeyboard::formValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("pad 1") << "panelButton_1" << QVariant(QChar('1')) << "1" << QRect(10, 38, 72, 72);
    QTest::newRow("pad 0") << "panelButton_0" << QVariant(QChar('0')) << "0" << QRect(85, 263, 72, 72);
    QTest::newRow("pad dot") << "panelButton_dot" << QVariant(QChar('.')) << "." << QRect(160, 263, 72, 72);
    QTest::newRow("pad minus") << "panelButton_minus" << QVariant(QChar('-')) << "-" << QRect(10, 263, 72, 72);
    QTest::newRow("pad bs") << "panelButton_bs" << QVariant(QString("BS")) << "" << QRect(85, 338, 72, 72);
    QTest::newRow("pad right") << "panelButton_right" << QVariant(QString("RIGHT")) << "" << QRect(160, 338, 72, 72);
    QTest::newRow("letter q") << "btnQ" << QVariant(QChar('q')) << "Q" << QRect(92, 85, 36, 36);
    QTest::newRow("letter y") << "btnY" << QVariant(QChar('y')) << "Y" << QRect(292, 84, 36, 36);
    QTest::newRow("letter a") << "btnA" << QVariant(QChar('a')) << "A" << QRect(92, 125, 38, 38);
    QTest::newRow("letter m") << "btnM" << QVariant(QChar('m')) << "M" << QRect(332, 165, 36, 36);
    QTest::newRow("fwd slash types star") << "btnFwdSlash" << QVariant(QChar('*')) << "*" << QRect(52, 85, 36, 36);
    QTest::newRow("bcwd slash types slash") << "btnBcwdSlash" << QVariant(QChar('/')) << "/" << QRect(12, 85, 36, 36);
    QTest::newRow("start square types )") << "btnStartSquare" << QVariant(QChar(')')) << ")" << QRect(52, 165, 36, 36);
    QTest::newRow("close square types (") << "btnCloseSquare" << QVariant(QChar('(')) << "(" << QRect(12, 165, 36, 36);
    QTest::newRow("sp types colon") << "btnSp" << QVariant(QChar(':')) << ":" << QRect(452, 125, 36, 36);
    QTest::newRow("space") << "btnSpace" << QVariant(QChar(' ')) << "" << QRect(81, 210, 285, 38);
    QTest::newRow("del is back-space") << "btnDel" << QVariant(QString("BS")) << "" << QRect(10, 210, 70, 38);
    QTest::newRow("arrow left") << "btnArrowLeft" << QVariant(QString("LEFT")) << "" << QRect(371, 210, 60, 38);
    QTest::newRow("digit 0") << "btn0" << QVariant(QChar('0')) << "0" << QRect(450, 40, 36, 36);
    QTest::newRow("plus") << "btnPlus" << QVariant(QChar('+')) << "+" << QRect(10, 40, 36, 36);
}

void TestKeyboard::formValues()
{
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(QString, label);
    QFETCH(QRect, geometry);
    QWidget window;
    MyInputPanel host(&window);
    QPushButton *k = host.findChild<QPushButton *>(name);
    QVERIFY(k);
    const QVariant v = k->property("buttonValue");
    QCOMPARE(v.userType(), value.userType());
    QCOMPARE(v, value);
    QCOMPARE(k->text(), label);
    QCOMPARE(k->geometry(), geometry);
}

void TestKeyboard::pictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("keyFace");
    QTest::newRow("Button") << ":/img/Button.png" << QSize(72, 72) << true;
    QTest::newRow("ButtonSmall") << ":/img/ButtonSmall.png" << QSize(38, 38) << true;
    QTest::newRow("ButtonSpace") << ":/img/ButtonSpace.png" << QSize(285, 36) << true;
    QTest::newRow("ButtonCaps") << ":/img/ButtonCaps.png" << QSize(77, 36) << true;
    QTest::newRow("ButtonNum") << ":/img/ButtonNum.png" << QSize(68, 36) << true;
    QTest::newRow("ButtonArrowLeft") << ":/img/ButtonArrowLeft.png" << QSize(60, 38) << true;
    QTest::newRow("ButtonArrowRight") << ":/img/ButtonArrowRight.png" << QSize(60, 38) << true;
    QTest::newRow("BackSpace") << ":/img/BackSpace.png" << QSize(72, 72) << false;
    QTest::newRow("LeftArrow") << ":/img/LeftArrow.png" << QSize(30, 30) << false;
    QTest::newRow("RightArrow") << ":/img/RightArrow.png" << QSize(30, 30) << false;
    QTest::newRow("ExitSmall") << ":/img/ExitSmall.png" << QSize(42, 42) << false;
    // The masks are found without their suffix, as the panel asks for them.
    QTest::newRow("numeric mask") << ":/img/maskKbNum" << QSize(240, 413) << false;
    QTest::newRow("alpha mask") << ":/img/maskKbAlpha" << QSize(495, 255) << false;
    QTest::newRow("clear") << ":/img/none.png" << QSize(1, 1) << false;
}

void TestKeyboard::pictures()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage img(path);
    QVERIFY2(!img.isNull(), qPrintable(path));
    QCOMPARE(img.size(), size);
    if (path.contains("mask")) {
        QCOMPARE(img.depth(), 1);
        const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); y += 7)
            for (int x = 0; x < rgb.width(); x += 7)
                QCOMPARE(rgb.pixel(x, y), qRgb(0, 0, 0));
    }
    QFETCH(bool, keyFace);
    if (keyFace) {
        // A key face shades from top to bottom and carries no word: inside
        // its border and rounded corners each row is one colour.
        const int corner = qMin(img.width(), img.height()) / 6 + 2;
        for (int y = 3; y < img.height() - 3; ++y)
            for (int x = corner; x < img.width() - corner; ++x)
                QVERIFY2(img.pixel(x, y) == img.pixel(corner, y), qPrintable(QString("%1,%2").arg(x).arg(y)));
    }
}

void TestKeyboard::panelLayoutByWidget_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QRect>("open");
    QTest::addColumn<bool>("selects");
    QTest::newRow("line edit with validator") << "numeric" << numericOpen << true;
    QTest::newRow("line edit without validator") << "text" << alphaOpen << true;
    QTest::newRow("text edit") << "textEdit" << alphaOpen << true;
    QTest::newRow("combo box") << "combo" << alphaOpen << false;
    QTest::newRow("plain text edit after the pad") << "plainTextEdit" << alphaOpen << true;
}

void TestKeyboard::panelLayoutByWidget()
{
    QFETCH(QString, field);
    QFETCH(QRect, open);
    QFETCH(bool, selects);
    Screen s;
    s.numeric->setText("12.5");
    s.text->setText("hello");
    s.textEdit->setPlainText("some text");
    auto *plain = new QPlainTextEdit("plain text", &s.window);
    plain->setGeometry(400, 20, 200, 60);
    MyInputPanel panel(&s.window);
    QVERIFY(s.show());
    QCOMPARE(panel.geometry(), QRect(0, 0, 0, 0));

    QWidget *w = field == "numeric" ? static_cast<QWidget *>(s.numeric)
        : field == "text"           ? static_cast<QWidget *>(s.text)
        : field == "textEdit"       ? static_cast<QWidget *>(s.textEdit)
        : field == "plainTextEdit"  ? static_cast<QWidget *>(plain)
                                    : static_cast<QWidget *>(s.combo);
    QVERIFY(focusOn(w));
    panel.showKeyboard(true);
    // It grows from the empty rectangle at (320, 420).
    QCOMPARE(panel.geometry(), closedRect);
    QTRY_COMPARE(panel.geometry(), open);
    QCOMPARE(panel.KbWidth(), open.width());
    QCOMPARE(panel.KbHeight(), open.height());
    const bool alpha = open == alphaOpen;
    QCOMPARE(panel.findChild<QFrame *>("frmKbAlfa")->isVisibleTo(&panel), alpha);
    QCOMPARE(panel.findChild<QFrame *>("frmKbNumeric")->isVisibleTo(&panel), !alpha);
    QCOMPARE(panel.findChild<QFrame *>("frmKbAlfa")->pos(), QPoint(0, 0));

    if (field == "numeric")
        QCOMPARE(s.numeric->selectedText(), selects ? QString("12.5") : QString());
    else if (field == "text")
        QCOMPARE(s.text->selectedText(), QString("hello"));
    else if (field == "textEdit")
        QCOMPARE(s.textEdit->textCursor().selectedText(), QString("some text"));
    else if (field == "plainTextEdit")
        QCOMPARE(plain->textCursor().selectedText(), QString("plain text"));
    else
        QVERIFY(!s.combo->lineEdit()->hasSelectedText());

    panel.showKeyboard(false);
    QTRY_COMPARE(panel.geometry(), closedRect);
}

void TestKeyboard::panelOtherWidgetKeepsLayout()
{
    Screen s;
    MyInputPanel panel(&s.window);
    QVERIFY(s.show());
    QVERIFY(focusOn(s.text));
    panel.showKeyboard(true);
    QTRY_COMPARE(panel.geometry(), alphaOpen);
    panel.showKeyboard(false);
    QTRY_COMPARE(panel.geometry(), closedRect);

    // A button is none of the field kinds: the alphanumeric layout stays.
    QVERIFY(focusOn(s.plainButton));
    panel.showKeyboard(true);
    QTRY_COMPARE(panel.geometry(), alphaOpen);

    // A field of the other layout makes the open panel jump and grow again.
    QVERIFY(focusOn(s.numeric));
    panel.showKeyboard(true);
    QCOMPARE(panel.geometry(), closedRect);
    QTRY_COMPARE(panel.geometry(), numericOpen);
}

void TestKeyboard::panelSpinBoxGetsPad_data()
{
    QTest::addColumn<bool>("decimals");
    QTest::newRow("integer spin box after the keyboard") << false;
    QTest::newRow("double spin box after the keyboard") << true;
}

// A spin box takes numbers: the pad, whatever layout was open before, with
// its number selected so that the first key replaces it.
void TestKeyboard::panelSpinBoxGetsPad()
{
    QFETCH(bool, decimals);
    Screen s;
    s.spin->setValue(12);
    s.doubleSpin->setValue(3.5);
    MyInputPanel panel(&s.window);
    QVERIFY(s.show());
    QVERIFY(focusOn(s.text));
    panel.showKeyboard(true);
    QTRY_COMPARE(panel.geometry(), alphaOpen);

    QAbstractSpinBox *spin = decimals ? static_cast<QAbstractSpinBox *>(s.doubleSpin) : s.spin;
    QVERIFY(focusOn(spin));
    spin->findChild<QLineEdit *>()->deselect();
    panel.showKeyboard(true);
    QTRY_COMPARE(panel.geometry(), numericOpen);
    QCOMPARE(spin->findChild<QLineEdit *>()->selectedText(), spin->text());
}

void TestKeyboard::panelSecondOpenDoesNotAnimate()
{
    Screen s;
    s.numeric->setText("7");
    MyInputPanel panel(&s.window);
    QVERIFY(s.show());
    QVERIFY(focusOn(s.numeric));
    panel.showKeyboard(true);
    QTRY_COMPARE(panel.geometry(), numericOpen);
    s.numeric->deselect();
    panel.showKeyboard(true);
    QCOMPARE(panel.geometry(), numericOpen);
    QVERIFY(animationsTurned());
    QCOMPARE(panel.geometry(), numericOpen);
    QCOMPARE(s.numeric->selectedText(), QString("7"));
}

void TestKeyboard::panelNothingBeforeFocus()
{
    Screen s;
    QVERIFY(s.show());
    MyInputPanel panel(&s.window);
    // Closing the fresh, closed panel does nothing.
    panel.showKeyboard(false);
    QCOMPARE(panel.geometry(), QRect(0, 0, 0, 0));
    // No field of the main window had the focus since the panel was made.
    panel.showKeyboard(true);
    QVERIFY(animationsTurned());
    QCOMPARE(panel.geometry(), QRect(0, 0, 0, 0));
}

void TestKeyboard::panelCloseAfterFieldDestroyed()
{
    Screen s;
    MyInputPanel panel(&s.window);
    QVERIFY(s.show());
    auto *doomed = new QLineEdit(&s.window);
    doomed->show();
    QVERIFY(focusOn(doomed));
    panel.showKeyboard(true);
    QTRY_COMPARE(panel.geometry(), alphaOpen);
    delete doomed;

    // The panel's own close key still closes it.
    QTest::mouseClick(key(&panel, "closeButton2"), Qt::LeftButton);
    QTRY_COMPARE(panel.geometry(), closedRect);

    // Opening needs a living field again.
    panel.showKeyboard(true);
    QVERIFY(animationsTurned());
    QCOMPARE(panel.geometry(), closedRect);

    QVERIFY(focusOn(s.numeric));
    panel.showKeyboard(true);
    QTRY_COMPARE(panel.geometry(), numericOpen);
    // And the close call of the main window after the field went.
    QLineEdit *second = new QLineEdit(&s.window);
    second->setValidator(new QIntValidator(second));
    second->show();
    QVERIFY(focusOn(second));
    delete second;
    panel.showKeyboard(false);
    QTRY_COMPARE(panel.geometry(), closedRect);
}

void TestKeyboard::panelCaps()
{
    Screen s;
    MyInputPanel panel(&s.window);
    QVERIFY(s.show());
    QSignalSpy chars(&panel, &MyInputPanel::characterGenerated);
    QVERIFY(panel.isCapsOn());
    QCOMPARE(key(&panel, "btnQ")->text(), QString("Q"));

    QTest::mouseClick(key(&panel, "btnQ"), Qt::LeftButton);
    QTest::mouseClick(key(&panel, "btn7"), Qt::LeftButton);
    QTest::mouseClick(key(&panel, "btnComma"), Qt::LeftButton);
    QCOMPARE(chars.size(), 3);
    QCOMPARE(chars.at(0).at(0).value<QChar>(), QChar('Q'));
    QCOMPARE(chars.at(1).at(0).value<QChar>(), QChar('7'));
    QCOMPARE(chars.at(2).at(0).value<QChar>(), QChar(','));

    QTest::mouseClick(key(&panel, "btnCaps"), Qt::LeftButton);
    QVERIFY(!panel.isCapsOn());
    QCOMPARE(key(&panel, "btnQ")->text(), QString("q"));
    QCOMPARE(key(&panel, "btnM")->text(), QString("m"));
    QCOMPARE(key(&panel, "btn7")->text(), QString("7"));
    QCOMPARE(key(&panel, "btnSemiColon")->text(), QString(";"));
    QCOMPARE(key(&panel, "btnSpace")->text(), QString(" "));
    QCOMPARE(key(&panel, "btnCaps")->text(), QString("      Caps   "));
    QVERIFY(key(&panel, "btnDel")->text().isEmpty());
    QCOMPARE(key(&panel, "panelButton_7")->text(), QString("7"));

    QTest::mouseClick(key(&panel, "btnQ"), Qt::LeftButton);
    QTest::mouseClick(key(&panel, "panelButton_dot"), Qt::LeftButton);
    QCOMPARE(chars.size(), 5);
    QCOMPARE(chars.at(3).at(0).value<QChar>(), QChar('q'));
    QCOMPARE(chars.at(4).at(0).value<QChar>(), QChar('.'));

    QTest::mouseClick(key(&panel, "btnCaps"), Qt::LeftButton);
    QVERIFY(panel.isCapsOn());
    QCOMPARE(key(&panel, "btnQ")->text(), QString("Q"));
    QTest::mouseClick(key(&panel, "btnZ"), Qt::LeftButton);
    QCOMPARE(chars.last().at(0).value<QChar>(), QChar('Z'));
}

void TestKeyboard::panelControlKeys_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("pad back-space") << "panelButton_bs" << int(Qt::Key_Backspace);
    QTest::newRow("pad left") << "panelButton_left" << int(Qt::Key_Left);
    QTest::newRow("pad right") << "panelButton_right" << int(Qt::Key_Right);
    QTest::newRow("keyboard back-space") << "btnDel" << int(Qt::Key_Backspace);
    QTest::newRow("keyboard left") << "btnArrowLeft" << int(Qt::Key_Left);
    QTest::newRow("keyboard right") << "btnArrowRight" << int(Qt::Key_Right);
}

void TestKeyboard::panelControlKeys()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QWidget window;
    MyInputPanel panel(&window);
    QSignalSpy ctrl(&panel, &MyInputPanel::characterCtrlGenerated);
    QSignalSpy chars(&panel, &MyInputPanel::characterGenerated);
    QTest::mouseClick(panel.findChild<QPushButton *>(name), Qt::LeftButton);
    QCOMPARE(ctrl.size(), 1);
    QCOMPARE(ctrl.at(0).at(0).toInt(), code);
    QCOMPARE(chars.size(), 0);
}

void TestKeyboard::panelIgnoresOtherWindows()
{
    Screen s;
    MyInputPanel panel(&s.window);
    QVERIFY(s.show());
    QVERIFY(focusOn(s.numeric));

    // A separate top-level window, even one parented to the main window.
    QWidget dialog(&s.window, Qt::Window);
    auto *foreign = new QLineEdit(&dialog);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(focusOn(foreign));

    panel.showKeyboard(true);
    QTRY_COMPARE(panel.geometry(), numericOpen);

    // The panel hands an activation back to the remembered field's window.
    QApplication::setActiveWindow(&dialog);
    QCOMPARE(QApplication::activeWindow(), &dialog);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&panel, &activate);
    QTRY_COMPARE(QApplication::activeWindow(), &s.window);

    // With that field gone, an activation activates nothing: the main window
    // is not activated before a window asked to be active after it.
    QApplication::setActiveWindow(&dialog);
    delete s.numeric;
    Activations main(&s.window);
    QApplication::sendEvent(&panel, &activate);
    QCOMPARE(QApplication::activeWindow(), &dialog);
    QWidget later;
    later.setGeometry(600, 0, 100, 100);
    later.show();
    later.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&later));
    QCOMPARE(main.count, 0);
}

void TestKeyboard::contextRequest_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QRect>("open");
    QTest::newRow("double spin box") << "doubleSpin" << false << 1 << QRect();
    QTest::newRow("numeric line edit") << "numeric" << true << 0 << numericOpen;
    QTest::newRow("text line edit") << "text" << true << 0 << alphaOpen;
    QTest::newRow("integer spin box") << "spin" << true << 0 << numericOpen;
}

void TestKeyboard::contextRequest()
{
    QFETCH(QString, field);
    QFETCH(bool, taken);
    QFETCH(int, requests);
    QFETCH(QRect, open);
    Screen s;
    MyInputPanelContext ctx(&s.window);
    QVERIFY(s.show());
    QSignalSpy req(&ctx, &MyInputPanelContext::reqInputBox);

    QWidget *w = field == "doubleSpin" ? static_cast<QWidget *>(s.doubleSpin)
        : field == "numeric"           ? static_cast<QWidget *>(s.numeric)
        : field == "text"              ? static_cast<QWidget *>(s.text)
                                       : static_cast<QWidget *>(s.spin);
    QVERIFY(focusOn(w));
    const QEvent request(QEvent::RequestSoftwareInputPanel);
    QCOMPARE(ctx.filterEvent(&request), taken);
    QCOMPARE(req.size(), requests);
    QCOMPARE(ctx.target(), taken ? w : nullptr);
    if (open.isNull())
        QCOMPARE(ctx.panel()->geometry(), QRect(0, 0, 0, 0));
    else
        QTRY_COMPARE(ctx.panel()->geometry(), open);

    // Through the main window's calls the same happens.
    ctx.showKeyboard(false);
    QTRY_VERIFY(ctx.panel()->size().isEmpty());
    ctx.showKeyboard(true);
    QCOMPARE(req.size(), 2 * requests);
    if (open.isNull()) {
        QVERIFY(animationsTurned());
        QVERIFY(ctx.panel()->size().isEmpty());
    } else {
        QTRY_COMPARE(ctx.panel()->geometry(), open);
    }
}

void TestKeyboard::contextCloseRequest()
{
    Screen s;
    MyInputPanelContext ctx(&s.window);
    QVERIFY(s.show());
    QSignalSpy req(&ctx, &MyInputPanelContext::reqInputBox);
    QVERIFY(focusOn(s.text));
    const QEvent request(QEvent::RequestSoftwareInputPanel);
    QVERIFY(ctx.filterEvent(&request));
    QTRY_COMPARE(ctx.panel()->geometry(), alphaOpen);

    const QEvent close(QEvent::CloseSoftwareInputPanel);
    QVERIFY(ctx.filterEvent(&close));
    QTRY_COMPARE(ctx.panel()->geometry(), closedRect);
    QCOMPARE(ctx.target(), static_cast<QWidget *>(s.text));

    // A double spin box asking leaves the target as it was.
    QVERIFY(focusOn(s.doubleSpin));
    QVERIFY(!ctx.filterEvent(&request));
    QCOMPARE(req.size(), 1);
    QCOMPARE(ctx.target(), static_cast<QWidget *>(s.text));
    QCOMPARE(ctx.panel()->geometry(), closedRect);
}

void TestKeyboard::contextOtherEvents()
{
    QWidget window;
    MyInputPanelContext ctx(&window);
    QSignalSpy req(&ctx, &MyInputPanelContext::reqInputBox);
    for (QEvent::Type t : {QEvent::KeyPress, QEvent::FocusIn, QEvent::MouseButtonRelease,
                           QEvent::InputMethod, QEvent::Show, QEvent::None}) {
        const QEvent e(t);
        QVERIFY(!ctx.filterEvent(&e));
    }
    QCOMPARE(req.size(), 0);
    QCOMPARE(ctx.panel()->geometry(), QRect(0, 0, 0, 0));
    QCOMPARE(ctx.identifierName(), QString("MyInputPanelContext"));
    QCOMPARE(ctx.language(), QString("en_US"));
    QVERIFY(!ctx.isComposing());
}

void TestKeyboard::contextKeyEvents_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("caps on") << QStringList{"btnA", "btn1"} << QList<int>{65, 49} << QStringList{"A", "1"};
    QTest::newRow("lower case") << QStringList{"btnCaps", "btnA", "btnSpace"} << QList<int>{97, 32}
                                << QStringList{"a", " "};
    QTest::newRow("control keys") << QStringList{"btnDel", "panelButton_left", "btnArrowRight"}
                                  << QList<int>{Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Right}
                                  << QStringList{"", "", ""};
}

void TestKeyboard::contextKeyEvents()
{
    QFETCH(QStringList, keys);
    QFETCH(QList<int>, codes);
    QFETCH(QStringList, texts);
    Screen s;
    MyInputPanelContext ctx(&s.window);
    QVERIFY(s.show());
    QVERIFY(focusOn(s.recorder));
    ctx.showKeyboard(true);
    QCOMPARE(ctx.target(), static_cast<QWidget *>(s.recorder));
    for (const QString &k : keys)
        QTest::mouseClick(ctx.panel()->findChild<QPushButton *>(k), Qt::LeftButton);
    QCOMPARE(s.recorder->presses.size(), codes.size());
    for (int i = 0; i < codes.size(); ++i) {
        QCOMPARE(s.recorder->presses.at(i).key, codes.at(i));
        QCOMPARE(s.recorder->presses.at(i).text, texts.at(i));
        QCOMPARE(s.recorder->presses.at(i).text.isNull(), texts.at(i).isEmpty());
        QCOMPARE(s.recorder->presses.at(i).mods, Qt::KeyboardModifiers(Qt::NoModifier));
        QVERIFY(!s.recorder->presses.at(i).autoRepeat);
    }
    QCOMPARE(s.recorder->releases, 0);
}

void TestKeyboard::contextDropsKeysWithoutTarget()
{
    Screen s;
    MyInputPanelContext ctx(&s.window);
    QVERIFY(s.show());
    auto *doomed = new KeyRecorder(&s.window);
    doomed->show();
    QVERIFY(focusOn(doomed));
    ctx.showKeyboard(true);
    QCOMPARE(ctx.target(), static_cast<QWidget *>(doomed));
    delete doomed;
    QCOMPARE(ctx.target(), nullptr);
    QTest::mouseClick(ctx.panel()->findChild<QPushButton *>("panelButton_4"), Qt::LeftButton);
    QTest::mouseClick(ctx.panel()->findChild<QPushButton *>("panelButton_bs"), Qt::LeftButton);
    QCOMPARE(s.recorder->presses.size(), 0);

    // No focus widget at all: the target becomes none, keys go nowhere.
    QVERIFY(focusOn(s.recorder));
    ctx.showKeyboard(true);
    QCOMPARE(ctx.target(), static_cast<QWidget *>(s.recorder));
    s.recorder->clearFocus();
    QTRY_COMPARE(QApplication::focusWidget(), nullptr);
    const QEvent request(QEvent::RequestSoftwareInputPanel);
    QVERIFY(ctx.filterEvent(&request));
    QCOMPARE(ctx.target(), nullptr);
    QTest::mouseClick(ctx.panel()->findChild<QPushButton *>("panelButton_4"), Qt::LeftButton);
    QCOMPARE(s.recorder->presses.size(), 0);
}

void TestKeyboard::touchNumericField()
{
    Screen s;
    s.numeric->setText("99");
    auto *ctx = new MyInputPanelContext(&s.window);
    QVERIFY(s.show());
    ctx->install();
    QCOMPARE(ctx->parent(), qApp);
    std::unique_ptr<MyInputPanelContext> owner(ctx);
    QSignalSpy req(ctx, &MyInputPanelContext::reqInputBox);

    QTest::mouseClick(s.numeric, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTRY_COMPARE(ctx->panel()->geometry(), numericOpen);
    QCOMPARE(ctx->target(), static_cast<QWidget *>(s.numeric));
    QCOMPARE(req.size(), 0);
    QCOMPARE(s.numeric->selectedText(), QString("99"));

    // Touching keys neither asks again nor moves the focus.
    for (const char *k : {"panelButton_1", "panelButton_dot", "panelButton_5"})
        QTest::mouseClick(key(ctx->panel(), k), Qt::LeftButton);
    QCOMPARE(s.numeric->text(), QString("1.5"));
    QCOMPARE(ctx->panel()->geometry(), numericOpen);
    QTest::mouseClick(key(ctx->panel(), "panelButton_bs"), Qt::LeftButton);
    QCOMPARE(s.numeric->text(), QString("1."));
    for (const char *k : {"panelButton_left", "panelButton_0", "panelButton_right", "panelButton_2"})
        QTest::mouseClick(key(ctx->panel(), k), Qt::LeftButton);
    QCOMPARE(s.numeric->text(), QString("10.2"));
    for (const char *k : {"panelButton_left", "panelButton_left", "panelButton_left", "panelButton_left",
                          "panelButton_minus"})
        QTest::mouseClick(key(ctx->panel(), k), Qt::LeftButton);
    QCOMPARE(s.numeric->text(), QString("-10.2"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(s.numeric));

    saveShot("keyboard-numeric", s.window, ctx->panel());

    QTest::mouseClick(key(ctx->panel(), "closeButton"), Qt::LeftButton);
    QTRY_COMPARE(ctx->panel()->geometry(), closedRect);
}

void TestKeyboard::contextLeavesWhenFieldDone_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("panelCloses"); // the main window's closeWith, not fieldDone
    QTest::newRow("panel holding the field") << "panel" << true << true << false;
    QTest::newRow("the field itself") << "field" << true << true << false;
    QTest::newRow("another panel") << "other" << true << false << false;
    QTest::newRow("context not installed") << "panel" << false << false << false;
    QTest::newRow("panel holding the field closes") << "panel" << true << true << true;
    QTest::newRow("another panel closes") << "other" << true << false << true;
    QTest::newRow("panel closes, context not installed") << "panel" << false << true << true;
}

// A panel whose field is done (filled by a measure, stored, refused with a
// box, or its panel closed) takes the keys of that field away at once (a box
// opened next must not cover them); the keys of another panel's field stay.
void TestKeyboard::contextLeavesWhenFieldDone()
{
    QFETCH(QString, writer);
    QFETCH(bool, installed);
    PanelScreen p;
    QWidget *panel = p.panel, *other = p.other;
    QLineEdit *field = p.field;
    auto &ctx = p.ctx;
    QVERIFY(p.keysOnField());
    QCOMPARE(ctx->target(), static_cast<QWidget *>(field));
    std::unique_ptr<MyInputPanelContext> stranger;
    if (!installed) {
        // Another context took the application over: this one's panel is not its.
        stranger.reset(new MyInputPanelContext(&p.s.window));
        stranger->install();
    }
    QWidget *done = writer == "panel" ? panel : writer == "field" ? static_cast<QWidget *>(field) : other;
    QFETCH(bool, panelCloses);
    if (panelCloses)
        ctx->closeWith(done);
    else
        MyInputPanelContext::fieldDone(done);
    QFETCH(bool, closes);
    QCOMPARE(ctx->panel()->geometry(), closes ? closedRect : numericOpen);
}

void TestKeyboard::contextKeysOnlyIntoFieldInSight_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<bool>("leaves"); // the keys are gone as it happens
    QTest::newRow("another panel opens") << "panel" << true;
    QTest::newRow("field hidden") << "hide" << true;
    QTest::newRow("its panel slid to nothing") << "shrink" << false;
}

// The keys type into the field they were opened for only while it is in
// sight: a panel opened over it (the boxes' rule too) or the field hidden
// sends them away, and a key that still arrives (or one on keys left over a
// field slid out of sight) changes nothing.
void TestKeyboard::contextKeysOnlyIntoFieldInSight()
{
    QFETCH(QString, event);
    QFETCH(bool, leaves);
    PanelScreen p;
    QWidget *panel = p.panel, *other = p.other;
    QLineEdit *field = p.field;
    auto &ctx = p.ctx;
    QVERIFY(p.keysOnField());
    MyInputPanel *keys = ctx->panel();
    key(keys, "panelButton_1")->click();
    // Its own panel opening leaves the keys typing.
    MyInputPanelContext::boxOpens(panel);
    QCOMPARE(keys->geometry(), numericOpen);
    key(keys, "panelButton_2")->click();
    QCOMPARE(field->text(), QString("12"));

    if (event == "panel") {
        MyInputPanelContext::boxOpens(other);
    } else if (event == "hide") {
        field->hide();
    } else {
        panel->setGeometry(500, 20, 0, 0);
    }
    QCOMPARE(keys->geometry(), leaves ? closedRect : numericOpen);
    key(keys, "panelButton_bs")->click();
    key(keys, "panelButton_5")->click();
    QCOMPARE(field->text(), QString("12"));
}

void TestKeyboard::touchTextFieldAndClose()
{
    Screen s;
    std::unique_ptr<MyInputPanelContext> ctx(new MyInputPanelContext(&s.window));
    QVERIFY(s.show());
    ctx->install();

    QTest::mouseClick(s.text, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTRY_COMPARE(ctx->panel()->geometry(), alphaOpen);
    for (const char *k : {"btnT", "btnCaps", "btnO", "btnO", "btnL", "btnSpace", "btn4"})
        QTest::mouseClick(key(ctx->panel(), k), Qt::LeftButton);
    QCOMPARE(s.text->text(), QString("Tool 4"));
    saveShot("keyboard-alpha", s.window, ctx->panel());
    QTest::mouseClick(key(ctx->panel(), "btnCaps"), Qt::LeftButton);

    // The text edit takes its clicks on its viewport.
    QTest::mouseClick(s.textEdit->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(ctx->target(), static_cast<QWidget *>(s.textEdit));
    QTest::mouseClick(key(ctx->panel(), "btnX"), Qt::LeftButton);
    QCOMPARE(s.textEdit->toPlainText(), QString("X"));

    // The field goes away while the panel is open: the close key still works.
    auto *doomed = new QLineEdit(&s.window);
    doomed->setGeometry(400, 20, 100, 30);
    doomed->show();
    QTest::mouseClick(doomed, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(ctx->target(), static_cast<QWidget *>(doomed));
    delete doomed;
    QTest::mouseClick(key(ctx->panel(), "closeButton2"), Qt::LeftButton);
    QTRY_COMPARE(ctx->panel()->geometry(), closedRect);
}

void TestKeyboard::touchDoubleSpinBox()
{
    Screen s;
    std::unique_ptr<MyInputPanelContext> ctx(new MyInputPanelContext(&s.window));
    QVERIFY(s.show());
    ctx->install();
    QSignalSpy req(ctx.get(), &MyInputPanelContext::reqInputBox);

    QTest::mouseClick(s.doubleSpin->findChild<QLineEdit *>(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(5, 5));
    QCOMPARE(req.size(), 1);
    QVERIFY(animationsTurned());
    QCOMPARE(ctx->panel()->geometry(), QRect(0, 0, 0, 0));
    QCOMPARE(ctx->target(), nullptr);

    // A right-button release asks for nothing.
    QTest::mouseClick(s.doubleSpin->findChild<QLineEdit *>(), Qt::RightButton, Qt::NoModifier,
                      QPoint(5, 5));
    QCOMPARE(req.size(), 1);
}

void TestKeyboard::touchReadOnlyAndLabel()
{
    Screen s;
    auto *label = new QLabel("label", &s.window);
    label->setGeometry(400, 60, 100, 30);
    s.text->setReadOnly(true);
    std::unique_ptr<MyInputPanelContext> ctx(new MyInputPanelContext(&s.window));
    QVERIFY(s.show());
    ctx->install();
    QVERIFY(focusOn(s.numeric));

    QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseClick(s.text, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseClick(s.plainButton, Qt::LeftButton);
    QVERIFY(animationsTurned());
    QCOMPARE(ctx->panel()->geometry(), QRect(0, 0, 0, 0));
    QCOMPARE(ctx->target(), nullptr);
}

// The window manager closes the open pad: the panel goes as by its own close
// key, and the next touch on a field brings the keyboard back.
void TestKeyboard::touchAfterOutsideClose()
{
    Screen s;
    std::unique_ptr<MyInputPanelContext> ctx(new MyInputPanelContext(&s.window));
    QVERIFY(s.show());
    ctx->install();
    QTest::mouseClick(s.numeric, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTRY_COMPARE(ctx->panel()->geometry(), numericOpen);

    QCloseEvent close;
    QCoreApplication::sendEvent(ctx->panel()->windowHandle(), &close);
    QTRY_COMPARE(ctx->panel()->geometry(), closedRect);

    QTest::mouseClick(s.text, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTRY_COMPARE(ctx->panel()->geometry(), alphaOpen);
    QVERIFY(ctx->panel()->isVisible());
}

// A value box over the main window, as the tag editor's row button opens it:
// the field is touched, keys are touched and OK is touched, each through the
// window system as a touch screen delivers it (a modal dialog blocks such
// input to every other window).
void TestKeyboard::touchModalDialogField_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("double box: pad beside the box") << int(QInputDialog::DoubleInput) << QRect()
        << QStringList{"panelButton_2", "panelButton_dot", "panelButton_5"} << "2.5" << true;
    QTest::newRow("integer box: pad beside the box") << int(QInputDialog::IntInput) << QRect()
        << QStringList{"panelButton_minus", "panelButton_4", "panelButton_2"} << "-42" << true;
    QTest::newRow("text box: keyboard beside the box") << int(QInputDialog::TextInput) << QRect()
        << QStringList{"btnT", "btnCaps", "btnO", "btnL"} << "Tol" << false;
    QTest::newRow("box filling the screen: pad off field and buttons") << int(QInputDialog::DoubleInput)
        << QRect(10, 10, 1000, 740) << QStringList{"panelButton_7", "panelButton_bs", "panelButton_9"} << "9"
        << true;
    QTest::newRow("box filling the screen: keyboard off field and buttons") << int(QInputDialog::TextInput)
        << QRect(10, 10, 1000, 740) << QStringList{"btnA", "btn1"} << "A1" << false;
}

void TestKeyboard::touchModalDialogField()
{
    QFETCH(int, mode);
    QFETCH(QRect, geometry);
    QFETCH(QStringList, keys);
    QFETCH(QString, value);
    QFETCH(bool, numeric);
    // The program's own locale: the pad's point is the decimal point.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Screen s;
    std::unique_ptr<MyInputPanelContext> ctx(new MyInputPanelContext(&s.window));
    QVERIFY(s.show());
    ctx->install();
    QSignalSpy req(ctx.get(), &MyInputPanelContext::reqInputBox);
    QPointer<MyInputPanel> panel = ctx->panel();
    QWindow *homeParent = panel->windowHandle()->transientParent();

    // The main window's text field had the letter keyboard last.
    QTest::mouseClick(s.text, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTRY_COMPARE(panel->geometry(), alphaOpen);
    QTest::mouseClick(key(panel, "closeButton2"), Qt::LeftButton);
    QTRY_COMPARE(panel->geometry(), closedRect);

    QInputDialog box(&s.window);
    box.setWindowTitle("Insert value");
    box.setLabelText("Value");
    box.setInputMode(QInputDialog::InputMode(mode));
    box.setDoubleRange(-1000, 1000);
    box.setDoubleDecimals(5);
    box.setIntRange(-1000, 1000);
    if (!geometry.isNull())
        box.setGeometry(geometry);
    QTimer::singleShot(0, &box, [&] {
        typeIntoDialog(box, s.window, panel, keys, value, numeric);
        if (box.isVisible())
            box.reject();
    });
    const int result = box.exec();
    QLocale::setDefault(before);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(result, int(QDialog::Accepted));
    const QString got = mode == QInputDialog::DoubleInput ? QString::number(box.doubleValue(), 'g', 6)
        : mode == QInputDialog::IntInput                  ? QString::number(box.intValue())
                                                          : box.textValue();
    QCOMPARE(got, value);
    QCOMPARE(req.size(), 0);

    // Closed with the box, and the main window's panel again.
    QVERIFY(panel);
    QCOMPARE(panel->size(), QSize(0, 0));
    QCOMPARE(panel->windowHandle()->transientParent(), homeParent);
    QVERIFY(panel->isVisible());
    // The window manager gives the main window its activation back.
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    QVERIFY(focusOn(s.numeric));
    QTest::mouseClick(s.numeric, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTRY_COMPARE(panel->geometry(), numericOpen);
    tapThroughWindow(key(panel, "panelButton_3"));
    QCOMPARE(s.numeric->text(), QString("3"));
}

// A modal dialog that goes without being closed first (its owner deleted it)
// must not take the keyboard with it.
void TestKeyboard::touchDialogDeletedWhileOpen()
{
    Screen s;
    std::unique_ptr<MyInputPanelContext> ctx(new MyInputPanelContext(&s.window));
    QVERIFY(s.show());
    ctx->install();
    QPointer<MyInputPanel> panel = ctx->panel();
    QWindow *homeParent = panel->windowHandle()->transientParent();
    auto *dialog = new QDialog(&s.window);
    dialog->setModal(true);
    dialog->setGeometry(600, 100, 300, 200);
    auto *field = new QLineEdit(dialog);
    field->setValidator(new QIntValidator(field));
    field->setGeometry(20, 20, 200, 30);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    tapThroughWindow(field, QPoint(5, 5));
    QTRY_COMPARE(panel->size(), numericOpen.size());
    tapThroughWindow(key(panel, "panelButton_8"));
    QCOMPARE(field->text(), QString("8"));

    delete dialog;
    QVERIFY(panel);
    QCOMPARE(panel->windowHandle()->transientParent(), homeParent);
    QCOMPARE(panel->size(), QSize(0, 0));
    s.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    QVERIFY(focusOn(s.text));
    QTest::mouseClick(s.text, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTRY_COMPARE(panel->geometry(), alphaOpen);
}

void TestKeyboard::typeIntoDialog(QInputDialog &box, QWidget &window, MyInputPanel *panel,
                                  const QStringList &keys, const QString &typed, bool numeric)
{
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget *>(&box));
    QWidget *field = nullptr;
    for (QWidget *w : box.findChildren<QWidget *>())
        if (w->isVisible() && (qobject_cast<QAbstractSpinBox *>(w)
                               || (qobject_cast<QLineEdit *>(w) && !qobject_cast<QAbstractSpinBox *>(w->parent()))))
            field = w;
    QVERIFY(field);
    QLineEdit *edit = qobject_cast<QLineEdit *>(field) ? qobject_cast<QLineEdit *>(field)
                                                       : field->findChild<QLineEdit *>();
    QVERIFY(edit);

    tapThroughWindow(edit, QPoint(5, 5));
    QTRY_COMPARE(panel->size(), numeric ? numericOpen.size() : alphaOpen.size());

    // It covers neither the field nor a button of the box, and stays on the
    // main window's screen.
    const QRect placed(panel->pos(), panel->size());
    QVERIFY2(window.geometry().contains(placed), qPrintable(QString("%1,%2").arg(placed.x()).arg(placed.y())));
    QVERIFY(!placed.intersects(QRect(field->mapToGlobal(QPoint(0, 0)), field->size())));
    for (QAbstractButton *b : box.findChildren<QAbstractButton *>())
        if (b->window() == &box && b->isVisible())
            QVERIFY2(!placed.intersects(QRect(b->mapToGlobal(QPoint(0, 0)), b->size())), qPrintable(b->text()));

    for (const QString &k : keys)
        tapThroughWindow(key(panel, k.toLatin1().constData()));
    QCOMPARE(edit->text(), typed);

    if (!qEnvironmentVariableIsEmpty("SCREENSHOT_DIR")) {
        QImage img = window.grab().toImage();
        {
            QPainter p(&img);
            p.drawPixmap(box.pos() - window.pos(), box.grab());
            p.drawPixmap(panel->pos() - window.pos(), panel->grab());
        }
        QVERIFY(saveScreenshot(img, QString("keyboard-dialog-%1").arg(QTest::currentDataTag()).replace(QRegularExpression("[^A-Za-z0-9-]+"), "-")));
    }

    tapThroughWindow(box.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
