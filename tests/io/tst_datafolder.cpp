#include "DataFolder.h"

#include <QTemporaryDir>
#include <QtTest>

// Each case lays out folders under a temporary root and names the program
// folder, the install's shared folder relative to it, and where the workspace
// and the Import dialog must go ("app data" stands for the user's folder).
class TestDataFolder : public QObject
{
    Q_OBJECT

private slots:
    void choose_data();
    void choose();
};

void TestDataFolder::choose_data()
{
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("shareFromProgram");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("import");

    QTest::newRow("build folder") << QStringList{"build/bin"} << "build/bin" << "../share/vexel"
                                  << "build/bin" << "build/bin";
    // Writable to root, yet one user's files stay out of the system's folders.
    QTest::newRow("installed copy, writable program folder")
        << QStringList{"usr/bin", "usr/share/vexel"} << "usr/bin" << "../share/vexel"
        << "app data" << "usr/share/vexel";
    QTest::newRow("unwritable program folder") << QStringList{} << "missing/bin" << "../share/vexel"
                                               << "app data" << "missing/bin";
    // A build without an install layout must not take its own folder for one.
    QTest::newRow("no install layout") << QStringList{"usr/bin", "usr/share/vexel"} << "usr/bin" << ""
                                       << "usr/bin" << "usr/bin";
}

void TestDataFolder::choose()
{
    QFETCH(QStringList, folders);
    QFETCH(QString, program);
    QFETCH(QString, shareFromProgram);
    QFETCH(QString, data);
    QFETCH(QString, import);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir dir(root.path());
    for (const QString &folder : folders)
        QVERIFY(dir.mkpath(folder));
    const QString appData = dir.filePath(QStringLiteral("home/.local/share/vexel"));
    const auto expected = [&](const QString &name) { return name == "app data" ? appData : dir.filePath(name); };

    const QString share = InstalledShareFolder(dir.filePath(program), shareFromProgram);
    QCOMPARE(ChooseDataFolder(dir.filePath(program), share, appData), expected(data));
    QCOMPARE(ChooseImportFolder(dir.filePath(program), share), expected(import));
    QCOMPARE(QFileInfo(appData).isDir(), data == "app data");
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
