#include "renewal/chapterdownload.h"

#include "storage/libraryfolder.h"

#include <QFileInfo>

ChapterDownload chapterDownload(const LibraryFolder& folder, const QString& novelId, qint64 chapterId,
                                std::optional<int> wordNums) {
    if (!wordNums)
        return ChapterDownload::Waiting;
    if (*wordNums <= 0)
        return ChapterDownload::Empty;
    const QFileInfo page(folder.chapterPage(novelId, chapterId));
    return page.isFile() && page.size() > 0 ? ChapterDownload::Stored : ChapterDownload::PageMissing;
}
