#include "output/chmunpackjob.h"

#include "output/chmarchive.h"

ChmUnpackJob::ChmUnpackJob(QString chmPath, QString folder, QObject* parent)
    : Job(parent)
    , m_chmPath(std::move(chmPath))
    , m_folder(std::move(folder)) {}

void ChmUnpackJob::run() {
    setStatus(tr("正在反编译chm文件，请稍候..."));
    const ChmArchive archive(m_chmPath);
    if (!archive.isOpen() || archive.files().isEmpty()) {
        m_result.error = tr("没有选择文件或者相应的chm文件格式不对...");
        setStatus(QString());
        return;
    }
    m_result.ok = archive.unpack(m_folder, &m_result.error, [this](int done, int total) {
        setProgress(done, total);
        return !stopRequested();
    });
    m_result.stopped = !m_result.ok && stopRequested();
    setStatus(m_result.ok ? tr("反编译chm文件完成") : QString());
}
