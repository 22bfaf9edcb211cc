#include "output/volumetextjob.h"

#include "output/exporttext.h"
#include "output/outputstore.h"
#include "storage/database.h"
#include "storage/files.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/storedchapterpage.h"
#include "storage/textfile.h"
#include "text/html.h"
#include "text/markers.h"

#include <QDir>
#include <QScopeGuard>
#include <QSet>

VolumeTextJob::VolumeTextJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                             QString novelId, QString exportFolder, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_novelId(std::move(novelId))
    , m_exportFolder(std::move(exportFolder)) {}

void VolumeTextJob::fail(const QString& message) {
    m_result.ok = false;
    m_result.error = message;
    prompter().warning(message);
}

void VolumeTextJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });

    const QString name = NovelStore(m_db).novelName(m_novelId);
    const bool unreadOnly = m_settings.isOn(QStringLiteral("bIsNotReadChm"));
    const QList<OutputChapter> chapters = OutputStore(m_db).chapters(m_novelId, unreadOnly);
    if (chapters.isEmpty()) {
        fail(unreadOnly ? tr("您在设置中选择了只处理未读章节，此小说没有未读章节") : tr("无内容"));
        return;
    }
    const QString folder = QDir::cleanPath(m_exportFolder);
    if (!QDir().mkpath(folder)) {
        fail(tr("无法建立文件夹 %1").arg(folder));
        return;
    }
    const QString charset = m_settings.value(QStringLiteral("charset"));
    const QList<VolumeRun> runs = volumeRuns(chapters);
    QSet<QString> taken;
    for (const VolumeRun& run : runs) {
        setStatus(run.volume.isEmpty() ? tr("正在生成分卷") + name + tr("-正文，请稍候...")
                                       : tr("正在生成分卷") + run.volume + tr("，请稍候..."));
        setProgress(run.number - 1, int(runs.size()));
        QString html;
        for (qsizetype i = run.first; i < run.first + run.count; ++i) {
            if (stopRequested()) {
                m_result.stopped = true;
                return;
            }
            const OutputChapter& chapter = chapters.at(i);
            const QString page =
                StoredChapterPage::read(m_folder.chapterPage(m_novelId, chapter.id), charset).text;
            // Paragraphs are separated by "<br><br>"; one line break each is what a text file wants.
            const QString content = replaceIgnoringCase(
                getTextBetween(page, kBookContentStart, kBookContentEnd), QLatin1String("<br><br>"), u"<br>");
            html += QLatin1String("<div align=center><b>") + ExportText::escapeMarkup(chapter.title) +
                    QLatin1String("</b></div>") + content + QLatin1String("<br>");
        }
        QString base = replaceInvalidFileNameChars(
            name + (run.volume.isEmpty() ? tr("-正文") : tr("-分卷") + run.volume));
        // Two runs of the same volume must not overwrite each other.
        if (taken.contains(base))
            base += u'-' + QString::number(run.number);
        taken.insert(base);
        const QString path = folder + u'/' + base + QLatin1String(".txt");
        QString error;
        if (!writeBytesAtomically(
                path, ExportText::encodeText(ExportText::postProcess(htmlToPlainText(html)), charset),
                &error)) {
            fail(error);
            return;
        }
        m_result.files << path;
    }
    setProgress(int(runs.size()), int(runs.size()));
    setStatus(tr("分卷txt文件完成"));
    m_result.ok = true;
    if (prompter().confirm(tr("相应各分卷txt文件制作完成，已存入到\"") + folder +
                           tr("\"目录下，是否打开此目录")))
        m_result.openPath = folder;
}
