#pragma once

#include <QWidget>

namespace Ui {
class cToolSearch;
}

// Pop-up of the tooling-table editor that finds one tool of the open table by
// its number or by the beginning of its code and hands the number back.
class cToolSearch : public QWidget
{
    Q_OBJECT
public:
    explicit cToolSearch(QWidget *parent = nullptr);
    ~cToolSearch() override;

    Ui::cToolSearch *form() const { return ui; }

public slots:
    void showSearch(int idTable);

signals:
    void searchTool(int toolNumber);
    void closeSearch();

private slots:
    void confirmSearch();
    void exitSearch();

private:
    Ui::cToolSearch *ui;
    int idTable = 0;
};
