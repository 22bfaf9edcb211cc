#include "library/ui/frmfindbook.h"

#include "library/librarylists.h"
#include "library/readingpages.h"
#include "widgets/messages.h"
#include "storage/librarycontext.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmFindBook::FrmFindBook(LibraryContext& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmFindBook"));
    setWindowTitle(tr("查找小说"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_txtNovelName = new QLineEdit(this);
    m_txtNovelName->setObjectName(QStringLiteral("txtNovelName"));
    m_txtListUrl = new QLineEdit(this);
    m_txtListUrl->setObjectName(QStringLiteral("txtListUrl"));
    m_txtListUrl->setMinimumWidth(320);
    form->addRow(tr("小说名称"), m_txtNovelName);
    form->addRow(tr("目录页网址"), m_txtListUrl);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* find = new QPushButton(tr("查找"), this);
    find->setObjectName(QStringLiteral("cmdFind"));
    find->setDefault(true);
    auto* exit = new QPushButton(tr("退出"), this);
    exit->setObjectName(QStringLiteral("cmdExit"));
    buttons->addWidget(find);
    buttons->addWidget(exit);
    layout->addLayout(buttons);
    connect(find, &QPushButton::clicked, this, &FrmFindBook::find);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmFindBook::find() {
    const QString name = m_txtNovelName->text().trimmed();
    const QString address = m_txtListUrl->text().trimmed();
    if (name.isEmpty() && address.isEmpty()) {
        Messages::warning(this, tr("请输入小说名称或者目录页网址"));
        return;
    }
    const QList<NovelRow> rows = LibraryLists::findNovels(m_library.database(), name, address);
    if (rows.isEmpty()) {
        Messages::information(this, tr("小说列表中无此小说"));
        return;
    }
    QString error;
    m_pagePath = ReadingPages::writeBookList(m_library.folder(), rows, &error);
    if (m_pagePath.isEmpty()) {
        Messages::warning(this, error);
        return;
    }
    accept();
}
