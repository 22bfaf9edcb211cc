#pragma once

#include "sites/searchsites.h"

#include <QDialog>

class LibraryContext;
class QTreeWidget;
class QTreeWidgetItem;

// "小说网站设置": which sites a novel is searched on, and the user's own sites.
class FrmSite : public QDialog {
    Q_OBJECT

public:
    explicit FrmSite(LibraryContext& library, QWidget* parent = nullptr);

    const SearchSites& sites() const { return m_sites; }

private:
    static QString rowName(int row); // "网站" and the row number from 1
    void fillList();
    void setItem(QTreeWidgetItem* item, const NovelSite& site);
    void takeTicks();
    int currentRow() const;

    void onAdd();
    void onEdit();
    void onDelete();
    void onImport();
    void onExport();
    void onOk();

    LibraryContext& m_library;
    SearchSites m_sites;
    QTreeWidget* m_lstSite = nullptr;
};
