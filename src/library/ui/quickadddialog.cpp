#include "library/ui/quickadddialog.h"

#include "library/noveladdjob.h"
#include "library/ui/messages.h"
#include "storage/librarycontext.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QuickAddDialog::QuickAddDialog(LibraryContext& library, const QString& address, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmQuickAdd"));
    setWindowTitle(tr("新增小说"));
    setMinimumWidth(460);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_txtNovelName = new QLineEdit(this);
    m_txtNovelName->setObjectName(QStringLiteral("txtNovelName"));
    m_txtNovelName->setPlaceholderText(tr("留空则取目录页的标题"));
    form->addRow(tr("小说名称"), m_txtNovelName);
    m_txtListUrl = new QLineEdit(address, this);
    m_txtListUrl->setObjectName(QStringLiteral("txtListUrl"));
    form->addRow(tr("目录页网址"), m_txtListUrl);
    layout->addLayout(form);
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    layout->addWidget(m_lblStatus);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_cmdOK = new QPushButton(tr("确定"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_cmdOK, &QPushButton::clicked, this, &QuickAddDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QuickAddDialog::reject);
    (address.isEmpty() ? m_txtListUrl : m_txtNovelName)->setFocus();
}

QuickAddDialog::~QuickAddDialog() {
    if (m_job)
        m_job->stopAndWait();
}

void QuickAddDialog::accept() {
    if (m_job)
        return;
    if (m_txtNovelName->text().trimmed().isEmpty() && m_txtListUrl->text().trimmed().isEmpty()) {
        Messages::warning(this, tr("请输入小说名称或者目录页网址"));
        return;
    }
    NovelAddJob::Request request;
    request.name = m_txtNovelName->text();
    request.listUrl = m_txtListUrl->text();
    m_job = new NovelAddJob(m_library.database(), m_library.folder(), m_library.settings(), request, this);
    connect(m_job, &Job::finished, this, &QuickAddDialog::finishAdd, Qt::QueuedConnection);
    m_cmdOK->setEnabled(false);
    m_lblStatus->setText(tr("正在检查目录页网址，请稍候..."));
    m_job->start();
}

void QuickAddDialog::finishAdd() {
    NovelAddJob* job = m_job;
    if (!job)
        return;
    job->wait();
    const NovelAddJob::Result result = job->result();
    m_job = nullptr;
    job->deleteLater();
    m_cmdOK->setEnabled(true);
    m_lblStatus->clear();
    if (!result.ok()) {
        if (!result.error.isEmpty())
            Messages::warning(this, result.error);
        return;
    }
    m_novelId = result.novelId;
    QDialog::accept();
}

void QuickAddDialog::reject() {
    if (m_job)
        m_job->requestStop();
    QDialog::reject();
}
