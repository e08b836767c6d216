// Tables for spreadsheet programs: the byte-order mark, quoting and line ends.
#include "io/CsvFile.h"

#include <QtTest>

class TestCsvFile : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
};

void TestCsvFile::bytes_data()
{
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("plain and Chinese") << QStringList{"12", "命中率", ""} << QByteArray("12,命中率,\r\n");
    QTest::newRow("comma") << QStringList{"1,-1 3,-2"} << QByteArray("\"1,-1 3,-2\"\r\n");
    QTest::newRow("quote") << QStringList{"a\"b"} << QByteArray("\"a\"\"b\"\r\n");
    QTest::newRow("line breaks") << QStringList{"a\nb", "c\rd"} << QByteArray("\"a\nb\",\"c\rd\"\r\n");
}

void TestCsvFile::bytes()
{
    QFETCH(QStringList, row);
    QFETCH(QByteArray, line);
    QCOMPARE(CsvBytes({row}), QByteArray("\xEF\xBB\xBF") + line);
}

QTEST_GUILESS_MAIN(TestCsvFile)
#include "tst_csvfile.moc"
