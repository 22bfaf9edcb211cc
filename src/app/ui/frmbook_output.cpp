// The main window's e-book and export commands, run as jobs of the output library.
#include "app/ui/frmbook.h"
#include "bookcase/ui/frmbookcase.h"

#include "library/treekeys.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "output/chmbuildjob.h"
#include "output/epubbuildjob.h"
#include "output/libraryreportjob.h"
#include "output/listpage.h"
#include "output/listpagesjob.h"
#include "output/textexportjob.h"
#include "output/ui/frmchm.h"
#include "output/ui/frmchmcollection.h"
#include "output/ui/frmchmset.h"
#include "output/ui/frmmodel.h"
#include "output/volumepagesjob.h"
#include "output/volumetextjob.h"
#include "storage/librarycontext.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"

#include <QDir>
#include <QFileInfo>

QString FrmBook::novelForCommand() {
    const QString id = currentNovelId();
    if (id.isEmpty())
        Messages::warning(this, tr("请在左边的导航栏中选择具体的小说名"));
    return id;
}

bool FrmBook::startOutput(const QString& command) {
    // One output job of a kind at a time; the command comes back when it ends.
    if (m_runningCommands.contains(command))
        return false;
    m_runningCommands.insert(command);
    enableButton();
    return true;
}

void FrmBook::endOutput(const QString& command) {
    m_runningCommands.remove(command);
    setStatusText(QString());
    enableButton();
}

void FrmBook::showWritten(const QString& written, const QString& toOpen) {
    setStatusText(tr("小说已制作到") + QDir::toNativeSeparators(written));
    // The book just made is in the bookcase now.
    if (m_frmBookCase)
        m_frmBookCase->reload();
    if (toOpen.isEmpty())
        return;
    if (QFileInfo(toOpen).isDir())
        openWithShell(toOpen, this);
    else
        openWrittenFile(toOpen, this);
}

void FrmBook::mnuBook() {
    const QString id = novelForCommand();
    if (id.isEmpty() || !startOutput(QStringLiteral("mnuBook")))
        return;
    QDir().mkpath(m_library.folder().novelDir(id));
    runJob(new ChmBuildJob(m_library.database(), m_library.folder(), m_library.settings(), id),
           [this](Job* job) {
               endOutput(QStringLiteral("mnuBook"));
               const ChmBuildJob::Result result = static_cast<ChmBuildJob*>(job)->result();
               if (result.ok)
                   showWritten(result.chmPath, result.chmPath);
           });
}

void FrmBook::mnuEpub() {
    const QString id = novelForCommand();
    if (id.isEmpty() || !startOutput(QStringLiteral("mnuEpub")))
        return;
    runJob(new EpubBuildJob(m_library.database(), m_library.folder(), m_library.settings(), id),
           [this](Job* job) {
               endOutput(QStringLiteral("mnuEpub"));
               const EpubBuildJob::Result result = static_cast<EpubBuildJob*>(job)->result();
               if (result.ok)
                   showWritten(result.bookPath, result.bookPath);
           });
}

void FrmBook::exportText(int mode, const QString& folder) {
    const QString id = novelForCommand();
    if (id.isEmpty())
        return;
    auto* job = new TextExportJob(m_library.database(), m_library.folder(), m_library.settings(), id,
                                  TextExportJob::Mode(mode), folder);
    runJob(job, [this](Job* done) {
        setStatusText(QString());
        const TextExportJob::Result result = static_cast<TextExportJob*>(done)->result();
        if (result.ok)
            showWritten(result.path, result.openPath);
    });
}

void FrmBook::mnuBookTxt() {
    exportText(int(TextExportJob::Mode::Text));
}

void FrmBook::mnuBookDoc() {
    exportText(int(TextExportJob::Mode::Document));
}

void FrmBook::mnuBookText2() {
    if (currentNovelId().isEmpty()) {
        novelForCommand();
        return;
    }
    const QString folder = Messages::existingFolder(this, tr("请选择导出文件的存放文件夹"), QDir::homePath());
    if (!folder.isEmpty())
        exportText(int(TextExportJob::Mode::ChapterFiles), folder);
}

