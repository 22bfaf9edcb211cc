#pragma once

#include "tools/findreplacejob.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class DesktopPrompter;
class LibraryContext;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QWidget;

// What the window works on, asked of the main window at every run: the window stays open while the
// user picks another novel or other chapters.
struct FindContentSource {
    std::function<QString()> novelId;           // the novel chosen in the tree, "" for none
    std::function<QList<qint64>()> chapterIds;  // the chapters of the list, in list order
    std::function<QList<qint64>()> selectedIds; // the chosen chapters, in list order
    std::function<qint64()> currentId;          // the list's current chapter, 0 for none
};

// "章节内容-查找/替换 ": searches and rewrites the chapters of the main window's novel, or runs one of
// the clean-up operations on their pages. The work runs as a FindReplaceJob; the window follows it and
// answers its confirmation.
class FrmFindContent : public QDialog {
    Q_OBJECT

public:
    FrmFindContent(LibraryContext& library, FindContentSource source, QWidget* parent = nullptr);
    ~FrmFindContent() override;

    bool isRunning() const;

Q_SIGNALS:
    // A search wrote its result page; the reading view shows it.
    void resultPageWritten(const QString& path);
    // A chapter's page or row changed; a view showing it reloads.
    void chapterChanged(const QString& novelId, qint64 chapterId);
    // A run changed chapters of that novel; the list is read again.
    void chaptersChanged(const QString& novelId);

public Q_SLOTS:
    // Escape and cmdCancel: a run stops at its next chapter; without one the window closes.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* createPlainPage();
    QWidget* createBetweenPage();
    QWidget* createRegexPage();
    QWidget* createOperationPage();
    QPushButton* addOperation(const char* name, const QString& caption, FindReplaceJob::Operation operation);
    void setType(int type);
    void onFieldChecked(QCheckBox* box, bool on);
    void start(bool replace, FindReplaceJob::Operation operation);
    // The first empty field of the mode with its message, focused; false when all is there.
    // The field a refused request is mended in.
    QWidget* fieldToMend(const FindReplaceJob::Request& request) const;
    void warnAt(QWidget* field, const QString& text);
    void onStatus(const QString& text);
    void onFinished();
    void setRunning(bool running);

    LibraryContext& m_library;
    FindContentSource m_source;
    std::unique_ptr<DesktopPrompter> m_prompter;
    QPointer<FindReplaceJob> m_job;
    QString m_jobNovelId;
    bool m_closeWhenDone = false;

    QGroupBox* m_optType = nullptr;
    QButtonGroup* m_types = nullptr;
    QStackedWidget* m_panels = nullptr;
    QCheckBox* m_chkAll = nullptr;
    QLineEdit* m_txtFindText = nullptr;
    QLineEdit* m_txtReplaceText = nullptr;
    QCheckBox* m_chkTitle = nullptr;
    QCheckBox* m_chkVolume = nullptr;
    QCheckBox* m_chkComeFrom = nullptr;
    QPlainTextEdit* m_txtLeft = nullptr;
    QPlainTextEdit* m_txtRight = nullptr;
    QPlainTextEdit* m_txtReplText = nullptr;
    QLineEdit* m_txtRegExp = nullptr;
    QLineEdit* m_txtReplace = nullptr;
    QList<QPushButton*> m_operations;
    QPushButton* m_cmdFind = nullptr;
    QPushButton* m_cmdReplace = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QLabel* m_lblOp = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
};
