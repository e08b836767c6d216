#include "io/DrawText.h"
#include "io/Gbk.h"
#include "core/Hao.h"
#include "core/VexelError.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using Numbers = QList<qint32>;

class TestDrawText : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parseRejects_data();
    void parseRejects();
    void splitText_data();
    void splitText();
    void formatAndTrim();
    void rebuildDrawList();
    void rebuildRejectsOutOfRange();
    void readDrawFile();
};

void TestDrawText::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Numbers>("numbers");

    QTest::newRow("leading zero survives") << QByteArray("0381295\n") << Numbers{381295};
    QTest::newRow("issue number after space") << QByteArray("1234567 04101 2004-05-21\n") << Numbers{1234567};
    QTest::newRow("comma and text") << QByteArray("1234567,anything\n") << Numbers{1234567};
    QTest::newRow("six digits dropped") << QByteArray("123456\n7654321\n") << Numbers{7654321};
    QTest::newRow("spaces counted before trim") << QByteArray("   12345\n") << Numbers{12345};
    QTest::newRow("tab indent") << QByteArray("\t7654321 x\n") << Numbers{7654321};
    QTest::newRow("trailing blanks pad to seven") << QByteArray("12345\t\t\n") << Numbers{12345};
    QTest::newRow("empty file") << QByteArray() << Numbers{};
    QTest::newRow("only short lines") << QByteArray("\n\r\n12\r\n      \n") << Numbers{};
    QTest::newRow("CR, LF, CR LF mixed, no final end")
        << QByteArray("1111111\r2222222\n3333333\r\n\r\n4444444") << Numbers{1111111, 2222222, 3333333, 4444444};
    QTest::newRow("NUL ends the text") << QByteArray("1111111\n22\0" "2222222\n", 19) << Numbers{1111111};
    QTest::newRow("plus sign") << QByteArray("+123456\n") << Numbers{123456};
    QTest::newRow("plus sign, seventh digit cut") << QByteArray("+1234567\n") << Numbers{123456};
    QTest::newRow("zero") << QByteArray("0000000\n") << Numbers{0};
    QTest::newRow("GBK text after digits")
        << EncodeGbk(QStringLiteral("9876543 第04101期 开奖\r\n1234567\r\n")) << Numbers{9876543, 1234567};
    // Eight bytes of GBK but four characters: not a draw line.
    QTest::newRow("length in characters") << EncodeGbk(QStringLiteral("开奖号码\n")) << Numbers{};
    QTest::newRow("a million empty lines")
        << QByteArray(500000, '\n') + "1234567" + QByteArray(500000, '\r') + "\r\n7654321" << Numbers{1234567, 7654321};
    QTest::newRow("a million blanks around the digits")
        << QByteArray(1000000, ' ') + "1234567" + QByteArray(1000000, '\t') + "\n" << Numbers{1234567};
    QTest::newRow("cut-off lead byte at the end") << QByteArray("1234567\n123456\x81") << Numbers{1234567};
}

void TestDrawText::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Numbers, numbers);
    QCOMPARE(ParseDrawText(bytes), numbers);
}

void TestDrawText::parseRejects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("slice");

    QTest::newRow("blank inside") << QByteArray("1234567\n12 34567 04102\n") << QStringLiteral("12 3456");
    QTest::newRow("negative") << QByteArray("-123456\n") << QStringLiteral("-123456");
    QTest::newRow("letters after good lines") << QByteArray("1234567\r\n7654321\r\nabcdefg\r\n")
                                              << QStringLiteral("abcdefg");
    QTest::newRow("plus without digits") << QByteArray("+abcdef\n") << QStringLiteral("+abcdef");
    QTest::newRow("hex form") << QByteArray("$1A2B3C\n") << QStringLiteral("$1A2B3C");
    QTest::newRow("full-width digits") << EncodeGbk(QStringLiteral("１２３４５６７\n"))
                                       << QStringLiteral("１２３４５６７");
}

void TestDrawText::parseRejects()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, slice);
    try {
        ParseDrawText(bytes);
        QFAIL("no error raised");
    } catch (const EVexelError &e) {
        QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(slice));
    }
}

