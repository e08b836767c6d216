#include "io/DataDown.h"

#include "io/DigitKey.h"
#include "io/DrawText.h"
#include "io/FetchRelay.h"
#include "io/Gbk.h"
#include "io/ProductInfo.h"
#include "core/VexelError.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#ifndef VEXEL_DATA_URL
#error "VEXEL_DATA_URL must be defined by the build"
#endif

namespace {

// A draw history is well under a MiB; a reply far beyond that is not one.
constexpr qint64 MaxReplySize = 16 * 1024 * 1024;
// What the server may send beyond the reply's body: its status and header lines.
constexpr qint64 MaxHeaderBytes = 1024 * 1024;
// How often the wait and the fetch look at the stop request.
constexpr int PollMs = 5;
const QString SuccessMark = QStringLiteral("成功");

QString EncodeValue(const QString &value)
{
    return QString::fromLatin1(EncodeGb18030(value).toPercentEncoding());
}

// Reply lines can be anything; a message quotes only the start of one.
QString Quoted(const QString &line)
{
    constexpr int MaxQuoted = 80;
    return line.size() <= MaxQuoted ? line : line.left(MaxQuoted) + QStringLiteral("...");
}

// What a network error means to the user. The reply's own status is looked
// at before this, so the content errors that follow from it do not come here.
TDownloadFailure FailureOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::UnknownProxyError:
        return TDownloadFailure::NoConnection;
    case QNetworkReply::RemoteHostClosedError:
        return TDownloadFailure::ConnectionLost;
    case QNetworkReply::TimeoutError:
        return TDownloadFailure::TimedOut;
    case QNetworkReply::OperationCanceledError:
        return TDownloadFailure::Stopped;
    default:
        // Protocol failures, damaged compressed bodies, bad redirects.
        return TDownloadFailure::NotHttp;
    }
}

} // namespace

QString DataServiceUrl()
{
    return QStringLiteral(VEXEL_DATA_URL);
}

QString BuildRequestAddress(const QString &baseUrl, const QString &memberName,
                            const QString &memberPassword)
{
    return baseUrl + QStringLiteral("?soft=") + EncodeValue(QString::fromLatin1(ProductIdentifier).toUpper())
           + QStringLiteral("&softid=") + EncodeValue(QLatin1String(SoftwareNumber))
           + QStringLiteral("&ver=") + EncodeValue(QLatin1String(RequestVersion))
           + QStringLiteral("&mName=") + EncodeValue(memberName)
           + QStringLiteral("&mPw=") + EncodeValue(memberPassword);
}

bool DownloadLines(const QString &address, QStringList &lines, QString *error, int timeLimitMs,
                   const std::function<bool()> &stopRequested, TDownloadError *failure)
{
    const QUrl url(address);
    const QString where = url.toDisplayString(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
    const auto fail = [error, failure](const TDownloadError &why, const QString &reason) {
        if (error)
            *error = reason;
        if (failure)
            *failure = why;
        return false;
    };
    if (!url.isValid() || url.isRelative())
        return fail({TDownloadFailure::BadAddress},
                    QStringLiteral("DownloadLines: '%1' is not a valid address").arg(where));
    if (timeLimitMs <= 0)
        timeLimitMs = DefaultFetchTimeLimitMs;

    // Every byte passes the relay, which the fetch can cut off at once.
    TFetchRelay relay(MaxReplySize + MaxHeaderBytes);
    QNetworkAccessManager manager;
    if (relay.Listen())
        manager.setProxy(relay.Proxy());
    QNetworkRequest request(url);
    QNetworkReply *reply = manager.get(request);

    QByteArray body;
    bool timedOut = false;
    bool stopped = false;
    bool tooLarge = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > MaxReplySize) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(&relay, &TFetchRelay::tooLarge, &loop, [&] {
        tooLarge = true;
        reply->abort();
    });
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        relay.Cut();
        reply->abort();
    });
    QTimer poll;
    if (stopRequested) {
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (stopRequested()) {
                stopped = true;
                relay.Cut();
                reply->abort();
            }
        });
        poll.start(PollMs);
    }
    limit.start(timeLimitMs);
    if (!reply->isFinished())
        loop.exec();
    limit.stop();
    poll.stop();
    // The network layer's own thread lets go of the connections only when
    // they end: the manager waits for it when it goes.
    relay.Cut();

    const QNetworkReply::NetworkError networkError = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    QString errorText = reply->errorString();
    if (!tooLarge && !timedOut && !stopped)
        body += reply->readAll();
    delete reply;

    if (stopped)
        return fail({TDownloadFailure::Stopped}, QStringLiteral("DownloadLines: stopped"));
    if (timedOut) {
        TDownloadError why{TDownloadFailure::TimedOut};
        why.Seconds = (timeLimitMs + 999) / 1000;
        return fail(why, QStringLiteral("DownloadLines: no complete reply from %1 within %2 ms")
                             .arg(where).arg(timeLimitMs));
    }
    if (tooLarge)
        return fail({TDownloadFailure::TooLarge},
                    QStringLiteral("DownloadLines: the reply from %1 is larger than %2 MiB")
                        .arg(where).arg(MaxReplySize / (1024 * 1024)));
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        TDownloadError why{TDownloadFailure::HttpError};
        why.Status = status.toInt();
        return fail(why, QStringLiteral("DownloadLines: %1 answered HTTP %2 %3")
                             .arg(where).arg(status.toInt()).arg(Quoted(phrase)).trimmed());
    }
    if (networkError != QNetworkReply::NoError) {
        // Qt's text may quote the whole address, password included.
        errorText.replace(url.toString(QUrl::FullyEncoded), where);
        errorText.replace(url.toString(), where);
        errorText.replace(url.toDisplayString(), where);
        return fail({FailureOf(networkError)}, QStringLiteral("DownloadLines: %1: %2").arg(where, errorText));
    }
    lines = SplitLines(DecodeGbk(body));
    return true;
}

