#pragma once

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

// The tag editor's form: the frame that holds the field grid and the four
// command buttons, and the message area (operation text, tag presence,
// Abort) that replaces it while the head works.
class Ui_cBalluffUI
{
public:
    QFrame *qdBalluff = nullptr;
    QWidget *qdButtons = nullptr;
    QPushButton *pbWrite = nullptr;
    QPushButton *pbRead = nullptr;
    QPushButton *pbDefault = nullptr;
    QPushButton *pbClose = nullptr;
    QFrame *qdMessage = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QLabel *lblMessage = nullptr;
    QLabel *lblTagMessage = nullptr;
    QPushButton *pbAbort = nullptr;

    void setupUi(QWidget *cBalluffUI);
};
