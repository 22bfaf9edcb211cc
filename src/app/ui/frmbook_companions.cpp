// The windows around the library: database upkeep, tips, the reading tool bar, the bookcase, the
// writing assistant, the ranking pages.
#include "app/ui/frmbook.h"

#include "addnovel/ui/frmaddnovel.h"
#include "bookcase/ui/frmbookcase.h"
#include "bookcase/ui/frmbookcasebatchadd.h"
#include "companion/ui/frmdaytip.h"
#include "companion/ui/frmdbmaintain.h"
#include "companion/ui/frmtoolbar.h"
#include "companion/ui/frmvbwebview.h"
#include "library/categoryeditor.h"
#include "library/treekeys.h"
#include "library/ui/frmaddtype.h"
#include "library/ui/frmurlreplace.h"
#include "library/ui/librarytreewidget.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"
#include "widgets/messages.h"
#include "writer/ui/frmwriter.h"

namespace {

// A window of its own over the main window, gone when closed.
template <typename W> W* ownWindow(W* window) {
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

// One instance of such a window: an open one comes to the front instead of a second.
bool bringBack(QWidget* window) {
    if (!window)
        return false;
    window->showNormal();
    window->raise();
    window->activateWindow();
    return true;
}

} // namespace

void FrmBook::mnuBackUp() {
    FrmDBMaintain dialog(m_library, this);
    dialog.exec();
    // The library's rows are those of the backup now: nothing shown may stay.
    if (dialog.restored()) {
        for (const QPointer<FrmWriter>& writer : std::as_const(m_writers))
            if (writer)
                writer->close();
        if (m_frmBookCase)
            m_frmBookCase->reload();
        fillTree();
        selectNode(TreeKeys::kRoot);
    }
}

void FrmBook::mnuDayTip() {
    FrmDayTip(this).exec();
}

void FrmBook::mnuToolbarDefine() {
    FrmToolBar dialog(m_library, this);
    if (dialog.exec() == QDialog::Accepted)
        settbrWeb();
}

void FrmBook::mnuMyBooks() {
    if (bringBack(m_frmBookCase))
        return;
    auto* window = ownWindow(new FrmBookCase(m_library, this));
    m_frmBookCase = window;
    connect(window, &FrmBookCase::addCategoryRequested, this, [this] {
        mnuLBAdd();
        if (m_frmBookCase)
            m_frmBookCase->reload();
    });
    connect(window, &FrmBookCase::editCategoryRequested, this, &FrmBook::editBookcaseCategory);
    connect(window, &FrmBookCase::pathReplaceRequested, this, &FrmBook::replaceBookcasePaths);
    connect(window, &FrmBookCase::categoriesChanged, this, &FrmBook::refillTree);
    window->show();
}

void FrmBook::editBookcaseCategory(const QString& code) {
    CategoryEditor editor(m_library);
    FrmAddType dialog(editor, code, CategoryStore(m_library.database()).nameOf(code), m_frmBookCase);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (QTreeWidgetItem* node = findNode(TreeKeys::category(code)))
        node->setText(0, dialog.name());
    if (m_frmBookCase)
        m_frmBookCase->reload();
}

void FrmBook::replaceBookcasePaths(const QList<qint64>& ids) {
    FrmUrlReplace dialog(m_library, ids, m_frmBookCase);
    if (dialog.exec() == QDialog::Accepted && m_frmBookCase)
        m_frmBookCase->reload();
}

void FrmBook::refillTree() {
    const QString key = m_tvwBar->keyOf(m_tvwBar->currentItem());
    fillTree();
    if (!selectNode(key))
        selectNode(TreeKeys::kRoot);
}

void FrmBook::mnuBatchAddBook() {
    FrmBookCaseBatchAdd dialog(m_library, currentCategoryCode(), this);
    connect(&dialog, &FrmBookCaseBatchAdd::added, this, [this] {
        if (m_frmBookCase)
            m_frmBookCase->reload();
    });
    dialog.exec();
}

void FrmBook::mnuWriter() {
    const QString novelId = currentNovelId();
    if (novelId.isEmpty()) {
        Messages::warning(this, tr("请在左边的导航栏中选择具体的小说名"));
        return;
    }
    if (bringBack(m_writers.value(novelId)))
        return;
    auto* window = ownWindow(new FrmWriter(m_library, novelId, this));
    m_writers.insert(novelId, window);
    connect(window, &FrmWriter::chaptersChanged, this, &FrmBook::markChanged);
    window->show();
}

void FrmBook::mnuNovelArray() {
    if (bringBack(m_frmVBWebView))
        return;
    auto* window = ownWindow(new FrmVBWebView(m_library, this));
    m_frmVBWebView = window;
    connect(window, &FrmVBWebView::novelOffered, this, [this](const QString& name, const QString& address) {
        openNovelDialog(QString(), QString())->setHandedNovel(name, address);
    });
    window->show();
}
