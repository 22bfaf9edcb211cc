#pragma once

#include <QTreeWidget>

// The tree and the list of the main window. Novel nodes and novel items can be dragged (showing the
// "booksmall" picture); the tree takes them on its nodes and reports where they were dropped.
class LibraryTreeWidget : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr int kKeyRole = Qt::UserRole;
    static constexpr int kNameRole = Qt::UserRole + 1;   // novel nodes: the bare name
    static constexpr int kEndRole = Qt::UserRole + 2;    // novel nodes and items: bIsEnd
    static constexpr int kReadRole = Qt::UserRole + 3;   // chapter items: read mark
    static constexpr int kNovelRole = Qt::UserRole + 4;  // chapter items: their novel
    static constexpr int kFailedRole = Qt::UserRole + 5; // chapter items: no text stored (yet)
    static const char* const kMimeType;

    explicit LibraryTreeWidget(QWidget* parent = nullptr);

    void setDropTarget(bool on);

    // The column that takes the width the other columns leave, never narrower than its own width
    // (as set, or as the user drags it); -1 for none.
    void setFillColumn(int column);
    int ownWidth(int column) const;

    QString keyOf(const QTreeWidgetItem* item) const;
    // The NovelIDs of the selected novel nodes or items.
    QStringList selectedNovelIds() const;

Q_SIGNALS:
    // The key of the node they were dropped on, "" when not on a node. Delivered after the drop has
    // ended, so the receiver may rebuild the tree and show messages.
    void novelsDropped(const QStringList& novelIds, const QString& targetKey);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitFillColumn();

    bool m_dropTarget = false;
    int m_fillColumn = -1;
    int m_fillWidth = 0;
    bool m_fitting = false;
};
