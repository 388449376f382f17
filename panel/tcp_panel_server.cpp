#include "panel/tcp_panel_server.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace kordex::panel {

TcpPanelServer::TcpPanelServer(QObject *parent) : QObject(parent), server_(new QTcpServer(this))
{
    connect(server_, &QTcpServer::newConnection, this, &TcpPanelServer::accept);
}

TcpPanelServer::~TcpPanelServer()
{
    if (session_)
        session_->disconnect(this);  // no callbacks into a half-destroyed owner
}

bool TcpPanelServer::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (server_->listen(address, port))
        return true;
    if (error)
        *error = server_->errorString();
    return false;
}

QHostAddress TcpPanelServer::address() const { return server_->serverAddress(); }

quint16 TcpPanelServer::port() const { return server_->serverPort(); }

QString TcpPanelServer::peer() const
{
    return session_ ? session_->peerAddress().toString() + ':' + QString::number(session_->peerPort()) : QString();
}

void TcpPanelServer::send(const QByteArray &bytes)
{
    if (session_)
        session_->write(bytes);
}

void TcpPanelServer::accept()
{
    while (QTcpSocket *s = server_->nextPendingConnection()) {
        if (session_) {
            s->write("PORT BUSY\r\n");
            s->disconnectFromHost();
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            continue;
        }
        session_ = s;
        connect(s, &QTcpSocket::readyRead, this, [this, s] {
            const QByteArray bytes = s->readAll();
            if (s == session_ && onReceived && !bytes.isEmpty())
                onReceived(bytes);
        });
        connect(s, &QTcpSocket::disconnected, this, &TcpPanelServer::sessionGone);
        if (onSessionBegin)
            onSessionBegin();
    }
}

void TcpPanelServer::sessionGone()
{
    QTcpSocket *s = session_;
    if (!s || sender() != s)
        return;
    session_ = nullptr;
    s->deleteLater();
    if (onSessionEnd)
        onSessionEnd();
}

}  // namespace kordex::panel
