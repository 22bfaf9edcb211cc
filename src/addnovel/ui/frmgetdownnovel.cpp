#include "addnovel/ui/frmgetdownnovel.h"

#include "addnovel/olddownloadsimportjob.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"
#include "storage/librarycontext.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

FrmGetDownNovel::FrmGetDownNovel(LibraryContext& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmGetDownNovel"));
    setWindowTitle(tr("导入以前下载的小说"));
    resize(600, 400);
    m_lstNovel = new QTreeWidget(this);
    m_lstNovel->setObjectName(QStringLiteral("lstNovel"));
    m_lstNovel->setRootIsDecorated(false);
    m_lstNovel->setHeaderLabels({tr("小说名称"), tr("文件位置")});
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    QPushButton* import = namedButton(this, "cmdImport", tr("导入"));
    QPushButton* remove = namedButton(this, "cmdDelete", tr("删除"));
    QPushButton* clear = namedButton(this, "cmdClear", tr("清空"));
    QPushButton* close = namedButton(this, "cmdCancel", tr("退出"));
    auto* buttons = new QHBoxLayout;
    addCheckToggles(buttons, m_lstNovel);
    buttons->addWidget(m_lblStatus, 1);
    for (QPushButton* b : {import, remove, clear, close})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lstNovel, 1);
    layout->addLayout(buttons);
    fillList();

    connect(import, &QPushButton::clicked, this, &FrmGetDownNovel::onImport);
    connect(remove, &QPushButton::clicked, this,
            [this] { removeEntries(checkedEntries(), tr("您是否确定彻底删除所有选中的小说吗?")); });
    connect(clear, &QPushButton::clicked, this,
            [this] { removeEntries(m_entries, tr("您是否确定彻底删除列表中的所有小说吗?")); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

FrmGetDownNovel::~FrmGetDownNovel() {
    if (m_job) {
        m_job->disconnect(this);
        m_job->stopAndWait();
    }
}

void FrmGetDownNovel::fillList() {
    m_entries = OldDownloads::list(m_library.database(), m_library.folder());
    m_lstNovel->clear();
    for (const OldDownloads::Entry& e : m_entries) {
        auto* item = new QTreeWidgetItem(m_lstNovel, {e.name, QDir::toNativeSeparators(e.path)});
        item->setCheckState(0, Qt::Unchecked);
    }
    m_lstNovel->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

QList<OldDownloads::Entry> FrmGetDownNovel::checkedEntries() const {
    QList<OldDownloads::Entry> chosen;
    for (int i = 0; i < m_lstNovel->topLevelItemCount() && i < m_entries.size(); ++i)
        if (m_lstNovel->topLevelItem(i)->checkState(0) == Qt::Checked)
            chosen.append(m_entries.at(i));
    return chosen;
}

void FrmGetDownNovel::onImport() {
    if (m_job)
        return;
    const QList<OldDownloads::Entry> chosen = checkedEntries();
    if (chosen.isEmpty()) {
        Messages::warning(this, tr("您没有选择具体项"));
        return;
    }
    m_job = std::make_unique<OldDownloadsImportJob>(m_library, chosen);
    connect(m_job.get(), &Job::statusChanged, m_lblStatus, &QLabel::setText, Qt::QueuedConnection);
    connect(m_job.get(), &Job::finished, this, &FrmGetDownNovel::importFinished, Qt::QueuedConnection);
    setEnabled(false);
    m_job->start();
}

void FrmGetDownNovel::importFinished() {
    if (!m_job)
        return;
    m_job->wait();
    std::unique_ptr<Job> job = std::move(m_job);
    setEnabled(true);
    m_lblStatus->clear();
    auto* import = static_cast<OldDownloadsImportJob*>(job.get());
    fillList();
    if (!import->novelIds().isEmpty())
        Q_EMIT novelsImported(import->novelIds());
    if (!import->errors().isEmpty())
        Messages::warning(this, import->errors().join(u'\n'));
}

void FrmGetDownNovel::removeEntries(const QList<OldDownloads::Entry>& entries, const QString& question) {
    if (entries.isEmpty()) {
        Messages::warning(this, tr("您没有选择具体项"));
        return;
    }
    if (!Messages::question(this, question))
        return;
    QStringList failed;
    for (const OldDownloads::Entry& e : entries)
        if (!OldDownloads::remove(e))
            failed << QDir::toNativeSeparators(e.path);
    fillList();
    if (!failed.isEmpty())
        Messages::warning(this, tr("无法删除：") + failed.join(u'\n'));
}
