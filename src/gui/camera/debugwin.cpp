#include "camera/debugwin.h"

#include "ui_debugwin.h"

#include <QPainter>

debugWin::debugWin(QWidget* parent)
    : QDialog(parent), ui(new Ui::debugWin)
{
    ui->setupUi(this);
    setObjectName("debugWin");
    setModal(false);
    setGeometry(0, 0, 640, 260);
    setWindowTitle(tr("Debug"));
}

debugWin::~debugWin()
{
    delete ui;
}

void debugWin::setDbgMessage(QString text)
{
    message = text;
    update();
}

void debugWin::setScanlines(QVector<QPolygon> lines)
{
    scanlines = lines;
    update();
}

void debugWin::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);

    // The middle grey level.
    painter.setPen(Qt::red);
    painter.drawLine(0, 127, width(), 127);

    // A grey value v is plotted at row v, so bright pixels lie low.
    if (scanlines.size() == 2) {
        painter.setPen(Qt::yellow);
        painter.drawPoints(scanlines.at(0));
        painter.setPen(Qt::magenta);
        painter.drawPoints(scanlines.at(1));
    }

    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 500, 260), message);
}
