#pragma once

#include "tools/ui/editorfindtarget.h"

#include <QPointer>
#include <QWebEnginePage>

// Find and replace in the design view: the page gives its text, the search itself is TextFinder's, so
// both views find alike; the page then selects or replaces what was found.
class DesignFindTarget : public EditorFindTarget {
public:
    explicit DesignFindTarget(QWebEnginePage* page);

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
    // The page's text and where its selection ends.
    void text(std::function<void(const QString& text, qsizetype selectionEnd)> done);

    QPointer<QWebEnginePage> m_page;
};
