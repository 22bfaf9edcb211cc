#pragma once

#include <QList>
#include <QTreeWidget>

// The bookcase's category tree and its book list. Books are dragged from the list (showing the
// "booksmall" picture) and taken by the tree on its nodes, which reports where they were dropped.
class BookcaseTreeWidget : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr int kKeyRole = Qt::UserRole;    // "BookCase", "组别"+DM, "栏目"+id
    static constexpr int kIdRole = Qt::UserRole + 1; // books: the entry's id
    static const char* const kMimeType;

    enum class Kind { Categories, Books };
    explicit BookcaseTreeWidget(Kind kind, QWidget* parent = nullptr);

    // A book of the list: "Book" picture, key "栏目"+id, the columns' texts.
    static QTreeWidgetItem* bookItem(qint64 id, const QStringList& texts);
    static QString keyOf(const QTreeWidgetItem* item);
    static qint64 idOf(const QTreeWidgetItem* item);
    // The books' ids in list order.
    QList<qint64> selectedIds() const;
    QTreeWidgetItem* itemOfKey(const QString& key) const;

Q_SIGNALS:
    // Delivered after the drop has ended, so the receiver may change the views and show messages.
    void booksDropped(const QList<qint64>& ids, const QString& targetKey);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool takesDrop(const QDropEvent* event) const;

    const Kind m_kind;
};
