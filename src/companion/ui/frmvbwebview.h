#pragma once

#include "companion/novelpagepatterns.h"

#include <QMainWindow>

class LibraryContext;
class QAction;
class QLabel;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWebEngineProfile;
class QWebEngineView;

// "小说排行榜": saved links of ranking and catalogue pages beside a browser. A link to a novel's page
// on a known site does not open: the novel is offered for adding, with its name and the address of
// its table of contents.
class FrmVBWebView : public QMainWindow {
    Q_OBJECT

public:
    explicit FrmVBWebView(LibraryContext& library, QWidget* parent = nullptr);
    ~FrmVBWebView() override;

    QWebEngineView* view() const { return m_web; }

Q_SIGNALS:
    void novelOffered(const QString& name, const QString& contentsAddress);

private:
    void createActions();
    void fillTree(qint64 select = 0);
    qint64 selectedLink() const;
    void enableButtons();
    void openLink(QTreeWidgetItem* item);
    // A navigation to a novel page: the name of the page's first link to it, then the offer.
    void offer(const QUrl& target, const QString& contents);
    void addLink();
    void editLink();
    void deleteLink();
    void moveLink(bool up);

    LibraryContext& m_library;
    NovelPagePatterns m_patterns;
    QWebEngineProfile* m_profile = nullptr;
    QWebEngineView* m_web = nullptr;
    QTreeWidget* m_tvwBar = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QHash<QString, QAction*> m_actions;
};
