// The download worker end to end over real HTTP on loopback: against the
// draw server in process, crafted replies, silent and absent servers, and
// the vexel-drawserver program on the sample history.
#include "io/DataDown.h"
#include "io/DigitKey.h"
#include "tools/DrawServer.h"
#include "io/DrawText.h"
#include "io/Gbk.h"
#include "core/VexelError.h"

#include <QPointer>
#include <QRegularExpression>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>

using Numbers = QList<qint32>;

namespace {

struct Outcome
{
    int reports = 0;  // downloaded and failed together: always exactly one
    bool downloaded = false;
    QStringList handOver;
    QString reason;
    TDownloadError failure;
    qint64 elapsedMs = 0;
};

// Runs a worker to its end while this thread's event loop serves the
// in-process servers.
// The reports are taken on the worker's thread, under a lock of their own:
// a QSignalSpy would fill its list there while this thread reads it.
Outcome runWorker(TDataDown &worker)
{
    std::mutex lock;
    Outcome o;
    QObject::connect(&worker, &TDataDown::downloaded, &worker, [&](const QStringList &handOver) {
        const std::lock_guard<std::mutex> guard(lock);
        if (o.reports++ == 0) {
            o.downloaded = true;
            o.handOver = handOver;
        }
    }, Qt::DirectConnection);
    QObject::connect(&worker, &TDataDown::failed, &worker, [&](const QString &reason, const TDownloadError &failure) {
        const std::lock_guard<std::mutex> guard(lock);
        if (o.reports++ == 0) {
            o.reason = reason;
            o.failure = failure;
        }
    }, Qt::DirectConnection);
    QElapsedTimer clock;
    clock.start();
    worker.start();
    while (!worker.isFinished() && clock.elapsed() < 60000)
        QTest::qWait(5);
    worker.wait();
    const std::lock_guard<std::mutex> guard(lock);
    o.elapsedMs = clock.elapsed();
    return o;
}

Outcome download(const QString &url, const QString &name = {}, const QString &password = {},
                 int timeLimitMs = 10000)
{
    TDataDown worker(url);
    worker.SetMemberName(name);
    worker.SetMemberPassword(password);
    worker.SetWaitMs(0);
    worker.SetTimeLimitMs(timeLimitMs);
    return runWorker(worker);
}

Numbers convert(const QStringList &handOver, QString &error)
{
    try {
        return ConvertDownloadedDraws(handOver);
    } catch (const EVexelError &e) {
        error = e.message();
    }
    return {};
}

// Answers every draw request with a fixed body.
class TCannedServer : public TDrawServer
{
public:
    QByteArray body;

protected:
    QByteArray ReplyBody(const QHash<QString, QString> &) override { return body; }
};

// Accepts connections and never answers.
class TSilentServer : public QTcpServer
{
public:
    QList<QTcpSocket *> sockets;
    TSilentServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] { sockets << nextPendingConnection(); });
        listen(QHostAddress::LocalHost, 0);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/draws").arg(serverPort()); }
};

// Answers whatever arrives with fixed bytes, then closes the connection.
class TRawServer : public QTcpServer
{
public:
    explicit TRawServer(const QByteArray &answer)
    {
        connect(this, &QTcpServer::newConnection, this, [this, answer] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket, answer] {
                socket->readAll();
                socket->write(answer);
                socket->disconnectFromHost();
            });
        });
        listen(QHostAddress::LocalHost, 0);
    }
};

// Answers with a status line and then header lines without end, a piece
// every few milliseconds, until the connection is closed.
class TFloodServer : public QTcpServer
{
public:
    QPointer<QTcpSocket> socket;
    TFloodServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            socket = nextPendingConnection();
            socket->write("HTTP/1.1 200 OK\r\n");
            auto *pieces = new QTimer(socket);
            connect(pieces, &QTimer::timeout, socket, [s = socket.data()] {
                if (s->bytesToWrite() < 1 << 20)
                    s->write(QByteArray("X-Flood: 0123456789abcdef\r\n").repeated(1000));
            });
            pieces->start(5);
        });
        listen(QHostAddress::LocalHost, 0);
    }
};

