#pragma once

#include <QString>

#include <optional>

class LibraryFolder;

// How a chapter's download ended, as its row's length and its page on disk tell: what the chapter
// list marks, and whether opening the chapter should offer to download it again.
enum class ChapterDownload {
    Stored,      // its text is on disk
    Waiting,     // listed but not downloaded (WordNums Null): a run stopped, or its page failed
    Empty,       // downloaded without text (WordNums 0)
    PageMissing, // a length, but its page is not on disk or is an empty file
};

ChapterDownload chapterDownload(const LibraryFolder& folder, const QString& novelId, qint64 chapterId,
                                std::optional<int> wordNums);

// Anything but Stored: the chapter is to be downloaded again.
inline bool chapterFailed(ChapterDownload state) {
    return state != ChapterDownload::Stored;
}
