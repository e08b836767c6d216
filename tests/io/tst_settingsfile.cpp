#include "io/DataFolder.h"
#include "io/Gbk.h"
#include "io/SettingsFile.h"
#include "core/VexelError.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QByteArray DefaultSection =
    "[TRegOptions]\r\n"
    "userName=userName\r\nuserPW=userPW\r\n"
    "LinedDistMinSe=0\r\nLinedDistMaxSe=3\r\nLinedPtMinSe=2\r\nLinedPtMaxSe=3\r\n"
    "ClearDupChk=0\r\nRefSumChk=0\r\nInterMinSe=1\r\nInterMaxSe=4\r\nMaxYOfSecSe=1\r\n"
    "RefTailChk=1\r\nFallTargetAnyChk=1\r\nSecCountSe=6\r\n"
    "SumContrastGbx=0\r\nFallTargetGbx=0\r\nFallStyleGbx=0\r\n";

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void settingsFilePath_data();
    void settingsFilePath();
    void dataFolder_data();
    void dataFolder();
    void scrambleRoundTrip();
    void firstRun();
    void roundTripEveryField();
    void namesSurvive_data();
    void namesSurvive();
    void invalidNamesKeepTheirBytes_data();
    void invalidNamesKeepTheirBytes();
    void numberValues_data();
    void numberValues();
    void keyLookup();
    void otherSectionsKept_data();
    void otherSectionsKept();
    void failedSave_data();
    void failedSave();

private:
    QTemporaryDir m_dir;
};

void TestSettingsFile::settingsFilePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/opt/vexel" << "/opt/vexel/vmkrosd.ini";
    QTest::newRow("trailing separator") << "/opt/vexel/" << "/opt/vexel/vmkrosd.ini";
    QTest::newRow("root") << "/" << "/vmkrosd.ini";
    QTest::newRow("empty") << "" << "vmkrosd.ini";
}

void TestSettingsFile::settingsFilePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, path);
    QCOMPARE(SettingsFilePath(folder), path);
}

// Folders laid out under a temporary root; the program folder; the install's
// shared folder relative to it; where the settings file and the Import dialog
// go ("app data": the user's application-data folder).
void TestSettingsFile::dataFolder_data()
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
    // An install into ~/.local: the user's files stay out of the installed folder.
    QTest::newRow("installed in the home folder") << QStringList{"home/.local/bin", "home/.local/share/vexel-data"}
        << "home/.local/bin" << "../share/vexel-data" << "app data" << "home/.local/share/vexel-data";
    QTest::newRow("no install layout") << installed << "usr/bin" << "" << "usr/bin" << "usr/bin";
}

void TestSettingsFile::dataFolder()
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

void TestSettingsFile::scrambleRoundTrip()
{
    QCOMPARE(ScrambleText(QByteArray(3, '\0')), QByteArray("\x04\x0b\x12"));
    // Long enough for the position term to wrap several times.
    QByteArray all;
    for (int i = 0; i < 1000; ++i)
        all += char(i * 37);
    QCOMPARE(ScrambleText(all).size(), all.size());
    QCOMPARE(UnscrambleText(ScrambleText(all)), all);
    QCOMPARE(ScrambleText(UnscrambleText(all)), all);
}

void TestSettingsFile::firstRun()
{
    const QString path = m_dir.filePath(QStringLiteral("first.ini"));
    const TRegOptions loaded = LoadOptions(path);

    TRegOptions expected;
    expected.userName = QString::fromLatin1(UnscrambleText("userName"));
    expected.userPW = QString::fromLatin1(UnscrambleText("userPW"));
    QCOMPARE(loaded, expected);
    for (const QString &text : {loaded.userName, loaded.userPW}) {
        for (const QChar c : text)
            QVERIFY2(c.unicode() > 0x20 && c.unicode() < 0x7F, qPrintable(text));
    }

    SaveOptions(path, loaded);
    QCOMPARE(readBytes(path), DefaultSection);
}

