#include "output/ui/frmchm2htm.h"

#include "output/chmunpackjob.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

FrmChm2Htm::FrmChm2Htm(const QString& startFolder, QWidget* parent)
    : QDialog(parent)
    , m_startFolder(startFolder) {
    setObjectName(QStringLiteral("frmChm2Htm"));
    setWindowTitle(tr("反编译chm文件"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* grid = new QGridLayout(this);
    m_txtChm = new QLineEdit(this);
    m_txtChm->setObjectName(QStringLiteral("txtChm"));
    auto* cmdChm = new QPushButton(tr("浏览"), this);
    cmdChm->setObjectName(QStringLiteral("cmdChm"));
    m_txtFolder = new QLineEdit(this);
    m_txtFolder->setObjectName(QStringLiteral("txtFolder"));
    auto* cmdFolder = new QPushButton(tr("浏览"), this);
    cmdFolder->setObjectName(QStringLiteral("cmdFolder"));
    m_cmdStart = new QPushButton(tr("开始"), this);
    m_cmdStart->setObjectName(QStringLiteral("cmdStart"));
    m_cmdStart->setDefault(true);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->hide();

    auto* chmLabel = new QLabel(tr("请选择一个chm文件"), this);
    chmLabel->setBuddy(m_txtChm);
    auto* folderLabel = new QLabel(tr("请选择保存文件夹"), this);
    folderLabel->setBuddy(m_txtFolder);
    grid->addWidget(chmLabel, 0, 0, 1, 2);
    grid->addWidget(m_txtChm, 1, 0);
    grid->addWidget(cmdChm, 1, 1);
    grid->addWidget(folderLabel, 2, 0, 1, 2);
    grid->addWidget(m_txtFolder, 3, 0);
    grid->addWidget(cmdFolder, 3, 1);
    grid->addWidget(m_progress, 4, 0);
    grid->addWidget(m_cmdStart, 4, 1);
    m_txtChm->setMinimumWidth(360);

    connect(cmdChm, &QPushButton::clicked, this, &FrmChm2Htm::cmdChm);
    connect(cmdFolder, &QPushButton::clicked, this, &FrmChm2Htm::cmdFolder);
    connect(m_cmdStart, &QPushButton::clicked, this, &FrmChm2Htm::cmdStart);
}

FrmChm2Htm::~FrmChm2Htm() {
    if (m_job)
        m_job->stopAndWait();
}

void FrmChm2Htm::cmdChm() {
    const QString path = Messages::openFileName(this, tr("选择chm文件"), m_startFolder, tr("chm文件(*.chm)"));
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).isFile()) {
        Messages::warning(this, tr("无此文件"));
        return;
    }
    m_txtChm->setText(QDir::toNativeSeparators(path));
}

void FrmChm2Htm::cmdFolder() {
    const QString folder = Messages::existingFolder(this, tr("浏览文件夹"), m_txtFolder->text());
    if (!folder.isEmpty())
        m_txtFolder->setText(QDir::toNativeSeparators(folder));
}

void FrmChm2Htm::cmdStart() {
    const QString chm = m_txtChm->text().trimmed();
    const QString folder = m_txtFolder->text().trimmed();
    const auto refuse = [this](QLineEdit* field, const QString& message) {
        Messages::warning(this, message);
        field->setFocus();
    };
    if (chm.isEmpty())
        return refuse(m_txtChm, tr("chm文件不能为空"));
    if (!QFileInfo(chm).isFile())
        return refuse(m_txtChm, tr("该chm文件不存在"));
    if (folder.isEmpty())
        return refuse(m_txtFolder, tr("保存文件夹不能为空"));
    if (!QFileInfo(folder).isDir())
        return refuse(m_txtFolder, tr("保存文件夹不存在，请重新输入"));

    m_job = new ChmUnpackJob(QDir::fromNativeSeparators(chm), QDir::fromNativeSeparators(folder), this);
    connect(m_job, &Job::progressChanged, this, [this](int value, int maximum) {
        m_progress->setMaximum(std::max(1, maximum));
        m_progress->setValue(value);
    });
    connect(m_job, &Job::finished, this, &FrmChm2Htm::finish);
    m_progress->show();
    m_cmdStart->setEnabled(false);
    m_job->start();
}

void FrmChm2Htm::finish() {
    ChmUnpackJob* job = std::exchange(m_job, nullptr);
    job->wait();
    const ChmUnpackJob::Result result = job->result();
    job->deleteLater();
    m_progress->hide();
    m_cmdStart->setEnabled(true);
    if (result.stopped)
        return;
    if (!result.ok) {
        Messages::warning(this, result.error);
        return;
    }
    if (Messages::question(this, tr("反编译chm文件完成，是否进入存放文件夹查看")))
        openWithShell(QDir::fromNativeSeparators(m_txtFolder->text().trimmed()), this);
}

void FrmChm2Htm::reject() {
    // Closing stops the unpacking; what is written stays, each file whole.
    if (m_job)
        m_job->stopAndWait();
    QDialog::reject();
}
