#include "library/ui/frmtypeselect.h"

#include "library/ui/categorytree.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

FrmTypeSelect::FrmTypeSelect(const LibraryContext& library, const QString& currentKey, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmTypeSelect"));
    setWindowTitle(tr("小说移至"));
    m_tvwType = new QTreeWidget(this);
    m_tvwType->setObjectName(QStringLiteral("tvwType"));
    CategoryTree::fill(m_tvwType, library, true);
    CategoryTree::choose(m_tvwType, currentKey);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("选择您需要移至的分类"), this));
    layout->addWidget(m_tvwType, 1);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, [this] {
        m_key = CategoryTree::chosenKey(m_tvwType);
        if (m_key.isEmpty()) {
            Messages::warning(this, tr("您没有选择具体项"));
            return;
        }
        accept();
    });
    connect(m_tvwType, &QTreeWidget::itemDoubleClicked, this, [this] {
        m_key = CategoryTree::chosenKey(m_tvwType);
        if (!m_key.isEmpty())
            accept();
    });
}
