#pragma once

#include "output/stylelibrary.h"

#include <QMainWindow>

class LibraryContext;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class SourceEditor;

// "自定义显示样式编辑": the display styles ("系统" built in, "自增" the user's), each with its
// chapter page and its contents page "目录页", previewed and edited as source.
class FrmModel : public QMainWindow {
    Q_OBJECT

public:
    explicit FrmModel(LibraryContext& library, QWidget* parent = nullptr);

    void fillTree();
    // The page item of a style: "章节页" or "目录页".
    QTreeWidgetItem* findPage(const QString& style, StyleLibrary::Page page) const;
    void selectPage(const QString& style, StyleLibrary::Page page);

    void addStyle();
    void deleteStyle();
    void saveStyle();

private:
    void showItem(QTreeWidgetItem* item);
    QString selectedStyle() const;

    LibraryContext& m_library;
    StyleLibrary m_styles;
    QTreeWidget* m_tvwModel = nullptr;
    QLineEdit* m_txtName = nullptr;
    QTextBrowser* m_webModel = nullptr;
    SourceEditor* m_source = nullptr;
    QString m_style;
    StyleLibrary::Page m_page = StyleLibrary::Page::Chapter;
};
