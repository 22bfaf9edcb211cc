#include "sites/ui/frmneeddelurl.h"

#include "sites/ui/frmaddneeddelurl.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kEntryRole = Qt::UserRole;
constexpr int kPatternRole = Qt::UserRole + 1;

} // namespace

FrmNeedDelUrl::FrmNeedDelUrl(LibraryContext& library, const QString& novelId, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_novelId(novelId) {
    setObjectName(QStringLiteral("frmNeedDelUrl"));
    setWindowTitle(tr("过滤链接管理"));
    resize(600, 400);
    auto* hint = new QLabel(tr("在这里您可以管理过滤的链接，选中项表示过滤项"), this);
    hint->setObjectName(QStringLiteral("lblSelect"));
    m_lstUrl = new QTreeWidget(this);
    m_lstUrl->setObjectName(QStringLiteral("lstUrl"));
    m_lstUrl->setRootIsDecorated(false);
    m_lstUrl->setHeaderLabels({tr("标题"), tr("网址")});
    for (const NeedDelUrl::Entry& e :
         NeedDelUrl(NovelStore(library.database()).needDelUrl(novelId)).entries())
        setItem(new QTreeWidgetItem(m_lstUrl), e);

    QPushButton* add = namedButton(this, "cmdAdd", tr("新增"));
    QPushButton* edit = namedButton(this, "cmdEdit", tr("修改"));
    QPushButton* ok = namedButton(this, "cmdOK", tr("确定"));
    QPushButton* cancel = namedButton(this, "cmdCancel", tr("取消"));
    auto* buttons = new QHBoxLayout;
    addCheckToggles(buttons, m_lstUrl);
    buttons->addStretch(1);
    for (QPushButton* b : {add, edit, ok, cancel})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_lstUrl, 1);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] { onEdit(nullptr); });
    connect(edit, &QPushButton::clicked, this, [this] {
        QTreeWidgetItem* item = m_lstUrl->currentItem();
        if (!item || !item->isSelected())
            Messages::warning(this, tr("请选择具体项"));
        else
            onEdit(item);
    });
    connect(ok, &QPushButton::clicked, this, &FrmNeedDelUrl::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmNeedDelUrl::setItem(QTreeWidgetItem* item, const NeedDelUrl::Entry& entry) {
    item->setText(0, entry.title);
    item->setText(1, entry.isPattern ? QStringLiteral("[[") + entry.address + QStringLiteral("]]")
                                     : entry.address);
    item->setData(0, kEntryRole, entry.address);
    item->setData(0, kPatternRole, entry.isPattern);
    item->setCheckState(0, Qt::Checked);
}

void FrmNeedDelUrl::onEdit(QTreeWidgetItem* item) {
    NeedDelUrl::Entry entry;
    if (item)
        entry = {item->data(0, kEntryRole).toString(), item->text(0), item->data(0, kPatternRole).toBool()};
    auto* editor = new FrmAddNeedDelUrl(entry, item != nullptr, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    const int row = item ? m_lstUrl->indexOfTopLevelItem(item) : -1;
    connect(editor, &QDialog::accepted, this, [this, editor, row] {
        QTreeWidgetItem* target = row >= 0 ? m_lstUrl->topLevelItem(row) : new QTreeWidgetItem(m_lstUrl);
        if (target)
            setItem(target, editor->entry());
    });
    editor->open();
}

void FrmNeedDelUrl::onOk() {
    QString entries;
    for (int i = 0; i < m_lstUrl->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_lstUrl->topLevelItem(i);
        if (item->checkState(0) != Qt::Checked)
            continue;
        const QString address = item->data(0, kEntryRole).toString();
        const bool pattern = item->data(0, kPatternRole).toBool();
        entries += NeedDelUrl::entryText(
            pattern ? QStringLiteral("[[") + address + QStringLiteral("]]") : address, item->text(0));
    }
    if (!NovelStore(m_library.database()).setNeedDelUrl(m_novelId, entries)) {
        Messages::warning(this, tr("无法保存更改"));
        return;
    }
    accept();
}
