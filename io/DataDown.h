#pragma once

#include "io/DownloadFailure.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>

// The data service's draw page, without query, fixed at build time
// (VEXEL_DATA_URL).
QString DataServiceUrl();

// How long one fetch may take from sending the request to the last byte of
// the reply, unless the caller sets another limit.
inline constexpr int DefaultFetchTimeLimitMs = 30000;

// The draw request: `baseUrl` followed by "?soft=", "&softid=", "&ver=",
// "&mName=" and "&mPw=" with their values. Every value is percent-encoded
// from its GB18030 bytes (the same bytes as GBK for every GBK character), so
// "&", "#", "+", spaces and Chinese characters reach the service intact. An
// empty name or password gives an empty value; the keys are always sent.
QString BuildRequestAddress(const QString &baseUrl, const QString &memberName,
                            const QString &memberPassword);

// Fetches `address` over HTTP into memory and replaces `lines` with the
// reply read as GBK, lines ended by CR, LF or CR LF. Returns false, with
// `lines` untouched, the technical reason in `error` (never naming the query,
// which carries the password) and the user's reason in `failure`, when the
// address is not valid, the connection or the transfer fails, the status is
// not 2xx, the reply exceeds 16 MiB, the whole fetch takes longer than
// `timeLimitMs`, or `stopRequested` returns true (polled every few
// milliseconds). Runs its own event loop, so it may be called on any thread
// that has no other use for its event loop meanwhile.
bool DownloadLines(const QString &address, QStringList &lines, QString *error = nullptr,
                   int timeLimitMs = DefaultFetchTimeLimitMs,
                   const std::function<bool()> &stopRequested = {},
                   TDownloadError *failure = nullptr);

// The hand-over lines of an accepted reply: for each non-blank line after
// the status line, the trimmed first and third "#"-separated fields joined
// by "#" (empty fields do not count; fields after the third are ignored).
// A reply of fewer than two lines, a status line without "成功" or a
// non-blank line with fewer than three fields raises EDownloadError.
QStringList BuildHandOver(const QStringList &reply);

// The draw numbers (0..9999999) of the hand-over lines, in order, ready for
// RebuildDrawList. Every line is read first: an issue whose first seven
// characters or whole text is not an integer, or a digit field whose first
// seven characters are not an integer or that is shorter than seven
// characters, raises EDownloadError "'<text>' is not a valid integer value"
// naming the draw (from 1) in its failure.
QList<qint32> ConvertDownloadedDraws(const QStringList &handOver);

// The download worker. It waits a few seconds from its creation, fetches the
// draw request once and reports exactly one of downloaded() and failed(),
// then ends. failed() carries the technical reason, in English, and the
// failure to tell the user (DownloadFailureText). Both signals are emitted on
// the worker thread, so a receiver on the interface thread gets them queued:
// the worker never waits for its receiver, and a receiver that disconnects
// before it goes away never gets a late report. Set the fields before start().
class TDataDown : public QThread
{
    Q_OBJECT

public:
    explicit TDataDown(const QString &baseUrl, QObject *parent = nullptr);
    ~TDataDown() override;

    QString BaseUrl() const { return m_baseUrl; }
    QString MemberName() const { return m_memberName; }
    void SetMemberName(const QString &name) { m_memberName = name; }
    QString MemberPassword() const { return m_memberPassword; }
    void SetMemberPassword(const QString &password) { m_memberPassword = password; }
    // Milliseconds of the monotonic clock at creation; the wait counts from it.
    qint64 StartTick() const { return m_startTick; }

    // A negative wait gives the standard one: the fetch starts once between
    // 4 and 8 whole seconds have passed since creation. Otherwise the fetch
    // starts `waitMs` after creation.
    void SetWaitMs(int waitMs) { m_waitMs = waitMs; }
    int WaitMs() const { return m_waitMs; }
    // Zero or negative gives DefaultFetchTimeLimitMs.
    void SetTimeLimitMs(int timeLimitMs);
    int TimeLimitMs() const { return m_timeLimitMs; }

    // Deletes the worker (deleteLater) once it has finished.
    void SetFreeOnTerminate(bool free);

    // Ends the wait or the fetch at the next poll, a few milliseconds later;
    // failed() still comes. requestInterruption() does the same.
    void Terminate() { m_stop.store(true); }
    bool Terminated() const { return m_stop.load() || isInterruptionRequested(); }

signals:
    void downloaded(const QStringList &handOver);
    void failed(const QString &reason, const TDownloadError &failure);

protected:
    void run() override;

private:
    bool WaitForFetch();

    QString m_baseUrl;
    QString m_memberName;
    QString m_memberPassword;
    QElapsedTimer m_clock;
    qint64 m_startTick = 0;
    int m_waitMs = -1;
    int m_timeLimitMs = DefaultFetchTimeLimitMs;
    QMetaObject::Connection m_freeOnTerminate;
    std::atomic<bool> m_stop{false};
};
