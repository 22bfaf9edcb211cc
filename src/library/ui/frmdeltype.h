#pragma once

#include <QDialog>

class QCheckBox;

// "删除分类": confirms deleting a category with all its novels, optionally with their files.
class FrmDelType : public QDialog {
    Q_OBJECT

public:
    explicit FrmDelType(const QString& categoryName, QWidget* parent = nullptr);

    bool deleteFiles() const;

private:
    QCheckBox* m_chkbIsDel = nullptr;
};