QByteArray httpOk(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QString scrambled(const QString &issue, qint32 draw)
{
    return EncodeDrawDigits(issue, FormatDrawNumber(draw));
}

} // namespace

class TestDownloadHttp : public QObject
{
    Q_OBJECT

private slots:
    void reply_data();
    void reply();
    void requestTarget_data();
    void requestTarget();
    void members_data();
    void members();
    void fetchFails_data();
    void fetchFails();
    void silentServerHitsTimeLimit();
    void headerFloodEndsAtTimeLimit();
    void failureMessages_data();
    void failureMessages();
    void stopDuringFetch();
    void destroyDuringWait();
    void standardWait();
    void freesItself();
    void servedDraws_data();
    void servedDraws();
    void toolServesSampleHistory();
    void plainRequests_data();
    void plainRequests();
    void toolBadArguments_data();
    void toolBadArguments();
};

void TestDownloadHttp::reply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<Numbers>("numbers");
    QTest::addColumn<QString>("conversionError");

    const QByteArray ok = EncodeGbk(QStringLiteral("开奖数据下载成功"));
    const QByteArray a = EncodeGbk("04101#2004-05-21#" + scrambled("04101", 8558511));
    const QByteArray b = EncodeGbk("04102#2004-05-23#" + scrambled("04102", 381295));
    const QByteArray d7 = scrambled("7", 1234567).toLatin1();
    const Numbers ab{8558511, 381295};
    const QString noInt = QStringLiteral("'%1' is not a valid integer value");

    QTest::newRow("CR LF") << ok + "\r\n" + a + "\r\n" + b + "\r\n" << true << ab << "";
    QTest::newRow("LF, no final end") << ok + "\n" + a + "\n" + b << true << ab << "";
    QTest::newRow("CR") << ok + "\r" + a + "\r" + b + "\r" << true << ab << "";
    QTest::newRow("success after other text") << EncodeGbk(QStringLiteral("状态：成功")) + "\r\n" + a
                                              << true << Numbers{8558511} << "";
    QTest::newRow("blank and indented lines") << ok + "\r\n\r\n \t" + a + "  \r\n   \r\n" + b << true << ab << "";
    QTest::newRow("only blank draw lines") << ok + "\r\n\r\n  \r\n" << true << Numbers{} << "";
    QTest::newRow("GBK date, extra fields, spaces")
        << ok + "\r\n" + EncodeGbk(QStringLiteral(" 7 # 二〇〇四年 # ")) + d7 + " #x#y" << true << Numbers{1234567} << "";
    QTest::newRow("empty field between separators") << ok + "\r\n7##d#" + d7 << true << Numbers{1234567} << "";
    QTest::newRow("issue longer than seven")
        << ok + "\r\n2020123456#d#" + scrambled("2020123456", 7654321).toLatin1() << true << Numbers{7654321} << "";

    QTest::newRow("status line only") << ok + "\r\n" << false << Numbers{} << "";
    QTest::newRow("bare success line") << EncodeGbk(QStringLiteral("成功")) << false << Numbers{} << "";
    QTest::newRow("no success") << EncodeGbk(QStringLiteral("会员名或密码错误")) + "\r\n" + a << false << Numbers{} << "";
    QTest::newRow("success on line 2 only") << "OK\r\n" + ok + "\r\n" + a << false << Numbers{} << "";
    // With the empty field dropped the digits become field 2: too few fields.
    QTest::newRow("empty field instead of date") << ok + "\r\n" + a + "\r\n7##" + d7 << false << Numbers{} << "";

    QTest::newRow("short digit field") << ok + "\r\n" + a + "\r\n7#d#12345" << true << Numbers{} << noInt.arg("12345");
    QTest::newRow("non-integer issue") << ok + "\r\n" + a + "\r\n04x02#d#1234567" << true << Numbers{}
                                       << noInt.arg("04x02");
    QTest::newRow("issue's first seven not an integer") << ok + "\r\n12a45678#d#1234567" << true << Numbers{}
                                                        << noInt.arg("12a4567");
    QTest::newRow("whole issue not an integer") << ok + "\r\n1234567x#d#1234567" << true << Numbers{}
                                                << noInt.arg("1234567x");
    QTest::newRow("non-integer digits") << ok + "\r\n7#d#12a4567" << true << Numbers{} << noInt.arg("12a4567");
    QTest::newRow("blank third field") << ok + "\r\n7#d# #x" << true << Numbers{} << noInt.arg("");
}

