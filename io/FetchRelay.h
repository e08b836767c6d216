#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QObject>

class QTcpServer;

// Carries a fetch's connections between the network layer and the server on
// the fetch's own thread, as a SOCKS5 proxy on loopback that the fetch's
// network manager is given. The network layer reads a reply's header lines
// a byte at a time on a thread of its own and looks at nothing else while
// bytes keep coming: a server flooding it with header lines would keep that
// thread busy, and its memory growing, long after the fetch gave up, and
// tearing the manager down would wait for it. Through the relay the fetch
// cuts both ends of every connection itself, at its time limit or once the
// server has sent more than the fetch takes, and the network layer sees the
// connection end at once.
class TFetchRelay : public QObject
{
    Q_OBJECT

public:
    // `maxBytes`: the most the server may send over all connections.
    explicit TFetchRelay(qint64 maxBytes, QObject *parent = nullptr);
    ~TFetchRelay() override;

    // Listens on 127.0.0.1 at a free port; false when that fails.
    bool Listen();
    // The proxy to give the network manager.
    QNetworkProxy Proxy() const;
    // Ends every connection at once; no more are taken.
    void Cut();
    // The server sent more than `maxBytes`, and the relay cut the connections.
    bool TooLarge() const { return m_tooLarge; }

signals:
    void tooLarge();

private:
    class TTunnel;

    void Accept();
    void Received(qint64 bytes);

    QTcpServer *m_server;
    QList<TTunnel *> m_tunnels;
    const qint64 m_maxBytes;
    qint64 m_received = 0;
    bool m_tooLarge = false;
    bool m_cut = false;
};
