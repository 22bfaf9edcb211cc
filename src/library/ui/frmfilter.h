#pragma once

#include <QDialog>

class LibraryContext;
class QPlainTextEdit;

// "总体过滤设置": the link titles and link addresses that reading a chapter list drops, for every
// novel (filter1.txt and filter2.txt). One entry per line here; the files separate them by "||".
class FrmFilter : public QDialog {
    Q_OBJECT

public:
    explicit FrmFilter(LibraryContext& library, QWidget* parent = nullptr);

    static QString toLines(const QString& stored);
    static QString fromLines(const QString& lines);

private:
    void accept() override;

    LibraryContext& m_library;
    QPlainTextEdit* m_txtFilter1 = nullptr;
    QPlainTextEdit* m_txtFilter2 = nullptr;
};
