#include "library/ui/frmtypemove.h"

#include "library/categoryeditor.h"
#include "library/treekeys.h"
#include "library/ui/categorytree.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

FrmTypeMove::FrmTypeMove(const CategoryEditor& editor, const LibraryContext& library, const QString& novelId,
                         QWidget* parent)
    : QDialog(parent)
    , m_editor(editor)
    , m_novelId(novelId) {
    setObjectName(QStringLiteral("frmTypeMove"));
    setWindowTitle(tr("小说移至"));
    const QString own = editor.categoryOf(novelId);
    m_ownKey = own.isEmpty() ? TreeKeys::kRoot : TreeKeys::category(own);

    auto* options = new QWidget(this);
    options->setObjectName(QStringLiteral("optType"));
    m_between = new QRadioButton(tr("分类间移动"), options);
    m_between->setObjectName(QStringLiteral("optType0"));
    m_within = new QRadioButton(tr("本分类内移动"), options);
    m_within->setObjectName(QStringLiteral("optType1"));
    m_within->setChecked(true);
    auto* optionRow = new QHBoxLayout(options);
    optionRow->setContentsMargins(0, 0, 0, 0);
    optionRow->addWidget(m_between);
    optionRow->addWidget(m_within);
    optionRow->addStretch(1);

    m_tvwType = new QTreeWidget(this);
    m_tvwType->setObjectName(QStringLiteral("tvwType"));
    // The root stands for the novels without category.
    CategoryTree::fill(m_tvwType, library, true);
    CategoryTree::choose(m_tvwType, m_ownKey);
    m_lstViewBook = new QTreeWidget(this);
    m_lstViewBook->setObjectName(QStringLiteral("lstViewBook"));
    m_lstViewBook->setHeaderLabels({tr("小说名称")});
    m_lstViewBook->setRootIsDecorated(false);
    m_txtBook = new QLineEdit(this);
    m_txtBook->setObjectName(QStringLiteral("txtBook"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("选择您需要移至的分类"), this), 0, 0);
    grid->addWidget(new QLabel(tr("选择您需要插入的小说位置"), this), 0, 1);
    grid->addWidget(m_tvwType, 1, 0);
    grid->addWidget(m_lstViewBook, 1, 1);
    auto* find = new QHBoxLayout;
    find->addWidget(new QLabel(tr("按名称查找："), this));
    find->addWidget(m_txtBook, 1);
    grid->addLayout(find, 2, 1);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons.row);
    resize(560, 400);

    connect(m_between, &QRadioButton::toggled, this, &FrmTypeMove::modeChanged);
    connect(m_tvwType, &QTreeWidget::currentItemChanged, this, &FrmTypeMove::fillList);
    connect(m_txtBook, &QLineEdit::textChanged, this, &FrmTypeMove::fillList);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmTypeMove::move);
    modeChanged();
}

void FrmTypeMove::modeChanged() {
    // Within its category the novel's own category is the only choice.
    if (m_within->isChecked())
        CategoryTree::choose(m_tvwType, m_ownKey);
    m_tvwType->setEnabled(m_between->isChecked());
    fillList();
}

void FrmTypeMove::fillList() {
    m_lstViewBook->clear();
    if (CategoryTree::chosenKey(m_tvwType).isEmpty())
        return;
    const QString code = CategoryTree::chosenCode(m_tvwType);
    for (const CategoryNovel& n : m_editor.novelsOf(code, m_novelId, m_txtBook->text().trimmed())) {
        auto* item = new QTreeWidgetItem(m_lstViewBook, {n.name});
        item->setData(0, Qt::UserRole, TreeKeys::novel(n.novelId));
    }
}

void FrmTypeMove::move() {
    const QTreeWidgetItem* chosen = m_lstViewBook->currentItem();
    if (!chosen || !chosen->isSelected()) {
        Messages::warning(this, tr("您没有选择具体项"));
        return;
    }
    const QString code = CategoryTree::chosenCode(m_tvwType);
    const CategoryEditor::Result result = m_editor.moveNovel(
        m_novelId, code, TreeKeys::idOf(chosen->data(0, Qt::UserRole).toString(), TreeKeys::kNovel));
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    m_code = code;
    accept();
}
