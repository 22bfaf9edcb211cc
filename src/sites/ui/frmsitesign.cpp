#include "sites/ui/frmsitesign.h"

#include "sites/sitesignupdatejob.h"
#include "sites/ui/frmaddsitesign.h"
#include "sites/ui/frmsitesigncompare.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"
#include "storage/librarycontext.h"
#include "storage/prompter.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The update job's compare questions, answered by the window's comparer on the window's thread.
class ComparePrompter : public Prompter {
public:
    ComparePrompter(QWidget* window,
                    std::function<SiteSignTable::Decision(const SiteSign&, const SiteSign&)> compare)
        : m_window(window)
        , m_compare(std::move(compare)) {}

    Answer ask(const Question& question) override {
        Answer answer;
        onWindowThread([&] {
            const QStringList halves = question.text.split(QStringLiteral("^^^^"));
            SiteSign before;
            SiteSign after;
            const QStringList a = halves.value(0).split(QStringLiteral("\r\n"));
            const QStringList b = halves.value(1).split(QStringLiteral("\r\n"));
            for (int f = 0; f < SiteSign::FieldCount; ++f) {
                before.fields[f] = a.value(f);
                after.fields[f] = b.value(f);
            }
            const SiteSignTable::Decision d = m_compare(before, after);
            answer.button = d.overwrite ? 0 : 1;
            answer.applyToAll = d.applyToAll;
        });
        return answer;
    }
    void message(Icon icon, const QString& text) override {
        onWindowThread([&] {
            if (icon == Icon::Warning)
                Messages::warning(m_window, text);
            else
                Messages::information(m_window, text);
        });
    }

private:
    void onWindowThread(const std::function<void()>& work) {
        if (QThread::currentThread() == m_window->thread())
            work();
        else
            QMetaObject::invokeMethod(m_window, work, Qt::BlockingQueuedConnection);
    }

    QWidget* m_window;
    std::function<SiteSignTable::Decision(const SiteSign&, const SiteSign&)> m_compare;
};

QString withSlash(QString url) {
    url = url.trimmed();
    if (!url.endsWith(u'/'))
        url += u'/';
    return url;
}

} // namespace

