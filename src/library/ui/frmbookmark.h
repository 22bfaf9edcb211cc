#pragma once

#include "storage/recordlists.h"

#include <QDialog>

class QTreeWidget;

// "书签整理": the bookmarks with their pages and anchors; removing takes the anchors out of the
// pages when the list is saved.
class FrmBookmark : public QDialog {
    Q_OBJECT

public:
    explicit FrmBookmark(const QString& libraryPath, QWidget* parent = nullptr);

private:
    void fill();
    void removeSelected();
    void save();

    QString m_libraryPath;
    QList<Bookmark> m_kept;
    QList<Bookmark> m_removed;
    QTreeWidget* m_lstBookmark = nullptr;
};
