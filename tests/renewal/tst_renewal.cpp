// Renewal against the loopback site: what a run leaves in the library whatever the site, the
// settings or the user do.
#include "localsite/localsite.h"
#include "renewal/downloadoptions.h"
#include "renewal/renewjob.h"
#include "renewal/renewstore.h"
#include "sites/sitesigntable.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A novel of the fixture site with its markers.
QString addNovel(TestLibrary& lib, const QString& listUrl,
                 const QString& contentStart = QStringLiteral("<div id=\"content\">"),
                 const QString& needDelStr = QString()) {
    NovelStore novels(lib.db());
    NovelRecord record;
    record.novelId = novels.nextNovelId();
    record.novelName = QStringLiteral("试读小说");
    record.listUrl = listUrl;
    record.listStart = QStringLiteral("<div id=\"list\">");
    record.listEnd = QStringLiteral("</div><!--list-->");
    record.volumeStart = QStringLiteral("<h3>");
    record.volumeEnd = QStringLiteral("</h3>");
    record.contentStart = contentStart;
    record.contentEnd = contentStart.isEmpty() ? QString() : QStringLiteral("</div><!--content-->");
    record.needDelStr = needDelStr;
    record.bIsEnd = QStringLiteral("0");
    return novels.insertNovel(record) ? record.novelId : QString();
}

DownloadOptions optionsFor(TestLibrary& lib, int multGetNums) {
    Settings& settings = lib.context().settings();
    settings.setValue(QStringLiteral("MultGetNums"), QString::number(multGetNums));
    settings.setValue(QStringLiteral("NovelConnTimeOut"), QStringLiteral("1.5"));
    // The fixture chapters are a line each: no stubs here (tst_pagedchapters).
    settings.setValue(QStringLiteral("PlaceholderMinChars"), QStringLiteral("0"));
    DownloadOptions options = DownloadOptions::fromLibrary(lib.context());
    options.fetch.retryDelayMs = 20;
    options.fetch.timeoutRetries = 0;
    options.fetch.maxBodyBytes = 1024 * 1024;
    return options;
}

struct Run {
    RenewJob::Result result;
    QStringList statuses;
    QStringList messages;
    int powerOffCalls = 0;
    int countsChanged = 0;
};

// Runs the request on this thread; stopAfter: "停止所有更新" once that many chapters were stored.
Run renew(TestLibrary& lib, const DownloadOptions& options, RenewJob::Request request, int stopAfter = -1,
          const QList<Prompter::Answer>& answers = {}, const SiteSignTable& signs = {},
          const std::function<void(RenewJob&)>& prepare = {}) {
    Run run;
    RenewJob job(lib.db(), lib.context().folder(), options, request);
    if (prepare)
        prepare(job);
    job.setSiteSigns(signs);
    ScriptedPrompter prompter;
    prompter.answers = answers;
    job.setPrompter(&prompter);
    job.setPowerOffHandler([&run](QString*) {
        ++run.powerOffCalls;
        return true;
    });
    QObject::connect(&job, &Job::statusChanged, [&run](const QString& text) { run.statuses << text; });
    QObject::connect(&job, &RenewJob::countsChanged, [&run](const QString&) { ++run.countsChanged; });
    int stored = 0;
    QObject::connect(&job, &RenewJob::chapterStored, [&](const QString&, qint64) {
        if (++stored == stopAfter)
            job.requestStop();
    });
    job.runHere();
    run.result = job.result();
    for (const auto& [icon, text] : std::as_const(prompter.messages))
        run.messages << text;
    return run;
}

// A test row for fetching one chapter at a time and one for five at once.
void bothWays() {
    QTest::addColumn<int>("multGetNums");
    addRow("one at a time", 1);
    addRow("five at a time", 5);
}

RenewJob::Request renewAll() {
    return RenewJob::Request{RenewJob::Command::RenewAll, {}, {}, {}, false};
}

// The chapters as the chapter list shows them: order, volume, title, address, length.
QStringList chapterRows(TestLibrary& lib, const QString& novelId) {
    QStringList rows;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(novelId))
        rows << QStringLiteral("%1|%2|%3|%4|%5")
                    .arg(c.displayorder)
                    .arg(c.volume, c.title, c.comeFrom.section(u'/', -1),
                         c.wordNums ? QString::number(*c.wordNums) : QStringLiteral("null"));
    return rows;
}

// The novel's rows still waiting for their text (no length yet).
QList<StoredChapter> waitingRows(TestLibrary& lib, const QString& novelId) {
    const RenewStore store(lib.db());
    return store.waitingChapters(novelId, store.maxChapterId(), false);
}

QStringList titlesInOrder(TestLibrary& lib, const QString& novelId) {
    QStringList titles;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(novelId))
        titles << c.title;
    return titles;
}

QString chapterPage(TestLibrary& lib, const QString& novelId, const QString& file) {
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(novelId))
        if (c.comeFrom.endsWith(u'/' + file)) {
            // The chapter text, without the template around it.
            const QString page = readTextFile(lib.context().folder().chapterPage(novelId, c.id));
            const qsizetype start = page.indexOf(QLatin1String("<!--BookContent Start-->"));
            const qsizetype end = page.indexOf(QLatin1String("<!--BookContent End-->"));
            return start >= 0 && end > start ? page.mid(start, end - start) : QString();
        }
    return {};
}

// Every file of the novel's folder with its bytes, for comparing two libraries.
QMap<QString, QByteArray> folderFiles(TestLibrary& lib, const QString& novelId) {
    QMap<QString, QByteArray> files;
    const QDir dir(lib.context().folder().novelDir(novelId));
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files))
        files.insert(info.fileName(), fileBytes(info.filePath()));
    return files;
}

const QStringList kSixChapters = {QStringLiteral("第一章 山路"), QStringLiteral("第二章 渡口"),
                                  QStringLiteral("第三章 竹林"), QStringLiteral("第四章 城门"),
                                  QStringLiteral("第五章 地图"), QStringLiteral("第六章 终章")};

} // namespace

class TestRenewal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void renewedTwice_data() { bothWays(); }
    void renewedTwice();
    void novelsRenewedInTurn_data();
    void novelsRenewedInTurn();
    void pauseBetweenChapters_data() { bothWays(); }
    void pauseBetweenChapters();
    void newRowsInsertedWhileTheFirstPagesCome();
    void newRowsToldWhenNoPageCame();
    void contentsPageRead_data();
    void contentsPageRead();
    void fetchingGoesOnWhileTheRowsWait();
    void refusedNewRowsFetchedNextTime_data();
    void refusedNewRowsFetchedNextTime();
    void insertedChapterTakesItsPlace_data();
    void insertedChapterTakesItsPlace();
    void stopThenRenewGetsTheRest_data() { bothWays(); }
    void stopThenRenewGetsTheRest();
    void chapterText_data();
    void chapterText();
    void picturesOfSeveralChapters();
    void missingPictureRedownloaded();
    void stopAmongPicturesLeavesTheChapter_data() { bothWays(); }
    void stopAmongPicturesLeavesTheChapter();
    void redownloadEmptyAndSelected_data() { bothWays(); }
    void redownloadEmptyAndSelected();
    void volumeNamesReadAgain();
    void informationReadAgain();
    void linkDepthTwoFollowsChapterLinks_data() { bothWays(); }
    void linkDepthTwoFollowsChapterLinks();
    void failingChapters_data();
    void failingChapters();
    void novelsLeftOrFailed();
    void secondRunRefused();
    void powerOffOnlyAfterAWholeRun_data();
    void powerOffOnlyAfterAWholeRun();

