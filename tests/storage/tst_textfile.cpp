// Reading text files whose encoding is not declared, and writing them without loss.
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

class TestTextFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void writeIsLossless_data();
    void writeIsLossless();
    void missingFileReadsEmpty();
    void longTextsEncodeAsTheCodec();
    void replaceLeavesOnlyTheTarget();
    void writersMeetInANewFolder();
};

void TestTextFile::decode_data() {
    columns<QByteArray, QString>("bytes", "text");
    QTest::newRow("ascii") << QByteArray("plain text\r\n") << "plain text\r\n";
    QTest::newRow("gbk") << QByteArray("\xD6\xD0\xCE\xC4\xD0\xA1\xCB\xB5") << "中文小说";
    QTest::newRow("gbk that is valid utf-8") << QByteArray("/music/\xD2\xBB.mp3") << "/music/一.mp3";
    QTest::newRow("gbk pair that is valid utf-8") << QByteArray("\xD2\xBB\xB6\xFE") << "一二";
    QTest::newRow("utf-8 chinese") << QByteArray("\xE4\xB8\xAD\xE6\x96\x87") << "中文";
    QTest::newRow("utf-8 accented latin") << QByteArray("Caf\xC3\xA9 na\xC3\xAFve") << "Café naïve";
    QTest::newRow("utf-8 mixed") << QByteArray("\xE4\xB8\xAD Caf\xC3\xA9") << "中 Café";
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF\xD0\x9F") << "П";
    QTest::newRow("gb18030 four-byte") << QByteArray("\x94\x39\xFC\x36") << "😀";
}

void TestTextFile::decode() {
    const auto [bytes, text] = fetch<QByteArray, QString>("bytes", "text");
    QCOMPARE(decodeTextFileBytes(bytes), text);
}

void TestTextFile::writeIsLossless_data() {
    columns<QString, QByteArray>("text", "encoding");
    QTest::newRow("gb18030 chinese") << "中文，標點。" << QByteArray("GB18030");
    QTest::newRow("gb18030 beyond gbk") << "𠀀😀€" << QByteArray("GB18030");
    QTest::newRow("big5") << "繁體中文" << QByteArray("Big5");
    QTest::newRow("utf-8") << "中文 😀" << QByteArray("UTF-8");
}

void TestTextFile::writeIsLossless() {
    const auto [text, encoding] = fetch<QString, QByteArray>("text", "encoding");
    const QByteArray bytes = encodeText(text, encoding.constData());
    QVERIFY(!bytes.contains('?'));
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/folder/x.txt");
    QVERIFY(writeTextFile(path, text, encoding.constData()));
    QCOMPARE(fileBytes(path), bytes);
    if (encoding != "Big5") // Big5 files are read by declaration, not guessed
        QCOMPARE(readTextFile(path), text);
}

void TestTextFile::missingFileReadsEmpty() {
    QCOMPARE(readTextFile("/nonexistent/file.txt"), QString());
    QString error;
    QVERIFY(!writeTextFile("/proc/forbidden/x.txt", "x", "GB18030", &error));
    QVERIFY(!error.isEmpty());
}

void TestTextFile::longTextsEncodeAsTheCodec() {
    // Long texts take the table way when every character has a one- or two-byte code.
    QString text;
    for (int i = 0; text.size() < 40000; ++i)
        text += QStringLiteral("第%1章 山河€风雨・「夜色」\r\n").arg(i);
    QStringEncoder codec("GB18030");
    QCOMPARE(encodeText(text), QByteArray(codec.encode(text)));
    text += QStringLiteral("\U0001F600 \u00e9 \u20ac \u3400");
    QCOMPARE(encodeText(text), QByteArray(codec.encode(text)));
}

void TestTextFile::replaceLeavesOnlyTheTarget() {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/1.htm");
    QVERIFY(replaceFileBytes(path, "first"));
    QVERIFY(replaceFileBytes(path, "second, longer"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("second, longer"));
    // No temporary sibling is left behind, hidden or not.
    QCOMPARE(QDir(dir.filePath("sub")).entryList(QDir::Files | QDir::Hidden), QStringList{"1.htm"});

    QString error;
    QVERIFY(!replaceFileBytes("/proc/forbidden/x.htm", "x", &error));
    QVERIFY(!error.isEmpty());
    // A folder in the way: the rename fails and the temporary file goes.
    QVERIFY(QDir(dir.path()).mkpath("sub/2.htm/inner"));
    QVERIFY(!replaceFileBytes(dir.filePath("sub/2.htm"), "x", &error));
    QCOMPARE(QDir(dir.filePath("sub")).entryList(QDir::Files | QDir::Hidden), QStringList{"1.htm"});
}

void TestTextFile::writersMeetInANewFolder() {
    // The first pages of a novel are written at once by several threads into a folder none made yet.
    QTemporaryDir dir;
    for (int round = 0; round < 200; ++round) {
        const QString folder = dir.filePath(QStringLiteral("%1/chm").arg(round));
        std::atomic<int> failed{0};
        QList<QThread*> writers;
        for (int i = 0; i < 6; ++i) {
            writers << QThread::create([&failed, folder, i] {
                QString error;
                if (!replaceFileBytes(folder + QStringLiteral("/%1.htm").arg(i), "page", &error))
                    ++failed;
            });
        }
        for (QThread* writer : std::as_const(writers))
            writer->start();
        for (QThread* writer : std::as_const(writers)) {
            QVERIFY(writer->wait(10000));
            delete writer;
        }
        QCOMPARE(failed.load(), 0);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 6);
    }
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
