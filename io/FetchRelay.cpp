#include "io/FetchRelay.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

namespace {

// The SOCKS5 protocol's numbers that the relay uses.
constexpr char Version = 0x05;
constexpr char NoAuthentication = 0x00;
constexpr char NoAcceptableMethod = char(0xFF);
constexpr char Connect = 0x01;
constexpr char IPv4 = 0x01;
constexpr char DomainName = 0x03;
constexpr char IPv6 = 0x04;
constexpr char Succeeded = 0x00;
constexpr char GeneralFailure = 0x01;
constexpr char NetworkUnreachable = 0x03;
constexpr char HostUnreachable = 0x04;
constexpr char ConnectionRefused = 0x05;
constexpr char TimedOut = 0x06;
constexpr char CommandNotSupported = 0x07;
constexpr char AddressNotSupported = 0x08;

// A redirect or two opens further connections; a fetch needs no more.
constexpr int MaxTunnels = 8;
// What waits to go on to the network layer before the server is read again.
constexpr qint64 MaxPending = 256 * 1024;

QByteArray Bytes(std::initializer_list<char> bytes)
{
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}

// The reply to a connect request: the code and an empty bound address.
QByteArray ConnectReply(char code)
{
    return Bytes({Version, code, 0x00, IPv4}) + QByteArray(6, '\0');
}

char ReplyCodeOf(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return ConnectionRefused;
    case QAbstractSocket::HostNotFoundError:
        return HostUnreachable;
    case QAbstractSocket::NetworkError:
        return NetworkUnreachable;
    case QAbstractSocket::SocketTimeoutError:
        return TimedOut;
    default:
        return GeneralFailure;
    }
}

} // namespace

// One connection of the network layer, from its SOCKS5 greeting through
// the connect request to the bytes passed both ways.
class TFetchRelay::TTunnel : public QObject
{
public:
    TTunnel(QTcpSocket *client, TFetchRelay &relay)
        : QObject(&relay), m_relay(relay), m_client(client), m_server(new QTcpSocket(this))
    {
        m_client->setParent(this);
        // Read no further ahead than what goes on: the server waits.
        m_server->setReadBufferSize(64 * 1024);
        connect(m_client, &QTcpSocket::readyRead, this, &TTunnel::FromClient);
        connect(m_client, &QTcpSocket::bytesWritten, this, &TTunnel::FromServer);
        connect(m_client, &QTcpSocket::disconnected, this, &TTunnel::Close);
        connect(m_server, &QTcpSocket::connected, this, &TTunnel::Connected);
        connect(m_server, &QTcpSocket::readyRead, this, &TTunnel::FromServer);
        connect(m_server, &QTcpSocket::disconnected, this, &TTunnel::ServerClosed);
        connect(m_server, &QTcpSocket::errorOccurred, this, &TTunnel::ServerFailed);
    }

    void Cut()
    {
        m_state = TState::Closed;
        m_client->abort();
        m_server->abort();
    }

private:
    enum class TState { Greeting, Request, Connecting, Passing, Closed };

    void FromClient()
    {
        m_pending += m_client->readAll();
        if (m_state == TState::Greeting)
            ReadGreeting();
        if (m_state == TState::Request)
            ReadRequest();
        if (m_state == TState::Passing && !m_pending.isEmpty())
            m_server->write(std::exchange(m_pending, {}));
    }

    // Version, the number of methods, the methods: only "none" is offered.
    void ReadGreeting()
    {
        if (m_pending.size() < 2 || m_pending.size() < 2 + quint8(m_pending[1]))
            return;
        const QByteArray methods = m_pending.mid(2, quint8(m_pending[1]));
        const bool usable = m_pending[0] == Version && methods.contains(NoAuthentication);
        m_pending.remove(0, 2 + methods.size());
        m_client->write(Bytes({Version, usable ? NoAuthentication : NoAcceptableMethod}));
        if (!usable)
            return Refuse();
        m_state = TState::Request;
    }

