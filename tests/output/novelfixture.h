#pragma once

// A novel in a test library: rows made with TestLibrary, chapter pages written from the chapter
// template the way downloads write them.

#include "output/exporttext.h"
#include "output/pagetemplates.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QFile>
#include <QStringList>

struct FixtureChapter {
    FixtureChapter(QString t, QString v = QString(), bool r = false, QString b = QString())
        : title(std::move(t))
        , volume(std::move(v))
        , read(r)
        , body(std::move(b)) {}
    QString title;
    QString volume;
    bool read = false;
    QString body; // HTML between the content markers; "" gives two paragraphs naming the title
};

inline QString fixtureBody(const QString& title) {
    return QStringLiteral("　　") + title + QStringLiteral("的正文。<br><br>　　第二段 a&lt;b。");
}

inline void writeFixturePage(TestLibrary& lib, const QString& novelId, qint64 id, const QString& title,
                             const QString& body, const QString& charset = QStringLiteral("gb2312")) {
    const LibraryFolder& folder = lib.context().folder();
    QString page = PageTemplates::readChapterTemplate(folder, QStringLiteral("普通样式"));
    page.replace(QLatin1String("[[title]]"), title);
    page.replace(QLatin1String("[[Content]]"), body.isEmpty() ? fixtureBody(title) : body);
    writeFile(folder.chapterPage(novelId, id), ExportText::encodePage(page, charset));
}

// Returns the NovelID; ids receives the chapter ids in display order.
inline QString addFixtureNovel(TestLibrary& lib, const QString& name, const QString& author,
                               const QList<FixtureChapter>& chapters, QList<qint64>* ids = nullptr,
                               const QString& brief = QString(), const QString& lb = QString()) {
    const QString novelId = lib.addNovel(name, lb);
    lib.db().exec(QStringLiteral("UPDATE book_novel SET Author=?, Brief=? WHERE NovelID=?"),
                  {author.isEmpty() ? QVariant() : QVariant(author),
                   brief.isEmpty() ? QVariant() : QVariant(brief), novelId});
    for (const FixtureChapter& chapter : chapters) {
        const qint64 id = lib.addChapter(novelId, chapter.title, chapter.read);
        if (!chapter.volume.isEmpty())
            lib.db().exec(QStringLiteral("UPDATE book_novelcontent SET Volume=? WHERE id=?"),
                          {chapter.volume, id});
        writeFixturePage(lib, novelId, id, chapter.title, chapter.body);
        if (ids)
            ids->append(id);
    }
    return novelId;
}
