#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The form of the scanning dialog: the exit button over two pictures of the
// scanner that alternate while the dialog waits for a code.
class Ui_AskDataMatrix
{
public:
    QPushButton *pushButton = nullptr;
    QLabel *lblOn = nullptr;
    QLabel *lblOff = nullptr;
    void setupUi(QDialog *dialog);
};

// Asks the operator to scan the tool's DataMatrix code; closed accepted by
// the panel when a good code arrived, rejected by its exit button.
class AskDataMatrix : public QDialog
{
    Q_OBJECT
public:
    explicit AskDataMatrix(QWidget *parent);
    ~AskDataMatrix() override;

    Ui_AskDataMatrix *form() { return ui; }

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    Ui_AskDataMatrix *ui;
    bool blink = false;
};