void TestSettingsFile::roundTripEveryField()
{
    TRegOptions o;
    o.userName = QStringLiteral("member");
    o.userPW = QStringLiteral("secret");
    o.LinedDistMinSe = 1;
    o.LinedDistMaxSe = 5;
    o.LinedPtMinSe = 3;
    o.LinedPtMaxSe = 4;
    o.ClearDupChk = true;
    o.RefSumChk = true;
    o.InterMinSe = 2;
    o.InterMaxSe = 9;
    o.MaxYOfSecSe = -7;
    o.RefWidthSe = 42;
    o.RefTailChk = false;
    o.FallTargetAnyChk = false;
    o.SecCountSe = 2147483647;
    o.SumContrastGbx = 1;
    o.FallTargetGbx = 2;
    o.FallStyleGbx = -2147483647 - 1;

    const QString path = m_dir.filePath(QStringLiteral("all.ini"));
    SaveOptions(path, o);
    o.RefWidthSe = 0; // not stored
    QCOMPARE(LoadOptions(path), o);
}

void TestSettingsFile::namesSurvive_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Chinese") << QStringLiteral("张三丰彩民");
    QTest::newRow("NUL") << QString::fromUtf8("a\0b", 3);
    QTest::newRow("CR LF") << QStringLiteral("x\r\ny\rz\n");
    QTest::newRow("percent") << QStringLiteral("%41%%");
    QTest::newRow("blanks") << QStringLiteral("  a b  ");
    QTest::newRow("equals and brackets") << QStringLiteral("[TRegOptions]=;#");
    QTest::newRow("empty") << QString();
    QTest::newRow("outside GBK") << QStringLiteral("€😀ü");
    QString latin1;
    for (int c = 1; c < 256; ++c)
        latin1 += QChar(c);
    QTest::newRow("every Latin-1 character") << latin1;
}

void TestSettingsFile::namesSurvive()
{
    QFETCH(QString, name);
    TRegOptions o;
    o.userName = name;
    o.userPW = name + name;
    const QString path = m_dir.filePath(QStringLiteral("names.ini"));
    SaveOptions(path, o);
    QCOMPARE(LoadOptions(path), o);
    // No stored byte broke a line: header plus 17 keys.
    QCOMPARE(readBytes(path).count("\r\n"), 18);
    QCOMPARE(readBytes(path).count('\n'), 18);
}

void TestSettingsFile::invalidNamesKeepTheirBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lone lead byte") << QByteArray("\x81");
    QTest::newRow("0xFF") << QByteArray("\xff\xfe\xff");
    QTest::newRow("cut four-byte form") << QByteArray("x\x81\x30\x81");
}

void TestSettingsFile::invalidNamesKeepTheirBytes()
{
    QFETCH(QByteArray, bytes);
    QByteArray stored;
    for (const char c : ScrambleText(bytes))
        stored += '%' + QByteArray::number(quint8(c), 16).rightJustified(2, '0');
    const QString path = m_dir.filePath(QStringLiteral("invalid.ini"));
    writeBytes(path, "[TRegOptions]\r\nuserName=" + stored + "\r\nuserPW=" + stored + "\r\n");
    TRegOptions o = LoadOptions(path);
    SaveOptions(path, o);
    QCOMPARE(LoadOptions(path), o);
    QCOMPARE(LoadOptions(path).userNameBytes, bytes);
    // A name edited since it was read is stored as typed.
    o.userName = QStringLiteral("张三");
    SaveOptions(path, o);
    QCOMPARE(LoadOptions(path).userName, o.userName);
    QCOMPARE(LoadOptions(path).userPWBytes, bytes);
}

void TestSettingsFile::numberValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("secCount");   // default 6
    QTest::addColumn<bool>("refTail");   // default true
    QTest::addColumn<bool>("clearDup");  // default false

    QTest::newRow("plain") << QByteArray("SecCountSe=7") << 7 << true << false;
    QTest::newRow("blanks around") << QByteArray("  SecCountSe =\t 7 ") << 7 << true << false;
    QTest::newRow("signs") << QByteArray("SecCountSe=+7\r\nClearDupChk=-1") << 7 << true << true;
    QTest::newRow("max") << QByteArray("SecCountSe=2147483647") << 2147483647 << true << false;
    QTest::newRow("overflow") << QByteArray("SecCountSe=2147483648") << 6 << true << false;
    QTest::newRow("underflow") << QByteArray("SecCountSe=-2147483649") << 6 << true << false;
    QTest::newRow("huge") << QByteArray("SecCountSe=99999999999999999999999") << 6 << true << false;
    QTest::newRow("empty") << QByteArray("SecCountSe=\r\nRefTailChk=") << 6 << true << false;
    QTest::newRow("garbage") << QByteArray("SecCountSe=12abc\r\nRefTailChk=no\r\nClearDupChk=yes")
                             << 6 << true << false;
    QTest::newRow("hex") << QByteArray("SecCountSe=0x10") << 6 << true << false;
    QTest::newRow("boolean zero") << QByteArray("RefTailChk=0") << 6 << false << false;
    QTest::newRow("boolean non-zero") << QByteArray("ClearDupChk=5") << 6 << true << true;
}

