#pragma once

#include <QDialog>

class CategoryEditor;
class LibraryContext;
class QTreeWidget;

// "分类移至": the category takes the place of the category chosen among the others.
class FrmTypeMoveTo : public QDialog {
    Q_OBJECT

public:
    FrmTypeMoveTo(const CategoryEditor& editor, const LibraryContext& library, const QString& code,
                  QWidget* parent = nullptr);

    // The category's code after the move.
    QString code() const { return m_code; }

private:
    void move();

    const CategoryEditor& m_editor;
    QString m_code;
    QTreeWidget* m_tvwType = nullptr;
};
