#include "keyboard/myinputpanel.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QVector>
#include <QWindow>

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

QRect globalRect(const QWidget *w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
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

MyInputPanel::FieldKind MyInputPanel::fieldKind(const QWidget *w)
{
    if (const auto *le = qobject_cast<const QLineEdit *>(w))
        return le->validator() ? FieldKind::Numeric : FieldKind::Text;
    if (qobject_cast<const QAbstractSpinBox *>(w))
        return FieldKind::Numeric;
    if (qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w))
        return FieldKind::Text;
    return qobject_cast<const QComboBox *>(w) ? FieldKind::Choice : FieldKind::None;
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

bool MyInputPanel::eventFilter(QObject *watched, QEvent *e)
{
    // The dialog goes: the panel closes with it and is the main window's again.
    if (watched == hostDialog && e->type() == QEvent::Hide)
        returnHome();
    return QWidget::eventFilter(watched, e);
}

void MyInputPanel::saveFocusWidget(QWidget *, QWidget *newFocus)
{
    if (!newFocus || isAncestorOf(newFocus))
        return;
    // While a modal dialog blocks the main window, its fields are the ones
    // the operator types into.
    if (mainWidget && mainWidget->isAncestorOf(newFocus))
        lastFocusedWidget = mainFocus = newFocus;
    else if (fieldKind(newFocus) != FieldKind::None && modalDialogOf(newFocus))
        lastFocusedWidget = newFocus;
}

QWidget *MyInputPanel::modalDialogOf(const QWidget *field) const
{
    if (!field)
        return nullptr;
    QWidget *top = field->window();
    if (top == this || (mainWidget && top == mainWidget->window()) || !top->isModal() || !top->isVisible())
        return nullptr;
    return top;
}

// A window that belongs to the modal dialog is not blocked by it: only so do
// the touches on the keys reach the panel. The panel stays the main window's
// widget and is neither hidden nor shown again, so the dialog keeps its
// activation and its field the focus.
void MyInputPanel::hostIn(QWidget *dialog)
{
    if (hostDialog == dialog)
        return;
    returnHome();
    geometryAnimation->stop();
    setGeometry(QRect(closedPos, QSize(0, 0)));
    hostDialog = dialog;
    dialog->installEventFilter(this);
    if (QWindow *panelWindow = windowHandle()) {
        homeTransientParent = panelWindow->transientParent();
        panelWindow->setTransientParent(dialog->windowHandle());
    }
}

void MyInputPanel::returnHome()
{
    if (!hostDialog)
        return;
    hostDialog->removeEventFilter(this);
    hostDialog = nullptr;
    lastFocusedWidget = mainFocus;
    geometryAnimation->stop();
    setGeometry(QRect(closedPos, QSize(0, 0)));
    if (QWindow *panelWindow = windowHandle())
        panelWindow->setTransientParent(homeTransientParent);
}

// Over a dialog the fixed points could hide its field or its buttons: the
// panel goes beside one of the dialog's sides, level with the field, or into a
// corner of the screen area; of those that leave the field and the buttons
// clear, the one that covers least of the dialog and lies nearest the field.
// Always on the main window's screen area.
QPoint MyInputPanel::placeBeside(QWidget *dialog, const QWidget *field) const
{
    const QSize size = currentRect.size();
    QRect bounds;
    if (mainWidget && mainWidget->window()->isVisible())
        bounds = mainWidget->window()->frameGeometry();
    else if (QScreen *screen = dialog->screen())
        bounds = screen->geometry();
    const QRect box = dialog->frameGeometry();
    const bool ownField = field && dialog->isAncestorOf(field);

    QVector<QRect> keepClear;
    if (ownField)
        keepClear << globalRect(field);
    const QList<QAbstractButton *> buttons = dialog->findChildren<QAbstractButton *>();
    for (const QAbstractButton *b : buttons)
        if (b->window() == dialog && b->isVisibleTo(dialog))
            keepClear << globalRect(b);

    const QPoint aim = ownField ? globalRect(field).center() : box.center();
    const int maxX = bounds.right() + 1 - size.width();
    const int maxY = bounds.bottom() + 1 - size.height();
    const int levelX = aim.x() - size.width() / 2;
    const int levelY = aim.y() - size.height() / 2;
    const QPoint tries[] = {{box.left() - size.width(), levelY}, {box.right() + 1, levelY},
                            {levelX, box.top() - size.height()}, {levelX, box.bottom() + 1},
                            {bounds.left(), bounds.top()},        {maxX, bounds.top()},
                            {bounds.left(), maxY},                {maxX, maxY}};

    bool found = false;
    qint64 bestCover = 0, bestDistance = 0;
    QPoint best = alphaSelected() ? alphaPos : numericPos;
    for (const QPoint &t : tries) {
        const QRect r(QPoint(qBound(bounds.left(), t.x(), maxX), qBound(bounds.top(), t.y(), maxY)), size);
        bool clear = true;
        for (const QRect &k : keepClear)
            clear = clear && !r.intersects(k);
        if (!clear)
            continue;
        const QRect over = r.intersected(box);
        const qint64 cover = over.isEmpty() ? 0 : qint64(over.width()) * over.height();
        const QPoint d = r.center() - aim;
        const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (!found || cover < bestCover || (cover == bestCover && distance < bestDistance)) {
            found = true;
            bestCover = cover;
            bestDistance = distance;
            best = r.topLeft();
        }
    }
    return best;
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

void MyInputPanel::closeAtOnce()
{
    geometryAnimation->stop();
    setGeometry(QRect(closedPos, QSize(0, 0)));
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

    const FieldKind kind = fieldKind(w);
    if (kind == FieldKind::Numeric)
        selectNumeric();
    else if (kind != FieldKind::None)
        selectAlpha();
    // Every typed kind has the slot; a combo box keeps its text unselected.
    if (kind == FieldKind::Numeric || kind == FieldKind::Text)
        QMetaObject::invokeMethod(w, "selectAll");

    // A field of a modal dialog gets the panel as a window of that dialog.
    if (show) {
        if (QWidget *dialog = modalDialogOf(w))
            hostIn(dialog);
        else
            returnHome();
    }

    const bool alpha = alphaSelected();
    const QPoint at = hostDialog ? placeBeside(hostDialog, w) : alpha ? alphaPos : numericPos;
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
