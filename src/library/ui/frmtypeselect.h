#pragma once

#include <QDialog>

class LibraryContext;
class QTreeWidget;

// The category a novel moves into: the library's categories, and the root for none.
class FrmTypeSelect : public QDialog {
    Q_OBJECT

public:
    FrmTypeSelect(const LibraryContext& library, const QString& currentKey, QWidget* parent = nullptr);

    // "组别" + code, or the root's key for no category.
    QString chosenKey() const { return m_key; }

private:
    QTreeWidget* m_tvwType = nullptr;
    QString m_key;
};