QStringList BuildHandOver(const QStringList &reply)
{
    // Both faults refuse the reply; the status line, when there is one, says
    // more about why.
    if (!reply.isEmpty() && !reply.first().contains(SuccessMark))
        throw EDownloadError(QStringLiteral("TDataDown: the reply does not report success: '%1'")
                                 .arg(Quoted(reply.first())),
                             {TDownloadFailure::NotSuccess, DownloadExcerpt(reply.first())});
    if (reply.size() < 2)
        throw EDownloadError(QStringLiteral("TDataDown: the reply has fewer than two lines"),
                             {TDownloadFailure::NoDrawLines});
    QStringList handOver;
    for (qsizetype i = 1; i < reply.size(); ++i) {
        const QString line = TrimText(reply.at(i));
        if (line.isEmpty())
            continue;
        const QStringList fields = SplitText(QStringLiteral("#"), line);
        if (fields.size() < 3)
            throw EDownloadError(QStringLiteral("TDataDown: reply line %1 has fewer than three fields: '%2'")
                                     .arg(i + 1).arg(Quoted(line)),
                                 {TDownloadFailure::BadLine, DownloadExcerpt(line), int(i + 1)});
        handOver.append(TrimText(fields.at(0)) + QLatin1Char('#') + TrimText(fields.at(2)));
    }
    return handOver;
}

QList<qint32> ConvertDownloadedDraws(const QStringList &handOver)
{
    constexpr int DrawDigits = 7;
    QList<qint32> numbers;
    numbers.reserve(handOver.size());
    for (qsizetype i = 0; i < handOver.size(); ++i) {
        const QString &line = handOver.at(i);
        try {
            const QStringList pieces = SplitText(QStringLiteral("#"), TrimText(line));
            // A missing piece reads as an empty text, which is no integer.
            const QString issue = pieces.value(0);
            const QString digits = pieces.value(1);
            ReadInteger(issue.left(DrawDigits));
            ReadInteger(TrimText(digits).left(DrawDigits));
            numbers.append(ReadInteger(DecodeDrawDigits(issue, digits)));
        } catch (const EVexelError &e) {
            throw EDownloadError(e.message(),
                                 {TDownloadFailure::BadDraw, DownloadExcerpt(line), int(i + 1)});
        }
    }
    return numbers;
}

TDataDown::TDataDown(const QString &baseUrl, QObject *parent)
    : QThread(parent), m_baseUrl(baseUrl)
{
    m_clock.start();
    m_startTick = m_clock.msecsSinceReference();
}

TDataDown::~TDataDown()
{
    Terminate();
    wait();
}

void TDataDown::SetTimeLimitMs(int timeLimitMs)
{
    m_timeLimitMs = timeLimitMs > 0 ? timeLimitMs : DefaultFetchTimeLimitMs;
}

void TDataDown::SetFreeOnTerminate(bool free)
{
    if (free && !m_freeOnTerminate)
        m_freeOnTerminate = connect(this, &QThread::finished, this, &QObject::deleteLater);
    else if (!free && m_freeOnTerminate)
        disconnect(m_freeOnTerminate);
}

bool TDataDown::WaitForFetch()
{
    for (;;) {
        if (Terminated())
            return false;
        const qint64 elapsedMs = m_clock.elapsed();
        if (m_waitMs >= 0) {
            if (elapsedMs >= m_waitMs)
                return true;
        } else {
            // The threshold of 3..7 is drawn on every pass: the fetch starts
            // soon after the fourth whole second, at the latest after the eighth.
            const int r = int(QRandomGenerator::global()->bounded(5));
            if (r + 3 < elapsedMs / 1000)
                return true;
        }
        msleep(PollMs);
    }
}

void TDataDown::run()
{
    QStringList handOver;
    QString reason;
    TDownloadError failure;
    bool accepted = false;
    try {
        if (!WaitForFetch()) {
            reason = QStringLiteral("TDataDown: stopped");
            failure.Kind = TDownloadFailure::Stopped;
        } else {
            const QString address = BuildRequestAddress(m_baseUrl, m_memberName, m_memberPassword);
            QStringList lines;
            if (DownloadLines(address, lines, &reason, m_timeLimitMs, [this] { return Terminated(); }, &failure)) {
                handOver = BuildHandOver(lines);
                accepted = true;
            }
        }
    } catch (const EDownloadError &e) {
        reason = e.message();
        failure = e.failure();
    } catch (const EVexelError &e) {
        reason = e.message();
        failure = TDownloadError{};
    } catch (const std::exception &e) {
        reason = QStringLiteral("TDataDown: %1").arg(QString::fromLocal8Bit(e.what()));
        failure = TDownloadError{};
    }
    if (accepted)
        emit downloaded(handOver);
    else
        emit failed(reason, failure);
}
