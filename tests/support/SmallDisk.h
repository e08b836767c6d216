#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>

// A file system of a few KiB of its own, for writes that run out of room or
// meet a read-only disk: a tmpfs mounted over a temporary folder. Mounting
// needs root; where it fails, Mounted() is false and the test skips.
class TSmallDisk
{
public:
    explicit TSmallDisk(int kib = 16)
    {
        const QByteArray options = "size=" + QByteArray::number(kib) + "k";
        m_mounted = m_dir.isValid()
                    && ::mount("vexel-test", Where(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0;
    }
    ~TSmallDisk()
    {
        if (m_mounted)
            ::umount2(Where(), MNT_DETACH);
    }

    bool Mounted() const { return m_mounted; }
    QString FilePath(const QString &name) const { return m_dir.filePath(name); }
    bool MakeReadOnly() { return ::mount(nullptr, Where(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    const char *Where()
    {
        m_where = QFile::encodeName(m_dir.path());
        return m_where.constData();
    }

    QTemporaryDir m_dir;
    QByteArray m_where;
    bool m_mounted = false;
};
