#include "dnc/DncForm.h"

#include <QIcon>
#include <QPixmap>

namespace {

const char kSheet[] =
    "#qdDnc { background-color: black; border-radius: 10px; }\n"
    "QPushButton { color: rgb(255, 255, 0); }\n"
    "QLabel#lblMessage { color: rgb(255, 255, 0); }\n"
    "QLabel#lblDataMatrixCode { color: white; font-weight: bold; font-size: 14px; }\n"
    "QComboBox { background-color: white; color: black; font-size: 12px; border-radius: 4px;"
    " padding-left: 24px; selection-background-color: rgb(6, 81, 2); selection-color: white; }\n"
    "QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top left; width: 20px; }\n"
    "QComboBox::down-arrow { image: url(:/img/DownArrowSmall.png); }\n"
    // A list's entries are picked by touch: they take the values' type.
    "QComboBox QAbstractItemView { font-size: 12pt; }\n"
    "QLineEdit { color: black; font-size: 12pt; background-color: rgb(255, 238, 221); border-radius: 4px; }\n"
    "QScrollBar:vertical { width: 25px; background: black; }\n"
    "QScrollBar::handle:vertical { background: rgb(255, 213, 43); }\n"
    "QScrollBar::sub-line:vertical { image: url(:/img/scrollUp.png); }\n"
    "QScrollBar::add-line:vertical { image: url(:/img/scrollDown.png); }\n";

QPushButton *commandButton(QWidget *parent, const char *name, int x, const char *icon, const char *tip)
{
    QPushButton *b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, 421, 70, 70);
    b->setMaximumSize(70, 70);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIcon(QIcon(QLatin1String(icon)));
    b->setIconSize(QSize(70, 70));
    b->setToolTip(QString::fromLatin1(tip));
    return b;
}

} // namespace

// The pictures live in the static library: register them whoever builds the form.
static void initDncPictures()
{
    Q_INIT_RESOURCE(dnc);
    Q_INIT_RESOURCE(mainwin);
    Q_INIT_RESOURCE(tooling);
    Q_INIT_RESOURCE(campanel);
}

void Ui_cDnc::setupUi(QWidget *w)
{
    initDncPictures();
    w->setObjectName(QStringLiteral("cDnc"));
    w->resize(375, 500);
    w->setWindowTitle(QStringLiteral("Form"));
    w->setStyleSheet(QString::fromLatin1(kSheet));

    qdDnc = new QFrame(w);
    qdDnc->setObjectName(QStringLiteral("qdDnc"));
    qdDnc->setGeometry(0, 0, 375, 501);
    qdDnc->setFrameShape(QFrame::NoFrame);
    qdDnc->setFrameShadow(QFrame::Plain);

    pbWrite = commandButton(qdDnc, "pbWrite", 5, ":/img/tarn.png", "send data");
    pbDefault = commandButton(qdDnc, "pbDefault", 101, ":/img/balluf-default.png", "default values");
    pbDataMatrix = commandButton(qdDnc, "pbDataMatrix", 199, ":/img/datamatrixBtn.png", "read tool ID");
    pbClose = commandButton(qdDnc, "pbClose", 297, ":/img/Exit.png", "exit");

    lblMessage = new QLabel(qdDnc);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setGeometry(10, 405, 351, 17);
    lblMessage->setAlignment(Qt::AlignCenter);

    lblDataMatrixCode = new QLabel(qdDnc);
    lblDataMatrixCode->setObjectName(QStringLiteral("lblDataMatrixCode"));
    lblDataMatrixCode->setGeometry(50, 10, 311, 20);

    lblIconDataMatrix = new QLabel(qdDnc);
    lblIconDataMatrix->setObjectName(QStringLiteral("lblIconDataMatrix"));
    lblIconDataMatrix->setGeometry(5, 5, 31, 31);
    lblIconDataMatrix->setPixmap(QPixmap(QStringLiteral(":/img/datamatrix.png")));
}
