#include <QAbstractItemView>
#include <QCheckBox>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

#include "widgets/CheckBoxList.h"
#include "shared/SharedStruct.h"
#include "widgets/animatedwidgets.h"

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

// A host window with named panels registered the way the main window does:
// enlarged at a point with their design size, shrunk to nothing.
struct Panels
{
    QWidget host;
    AnimatedWidgets registry;
    QMap<QString, QWidget *> panel;
    QSignalSpy spy{&registry, &AnimatedWidgets::statusChanged};

    explicit Panels(bool animated)
    {
        host.resize(1024, 768);
        add("getAngle", 2, QPoint(700, 100));
        add("getCircle", 2, QPoint(700, 300));
        add("labelPrint", 4, QPoint(10, 10));
        add("toolset", 4, QPoint(20, 20));
        add("axes", 0, QPoint(0, 600));
        registry.enableAnimation(animated);
    }
    void add(const QString &id, int group, QPoint at)
    {
        auto *w = new QWidget(&host);
        w->resize(300 + group, 150);
        registry.addWidget(id, w, at, QRect(at, QSize(0, 0)), group);
        w->setGeometry(QRect(at, QSize(0, 0)));
        panel[id] = w;
    }
    static int groupOf(const QString &id)
    {
        return id.startsWith("get") ? 2 : id == "axes" ? 0 : 4;
    }
    // The signals so far as "id+" / "id-".
    QStringList signalLog()
    {
        QStringList out;
        for (const QList<QVariant> &args : qAsConst(spy))
            out << args.at(0).toString() + (args.at(1).toBool() ? "+" : "-");
        spy.clear();
        return out;
    }
};

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

    void panelsGroups_data();
    void panelsGroups();
    void panelsToolingup_data();
    void panelsToolingup();
    void panelsGeometryReset_data();
    void panelsGeometryReset();
    void panelsAnimation();
    void panelsEnlargedBySize();
    void panelsUnknown();
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

void TestWidgets::panelsGroups_data()
{
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QStringList>("open");
    QTest::newRow("second of a group shuts the first")
        << QStringList{"getAngle+", "getCircle+"} << QStringList{"getAngle+", "getAngle-", "getCircle+"}
        << QStringList{"getCircle"};
    QTest::newRow("open twice") << QStringList{"toolset+", "toolset+"} << QStringList{"toolset+"}
                                << QStringList{"toolset"};
    QTest::newRow("shut a shut panel") << QStringList{"getAngle-"} << QStringList{} << QStringList{};
    QTest::newRow("other groups stay") << QStringList{"getAngle+", "labelPrint+", "axes+", "toolset+"}
                                       << QStringList{"getAngle+", "labelPrint+", "axes+", "labelPrint-", "toolset+"}
                                       << QStringList{"axes", "getAngle", "toolset"};
    // Shutting one of a group still shuts the others of the group.
    QTest::newRow("shut runs the group step")
        << QStringList{"getAngle+", "getCircle-"} << QStringList{"getAngle+", "getAngle-"} << QStringList{};
    QTest::newRow("open and shut") << QStringList{"axes+", "axes-", "axes-"} << QStringList{"axes+", "axes-"}
                                   << QStringList{};
}

void TestWidgets::panelsGroups()
{
    QFETCH(QStringList, calls);
    QFETCH(QStringList, emitted);
    QFETCH(QStringList, open);
    Panels p(false);
    for (const QString &c : calls)
        p.registry.setStatus(c.chopped(1), c.endsWith('+'));
    QCOMPARE(p.signalLog(), emitted);
    QStringList nowOpen;
    for (auto it = p.panel.cbegin(); it != p.panel.cend(); ++it) {
        if (p.registry.isEnlarged(it.key()))
            nowOpen << it.key();
        // Open and shut panels stand exactly at their rectangles.
        QCOMPARE(it.value()->size(), p.registry.isEnlarged(it.key())
                     ? QSize(300 + Panels::groupOf(it.key()), 150) : QSize(0, 0));
    }
    QCOMPARE(nowOpen, open);
}

void TestWidgets::panelsToolingup_data()
{
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("toolingup");
    QTest::newRow("label panel opens") << QStringList{"labelPrint+"} << false << true;
    QTest::newRow("label panel shuts") << QStringList{"labelPrint+", "labelPrint-"} << false << false;
    QTest::newRow("another large panel") << QStringList{"labelPrint+", "toolset+"} << false << false;
    QTest::newRow("shutting another large panel") << QStringList{"toolset-"} << true << false;
    QTest::newRow("camera panel leaves it") << QStringList{"getAngle+"} << true << true;
    QTest::newRow("unknown leaves it") << QStringList{"nothing+"} << true << true;
}

void TestWidgets::panelsToolingup()
{
    QFETCH(QStringList, calls);
    QFETCH(bool, before);
    QFETCH(bool, toolingup);
    Panels p(false);
    enableToolingup = before;
    for (const QString &c : calls)
        p.registry.setStatus(c.chopped(1), c.endsWith('+'));
    QCOMPARE(enableToolingup, toolingup);
    // Shrinking by group never touches it.
    enableToolingup = true;
    p.registry.shrinkByGroup(4);
    QVERIFY(enableToolingup);
    enableToolingup = false;
}

