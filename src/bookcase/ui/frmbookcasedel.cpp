#include "bookcase/ui/frmbookcasedel.h"

#include "bookcase/bookcase.h"
#include "widgets/dialogbuttons.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

FrmBookCaseDel::FrmBookCaseDel(QWidget* parent, const QString& categoryName)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmBookCaseDel"));
    setWindowTitle(tr("删除图书"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    top->addWidget(icon, 0, Qt::AlignTop);
    // The category goes from the library too, which shares it: the text says so.
    const QString text =
        categoryName.isEmpty()
            ? Bookcase::deleteQuestion()
            : tr("您确定要删除分类“%1”及其中所有的图书吗？\n书库中这个分类的小说将移到未分类处。")
                  .arg(categoryName);
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("lblMessage"));
    top->addWidget(label, 1);
    layout->addLayout(top);
    m_chkbIsDel = new QCheckBox(tr("同时删除文件"), this);
    m_chkbIsDel->setObjectName(QStringLiteral("chkbIsDel"));
    layout->addWidget(m_chkbIsDel);
    const OkCancelRow buttons = okCancelRow(this);
    layout->addLayout(buttons.row);
    // Deleting takes a deliberate click.
    if (auto* cancel = findChild<QPushButton*>(QStringLiteral("cmdCancel")))
        cancel->setDefault(true);
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
}

bool FrmBookCaseDel::deleteFiles() const {
    return m_chkbIsDel->isChecked();
}
