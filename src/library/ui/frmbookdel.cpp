#include "library/ui/frmbookdel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

FrmBookDel::FrmBookDel(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmBookDel"));
    setWindowTitle(tr("删除小说"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QLabel(tr("您确定要删除选中的小说吗？"), this);
    text->setObjectName(QStringLiteral("lblMessage"));
    top->addWidget(text, 1);
    layout->addLayout(top);
    m_chkbIsDel = new QCheckBox(tr("同时删除下载的文件"), this);
    m_chkbIsDel->setObjectName(QStringLiteral("chkbIsDel"));
    layout->addWidget(m_chkbIsDel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setDefault(true); // deleting takes a deliberate click
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool FrmBookDel::deleteFiles() const {
    return m_chkbIsDel->isChecked();
}