private:
    void serveContents(const QString& items, const QByteArray& encoding = {}, const QString& meta = {});
    void serveChapters(int count);

    std::unique_ptr<TestSite> m_site;
};

// The site's contents page holds these list items, sent in that encoding, with that charset in the
// header and in a meta tag when given.
void TestRenewal::serveContents(const QString& items, const QByteArray& encoding, const QString& meta) {
    LocalSiteRule contents;
    const QString head =
        meta.isEmpty()
            ? QString()
            : QStringLiteral(
                  "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=%1\"></head>")
                  .arg(meta);
    contents.body =
        QStringLiteral("<html>%1<body><div id=\"list\"><ul>\n%2</ul></div><!--list--></body></html>")
            .arg(head, items);
    contents.encoding = encoding;
    if (!meta.isEmpty())
        contents.contentType = "text/html; charset=" + encoding;
    m_site->site()->setRule(QStringLiteral("/book/index.html"), contents);
}

// The site's contents page lists chapters "第1章".."第N章" (c1.html..), each with a line of text.
void TestRenewal::serveChapters(int count) {
    QString list;
    for (int i = 1; i <= count; ++i)
        list += QStringLiteral("<li><a href=\"c%1.html\">第%1章</a></li>\n").arg(i);
    serveContents(list);
    LocalSiteRule page;
    page.body = QStringLiteral("<html><body><div id=\"content\">正文。</div><!--content--></body></html>");
    m_site->site()->setRule(QStringLiteral("/book/c*.html"), page);
}

void TestRenewal::init() {
    m_site = std::make_unique<TestSite>(QStringLiteral("renew"));
    QVERIFY2(m_site->start(), qPrintable(m_site->errorString()));
}

void TestRenewal::cleanup() {
    m_site.reset();
}

