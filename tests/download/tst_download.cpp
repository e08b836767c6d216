// The digit key and the digit scramble, against hand-computed values.
#include "io/DigitKey.h"
#include "io/DownloadFailure.h"
#include "io/DrawText.h"
#include "core/VexelError.h"

#include <QRandomGenerator>
#include <QtTest>

using Key = QList<int>;

namespace {

// The product identifier gives the digits 6 7 5 2 9 3 8 (sum 40); with
// K = 373 that makes key0 = 13.
const TDigitKey Key373 = {13, 6, 7, 5, 2, 9, 3, 8};

QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EVexelError &e) {
        return e.message();
    }
    return {};
}

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT

private slots:
    void digitKey_data();
    void digitKey();
    void decode_data();
    void decode();
    void decodeRejects_data();
    void decodeRejects();
    void roundTrip();
    void excerpt_data();
    void excerpt();
};

void TestDownload::digitKey_data()
{
    QTest::addColumn<QString>("productId");
    QTest::addColumn<int>("constant");
    QTest::addColumn<Key>("key");

    QTest::newRow("upper-cased first") << "vmkrosd" << 373 << Key(Key373.begin(), Key373.end());
    QTest::newRow("K a multiple of the sum") << "VMKROSD" << 120 << Key{0, 6, 7, 5, 2, 9, 3, 8};
    QTest::newRow("largest K") << "vmkrosd" << 999 << Key{39, 6, 7, 5, 2, 9, 3, 8};
    // Codes 65..71 give 5 6 7 8 9 0 1 (sum 36); the eighth character is unused.
    QTest::newRow("other identifier") << "abcdefgh" << 500 << Key{32, 5, 6, 7, 8, 9, 0, 1};
}

void TestDownload::digitKey()
{
    QFETCH(QString, productId);
    QFETCH(int, constant);
    QFETCH(Key, key);
    const TDigitKey built = BuildDigitKey(productId, constant);
    QCOMPARE(Key(built.begin(), built.end()), key);
}

void TestDownload::decode_data()
{
    QTest::addColumn<QString>("issue");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("draw");

    // By hand: d(k) = (c(k) - 13k - (issue rem 10) * key(k) + 2000) rem 10.
    QTest::newRow("issue ends in 1") << "04101" << "0000000" << "1766691";
    QTest::newRow("issue ends in 0") << "10" << "0000000" << "7418529";
    QTest::newRow("issue ends in 3") << "2020123" << "1234567" << "0596392";
    QTest::newRow("only the last issue digit counts") << "13" << "1234567" << "0596392";
    QTest::newRow("only seven characters used") << "2020123" << "12345678" << "0596392";
    // The remainder keeps the sign: -7 rem 10 is -7, neither 3 nor 7.
    QTest::newRow("negative issue") << "-7" << "0000000" << "9362835";
    QTest::newRow("issue longer than seven") << "2020123456" << "5550555" << "6766696";
    // A sign passes the integer check of the digit field; its code counts.
    QTest::newRow("plus sign in digit field") << "0" << "+123456" << "2531975";
}

void TestDownload::decode()
{
    QFETCH(QString, issue);
    QFETCH(QString, digits);
    QFETCH(QString, draw);
    QCOMPARE(DecodeDrawDigits(issue, digits, Key373), draw);
}

void TestDownload::decodeRejects_data()
{
    QTest::addColumn<QString>("issue");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("message");

    QTest::newRow("letter in issue") << "04a01" << "1234567" << "'04a01' is not a valid integer value";
    QTest::newRow("lone sign") << "-" << "1234567" << "'-' is not a valid integer value";
    QTest::newRow("issue beyond 32 bits") << "2147483648" << "1234567" << "'2147483648' is not a valid integer value";
    QTest::newRow("short digit text") << "7" << "123456" << "'123456' is not a valid integer value";
}

void TestDownload::decodeRejects()
{
    QFETCH(QString, issue);
    QFETCH(QString, digits);
    QFETCH(QString, message);
    QCOMPARE(errorOf([&] { DecodeDrawDigits(issue, digits, Key373); }), message);
}

void TestDownload::roundTrip()
{
    const QStringList issues{"0", "04109", "2020123", "-3", "999999999"};
    QRandomGenerator random(5);
    for (const TDigitKey &key : {Key373, DigitKey(), BuildDigitKey("abcdefgh", 999)}) {
        for (const QString &issue : issues) {
            for (int i = 0; i < 300; ++i) {
                const QString draw = FormatDrawNumber(qint32(random.bounded(10000000)));
                QCOMPARE(DecodeDrawDigits(issue, EncodeDrawDigits(issue, draw, key), key), draw);
            }
        }
    }
    QCOMPARE(DigitKey(), BuildDigitKey(QStringLiteral("VMKROSD"), VEXEL_DIGIT_KEY_K));
    QVERIFY(!errorOf([] { EncodeDrawDigits("1", "12345x7"); }).isEmpty());
}

void TestDownload::excerpt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("excerpt");

    const QString forty = QString(39, u'x') + u'成';
    const QString face = QString::fromUcs4(U"\U0001F600");
    QTest::newRow("short, trimmed") << " \t会员名或密码错误\r" << "会员名或密码错误";
    QTest::newRow("forty fit") << forty << forty;
    QTest::newRow("longer, elided to forty") << forty + "y" << QString(39, u'x') + u'…';
    QTest::newRow("line breaks, tabs, direction marks as one blank")
        << "a\r\n\t b\u202Ec\u200Bd" << "a b c d";
    QTest::newRow("no half of a pair") << QString(38, u'x') + face + face << QString(38, u'x') + face + face;
    QTest::newRow("pair cut whole") << QString(38, u'x') + face + face + "y" << QString(38, u'x') + face + u'…';
}

void TestDownload::excerpt()
{
    QFETCH(QString, text);
    QTEST(TextExcerpt(text), "excerpt");
}

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"
