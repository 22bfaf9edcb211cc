// The page conversions of the main window: where the commands sit, which stored pages a run rewrites
// and how, what the reading view and the status bar show afterwards, and mnuStop ending a run.
#include "app/ui/frmbook.h"
#include "library/chapterconversionjob.h"
#include "library/ui/readingview.h"
#include "storage/categorystore.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QLabel>
#include <QMenu>
#include <QSemaphore>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>

namespace {

// 山河 in category 01, a page per chapter. A text is put into the chapter template (GBK), "big5:" into
// the template declared and encoded Big5, "raw:" is the whole page.
struct Shelf {
    TestLibrary lib;
    QString novel;
    QList<qint64> ids;

    explicit Shelf(const QStringList& texts) {
        CategoryStore(lib.db()).add("分类");
        novel = lib.addNovel("山河", "01");
        const QString tmpl = readTextFile(lib.path() + "/model/vbArticle1.htm");
        for (int i = 0; i < texts.size(); ++i) {
            const QString title = QString("第%1章").arg(i + 1);
            ids << lib.addChapter(novel, title);
            QString text = texts.at(i);
            QByteArray bytes;
            if (text.startsWith("raw:")) {
                bytes = QStringEncoder("GB18030").encode(text.mid(4).replace("{lib}", lib.path()));
            } else {
                const bool big5 = text.startsWith("big5:");
                QString page =
                    QString(tmpl).replace("[[title]]", title).replace("[[Content]]", text.mid(big5 ? 5 : 0));
                if (big5)
                    page.replace("charset=gb2312", "charset=big5");
                bytes = QStringEncoder(big5 ? "Big5" : "GB18030").encode(page);
            }
            writeFile(page(i), bytes);
        }
    }
    QString page(int row) { return lib.context().folder().chapterPage(novel, ids.at(row)); }
    QList<QByteArray> pages() {
        QList<QByteArray> all;
        for (int i = 0; i < ids.size(); ++i)
            all << fileBytes(page(i));
        return all;
    }
};

// A page as a reader takes it: by the charset it declares.
QString decoded(const QByteArray& bytes) {
    return QStringDecoder(bytes.contains("charset=big5") ? "Big5" : "GB18030").decode(bytes);
}

void choose(FrmBook& window, const QList<int>& rows) {
    window.list()->clearSelection();
    for (int row : rows) {
        if (row == rows.first())
            window.list()->setCurrentItem(window.list()->topLevelItem(row));
        window.list()->topLevelItem(row)->setSelected(true);
    }
}

} // namespace

class TestConversionCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menus_data();
    void menus();
    void convert_data();
    void convert();
    void stop();
};

void TestConversionCommands::menus_data() {
    // items: objectName=caption, in the menu's order
    columns<QString, QStringList>("menu", "items");
    addRow("chapter menu", "extmnuTitle",
           QStringList{"mnuSetGood=按当前设置样式转换", "mnuTran=简繁体转换", "mnuAutoTypeset=自动排版",
                       "mnuAllSetGood=所有章节内容优化"});
    addRow("script menu", "mnuTran",
           QStringList{"mnubig5=转换为繁体", "mnuGB2312=转换为简体", "mnubig5charset=转换为繁体中文(Big5)码",
                       "mnugb2312charset=转换为简体中文(GB2312)码"});
    addRow("batch menu", "extBookBatch", QStringList{"extContentSetGood=各章节按当前设置样式转换"});
}

void TestConversionCommands::menus() {
    const auto [menu, items] = fetch<QString, QStringList>("menu", "items");
    TestLibrary lib;
    FrmBook window(lib.context());
    QMenu* parent = child<QMenu>(window, qPrintable(menu));
    QStringList found;
    for (QAction* a : parent->actions()) {
        const QString name = a->menu() ? a->menu()->objectName() : a->objectName();
        if (std::any_of(items.begin(), items.end(),
                        [&](const QString& i) { return i.startsWith(name + "="); }))
            found << name + "=" + a->text();
    }
    QCOMPARE(found, items);
}

