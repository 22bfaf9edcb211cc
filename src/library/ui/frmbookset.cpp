#include "library/ui/frmbookset.h"

#include "companion/autostart.h"
#include "library/optionchecks.h"
#include "library/ui/frmfilter.h"
#include "storage/librarycontext.h"
#include "storage/recordlists.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// "bIsNovelNewDown" → "chkNovelNewDown".
QString checkName(const QString& key) {
    return QStringLiteral("chk") + (key.startsWith(QLatin1String("bIs")) ? key.mid(3) : key);
}

// The arrows stay within the limits; typed numbers outside them are allowed so that "确定" can say
// what the limits are.
class LimitedSpinBox : public QSpinBox {
public:
    LimitedSpinBox(int minimum, int maximum, QWidget* parent)
        : QSpinBox(parent)
        , m_minimum(minimum)
        , m_maximum(maximum) {
        setRange(-99999, 99999);
    }

    void stepBy(int steps) override { setValue(std::clamp(value() + steps, m_minimum, m_maximum)); }

protected:
    StepEnabled stepEnabled() const override {
        StepEnabled enabled = StepNone;
        if (value() < m_maximum)
            enabled |= StepUpEnabled;
        if (value() > m_minimum)
            enabled |= StepDownEnabled;
        return enabled;
    }

private:
    int m_minimum;
    int m_maximum;
};

} // namespace

