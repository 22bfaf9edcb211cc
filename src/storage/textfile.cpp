#include "storage/textfile.h"

#include "text/charset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

struct Tally {
    int cjk = 0;         // Chinese characters, CJK punctuation, full-width forms
    int latin = 0;       // accented Latin letters and Latin-1 signs
    int implausible = 0; // C1 controls and the rarer two-byte UTF-8 scripts
};

Tally tally(const QString& text) {
    Tally t;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF00 && u <= 0xFFEF))
            ++t.cjk;
        else if (u >= 0x00A0 && u <= 0x024F)
            ++t.latin;
        else if (u >= 0x0080 && u <= 0x07FF)
            ++t.implausible;
    }
    return t;
}

} // namespace

QString decodeTextFileBytes(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8(bytes);
    // The GB18030 codec only when needed: making it costs more than reading a settings file.
    if (utf8.hasError()) {
        QStringDecoder gb("GB18030");
        return gb.isValid() ? gb(bytes) : QString::fromLocal8Bit(bytes);
    }
    // Valid UTF-8. A short GBK text can be valid UTF-8 too ("一" is D2 BB): then it decodes to
    // Cyrillic or Greek letters, while GB18030 gives Chinese. Prefer whichever reads as this
    // program's text, UTF-8 on a tie.
    const Tally u = tally(asUtf8);
    if (u.implausible == 0)
        return asUtf8;
    QStringDecoder gb("GB18030");
    if (!gb.isValid())
        return asUtf8;
    const QString asGb = gb(bytes);
    const Tally g = tally(asGb);
    return g.cjk > u.cjk + u.latin ? asGb : asUtf8;
}

std::optional<QByteArray> readFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    QByteArray bytes = file.read(file.size());
    // A file that grows while it is read, or one that tells no size (a pipe), is read to its end.
    if (!file.atEnd() || file.size() == 0)
        bytes += file.readAll();
    return bytes;
}

QString readTextFile(const QString& path) {
    const std::optional<QByteArray> bytes = readFileBytes(path);
    return bytes ? decodeTextFileBytes(*bytes) : QString();
}

bool writeBytesAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("无法创建目录 %1").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

#if defined(Q_OS_UNIX)
// All the bytes into the open file, or false with errno set.
bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}
#endif

// A new file with the bytes, or false with errno set. Plain system calls: QFile looks every file up
// once more after opening it, and a renewal writes thousands.
bool writeNewFile(const QByteArray& path, const QByteArray& bytes) {
#if defined(Q_OS_UNIX)
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes);
    int code = errno;
    // Closed once whatever happened: a second close could hit a descriptor another thread opened.
    const bool closed = ::close(fd) == 0;
    if (written && closed)
        return true;
    if (written)
        code = errno;
    ::unlink(path.constData());
    errno = code;
    return false;
#else
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        errno = file.exists() ? EEXIST : ENOENT;
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.remove();
        errno = EIO;
        return false;
    }
    return true;
#endif
}

enum class Unnamed { Written, Failed, NotHere };

#if defined(Q_OS_LINUX)
// Gives the open file a name: straight from the descriptor where the system lets this process
// (newer kernels, or the right privilege), else through /proc, which costs a path walk.
bool linkOpenFile(int fd, const QByteArray& path) {
    static std::atomic<bool> direct{true};
    if (direct.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, path.constData(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != ENOENT && errno != EPERM && errno != EINVAL)
            return false;
        direct.store(false, std::memory_order_relaxed);
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0;
}

// The bytes in a file without a name in the folder, which gets the target's name once whole (a new
// target) or a temporary one renamed over it: a crash leaves nothing behind, and the file system
// does less than for a named temporary file. NotHere where the folder's file system or the missing
// /proc cannot do it.
Unnamed writeUnnamed(const QByteArray& folder, const QByteArray& target, const QByteArray& temp,
                     const QByteArray& bytes) {
    const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == ENOENT ? Unnamed::Failed : Unnamed::NotHere;
    const auto fail = [fd] {
        const int code = errno;
        ::close(fd);
        errno = code;
        return Unnamed::Failed;
    };
    if (!writeAll(fd, bytes))
        return fail();
    if (!linkOpenFile(fd, target)) {
        if (errno != EEXIST) {
            ::close(fd);
            return Unnamed::NotHere;
        }
        if (!linkOpenFile(fd, temp))
            return fail();
        if (std::rename(temp.constData(), target.constData()) != 0) {
            const int code = errno;
            ::unlink(temp.constData());
            errno = code;
            return fail();
        }
    }
    return ::close(fd) == 0 ? Unnamed::Written : Unnamed::Failed;
}
#endif

} // namespace

bool replaceFileBytes(const QString& path, const QByteArray& bytes, QString* error) {
    static std::atomic<quint64> counter{0};
    static const QString pid = QString::number(QCoreApplication::applicationPid());
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp =
        QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + u'.' + pid + u'-' +
                          QString::number(counter.fetch_add(1)) + QStringLiteral(".part"));
    auto failed = [error](int code) {
        if (error)
            *error = systemError(code);
        return false;
    };
    // The folder usually exists: made when the first try fails (another thread may be making it
    // at the same moment; mkpath succeeds all the same).
    auto makeFolder = [&info, error] {
        if (QDir().mkpath(info.absolutePath()))
            return true;
        if (error)
            *error = QStringLiteral("无法创建目录 %1").arg(info.absolutePath());
        return false;
    };
#if defined(Q_OS_LINUX)
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    Unnamed unnamed = writeUnnamed(folder, target, temp, bytes);
    if (unnamed == Unnamed::Failed && errno == ENOENT) {
        if (!makeFolder())
            return false;
        unnamed = writeUnnamed(folder, target, temp, bytes);
    }
    if (unnamed == Unnamed::Written)
        return true;
    if (unnamed == Unnamed::Failed)
        return failed(errno);
#endif
    bool written = writeNewFile(temp, bytes);
    if (!written && errno == ENOENT) {
        if (!makeFolder())
            return false;
        written = writeNewFile(temp, bytes);
    }
    if (!written)
        return failed(errno);
    if (std::rename(temp.constData(), target.constData()) != 0) {
        const int code = errno;
        std::remove(temp.constData());
        return failed(code);
    }
    return true;
}

bool writeTextFile(const QString& path, const QString& text, const char* encoding, QString* error) {
    return writeBytesAtomically(path, encodeText(text, encoding), error);
}
