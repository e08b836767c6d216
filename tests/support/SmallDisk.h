#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>

// A file system of 16 KiB of its own, for writes that run out of room or
// meet a read-only disk: a tmpfs mounted over a temporary folder. Mounting
// needs root; where it fails, Mounted() is false and the test skips.
class TSmallDisk
{
public:
    TSmallDisk() : m_where(QFile::encodeName(m_dir.path()))
    {
        m_mounted = m_dir.isValid()
                    && ::mount("vexel-test", m_where.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16k") == 0;
    }
    ~TSmallDisk()
    {
        if (m_mounted)
            ::umount2(m_where.constData(), MNT_DETACH);
    }

    bool Mounted() const { return m_mounted; }
    QString FilePath(const QString &name) const { return m_dir.filePath(name); }
    bool MakeReadOnly() { return ::mount(nullptr, m_where.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    QTemporaryDir m_dir;
    const QByteArray m_where;
    bool m_mounted = false;
};
