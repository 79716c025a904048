#pragma once

#include <QMap>
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

    // The code column's width: from then on every code is drawn in one size,
    // the largest of the sizes above at which each code of the list fits it.
    // The list's codes are measured at the first call after a new list;
    // stores keep the measures by countCode.
    void setCodeWidth(int width);
    int codeColumnPixelSize() const { return m_codePixels; }
    // The list now holds another table: measured again at the next width.
    void measureCodesAgain() { m_measured = false; }
    // A stored row's code added (1) to the list or taken (-1) from it.
    void countCode(const QString &code, int change);

private:
    int m_decimals = 3;
    // 0: each code sized by its length.
    int m_codePixels = 0;
    bool m_measured = false;
    // For each size of codePixelSize: the codes' widths, and how many codes
    // have each.
    QMap<int, int> m_codeWidths[3];
};