// Three runs: the first stores the chapters, the second only writes the list page a run killed before
// it left behind, the third finds nothing new and leaves everything alone.
void TestRenewal::renewedTwice() {
    QFETCH(int, multGetNums);
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    const DownloadOptions options = optionsFor(lib, multGetNums);
    // The window's connection stays open, so the log is not folded in at the run's close.
    const QString holder = QStringLiteral("window");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), holder);
        db.setDatabaseName(lib.db().path());
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("SELECT count(*) FROM book_novelcontent")));
    }
    const auto close = qScopeGuard([&holder] {
        QSqlDatabase::database(holder, false).close();
        QSqlDatabase::removeDatabase(holder);
    });

    const Run first = renew(lib, options, renewAll());
    QCOMPARE(first.result.newChapters, 6);
    QCOMPARE(titlesInOrder(lib, id), kSixChapters);
    QVERIFY(first.statuses.contains(QStringLiteral("<<试读小说>>更新完毕")));
    QCOMPARE(first.statuses.last(), QStringLiteral("共有6个新章节"));
    const QStringList rows = chapterRows(lib, id);
    QVERIFY2(rows.first().startsWith(QStringLiteral("1|第一卷 出山|第一章 山路|1.html|")),
             qPrintable(rows.first()));
    QVERIFY2(rows.last().startsWith(QStringLiteral("6|第二卷 入城|第六章 终章|6.html|")),
             qPrintable(rows.last()));
    // The database file itself holds the run, not only the write-ahead log beside it.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("pim.db"));
    QVERIFY(QFile::copy(lib.db().path(), copy));
    QCOMPARE(sqliteScalar(copy, QStringLiteral("SELECT count(*) FROM book_novelcontent WHERE WordNums > 0"))
                 .toInt(),
             6);
    const QMap<QString, QByteArray> files = folderFiles(lib, id);
    QVERIFY(QString::fromLocal8Bit(files.value(QStringLiteral("List.htm"))).contains(QStringLiteral(".htm")));
    auto chapterRequests = [this] {
        return m_site->site()->requestCount(QStringLiteral("/book/*.html")) -
               m_site->site()->requestCount(QStringLiteral("/book/index.html"));
    };
    const int requestsBefore = chapterRequests();

    // Killed after its last chapter, before the list page: emptied as the novel was added.
    const QString listPage = lib.context().folder().novelListPage(id);
    QFile list(listPage);
    QVERIFY(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(list.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
    list.close();
    QCOMPARE(renew(lib, options, renewAll()).result.newChapters, 0);
    QCOMPARE(folderFiles(lib, id), files);
    const QDateTime upToDate = QFileInfo(listPage).lastModified();

    // A chapter written by hand, without text or address, has nothing to fetch.
    const qint64 written = lib.addChapter(id, QStringLiteral("手写的章节"));
    QVERIFY(lib.db().exec(QStringLiteral("UPDATE book_novelcontent SET WordNums=0 WHERE id=?"), {written}));
    const QStringList rowsWithIt = chapterRows(lib, id);
    const Run third = renew(lib, options, renewAll());
    QCOMPARE(third.result.newChapters, 0);
    QCOMPARE(third.result.failedChapters, 0);
    QVERIFY(third.statuses.contains(QStringLiteral("<<试读小说>>尚无更新的章节")));
    QCOMPARE(third.statuses.last(), QStringLiteral("没有新章节"));
    QCOMPARE(chapterRows(lib, id), rowsWithIt);
    QCOMPARE(folderFiles(lib, id), files);
    QCOMPARE(QFileInfo(listPage).lastModified(), upToDate);
    QCOMPARE(chapterRequests(), requestsBefore);
}

void TestRenewal::novelsRenewedInTurn_data() {
    // stopAfter: chapters stored before "停止所有更新", -1: none; renewed: novels that get their chapters
    columns<int, int>("stopAfter", "renewed");
    addRow("whole run", -1, 3);
    addRow("stopped at the first novel's last chapter", 3, 1);
}

// Three novels whose contents pages answer slowly: while the first is renewed the pages of the
// others come ahead, yet what is stored and said is what one novel after the other gives; a stop
// leaves nothing of the pages fetched ahead.
void TestRenewal::novelsRenewedInTurn() {
    const auto [stopAfter, renewed] = fetch<int, int>("stopAfter", "renewed");
    LocalSiteRule contents;
    contents.body = QStringLiteral("<html><body><div id=\"list\"><ul><li><a href=\"c1.html\">第1章</a></li>"
                                   "<li><a href=\"c2.html\">第2章</a></li><li><a href=\"c3.html\">第3章</a>"
                                   "</li></ul></div><!--list--></body></html>");
    contents.delayMs = 300;
    m_site->site()->setRule(QStringLiteral("/n*/index.html"), contents);
    LocalSiteRule page;
    page.body = QStringLiteral("<html><body><div id=\"content\">正文。</div><!--content--></body></html>");
    m_site->site()->setRule(QStringLiteral("/n*/c*.html"), page);
    TestLibrary lib;
    const QStringList names = {QStringLiteral("甲书"), QStringLiteral("乙书"), QStringLiteral("丙书")};
    QStringList ids;
    for (int i = 0; i < names.size(); ++i) {
        ids << addNovel(lib, m_site->url(QStringLiteral("n%1/index.html").arg(i + 1)));
        QVERIFY(lib.db().exec(QStringLiteral("UPDATE book_novel SET NovelName=? WHERE NovelID=?"),
                              {names.at(i), ids.last()}));
    }
    QMutex mutex;
    QStringList asked;
    const QMetaObject::Connection watch = connect(
        m_site->site(), &LocalSite::requestReceived, m_site->site(),
        [&](const LocalSiteRequest& request) {
            const QMutexLocker lock(&mutex);
            asked << request.path;
        },
        Qt::DirectConnection);
    const Run run = renew(lib, optionsFor(lib, 5), renewAll(), stopAfter);
    disconnect(watch);

    // The later contents pages were asked for before the first novel's first chapter.
    QVERIFY2(asked.indexOf(QStringLiteral("/n3/index.html")) >= 0 &&
                 asked.indexOf(QStringLiteral("/n3/index.html")) <
                     asked.indexOf(QStringLiteral("/n1/c1.html")),
             qPrintable(asked.join(u' ')));
    QStringList said; // what the status said of each novel, in turn
    for (const QString& text : run.statuses)
        if (text.startsWith(QStringLiteral("正在连接<<")) || text.contains(QStringLiteral(">>更新完毕")))
            said << text;
    QStringList expected;
    for (int i = 0; i < renewed; ++i)
        expected << QStringLiteral("正在连接<<%1>>目录页...").arg(names.at(i))
                 << QStringLiteral("<<%1>>更新完毕").arg(names.at(i));
    if (stopAfter > 0) {
        expected.removeLast();
        QCOMPARE(run.statuses.last(), QStringLiteral("停止更新"));
    }
    QCOMPARE(said, expected);
    qint64 lastId = 0;
    for (int i = 0; i < ids.size(); ++i) {
        const QList<StoredChapter> chapters = RenewStore(lib.db()).chapters(ids.at(i));
        QCOMPARE(chapters.size(), i < renewed ? 3 : 0);
        for (const StoredChapter& c : chapters) {
            QVERIFY(c.id > lastId); // stored novel after novel, each in the site's order
            lastId = c.id;
        }
    }
}

// DelayTime 1: the site's chapters come one at a time, a second apart at the site, and the status
// says why the run waits.
void TestRenewal::pauseBetweenChapters() {
    QFETCH(int, multGetNums);
    serveChapters(3);
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    lib.context().settings().setValue(QStringLiteral("DelayTime"), QStringLiteral("1"));
    const DownloadOptions options = optionsFor(lib, multGetNums);
    QMutex mutex;
    QElapsedTimer clock;
    clock.start();
    QList<qint64> askedAt;
    const QMetaObject::Connection watch = connect(
        m_site->site(), &LocalSite::requestReceived, m_site->site(),
        [&](const LocalSiteRequest& request) {
            const QMutexLocker lock(&mutex);
            if (request.path.startsWith(QLatin1String("/book/c")))
                askedAt << clock.elapsed();
        },
        Qt::DirectConnection);
    const Run run = renew(lib, options, renewAll());
    disconnect(watch);
    QCOMPARE(run.result.newChapters, 3);
    QCOMPARE(askedAt.size(), 3);
    for (int i = 1; i < askedAt.size(); ++i)
        QVERIFY2(askedAt.at(i) - askedAt.at(i - 1) >= 950,
                 qPrintable(QString::number(askedAt.at(i) - askedAt.at(i - 1))));
    QCOMPARE(run.statuses.count(QStringLiteral("等待1秒后下载下一章节")), 2);
    QCOMPARE(titlesInOrder(lib, id),
             (QStringList{QStringLiteral("第1章"), QStringLiteral("第2章"), QStringLiteral("第3章")}));
}

void TestRenewal::newRowsInsertedWhileTheFirstPagesCome() {
    // The rows take long to insert (a trigger with a heavy query): the pages come first, and no
    // chapter is stored before the rows are in; then every one is, as one at a time would store them.
    TestLibrary one;
    TestLibrary five;
    const QString url = m_site->url(QStringLiteral("book/index.html"));
    const QString id = addNovel(one, url);
    QCOMPARE(addNovel(five, url), id);
    QCOMPARE(renew(one, optionsFor(one, 1), renewAll()).result.newChapters, 6);

    QVERIFY(five.db().exec(QStringLiteral("CREATE TABLE pad(x)")));
    QVERIFY(five.db().exec(QStringLiteral("INSERT INTO pad WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                                          "SELECT x + 1 FROM c WHERE x < 3000) SELECT x FROM c")));
    QVERIFY(five.db().exec(QStringLiteral("CREATE TRIGGER slow BEFORE INSERT ON book_novelcontent "
                                          "BEGIN SELECT count(*) FROM pad a, pad b; END")));
    QVariant rowsAtLastPage;
    qsizetype filesAtLastPage = -1;
    const QMetaObject::Connection watch = connect(
        m_site->site(), &LocalSite::requestReceived, m_site->site(),
        [&](const LocalSiteRequest& request) {
            if (!request.path.endsWith(QLatin1String("/book/6.html")))
                return;
            rowsAtLastPage =
                sqliteScalar(five.db().path(), QStringLiteral("SELECT count(*) FROM book_novelcontent"));
            filesAtLastPage = folderFiles(five, id).size();
        },
        Qt::DirectConnection);
    const Run run = renew(five, optionsFor(five, 5), renewAll());
    disconnect(watch);

    QCOMPARE(run.result.newChapters, 6);
    QCOMPARE(rowsAtLastPage.toInt(), 0);
    QCOMPARE(filesAtLastPage, 0);
    QCOMPARE(chapterRows(five, id), chapterRows(one, id));
    QCOMPARE(folderFiles(five, id), folderFiles(one, id));
}

void TestRenewal::newRowsToldWhenNoPageCame() {
    // Every chapter page is missing: the rows wait for the next run, and the library is told of them.
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    LocalSiteRule missing;
    missing.status = 404;
    m_site->site()->setRule(QStringLiteral("/book/*.html"), missing);
    LocalSiteRule contents;
    contents.file = QStringLiteral("book/index.html");
    m_site->site()->setRule(QStringLiteral("/book/index.html"), contents);
    const Run run = renew(lib, optionsFor(lib, 5), renewAll());
    QCOMPARE(run.result.newChapters, 0);
    QCOMPARE(run.result.failedChapters, 6);
    QCOMPARE(run.countsChanged, 1);
    QCOMPARE(waitingRows(lib, id).size(), 6);
}

void TestRenewal::contentsPageRead_data() {
    // thirdTwice: the list names the third chapter again, by its path from the root; encoding: of the
    // contents page, named in the answer's header; meta: what the page's own meta tag claims
    columns<int, bool, QByteArray, QString>("multGetNums", "thirdTwice", "encoding", "meta");
    addRow("chapter listed twice, one at a time", 1, true, QByteArray("gbk"), QString());
    addRow("chapter listed twice, five at a time", 5, true, QByteArray("gbk"), QString());
    // Sites copy the meta tag from old pages: the header's charset wins.
    addRow("utf-8 page whose tag says gbk", 1, false, QByteArray("utf-8"), QStringLiteral("gbk"));
    addRow("gbk page whose tag says utf-8", 1, false, QByteArray("gbk"), QStringLiteral("utf-8"));
}

void TestRenewal::contentsPageRead() {
    const auto [multGetNums, thirdTwice, encoding, meta] =
        fetch<int, bool, QByteArray, QString>("multGetNums", "thirdTwice", "encoding", "meta");
    QString list;
    for (int i = 0; i < kSixChapters.size(); ++i) {
        list += QStringLiteral("<li><a href=\"%1.html\">%2</a></li>\n").arg(i + 1).arg(kSixChapters.at(i));
        if (thirdTwice && i == 2)
            list += QStringLiteral("<li><a href=\"/book/3.html\">%1</a></li>\n").arg(kSixChapters.at(i));
    }
    serveContents(list, encoding, meta);
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    QCOMPARE(renew(lib, optionsFor(lib, multGetNums), renewAll()).result.newChapters, 6);
    QCOMPARE(titlesInOrder(lib, id), kSixChapters);
}

void TestRenewal::fetchingGoesOnWhileTheRowsWait() {
    // Another program holds the database's write lock in the middle of a run: the rows wait for it,
    // the pages do not. Every page is asked for while the lock is held, and then every chapter is
    // stored.
    constexpr int kChapters = 90; // far more than the pages in hand at two at a time
    serveChapters(kChapters);
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    const QString path = lib.db().path();
    const QString holder = QStringLiteral("holder");
    int pagesAsked = 0;
    bool locked = false;
    int storedWhenLastAsked = -1;
    const QMetaObject::Connection watch = connect(
        m_site->site(), &LocalSite::requestReceived, m_site->site(),
        [&](const LocalSiteRequest& request) {
            if (!request.path.contains(QLatin1String("/book/c")))
                return;
            ++pagesAsked;
            // Once the rows are in (the lock would hold up their insert too).
            if (!locked && pagesAsked >= 10 &&
                sqliteScalar(path, QStringLiteral("SELECT count(*) FROM book_novelcontent")).toInt() ==
                    kChapters) {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), holder);
                db.setDatabaseName(path);
                db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
                locked = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
            }
            if (pagesAsked == kChapters && locked) {
                storedWhenLastAsked =
                    sqliteScalar(path, QStringLiteral("SELECT count(*) FROM book_novelcontent "
                                                      "WHERE WordNums IS NOT NULL"))
                        .toInt();
                {
                    QSqlDatabase db = QSqlDatabase::database(holder);
                    QSqlQuery(db).exec(QStringLiteral("COMMIT"));
                    db.close();
                }
                QSqlDatabase::removeDatabase(holder);
            }
        },
        Qt::DirectConnection);
    const Run run = renew(lib, optionsFor(lib, 2), renewAll());
    disconnect(watch);

    QVERIFY(locked);
    QCOMPARE(pagesAsked, kChapters);
    QVERIFY2(storedWhenLastAsked >= 0 && storedWhenLastAsked < kChapters / 2,
             qPrintable(QString::number(storedWhenLastAsked)));
    QCOMPARE(run.result.failedChapters, 0);
    QCOMPARE(run.result.newChapters, kChapters);
    QVERIFY(waitingRows(lib, id).isEmpty());
}

void TestRenewal::refusedNewRowsFetchedNextTime_data() {
    QTest::addColumn<int>("refusedFrom"); // rows the database takes before it refuses
    addRow("every row refused", 0);
    addRow("the second commit refused", 40);
}

void TestRenewal::refusedNewRowsFetchedNextTime() {
    // The new rows go in at two commits; the database refuses them from the first or the second, as
    // a run killed before or between them would leave it. Those chapters are neither stored nor
    // written, and the next run stores them after the others, in the site's order.
    QFETCH(int, refusedFrom);
    constexpr int kChapters = 60;
    serveChapters(kChapters);
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    QVERIFY(lib.db().exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON book_novelcontent "
                                         "WHEN (SELECT count(*) FROM book_novelcontent) >= %1 "
                                         "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                              .arg(refusedFrom)));
    const Run first = renew(lib, optionsFor(lib, 5), renewAll());
    const int stored = first.result.newChapters;
    QVERIFY2(stored < 40 && (stored > 0) == (refusedFrom > 0), qPrintable(QString::number(stored)));
    QCOMPARE(first.result.failedChapters, kChapters - stored);
    QCOMPARE(RenewStore(lib.db()).chapters(id).size(), stored);
    QStringList pages = folderFiles(lib, id).keys();
    pages.removeAll(QStringLiteral("List.htm"));
    QCOMPARE(pages.size(), stored);

    QVERIFY(lib.db().exec(QStringLiteral("DROP TRIGGER refuse")));
    const Run second = renew(lib, optionsFor(lib, 5), renewAll());
    QCOMPARE(second.result.newChapters, kChapters - stored);
    QCOMPARE(second.result.failedChapters, 0);
    QStringList expected;
    for (int i = 1; i <= kChapters; ++i)
        expected << QStringLiteral("第%1章").arg(i);
    QCOMPARE(titlesInOrder(lib, id), expected);
    QVERIFY(waitingRows(lib, id).isEmpty());
}

void TestRenewal::insertedChapterTakesItsPlace_data() {
    columns<int, bool, QStringList>("multGetNums", "autoDisplayorder", "titles");
    const QStringList inPlace = {QStringLiteral("第一章 山路"), QStringLiteral("第二章 渡口"),
                                 QStringLiteral("第三章 竹林"), QStringLiteral("第三章半 插曲"),
                                 QStringLiteral("第四章 城门"), QStringLiteral("第五章 地图"),
                                 QStringLiteral("第六章 终章"), QStringLiteral("第七章 新卷")};
    const QStringList atTheEnd =
        kSixChapters + QStringList{QStringLiteral("第三章半 插曲"), QStringLiteral("第七章 新卷")};
    addRow("in place, one at a time", 1, true, inPlace);
    addRow("in place, five at a time", 5, true, inPlace);
    addRow("at the end, one at a time", 1, false, atTheEnd);
    addRow("at the end, five at a time", 5, false, atTheEnd);
}

void TestRenewal::insertedChapterTakesItsPlace() {
    auto [multGetNums, autoDisplayorder, titles] =
        fetch<int, bool, QStringList>("multGetNums", "autoDisplayorder", "titles");
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    DownloadOptions options = optionsFor(lib, multGetNums);
    options.autoDisplayorder = autoDisplayorder;
    QCOMPARE(renew(lib, options, renewAll()).result.newChapters, 6);

    LocalSiteRule rule;
    rule.file = QStringLiteral("book/inserted.html");
    m_site->site()->setRule(QStringLiteral("/book/index.html"), rule);
    const Run run = renew(lib, options, renewAll());
    QCOMPARE(run.result.newChapters, 2);
    QCOMPARE(titlesInOrder(lib, id), titles);
    // No two chapters share an order, so the list and the e-books agree on it.
    QSet<int> orders;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(id))
        orders.insert(c.displayorder);
    QCOMPARE(orders.size(), titles.size());
}

void TestRenewal::stopThenRenewGetsTheRest() {
    QFETCH(int, multGetNums);
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    const DownloadOptions options = optionsFor(lib, multGetNums);

    const Run stopped = renew(lib, options, renewAll(), 2);
    QVERIFY(stopped.result.stopped);
    QCOMPARE(stopped.statuses.last(), QStringLiteral("停止更新"));
    int withText = 0;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(id))
        withText += c.wordNums.value_or(0) > 0 ? 1 : 0;
    // Five at a time, the pages already on their way to the disk may be all the rest; they are kept.
    QVERIFY2(withText >= 2 && (withText < 6 || multGetNums > 1), qPrintable(QString::number(withText)));

    const Run rest = renew(lib, options, renewAll());
    QVERIFY(!rest.result.stopped);
    QCOMPARE(rest.result.newChapters, 6 - withText);
    QCOMPARE(titlesInOrder(lib, id), kSixChapters);
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(id)) {
        QVERIFY2(c.wordNums.value_or(0) > 0, qPrintable(c.title));
        QVERIFY(QFileInfo::exists(lib.context().folder().chapterPage(id, c.id)));
    }
}

