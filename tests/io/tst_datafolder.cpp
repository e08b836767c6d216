#include "DataFolder.h"

#include <QTemporaryDir>
#include <QtTest>

class TestDataFolder : public QObject
{
    Q_OBJECT

private slots:
    void choose_data();
    void choose();
};

// Folders laid out under a temporary root; the program folder; the install's
// shared folder relative to it; where the workspace and the Import dialog go
// ("app data": the user's application-data folder).
void TestDataFolder::choose_data()
{
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("shareFromProgram");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("import");

    const QStringList installed{"usr/bin", "usr/share/vexel"};
    QTest::newRow("build folder") << QStringList{"build/bin"} << "build/bin" << "../share/vexel" << "build/bin"
                                  << "build/bin";
    // Root can write there, yet one user's files stay out of the system's folders.
    QTest::newRow("installed copy") << installed << "usr/bin" << "../share/vexel" << "app data"
                                    << "usr/share/vexel";
    QTest::newRow("unwritable program folder") << QStringList{} << "gone/bin" << "../share/vexel" << "app data"
                                               << "gone/bin";
    QTest::newRow("no install layout") << installed << "usr/bin" << "" << "usr/bin" << "usr/bin";
}

void TestDataFolder::choose()
{
    QFETCH(QStringList, folders);
    QFETCH(QString, program);
    QFETCH(QString, shareFromProgram);
    QFETCH(QString, data);
    QFETCH(QString, import);
    QTemporaryDir root;
    const QDir dir(root.path());
    for (const QString &folder : folders)
        QVERIFY(dir.mkpath(folder));
    const QString appData = dir.filePath("home/.local/share/vexel");
    const auto path = [&](const QString &name) { return name == "app data" ? appData : dir.filePath(name); };

    const QString share = InstalledShareFolder(dir.filePath(program), shareFromProgram);
    QCOMPARE(ChooseDataFolder(dir.filePath(program), share, appData), path(data));
    QCOMPARE(ChooseImportFolder(dir.filePath(program), share), path(import));
    QCOMPARE(QFileInfo(appData).isDir(), data == "app data");
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
