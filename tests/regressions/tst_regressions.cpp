// The fuzz targets' checks, replayed in the normal suite: every seed the
// fuzzers start from, every input that ever broke a target, and edge cases
// of each format. A row passes when the target's rules all hold.
#include "fuzz/targets/FuzzTargets.h"

#include <QFile>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray I32(qint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray I16(qint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// A draw list in the stream form: first number, count, then the records.
QByteArray Draws(qint32 count, int records, qint32 value = 1)
{
    QByteArray b = I32(1) + I32(count);
    for (int i = 0; i < records * 8; ++i)
        b += I32(value);
    return b;
}

// One pattern: its points, then the fixed fields, then the step arrays.
QByteArray Pattern(qint32 points, qint32 steps, qint32 interval = 2, int pointsWritten = -1, int stepsWritten = -1)
{
    QByteArray b = I32(points);
    for (int i = 0; i < (pointsWritten < 0 ? points : pointsWritten); ++i)
        b += I32(1 + i) + I32(-1 - i);
    b += I16(6) + I16(2) + I32(interval) + I32(steps) + I32(3) + I32(1);
    const int written = stepsWritten < 0 ? steps : stepsWritten;
    for (int i = 0; i < written; ++i)
        b += I32(i % 10);
    for (int i = 0; i < written; ++i)
        b += I16(6);
    return b;
}

// Search settings bytes: distances, points, intervals, distance rule,
// steps, target kind, flags (see the search target).
QByteArray SearchSettings(std::initializer_list<int> bytes)
{
    QByteArray b;
    for (int v : bytes)
        b += char(v);
    return b;
}

} // namespace

class TestRegressions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void replay_data();
    void replay();
};

void TestRegressions::initTestCase()
{
    VexelFuzz::SetThrowOnFailure(true);
}

