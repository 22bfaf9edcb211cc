#pragma once

#include <QMainWindow>

#include <functional>

class DialogPrompter;
class Job;
class QComboBox;
class LibraryContext;
class QLabel;
class QTextBrowser;
class QTreeWidget;
class SourceEditor;

// "自定义电子书封面": edits the cover Index.htm and the contents page List.htm of a novel before its
// e-book is made, and makes it as CHM or EPUB.
class FrmChm : public QMainWindow {
    Q_OBJECT

public:
    FrmChm(LibraryContext& library, QString novelId, QWidget* parent = nullptr);
    ~FrmChm() override;

    // What opens the finished e-book; the desktop's program by default.
    void setOpener(std::function<void(const QString&)> opener) { m_opener = std::move(opener); }

    QString currentPath() const { return m_path; }
    // Shows "封面" (0) or "目录" (1).
    void showPage(int index);
    bool save();
    enum class Format { Chm, Epub };
    Format format() const;
    void setFormat(Format format);
    // Saves, then makes the e-book in the chosen format as the e-book commands do.
    void generate();
    Job* job() const { return m_job; }

Q_SIGNALS:
    void generated(const QString& bookPath);

private:
    LibraryContext& m_library;
    QString m_novelId;
    QString m_path;
    QTreeWidget* m_tvwChm = nullptr;
    QLabel* m_lblPageName = nullptr;
    QLabel* m_lblFilePath = nullptr;
    QTextBrowser* m_webChm = nullptr;
    SourceEditor* m_source = nullptr;
    QComboBox* m_cboFormat = nullptr;
    Job* m_job = nullptr;
    DialogPrompter* m_prompter = nullptr;
    std::function<void(const QString&)> m_opener;
};
