#include "download/ui/frmurlselect.h"

#include "library/ui/messages.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

FrmUrlSelect::FrmUrlSelect(const QList<SiteSearchResult>& results, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmUrlSelect"));
    setWindowTitle(tr("选择目录页网址"));
    resize(720, 360);

    m_lstUrl = new QTreeWidget(this);
    m_lstUrl->setObjectName(QStringLiteral("lstUrl"));
    m_lstUrl->setRootIsDecorated(false);
    m_lstUrl->setHeaderLabels({tr("小说名称"), tr("目录页网址"), tr("最新更新")});
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
    layout->addWidget(m_lstUrl);
    layout->addWidget(buttons);
}

void FrmUrlSelect::acceptCurrent() {
    QTreeWidgetItem* item = m_lstUrl->currentItem();
    if (!item) {
        Messages::warning(this, tr("您没有选择具体项"));
        return;
    }
    m_chosen = m_lstUrl->indexOfTopLevelItem(item);
    accept();
}

int FrmUrlSelect::choose(const QList<SiteSearchResult>& results, QWidget* parent) {
    FrmUrlSelect window(results, parent);
    return window.exec() == QDialog::Accepted ? window.chosen() : -1;
}
