#include "rfid/BalluffForm.h"

#include <QCoreApplication>
#include <QIcon>

namespace {

const char kSheet[] =
    "#qdBalluff { background-color: rgb(0, 0, 0); border: none; border-radius: 4px; }\n"
    "#qdMessage { background-color: rgb(0, 170, 0); border: none; border-radius: 4px; }\n"
    "QLabel#lblMessage, QLabel#lblTagMessage { font-size: 16px; }\n"
    "QPushButton { color: rgb(255, 255, 0); }\n"
    "QComboBox { combobox-popup: 1; font-size: 12px; border: none; border-radius: 4px;"
    " background-color: white; color: black; selection-background-color: rgb(6, 81, 2);"
    " selection-color: white; padding-left: 5px; }\n"
    "QComboBox QAbstractItemView { background-color: white; color: black; border: none;"
    " selection-background-color: rgb(6, 81, 2); selection-color: white; }\n"
    "QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top left; width: 20px;"
    " border-left: 1px solid darkgray; border-top-right-radius: 3px; border-bottom-right-radius: 3px; }\n"
    "QComboBox::down-arrow { image: url(:/img/DownArrowSmall.png); }\n"
    "QLineEdit { color: black; font-size: 12pt; background-color: rgb(255, 238, 221); border-radius: 4px; }\n"
    "QScrollBar:vertical { width: 25px; background: black; border: 1px solid grey; border-radius: 5px;"
    " margin: 22px 0 22px 0; }\n"
    "QScrollBar::handle:vertical { background: rgb(255, 213, 43); min-height: 20px; border-radius: 5px; }\n"
    "QScrollBar::add-line:vertical { height: 20px; border: none; background: none;"
    " image: url(:/img/scrollDown.png); subcontrol-position: bottom; subcontrol-origin: margin; }\n"
    "QScrollBar::sub-line:vertical { height: 20px; border: none; background: none;"
    " image: url(:/img/scrollUp.png); subcontrol-position: top; subcontrol-origin: margin; }\n"
    "QScrollBar::up-arrow:vertical, QScrollBar::down-arrow:vertical { width: 3px; height: 3px; background: none; }\n"
    "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }\n";

QPushButton *button(QWidget *parent, const char *name, int x, const char *icon, const char *tip)
{
    QPushButton *b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, 0, 70, 71);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIcon(QIcon(QLatin1String(icon)));
    b->setIconSize(QSize(60, 60));
    if (tip)
        b->setToolTip(QCoreApplication::translate("cBalluffUI", tip));
    return b;
}

} // namespace

// The pictures live in the static library: register them whoever builds the form.
static void initBalluffPictures()
{
    Q_INIT_RESOURCE(rfid);
    Q_INIT_RESOURCE(dnc);
    Q_INIT_RESOURCE(mainwin);
}

void Ui_cBalluffUI::setupUi(QWidget *w)
{
    initBalluffPictures();
    w->setObjectName(QStringLiteral("cBalluffUI"));
    w->resize(375, 630);
    w->setWindowTitle(QCoreApplication::translate("cBalluffUI", "Form"));
    w->setStyleSheet(QString::fromLatin1(kSheet));

    qdBalluff = new QFrame(w);
    qdBalluff->setObjectName(QStringLiteral("qdBalluff"));
    qdBalluff->setGeometry(0, 0, 375, 500);
    qdButtons = new QWidget(qdBalluff);
    qdButtons->setObjectName(QStringLiteral("qdButtons"));
    qdButtons->setGeometry(3, 430, 369, 71);
    pbWrite = button(qdButtons, "pbWrite", 0, ":/img/balluffWrite.png", "write balluff");
    pbRead = button(qdButtons, "pbRead", 80, ":/img/balluffRead.png", "read balluff");
    pbDefault = button(qdButtons, "pbDefault", 190, ":/img/balluf-default.png", "default values");
    pbClose = button(qdButtons, "pbClose", 300, ":/img/Exit.png", "exit");

    qdMessage = new QFrame(w);
    qdMessage->setObjectName(QStringLiteral("qdMessage"));
    qdMessage->setGeometry(0, 500, 381, 138);
    qdMessage->setFrameShape(QFrame::StyledPanel);
    qdMessage->setFrameShadow(QFrame::Raised);
    verticalLayout = new QVBoxLayout(qdMessage);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    lblMessage = new QLabel(qdMessage);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setAlignment(Qt::AlignCenter);
    verticalLayout->addWidget(lblMessage);
    lblTagMessage = new QLabel(qdMessage);
    lblTagMessage->setObjectName(QStringLiteral("lblTagMessage"));
    lblTagMessage->setAlignment(Qt::AlignCenter);
    verticalLayout->addWidget(lblTagMessage);
    pbAbort = new QPushButton(qdMessage);
    pbAbort->setObjectName(QStringLiteral("pbAbort"));
    pbAbort->setFocusPolicy(Qt::NoFocus);
    pbAbort->setIcon(QIcon(QStringLiteral(":/img/Exit.png")));
    pbAbort->setIconSize(QSize(60, 60));
    verticalLayout->addWidget(pbAbort);
}
