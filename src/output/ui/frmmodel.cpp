#include "output/ui/frmmodel.h"

#include "widgets/messages.h"
#include "output/pagetemplates.h"
#include "output/ui/sourceeditor.h"
#include "storage/librarycontext.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kStyleRole = Qt::UserRole;
constexpr int kPageRole = Qt::UserRole + 1; // 0 chapter page, 1 contents page, -1 a style

} // namespace

FrmModel::FrmModel(LibraryContext& library, QWidget* parent)
    : QMainWindow(parent)
    , m_library(library)
    , m_styles(library.folder()) {
    setObjectName(QStringLiteral("frmModel"));
    setWindowTitle(tr("自定义显示样式编辑"));

    auto* toolbar = addToolBar(tr("工具栏"));
    toolbar->setObjectName(QStringLiteral("tbrModel"));
    const QList<QPair<const char*, QString>> actions = {{"AddCls", tr("增加")},
                                                        {"Delete", tr("删除")},
                                                        {"Save", tr("保存")},
                                                        {"help", tr("帮助")},
                                                        {"Exit", tr("退出")}};
    QList<QAction*> created;
    for (const auto& [key, text] : actions) {
        QAction* action = toolbar->addAction(text);
        action->setObjectName(QLatin1String(key));
        created << action;
    }

    m_tvwModel = new QTreeWidget(this);
    m_tvwModel->setObjectName(QStringLiteral("tvwModel"));
    m_tvwModel->setHeaderHidden(true);
    m_txtName = new QLineEdit(this);
    m_txtName->setObjectName(QStringLiteral("txtName"));
    m_webModel = new QTextBrowser(this);
    m_webModel->setObjectName(QStringLiteral("webModel"));
    m_source = new SourceEditor(this);
    m_source->setObjectName(QStringLiteral("txtCode"));
    auto* help = new QLabel(StyleLibrary::helpText(), this);
    help->setObjectName(QStringLiteral("lblHelp"));
    help->setWordWrap(true);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("样式名称："), this));
    nameRow->addWidget(m_txtName, 1);
    auto* pages = new QSplitter(Qt::Vertical, this);
    pages->addWidget(m_webModel);
    pages->addWidget(m_source);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->addLayout(nameRow);
    rightLayout->addWidget(pages, 1);
    rightLayout->addWidget(help);
    auto* split = new QSplitter(this);
    split->addWidget(m_tvwModel);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    setCentralWidget(split);
    resize(960, 680);

    connect(m_tvwModel, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { showItem(item); });
    connect(m_source, &SourceEditor::textChanged, this, [this] { m_webModel->setHtml(m_source->text()); });
    connect(created.at(0), &QAction::triggered, this, &FrmModel::addStyle);
    connect(created.at(1), &QAction::triggered, this, &FrmModel::deleteStyle);
    connect(created.at(2), &QAction::triggered, this, &FrmModel::saveStyle);
    connect(created.at(3), &QAction::triggered, this,
            [this] { Messages::information(this, StyleLibrary::helpText()); });
    connect(created.at(4), &QAction::triggered, this, &QWidget::close);

    fillTree();
    selectPage(PageTemplates::effectiveStyle(library.folder(),
                                             library.settings().value(QStringLiteral("ArticleStyle"))),
               StyleLibrary::Page::Chapter);
}

void FrmModel::fillTree() {
    m_tvwModel->clear();
    auto addStyles = [this](const QString& group, const QStringList& styles) {
        auto* top = new QTreeWidgetItem(m_tvwModel, {group});
        top->setData(0, kPageRole, -2);
        for (const QString& style : styles) {
            auto* item = new QTreeWidgetItem(top, {style});
            item->setData(0, kStyleRole, style);
            item->setData(0, kPageRole, -1);
            auto* chapter = new QTreeWidgetItem(item, {tr("章节页")});
            chapter->setData(0, kStyleRole, style);
            chapter->setData(0, kPageRole, 0);
            auto* list = new QTreeWidgetItem(item, {tr("目录页")});
            list->setData(0, kStyleRole, style);
            list->setData(0, kPageRole, 1);
        }
        top->setExpanded(true);
    };
    addStyles(tr("系统"), PageTemplates::builtInStyles());
    addStyles(tr("自增"), m_styles.userStyles());
}

