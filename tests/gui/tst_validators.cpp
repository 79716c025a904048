#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include "widgets/QExtDoubleValidator.h"
#include "shared/QExtQuery.h"
#include "support/TestWorkDir.h"

Q_DECLARE_METATYPE(QValidator::State)

class TestValidators : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void doubleValidator_data();
    void doubleValidator();
    void intValidator_data();
    void intValidator();
    void count_data();
    void count();
    void countNeverExecuted();
    void statementConstructor();

private:
    TestWorkDir *m_wd = nullptr;
};

void TestValidators::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_wd = new TestWorkDir;
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE");
    db.setDatabaseName(m_wd->filePath("q.sqlite"));
    QVERIFY(db.open());
    QSqlQuery q;
    QVERIFY(q.exec("CREATE TABLE t (id INTEGER PRIMARY KEY, v INTEGER)"));
    QVERIFY(q.exec("INSERT INTO t (v) VALUES (10), (20), (30)"));
}

void TestValidators::cleanupTestCase()
{
    {
        QSqlDatabase db = QSqlDatabase::database();
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    delete m_wd;
}

void TestValidators::doubleValidator_data()
{
    QTest::addColumn<double>("bottom");
    QTest::addColumn<double>("top");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QValidator::State>("expected");

    const auto I = QValidator::Intermediate;
    const auto A = QValidator::Acceptable;
    const auto X = QValidator::Invalid;
    QTest::newRow("empty") << -1000.0 << 1000.0 << 3 << "" << I;
    QTest::newRow("dot") << -1000.0 << 1000.0 << 3 << "." << I;
    QTest::newRow("minus, negative bottom") << -1000.0 << 1000.0 << 3 << "-" << I;
    QTest::newRow("number") << -1000.0 << 1000.0 << 3 << "12.5" << A;
    QTest::newRow("negative number") << -1000.0 << 1000.0 << 3 << "-999.125" << A;
    QTest::newRow("leading dot") << -1000.0 << 1000.0 << 3 << ".5" << A;
    QTest::newRow("trailing dot") << -1000.0 << 1000.0 << 3 << "12." << A;
    QTest::newRow("above top") << -1000.0 << 1000.0 << 3 << "1234" << X;
    QTest::newRow("too many decimals") << -1000.0 << 1000.0 << 3 << "1.2345" << X;
    QTest::newRow("letters") << -1000.0 << 1000.0 << 3 << "1a" << X;
    QTest::newRow("group separator") << -1000.0 << 100000.0 << 3 << "1,000" << X;
    QTest::newRow("comma as decimal point") << -1000.0 << 1000.0 << 3 << "1,5" << X;
    QTest::newRow("minus, zero bottom") << 0.0 << 1000.0 << 3 << "-" << X;
    QTest::newRow("negative, zero bottom") << 0.0 << 1000.0 << 3 << "-1" << X;
    QTest::newRow("dot, zero bottom") << 0.0 << 1000.0 << 3 << "." << I;
    QTest::newRow("angle") << 0.0 << 90.0 << 2 << "45.25" << A;
    QTest::newRow("angle too large") << 0.0 << 90.0 << 2 << "91" << X;
}

void TestValidators::doubleValidator()
{
    QFETCH(double, bottom);
    QFETCH(double, top);
    QFETCH(int, decimals);
    QFETCH(QString, input);
    QFETCH(QValidator::State, expected);
    QExtDoubleValidator v(bottom, top, decimals, nullptr);
    int pos = input.size();
    QCOMPARE(v.validate(input, pos), expected);
    // Whatever is accepted reads back as the same number.
    if (expected == QValidator::Acceptable) {
        bool ok = false;
        input.toFloat(&ok);
        QVERIFY(ok);
    }
}

void TestValidators::intValidator_data()
{
    QTest::addColumn<int>("bottom");
    QTest::addColumn<int>("top");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QValidator::State>("expected");
    const auto I = QValidator::Intermediate;
    const auto A = QValidator::Acceptable;
    const auto X = QValidator::Invalid;
    QTest::newRow("empty") << -100 << 100 << "" << I;
    QTest::newRow("minus refused") << -100 << 100 << "-" << X;
    QTest::newRow("number") << -100 << 100 << "42" << A;
    QTest::newRow("negative") << -100 << 100 << "-42" << A;
    QTest::newRow("above top") << 0 << 100 << "101" << X;
    QTest::newRow("below bottom, intermediate for the toolkit") << 10 << 100 << "5" << X;
    QTest::newRow("decimal") << 0 << 100 << "1.5" << X;
    QTest::newRow("group separator") << 0 << 100000 << "1,000" << X;
    QTest::newRow("letters") << 0 << 100 << "x" << X;
}

void TestValidators::intValidator()
{
    QFETCH(int, bottom);
    QFETCH(int, top);
    QFETCH(QString, input);
    QFETCH(QValidator::State, expected);
    QExtIntValidator v(bottom, top, nullptr);
    int pos = input.size();
    QCOMPARE(v.validate(input, pos), expected);
}

void TestValidators::count_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("moves"); // next() calls before counting
    QTest::addColumn<int>("expected");
    QTest::newRow("three rows, on the second") << "SELECT v FROM t ORDER BY v" << 2 << 3;
    QTest::newRow("three rows, before the first") << "SELECT v FROM t ORDER BY v" << 0 << 3;
    QTest::newRow("three rows, on the last") << "SELECT v FROM t ORDER BY v" << 3 << 3;
    QTest::newRow("three rows, after the last") << "SELECT v FROM t ORDER BY v" << 4 << 3;
    QTest::newRow("no rows") << "SELECT v FROM t WHERE v > 100" << 0 << 0;
    QTest::newRow("update") << "UPDATE t SET v=v WHERE v >= 20" << 0 << 2;
    QTest::newRow("failed statement") << "SELECT nothing FROM nowhere" << 0 << -1;
}

void TestValidators::count()
{
    QFETCH(QString, sql);
    QFETCH(int, moves);
    QFETCH(int, expected);
    QExtQuery q;
    q.exec(sql);
    for (int i = 0; i < moves; ++i)
        q.next();
    const int before = q.at();
    QCOMPARE(before, moves > 0 && moves <= expected ? moves - 1 : before);
    QCOMPARE(q.Count(), expected);
    // The caller's row is kept.
    QCOMPARE(q.at(), before);
    if (before >= 0)
        QCOMPARE(q.value(0).toInt(), (before + 1) * 10);
    QVERIFY(q.sql.isEmpty());
}

void TestValidators::countNeverExecuted()
{
    QExtQuery q;
    QCOMPARE(q.Count(), -1);
    q.prepare("SELECT v FROM t");
    QCOMPARE(q.Count(), -1);
}

void TestValidators::statementConstructor()
{
    QExtQuery q("SELECT v FROM t ORDER BY v", QSqlDatabase::database());
    QCOMPARE(q.sql, QString("SELECT v FROM t ORDER BY v"));
    QVERIFY(q.exec());
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 10);
    QCOMPARE(q.Count(), 3);
}

QTEST_MAIN(TestValidators)
#include "tst_validators.moc"
