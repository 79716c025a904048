#pragma once

#include <QFrame>
#include <QLabel>
#include <QPushButton>

// The DNC panel's form: the frame that holds the field table, the four
// command buttons, the status line and the DataMatrix code.
class Ui_cDnc
{
public:
    QFrame *qdDnc = nullptr;
    QPushButton *pbWrite = nullptr;
    QPushButton *pbDefault = nullptr;
    QPushButton *pbDataMatrix = nullptr;
    QPushButton *pbClose = nullptr;
    QLabel *lblMessage = nullptr;
    QLabel *lblDataMatrixCode = nullptr;
    QLabel *lblIconDataMatrix = nullptr;

    void setupUi(QWidget *cDnc);
};