void TestSettingsFile::numberValues()
{
    QFETCH(QByteArray, line);
    QFETCH(int, secCount);
    QFETCH(bool, refTail);
    QFETCH(bool, clearDup);
    const QString path = m_dir.filePath(QStringLiteral("numbers.ini"));
    writeBytes(path, "[TRegOptions]\r\n" + line + "\r\n");
    const TRegOptions o = LoadOptions(path);
    QCOMPARE(o.SecCountSe, secCount);
    QCOMPARE(o.RefTailChk, refTail);
    QCOMPARE(o.ClearDupChk, clearDup);
    QCOMPARE(o.InterMaxSe, TRegOptions().InterMaxSe);
}

void TestSettingsFile::keyLookup()
{
    const QString path = m_dir.filePath(QStringLiteral("lookup.ini"));
    writeBytes(path, "InterMinSe=9\n[tregoptions]\rSECCOUNTSE=9\nseccountse=5\n"
                     "[Other]\nInterMaxSe=8\n[ TRegOptions ]\nInterMinSe=3\nSecCountSe=4\n");
    const TRegOptions o = LoadOptions(path);
    QCOMPARE(o.SecCountSe, 9);  // first occurrence wins, any case, CR line end
    QCOMPARE(o.InterMaxSe, 4);  // another section's key is not ours
    QCOMPARE(o.InterMinSe, 3);  // a key before any section neither

    // A file of several MiB without line ends must neither crash nor hang.
    writeBytes(path, "[TRegOptions]\r\nSecCountSe=8\r\n" + QByteArray(6 * 1024 * 1024, 'x'));
    QCOMPARE(LoadOptions(path), LoadOptions(m_dir.filePath(QStringLiteral("none.ini"))));
    // Nor a FIFO, whose opening would wait for some writer.
    const QString fifo = m_dir.filePath(QStringLiteral("fifo.ini"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(LoadOptions(fifo), LoadOptions(m_dir.filePath(QStringLiteral("none.ini"))));
}

void TestSettingsFile::otherSectionsKept_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("section in the middle")
        << QByteArray("; note\n[Alpha]\r\nx=1\r\n\r\n[TRegOptions]\r\nSecCountSe=9\r\nOld=1\r\n\r\n[Beta]\nY = 2")
        << QByteArray("; note\n[Alpha]\r\nx=1\r\n\r\n") + DefaultSection + "\r\n[Beta]\nY = 2";
    QTest::newRow("no section, no final line end")
        << QByteArray("[Alpha]\nx=1") << QByteArray("[Alpha]\nx=1\r\n") + DefaultSection;
    QTest::newRow("duplicate sections merged")
        << QByteArray("[TRegOptions]\r\nA=1\r\n[Beta]\r\nb=2\r\n[tregoptions]\r\nC=3\r\n")
        << DefaultSection + "[Beta]\r\nb=2\r\n";
    QTest::newRow("empty file") << QByteArray() << DefaultSection;
}

void TestSettingsFile::otherSectionsKept()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const QString path = m_dir.filePath(QStringLiteral("merge.ini"));
    writeBytes(path, before);
    SaveOptions(path, LoadOptions(m_dir.filePath(QStringLiteral("none.ini"))));
    QCOMPARE(readBytes(path), after);
}

void TestSettingsFile::failedSave_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("existing");

    QTest::newRow("missing folder") << m_dir.filePath(QStringLiteral("no/such/dir/s.ini")) << QByteArray();
}

void TestSettingsFile::failedSave()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, existing);
    if (!existing.isEmpty())
        writeBytes(path, existing);
    try {
        SaveOptions(path, TRegOptions());
        QFAIL("no error raised");
    } catch (const EVexelError &e) {
        QVERIFY2(e.message().contains(path), qPrintable(e.message()));
    }
    QCOMPARE(readBytes(path), existing);
}

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
