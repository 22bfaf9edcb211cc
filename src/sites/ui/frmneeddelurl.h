#pragma once

#include "sites/needdelurl.h"

#include <QDialog>

class LibraryContext;
class QTreeWidget;
class QTreeWidgetItem;

// "过滤链接管理": the links a novel never downloads; unticked entries are dropped on OK.
class FrmNeedDelUrl : public QDialog {
    Q_OBJECT

public:
    FrmNeedDelUrl(LibraryContext& library, const QString& novelId, QWidget* parent = nullptr);

private:
    void setItem(QTreeWidgetItem* item, const NeedDelUrl::Entry& entry);
    void onEdit(QTreeWidgetItem* item);
    void onOk();

    LibraryContext& m_library;
    QString m_novelId;
    QTreeWidget* m_lstUrl = nullptr;
};