void TestRegressions::replay_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("input");

    QFile sample(QStringLiteral(SAMPLE_HISTORY_PATH));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    for (const VexelFuzz::Seed &seed : VexelFuzz::Seeds(sample.readAll()))
        QTest::addRow("seed %s/%s", seed.target, seed.name) << QByteArray(seed.target) << seed.bytes;

    // Workspace files.
    const QByteArray snapshot = Draws(1, 1);
    QTest::newRow("workspace: negative chart count") << QByteArray("workspace") << Draws(-1, 0) + I32(0) + snapshot;
    QTest::newRow("workspace: chart count far beyond the file")
        << QByteArray("workspace") << Draws(0x7fffffff, 1);
    QTest::newRow("workspace: chart count a little beyond the file")
        << QByteArray("workspace") << Draws(40, 2);
    QTest::newRow("workspace: negative pattern count")
        << QByteArray("workspace") << Draws(1, 1) + I32(-3) + snapshot;
    QTest::newRow("workspace: pattern count far beyond the file")
        << QByteArray("workspace") << Draws(1, 1) + I32(0x7fffffff) + Pattern(2, 1);
    QTest::newRow("workspace: pattern count beyond the patterns")
        << QByteArray("workspace") << Draws(1, 1) + I32(5) + Pattern(2, 1) + Pattern(1, 2);
    QTest::newRow("workspace: negative point count in the second pattern")
        << QByteArray("workspace") << Draws(2, 2) + I32(2) + Pattern(2, 2) + Pattern(-1, 2, 2, 0) + snapshot;
    QTest::newRow("workspace: negative step count")
        << QByteArray("workspace") << Draws(0, 0) + I32(1) + Pattern(1, -7, 1, 1, 0) + snapshot;
    QTest::newRow("workspace: step count far beyond the file")
        << QByteArray("workspace") << Draws(0, 0) + I32(1) + Pattern(1, 0x40000000, 1, 1, 1);
    QTest::newRow("workspace: point count far beyond the file")
        << QByteArray("workspace") << Draws(0, 0) + I32(1) + Pattern(0x10000000, 1, 1, 1, 1);
    QTest::newRow("workspace: cut inside a point") << QByteArray("workspace")
                                                   << (Draws(0, 0) + I32(1) + Pattern(3, 1)).left(8 + 4 + 4 + 13);
    QTest::newRow("workspace: cut inside a record") << QByteArray("workspace") << Draws(3, 3).left(8 + 32 + 7);
    QTest::newRow("workspace: bytes after the snapshot")
        << QByteArray("workspace") << Draws(1, 1) + I32(0) + snapshot + "trailing";
    QTest::newRow("workspace: draw values far outside digits")
        << QByteArray("workspace") << Draws(2, 2, -2147483647 - 1) + I32(1) + Pattern(4, 3) + snapshot;

    // Draw texts.
    QTest::newRow("drawtext: GBK lead byte before CR LF")
        << QByteArray("drawtext") << QByteArray("1234567\x81\r\n7654321\r\n");
    QTest::newRow("drawtext: lead byte before a lone CR")
        << QByteArray("drawtext") << QByteArray("1234567 \xfe\r7654321\n");
    QTest::newRow("drawtext: NUL inside a line") << QByteArray("drawtext") << QByteArray("12345\0" "67\n", 9);
    QTest::newRow("drawtext: signs") << QByteArray("drawtext") << QByteArray("+123456\n-123456\n");
    QTest::newRow("drawtext: blank slice") << QByteArray("drawtext") << QByteArray("\t\t\t\t\t\t\t\n");

    // Data service replies.
    QTest::newRow("download: status line only") << QByteArray("download") << QByteArray("\xb3\xc9\xb9\xa6");
    QTest::newRow("download: two fields") << QByteArray("download") << QByteArray("\xb3\xc9\xb9\xa6\r\n12#1234567\r\n");
    QTest::newRow("download: short digit field")
        << QByteArray("download") << QByteArray("\xb3\xc9\xb9\xa6\r\n12#x#123456\r\n");
    QTest::newRow("download: signed issue and digits")
        << QByteArray("download") << QByteArray("\xb3\xc9\xb9\xa6\n-2147483648#x#+123456\n+9#y#-123456\n");
    QTest::newRow("download: issue beyond 32 bits")
        << QByteArray("download") << QByteArray("\xb3\xc9\xb9\xa6\n99999999999#x#1234567\n");
    QTest::newRow("download: non-digit digit field")
        << QByteArray("download") << QByteArray("\xb3\xc9\xb9\xa6\n7#x#\x81\x40\xfe\xfe\x01\x02\x03\x04\x05\n");

    // Settings files.
    QTest::newRow("settings: escapes cut short")
        << QByteArray("settings") << QByteArray("[TRegOptions]\nuserName=%4\nuserPW=%\nLinedPtMinSe=%31\n");
    QTest::newRow("settings: two sections and a header in a value")
        << QByteArray("settings") << QByteArray("[TRegOptions]\nSecCountSe=3\n[x]\n[tregoptions]\nuserName=[TRegOptions]\n");
    QTest::newRow("settings: header without its bracket")
        << QByteArray("settings") << QByteArray("\xef\xbb\xbf[TRegOptions\nInterMinSe=5\n[TRegOptions]\r\rInterMinSe=6");
    QTest::newRow("settings: NUL and high bytes") << QByteArray("settings")
                                                  << QByteArray("[TRegOptions]\nuserPW=\0\xff\x80\n", 25);

    // Found by hand after fuzzing: the squares of the shortest order
    // overflowed 64 bits for points 2^32 rows apart (undefined behaviour,
    // caught under make sanitize).
    QByteArray far = I32(3) + I32(0) + I32(2147483647) + I32(0) + I32(-2147483647 - 1) + I32(7) + I32(0)
                     + I16(6) + I16(2) + I32(1) + I32(1) + I32(0) + I32(1) + I32(5) + I16(6);
    QTest::newRow("search: points 2^32 rows apart")
        << QByteArray("search") << SearchSettings({2, 1, 3, 1, 2, 2, 3, 4, 0, 2}) + Draws(0, 0) + I32(1) + far + Draws(0, 0);

    // Found by the search harness: FallTargetGbx = 2^31 - 1 from a settings
    // file overflowed while the target count was worked out.
    QTest::newRow("search: FallTargetGbx 2^31 - 1")
        << QByteArray("search") << SearchSettings({2, 1, 3, 1, 2, 2, 3, 5, 24, 0x80}) + Draws(6, 6, 3) + I32(0) + Draws(0, 0);

    // Search settings outside the dialog's ranges.
    const QByteArray small = Draws(6, 6, 3) + I32(1) + Pattern(3, 2) + Draws(0, 0);
    QTest::newRow("search: intervals below one") << QByteArray("search") << SearchSettings({2, 2, 2, 2, 0, 1, 5, 2, 0, 0}) + small;
    QTest::newRow("search: negative point count") << QByteArray("search") << SearchSettings({1, 2, 0, 0, 2, 2, 5, 0, 1, 3}) + small;
    QTest::newRow("search: no target masks") << QByteArray("search") << SearchSettings({1, 1, 2, 1, 2, 1, 5, 3, 3, 3}) + small;
    QTest::newRow("search: values far outside digits")
        << QByteArray("search")
        << SearchSettings({2, 3, 3, 2, 2, 3, 5, 3, 0, 0x17}) + Draws(9, 9, 2147483647) + I32(0) + Draws(0, 0);
}

void TestRegressions::replay()
{
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, input);
    const VexelFuzz::TargetFunction run = VexelFuzz::TargetNamed(target);
    QVERIFY(run);
    try {
        run(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
    } catch (const VexelFuzz::Failure &f) {
        QFAIL(f.what());
    }
}

QTEST_APPLESS_MAIN(TestRegressions)
#include "tst_regressions.moc"
