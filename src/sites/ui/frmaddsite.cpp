#include "sites/ui/frmaddsite.h"

#include "sites/sitediscoveryjob.h"
#include "widgets/messages.h"
#include "storage/settings.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmAddSite::FrmAddSite(const NovelSite& site, bool editing, const Settings& settings, QWidget* parent)
    : QDialog(parent)
    , m_site(site)
    , m_settings(settings) {
    setObjectName(QStringLiteral("frmAddSite"));
    setWindowTitle(editing ? tr("修改网站") : tr("新增网站"));
    using F = NovelSite;
    const auto group = [this](const QString& title,
                              const QList<std::tuple<F::Field, const char*, QString>>& rows) {
        auto* box = new QGroupBox(title, this);
        auto* form = new QFormLayout(box);
        for (const auto& [field, name, caption] : rows) {
            auto* edit = new QLineEdit(m_site[field], box);
            edit->setObjectName(QLatin1String(name));
            form->addRow(caption, edit);
            m_boxes[field] = edit;
        }
        return box;
    };
    QGroupBox* basic = group(tr("基本信息"), {{F::Name, "txtName", tr("网站名称")},
                                              {F::Url, "txtUrl", tr("网站网址")},
                                              {F::SearchUrl, "txtSearchStr", tr("搜索地址")},
                                              {F::FindStr, "txtFindStr", tr("查找项")},
                                              {F::ReplaceStr, "txtReplaceStr", tr("替换项")},
                                              {F::NameCode, "txtNameCode", tr("网页编码方式")},
                                              {F::Type, "txtiType", tr("处理方式")}});
    QGroupBox* several =
        group(tr("多项搜索结果标志"), {{F::TitleStart, "txtGetTitleLeftStr", tr("标题开始标志")},
                                       {F::TitleEnd, "txtGetTitleRightStr", tr("标题结束标志")},
                                       {F::LinkStart, "txtGetUrlLeftStr", tr("链接开始标志")},
                                       {F::LinkEnd, "txtGetUrlRightStr", tr("链接结束标志")},
                                       {F::LatestStart, "txtGetNewLeftStr", tr("更新开始标志")},
                                       {F::LatestEnd, "txtGetNewRightStr", tr("更新结束标志")},
                                       {F::ResultStart, "txtContentStart", tr("结果开始标志")},
                                       {F::ResultEnd, "txtContentEnd", tr("结果结束标志")}});
    QGroupBox* single =
        group(tr("单项搜索结果标志"), {{F::OneResultMark, "txtOneUrlCode", tr("单项结果标志")},
                                       {F::OneLinkStart, "txtGetUrlLeftStr2", tr("链接开始标志")},
                                       {F::OneLinkEnd, "txtGetUrlRightStr2", tr("链接结束标志")},
                                       {F::OneLatestStart, "txtGetNewLeftStr2", tr("更新开始标志")},
                                       {F::OneLatestEnd, "txtGetNewRightStr2", tr("更新结束标志")},
                                       {F::OneTitleStart, "txtGetTitleLeftStr2", tr("标题开始标志")},
                                       {F::OneTitleEnd, "txtGetTitleRightStr2", tr("标题结束标志")}});
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_cmdOK = new QPushButton(tr("确定"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_lblStatus, 1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(cancel);
    auto* columns = new QHBoxLayout;
    columns->addWidget(basic);
    auto* right = new QVBoxLayout;
    right->addWidget(several);
    right->addWidget(single);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
    connect(m_cmdOK, &QPushButton::clicked, this, &FrmAddSite::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

FrmAddSite::~FrmAddSite() {
    if (m_job) {
        m_job->disconnect(this);
        m_job->stopAndWait();
    }
}

NovelSite FrmAddSite::siteOfBoxes() const {
    NovelSite site = m_site;
    for (const auto& [field, box] : m_boxes)
        site[field] = box->text().trimmed();
    return site;
}

void FrmAddSite::onOk() {
    if (m_job)
        return;
    NovelSite site = siteOfBoxes();
    if (site[NovelSite::Name].isEmpty()) {
        Messages::warning(this, tr("请输入网站名称"));
        m_boxes[NovelSite::Name]->setFocus();
        return;
    }
    if (site[NovelSite::Url].isEmpty()) {
        Messages::warning(this, tr("请输入网站网址"));
        m_boxes[NovelSite::Url]->setFocus();
        return;
    }
    if (!site[NovelSite::Url].endsWith(u'/'))
        site[NovelSite::Url] += u'/';
    m_boxes[NovelSite::Url]->setText(site[NovelSite::Url]);
    m_lblStatus->setText(tr("正在处理搜索中，请稍候..."));
    m_cmdOK->setEnabled(false);
    FetchOptions options = FetchOptions::fromSettings(m_settings);
    options.timeoutRetries = 0;
    m_job = std::make_unique<SiteDiscoveryJob>(networkSourceFactory(options), site, options.displayCharset);
    connect(m_job.get(), &Job::finished, this, &FrmAddSite::discoveryFinished, Qt::QueuedConnection);
    m_job->start();
}

void FrmAddSite::discoveryFinished() {
    if (!m_job)
        return;
    m_job->wait();
    std::unique_ptr<Job> job = std::move(m_job);
    m_cmdOK->setEnabled(true);
    m_lblStatus->clear();
    auto* discovery = static_cast<SiteDiscoveryJob*>(job.get());
    if (!discovery->error().isEmpty()) {
        Messages::warning(this, discovery->error());
        return;
    }
    // What the user typed wins over what the pages suggested.
    const NovelSite typed = siteOfBoxes();
    m_site = discovery->site();
    for (const auto& [field, box] : m_boxes) {
        if (!typed[field].isEmpty() && field != NovelSite::Url)
            m_site[field] = typed[field];
        box->setText(m_site[field]);
    }
    m_site.userAdded = true;
    accept();
}
