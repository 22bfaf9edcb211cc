#pragma once

#include "storage/settings.h"

#include <QSet>
#include <QString>
#include <QStringList>

// Chapters a site serves over several pages, and chapters it serves first as a stub and fills in later.
namespace ChapterPages {

// At most this many pages make one chapter.
constexpr int kMaxPages = 50;

// The page after pageNumber (1 for the chapter's own page) of the chapter at chapterUrl, as the page at
// pageUrl links to it: an address that continues the chapter's own (its stem with "_N" or "-N", or its
// query with page=N), the next number first; else a link labelled "下一页" (or "下页", "下一頁") on the
// same host. Never an address of notPages (lower case: the chapters of the contents list, those
// stored) or of seen (lower case: the pages taken already). "" when there is none.
QString nextPageUrl(const QString& page, const QString& pageUrl, const QString& chapterUrl, int pageNumber,
                    const QSet<QString>& notPages, const QSet<QString>& seen);

// The page number an address gives when it continues the chapter's own, else 0.
int continuedPageNumber(const QString& url, const QString& chapterUrl);

// When a chapter's text is only a stub: shorter than minChars characters of text (a chapter with
// pictures is never too short), or holding one of the words ("||" between entries, "[[pattern]]"
// for a regular expression).
class StubRule {
public:
    StubRule() = default;
    StubRule(int minChars, const QString& words);
    static StubRule fromSettings(const Settings& settings);

    // wordsIn: the part the words are looked for in (the last page of a joined chapter: "本章未完" on
    // a page that was followed is no stub); the whole text when null.
    bool isStub(const QString& text, const QString& wordsIn = QString()) const;
    int minChars() const { return m_minChars; }
    bool isOn() const { return m_minChars > 0 || !m_words.isEmpty() || !m_patterns.isEmpty(); }

private:
    int m_minChars = 0;
    QStringList m_words;
    QStringList m_patterns;
};

} // namespace ChapterPages
