#pragma once

#include "tools/ui/editorfindtarget.h"

#include <QPointer>

class QPlainTextEdit;

// Find and replace in the editor's source view. Positions of the view's plain text are document
// positions: the document keeps no "\r" (a typed or pasted "\r\n" is one block break) and its plain text
// changes characters one for one, so a QString index is a QTextCursor position. Every answer comes
// before the call returns.
class SourceFindTarget : public EditorFindTarget {
public:
    explicit SourceFindTarget(QPlainTextEdit* edit);

    void findNext(const QString& needle, const TextFinder::Options& options, bool fromTop,
                  std::function<void(bool found)> done) override;
    void contains(const QString& needle, const TextFinder::Options& options,
                  std::function<void(bool found)> done) override;
    void replaceSelection(const QString& needle, const QString& replacement,
                          const TextFinder::Options& options,
                          std::function<void(bool replaced)> done) override;
    void replaceAll(const QString& needle, const QString& replacement, const TextFinder::Options& options,
                    std::function<void(int count)> done) override;

private:
    QPointer<QPlainTextEdit> m_edit;
};
