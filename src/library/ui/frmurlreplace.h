#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class LibraryContext;
class QLineEdit;

// "目录页网址批量替换" over the chosen novels, or "批量更改文件路径" over chosen bookcase entries.
class FrmUrlReplace : public QDialog {
    Q_OBJECT

public:
    FrmUrlReplace(LibraryContext& library, const QStringList& novelIds, QWidget* parent = nullptr);
    FrmUrlReplace(LibraryContext& library, const QList<qint64>& bookcaseIds, QWidget* parent = nullptr);

Q_SIGNALS:
    void replaced(int count);

private:
    void build();
    void onOk();

    LibraryContext& m_library;
    QStringList m_novelIds;
    QList<qint64> m_bookcaseIds;
    bool m_bookcase = false;
    QLineEdit* m_txtFind = nullptr;
    QLineEdit* m_txtReplace = nullptr;
};
