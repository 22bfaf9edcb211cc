#include "support/rows.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"

#include <QTemporaryDir>
#include <QTest>

class TestOpenWithShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingTargetsWarn_data();
    void missingTargetsWarn();
};

void TestOpenWithShell::missingTargetsWarn_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    addRow("file", "missing.chm", "文件没有找到");
    addRow("folder", "no/such/book.chm", "路径没有找到");
}

void TestOpenWithShell::missingTargetsWarn() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QList<QPair<Messages::Kind, QString>> shown;
    Messages::setHandler([&](Messages::Kind kind, const QString& text) {
        shown.append({kind, text});
        return QMessageBox::Ok;
    });
    QVERIFY(!openWithShell(dir.filePath(name)));
    Messages::setHandler({});
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().first, Messages::Kind::Warning);
    QCOMPARE(shown.first().second, message);
}

QTEST_MAIN(TestOpenWithShell)
#include "tst_openwithshell.moc"
