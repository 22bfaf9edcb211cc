// The main window's imports: a compiled help book or a folder as a new novel, local files as chapters
// of the selected novel, a book unpacked into a folder. Imports run as jobs that mnuStop ends; a
// stopped import leaves nothing behind.
#include "app/ui/frmbook.h"

#include "addnovel/bookimportjobs.h"
#include "library/treekeys.h"
#include "output/outputfolder.h"
#include "output/ui/frmchm2htm.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "widgets/messages.h"

#include <QFileInfo>

void FrmBook::createImportActions() {
    addCommand(QStringLiteral("mnuGetchm"), tr("导入chm文件"), &FrmBook::mnuGetchm);
    addCommand(QStringLiteral("mnuGetFolder"), tr("导入本地文件夹"), &FrmBook::mnuGetFolder);
    addCommand(QStringLiteral("mnuGetLocalFile"), tr("导入本地文件"), &FrmBook::mnuGetLocalFile);
    addCommand(QStringLiteral("mnuChm2Htm"), tr("反编译chm文件"), &FrmBook::mnuChm2Htm);
}

QString FrmBook::categoryForImport() const {
    // The selected category, or the category of the selected novel.
    const QString code = currentCategoryCode();
    if (!code.isEmpty())
        return code;
    const QString novelId = currentNovelId();
    if (novelId.isEmpty())
        return {};
    const std::optional<NovelRecord> novel = NovelStore(m_library.database()).loadNovel(novelId);
    return novel ? novel->lb : QString();
}

void FrmBook::runImport(const QString& name, ImportJob* job, bool newNovel) {
    if (!startOutput(name)) {
        delete job;
        return;
    }
    runStoppable(name, job, [this, newNovel](Job* done) {
        const BookImporter::Result result = static_cast<ImportJob*>(done)->result();
        if (result.stopped) {
            setStatusText(tr("导入已停止"));
            return;
        }
        if (!result.ok()) {
            setStatusText(QString());
            Messages::warning(this, result.error);
            return;
        }
        if (newNovel) {
            fillTree();
            selectNode(TreeKeys::novel(result.novelId));
        } else {
            m_changedNovels << result.novelId;
            refreshChangedNovels();
        }
    });
}

void FrmBook::mnuGetchm() {
    const QString path = Messages::openFileName(
        this, tr("导入chm文件"), OutputFolder(m_library.folder(), m_library.settings()).path(), tr("chm文件(*.chm)"));
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).isFile()) {
        Messages::warning(this, tr("无此文件"));
        return;
    }
    runImport(QStringLiteral("mnuGetchm"), new ChmImportJob(m_library, path, categoryForImport()), true);
}

void FrmBook::mnuGetFolder() {
    const QString folder = Messages::existingFolder(this, tr("浏览文件夹"), QString());
    if (folder.isEmpty())
        return;
    runImport(QStringLiteral("mnuGetFolder"), new FolderImportJob(m_library, folder, categoryForImport()), true);
}

void FrmBook::mnuGetLocalFile() {
    const QString novelId = currentNovelId();
    if (novelId.isEmpty()) {
        Messages::warning(this, tr("请在左边的导航栏中选择具体的小说名"));
        return;
    }
    const QStringList files = Messages::openFileNames(
        this, tr("导入本地文件"), QString(),
        tr("本地文件(txt,htm,html,jpg,jpeg,gif,bmp,png) (*.txt *.htm *.html *.jpg *.jpeg *.gif *.bmp *.png);;"
           "文本文件(txt) (*.txt);;web文件(htm,html) (*.htm *.html);;"
           "图片文件(jpg,jpeg,gif,bmp,png) (*.jpg *.jpeg *.gif *.bmp *.png)"));
    if (files.isEmpty())
        return;
    runImport(QStringLiteral("mnuGetLocalFile"), new LocalFilesImportJob(m_library, novelId, files), false);
}

void FrmBook::mnuChm2Htm() {
    auto* window = new FrmChm2Htm(OutputFolder(m_library.folder(), m_library.settings()).path(), this);
    window->open();
}
