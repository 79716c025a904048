#include "tooling/QExtSqlQueryModel.h"

#include <QFont>
#include <QFontMetrics>

namespace {
enum { colT = 2, colX = 3, colZ = 4, colCode = 5 };

QFont listFont(int pixels)
{
    QFont font(QStringLiteral("ubuntu"));
    font.setPixelSize(pixels);
    return font;
}

// A cell's text stands this far inside its column (the view's margins).
constexpr int kCellMargins = 8;
// The code sizes, largest first.
constexpr int kCodeSizes[3] = {18, 13, 11};
}

QExtSqlQueryModel::QExtSqlQueryModel(QObject *parent)
    : QSqlQueryModel(parent)
{
}

int QExtSqlQueryModel::codePixelSize(int length)
{
    if (length <= 16)
        return 18;
    if (length <= 22)
        return 13;
    return 11;
}

int QExtSqlQueryModel::numberPixelSize(int length)
{
    return length <= 5 ? 18 : 14;
}

QVariant QExtSqlQueryModel::data(const QModelIndex &index, int role) const
{
    switch (role) {
    case Qt::DisplayRole: {
        const QVariant stored = QSqlQueryModel::data(index, role);
        if (index.column() == colT)
            return stored.toInt();
        if (index.column() == colX || index.column() == colZ)
            return QString::number(stored.toDouble(), 'f', m_decimals);
        return stored;
    }
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignVCenter | Qt::TextWordWrap);
    case Qt::FontRole: {
        if (index.column() != colCode && index.column() != colT)
            return QVariant();
        const int length = QSqlQueryModel::data(index, Qt::DisplayRole).toString().length();
        if (index.column() == colCode)
            return listFont(m_codePixels > 0 ? m_codePixels : codePixelSize(length));
        return listFont(numberPixelSize(length));
    }
    default:
        return QVariant();
    }
}

void QExtSqlQueryModel::queryChange()
{
    m_widest[0] = -1;
}

void QExtSqlQueryModel::setCodeWidth(int width)
{
    if (m_widest[0] < 0) {
        static const QFontMetrics metrics[3] = {QFontMetrics(listFont(kCodeSizes[0])),
                                                QFontMetrics(listFont(kCodeSizes[1])),
                                                QFontMetrics(listFont(kCodeSizes[2]))};
        int widest[3] = {0, 0, 0};
        for (int row = 0; row < rowCount(); ++row) {
            const QString code = QSqlQueryModel::data(index(row, colCode)).toString();
            auto known = m_codeWidths.constFind(code);
            if (known == m_codeWidths.constEnd())
                known = m_codeWidths.insert(code, {metrics[0].horizontalAdvance(code), metrics[1].horizontalAdvance(code),
                                                   metrics[2].horizontalAdvance(code)});
            for (int i = 0; i < 3; ++i)
                widest[i] = qMax(widest[i], (*known)[i]);
        }
        std::copy(widest, widest + 3, m_widest);
    }
    int i = 0;
    while (i < 2 && m_widest[i] > 0 && m_widest[i] + kCellMargins > width)
        ++i;
    const int pixels = kCodeSizes[i];
    if (pixels == m_codePixels)
        return;
    m_codePixels = pixels;
    if (rowCount() > 0)
        emit dataChanged(index(0, colCode), index(rowCount() - 1, colCode), {Qt::FontRole});
}

Qt::ItemFlags QExtSqlQueryModel::flags(const QModelIndex &index) const
{
    return QSqlQueryModel::flags(index) | Qt::ItemIsEditable;
}
