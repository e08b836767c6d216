#include "core/FileAccess.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileAccess {

namespace {

#ifdef Q_OS_UNIX
// What stands at a path in place of a regular file.
QString NotRegularText(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("这是一个文件夹，不是一个普通文件");
    if (S_ISFIFO(mode))
        return QStringLiteral("这是一个管道（FIFO），不是一个普通文件");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("这是一个设备，不是一个普通文件");
    if (S_ISSOCK(mode))
        return QStringLiteral("这是一个套接字，不是一个普通文件");
    return QStringLiteral("这不是一个普通文件");
}
#endif

QString TooLargeText(qint64 maxBytes)
{
    constexpr qint64 MiB = 1024 * 1024;
    if (maxBytes >= MiB && maxBytes % MiB == 0)
        return QStringLiteral("文件太大（超过 %1 MiB）").arg(maxBytes / MiB);
    return QStringLiteral("文件太大（超过 %1 字节）").arg(maxBytes);
}

// The cause of `file`'s last failure: the error number that the failed call
// left, when it left one, or else what the device itself says.
QString FailureCause(int errorNumber, const QFileDevice &file, bool writing)
{
    if (errorNumber != 0)
        return CauseText(errorNumber, writing);
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return QStringLiteral("磁盘空间不足或系统资源不足");
    case QFileDevice::PermissionsError:
        return writing ? QStringLiteral("没有写入权限") : QStringLiteral("没有读取权限");
    default:
        break;
    }
    const QString text = file.errorString();
    if (text.isEmpty() || text == QLatin1String("Unknown error") || text == QIODevice::tr("Unknown error"))
        return writing ? QStringLiteral("写入文件失败") : QStringLiteral("读取文件失败");
    return text;
}

// Refuses a target that is there but is no regular file, or that may not
// be written. A missing target is fine: creating the new file checks its
// folder.
bool CheckTarget(const QString &path, QString &error)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0) {
        if (errno == ENOENT)
            return true;
        error = CauseText(errno, true);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = NotRegularText(info.st_mode);
        return false;
    }
    if (::access(name.constData(), W_OK) != 0) {
        error = CauseText(errno, true);
        return false;
    }
    return true;
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("这不是一个普通文件");
        return false;
    }
    return true;
#endif
}

bool Open(QSaveFile &file, QString &error)
{
    errno = 0;
    if (file.open(QIODevice::WriteOnly))
        return true;
    error = FailureCause(errno, file, true);
    return false;
}

// Writes all of `size` bytes. A short write carries no reason; writing the
// rest again gives the failure with its cause (a full disk, a size limit).
bool WriteAll(QSaveFile &file, const char *data, qint64 size, QString &error)
{
    for (qint64 done = 0; done < size;) {
        errno = 0;
        const qint64 written = file.write(data + done, size - done);
        if (written <= 0) {
            error = FailureCause(errno, file, true);
            return false;
        }
        done += written;
    }
    return true;
}

// Puts the file in place once everything was written.
bool Finish(QSaveFile &file, QString &error)
{
    // The last buffered bytes reach the disk only here. The commit alone
    // would report success even when that write fails, and put a cut-off
    // file in place of the old one; the uncommitted file is thrown away.
    errno = 0;
    if (!file.flush()) {
        // When only part of the bytes went out, the failure may carry no
        // reason; trying the rest again gives it.
        int cause = errno;
        if (cause == 0) {
            file.flush();
            cause = errno;
        }
        error = FailureCause(cause, file, true);
        return false;
    }
    errno = 0;
    if (!file.commit()) {
        error = FailureCause(errno, file, true);
        return false;
    }
    return true;
}

// What a writer puts out, gathered into pieces that go to the file whole.
// After the first failure it takes nothing more; the writer then stops.
class TPieceWriter : public QIODevice
{
public:
    explicit TPieceWriter(QSaveFile &file) : m_file(file) { open(QIODevice::WriteOnly); }

    bool Flush(QString &error)
    {
        if (!m_failed && !WriteAll(m_file, m_piece.constData(), m_piece.size(), m_error))
            m_failed = true;
        if (m_failed) {
            error = m_error;
            return false;
        }
        m_piece.clear();
        return true;
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 size) override
    {
        if (m_failed)
            return -1;
        m_piece.append(data, size);
        QString ignored;
        if (m_piece.size() >= PieceSize && !Flush(ignored))
            return -1;
        return size;
    }

private:
    static constexpr qsizetype PieceSize = 1 << 20;
    QSaveFile &m_file;
    QByteArray m_piece;
    QString m_error;
    bool m_failed = false;
};

} // namespace

