#include "writer/ui/writernotestree.h"

#include <QDropEvent>

WriterNotesTree::WriterNotesTree(QWidget* parent)
    : QTreeWidget(parent) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
}

QTreeWidgetItem* WriterNotesTree::target(const QDropEvent* event) const {
    return itemAt(event->position().toPoint());
}

void WriterNotesTree::dragMoveEvent(QDragMoveEvent* event) {
    QTreeWidget::dragMoveEvent(event); // scrolling and the drop indicator
    QTreeWidgetItem* dragged = currentItem();
    if (event->source() == this && m_canDrop && m_canDrop(dragged, target(event))) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void WriterNotesTree::dropEvent(QDropEvent* event) {
    QTreeWidgetItem* dragged = currentItem();
    QTreeWidgetItem* onto = target(event);
    // The default would move the node before the database agreed; the window does both.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (event->source() == this && m_canDrop && m_canDrop(dragged, onto))
        Q_EMIT noteDropped(dragged, onto);
}
