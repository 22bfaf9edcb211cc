#pragma once

#include <QDialog>

class CategoryEditor;
class LibraryContext;
class QLineEdit;
class QRadioButton;
class QTreeWidget;

// "小说移至": the novel takes the place of a novel chosen in its own category ("本分类内移动") or in
// another one ("分类间移动"), whose category it then takes.
class FrmTypeMove : public QDialog {
    Q_OBJECT

public:
    FrmTypeMove(const CategoryEditor& editor, const LibraryContext& library, const QString& novelId,
                QWidget* parent = nullptr);

    // The category the novel is in afterwards ("" for none).
    QString code() const { return m_code; }

private:
    void modeChanged();
    void fillList();
    void move();

    const CategoryEditor& m_editor;
    QString m_novelId;
    QString m_ownKey;
    QString m_code;
    QRadioButton* m_between = nullptr;
    QRadioButton* m_within = nullptr;
    QTreeWidget* m_tvwType = nullptr;
    QTreeWidget* m_lstViewBook = nullptr;
    QLineEdit* m_txtBook = nullptr;
};
