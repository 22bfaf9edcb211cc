#include "library/ui/frmaddcontent.h"

#include "fetch/pagesourcefactory.h"
#include "library/addresscheckjob.h"
#include "library/librarylists.h"
#include "sites/chaptersearchjob.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A page on this computer is taken as it is: there is nothing to fetch.
bool isLocalAddress(const QString& address) {
    return QDir::isAbsolutePath(address) || address.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

} // namespace

FrmAddContent::FrmAddContent(LibraryContext& library, ChapterEditor& editor, Mode mode,
                             const QString& novelId, qint64 chapterId, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_editor(editor)
    , m_mode(mode)
    , m_novelId(novelId)
    , m_chapterId(chapterId) {
    setObjectName(QStringLiteral("frmAddContent"));
    setWindowTitle(mode == Mode::New      ? tr("新增章节")
                   : mode == Mode::Insert ? tr("插入章节")
                                          : tr("编辑章节属性"));
    m_txtTitle = new QLineEdit(this);
    m_txtTitle->setObjectName(QStringLiteral("txtTitle"));
    m_txtUrl = new QLineEdit(this);
    m_txtUrl->setObjectName(QStringLiteral("txtUrl"));
    m_txtUrl->setMinimumWidth(360);
    m_cmdFind = namedButton(this, "cmdFind", tr("搜索"));
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(m_txtUrl, 1);
    urlRow->addWidget(m_cmdFind);
    auto* form = new QFormLayout;
    form->addRow(tr("章节标题"), m_txtTitle);
    form->addRow(tr("章节网址"), urlRow);
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    const OkCancelRow buttons = okCancelRow(this);
    m_cmdOK = buttons.ok;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_lblStatus);
    layout->addLayout(buttons.row);
    connect(m_cmdOK, &QPushButton::clicked, this, &FrmAddContent::onOk);
    connect(m_cmdFind, &QPushButton::clicked, this, &FrmAddContent::onFind);

    if (mode == Mode::New) {
        m_txtTitle->setText(m_editor.proposeTitle(novelId));
    } else if (mode == Mode::Edit) {
        if (const std::optional<ChapterRow> row = LibraryLists::chapter(m_library.database(), chapterId)) {
            m_txtTitle->setText(row->title);
            m_txtUrl->setText(row->comeFrom);
        }
    }
}

FrmAddContent::~FrmAddContent() {
    if (m_job)
        m_job->stopAndWait();
}

void FrmAddContent::reject() {
    if (m_job) {
        m_job->disconnect(this);
        m_job->stopAndWait();
        m_job.reset();
    }
    QDialog::reject();
}

void FrmAddContent::warn(const QString& text, QWidget* focus) {
    Messages::warning(this, text);
    if (focus) {
        focus->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(focus))
            edit->selectAll();
    }
}

void FrmAddContent::onOk() {
    if (m_job)
        return;
    const QString title = m_txtTitle->text().trimmed();
    const QString url = m_txtUrl->text().trimmed();
    if (m_mode == Mode::Edit && title.isEmpty()) {
        // Said before any address is tried.
        warn(tr("章节标题不能为空"), m_txtTitle);
        return;
    }
    if (url.isEmpty() || isLocalAddress(url)) {
        store();
        return;
    }
    startJob(new AddressCheckJob(m_library.settings(), AddressCheckJob::Kind::Page, url),
             tr("正在检测章节网址，请稍候..."));
}

void FrmAddContent::onFind() {
    if (m_job)
        return;
    const QString title = m_txtTitle->text().trimmed();
    if (title.isEmpty()) {
        warn(tr("章节标题不能为空"), m_txtTitle);
        return;
    }
    const Settings& settings = m_library.settings();
    const QString engine = settings.readIniValue(Settings::kMain, QStringLiteral("SearchEngineUrl"));
    const QString name = NovelStore(m_library.database()).novelName(m_novelId);
    startJob(
        new ChapterSearchJob(networkSourceFactory(FetchOptions::fromSettings(settings)), engine, title, name),
        tr("正在搜索，请稍候..."));
}

void FrmAddContent::startJob(Job* job, const QString& status) {
    m_job.reset(job);
    m_lblStatus->setText(status);
    m_cmdOK->setEnabled(false);
    m_cmdFind->setEnabled(false);
    connect(job, &Job::finished, this, &FrmAddContent::jobFinished, Qt::QueuedConnection);
    job->start();
}

void FrmAddContent::jobFinished() {
    if (!m_job)
        return;
    m_job->wait();
    const std::unique_ptr<Job> job = std::move(m_job);
    m_lblStatus->clear();
    m_cmdOK->setEnabled(true);
    m_cmdFind->setEnabled(true);
    if (job->stopRequested())
        return;
    if (auto* check = qobject_cast<AddressCheckJob*>(job.get())) {
        if (!check->answered()) {
            warn(tr("无效的章节网址"), m_txtUrl);
            return;
        }
        store();
        return;
    }
    if (auto* search = qobject_cast<ChapterSearchJob*>(job.get())) {
        if (search->failed())
            warn(ChapterSearchJob::failureText(search->query()), m_txtTitle);
        else if (search->url().isEmpty())
            warn(ChapterSearchJob::notFoundText(), m_txtTitle);
        else
            m_txtUrl->setText(search->url());
    }
}

void FrmAddContent::store() {
    const QString title = m_txtTitle->text().trimmed();
    const QString url = m_txtUrl->text().trimmed();
    ChapterEditor::Result result =
        m_mode == Mode::Edit ? m_editor.editProperties(m_chapterId, title, url)
                             : m_editor.add(m_novelId, title, url, m_mode == Mode::Insert ? m_chapterId : 0);
    if (!result.ok()) {
        warn(result.error, m_txtTitle);
        return;
    }
    m_result = std::move(result);
    accept();
}
