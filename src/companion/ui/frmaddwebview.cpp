#include "companion/ui/frmaddwebview.h"

#include "storage/showtopstore.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmAddWebView::FrmAddWebView(const QString& name, const QString& url, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmAddWebView"));
    setWindowTitle(tr("新增网址"));
    m_txtName = new QLineEdit(name, this);
    m_txtName->setObjectName(QStringLiteral("txtName"));
    m_txtUrl = new QLineEdit(url, this);
    m_txtUrl->setObjectName(QStringLiteral("txtUrl"));
    auto* form = new QFormLayout;
    form->addRow(tr("网站名称"), m_txtName);
    form->addRow(tr("链接地址"), m_txtUrl);
    const OkCancelRow buttons = okCancelRow(this);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmAddWebView::onOk);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    resize(420, 0);
}

QString FrmAddWebView::name() const {
    return m_txtName->text().trimmed();
}

QString FrmAddWebView::url() const {
    return m_txtUrl->text().trimmed();
}

void FrmAddWebView::onOk() {
    const QString problem = ShowTopStore::check(name(), url());
    if (!problem.isEmpty()) {
        Messages::warning(this, problem);
        (name().isEmpty() ? m_txtName : m_txtUrl)->setFocus();
        return;
    }
    accept();
}
