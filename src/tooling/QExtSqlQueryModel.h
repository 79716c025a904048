#pragma once

#include <QSqlQueryModel>

// Read model of the tooling-table editor's list: tool numbers as integers,
// X and Z with the machine's decimals, smaller fonts for long codes and long
// tool numbers, every cell right-aligned. Column order is that of table tools
// (0 idTool, 1 idTable, 2 t, 3 x, 4 z, 5 code, ...).
class QExtSqlQueryModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    explicit QExtSqlQueryModel(QObject *parent = nullptr);

    void setDecimals(char decimals) { m_decimals = decimals; }
    int decimals() const { return m_decimals; }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Pixel size of the list's font for a code or a tool number of that length.
    static int codePixelSize(int length);
    static int numberPixelSize(int length);

private:
    int m_decimals = 3;
};
