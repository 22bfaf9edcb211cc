#include "tools/ui/frminsertlink.h"

#include "tools/editorlink.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmInsertLink::FrmInsertLink(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmInsertLink"));
    setWindowTitle(tr("插入超链接"));
    m_txtUrl = new QLineEdit(this);
    m_txtUrl->setObjectName(QStringLiteral("txtUrl"));
    m_txtUrl->setMinimumWidth(360);
    m_txtUrl->setPlaceholderText(QStringLiteral("http://"));
    auto* label = new QLabel(tr("链接地址"), this);
    label->setBuddy(m_txtUrl);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_txtUrl, 1);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmInsertLink::onOk);
}

QString FrmInsertLink::address() const {
    return m_txtUrl->text().trimmed();
}

void FrmInsertLink::onOk() {
    const QString message = checkLinkAddress(address());
    if (!message.isEmpty()) {
        Messages::warning(this, message);
        m_txtUrl->setFocus();
        return;
    }
    accept();
}
