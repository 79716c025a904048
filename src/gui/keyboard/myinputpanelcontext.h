#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class MyInputPanel;
class QEvent;
class QWidget;

// The application's input context for the touch screen: it opens the key
// panel when a text field asks for the software input panel, and turns the
// panel's keys into key presses for that field. A double spin box of the main
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

    // Closes the panel when the field it types into lies in container.
    void closeWith(const QWidget *container);

    // A panel starts a write or a send: the boxes that follow must not open
    // over the keys of a field it no longer takes. Closes the installed
    // context's panel at once (no animation) when it types into a field of
    // container; nothing without an installed context.
    static void leaveForWrite(const QWidget *container);

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

    QPointer<MyInputPanel> keyPanel;
    QPointer<QWidget> targetWidget;
    static QPointer<MyInputPanelContext> installed;
};