void TestDownloadHttp::reply()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, accepted);
    QFETCH(Numbers, numbers);
    QFETCH(QString, conversionError);

    TCannedServer server;
    server.body = body;
    QVERIFY(server.Listen(0));
    const Outcome o = download(server.Url());
    QCOMPARE(o.reports, 1);
    QCOMPARE(o.downloaded, accepted);
    QString error;
    QCOMPARE(convert(o.handOver, error), numbers);
    QCOMPARE(error, conversionError);
}

void TestDownloadHttp::requestTarget_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("target");

    const QByteArray head = "/draws?soft=VMKROSD&softid=6&ver=1.06";
    QTest::newRow("no member") << "" << "" << head + "&mName=&mPw=";
    // 张三 is D5C5 C8FD in GBK, 密码 C3DC C2EB; unreserved characters stay.
    QTest::newRow("separators, blank, Chinese")
        << QStringLiteral("张三") << QStringLiteral("a&b#c d+=%密码-_.~")
        << head + "&mName=%D5%C5%C8%FD&mPw=a%26b%23c%20d%2B%3D%25%C3%DC%C2%EB-_.~";
}

void TestDownloadHttp::requestTarget()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QByteArray, target);

    TDrawServer server;
    server.SetPath(QStringLiteral("/draws"));
    QVERIFY(server.Listen(0));
    QSignalSpy requested(&server, &TDrawServer::requested);
    const Outcome o = download(server.Url(), name, password);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.first().first().toByteArray(), target);
    QVERIFY(o.downloaded);
}

void TestDownloadHttp::members_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("member") << QStringLiteral("张三") << QStringLiteral("a&b#c d+密码") << true;
    QTest::newRow("wrong password") << QStringLiteral("张三") << QStringLiteral("a&b#c d+密") << false;
    QTest::newRow("no member") << "" << "" << false;
}

void TestDownloadHttp::members()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(bool, accepted);

    TDrawServer server;
    server.SetDraws({{"1", "d", 1234567}, {"2", "d", 7654321}});
    server.AddMember(QStringLiteral("张三"), QStringLiteral("a&b#c d+密码"));
    QVERIFY(server.Listen(0));
    const Outcome o = download(server.Url(), name, password);
    QCOMPARE(o.reports, 1);
    QCOMPARE(o.downloaded, accepted);
    if (accepted)
        QCOMPARE(ConvertDownloadedDraws(o.handOver), (Numbers{1234567, 7654321}));
    else
        QVERIFY2(o.reason.contains(TDrawServer::MemberRefused), qPrintable(o.reason));
}

void TestDownloadHttp::fetchFails_data()
{
    QTest::addColumn<bool>("unreachable");
    QTest::newRow("unreachable port") << true;
    QTest::newRow("wrong path, HTTP 404") << false;
}

void TestDownloadHttp::fetchFails()
{
    QFETCH(bool, unreachable);

    TDrawServer server;
    server.SetPath(QStringLiteral("/draws"));
    QVERIFY(server.Listen(0));
    QString url = server.Url() + "/other";
    if (unreachable) {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        url = QStringLiteral("http://127.0.0.1:%1/draws").arg(probe.serverPort());
    }
    const Outcome o = download(url, "n", "secret");
    QCOMPARE(o.reports, 1);
    QVERIFY(!o.downloaded);
    // The reason may be shown to the user: it must not quote the password.
    QVERIFY2(!o.reason.isEmpty() && !o.reason.contains("secret"), qPrintable(o.reason));
}

