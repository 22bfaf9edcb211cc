#pragma once

#include <QString>

// Titles the chapter dialog proposes.
namespace ChapterTitles {

// The title after "第<number><unit>" (unit 章, 回 or 节; the number in digits, or in Chinese numerals as
// numberToChinese writes them): the same with the number plus one. "" when the title has no such
// number or the next one cannot be written (past 九百九十九).
QString nextNumbered(const QString& title);

// The value of Chinese numerals up to 999 ("十五", "一百零五", "二百一十"); -1 for anything else.
int chineseNumberValue(const QString& text);

// "新章节<n>": n one past the largest number following "新章节" among the titles (1 when none).
QString nextDefault(const QStringList& titles);

// The page with the title put into its title elements (<title>, the article title and heading); the
// title is escaped, never read as a pattern or a replacement text.
QString splicePageTitle(const QString& page, const QString& title);

} // namespace ChapterTitles
