#include "output/ui/frmchmcollection.h"

#include "output/chmcollectionjob.h"
#include "output/outputfolder.h"
#include "storage/librarycontext.h"
#include "widgets/dialogbuttons.h"
#include "widgets/dialogprompter.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

FrmChmCollection::FrmChmCollection(LibraryContext& library, QStringList novelIds, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_novelIds(std::move(novelIds))
    , m_prompter(new DialogPrompter(this))
    , m_opener([this](const QString& path) { openWithShell(path, this); }) {
    setObjectName(QStringLiteral("frmChmCollection"));
    setWindowTitle(tr("制作电子书合集"));

    m_txtName = new QLineEdit(tr("合集"), this);
    m_txtName->setObjectName(QStringLiteral("txtName"));
    m_chkIndex = new QCheckBox(tr("是否加入封面"), this);
    m_chkIndex->setObjectName(QStringLiteral("chkIndex"));
    m_chkIndex->setChecked(true);
    m_txtImage = new QLineEdit(this);
    m_txtImage->setObjectName(QStringLiteral("txtImage"));
    auto* cmdBrowse = namedButton(this, "cmdBrowse", tr("浏览"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("合集名称"), this), 0, 0);
    grid->addWidget(m_txtName, 0, 1, 1, 2);
    grid->addWidget(m_chkIndex, 1, 1, 1, 2);
    grid->addWidget(new QLabel(tr("封面图片"), this), 2, 0);
    grid->addWidget(m_txtImage, 2, 1);
    grid->addWidget(cmdBrowse, 2, 2);

    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("pgbCollection"));
    m_progress->hide();

    m_cmdOK = namedButton(this, "cmdOK", tr("确定"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = namedButton(this, "cmdCancel", tr("取消"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_lblStatus);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    resize(460, sizeHint().height());

    connect(cmdBrowse, &QPushButton::clicked, this, &FrmChmCollection::browse);
    connect(m_cmdOK, &QPushButton::clicked, this, &FrmChmCollection::start);
    connect(m_cmdCancel, &QPushButton::clicked, this, &FrmChmCollection::reject);
}

FrmChmCollection::~FrmChmCollection() {
    if (m_job)
        m_job->stopAndWait();
    delete m_job;
    delete m_prompter;
}

void FrmChmCollection::browse() {
    const QString picture = Messages::openFileName(this, tr("封面图片"), QString(),
                                                   tr("所有图片 (*.gif *.jpg *.jpeg *.png *.bmp)"));
    if (!picture.isEmpty())
        m_txtImage->setText(picture);
}

void FrmChmCollection::start() {
    if (m_job && m_job->isRunning())
        return;
    const QString name = m_txtName->text().trimmed();
    const QString problem = ChmCollectionJob::checkName(name, m_library.folder().tempDir());
    if (!problem.isEmpty()) {
        Messages::warning(this, problem);
        m_txtName->setFocus();
        return;
    }
    if (!OutputFolder(m_library.folder(), m_library.settings()).exists()) {
        Messages::warning(this, OutputFolder::missingMessage());
        return;
    }
    QString picture = m_txtImage->text().trimmed();
    if (!picture.isEmpty() && !QFileInfo(picture).isFile()) {
        Messages::warning(this, tr("无此文件"));
        return;
    }
    // Without the copy the picture stays out of the book.
    if (!picture.isEmpty() &&
        !Messages::question(
            this, tr("封面图片如果需要在电子书中显示，需要复制到小说的下载目录中，您是否确定复制？")))
        picture.clear();

    delete m_job;
    m_job = new ChmCollectionJob(m_library.database(), m_library.folder(), m_library.settings(), m_novelIds,
                                 name);
    m_job->setCoverFirst(m_chkIndex->isChecked());
    m_job->setCoverPicture(picture);
    m_job->setPrompter(m_prompter);
    connect(m_job, &Job::statusChanged, m_lblStatus, &QLabel::setText);
    connect(m_job, &Job::progressChanged, this, [this](int value, int maximum) {
        m_progress->setMaximum(std::max(1, maximum));
        m_progress->setValue(value);
        m_progress->show();
    });
    connect(m_job, &Job::finished, this, &FrmChmCollection::finish, Qt::QueuedConnection);
    m_cmdOK->setEnabled(false);
    m_cmdCancel->setText(tr("停止"));
    m_job->start();
}

void FrmChmCollection::finish() {
    m_job->wait();
    m_cmdOK->setEnabled(true);
    m_cmdCancel->setText(tr("取消"));
    m_progress->hide();
    m_lblStatus->clear();
    const ChmCollectionJob::Result result = m_job->result();
    if (!result.ok)
        return;
    Q_EMIT generated(result.chmPath);
    if (m_opener)
        m_opener(result.chmPath);
    accept();
}

void FrmChmCollection::reject() {
    // While the book is made, Cancel (and Esc, and closing) stops it and keeps the window.
    if (m_job && m_job->isRunning()) {
        m_job->requestStop();
        return;
    }
    QDialog::reject();
}