void TestRenewal::chapterText_data() {
    columns<QString, QString, QString, QStringList, QStringList>("page", "contentStart", "needDelStr",
                                                                 "present", "absent");
    const QString marker = QStringLiteral("<div id=\"content\">");
    addRow("markers cut the text", "index.html", marker, QString(), QStringList{"第二章的正文", "本站首发"},
           QStringList{"返回目录", "试读书屋"});
    addRow("plain NeedDelStr", "index.html", marker, QStringLiteral("本站首发，请勿转载||城门"),
           QStringList{"第二章的正文"}, QStringList{"本站首发", "请勿转载"});
    addRow("no markers on the page: whole page cleaned", "plain.html", marker, QString(),
           QStringList{"没有正文标志的章节", "甲乙丙"},
           QStringList{"脚本里的字", "color:red", "<script", "<html"});
    addRow("plain entry with regex characters is literal", "plain.html", QString(), QStringLiteral("甲.丙"),
           QStringList{"甲乙丙", "丁戊己"}, QStringList{"甲.丙"});
    addRow("[[regex]] entry removes matches", "plain.html", QString(), QStringLiteral("[[甲.丙]]"),
           QStringList{"丁戊己"}, QStringList{"甲乙丙", "甲.丙"});
}

void TestRenewal::chapterText() {
    const auto [page, contentStart, needDelStr, present, absent] =
        fetch<QString, QString, QString, QStringList, QStringList>("page", "contentStart", "needDelStr",
                                                                   "present", "absent");
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/") + page), contentStart, needDelStr);
    QVERIFY(renew(lib, optionsFor(lib, 1), renewAll()).result.newChapters > 0);
    const QString file =
        page == QLatin1String("plain.html") ? QStringLiteral("nomarkers.html") : QStringLiteral("2.html");
    const QString text = chapterPage(lib, id, file);
    QVERIFY(!text.isEmpty());
    for (const QString& s : present)
        QVERIFY2(text.contains(s), qPrintable(s));
    for (const QString& s : absent)
        QVERIFY2(!text.contains(s), qPrintable(s));
}

