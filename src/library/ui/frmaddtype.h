#pragma once

#include <QDialog>

class CategoryEditor;
class QLineEdit;

// "新增分类" or, for an existing code, "编辑分类": the category's name.
class FrmAddType : public QDialog {
    Q_OBJECT

public:
    FrmAddType(const CategoryEditor& editor, const QString& code, const QString& name,
               QWidget* parent = nullptr);

    // The category's code once saved.
    QString code() const { return m_code; }
    QString name() const;

private:
    void save();

    const CategoryEditor& m_editor;
    QString m_code;
    QLineEdit* m_txtTitle = nullptr;
};
