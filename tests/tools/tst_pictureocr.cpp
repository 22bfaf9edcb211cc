#include "support/rows.h"
#include "tools/pictureocr.h"
#include "tools/textpicture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPictureOcr : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsLines_data();
    void readsLines();
    void unreadableFiles_data();
    void unreadableFiles();
    void languageFor_data();
    void languageFor();
    void missingLanguageData_data();
    void missingLanguageData();

private:
    // Black lines on white in the font a Chinese desktop ships, large enough for the engine.
    QString drawLines(const QString& name, const QStringList& lines);

    QTemporaryDir m_dir;
};

void TestPictureOcr::initTestCase() {
    QVERIFY(m_dir.isValid());
}

QString TestPictureOcr::drawLines(const QString& name, const QStringList& lines) {
    const QString path = m_dir.filePath(name + QStringLiteral(".png"));
    return drawTextPicture(path, lines) ? path : QString();
}

void TestPictureOcr::readsLines_data() {
    columns<QString, QStringList, QString>("language", "lines", "text");

    addRow("simplified line", "chi_sim", QStringList{QStringLiteral("山谷之中有一条小路通往北方")},
           "山谷之中有一条小路通往北方");
    addRow("punctuation kept", "chi_sim", QStringList{QStringLiteral("他说：“我们明天再走。”")},
           "他说：“我们明天再走。”");
    addRow("full-width marks after Chinese", "chi_sim",
           QStringList{QStringLiteral("地图：山谷、小路；北方！")}, "地图：山谷、小路；北方！");
    addRow("blanks between latin words kept", "chi_sim", QStringList{QStringLiteral("Hello World 地图")},
           "Hello World 地图");
    addRow("two lines", "chi_sim",
           QStringList{QStringLiteral("第一行写着地图的名字"), QStringLiteral("第二行写着出发的日子")},
           "第一行写着地图的名字\n第二行写着出发的日子");
    addRow("traditional line", "chi_tra", QStringList{QStringLiteral("這張地圖畫著回家的路")},
           "這張地圖畫著回家的路");
}

void TestPictureOcr::readsLines() {
    const auto [language, lines, text] = fetch<QString, QStringList, QString>("language", "lines", "text");

    const QString path = drawLines(QString::fromLatin1(QTest::currentDataTag()), lines);
    QVERIFY(!path.isEmpty());
    PictureOcr ocr(language);
    QCOMPARE(ocr.error(), QString());
    QString error = QStringLiteral("left over");
    QCOMPARE(ocr.recognise(path, &error), text);
    QCOMPARE(error, QString());
}

void TestPictureOcr::unreadableFiles_data() {
    columns<QString, QByteArray>("name", "content");

    addRow("missing file", "none.png", QByteArray());
    addRow("empty file", "empty.png", QByteArray(""));
    addRow("text named as picture", "page.jpg", QByteArray("<html>not a picture</html>"));
    addRow("folder", "folder.png", QByteArray());
}

void TestPictureOcr::unreadableFiles() {
    const auto [name, content] = fetch<QString, QByteArray>("name", "content");

    const QString path = m_dir.filePath(QStringLiteral("bad-") + name);
    if (QByteArray(QTest::currentDataTag()) == "folder") {
        QVERIFY(QDir(m_dir.path()).mkpath(path));
    } else if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    PictureOcr ocr(QStringLiteral("chi_sim"));
    QString error;
    QCOMPARE(ocr.recognise(path, &error), QString());
    QVERIFY2(error.contains(path), qPrintable(error));
    // The engine stays usable after a bad file.
    const QString good =
        drawLines(QStringLiteral("after-bad"), {QStringLiteral("山谷之中有一条小路通往北方")});
    QCOMPARE(ocr.recognise(good, &error), QStringLiteral("山谷之中有一条小路通往北方"));
    QCOMPARE(error, QString());
}

void TestPictureOcr::languageFor_data() {
    columns<QString, QString>("charset", "language");

    addRow("big5", "big5", "chi_tra");
    addRow("Big5 any case", "BIG5", "chi_tra");
    addRow("gb2312", "gb2312", "chi_sim");
    addRow("utf-8", "utf-8", "chi_sim");
    addRow("empty", "", "chi_sim");
    addRow("big5-hkscs is not big5", "big5-hkscs", "chi_sim");
}

void TestPictureOcr::languageFor() {
    const auto [charset, language] = fetch<QString, QString>("charset", "language");
    QCOMPARE(PictureOcr::languageFor(charset), language);
}

void TestPictureOcr::missingLanguageData_data() {
    columns<bool, QString, QString>("emptyDataFolder", "language", "package");

    addRow("made-up language", false, "xxx_none", "tesseract-ocr-xxx-none");
    addRow("simplified data missing", true, "chi_sim", "tesseract-ocr-chi-sim");
    addRow("traditional data missing", true, "chi_tra", "tesseract-ocr-chi-tra");
}

void TestPictureOcr::missingLanguageData() {
    const auto [emptyDataFolder, language, package] =
        fetch<bool, QString, QString>("emptyDataFolder", "language", "package");

    // The engine looks for its data where TESSDATA_PREFIX points: an empty folder stands for a system
    // without the package.
    const QByteArray saved = qgetenv("TESSDATA_PREFIX");
    const bool hadPrefix = qEnvironmentVariableIsSet("TESSDATA_PREFIX");
    const QString empty = m_dir.filePath(QStringLiteral("no-data"));
    if (emptyDataFolder) {
        QVERIFY(QDir().mkpath(empty));
        qputenv("TESSDATA_PREFIX", QFile::encodeName(empty + u'/'));
    }
    PictureOcr ocr(language);
    if (emptyDataFolder) {
        if (hadPrefix)
            qputenv("TESSDATA_PREFIX", saved);
        else
            qunsetenv("TESSDATA_PREFIX");
    }
    QVERIFY2(ocr.error().contains(package), qPrintable(ocr.error()));
    QVERIFY2(ocr.error().contains(QStringLiteral("请安装")), qPrintable(ocr.error()));
    const QString path = drawLines(QStringLiteral("unused"), {QStringLiteral("地图")});
    QString error;
    QCOMPARE(ocr.recognise(path, &error), QString());
    QCOMPARE(error, ocr.error());
}

QTEST_MAIN(TestPictureOcr)
#include "tst_pictureocr.moc"
