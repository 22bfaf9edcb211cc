#include "tools/ui/sourcefindtarget.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// The replacement as the document will hold it: line breaks of any kind are one block break, so the
// text searched on keeps the document's positions.
QString asDocumentText(const QString& replacement) {
    QString text = replacement;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// What toPlainText() gives back for that text once inserted.
QString asPlainText(QString text) {
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
        else if (c == QChar::Nbsp)
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

SourceFindTarget::SourceFindTarget(QPlainTextEdit* edit)
    : m_edit(edit) {}

void SourceFindTarget::findNext(const QString& needle, const TextFinder::Options& options, bool fromTop,
                                std::function<void(bool found)> done) {
    if (!m_edit) {
        done(false);
        return;
    }
    QTextCursor cursor = m_edit->textCursor();
    const qsizetype from = fromTop ? 0 : cursor.selectionEnd();
    const qsizetype position = TextFinder::find(m_edit->toPlainText(), needle, from, options);
    if (position >= 0) {
        cursor.setPosition(int(position));
        cursor.setPosition(int(position + needle.size()), QTextCursor::KeepAnchor);
        m_edit->setTextCursor(cursor);
    }
    done(position >= 0);
}

void SourceFindTarget::contains(const QString& needle, const TextFinder::Options& options,
                                std::function<void(bool found)> done) {
    done(m_edit && TextFinder::find(m_edit->toPlainText(), needle, 0, options) >= 0);
}

void SourceFindTarget::replaceSelection(const QString& needle, const QString& replacement,
                                        const TextFinder::Options& options,
                                        std::function<void(bool replaced)> done) {
    if (!m_edit) {
        done(false);
        return;
    }
    QTextCursor cursor = m_edit->textCursor();
    const int start = cursor.selectionStart();
    const QString selected = m_edit->toPlainText().mid(start, cursor.selectionEnd() - start);
    if (!cursor.hasSelection() || !TextFinder::isMatch(selected, needle, options)) {
        done(false);
        return;
    }
    // insertText keeps the edit on the view's undo stack; the next search starts after it.
    cursor.beginEditBlock();
    cursor.insertText(asDocumentText(replacement));
    cursor.endEditBlock();
    m_edit->setTextCursor(cursor);
    done(true);
}

void SourceFindTarget::replaceAll(const QString& needle, const QString& replacement,
                                  const TextFinder::Options& options, std::function<void(int count)> done) {
    if (!m_edit) {
        done(0);
        return;
    }
    // The same walk as TextFinder::replaceAll, made on the document as it goes: one undo step, and the
    // view keeps its place.
    const QString inserted = asDocumentText(replacement);
    const QString insertedPlain = asPlainText(inserted);
    QString text = m_edit->toPlainText();
    QTextCursor cursor(m_edit->document());
    int count = 0;
    for (qsizetype pos = TextFinder::find(text, needle, 0, options); pos >= 0;
         pos = TextFinder::find(text, needle, pos + insertedPlain.size(), options)) {
        if (count == 0)
            cursor.beginEditBlock();
        cursor.setPosition(int(pos));
        cursor.setPosition(int(pos + needle.size()), QTextCursor::KeepAnchor);
        cursor.insertText(inserted);
        text.replace(pos, needle.size(), insertedPlain);
        ++count;
    }
    if (count > 0)
        cursor.endEditBlock();
    done(count);
}
