#include "file_writer.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

namespace dx::ui {
namespace {

// As many links as the system itself follows before it calls it a loop.
constexpr int kMostLinks = 40;

QString systemWords(int error) {
    return qt_error_string(error);
}

}  // namespace

SaveTarget saveTargetOf(const QString& path) {
    QString at = QFileInfo(path).absoluteFilePath();
    for (int links = 0; links <= kMostLinks; ++links) {
        const QByteArray name = QFile::encodeName(at);
        struct stat st {};
        if (::lstat(name.constData(), &st) != 0) {
            // Nothing there yet: the save makes it. Any other reason (a file standing where a
            // directory should be, a directory that may not be searched) is the save's failure.
            if (errno == ENOENT) return {at, std::nullopt};
            return {at, systemWords(errno)};
        }
        if (S_ISREG(st.st_mode)) return {at, std::nullopt};
        if (S_ISDIR(st.st_mode)) return {at, systemWords(EISDIR)};
        if (!S_ISLNK(st.st_mode))
            return {at, QStringLiteral("%1 is not a regular file").arg(QFileInfo(at).fileName())};
        // A link: its target, read relative to the link's own directory.
        QByteArray target(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n =
            ::readlink(name.constData(), target.data(), static_cast<std::size_t>(target.size()));
        if (n < 0 || n >= target.size()) return {at, systemWords(n < 0 ? errno : ENAMETOOLONG)};
        target.truncate(n);
        at = QFileInfo(QFileInfo(at).absoluteDir(), QFile::decodeName(target)).absoluteFilePath();
    }
    return {path, systemWords(ELOOP)};
}

std::optional<QString> saveWhole(const QString& path, QByteArrayView content) {
    const SaveTarget target = saveTargetOf(path);
    if (target.refusal) return target.refusal;
    const QFileInfo info(target.path);
    // A file made read-only is kept as it is. (For the superuser, who may write any file,
    // QSaveFile would put a writable one in its place.)
    if (info.exists() && !info.permissions().testFlag(QFileDevice::WriteOwner)) return systemWords(EACCES);
    // A file named on the command line may be the first in its directory.
    QDir().mkpath(info.absolutePath());
    QSaveFile file(target.path);
    // Never written in place: a failure half-way must leave the old file whole.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    // QSaveFile buffers small writes and would rename over the target even when the buffer's
    // flush fails (a full disk), and it does not sync: each step is checked here first.
    const auto size = static_cast<qint64>(content.size());
    if (file.write(content.data(), size) != size || !file.flush()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (::fsync(file.handle()) != 0) {
        const QString why = systemWords(errno);
        file.cancelWriting();
        return why;
    }
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

bool isNullDevice(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode) &&
           major(st.st_rdev) == 1 && minor(st.st_rdev) == 3;
}

}  // namespace dx::ui
