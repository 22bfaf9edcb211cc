#include "output/textexportjob.h"

#include "output/exporttext.h"
#include "output/outputfolder.h"
#include "output/outputstore.h"
#include "output/pagetemplates.h"
#include "storage/bookcasestore.h"
#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/storedchapterpage.h"
#include "storage/textfile.h"
#include "text/html.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

TextExportJob::TextExportJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                             QString novelId, Mode mode, QString exportFolder, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_novelId(std::move(novelId))
    , m_mode(mode)
    , m_chapterFolder(std::move(exportFolder)) {}

void TextExportJob::fail(const QString& message) {
    m_result.ok = false;
    m_result.error = message;
    prompter().warning(message);
}

void TextExportJob::showProgress(qsizetype index, qsizetype total, const QString& title) {
    const double percent = total > 0 ? double(index + 1) * 100.0 / double(total) : 100.0;
    setStatus(tr("正在转换的章节:") + title + tr("，总转换进度：") + QString::number(percent, 'f', 2) +
              QLatin1String("%"));
    setProgress(int(index + 1), int(total));
}

QString TextExportJob::chapterText(const OutputChapter& chapter) const {
    // A missing page contributes nothing; the export goes on.
    const QString page = StoredChapterPage::read(m_folder.chapterPage(m_novelId, chapter.id),
                                                 m_settings.value(QStringLiteral("charset")))
                             .text;
    QString text = htmlToPlainText(page);
    // Chapters follow each other on a line of their own.
    if (!text.isEmpty() && !text.endsWith(QLatin1String("\r\n")))
        text += QLatin1String("\r\n");
    return text;
}

QString TextExportJob::wholeText(const NovelRecord& novel, const QList<OutputChapter>& chapters) {
    QString text;
    QString previousVolume;
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        if (stopRequested())
            return {};
        const OutputChapter& chapter = chapters.at(i);
        showProgress(i, chapters.size(), chapter.title);
        // A heading once per run of chapters of the same volume.
        if (!chapter.volume.isEmpty() && chapter.volume != QStringLiteral("正文") &&
            chapter.volume != previousVolume)
            text += QLatin1String("\r\n") + chapter.volume + QLatin1String("\r\n");
        previousVolume = chapter.volume;
        text += chapterText(chapter);
    }
    for (int i = 0; i < 3; ++i)
        text.replace(QLatin1String("\r\n\r\n"), QLatin1String("\r\n"));
    text = ExportText::postProcess(text);
    // The name and author lines lead straight into the text, even when it opens with a volume heading.
    while (text.startsWith(QLatin1String("\r\n")))
        text.remove(0, 2);
    QString head = novel.novelName + QLatin1String("\r\n");
    if (!novel.author.isEmpty())
        head += tr("作者：") + novel.author + QLatin1String("\r\n");
    return head + text;
}

void TextExportJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });

    const std::optional<NovelRecord> novel = NovelStore(m_db).loadNovel(m_novelId);
    if (!novel) {
        fail(tr("没有找到小说 %1").arg(m_novelId));
        return;
    }
    const QList<OutputChapter> chapters = OutputStore(m_db).chapters(m_novelId);
    QDir().mkpath(m_folder.novelDir(m_novelId));

    if (m_mode == Mode::ChapterFiles) {
        m_result.ok = exportChapterFiles(chapters);
        return;
    }
    if (m_mode == Mode::FullTextPage) {
        m_result.ok = writeFullTextPage(*novel, chapters);
        return;
    }

    const bool document = m_mode == Mode::Document;
    const QString extension = document ? QStringLiteral(".doc") : QStringLiteral(".txt");
    const std::optional<QString> bookFile =
        OutputFolder(m_folder, m_settings).bookFile(m_targetPath, novel->novelName, extension);
    if (!bookFile) {
        fail(OutputFolder::missingMessage());
        return;
    }
    const QString target = *bookFile;

    QString text = wholeText(*novel, chapters);
    if (stopRequested()) {
        m_result.stopped = true;
        return;
    }
    const QString charset = m_settings.value(QStringLiteral("charset"));
    QByteArray bytes;
    if (document) {
        // A word processor opens it as HTML; the text's own "<" and "&" must stay text.
        text = QLatin1String("<body>") +
               ExportText::escapeMarkup(text).replace(QLatin1String("\r\n"), QLatin1String("<br>"));
        bytes = ExportText::encodePage(text, charset);
        if (ExportText::isUtf8Charset(charset))
            bytes.prepend("\xEF\xBB\xBF");
    } else {
        bytes = ExportText::encodeText(text, charset);
    }
    QString error;
    if (!writeBytesAtomically(target, bytes, &error)) {
        fail(error);
        return;
    }
    // The bookcase keeps the book just made; the novel's contents page has its own entry.
    BookcaseStore(m_db).registerEntry(novel->novelName, novel->lb, novel->author, target);
    m_result.ok = true;
    m_result.path = target;
    if (!document)
        m_result.openPath = target;
    else if (prompter().confirm(tr("小说已制作到") + target + tr("，是否打开此文件")))
        m_result.openPath = target;
}

bool TextExportJob::exportChapterFiles(const QList<OutputChapter>& chapters) {
    const QString folder = QDir::cleanPath(m_chapterFolder);
    if (!QDir().mkpath(folder)) {
        fail(tr("无法建立文件夹 %1").arg(folder));
        return false;
    }
    const QString charset = m_settings.value(QStringLiteral("charset"));
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        if (stopRequested()) {
            m_result.stopped = true;
            return false;
        }
        const OutputChapter& chapter = chapters.at(i);
        showProgress(i, chapters.size(), chapter.title);
        const QString path = folder + u'/' + ExportText::chapterFileName(int(i + 1), chapter.title);
        QString error;
        if (!writeBytesAtomically(
                path, ExportText::encodeText(ExportText::postProcess(chapterText(chapter)), charset),
                &error)) {
            fail(error);
            return false;
        }
        m_result.files << path;
    }
    m_result.path = folder;
    if (prompter().confirm(tr("相应各章节txt文件制作完成，已存入到\"") + folder +
                           tr("\"目录下，是否打开此目录")))
        m_result.openPath = folder;
    return true;
}

bool TextExportJob::writeFullTextPage(const NovelRecord& novel, const QList<OutputChapter>& chapters) {
    const QString path = m_folder.novelDir(m_novelId) + QLatin1String("/all.htm");
    m_result.path = path;
    if (QFileInfo::exists(path) && !prompter().confirm(tr("全文阅读文件已存在，是否按最新的重新生成？")))
        return true;
    QString text = wholeText(novel, chapters);
    if (stopRequested()) {
        m_result.stopped = true;
        return false;
    }
    text = ExportText::escapeMarkup(text);
    text.replace(u' ', QLatin1String("&nbsp;"));
    text.replace(QLatin1String("\r\n"), QLatin1String("<br><br>"));
    QString page =
        PageTemplates::readChapterTemplate(m_folder, m_settings.value(QStringLiteral("ArticleStyle")));
    page.replace(QLatin1String("[[title]]"), tr("全文阅读"));
    page.replace(QLatin1String("[[Content]]"), text);
    QString error;
    if (!writeBytesAtomically(path, ExportText::encodePage(page, m_settings.value(QStringLiteral("charset"))),
                              &error)) {
        fail(error);
        return false;
    }
    return true;
}
