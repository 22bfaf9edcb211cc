// What links inside the reading view mean, and what its pages may load.
#include "library/readingaccess.h"
#include "library/readinglinks.h"
#include "support/rows.h"

#include <QTest>

using Kind = ReadingLink::Kind;
using Resource = ReadingAccess::Resource;

Q_DECLARE_METATYPE(ReadingLink::Kind)
Q_DECLARE_METATYPE(ReadingAccess::Resource)

namespace {

const QString kLibrary = QStringLiteral("/home/u/书库");
const QString kChm = kLibrary + QStringLiteral("/chm");

QUrl file(const QString& path) {
    return QUrl::fromLocalFile(path);
}

} // namespace

class TestReadingLinks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void classify_data();
    void classify();
    void access_data();
    void access();
};

void TestReadingLinks::classify_data() {
    columns<QUrl, Kind, QString, qint64, QString>("url", "kind", "novelId", "chapterId", "anchor");
    const QUrl withAnchor = QUrl(file(kChm + "/000001/25.htm").toString() + "#003");
    addRow("chapter", file(kChm + "/000001/25.htm"), Kind::Chapter, "000001", qint64(25), "");
    addRow("chapter with anchor", withAnchor, Kind::Chapter, "000001", qint64(25), "003");
    addRow("shown for reading", QUrl(file(kChm + "/000001/25.htm").toString() + "?op=read"), Kind::Navigate,
           "", qint64(0), "");
    addRow("prior", file(kChm + "/000002/Prior.htm"), Kind::Prior, "000002", qint64(0), "");
    addRow("next in any case", file(kChm + "/000002/NEXT.HTM"), Kind::Next, "000002", qint64(0), "");
    addRow("full text", file(kChm + "/000002/all.htm"), Kind::FullText, "000002", qint64(0), "");
    addRow("volume page", file(kChm + "/000002/vol2.htm"), Kind::Volume, "000002", qint64(0), "");
    addRow("contents page opens normally", file(kChm + "/000002/List.htm"), Kind::Navigate, "", qint64(0),
           "");
    addRow("picture", file(kChm + "/000002/000002_5_1.jpg"), Kind::Navigate, "", qint64(0), "");
    addRow("deeper folder", file(kChm + "/000002/sub/5.htm"), Kind::Navigate, "", qint64(0), "");
    addRow("outside the chm folder", file(kLibrary + "/recentdown.htm"), Kind::Navigate, "", qint64(0), "");
    addRow("web page", QUrl("http://example.test/000001/5.htm"), Kind::Navigate, "", qint64(0), "");
    addRow("bookmark manager", file(kLibrary + "/bookmarkmanage.asp"), Kind::BookmarkManager, "", qint64(0),
           "");
    addRow("percent-encoded path", QUrl("file:///home/u/%E4%B9%A6%E5%BA%93/chm/000003/7.htm"), Kind::Chapter,
           "000003", qint64(7), "");
}

void TestReadingLinks::classify() {
    const auto [url, kind, novelId, chapterId, anchor] =
        fetch<QUrl, Kind, QString, qint64, QString>("url", "kind", "novelId", "chapterId", "anchor");
    const ReadingLink link = ReadingLink::classify(url, kChm);
    QCOMPARE(link.kind, kind);
    QCOMPARE(link.novelId, novelId);
    QCOMPARE(link.chapterId, chapterId);
    QCOMPARE(link.anchor, anchor);
}

void TestReadingLinks::access_data() {
    columns<QUrl, QUrl, Resource, bool>("page", "request", "kind", "allowed");
    const QUrl chapter = file(kChm + "/000001/5.htm");
    const QUrl log = file(kLibrary + "/recentdown.htm");
    addRow("chapter page itself", chapter, chapter, Resource::MainFrame, true);
    addRow("a page outside the library", chapter, file("/etc/passwd"), Resource::MainFrame, false);
    addRow("a web page in the view", chapter, QUrl("http://example.test/"), Resource::MainFrame, false);
    addRow("shared style sheet", chapter, file(kChm + "/style.css"), Resource::Stylesheet, true);
    addRow("own folder's style sheet", chapter, file(kChm + "/000001/css.css"), Resource::Stylesheet, true);
    addRow("head.js", chapter, file(kChm + "/head.js"), Resource::Script, true);
    addRow("a script of its own", chapter, file(kChm + "/000001/x.js"), Resource::Script, false);
    addRow("a web script", chapter, QUrl("http://example.test/x.js"), Resource::Script, false);
    addRow("own picture", chapter, file(kChm + "/000001/000001_5_1.jpg"), Resource::Image, true);
    addRow("bookmark picture", chapter, file(kChm + "/bookmark.gif"), Resource::Image, true);
    addRow("background picture", chapter, file(kLibrary + "/bgimage/宣纸.jpg"), Resource::Image, true);
    addRow("another novel's picture", chapter, file(kChm + "/000002/000002_1_1.jpg"), Resource::Image, false);
    addRow("the database as a picture", chapter, file(kLibrary + "/pim.db"), Resource::Image, false);
    addRow("climbing out", chapter, file(kChm + "/000001/../../book.ini"), Resource::Image, false);
    addRow("a file elsewhere", chapter, file("/home/u/secret.png"), Resource::Image, false);
    addRow("a web picture", chapter, QUrl("http://example.test/a.jpg"), Resource::Image, true);
    addRow("a web request from a script", chapter, QUrl("http://example.test/"), Resource::Request, false);
    addRow("reading a local file from a script", chapter, file(kChm + "/000001/6.htm"), Resource::Request,
           false);
    addRow("a frame", chapter, file(kChm + "/000001/6.htm"), Resource::SubFrame, false);
    addRow("an inline picture", chapter, QUrl("data:image/png;base64,AAAA"), Resource::Image, true);
    addRow("log page: web picture", log, QUrl("http://example.test/a.jpg"), Resource::Image, false);
    addRow("log page: the library's files", log, file(kLibrary + "/book.ini"), Resource::Image, false);
    addRow("page outside the library", file("/tmp/x.htm"), file("/tmp/a.png"), Resource::Image, false);
}

void TestReadingLinks::access() {
    const auto [page, request, kind, allowed] =
        fetch<QUrl, QUrl, Resource, bool>("page", "request", "kind", "allowed");
    QCOMPARE(ReadingAccess::allows(kLibrary, page, request, kind), allowed);
}

QTEST_GUILESS_MAIN(TestReadingLinks)
#include "tst_readinglinks.moc"
