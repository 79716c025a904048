#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class MyInputPanel;
class QEvent;

// The application's input context for the touch screen: it opens the key
// panel when a text field asks for the software input panel, and turns the
// panel's keys into key presses for that field, only while the operator sees
// the field and may type into it. A double spin box of the main
// window gets no panel; the main window's numeric input box is asked for
// instead. In a modal dialog it gets the numeric pad like any other field.
//
// Qt 5 has no pluggable input context: install() makes it an application-wide
// event filter that raises the request on a left-button release over a text
// field that takes input-method input (never over a list or a table).
class MyInputPanelContext : public QObject
{
    Q_OBJECT
public:
    // Creates the key panel as a child of widget (the main window).
    explicit MyInputPanelContext(QWidget *widget);
    ~MyInputPanelContext() override;

    // Hands the context to the application object (which then owns it) and
    // installs it as the application-wide event filter.
    void install();

    QString identifierName() const { return QStringLiteral("MyInputPanelContext"); }
    QString language() const { return QStringLiteral("en_US"); }
    void reset() {}
    bool isComposing() const { return false; }

    // Answers the software-input-panel requests (open and close); true when
    // the event was taken.
    bool filterEvent(const QEvent *event);

    // false closes the panel; true opens it for the focus widget, or asks for
    // the numeric input box when that widget is a double spin box of the main
    // window.
    void showKeyboard(bool show);

    // The one rule for the keys of a panel's field: they leave at once (no
    // animation, so no box opens over them) when the field they type into,
    // in container, is filled by a measure, stored, refused with a box, or
    // its panel closes. The keys of another panel's field stay; keys that
    // serve no field leave with any. The panels call it as the action
    // starts; nothing without an installed context.
    static void fieldDone(const QWidget *container);
    // The same rule for this context: the main window's panel that closes.
    void closeWith(const QWidget *container);
    // The same rule for what opens over the fields: a message box (every
    // one, whatever its panel), a modal dialog (seen by the application
    // filter), a panel of the main window, the tool search, another
    // program's window. The keys leave before it shows unless they type into
    // a field of the box itself (null: nothing of the program's own).
    static void boxOpens(const QWidget *box);
    // The same rule for this context.
    void leaveFor(const QWidget *box);

    MyInputPanel *panel() const;
    QWidget *target() const { return targetWidget; }

signals:
    void reqInputBox();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void sendCharacter(QChar character);
    void sendCtrlCharacter(int key);

private:
    bool openFor(QWidget *focus);
    void leaveIfServing(const QWidget *container);
    // Closes the keys at once; a key that still arrives types nowhere until
    // they open again for a field.
    void leave();
    // The target while the operator sees it and may type into it, else null.
    QWidget *typingTarget() const;

    QPointer<MyInputPanel> keyPanel;
    QPointer<QWidget> targetWidget;
    static QPointer<MyInputPanelContext> installed;
};
