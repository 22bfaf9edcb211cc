#include "library/ui/frmtypemoveto.h"

#include "library/categoryeditor.h"
#include "library/ui/categorytree.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

FrmTypeMoveTo::FrmTypeMoveTo(const CategoryEditor& editor, const LibraryContext& library, const QString& code,
                             QWidget* parent)
    : QDialog(parent)
    , m_editor(editor)
    , m_code(code) {
    setObjectName(QStringLiteral("frmTypeMoveTo"));
    setWindowTitle(tr("分类移至"));
    m_tvwType = new QTreeWidget(this);
    m_tvwType->setObjectName(QStringLiteral("tvwType"));
    CategoryTree::fill(m_tvwType, library, false, code);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("请选择您需要移至的分类位置"), this));
    layout->addWidget(m_tvwType, 1);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmTypeMoveTo::move);
}

void FrmTypeMoveTo::move() {
    // Nothing chosen: the first place.
    const CategoryEditor::Result result = m_editor.moveTo(m_code, CategoryTree::chosenCode(m_tvwType));
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    m_code = result.code;
    accept();
}
