#include "bookcase/ui/bookcasetreewidget.h"

#include "widgets/icons.h"

#include <QDataStream>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

const char* const BookcaseTreeWidget::kMimeType = "application/x-quiveral-bookcase";

namespace {

// The picture, key and id are made only when asked: a list of 20,000 books fills noticeably faster
// without three values stored in each.
class BookItem : public QTreeWidgetItem {
public:
    BookItem(qint64 id, const QStringList& texts)
        : QTreeWidgetItem(texts, UserType)
        , m_id(id) {}

    QVariant data(int column, int role) const override {
        if (column == 0) {
            if (role == BookcaseTreeWidget::kIdRole)
                return m_id;
            if (role == BookcaseTreeWidget::kKeyRole)
                return QString(QStringLiteral("栏目") + QString::number(m_id));
            if (role == Qt::DecorationRole) {
                static const QIcon icon = Icons::tree(QStringLiteral("Book"));
                return icon;
            }
        }
        return QTreeWidgetItem::data(column, role);
    }

private:
    const qint64 m_id;
};

} // namespace

QTreeWidgetItem* BookcaseTreeWidget::bookItem(qint64 id, const QStringList& texts) {
    return new BookItem(id, texts);
}

BookcaseTreeWidget::BookcaseTreeWidget(Kind kind, QWidget* parent)
    : QTreeWidget(parent)
    , m_kind(kind) {
    // Rows of one height let a list of thousands of books lay out without measuring each.
    setUniformRowHeights(true);
    if (kind == Kind::Books) {
        setRootIsDecorated(false);
        setSelectionMode(QAbstractItemView::ExtendedSelection);
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragOnly);
    } else {
        setAcceptDrops(true);
        viewport()->setAcceptDrops(true);
        setDragDropMode(QAbstractItemView::DropOnly);
        setDropIndicatorShown(true);
    }
}

QString BookcaseTreeWidget::keyOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kKeyRole).toString() : QString();
}

qint64 BookcaseTreeWidget::idOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kIdRole).toLongLong() : 0;
}

QList<qint64> BookcaseTreeWidget::selectedIds() const {
    QList<qint64> ids;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (const QTreeWidgetItem* item = topLevelItem(i); item->isSelected())
            ids << idOf(item);
    return ids;
}

QTreeWidgetItem* BookcaseTreeWidget::itemOfKey(const QString& key) const {
    for (QTreeWidgetItemIterator it(const_cast<BookcaseTreeWidget*>(this)); *it; ++it)
        if (keyOf(*it) == key)
            return *it;
    return nullptr;
}

void BookcaseTreeWidget::startDrag(Qt::DropActions) {
    if (m_kind != Kind::Books)
        return;
    const QList<qint64> ids = selectedIds();
    if (ids.isEmpty())
        return;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << ids;
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kMimeType), bytes);
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(Icons::tree(QStringLiteral("booksmall")).pixmap(24, 24));
    drag->exec(Qt::MoveAction);
}

bool BookcaseTreeWidget::takesDrop(const QDropEvent* event) const {
    return m_kind == Kind::Categories && event->mimeData()->hasFormat(QLatin1String(kMimeType));
}

void BookcaseTreeWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (takesDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void BookcaseTreeWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (takesDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void BookcaseTreeWidget::dropEvent(QDropEvent* event) {
    if (!takesDrop(event)) {
        event->ignore();
        return;
    }
    QList<qint64> ids;
    QDataStream in(event->mimeData()->data(QLatin1String(kMimeType)));
    in >> ids;
    const QString target = keyOf(itemAt(event->position().toPoint()));
    // The window moves the books; the view must not move items itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    QMetaObject::invokeMethod(
        this, [this, ids, target] { Q_EMIT booksDropped(ids, target); }, Qt::QueuedConnection);
}
