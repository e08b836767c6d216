#include "tools/DrawServer.h"

#include "io/DigitKey.h"
#include "io/DrawText.h"
#include "io/Gbk.h"
#include "io/ProductInfo.h"
#include "core/VexelError.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");
// A draw request is a few hundred bytes; a head beyond this is not one.
constexpr qsizetype MaxHeadSize = 16 * 1024;
// A client that neither completes its request nor reads the answer in this
// time is dropped.
constexpr int ConnectionTimeoutMs = 30000;

bool IsIssue(const QString &text)
{
    static const QRegularExpression issue(QStringLiteral("^[0-9]{1,9}$"));
    return issue.match(text).hasMatch();
}

QHash<QString, QString> ParseQuery(const QByteArray &query)
{
    QHash<QString, QString> values;
    for (const QByteArray &item : query.split('&')) {
        if (item.isEmpty())
            continue;
        const qsizetype eq = item.indexOf('=');
        const QByteArray key = QByteArray::fromPercentEncoding(eq < 0 ? item : item.left(eq));
        const QByteArray value = eq < 0 ? QByteArray() : QByteArray::fromPercentEncoding(item.mid(eq + 1));
        // The first occurrence of a key counts.
        if (!values.contains(QString::fromLatin1(key)))
            values.insert(QString::fromLatin1(key), DecodeGb18030(value));
    }
    return values;
}

// Where a request's head ends: the position of the line end that closes its
// last line, found at the empty line that follows it; -1 while incomplete.
// Lines end with CR LF, or with a bare LF as simple clients send it. A
// request without header lines (HTTP/1.0 allows that) ends right after its
// request line.
qsizetype HeadEnd(const QByteArray &data)
{
    for (qsizetype lf = data.indexOf('\n'); lf >= 0; lf = data.indexOf('\n', lf + 1)) {
        const QByteArray next = data.mid(lf + 1, 2);
        if (next.startsWith('\n') || next == "\r\n")
            return lf > 0 && data.at(lf - 1) == '\r' ? lf - 1 : lf;
    }
    return -1;
}

void Respond(QTcpSocket *socket, int status, const QByteArray &reason, const QByteArray &body,
             const QByteArray &extraHeaders = {})
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + LineEnd;
    head += "Content-Type: text/plain; charset=GBK" + LineEnd;
    head += "Content-Length: " + QByteArray::number(body.size()) + LineEnd;
    head += "Connection: close" + LineEnd + extraHeaders + LineEnd;
    socket->write(head + body);
    socket->disconnectFromHost();
}

} // namespace

const QString TDrawServer::SuccessStatus = QStringLiteral("开奖数据下载成功");
const QString TDrawServer::MemberRefused = QStringLiteral("会员名或密码错误");
const QString TDrawServer::RequestRefused = QStringLiteral("请求无效");