void TestConversionCommands::convert_data() {
    // texts: the chapters' pages (see Shelf); chosen: rows of the chapter list, or of the novel list; after:
    // per page: "=" unchanged, else the parts it holds; view: what the reading view shows
    // afterwards ("" not shown)
    columns<QString, QStringList, QList<int>, QStringList, QString, QString, QStringList>(
        "command", "texts", "chosen", "after", "view", "status", "shown");
    const QStringList none;
    addRow("traditional on the first and last", "mnubig5", QStringList{"东方书", "东方书", "东方书"},
           QList<int>{0, 2}, QStringList{"東方書", "=", "東方書"}, "東方書", "转换完成", none);
    addRow("simplified on the middle one", "mnuGB2312", QStringList{"東方書", "門", "東方書"}, QList<int>{1},
           QStringList{"=", "门", "="}, "门", "转换完成", none);
    addRow("Big5 code page", "mnubig5charset", QStringList{"东方书", "东方书"}, QList<int>{1},
           QStringList{"=", "charset=big5|東方書"}, "", "转换完成", none);
    addRow("GB2312 code page from a Big5 page", "mnugb2312charset", QStringList{"big5:東方書"}, QList<int>{0},
           QStringList{"charset=gb2312|东方书"}, "东方书", "转换完成", none);
    addRow("typesetting a page not written here", "mnuAutoTypeset",
           QStringList{"raw:<html><body>甲\r\n乙</body></html>"}, QList<int>{0}, QStringList{"="}, "",
           "转换完成", none);
    addRow("nothing chosen", "mnubig5", QStringList{"东方书", "东方书"}, QList<int>{}, QStringList{"=", "="},
           "", "2篇章节,2篇未读", none);
    addRow("every chapter but the styled one", "mnuAllSetGood",
           QStringList{"raw:<html><body><p>甲一</p></body></html>",
                       "raw:<html><head><link href=\"{lib}/css/style.css\"></head><body>乙</body></html>"},
           QList<int>{}, QStringList{"BookContent Start|甲一", "="}, "", "转换完成", none);
    addRow("chosen novels", "extContentSetGood", QStringList{"raw:<html><body><p>甲一</p></body></html>"},
           QList<int>{0}, QStringList{"BookContent Start|甲一"}, "", "转换完成", QStringList{"转换完成"});
}

void TestConversionCommands::convert() {
    const auto [command, texts, chosen, after, view, status, shown] =
        fetch<QString, QStringList, QList<int>, QStringList, QString, QString, QStringList>(
            "command", "texts", "chosen", "after", "view", "status", "shown");
    Shelf shelf(texts);
    const QList<QByteArray> before = shelf.pages();
    MessageRecorder messages;
    FrmBook window(shelf.lib.context());
    window.show();
    const bool novels = command == "extContentSetGood";
    QVERIFY(window.selectNode(novels ? QString("组别01") : QString("栏目" + shelf.novel)));
    choose(window, chosen);
    if (!view.isEmpty()) {
        window.viewNovelContent();
        QVERIFY(shows(window.web(), ".htm"));
    }
    window.enableButton();
    QAction* a = child<QAction>(window, qPrintable(command));
    if (chosen.isEmpty() && command != "mnuAllSetGood") {
        QVERIFY(!a->isEnabled());
    } else {
        trigger(window, qPrintable(command));
        // One run of a command at a time.
        QVERIFY(!a->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(a->isEnabled(), 20000);
    }
    const QList<QByteArray> pages = shelf.pages();
    for (int i = 0; i < after.size(); ++i) {
        const QString& want = after.at(i);
        if (want == "=")
            QVERIFY2(pages.at(i) == before.at(i), qPrintable(QString::number(i)));
        else
            for (const QString& part : want.split(u'|'))
                QVERIFY2(decoded(pages.at(i)).contains(part), qPrintable(decoded(pages.at(i))));
    }
    if (!view.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(js(window.web(), "document.body.innerText").toString().contains(view),
                                 10000);
    QCOMPARE(child<QLabel>(window, "lblStatus")->text(), status);
    QCOMPARE(messages.shown, shown);
}

void TestConversionCommands::stop() {
    const int count = 300;
    Shelf shelf(QStringList(count, "东方书"));
    const QList<QByteArray> before = shelf.pages();
    // The run waits after its fifth page until mnuStop has been given (declared before the window,
    // whose jobs end before these go).
    QSemaphore reached;
    QSemaphore resume;
    std::atomic<qint64> last{0};
    std::atomic<int> seen{0};
    FrmBook window(shelf.lib.context());
    window.show();
    QVERIFY(window.selectNode("栏目" + shelf.novel));
    window.list()->selectAll();
    window.enableButton();
    QVERIFY(!child<QAction>(window, "mnuStop")->isEnabled());
    trigger(window, "mnubig5");
    auto* job = window.findChild<ChapterConversionJob*>();
    QVERIFY(job);
    connect(
        job, &ChapterConversionJob::chapterConverted, job,
        [&](const QString&, qint64 id) {
            last = id;
            if (++seen == 5) {
                reached.release();
                resume.tryAcquire(1, 10000);
            }
        },
        Qt::DirectConnection);
    QVERIFY(reached.tryAcquire(1, 20000));
    QVERIFY(child<QAction>(window, "mnuStop")->isVisible());
    trigger(window, "mnuStop");
    resume.release();
    QTRY_VERIFY_WITH_TIMEOUT(child<QAction>(window, "mnubig5")->isEnabled(), 20000);
    // Every page up to the one written last is converted, none after it.
    const int upTo = shelf.ids.indexOf(last);
    QVERIFY(upTo >= 4 && upTo < count - 1);
    const QList<QByteArray> pages = shelf.pages();
    for (int i = 0; i < count; ++i)
        QVERIFY2((pages.at(i) != before.at(i)) == (i <= upTo), qPrintable(QString::number(i)));
    QVERIFY(!child<QLabel>(window, "lblStatus")->text().startsWith("转换完成"));
    QVERIFY(!child<QAction>(window, "mnuStop")->isEnabled());
}

QUIVERAL_UI_TEST_MAIN(TestConversionCommands)
#include "tst_conversioncommands.moc"