FrmBookSet::FrmBookSet(LibraryContext& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmBookSet"));
    setWindowTitle(tr("设置"));
    const Settings& s = m_library.settings();
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabOptions"));

    // General
    auto* general = new QWidget(tabs);
    auto* g = new QVBoxLayout(general);
    auto* styleRow = new QFormLayout;
    m_cboArticleStyle = new QComboBox(general);
    m_cboArticleStyle->setObjectName(QStringLiteral("cboArticleStyle"));
    m_cboArticleStyle->setEditable(true);
    m_cboArticleStyle->addItems({tr("普通样式"), tr("简洁样式"), tr("外框样式")});
    QList<BookModel> userStyles;
    if (listUserModels(m_library.folder().path(), userStyles))
        for (const BookModel& m : userStyles)
            m_cboArticleStyle->addItem(m.name);
    m_cboArticleStyle->setEditText(s.value(QStringLiteral("ArticleStyle")));
    styleRow->addRow(tr("章节显示样式"), m_cboArticleStyle);
    m_cboIntervalTime = new QComboBox(general);
    m_cboIntervalTime->setObjectName(QStringLiteral("cboIntervalTime"));
    m_cboIntervalTime->addItems(OptionChecks::intervalEntries());
    m_cboIntervalTime->setCurrentIndex(OptionChecks::intervalIndex(s.value(QStringLiteral("IntervalTime"))));
    styleRow->addRow(tr("自动更新间隔"), m_cboIntervalTime);
    g->addLayout(styleRow);
    for (const auto& [key, text] : std::initializer_list<std::pair<const char*, const char*>>{
             {"bIsNovelNewDown", "新增小说后立即更新"},
             {"bIsStartLastArticle", "自动进入最近章节"},
             {"bIsNovelSetGood", "章节内容自动套用样式"},
             {"bIsNewMessageView", "显示新章节消息框"},
             {"bIsNotify", "最小化到托盘"},
             {"bIsAutoStart", "开机后自动启动"},
             {"bIsAutoAllReNew", "启动后自动全部更新"},
             {"bIsAutoMin", "启动后最小化"},
             {"bIsAutoShutdown", "全部更新完成后自动关机"},
             {"bIsEntireScreen", "完全全屏"},
             {"bIsOneBookMark", "添加书签时自动移除该小说的原有书签"},
             {"bIsDeleteUrl", "删除的章节自动归入本书过滤链接"}})
        g->addWidget(addCheck(general, QLatin1String(key), tr(text)));
    auto* editorRow = new QHBoxLayout;
    editorRow->addWidget(addCheck(general, QStringLiteral("bIsOtherEditor"), tr("启用外部编辑器")));
    m_txtOtherEditor = new QLineEdit(s.value(QStringLiteral("OtherEditor")), general);
    m_txtOtherEditor->setObjectName(QStringLiteral("txtOtherEditor"));
    editorRow->addWidget(m_txtOtherEditor, 1);
    auto* browseEditor = new QPushButton(tr("浏览..."), general);
    browseEditor->setObjectName(QStringLiteral("cmdOtherEditor"));
    editorRow->addWidget(browseEditor);
    g->addLayout(editorRow);
    g->addStretch();
    tabs->addTab(general, tr("常规"));

    // Downloading
    auto* download = new QWidget(tabs);
    auto* d = new QVBoxLayout(download);
    auto* numbers = new QFormLayout;
    const auto numberRow = [&](const QString& key, const QString& label, const QString& unit) {
        auto* row = new QHBoxLayout;
        row->addWidget(addNumber(key));
        if (!unit.isEmpty())
            row->addWidget(new QLabel(unit, download));
        row->addStretch();
        numbers->addRow(label, row);
    };
    numberRow(QStringLiteral("NovelConnTimeOut"), tr("连接超时"), tr("秒"));
    numberRow(QStringLiteral("MultGetNums"), tr("最大下载任务数"), QString());
    numberRow(QStringLiteral("DelayTime"), tr("每章下载后等待"), tr("秒"));
    numberRow(QStringLiteral("LinkDepth"), tr("最大链接深度"), QString());
    numberRow(QStringLiteral("PlaceholderMinChars"), tr("章节少于"), tr("字时视为占位章节（0：不按字数）"));
    numberRow(QStringLiteral("PlaceholderTries"), tr("占位章节最多重新下载"), tr("次"));
    m_txtPlaceholderWords = new QLineEdit(s.value(QStringLiteral("PlaceholderWords")), download);
    m_txtPlaceholderWords->setObjectName(QStringLiteral("txtPlaceholderWords"));
    m_txtPlaceholderWords->setToolTip(tr("含有这些文字的章节视为占位章节，以后更新时重新下载；"
                                         "用||隔开，写成 [[表达式]] 的一项按正则表达式匹配"));
    numbers->addRow(tr("占位章节标志"), m_txtPlaceholderWords);
    m_cboCharset = new QComboBox(download);
    m_cboCharset->setObjectName(QStringLiteral("cboCharset"));
    m_cboCharset->addItems(OptionChecks::charsets());
    m_cboCharset->setCurrentIndex(
        std::max<int>(0, OptionChecks::charsets().indexOf(s.value(QStringLiteral("charset")).toLower())));
    numbers->addRow(tr("选择语言"), m_cboCharset);
    d->addLayout(numbers);
    for (const auto& [key, text] : std::initializer_list<std::pair<const char*, const char*>>{
             {"bIsNovelPicDown", "下载图片"},
             {"bIsJudgePicExt", "自动识别图片文件格式"},
             {"bIsCenterPic", "图片下载后自动居中"},
             {"bIsAutoType", "下载后自动排版"},
             {"bIsAutoDisplayorder", "下载后自动调整次序"},
             {"bIsJoinPages", "自动合并分页章节"},
             {"bIsManualSelect", "手动选择下载章节"},
             {"bIsSearchSelSite", "只搜索选定的网站"},
             {"bIsEndSearchOnce", "搜索出结果即结束搜索"}})
        d->addWidget(addCheck(download, QLatin1String(key), tr(text)));
    auto* filter = new QPushButton(tr("总体过滤设置"), download);
    filter->setObjectName(QStringLiteral("cmdFilter"));
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filter);
    filterRow->addStretch();
    d->addLayout(filterRow);
    d->addStretch();
    tabs->addTab(download, tr("下载"));

    // E-books and contents pages
    auto* ebook = new QWidget(tabs);
    auto* e = new QVBoxLayout(ebook);
    auto* pathRow = new QHBoxLayout;
    m_txtNovelChmPath = new QLineEdit(s.value(QStringLiteral("NovelChmPath")), ebook);
    m_txtNovelChmPath->setObjectName(QStringLiteral("txtNovelChmPath"));
    auto* browseChm = new QPushButton(tr("浏览..."), ebook);
    browseChm->setObjectName(QStringLiteral("cmdNovelChmPath"));
    pathRow->addWidget(new QLabel(tr("电子书存放目录："), ebook));
    pathRow->addWidget(m_txtNovelChmPath, 1);
    pathRow->addWidget(browseChm);
    e->addLayout(pathRow);
    auto* authorRow = new QHBoxLayout;
    m_txtChmAuthor = new QLineEdit(s.value(QStringLiteral("chmAuthor")), ebook);
    m_txtChmAuthor->setObjectName(QStringLiteral("txtChmAuthor"));
    authorRow->addWidget(new QLabel(tr("制作人："), ebook));
    authorRow->addWidget(m_txtChmAuthor, 1);
    e->addLayout(authorRow);
    auto* perLine = new QHBoxLayout;
    perLine->addWidget(new QLabel(tr("目录页每行"), ebook));
    perLine->addWidget(addNumber(QStringLiteral("ListPerLineNums")));
    perLine->addWidget(new QLabel(tr("个章节标题"), ebook));
    perLine->addStretch();
    e->addLayout(perLine);
    for (const auto& [key, text] :
         std::initializer_list<std::pair<const char*, const char*>>{{"bIsNotReadChm", "只制作未读章节"},
                                                                    {"bIsChmDefine", "自定义封面"},
                                                                    {"bIsVolumeSet", "加入分卷阅读"}})
        e->addWidget(addCheck(ebook, QLatin1String(key), tr(text)));
    e->addStretch();
    tabs->addTab(ebook, tr("电子书"));
    addAddressPage(tabs);
    addSiteListPage(tabs);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &FrmBookSet::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(filter, &QPushButton::clicked, this, [this] { FrmFilter(m_library, this).exec(); });
    connect(browseChm, &QPushButton::clicked, this, [this] {
        const QString folder =
            Messages::existingFolder(this, tr("电子书存放目录"), m_txtNovelChmPath->text());
        if (!folder.isEmpty())
            m_txtNovelChmPath->setText(folder);
    });
    connect(browseEditor, &QPushButton::clicked, this, [this] {
        const QString file = Messages::openFileName(this, tr("外部编辑器"), QString(), tr("程序(*)"));
        if (!file.isEmpty())
            m_txtOtherEditor->setText(file);
    });
}