FrmSiteSign::FrmSiteSign(LibraryContext& library, const QString& siteRoot, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_comparer(
          [this](const SiteSign& a, const SiteSign& b) { return FrmSiteSignCompare::ask(a, b, this); }) {
    setObjectName(QStringLiteral("frmSiteSign"));
    setWindowTitle(tr("小说正文标志设置"));
    resize(900, 520);
    m_prompter = std::make_unique<ComparePrompter>(
        this, [this](const SiteSign& a, const SiteSign& b) { return m_comparer(a, b); });

    m_lblSelect = new QLabel(tr("在这里您可以设置小说网站的正文标志，方便去掉小说前后不需要的内容"), this);
    m_lblSelect->setObjectName(QStringLiteral("lblSelect"));
    m_txtFind = new QLineEdit(this);
    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    auto* top = new QHBoxLayout;
    top->addWidget(m_lblSelect, 1);
    top->addWidget(new QLabel(tr("查找："), this));
    top->addWidget(m_txtFind);

    m_lstSiteSign = new QTreeWidget(this);
    m_lstSiteSign->setObjectName(QStringLiteral("lstSiteSign"));
    m_lstSiteSign->setRootIsDecorated(false);
    m_lstSiteSign->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstSiteSign->setHeaderLabels(QStringList{QString()} + SiteSign::captions());

    m_lblSum = new QLabel(this);
    m_lblSum->setObjectName(QStringLiteral("lblSum"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_lblSum, 1);
    QPushButton* add = namedButton(this, "cmdAdd", tr("新增"));
    QPushButton* edit = namedButton(this, "cmdEdit", tr("修改"));
    QPushButton* remove = namedButton(this, "cmdDelete", tr("删除"));
    QPushButton* get = namedButton(this, "cmdGet", tr("导入"));
    QPushButton* out = namedButton(this, "cmdOut", tr("导出全部"));
    QPushButton* outSelect = namedButton(this, "cmdOutSelect", tr("导出选中项"));
    m_cmdRefresh = namedButton(this, "cmdRefresh", tr("在线更新"));
    QPushButton* ok = namedButton(this, "cmdOK", tr("确定"));
    QPushButton* cancel = namedButton(this, "cmdCancel", tr("取消"));
    for (QPushButton* b : {add, edit, remove, get, out, outSelect, m_cmdRefresh, ok, cancel})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_lstSiteSign, 1);
    layout->addLayout(buttons);

    SiteSignTable table;
    table.load(m_library.folder().file(QStringLiteral("sitesign.xml")));
    fillList(table.signs());
    if (!siteRoot.isEmpty()) {
        for (int i = 0; i < m_lstSiteSign->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = m_lstSiteSign->topLevelItem(i);
            if (withSlash(item->text(1 + SiteSign::Url)).compare(siteRoot, Qt::CaseInsensitive) == 0) {
                m_lstSiteSign->setCurrentItem(item);
                m_lstSiteSign->scrollToItem(item);
                break;
            }
        }
    }

    connect(m_txtFind, &QLineEdit::textChanged, this, &FrmSiteSign::onFind);
    connect(add, &QPushButton::clicked, this, [this] { onEdit(-1); });
    connect(edit, &QPushButton::clicked, this, [this] {
        const QList<int> rows = selectedRows();
        if (rows.isEmpty())
            Messages::warning(this, tr("请选择具体项"));
        else
            onEdit(rows.first());
    });
    connect(m_lstSiteSign, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { onEdit(m_lstSiteSign->indexOfTopLevelItem(item)); });
    connect(remove, &QPushButton::clicked, this, &FrmSiteSign::onDelete);
    connect(get, &QPushButton::clicked, this, &FrmSiteSign::onImport);
    connect(out, &QPushButton::clicked, this, [this] { onExport(false); });
    connect(outSelect, &QPushButton::clicked, this, [this] { onExport(true); });
    connect(m_cmdRefresh, &QPushButton::clicked, this, &FrmSiteSign::onRefresh);
    connect(ok, &QPushButton::clicked, this, &FrmSiteSign::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

FrmSiteSign::~FrmSiteSign() {
    if (m_job) {
        m_job->disconnect(this);
        m_job->stopAndWait();
    }
}

void FrmSiteSign::fillList(const QList<SiteSign>& signs) {
    m_lstSiteSign->clear();
    for (const SiteSign& s : signs)
        addRow(s);
    renumber();
}

void FrmSiteSign::addRow(const SiteSign& sign) {
    setRow(-1, sign);
}

void FrmSiteSign::setRow(int row, const SiteSign& sign) {
    QTreeWidgetItem* item = row < 0 ? new QTreeWidgetItem(m_lstSiteSign) : m_lstSiteSign->topLevelItem(row);
    for (int f = 0; f < SiteSign::FieldCount; ++f)
        item->setText(1 + f, sign.fields[f]);
}

void FrmSiteSign::renumber() {
    const int count = m_lstSiteSign->topLevelItemCount();
    for (int i = 0; i < count; ++i)
        m_lstSiteSign->topLevelItem(i)->setText(0, tr("网站") + QString::number(i + 1));
    m_lblSum->setText(tr("共计：") + QString::number(count));
}

QList<SiteSign> FrmSiteSign::rows() const {
    QList<SiteSign> signs;
    for (int i = 0; i < m_lstSiteSign->topLevelItemCount(); ++i) {
        SiteSign s;
        for (int f = 0; f < SiteSign::FieldCount; ++f)
            s.fields[f] = m_lstSiteSign->topLevelItem(i)->text(1 + f);
        signs.append(s);
    }
    return signs;
}

QList<int> FrmSiteSign::selectedRows() const {
    QList<int> rows;
    for (int i = 0; i < m_lstSiteSign->topLevelItemCount(); ++i)
        if (m_lstSiteSign->topLevelItem(i)->isSelected())
            rows.append(i);
    return rows;
}

void FrmSiteSign::onFind(const QString& text) {
    const QString wanted = text.trimmed();
    m_lstSiteSign->clearSelection();
    if (wanted.isEmpty())
        return;
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < m_lstSiteSign->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_lstSiteSign->topLevelItem(i);
        if (item->text(1 + SiteSign::Name).contains(wanted, Qt::CaseInsensitive) ||
            item->text(1 + SiteSign::Url).contains(wanted, Qt::CaseInsensitive)) {
            item->setSelected(true);
            if (!first)
                first = item;
        }
    }
    if (first)
        m_lstSiteSign->scrollToItem(first);
}

void FrmSiteSign::onEdit(int row) {
    auto* editor = new FrmAddSiteSign(rows(), row, m_library.settings(), this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    connect(editor, &QDialog::accepted, this, [this, editor] {
        const int target = editor->editRow();
        if (target >= 0 && target < m_lstSiteSign->topLevelItemCount())
            setRow(target, editor->sign());
        else
            addRow(editor->sign());
        renumber();
    });
    editor->open();
}

void FrmSiteSign::onDelete() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        Messages::warning(this, tr("请选择具体项"));
        return;
    }
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        delete m_lstSiteSign->takeTopLevelItem(*it);
    renumber();
}

void FrmSiteSign::onImport() {
    const QString path = Messages::openFileName(this, tr("导入"), QString(), tr("正文标志文件 (*.xml)"));
    if (path.isEmpty())
        return;
    SiteSignTable table;
    table.setSigns(rows());
    const SiteSignTable::MergeResult result = table.mergeFile(path, m_comparer);
    if (!result.error.isEmpty()) {
        Messages::warning(this, result.error);
        return;
    }
    fillList(table.signs());
}

void FrmSiteSign::onExport(bool selectedOnly) {
    QList<SiteSign> signs = rows();
    if (selectedOnly) {
        QList<SiteSign> chosen;
        for (const int row : selectedRows())
            chosen.append(signs.at(row));
        signs = chosen;
    }
    if (signs.isEmpty()) {
        Messages::warning(this, tr("没有正文标志内容"));
        return;
    }
    const QString path = Messages::saveFileName(this, selectedOnly ? tr("导出选中项") : tr("导出全部"),
                                                QDir::home().filePath(SiteSignTable::proposedExportName()),
                                                tr("正文标志文件 (*.xml)"));
    if (path.isEmpty())
        return;
    SiteSignTable table;
    table.setSigns(signs);
    QString error;
    if (!table.save(path, &error)) {
        Messages::warning(this, error);
        return;
    }
    Messages::information(this, (selectedOnly ? tr("当前选中的小说正文标志已导出到文件\"")
                                              : tr("当前的小说正文标志已导出到文件\"")) +
                                    QDir::toNativeSeparators(path) + tr("\"中"));
}

void FrmSiteSign::onRefresh() {
    if (m_job)
        return;
    SiteSignTable table;
    table.setSigns(rows());
    FetchOptions options = FetchOptions::fromSettings(m_library.settings());
    m_job = std::make_unique<SiteSignUpdateJob>(
        table, m_library.settings().value(QStringLiteral("SiteSignUpdateUrl")), m_library.folder().path(),
        options);
    m_job->setPrompter(m_prompter.get());
    connect(m_job.get(), &Job::finished, this, &FrmSiteSign::refreshFinished, Qt::QueuedConnection);
    m_cmdRefresh->setEnabled(false);
    m_job->start();
}

void FrmSiteSign::refreshFinished() {
    if (!m_job)
        return;
    m_job->wait();
    std::unique_ptr<Job> job = std::move(m_job);
    m_cmdRefresh->setEnabled(true);
    auto* update = static_cast<SiteSignUpdateJob*>(job.get());
    if (update->result().ok)
        fillList(update->table().signs());
}

void FrmSiteSign::onOk() {
    const QString path = m_library.folder().file(QStringLiteral("sitesign.xml"));
    SiteSignTable table;
    table.setSigns(rows());
    QString error;
    if (!table.save(path, &error)) {
        Messages::warning(this, error);
        return;
    }
    SiteSignTable saved;
    saved.load(path);
    int changed = 0;
    if (Messages::okCancel(this, tr("是否将所有小说按当前正文标志重新设置?")))
        changed = saved.applyToNovels(m_library.database());
    Q_EMIT signsSaved(changed);
    accept();
}
