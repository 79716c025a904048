#pragma once

#include <QDialog>
#include <QPolygon>
#include <QString>
#include <QVector>

namespace Ui {
class debugWin;
}

// Tool window that shows what the edge detection sees: the grey values along
// the scan row and the row below it, and a text with the frame rate, the
// extreme edge points and the found lines.
class debugWin : public QDialog
{
    Q_OBJECT
public:
    explicit debugWin(QWidget* parent = nullptr);
    ~debugWin() override;

    QString dbgMessage() const { return message; }
    QVector<QPolygon> currentScanlines() const { return scanlines; }

public slots:
    void setDbgMessage(QString text);
    void setScanlines(QVector<QPolygon> lines);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Ui::debugWin* ui;
    QVector<QPolygon> scanlines;
    QString message;
};
