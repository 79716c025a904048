#include "tooling/QExtSqlQueryModel.h"

#include <QFont>

namespace {
enum { colT = 2, colX = 3, colZ = 4, colCode = 5 };
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
        QFont font(QStringLiteral("ubuntu"));
        font.setPixelSize(index.column() == colCode ? codePixelSize(length) : numberPixelSize(length));
        return font;
    }
    default:
        return QVariant();
    }
}

Qt::ItemFlags QExtSqlQueryModel::flags(const QModelIndex &index) const
{
    return QSqlQueryModel::flags(index) | Qt::ItemIsEditable;
}
