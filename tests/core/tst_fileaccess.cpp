// The one checked atomic write against the places a write fails: a full or
// read-only disk, a size limit, and targets that are no regular file.
#include "core/FileAccess.h"
#include "tests/support/SmallDisk.h"

#include <QDataStream>
#include <QDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class TestFileAccess : public QObject
{
    Q_OBJECT

private slots:
    void failedWriteKeepsTarget_data();
    void failedWriteKeepsTarget();
};

void TestFileAccess::failedWriteKeepsTarget_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("cause");
    QTest::newRow("full disk") << "full" << "磁盘空间不足";
    QTest::newRow("read-only disk") << "read-only" << "只读";
    QTest::newRow("file size limit") << "limit" << "文件超出了系统允许的大小";
    QTest::newRow("a device") << "/dev/full" << "这是一个设备";
    QTest::newRow("a FIFO") << "fifo" << "这是一个管道";
    QTest::newRow("a directory") << "dir" << "这是一个文件夹";
    QTest::newRow("a missing folder") << "missing/file" << "文件夹不存在";
    QTest::newRow("a symbolic link loop") << "loop" << "符号链接循环";
}

void TestFileAccess::failedWriteKeepsTarget()
{
    QFETCH(QString, place);
    QFETCH(QString, cause);
    TSmallDisk disk;
    QTemporaryDir dir;
    const bool onDisk = place == "full" || place == "read-only";
    if (onDisk && !disk.Mounted())
        QSKIP("a small file system needs root");
    const bool oldFile = onDisk || place == "limit";
    const QString path = onDisk ? disk.FilePath("old.bin")
                         : oldFile ? dir.filePath("old.bin")
                         : place.startsWith('/') ? place
                                                 : dir.filePath(place);
    QFile old(path);
    if (oldFile)
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3 && old.flush());
    old.close();
    if (place == "read-only")
        QVERIFY(disk.MakeReadOnly());
    if (place == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (place == "dir")
        QVERIFY(QDir().mkdir(path));
    if (place == "loop")
        QVERIFY(QFile::link(path, path));
    struct stat before{};
    ::lstat(QFile::encodeName(path).constData(), &before);
    const QStringList entries = QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::System);

    // A file size limit fails a write as a full disk does, for root too.
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t was = limit.rlim_cur;
    std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = place == "limit" ? 4096 : was;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const QByteArray bytes(64 * 1024, 'n');
    QString inOne, streamed;
    const bool wroteInOne = FileAccess::WriteAtomically(path, bytes, inOne);
    const bool wroteStreamed = FileAccess::WriteAtomically(path, [&](QDataStream &s) { s << bytes; }, streamed);
    limit.rlim_cur = was;
    setrlimit(RLIMIT_FSIZE, &limit);

    QVERIFY(!wroteInOne && !wroteStreamed);
    QVERIFY2(inOne.contains(cause) && streamed.contains(cause), qPrintable(inOne + " | " + streamed));
    struct stat after{};
    ::lstat(QFile::encodeName(path).constData(), &after);
    QVERIFY(after.st_mode == before.st_mode && after.st_ino == before.st_ino && after.st_rdev == before.st_rdev);
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::System), entries);
    if (oldFile) {
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }
}

QTEST_GUILESS_MAIN(TestFileAccess)
#include "tst_fileaccess.moc"
