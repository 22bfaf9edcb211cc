#include "addnovel/batchchapters.h"

#include "storage/chapterstore.h"
#include "storage/database.h"
#include "storage/settings.h"

namespace {

bool toNumber(const QString& text, qint64& value) {
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    return ok;
}

} // namespace

bool BatchChapters::usesSmallLimit(const Settings& settings) {
    return settings.intValue(QStringLiteral("MultGetNums"), 1) <= 1;
}

QString BatchChapters::check(const Request& r, Field* field) {
    const auto fail = [field](Field f, const QString& text) {
        if (field)
            *field = f;
        return text;
    };
    if (field)
        *field = Field::None;
    if (!r.pattern.contains(wildcard()))
        return fail(Field::Pattern, tr("网址处必须包含(*)"));
    qint64 first = 0;
    qint64 last = 0;
    if (!toNumber(r.first, first))
        return fail(Field::First, tr("起始值需要为数字值"));
    if (!toNumber(r.last, last))
        return fail(Field::Last, tr("结束值需要为数字值"));
    if (r.width < kMinWidth || r.width > kMaxWidth)
        return fail(Field::Width, tr("通配符长度应该在") + QString::number(kMinWidth) + tr("与") +
                                      QString::number(kMaxWidth) + tr("之间"));
    // A last number before the first would make nothing at all; it counts as outside the limit.
    const qint64 count = last - first + 1;
    if (count < 1 || count > limit(r.smallLimit))
        return fail(Field::Last, r.smallLimit ? tr("成批下载数应在100之内") : tr("成批下载数应在1000之内"));
    return {};
}

QStringList BatchChapters::addresses(const Request& r) {
    if (!check(r).isEmpty())
        return {};
    qint64 first = 0;
    qint64 last = 0;
    toNumber(r.first, first);
    toNumber(r.last, last);
    QStringList list;
    for (qint64 n = first; n <= last; ++n) {
        // A negative number keeps its sign in front of the padding.
        const QString digits = QString::number(qAbs(n)).rightJustified(r.width, u'0');
        QString address = r.pattern;
        list << address.replace(wildcard(), (n < 0 ? QStringLiteral("-") : QString()) + digits);
    }
    return list;
}

int BatchChapters::insert(const Database& db, const QString& novelId, const Request& r) {
    const QStringList list = addresses(r);
    if (list.isEmpty())
        return -1;
    qint64 first = 0;
    toNumber(r.first, first);
    const ChapterStore chapters(db);
    const bool ok = db.transaction([&] {
        int order = chapters.nextChapterOrder(novelId);
        for (int i = 0; i < list.size(); ++i) {
            ChapterRecord record;
            record.novelId = novelId;
            record.title = tr("章节") + QString::number(first + i);
            record.comeFrom = list.at(i);
            record.displayorder = order++;
            if (chapters.insertChapter(record) < 0)
                return false;
        }
        return true;
    });
    return ok ? int(list.size()) : -1;
}
