#include "sites/ui/frmaddsitesign.h"

#include "addnovel/listpagecheckjob.h"
#include "widgets/messages.h"
#include "storage/settings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmAddSiteSign::FrmAddSiteSign(const QList<SiteSign>& rows, int editRow, const Settings& settings,
                               QWidget* parent)
    : QDialog(parent)
    , m_rows(rows)
    , m_editRow(editRow >= 0 && editRow < rows.size() ? editRow : -1)
    , m_settings(settings) {
    setObjectName(QStringLiteral("frmAddSiteSign"));
    setWindowTitle(m_editRow < 0 ? tr("新增小说正文标志") : tr("新增小说标志"));

    const QStringList names = SiteSign::elementNames();
    const QStringList captions = SiteSign::captions();
    const auto group = [&](const QString& title, const QList<SiteSign::Field>& fields) {
        auto* box = new QGroupBox(title, this);
        auto* form = new QFormLayout(box);
        for (const SiteSign::Field f : fields) {
            auto* edit = new QLineEdit(box);
            // txtName, txtUrl, txtListStart …: "txt" and the element name with a capital.
            QString name = names.at(f);
            name[0] = name.at(0).toUpper();
            edit->setObjectName(QStringLiteral("txt") + name);
            form->addRow(captions.at(f), edit);
            m_boxes[f] = edit;
        }
        return box;
    };
    QGroupBox* basic = group(tr("基本信息"), {SiteSign::Name, SiteSign::Url});
    QGroupBox* markers = group(
        tr("正文标志"), {SiteSign::ListStart, SiteSign::ListEnd, SiteSign::ContentStart, SiteSign::ContentEnd,
                         SiteSign::NeedDelStr, SiteSign::VolumeStart, SiteSign::VolumeEnd});
    QGroupBox* other =
        group(tr("其他标志"),
              {SiteSign::BriefUrlStart, SiteSign::BriefUrlEnd, SiteSign::AuthorStart, SiteSign::AuthorEnd,
               SiteSign::BriefStart, SiteSign::BriefEnd, SiteSign::BookImgUrlStart, SiteSign::BookImgUrlEnd});

    m_cboSiteSign = new QComboBox(this);
    m_cboSiteSign->setObjectName(QStringLiteral("cboSiteSign"));
    for (const SiteSign& s : m_rows)
        m_cboSiteSign->addItem(s[SiteSign::Name] + QStringLiteral(" (") + s[SiteSign::Url] + u')');
    m_cboSiteSign->setCurrentIndex(-1);
    auto* getValue = new QPushButton(tr("取值"), this);
    getValue->setObjectName(QStringLiteral("cmdGetValue"));
    auto* copyRow = new QHBoxLayout;
    copyRow->addWidget(new QLabel(tr("从"), this));
    copyRow->addWidget(m_cboSiteSign, 1);
    copyRow->addWidget(getValue);

    m_cmdOK = new QPushButton(tr("确定"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(cancel);

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(basic);
    left->addWidget(markers);
    columns->addLayout(left);
    columns->addWidget(other);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(copyRow);
    layout->addLayout(buttons);

    if (m_editRow >= 0)
        for (int f = 0; f < SiteSign::FieldCount; ++f)
            m_boxes[f]->setText(m_rows.at(m_editRow).fields[f]);

    connect(getValue, &QPushButton::clicked, this, &FrmAddSiteSign::onGetValue);
    connect(m_cmdOK, &QPushButton::clicked, this, &FrmAddSiteSign::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

FrmAddSiteSign::~FrmAddSiteSign() {
    if (m_job) {
        m_job->disconnect(this);
        m_job->stopAndWait();
    }
}

SiteSign FrmAddSiteSign::sign() const {
    SiteSign s;
    for (int f = 0; f < SiteSign::FieldCount; ++f)
        s.fields[f] = m_boxes[f]->text();
    s[SiteSign::Name] = s[SiteSign::Name].trimmed();
    s[SiteSign::Url] = s[SiteSign::Url].trimmed();
    if (!s[SiteSign::Url].endsWith(u'/'))
        s[SiteSign::Url] += u'/';
    return s;
}

void FrmAddSiteSign::onGetValue() {
    const int index = m_cboSiteSign->currentIndex();
    if (index < 0 || index >= m_rows.size()) {
        Messages::warning(this, tr("请选择具体项"));
        return;
    }
    for (int f = 0; f < SiteSign::FieldCount; ++f)
        m_boxes[f]->setText(m_rows.at(index).fields[f]);
}

void FrmAddSiteSign::onOk() {
    if (m_job)
        return;
    const auto refuse = [this](const QString& text, SiteSign::Field field) {
        Messages::warning(this, text);
        m_boxes[field]->setFocus();
    };
    if (m_boxes[SiteSign::Name]->text().trimmed().isEmpty())
        return refuse(tr("请输入网站名称"), SiteSign::Name);
    if (m_boxes[SiteSign::Url]->text().trimmed().isEmpty())
        return refuse(tr("请输入网站网址"), SiteSign::Url);
    const QString url = sign()[SiteSign::Url];
    m_boxes[SiteSign::Url]->setText(url);
    for (int i = 0; i < m_rows.size(); ++i) {
        QString other = m_rows.at(i)[SiteSign::Url].trimmed();
        if (!other.endsWith(u'/'))
            other += u'/';
        if (i != m_editRow && other.compare(url, Qt::CaseInsensitive) == 0)
            return refuse(tr("该网站网址已存在列表中"), SiteSign::Url);
    }
    FetchOptions options = FetchOptions::fromSettings(m_settings);
    options.timeoutRetries = 0;
    m_job = std::make_unique<ListPageCheckJob>(networkSourceFactory(options), url, options.displayCharset);
    connect(m_job.get(), &Job::finished, this, &FrmAddSiteSign::checkFinished, Qt::QueuedConnection);
    m_cmdOK->setEnabled(false);
    m_job->start();
}

void FrmAddSiteSign::checkFinished() {
    if (!m_job)
        return;
    m_job->wait();
    const bool failed = static_cast<ListPageCheckJob*>(m_job.get())->failed();
    m_job.reset();
    m_cmdOK->setEnabled(true);
    if (failed) {
        Messages::warning(this, tr("无效的网站网址"));
        m_boxes[SiteSign::Url]->setFocus();
        return;
    }
    accept();
}
