#include <QAbstractItemView>
#include <QCheckBox>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

#include "shared/CheckBoxList.h"

namespace {

CheckBoxList *makeCombo(QWidget *parent, int items)
{
    auto *c = new CheckBoxList(parent);
    for (int i = 0; i < items; ++i)
        c->addItem(QStringLiteral("bit %1").arg(i));
    return c;
}

QList<bool> checks(const CheckBoxList &c)
{
    QList<bool> out;
    for (int i = 0; i < c.count(); ++i)
        out << c.itemData(i, Qt::UserRole).toBool();
    return out;
}

// Repaints the combo the way the screen does, so the value follows the items.
void repaint(CheckBoxList &c)
{
    c.grab();
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT
private slots:
    void checkBoxListFresh();
    void checkBoxListSetValue_data();
    void checkBoxListSetValue();
    void checkBoxListFollowsItems();
    void checkBoxListDelegate();
    void checkBoxListClick();
};

void TestWidgets::checkBoxListFresh()
{
    QWidget w;
    CheckBoxList *c = makeCombo(&w, 3);
    QSignalSpy spy(c, &CheckBoxList::checkedItemsChanged);
    QCOMPARE(c->getValue(), 0);
    QCOMPARE(c->GetDisplayText(), QString("0"));
    repaint(*c);
    QCOMPARE(c->getValue(), 0);
    QCOMPARE(spy.size(), 0);
    QCOMPARE(c->view()->editTriggers(), QAbstractItemView::EditTriggers(QAbstractItemView::CurrentChanged));
}

void TestWidgets::checkBoxListSetValue_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<QList<bool>>("checked");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("emitted");
    QTest::newRow("5 on three") << 3 << QList<int>{5} << QList<bool>{true, false, true} << 5 << 1;
    // Each value replaces the previous one: 1 after 2 is 1, not 3.
    QTest::newRow("1 after 2") << 3 << QList<int>{2, 1} << QList<bool>{true, false, false} << 1 << 2;
    QTest::newRow("0 after 7") << 3 << QList<int>{7, 0} << QList<bool>{false, false, false} << 0 << 2;
    QTest::newRow("same value twice") << 4 << QList<int>{6, 6} << QList<bool>{false, true, true, false} << 6 << 1;
    QTest::newRow("same as fresh") << 2 << QList<int>{0} << QList<bool>{false, false} << 0 << 0;
    QTest::newRow("high item") << 32 << QList<int>{int(0x80000001u)}
                               << (QList<bool>{true} + QVector<bool>(30, false).toList() + QList<bool>{true})
                               << int(0x80000001u) << 1;
}

void TestWidgets::checkBoxListSetValue()
{
    QFETCH(int, items);
    QFETCH(QList<int>, values);
    QFETCH(QList<bool>, checked);
    QFETCH(int, value);
    QFETCH(int, emitted);
    QWidget w;
    CheckBoxList *c = makeCombo(&w, items);
    QSignalSpy spy(c, &CheckBoxList::checkedItemsChanged);
    for (int v : values)
        c->setValue(v);
    QCOMPARE(checks(*c), checked);
    QCOMPARE(c->getValue(), value);
    QCOMPARE(c->GetDisplayText(), QString::number(quint32(value)));
    QCOMPARE(spy.size(), emitted);
    // The repaint finds the items as the value says: nothing changes.
    repaint(*c);
    QCOMPARE(c->getValue(), value);
    QCOMPARE(spy.size(), emitted);
}

void TestWidgets::checkBoxListFollowsItems()
{
    QWidget w;
    CheckBoxList *c = makeCombo(&w, 4);
    c->setValue(1);
    QSignalSpy spy(c, &CheckBoxList::checkedItemsChanged);
    c->setItemData(3, true, Qt::UserRole);
    QCOMPARE(c->getValue(), 1);
    repaint(*c);
    QCOMPARE(c->getValue(), 9);
    QCOMPARE(spy.size(), 1);
    repaint(*c);
    QCOMPARE(spy.size(), 1);

    // A value with bits beyond the items shows until the next repaint.
    c->setValue(16 + 2);
    QCOMPARE(c->getValue(), 18);
    repaint(*c);
    QCOMPARE(c->getValue(), 2);
    QCOMPARE(spy.size(), 3);

    // The text is emitted about before it is stored.
    int seen = -1;
    connect(c, &CheckBoxList::checkedItemsChanged, c, [&] { seen = c->getValue(); });
    c->SetDisplayText("12");
    QCOMPARE(seen, 2);
    QCOMPARE(c->getValue(), 12);
    c->SetDisplayText("x");
    QCOMPARE(c->getValue(), 0);
}

void TestWidgets::checkBoxListDelegate()
{
    QWidget w;
    CheckBoxList *c = makeCombo(&w, 2);
    c->setValue(2);
    QAbstractItemDelegate *d = c->view()->itemDelegate();
    QVERIFY(qobject_cast<CheckBoxListDelegate *>(d));
    const QModelIndex idx = c->model()->index(1, 0);
    QStyleOptionViewItem opt;
    opt.rect = QRect(3, 4, 100, 20);
    QWidget host;
    QWidget *editor = d->createEditor(&host, opt, idx);
    auto *box = qobject_cast<QCheckBox *>(editor);
    QVERIFY(box);
    QCOMPARE(box->parentWidget(), &host);
    d->setEditorData(editor, idx);
    QCOMPARE(box->text(), QString("bit 1"));
    QVERIFY(box->isChecked());
    d->updateEditorGeometry(editor, opt, idx);
    QCOMPARE(box->geometry(), opt.rect);

    box->setChecked(false);
    d->setModelData(editor, c->model(), idx);
    QCOMPARE(c->itemData(1, Qt::UserRole).toBool(), false);
    QCOMPARE(c->itemText(1), QString("bit 1"));
    repaint(*c);
    QCOMPARE(c->getValue(), 0);
}

void TestWidgets::checkBoxListClick()
{
    QWidget w;
    w.resize(300, 200);
    CheckBoxList *c = makeCombo(&w, 3);
    c->setGeometry(10, 10, 150, 30);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QSignalSpy spy(c, &CheckBoxList::checkedItemsChanged);

    c->showPopup();
    QAbstractItemView *v = c->view();
    QTRY_VERIFY(v->isVisible());
    // Touching an item opens its check box; the release keeps the popup open.
    const QModelIndex idx = c->model()->index(2, 0);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, v->visualRect(idx).center());
    QVERIFY(v->isVisible());
    QCheckBox *box = nullptr;
    QTRY_VERIFY((box = v->viewport()->findChild<QCheckBox *>()) && box->isVisible());
    QCOMPARE(box->text(), QString("bit 2"));
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
    QVERIFY(box->isChecked());
    QVERIFY(v->isVisible());

    c->hidePopup();
    QVERIFY(c->itemData(2, Qt::UserRole).toBool());
    repaint(*c);
    QCOMPARE(c->getValue(), 4);
    QCOMPARE(spy.size(), 1);
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