void TestDownloadHttp::silentServerHitsTimeLimit()
{
    TSilentServer silent;
    const Outcome o = download(silent.url(), {}, {}, 300);
    QCOMPARE(o.reports, 1);
    QVERIFY2(o.reason.contains("within 300 ms"), qPrintable(o.reason));
    QVERIFY2(o.elapsedMs >= 250 && o.elapsedMs < 20000, qPrintable(QString::number(o.elapsedMs)));
    QCOMPARE(silent.sockets.size(), 1);
}

void TestDownloadHttp::headerFloodEndsAtTimeLimit()
{
    // The network layer reads header lines without looking up while they
    // keep coming: the failure must still come at the time it states, and
    // the connection end with it, not go on in the background.
    TFloodServer flood;
    const Outcome o = download(QStringLiteral("http://127.0.0.1:%1/draws").arg(flood.serverPort()), {}, {}, 1000);
    QCOMPARE(o.reports, 1);
    QVERIFY2(o.failure.Kind == TDownloadFailure::TimedOut && o.failure.Seconds == 1, qPrintable(o.reason));
    QVERIFY2(o.elapsedMs < 1000 + 3000, qPrintable(QString::number(o.elapsedMs)));
    QTRY_VERIFY_WITH_TIMEOUT(!flood.socket || flood.socket->state() == QAbstractSocket::UnconnectedState, 3000);
}

void TestDownloadHttp::failureMessages_data()
{
    QTest::addColumn<QString>("server");       // "raw", "refused" or "silent"
    QTest::addColumn<QByteArray>("answer");    // what the raw server sends
    QTest::addColumn<QString>("cause");        // the words the message must hold

    const QByteArray ok = EncodeGbk(QStringLiteral("开奖数据下载成功")) + "\r\n";
    const QByteArray a = EncodeGbk("04101#2004-05-21#" + scrambled("04101", 8558511)) + "\r\n";
    const QByteArray huge(3 * 1024 * 1024, '1');

    QTest::newRow("connection refused") << "refused" << QByteArray() << QStringLiteral("无法连接");
    QTest::newRow("no answer in time") << "silent" << QByteArray() << QStringLiteral("1秒内没有回复");
    QTest::newRow("closed without answer") << "raw" << QByteArray() << QStringLiteral("连接中断");
    QTest::newRow("HTTP error status")
        << "raw" << QByteArray("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n") << QStringLiteral("状态码503");
    QTest::newRow("bad status line") << "raw" << "HTTP/1.1 two hundred\r\n\r\n" + ok + a << QStringLiteral("回复无法识别");
    QTest::newRow("damaged compressed body")
        << "raw" << QByteArray("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 9\r\n\r\nnot gzip!")
        << QStringLiteral("回复无法识别");
    QTest::newRow("member refused") << "raw" << httpOk(EncodeGbk(TDrawServer::MemberRefused) + "\r\n")
                                    << QStringLiteral("没有发来开奖数据，它的回复是：“会员名或密码错误”");
    QTest::newRow("huge status line") << "raw" << httpOk(huge + "\r\n" + a) << QStringLiteral("没有发来开奖数据");
    QTest::newRow("status line only") << "raw" << httpOk(ok) << QStringLiteral("没有开奖号码");
    QTest::newRow("bad draw line") << "raw" << httpOk(ok + a + "\r\n" + huge) << QStringLiteral("第4行格式不对");
    QTest::newRow("huge issue field")
        << "raw" << httpOk(ok + a + huge + "#d#" + scrambled("1", 1234567).toLatin1())
        << QStringLiteral("第2条开奖记录的期号或号码不对");
}

