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

void MyInputPanelContext::leaveIfServing(const QWidget *container)
{
    if (keyPanel && targetWidget && container && (container == targetWidget || container->isAncestorOf(targetWidget)))
        keyPanel->closeAtOnce();
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

bool MyInputPanelContext::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonRelease || !watched->isWidgetType())
        return false;
    if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
        return false;
    QWidget *w = static_cast<QWidget *>(watched);
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
    if (!targetWidget || !QCoreApplication::instance())
        return;
    QKeyEvent press(QEvent::KeyPress, character.unicode(), Qt::NoModifier, QString(character));
    QCoreApplication::sendEvent(targetWidget, &press);
}

void MyInputPanelContext::sendCtrlCharacter(int key)
{
    if (!targetWidget || !QCoreApplication::instance())
        return;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString());
    QCoreApplication::sendEvent(targetWidget, &press);
}
