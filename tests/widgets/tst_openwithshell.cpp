#include "support/rows.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class TestOpenWithShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingTargetsWarn_data();
    void missingTargetsWarn();
    void writtenFileOffersItsFolder_data();
    void writtenFileOffersItsFolder();
};

void TestOpenWithShell::missingTargetsWarn_data() {
    columns<QString, QString>("name", "message");
    addRow("file", "missing.chm", "文件没有找到");
    addRow("folder", "no/such/book.chm", "路径没有找到");
}

void TestOpenWithShell::missingTargetsWarn() {
    const auto [name, message] = fetch<QString, QString>("name", "message");
    QTemporaryDir dir;
    QList<QPair<Messages::Kind, QString>> shown;
    Messages::setHandler([&](Messages::Kind kind, const QString& text) {
        shown.append({kind, text});
        return QMessageBox::Ok;
    });
    QVERIFY(!openWithShell(dir.filePath(name)));
    QVERIFY(!openWrittenFile(dir.filePath(name)));
    Messages::setHandler({});
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.first().first, Messages::Kind::Warning);
    QCOMPARE(shown.first().second, message);
    QCOMPARE(shown.last(), shown.first());
}

void TestOpenWithShell::writtenFileOffersItsFolder_data() {
    // messages: {path} stands for the file; opened: file, then its folder
    columns<bool, bool, bool, QStringList, int, bool>("fileOpens", "folderOpens", "answer", "messages",
                                                      "opened", "result");
    const QString offer = "没有相应的文件连接，文件在“{path}”。是否打开所在的文件夹？";
    addRow("a program opens it", true, true, true, QStringList{}, 1, true);
    addRow("folder instead", false, true, true, QStringList{offer}, 2, true);
    addRow("folder declined", false, true, false, QStringList{offer}, 1, false);
    addRow("folder fails too", false, false, true, QStringList{offer, "没有相应的文件连接"}, 2, false);
}

void TestOpenWithShell::writtenFileOffersItsFolder() {
    auto [fileOpens, folderOpens, answer, messages, opened, result] =
        fetch<bool, bool, bool, QStringList, int, bool>("fileOpens", "folderOpens", "answer", "messages",
                                                        "opened", "result");
    QTemporaryDir dir;
    const QString path = dir.filePath("演示小说.chm");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QList<QUrl> urls;
    setShellOpener([&](const QUrl& url) {
        urls << url;
        return url.toLocalFile() == path ? fileOpens : folderOpens;
    });
    QStringList shown;
    Messages::setHandler([&](Messages::Kind, const QString& text) {
        shown << text;
        return answer ? QMessageBox::Yes : QMessageBox::No;
    });
    const bool opens = openWrittenFile(path);
    Messages::setHandler({});
    setShellOpener({});
    messages.replaceInStrings("{path}", QDir::toNativeSeparators(path));
    QCOMPARE(shown, messages);
    QCOMPARE(opens, result);
    const QList<QUrl> expected{QUrl::fromLocalFile(path), QUrl::fromLocalFile(dir.path())};
    QCOMPARE(urls, expected.mid(0, opened));
}

QTEST_MAIN(TestOpenWithShell)
#include "tst_openwithshell.moc"
