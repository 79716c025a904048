#pragma once

#include <QBitmap>
#include <QPointer>
#include <QRect>
#include <QSignalMapper>
#include <QWidget>
#include <memory>

class QPropertyAnimation;
class QWindow;
class Ui_MyInputPanelForm;

// The touch screen's key panel: a frameless window floating over the main
// window with a numeric pad or an alphanumeric keyboard, chosen by the kind of
// field that last had the focus inside the main window or an open modal
// dialog. It never touches the field itself: every key becomes one of the two
// signals below.
class MyInputPanel : public QWidget
{
    Q_OBJECT
public:
    explicit MyInputPanel(QWidget *parent);
    ~MyInputPanel() override;

    // true opens the panel with the layout that suits the last focused field,
    // false closes it.
    void showKeyboard(bool show);
    // Closes the panel without its animation: for a box that opens next.
    void closeAtOnce();
    bool isCapsOn() const { return capsOn; }
    int KbWidth() const { return currentRect.width(); }
    int KbHeight() const { return currentRect.height(); }

    // Which keys a widget is typed with (the one rule for the layout, for the
    // dialog fields remembered and for the taps that ask for the panel):
    // Numeric the pad (a line edit with a validator, a spin box), Text and
    // Choice (a combo box, nothing selected) the letter keyboard.
    enum class FieldKind { None, Numeric, Text, Choice };
    static FieldKind fieldKind(const QWidget *w);

    // The open modal dialog that holds field, or null when the field lies in
    // the main window (or in no modal window at all).
    QWidget *modalDialogOf(const QWidget *field) const;

    // Fixed screen points of the two layouts and the point they grow from.
    static const QPoint alphaPos;
    static const QPoint numericPos;
    static const QPoint closedPos;

signals:
    void characterGenerated(QChar character);
    void characterCtrlGenerated(int key);

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private slots:
    void saveFocusWidget(QWidget *oldFocus, QWidget *newFocus);
    void buttonClicked(QWidget *w);
    void buttonCtrlClicked(QWidget *w);
    void hideKeyboard();
    void slotToggleCaps();

private:
    bool alphaSelected() const { return currentRect == alphaRect; }
    void selectAlpha();
    void selectNumeric();
    void sortKeys(QWidget *frame);
    void hostIn(QWidget *dialog);
    void returnHome();
    QPoint placeBeside(QWidget *dialog, const QWidget *field) const;

    std::unique_ptr<Ui_MyInputPanelForm> form;
    QSignalMapper charMapper;
    QSignalMapper ctrlMapper;
    QPropertyAnimation *geometryAnimation = nullptr;
    QRect numericRect;
    QRect alphaRect;
    QRect currentRect;
    bool capsOn = true;
    QWidget *mainWidget = nullptr;
    QPointer<QWidget> lastFocusedWidget;
    QBitmap numericMask;
    QBitmap alphaMask;
    // The modal dialog whose window the panel's window belongs to while it
    // types into a field there; null while it serves the main window.
    QPointer<QWidget> hostDialog;
    // The last focus widget inside the main window, remembered again when the
    // dialog goes.
    QPointer<QWidget> mainFocus;
    QPointer<QWindow> homeTransientParent;
};
