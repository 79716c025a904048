#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QtTest>

#include "widgets/QExtDoubleValidator.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"
#include "tooling/QExtSqlQueryModel.h"
#include "tooling/lineeditdelegate.h"

class tst_tooldisplay : public QObject
{
    Q_OBJECT

private:
    TestWorkDir *dir = nullptr;

    // One tool row with the given values, read through the display model.
    void showRow(QExtSqlQueryModel &model, int decimals, const QString &values)
    {
        ToolingDb::exec("DELETE FROM tools");
        ToolingDb::exec("INSERT INTO tools (idTable,t,x,z,code,angle,cr) VALUES (1," + values + ")");
        model.setDecimals(char(decimals));
        model.setQuery("SELECT * from tools where idTable=1 ORDER BY t");
    }

private slots:
    void initTestCase()
    {
        dir = new TestWorkDir;
        QVERIFY(ToolingDb::open());
    }
    void cleanupTestCase()
    {
        ToolingDb::close();
        delete dir;
    }

    void displayTexts_data()
    {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("values"); // t,x,z,code,angle,cr
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("x 3 decimals") << 3 << "5,12.5,0,'A',0,0" << 3 << "12.500";
        QTest::newRow("x rounds away") << 3 << "5,0.0004,0,'A',0,0" << 3 << "0.000";
        QTest::newRow("x 4 decimals") << 4 << "5,12.5,0,'A',0,0" << 3 << "12.5000";
        QTest::newRow("z 4 decimals") << 4 << "5,0,0.0004,'A',0,0" << 4 << "0.0004";
        QTest::newRow("t integer") << 3 << "5.0,0,0,'A',0,0" << 2 << "5";
        QTest::newRow("angle as stored") << 3 << "5,0,0,'A',12.5,0" << 6 << "12.5";
        QTest::newRow("cr as stored") << 3 << "5,0,0,'A',0,'0.4'" << 7 << "0.4";
        QTest::newRow("code as stored") << 3 << "5,0,0,'O''Brien',0,0" << 5 << "O'Brien";
    }
    void displayTexts()
    {
        QFETCH(int, decimals);
        QFETCH(QString, values);
        QFETCH(int, column);
        QFETCH(QString, text);
        QExtSqlQueryModel model;
        showRow(model, decimals, values);
        const QModelIndex index = model.index(0, column);
        QCOMPARE(model.data(index).toString(), text);
        QCOMPARE(model.data(index, Qt::TextAlignmentRole).toInt(), 0x1082);
        QVERIFY(!model.data(index, Qt::EditRole).isValid());
        QVERIFY(!model.data(index, Qt::ForegroundRole).isValid());
        QVERIFY(model.flags(index) & Qt::ItemIsEditable);
    }

    void fonts_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("values");
        QTest::addColumn<int>("pixels"); // 0: no font
        QTest::newRow("code 16") << 5 << QString("1,0,0,'%1',0,0").arg(QString(16, 'C')) << 18;
        QTest::newRow("code 17") << 5 << QString("1,0,0,'%1',0,0").arg(QString(17, 'C')) << 13;
        QTest::newRow("code 22") << 5 << QString("1,0,0,'%1',0,0").arg(QString(22, 'C')) << 13;
        QTest::newRow("code 23") << 5 << QString("1,0,0,'%1',0,0").arg(QString(23, 'C')) << 11;
        QTest::newRow("number 5 digits") << 2 << "12345,0,0,'A',0,0" << 18;
        QTest::newRow("number 6 digits") << 2 << "123456,0,0,'A',0,0" << 14;
        QTest::newRow("x has none") << 3 << "1,0,0,'A',0,0" << 0;
    }
    void fonts()
    {
        QFETCH(int, column);
        QFETCH(QString, values);
        QFETCH(int, pixels);
        QExtSqlQueryModel model;
        showRow(model, 3, values);
        const QVariant font = model.data(model.index(0, column), Qt::FontRole);
        if (!pixels) {
            QVERIFY(!font.isValid());
            return;
        }
        const QFont f = font.value<QFont>();
        QCOMPARE(f.family(), QString("ubuntu"));
        QCOMPARE(f.pixelSize(), pixels);
        QVERIFY(!f.italic());
    }

    void codeColumnOneSize_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("width"); // 0: just wide enough at that size
        QTest::newRow("short and long codes, the long one fits at 13 px")
            << QStringList{"CNMG 120408 ROUGH", "VBMT 160404", "DRILL 12"} << 13 << 0;
        QTest::newRow("short codes that fit at 18 px") << QStringList{"VBMT 160404", "DRILL 12"} << 18 << 0;
        QTest::newRow("a code too long for every size") << QStringList{QString(60, 'W'), "A"} << 11 << 120;
    }
    // Every code of the list in one type, the largest in which each fits the
    // column; a list read again keeps to the column.
    void codeColumnOneSize()
    {
        QFETCH(QStringList, codes);
        QFETCH(int, pixels);
        QFETCH(int, width);
        if (width == 0) {
            QFont f("ubuntu");
            f.setPixelSize(pixels);
            for (const QString &code : codes)
                width = qMax(width, QFontMetrics(f).horizontalAdvance(code) + 8);
        }
        ToolingDb::exec("DELETE FROM tools");
        for (int i = 0; i < codes.size(); ++i)
            ToolingDb::exec(QString("INSERT INTO tools (idTable,t,x,z,code,angle,cr) VALUES (1,%1,0,0,'%2',0,0)")
                                .arg(i + 1)
                                .arg(codes[i]));
        QExtSqlQueryModel model;
        model.setQuery("SELECT * from tools where idTable=1 ORDER BY t DESC");
        model.setCodeWidth(width);
        model.setQuery("SELECT * from tools where idTable=1 ORDER BY t");
        for (int row = 0; row < codes.size(); ++row)
            QCOMPARE(model.data(model.index(row, 5), Qt::FontRole).value<QFont>().pixelSize(), pixels);
    }

    void delegate_data()
    {
        QTest::addColumn<int>("validator"); // 0 none, 1 double, 2 int
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("double 3") << 1 << QVariant(1.5) << "1.500";
        QTest::newRow("double null") << 1 << QVariant() << "0.000";
        QTest::newRow("int from 12.0") << 2 << QVariant(12.0) << "12";
        QTest::newRow("int null") << 2 << QVariant() << "0";
        QTest::newRow("no validator") << 0 << QVariant("O'Brien 1.5") << "O'Brien 1.5";
    }
    void delegate()
    {
        QFETCH(int, validator);
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QStandardItemModel model(1, 1);
        model.setData(model.index(0, 0), value, Qt::EditRole);
        QLineEdit edit;
        if (validator == 1)
            edit.setValidator(new QExtDoubleValidator(-1500, 1500, 3, &edit));
        else if (validator == 2)
            edit.setValidator(new QExtIntValidator(1, 99999999, &edit));
        lineEditDelegate d;
        edit.setText("old");
        d.setEditorData(&edit, QModelIndex());
        QCOMPARE(edit.text(), QString("old"));
        d.setEditorData(&edit, model.index(0, 0));
        QCOMPARE(edit.text(), text);
    }
};

QTEST_MAIN(tst_tooldisplay)
#include "tst_tooldisplay.moc"
