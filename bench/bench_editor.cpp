// The chapter editor on a 3 MB chapter page (GBK, the usual template and content markers): opening it
// until the design view can be edited, plus saving an edit until the window closes, against the reading
// view loading the same page file. Runs alternate so both see the same load of the machine. Target:
// editor / reading view at most 1.5.
//
//   bench_editor [--runs N] [--megabytes N]
#include "longnovel.h"
#include "renewal/novelfilewriter.h"
#include "renewal/processtuning.h"

#include "library/ui/readingview.h"
#include "tools/ui/frmhtmledit.h"
#include "widgets/memorypages.h"
#include "widgets/messages.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>

namespace {

constexpr double kTargetRatio = 1.5;
constexpr int kWaitMs = 300000;

struct Page {
    QString novelId;
    qint64 chapterId = 0;
    QString path;
};

// One novel with one chapter whose page, written as a download writes it, holds about that many
// bytes of text paragraphs.
Page generate(LibraryContext& library, qint64 bytes) {
    NovelRecord novel;
    novel.novelId = NovelStore(library.database()).nextNovelId();
    novel.novelName = QStringLiteral("长章节");
    novel.listUrl = QStringLiteral("http://example.test/book/2/");
    NovelStore(library.database()).insertNovel(novel);
    ChapterRecord record;
    record.novelId = novel.novelId;
    record.title = longnovel::chapterTitle(0);
    record.displayorder = 1;
    const qint64 id = ChapterStore(library.database()).insertChapter(record);

    // Chinese takes two bytes in GBK, the paragraph marks one each.
    QString text;
    qint64 size = 0;
    for (int n = 0; size < bytes; ++n) {
        const QString body = longnovel::chapterBody(n);
        text += body;
        for (const QChar c : body)
            size += c.unicode() < 0x80 ? 1 : 2;
    }
    const NovelFileWriter writer(library.folder(), library.settings());
    QString error;
    if (!writer.writeNovelFile(novel.novelId, id, text, record.title, QString(), &error))
        qFatal("page: %s", qPrintable(error));
    return {novel.novelId, id, library.folder().chapterPage(novel.novelId, id)};
}

// Runs the event loop until the signal comes; a bench that never ends helps no one.
template <typename Sender, typename Signal> bool waitFor(Sender* sender, Signal signal) {
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(kWaitMs, &loop, [&loop] { loop.exit(1); });
    return loop.exec() == 0;
}

struct EditorTimes {
    double read = 0;   // openPage() itself: the page read and handed to the views
    double loaded = 0; // the design page's last load finished
    double open = 0;
    double save = 0;
};

EditorTimes runEditor(LibraryContext& library, const Page& page) {
    FrmHtmlEdit editor(library, page.novelId, page.chapterId);
    editor.show();
    auto* design = editor.findChild<QWebEngineView*>(QStringLiteral("webEdit"));
    if (!design)
        qFatal("no design view");
    QElapsedTimer timer;
    EditorTimes times;
    // Where the time goes: the browser's load of the design page, then the editor's own work on it.
    QObject::connect(design, &QWebEngineView::loadFinished,
                     [&] { times.loaded = double(timer.nsecsElapsed()) / 1e9; });
    timer.start();
    const QString error = editor.openPage();
    if (!error.isEmpty())
        qFatal("editor: %s", qPrintable(error));
    times.read = double(timer.nsecsElapsed()) / 1e9;
    if (!editor.isDesignReady() && !waitFor(&editor, &FrmHtmlEdit::designReady))
        qFatal("the design view never became ready");
    times.open = double(timer.nsecsElapsed()) / 1e9;

    // A typed edit of the chapter text, so that the save takes the whole design back as a user's does.
    // The page lays the edit out before the save is timed: that is the cost of typing, not of saving.
    QEventLoop edited;
    design->page()->runJavaScript(
        QStringLiteral("quiveralEditor.insertText('改'); document.body.offsetHeight"),
        QWebEngineScript::ApplicationWorld, [&edited](const QVariant&) { edited.quit(); });
    edited.exec();

    const qint64 sizeBefore = QFileInfo(page.path).size();
    auto* save = editor.findChild<QAction*>(QStringLiteral("mnuSave"));
    if (!save)
        qFatal("no mnuSave");
    QEventLoop accepted;
    QObject::connect(&editor, &QDialog::accepted, &accepted, &QEventLoop::quit);
    QTimer::singleShot(kWaitMs, &accepted, [&accepted] { accepted.exit(1); });
    timer.restart();
    save->trigger();
    if (accepted.exec() != 0)
        qFatal("the editor never saved");
    times.save = double(timer.nsecsElapsed()) / 1e9;
    // Each run's edit makes the page two bytes longer; the same size means nothing was saved.
    if (QFileInfo(page.path).size() <= sizeBefore)
        qFatal("the save did not write the edit");
    return times;
}

double runReadingView(const QString& libraryPath, const Page& page) {
    ReadingView view(libraryPath);
    view.resize(1000, 700);
    view.show();
    QEventLoop loaded;
    bool ok = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, &loaded, [&](bool finished) {
        ok = finished;
        loaded.quit();
    });
    QTimer::singleShot(kWaitMs, &loaded, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    view.navigate(QUrl::fromLocalFile(page.path));
    loaded.exec();
    if (!ok)
        qFatal("the reading view did not load the page");
    // The page counts as shown once it is laid out, as the editor's design view does before it
    // calls itself ready: the load event of a large page comes before its layout is done.
    QEventLoop laidOut;
    view.page()->runJavaScript(QStringLiteral("document.body.offsetHeight"),
                               QWebEngineScript::ApplicationWorld,
                               [&laidOut](const QVariant&) { laidOut.quit(); });
    laidOut.exec();
    return double(timer.nsecsElapsed()) / 1e9;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

} // namespace

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    MemoryPages::registerScheme();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("runs of each"),
                                        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption sizeOption(QStringLiteral("megabytes"), QStringLiteral("size of the page"),
                                        QStringLiteral("N"), QStringLiteral("3"));
    parser.addOptions({runsOption, sizeOption});
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());
    const qint64 bytes = qint64(std::max(0.1, parser.value(sizeOption).toDouble()) * 1024 * 1024);
    // A message box would wait for a click that never comes.
    Messages::setHandler([](Messages::Kind, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    });

    QTemporaryDir dir;
    LibraryContext library(dir.path());
    QString error;
    if (!library.open(&error))
        qFatal("library: %s", qPrintable(error));
    const Page page = generate(library, bytes);
    std::printf("chapter page: %.2f MB (%s)\n", double(QFileInfo(page.path).size()) / (1024 * 1024),
                qPrintable(library.settings().value(QStringLiteral("charset"))));

    // A first round of each warms the browser processes up and is not counted.
    runReadingView(dir.path(), page);
    runEditor(library, page);
    QList<double> opens, saves, editors, readings;
    for (int i = 0; i < runs; ++i) {
        const double reading = runReadingView(dir.path(), page);
        const EditorTimes edit = runEditor(library, page);
        readings << reading;
        opens << edit.open;
        saves << edit.save;
        editors << edit.open + edit.save;
        std::printf("run %d: editor %.3f s (open %.3f: openPage() %.3f, design loaded at %.3f; save %.3f), "
                    "reading view %.3f s\n",
                    i + 1, edit.open + edit.save, edit.open, edit.read, edit.loaded, edit.save, reading);
        std::fflush(stdout);
    }
    const double editor = median(editors);
    const double reading = median(readings);
    std::printf(
        "editor, open to design ready + save to closed: %.3f s (open %.3f, save %.3f; medians of %d)\n",
        editor, median(opens), median(saves), runs);
    std::printf("reading view, load of the same page:          %.3f s\n", reading);
    std::printf("editor / reading view: %.2f (target <= %.1f: %s)\n", editor / reading, kTargetRatio,
                editor / reading <= kTargetRatio ? "met" : "missed");
    return 0;
}
