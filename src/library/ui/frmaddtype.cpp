#include "library/ui/frmaddtype.h"

#include "library/categoryeditor.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmAddType::FrmAddType(const CategoryEditor& editor, const QString& code, const QString& name,
                       QWidget* parent)
    : QDialog(parent)
    , m_editor(editor)
    , m_code(code) {
    setObjectName(QStringLiteral("frmAddType"));
    setWindowTitle(code.isEmpty() ? tr("新增分类") : tr("编辑分类"));
    m_txtTitle = new QLineEdit(name, this);
    m_txtTitle->setObjectName(QStringLiteral("txtTitle"));
    m_txtTitle->setMinimumWidth(240);
    auto* form = new QFormLayout;
    form->addRow(tr("分类名称"), m_txtTitle);
    const OkCancelRow buttons = okCancelRow(this);
    buttons.ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmAddType::save);
}

QString FrmAddType::name() const {
    return m_txtTitle->text().trimmed();
}

void FrmAddType::save() {
    const CategoryEditor::Result result =
        m_code.isEmpty() ? m_editor.add(m_txtTitle->text()) : m_editor.rename(m_code, m_txtTitle->text());
    if (!result.ok()) {
        Messages::warning(this, result.error);
        m_txtTitle->setFocus();
        return;
    }
    m_code = result.code;
    accept();
}
