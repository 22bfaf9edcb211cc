#include "bookcase/ui/frmbookcasebatchadd.h"

#include "bookcase/bookcase.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { NameColumn, CategoryColumn, FolderColumn, FileColumn };
constexpr int kCodeRole = Qt::UserRole;

// The category cells are edited with the list of categories; the cell keeps the code beside the name.
class CategoryDelegate : public QStyledItemDelegate {
public:
    CategoryDelegate(QList<Category> categories, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_categories(std::move(categories)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* box = new QComboBox(parent);
        box->addItem(QString(), QString());
        for (const Category& c : m_categories)
            box->addItem(c.name, c.code);
        return box;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* box = static_cast<QComboBox*>(editor);
        box->setCurrentIndex(std::max(0, box->findData(index.data(kCodeRole).toString())));
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        // Each change sets the open editor back to the cell: both are read first.
        auto* box = static_cast<QComboBox*>(editor);
        const QString name = box->currentText();
        const QString code = box->currentData().toString();
        model->setData(index, code, kCodeRole);
        model->setData(index, name, Qt::DisplayRole);
    }

private:
    const QList<Category> m_categories;
};

QLabel* hint(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

FrmBookCaseBatchAdd::FrmBookCaseBatchAdd(LibraryContext& library, const QString& code, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmBookCaseBatchAdd"));
    setWindowTitle(tr("图书批量新增"));
    const QList<Category> categories = CategoryStore(library.database()).list();

    m_fg = new QTableWidget(0, 4, this);
    m_fg->setObjectName(QStringLiteral("Fg"));
    m_fg->setHorizontalHeaderLabels({tr("图书名称"), tr("分类"), tr("文件夹"), tr("文件名")});
    m_fg->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fg->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fg->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                          QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_fg->setItemDelegateForColumn(CategoryColumn, new CategoryDelegate(categories, m_fg));
    m_fg->verticalHeader()->setDefaultSectionSize(m_fg->fontMetrics().height() + 8);
    m_fg->horizontalHeader()->setStretchLastSection(true);
    m_fg->setColumnWidth(NameColumn, 160);
    m_fg->setColumnWidth(CategoryColumn, 100);
    m_fg->setColumnWidth(FolderColumn, 220);
    m_fg->setMinimumSize(640, 300);

    m_cboLB = new QComboBox(this);
    m_cboLB->setObjectName(QStringLiteral("cboLB"));
    m_cboLB->setMinimumWidth(120);
    m_cboLB->addItem(QString(), QString());
    for (const Category& c : categories)
        m_cboLB->addItem(c.name, c.code);
    m_cboLB->setCurrentIndex(std::max(0, m_cboLB->findData(code)));

    QPushButton* cmdPath = namedButton(this, "cmdPath", tr("添加"));
    QPushButton* cmdDel = namedButton(this, "cmdDel", tr("移除"));
    auto* tools = new QGridLayout;
    tools->addWidget(new QLabel(tr("分类"), this), 0, 0);
    tools->addWidget(m_cboLB, 0, 1);
    tools->addWidget(cmdPath, 0, 2);
    tools->addWidget(hint(this, "lblHint1", tr("可按住Ctrl键或Shift键选择多个文件")), 0, 3);
    tools->addWidget(cmdDel, 1, 2);
    tools->addWidget(hint(this, "lblHint3", tr("移去列表中不需要的文件")), 1, 3);
    tools->setColumnStretch(3, 1);

    const OkCancelRow buttons = okCancelRow(this);
    buttons.ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(hint(this, "lblHint2", tr("可直接点击图书名称或分类下的格子进行编辑")));
    layout->addWidget(m_fg, 1);
    layout->addLayout(buttons.row);

    connect(cmdPath, &QPushButton::clicked, this, &FrmBookCaseBatchAdd::addFiles);
    connect(cmdDel, &QPushButton::clicked, this, &FrmBookCaseBatchAdd::removeRows);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmBookCaseBatchAdd::save);
}

QString FrmBookCaseBatchAdd::pathOfRow(int row) const {
    const QString folder = m_fg->item(row, FolderColumn)->text();
    const QString file = m_fg->item(row, FileColumn)->text();
    return folder.endsWith(u'/') ? QString(folder + file) : QString(folder + u'/' + file);
}

void FrmBookCaseBatchAdd::addFiles() {
    const QString filters =
        QStringList{tr("所有文件(*.*)"), tr("文档文件(txt,chm,doc,pdf,wri) (*.txt *.chm *.doc *.pdf *.wri)"),
                    tr("可执行文件(exe) (*.exe)"), tr("web文件(htm,html,htx) (*.htm *.html *.htx)")}
            .join(QStringLiteral(";;"));
    const QStringList files = Messages::openFileNames(this, tr("添加"), m_lastFolder, filters);
    if (files.isEmpty())
        return;
    QSet<QString> present;
    for (int row = 0; row < m_fg->rowCount(); ++row)
        present.insert(pathOfRow(row));

    const auto cell = [](const QString& text, bool editable) {
        auto* item = new QTableWidgetItem(text);
        if (!editable)
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        return item;
    };
    for (const QString& file : files) {
        const QFileInfo info(QDir::cleanPath(file));
        const QString path = info.absoluteFilePath();
        if (present.contains(path))
            continue;
        present.insert(path);
        m_lastFolder = info.absolutePath();
        const int row = m_fg->rowCount();
        m_fg->insertRow(row);
        m_fg->setItem(row, NameColumn, cell(Bookcase::nameFromFile(path), true));
        QTableWidgetItem* category = cell(m_cboLB->currentText(), true);
        category->setData(kCodeRole, m_cboLB->currentData().toString());
        m_fg->setItem(row, CategoryColumn, category);
        m_fg->setItem(row, FolderColumn, cell(info.absolutePath(), false));
        m_fg->setItem(row, FileColumn, cell(info.fileName(), false));
    }
}

void FrmBookCaseBatchAdd::removeRows() {
    QList<int> rows;
    for (const QModelIndex& index : m_fg->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty()) {
        Messages::warning(this, tr("请选择具体行"));
        return;
    }
    if (!Messages::question(this, tr("你确定要移除选中的项吗")))
        return;
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (const int row : rows)
        m_fg->removeRow(row);
}

void FrmBookCaseBatchAdd::save() {
    QList<Bookcase::BatchRow> rows;
    for (int row = 0; row < m_fg->rowCount(); ++row)
        rows.append({m_fg->item(row, NameColumn)->text(), pathOfRow(row),
                     m_fg->item(row, CategoryColumn)->data(kCodeRole).toString()});
    const Bookcase::Result result = Bookcase(m_library).addBatch(rows, m_cboLB->currentData().toString());
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    Q_EMIT added(result.ids);
    accept();
}
