#pragma once

#include <QDialog>
#include <QList>

class LibraryContext;
class QComboBox;
class QTableWidget;

// "图书批量新增": many files at once, a row each, their names and categories edited in the grid.
class FrmBookCaseBatchAdd : public QDialog {
    Q_OBJECT

public:
    // New rows take the category of that code until another is chosen.
    explicit FrmBookCaseBatchAdd(LibraryContext& library, const QString& code = {},
                                 QWidget* parent = nullptr);

Q_SIGNALS:
    // The entries made (none when every file was one already).
    void added(const QList<qint64>& ids);

private:
    void addFiles();
    void removeRows();
    void save();
    QString pathOfRow(int row) const;

    LibraryContext& m_library;
    QTableWidget* m_fg = nullptr;
    QComboBox* m_cboLB = nullptr;
    QString m_lastFolder;
};
