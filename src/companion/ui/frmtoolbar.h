#pragma once

#include <QDialog>

class LibraryContext;
class QListWidget;
class QListWidgetItem;

// "自定义工具栏": which buttons the reading tool bar shows, in which order, with separators.
class FrmToolBar : public QDialog {
    Q_OBJECT

public:
    explicit FrmToolBar(LibraryContext& library, QWidget* parent = nullptr);

    // The keys in the order of the current list.
    QStringList keys() const;

private:
    void fill(const QStringList& current);
    QListWidgetItem* itemFor(const QString& key) const;
    void move(QListWidget* from, QListWidget* to, bool all);
    void shift(int by);
    void onOk();

    LibraryContext& m_library;
    QListWidget* m_tvwAllBar = nullptr;
    QListWidget* m_tvwBar = nullptr;
};
