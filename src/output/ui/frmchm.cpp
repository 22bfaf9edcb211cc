#include "output/ui/frmchm.h"

#include "widgets/messages.h"
#include "output/chmbuildjob.h"
#include "output/epubbuildjob.h"
#include "output/listpage.h"
#include "output/pagetemplates.h"
#include "widgets/dialogprompter.h"
#include "output/ui/sourceeditor.h"
#include "storage/librarycontext.h"
#include "storage/textfile.h"
#include "widgets/openwithshell.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

FrmChm::FrmChm(LibraryContext& library, QString novelId, QWidget* parent)
    : QMainWindow(parent)
    , m_library(library)
    , m_novelId(std::move(novelId))
    , m_prompter(new DialogPrompter(this))
    , m_opener([this](const QString& path) { openWithShell(path, this); }) {
    setObjectName(QStringLiteral("frmChm"));
    setWindowTitle(tr("自定义电子书封面"));

    auto* toolbar = addToolBar(tr("工具栏"));
    toolbar->setObjectName(QStringLiteral("tbrChm"));
    QAction* saveAction = toolbar->addAction(tr("保存"));
    saveAction->setObjectName(QStringLiteral("Save"));
    m_cboFormat = new QComboBox(this);
    m_cboFormat->setObjectName(QStringLiteral("cboFormat"));
    m_cboFormat->addItem(tr("CHM"));
    m_cboFormat->addItem(tr("EPUB"));
    m_cboFormat->setToolTip(tr("电子书格式"));
    toolbar->addWidget(m_cboFormat);
    QAction* genAction = toolbar->addAction(tr("生成电子书"));
    genAction->setObjectName(QStringLiteral("Gen"));
    QAction* exitAction = toolbar->addAction(tr("退出"));
    exitAction->setObjectName(QStringLiteral("Exit"));

    m_tvwChm = new QTreeWidget(this);
    m_tvwChm->setObjectName(QStringLiteral("tvwChm"));
    m_tvwChm->setHeaderHidden(true);
    auto* root = new QTreeWidgetItem(m_tvwChm, {tr("子项")});
    new QTreeWidgetItem(root, {tr("封面")});
    new QTreeWidgetItem(root, {tr("目录")});
    root->setExpanded(true);

    m_lblPageName = new QLabel(this);
    m_lblPageName->setObjectName(QStringLiteral("lblPageName"));
    m_lblFilePath = new QLabel(this);
    m_lblFilePath->setObjectName(QStringLiteral("lblFilePath"));
    m_lblFilePath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_webChm = new QTextBrowser(this);
    m_webChm->setObjectName(QStringLiteral("webChm"));
    m_source = new SourceEditor(this);
    m_source->setObjectName(QStringLiteral("txtCode"));

    auto* pages = new QSplitter(Qt::Vertical, this);
    pages->addWidget(m_webChm);
    pages->addWidget(m_source);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->addWidget(m_lblPageName);
    rightLayout->addWidget(m_lblFilePath);
    rightLayout->addWidget(pages, 1);
    auto* split = new QSplitter(this);
    split->addWidget(m_tvwChm);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);
    resize(900, 640);

    connect(m_tvwChm, &QTreeWidget::currentItemChanged, this, [this, root](QTreeWidgetItem* item) {
        if (item && item->parent() == root)
            showPage(root->indexOfChild(item));
    });
    connect(m_source, &SourceEditor::textChanged, this, [this] { m_webChm->setHtml(m_source->text()); });
    connect(saveAction, &QAction::triggered, this, [this] {
        if (save())
            Messages::information(this, tr("已保存"));
    });
    connect(genAction, &QAction::triggered, this, &FrmChm::generate);
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    m_tvwChm->setCurrentItem(root->child(0));
}

FrmChm::~FrmChm() {
    if (m_job)
        m_job->stopAndWait();
    delete m_job;
    delete m_prompter;
}

void FrmChm::showPage(int index) {
    const LibraryFolder& folder = m_library.folder();
    const bool cover = index == 0;
    const QString name = cover ? QStringLiteral("Index.htm") : QStringLiteral("List.htm");
    m_path = folder.novelDir(m_novelId) + u'/' + name;
    QString text;
    if (QFileInfo::exists(m_path)) {
        text = readTextFile(m_path);
    } else if (cover) {
        text = PageTemplates::readModelTemplate(folder, QStringLiteral("vbindex.htm"));
    } else if (writeListPage(m_library.database(), folder, m_library.settings(), m_novelId)) {
        text = readTextFile(m_path);
    }
    m_lblPageName->setText(tr("页面名称：") + (cover ? tr("封面") : tr("目录")));
    m_lblFilePath->setText(tr("文件路径：") + m_path);
    m_webChm->document()->setBaseUrl(QUrl::fromLocalFile(m_path));
    m_source->setText(text);
}

bool FrmChm::save() {
    QString error;
    if (!writeTextFile(m_path, m_source->text(), "GB18030", &error)) {
        Messages::warning(this, error);
        return false;
    }
    return true;
}

FrmChm::Format FrmChm::format() const {
    return m_cboFormat->currentIndex() == 1 ? Format::Epub : Format::Chm;
}

void FrmChm::setFormat(Format format) {
    m_cboFormat->setCurrentIndex(format == Format::Epub ? 1 : 0);
}

void FrmChm::generate() {
    if ((m_job && m_job->isRunning()) || !save())
        return;
    delete m_job;
    LibraryContext& library = m_library;
    std::function<QString()> bookPath;
    if (format() == Format::Epub) {
        auto* job = new EpubBuildJob(library.database(), library.folder(), library.settings(), m_novelId);
        bookPath = [job] { return job->result().ok ? job->result().bookPath : QString(); };
        m_job = job;
    } else {
        auto* job = new ChmBuildJob(library.database(), library.folder(), library.settings(), m_novelId);
        bookPath = [job] { return job->result().ok ? job->result().chmPath : QString(); };
        m_job = job;
    }
    m_job->setPrompter(m_prompter);
    connect(
        m_job, &Job::finished, this,
        [this, bookPath] {
            const QString path = bookPath();
            if (path.isEmpty())
                return;
            Q_EMIT generated(path);
            if (m_opener)
                m_opener(path);
        },
        Qt::QueuedConnection);
    m_job->start();
}