QString CauseText(int errorNumber, bool writing)
{
    switch (errorNumber) {
    case ENOSPC:
        return QStringLiteral("磁盘空间不足");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额，磁盘空间不足");
#endif
    case EACCES:
    case EPERM:
        return writing ? QStringLiteral("没有写入权限") : QStringLiteral("没有读取权限");
    case EROFS:
        return QStringLiteral("磁盘是只读的，不能写入");
    case ENOENT:
        return writing ? QStringLiteral("文件夹不存在") : QStringLiteral("文件不存在");
    case ENOTDIR:
        return QStringLiteral("路径中有一部分不是文件夹");
    case EISDIR:
        return QStringLiteral("这是一个文件夹，不是一个普通文件");
    case ELOOP:
        return QStringLiteral("符号链接循环：链接最终又指回了自己");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case EFBIG:
        return QStringLiteral("文件超出了系统允许的大小");
    case EIO:
        return QStringLiteral("磁盘或设备读写出错");
    case ENOMEM:
        return QStringLiteral("内存不足");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("同时打开的文件太多");
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return QStringLiteral("文件正被其他程序占用");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("设备不存在或没有准备好");
    default:
        return QStringLiteral("系统错误 %1（%2）").arg(errorNumber).arg(qt_error_string(errorNumber));
    }
}

bool OpenRegular(QFile &file, QString &error)
{
#ifdef Q_OS_UNIX
    // Without O_NONBLOCK, opening a FIFO for reading waits for a writer.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = CauseText(errno, false);
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        error = CauseText(errno, false);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = NotRegularText(info.st_mode);
        ::close(fd);
        return false;
    }
    // A regular file never blocks; reads go on as usual without the flag.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    errno = 0;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        error = FailureCause(errno, file, false);
        ::close(fd);
        return false;
    }
    return true;
#else
    if (QFileInfo::exists(file.fileName()) && !QFileInfo(file.fileName()).isFile()) {
        error = QStringLiteral("这不是一个普通文件");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = FailureCause(0, file, false);
        return false;
    }
    return true;
#endif
}

bool ReadRegular(const QString &path, qint64 maxBytes, QByteArray &bytes, QString &error)
{
    QFile file(path);
    if (!OpenRegular(file, error))
        return false;
    if (file.size() > maxBytes) {
        error = TooLargeText(maxBytes);
        return false;
    }
    // The size may grow while it is read: never more than the limit and one
    // piece is taken in.
    bytes.clear();
    errno = 0;
    while (bytes.size() <= maxBytes) {
        const QByteArray piece = file.read(64 * 1024);
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (file.error() != QFileDevice::NoError) {
        error = FailureCause(errno, file, false);
        return false;
    }
    if (bytes.size() > maxBytes) {
        error = TooLargeText(maxBytes);
        return false;
    }
    return true;
}

bool WriteAtomically(const QString &path, const QByteArray &bytes, QString &error)
{
    if (!CheckTarget(path, error))
        return false;
    QSaveFile file(path);
    if (!Open(file, error))
        return false;
    return WriteAll(file, bytes.constData(), bytes.size(), error) && Finish(file, error);
}

bool WriteDeviceAtomically(const QString &path, const std::function<bool(QIODevice &)> &write, QString &error)
{
    if (!CheckTarget(path, error))
        return false;
    QSaveFile file(path);
    if (!Open(file, error))
        return false;
    TPieceWriter pieces(file);
    const bool written = write(pieces);
    // A failed write explains why the writer gave up, so it is told first.
    if (!pieces.Flush(error))
        return false;
    if (!written) {
        error.clear();
        return false;
    }
    return Finish(file, error);
}

bool WriteAtomically(const QString &path, const std::function<void(QDataStream &)> &write, QString &error)
{
    return WriteDeviceAtomically(path, [&](QIODevice &device) {
        QDataStream stream(&device);
        write(stream);
        return true;
    }, error);
}

} // namespace FileAccess
