// The main window's commands for adding and describing novels: the novel dialog, the search-site and
// site-sign settings, batch chapters, old downloads and the batch changes of signs and addresses.
#include "app/ui/frmbook.h"

#include "addnovel/ui/frmaddbatchcontent.h"
#include "addnovel/ui/frmaddnovel.h"
#include "addnovel/ui/frmgetdownnovel.h"
#include "addnovel/ui/frmurlselect.h"
#include "library/treekeys.h"
#include "library/ui/frmurlreplace.h"
#include "renewal/renewjob.h"
#include "sites/ui/batchsitesign.h"
#include "sites/ui/frmneeddelurl.h"
#include "sites/ui/frmsite.h"
#include "sites/ui/frmsitesign.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "widgets/messages.h"

#include <QAction>

namespace {

// A window of its own over the one that opened it, gone once closed.
void openWindow(QDialog* window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

} // namespace

void FrmBook::createAddNovelActions() {
    // The novels chosen in the list, or the novel of the tree when its chapters are shown.
    const auto chosenNovels = [this] {
        QStringList ids = selectedNovelIds();
        if (ids.isEmpty() && !currentNovelId().isEmpty())
            ids << currentNovelId();
        return ids;
    };
    const auto add = [this](const char* name, const QString& text, std::function<void()> work) {
        QAction* action = addCommand(QLatin1String(name), text, nullptr);
        connect(action, &QAction::triggered, this, std::move(work));
    };
    add("mnuEdit", tr("小说属性(&E)"), [this] {
        const QString id = currentNovelId();
        if (id.isEmpty())
            Messages::warning(this, tr("请选择具体的小说"));
        else
            openNovelDialog(id, QString());
    });
    add("mnuSite", tr("更多小说网站设置"), [this] { openWindow(new FrmSite(m_library, this)); });
    add("mnuSiteSignSet", tr("小说正文标志设置"), [this] {
        auto* window = new FrmSiteSign(m_library, QString(), this);
        // Re-applied markers change the novels shown.
        connect(window, &FrmSiteSign::signsSaved, this, [this](int changed) {
            if (changed > 0)
                fillTree();
        });
        openWindow(window);
    });
    add("mnuBatchSiteSign", tr("各正文标志按设定标志替换"), [this, chosenNovels] {
        const QStringList ids = chosenNovels();
        if (ids.isEmpty()) {
            Messages::warning(this, tr("请选择具体的小说"));
            return;
        }
        BatchSiteSign::run(m_library, ids, this);
    });
    add("mnuChangeListUrl", tr("批量更改目录页网址"), [this, chosenNovels] {
        const QStringList ids = chosenNovels();
        if (ids.isEmpty()) {
            Messages::warning(this, tr("请选择具体的小说"));
            return;
        }
        openWindow(new FrmUrlReplace(m_library, ids, this));
    });
    add("mnuBatchContent", tr("添加成批章节"), [this] {
        const QString id = currentNovelId();
        if (id.isEmpty()) {
            Messages::warning(this, tr("请选择具体的小说"));
            return;
        }
        auto* window = new FrmAddBatchContent(m_library, id, this);
        connect(window, &FrmAddBatchContent::chaptersAdded, this, [this](const QString& novelId) {
            fillTree();
            selectNode(TreeKeys::novel(novelId));
        });
        openWindow(window);
    });
    addCommand(QStringLiteral("mnuLastSearch"), tr("最后一次搜索结果"), &FrmBook::mnuLastSearch);
    add("mnuGetDownNovel", tr("导入以前下载的小说"), [this] {
        auto* window = new FrmGetDownNovel(m_library, this);
        connect(window, &FrmGetDownNovel::novelsImported, this, [this] { fillTree(); });
        openWindow(window);
    });
}

FrmAddNovel* FrmBook::openNovelDialog(const QString& novelId, const QString& address) {
    auto* dialog = new FrmAddNovel(m_library, novelId, this);
    if (!address.isEmpty())
        dialog->setHandedAddress(address);
    // The site windows the dialog asks for open over it.
    connect(dialog, &FrmAddNovel::siteSettingsRequested, dialog,
            [this, dialog] { openWindow(new FrmSite(m_library, dialog)); });
    connect(dialog, &FrmAddNovel::filterLinksRequested, dialog,
            [this, dialog](const QString& id) { openWindow(new FrmNeedDelUrl(m_library, id, dialog)); });
    connect(dialog, &FrmAddNovel::siteSignsRequested, dialog, [this, dialog](const QString& siteRoot) {
        openWindow(new FrmSiteSign(m_library, siteRoot, dialog));
    });
    // The dialog's search results outlive it: "最后一次搜索结果" offers them again.
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        if (dialog->lastResults().isEmpty())
            return;
        m_lastSearch = dialog->lastResults();
        enableButton();
    });
    connect(dialog, &FrmAddNovel::novelStored, this,
            [this](const QString& id, const QString&, bool isNew) {
                fillTree();
                selectNode(TreeKeys::novel(id));
                if (!isNew || !m_library.settings().isOn(QStringLiteral("bIsNovelNewDown")))
                    return;
                RenewJob::Request request;
                request.command = RenewJob::Command::RenewNovels;
                request.novelIds = {id};
                startRenew(request);
            });
    openWindow(dialog);
    return dialog;
}

void FrmBook::mnuLastSearch() {
    const Database& db = m_library.database();
    const int chosen = FrmUrlSelect::choose(
        m_lastSearch, [&db](const QString& url) { return NovelStore(db).listUrlExists(url); }, this);
    if (chosen < 0)
        return;
    // As an address handed over from a web page: the novel's name is read from the result's title.
    const SiteSearchResult& result = m_lastSearch.at(chosen);
    openNovelDialog(QString(), result.url + QStringLiteral("||") + result.title);
}
