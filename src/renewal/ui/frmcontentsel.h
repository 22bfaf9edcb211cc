#pragma once

#include "storage/prompter.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>

class QCheckBox;
class QTreeWidget;

// "选择下载的章节": the new chapters of a renewal, all ticked; the user unticks what not to download.
// Rows come as "title<TAB>volume<TAB>address" in page order.
class FrmContentSel : public QDialog {
    Q_OBJECT

public:
    // Opens a novel's filtered links ("过滤列表") over this window; the program supplies it, as this
    // folder knows no other subsystem's windows. Without it, or without a novel, the button is off.
    using EditFilterLinks = std::function<void(const QString& novelId, QWidget* parent)>;

    explicit FrmContentSel(const QStringList& rows, const QString& novelId = QString(),
                           EditFilterLinks editFilterLinks = {}, QWidget* parent = nullptr);

    // After the window closed: the ticked rows by page position, and the check box.
    QList<int> chosen() const;
    bool filterUnchosen() const;
    // The volume names per page position, as "设定分卷名" left them.
    QStringList volumes() const;

    // The answer to a chapter question of the renewal (its subject the NovelID), asked with this window.
    static Prompter::Answer answer(const Prompter::Question& question, QWidget* parent,
                                   EditFilterLinks editFilterLinks = {});

private:
    void tick(bool selectedOnly, Qt::CheckState state);
    void invert();
    void sortBy(int column);
    void setVolume();
    void openInBrowser();

    QTreeWidget* m_lstContent = nullptr;
    QCheckBox* m_chkAutoFilter = nullptr;
};
