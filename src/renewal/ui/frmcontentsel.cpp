#include "renewal/ui/frmcontentsel.h"

#include "widgets/dialogbuttons.h"
#include "widgets/frmvolumeset.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kTitle = 0;
constexpr int kVolume = 1;
constexpr int kUrl = 2;
constexpr int kPositionRole = Qt::UserRole;

// Sorting by the page position keeps numbers in order where text order would not.
class ContentItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == kUrl + 1)
            return data(0, kPositionRole).toInt() < other.data(0, kPositionRole).toInt();
        const int byText = QString::localeAwareCompare(text(column), other.text(column));
        return byText != 0 ? byText < 0
                           : data(0, kPositionRole).toInt() < other.data(0, kPositionRole).toInt();
    }
};

} // namespace

FrmContentSel::FrmContentSel(const QStringList& rows, const QString& novelId, EditFilterLinks editFilterLinks,
                             QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmContentSel"));
    setWindowTitle(tr("选择下载的章节"));
    resize(820, 520);
    m_lstContent = new QTreeWidget(this);
    m_lstContent->setObjectName(QStringLiteral("lstContent"));
    m_lstContent->setRootIsDecorated(false);
    m_lstContent->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // A fourth, hidden column carries the page order for "按目录页".
    m_lstContent->setColumnCount(4);
    m_lstContent->setHeaderLabels({tr("标题"), tr("分卷名"), tr("网址"), QString()});
    m_lstContent->setColumnHidden(kUrl + 1, true);
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList parts = rows.at(i).split(u'\t');
        auto* item = new ContentItem(m_lstContent, {parts.value(0), parts.value(1), parts.value(2)});
        item->setData(0, kPositionRole, i);
        item->setCheckState(0, Qt::Checked);
    }
    m_lstContent->header()->setSectionResizeMode(kTitle, QHeaderView::ResizeToContents);

    m_chkAutoFilter = new QCheckBox(tr("未选中链接自动过滤"), this);
    m_chkAutoFilter->setObjectName(QStringLiteral("chkAutoFilter"));
    const QList<std::tuple<const char*, QString, std::function<void()>>> commands = {
        {"cmdSelect", tr("选择"), [this] { tick(true, Qt::Checked); }},
        {"cmdUnselect", tr("不选择"), [this] { tick(true, Qt::Unchecked); }},
        {"cmdSelectAll", tr("全部选择"), [this] { tick(false, Qt::Checked); }},
        {"cmdUnselectAll", tr("全部不选"), [this] { tick(false, Qt::Unchecked); }},
        {"cmdInvert", tr("反选"), [this] { invert(); }},
        {"cmdClearSelection", tr("取消选择"), [this] { m_lstContent->clearSelection(); }},
        {"cmdSortTitle", tr("按标题"), [this] { sortBy(kTitle); }},
        {"cmdSortVolume", tr("按分卷名"), [this] { sortBy(kVolume); }},
        {"cmdSortUrl", tr("按网址"), [this] { sortBy(kUrl); }},
        {"cmdSortPage", tr("按目录页"), [this] { sortBy(kUrl + 1); }},
        {"cmdVolumeSet", tr("设定分卷名"), [this] { setVolume(); }},
        {"cmdOpen", tr("在浏览器中打开"), [this] { openInBrowser(); }},
    };
    auto* grid = new QGridLayout;
    int column = 0;
    for (const auto& [name, text, work] : commands) {
        QPushButton* b = namedButton(this, name, text);
        connect(b, &QPushButton::clicked, this, work);
        grid->addWidget(b, column / 6, column % 6);
        ++column;
    }
    QPushButton* needDelUrl = namedButton(this, "cmdNeedDelUrl", tr("过滤列表"));
    needDelUrl->setEnabled(editFilterLinks && !novelId.isEmpty());
    if (needDelUrl->isEnabled())
        connect(needDelUrl, &QPushButton::clicked, this,
                [this, novelId, editFilterLinks] { editFilterLinks(novelId, this); });
    QPushButton* ok = namedButton(this, "cmdOK", tr("确定"));
    ok->setDefault(true);
    QPushButton* cancel = namedButton(this, "cmdCancel", tr("取消"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_chkAutoFilter);
    buttons->addStretch(1);
    buttons->addWidget(needDelUrl);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lstContent, 1);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmContentSel::tick(bool selectedOnly, Qt::CheckState state) {
    for (int i = 0; i < m_lstContent->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_lstContent->topLevelItem(i);
        if (!selectedOnly || item->isSelected())
            item->setCheckState(0, state);
    }
}

void FrmContentSel::invert() {
    for (int i = 0; i < m_lstContent->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_lstContent->topLevelItem(i);
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

void FrmContentSel::sortBy(int column) {
    m_lstContent->sortItems(column, Qt::AscendingOrder);
}

void FrmContentSel::setVolume() {
    const QList<QTreeWidgetItem*> items = m_lstContent->selectedItems();
    if (items.isEmpty()) {
        Messages::warning(this, tr("请选择具体项"));
        return;
    }
    QStringList known;
    for (int i = 0; i < m_lstContent->topLevelItemCount(); ++i) {
        const QString v = m_lstContent->topLevelItem(i)->text(kVolume);
        if (!v.isEmpty() && !known.contains(v))
            known << v;
    }
    // The last volume named in the list, from the bottom up.
    auto* window = new FrmVolumeSet(
        known, items.first()->text(kVolume),
        [this] {
            for (int i = m_lstContent->topLevelItemCount() - 1; i >= 0; --i)
                if (const QString v = m_lstContent->topLevelItem(i)->text(kVolume); !v.isEmpty())
                    return v;
            return QString();
        },
        this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QDialog::accepted, this, [this, window] {
        for (QTreeWidgetItem* item : m_lstContent->selectedItems())
            item->setText(kVolume, window->volume());
    });
    window->open();
}

void FrmContentSel::openInBrowser() {
    QTreeWidgetItem* item = m_lstContent->currentItem();
    if (!item) {
        Messages::warning(this, tr("请选择具体项"));
        return;
    }
    openWithShell(item->text(kUrl), this);
}

QList<int> FrmContentSel::chosen() const {
    QList<int> positions;
    for (int i = 0; i < m_lstContent->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_lstContent->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked)
            positions << item->data(0, kPositionRole).toInt();
    }
    std::sort(positions.begin(), positions.end());
    return positions;
}

bool FrmContentSel::filterUnchosen() const {
    return m_chkAutoFilter->isChecked();
}

QStringList FrmContentSel::volumes() const {
    QStringList list(m_lstContent->topLevelItemCount());
    for (int i = 0; i < m_lstContent->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_lstContent->topLevelItem(i);
        list[item->data(0, kPositionRole).toInt()] = item->text(kVolume);
    }
    return list;
}

Prompter::Answer FrmContentSel::answer(const Prompter::Question& question, QWidget* parent,
                                       EditFilterLinks editFilterLinks) {
    FrmContentSel window(question.choices, question.subject, std::move(editFilterLinks), parent);
    Prompter::Answer answer;
    answer.button = window.exec() == QDialog::Accepted ? 0 : 1;
    answer.chosen = window.chosen();
    answer.applyToAll = window.filterUnchosen();
    const QStringList volumes = window.volumes();
    for (int i = 0; i < question.choices.size(); ++i) {
        QStringList fields = question.choices.at(i).split(u'\t');
        if (fields.size() > 1)
            fields[1] = volumes.value(i);
        answer.edited.append(fields.join(u'\t'));
    }
    return answer;
}
