#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// The one way every part of the program shows a message box. A process-wide
// handler can take the place of the box: it is given what would be shown and
// returns the button to report as pressed.
class QMessageBoxKovra
{
public:
    struct Box
    {
        QMessageBox::Icon kind = QMessageBox::NoIcon;
        QWidget *parent = nullptr;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    using Handler = std::function<QMessageBox::StandardButton(const Box &)>;

    static QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                                const QString &image = QString());
    static QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                               QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                               QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                               const QString &image = QString());
    static QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons = QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No),
                                                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                                const QString &image = QString());
    static QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                                   QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                   QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                                   const QString &image = QString());
    // Styled box (pale yellow, bold title, optional picture below the text);
    // the main window and the parent are disabled while it is open.
    static QMessageBox::StandardButton msgBox(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                                              const QString &text, QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton, const QString &image = QString());

    // Installs the handler that stands in for every box (an empty one removes
    // it) and returns the one it replaces, for the caller to put back.
    static Handler setHandler(Handler handler);
    static bool hasHandler();

private:
    QMessageBoxKovra() = delete;
};
