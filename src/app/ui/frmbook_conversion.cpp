// The main window's conversion commands: stored chapter pages rewritten in the current display style,
// in the other Chinese script, in another code page or with new paragraphs. Each runs as a job that
// mnuStop ends; what is written by then stays.
#include "app/ui/frmbook.h"

#include "library/chapterconversionjob.h"
#include "library/ui/frmview.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "storage/librarycontext.h"
#include "widgets/messages.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace {

using Mode = ChapterConversionJob::Mode;

// The jobs mnuStop ends besides downloads: conversions and imports.
const char* const kStoppableCommands[] = {"mnuSetGood",     "mnubig5",          "mnuGB2312",
                                          "mnubig5charset", "mnugb2312charset", "mnuAutoTypeset",
                                          "mnuAllSetGood",  "extContentSetGood", "mnuGetchm",
                                          "mnuGetFolder",   "mnuGetLocalFile"};

} // namespace

void FrmBook::createConversionActions() {
    addCommand(QStringLiteral("mnuSetGood"), tr("按当前设置样式转换"), &FrmBook::mnuSetGood);
    addCommand(QStringLiteral("mnubig5"), tr("转换为繁体"), &FrmBook::mnubig5);
    addCommand(QStringLiteral("mnuGB2312"), tr("转换为简体"), &FrmBook::mnuGB2312);
    addCommand(QStringLiteral("mnubig5charset"), tr("转换为繁体中文(Big5)码"), &FrmBook::mnubig5charset);
    addCommand(QStringLiteral("mnugb2312charset"), tr("转换为简体中文(GB2312)码"),
               &FrmBook::mnugb2312charset);
    addCommand(QStringLiteral("mnuAutoTypeset"), tr("自动排版"), &FrmBook::mnuAutoTypeset);
    addCommand(QStringLiteral("mnuAllSetGood"), tr("所有章节内容优化"), &FrmBook::mnuAllSetGood);
    addCommand(QStringLiteral("extContentSetGood"), tr("各章节按当前设置样式转换"),
               &FrmBook::extContentSetGood);
}

void FrmBook::addConversionCommands(QMenu* menu) {
    menu->addSeparator();
    menu->addAction(command(QStringLiteral("mnuSetGood")));
    QMenu* script = menu->addMenu(tr("简繁体转换"));
    script->setObjectName(QStringLiteral("mnuTran"));
    for (const char* name : {"mnubig5", "mnuGB2312", "mnubig5charset", "mnugb2312charset"})
        script->addAction(command(QLatin1String(name)));
    menu->addAction(command(QStringLiteral("mnuAutoTypeset")));
    menu->addAction(command(QStringLiteral("mnuAllSetGood")));
}

bool FrmBook::runsStoppableJob() const {
    for (const char* name : kStoppableCommands)
        if (m_runningCommands.contains(QLatin1String(name)))
            return true;
    return false;
}

void FrmBook::convertChosenChapters(const QString& command, int mode) {
    const QString novelId = currentNovelId();
    const QList<qint64> ids = selectedChapterIds();
    if (novelId.isEmpty() || ids.isEmpty())
        return;
    runConversion(command, {novelId}, ids, mode, false);
}

void FrmBook::runConversion(const QString& name, const QStringList& novelIds, const QList<qint64>& chapterIds,
                            int mode, bool keepStyledPages) {
    if (!startOutput(name))
        return;
    ChapterConversionJob::Request request;
    request.mode = Mode(mode);
    request.novelIds = novelIds;
    request.chapterIds = chapterIds;
    request.keepStyledPages = keepStyledPages;
    auto* job =
        new ChapterConversionJob(m_library.database(), m_library.folder(), m_library.settings(), request);
    connect(job, &ChapterConversionJob::chapterConverted, this, &FrmBook::reloadConvertedChapter);
    const bool announce = name == QLatin1String("extContentSetGood");
    runStoppable(name, job, [this, announce](Job*) {
        // The job's last status stays in the status bar.
        if (announce)
            Messages::information(this, tr("转换完成"));
    });
}

void FrmBook::runStoppable(const QString& name, Job* job, const std::function<void(Job*)>& done) {
    QAction* stop = command(QStringLiteral("mnuStop"));
    connect(stop, &QAction::triggered, job, &Job::requestStop);
    stop->setVisible(true);
    enableButton();
    runJob(job, [this, name, done](Job* finished) {
        m_runningCommands.remove(name);
        command(QStringLiteral("mnuStop"))->setVisible(m_busy || runsStoppableJob());
        enableButton();
        done(finished);
    });
}

void FrmBook::reloadConvertedChapter(const QString& novelId, qint64 chapterId) {
    const QString page = QDir::cleanPath(m_library.folder().chapterPage(novelId, chapterId));
    for (ReadingView* view : {static_cast<ReadingView*>(m_web1), m_frmView ? m_frmView->view() : nullptr}) {
        if (view && view->url().isLocalFile() && QDir::cleanPath(view->url().toLocalFile()) == page)
            view->reload();
    }
}

void FrmBook::mnuSetGood() {
    convertChosenChapters(QStringLiteral("mnuSetGood"), int(Mode::Style));
}

void FrmBook::mnubig5() {
    convertChosenChapters(QStringLiteral("mnubig5"), int(Mode::Traditional));
}

void FrmBook::mnuGB2312() {
    convertChosenChapters(QStringLiteral("mnuGB2312"), int(Mode::Simplified));
}

void FrmBook::mnubig5charset() {
    convertChosenChapters(QStringLiteral("mnubig5charset"), int(Mode::Big5));
}

void FrmBook::mnugb2312charset() {
    convertChosenChapters(QStringLiteral("mnugb2312charset"), int(Mode::Gb2312));
}

void FrmBook::mnuAutoTypeset() {
    convertChosenChapters(QStringLiteral("mnuAutoTypeset"), int(Mode::Typeset));
}

void FrmBook::mnuAllSetGood() {
    const QString novelId = currentNovelId();
    if (novelId.isEmpty() || m_listMode != ListMode::Chapters || m_listView1->topLevelItemCount() == 0)
        return;
    // A page already linked to the library's own style sheet stays as it is.
    runConversion(QStringLiteral("mnuAllSetGood"), {novelId}, {}, int(Mode::Style), true);
}

void FrmBook::extContentSetGood() {
    const QStringList ids = selectedNovelIds();
    if (!ids.isEmpty())
        runConversion(QStringLiteral("extContentSetGood"), ids, {}, int(Mode::Style), false);
}
