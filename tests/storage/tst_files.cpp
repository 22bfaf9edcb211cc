#include "storage/files.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void byExtension_data();
    void byExtension();
    void containing();
    void subfolders();
    void imageType_data();
    void imageType();
    void saveBytes();
    void openProblems();
    void fileNameChars_data();
    void fileNameChars();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFiles::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (const char* name : {"a.htm", "B.HTML", "c.txt", "htm", "d.xhtm", "第一章.Htm"})
        QVERIFY(writeFile(m_dir->filePath(QString::fromUtf8(name)), QByteArray()));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub.htm")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("images.html")));
}

void TestFiles::byExtension_data() {
    columns<QString, QStringList, bool>("extensions", "expected", "found");
    addRow("htm", "htm", QStringList{"a.htm", "第一章.Htm"}, true);
    addRow("htm,html", "htm,html", QStringList{"a.htm", "B.HTML", "第一章.Htm"}, true);
    addRow("all", "*.*", QStringList{"a.htm", "B.HTML", "c.txt", "d.xhtm", "htm", "第一章.Htm"}, true);
    addRow("none", "chm", QStringList(), false);
}

void TestFiles::byExtension() {
    const auto [extensions, expected, found] =
        fetch<QString, QStringList, bool>("extensions", "expected", "found");
    QStringList names{QStringLiteral("kept")};
    QCOMPARE(listFilesByExtension(m_dir->path(), extensions, names), found);
    QCOMPARE(names, QStringList{QStringLiteral("kept")} + expected);
}

void TestFiles::containing() {
    QStringList names;
    QVERIFY(listFilesContaining(m_dir->path(), QStringLiteral("HT"), names));
    QCOMPARE(names, (QStringList{"a.htm", "B.HTML", "d.xhtm", "htm", "第一章.Htm"}));
    QVERIFY(!listFilesContaining(m_dir->path(), QStringLiteral("zz"), names));
}

void TestFiles::subfolders() {
    QStringList names;
    QVERIFY(!listSubfolders(m_dir->filePath(QStringLiteral("missing")), QStringLiteral("*.*"), names));
    QVERIFY(listSubfolders(m_dir->path(), QStringLiteral("*.*"), names));
    QCOMPARE(names, (QStringList{"images.html", "sub.htm"}));
    names.clear();
    QVERIFY(listSubfolders(m_dir->path(), QStringLiteral("html"), names));
    QCOMPARE(names, QStringList{"images.html"});
}

void TestFiles::imageType_data() {
    columns<QByteArray, QString>("bytes", "type");
    addRow("bmp", QByteArray("BM\x36\x00\x00\x00", 6), "bmp");
    addRow("gif", QByteArray("GIF89a"), "gif");
    addRow("jfif jpeg", QByteArray("\xFF\xD8\xFF\xE0\x00\x10", 6), "jpg");
    addRow("exif jpeg", QByteArray("\xFF\xD8\xFF\xE1\x00\x10", 6), "jpg");
    addRow("png", QByteArray("\x89PNG\r\n\x1A\n\x00\x00", 10), "png");
    addRow("too short", QByteArray("GIF8"), "");
    addRow("html", QByteArray("<html>"), "");
}

void TestFiles::imageType() {
    const auto [bytes, type] = fetch<QByteArray, QString>("bytes", "type");
    QCOMPARE(getImageType(bytes), type);
}

void TestFiles::saveBytes() {
    const QString path = m_dir->filePath(QStringLiteral("pics/1.jpg"));
    QVERIFY(saveBytesToFile(QByteArray(), path));
    QVERIFY(!QFile::exists(path));
    const QByteArray bytes("\xFF\xD8\xFF\x00 data", 9);
    QVERIFY(saveBytesToFile(bytes, path));
    QVERIFY(saveBytesToFile(bytes.left(4), path));
    QCOMPARE(fileBytes(path), bytes.left(4));
}

void TestFiles::openProblems() {
    QCOMPARE(openTargetProblem(m_dir->filePath(QStringLiteral("a.htm"))), QString());
    QCOMPARE(openTargetProblem(m_dir->filePath(QStringLiteral("missing.htm"))),
             QStringLiteral("文件没有找到"));
    QCOMPARE(openTargetProblem(m_dir->filePath(QStringLiteral("no/such.htm"))),
             QStringLiteral("路径没有找到"));
    QCOMPARE(openTargetProblem(QStringLiteral("http://www.example.com/")), QString());
    QCOMPARE(openTargetProblem(QUrl::fromLocalFile(m_dir->filePath(QStringLiteral("x.htm"))).toString()),
             QStringLiteral("文件没有找到"));
}

void TestFiles::fileNameChars_data() {
    columns<QString, bool, QString>("name", "accepted", "replaced");
    addRow("plain", "第一卷 风起", true, "第一卷 风起");
    addRow("comma", "a,b", false, "a,b");
    addRow("ampersand", "a&b", false, "a&b");
    addRow("apostrophe", "a'b", false, "a'b");
    addRow("all nine", "\\/:*?\"<>|", false, "_________");
}

void TestFiles::fileNameChars() {
    const auto [name, accepted, replaced] = fetch<QString, bool, QString>("name", "accepted", "replaced");
    const QString message = checkFileNameChars(name, QStringLiteral("书名"));
    QCOMPARE(message.isEmpty(), accepted);
    if (!accepted)
        QCOMPARE(message, QStringLiteral("\"书名\"中不能包括以下字符：\\/:*?\"<>|',&"));
    QCOMPARE(replaceInvalidFileNameChars(name), replaced);
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