void TestRenewal::picturesOfSeveralChapters() {
    // Four chapters show pictures, some the same one, one picture missing, one a background: with
    // several connections their pictures come in together, and each chapter still gets its own
    // copies under its own names, asked for with its own page as referer, exactly as one
    // connection stores them.
    const QMap<int, QString> pictures = {
        {2, QStringLiteral("<img src=\"pic/map.gif\">山<img src='pic/seal.jpg'>")},
        {3, QStringLiteral("<img src=\"/book/pic/seal.jpg\">水")},
        {4, QStringLiteral(
                "<img src=\"pic/none.jpg\"><table background=\"pic/seal.jpg\"><tr><td>城</td></tr></table>")},
        {5, QStringLiteral("<img src=\"pic/map.gif\">图")},
    };
    QString list;
    for (int i = 1; i <= 6; ++i) {
        list += QStringLiteral("<li><a href=\"c%1.html\">第%1章</a></li>\n").arg(i);
        LocalSiteRule page;
        page.body =
            QStringLiteral("<html><body><div id=\"content\">正文%1。%2</div><!--content--></body></html>")
                .arg(i)
                .arg(pictures.value(i));
        m_site->site()->setRule(QStringLiteral("/book/c%1.html").arg(i), page);
    }
    serveContents(list);
    TestLibrary one;
    TestLibrary five;
    const QString id = addNovel(one, m_site->url(QStringLiteral("book/index.html")));
    QCOMPARE(addNovel(five, m_site->url(QStringLiteral("book/index.html"))), id);
    for (TestLibrary* lib : {&one, &five}) {
        DownloadOptions options = optionsFor(*lib, lib == &one ? 1 : 5);
        options.centerPic = true;
        options.fetch.judgePicExt = true;
        options.setGood = false; // cleaning would drop the table and its background
        const int before = int(m_site->site()->requests(QStringLiteral("/book/pic/*")).size());
        QCOMPARE(renew(*lib, options, renewAll()).result.newChapters, 6);
        QMultiMap<QString, QString> referers; // picture → the chapter that asked for it
        for (const LocalSiteRequest& request :
             m_site->site()->requests(QStringLiteral("/book/pic/*")).mid(before))
            referers.insert(request.path.section(u'/', -1),
                            QString::fromUtf8(request.header("Referer")).section(u'/', -1));
        const QMultiMap<QString, QString> expected = {
            {QStringLiteral("map.gif"), QStringLiteral("c2.html")},
            {QStringLiteral("map.gif"), QStringLiteral("c5.html")},
            {QStringLiteral("seal.jpg"), QStringLiteral("c2.html")},
            {QStringLiteral("seal.jpg"), QStringLiteral("c3.html")},
            {QStringLiteral("seal.jpg"), QStringLiteral("c4.html")},
            {QStringLiteral("none.jpg"), QStringLiteral("c4.html")},
        };
        QCOMPARE(QSet<QString>(referers.keyBegin(), referers.keyEnd()),
                 QSet<QString>(expected.keyBegin(), expected.keyEnd()));
        for (const QString& picture : expected.uniqueKeys()) {
            QStringList asked = referers.values(picture);
            QStringList want = expected.values(picture);
            asked.removeDuplicates(); // a missing picture may be asked for again
            asked.sort();
            want.sort();
            QCOMPARE(asked, want);
        }
    }
    QCOMPARE(chapterRows(five, id), chapterRows(one, id));
    const QMap<QString, QByteArray> files = folderFiles(five, id);
    QCOMPARE(files, folderFiles(one, id));

    const QList<StoredChapter> chapters = RenewStore(five.db()).chapters(id);
    auto name = [&](int chapter, const QString& rest) -> QString {
        return id + u'_' + QString::number(chapters.at(chapter - 1).id) + rest;
    };
    const QByteArray seal = fileBytes(m_site->site()->folder() + QStringLiteral("/book/pic/seal.jpg"));
    QVERIFY(!seal.isEmpty());
    for (const QString& copy : {name(2, QStringLiteral("_2.jpg")), name(3, QStringLiteral("_1.jpg")),
                                name(4, QStringLiteral("b_1.jpg"))})
        QVERIFY2(files.value(copy) == seal, qPrintable(copy));
    QVERIFY(files.contains(name(2, QStringLiteral("_1.png")))); // map.gif holds a PNG
    QVERIFY(files.contains(name(5, QStringLiteral("_1.png"))));
    QVERIFY(!files.contains(name(4, QStringLiteral("_1.jpg"))));
    const QString fourth =
        QString::fromLocal8Bit(files.value(QStringLiteral("%1.htm").arg(chapters.at(3).id)));
    QVERIFY2(fourth.contains(name(4, QStringLiteral("_1.jpg"))) &&
                 fourth.contains(name(4, QStringLiteral("b_1.jpg"))),
             qPrintable(fourth));
    // The page shows its own copies, centred, and no address of the site's.
    const QString second =
        QString::fromLocal8Bit(files.value(QStringLiteral("%1.htm").arg(chapters.at(1).id)));
    for (const QString& copy : {name(2, QStringLiteral("_1.png")), name(2, QStringLiteral("_2.jpg"))})
        QVERIFY2(second.contains(QStringLiteral("<center><img src=\"%1\"").arg(copy)), qPrintable(second));
    QVERIFY(!second.contains(QStringLiteral("pic/")));
    for (const StoredChapter& c : chapters)
        QVERIFY(c.wordNums && *c.wordNums > 0);
}

