#pragma once

#include <QDialog>

class QCheckBox;

// "删除图书": confirms deleting the selected books, or with a category's name that category and its
// books, optionally with their files.
class FrmBookCaseDel : public QDialog {
    Q_OBJECT

public:
    explicit FrmBookCaseDel(QWidget* parent = nullptr, const QString& categoryName = QString());

    bool deleteFiles() const;

private:
    QCheckBox* m_chkbIsDel = nullptr;
};