FrmBookSet::~FrmBookSet() {
    // Checks still going stop here; their answers are of no use any more.
    for (auto& [key, address] : m_addresses)
        if (address.job)
            address.job->disconnect(this);
}

bool FrmBookSet::isChecking() const {
    return std::any_of(m_addresses.cbegin(), m_addresses.cend(),
                       [](const auto& entry) { return entry.second.job != nullptr; });
}

void FrmBookSet::addAddressPage(QTabWidget* tabs) {
    auto* page = new QWidget(tabs);
    auto* form = new QFormLayout(page);
    struct Row {
        const char* key;
        AddressCheckJob::Kind kind;
        const char* label;
        const char* hint;
    };
    for (const Row& row : {
             Row{"SearchEngineUrl", AddressCheckJob::Kind::SearchEngine, "搜索引擎网址",
                 "按名称在网上查找小说；网址中的 [[Name]] 换成要查找的文字，没有时加在网址最后"},
             Row{"NetCheckUrl", AddressCheckJob::Kind::Page, "网络检测网址",
                 "“常见问题检测”取这个网页来检查网络连接"},
             Row{"SiteSignUpdateUrl", AddressCheckJob::Kind::SiteSignUpdate, "正文标志更新网址",
                 "正文标志的“在线更新”从这个网址取 sitesign.xml"},
         }) {
        const QString key = QLatin1String(row.key);
        Address& address = m_addresses[key];
        address.kind = row.kind;
        address.edit = new QLineEdit(m_library.settings().value(key), page);
        address.edit->setObjectName(QStringLiteral("txt") + key);
        address.check = namedButton(page, QByteArray("cmdCheck").append(row.key).constData(), tr("检测"));
        address.result = new QLabel(tr(row.hint), page);
        address.result->setObjectName(QStringLiteral("lbl") + key);
        address.result->setWordWrap(true);
        auto* line = new QHBoxLayout;
        line->addWidget(address.edit, 1);
        line->addWidget(address.check);
        form->addRow(tr(row.label), line);
        form->addRow(QString(), address.result);
        connect(address.check, &QPushButton::clicked, this, [this, key] { checkAddress(key); });
    }
    tabs->addTab(page, tr("网址"));
}

