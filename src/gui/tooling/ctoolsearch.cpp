#include "tooling/ctoolsearch.h"

#include "keyboard/myinputpanelcontext.h"
#include "widgets/QExtDoubleValidator.h"
#include "shared/QExtQuery.h"
#include "widgets/QMessageBoxKovra.h"
#include "tooling/ToolRules.h"
#include "ui_ctoolsearch.h"

cToolSearch::cToolSearch(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::cToolSearch)
{
    ui->setupUi(this);
    connect(ui->tbExit, &QPushButton::clicked, this, &cToolSearch::exitSearch);
    connect(ui->tbOk, &QPushButton::clicked, this, &cToolSearch::confirmSearch);
    connect(ui->leT, &QLineEdit::returnPressed, this, &cToolSearch::confirmSearch);
    connect(ui->leCode, &QLineEdit::returnPressed, this, &cToolSearch::confirmSearch);
    const ToolRules::Range t = ToolRules::range(QStringLiteral("t"), true);
    ui->leT->setValidator(new QExtIntValidator(int(t.low), int(t.high), this));
}

cToolSearch::~cToolSearch()
{
    delete ui;
}

void cToolSearch::showSearch(int table)
{
    // It covers the editor's fields: their keys leave.
    MyInputPanelContext::boxOpens(this);
    idTable = table;
    ui->leCode->clear();
    ui->leT->clear();
    show();
    raise();
    ui->leT->setFocus();
}

void cToolSearch::exitSearch()
{
    hide();
    emit closeSearch();
}

void cToolSearch::confirmSearch()
{
    bool ok = false;
    int number = ui->leT->text().toInt(&ok, 10);
    if (!ok)
        number = 0;
    const QString code = ui->leCode->text().trimmed();

    if (number >= 1) {
        QExtQuery q;
        q.prepare(QStringLiteral("SELECT t FROM tools WHERE idTable=:idTable AND t=:t"));
        q.bindValue(QStringLiteral(":idTable"), idTable);
        q.bindValue(QStringLiteral(":t"), number);
        const int found = (q.exec() && q.next()) ? q.value(0).toInt() : 0;
        if (found == number) {
            emit searchTool(number);
            exitSearch();
            return;
        }
    }
    if (!code.isEmpty()) {
        // The code is a prefix; its own "%" and "_" stay wildcards.
        QExtQuery q;
        q.prepare(QStringLiteral("SELECT t FROM tools WHERE idTable=:idTable AND code LIKE :code"));
        q.bindValue(QStringLiteral(":idTable"), idTable);
        q.bindValue(QStringLiteral(":code"), code + QLatin1Char('%'));
        const int found = (q.exec() && q.next()) ? q.value(0).toInt() : 0;
        if (found >= 1) {
            emit searchTool(found);
            exitSearch();
            return;
        }
    }
    QMessageBoxKovra::warning(parentWidget(), tr("Search"), tr("Tool not found"), QMessageBox::Ok);
}