void TestRenewal::stopAmongPicturesLeavesTheChapter() {
    // The stop comes while the fifth chapter's second picture is on its way: that chapter is not
    // stored without it, and the next run stores it whole.
    QFETCH(int, multGetNums);
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    const DownloadOptions options = optionsFor(lib, multGetNums);
    LocalSiteRule slow;
    slow.file = QStringLiteral("book/pic/seal.jpg");
    slow.delayMs = 5000;
    m_site->site()->setRule(QStringLiteral("/book/pic/seal.jpg"), slow);
    const Run stopped = renew(lib, options, renewAll(), -1, {}, {}, [this](RenewJob& job) {
        connect(
            m_site->site(), &LocalSite::requestReceived, &job,
            [&job](const LocalSiteRequest& request) {
                if (request.path.endsWith(QLatin1String("/seal.jpg")))
                    job.requestStop();
            },
            Qt::DirectConnection);
    });
    QVERIFY(stopped.result.stopped);
    QCOMPARE(stopped.result.failedChapters, 0);
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(id))
        if (c.title == QStringLiteral("第五章 地图"))
            QVERIFY2(!c.wordNums, "stored without its picture");

    m_site->site()->removeRule(QStringLiteral("/book/pic/seal.jpg"));
    renew(lib, options, renewAll());
    QCOMPARE(titlesInOrder(lib, id), kSixChapters);
    const StoredChapter fifth = RenewStore(lib.db()).chapters(id).at(4);
    QVERIFY(fifth.wordNums && *fifth.wordNums > 0);
    const QDir folder(lib.context().folder().novelDir(id));
    const QString prefix = id + u'_' + QString::number(fifth.id);
    QVERIFY2(folder.exists(prefix + QStringLiteral("_1.gif")) &&
                 folder.exists(prefix + QStringLiteral("_2.jpg")),
             qPrintable(folder.entryList().join(u' ')));
    QVERIFY(waitingRows(lib, id).isEmpty());
}

void TestRenewal::missingPictureRedownloaded() {
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    const DownloadOptions options = optionsFor(lib, 1);
    LocalSiteRule gone;
    gone.status = 404;
    gone.body = QString();
    m_site->site()->setRule(QStringLiteral("/book/pic/seal.jpg"), gone);
    QCOMPARE(renew(lib, options, renewAll()).result.newChapters, 6);
    const StoredChapter fifth = RenewStore(lib.db()).chapters(id).at(4);
    const QString seal = id + u'_' + QString::number(fifth.id) + QStringLiteral("_2.jpg");
    const QDir folder(lib.context().folder().novelDir(id));
    QVERIFY(!folder.exists(seal));

    RenewJob::Request lacking{RenewJob::Command::RedownloadLackPictures, {}, {id}, {}, false};
    m_site->site()->removeRule(QStringLiteral("/book/pic/seal.jpg"));
    const Run run = renew(lib, options, lacking);
    QCOMPARE(run.result.newChapters, 1);
    QVERIFY(folder.exists(seal));
    QCOMPARE(RenewStore(lib.db()).chapters(id).size(), 6);

    // Nothing lacks a picture any more; no chapter but the fifth has pictures.
    QCOMPARE(renew(lib, options, lacking).messages, QStringList{QStringLiteral("没有缺图章节")});
    RenewJob::Request pictures{RenewJob::Command::RedownloadPictures, {}, {id}, {}, false};
    QCOMPARE(renew(lib, options, pictures).result.newChapters, 1);
}