void FrmBookSet::checkAddress(const QString& key) {
    Address& address = m_addresses.at(key);
    if (address.job)
        return;
    address.result->setStyleSheet(QString());
    if (address.edit->text().trimmed().isEmpty()) {
        address.result->setText(AddressCheckJob::emptyText());
        return;
    }
    address.job = std::make_unique<AddressCheckJob>(m_library.settings(), address.kind, address.edit->text());
    address.result->setText(tr("检测中，请稍候..."));
    address.check->setEnabled(false);
    connect(
        address.job.get(), &Job::finished, this,
        [this, key] {
            Address& done = m_addresses.at(key);
            if (!done.job)
                return;
            done.job->wait();
            done.result->setText(done.job->text());
            done.result->setStyleSheet(done.job->answered() ? QStringLiteral("color: green")
                                                            : QStringLiteral("color: red"));
            done.job.reset();
            done.check->setEnabled(true);
        },
        Qt::QueuedConnection);
    address.job->start();
}

void FrmBookSet::addSiteListPage(QTabWidget* tabs) {
    auto* page = new QWidget(tabs);
    auto* layout = new QVBoxLayout(page);
    auto* hint =
        new QLabel(tr("目录页按普通链接读不出章节时，会依次试用下面各种读法；列在这里的网站一开始就用"
                      "该读法。每行一个网址或网址的一部分，写成 [[表达式]] 的一项按正则表达式匹配。"),
                   page);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* grid = new QGridLayout;
    int place = 0;
    for (const auto& [key, label] : std::initializer_list<std::pair<const char*, const char*>>{
             {"ScriptListSites", "目录由脚本文件写出"},
             {"ScriptCallSites", "章节链接是脚本调用"},
             {"UrlFunctionSites", "由脚本函数选定章节网址"},
             {"ArrayListSites", "目录在脚本数组中"},
             {"ForumSites", "论坛的帖子列表"},
             {"FolderUrlSites", "章节网址以“/”结尾"},
             {"ExcludeUrlStr", "含有这些文字的网址不是章节"}}) {
        auto* edit =
            new QPlainTextEdit(FrmFilter::toLines(m_library.settings().value(QLatin1String(key))), page);
        edit->setObjectName(QStringLiteral("txt") + QLatin1String(key));
        edit->setTabChangesFocus(true);
        m_siteLists.insert(QLatin1String(key), edit);
        grid->addWidget(new QLabel(tr(label), page), (place / 2) * 2, place % 2);
        grid->addWidget(edit, (place / 2) * 2 + 1, place % 2);
        ++place;
    }
    layout->addLayout(grid, 1);
    tabs->addTab(page, tr("特殊网站"));
}

