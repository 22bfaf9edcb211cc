#include "companion/ui/frmtoolbar.h"

#include "companion/readingtoolbarkeys.h"
#include "storage/librarycontext.h"
#include "widgets/dialogbuttons.h"
#include "widgets/icons.h"
#include "widgets/messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kKeyRole = Qt::UserRole;

QListWidget* keyList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setIconSize(QSize(20, 20));
    return list;
}

} // namespace

FrmToolBar::FrmToolBar(LibraryContext& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmToolBar"));
    setWindowTitle(tr("自定义工具栏"));
    m_tvwAllBar = keyList(this, "tvwAllBar");
    m_tvwBar = keyList(this, "tvwBar");

    auto* middle = new QVBoxLayout;
    const auto add = [&](const char* name, const QString& text, auto fn) {
        QPushButton* b = namedButton(this, name, text);
        connect(b, &QPushButton::clicked, this, fn);
        middle->addWidget(b);
    };
    add("cmdAdd", tr("添加 >"), [this] { move(m_tvwAllBar, m_tvwBar, false); });
    add("cmdRemove", tr("< 移除"), [this] { move(m_tvwBar, m_tvwAllBar, false); });
    add("cmdAddAll", tr("全部添加 >>"), [this] { move(m_tvwAllBar, m_tvwBar, true); });
    add("cmdRemoveAll", tr("<< 全部移除"), [this] { move(m_tvwBar, m_tvwAllBar, true); });
    middle->addSpacing(12);
    add("cmdSeparator", tr("插入分隔符"), [this] {
        const int row = m_tvwBar->currentRow() < 0 ? m_tvwBar->count() : m_tvwBar->currentRow() + 1;
        QListWidgetItem* item = itemFor(ReadingToolbarKeys::newSeparator(keys()));
        m_tvwBar->insertItem(row, item);
        m_tvwBar->setCurrentItem(item);
    });
    add("cmdUp", tr("上移"), [this] { shift(-1); });
    add("cmdDown", tr("下移"), [this] { shift(1); });
    add("cmdReset", tr("恢复默认"), [this] { fill(ReadingToolbarKeys::parse(QString())); });
    middle->addStretch();

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("可用按钮：")), 0, 0);
    grid->addWidget(new QLabel(tr("当前工具栏按钮：")), 0, 2);
    grid->addWidget(m_tvwAllBar, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_tvwBar, 1, 2);
    const OkCancelRow buttons = okCancelRow(this);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmToolBar::onOk);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons.row);
    fill(ReadingToolbarKeys::parse(library.settings().value(QStringLiteral("tbrWebKey"))));
    resize(560, 420);
}

QListWidgetItem* FrmToolBar::itemFor(const QString& key) const {
    auto* item = new QListWidgetItem;
    item->setData(kKeyRole, key);
    if (ReadingToolbarKeys::isSeparator(key)) {
        item->setText(tr("分隔符"));
        return item;
    }
    const ReadingToolbarKeys::Button* b = ReadingToolbarKeys::find(key);
    item->setText(b ? ReadingToolbarKeys::caption(*b) : key); // a key kept from elsewhere stays visible
    if (b)
        item->setIcon(Icons::tool(QLatin1String(b->icon)));
    return item;
}

void FrmToolBar::fill(const QStringList& current) {
    m_tvwBar->clear();
    m_tvwAllBar->clear();
    for (const QString& key : current)
        m_tvwBar->addItem(itemFor(key));
    for (const ReadingToolbarKeys::Button& b : ReadingToolbarKeys::buttons())
        if (!b.alias && !current.contains(QLatin1String(b.key)))
            m_tvwAllBar->addItem(itemFor(QLatin1String(b.key)));
}

QStringList FrmToolBar::keys() const {
    QStringList list;
    for (int i = 0; i < m_tvwBar->count(); ++i)
        list << m_tvwBar->item(i)->data(kKeyRole).toString();
    return list;
}

void FrmToolBar::move(QListWidget* from, QListWidget* to, bool all) {
    QList<QListWidgetItem*> items;
    for (int i = 0; i < from->count(); ++i)
        if (all || from->item(i)->isSelected())
            items << from->item(i);
    for (QListWidgetItem* item : items) {
        from->takeItem(from->row(item));
        // A separator removed is gone; it is not one of the available buttons.
        if (to == m_tvwAllBar && ReadingToolbarKeys::isSeparator(item->data(kKeyRole).toString())) {
            delete item;
            continue;
        }
        to->addItem(item);
        item->setSelected(false);
    }
}

void FrmToolBar::shift(int by) {
    const int row = m_tvwBar->currentRow();
    const int target = row + by;
    if (row < 0 || target < 0 || target >= m_tvwBar->count())
        return;
    QListWidgetItem* item = m_tvwBar->takeItem(row);
    m_tvwBar->insertItem(target, item);
    m_tvwBar->clearSelection();
    m_tvwBar->setCurrentItem(item);
}

void FrmToolBar::onOk() {
    const QStringList chosen = keys();
    if (const QString problem = ReadingToolbarKeys::check(chosen); !problem.isEmpty()) {
        Messages::warning(this, problem);
        return;
    }
    m_library.settings().writeIniValue(Settings::kMain, QStringLiteral("tbrWebKey"),
                                       ReadingToolbarKeys::join(chosen));
    accept();
}
