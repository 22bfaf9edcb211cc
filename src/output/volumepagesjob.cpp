#include "output/volumepagesjob.h"

#include "output/exporttext.h"
#include "output/listtable.h"
#include "output/outputstore.h"
#include "output/pagetemplates.h"
#include "storage/database.h"
#include "storage/prompter.h"
#include "storage/storedchapterpage.h"
#include "storage/textfile.h"
#include "text/html.h"
#include "text/markers.h"

#include <QDir>
#include <QScopeGuard>

VolumePagesJob::VolumePagesJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                               QStringList novelIds, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_novelIds(std::move(novelIds)) {}

void VolumePagesJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });
    for (const QString& novelId : std::as_const(m_novelIds)) {
        if (!writeVolumePages(novelId))
            return;
    }
    m_result.ok = true;
    prompter().information(tr("分卷页生成完成"));
}

bool VolumePagesJob::writeVolumePages(const QString& novelId) {
    const QList<OutputChapter> chapters = OutputStore(m_db).chapters(novelId);
    const QList<VolumeRun> runs = volumeRuns(chapters);
    const QString charset = m_settings.value(QStringLiteral("charset"));
    const QString pageTemplate =
        PageTemplates::readChapterTemplate(m_folder, m_settings.value(QStringLiteral("ArticleStyle")));
    const QString novelDir = m_folder.novelDir(novelId);
    QDir().mkpath(novelDir);

    for (const VolumeRun& run : runs) {
        QString content;
        for (qsizetype i = run.first; i < run.first + run.count; ++i) {
            if (stopRequested()) {
                m_result.stopped = true;
                return false;
            }
            const OutputChapter& chapter = chapters.at(i);
            const QString page =
                StoredChapterPage::read(m_folder.chapterPage(novelId, chapter.id), charset).text;
            content += QLatin1String("<div align=center><b>") + htmlEscapeText(chapter.title) +
                       QLatin1String("</b></div>\r\n") +
                       getTextBetween(page, kBookContentStart, kBookContentEnd) +
                       QLatin1String("<br><br>\r\n");
        }
        const QString prior =
            run.number > 1 ? QStringLiteral("vol%1.htm").arg(run.number - 1) : QStringLiteral("List.htm");
        const QString next = run.number < runs.size() ? QStringLiteral("vol%1.htm").arg(run.number + 1)
                                                      : QStringLiteral("List.htm");
        QString page = pageTemplate;
        page.replace(QLatin1String("Prior.htm"), prior);
        page.replace(QLatin1String("Next.htm"), next);
        page.replace(QLatin1String("[[title]]"), htmlEscapeText(volumeHeading(run)));
        page.replace(QLatin1String("[[Content]]"), content);
        const QString path = novelDir + QStringLiteral("/vol%1.htm").arg(run.number);
        QString error;
        if (!writeBytesAtomically(path, ExportText::encodePage(page, charset), &error)) {
            m_result.error = error;
            prompter().warning(error);
            return false;
        }
        m_result.files << path;
    }
    return true;
}
