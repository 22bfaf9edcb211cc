#include "addnovel/ui/frmaddnovel.h"

#include "addnovel/addnovelrules.h"
#include "addnovel/listpagecheckjob.h"
#include "addnovel/noveladder.h"
#include "addnovel/novelproperties.h"
#include "addnovel/ui/frmurlselect.h"
#include "output/stylelibrary.h"
#include "renewal/renewstore.h"
#include "sites/novelsearchjob.h"
#include "sites/searchsites.h"
#include "sites/sitesigntable.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "widgets/dialogbuttons.h"
#include "widgets/dialogprompter.h"
#include "widgets/messages.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QLineEdit* lineEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

FetchOptions fetchOptionsOf(const Settings& settings) {
    FetchOptions options = FetchOptions::fromSettings(settings);
    // One wait of NovelConnTimeOut: the user is watching the dialog.
    options.timeoutRetries = 0;
    return options;
}

} // namespace

FrmAddNovel::FrmAddNovel(LibraryContext& library, const QString& novelId, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_novelId(novelId)
    , m_isNew(novelId.isEmpty())
    , m_chooser([this](const QList<SiteSearchResult>& results, QWidget* parent) {
        const Database& db = m_library.database();
        return FrmUrlSelect::choose(
            results, [&db](const QString& url) { return NovelStore(db).listUrlExists(url); }, parent);
    })
    , m_prompter(std::make_unique<DialogPrompter>(this)) {
    setObjectName(QStringLiteral("frmAddNovel"));
    buildControls();
    if (m_isNew) {
        setWindowTitle(tr("新增小说"));
        takeClipboardAddress();
    } else {
        setWindowTitle(tr("小说属性"));
        loadNovel();
    }
}

FrmAddNovel::~FrmAddNovel() {
    if (m_job) {
        m_job->disconnect(this);
        m_job->stopAndWait();
    }
}

void FrmAddNovel::buildControls() {
    m_txtNovelName = lineEdit(this, "txtNovelName");
    m_txtNovelName->setPlaceholderText(AddNovelRules::namePrompt());
    m_txtListUrl = lineEdit(this, "txtListUrl");
    m_cboLB = new QComboBox(this);
    m_cboLB->setObjectName(QStringLiteral("cboLB"));
    for (const Category& c : CategoryStore(m_library.database()).list())
        m_cboLB->addItem(c.name);
    m_cboShowType = new QComboBox(this);
    m_cboShowType->setObjectName(QStringLiteral("cboShowType"));
    m_cboShowType->addItems({tr("普通样式"), tr("简洁样式"), tr("外框样式")});
    m_cboShowType->addItems(StyleLibrary(m_library.folder()).userStyles());
    m_txtAuthor = lineEdit(this, "txtAuthor");
    m_txtBrief = new QPlainTextEdit(this);
    m_txtBrief->setObjectName(QStringLiteral("txtBrief"));
    m_txtBrief->setMaximumHeight(90);
    // Tab goes on to the next field; a brief has no use for tab characters.
    m_txtBrief->setTabChangesFocus(true);
    m_txtBookImg = lineEdit(this, "txtBookImg");
    m_cmdBookImage = namedButton(this, "cmdBookImage", tr("浏览"));
    m_chkbIsEnd = new QCheckBox(tr("不再更新"), this);
    m_chkbIsEnd->setObjectName(QStringLiteral("chkbIsEnd"));
    m_chkJoinPages = new QCheckBox(tr("合并分页章节"), this);
    m_chkJoinPages->setObjectName(QStringLiteral("chkJoinPages"));
    m_chkJoinPages->setTristate(true);
    m_chkJoinPages->setCheckState(Qt::PartiallyChecked);
    m_chkJoinPages->setToolTip(tr("半选：按“设置”中的选项"));
    m_chkAutoRead = new QCheckBox(tr("读取其他信息"), this);
    m_chkAutoRead->setObjectName(QStringLiteral("chkAutoRead"));

    m_cmdFind = new QToolBar(this);
    m_cmdFind->setObjectName(QStringLiteral("cmdFind"));
    const auto addFind = [this](const char* key, const QString& text, auto slot) {
        QAction* action = m_cmdFind->addAction(text);
        action->setObjectName(QLatin1String(key));
        connect(action, &QAction::triggered, this, slot);
    };
    addFind("Search", tr("搜索"), [this] { onSearch(Search::Name); });
    addFind("Author", tr("按作者搜索"), [this] { onSearch(Search::Author); });
    addFind("LastSearch", tr("上次搜索结果"), [this] { onLastSearch(); });
    addFind("MoreSite", tr("更多网站"), [this] { onSearch(Search::MoreSite); });
    m_cmdFind->setEnabled(m_isNew);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_txtNovelName, 1);
    nameRow->addWidget(m_cmdFind);
    auto* coverRow = new QHBoxLayout;
    coverRow->addWidget(m_txtBookImg, 1);
    coverRow->addWidget(m_cmdBookImage);
    auto* checks = new QHBoxLayout;
    checks->addWidget(m_chkbIsEnd);
    checks->addWidget(m_chkJoinPages);
    checks->addWidget(m_chkAutoRead);
    checks->addStretch(1);

    auto* form = new QFormLayout;
    form->addRow(tr("小说名称"), nameRow);
    form->addRow(tr("目录页网址"), m_txtListUrl);
    form->addRow(tr("选择分类"), m_cboLB);
    form->addRow(tr("显示样式"), m_cboShowType);
    form->addRow(tr("作者姓名"), m_txtAuthor);
    form->addRow(tr("内容简介"), m_txtBrief);
    form->addRow(tr("封面图片"), coverRow);
    form->addRow(QString(), checks);

    m_fraSign = new QGroupBox(tr("正文标志"), this);
    m_fraSign->setObjectName(QStringLiteral("fraSign"));
    auto* signForm = new QFormLayout(m_fraSign);
    m_txtListStart = lineEdit(m_fraSign, "txtListStart");
    m_txtListEnd = lineEdit(m_fraSign, "txtListEnd");
    m_txtVolumeStart = lineEdit(m_fraSign, "txtVolumeStart");
    m_txtVolumeEnd = lineEdit(m_fraSign, "txtVolumeEnd");
    m_txtContentStart = lineEdit(m_fraSign, "txtContentStart");
    m_txtContentEnd = lineEdit(m_fraSign, "txtContentEnd");
    m_txtNeedDelStr = lineEdit(m_fraSign, "txtNeedDelStr");
    signForm->addRow(tr("目录开始标志"), m_txtListStart);
    signForm->addRow(tr("目录结束标志"), m_txtListEnd);
    signForm->addRow(tr("分卷开始标志"), m_txtVolumeStart);
    signForm->addRow(tr("分卷结束标志"), m_txtVolumeEnd);
    signForm->addRow(tr("章节开始标志"), m_txtContentStart);
    signForm->addRow(tr("章节结束标志"), m_txtContentEnd);
    signForm->addRow(tr("需去除的字符"), m_txtNeedDelStr);
    m_cmdSiteSignGet = namedButton(m_fraSign, "cmdSiteSignGet", tr("取出设定标志"));
    m_cmdSiteSignSave = namedButton(m_fraSign, "cmdSiteSignSave", tr("存为设定标志"));
    auto* cmdSiteSign = namedButton(m_fraSign, "cmdSiteSign", tr("正文标志管理"));
    // The filtered links belong to a stored novel.
    auto* cmdNeedDelUrl = namedButton(m_fraSign, "cmdNeedDelUrl", tr("过滤链接管理"));
    cmdNeedDelUrl->setEnabled(!m_isNew);
    auto* signButtons = new QHBoxLayout;
    signButtons->addWidget(m_cmdSiteSignGet);
    signButtons->addWidget(m_cmdSiteSignSave);
    signButtons->addWidget(cmdSiteSign);
    signButtons->addWidget(cmdNeedDelUrl);
    signButtons->addStretch(1);
    signForm->addRow(signButtons);
    m_fraSign->setVisible(false);

    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_cmdMoreSet = namedButton(this, "cmdMoreSet", tr("更多选项"));
    m_cmdOK = namedButton(this, "cmdOK", tr("确定"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = namedButton(this, "cmdCancel", tr("退出"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_lblStatus, 1);
    buttons->addWidget(m_cmdMoreSet);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_fraSign);
    layout->addLayout(buttons);

    connect(m_cmdOK, &QPushButton::clicked, this, &FrmAddNovel::onOk);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_cmdMoreSet, &QPushButton::clicked, this,
            [this] { m_fraSign->setVisible(!m_fraSign->isVisible()); });
    connect(m_cmdBookImage, &QPushButton::clicked, this, &FrmAddNovel::onBookImage);
    connect(m_cmdSiteSignGet, &QPushButton::clicked, this, &FrmAddNovel::onSiteSignGet);
    connect(m_cmdSiteSignSave, &QPushButton::clicked, this, &FrmAddNovel::onSiteSignSave);
    connect(cmdNeedDelUrl, &QPushButton::clicked, this, [this] { Q_EMIT filterLinksRequested(m_novelId); });
    connect(cmdSiteSign, &QPushButton::clicked, this,
            [this] { Q_EMIT siteSignsRequested(getSiteRoot(m_txtListUrl->text().trimmed())); });
}

void FrmAddNovel::loadNovel() {
    const std::optional<NovelRecord> novel = NovelStore(m_library.database()).loadNovel(m_novelId);
    if (!novel)
        return;
    m_txtNovelName->setText(novel->novelName);
    m_txtListUrl->setText(novel->listUrl);
    m_cboLB->setCurrentText(CategoryStore(m_library.database()).nameOf(novel->lb));
    m_txtAuthor->setText(novel->author);
    m_txtBrief->setPlainText(novel->brief);
    m_txtBookImg->setText(novel->bookImg);
    m_chkbIsEnd->setChecked(novel->bIsEnd == QLatin1String("1"));
    m_txtListStart->setText(novel->listStart);
    m_txtListEnd->setText(novel->listEnd);
    m_txtVolumeStart->setText(novel->volumeStart);
    m_txtVolumeEnd->setText(novel->volumeEnd);
    m_txtContentStart->setText(novel->contentStart);
    m_txtContentEnd->setText(novel->contentEnd);
    m_txtNeedDelStr->setText(novel->needDelStr);
    const QString join = RenewStore(m_library.database()).joinPages(m_novelId);
    m_chkJoinPages->setCheckState(join.isEmpty()               ? Qt::PartiallyChecked
                                  : join == QLatin1String("1") ? Qt::Checked
                                                               : Qt::Unchecked);
}

QString FrmAddNovel::joinPagesValue() const {
    switch (m_chkJoinPages->checkState()) {
    case Qt::Checked:
        return QStringLiteral("1");
    case Qt::Unchecked:
        return QStringLiteral("0");
    default:
        return {};
    }
}

void FrmAddNovel::takeClipboardAddress() {
    if (const QClipboard* clipboard = QGuiApplication::clipboard())
        setHandedAddress(clipboard->text());
}

void FrmAddNovel::setHandedAddress(const QString& text) {
    const AddNovelRules::Handed handed = AddNovelRules::handedAddress(text);
    if (!m_isNew || handed.address.isEmpty())
        return;
    m_txtListUrl->setText(handed.address);
    if (!handed.name.isEmpty())
        m_txtNovelName->setText(handed.name);
}

void FrmAddNovel::setHandedNovel(const QString& name, const QString& address) {
    if (!m_isNew || address.trimmed().isEmpty())
        return;
    m_txtListUrl->setText(address.trimmed());
    if (!name.trimmed().isEmpty())
        m_txtNovelName->setText(name.trimmed());
}

QString FrmAddNovel::novelName() const {
    return m_txtNovelName->text().trimmed();
}

QString FrmAddNovel::listStyle() const {
    return m_cboShowType->currentText();
}

void FrmAddNovel::warn(const QString& text, QWidget* focus) {
    Messages::warning(this, text);
    if (focus)
        focus->setFocus();
}

QString FrmAddNovel::siteSignPath() const {
    return m_library.folder().file(QStringLiteral("sitesign.xml"));
}

bool FrmAddNovel::checkName(const QString& name) {
    const QString problem = AddNovelRules::checkName(m_library.database(), name, m_isNew,
                                                     m_library.folder().tempDir(), m_novelId);
    if (problem.isEmpty())
        return true;
    warn(problem, m_txtNovelName);
    return false;
}

void FrmAddNovel::onOk() {
    if (m_job) {
        m_job->requestStop();
        return;
    }
    QString name = novelName();
    QString url = m_txtListUrl->text().trimmed();
    if (m_isNew && url.isEmpty()) {
        // The name box also takes the address (or "address||title").
        const AddNovelRules::Handed handed = AddNovelRules::handedAddress(name);
        if (!handed.address.isEmpty()) {
            url = handed.address;
            name = handed.name;
            m_txtListUrl->setText(url);
            m_txtNovelName->setText(name);
        } else if (!name.isEmpty()) {
            // A bare name: look it up.
            onSearch(Search::Name);
            return;
        }
    }
    // A name taken from the list page is checked once the page is read.
    if ((!m_isNew || !name.isEmpty() || url.isEmpty()) && !checkName(name))
        return;
    if (url.isEmpty()) {
        warn(AddNovelRules::badListUrlText(), m_txtListUrl);
        return;
    }
    if (AddNovelRules::isLocalPath(url)) {
        finishOk(QString());
        return;
    }
    auto* job = new ListPageCheckJob(networkSourceFactory(fetchOptionsOf(m_library.settings())), url,
                                     m_library.settings().value(QStringLiteral("charset")));
    if (m_chkAutoRead->isChecked())
        job->setInformationRequest(informationRequest());
    startJob(job);
}

ListPageCheckJob::InformationRequest FrmAddNovel::informationRequest() {
    ListPageCheckJob::InformationRequest request;
    request.signs.load(siteSignPath());
    request.judgePicExt = m_library.settings().isOn(QStringLiteral("bIsJudgePicExt"));
    // A cover the user gave is kept. The site's goes into the novel's folder, or waits for the folder a
    // new novel gets.
    if (!m_txtBookImg->text().trimmed().isEmpty() || !m_coverSource.isEmpty())
        return request;
    if (!m_isNew) {
        request.coverFolder = m_library.folder().novelDir(m_novelId);
        QDir().mkpath(request.coverFolder);
        return request;
    }
    if (!m_readCovers) {
        QDir().mkpath(m_library.folder().tempDir());
        m_readCovers =
            std::make_unique<QTemporaryDir>(m_library.folder().tempDir() + QStringLiteral("/coverXXXXXX"));
    }
    if (m_readCovers->isValid())
        request.coverFolder = m_readCovers->path();
    return request;
}

void FrmAddNovel::takeInformation(const NovelInformation& information) {
    if (m_txtAuthor->text().trimmed().isEmpty())
        m_txtAuthor->setText(information.author);
    if (m_txtBrief->toPlainText().trimmed().isEmpty())
        m_txtBrief->setPlainText(information.brief);
    if (information.coverFile.isEmpty())
        return;
    if (m_isNew && m_readCovers)
        m_readCover = m_readCovers->filePath(information.coverFile);
    m_txtBookImg->setText(information.coverFile);
}

bool FrmAddNovel::acceptMissingSign() {
    const QString url = m_txtListUrl->text().trimmed();
    if (!AddNovelRules::hasSiteRoot(url) || typedMarkers())
        return true;
    SiteSignTable signs;
    signs.load(siteSignPath());
    if (signs.find(getSiteRoot(url)) >= 0)
        return true;
    if (!Messages::question(this, tr("尚未对该网站的正文标志进行设定，是否现在设定？")))
        return true;
    Q_EMIT siteSignsRequested(getSiteRoot(url));
    return false;
}

void FrmAddNovel::finishOk(const QString& pageName, const NovelInformation& information) {
    takeInformation(information);
    QString name = novelName();
    if (name.isEmpty()) {
        name = pageName.isEmpty() ? AddNovelRules::defaultName() : pageName;
        m_txtNovelName->setText(name);
        if (!checkName(name))
            return;
    }
    if (!m_isNew)
        storeProperties(name);
    else if (acceptMissingSign())
        storeNew(name);
}

NovelRecord FrmAddNovel::recordOfControls(const QString& name) const {
    NovelRecord record;
    record.novelId = m_novelId;
    record.novelName = name;
    record.author = m_txtAuthor->text().trimmed();
    record.brief = m_txtBrief->toPlainText();
    record.bookImg = m_txtBookImg->text().trimmed();
    record.bIsEnd = m_chkbIsEnd->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    record.listUrl = m_txtListUrl->text().trimmed();
    record.listStart = m_txtListStart->text();
    record.listEnd = m_txtListEnd->text();
    record.volumeStart = m_txtVolumeStart->text();
    record.volumeEnd = m_txtVolumeEnd->text();
    record.contentStart = m_txtContentStart->text();
    record.contentEnd = m_txtContentEnd->text();
    record.needDelStr = m_txtNeedDelStr->text();
    return record;
}

std::optional<NovelMarkers> FrmAddNovel::typedMarkers() const {
    const NovelMarkers markers{m_txtListStart->text(), m_txtListEnd->text(),      m_txtVolumeStart->text(),
                               m_txtVolumeEnd->text(), m_txtContentStart->text(), m_txtContentEnd->text(),
                               m_txtNeedDelStr->text()};
    if (QString(markers.listStart + markers.listEnd + markers.volumeStart + markers.volumeEnd +
                markers.contentStart + markers.contentEnd + markers.needDelStr)
            .isEmpty())
        return std::nullopt;
    return markers;
}

void FrmAddNovel::storeNew(const QString& name) {
    const NovelRecord typed = recordOfControls(name);
    NovelAdder::NewNovel novel;
    novel.name = name;
    novel.listUrl = typed.listUrl;
    novel.categoryName = m_cboLB->currentText();
    novel.author = typed.author;
    novel.brief = typed.brief;
    novel.bookImg = m_coverSource.isEmpty() ? typed.bookImg : QString();
    if (m_coverSource.isEmpty() && !m_readCover.isEmpty() &&
        typed.bookImg == QFileInfo(m_readCover).fileName())
        novel.coverFile = m_readCover;
    novel.bIsEnd = typed.bIsEnd;
    novel.markers = typedMarkers();
    SiteSignTable signs;
    signs.load(siteSignPath());
    const NovelAdder::Result result =
        NovelAdder(m_library.database(), m_library.folder(), &signs).storeNewNovel(novel);
    if (!result.ok()) {
        warn(result.error, result.field == NovelAdder::Result::Field::Category
                               ? static_cast<QWidget*>(m_cboLB)
                               : m_txtNovelName);
        return;
    }
    m_novelId = result.novelId;
    m_isNew = false;
    RenewStore(m_library.database()).setJoinPages(m_novelId, joinPagesValue());
    // The novel's folder has its cover now.
    m_readCovers.reset();
    m_readCover.clear();
    if (!m_coverSource.isEmpty()) {
        const QString cover = NovelProperties::copyCover(m_library.folder(), m_novelId, m_coverSource);
        if (!cover.isEmpty()) {
            NovelRecord record = *NovelStore(m_library.database()).loadNovel(m_novelId);
            record.bookImg = cover;
            NovelProperties::store(m_library.database(), m_library.folder(), record, m_cboLB->currentText());
        }
    }
    Q_EMIT novelStored(m_novelId, name, true);
    accept();
}

void FrmAddNovel::storeProperties(const QString& name) {
    const NovelRecord record = recordOfControls(name);
    const QString error =
        NovelProperties::store(m_library.database(), m_library.folder(), record, m_cboLB->currentText());
    if (!error.isEmpty()) {
        warn(error, m_cboLB);
        return;
    }
    RenewStore(m_library.database()).setJoinPages(m_novelId, joinPagesValue());
    Q_EMIT novelStored(m_novelId, name, false);
    accept();
}

void FrmAddNovel::onSearch(Search kind) {
    if (m_job)
        return;
    const QString text = kind == Search::Author ? m_txtAuthor->text().trimmed() : novelName();
    const QString problem =
        kind == Search::Author ? AddNovelRules::checkAuthor(text) : AddNovelRules::checkSearchName(text);
    if (!problem.isEmpty()) {
        warn(problem, kind == Search::Author ? m_txtAuthor : m_txtNovelName);
        return;
    }
    const Settings& settings = m_library.settings();
    NovelSearchJob::Request request;
    request.text = text;
    request.byAuthor = kind == Search::Author;
    request.displayCharset = settings.value(QStringLiteral("charset"));
    request.engineUrl = settings.readIniValue(Settings::kMain, QStringLiteral("SearchEngineUrl"));
    request.excludedHosts = settings.readIniValue(Settings::kMain, QStringLiteral("SearchExcludedHosts"));
    // Without a web search engine the novel sites are the only place to look.
    request.web = kind != Search::MoreSite && !request.engineUrl.trimmed().isEmpty();
    if (!request.web) {
        SearchSites sites;
        sites.load(m_library.folder().path(), settings.value(QStringLiteral("DownSiteStr")));
        request.sites = sites.sitesToSearch(settings.isOn(QStringLiteral("bIsSearchSelSite")));
        request.endOnFirstResults = settings.isOn(QStringLiteral("bIsEndSearchOnce"));
    }
    m_searchKind = kind;
    m_searchText = text;
    m_lblStatus->setText(NovelSearchJob::searchingText());
    startJob(new NovelSearchJob(networkSourceFactory(fetchOptionsOf(settings)), request));
}

void FrmAddNovel::onLastSearch() {
    if (m_job)
        return;
    if (m_lastResults.isEmpty())
        onSearch(Search::Name);
    else
        offerResults(m_lastResults);
}

void FrmAddNovel::startJob(Job* job) {
    m_job.reset(job);
    job->setPrompter(m_prompter.get());
    connect(job, &Job::statusChanged, m_lblStatus, &QLabel::setText, Qt::QueuedConnection);
    connect(job, &Job::finished, this, &FrmAddNovel::jobFinished, Qt::QueuedConnection);
    m_cmdOK->setText(tr("停止"));
    m_cmdFind->setEnabled(false);
    job->start();
}

void FrmAddNovel::jobFinished() {
    if (!m_job)
        return;
    m_job->wait();
    std::unique_ptr<Job> job = std::move(m_job);
    m_cmdOK->setText(tr("确定"));
    m_cmdFind->setEnabled(m_isNew);
    if (job->stopRequested()) {
        m_lblStatus->clear();
        return;
    }
    if (auto* check = qobject_cast<ListPageCheckJob*>(job.get())) {
        if (check->stopped())
            return;
        if (check->failed()) {
            warn(AddNovelRules::badListUrlText(), m_txtListUrl);
            return;
        }
        finishOk(check->pageName(), check->facts().information);
        return;
    }
    auto* search = qobject_cast<NovelSearchJob*>(job.get());
    if (!search)
        return;
    const bool byAuthor = m_searchKind == Search::Author;
    if (search->outcome() == NovelSearchJob::Outcome::NoSites) {
        m_lblStatus->clear();
        warn(NovelSearchJob::noSitesText(), nullptr);
        Q_EMIT siteSettingsRequested();
        return;
    }
    if (search->failed()) {
        m_lblStatus->clear();
        warn(NovelSearchJob::failureText(m_searchText, byAuthor), m_txtNovelName);
        return;
    }
    if (search->results().isEmpty()) {
        if (byAuthor) {
            warn(tr("搜索不到该作者的小说"), m_txtAuthor);
        } else if (Messages::question(this, tr("搜索不到该小说，请进入“选项”-“更多小说网站设置”进行设置，将有"
                                               "更多的搜索结果,是否进行设置？"))) {
            Q_EMIT siteSettingsRequested();
        }
        return;
    }
    m_lastResults = search->results();
    offerResults(m_lastResults);
}

void FrmAddNovel::offerResults(const QList<SiteSearchResult>& results) {
    const int chosen = m_chooser ? m_chooser(results, this) : -1;
    if (chosen < 0 || chosen >= results.size())
        return;
    m_txtListUrl->setText(results.at(chosen).url);
    m_txtListUrl->setFocus();
}

std::optional<QString> FrmAddNovel::checkedSiteRoot() {
    const QString url = m_txtListUrl->text().trimmed();
    if (AddNovelRules::hasSiteRoot(url))
        return getSiteRoot(url);
    warn(AddNovelRules::badListUrlText(), m_txtListUrl);
    return std::nullopt;
}

void FrmAddNovel::onSiteSignGet() {
    const std::optional<QString> root = checkedSiteRoot();
    if (!root)
        return;
    SiteSignTable table;
    table.load(siteSignPath());
    const int index = table.find(*root);
    if (index < 0) {
        warn(tr("尚未对该网站的正文标志进行设定"), m_txtListUrl);
        return;
    }
    const NovelMarkers m = table.signs().at(index).markers();
    m_txtListStart->setText(m.listStart);
    m_txtListEnd->setText(m.listEnd);
    m_txtVolumeStart->setText(m.volumeStart);
    m_txtVolumeEnd->setText(m.volumeEnd);
    m_txtContentStart->setText(m.contentStart);
    m_txtContentEnd->setText(m.contentEnd);
    m_txtNeedDelStr->setText(m.needDelStr);
}

void FrmAddNovel::onSiteSignSave() {
    const std::optional<QString> checked = checkedSiteRoot();
    if (!checked)
        return;
    const QString& root = *checked;
    SiteSignTable table;
    table.load(siteSignPath());
    int index = table.find(root);
    if (index < 0) {
        SiteSign sign;
        sign[SiteSign::Name] = QUrl(root).host();
        sign[SiteSign::Url] = root;
        table.signs().append(sign);
        index = int(table.signs().size()) - 1;
    }
    SiteSign& sign = table.signs()[index];
    sign[SiteSign::ListStart] = m_txtListStart->text();
    sign[SiteSign::ListEnd] = m_txtListEnd->text();
    sign[SiteSign::VolumeStart] = m_txtVolumeStart->text();
    sign[SiteSign::VolumeEnd] = m_txtVolumeEnd->text();
    sign[SiteSign::ContentStart] = m_txtContentStart->text();
    sign[SiteSign::ContentEnd] = m_txtContentEnd->text();
    sign[SiteSign::NeedDelStr] = m_txtNeedDelStr->text();
    QString error;
    if (!table.save(siteSignPath(), &error)) {
        warn(error, nullptr);
        return;
    }
    Messages::information(this, tr("标志内容已存入到设定中"));
}

void FrmAddNovel::onBookImage() {
    const QString picture = Messages::openFileName(this, tr("选择图片文件"), QString(),
                                                   tr("所有图片 (*.gif *.jpg *.png *.bmp *.tif)"));
    if (picture.isEmpty())
        return;
    if (!Messages::question(
            this, tr("封面图片如果需要在电子书中显示，需要复制到小说的下载目录中，您是否确定复制？"))) {
        m_txtBookImg->setText(picture);
        m_coverSource.clear();
        return;
    }
    if (m_isNew) {
        // The folder comes with the novel: copied once it is stored.
        m_coverSource = picture;
        m_txtBookImg->setText(picture);
        return;
    }
    const QString name = NovelProperties::copyCover(m_library.folder(), m_novelId, picture);
    if (name.isEmpty())
        warn(tr("无法复制文件：") + picture, m_txtBookImg);
    else
        m_txtBookImg->setText(name);
}
