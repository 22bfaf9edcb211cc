#pragma once

#include <QDialog>

class LibraryContext;
class QLineEdit;

// "查找小说": finds novels by name or list address and writes the result page booklist.htm.
class FrmFindBook : public QDialog {
    Q_OBJECT

public:
    explicit FrmFindBook(LibraryContext& library, QWidget* parent = nullptr);

    // The result page, once found.
    QString pagePath() const { return m_pagePath; }

private:
    void find();

    LibraryContext& m_library;
    QLineEdit* m_txtNovelName = nullptr;
    QLineEdit* m_txtListUrl = nullptr;
    QString m_pagePath;
};
