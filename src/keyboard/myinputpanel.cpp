#include "keyboard/myinputpanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTextEdit>

#include "ui_myinputpanelform.h"

// The panel's pictures live in a static library: register them here so the
// panel shows its keys whoever creates it.
static void initKeyboardPictures()
{
    Q_INIT_RESOURCE(img);
}

const QPoint MyInputPanel::alphaPos(72, 300);
const QPoint MyInputPanel::numericPos(200, 260);
const QPoint MyInputPanel::closedPos(320, 420);

namespace {
// A key types a character when its "buttonValue" is one of codes 1 to 255.
QChar keyCharacter(const QObject *key)
{
    return key->property("buttonValue").toChar();
}

bool isCharacterKey(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 255;
}
} // namespace

MyInputPanel::MyInputPanel(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::WindowDoesNotAcceptFocus),
      form(new Ui_MyInputPanelForm)
{
    // The field being edited keeps the keyboard focus while keys are touched.
    setAttribute(Qt::WA_ShowWithoutActivating);
    initKeyboardPictures();
    form->setupUi(this);
    mainWidget = parent;

    geometryAnimation = new QPropertyAnimation(this, "geometry");
    geometryAnimation->setEasingCurve(QEasingCurve::InOutSine);
    geometryAnimation->setDuration(300);

    // Closed means 0 x 0; the panel itself stays a visible window.
    setGeometry(QRect(0, 0, 0, 0));
    setVisible(true);

    connect(qApp, &QApplication::focusChanged, this, &MyInputPanel::saveFocusWidget);

    sortKeys(form->frmKbAlfa);
    sortKeys(form->frmKbNumeric);
    connect(&charMapper, &QSignalMapper::mappedWidget, this, &MyInputPanel::buttonClicked);
    connect(&ctrlMapper, &QSignalMapper::mappedWidget, this, &MyInputPanel::buttonCtrlClicked);
    connect(form->closeButton, &QPushButton::clicked, this, &MyInputPanel::hideKeyboard);
    connect(form->closeButton2, &QPushButton::clicked, this, &MyInputPanel::hideKeyboard);
    connect(form->btnCaps, &QPushButton::clicked, this, &MyInputPanel::slotToggleCaps);

    numericRect = QRect(QPoint(0, 0), form->frmKbNumeric->size());
    alphaRect = QRect(QPoint(0, 0), form->frmKbAlfa->size());

    form->frmKbAlfa->move(0, 0);
    form->frmKbAlfa->hide();
    form->frmKbNumeric->show();

    capsOn = true;
    currentRect = numericRect;

    numericMask = QPixmap(QStringLiteral(":/img/maskKbNum")).mask();
    alphaMask = QPixmap(QStringLiteral(":/img/maskKbAlpha")).mask();
}

MyInputPanel::~MyInputPanel()
{
    delete geometryAnimation;
}

void MyInputPanel::sortKeys(QWidget *frame)
{
    const QList<QPushButton *> keys = frame->findChildren<QPushButton *>();
    for (QPushButton *key : keys) {
        if (isCharacterKey(keyCharacter(key))) {
            charMapper.setMapping(key, key);
            connect(key, &QPushButton::clicked, &charMapper,
                    static_cast<void (QSignalMapper::*)()>(&QSignalMapper::map));
        } else if (!key->property("buttonValue").toString().isEmpty()) {
            ctrlMapper.setMapping(key, key);
            connect(key, &QPushButton::clicked, &ctrlMapper,
                    static_cast<void (QSignalMapper::*)()>(&QSignalMapper::map));
        }
        // Keys without a value (close and caps) are wired on their own.
    }
}

bool MyInputPanel::event(QEvent *e)
{
    // Hand the activation back to the window of the field being edited.
    if (e->type() == QEvent::WindowActivate && lastFocusedWidget)
        lastFocusedWidget->activateWindow();
    return QWidget::event(e);
}

void MyInputPanel::closeEvent(QCloseEvent *e)
{
    // Closed from outside (the window manager's close): a hidden panel would
    // never open again, so it stays a window and closes as its own key does.
    e->ignore();
    showKeyboard(false);
}

void MyInputPanel::saveFocusWidget(QWidget *, QWidget *newFocus)
{
    if (newFocus && !isAncestorOf(newFocus) && mainWidget && mainWidget->isAncestorOf(newFocus))
        lastFocusedWidget = newFocus;
}

void MyInputPanel::buttonClicked(QWidget *w)
{
    const QChar c = keyCharacter(w);
    emit characterGenerated(capsOn ? c.toUpper() : c.toLower());
}

void MyInputPanel::buttonCtrlClicked(QWidget *w)
{
    const QString value = w->property("buttonValue").toString();
    if (value == QLatin1String("BS"))
        emit characterCtrlGenerated(Qt::Key_Backspace);
    else if (value == QLatin1String("LEFT"))
        emit characterCtrlGenerated(Qt::Key_Left);
    else if (value == QLatin1String("RIGHT"))
        emit characterCtrlGenerated(Qt::Key_Right);
}

void MyInputPanel::hideKeyboard()
{
    showKeyboard(false);
}

void MyInputPanel::slotToggleCaps()
{
    capsOn = !capsOn;
    const QList<QPushButton *> keys = form->frmKbAlfa->findChildren<QPushButton *>();
    for (QPushButton *key : keys) {
        const QChar c = keyCharacter(key);
        if (isCharacterKey(c))
            key->setText(QString(capsOn ? c.toUpper() : c.toLower()));
    }
}

void MyInputPanel::selectAlpha()
{
    currentRect = alphaRect;
    form->frmKbAlfa->show();
    form->frmKbNumeric->hide();
}

void MyInputPanel::selectNumeric()
{
    currentRect = numericRect;
    form->frmKbAlfa->hide();
    form->frmKbNumeric->show();
}

void MyInputPanel::showKeyboard(bool show)
{
    QWidget *w = lastFocusedWidget;
    // Opening needs a field to type into; closing must work even when that
    // field is gone, or nothing could close the panel any more.
    if (!w && (show || size() == QSize(0, 0)))
        return;

    if (w) {
        if (auto *le = qobject_cast<QLineEdit *>(w)) {
            if (le->validator())
                selectNumeric();
            else
                selectAlpha();
            le->selectAll();
        } else if (auto *te = qobject_cast<QTextEdit *>(w)) {
            selectAlpha();
            te->selectAll();
        } else if (qobject_cast<QComboBox *>(w)) {
            selectAlpha();
        }
    }

    const bool alpha = alphaSelected();
    const QPoint at = alpha ? alphaPos : numericPos;
    move(at);

    if (show && size() == currentRect.size())
        return;
    if (!show && size() == QSize(0, 0))
        return;

    setMask(alpha ? alphaMask : numericMask);

    const QRect open(at, currentRect.size());
    const QRect closed(closedPos, QSize(0, 0));
    geometryAnimation->setStartValue(show ? closed : open);
    geometryAnimation->setEndValue(show ? open : closed);
    geometryAnimation->start();
}
