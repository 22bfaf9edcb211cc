#pragma once
// The long novel of the benchmarks: 3,000 chapters of about 3,000 characters in 30 volumes, stored in a
// library folder as downloads leave them (a database row and a GBK page per chapter).
#include "storage/chapterstore.h"
#include "storage/database.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"

#include <QDir>
#include <QStringList>

#include <memory>

namespace longnovel {

constexpr int kChapters = 3000;
constexpr int kVolumes = 30;

// In every chapter: each chapter cycles through all the sentences.
inline const QString kEveryChapterWord = QStringLiteral("萧炎");
// In one chapter of a hundred (chapters 100, 200, …): it takes the place of one sentence there.
inline const QString kRareWord = QStringLiteral("青铜罗盘");
constexpr int kRareEvery = 100;
// In no chapter.
inline const QString kAbsentWord = QStringLiteral("量子计算机");

inline const QStringList kSentences = {
    QStringLiteral("萧炎抬起头，看着天空中缓缓飘落的雪花，心中却是一片平静。"),
    QStringLiteral("“三十年河东，三十年河西，莫欺少年穷！”"),
    QStringLiteral("这一句话，在大厅之中回荡着，久久不散。"),
    QStringLiteral("山风吹过，林间的落叶沙沙作响，远处传来几声鸟鸣。"),
};
inline const QString kRareSentence = QStringLiteral("他从怀中取出那枚青铜罗盘，指针微微颤动着。");

inline QString chapterTitle(int n) {
    return QStringLiteral("第%1章 风起云涌").arg(n + 1);
}

// About 3,000 characters of text, as a chapter of a web novel has; n counts from 0.
inline QString chapterBody(int n) {
    const bool rare = (n + 1) % kRareEvery == 0;
    QString body;
    for (int i = 0; body.size() < 3000; ++i) {
        const QString& sentence = rare && i == 5 ? kRareSentence : kSentences.at((n + i) % kSentences.size());
        body += QStringLiteral("　　") + sentence + QStringLiteral("<br><br>");
    }
    return body;
}

class LongNovel {
public:
    // Opens (creating when needed) the library in folder and adds the novel with its chapter rows.
    explicit LongNovel(const QString& folder)
        : m_context(std::make_unique<LibraryContext>(folder)) {
        QString error;
        if (!m_context->open(&error))
            qFatal("library: %s", qPrintable(error));
        Database& db = m_context->database();
        NovelRecord novel;
        novel.novelId = NovelStore(db).nextNovelId();
        novel.novelName = QStringLiteral("测试长篇");
        novel.author = QStringLiteral("某人");
        novel.listUrl = QStringLiteral("http://example.test/book/1/");
        NovelStore(db).insertNovel(novel);
        m_novelId = novel.novelId;
        ChapterStore chapters(db);
        db.transaction([&] {
            for (int i = 0; i < kChapters; ++i) {
                ChapterRecord record;
                record.novelId = m_novelId;
                record.title = chapterTitle(i);
                record.volume = QStringLiteral("第%1卷").arg(i * kVolumes / kChapters + 1);
                record.displayorder = i + 1;
                record.wordNums = 3000;
                m_ids << chapters.insertChapter(record);
            }
            return true;
        });
        m_template = readTextFile(m_context->folder().file(QStringLiteral("model/vbArticle1.htm")));
    }

    // Chapter pages as downloads leave them: not yet relinked.
    void writePages() {
        QDir().mkpath(m_context->folder().novelDir(m_novelId));
        for (int i = 0; i < m_ids.size(); ++i) {
            QString page = m_template;
            page.replace(QLatin1String("[[title]]"), chapterTitle(i));
            page.replace(QLatin1String("[[Content]]"), chapterBody(i));
            writeTextFile(m_context->folder().chapterPage(m_novelId, m_ids.at(i)), page);
        }
    }

    LibraryContext& context() { return *m_context; }
    QString novelId() const { return m_novelId; }

private:
    std::unique_ptr<LibraryContext> m_context;
    QString m_novelId;
    QList<qint64> m_ids;
    QString m_template;
};

} // namespace longnovel
