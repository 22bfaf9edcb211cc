// The pictures of a chapter fetched at once: files, status texts, the extension correction and what
// the chapter text gets, and the stop.
#include "localsite/localsite.h"
#include "fetch/pagefetcher.h"
#include "fetch/picturefetcher.h"
#include "support/rows.h"
#include "support/testsite.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString succeeded(const QString& name) {
    return QStringLiteral("图片\"%1\"下载成功，下载下一图片中...").arg(name);
}

QString failed(const QString& name) {
    return QStringLiteral("图片\"%1\"下载失败，下载下一图片中...").arg(name);
}

} // namespace

class TestPictureFetcher : public QObject {
    Q_OBJECT

public:
    TestPictureFetcher()
        : m_site(QStringLiteral("fetch")) {}

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_site.start(), qPrintable(m_site.errorString())); }
    void init() {
        m_site.site()->clearRules();
        m_site.site()->resetStatistics();
    }
    void pictures_data();
    void pictures();
    void stopLeavesTheRest();
    void correctExtension_data();
    void correctExtension();

private:
    QString url(const QString& path) const { return m_site.url(path); }
    TestSite m_site;
};

void TestPictureFetcher::pictures_data() {
    columns<bool, QStringList, QString>("judgePicExt", "files", "chapterText");
    const QString text = QStringLiteral("<img src=\"1.jpg\"><img src=\"21.jpg\"><img src='2.gif'>");
    QTest::newRow("extensions as given") << false << QStringList{"1.jpg", "2.gif", "21.jpg"} << text;
    QTest::newRow("extensions corrected")
        << true << QStringList{"1.png", "2.gif", "21.jpg"}
        << QStringLiteral("<img src=\"1.png\"><img src=\"21.jpg\"><img src='2.gif'>");
}

void TestPictureFetcher::pictures() {
    auto [judgePicExt, files, chapterText] =
        fetch<bool, QStringList, QString>("judgePicExt", "files", "chapterText");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("chm/000001"));
    // Two chapters' pictures in one fetch: each is asked for with its own chapter as referer.
    const QString chapter = url(QStringLiteral("/book/1/12.html"));
    const QString other = url(QStringLiteral("/book/1/13.html"));
    const QList<PictureFetcher::Task> tasks = {
        {url(QStringLiteral("/img/misnamed.jpg")), folder + QLatin1String("/1.jpg"), chapter}, // a PNG inside
        {url(QStringLiteral("/img/anim.gif")), folder + QLatin1String("/2.gif"), chapter},
        {url(QStringLiteral("/img/none.jpg")), folder + QLatin1String("/3.jpg"), chapter},
        {QString(), folder + QLatin1String("/4.jpg"), chapter},
        {url(QStringLiteral("/img/photo.jpg")), folder + QLatin1String("/21.jpg"), other},
    };
    FetchOptions options;
    options.retryDelayMs = 20;
    options.judgePicExt = judgePicExt;
    options.concurrency = 3;
    PageFetcher fetcher(options);
    QStringList statuses;
    const QList<PictureFetcher::Result> results = PictureFetcher::fetchPicturesConcurrently(
        fetcher, tasks, [&](const QString& text) { statuses << text; });

    QCOMPARE(results.size(), tasks.size());
    QVERIFY(results.at(0).saved() && results.at(1).saved() && results.at(4).saved());
    QVERIFY(!results.at(2).saved() && !results.at(3).saved());
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), files);
    for (const PictureFetcher::Result& result : results)
        QCOMPARE(QFileInfo::exists(result.filePath), result.saved());
    QCOMPARE(results.at(0).newFileName.isEmpty(), !judgePicExt);

    statuses.sort();
    QStringList expected = {succeeded("1.jpg"), succeeded("2.gif"), failed("3.jpg"), succeeded("21.jpg")};
    expected.sort();
    QCOMPARE(statuses, expected);

    const QList<LocalSiteRequest> requests = m_site.site()->requests(QStringLiteral("/img/*"));
    QCOMPARE(requests.size(), 4);
    for (const LocalSiteRequest& request : requests)
        QCOMPARE(request.header("Referer"),
                 (request.path.endsWith(QLatin1String("photo.jpg")) ? other : chapter).toUtf8());

    const QString original = QStringLiteral("<img src=\"1.jpg\"><img src=\"21.jpg\"><img src='2.gif'>");
    QCOMPARE(PictureFetcher::applyRenames(original, results), chapterText);
}

void TestPictureFetcher::stopLeavesTheRest() {
    QVERIFY(m_site.site()->setRules(QStringLiteral("[/slow/*]\nhang")));
    QTemporaryDir dir;
    const QString chapter = url(QStringLiteral("/book/1.html"));
    const QList<PictureFetcher::Task> tasks = {
        {url(QStringLiteral("/img/anim.gif")), dir.filePath(QStringLiteral("1.gif")), chapter},
        {url(QStringLiteral("/slow/2.jpg")), dir.filePath(QStringLiteral("2.jpg")), chapter},
        {url(QStringLiteral("/slow/3.jpg")), dir.filePath(QStringLiteral("3.jpg")), chapter},
    };
    QStringList statuses;
    // Stops once the first picture is in and the other two are waiting for their answers.
    LocalSite* site = m_site.site();
    PageFetcher fetcher(FetchOptions(), [&] {
        return !statuses.isEmpty() && site->requestCount(QStringLiteral("/slow/*")) == 2;
    });
    const QList<PictureFetcher::Result> results = PictureFetcher::fetchPicturesConcurrently(
        fetcher, tasks, [&](const QString& text) { statuses << text; });

    QCOMPARE(statuses, QStringList{succeeded("1.gif")});
    QVERIFY(results.at(0).saved());
    for (int i = 1; i < 3; ++i) {
        QCOMPARE(results.at(i).outcome, FetchedPage::Outcome::Stopped);
        QVERIFY(!QFileInfo::exists(results.at(i).filePath));
    }
}

void TestPictureFetcher::correctExtension_data() {
    columns<QString, QString, QString>("source", "savedAs", "expected");
    addRow("png named jpg", "img/real.png", "a.jpg", "a.png");
    addRow("jpeg named jpeg becomes jpg", "img/photo.jpg", "b.jpeg", "b.jpg");
    addRow("right already, case aside", "img/anim.gif", "c.GIF", "c.GIF");
    addRow("no extension", "img/real.png", "d", "d.png");
    addRow("unknown content kept", "page.html", "e.jpg", "e.jpg");
}

void TestPictureFetcher::correctExtension() {
    const auto [source, savedAs, expected] =
        fetch<QString, QString, QString>("source", "savedAs", "expected");
    QTemporaryDir dir;
    const QString path = dir.filePath(savedAs);
    QVERIFY(QFile::copy(TestSite::folder(QStringLiteral("fetch")) + u'/' + source, path));
    const QString corrected = PictureFetcher::correctPictureExtension(path);
    QCOMPARE(corrected, dir.filePath(expected));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{expected});
}

QTEST_GUILESS_MAIN(TestPictureFetcher)
#include "tst_picturefetcher.moc"