    // Version, command, reserved, address type, address, port.
    void ReadRequest()
    {
        if (m_pending.size() < 5)
            return;
        const char type = m_pending[3];
        const qsizetype addressSize = type == IPv4         ? 4
                                      : type == IPv6       ? 16
                                      : type == DomainName ? 1 + quint8(m_pending[4])
                                                           : -1;
        if (m_pending[0] != Version || m_pending[1] != Connect || addressSize < 0) {
            m_client->write(ConnectReply(m_pending[1] != Connect ? CommandNotSupported : AddressNotSupported));
            return Refuse();
        }
        if (m_pending.size() < 4 + addressSize + 2)
            return;
        const char *address = m_pending.constData() + 4;
        QString host;
        if (type == IPv4)
            host = QHostAddress(qFromBigEndian<quint32>(address)).toString();
        else if (type == IPv6)
            host = QHostAddress(reinterpret_cast<const quint8 *>(address)).toString();
        else
            host = QString::fromLatin1(address + 1, addressSize - 1);
        const quint16 port = qFromBigEndian<quint16>(address + addressSize);
        m_pending.remove(0, 4 + addressSize + 2);
        m_state = TState::Connecting;
        m_server->connectToHost(host, port);
    }

    void Connected()
    {
        m_client->write(ConnectReply(Succeeded));
        m_state = TState::Passing;
        if (!m_pending.isEmpty())
            m_server->write(std::exchange(m_pending, {}));
    }

    void FromServer()
    {
        if (m_state != TState::Passing)
            return;
        while (m_client->bytesToWrite() < MaxPending && m_server->bytesAvailable() > 0) {
            const QByteArray piece = m_server->read(64 * 1024);
            m_client->write(piece);
            m_relay.Received(piece.size());
            if (m_state != TState::Passing)
                return;
        }
        if (m_serverClosed && m_server->bytesAvailable() == 0)
            m_client->disconnectFromHost();
    }

    void ServerClosed()
    {
        m_serverClosed = true;
        FromServer();
    }

    void ServerFailed(QAbstractSocket::SocketError error)
    {
        if (m_state == TState::Connecting) {
            m_client->write(ConnectReply(ReplyCodeOf(error)));
            Refuse();
        } else if (error != QAbstractSocket::RemoteHostClosedError) {
            // The network layer sees the connection break as it broke here.
            Cut();
        }
    }

    // Ends the connection once the reply has gone out.
    void Refuse()
    {
        m_state = TState::Closed;
        m_client->disconnectFromHost();
    }

    void Close()
    {
        m_state = TState::Closed;
        m_server->abort();
    }

    TFetchRelay &m_relay;
    QTcpSocket *m_client;
    QTcpSocket *m_server;
    QByteArray m_pending;
    TState m_state = TState::Greeting;
    bool m_serverClosed = false;
};

TFetchRelay::TFetchRelay(qint64 maxBytes, QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_maxBytes(maxBytes)
{
    connect(m_server, &QTcpServer::newConnection, this, &TFetchRelay::Accept);
}

TFetchRelay::~TFetchRelay()
{
    Cut();
}

bool TFetchRelay::Listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

QNetworkProxy TFetchRelay::Proxy() const
{
    return QNetworkProxy(QNetworkProxy::Socks5Proxy, QHostAddress(QHostAddress::LocalHost).toString(),
                         m_server->serverPort());
}

void TFetchRelay::Cut()
{
    m_cut = true;
    m_server->close();
    for (TTunnel *tunnel : std::as_const(m_tunnels))
        tunnel->Cut();
}

void TFetchRelay::Accept()
{
    while (QTcpSocket *client = m_server->nextPendingConnection()) {
        if (m_cut || m_tunnels.size() >= MaxTunnels) {
            client->abort();
            client->deleteLater();
            continue;
        }
        m_tunnels.append(new TTunnel(client, *this));
    }
}

void TFetchRelay::Received(qint64 bytes)
{
    m_received += bytes;
    if (m_tooLarge || m_received <= m_maxBytes)
        return;
    m_tooLarge = true;
    Cut();
    emit tooLarge();
}
