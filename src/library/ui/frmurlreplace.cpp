#include "library/ui/frmurlreplace.h"

#include "library/urlreplace.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"
#include "storage/librarycontext.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmUrlReplace::FrmUrlReplace(LibraryContext& library, const QStringList& novelIds, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_novelIds(novelIds) {
    build();
    setWindowTitle(tr("目录页网址批量替换"));
}

FrmUrlReplace::FrmUrlReplace(LibraryContext& library, const QList<qint64>& bookcaseIds, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_bookcaseIds(bookcaseIds)
    , m_bookcase(true) {
    build();
    setWindowTitle(tr("批量更改文件路径"));
}

void FrmUrlReplace::build() {
    setObjectName(QStringLiteral("frmUrlReplace"));
    m_txtFind = new QLineEdit(this);
    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    m_txtReplace = new QLineEdit(this);
    m_txtReplace->setObjectName(QStringLiteral("txtReplace"));
    auto* form = new QFormLayout;
    form->addRow(tr("查找内容"), m_txtFind);
    form->addRow(tr("替换内容"), m_txtReplace);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmUrlReplace::onOk);
}

void FrmUrlReplace::onOk() {
    const QString find = m_txtFind->text();
    if (find.isEmpty()) {
        Messages::warning(this, tr("请输入查找内容"));
        m_txtFind->setFocus();
        return;
    }
    QString error;
    const int count = m_bookcase ? UrlReplace::replaceInBookcasePaths(m_library.database(), m_bookcaseIds,
                                                                      find, m_txtReplace->text(), &error)
                                 : UrlReplace::replaceInListUrls(m_library.database(), m_novelIds, find,
                                                                 m_txtReplace->text());
    if (count < 0) {
        // A change that would give two books one path says so.
        Messages::warning(this, error.isEmpty() ? tr("无法保存更改") : error);
        return;
    }
    Q_EMIT replaced(count);
    accept();
}