void FrmBook::mnuVolText2() {
    const QString id = novelForCommand();
    if (id.isEmpty())
        return;
    const QString folder = Messages::existingFolder(this, tr("请选择导出文件的存放文件夹"), QDir::homePath());
    if (folder.isEmpty())
        return;
    runJob(new VolumeTextJob(m_library.database(), m_library.folder(), m_library.settings(), id, folder),
           [this, folder](Job* done) {
               setStatusText(QString());
               const VolumeTextJob::Result result = static_cast<VolumeTextJob*>(done)->result();
               if (result.ok)
                   showWritten(folder, result.openPath);
           });
}

void FrmBook::mnuAllText() {
    const QString id = novelForCommand();
    if (id.isEmpty() || !Messages::question(this, tr("您是否确定进行全文阅读？")))
        return;
    makeFullText(id);
}

void FrmBook::makeFullText(const QString& novelId) {
    auto* job = new TextExportJob(m_library.database(), m_library.folder(), m_library.settings(), novelId,
                                  TextExportJob::Mode::FullTextPage);
    runJob(job, [this](Job* done) {
        setStatusText(QString());
        const TextExportJob::Result result = static_cast<TextExportJob*>(done)->result();
        if (result.ok)
            showPage(result.path, QString(), true);
    });
}

void FrmBook::mnuListAgain() {
    const QString id = novelForCommand();
    if (id.isEmpty())
        return;
    QString error;
    if (!writeListPage(m_library.database(), m_library.folder(), m_library.settings(), id, &error)) {
        Messages::warning(this, error);
        return;
    }
    showPage(m_library.folder().novelListPage(id));
}

void FrmBook::extListFileGen() {
    const QStringList ids = selectedNovelIds();
    if (ids.isEmpty()) {
        Messages::warning(this, tr("请选择具体的小说"));
        return;
    }
    runJob(new ListPagesJob(m_library.database(), m_library.folder(), m_library.settings(), ids),
           [this](Job*) { setStatusText(QString()); });
}

void FrmBook::extBooks() {
    const QStringList ids = selectedNovelIds();
    if (ids.isEmpty()) {
        Messages::warning(this, tr("请选择具体的小说"));
        return;
    }
    auto* window = new FrmChmCollection(m_library, ids, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    connect(window, &FrmChmCollection::generated, this,
            [this](const QString& path) { showWritten(path, QString()); });
    window->show();
}

void FrmBook::mnuVolumeText() {
    const QString id = novelForCommand();
    if (!id.isEmpty())
        makeVolumePages({id}, QString());
}

void FrmBook::extVolumeFileGen() {
    const QStringList ids = selectedNovelIds();
    if (ids.isEmpty()) {
        Messages::warning(this, tr("请选择具体的小说"));
        return;
    }
    makeVolumePages(ids, QString());
}

void FrmBook::makeVolumePages(const QStringList& novelIds, const QString& thenShow) {
    auto* job = new VolumePagesJob(m_library.database(), m_library.folder(), m_library.settings(), novelIds);
    QAction* stop = command(QStringLiteral("mnuStopVolume"));
    stop->setVisible(true);
    stop->setEnabled(true);
    connect(stop, &QAction::triggered, job, &Job::requestStop);
    runJob(job, [this, stop, thenShow](Job* done) {
        stop->setVisible(false);
        setStatusText(QString());
        const VolumePagesJob::Result result = static_cast<VolumePagesJob*>(done)->result();
        if (result.ok && !thenShow.isEmpty() && QFileInfo::exists(thenShow))
            showPage(thenShow, QString(), true);
    });
}

void FrmBook::mnuTotalView() {
    if (!startOutput(QStringLiteral("mnuTotalView")))
        return;
    runJob(new LibraryReportJob(m_library.database(), m_library.folder()), [this](Job* done) {
        endOutput(QStringLiteral("mnuTotalView"));
        const LibraryReportJob::Result result = static_cast<LibraryReportJob*>(done)->result();
        if (result.ok)
            showPage(result.path);
    });
}

void FrmBook::mnuModel() {
    auto* window = new FrmModel(m_library, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
}

void FrmBook::mnuChmCover() {
    const QString id = novelForCommand();
    if (id.isEmpty())
        return;
    auto* window = new FrmChm(m_library, id, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
}

void FrmBook::mnuChmSet() {
    FrmChmSet dialog(m_library.settings(), this);
    dialog.exec();
}

void FrmBook::rewriteContentsPage(const QString& novelId) {
    // The contents page follows the chapters; a failure here is not worth interrupting the reader.
    writeListPage(m_library.database(), m_library.folder(), m_library.settings(), novelId);
}