void TestDownloadHttp::failureMessages()
{
    QFETCH(QString, server);
    QFETCH(QByteArray, answer);
    QFETCH(QString, cause);

    TRawServer raw(answer);
    TSilentServer silent;
    quint16 port = server == "silent" ? silent.serverPort() : raw.serverPort();
    if (server == "refused") {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        port = closed.serverPort();
    }
    const Outcome o = download(QStringLiteral("http://127.0.0.1:%1/draws").arg(port), {}, {}, server == "silent" ? 300 : 10000);
    TDownloadError failure = o.failure;
    try {
        if (o.downloaded)
            QFAIL(qPrintable(QString::number(ConvertDownloadedDraws(o.handOver).size()) + " draws taken"));
    } catch (const EDownloadError &e) {
        failure = e.failure();
    }
    const QString text = DownloadFailureText(failure);
    QVERIFY2(text.contains(cause), qPrintable(text));
    // A few lines, whatever the server sent, in Chinese but for what it quotes.
    QVERIFY2(text.size() <= 100 && failure.Excerpt.size() <= MaxExcerptChars, qPrintable(text));
    QVERIFY2(!QString(text).remove(failure.Excerpt).contains(QRegularExpression("[A-Za-z]")), qPrintable(text));
}

void TestDownloadHttp::stopDuringFetch()
{
    TSilentServer silent;
    TDataDown worker(silent.url());
    worker.SetWaitMs(0);
    worker.SetTimeLimitMs(120000);
    QSignalSpy failed(&worker, &TDataDown::failed);
    worker.start();
    QTRY_COMPARE_WITH_TIMEOUT(silent.sockets.size(), 1, 20000);
    worker.requestInterruption();
    QVERIFY(worker.wait(20000));
    QCOMPARE(failed.count(), 1);
}

void TestDownloadHttp::destroyDuringWait()
{
    TSilentServer silent;
    auto *worker = new TDataDown(silent.url());
    QSignalSpy failed(worker, &TDataDown::failed);
    worker->start();
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    delete worker;  // stops the standard 4..8 s wait and waits for the end
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(failed.count(), 1);
    QTest::qWait(50);
    QVERIFY(silent.sockets.isEmpty());
}

void TestDownloadHttp::standardWait()
{
    TDrawServer server;
    QVERIFY(server.Listen(0));
    QElapsedTimer sinceRequest;
    connect(&server, &TDrawServer::requested, this, [&sinceRequest] { sinceRequest.start(); });
    TDataDown worker(server.Url());
    const Outcome o = runWorker(worker);
    // A server without draws hands over an empty history.
    QVERIFY2(o.downloaded, qPrintable(o.reason));
    QCOMPARE(o.handOver, QStringList());
    QVERIFY(sinceRequest.isValid());
    const qint64 waited = sinceRequest.msecsSinceReference() - worker.StartTick();
    QVERIFY2(waited >= 4000 && waited < 9000 + 20000, qPrintable(QString::number(waited)));
}

void TestDownloadHttp::freesItself()
{
    TCannedServer server;
    QVERIFY(server.Listen(0));
    QPointer<TDataDown> worker = new TDataDown(server.Url());
    worker->SetWaitMs(0);
    worker->SetFreeOnTerminate(true);
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(worker.isNull(), 20000);
}

void TestDownloadHttp::servedDraws_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("issues");
    QTest::addColumn<QStringList>("dates");

    QTest::newRow("issues and dates") << QByteArray("1234567 04101 2004-05-21\r\n12\r\n7654321\t04102  2004-05-23\r\n")
                                      << QStringList{"04101", "04102"} << QStringList{"2004-05-21", "2004-05-23"};
    QTest::newRow("no usable date") << QByteArray("1234567 8\n7654321 9 x#y\n") << QStringList{"8", "9"}
                                    << QStringList{"-", "-"};
    QTest::newRow("a line without issue numbers all")
        << QByteArray("1234567 04101 d\n7654321 abc d\n") << QStringList{"1", "2"} << QStringList{"-", "-"};
}

