#include "output/ui/sourceeditor.h"

#include "widgets/messages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

SourceEditor::SourceEditor(QWidget* parent)
    : QWidget(parent) {
    m_txtFind = new QLineEdit(this);
    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    m_txtReplace = new QLineEdit(this);
    m_txtReplace->setObjectName(QStringLiteral("txtReplace"));
    auto* cmdFind = new QPushButton(tr("查找"), this);
    cmdFind->setObjectName(QStringLiteral("cmdFind"));
    auto* cmdReplace = new QPushButton(tr("替换"), this);
    cmdReplace->setObjectName(QStringLiteral("cmdReplace"));
    m_txtSource = new QPlainTextEdit(this);
    m_txtSource->setObjectName(QStringLiteral("txtSource"));
    m_txtSource->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr("查找代码："), this));
    bar->addWidget(m_txtFind, 1);
    bar->addWidget(cmdFind);
    bar->addWidget(new QLabel(tr("替换为："), this));
    bar->addWidget(m_txtReplace, 1);
    bar->addWidget(cmdReplace);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(m_txtSource, 1);

    connect(cmdFind, &QPushButton::clicked, this, &SourceEditor::findNext);
    connect(m_txtFind, &QLineEdit::returnPressed, this, &SourceEditor::findNext);
    connect(cmdReplace, &QPushButton::clicked, this, &SourceEditor::replaceAll);
    connect(m_txtSource, &QPlainTextEdit::textChanged, this, &SourceEditor::textChanged);
}

QString SourceEditor::text() const {
    return m_txtSource->toPlainText();
}

void SourceEditor::setText(const QString& text) {
    m_txtSource->setPlainText(text);
}

bool SourceEditor::findNext() {
    const QString needle = m_txtFind->text();
    if (needle.isEmpty())
        return false;
    QTextDocument* document = m_txtSource->document();
    QTextCursor found = document->find(needle, m_txtSource->textCursor());
    if (found.isNull())
        found = document->find(needle, 0);
    if (found.isNull()) {
        Messages::information(this, tr("没有找到匹配字符"));
        return false;
    }
    m_txtSource->setTextCursor(found);
    return true;
}

int SourceEditor::replaceAll() {
    const QString needle = m_txtFind->text();
    const QString replacement = m_txtReplace->text();
    if (needle.isEmpty())
        return 0;
    QString text = m_txtSource->toPlainText();
    const int count = int(text.count(needle));
    if (count == 0) {
        Messages::information(this, tr("没有找到匹配字符"));
        return 0;
    }
    if (!Messages::question(this,
                            tr("是否将内容里的\"") + needle + tr("\"替换为\"") + replacement + tr("\"？")))
        return 0;
    text.replace(needle, replacement);
    // One edit step, so that undo brings the old text back.
    QTextCursor cursor(m_txtSource->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    return count;
}
