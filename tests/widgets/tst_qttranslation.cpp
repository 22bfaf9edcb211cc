#include "support/rows.h"
#include "widgets/qttranslation.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

class TestQtTranslation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void messageBoxButtons_data();
    void messageBoxButtons();
};

void TestQtTranslation::initTestCase() {
    QVERIFY(installQtTranslation(*qApp));
}

void TestQtTranslation::messageBoxButtons_data() {
    columns<int, QString>("button", "text");
    addRow("ok", int(QMessageBox::Ok), "确定");
    addRow("cancel", int(QMessageBox::Cancel), "取消");
    addRow("yes", int(QMessageBox::Yes), "是(&Y)");
    addRow("no", int(QMessageBox::No), "否(&N)");
}

// The buttons of the program's message boxes speak its language.
void TestQtTranslation::messageBoxButtons() {
    const auto [button, text] = fetch<int, QString>("button", "text");
    QMessageBox box;
    box.setStandardButtons(QMessageBox::StandardButton(button));
    QCOMPARE(box.button(QMessageBox::StandardButton(button))->text(), text);
}

QTEST_MAIN(TestQtTranslation)
#include "tst_qttranslation.moc"
