#pragma once

#include <QDialog>

class LibraryContext;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// "新增图书" or, for an entry's id, "图书属性": one book of the bookcase. "批量新增" closes the dialog
// with the result BatchAdd, for the caller to open batch adding.
class FrmBookCaseEdit : public QDialog {
    Q_OBJECT

public:
    static constexpr int BatchAdd = 2;

    // A new book, in the category of that code when one is given.
    explicit FrmBookCaseEdit(LibraryContext& library, const QString& code = QString(),
                             QWidget* parent = nullptr);
    // The book of that id.
    FrmBookCaseEdit(LibraryContext& library, qint64 id, QWidget* parent = nullptr);

    // The entry saved; 0 before.
    qint64 id() const { return m_id; }

private:
    void build(const QString& code);
    void choosePath();
    void save();

    LibraryContext& m_library;
    qint64 m_id = 0;
    bool m_editing = false;
    QLineEdit* m_txtMC = nullptr;
    QComboBox* m_cboLB = nullptr;
    QLineEdit* m_txtZZ = nullptr;
    QLineEdit* m_txtWJLJ = nullptr;
    QPlainTextEdit* m_txtSM = nullptr;
};
