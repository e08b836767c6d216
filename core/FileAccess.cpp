#include "core/FileAccess.h"

#include <QDataStream>
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

namespace {

// Writes all of `size` bytes. A short write carries no reason; writing the
// rest again gives the failure with its cause (a full disk, a size limit).
bool WriteAll(QSaveFile &file, const char *data, qint64 size, QString &error)
{
    for (qint64 done = 0; done < size;) {
        const qint64 written = file.write(data + done, size - done);
        if (written <= 0) {
            error = file.errorString();
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

// What a stream writes, gathered into pieces that go to the file whole.
// After the first failure it takes nothing more; the stream then stops.
class TPieceWriter : public QIODevice
{
public:
    explicit TPieceWriter(QSaveFile &file) : m_file(file) { open(QIODevice::WriteOnly); }

    bool Flush(QString &error)
    {
        if (m_failed) {
            error = m_error;
            return false;
        }
        if (!WriteAll(m_file, m_piece.constData(), m_piece.size(), m_error)) {
            m_failed = true;
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

bool WriteAtomically(const QString &path, const QByteArray &bytes, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    return WriteAll(file, bytes.constData(), bytes.size(), error) && Finish(file, error);
}

bool WriteAtomically(const QString &path, const std::function<void(QDataStream &)> &write, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    TPieceWriter pieces(file);
    {
        QDataStream stream(&pieces);
        write(stream);
    }
    return pieces.Flush(error) && Finish(file, error);
}

} // namespace FileAccess
