#include "companion/ui/frmdbmaintain.h"

#include "companion/maintenancejobs.h"
#include "storage/librarycontext.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

FrmDBMaintain::FrmDBMaintain(LibraryContext& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmDBMaintain"));
    setWindowTitle(tr("备份/还原"));

    auto* choice = new QWidget;
    auto* title = new QLabel(tr("数据维护"));
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    title->setFont(bold);
    m_optBackup = new QRadioButton(tr("备份数据库"));
    m_optBackup->setObjectName(QStringLiteral("optBackup"));
    m_optBackup->setChecked(true);
    m_optRestore = new QRadioButton(tr("还原数据库"));
    m_optRestore->setObjectName(QStringLiteral("optRestore"));
    m_optRepair = new QRadioButton(tr("压缩数据库"));
    m_optRepair->setObjectName(QStringLiteral("optRepair"));
    auto* choiceLayout = new QVBoxLayout(choice);
    choiceLayout->addWidget(title);
    choiceLayout->addWidget(new QLabel(tr("请选择您要进行的任务。")));
    for (QRadioButton* option : {m_optBackup, m_optRestore, m_optRepair})
        choiceLayout->addWidget(option);
    choiceLayout->addWidget(new QLabel(tr("建议您在开始前先备份数据库。")));
    choiceLayout->addStretch();

    auto* pathPage = new QWidget;
    m_txtPath = new QLineEdit;
    m_txtPath->setObjectName(QStringLiteral("txtPath"));
    auto* cmdPath = namedButton(this, "cmdPath", QStringLiteral("..."));
    connect(cmdPath, &QPushButton::clicked, this, &FrmDBMaintain::onBrowse);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_txtPath, 1);
    pathRow->addWidget(cmdPath);
    auto* pathLayout = new QVBoxLayout(pathPage);
    pathLayout->addWidget(new QLabel(tr("数据备份文件路径：")));
    pathLayout->addLayout(pathRow);
    pathLayout->addStretch();

    m_pages = new QStackedWidget;
    m_pages->addWidget(choice);
    m_pages->addWidget(pathPage);

    m_lblStatus = new QLabel;
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_cmdPrior = namedButton(this, "cmdPrior", tr("上一步"));
    m_cmdNext = namedButton(this, "cmdNext", tr("下一步"));
    m_cmdNext->setDefault(true);
    m_cmdCancel = namedButton(this, "cmdCancel", tr("取消"));
    connect(m_cmdPrior, &QPushButton::clicked, this, &FrmDBMaintain::onPrior);
    connect(m_cmdNext, &QPushButton::clicked, this, &FrmDBMaintain::onNext);
    connect(m_cmdCancel, &QPushButton::clicked, this, &FrmDBMaintain::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_lblStatus, 1);
    buttons->addWidget(m_cmdPrior);
    buttons->addWidget(m_cmdNext);
    buttons->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);
    resize(460, 280);
    showPage(0);
}

FrmDBMaintain::~FrmDBMaintain() {
    if (m_job)
        m_job->stopAndWait();
}

bool FrmDBMaintain::isRunning() const {
    return m_job && m_job->isRunning();
}

FrmDBMaintain::Task FrmDBMaintain::task() const {
    if (m_optRestore->isChecked())
        return Task::Restore;
    return m_optRepair->isChecked() ? Task::Compact : Task::Backup;
}

void FrmDBMaintain::showPage(int page) {
    m_pages->setCurrentIndex(page);
    m_cmdPrior->setEnabled(page > 0);
    if (page == 1) {
        m_txtPath->setFocus();
        if (m_txtPath->text().isEmpty() && task() == Task::Backup)
            m_txtPath->setText(QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/backup.mis")));
    }
}

void FrmDBMaintain::onPrior() {
    if (!isRunning() && m_pages->currentIndex() > 0)
        showPage(m_pages->currentIndex() - 1);
}

void FrmDBMaintain::onBrowse() {
    const QString filter = tr("数据备份文件 (*.mis)");
    const QString path = task() == Task::Backup
                             ? Messages::saveFileName(this, tr("备份数据库"), m_txtPath->text(), filter)
                             : Messages::openFileName(this, tr("还原数据库"), m_txtPath->text(), filter);
    if (!path.isEmpty())
        m_txtPath->setText(QDir::toNativeSeparators(path));
}

void FrmDBMaintain::onNext() {
    if (isRunning())
        return;
    if (m_pages->currentIndex() == 0) {
        if (task() == Task::Compact)
            start(new CompactJob(m_library.database()));
        else
            showPage(1);
        return;
    }
    const QString path = QDir::fromNativeSeparators(m_txtPath->text().trimmed());
    const QString problem =
        task() == Task::Backup ? Maintenance::checkBackupPath(path) : Maintenance::checkRestorePath(path);
    if (!problem.isEmpty()) {
        Messages::warning(this, problem);
        m_txtPath->setFocus();
        return;
    }
    const QString full = QFileInfo(path).absoluteFilePath();
    if (task() == Task::Backup) {
        // The old backup stays until the new one is complete: it is replaced, never deleted first.
        if (QFileInfo::exists(full) && !Messages::okCancel(this, Maintenance::overwriteQuestion()))
            return;
        start(new BackupJob(m_library.database(), full));
    } else {
        start(new RestoreJob(m_library.database(), full, m_library.folder().tempDir()));
    }
}

void FrmDBMaintain::start(MaintenanceJob* job) {
    m_job.reset(job);
    for (QWidget* w : {static_cast<QWidget*>(m_cmdPrior), static_cast<QWidget*>(m_cmdNext),
                       static_cast<QWidget*>(m_cmdCancel), static_cast<QWidget*>(m_pages)})
        w->setEnabled(false);
    connect(job, &Job::statusChanged, m_lblStatus, &QLabel::setText);
    connect(job, &Job::finished, this, &FrmDBMaintain::onFinished, Qt::QueuedConnection);
    job->start();
}

void FrmDBMaintain::onFinished() {
    if (!m_job)
        return;
    m_job->wait();
    const bool ok = m_job->succeeded();
    const QString message = m_job->message();
    const bool compacting = dynamic_cast<CompactJob*>(m_job.get()) != nullptr;
    const bool restoring = dynamic_cast<RestoreJob*>(m_job.get()) != nullptr;
    m_job.reset();
    for (QWidget* w : {static_cast<QWidget*>(m_cmdNext), static_cast<QWidget*>(m_cmdCancel),
                       static_cast<QWidget*>(m_pages)})
        w->setEnabled(true);
    m_cmdPrior->setEnabled(m_pages->currentIndex() > 0);
    m_lblStatus->setText(ok && compacting ? tr("压缩完成") : QString());
    if (!ok) {
        Messages::warning(this, message);
        return;
    }
    m_restored = m_restored || restoring;
    Messages::information(this, message);
    accept();
}

void FrmDBMaintain::closeEvent(QCloseEvent* event) {
    // The database is being copied: closing now would leave the user without an answer.
    if (isRunning()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void FrmDBMaintain::reject() {
    if (!isRunning())
        QDialog::reject();
}
