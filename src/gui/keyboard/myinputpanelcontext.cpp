#include "keyboard/myinputpanelcontext.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QMouseEvent>

#include "keyboard/myinputpanel.h"

namespace {
// Only a field typed with keys that takes input asks for the keyboard: a tap
// on a combo box opens its list, and item views switch input-method support
// on for themselves, yet a tap on a list row is no request. A text edit takes
// its taps on its viewport.
bool isTextField(QWidget *w)
{
    auto *area = qobject_cast<QAbstractScrollArea *>(w->parentWidget());
    QWidget *field = area && area->viewport() == w ? area : w;
    const MyInputPanel::FieldKind kind = MyInputPanel::fieldKind(field);
    return (kind == MyInputPanel::FieldKind::Numeric || kind == MyInputPanel::FieldKind::Text)
           && field->testAttribute(Qt::WA_InputMethodEnabled);
}

bool holds(const QWidget *container, const QWidget *w)
{
    return container && (container == w || container->isAncestorOf(w));
}

// Some of the field lies within every panel around it: a panel slid to
// nothing or a row scrolled away shows none of it.
bool insideItsPanels(const QWidget *field)
{
    QRect r = field->rect();
    for (const QWidget *w = field; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
        r = r.translated(w->pos()) & w->parentWidget()->rect();
        if (r.isEmpty())
            return false;
    }
    return true;
}
} // namespace

QPointer<MyInputPanelContext> MyInputPanelContext::installed;

MyInputPanelContext::MyInputPanelContext(QWidget *widget)
    : QObject(nullptr)
{
    keyPanel = new MyInputPanel(widget);
    connect(keyPanel, &MyInputPanel::characterGenerated, this,
            &MyInputPanelContext::sendCharacter, Qt::DirectConnection);
    connect(keyPanel, &MyInputPanel::characterCtrlGenerated, this,
            &MyInputPanelContext::sendCtrlCharacter, Qt::DirectConnection);
}

// The panel belongs to the main window and goes with it.
MyInputPanelContext::~MyInputPanelContext() = default;

MyInputPanel *MyInputPanelContext::panel() const
{
    return keyPanel;
}

void MyInputPanelContext::install()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    setParent(app);
    app->installEventFilter(this);
    installed = this;
}

// Shows the panel for focus, or asks for the input box; false when a double
// spin box made it ask.
bool MyInputPanelContext::openFor(QWidget *focus)
{
    // The angle box is the main window's: a double spin box of a modal
    // dialog, which blocks that window, gets the numeric pad instead.
    if (qobject_cast<QDoubleSpinBox *>(focus) && !(keyPanel && keyPanel->modalDialogOf(focus))) {
        emit reqInputBox();
        return false;
    }
    if (keyPanel)
        keyPanel->showKeyboard(true);
    targetWidget = QApplication::focusWidget();
    return true;
}

bool MyInputPanelContext::filterEvent(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::RequestSoftwareInputPanel:
        return openFor(QApplication::focusWidget());
    case QEvent::CloseSoftwareInputPanel:
        if (keyPanel)
            keyPanel->showKeyboard(false);
        return true;
    default:
        return false;
    }
}

void MyInputPanelContext::showKeyboard(bool show)
{
    if (show)
        openFor(QApplication::focusWidget());
    else if (keyPanel)
        keyPanel->showKeyboard(false);
}

void MyInputPanelContext::leave()
{
    if (keyPanel && keyPanel->size() != QSize(0, 0))
        keyPanel->closeAtOnce();
    targetWidget = nullptr;
}

void MyInputPanelContext::leaveIfServing(const QWidget *container)
{
    // Keys that serve no field (opened while the window had no focus, as
    // after a dialog on a display without window manager) type nowhere: the
    // first panel that closes or field that is done takes them along.
    if (!targetWidget || holds(container, targetWidget))
        leave();
}

void MyInputPanelContext::closeWith(const QWidget *container)
{
    leaveIfServing(container);
}

void MyInputPanelContext::fieldDone(const QWidget *container)
{
    if (MyInputPanelContext *context = installed)
        context->leaveIfServing(container);
}

void MyInputPanelContext::leaveFor(const QWidget *box)
{
    // The keys of a field of the box itself (the input box's own field) stay.
    if (!targetWidget || !holds(box, targetWidget))
        leave();
}

void MyInputPanelContext::boxOpens(const QWidget *box)
{
    if (MyInputPanelContext *context = installed)
        context->leaveFor(box);
}

QWidget *MyInputPanelContext::typingTarget() const
{
    QWidget *field = targetWidget;
    if (!field || !field->isVisible() || !field->isEnabled() || !insideItsPanels(field))
        return nullptr;
    // A modal window blocks every other one, whatever the key's path.
    QWidget *modal = QApplication::activeModalWidget();
    return !modal || modal == field->window() ? field : nullptr;
}

bool MyInputPanelContext::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType())
        return false;
    QWidget *w = static_cast<QWidget *>(watched);
    // A modal window (a box, an input dialog, a file chooser) is shown: the
    // keys leave before it, unless it holds their field. A field hidden (by
    // itself or with its panel) takes its keys along.
    if (event->type() == QEvent::Show && w->isWindow() && w->isModal())
        leaveFor(w);
    else if (event->type() == QEvent::Hide && w == targetWidget)
        leave();
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
        return false;
    // The panel's own keys never ask for the panel.
    if (keyPanel && (w == keyPanel || keyPanel->isAncestorOf(w)))
        return false;
    if (!isTextField(w))
        return false;
    QEvent request(QEvent::RequestSoftwareInputPanel);
    filterEvent(&request);
    return false;
}

void MyInputPanelContext::sendCharacter(QChar character)
{
    QWidget *field = typingTarget();
    if (!field || !QCoreApplication::instance())
        return;
    QKeyEvent press(QEvent::KeyPress, character.unicode(), Qt::NoModifier, QString(character));
    QCoreApplication::sendEvent(field, &press);
}

void MyInputPanelContext::sendCtrlCharacter(int key)
{
    QWidget *field = typingTarget();
    if (!field || !QCoreApplication::instance())
        return;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString());
    QCoreApplication::sendEvent(field, &press);
}