QCheckBox* FrmBookSet::addCheck(QWidget* page, const QString& key, const QString& text) {
    auto* box = new QCheckBox(text, page);
    box->setObjectName(checkName(key));
    box->setChecked(m_library.settings().isOn(key));
    m_checks.insert(key, box);
    return box;
}

QSpinBox* FrmBookSet::addNumber(const QString& key) {
    const OptionChecks::NumberField* field = OptionChecks::numberField(key);
    auto* spin = new LimitedSpinBox(field->minimum, field->maximum, this);
    spin->setObjectName(QStringLiteral("txt") + key);
    spin->setValue(m_library.settings().intValue(key, field->fallback.toInt()));
    m_numbers.insert(key, spin);
    return spin;
}

void FrmBookSet::accept() {
    // Checks in the order of the form; the first failing one is shown and the dialog stays.
    for (const OptionChecks::NumberField& field : OptionChecks::numberFields()) {
        const QString message = OptionChecks::checkNumber(field, m_numbers.value(field.key)->cleanText());
        if (!message.isEmpty()) {
            Messages::warning(this, message);
            m_numbers.value(field.key)->setFocus();
            return;
        }
    }
    for (const QString& message :
         {OptionChecks::checkChmFolder(m_txtNovelChmPath->text()),
          OptionChecks::checkArticleStyle(m_cboArticleStyle->currentText()),
          OptionChecks::checkOtherEditor(m_checks.value(QStringLiteral("bIsOtherEditor"))->isChecked(),
                                         m_txtOtherEditor->text())}) {
        if (!message.isEmpty()) {
            Messages::warning(this, message);
            return;
        }
    }

    Settings& s = m_library.settings();
    const bool wasAutoStart = s.isOn(QStringLiteral("bIsAutoStart"));
    for (auto it = m_checks.cbegin(); it != m_checks.cend(); ++it)
        s.setValue(it.key(), it.value()->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    for (const OptionChecks::NumberField& field : OptionChecks::numberFields())
        s.setValue(field.key, OptionChecks::numberValue(field, m_numbers.value(field.key)->cleanText()));
    s.setValue(QStringLiteral("ArticleStyle"), m_cboArticleStyle->currentText().trimmed());
    s.setValue(QStringLiteral("NovelChmPath"), m_txtNovelChmPath->text().trimmed());
    s.setValue(QStringLiteral("chmAuthor"), m_txtChmAuthor->text().trimmed());
    s.setValue(QStringLiteral("OtherEditor"), m_txtOtherEditor->text().trimmed());
    s.setValue(QStringLiteral("PlaceholderWords"), m_txtPlaceholderWords->text().trimmed());
    s.setValue(QStringLiteral("IntervalTime"),
               QString::number(OptionChecks::intervalMinutes(m_cboIntervalTime->currentIndex())));
    s.setValue(QStringLiteral("charset"), m_cboCharset->currentText());

    const bool autoStart = s.isOn(QStringLiteral("bIsAutoStart"));
    if (autoStart != wasAutoStart &&
        !AutoStart::apply(autoStart, QCoreApplication::applicationFilePath(), m_library.folder().path()))
        Messages::warning(this, tr("无法设置开机自动启动：") + AutoStart::entryPath());
    if (!s.saveOptionSettings()) {
        Messages::warning(this, s.lastError());
        return;
    }
    // The addresses and site lists are no option keys of their own save; each is written alone.
    QList<QPair<QString, QString>> single;
    for (const auto& [key, address] : m_addresses)
        single.append({key, address.edit->text().trimmed()});
    for (auto it = m_siteLists.cbegin(); it != m_siteLists.cend(); ++it)
        single.append({it.key(), FrmFilter::fromLines(it.value()->toPlainText())});
    for (const auto& [key, value] : std::as_const(single)) {
        if (!s.writeIniValue(Settings::kMain, key, value)) {
            Messages::warning(this, s.lastError());
            return;
        }
    }
    QDialog::accept();
}
