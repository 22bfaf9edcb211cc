#include "library/ui/frmdeltype.h"

#include "widgets/dialogbuttons.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

FrmDelType::FrmDelType(const QString& categoryName, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmDelType"));
    setWindowTitle(tr("删除分类"));
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QLabel(tr("您是否确定删除\"%1\"分类以及其下的所有小说?").arg(categoryName), this);
    text->setObjectName(QStringLiteral("lblMessage"));
    text->setWordWrap(true);
    top->addWidget(text, 1);
    m_chkbIsDel = new QCheckBox(tr("同时删除文件"), this);
    m_chkbIsDel->setObjectName(QStringLiteral("chkbIsDel"));
    const OkCancelRow buttons = okCancelRow(this);
    // Deleting takes a deliberate click.
    buttons.ok->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_chkbIsDel);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
}

bool FrmDelType::deleteFiles() const {
    return m_chkbIsDel->isChecked();
}
