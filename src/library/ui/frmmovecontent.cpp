#include "library/ui/frmmovecontent.h"

#include "library/librarylists.h"
#include "storage/librarycontext.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kIdRole = Qt::UserRole;

QTreeWidget* newList(QWidget* parent, const char* name, const QStringList& columns) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setRootIsDecorated(false);
    list->setHeaderLabels(columns);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->resizeSection(0, 220);
    return list;
}

} // namespace

FrmMoveContent::FrmMoveContent(LibraryContext& library, ChapterEditor& editor, const QString& novelId,
                               const QList<qint64>& chapterIds, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_editor(editor)
    , m_novelId(novelId)
    , m_chapterIds(chapterIds) {
    setObjectName(QStringLiteral("frmMoveContent"));
    setWindowTitle(tr("章节内容移至"));
    resize(720, 480);

    m_optType = new QButtonGroup(this);
    m_optType->setObjectName(QStringLiteral("optType"));
    auto* options = new QHBoxLayout;
    const QStringList captions{tr("小说间复制"), tr("本小说内移动"), tr("小说间移动")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* option = new QRadioButton(captions.at(i), this);
        option->setObjectName(QStringLiteral("optType%1").arg(i));
        m_optType->addButton(option, i);
        options->addWidget(option);
    }
    options->addStretch(1);
    m_optType->button(1)->setChecked(true);

    m_lstNovel = newList(this, "lstNovel", {tr("小说名称"), tr("分类")});
    m_lstNovel->header()->resizeSection(0, 150);
    m_txtNovelSearch = new QLineEdit(this);
    m_txtNovelSearch->setObjectName(QStringLiteral("txtNovelSearch"));
    m_txtNovelSearch->setPlaceholderText(tr("小说名称"));
    m_lstContent = newList(this, "lstContent", {tr("标题"), tr("分卷名")});
    m_txtContentSearch = new QLineEdit(this);
    m_txtContentSearch->setObjectName(QStringLiteral("txtContentSearch"));
    m_txtContentSearch->setPlaceholderText(tr("标题"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("移至的小说"), this), 0, 0);
    grid->addWidget(new QLabel(tr("移至此章节之前"), this), 0, 1);
    grid->addWidget(m_txtNovelSearch, 1, 0);
    grid->addWidget(m_txtContentSearch, 1, 1);
    grid->addWidget(m_lstNovel, 2, 0);
    grid->addWidget(m_lstContent, 2, 1);
    grid->setColumnStretch(1, 1);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons.row);

    connect(buttons.ok, &QPushButton::clicked, this, &FrmMoveContent::onOk);
    connect(m_optType, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            followType();
    });
    connect(m_txtNovelSearch, &QLineEdit::textChanged, this, &FrmMoveContent::fillNovels);
    connect(m_txtContentSearch, &QLineEdit::textChanged, this, &FrmMoveContent::fillChapters);
    connect(m_lstNovel, &QTreeWidget::itemSelectionChanged, this, &FrmMoveContent::fillChapters);
    fillNovels();
    followType();
}

bool FrmMoveContent::withinNovel() const {
    return m_optType->checkedId() == 1;
}

QString FrmMoveContent::targetNovel() const {
    if (withinNovel())
        return m_novelId;
    const QList<QTreeWidgetItem*> picked = m_lstNovel->selectedItems();
    return picked.isEmpty() ? QString() : picked.first()->data(0, kIdRole).toString();
}

void FrmMoveContent::followType() {
    m_lstNovel->setEnabled(!withinNovel());
    m_txtNovelSearch->setEnabled(!withinNovel());
    fillChapters();
}

void FrmMoveContent::fillChapters() {
    m_lstContent->clear();
    const QString novel = targetNovel();
    if (novel.isEmpty())
        return;
    QList<QTreeWidgetItem*> items;
    for (const ChapterRow& r :
         LibraryLists::chapters(m_library.database(), novel, m_txtContentSearch->text().trimmed())) {
        auto* item = new QTreeWidgetItem({r.title, r.volume});
        item->setData(0, kIdRole, r.id);
        items << item;
    }
    m_lstContent->addTopLevelItems(items);
}

void FrmMoveContent::fillNovels() {
    const QString picked = withinNovel() ? QString() : targetNovel();
    m_lstNovel->clear();
    for (const NovelRow& r :
         LibraryLists::findNovels(m_library.database(), m_txtNovelSearch->text().trimmed(), QString())) {
        if (r.novelId == m_novelId)
            continue;
        auto* item = new QTreeWidgetItem(m_lstNovel, {r.name, r.categoryName});
        item->setData(0, kIdRole, r.novelId);
        if (r.novelId == picked)
            item->setSelected(true);
    }
}

void FrmMoveContent::onOk() {
    const QString novel = targetNovel();
    const QList<QTreeWidgetItem*> picked = m_lstContent->selectedItems();
    // Another novel may take the chapters at its end; within the novel a place must be picked.
    if (novel.isEmpty() || (withinNovel() && picked.isEmpty())) {
        Messages::warning(this, tr("您没有选择具体项"));
        return;
    }
    const qint64 before = picked.isEmpty() ? 0 : picked.first()->data(0, kIdRole).toLongLong();
    ChapterEditor::Result result = m_editor.move(m_chapterIds, before, novel, m_optType->checkedId() == 0);
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    m_result = std::move(result);
    accept();
}
