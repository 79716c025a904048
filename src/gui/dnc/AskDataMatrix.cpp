#include "dnc/AskDataMatrix.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

void Ui_AskDataMatrix::setupUi(QDialog *d)
{
    d->setObjectName(QStringLiteral("AskDataMatrix"));
    d->setWindowModality(Qt::ApplicationModal);
    d->resize(453, 341);
    d->setStyleSheet(QStringLiteral("QDialog { background-color: black; }"));
    pushButton = new QPushButton(d);
    pushButton->setObjectName(QStringLiteral("pushButton"));
    pushButton->setGeometry(390, 280, 60, 60);
    pushButton->setIcon(QIcon(QStringLiteral(":/img/Exit.png")));
    pushButton->setIconSize(QSize(60, 60));
    pushButton->setStyleSheet(QStringLiteral(
        "QPushButton { border: none; }"
        "QPushButton:pressed { background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5, fx:0.5, "
        "fy:0.5, stop:0 rgba(255, 0, 0, 255), stop:1 rgba(0, 0, 0, 0)); }"));
    lblOn = new QLabel(d);
    lblOn->setObjectName(QStringLiteral("lblOn"));
    lblOn->setGeometry(0, 0, 451, 341);
    lblOn->setPixmap(QPixmap(QStringLiteral(":/img/scanner-on.png")));
    lblOff = new QLabel(d);
    lblOff->setObjectName(QStringLiteral("lblOff"));
    lblOff->setGeometry(0, 0, 451, 341);
    lblOff->setPixmap(QPixmap(QStringLiteral(":/img/scanner-off.png")));
    // The pictures cover the dialog; the exit button stays on top.
    pushButton->raise();
    QObject::connect(pushButton, &QPushButton::clicked, d, &QDialog::reject);
}

AskDataMatrix::AskDataMatrix(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , ui(new Ui_AskDataMatrix)
{
    ui->setupUi(this);
    startTimer(400);
}

AskDataMatrix::~AskDataMatrix()
{
    delete ui;
}

void AskDataMatrix::timerEvent(QTimerEvent *)
{
    ui->lblOn->setVisible(blink);
    ui->lblOff->setVisible(!blink);
    blink = !blink;
}
