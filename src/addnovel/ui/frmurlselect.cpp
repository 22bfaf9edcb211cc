#include "addnovel/ui/frmurlselect.h"

#include "widgets/messages.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

FrmUrlSelect::FrmUrlSelect(const QList<SiteSearchResult>& results, StoredCheck isStored, QWidget* parent)
    : QDialog(parent)
    , m_results(results)
    , m_isStored(std::move(isStored)) {
    setObjectName(QStringLiteral("frmUrlSelect"));
    setWindowTitle(tr("选择目录页网址"));
    resize(720, 360);

    auto* hint =
        new QLabel(tr("可选择的目录页网址如下所示，请双击您所选的书目，或者点击书名按[确定]选择。"), this);
    hint->setObjectName(QStringLiteral("lblSelect"));
    m_lstUrl = new QTreeWidget(this);
    m_lstUrl->setObjectName(QStringLiteral("lstUrl"));
    m_lstUrl->setRootIsDecorated(false);
    m_lstUrl->setHeaderLabels({tr("小说名称"), tr("目录页网址"), tr("最新章节")});
    for (const SiteSearchResult& r : results)
        new QTreeWidgetItem(m_lstUrl, {r.title, r.url, r.latest});
    m_lstUrl->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (m_lstUrl->topLevelItemCount() > 0)
        m_lstUrl->setCurrentItem(m_lstUrl->topLevelItem(0));
    connect(m_lstUrl, &QTreeWidget::itemDoubleClicked, this, [this] { acceptCurrent(); });

    auto* ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(ok, &QPushButton::clicked, this, [this] { acceptCurrent(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_lstUrl);
    layout->addWidget(buttons);
}

void FrmUrlSelect::acceptCurrent() {
    QTreeWidgetItem* item = m_lstUrl->currentItem();
    if (!item) {
        Messages::warning(this, tr("请选择具体项"));
        return;
    }
    const int row = m_lstUrl->indexOfTopLevelItem(item);
    if (m_isStored && m_isStored(m_results.at(row).url)) {
        Messages::warning(this, tr("没有选择具体小说或相应小说已在列表中存在"));
        return;
    }
    m_chosen = row;
    accept();
}

int FrmUrlSelect::choose(const QList<SiteSearchResult>& results, StoredCheck isStored, QWidget* parent) {
    FrmUrlSelect window(results, std::move(isStored), parent);
    return window.exec() == QDialog::Accepted ? window.chosen() : -1;
}
