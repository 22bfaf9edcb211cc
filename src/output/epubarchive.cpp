#include "output/epubarchive.h"

#include "storage/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <zip.h>

#include <cstdio>

namespace {

struct Callbacks {
    const EpubArchive::Progress* progress;
    const EpubArchive::Cancel* cancel;
};

void onProgress(zip_t*, double fraction, void* state) {
    const auto* callbacks = static_cast<const Callbacks*>(state);
    if (*callbacks->progress)
        (*callbacks->progress)(fraction);
}

int onCancel(zip_t*, void* state) {
    const auto* callbacks = static_cast<const Callbacks*>(state);
    return *callbacks->cancel && (*callbacks->cancel)() ? 1 : 0;
}

QString zipError(zip_t* archive) {
    return QString::fromLocal8Bit(zip_strerror(archive));
}

} // namespace

EpubArchive::EpubArchive() {
    add(QStringLiteral("mimetype"), QByteArrayLiteral("application/epub+zip"), true);
}

void EpubArchive::add(const QString& name, QByteArray bytes, bool stored) {
    m_entries.append(Entry{name, std::move(bytes), stored});
}

bool EpubArchive::write(const QString& target, QString* error, const Progress& progress,
                        const Cancel& cancel) const {
    const auto failWith = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    if (error)
        error->clear();
    QDir().mkpath(QFileInfo(target).absolutePath());
    QString unfinished;
    do
        unfinished =
            target + QLatin1String(".tmp") + QString::number(QRandomGenerator::global()->generate(), 36);
    while (QFileInfo::exists(unfinished));

    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(unfinished).constData(), ZIP_CREATE | ZIP_EXCL, &code);
    if (!archive) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        const QString message = QString::fromLocal8Bit(zip_error_strerror(&reason));
        zip_error_fini(&reason);
        return failWith(
            QCoreApplication::translate("EpubArchive", "无法写入电子书 %1：%2").arg(target, message));
    }
    for (const Entry& entry : m_entries) {
        // The buffers outlive the archive's close, so libzip reads them in place.
        zip_source_t* source =
            zip_source_buffer(archive, entry.bytes.constData(), zip_uint64_t(entry.bytes.size()), 0);
        const zip_int64_t index =
            source ? zip_file_add(archive, entry.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            const QString message = zipError(archive);
            zip_discard(archive);
            return failWith(message);
        }
        zip_set_file_compression(archive, zip_uint64_t(index), entry.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 0);
    }
    Callbacks callbacks{&progress, &cancel};
    zip_register_progress_callback_with_state(archive, 0.01, onProgress, nullptr, &callbacks);
    zip_register_cancel_callback_with_state(archive, onCancel, nullptr, &callbacks);
    if (zip_close(archive) != 0) {
        const bool cancelled = cancel && cancel();
        const QString message = zipError(archive);
        zip_discard(archive);
        QFile::remove(unfinished);
        return cancelled ? failWith(QString()) : failWith(message);
    }
    // rename() replaces the old book in one step: a reader never sees half a book.
    if (std::rename(QFile::encodeName(unfinished).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(unfinished);
        return failWith(QCoreApplication::translate("EpubArchive", "无法写入电子书 %1").arg(target));
    }
    return true;
}

bool EpubArchive::writeFolder(const QString& folder, QString* error) const {
    for (const Entry& entry : m_entries)
        if (!replaceFileBytes(folder + u'/' + entry.name, entry.bytes, error))
            return false;
    return true;
}
