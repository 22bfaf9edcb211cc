#include "library/ui/frmcontentapart.h"

#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FrmContentApart::FrmContentApart(ChapterEditor& editor, qint64 chapterId, QWidget* parent)
    : QDialog(parent)
    , m_editor(editor)
    , m_chapterId(chapterId) {
    setObjectName(QStringLiteral("frmContentApart"));
    setWindowTitle(tr("拆分章节"));
    m_optType = new QButtonGroup(this);
    m_optType->setObjectName(QStringLiteral("optType"));
    m_bySize = new QRadioButton(tr("按字数拆分"), this);
    m_bySize->setObjectName(QStringLiteral("optType0"));
    auto* byCode = new QRadioButton(tr("按字符拆分"), this);
    byCode->setObjectName(QStringLiteral("optType1"));
    m_optType->addButton(m_bySize, 0);
    m_optType->addButton(byCode, 1);
    m_bySize->setChecked(true);
    m_txtWordNums = new QLineEdit(QStringLiteral("3000"), this);
    m_txtWordNums->setObjectName(QStringLiteral("txtWordNums"));
    m_txtCode = new QLineEdit(this);
    m_txtCode->setObjectName(QStringLiteral("txtCode"));
    m_txtCode->setMinimumWidth(180);
    m_txtCode->setToolTip(tr("正则表达式，每处匹配开始一个新章节"));

    auto* grid = new QGridLayout;
    grid->addWidget(m_bySize, 0, 0);
    grid->addWidget(new QLabel(tr("字数"), this), 0, 1);
    grid->addWidget(m_txtWordNums, 0, 2);
    grid->addWidget(byCode, 1, 0);
    grid->addWidget(new QLabel(tr("字符"), this), 1, 1);
    grid->addWidget(m_txtCode, 1, 2);
    grid->setColumnStretch(2, 1);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmContentApart::onOk);
    connect(m_optType, &QButtonGroup::idToggled, this, [this] { followType(); });
    followType();
}

void FrmContentApart::followType() {
    const bool bySize = m_bySize->isChecked();
    m_txtWordNums->setEnabled(bySize);
    m_txtCode->setEnabled(!bySize);
}

void FrmContentApart::onOk() {
    const bool bySize = m_bySize->isChecked();
    QLineEdit* field = bySize ? m_txtWordNums : m_txtCode;
    const ChapterEditor::Split plan = bySize ? m_editor.planSplitBySize(m_chapterId, m_txtWordNums->text())
                                             : m_editor.planSplitByPattern(m_chapterId, m_txtCode->text());
    if (!plan.ok()) {
        Messages::warning(this, plan.error);
        field->setFocus();
        field->selectAll();
        return;
    }
    if (!bySize &&
        !Messages::question(this, tr("您确定将此章节拆分为") + QString::number(plan.parts) + tr("个章节吗?")))
        return;
    ChapterEditor::Result result = m_editor.split(plan);
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    m_result = std::move(result);
    accept();
}
