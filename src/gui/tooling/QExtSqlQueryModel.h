#pragma once

#include <QHash>

#include <array>
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
    // The codes are measured again whenever the list is read again, from
    // whatever wrote them.
    void setCodeWidth(int width);
    int codeColumnPixelSize() const { return m_codePixels; }

protected:
    void queryChange() override;

private:
    int m_decimals = 3;
    // 0: each code sized by its length.
    int m_codePixels = 0;
    // Widths of each code at each size of codePixelSize, measured once per
    // text: reading a long list again costs a lookup per row.
    mutable QHash<QString, std::array<int, 3>> m_codeWidths;
    // The widest code of the list at each size, or -1 before a measure.
    int m_widest[3] = {-1, -1, -1};
};
