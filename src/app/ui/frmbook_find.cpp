// The main window's search and replacement in the chapters of the chosen novel: the window stays open
// beside the main window and follows its choice of novel and chapters.
#include "app/ui/frmbook.h"

#include "library/treekeys.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "storage/librarycontext.h"
#include "tools/ui/frmfindcontent.h"
#include "widgets/messages.h"

#include <QAction>
#include <QUrl>

void FrmBook::createFindActions() {
    addCommand(QStringLiteral("mnuFind"), tr("查找/替换"), &FrmBook::mnuFind);
}

void FrmBook::mnuFind() {
    if (chapterItems().isEmpty()) {
        Messages::information(this, tr("无章节内容。"));
        return;
    }
    if (m_frmFindContent) {
        m_frmFindContent->show();
        m_frmFindContent->raise();
        m_frmFindContent->activateWindow();
        return;
    }
    FindContentSource source;
    source.novelId = [this] { return currentNovelId(); };
    source.chapterIds = [this] {
        QList<qint64> ids;
        for (QTreeWidgetItem* item : chapterItems())
            ids << TreeKeys::idOf(m_listView1->keyOf(item), TreeKeys::kChapter).toLongLong();
        ids.removeAll(0);
        return ids;
    };
    source.selectedIds = [this] { return selectedChapterIds(); };
    source.currentId = [this] { return currentChapterId(); };

    auto* window = new FrmFindContent(m_library, source, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &FrmFindContent::resultPageWritten, this,
            [this](const QString& path) { m_web1->navigate(QUrl::fromLocalFile(path)); });
    connect(window, &FrmFindContent::chapterChanged, this, &FrmBook::reloadConvertedChapter);
    connect(window, &FrmFindContent::chaptersChanged, this, [this](const QString& novelId) {
        // Titles, volumes and addresses may have changed; a list of another novel has nothing to show.
        if (m_listMode == ListMode::Chapters && novelId == currentNovelId())
            reloadChapterList(novelId);
    });
    m_frmFindContent = window;
    window->show();
}