// Chapters downloaded again keep their row, order and file name; only their text changes.
void TestRenewal::redownloadEmptyAndSelected() {
    QFETCH(int, multGetNums);
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    const DownloadOptions options = optionsFor(lib, multGetNums);
    LocalSiteRule blank;
    blank.body = QStringLiteral("<div id=\"content\"> </div><!--content-->");
    m_site->site()->setRule(QStringLiteral("/book/3.html"), blank);
    const Run first = renew(lib, options, renewAll());
    QCOMPARE(first.result.newChapters, 5);
    QCOMPARE(first.result.failedChapters, 1);
    QVERIFY(first.statuses.contains(QStringLiteral("<<试读小说>>更新完毕，其中1个章节下载失败")));
    const QList<StoredChapter> before = RenewStore(lib.db()).chapters(id);
    QCOMPARE(before.at(2).wordNums, std::optional<int>(0));

    m_site->site()->removeRule(QStringLiteral("/book/3.html"));
    const RenewJob::Request empty{RenewJob::Command::RedownloadEmpty, {}, {id}, {}, false};
    QCOMPARE(renew(lib, options, empty).result.newChapters, 1);
    const QList<StoredChapter> after = RenewStore(lib.db()).chapters(id);
    QCOMPARE(after.size(), 6);
    QCOMPARE(after.at(2).id, before.at(2).id);
    QCOMPARE(after.at(2).displayorder, before.at(2).displayorder);
    QVERIFY(after.at(2).wordNums.value_or(0) > 0);
    QVERIFY(chapterPage(lib, id, QStringLiteral("3.html")).contains(QStringLiteral("竹林里下起了雨")));
    QCOMPARE(renew(lib, options, empty).messages, QStringList{QStringLiteral("没有空白章节")});

    LocalSiteRule rewritten;
    rewritten.file = QStringLiteral("book/7.html");
    m_site->site()->setRule(QStringLiteral("/book/1.html"), rewritten);
    const RenewJob::Request selected{
        RenewJob::Command::RedownloadChapters, {}, {id}, {before.at(0).id}, false};
    QCOMPARE(renew(lib, options, selected).result.newChapters, 1);
    QVERIFY(chapterPage(lib, id, QStringLiteral("1.html")).contains(QStringLiteral("第七章的正文")));
    QVERIFY(chapterPage(lib, id, QStringLiteral("2.html")).contains(QStringLiteral("第二章的正文")));
    QCOMPARE(RenewStore(lib.db()).chapters(id).size(), 6);
}

// "分卷名称": the stored chapters get the site's volume names again, after a question; no chapter is
// fetched again and nothing else changes.
void TestRenewal::volumeNamesReadAgain() {
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    const DownloadOptions options = optionsFor(lib, 1);
    QCOMPARE(renew(lib, options, renewAll()).result.newChapters, 6);
    const QStringList rows = chapterRows(lib, id);
    QVERIFY(lib.db().exec(QStringLiteral("UPDATE book_novelcontent SET Volume=? WHERE NovelID=?"),
                          {QStringLiteral("乱写的卷名"), id}));
    const QStringList changed = chapterRows(lib, id);
    const int pagesFetched = m_site->site()->requestCount(QStringLiteral("/book/1.html"));
    QVERIFY(pagesFetched > 0);
    const RenewJob::Request volumes{RenewJob::Command::VolumeNames, {}, {id}, {}, false};

    Prompter::Answer no;
    no.button = 1;
    QVERIFY(renew(lib, options, volumes, -1, {no}).result.refused);
    QCOMPARE(chapterRows(lib, id), changed);

    Prompter::Answer yes;
    yes.button = 0;
    const Run run = renew(lib, options, volumes, -1, {yes});
    QVERIFY(!run.result.refused && run.result.failedNovels == 0);
    QCOMPARE(chapterRows(lib, id), rows);
    QCOMPARE(m_site->site()->requestCount(QStringLiteral("/book/1.html")), pagesFetched);
}

// "作者等信息": the author comes from the contents page by the site sign's markers; a page without
// it changes nothing and says so.
void TestRenewal::informationReadAgain() {
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    const DownloadOptions options = optionsFor(lib, 1);
    SiteSign sign;
    sign[SiteSign::Name] = QStringLiteral("试读书屋");
    sign[SiteSign::Url] = m_site->baseUrl();
    sign[SiteSign::AuthorStart] = QStringLiteral("<span class=\"author\">作者：");
    sign[SiteSign::AuthorEnd] = QStringLiteral("</span>");
    SiteSignTable signs;
    signs.setSigns({sign});
    const RenewJob::Request information{RenewJob::Command::Information, {}, {id}, {}, false};

    const Run without = renew(lib, options, information, -1, {}, signs);
    QCOMPARE(without.statuses.last(), QStringLiteral("无相关信息"));
    QCOMPARE(NovelStore(lib.db()).loadNovel(id)->author, QString());

    LocalSiteRule withAuthor;
    withAuthor.body = QStringLiteral("<html><body><span class=\"author\">作者：山中人</span></body></html>");
    m_site->site()->setRule(QStringLiteral("/book/index.html"), withAuthor);
    const Run with = renew(lib, options, information, -1, {}, signs);
    m_site->site()->removeRule(QStringLiteral("/book/index.html"));
    QCOMPARE(with.statuses.last(), QStringLiteral("作者等信息已取得"));
    QCOMPARE(NovelStore(lib.db()).loadNovel(id)->author, QStringLiteral("山中人"));
    QCOMPARE(RenewStore(lib.db()).chapters(id).size(), 0); // reading information stores no chapter
}

// LinkDepth 2: pages a chapter links to are stored as chapters too, each once, the contents page
// they all link back to never; a second run finds nothing new.
void TestRenewal::linkDepthTwoFollowsChapterLinks() {
    QFETCH(int, multGetNums);
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    lib.context().settings().setValue(QStringLiteral("LinkDepth"), QStringLiteral("2"));
    const DownloadOptions options = optionsFor(lib, multGetNums);
    LocalSiteRule linking;
    linking.body = QStringLiteral("<div id=\"content\">第三章的正文。</div><!--content-->"
                                  "<a href=\"3a.html\">第三章半 插曲</a><a href=\"2.html\">上一章</a>");
    m_site->site()->setRule(QStringLiteral("/book/3.html"), linking);
    const Run first = renew(lib, options, renewAll());
    m_site->site()->removeRule(QStringLiteral("/book/3.html"));
    QCOMPARE(first.result.newChapters, 7);
    const QStringList titles = titlesInOrder(lib, id);
    QVERIFY2(titles.contains(QStringLiteral("第三章半 插曲")) && !titles.contains(QStringLiteral("目录")),
             qPrintable(titles.join(u',')));
    QVERIFY(chapterPage(lib, id, QStringLiteral("3a.html")).contains(QStringLiteral("插曲的正文")));
    QSet<QString> sources;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(id))
        QVERIFY2(!std::exchange(sources, sources + QSet<QString>{c.comeFrom}).contains(c.comeFrom),
                 qPrintable(c.comeFrom));
    QCOMPARE(renew(lib, options, renewAll()).result.newChapters, 0);
}

