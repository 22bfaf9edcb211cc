#include "library/ui/librarytreewidget.h"
#include "widgets/icons.h"

#include "library/treekeys.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QIcon>
#include <QMimeData>

const char* const LibraryTreeWidget::kMimeType = "application/x-quiveral-novels";

LibraryTreeWidget::LibraryTreeWidget(QWidget* parent)
    : QTreeWidget(parent) {
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (m_fitting)
            return;
        if (column == m_fillColumn)
            m_fillWidth = size;
        fitFillColumn();
    });
}

void LibraryTreeWidget::setFillColumn(int column) {
    m_fillColumn = column;
    m_fillWidth = column >= 0 ? header()->sectionSize(column) : 0;
    fitFillColumn();
}

int LibraryTreeWidget::ownWidth(int column) const {
    return column == m_fillColumn ? m_fillWidth : header()->sectionSize(column);
}

void LibraryTreeWidget::fitFillColumn() {
    if (m_fillColumn < 0 || m_fillColumn >= header()->count())
        return;
    int others = 0;
    for (int i = 0; i < header()->count(); ++i)
        if (i != m_fillColumn && !header()->isSectionHidden(i))
            others += header()->sectionSize(i);
    m_fitting = true;
    header()->resizeSection(m_fillColumn, std::max(m_fillWidth, viewport()->width() - others));
    m_fitting = false;
}

void LibraryTreeWidget::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    fitFillColumn();
}

void LibraryTreeWidget::setDropTarget(bool on) {
    m_dropTarget = on;
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
    setDragDropMode(on ? QAbstractItemView::DragDrop : QAbstractItemView::DragOnly);
    setDropIndicatorShown(on);
}

QString LibraryTreeWidget::keyOf(const QTreeWidgetItem* item) const {
    return item ? item->data(0, kKeyRole).toString() : QString();
}

QStringList LibraryTreeWidget::selectedNovelIds() const {
    QStringList ids;
    for (const QTreeWidgetItem* item : selectedItems()) {
        const QString id = TreeKeys::idOf(keyOf(item), TreeKeys::kNovel);
        if (!id.isEmpty())
            ids << id;
    }
    return ids;
}

void LibraryTreeWidget::startDrag(Qt::DropActions) {
    const QStringList ids = selectedNovelIds();
    if (ids.isEmpty())
        return;
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kMimeType), ids.join(u',').toUtf8());
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(Icons::tree(QStringLiteral("booksmall")).pixmap(24, 24));
    drag->exec(Qt::MoveAction);
}

void LibraryTreeWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (m_dropTarget && event->mimeData()->hasFormat(QLatin1String(kMimeType)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void LibraryTreeWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (m_dropTarget && event->mimeData()->hasFormat(QLatin1String(kMimeType)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void LibraryTreeWidget::dropEvent(QDropEvent* event) {
    if (!m_dropTarget || !event->mimeData()->hasFormat(QLatin1String(kMimeType))) {
        event->ignore();
        return;
    }
    const QStringList ids =
        QString::fromUtf8(event->mimeData()->data(QLatin1String(kMimeType))).split(u',', Qt::SkipEmptyParts);
    const QString target = keyOf(itemAt(event->position().toPoint()));
    // The tree is rebuilt by the window; the view must not move items itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    QMetaObject::invokeMethod(
        this, [this, ids, target] { Q_EMIT novelsDropped(ids, target); }, Qt::QueuedConnection);
}
