// Stored chapter pages in every encoding they come in: the text, the charset named, and whether
// the bytes decoded (a page that did not must never be rewritten).
#include "storage/storedchapterpage.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QTemporaryDir>
#include <QTest>

class TestStoredChapterPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
};

namespace {

QByteArray page(const char* declared, const QByteArray& body) {
    return QByteArray("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
           declared + "\"></head><body>" + body + "</body></html>";
}

QString pageText(const char* declared, const QString& body) {
    return QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
           QLatin1String(declared) + QStringLiteral("\"></head><body>") + body +
           QStringLiteral("</body></html>");
}

} // namespace

void TestStoredChapterPage::read_data() {
    columns<bool, QByteArray, QString, QString, QString, bool>("onDisk", "bytes", "setting", "text",
                                                               "charset", "clean");

    const QByteArray gbk("\xD6\xD0\xCE\xC4\xD0\xA1\xCB\xB5");  // 中文小说
    const QByteArray big5("\xC1\x63\xC5\xE9\xA4\xA4\xA4\xE5"); // 繁體中文
    addRow("gb2312 page", true, page("gb2312", gbk), "", pageText("gb2312", "中文小说"), "gb18030", true);
    addRow("gbk page in a big5 library", true, page("gbk", gbk), "big5", pageText("gbk", "中文小说"),
           "gb18030", true);
    addRow("gbk that is valid utf-8", true, QByteArray("<p>\xD2\xBB\xB6\xFE</p>"), "", "<p>一二</p>",
           "gb18030", true);
    addRow("big5 declared", true, page("big5", big5), "", pageText("big5", "繁體中文"), "big5", true);
    addRow("big5 declared in a gb2312 library", true, page("BIG5", big5), "gb2312",
           pageText("BIG5", "繁體中文"), "big5", true);
    addRow("undeclared big5 in a big5 library", true, QByteArray("<p>" + big5 + "</p>"), "big5",
           "<p>繁體中文</p>", "big5", true);
    addRow("utf-8", true, page("utf-8", "\xE4\xB8\xAD\xE6\x96\x87"), "big5", pageText("utf-8", "中文"),
           "utf-8", true);
    addRow("utf-8 bom", true, QByteArray("\xEF\xBB\xBF<p>\xE4\xB8\xAD</p>"), "", "<p>中</p>", "utf-8", true);
    addRow("utf-16le bom", true, QByteArray("\xFF\xFE<\0p\0>\0\x2D\x4E\x87\x65", 12), "", "<p>中文",
           "utf-16le", true);
    addRow("utf-16be bom", true, QByteArray("\xFE\xFF\0<\0p\0>\x4E\x2D\x65\x87", 12), "", "<p>中文",
           "utf-16be", true);
    addRow("empty file", true, QByteArray(""), "", "", "utf-8", true);

    addRow("broken gbk", true, QByteArray("<p>\xD6\xD0\x81\x20</p>"), "", "<p>中\xEF\xBF\xBD </p>", "gb18030",
           false);
    addRow("gbk cut in a character", true, QByteArray("<p>\xD6\xD0\xCE"), "", "<p>中", "gb18030", false);
    addRow("broken big5", true, page("big5", "\xC1\x63\x81\x20"), "", pageText("big5", "繁\xEF\xBF\xBD "),
           "big5", false);
    addRow("broken utf-8 after a bom", true, QByteArray("\xEF\xBB\xBF\xE4\xB8"), "",
           "\xEF\xBF\xBD\xEF\xBF\xBD", "utf-8", false);
    addRow("utf-16 cut in a unit", true, QByteArray("\xFF\xFE<\0p", 5), "", "<\xEF\xBF\xBD", "utf-16le",
           false);

    addRow("missing", false, QByteArray(), "", "", "", false);
}

void TestStoredChapterPage::read() {
    const auto [onDisk, bytes, setting, text, charset, clean] =
        fetch<bool, QByteArray, QString, QString, QString, bool>("onDisk", "bytes", "setting", "text",
                                                                 "charset", "clean");

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chm/000001/7.htm"));
    if (onDisk)
        QVERIFY(writeFile(path, bytes));
    const StoredChapterPage read = StoredChapterPage::read(path, setting);
    QCOMPARE(read.exists, onDisk);
    QCOMPARE(read.charset, charset);
    QCOMPARE(read.clean, clean);
    QCOMPARE(read.text, text);
}

QTEST_GUILESS_MAIN(TestStoredChapterPage)
#include "tst_storedchapterpage.moc"