QList<TServedDraw> ReadServedDraws(const QString &path)
{
    const QList<qint32> numbers = ReadDrawFile(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EVexelError(QStringLiteral("Cannot open draw file '%1': %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);

    static const QRegularExpression blanks(QStringLiteral("[\\x{0}-\\x{20}]+"));
    QList<QStringList> fields;
    bool withIssues = true;
    for (const QString &line : SplitLines(DecodeGbk(bytes))) {
        // The same lines as the import counts as draws.
        if (line.size() < 7)
            continue;
        fields.append(TrimText(line).split(blanks, Qt::SkipEmptyParts));
        withIssues = withIssues && fields.last().size() >= 2 && IsIssue(fields.last().at(1));
    }
    if (fields.size() != numbers.size())
        throw EVexelError(QStringLiteral("Draw file '%1' changed while it was read").arg(path));

    QList<TServedDraw> draws;
    draws.reserve(numbers.size());
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        TServedDraw draw;
        draw.number = numbers.at(i);
        const QStringList &f = fields.at(i);
        draw.issue = withIssues ? f.at(1) : QString::number(i + 1);
        draw.date = withIssues && f.size() >= 3 && !f.at(2).contains(QLatin1Char('#')) ? f.at(2)
                                                                                      : QStringLiteral("-");
        draws.append(draw);
    }
    return draws;
}

TDrawServer::TDrawServer(QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TDrawServer::Accept);
    SetDraws({});
}

TDrawServer::~TDrawServer() = default;

void TDrawServer::SetDraws(const QList<TServedDraw> &draws)
{
    QByteArray reply = EncodeGbk(SuccessStatus) + LineEnd;
    for (const TServedDraw &draw : draws) {
        if (draw.number < 0 || draw.number > 9999999)
            throw EVexelError(QStringLiteral("TDrawServer: %1 is not a draw number").arg(draw.number));
        if (draw.date.contains(QLatin1Char('#')) || TrimText(draw.date).isEmpty())
            throw EVexelError(QStringLiteral("TDrawServer: '%1' is not a date field").arg(draw.date));
        const QString digits = EncodeDrawDigits(draw.issue, FormatDrawNumber(draw.number));
        reply += EncodeGbk(draw.issue + QLatin1Char('#') + draw.date + QLatin1Char('#') + digits) + LineEnd;
    }
    // A status line alone is refused by the program; a blank line after it
    // hands over an empty history.
    if (draws.isEmpty())
        reply += LineEnd;
    m_drawReply = reply;
}

void TDrawServer::SetPath(const QString &path)
{
    m_path = path.isEmpty() ? QStringLiteral("/") : path;
}

void TDrawServer::AddMember(const QString &name, const QString &password)
{
    m_members.append({name, password});
}

bool TDrawServer::Listen(quint16 port, QString *error)
{
    if (m_server->listen(QHostAddress::LocalHost, port))
        return true;
    if (error)
        *error = m_server->errorString();
    return false;
}

quint16 TDrawServer::Port() const
{
    return m_server->serverPort();
}

QString TDrawServer::Url() const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(m_path);
}

QByteArray TDrawServer::ReplyBody(const QHash<QString, QString> &query)
{
    const bool ours = query.value(QStringLiteral("soft")).compare(QLatin1String(ProductIdentifier), Qt::CaseInsensitive) == 0
                      && query.value(QStringLiteral("softid")) == QLatin1String(SoftwareNumber)
                      && !query.value(QStringLiteral("ver")).isEmpty();
    if (!ours)
        return EncodeGbk(RequestRefused) + LineEnd;
    if (!m_members.isEmpty()) {
        const std::pair<QString, QString> member{query.value(QStringLiteral("mName")),
                                                 query.value(QStringLiteral("mPw"))};
        if (!query.contains(QStringLiteral("mName")) || !query.contains(QStringLiteral("mPw"))
            || !m_members.contains(member))
            return EncodeGbk(MemberRefused) + LineEnd;
    }
    return m_drawReply;
}

void TDrawServer::Accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        auto head = std::make_shared<QByteArray>();
        auto answered = std::make_shared<bool>(false);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(ConnectionTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, head, answered] {
            if (*answered) {
                socket->readAll();
                return;
            }
            *head += socket->readAll();
            const qsizetype end = HeadEnd(*head);
            if (end < 0 && head->size() <= MaxHeadSize)
                return;
            *answered = true;
            if (end < 0)
                Respond(socket, 431, "Request Header Fields Too Large", {});
            else
                Answer(socket, head->left(end));
        });
    }
}

void TDrawServer::Answer(QTcpSocket *socket, const QByteArray &head)
{
    const qsizetype lineEnd = head.indexOf('\n');
    const QList<QByteArray> requestLine =
        (lineEnd < 0 ? head : head.left(lineEnd)).trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/")) {
        Respond(socket, 400, "Bad Request", {});
        return;
    }
    const QByteArray &method = requestLine.at(0);
    QByteArray target = requestLine.at(1);
    if (method != "GET") {
        Respond(socket, 405, "Method Not Allowed", {}, "Allow: GET" + LineEnd);
        return;
    }
    emit requested(target);
    // An absolute target ("http://host:port/path?query") as a proxy would send it.
    if (target.startsWith("http://")) {
        const qsizetype slash = target.indexOf('/', 7);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    const qsizetype question = target.indexOf('?');
    const QByteArray path = question < 0 ? target : target.left(question);
    const QByteArray query = question < 0 ? QByteArray() : target.mid(question + 1);
    if (QString::fromUtf8(QByteArray::fromPercentEncoding(path)) != m_path) {
        Respond(socket, 404, "Not Found", {});
        return;
    }
    Respond(socket, 200, "OK", ReplyBody(ParseQuery(query)));
}
