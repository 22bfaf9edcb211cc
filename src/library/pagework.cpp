#include "library/pagework.h"

#include "renewal/renewjob.h"

#include <QCoreApplication>
#include <QMutex>
#include <QSet>

namespace {

QMutex& mutex() {
    static QMutex m;
    return m;
}

QSet<QString>& claimed() {
    static QSet<QString> novels;
    return novels;
}

} // namespace

PageWorkClaim::PageWorkClaim(const QStringList& novelIds) {
    const QMutexLocker lock(&mutex());
    for (const QString& id : novelIds) {
        if (RenewJob::isWorkingOn(id)) {
            m_error =
                QCoreApplication::translate("PageWorkClaim", "小说%1正在下载，请在下载结束后再处理").arg(id);
            return;
        }
        if (claimed().contains(id)) {
            m_error = QCoreApplication::translate("PageWorkClaim", "小说%1的章节正在转换或替换，请稍后再处理")
                          .arg(id);
            return;
        }
    }
    for (const QString& id : novelIds)
        claimed().insert(id);
    m_claimed = novelIds;
}

PageWorkClaim::~PageWorkClaim() {
    const QMutexLocker lock(&mutex());
    for (const QString& id : std::as_const(m_claimed))
        claimed().remove(id);
}