void TestDrawText::splitText_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("pieces");

    QTest::newRow("reply line") << "#" << "  04101#x#1234567  " << QStringList{"04101", "x", "1234567"};
    QTest::newRow("repeated space") << " " << "a  b" << QStringList{"a", "b"};
    QTest::newRow("leading, repeated, trailing") << "#" << "#a##b#" << QStringList{"a", "b"};
    QTest::newRow("pieces not trimmed") << "#" << "a # b" << QStringList{"a ", " b"};
    QTest::newRow("long separator") << "##" << "a###b" << QStringList{"a", "#b"};
    QTest::newRow("no separator") << "#" << "\tabc\r\n" << QStringList{"abc"};
    QTest::newRow("blank text") << "#" << " \r\n" << QStringList{};
    QTest::newRow("only separators") << "#" << "###" << QStringList{};
    QTest::newRow("empty separator") << "" << " ab " << QStringList{"ab"};
}

void TestDrawText::splitText()
{
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QFETCH(QStringList, pieces);
    QCOMPARE(SplitText(separator, text), pieces);
}

void TestDrawText::formatAndTrim()
{
    QCOMPARE(FormatDrawNumber(0), QStringLiteral("0000000"));
    QCOMPARE(FormatDrawNumber(381295), QStringLiteral("0381295"));
    QCOMPARE(FormatDrawNumber(9999999), QStringLiteral("9999999"));
    QCOMPARE(TrimText(QStringLiteral("\t\r\n a\tb \x01\x1f")), QStringLiteral("a\tb"));
    // U+3000 is above U+0020 and stays.
    QCOMPARE(TrimText(QStringLiteral("\u3000a ")), QStringLiteral("\u3000a"));
}

void TestDrawText::rebuildDrawList()
{
    TCodes draws;
    for (int i = 0; i < 5; ++i)
        draws.Add();
    RebuildDrawList(draws, {381295, 1234567, 0});
    QCOMPARE(draws.Count(), 3);
    QCOMPARE(draws.GetCode(0), (TCode{12, 0, 3, 8, 1, 2, 9, 5}));
    QCOMPARE(draws.GetCode(1), (TCode{10, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(draws.GetCode(2), (TCode{0, 0, 0, 0, 0, 0, 0, 0}));

    RebuildDrawList(draws, {});
    QCOMPARE(draws.Count(), 0);
}

void TestDrawText::rebuildRejectsOutOfRange()
{
    TCodes draws;
    RebuildDrawList(draws, {1234567, 7654321});
    const TCodes before = draws;
    for (const qint32 bad : {10000000, -1}) {
        QVERIFY_THROWS_EXCEPTION(EVexelError, RebuildDrawList(draws, {1111111, bad}));
        QCOMPARE(draws.Count(), 2);
        QCOMPARE(draws.GetCode(0), before.GetCode(0));
        QCOMPARE(draws.GetCode(1), before.GetCode(1));
    }
}

void TestDrawText::readDrawFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("draws.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(EncodeGbk(QStringLiteral("0381295 第1期\r\n1234567 第2期\r\n")));
    file.close();
    QCOMPARE(ReadDrawFile(path), (Numbers{381295, 1234567}));

    // Read in pieces, a character cut between two of them still counts as
    // one: the line has six characters and is no draw.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(65535, '\n') + EncodeGbk(QStringLiteral("开奖号123\n1234567\n")));
    file.close();
    QCOMPARE(ReadDrawFile(path), Numbers{1234567});

    // A FIFO would block the reading until some writer came.
    const QString fifo = dir.filePath(QStringLiteral("fifo.txt"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString loop = dir.filePath(QStringLiteral("loop.txt"));
    QVERIFY(QFile::link(loop, loop));
    const QList<QPair<QString, QString>> unusable{{dir.filePath(QStringLiteral("missing.txt")), "文件不存在"},
                                                  {dir.path(), "是一个文件夹，不是一个普通文件"},
                                                  {fifo, "是一个管道（FIFO），不是一个普通文件"},
                                                  {loop, "符号链接循环"}};
    for (const auto &[bad, cause] : unusable) {
        try {
            ReadDrawFile(bad);
            QFAIL("no error raised");
        } catch (const EVexelError &e) {
            // The user reads the file's name and the cause in Chinese.
            QVERIFY2(e.message().contains(bad) && e.message().contains(cause), qPrintable(e.message()));
        }
    }
}

QTEST_APPLESS_MAIN(TestDrawText)
#include "tst_drawtext.moc"
