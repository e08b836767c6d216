#include "FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileAccess {

namespace {

const QString NotRegular = QStringLiteral("not a regular file");

} // namespace

bool OpenRegular(QFile &file, QString &error)
{
#ifdef Q_OS_UNIX
    // Without O_NONBLOCK, opening a FIFO for reading waits for a writer.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = qt_error_string(errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = NotRegular;
        return false;
    }
    // A regular file never blocks; reads go on as usual without the flag.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = file.errorString();
        return false;
    }
    return true;
#else
    if (QFileInfo::exists(file.fileName()) && !QFileInfo(file.fileName()).isFile()) {
        error = NotRegular;
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    return true;
#endif
}

bool WriteAtomically(const QString &path, const QByteArray &bytes, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // A short write carries no reason; writing the rest again gives the
    // failure with its cause (a full disk, a size limit).
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            error = file.errorString();
            return false;
        }
        done += written;
    }
    // The last buffered bytes reach the disk only here. The commit alone
    // would report success even when that write fails, and put a cut-off
    // file in place of the old one; the uncommitted file is thrown away.
    if (!file.flush()) {
        // When only part of the bytes went out, the failure carries no
        // reason; trying the rest again gives it.
        file.flush();
        error = file.errorString();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace FileAccess
