#include "QMessageBoxKovra.h"

#include "keyboard/myinputpanelcontext.h"
#include "shared/FatalExit.h"

#include <QApplication>
#include <QWidget>

namespace {
QMessageBoxKovra::Handler &handler()
{
    static QMessageBoxKovra::Handler h;
    return h;
}

// Gives the box to the handler when one is installed. Every box passes here
// first: the on-screen keys leave before it shows, whoever opens it.
bool intercepted(QMessageBox::Icon kind, QWidget *parent, const QString &title, const QString &text,
                 QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
                 QMessageBox::StandardButton *answer)
{
    MyInputPanelContext::boxOpens(nullptr);
    if (!handler())
        return false;
    QMessageBoxKovra::Box box;
    box.kind = kind;
    box.parent = parent;
    box.title = title;
    box.text = text;
    box.buttons = buttons;
    box.defaultButton = defaultButton;
    *answer = handler()(box);
    return true;
}

// Without a window manager nothing is active once a box has closed: no
// widget has the focus and the on-screen keyboard's keys would reach nothing.
// The main window (or the parent's window) takes the activation back.
void reactivateWindow(QWidget *parent)
{
    QWidget *target = parent && parent->isVisible() ? parent->window() : nullptr;
    if (!target) {
        const QWidgetList tops = QApplication::topLevelWidgets();
        for (QWidget *w : tops)
            if (w->objectName() == QLatin1String("MainWindow") && w->isVisible())
                target = w;
    }
    if (target)
        target->activateWindow();
}

using StandardBox = QMessageBox::StandardButton (*)(QWidget *, const QString &, const QString &,
                                                    QMessageBox::StandardButtons, QMessageBox::StandardButton);

// The handler's answer when one is installed, else Qt's own box of that kind.
QMessageBox::StandardButton plainBox(QMessageBox::Icon kind, StandardBox show, QWidget *parent, const QString &title,
                                     const QString &text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton)
{
    QMessageBox::StandardButton answer;
    if (intercepted(kind, parent, title, text, buttons, defaultButton, &answer))
        return answer;
    const QMessageBox::StandardButton pressed = show(parent, title, text, buttons, defaultButton);
    reactivateWindow(parent);
    return pressed;
}
}

QMessageBoxKovra::Handler QMessageBoxKovra::setHandler(Handler h)
{
    std::swap(handler(), h);
    return h;
}

bool QMessageBoxKovra::hasHandler()
{
    return bool(handler());
}

QMessageBox::StandardButton QMessageBoxKovra::critical(QWidget *parent, const QString &title, const QString &text,
                                                       QMessageBox::StandardButtons buttons,
                                                       QMessageBox::StandardButton defaultButton, const QString &)
{
    return plainBox(QMessageBox::Critical, &QMessageBox::critical, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton QMessageBoxKovra::warning(QWidget *parent, const QString &title, const QString &text,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::StandardButton defaultButton, const QString &)
{
    return plainBox(QMessageBox::Warning, &QMessageBox::warning, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton QMessageBoxKovra::question(QWidget *parent, const QString &title, const QString &text,
                                                       QMessageBox::StandardButtons buttons,
                                                       QMessageBox::StandardButton defaultButton, const QString &)
{
    return plainBox(QMessageBox::Question, &QMessageBox::question, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton QMessageBoxKovra::information(QWidget *parent, const QString &title, const QString &text,
                                                          QMessageBox::StandardButtons buttons,
                                                          QMessageBox::StandardButton defaultButton, const QString &)
{
    return plainBox(QMessageBox::Information, &QMessageBox::information, parent, title, text, buttons,
                    defaultButton);
}

QMessageBox::StandardButton QMessageBoxKovra::msgBox(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                                                     const QString &text, QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton, const QString &image)
{
    QMessageBox::StandardButton answer;
    if (intercepted(icon, parent, title, text, buttons, defaultButton, &answer))
        return answer;

    QMessageBox *box = new QMessageBox(parent);
    QString html = QStringLiteral("<h2><span style=\"color: #000080;\"><strong>%1</strong></span></h2>\n <p>%2</p>")
                       .arg(title, text);
    if (!image.isEmpty())
        html += QStringLiteral("<p align=\"center\"><img src=\"%1\"></p>").arg(image.toHtmlEscaped());
    box->setText(html);
    box->setStyleSheet(QStringLiteral(
        "QMessageBox { background: rgb(255,246,160); border: 2px solid black;} "
        "QMessageBox  QLabel {color: black; background: rgb(255,246,160) } "
        "QMessageBox  QPushButton {font-size:14pt; padding:10px; border-radius: 4px; border: 0px solid white; "
        "color:white; background-color: rgb(90, 90, 90);}"));
    box->setIcon(icon);
    box->setStandardButtons(buttons);
    box->setDefaultButton(defaultButton);

    // The box is modal over everything: the main window is disabled too, as it
    // may not be the parent.
    QList<QWidget *> disabled;
    if (parent)
        disabled << parent;
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (QWidget *w : tops)
        if (w->objectName() == QLatin1String("MainWindow"))
            disabled << w;
    for (QWidget *w : disabled)
        w->setEnabled(false);
    box->setEnabled(true);
    const int pressed = box->exec();
    for (QWidget *w : disabled)
        w->setEnabled(true);
    delete box;
    reactivateWindow(parent);
    return QMessageBox::StandardButton(pressed);
}

namespace {
void fatalBox(QObject *parent, const QString &title, const QString &text)
{
    QMessageBoxKovra::critical(qobject_cast<QWidget *>(parent), title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

// Every program that can show a box shows the fatal exit's text in one.
const bool fatalBoxSet = (setFatalExitBox(fatalBox), true);
}