void TestDownloadHttp::servedDraws()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, issues);
    QFETCH(QStringList, dates);

    QTemporaryDir dir;
    QFile f(dir.filePath("draws.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
    f.close();
    QStringList gotIssues, gotDates;
    for (const TServedDraw &d : ReadServedDraws(f.fileName())) {
        gotIssues << d.issue;
        gotDates << d.date;
    }
    QCOMPARE(gotIssues, issues);
    QCOMPARE(gotDates, dates);
}

void TestDownloadHttp::toolServesSampleHistory()
{
    QProcess tool;
    tool.start(QStringLiteral(VEXEL_DRAWSERVER_PATH),
               {SAMPLE_HISTORY_PATH, "--port", "0", "--member", QStringLiteral("张三:a&b#c d+密码"), "--member", "x:y"});
    QTRY_VERIFY_WITH_TIMEOUT(tool.canReadLine(), 20000);
    const QString line = QString::fromUtf8(tool.readLine()).trimmed();
    QVERIFY2(line.startsWith("listening on "), qPrintable(line));

    const Outcome o = download(QStringLiteral("http://127.0.0.1:%1/draws").arg(line.mid(13)),
                               QStringLiteral("张三"), QStringLiteral("a&b#c d+密码"));
    tool.kill();
    tool.waitForFinished(10000);
    QVERIFY2(o.downloaded, qPrintable(o.reason));
    const Numbers draws = ReadDrawFile(SAMPLE_HISTORY_PATH);
    QVERIFY(o.handOver.first().startsWith("04101#"));
    QCOMPARE(ConvertDownloadedDraws(o.handOver), draws);
}

void TestDownloadHttp::plainRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");

    const QByteArray target = "/draws?soft=VMKROSD&softid=6&ver=1.06&mName=&mPw=";
    QTest::newRow("HTTP/1.0 without header lines") << "GET " + target + " HTTP/1.0\r\n\r\n" << 200;
    QTest::newRow("bare LF line ends") << "GET " + target + " HTTP/1.0\nAccept: */*\n\n" << 200;
    QTest::newRow("no version") << "GET " + target + "\r\n\r\n" << 400;
}

void TestDownloadHttp::plainRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);

    TDrawServer server;
    server.SetPath(QStringLiteral("/draws"));
    QVERIFY(server.Listen(0));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.Port());
    client.write(request);
    QByteArray answer;
    QTRY_VERIFY_WITH_TIMEOUT((answer += client.readAll(), client.state() == QAbstractSocket::UnconnectedState), 10000);
    QVERIFY2(answer.startsWith("HTTP/1.1 " + QByteArray::number(status) + ' '), answer.constData());
    QCOMPARE(answer.endsWith("\r\n\r\n" + server.DrawReply()), status == 200);
}

void TestDownloadHttp::toolBadArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");

    QTest::newRow("no arguments") << QStringList{} << 2;
    QTest::newRow("two files") << QStringList{SAMPLE_HISTORY_PATH, SAMPLE_HISTORY_PATH} << 2;
    QTest::newRow("port too large") << QStringList{SAMPLE_HISTORY_PATH, "--port", "65536"} << 2;
    QTest::newRow("member without colon") << QStringList{SAMPLE_HISTORY_PATH, "--member", "bob"} << 2;
    QTest::newRow("missing file") << QStringList{"/nonexistent/draws.txt", "--port", "0"} << 1;
}

void TestDownloadHttp::toolBadArguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);

    QProcess p;
    p.start(QStringLiteral(VEXEL_DRAWSERVER_PATH), args);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), code);
    QVERIFY(p.readAllStandardOutput().isEmpty());
    if (code == 2)
        QVERIFY(p.readAllStandardError().startsWith("usage: vexel-drawserver"));
}

QTEST_GUILESS_MAIN(TestDownloadHttp)
#include "tst_download_http.moc"
