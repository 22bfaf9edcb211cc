#include "companion/tips.h"

#include <QTest>

class TestTips : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void randomAndNext_data();
    void randomAndNext();
    void removeKeepsThePositionInside();
};

void TestTips::randomAndNext_data() {
    QTest::addColumn<double>("random");
    QTest::addColumn<int>("first");  // position of the random tip
    QTest::addColumn<int>("second"); // after nextTip()
    QTest::newRow("lowest") << 0.0 << 1 << 2;
    QTest::newRow("middle") << 0.5 << 9 << 10;
    QTest::newRow("the last wraps to the first") << 0.99 << 16 << 1;
    QTest::newRow("a generator giving 1.0") << 1.0 << 16 << 1;
}

void TestTips::randomAndNext() {
    QFETCH(double, random);
    QFETCH(int, first);
    QFETCH(int, second);
    Tips tips([random] { return random; });
    QCOMPARE(tips.count(), 16);
    QCOMPARE(tips.randomTip(), Tips::builtIn().at(first - 1));
    QCOMPARE(tips.position(), first);
    QCOMPARE(tips.nextTip(), Tips::builtIn().at(second - 1));
}

void TestTips::removeKeepsThePositionInside() {
    Tips tips([] { return 0.99; });
    tips.randomTip();
    QVERIFY(tips.remove("00016T"));
    QVERIFY(!tips.remove("00016T"));
    QCOMPARE(tips.nextTip(), Tips::builtIn().first());
    const QString key = tips.add("新的一条");
    QCOMPARE(key, QString("00017T"));
    for (int i = 0; i < 14; ++i)
        tips.nextTip();
    QCOMPARE(tips.nextTip(), QString("新的一条"));
    while (tips.count() > 0)
        QVERIFY(tips.remove(Tips::keyOf(tips.all().first().id)));
    QCOMPARE(tips.nextTip(), QString());
    QCOMPARE(tips.randomTip(), QString());
}

QTEST_GUILESS_MAIN(TestTips)
#include "tst_tips.moc"
