#include "io/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

QString InstalledShareFolder(const QString &programFolder, const QString &shareFromProgram)
{
    if (programFolder.isEmpty() || shareFromProgram.isEmpty())
        return QString();
    const QFileInfo share(QDir(programFolder).filePath(shareFromProgram));
    return share.isDir() ? QDir::cleanPath(share.absoluteFilePath()) : QString();
}

QString ChooseDataFolder(const QString &programFolder, const QString &installedShare,
                         const QString &appDataFolder)
{
    if (installedShare.isEmpty() && FolderWritable(programFolder))
        return programFolder;
    QDir().mkpath(appDataFolder);
    return appDataFolder;
}

QString ChooseImportFolder(const QString &programFolder, const QString &installedShare)
{
    return installedShare.isEmpty() ? programFolder : installedShare;
}

namespace {

QString RunningInstalledShare()
{
    return InstalledShareFolder(QCoreApplication::applicationDirPath(),
                                QStringLiteral(VEXEL_SHARE_FROM_PROGRAM));
}

} // namespace

QString ProgramDataFolder()
{
    return ChooseDataFolder(QCoreApplication::applicationDirPath(), RunningInstalledShare(),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString ProgramImportFolder()
{
    return ChooseImportFolder(QCoreApplication::applicationDirPath(), RunningInstalledShare());
}

bool FolderWritable(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("XXXXXX.probe")));
    return probe.open();
}
