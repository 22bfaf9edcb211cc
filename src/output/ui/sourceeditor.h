#pragma once

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

// The HTML source of a page with find and replace, shared by the cover editor and the template
// window.
class SourceEditor : public QWidget {
    Q_OBJECT

public:
    explicit SourceEditor(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    QPlainTextEdit* editor() const { return m_txtSource; }

    // Selects the next match after the cursor, starting over at the top; "没有找到匹配字符" when
    // there is none.
    bool findNext();
    // Replaces every match after asking; returns how many were replaced.
    int replaceAll();

Q_SIGNALS:
    void textChanged();

private:
    QLineEdit* m_txtFind = nullptr;
    QLineEdit* m_txtReplace = nullptr;
    QPlainTextEdit* m_txtSource = nullptr;
};
