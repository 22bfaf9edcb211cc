#include "sites/ui/frmsite.h"

#include "sites/ui/frmaddsite.h"
#include "storage/librarycontext.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

FrmSite::FrmSite(LibraryContext& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmSite"));
    setWindowTitle(tr("小说网站设置"));
    resize(640, 440);
    m_sites.load(m_library.folder().path(), m_library.settings().value(QStringLiteral("DownSiteStr")));

    auto* hint = new QLabel(tr("在这里您可以设置更多小说网站的搜索，点击左边的方框选择"), this);
    hint->setObjectName(QStringLiteral("lblSelect"));
    m_lstSite = new QTreeWidget(this);
    m_lstSite->setObjectName(QStringLiteral("lstSite"));
    m_lstSite->setRootIsDecorated(false);
    m_lstSite->setHeaderLabels({tr("网站"), tr("网址"), tr("类型")});
    m_lstSite->setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto menuAction = [this](const char* name, const QString& text, void (FrmSite::*slot)()) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        m_lstSite->addAction(action);
    };
    menuAction("mnuAdd", tr("新增"), &FrmSite::onAdd);
    menuAction("mnuEdit", tr("修改"), &FrmSite::onEdit);
    menuAction("mnuDelete", tr("删除"), &FrmSite::onDelete);

    QPushButton* add = namedButton(this, "cmdAdd", tr("新增"));
    QPushButton* edit = namedButton(this, "cmdEdit", tr("修改"));
    QPushButton* remove = namedButton(this, "cmdDelete", tr("删除"));
    QPushButton* get = namedButton(this, "cmdGet", tr("导入自增项"));
    QPushButton* out = namedButton(this, "cmdOut", tr("导出自增项"));
    QPushButton* ok = namedButton(this, "cmdOK", tr("确定"));
    QPushButton* cancel = namedButton(this, "cmdCancel", tr("取消"));
    auto* buttons = new QHBoxLayout;
    addCheckToggles(buttons, m_lstSite);
    buttons->addStretch(1);
    for (QPushButton* b : {add, edit, remove, get, out, ok, cancel})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_lstSite, 1);
    layout->addLayout(buttons);
    fillList();

    connect(add, &QPushButton::clicked, this, &FrmSite::onAdd);
    connect(edit, &QPushButton::clicked, this, &FrmSite::onEdit);
    connect(remove, &QPushButton::clicked, this, &FrmSite::onDelete);
    connect(get, &QPushButton::clicked, this, &FrmSite::onImport);
    connect(out, &QPushButton::clicked, this, &FrmSite::onExport);
    connect(ok, &QPushButton::clicked, this, &FrmSite::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmSite::setItem(QTreeWidgetItem* item, const NovelSite& site) {
    // The first column numbers the rows; the site's name is its tip.
    item->setText(0, rowName(m_lstSite->indexOfTopLevelItem(item)));
    item->setToolTip(0, site[NovelSite::Name]);
    item->setText(1, site[NovelSite::Url]);
    item->setText(2, site.userAdded ? tr("自增") : tr("系统"));
    item->setCheckState(0, site.isSelected() ? Qt::Checked : Qt::Unchecked);
}

QString FrmSite::rowName(int row) {
    return tr("网站") + QString::number(row + 1);
}

void FrmSite::fillList() {
    m_lstSite->clear();
    for (const NovelSite& site : m_sites.sites())
        setItem(new QTreeWidgetItem(m_lstSite), site);
    m_lstSite->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void FrmSite::takeTicks() {
    for (int i = 0; i < m_lstSite->topLevelItemCount() && i < m_sites.sites().size(); ++i)
        m_sites.sites()[i].setSelected(m_lstSite->topLevelItem(i)->checkState(0) == Qt::Checked);
}

int FrmSite::currentRow() const {
    QTreeWidgetItem* item = m_lstSite->currentItem();
    return item && item->isSelected() ? m_lstSite->indexOfTopLevelItem(item) : -1;
}

void FrmSite::onAdd() {
    NovelSite site;
    site.setSelected(true);
    auto* window = new FrmAddSite(site, false, m_library.settings(), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QDialog::accepted, this, [this, window] {
        takeTicks();
        m_sites.sites().append(window->site());
        setItem(new QTreeWidgetItem(m_lstSite), window->site());
    });
    window->open();
}

void FrmSite::onEdit() {
    const int row = currentRow();
    const QString problem = m_sites.editProblem(row);
    if (!problem.isEmpty()) {
        Messages::warning(this, problem);
        return;
    }
    takeTicks();
    auto* window = new FrmAddSite(m_sites.sites().at(row), true, m_library.settings(), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QDialog::accepted, this, [this, window, row] {
        if (row >= m_sites.sites().size())
            return;
        NovelSite site = window->site();
        site.setSelected(m_sites.sites().at(row).isSelected());
        m_sites.sites()[row] = site;
        setItem(m_lstSite->topLevelItem(row), site);
    });
    window->open();
}

void FrmSite::onDelete() {
    const int row = currentRow();
    const QString problem = m_sites.deleteProblem(row);
    if (!problem.isEmpty()) {
        Messages::warning(this, problem);
        return;
    }
    takeTicks();
    m_sites.sites().removeAt(row);
    delete m_lstSite->takeTopLevelItem(row);
    for (int i = row; i < m_lstSite->topLevelItemCount(); ++i)
        m_lstSite->topLevelItem(i)->setText(0, rowName(i));
}

void FrmSite::onImport() {
    if (!Messages::question(
            this, tr("此操作会自动覆盖原先的设置，如需要备份请按\"取消\"后点选\"导出自增项\"，是否继续?")))
        return;
    const QString path =
        Messages::openFileName(this, tr("导入自增项"), QString(), tr("自定义搜索网站 (*.dat)"));
    if (path.isEmpty())
        return;
    const QString problem = SearchSites::importUserFile(path, m_library.folder().path());
    if (!problem.isEmpty()) {
        Messages::warning(this, problem);
        return;
    }
    takeTicks();
    const QString ticks = m_sites.selectionText();
    m_sites.load(m_library.folder().path(), QString());
    // The built-in rows keep their ticks; the imported sites come with their own.
    for (int i = 0; i < m_sites.sites().size(); ++i)
        if (!m_sites.sites().at(i).userAdded)
            m_sites.sites()[i].setSelected(ticks.split(u',').contains(QString::number(i + 1)));
    fillList();
    Messages::information(this, tr("自增项导入完成"));
}

void FrmSite::onExport() {
    if (m_sites.userSiteCount() == 0) {
        Messages::warning(this, tr("没有自增项"));
        return;
    }
    const QString path = Messages::saveFileName(
        this, tr("导出自增项"), QDir::home().filePath(SearchSites::proposedExportName(QDate::currentDate())),
        tr("自定义搜索网站 (*.dat)"));
    if (path.isEmpty())
        return;
    takeTicks();
    // The list as it stands, not book.dat: sites added in this window are exported too.
    if (!saveUserSites(path, m_sites.sites())) {
        Messages::warning(this, tr("无法写入文件") + path);
        return;
    }
    Messages::information(this, tr("自增项已导出到文件\"") + QDir::toNativeSeparators(path) + tr("\"中"));
}

void FrmSite::onOk() {
    takeTicks();
    const QString selection = m_sites.selectionText();
    Settings& settings = m_library.settings();
    settings.setValue(QStringLiteral("DownSiteStr"), selection);
    if (!settings.writeIniValue(Settings::kMain, QStringLiteral("DownSiteStr"), selection) ||
        !m_sites.saveUserSites(m_library.folder().path())) {
        Messages::warning(this, tr("无法写入文件") + m_library.folder().path());
        return;
    }
    accept();
}
