// What links inside the reading view mean, and what its pages may load.
#include "library/readingaccess.h"
#include "library/readinglinks.h"

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
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("novelId");
    QTest::addColumn<qint64>("chapterId");
    QTest::addColumn<QString>("anchor");
    const QUrl withAnchor = QUrl(file(kChm + "/000001/25.htm").toString() + "#003");
    QTest::newRow("chapter") << file(kChm + "/000001/25.htm") << Kind::Chapter << "000001" << qint64(25)
                             << "";
    QTest::newRow("chapter with anchor") << withAnchor << Kind::Chapter << "000001" << qint64(25) << "003";
    QTest::newRow("shown for reading") << QUrl(file(kChm + "/000001/25.htm").toString() + "?op=read")
                                       << Kind::Navigate << "" << qint64(0) << "";
    QTest::newRow("prior") << file(kChm + "/000002/Prior.htm") << Kind::Prior << "000002" << qint64(0) << "";
    QTest::newRow("next in any case")
        << file(kChm + "/000002/NEXT.HTM") << Kind::Next << "000002" << qint64(0) << "";
    QTest::newRow("full text") << file(kChm + "/000002/all.htm") << Kind::FullText << "000002" << qint64(0)
                               << "";
    QTest::newRow("volume page") << file(kChm + "/000002/vol2.htm") << Kind::Volume << "000002" << qint64(0)
                                 << "";
    QTest::newRow("contents page opens normally")
        << file(kChm + "/000002/List.htm") << Kind::Navigate << "" << qint64(0) << "";
    QTest::newRow("picture") << file(kChm + "/000002/000002_5_1.jpg") << Kind::Navigate << "" << qint64(0)
                             << "";
    QTest::newRow("deeper folder") << file(kChm + "/000002/sub/5.htm") << Kind::Navigate << "" << qint64(0)
                                   << "";
    QTest::newRow("outside the chm folder")
        << file(kLibrary + "/recentdown.htm") << Kind::Navigate << "" << qint64(0) << "";
    QTest::newRow("web page") << QUrl("http://example.test/000001/5.htm") << Kind::Navigate << "" << qint64(0)
                              << "";
    QTest::newRow("bookmark manager")
        << file(kLibrary + "/bookmarkmanage.asp") << Kind::BookmarkManager << "" << qint64(0) << "";
    QTest::newRow("percent-encoded path") << QUrl("file:///home/u/%E4%B9%A6%E5%BA%93/chm/000003/7.htm")
                                          << Kind::Chapter << "000003" << qint64(7) << "";
}

void TestReadingLinks::classify() {
    QFETCH(QUrl, url);
    QFETCH(Kind, kind);
    QFETCH(QString, novelId);
    QFETCH(qint64, chapterId);
    QFETCH(QString, anchor);
    const ReadingLink link = ReadingLink::classify(url, kChm);
    QCOMPARE(link.kind, kind);
    QCOMPARE(link.novelId, novelId);
    QCOMPARE(link.chapterId, chapterId);
    QCOMPARE(link.anchor, anchor);
}

void TestReadingLinks::access_data() {
    QTest::addColumn<QUrl>("page");
    QTest::addColumn<QUrl>("request");
    QTest::addColumn<Resource>("kind");
    QTest::addColumn<bool>("allowed");
    const QUrl chapter = file(kChm + "/000001/5.htm");
    const QUrl log = file(kLibrary + "/recentdown.htm");
    QTest::newRow("chapter page itself") << chapter << chapter << Resource::MainFrame << true;
    QTest::newRow("a page outside the library")
        << chapter << file("/etc/passwd") << Resource::MainFrame << false;
    QTest::newRow("a web page in the view")
        << chapter << QUrl("http://example.test/") << Resource::MainFrame << false;
    QTest::newRow("shared style sheet")
        << chapter << file(kChm + "/style.css") << Resource::Stylesheet << true;
    QTest::newRow("own folder's style sheet")
        << chapter << file(kChm + "/000001/css.css") << Resource::Stylesheet << true;
    QTest::newRow("head.js") << chapter << file(kChm + "/head.js") << Resource::Script << true;
    QTest::newRow("a script of its own")
        << chapter << file(kChm + "/000001/x.js") << Resource::Script << false;
    QTest::newRow("a web script") << chapter << QUrl("http://example.test/x.js") << Resource::Script << false;
    QTest::newRow("own picture") << chapter << file(kChm + "/000001/000001_5_1.jpg") << Resource::Image
                                 << true;
    QTest::newRow("bookmark picture") << chapter << file(kChm + "/bookmark.gif") << Resource::Image << true;
    QTest::newRow("background picture")
        << chapter << file(kLibrary + "/bgimage/宣纸.jpg") << Resource::Image << true;
    QTest::newRow("another novel's picture")
        << chapter << file(kChm + "/000002/000002_1_1.jpg") << Resource::Image << false;
    QTest::newRow("the database as a picture")
        << chapter << file(kLibrary + "/pim.db") << Resource::Image << false;
    QTest::newRow("climbing out") << chapter << file(kChm + "/000001/../../book.ini") << Resource::Image
                                  << false;
    QTest::newRow("a file elsewhere") << chapter << file("/home/u/secret.png") << Resource::Image << false;
    QTest::newRow("a web picture") << chapter << QUrl("http://example.test/a.jpg") << Resource::Image << true;
    QTest::newRow("a web request from a script")
        << chapter << QUrl("http://example.test/") << Resource::Request << false;
    QTest::newRow("reading a local file from a script")
        << chapter << file(kChm + "/000001/6.htm") << Resource::Request << false;
    QTest::newRow("a frame") << chapter << file(kChm + "/000001/6.htm") << Resource::SubFrame << false;
    QTest::newRow("an inline picture")
        << chapter << QUrl("data:image/png;base64,AAAA") << Resource::Image << true;
    QTest::newRow("log page: web picture")
        << log << QUrl("http://example.test/a.jpg") << Resource::Image << false;
    QTest::newRow("log page: the library's files")
        << log << file(kLibrary + "/book.ini") << Resource::Image << false;
    QTest::newRow("page outside the library")
        << file("/tmp/x.htm") << file("/tmp/a.png") << Resource::Image << false;
}

void TestReadingLinks::access() {
    QFETCH(QUrl, page);
    QFETCH(QUrl, request);
    QFETCH(Resource, kind);
    QFETCH(bool, allowed);
    QCOMPARE(ReadingAccess::allows(kLibrary, page, request, kind), allowed);
}

QTEST_GUILESS_MAIN(TestReadingLinks)
#include "tst_readinglinks.moc"
