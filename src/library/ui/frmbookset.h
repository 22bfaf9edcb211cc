#pragma once

#include <QDialog>
#include <QHash>

class LibraryContext;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// "设置": the options of the program (section Main of book.ini). "确定" checks the number fields,
// the e-book folder, the style and the external editor, then stores everything.
class FrmBookSet : public QDialog {
    Q_OBJECT

public:
    explicit FrmBookSet(LibraryContext& library, QWidget* parent = nullptr);

private:
    QCheckBox* addCheck(QWidget* page, const QString& key, const QString& text);
    QSpinBox* addNumber(const QString& key);
    void accept() override;

    LibraryContext& m_library;
    QHash<QString, QCheckBox*> m_checks; // by settings key
    QHash<QString, QSpinBox*> m_numbers; // by settings key
    QComboBox* m_cboArticleStyle = nullptr;
    QComboBox* m_cboIntervalTime = nullptr;
    QComboBox* m_cboCharset = nullptr;
    QLineEdit* m_txtNovelChmPath = nullptr;
    QLineEdit* m_txtChmAuthor = nullptr;
    QLineEdit* m_txtOtherEditor = nullptr;
};