QTreeWidgetItem* FrmModel::findPage(const QString& style, StyleLibrary::Page page) const {
    const int wanted = page == StyleLibrary::Page::Chapter ? 0 : 1;
    for (int t = 0; t < m_tvwModel->topLevelItemCount(); ++t) {
        QTreeWidgetItem* top = m_tvwModel->topLevelItem(t);
        for (int s = 0; s < top->childCount(); ++s) {
            QTreeWidgetItem* item = top->child(s);
            if (item->data(0, kStyleRole).toString() == style)
                return item->child(wanted);
        }
    }
    return nullptr;
}

void FrmModel::selectPage(const QString& style, StyleLibrary::Page page) {
    if (QTreeWidgetItem* item = findPage(style, page))
        m_tvwModel->setCurrentItem(item);
}

QString FrmModel::selectedStyle() const {
    const QTreeWidgetItem* item = m_tvwModel->currentItem();
    return item ? item->data(0, kStyleRole).toString() : QString();
}

void FrmModel::showItem(QTreeWidgetItem* item) {
    if (!item)
        return;
    const int page = item->data(0, kPageRole).toInt();
    if (page == -1) { // a style: its chapter page
        m_tvwModel->setCurrentItem(item->child(0));
        return;
    }
    if (page < 0)
        return;
    m_style = item->data(0, kStyleRole).toString();
    m_page = page == 0 ? StyleLibrary::Page::Chapter : StyleLibrary::Page::List;
    m_txtName->setText(m_style);
    m_txtName->setReadOnly(!m_styles.isUserStyle(m_style));
    m_webModel->document()->setBaseUrl(QUrl::fromLocalFile(m_styles.pagePath(m_style, m_page)));
    m_source->setText(m_styles.pageText(m_style, m_page));
}

void FrmModel::addStyle() {
    bool ok = false;
    const QString name = QInputDialog::getText(this, tr("增加自定义样式"), tr("请输入名称"),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok || name.isEmpty())
        return;
    const QString error = m_styles.addStyle(
        name, PageTemplates::effectiveStyle(m_library.folder(),
                                            m_library.settings().value(QStringLiteral("ArticleStyle"))));
    if (!error.isEmpty()) {
        Messages::warning(this, error);
        return;
    }
    fillTree();
    selectPage(name, StyleLibrary::Page::Chapter);
}

void FrmModel::deleteStyle() {
    const QString style = selectedStyle();
    if (!m_styles.isUserStyle(style)) {
        Messages::warning(this, tr("只能删除自增项，其他不能删除"));
        return;
    }
    if (!Messages::question(this, tr("您是否确定删除样式\"") + style + tr("\"？")))
        return;
    const QString error = m_styles.deleteStyle(style);
    if (!error.isEmpty()) {
        Messages::warning(this, error);
        return;
    }
    // The style in use goes back to the first built-in one when its folder is gone.
    fillTree();
    selectPage(PageTemplates::effectiveStyle(m_library.folder(),
                                             m_library.settings().value(QStringLiteral("ArticleStyle"))),
               StyleLibrary::Page::Chapter);
}

void FrmModel::saveStyle() {
    if (m_style.isEmpty())
        return;
    const QString name = m_txtName->text().trimmed();
    const QString error = m_styles.saveStyle(m_style, name, m_page, m_source->text(), m_library.settings());
    if (!error.isEmpty()) {
        Messages::warning(this, error);
        return;
    }
    if (name != m_style) {
        const StyleLibrary::Page page = m_page;
        fillTree();
        selectPage(name, page);
    }
    Messages::information(this, tr("已保存"));
}
