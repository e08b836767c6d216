#include "app/DrawDownload.h"
#include "io/DataDown.h"
#include "io/DownloadFailure.h"
#include "io/DrawText.h"
#include "core/VexelError.h"

namespace {

const QString DownloadFailedText = QStringLiteral("下载开奖数据失败！\r\n");

} // namespace

TDrawDownload::TDrawDownload(QObject *parent)
    : QObject(parent)
{
}

TDrawDownload::~TDrawDownload()
{
    Stop();
}

bool TDrawDownload::Running() const
{
    return m_worker && !m_worker->isFinished();
}

void TDrawDownload::SetTimings(int waitMs, int timeLimitMs)
{
    m_waitMs = waitMs;
    m_timeLimitMs = timeLimitMs;
}

void TDrawDownload::Start(const QString &memberName, const QString &memberPassword)
{
    if (Running())
        return;
    auto *worker = new TDataDown(m_url.isEmpty() ? DataServiceUrl() : m_url, this);
    worker->SetMemberName(memberName);
    worker->SetMemberPassword(memberPassword);
    if (m_waitMs >= 0)
        worker->SetWaitMs(m_waitMs);
    if (m_timeLimitMs >= 0)
        worker->SetTimeLimitMs(m_timeLimitMs);
    worker->SetFreeOnTerminate(true);
    // The conversion of hundreds of thousands of lines runs on the worker's
    // thread; only its result is queued to this one.
    connect(worker, &TDataDown::downloaded, this, &TDrawDownload::Convert, Qt::DirectConnection);
    connect(worker, &TDataDown::failed, this, [this](const QString &, const TDownloadError &failure) {
        emit Failed(DownloadFailedText + DownloadFailureText(failure));
    });
    connect(worker, &QThread::finished, this, &TDrawDownload::Ended);
    m_worker = worker;
    worker->start();
}

void TDrawDownload::Stop()
{
    if (!m_worker)
        return;
    m_worker->disconnect(this);
    m_worker->requestInterruption();
    m_worker->wait();
}

void TDrawDownload::Convert(const QStringList &lines)
{
    QList<qint32> numbers;
    try {
        numbers = ConvertDownloadedDraws(lines);
    } catch (const EDownloadError &e) {
        emit Failed(DownloadFailedText + DownloadFailureText(e.failure()));
        return;
    } catch (const EVexelError &) {
        emit Failed(DownloadFailedText + DownloadFailureText(TDownloadError{}));
        return;
    }
    emit Delivered(numbers);
}
