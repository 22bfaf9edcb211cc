#pragma once

#include <QTreeWidget>

#include <functional>

// The notes tree: a node dragged onto another is handed to the window, which moves the note in the
// database and then the node. The tree never moves a node by itself.
class WriterNotesTree : public QTreeWidget {
    Q_OBJECT

public:
    using CanDrop = std::function<bool(QTreeWidgetItem* dragged, QTreeWidgetItem* target)>;

    explicit WriterNotesTree(QWidget* parent = nullptr);
    void setCanDrop(CanDrop canDrop) { m_canDrop = std::move(canDrop); }

Q_SIGNALS:
    void noteDropped(QTreeWidgetItem* dragged, QTreeWidgetItem* target);

protected:
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QTreeWidgetItem* target(const QDropEvent* event) const;

    CanDrop m_canDrop;
};
