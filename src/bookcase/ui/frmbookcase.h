#pragma once

#include "bookcase/bookcase.h"

#include <QList>
#include <QMainWindow>

class BookcaseCheckJob;
class BookcaseTreeWidget;
class LibraryContext;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QToolBar;
class QTreeWidgetItem;

// "我的书柜": the books by category, found by name, opened, checked and kept. The category dialogs
// and the path replacement belong to the library's windows: they are asked for with signals.
class FrmBookCase : public QMainWindow {
    Q_OBJECT

public:
    explicit FrmBookCase(LibraryContext& library, QWidget* parent = nullptr);
    ~FrmBookCase() override;

    bool isChecking() const { return m_check != nullptr; }

public Q_SLOTS:
    // Tree and list again, keeping the selected node and the selected books that are still there.
    void reload();

Q_SIGNALS:
    void addCategoryRequested();
    void editCategoryRequested(const QString& code);
    void pathReplaceRequested(const QList<qint64>& ids);
    // A category went, from the library too.
    void categoriesChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolbar();
    QAction* action(const char* name) const;

    void buildTree(const QString& selectKey);
    void nodeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void listBooks();
    void showStatus();
    QString selectedCode() const;
    QTreeWidgetItem* currentNode() const;
    void selectBooks(const QList<qint64>& ids);
    void sortBy(int column);

    void editCategory();
    void deleteCommand();
    void deleteBooks();
    void deleteCategory(const QString& code, const QString& name);
    void showFiles(const Bookcase::Files& files);
    // The book the command is for: the current row when selected, else the first selected; a warning
    // and nullptr when there is none.
    QTreeWidgetItem* chosenBook();
    void openBook();
    void addBook();
    void batchAdd();
    void editBook();
    void replacePaths();
    void showFindBar(bool shown);
    void booksDropped(const QList<qint64>& ids, const QString& targetKey);

    void checkBooks();
    void checkFinished();
    void stopCheck();

    LibraryContext& m_library;
    Bookcase m_bookcase;
    BookcaseTreeWidget* m_tvwBar = nullptr;
    BookcaseTreeWidget* m_listView1 = nullptr;
    QWidget* m_findBar = nullptr;
    QLineEdit* m_txtFind = nullptr;
    QToolBar* m_toolbar1 = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QMenu* m_mnuBook = nullptr;
    BookcaseCheckJob* m_check = nullptr;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
