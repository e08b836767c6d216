#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <utility>

class QTcpServer;
class QTcpSocket;

// One draw as the data service serves it.
struct TServedDraw
{
    QString issue;      // decimal integer text, e.g. "04101"
    QString date;       // any text without "#"; "-" when unknown
    qint32 number = 0;  // the draw's seven digits, 0..9999999
};

// Imports a draw text with ReadDrawFile. When every draw line reads
// "DIGITS ISSUE [DATE]" (blank-separated, the issue of one to nine decimal
// digits) the issues and dates are taken from the lines; otherwise the draws
// are numbered 1, 2, ... and their dates are "-". Raises EVexelError like
// ReadDrawFile.
QList<TServedDraw> ReadServedDraws(const QString &path);

// A small HTTP/1.1 responder on 127.0.0.1 for the draw request. It also
// takes HTTP/1.0 requests without header lines, and bare LF line ends. A GET
// of the draw path is answered 200 with a GBK text: a status line and, when
// the request is accepted, one "issue#date#scrambled digits" line per draw,
// oldest first, CR LF line ends. Other paths get 404, other methods 405; each
// connection is closed after one answer.
class TDrawServer : public QObject
{
    Q_OBJECT

public:
    static const QString SuccessStatus;      // contains "成功"
    static const QString MemberRefused;      // wrong member name or password
    static const QString RequestRefused;     // soft or softid not ours, ver missing

    explicit TDrawServer(QObject *parent = nullptr);
    ~TDrawServer() override;

    // Raises EVexelError, keeping the previous draws, for an issue that is
    // not an integer, a date holding "#" or a number outside 0..9999999.
    void SetDraws(const QList<TServedDraw> &draws);
    // The draw path, e.g. "/draws"; "/" by default.
    void SetPath(const QString &path);
    // Once a member is added, mName and mPw must match one of them.
    void AddMember(const QString &name, const QString &password);

    // Port 0 picks a free one. False with the reason in `error` on failure.
    bool Listen(quint16 port, QString *error = nullptr);
    quint16 Port() const;
    // http://127.0.0.1:PORT followed by the draw path.
    QString Url() const;

    // The body of an accepted request; without draws, the status line and
    // one blank line.
    QByteArray DrawReply() const { return m_drawReply; }

signals:
    // The request target of every GET, as received (path and raw query).
    void requested(const QByteArray &target);

protected:
    // The body for a GET of the draw path; `query` holds the values
    // percent-decoded from their GB18030 bytes.
    virtual QByteArray ReplyBody(const QHash<QString, QString> &query);

private:
    void Accept();
    void Answer(QTcpSocket *socket, const QByteArray &head);

    QTcpServer *m_server;
    QString m_path = QStringLiteral("/");
    QList<std::pair<QString, QString>> m_members;
    QByteArray m_drawReply;
};
