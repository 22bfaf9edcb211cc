#pragma once

#include <QMainWindow>

class LibraryContext;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// The main window: the library tree of categories and novels.
class FrmBook : public QMainWindow {
    Q_OBJECT

public:
    explicit FrmBook(LibraryContext& library, QWidget* parent = nullptr);

    void fillTree();
    QTreeWidget* tree() const { return m_tvwBar; }
    QTreeWidgetItem* findNode(const QString& key) const;

    // An address handed over on the command line or by a second start.
    void requestAddNovel(const QString& address);
    QString pendingAddress() const { return m_pendingAddress; }

Q_SIGNALS:
    void addNovelRequested(const QString& address);

private:
    LibraryContext& m_library;
    QTreeWidget* m_tvwBar = nullptr;
    QTreeWidget* m_listView1 = nullptr;
    QLabel* m_status = nullptr;
    QString m_pendingAddress;
};
