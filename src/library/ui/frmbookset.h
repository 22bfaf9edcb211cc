#pragma once

#include "library/addresscheckjob.h"

#include <QDialog>
#include <QHash>

#include <map>
#include <memory>

class LibraryContext;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

// "设置": the options of the program (section Main of book.ini). "确定" checks the number fields,
// the e-book folder, the style and the external editor, then stores everything. The network
// addresses can be tried from their page, each on a job of its own.
class FrmBookSet : public QDialog {
    Q_OBJECT

public:
    explicit FrmBookSet(LibraryContext& library, QWidget* parent = nullptr);
    ~FrmBookSet() override;

    bool isChecking() const;

private:
    // An address setting, its "检测" button and the line that tells the outcome.
    struct Address {
        AddressCheckJob::Kind kind;
        QLineEdit* edit = nullptr;
        QPushButton* check = nullptr;
        QLabel* result = nullptr;
        std::unique_ptr<AddressCheckJob> job;
    };

    QCheckBox* addCheck(QWidget* page, const QString& key, const QString& text);
    QSpinBox* addNumber(const QString& key);
    void addAddressPage(QTabWidget* tabs);
    void addSiteListPage(QTabWidget* tabs);
    void checkAddress(const QString& key);
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
    QLineEdit* m_txtPlaceholderWords = nullptr;
    std::map<QString, Address> m_addresses;      // by settings key
    QHash<QString, QPlainTextEdit*> m_siteLists; // by settings key, one entry per line
};
