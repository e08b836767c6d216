#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class TDataDown;

// The Download command's worker, one at a time: it fetches the draw history
// from the data service in the background and hands over either the draw
// numbers or the message that tells the user, in Chinese, why not.
class TDrawDownload : public QObject
{
    Q_OBJECT

public:
    explicit TDrawDownload(QObject *parent = nullptr);
    // Stops a running worker and waits for it: nothing is reported after.
    ~TDrawDownload() override;

    bool Running() const;
    // Starts a worker for this member; does nothing while one runs.
    void Start(const QString &memberName, const QString &memberPassword);
    // Stops a running worker and waits for it; it reports nothing more.
    void Stop();

    // The data service and the worker's timings (tests use other ones).
    void SetDataServiceUrl(const QString &url) { m_url = url; }
    void SetTimings(int waitMs, int timeLimitMs);

signals:
    void Delivered(const QList<qint32> &numbers);
    void Failed(const QString &message);
    // The worker has ended, whatever its outcome.
    void Ended();

private:
    void Convert(const QStringList &lines);

    QPointer<TDataDown> m_worker;
    QString m_url;
    int m_waitMs = -1;
    int m_timeLimitMs = -1;
};