void TestRenewal::failingChapters_data() {
    columns<int, QString>("multGetNums", "failureText");
    addRow("one at a time", 1, QStringLiteral("链接章节<<悬挂>>失败，请查看网络连接"));
    addRow("five at a time", 5, QStringLiteral("网络连接失败或内容为空"));
}

// 404, hang, drip, oversized and reset pages fail; an empty chapter is stored with 0 and counts as
// failed; the failed ones are fetched again by the next renewal, which says so.
void TestRenewal::failingChapters() {
    const auto [multGetNums, failureText] = fetch<int, QString>("multGetNums", "failureText");
    TestLibrary lib;
    const QString id = addNovel(lib, m_site->url(QStringLiteral("book/hostile.html")));
    const DownloadOptions options = optionsFor(lib, multGetNums);
    const Run run = renew(lib, options, renewAll());
    QVERIFY(!run.result.stopped);
    QCOMPARE(run.result.newChapters, 2);
    QCOMPARE(run.result.failedChapters, 6);
    QVERIFY2(run.statuses.contains(failureText), qPrintable(run.statuses.join(u'\n')));
    QVERIFY(run.statuses.contains(QStringLiteral("<<试读小说>>更新完毕，其中6个章节下载失败")));
    QCOMPARE(run.statuses.last(), QStringLiteral("共有2个新章节，6个章节下载失败"));
    QHash<QString, std::optional<int>> lengths;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(id))
        lengths.insert(c.comeFrom.section(u'/', -1), c.wordNums);
    QVERIFY(lengths.value(QStringLiteral("1.html")).value_or(0) > 0);
    QVERIFY(lengths.value(QStringLiteral("6.html")).value_or(0) > 0);
    QCOMPARE(lengths.value(QStringLiteral("empty.html")), std::optional<int>(0));
    for (const char* failed : {"missing.html", "hang.html", "drip.html", "huge.html", "reset.html"})
        QVERIFY2(lengths.value(QString::fromLatin1(failed)).value_or(0) == 0, failed);

    // Nothing changed on the site: the next renewal tries the failed ones again, and only those, and
    // does not pass them over as "nothing new".
    const int fetchedBefore = m_site->site()->requestCount(QStringLiteral("/book/1.html"));
    const int emptyFetched = m_site->site()->requestCount(QStringLiteral("/book/empty.html"));
    const Run unchanged = renew(lib, options, renewAll());
    QCOMPARE(unchanged.result.newChapters, 0);
    QCOMPARE(unchanged.result.failedChapters, 6);
    QVERIFY2(unchanged.statuses.contains(QStringLiteral("<<试读小说>>更新完毕，其中6个章节下载失败")),
             qPrintable(unchanged.statuses.join(u'\n')));
    QVERIFY(!unchanged.statuses.contains(QStringLiteral("<<试读小说>>尚无更新的章节")));
    QCOMPARE(unchanged.statuses.last(), QStringLiteral("没有新章节，6个章节下载失败"));
    QCOMPARE(m_site->site()->requestCount(QStringLiteral("/book/empty.html")), emptyFetched + 1);

    // The site mends the missing page: the next renewal fetches it.
    LocalSiteRule mended;
    mended.file = QStringLiteral("book/3.html");
    m_site->site()->setRule(QStringLiteral("/book/missing.html"), mended);
    const Run again = renew(lib, options, renewAll());
    QCOMPARE(again.result.newChapters, 1);
    QCOMPARE(m_site->site()->requestCount(QStringLiteral("/book/1.html")), fetchedBefore);
    int missingStored = 0;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(id))
        if (c.comeFrom.endsWith(QLatin1String("/missing.html")))
            missingStored += c.wordNums.value_or(0) > 0 ? 1 : 0;
    QCOMPARE(missingStored, 1);
    QCOMPARE(RenewStore(lib.db()).chapters(id).size(), multGetNums > 1 ? 8 : 4);
}

// An ended novel is left out; one whose contents page cannot be had fails, and the run goes on.
void TestRenewal::novelsLeftOrFailed() {
    TestLibrary lib;
    const QString ended = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    const QString hanging = addNovel(lib, m_site->url(QStringLiteral("book/hang.html")));
    const QString good = addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    QVERIFY(RenewStore(lib.db()).setEnded({ended}, true));
    QCOMPARE(RenewStore(lib.db()).novelsToRenew(), (QStringList{hanging, good}));
    const Run run = renew(lib, optionsFor(lib, 5), renewAll());
    QCOMPARE(run.result.failedNovels, 1);
    QVERIFY(run.statuses.contains(QStringLiteral("更新小说<<试读小说>>失败，请查看网络连接")));
    QCOMPARE(titlesInOrder(lib, good), kSixChapters);
    QCOMPARE(RenewStore(lib.db()).chapters(ended).size(), 0);
}

void TestRenewal::secondRunRefused() {
    TestLibrary lib;
    addNovel(lib, m_site->url(QStringLiteral("book/hang.html")));
    DownloadOptions options = optionsFor(lib, 1);
    options.fetch.timeoutMs = 60000;
    RenewJob first(lib.db(), lib.context().folder(), options, renewAll());
    ScriptedPrompter quiet;
    first.setPrompter(&quiet);
    first.start();
    QTRY_VERIFY_WITH_TIMEOUT(m_site->site()->requestCount(QStringLiteral("/book/hang.html")) > 0, 20000);
    QVERIFY(RenewJob::isBusy());

    const Run second = renew(lib, options, renewAll());
    QVERIFY(second.result.refused);
    QCOMPARE(second.messages, QStringList{QStringLiteral("当前正在下载中，请在停止下载后再进行该项操作")});
    first.requestStop();
    QVERIFY(first.wait(20000));
    QVERIFY(first.result().stopped);
    QVERIFY(!RenewJob::isBusy());
}

void TestRenewal::powerOffOnlyAfterAWholeRun_data() {
    columns<bool, int, int>("autoShutdown", "stopAfter", "calls");
    addRow("off", false, -1, 0);
    addRow("on, whole run", true, -1, 1);
    addRow("on, stopped", true, 1, 0);
}

void TestRenewal::powerOffOnlyAfterAWholeRun() {
    auto [autoShutdown, stopAfter, calls] = fetch<bool, int, int>("autoShutdown", "stopAfter", "calls");
    TestLibrary lib;
    addNovel(lib, m_site->url(QStringLiteral("book/index.html")));
    DownloadOptions options = optionsFor(lib, 1);
    options.autoShutdown = autoShutdown;
    QCOMPARE(renew(lib, options, renewAll(), stopAfter).powerOffCalls, calls);
    // Renewing chosen novels never shuts down.
    options.autoShutdown = true;
    QCOMPARE(
        renew(lib, options,
              RenewJob::Request{RenewJob::Command::RenewNovels, {}, {QStringLiteral("000001")}, {}, false})
            .powerOffCalls,
        0);
}

QTEST_GUILESS_MAIN(TestRenewal)
#include "tst_renewal.moc"
