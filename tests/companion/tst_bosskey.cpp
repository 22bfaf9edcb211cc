#include "companion/bosskey.h"

#include <QTest>

class TestBossKey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matches_data();
    void matches();
    void names_data();
    void names();
};

void TestBossKey::matches_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("hit");
    const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
    QTest::newRow("Q alone") << "Q" << int(Qt::Key_Q) << none << true;
    QTest::newRow("Q set, Shift+Q pressed") << "Q" << int(Qt::Key_Q) << shift << false;
    QTest::newRow("Shift+Q set, Q pressed") << "Shift+Q" << int(Qt::Key_Q) << none << false;
    QTest::newRow("Shift+Q") << "Shift+Q" << int(Qt::Key_Q) << shift << true;
    QTest::newRow("any two characters mean Shift") << "xQ" << int(Qt::Key_Q) << shift << true;
    QTest::newRow("Ctrl is no boss key") << "Q" << int(Qt::Key_Q) << ctrl << false;
    QTest::newRow("F1 is p") << "p" << int(Qt::Key_F1) << none << true;
    QTest::newRow("F12 is {") << "{" << int(Qt::Key_F12) << none << true;
    QTest::newRow("Shift+F12") << "Shift+{" << int(Qt::Key_F12) << shift << true;
    // What an older settings dialog stored for F1 reads as Shift+"2": kept, and it is that key.
    QTest::newRow("old \"112\" is Shift+2") << "112" << int(Qt::Key_2) << shift << true;
    QTest::newRow("old \"112\" is not F1") << "112" << int(Qt::Key_F1) << none << false;
    QTest::newRow("a code without a key") << "a" << int(Qt::Key_A) << none << false;
    QTest::newRow("none") << "" << int(Qt::Key_F12) << none << false;
}

void TestBossKey::matches() {
    QFETCH(QString, stored);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, hit);
    QCOMPARE(BossKey(stored).matches(key, Qt::KeyboardModifiers(modifiers)), hit);
}

void TestBossKey::names_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<qulonglong>("keysym");
    QTest::newRow("letter") << "Q" << "Q" << "Q" << qulonglong(0x51);
    QTest::newRow("F5") << "t" << "F5" << "F5" << qulonglong(0xffc2);
    QTest::newRow("Shift+F12") << "Shift+{" << "Shift+F12" << "SHIFT+F12" << qulonglong(0xffc9);
    QTest::newRow("unknown code kept as stored") << "#" << "#" << "" << qulonglong(0);
}

void TestBossKey::names() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, trigger);
    QFETCH(qulonglong, keysym);
    const BossKey key(stored);
    QCOMPARE(key.displayName(), shown);
    QCOMPARE(key.trigger(), trigger);
    QCOMPARE(qulonglong(key.keysym()), keysym);
    QCOMPARE(BossKey::choices().size(), 1 + 24 + 26);
}

QTEST_GUILESS_MAIN(TestBossKey)
#include "tst_bosskey.moc"
