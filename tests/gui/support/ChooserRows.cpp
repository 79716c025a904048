#include "support/ChooserRows.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QtTest>

QModelIndex firstChooserRow(QFileDialog *chooser, QAbstractItemView **view)
{
    *view = nullptr;
    for (QAbstractItemView *v : chooser->findChildren<QAbstractItemView *>())
        if (v->isVisible() && (v->objectName() == "listView" || v->objectName() == "treeView"))
            *view = v;
    QAbstractItemView *shown = *view;
    QModelIndex first;
    const bool came = QTest::qWaitFor([&] {
        first = shown ? shown->model()->index(0, 0, shown->rootIndex()) : QModelIndex();
        return first.isValid();
    });
    return came ? first : QModelIndex();
}