void TestWidgets::panelsGeometryReset_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("after");
    QTest::newRow("shrunk directly") << "direct" << 0;
    QTest::newRow("shrunk directly while shut") << "direct shut" << 0;
    QTest::newRow("shrunk by its group") << "group" << 0;
    QTest::newRow("shrinkByGroup 2") << "shrink 2" << 0;
    QTest::newRow("shrinkByGroup 0") << "shrink 0" << 0;
    QTest::newRow("shrinkByGroup of another group") << "shrink 4" << 2;
    QTest::newRow("another panel shrunk") << "other" << 2;
}

void TestWidgets::panelsGeometryReset()
{
    QFETCH(QString, path);
    QFETCH(int, after);
    Panels p(false);
    if (path != "direct shut")
        p.registry.setStatus("getCircle", true);
    p.registry.setStatus("labelPrint", true);
    geometryActive = geometryCircle;
    if (path.startsWith("direct"))
        p.registry.setStatus("getCircle", false);
    else if (path == "group")
        p.registry.setStatus("getAngle", true);
    else if (path.startsWith("shrink"))
        p.registry.shrinkByGroup(path.mid(7).toInt());
    else
        p.registry.setStatus("labelPrint", false);
    QCOMPARE(geometryActive, after);
    geometryActive = geometryNone;
}

void TestWidgets::panelsAnimation()
{
    Panels p(true);
    QWidget *w = p.panel["getAngle"];
    const QRect open(700, 100, 302, 150);
    p.registry.setStatus("getAngle", true);
    QCOMPARE(p.signalLog(), QStringList{"getAngle+"});
    QVERIFY(w->geometry() != open);
    QTRY_COMPARE(w->geometry(), open);
    p.registry.setStatus("getAngle", true);
    QCOMPARE(p.signalLog(), QStringList{});
    QCOMPARE(w->geometry(), open);

    // Animation off: at once, but shrinkByGroup still slides.
    p.registry.enableAnimation(false);
    p.registry.setStatus("getCircle", true);
    QCOMPARE(p.panel["getCircle"]->geometry(), QRect(700, 300, 302, 150));
    QCOMPARE(w->geometry(), QRect(700, 100, 0, 0));
    QCOMPARE(p.signalLog(), (QStringList{"getAngle-", "getCircle+"}));
    p.registry.shrinkByGroup(0);
    QCOMPARE(p.panel["getCircle"]->geometry(), QRect(700, 300, 302, 150));
    QTRY_COMPARE(p.panel["getCircle"]->geometry(), QRect(700, 300, 0, 0));
    QCOMPARE(p.signalLog(), QStringList{});

    // Animation on again: shutting slides too.
    p.registry.enableAnimation(true);
    p.registry.setStatus("axes", true);
    QTRY_VERIFY(p.registry.isEnlarged("axes"));
    p.registry.setStatus("axes", false);
    QVERIFY(p.registry.isEnlarged("axes"));
    QTRY_COMPARE(p.panel["axes"]->geometry(), QRect(0, 600, 0, 0));
}

void TestWidgets::panelsEnlargedBySize()
{
    Panels p(false);
    QWidget *w = p.panel["toolset"];
    p.registry.setStatus(w, true);
    QVERIFY(p.registry.isEnlarged(w));
    QVERIFY(p.registry.isEnlarged("toolset"));
    // Only the size counts: a moved panel is still open...
    w->move(40, 40);
    QVERIFY(p.registry.isEnlarged("toolset"));
    // ...but the group step wants it exactly in place, so it is left alone.
    p.registry.setStatus("labelPrint", true);
    QCOMPARE(p.signalLog(), (QStringList{"toolset+", "labelPrint+"}));
    QCOMPARE(w->geometry(), QRect(40, 40, 304, 150));
    // A panel resized by hand counts as shut.
    w->resize(100, 100);
    QVERIFY(!p.registry.isEnlarged(w));
    p.registry.shrinkByGroup(4);
    QCOMPARE(w->size(), QSize(100, 100));

    // A child of a panel reaches its panel.
    auto *child = new QWidget(p.panel["axes"]);
    p.registry.setParentStatus(child, true);
    QVERIFY(p.registry.isEnlarged("axes"));
}

void TestWidgets::panelsUnknown()
{
    Panels p(false);
    QWidget stranger;
    p.registry.setStatus("nothing", true);
    QTest::ignoreMessage(QtWarningMsg, "AnimatedWidgets::findWidget- widget not found");
    p.registry.setStatus(&stranger, true);
    QTest::ignoreMessage(QtWarningMsg, "AnimatedWidgets::findWidget- widget not found");
    p.registry.setParentStatus(&stranger, true);
    QTest::ignoreMessage(QtWarningMsg, "AnimatedWidgets::isEnlarged: invalid id");
    QVERIFY(!p.registry.isEnlarged("nothing"));
    QTest::ignoreMessage(QtWarningMsg, "AnimatedWidgets::findWidget- widget not found");
    QTest::ignoreMessage(QtWarningMsg, "AnimatedWidgets::isEnlarged: invalid widget");
    QVERIFY(!p.registry.isEnlarged(&stranger));
    QCOMPARE(p.signalLog(), QStringList{});
    for (QWidget *w : qAsConst(p.panel))
        QCOMPARE(w->size(), QSize(0, 0));
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
