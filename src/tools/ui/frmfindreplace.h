#pragma once

#include "tools/textfinder.h"

#include <QDialog>

class EditorFindTarget;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "查找/替换": the page editor's find dialog, over whichever view the editor shows. Modeless, kept
// above the editor; the design view answers later, so the buttons wait for each answer.
class FrmFindReplace : public QDialog {
    Q_OBJECT

public:
    explicit FrmFindReplace(EditorFindTarget* target, QWidget* parent = nullptr);

    // The editor switched views: what is still to come from the old one is dropped.
    void setTarget(EditorFindTarget* target);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Search {
        QString needle;
        QString replacement;
        TextFinder::Options options;
    };

    void fillFromMemory();
    // The texts and options of a request, remembered for the next opening; false (with the message)
    // when there is nothing to search for.
    bool takeSearch(Search& search);
    void onFind();
    void onReplace();
    void onReplaceAll();
    // Find next, and at the end the offer to go on from the top.
    void findNext(int request, const Search& search);
    void onNotFound(int request, const Search& search);
    // Starts a request: the buttons wait until finish().
    int begin();
    void finish();
    // Whether an answer belongs to the request still waited for.
    bool isCurrent(int request) const;

    EditorFindTarget* m_target = nullptr;
    int m_request = 0;
    bool m_pending = false;

    QLineEdit* m_txtFindText = nullptr;
    QLineEdit* m_txtReplaceText = nullptr;
    QCheckBox* m_chkMatchCase = nullptr;
    QCheckBox* m_chkMatchWord = nullptr;
    QPushButton* m_cmdFind = nullptr;
    QPushButton* m_cmdReplace = nullptr;
    QPushButton* m_cmdReplaceAll = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
