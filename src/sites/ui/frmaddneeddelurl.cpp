#include "sites/ui/frmaddneeddelurl.h"

#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"
#include "text/regex.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmAddNeedDelUrl::FrmAddNeedDelUrl(const NeedDelUrl::Entry& entry, bool editing, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmAddNeedDelUrl"));
    setWindowTitle(editing ? tr("编辑过滤链接") : tr("新增过滤链接"));
    m_txtTitle = new QLineEdit(entry.title, this);
    m_txtTitle->setObjectName(QStringLiteral("txtTitle"));
    m_txtUrl = new QLineEdit(entry.address, this);
    m_txtUrl->setObjectName(QStringLiteral("txtUrl"));
    m_chkRegex = new QCheckBox(tr("是否正则表达式"), this);
    m_chkRegex->setObjectName(QStringLiteral("chkRegex"));
    m_chkRegex->setChecked(entry.isPattern);
    auto* form = new QFormLayout;
    form->addRow(tr("链接名称"), m_txtTitle);
    form->addRow(tr("链接地址"), m_txtUrl);
    form->addRow(QString(), m_chkRegex);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmAddNeedDelUrl::onOk);
}

NeedDelUrl::Entry FrmAddNeedDelUrl::entry() const {
    return {m_txtUrl->text().trimmed(), m_txtTitle->text().trimmed(), m_chkRegex->isChecked()};
}

void FrmAddNeedDelUrl::onOk() {
    const NeedDelUrl::Entry e = entry();
    if (e.title.isEmpty()) {
        Messages::warning(this, tr("链接名称不能为空"));
        m_txtTitle->setFocus();
        return;
    }
    if (e.address.isEmpty()) {
        Messages::warning(this, tr("链接地址不能为空"));
        m_txtUrl->setFocus();
        return;
    }
    // A pattern that cannot work would silently filter nothing.
    const QString problem = e.isPattern ? regexPatternError(e.address) : QString();
    if (!problem.isEmpty()) {
        Messages::warning(this, tr("正则表达式有误：") + problem);
        m_txtUrl->setFocus();
        return;
    }
    // The stored form "address(title)||" cannot carry these in a plain entry.
    if (!e.isPattern && (e.address.contains(u'(') || e.address.contains(QLatin1String("||")))) {
        Messages::warning(this, tr("链接地址不能包含“(”或“||”，请改用正则表达式"));
        m_txtUrl->setFocus();
        return;
    }
    accept();
}
